#include "forms/BagText.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "forms/Handles.h"
#include "forms/Picture.h"
#include "forms/Runtime.h"

namespace forms {

namespace {

using desc::Atom;
using desc::DescriptionError;
using desc::Property;

[[noreturn]] void Fail(int line, const std::string& message) { throw DescriptionError(line, message); }

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
    return out + "\"";
}

// The shortest text that reads back as the same double, always with a point, as the
// description's reals need one.
std::string RealText(double value) {
    if (!std::isfinite(value)) Raise(kErrOverflow);
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    const auto e = text.find_first_of("eE");
    if (text.find('.') == std::string::npos) text.insert(e == std::string::npos ? text.size() : e, ".0");
    return text;
}

constexpr char kHex[] = "0123456789ABCDEF";

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out;
}

std::vector<std::uint8_t> FromHex(const std::string& text, int line) {
    if (text.size() % 2) Fail(line, "picture data has an odd number of hex digits");
    std::vector<std::uint8_t> bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        unsigned value = 0;
        const auto r = std::from_chars(text.data() + 2 * i, text.data() + 2 * i + 2, value, 16);
        if (r.ec != std::errc() || r.ptr != text.data() + 2 * i + 2) Fail(line, "picture data is not hex");
        bytes[i] = static_cast<std::uint8_t>(value);
    }
    return bytes;
}

// The bitmap's pixels as 32-bit BGRA, rows top down.
std::vector<std::uint8_t> PixelsOf(HBITMAP bitmap, int width, int height) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    BITMAPINFO info = TopDown32BitInfo(width, height);
    WindowDc screen(nullptr);
    if (::GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(height), pixels.data(), &info,
                    DIB_RGB_COLORS) != height) {
        Raise(kErrInvalidPicture);
    }
    return pixels;
}

OwnedBitmap BitmapFrom(const std::vector<std::uint8_t>& pixels, int width, int height) {
    BITMAPINFO info = TopDown32BitInfo(width, height);
    void* bits = nullptr;
    OwnedBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || !bits) Raise(kErrInvalidPicture);
    std::copy(pixels.begin(), pixels.end(), static_cast<std::uint8_t*>(bits));
    return bitmap;
}

std::string PictureText(const Picture& picture) {
    const int w = picture.Width();
    const int h = picture.Height();
    if (picture.GetKind() == Picture::Kind::Bitmap) {
        std::string text = "Bitmap, " + std::to_string(w) + ", " + std::to_string(h) + ", \"" +
                           Hex(PixelsOf(picture.BitmapHandle(), w, h)) + "\"";
        if (auto key = picture.TransparentKey()) text += ", " + std::to_string(*key);
        return text;
    }
    ICONINFO info{};
    if (!::GetIconInfo(picture.IconHandle(), &info)) Raise(kErrInvalidPicture);
    OwnedBitmap color(info.hbmColor);
    OwnedBitmap mask(info.hbmMask);
    if (!color) Raise(kErrInvalidPicture);  // two-colour icons are not stored
    const std::vector<std::uint8_t> maskPixels = PixelsOf(mask.Get(), w, h);
    std::string bits;
    bits.reserve(maskPixels.size() / 4);
    for (std::size_t i = 0; i < maskPixels.size(); i += 4) bits += maskPixels[i] ? '1' : '0';
    return "Icon, " + std::to_string(w) + ", " + std::to_string(h) + ", \"" +
           Hex(PixelsOf(color.Get(), w, h)) + "\", \"" + bits + "\"";
}

std::string FontText(const FontSpec& font) {
    std::string text = Quote(font.face) + ", " + RealText(font.size) + ", " + std::to_string(font.weight);
    if (font.italic) text += ", Italic";
    if (font.underline) text += ", Underline";
    if (font.strikethrough) text += ", Strikeout";
    return text;
}

int Dimension(const Atom& a) {
    if (a.kind != Atom::Kind::Integer || a.integer < 1 || a.integer > 4096) {
        Fail(a.line, "a picture's width and height are 1 to 4096");
    }
    return static_cast<int>(a.integer);
}

Picture PictureFromProperty(const Property& p) {
    const auto& v = p.values;
    const bool icon = desc::EqualsNoCase(v[0].text, "Icon");
    const std::size_t need = icon ? 5 : 4;
    if (v.size() < need || v.size() > need + (icon ? 0 : 1) || v[3].kind != Atom::Kind::String ||
        (icon && v[4].kind != Atom::Kind::String)) {
        Fail(p.line, "'" + p.key + "' needs " +
                         (icon ? "Icon, width, height, \"pixels\", \"mask\"" : "Bitmap, width, height, \"pixels\""));
    }
    const int w = Dimension(v[1]);
    const int h = Dimension(v[2]);
    const std::vector<std::uint8_t> pixels = FromHex(v[3].text, p.line);
    if (pixels.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4) {
        Fail(p.line, "'" + p.key + "' holds pixels for another size");
    }
    if (!icon) {
        std::optional<COLORREF> key;
        if (v.size() == 5) key = static_cast<COLORREF>(desc::GetInt(Property{p.key, {v[4]}, p.line})) & 0xFFFFFF;
        return Picture::FromBitmap(BitmapFrom(pixels, w, h), key);
    }
    const std::string& bits = v[4].text;
    if (bits.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h) ||
        bits.find_first_not_of("01") != std::string::npos) {
        Fail(p.line, "'" + p.key + "' needs one mask digit 0 or 1 a pixel");
    }
    std::vector<std::uint8_t> maskPixels(pixels.size(), 0);
    for (std::size_t i = 0; i < bits.size(); ++i) {
        if (bits[i] == '1') std::fill_n(maskPixels.begin() + static_cast<std::ptrdiff_t>(4 * i), 3, 0xFF);
    }
    OwnedBitmap color = BitmapFrom(pixels, w, h);
    OwnedBitmap mask(::CreateBitmap(w, h, 1, 1, nullptr));
    BITMAPINFO info = TopDown32BitInfo(w, h);
    WindowDc screen(nullptr);
    if (!mask || ::SetDIBits(screen.Get(), mask.Get(), 0, static_cast<UINT>(h), maskPixels.data(), &info,
                             DIB_RGB_COLORS) != h) {
        Raise(kErrInvalidPicture);
    }
    ICONINFO iconInfo{};
    iconInfo.fIcon = TRUE;
    iconInfo.hbmColor = color.Get();
    iconInfo.hbmMask = mask.Get();
    // The icon takes copies of both bitmaps; ours go at the end of this scope.
    return Picture::FromIcon(OwnedIcon(::CreateIconIndirect(&iconInfo)));
}

}  // namespace

std::string BagToText(const PropertyBag& bag, std::string_view indent) {
    std::string out;
    for (const auto& [key, value] : bag.Entries()) {
        std::string text;
        if (const auto* s = std::get_if<std::string>(&value)) {
            text = Quote(*s);
        } else if (const auto* i = std::get_if<std::int32_t>(&value)) {
            text = std::to_string(*i);
        } else if (const auto* d = std::get_if<double>(&value)) {
            text = RealText(*d);
        } else if (const auto* f = std::get_if<FontSpec>(&value)) {
            text = FontText(*f);
        } else if (const auto* p = std::get_if<Picture>(&value)) {
            if (p->IsNone()) continue;
            text = PictureText(*p);
        } else {
            continue;  // an empty value is the same as none stored
        }
        out += std::string(indent) + Quote(key) + " = " + text + "\n";
    }
    return out;
}

FontSpec FontFromProperty(const Property& p) {
    if (p.values.size() < 2 || p.values[0].kind != Atom::Kind::String ||
        (p.values[1].kind != Atom::Kind::Real && p.values[1].kind != Atom::Kind::Integer)) {
        Fail(p.line, "'" + p.key + "' needs a face name and a size, as in \"Tahoma\", 8.25");
    }
    FontSpec font;
    font.face = p.values[0].text;
    font.size = p.values[1].real;
    if (font.face.empty() || font.size <= 0 || font.size > 500) {
        Fail(p.line, "'" + p.key + "' has a bad face or size");
    }
    for (std::size_t i = 2; i < p.values.size(); ++i) {
        const Atom& a = p.values[i];
        const bool word = a.kind == Atom::Kind::Word;
        if (a.kind == Atom::Kind::Integer && a.integer >= 1 && a.integer <= 1000) {
            font.weight = static_cast<int>(a.integer);
        } else if (word && desc::EqualsNoCase(a.text, "Bold")) {
            font.weight = FW_BOLD;
        } else if (word && desc::EqualsNoCase(a.text, "Regular")) {
            font.weight = FW_NORMAL;
        } else if (word && desc::EqualsNoCase(a.text, "Italic")) {
            font.italic = true;
        } else if (word && desc::EqualsNoCase(a.text, "Underline")) {
            font.underline = true;
        } else if (word && desc::EqualsNoCase(a.text, "Strikeout")) {
            font.strikethrough = true;
        } else {
            Fail(p.line, "'" + p.key + "' has an unknown style '" + a.text + "'");
        }
    }
    return font;
}

BagValue BagValueFromProperty(const Property& p) {
    if (p.values.empty()) Fail(p.line, "'" + p.key + "' has no value");
    const Atom& first = p.values[0];
    if (first.kind == Atom::Kind::Word &&
        (desc::EqualsNoCase(first.text, "Bitmap") || desc::EqualsNoCase(first.text, "Icon"))) {
        return PictureFromProperty(p);
    }
    if (p.values.size() == 1) {
        switch (first.kind) {
        case Atom::Kind::String: return first.text;
        case Atom::Kind::Integer: return desc::GetInt(p);
        case Atom::Kind::Real: return first.real;
        case Atom::Kind::Word:
            if (desc::EqualsNoCase(first.text, "True")) return std::int32_t{-1};
            if (desc::EqualsNoCase(first.text, "False")) return std::int32_t{0};
            Fail(p.line, "'" + p.key + "' has an unknown value '" + first.text + "'");
        }
    }
    return FontFromProperty(p);
}

}  // namespace forms
