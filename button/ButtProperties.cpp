// Properties and their setter rules; DelayDrawing and Refresh.
#include "button/Butt.h"

namespace button {

namespace {

bool InRange(std::int32_t value, std::int32_t low, std::int32_t high) noexcept {
    return value >= low && value <= high;
}

// Hover colour locks: which hover colours follow the normal ones.
bool ForeFollows(std::int32_t lock) noexcept { return lock == lockBoth || lock == lockFore; }
bool BackFollows(std::int32_t lock) noexcept { return lock == lockBoth || lock == lockBack; }

}  // namespace

// The host's access keys from a caption: "&&" is a literal ampersand, a single "&" marks
// the character after it, and the last mark wins. Without a mark the keys stay as they
// were (nullopt).
std::optional<std::string> AccessKeyFromCaption(std::string_view caption) {
    std::optional<std::size_t> marked;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (i + 1 < caption.size() && caption[i + 1] == '&') {
            ++i;  // a pair stands for one ampersand
            continue;
        }
        marked = i;
    }
    if (!marked) return std::nullopt;
    if (*marked + 1 >= caption.size()) return std::string();
    return std::string(1, caption[*marked + 1]);
}

void Butt::SetButtonStyle(std::int32_t Style) {
    if (!InRange(Style, styleDoubleBevel, styleRoundedShaded)) return;
    const std::int32_t old = ButtonStyle;
    ButtonStyle = Style;
    if (((old == styleHotTrack || Style == styleHotTrack) && ButtonShape < shapeCustom) ||
        ButtonShape < shapeOval) {
        CreateButtonRegion();
    }
    CalcLayout(kFalse);
    SyncProp("BackColor");
    RedrawButton();
    Mark("BackStyle");
}

void Butt::SetMode(std::int32_t nMode) {
    if (!InRange(nMode, modeCommand, modeOption)) return;
    if (Mode == modeOption && nMode != modeOption) OptionToggle(-1);
    if (nMode == modeOption && Mode != modeOption) OptionToggle(1);
    if (nMode == modeCommand && Mode != modeCommand) SetValue(kFalse);
    Mode = nMode;
    RedrawButton();
    Mark("Mode");
}

void Butt::SetCaption(const std::string& sCaption) {
    if (auto keys = AccessKeyFromCaption(sCaption)) SetAccessKeys(*keys);
    Caption = sCaption;
    CalcLayout(kFalse);
    RedrawButton();
    Mark("Caption");
}

void Butt::SetCaptionAlign(std::int32_t nAlign) {
    if (!InRange(nAlign, alignLeft, alignCenter)) return;
    if (PictureWidth + PictureHeight > 0 &&
        (PictureAlign == imgTopCenter || PictureAlign == imgBottomCenter) &&
        nAlign != alignCenter) {
        DesignMessage("When button images are aligned top/bottom center, \r\n"
                      "button captions can only be center aligned");
        return;
    }
    CaptionAlign = nAlign;
    CalcLayout(kFalse);
    RedrawButton();
    Mark("CapAlign");
}

void Butt::SetCaptionStyle(std::int32_t nStyle) {
    if (!InRange(nStyle, ceFlat, ceEngraved)) return;
    CaptionStyle = nStyle;
    Mark("CapStyle");
    if (!Caption.empty()) {
        CalcLayout(kFalse);
        RedrawButton();
    }
}

void Butt::SetCustomClick(std::int32_t nOpt) {
    if (!InRange(nOpt, clickNone, clickLeft)) return;
    if (nOpt >= 1 && ButtonShape < shapeCustom) {
        DesignMessage("This property has no effect unless the Button Shape is a custom shape.");
    }
    CustomClick = nOpt;
    Mark("CustomClick");
}

void Butt::SetButtonShape(std::int32_t nShape) {
    if (!InRange(nShape, shapeRectangle, shapeCustomRing)) return;
    if (nShape >= shapeCustom) {
        if (Picture.IsNone() || PictureIsIcon == 1) {
            DesignMessage("The Picture Property must be assigned first and must be a bitmap or "
                          "JPEG.");
            return;
        }
        if (GetPictureSize() != sizeFit) {
            DelayDrawing(kTrue);
            SetPictureSize(sizeFit);  // still sees the old shape
            DrawingDelayed = kFalse;
        }
    }
    ButtonShape = nShape;
    CaptionAlign = alignCenter;  // not marked: a shaped caption is always centred
    UserControl_Resize();
    DelayDrawing(kFalse);
    Mark("Shape");
}

void Butt::SetPicture(const forms::Picture& xPic) {
    Picture = xPic;
    if (PictureSize == 0) PictureSize = 16;
    SyncProp("Picture");
    if (ButtonShape < shapeCustom) {
        CalcLayout(kTrue);
        RedrawButton();
    } else {
        if (Picture.IsNone()) {
            SetButtonShape(shapeRectangle);
        } else if (PictureIsIcon == 1) {
            SetButtonShape(shapeRectangle);
            DesignMessage("Icons cannot be used for custom buttons. Only use bitmaps or JPEGs.\r\n"
                          "Button was changed to Rectangular shaped.");
        }
        UserControl_Resize();
    }
    Mark("Image");
}

void Butt::SetPictureAlign(std::int32_t ImgAlign) {
    if (!InRange(ImgAlign, imgLeftEdge, imgBottomCenter)) return;
    PictureAlign = ImgAlign;
    if (ImgAlign == imgTopCenter || ImgAlign == imgBottomCenter) SetCaptionAlign(alignCenter);
    CalcLayout(kFalse);
    RedrawButton();
    Mark("ImgAlign");
}

VbBool Butt::GetEnabled() const { return Enabled(); }

void Butt::SetEnabled(VbBool bEnabled) {
    const bool enabled = bEnabled != 0;
    if (enabled == (Enabled() != kFalse)) return;
    UserControl::SetEnabled(forms::ToVbBool(enabled));
    if (ButtonStyle == styleFlatOutline && Mode == modeCommand && ButtonShape < shapeOval) {
        DelayDrawing(kTrue);
        CreateButtonRegion();
        CalcLayout(kFalse);
        DelayDrawing(kFalse);
    } else {
        RedrawButton();
    }
    Mark("Enabled");
}

void Butt::SetShowFocusRect(VbBool bShow) {
    ShowFocusRect = forms::ToVbBool(bShow != 0);
    if ((ButtonState & bsDefault) != 0) {
        if (!DesignMode()) {
            ButtonState = static_cast<std::int16_t>(ButtonState & ~bsDefault);
            RedrawButton();
        } else {
            DesignMessage("The focus rectangle may appear on default buttons ONLY while in design "
                          "mode, \r\nbut will not appear when the form is running.");
        }
    } else {
        RedrawButton();
    }
    Mark("Focus");
}

void Butt::SetValue(VbBool bValue) {
    const VbBool value = forms::ToVbBool(bValue != 0);
    if (value == kTrue && Mode == modeCommand) {
        DesignMessage("This property is not applicable for command button modes.");
        return;
    }
    Value = value;
    if (value == kTrue && Mode == modeOption) OptionToggle(0);
    RedrawButton();
    Mark("Value");
}

std::int32_t Butt::GetPictureSize() {
    if (PictureSize == 0) PictureSize = 16;
    return PictureSize / 8 - 2;
}

void Butt::SetPictureSize(std::int32_t nSize) {
    if (!InRange(nSize, size16, sizeFit)) return;
    if (ButtonShape == shapeCustom || ButtonShape == shapeCustomRing) {
        DesignMessage("The picture size cannot be changed for Shaped buttons");
        return;
    }
    PictureSize = static_cast<std::int16_t>((nSize + 2) * 8);
    CalcLayout(kTrue);
    RedrawButton();
    Mark("ImgSize");
}

std::int32_t Butt::GetMousePointer() const { return MousePointer(); }

void Butt::SetMousePointer(std::int32_t nPointer) {
    UserControl::SetMousePointer(forms::ToInt16(nPointer));  // overflow reaches the caller
    Mark("mPointer");
}

forms::Picture Butt::GetMouseIcon() const { return MouseIcon(); }

void Butt::SetMouseIcon(const forms::Picture& nIcon) {
    try {
        UserControl::SetMouseIcon(nIcon);
        if (!nIcon.IsNone()) {
            SetMousePointer(99);  // custom pointer
            Mark("mIcon");
        }
    } catch (const std::exception& error) {
        if (DesignMode()) DesignMessage(error.what(), "Select .ico Or .cur Files Only");
    }
}

forms::FontSpec Butt::GetFont() const { return Font(); }

void Butt::SetFont(const forms::FontSpec& nFont) {
    UserControl::SetFont(nFont);
    SyncProp("Font");
    CalcLayout(kFalse);
    RedrawButton();
    Mark("Font");
}

std::int32_t Butt::GetFontStyle() const {
    const forms::FontSpec font = Font();
    return (font.weight >= FW_BOLD ? fsBold : 0) + (font.italic ? fsItalic : 0) +
           (font.underline ? fsUnderline : 0);
}

void Butt::SetFontStyle(std::int32_t nStyle) {
    forms::FontSpec font = Font();
    font.weight = (nStyle & fsBold) != 0 ? FW_BOLD : FW_NORMAL;
    font.italic = (nStyle & fsItalic) != 0;
    font.underline = (nStyle & fsUnderline) != 0;
    UserControl::SetFont(font);
    SyncProp("Font");
    CalcLayout(kFalse);
    Mark("Font");
    RedrawButton();
}

OleColor Butt::GetForeColor() const { return ForeColor(); }

void Butt::SetForeColor(OleColor nColor) {
    if (nColor == ForeColor()) return;
    UserControl::SetForeColor(nColor);
    if (ForeFollows(HoverColorLocks)) SetHoverForeColor(nColor);
    DrawingDelayed = kFalse;
    RedrawButton();
    Mark("cFore");
}

void Butt::SetBackColor(OleColor nColor) {
    BackColor = nColor;
    if (BackFollows(HoverColorLocks)) {
        SetHoverBackColor(GradientMode != gradNone ? GradientColor : nColor);
    }
    SyncProp("BackColor");
    RedrawButton();
    Mark("cBack");
}

void Butt::SetGradientColor(OleColor nColor) {
    if (BackFollows(HoverColorLocks) && GradientMode > gradNone) HoverBackColor = nColor;
    GradientColor = nColor;
    SyncProp("BackColor");
    if (GradientMode != gradNone) RedrawButton();
    Mark("cGradient");
}

void Butt::SetGradientMode(std::int32_t nOpt) {
    if (!InRange(nOpt, gradNone, gradBottomToTop)) return;
    GradientMode = nOpt;
    if (BackFollows(HoverColorLocks)) {
        HoverBackColor = nOpt == gradNone ? BackColor : GradientColor;
        SyncProp("BackColor");
    }
    RedrawButton();
    Mark("Gradient");
}

void Butt::SetResetDefaultColors(VbBool nDefault) {
    if (nDefault == 0 || !DesignMode()) return;
    DelayDrawing(kTrue);
    BackColor = kSysButtonFace;
    SetForeColor(kSysButtonText);
    SetGradientColor(kSysButtonFace);
    SetGradientMode(gradNone);
    SetHoverColorLocks(lockBoth);
    SyncProp("BackColor");
    DelayDrawing(kFalse);
    Mark("cGradient");
    Mark("cBack");
}

void Butt::SetHoverColorLocks(std::int32_t nLock) {
    HoverColorLocks = nLock;
    if (BackFollows(nLock)) {
        HoverBackColor = GradientMode != gradNone ? GradientColor : BackColor;
        Mark("cBHover");
    }
    if (ForeFollows(nLock)) {
        HoverForeColor = ForeColor();
        Mark("cFHover");
    }
    SyncProp("BackColor");
    Mark("LockHover");
}

void Butt::SetHoverForeColor(OleColor nColor) {
    if (nColor == HoverForeColor) return;
    HoverForeColor = nColor;
    Mark("cFHover");
    if (nColor != ForeColor()) {
        if (HoverColorLocks == lockBoth) HoverColorLocks = lockBack;
        else if (HoverColorLocks == lockFore) HoverColorLocks = lockNone;
    }
}

void Butt::SetHoverBackColor(OleColor nColor) {
    if (nColor == HoverBackColor) return;
    HoverBackColor = nColor;
    if (nColor != BackColor) {
        if (HoverColorLocks == lockBoth) HoverColorLocks = lockFore;
        else if (HoverColorLocks == lockBack) HoverColorLocks = lockNone;
    }
    SyncProp("BackColor");
    Mark("cBHover");
}

void Butt::Refresh() {
    DrawingDelayed = kFalse;
    RedrawButton();
}

void Butt::DelayDrawing(VbBool bDelay) {
    DrawingDelayed = forms::ToVbBool(bDelay != 0);
    if (DrawingDelayed == kFalse) Refresh();
}

}  // namespace button
