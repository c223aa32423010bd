// The three rings of edge lines of rectangular and slanted buttons, and the focus mark.
#include "button/Butt.h"
#include "button/ButtDraw.h"

namespace button {

namespace {

void Line(HDC dc, const POINT& from, const POINT& to) noexcept {
    const POINT pts[2] = {from, to};
    ::Polyline(dc, pts, 2);
}

}  // namespace

void Butt::DrawBorderLines(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                           std::int32_t& OuterPenStyle) {
    (void)State;
    const bool slanted = ButtonShape >= shapeLeftSlant && ButtonShape <= shapeBothSlants;
    const std::int32_t L = slanted && ButtonShape != shapeRightSlant ? 1 : 0;
    const std::int32_t R = slanted && ButtonShape != shapeLeftSlant ? 1 : 0;
    const std::int32_t SL = LeftSlantX;
    const std::int32_t SR = RightSlantX;
    const std::int32_t W = ScaleWidthPixels();
    const std::int32_t H = ScaleHeightPixels();
    auto& p = Points;

    p[0] = {SL + 2 - 4 * L, H - 3};
    p[1] = {2 + 2 * L, 2};
    p[2] = {SR - 3 + 3 * R, 2};
    p[3] = {W - 3 - 3 * R, H - 3};
    p[4] = {SL + 1 - 4 * L, H - 3};
    p[5] = {p[0].x + L - 1, p[0].y + 1};
    p[6] = {p[1].x - L - 1, p[1].y - 1};
    p[7] = {p[2].x + 1 - R, p[2].y - 1};
    p[8] = {p[3].x + R + 1, p[3].y + 1};
    p[9] = {p[4].x - 1, p[4].y + 1};
    p[10] = {SL - L, H - 1 + L};
    p[11] = {0, 0};
    p[12] = {SR - 1 + R, 0};
    p[13] = {W - 1, H - 1 + R};
    p[14] = {SL - 1 - 2 * L, H - 1};

    RgbColor lastColor = kNoColor;
    std::int32_t penStyle = PS_SOLID;
    for (int ring = 0; ring < 3; ++ring) {
        if (ring == 2 && OuterPenStyle > -1) penStyle = OuterPenStyle;
        for (int side = 0; side < 4; ++side) {
            const RgbColor color = Colors(ring * 4 + side + 1);
            if (color < 0) continue;
            // Sides of one colour in a row share one pen.
            if (color != lastColor) SetDrawTool(kTrue, MemoryDC, 1, color, kFalse, 1, 0, penStyle);
            const std::size_t from = static_cast<std::size_t>(ring * 5 + side);
            Line(MemoryDC, p[from], p[from + 1]);
            lastColor = color;
        }
    }
    // The bottom row once more, in whatever pen is current; for right slants the outer
    // ring's bottom starts one row below the control.
    p[15] = {W - 1, H - 1};
    if (W != R) Line(MemoryDC, p[14], p[15]);
}

void Butt::DrawFocusRectangle(RgbColor& OutlineColor, VbBool& Solid, VbBool& ForCaption,
                              EdgePoints& Points) {
    if ((ButtonState & bsDefault) == 0) return;
    if (ButtonShape == shapeCustom || ButtonShape == shapeCustomRing) return;
    const bool oval = ButtonShape >= shapeOval && ButtonShape <= shapeOvalRing;
    if (oval) {
        if (ButtonStyle == styleRounded) return;
        ForCaption = kTrue;
    }
    const std::int32_t SL = LeftSlantX;
    const std::int32_t SR = RightSlantX;
    const std::int32_t W = ScaleWidthPixels();
    const std::int32_t H = ScaleHeightPixels();
    auto& p = Points;

    if (ButtonShape >= shapeLeftSlant && ButtonShape <= shapeBothSlants) {
        const std::int32_t a = SL != 0 ? 1 : 0;
        const std::int32_t b = W > SR ? 1 : 0;
        p[0] = {SL + 4 - 6 * a, H - 5};
        p[1] = {4 + 4 * a, 4};
        p[2] = {SR - 5 + 4 * b, 4};
        p[3] = {W - 5 - 6 * b, H - 5};
        p[4] = {SL + 3 - 4 * a, H - 5};
        // A pen cannot take "no colour": the slanted outline is drawn black then, as the
        // other shapes' outline is.
        SetDrawTool(kTrue, MemoryDC, 1, OutlineColor < 0 ? kBlack : OutlineColor, kFalse, 1, 0,
                    PS_SOLID);
        ::Polyline(MemoryDC, p.data(), 5);
        return;
    }

    if (OutlineColor < 0) OutlineColor = kBlack;
    SetDrawTool(kTrue, MemoryDC, 1, OutlineColor, kFalse, 1, 0, PS_SOLID);

    if (ForCaption != kTrue) {
        RECT r{};
        ::SetRect(&r, 0, 0, SR - SL - 8, H - 8);
        ::OffsetRect(&r, SL + 4, 4);
        if (Solid == kFalse) {
            ::DrawFocusRect(MemoryDC, &r);
        } else {
            SetDrawTool(kTrue, MemoryDC, 1, OutlineColor, kFalse, 1, 0, PS_SOLID);
            p[0] = {r.left, r.bottom};
            p[1] = {r.left, r.top};
            p[2] = {r.right, r.top};
            p[3] = {r.right, r.bottom};
            p[4] = {r.left, r.bottom};
            ::Polyline(MemoryDC, p.data(), 5);
        }
        return;
    }

    RECT r = CaptionRect;
    if (Caption.empty()) {
        r = PictureRect;
        if (r.bottom > H - 4) r.bottom = H - 4;
        if (r.right > W - 4) r.right = W - 4;
    }
    const std::int32_t d =
        (CaptionRect.right >= SR - 4 || CaptionRect.left <= SL + 4) ? 1 : 2;
    const std::int32_t press = ButtonStyle != styleFlatOutline &&
                                       (Value == kTrue || HasPressedLook(ButtonState))
                                   ? 1
                                   : 0;
    const std::int32_t q = ButtonShape == shapeRectangle ? press : 0;
    ::OffsetRect(&r, q - d, press - d);
    r.right += 2 * d + q;
    r.bottom += 2 * d + press;
    if (Solid == kFalse) {
        ::DrawFocusRect(MemoryDC, &r);
    } else {
        p[0] = {r.left, r.top};
        p[1] = {r.right - 1, r.top};
        p[2] = {r.right - 1, r.bottom - 1};
        p[3] = {r.left, r.bottom - 1};
        p[4] = {r.left, r.top};
        ::Polyline(MemoryDC, p.data(), 5);
    }
}

}  // namespace button
