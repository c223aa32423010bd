// Picture and font objects of the forms layer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "forms/Handles.h"

namespace forms {

// A picture holding a bitmap or an icon, shared by reference: assigning one control's
// picture to another shares the same image, as the program expects.
class Picture {
public:
    enum class Kind { None, Bitmap, Icon };

    Picture() = default;  // no picture

    // A bitmap resource of this program; pixels of transparentKey are not drawn. One
    // without a key is drawn straight from the program's image, and its bitmap object is
    // made only when BitmapHandle asks for it: a skin-sized bitmap costs a page fault a
    // page while the first window is built.
    static Picture FromResource(const char* name, std::optional<COLORREF> transparentKey = {});
    static Picture FromBitmap(OwnedBitmap bitmap, std::optional<COLORREF> transparentKey = {});
    static Picture FromIcon(OwnedIcon icon);

    Kind GetKind() const noexcept { return data_ ? data_->kind : Kind::None; }
    bool IsNone() const noexcept { return GetKind() == Kind::None; }
    int Width() const noexcept { return data_ ? data_->width : 0; }    // pixels
    int Height() const noexcept { return data_ ? data_->height : 0; }  // pixels
    // Null when there is no bitmap, or when a resource's bitmap cannot be made.
    HBITMAP BitmapHandle() const noexcept;
    HICON IconHandle() const noexcept { return data_ ? data_->icon.Get() : nullptr; }
    std::optional<COLORREF> TransparentKey() const noexcept {
        return data_ ? data_->key : std::nullopt;
    }

    // Draws the picture with its top-left corner at (x, y), leaving key pixels alone.
    void Draw(HDC dc, int x, int y) const;

    bool SameAs(const Picture& other) const noexcept { return data_ == other.data_; }

private:
    // The pixels of a bitmap resource, in the program's image for the program's life.
    struct PackedBitmap {
        std::string name;  // the resource, for making its bitmap object,
        WORD id = 0;       // or its number when it has one instead
        const BITMAPINFO* info = nullptr;  // its header; the pixels follow it
    };
    struct Data {
        Kind kind = Kind::None;
        // A resource's bitmap is made on first use, on the one thread that draws.
        mutable OwnedBitmap bitmap;
        OwnedIcon icon;
        int width = 0;
        int height = 0;
        std::optional<COLORREF> key;
        std::optional<PackedBitmap> packed;
    };
    std::shared_ptr<const Data> data_;
};

// A font object: face, size in points and style.
struct FontSpec {
    std::string face = "Tahoma";
    double size = 8.25;  // points
    int weight = FW_NORMAL;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    bool operator==(const FontSpec&) const = default;
};

// A GDI font for a font object at the screen's resolution.
OwnedFont CreateFontFor(const FontSpec& font);

// Conversions between a COLORREF (0x00BBGGRR) and such a DIB's pixel (0x00RRGGBB).
constexpr std::uint32_t DibPixel(COLORREF colour) noexcept {
    return ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}
constexpr COLORREF ColourOfDibPixel(std::uint32_t pixel) noexcept {
    return ((pixel & 0xFFu) << 16) | (pixel & 0xFF00u) | ((pixel >> 16) & 0xFFu);
}

// The header of a 32-bpp top-down DIB of the given size: rows from the top, each pixel
// 0x00RRGGBB in memory order B, G, R, unused.
inline BITMAPINFO TopDown32BitInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

}  // namespace forms
