#include "forms/Picture.h"

#include <cmath>
#include <cstdint>

#include "forms/Runtime.h"

namespace forms {

namespace {

std::string ResourceText(const char* name) {
    return IS_INTRESOURCE(name) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name))
                                : std::string(name);
}

OwnedBitmap LoadBitmapResource(const char* name) {
    return OwnedBitmap(static_cast<HBITMAP>(
        ::LoadImageA(App::Instance(), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
}

// The header and pixels of a bitmap resource that GDI draws as stored, the same pixels
// that its bitmap object holds: uncompressed 24 or 32 bits a pixel, no colour table, rows
// from the bottom (Wine loads a top-down resource black), every row there. Null for
// anything else, which is loaded as a bitmap object.
const BITMAPINFO* DrawableAsStored(const char* name) {
    const std::string_view bytes = App::ResourceBytes(name, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    const std::size_t size = bytes.size();
    if (!bytes.data() || size < sizeof(BITMAPINFOHEADER)) return nullptr;
    const auto* info = reinterpret_cast<const BITMAPINFO*>(bytes.data());
    const BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize != sizeof header || header.biPlanes != 1 ||
        header.biCompression != BI_RGB || header.biClrUsed != 0 ||
        (header.biBitCount != 24 && header.biBitCount != 32) || header.biWidth <= 0 ||
        header.biHeight <= 0) {
        return nullptr;
    }
    const std::uint64_t stride =
        (static_cast<std::uint64_t>(header.biWidth) * header.biBitCount + 31) / 32 * 4;
    const auto rows = static_cast<std::uint64_t>(header.biHeight);
    if (size - sizeof header < stride * rows) return nullptr;
    return info;
}

}  // namespace

Picture Picture::FromResource(const char* name, std::optional<COLORREF> transparentKey) {
    // A keyed picture is drawn with GdiTransparentBlt, from its bitmap object.
    if (const BITMAPINFO* info = transparentKey ? nullptr : DrawableAsStored(name)) {
        auto data = std::make_shared<Data>();
        data->kind = Kind::Bitmap;
        data->width = info->bmiHeader.biWidth;
        data->height = info->bmiHeader.biHeight;
        PackedBitmap packed;
        if (IS_INTRESOURCE(name)) {
            packed.id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
        } else {
            packed.name = name;
        }
        packed.info = info;
        data->packed = std::move(packed);
        Picture picture;
        picture.data_ = std::move(data);
        return picture;
    }
    OwnedBitmap bitmap = LoadBitmapResource(name);
    if (!bitmap) throw RuntimeError(kErrInvalidPicture, "Invalid picture: " + ResourceText(name));
    return FromBitmap(std::move(bitmap), transparentKey);
}

HBITMAP Picture::BitmapHandle() const noexcept {
    if (!data_) return nullptr;
    if (!data_->bitmap && data_->packed) {
        const PackedBitmap& packed = *data_->packed;
        data_->bitmap = LoadBitmapResource(packed.id ? MAKEINTRESOURCEA(packed.id)
                                                     : packed.name.c_str());
    }
    return data_->bitmap.Get();
}

Picture Picture::FromBitmap(OwnedBitmap bitmap, std::optional<COLORREF> transparentKey) {
    BITMAP info{};
    if (!bitmap || !::GetObjectA(bitmap.Get(), sizeof info, &info)) Raise(kErrInvalidPicture);
    auto data = std::make_shared<Data>();
    data->kind = Kind::Bitmap;
    data->width = info.bmWidth;
    data->height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    data->bitmap = std::move(bitmap);
    data->key = transparentKey;
    Picture picture;
    picture.data_ = std::move(data);
    return picture;
}

Picture Picture::FromIcon(OwnedIcon icon) {
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon.Get(), &info)) Raise(kErrInvalidPicture);
    // GetIconInfo hands us copies of the icon's bitmaps; they are ours to delete.
    OwnedBitmap color(info.hbmColor);
    OwnedBitmap mask(info.hbmMask);
    BITMAP bm{};
    ::GetObjectA(color ? color.Get() : mask.Get(), sizeof bm, &bm);
    auto data = std::make_shared<Data>();
    data->kind = Kind::Icon;
    data->width = bm.bmWidth;
    data->height = color ? bm.bmHeight : bm.bmHeight / 2;
    data->icon = std::move(icon);
    Picture picture;
    picture.data_ = std::move(data);
    return picture;
}

void Picture::Draw(HDC dc, int x, int y) const {
    if (!data_) return;
    if (data_->kind == Kind::Icon) {
        ::DrawIconEx(dc, x, y, data_->icon.Get(), data_->width, data_->height, 0, nullptr,
                     DI_NORMAL);
        return;
    }
    if (!data_->bitmap && data_->packed) {
        // Once made, the bitmap object is what is drawn: it may have been drawn on.
        const PackedBitmap& packed = *data_->packed;
        ::StretchDIBits(dc, x, y, data_->width, data_->height, 0, 0, data_->width,
                        data_->height, &packed.info->bmiHeader + 1, packed.info,
                        DIB_RGB_COLORS, SRCCOPY);
        return;
    }
    OwnedDc source(::CreateCompatibleDC(dc));
    SelectGuard select(source.Get(), data_->bitmap.Get());
    if (data_->key) {
        ::GdiTransparentBlt(dc, x, y, data_->width, data_->height, source.Get(), 0, 0,
                            data_->width, data_->height, *data_->key);
    } else {
        ::BitBlt(dc, x, y, data_->width, data_->height, source.Get(), 0, 0, SRCCOPY);
    }
}

OwnedFont CreateFontFor(const FontSpec& font) {
    const int height = -static_cast<int>(std::lround(font.size * ScreenDpiY() / 72.0));
    return OwnedFont(::CreateFontA(height, 0, 0, 0, font.weight, font.italic, font.underline,
                                   font.strikethrough, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, font.face.c_str()));
}

}  // namespace forms
