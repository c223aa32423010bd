// The face of the button (clip choice, solid, row-shaded, hover or gradient fill) and its
// caption and picture.
#include <cmath>
#include <string>

#include "button/Butt.h"
#include "button/ButtDraw.h"
#include "forms/Handles.h"

namespace button {

void Butt::PrepareBackgroundClip(PaintFlag& Flag) {
    if (MoveOnCustomClick() != kFalse) {
        Flag = 0;
        return;
    }
    Flag = 1;
    const bool pressed = HasPressedLook(ButtonState);
    const bool valueTrue = Value == kTrue;
    if (ButtonStyle == styleHotTrack && HoverTimerOn == kFalse && !pressed && Value == kFalse) {
        ::SelectClipRgn(MemoryDC, nullptr);
        return;
    }
    const std::int32_t savedMode = GradientMode;
    ::SelectClipRgn(MemoryDC, nullptr);
    const bool ringShape = ButtonShape == shapeOvalRing || ButtonShape == shapeCustom;
    if (ButtonStyle == styleHotTrack && (valueTrue || !ringShape)) {
        GradientMode = gradTopToBottom;
        DrawGradient(kWhite, kGrey);
        ::SelectClipRgn(MemoryDC, InnerRegion2);
        Flag = 4;
    }
    if ((pressed || valueTrue) && !ringShape) {
        // Grey to white in the ring between the outline and the face.
        ::SelectClipRgn(MemoryDC, InnerRegion);
        GradientMode = gradTopToBottom;
        DrawGradient(kGrey, kWhite);
        ::SelectClipRgn(MemoryDC, InnerRegion2);
        Flag = 4;
    } else if (!ringShape) {
        ::SelectClipRgn(MemoryDC, InnerRegion);
        Flag = 3;
    } else if (ButtonShape == shapeCustom || HoverTimerOn != kFalse) {
        forms::OwnedRegion outline(::CreateRectRgn(0, 0, 0, 0));
        if (outline && ::GetWindowRgn(hWnd(), outline.Get()) != ERROR) {
            const RgbColor frame = ButtonShape == shapeOvalRing ? kBlack : TranslateColor(BackColor);
            forms::OwnedBrush brush(::CreateSolidBrush(static_cast<COLORREF>(frame)));
            ::FrameRgn(MemoryDC, outline.Get(), brush.Get(), 1, 1);
        }
        ::SelectClipRgn(MemoryDC, InnerRegion);
        Flag = 3;
    }
    GradientMode = savedMode;
}

void Butt::DrawBackground(RgbColor& FillColor, VisualState& State, PaintFlag& Flag,
                          RgbColor& GradientEndColor, RgbColor& HoverFillColor) {
    PrepareBackgroundClip(Flag);
    if (Flag == 0) return;
    const bool pressed = HasPressedLook(ButtonState);
    State = pressed ? 2 : ((ButtonState & bsDefault) != 0 ? 1 : 0);
    if (HoverFillColor < 0) HoverFillColor = FillColor;
    const bool hovering = HoverTimerOn != kFalse;
    const RgbColor face =
        hovering && ((Mode == modeCommand && !pressed) || (Mode > modeCommand && Value == kFalse))
            ? HoverFillColor
            : FillColor;
    const std::int32_t W = ScaleWidthPixels();
    const std::int32_t H = ScaleHeightPixels();

    if (GradientMode != gradNone && Value == kFalse && ButtonShape < shapeCustom) {
        if (hovering && !pressed && GradientColor != HoverBackColor) {
            DrawRectangle(MemoryDC, 0, 0, W, H, HoverFillColor, kNoColor, 0, 0);
        } else {
            if (GradientEndColor < 0) GradientEndColor = FillColor;
            DrawGradient(FillColor, GradientEndColor);
        }
        return;
    }
    if ((Enabled() != kFalse || Mode > modeCommand) && ButtonStyle == styleRounded) {
        // Darkens by 25 steps from the top row to one row below the control. The offset is
        // 25 * i / H taken exactly, so that a half (row 12 of 24) goes to the even step.
        if (H > 0) {
            for (std::int32_t i = 0; i <= H; ++i) {
                const double offset = std::nearbyint(25.0 * static_cast<double>(i) / H);
                const RgbColor shade =
                    ShiftColor(face, static_cast<std::int16_t>(-offset), kTrue, kFalse, kFalse);
                DrawRectangle(MemoryDC, 0, i, W, i + 1, shade, kNoColor, 0, 0);
            }
        }
        return;
    }
    DrawRectangle(MemoryDC, 0, 0, W, H, face, kNoColor, 0, 0);
}

void Butt::DrawCaptionAndPicture(RgbColor& FillColor, RgbColor& CaptionColor, VbBool& ShowDown,
                                 VbBool& PlainDisabled) {
    RECT R = CaptionRect;
    RECT P = PictureRect;
    if ((ShowDown != kFalse || HasPressedLook(ButtonState)) && ButtonStyle != styleFlatOutline) {
        const int dx = ButtonShape < shapeOval ? 1 : 0;
        ::OffsetRect(&R, dx, 1);
        ::OffsetRect(&P, dx, 1);
    }
    if (!(Value == kTrue && ButtonShape >= shapeCustom)) DrawPicture(P);

    if (Caption.empty()) return;
    // Shapes 5 to 8 show their caption only while set.
    if (ButtonShape > shapeOval && Value == kFalse) return;

    const std::string text = CaptionDrawText(Caption);
    static constexpr UINT kAlignFormat[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    const UINT format =
        (CaptionAlign >= 0 && CaptionAlign <= 2 ? kAlignFormat[CaptionAlign] : DT_LEFT) |
        DT_WORDBREAK;
    auto draw = [&](RgbColor color) {
        SetDrawTool(kTrue, MemoryDC, 2, color);
        ::DrawTextA(MemoryDC, text.c_str(), static_cast<int>(text.size()), &R, format);
    };

    if (Enabled() == kFalse) {
        if (CaptionColor >= 0 && GradientMode == gradNone) {
            draw(CaptionColor);
            if (PlainDisabled == kFalse) {
                ::OffsetRect(&R, -1, -1);
                draw(kGrey);
            }
        } else {
            // A white copy 1 pixel right of and below a grey one.
            ::OffsetRect(&R, 1, 1);
            PlainDisabled = kFalse;
            draw(kWhite);
            ::OffsetRect(&R, -1, -1);
            draw(kGrey);
        }
        return;
    }

    RgbColor K = 0;
    if (HoverTimerOn != kFalse && !HasPressedLook(ButtonState)) {
        K = TranslateColor(HoverForeColor);
    } else if (GradientMode != gradNone && Value == kFalse) {
        K = TranslateColor(ForeColor());
    } else if (ButtonStyle == styleRoundedShaded) {
        K = CaptionColor;
    } else {
        K = TranslateColor(ForeColor());
    }
    if (CaptionStyle != ceEmbossed && CaptionStyle != ceEngraved) {
        draw(K);
        return;
    }
    const std::int16_t D = CaptionStyle == ceEmbossed ? -40 : 40;
    const RgbColor A = ShiftColor(FillColor, D);
    const RgbColor B = ShiftColor(FillColor, static_cast<std::int16_t>(-D));
    ::OffsetRect(&R, -1, 0);
    draw(A);
    ::OffsetRect(&R, 2, 2);
    draw(B);
    ::OffsetRect(&R, -1, -1);
    draw(K);
}

}  // namespace button
