// Stored settings: a new instance's first settings, loading, saving, and the designer's
// default look.
#include <string>

#include "button/Butt.h"

namespace button {

namespace {

std::string HandleText(HWND hwnd) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(hwnd));
}

}  // namespace

Butt::Butt(forms::ControlSite& site) : forms::UserControl(site) {}

Butt::~Butt() {
    // The host ends the control while its window exists; this covers a host that did not.
    try {
        UserControl_Terminate();
    } catch (...) {
    }
}

void Butt::Register() {
    forms::RegisterControlClass("Butt", [](forms::ControlSite& site) {
        return std::unique_ptr<forms::UserControl>(std::make_unique<Butt>(site));
    });
}

bool Butt::DesignMode() const { return !Ambient().UserMode; }

void Butt::DesignMessage(const std::string& text) const {
    if (DesignMode()) forms::MsgBox(text, forms::kMsgOkOnly | forms::kMsgInformation);
}

void Butt::DesignMessage(const std::string& text, const std::string& title) const {
    if (DesignMode()) forms::MsgBox(text, forms::kMsgOkOnly | forms::kMsgInformation, title);
}

void Butt::UserControl_InitProperties() {
    ContainerHandle = HandleText(ContainerHwnd());
    Caption = Ambient().DisplayName;
    CaptionAlign = alignCenter;
    ShowFocusRect = kTrue;
    HoverForeColor = kSysButtonText;
    HoverBackColor = kSysButtonFace;
    const forms::ParentProperties parent = Extender().Parent();
    if (!parent.IsMdiForm) UserControl::SetFont(parent.Font);
    AmbientBackColor = TranslateColor(Ambient().BackColor);
    BackColor = kSysButtonFace;
    SyncProp("BackColor");
    for (const char* key : {"Caption", "CapAlign", "Focus", "cFHover", "cBHover", "Font"}) {
        Mark(key);
    }
}

void Butt::UserControl_ReadProperties(const forms::PropertyBag& PropBag) {
    ContainerHandle = HandleText(ContainerHwnd());
    AmbientBackColor = TranslateColor(Ambient().BackColor);
    DelayDrawing(kTrue);

    // Straight into the fields, without the setters' rules; a read that fails ends loading
    // here and reaches the host.
    Caption = PropBag.ReadText("Caption", "");
    CaptionAlign = PropBag.ReadInt32("CapAlign", alignCenter);
    ButtonStyle = PropBag.ReadInt32("BackStyle", styleDoubleBevel);
    ButtonShape = PropBag.ReadInt32("Shape", shapeRectangle);
    GradientMode = PropBag.ReadInt32("Gradient", gradNone);
    GradientColor = PropBag.ReadColor("cGradient", kSysButtonFace);
    UserControl::SetForeColor(PropBag.ReadColor("cFore", kSysButtonText));
    // A bag without a font keeps the host's.
    UserControl::SetFont(PropBag.ReadFont("Font", Font()));
    ShowFocusRect = PropBag.ReadBool("Focus", kTrue);
    Mode = PropBag.ReadInt32("Mode", modeCommand);
    Value = PropBag.ReadBool("Value", kFalse);
    CustomClick = PropBag.ReadInt32("CustomClick", clickNone);
    Picture = PropBag.ReadPicture("Image");
    PictureSize = PropBag.ReadInt16("ImgSize", 16);
    PictureAlign = PropBag.ReadInt32("ImgAlign", imgLeftEdge);
    HoverForeColor = PropBag.ReadColor("cFHover", kSysButtonText);
    UserControl::SetEnabled(PropBag.ReadBool("Enabled", kTrue));
    BackColor = PropBag.ReadColor("cBack", Extender().Parent().BackColor);
    HoverBackColor = PropBag.ReadColor("cBHover", BackColor);
    HoverColorLocks = PropBag.ReadInt32("LockHover", lockBoth);
    CaptionStyle = PropBag.ReadInt32("CapStyle", ceFlat);
    SetMouseIcon(PropBag.ReadPicture("mIcon"));
    SetMousePointer(PropBag.ReadInt16("mPointer", 0));

    // From here on a failing step is skipped.
    forms::ResumeNext([&] { SyncProp("Picture"); });
    forms::ResumeNext([&] { SyncProp("BackColor"); });
    forms::ResumeNext([&] { SetCaption(Caption); });  // access key and layout
    if (Mode == modeOption) forms::ResumeNext([&] { OptionToggle(1); });
    DrawingDelayed = kFalse;
    forms::ResumeNext([&] { UserControl_Resize(); });
}

void Butt::UserControl_WriteProperties(forms::PropertyBag& PropBag) {
    PropBag.WriteText("Caption", Caption, std::string());
    PropBag.WriteInt32("CapAlign", CaptionAlign, alignCenter);
    PropBag.WriteInt32("BackStyle", ButtonStyle, styleDoubleBevel);
    PropBag.WriteInt32("Shape", ButtonShape, shapeRectangle);
    PropBag.WriteFont("Font", Font());
    PropBag.WriteColor("cFore", ForeColor(), kSysButtonText);
    PropBag.WriteColor("cFHover", HoverForeColor, kSysButtonText);
    PropBag.WriteColor("cBhover", HoverBackColor, BackColor);
    PropBag.WriteBool("Focus", ShowFocusRect, kTrue);
    PropBag.WriteInt32("LockHover", HoverColorLocks, lockBoth);
    PropBag.WriteColor("cGradient", GradientColor, kSysButtonFace);
    PropBag.WriteInt32("Gradient", GradientMode, gradNone);
    PropBag.WriteInt32("CapStyle", CaptionStyle, ceFlat);
    PropBag.WriteInt32("Mode", Mode);
    PropBag.WriteBool("Value", Value);
    PropBag.WriteInt32("CustomClick", CustomClick, clickNone);
    PropBag.WriteInt32("ImgAlign", PictureAlign, imgLeftEdge);
    PropBag.WritePicture("Image", Picture);
    PropBag.WriteInt16("ImgSize", PictureSize, std::int16_t{16});
    PropBag.WriteBool("Enabled", Enabled(), kTrue);
    PropBag.WriteColor("cBack", BackColor);
    PropBag.WriteInt16("mPointer", MousePointer(), std::int16_t{0});
    PropBag.WritePicture("mIcon", MouseIcon());
}

void Butt::UserControl_Show() {
    if (!DesignMode()) return;
    if (Ambient().DisplayAsDefault && ShowFocusRect == kTrue) {
        ButtonState = static_cast<std::int16_t>(ButtonState | bsDefault);
        RedrawButton();
    }
}

}  // namespace button
