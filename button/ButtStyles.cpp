// The eight looks of the button. Each painter fills the face, draws caption and picture,
// chooses the twelve edge colours and has the rings drawn (rectangle and slanted shapes
// only), sets its corner pixels and asks for the focus mark.
#include "button/Butt.h"
#include "button/ButtDraw.h"

namespace button {

namespace {

constexpr RgbColor kEdgeFace = 0xE9E9E9;       // light face edge of the double bevel
constexpr RgbColor kLightBevel = 0xE7E7E7;     // Shift(&HDFDFDF, +8)
constexpr RgbColor kFlatDark = 0x666666;       // Shift(&H808080, -26)
constexpr RgbColor kFlatDisabled = 0x707070;   // Shift(&H808080, -16)
constexpr RgbColor kFlatFocus = 0xCC9999;      // lilac focus outline of the flat look
constexpr RgbColor kRoundedBorder = 0x733C00;  // dark blue border of the rounded look
constexpr RgbColor kRoundedDefaultFrame = 0xEF826B;
constexpr RgbColor kRoundedHoverFrame = 0x0096E7;

bool CheckedLook(const Butt& b) noexcept {
    return (b.ButtonHeld != kFalse && b.Mode > modeCommand) || b.Value == kTrue;
}

// The face unless a style says otherwise: the checked face for a set check box or option.
RgbColor UsualFace(const Butt& b) noexcept {
    return b.Mode != modeCommand && b.Value != kFalse ? b.CheckedFaceColor : b.FaceColor;
}

// The caption colour unless a style says otherwise; -1 lets the caption step choose.
RgbColor UsualCaption(const Butt& b) {
    return b.GetEnabled() == kFalse && b.Mode > modeCommand ? kGrey : kNoColor;
}

// Flat and shaded looks show a command button's own pressed face.
RgbColor CommandFace(const Butt& b) noexcept {
    if (b.Mode != modeCommand) return UsualFace(b);
    return HasPressedLook(b.ButtonState) ? b.PressedFaceColor : b.FaceColor;
}

// The face fill. False when the paint was cancelled (the CustomClick nudge moved the
// window): the painter stops there.
bool FillFace(Butt& b, RgbColor face, RgbColor gradientEnd, VisualState& state,
              PaintFlag& flag) {
    b.DrawBackground(face, state, flag, gradientEnd, b.HoverFaceColor);
    return flag != 0;
}

// Most looks shade a gradient face towards GradientColor itself.
bool FillFace(Butt& b, RgbColor face, VisualState& state, PaintFlag& flag) {
    return FillFace(b, face, Butt::TranslateColor(b.GradientColor), state, flag);
}

// Caption and picture over the face. shiftDown moves them as a press does; plainDisabled
// leaves the grey copy off a disabled caption drawn in its own colour.
void DrawCaption(Butt& b, RgbColor face, RgbColor caption, VbBool shiftDown,
                 VbBool plainDisabled) {
    b.DrawCaptionAndPicture(face, caption, shiftDown, plainDisabled);
}

// Most looks: shifted down while set; check boxes and options keep a disabled caption plain.
void DrawUsualCaption(Butt& b, RgbColor face, RgbColor caption) {
    DrawCaption(b, face, caption, forms::ToVbBool(b.Value == kTrue),
                forms::ToVbBool(b.Mode > modeCommand));
}

// The usual first steps: the face, then caption and picture the usual way. False when the
// paint was cancelled.
bool FillFaceAndCaption(Butt& b, RgbColor face, VisualState& state, PaintFlag& flag) {
    if (!FillFace(b, face, state, flag)) return false;
    DrawUsualCaption(b, face, UsualCaption(b));
    return true;
}

// Ring 1 inner, 2 middle, 3 outer: left and top get lt, right and bottom rb.
void SetRing(EdgeColors& colors, int ring, RgbColor lt, RgbColor rb) {
    const int first = 4 * (ring - 1) + 1;
    colors(first) = lt;
    colors(first + 1) = lt;
    colors(first + 2) = rb;
    colors(first + 3) = rb;
}

// A ring lit from the top left while raised, from the bottom right while sunk.
void SetBevelRing(EdgeColors& colors, int ring, bool raised, RgbColor light, RgbColor dark) {
    SetRing(colors, ring, raised ? light : dark, raised ? dark : light);
}

// A -1 outer style draws the outer ring in the solid pen of the others.
void DrawRings(Butt& b, EdgePoints& points, EdgeColors& colors, VisualState& state,
               std::int32_t outerStyle = -1) {
    b.DrawBorderLines(points, colors, state, outerStyle);
}

// Checked shows sunk (2); anything else short of pressed shows raised (1).
VisualState RaisedOrSunk(const Butt& b, VisualState state) noexcept {
    if (CheckedLook(b)) return 2;
    return state < 2 ? VisualState{1} : state;
}

// The bevel looks' focus outline on rectangles and slants: black while checked, a dark
// shade of the face on a slant; else, and on the other shapes, the usual caption colour.
RgbColor BevelFocusOutline(const Butt& b, RgbColor face) {
    if (b.ButtonShape >= shapeOval) return UsualCaption(b);
    if (CheckedLook(b)) return kBlack;
    return b.ButtonShape > shapeRectangle ? Butt::ShiftColor(face, -48) : UsualCaption(b);
}

void CornerPixel(const Butt& b, std::int32_t x, std::int32_t y, RgbColor color) noexcept {
    ::SetPixel(b.MemoryDC, x, y, static_cast<COLORREF>(color));
}

// Rectangles, slants and resting oval rings are shown without a frame; the others start
// the region frame from black.
void ClosingRule(const Butt& b, EdgeColors& colors, PaintFlag& flag) {
    if (b.ButtonShape < shapeOvalRing ||
        (b.ButtonShape == shapeOvalRing && b.HoverTimerOn != kTrue &&
         !HasPressedLook(b.ButtonState))) {
        flag = 1;
    } else {
        colors(12) = kBlack;
    }
}

// The closing rule, then the focus mark.
void FinishLook(Butt& b, EdgePoints& points, EdgeColors& colors, PaintFlag& flag,
                RgbColor outline, VbBool solid, VbBool aroundCaption) {
    ClosingRule(b, colors, flag);
    b.DrawFocusRectangle(outline, solid, aroundCaption, points);
}

}  // namespace

void Butt::DrawButtonStyle0(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                            PaintFlag& Flag) {
    const RgbColor F = UsualFace(*this);
    if (!FillFaceAndCaption(*this, F, State, Flag)) return;
    if (ButtonShape < shapeOval) {
        const bool checked = CheckedLook(*this);
        RgbColor E = HasPressedLook(ButtonState) ? F : kEdgeFace;
        if (checked) {
            State = 3;
            E = kEdgeFace;
        }
        //                                normal    default  pressed   checked
        const RgbColor innerLT[4] = {kNoColor, E, kNoColor, kNoColor};
        const RgbColor innerRB[4] = {kNoColor, kGrey, kNoColor, kNoColor};
        const RgbColor middleLT[4] = {E, kWhite, kNoColor, kNoColor};
        const RgbColor middleRB[4] = {kGrey, kBlack, kGrey, E};
        const auto s = static_cast<std::size_t>(State);
        SetRing(Colors, 1, innerLT[s], innerRB[s]);
        SetRing(Colors, 2, middleLT[s], middleRB[s]);
        if (checked) {
            SetRing(Colors, 3, kBlack, kWhite);
        } else {
            SetRing(Colors, 3, (ButtonState & bsDefault) != 0 ? kBlack : kWhite, kBlack);
        }
        DrawRings(*this, Points, Colors, State);
    }
    FinishLook(*this, Points, Colors, Flag, BevelFocusOutline(*this, F), Value, kFalse);
}

// Styles 1 and 4 share their face, caption and state; they differ in their rings.
void Butt::DrawButtonStyle1(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                            PaintFlag& Flag) {
    const RgbColor F = UsualFace(*this);
    if (!FillFaceAndCaption(*this, F, State, Flag)) return;
    if (ButtonShape < shapeOval) {
        State = RaisedOrSunk(*this, State);
        SetBevelRing(Colors, 1, State == 1, kWhite, kGrey);
        SetBevelRing(Colors, 2, State == 1, kWhite, kGrey);
        SetRing(Colors, 3, kBlack, kBlack);
        DrawRings(*this, Points, Colors, State);
    }
    FinishLook(*this, Points, Colors, Flag, BevelFocusOutline(*this, F), Value, kFalse);
}

void Butt::DrawButtonStyle4(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                            PaintFlag& Flag) {
    const RgbColor F = UsualFace(*this);
    if (!FillFaceAndCaption(*this, F, State, Flag)) return;
    if (ButtonShape < shapeOval) {
        State = RaisedOrSunk(*this, State);
        SetRing(Colors, 1, kNoColor, kNoColor);
        SetRing(Colors, 2, kNoColor, kNoColor);
        SetBevelRing(Colors, 3, State == 1, kWhite, kGrey);
        DrawRings(*this, Points, Colors, State);
    }
    FinishLook(*this, Points, Colors, Flag, BevelFocusOutline(*this, F), Value, kFalse);
}

void Butt::DrawButtonStyle6(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                            PaintFlag& Flag) {
    const RgbColor F = UsualFace(*this);
    if (!FillFaceAndCaption(*this, F, State, Flag)) return;
    if (ButtonShape < shapeOval) {
        // The default look has no colours of its own here.
        State = CheckedLook(*this) || HasPressedLook(ButtonState) ? 1 : 0;
        SetRing(Colors, 1, kNoColor, kNoColor);
        SetBevelRing(Colors, 2, State == 0, kLightBevel, kGrey);
        SetBevelRing(Colors, 3, State == 0, kLightBevel, kGrey);
        DrawRings(*this, Points, Colors, State);
    }
    FinishLook(*this, Points, Colors, Flag, BevelFocusOutline(*this, F), Value, kFalse);
}

void Butt::DrawButtonStyle3(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                            PaintFlag& Flag) {
    const RgbColor F = CommandFace(*this);
    if (!FillFace(*this, F, State, Flag)) return;
    const bool enabled = GetEnabled() != kFalse;
    // A grey caption that stays in place when pressed.
    DrawCaption(*this, F, enabled ? kGrey : kFlatDisabled, kFalse, kTrue);
    if (ButtonShape < shapeOval) {
        if (!enabled && Mode == modeCommand) {
            SetRing(Colors, 1, F, F);
            SetRing(Colors, 2, F, F);
            SetRing(Colors, 3, kFlatDark, kFlatDark);
        } else {
            if (Mode > modeCommand) State = Value == kFalse && ButtonHeld == kFalse ? 3 : 2;
            if (State < 2) State = 1;
            SetRing(Colors, 1, kNoColor, kNoColor);
            SetRing(Colors, 2, State == 2 ? F : kWhite, kFlatDark);
            SetRing(Colors, 3, kFlatDark, kWhite);
        }
        DrawRings(*this, Points, Colors, State);
    }
    FinishLook(*this, Points, Colors, Flag, kFlatFocus, kTrue, kTrue);
}

void Butt::DrawButtonStyle5(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                            PaintFlag& Flag) {
    const RgbColor F = UsualFace(*this);
    if (!FillFaceAndCaption(*this, F, State, Flag)) return;
    const bool designing = !Ambient().UserMode;
    if (ButtonShape >= shapeOval && ButtonShape <= shapeOvalRing && designing) {
        // The designer sees where an idle oval lies.
        ::SelectClipRgn(MemoryDC, nullptr);
        SetDrawTool(kTrue, MemoryDC, 1, ShiftColor(AmbientBackColor, -32), kFalse, 1, 0, PS_DOT);
        ::Arc(MemoryDC, 0, 0, ScaleWidthPixels() - 1, ScaleHeightPixels() - 1, 0, 0, 0, 0);
        ::SelectClipRgn(MemoryDC, InnerRegion);
    }
    if (ButtonShape < shapeOval) {
        SetRing(Colors, 1, kNoColor, kNoColor);
        SetRing(Colors, 2, kNoColor, kNoColor);
        if ((ButtonState & bsHover) == 0 && Value != kTrue) {
            RgbColor O = kNoColor;  // at run time an idle button has no edge at all
            if (designing) {
                O = ShiftColor(AmbientBackColor, -64);
                if (O == kBlack) O = kWhite;
            }
            SetRing(Colors, 3, O, O);
        } else {
            State = RaisedOrSunk(*this, State);
            SetBevelRing(Colors, 3, State == 1, kWhite, kGrey);
        }
        DrawRings(*this, Points, Colors, State, designing ? PS_DOT : PS_SOLID);
    }
    const RgbColor D = F == FaceColor && ButtonShape > shapeRectangle
                           ? ShiftColor(AmbientBackColor, -32)
                           : kBlack;
    FinishLook(*this, Points, Colors, Flag, D, Value, kFalse);
}

void Butt::DrawButtonStyle7(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                            PaintFlag& Flag) {
    const bool pressed = HasPressedLook(ButtonState);
    RgbColor F = CommandFace(*this);
    RgbColor G2 = F;
    if (GradientMode != gradNone && Value == kFalse) {
        G2 = ShiftColor(TranslateColor(GradientColor), 31);
        if (pressed) F = FaceColor;
    }
    if (!FillFace(*this, F, G2, State, Flag)) return;

    const bool enabled = GetEnabled() != kFalse;
    RgbColor C = kNoColor;
    if ((pressed && Mode == modeCommand) || Value == kTrue) {
        C = enabled || Value != kTrue ? FaceColor : ShiftColor(F, -32, kTrue);
    } else if (enabled) {
        C = TranslateColor(GetForeColor());
    } else if (Mode > modeCommand) {
        C = kGrey;
    }
    // With the swap a hovered caption shows C instead of the hover colour; the field is
    // back at its value right after.
    const bool swap = GetForeColor() == HoverForeColor || Value == kTrue;
    const OleColor keptHoverFore = HoverForeColor;
    if (swap) HoverForeColor = static_cast<OleColor>(C);
    DrawUsualCaption(*this, F, C);
    if (swap) HoverForeColor = keptHoverFore;

    if (ButtonShape < shapeOval) {
        // A check box held down but not yet set shows the normal look.
        if (CheckedLook(*this)) State = Value == kTrue ? 2 : 0;
        RgbColor Wt = kWhite;
        RgbColor M = F;
        RgbColor Lt = ShiftColor(F, 31, kTrue);
        RgbColor Sh = ShiftColor(F, -64, kTrue);
        if (State == 2) {
            const RgbColor P = GradientMode == gradNone ? kGrey : FaceColor;
            M = P;
            Wt = ShiftColor(P, -32);
            Lt = ShiftColor(P, -64);
            Sh = ShiftColor(P, -16);
        }
        SetRing(Colors, 1, Wt, M);
        SetRing(Colors, 2, Lt, Sh);
        SetRing(Colors, 3, kBlack, kBlack);
        DrawRings(*this, Points, Colors, State);
        const std::int32_t W = ScaleWidthPixels();
        const std::int32_t H = ScaleHeightPixels();
        if (LeftSlantX == 0) {
            CornerPixel(*this, 3, 3, Wt);
            CornerPixel(*this, 1, H - 3, M);
            CornerPixel(*this, 2, 2, Lt);
            CornerPixel(*this, 1, H - 2, kBlack);
            CornerPixel(*this, 1, 1, kBlack);
        }
        if (RightSlantX == W) {
            CornerPixel(*this, W - 4, H - 4, M);
            CornerPixel(*this, W - 3, 1, M);
            CornerPixel(*this, W - 3, H - 3, Sh);
            CornerPixel(*this, W - 2, H - 2, kBlack);
            CornerPixel(*this, W - 2, 1, kBlack);
        }
    }
    // The focus outline takes a dark shade, as the bevel styles' does: of the face on a
    // shaped command button, a dark grey on a set check box or option, else black.
    RgbColor outline = kBlack;
    if (Mode == modeCommand && ButtonShape > shapeRectangle) {
        outline = ShiftColor(F, -64);
    } else if (Mode > modeCommand && Value != kFalse) {
        outline = ShiftColor(kGrey, -32);
    }
    FinishLook(*this, Points, Colors, Flag, outline, Value, kTrue);
}

void Butt::DrawButtonStyle2(EdgePoints& Points, EdgeColors& Colors, VisualState& State,
                            PaintFlag& Flag) {
    const bool pressed = HasPressedLook(ButtonState);
    const bool enabled = GetEnabled() != kFalse;
    const RgbColor B0 = Mode > modeCommand && Value != kFalse ? CheckedFaceColor : FaceColor;
    RgbColor F = B0;
    if (Mode == modeCommand) {
        if (pressed && GradientMode == gradNone) {
            F = PressedFaceColor;
        } else if (!enabled) {
            F = ShiftColor(B0, -24, kTrue);
        }
    }
    // Custom shapes have a solid face.
    RgbColor G2 = kBlack;
    if (ButtonShape < shapeCustom) {
        G2 = GradientMode != gradNone ? ShiftColor(TranslateColor(GradientColor), 48, kTrue) : F;
    }
    if (!FillFace(*this, F, G2, State, Flag)) return;
    const RgbColor C = enabled ? kBlack : ShiftColor(F, -104, kTrue);
    DrawCaption(*this, F, C, forms::ToVbBool(Value == kTrue), kTrue);

    if (ButtonShape >= shapeOval) {
        // No edges on ovals and custom shapes: the region frame shows the default (blue)
        // or hover (orange) look.
        if ((ButtonState & bsDefault) != 0 && HoverTimerOn == kFalse) {
            Colors(12) = kRoundedDefaultFrame;
        } else if (HoverTimerOn == kTrue) {
            Colors(12) = kRoundedHoverFrame;
        } else {
            Flag = 1;
        }
        return;
    }

    RgbColor border = kRoundedBorder;
    if (!enabled) {
        for (int k = 1; k <= 8; ++k) Colors(k) = kNoColor;
        border = ShiftColor(B0, -84, kTrue);
    } else {
        if (CheckedLook(*this)) State = (ButtonState & bsDefault) != 0 ? 1 : 2;
        if ((ButtonState & bsHover) != 0 && (ButtonState & bsPressed) == 0) {
            State = 3;
        } else if (State == 1 && ShowFocusRect == kFalse) {
            State = 0;
        }
        // Columns: normal and pressed are shades of B0, default (blue) and hover (orange)
        // fixed sets.
        struct Slot {
            std::int16_t normal;
            RgbColor defaultLook;
            std::int16_t pressed;  // 0: B0 itself
            RgbColor hover;
        };
        static constexpr Slot kSlots[8] = {
            {-10, 0xF0D1B5, -22, 0x6BCBFF}, {10, 0xF7D7BD, -24, 0x8CDBFF},
            {-24, 0xF0D1B5, 0, 0x6BCBFF},   {-32, 0xE7AE8C, 10, 0x31B2FF},
            {-5, 0xE7AE8C, -32, 0x31B2FF},  {16, 0xFFDFBF, -32, 0xA6E9FF},
            {-36, 0xE7AE8C, 5, 0x31B2FF},   {-48, 0xEF826B, 16, 0x0096E7},
        };
        for (int k = 1; k <= 8; ++k) {
            const Slot& slot = kSlots[k - 1];
            switch (State) {
            case 0: Colors(k) = ShiftColor(B0, slot.normal, kTrue); break;
            case 1: Colors(k) = slot.defaultLook; break;
            case 2:
                Colors(k) = slot.pressed == 0 ? B0 : ShiftColor(B0, slot.pressed, kTrue);
                break;
            default: Colors(k) = slot.hover; break;
            }
        }
    }
    SetRing(Colors, 3, border, border);
    DrawRings(*this, Points, Colors, State);
    const std::int32_t W = ScaleWidthPixels();
    const std::int32_t H = ScaleHeightPixels();
    if (LeftSlantX == 0) {
        CornerPixel(*this, 1, H - 2, border);
        CornerPixel(*this, 1, 1, border);
    }
    if (RightSlantX == W) {
        CornerPixel(*this, W - 2, H - 2, border);
        CornerPixel(*this, W - 2, 1, border);
    }
}

}  // namespace button
