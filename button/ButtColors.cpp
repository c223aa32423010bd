// Colour arithmetic, derived face colours, the caption font, picture metrics and the
// banded gradient.
#include <cmath>
#include <cstring>

#include "button/Butt.h"

namespace button {

namespace {

constexpr int Red(RgbColor c) noexcept { return c & 0xFF; }
constexpr int Green(RgbColor c) noexcept { return (c >> 8) & 0xFF; }
constexpr int Blue(RgbColor c) noexcept { return (c >> 16) & 0xFF; }
constexpr RgbColor MakeRgb(int r, int g, int b) noexcept { return r + g * 256 + b * 65536; }

int screenWidthOverride = 0;
int screenHeightOverride = 0;

bool SameKey(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(),
                                                    static_cast<int>(a.size()), b.data(),
                                                    static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

void Butt::SetScreenPixelsForTest(int width, int height) noexcept {
    screenWidthOverride = width;
    screenHeightOverride = height;
}

RgbColor Butt::TranslateColor(OleColor Color) {
    if ((Color & 0x80000000u) == 0) return static_cast<RgbColor>(Color);
    return static_cast<RgbColor>(::GetSysColor(static_cast<int>(Color & 0xFF)));
}

RgbColor Butt::ShiftColor(RgbColor Color, std::int16_t Offset, VbBool ScaleBlue,
                          VbBool AvoidExtremes, VbBool Invert) {
    int offset = Offset;
    RgbColor result = 0;
    // Within -127..127 the retry away from black and white ends by the third pass; a
    // larger offset could flip between the two for ever, so the passes are bounded.
    for (int pass = 0; pass < 3; ++pass) {
        int channels[3] = {Red(Color) + offset, Green(Color) + offset, 0};
        const int blue = Blue(Color);
        // Truncating division: blue moves in proportion to itself and 0 stays 0.
        channels[2] = ScaleBlue != 0 ? blue + (offset * blue) / 192 : blue + offset;
        for (int& c : channels) {
            if (c > 255) c = 255;
            if (c < 0) c = 0;
            if (Invert == kTrue) c = 255 - c;
        }
        result = MakeRgb(channels[0], channels[1], channels[2]);
        if (AvoidExtremes != kTrue || (result != 0 && result != 0xFFFFFF)) return result;
        offset = offset != 0 ? -offset : 64;
    }
    return result;
}

void Butt::BlendColors(std::vector<RgbColor>& Colors, RgbColor Color1, RgbColor Color2) {
    if (Colors.empty()) return;
    const std::size_t n = Colors.size() - 1;
    float running[3] = {static_cast<float>(Red(Color1)), static_cast<float>(Green(Color1)),
                        static_cast<float>(Blue(Color1))};
    const int target[3] = {Red(Color2), Green(Color2), Blue(Color2)};
    Colors[0] = Color1;
    if (n == 0) return;
    float step[3];
    for (int i = 0; i < 3; ++i) {
        step[i] = (static_cast<float>(target[i]) - running[i]) / static_cast<float>(n);
    }
    for (std::size_t k = 1; k <= n; ++k) {
        for (int i = 0; i < 3; ++i) {
            running[i] = running[i] + step[i];
            if (running[i] > 255.0f) running[i] = 255.0f;
            if (running[i] < 0.0f) running[i] = 0.0f;
        }
        Colors[k] = MakeRgb(static_cast<int>(std::floor(running[0])),
                            static_cast<int>(std::floor(running[1])),
                            static_cast<int>(std::floor(running[2])));
    }
}

void Butt::SyncProp(std::string_view key) {
    if (SameKey(key, "BackColor")) {
        const RgbColor b = TranslateColor(BackColor);
        FaceColor = b;
        PressedFaceColor = b;
        const RgbColor h = TranslateColor(HoverBackColor);
        HoverFaceColor = h;
        switch (ButtonStyle) {
        case styleDoubleBevel:
        case styleSingleBevel:
        case styleFrame:
        case styleHotTrack:
        case styleLightBevel:
            CheckedFaceColor = ShiftColor(0xFFFFFF, -32);
            break;
        case styleRounded:
            FaceColor = ShiftColor(b, 48, kTrue);
            HoverFaceColor = ShiftColor(h, 48, kTrue);
            PressedFaceColor = ShiftColor(FaceColor, -32, kTrue);
            CheckedFaceColor = ShiftColor(0xFFFFFF, -32, kTrue);
            break;
        case styleFlatOutline:
            PressedFaceColor = ShiftColor(0x808080, 12);
            CheckedFaceColor = ShiftColor(PressedFaceColor, 31);
            break;
        case styleRoundedShaded:
            FaceColor = ShiftColor(b, 31);
            HoverFaceColor = ShiftColor(h, 31);
            PressedFaceColor = ShiftColor(0x808080, -16);
            CheckedFaceColor = ShiftColor(0x808080, 16, kTrue);
            break;
        default:
            break;
        }
    } else if (SameKey(key, "Font")) {
        // Without a back buffer there is nothing to select into; resizing calls again.
        if (MemoryDC == nullptr) return;
        const forms::FontSpec& font = Font();
        LOGFONTA lf{};
        lf.lfHeight = -static_cast<LONG>(
            std::nearbyint(font.size * 20.0 / static_cast<double>(forms::TwipsPerPixelY())));
        lf.lfWeight = font.weight;
        lf.lfItalic = font.italic ? 1 : 0;
        lf.lfUnderline = font.underline ? 1 : 0;
        lf.lfStrikeOut = font.strikethrough ? 1 : 0;
        lf.lfCharSet = DEFAULT_CHARSET;
        std::strncpy(lf.lfFaceName, font.face.c_str(), LF_FACESIZE - 1);
        HFONT created = ::CreateFontIndirectA(&lf);
        if (created == nullptr) return;
        HGDIOBJ out = ::SelectObject(MemoryDC, created);
        if (out == nullptr || out == HGDI_ERROR) {
            ::DeleteObject(created);
            return;
        }
        if (SavedFont == nullptr) {
            SavedFont = static_cast<HFONT>(out);
        } else {
            ::DeleteObject(out);  // the previous caption font
        }
    } else if (SameKey(key, "Picture")) {
        if (Picture.IsNone()) {
            if (PictureCopy != nullptr) {
                ::DeleteObject(PictureCopy);
                PictureCopy = nullptr;
            }
            PictureWidth = 0;
            PictureHeight = 0;
            return;
        }
        BITMAP bm{};
        if (Picture.GetKind() == forms::Picture::Kind::Bitmap) {
            if (::GetObjectA(Picture.BitmapHandle(), sizeof bm, &bm) != 0) PictureIsIcon = 0;
        } else {
            ICONINFO info{};
            if (::GetIconInfo(Picture.IconHandle(), &info)) {
                if (info.hbmColor != nullptr) {
                    ::GetObjectA(info.hbmColor, sizeof bm, &bm);
                    PictureIsIcon = 1;
                }
                if (info.hbmColor != nullptr) ::DeleteObject(info.hbmColor);
                if (info.hbmMask != nullptr) ::DeleteObject(info.hbmMask);
            }
        }
        PictureWidth = bm.bmWidth;
        PictureHeight = bm.bmHeight;
    }
}

void Butt::DrawGradient(RgbColor Color1, RgbColor Color2) {
    const int w = ScaleWidthPixels();
    const int h = ScaleHeightPixels();
    RECT band{0, 0, w, h};
    const bool horizontal = GradientMode < gradTopToBottom;
    const int extent = horizontal ? w : h;
    int screen = horizontal ? screenWidthOverride : screenHeightOverride;
    if (screen <= 0) {
        screen = horizontal ? forms::ToInt32(forms::Screen::Width()) / forms::Screen::TwipsPerPixelX()
                            : forms::ToInt32(forms::Screen::Height()) / forms::Screen::TwipsPerPixelY();
    }
    // A zero extent paints nothing.
    if (extent <= 0) return;
    int bandWidth = 1;
    int count = extent;
    // A control spanning more than a quarter of the screen gets 2-pixel bands.
    if (screen / extent < 4) {
        count = extent / 2;
        bandWidth = 2;
    }
    if (count <= 0) return;
    std::vector<RgbColor> colors(static_cast<std::size_t>(count));
    BlendColors(colors, Color1, Color2);
    if (horizontal) {
        band.right = bandWidth;
    } else {
        band.bottom = bandWidth;
    }
    const bool odd = (GradientMode % 2) != 0;
    for (int k = 0; k < count; ++k) {
        const RgbColor entry = colors[static_cast<std::size_t>(odd ? k : count - 1 - k)];
        DrawRectangle(MemoryDC, band.left, band.top, band.right, band.bottom, entry, kNoColor);
        ::OffsetRect(&band, horizontal ? bandWidth : 0, horizontal ? 0 : bandWidth);
    }
}

}  // namespace button
