// Where the caption and the picture go: the content band by shape, the caption measured
// with the caption font, both placed by their alignments and kept inside the button.
#include <string>

#include "button/Butt.h"
#include "button/ButtDraw.h"

namespace button {

namespace {

// Moves single edges of r back inside the content band; the bottom keeps 5 pixels clear,
// the other sides 4.
void KeepInside(RECT& r, std::int32_t left, std::int32_t right, std::int32_t height) noexcept {
    if (r.top < 4) r.top = 4;
    if (r.left < left + 4) r.left = left + 4;
    if (r.right > right - 4) r.right = right - 4;
    if (r.bottom > height - 5) r.bottom = height - 5;
}

}  // namespace

void Butt::CalcLayout(VbBool& RebuildImage) {
    const std::int32_t W = ScaleWidthPixels();
    const std::int32_t H = ScaleHeightPixels();

    // Content band: caption and picture may reach a third of the way into a slant and keep
    // 3 pixels clear of a custom outline.
    std::int32_t L = 0;
    std::int32_t R = W;
    std::int32_t S = RightSlantX;
    switch (ButtonShape) {
    case shapeLeftSlant:
        L = LeftSlantX - LeftSlantX / 3 + 3;
        S = W - L;
        break;
    case shapeRightSlant:
        R = RightSlantX + (W - RightSlantX) / 3;
        S = R;
        break;
    case shapeBothSlants:
        L = LeftSlantX - LeftSlantX / 3 + 3;
        R = RightSlantX + (W - RightSlantX) / 3;
        S = R - L;
        break;
    case shapeCustom:
    case shapeCustomRing:
        L = 3;
        R = RightSlantX - 3;
        S = RightSlantX - 3;
        break;
    default:
        break;
    }

    const bool hasPicture = PictureWidth + PictureHeight > 0;
    const std::int32_t PS = PictureSize;
    std::int32_t PL = 0, PR = 0, PT = 0, PB = 0;
    if (hasPicture && PS < 33) {
        switch (PictureAlign) {
        case imgLeftEdge:
        case imgLeftOfCaption: PL = PS; break;
        case imgRightEdge:
        case imgRightOfCaption: PR = PS; break;
        case imgTopCenter: PT = PS; break;
        case imgBottomCenter: PB = PS; break;
        default: break;
        }
    }

    RECT C{};
    const bool hasCaption = !Caption.empty();
    if (hasCaption) {
        const std::string text = CaptionDrawText(Caption);
        RECT M{0, 0, S - 8 - (PL > 0 || PR > 0 ? PS : 0), (H - 8) - (PT > 0 || PB > 0 ? PS : 0)};
        ::DrawTextA(MemoryDC, text.c_str(), static_cast<int>(text.size()), &M,
                    DT_CALCRECT | DT_WORDBREAK);
        C.right = M.right;
        C.bottom = M.bottom;
        // Room for the shaded copies of an embossed or engraved caption.
        if (CaptionStyle == ceEmbossed || CaptionStyle == ceEngraved) {
            C.right += 2;
            C.bottom += 2;
        }
    }
    const std::int32_t tw = C.right;
    const std::int32_t th = C.bottom;

    std::int32_t dx = 0;
    switch (CaptionAlign) {
    case alignLeft:
        dx = L + 4 + PL + (PL > 0 ? 4 : 0);
        break;
    case alignRight:
        dx = R - 4 - PR - tw - (PR > 0 ? 4 : 0);
        break;
    default:
        if (PL > 0 && PictureAlign == imgLeftOfCaption) {
            // Caption and picture centred together, 4 pixels apart.
            dx = L + (S - (tw + PL + 4)) / 2 + 4 + PL;
        } else if (PR > 0 && PictureAlign == imgRightOfCaption) {
            dx = L + (S - (tw + PR + 4)) / 2;
        } else {
            dx = L + PL + (S - PL - PR - tw) / 2;
        }
        break;
    }
    ::OffsetRect(&C, dx, 0);

    RECT P{};
    if (hasPicture) {
        std::int32_t X = 0;
        std::int32_t Y = 0;
        switch (PictureAlign) {
        case imgLeftEdge: X = L + 4; break;
        case imgLeftOfCaption: X = hasCaption ? C.left - 4 - PL : L + 4; break;
        case imgRightEdge: X = R - 4 - PR; break;
        case imgRightOfCaption: X = hasCaption ? C.right + 4 : R - 4 - PR; break;
        case imgTopCenter:
            Y = (H - (th + PT)) / 2;
            ::OffsetRect(&C, 0, Y + 2 + PT);
            break;
        case imgBottomCenter: {
            const std::int32_t Y0 = (H - (th + PB)) / 2;
            Y = Y0 + th + 4;
            ::OffsetRect(&C, 0, Y0 + 2);
            break;
        }
        default: break;
        }
        if (PictureAlign == imgTopCenter || PictureAlign == imgBottomCenter) {
            X = L + (S - PS) / 2;
        } else {
            ::OffsetRect(&C, 0, (H - th) / 2);
            Y = (H - PS) / 2;
        }
        ::SetRect(&P, X, Y, X + PS, Y + PS);
    } else {
        ::OffsetRect(&C, 0, (H - th) / 2);
    }

    KeepInside(C, L, R, H);
    CaptionRect = C;

    if (PS < 33) {
        KeepInside(P, L, R, H);
    } else if (PS == 40) {
        const std::int32_t inset = ButtonShape == shapeOvalRing ? 1 : 3;
        ::SetRect(&P, inset, inset, W - inset, H - inset);
        RebuildImage = kTrue;
    } else if (ButtonShape == shapeCustom || ButtonShape == shapeCustomRing) {
        ::SetRect(&P, 0, 0, W, H);
    } else if (hasPicture) {
        std::int32_t boxWidth = S - 12;
        std::int32_t boxHeight = H - 12;
        std::int32_t FW = 0;
        std::int32_t FH = 0;
        FitSizeToBox(boxWidth, boxHeight, FW, FH);
        P.left = L + (S - FW) / 2;
        P.top = (H - FH) / 2;
        P.right = P.left + FW;
        P.bottom = P.top + FH;
        RebuildImage = kTrue;
    }
    PictureRect = P;

    if (RebuildImage != kFalse) {
        std::int32_t copyWidth = P.right - P.left;
        std::int32_t copyHeight = P.bottom - P.top;
        HRGN noRegion = nullptr;
        CreatePictureRegion(copyWidth, copyHeight, noRegion);
    }
}

}  // namespace button
