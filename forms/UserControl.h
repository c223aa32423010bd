// The base class of a hosted custom control.
//
// A control class derives from UserControl, takes the ControlSite in its constructor and
// registers a factory under its class name (RegisterControlClass). The site makes the
// instance, then creates the instance's window, then calls the notifications below; the
// instance reaches its host only through the members of this class.
//
// Order of notifications:
//   stored instance:  UserControl_ReadProperties, UserControl_Resize, UserControl_Show,
//                     UserControl_Paint
//   new instance:     UserControl_InitProperties, UserControl_Resize, UserControl_Show, ...
//   mouse:            MouseDown, MouseUp, Click (left button, released inside the
//                     control's rectangle, cut-away parts of a shaped window included;
//                     only a left press holds the mouse until its release)
//   double-click:     MouseDown, MouseUp, Click, DblClick (in place of the second
//                     MouseDown), MouseUp
//   keys:             KeyDown, KeyPress (characters only), KeyUp
//   Enter / Esc:      UserControl_AccessKeyPress(13) on the form's default control,
//                     (27) on its cancel control; an access key ("&" letter) likewise
//   end:              UserControl_Terminate while the window still exists
// Every notification runs inside the window procedure's error boundary: an error that the
// control does not handle gives the runtime's error box.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "forms/ControlSite.h"
#include "forms/Hosting.h"
#include "forms/Picture.h"
#include "forms/PropertyBag.h"
#include "forms/Runtime.h"

namespace forms {

// The data object of the drag-and-drop events. This layer has no drag-and-drop source, so
// those notifications never come; the type lets a control declare and raise the events.
struct DataObject {};

class UserControl {
public:
    explicit UserControl(ControlSite& site) noexcept : site_(site) {}
    virtual ~UserControl() = default;
    UserControl(const UserControl&) = delete;
    UserControl& operator=(const UserControl&) = delete;

    // ---- The control's window and drawing surface ----
    // The control's own window; error 91 ("Object variable or With block variable not
    // set") when it is gone.
    HWND hWnd() const;
    // A device context of the window that stays the same for the control's life (the
    // window's class has its own DC). Never release it.
    HDC hDC() const;
    // The inner size in pixels.
    double ScaleWidth() const;
    double ScaleHeight() const;
    // Shows at once what has been drawn on hDC. It never raises UserControl_Paint, so a
    // control may call it from its own paint, and it leaves any pending repaint of the
    // window in place: a paint that moves the window gets the repaint the move asked for.
    void Refresh();

    // ---- Settings the host keeps (through the site) ----
    std::uint32_t ForeColor() const { return site_.ForeColor(); }
    void SetForeColor(std::uint32_t oleColor) { site_.SetForeColor(oleColor); }
    VbBool Enabled() const { return ToVbBool(site_.Enabled()); }
    // Enables or disables the window too: a disabled control gets no input.
    void SetEnabled(VbBool enabled) { site_.SetEnabled(enabled != kFalse); }
    const FontSpec& Font() const { return site_.Font(); }
    void SetFont(const FontSpec& font) { site_.SetFont(font); }
    std::int16_t MousePointer() const { return site_.MousePointer(); }
    void SetMousePointer(std::int16_t pointer) { site_.SetMousePointer(pointer); }
    const Picture& MouseIcon() const { return site_.MouseIcon(); }
    void SetMouseIcon(const Picture& icon) { site_.SetMouseIcon(icon); }
    const std::string& AccessKeys() const { return site_.AccessKeys(); }
    void SetAccessKeys(std::string keys) { site_.SetAccessKeys(std::move(keys)); }

    // ---- Host services ----
    // The window of the container the control sits on.
    HWND ContainerHwnd() const { return site_.ContainerHwnd(); }
    AmbientProperties Ambient() const { return site_.Ambient(); }
    // Default, Cancel, Visible, Enabled, Parent, Left/Top/Width/Height in twips, Move, Size.
    ControlSite& Extender() const noexcept { return site_; }
    // Marks a setting (by its bag key) as changed, so that the host saves.
    void PropertyChanged(std::string_view key) { site_.PropertyChanged(key); }
    // Raises an event to the form's handler, synchronously, every argument by reference:
    //   RaiseEvent("Click");  RaiseEvent("MouseDown", button, shift, x, y);
    template <class... Args>
    void RaiseEvent(std::string_view event, Args&... args) {
        site_.RaiseEvent(event, args...);
    }
    // Converts a horizontal (ScaleX) or vertical (ScaleY) length between scale modes:
    // 1 twips, 2 points, 3 pixels, 4 characters, 5 inches, 6 millimetres, 7 centimetres.
    static double ScaleX(double value, int fromScale, int toScale);
    static double ScaleY(double value, int fromScale, int toScale);
    // Design-time messages: forms::MsgBox (Runtime.h), shown by the control itself only
    // while Ambient().UserMode is False. The screen: forms::Screen (Runtime.h).

    // ---- Notifications (the host calls them; each does nothing unless overridden) ----
    virtual void UserControl_InitProperties() {}
    virtual void UserControl_ReadProperties(const PropertyBag& PropBag) { (void)PropBag; }
    virtual void UserControl_WriteProperties(PropertyBag& PropBag) { (void)PropBag; }
    virtual void UserControl_Show() {}
    // The window needs painting; the control draws on hDC(). A move of the window that
    // does not forbid redrawing (MoveWindow with repaint True, a move through the site)
    // brings one, for all of the window.
    virtual void UserControl_Paint() {}
    // The window's size changed (raised synchronously, also from inside itself when the
    // control changes its own size there).
    virtual void UserControl_Resize() {}
    virtual void UserControl_Terminate() {}
    virtual void UserControl_MouseDown(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y) {
        (void)Button, (void)Shift, (void)X, (void)Y;
    }
    virtual void UserControl_MouseMove(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y) {
        (void)Button, (void)Shift, (void)X, (void)Y;
    }
    virtual void UserControl_MouseUp(std::int16_t& Button, std::int16_t& Shift, float& X, float& Y) {
        (void)Button, (void)Shift, (void)X, (void)Y;
    }
    virtual void UserControl_Click() {}
    virtual void UserControl_DblClick() {}
    virtual void UserControl_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) {
        (void)KeyCode, (void)Shift;
    }
    // A KeyAscii set to 0 here suppresses the character.
    virtual void UserControl_KeyPress(std::int16_t& KeyAscii) { (void)KeyAscii; }
    virtual void UserControl_KeyUp(std::int16_t& KeyCode, std::int16_t& Shift) {
        (void)KeyCode, (void)Shift;
    }
    // An access key of AccessKeys(), Enter (13) on the default control or Esc (27) on the
    // cancel control.
    virtual void UserControl_AccessKeyPress(std::int16_t& KeyAscii) { (void)KeyAscii; }
    virtual void UserControl_GotFocus() {}
    virtual void UserControl_LostFocus() {}
    // "UserMode", "DisplayName", "BackColor", "ForeColor", "Font" or "DisplayAsDefault".
    virtual void UserControl_AmbientChanged(const std::string& PropertyName) { (void)PropertyName; }
    virtual void UserControl_OLECompleteDrag(std::int32_t& Effect) { (void)Effect; }
    virtual void UserControl_OLEDragDrop(DataObject& Data, std::int32_t& Effect, std::int16_t& Button,
                                         std::int16_t& Shift, float& X, float& Y) {
        (void)Data, (void)Effect, (void)Button, (void)Shift, (void)X, (void)Y;
    }
    virtual void UserControl_OLEDragOver(DataObject& Data, std::int32_t& Effect, std::int16_t& Button,
                                         std::int16_t& Shift, float& X, float& Y, std::int16_t& State) {
        (void)Data, (void)Effect, (void)Button, (void)Shift, (void)X, (void)Y, (void)State;
    }
    virtual void UserControl_OLEGiveFeedback(std::int32_t& Effect, VbBool& DefaultCursors) {
        (void)Effect, (void)DefaultCursors;
    }
    virtual void UserControl_OLESetData(DataObject& Data, std::int16_t& DataFormat) {
        (void)Data, (void)DataFormat;
    }
    virtual void UserControl_OLEStartDrag(DataObject& Data, std::int32_t& AllowedEffects) {
        (void)Data, (void)AllowedEffects;
    }

    // ---- What the control asks of its host ----
    // The WM_GETDLGCODE answer: the keys the control takes itself rather than leaving them
    // to the form's keyboard handling (Tab always moves the focus).
    virtual UINT WantedKeys() const { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    // Whether the control takes the focus (and a place in the Tab order).
    virtual bool CanGetFocus() const { return true; }
    // Whether the control can act as the form's default or cancel button: while it has the
    // focus it looks like, and acts as, the default button.
    virtual bool DefaultCancel() const { return true; }

private:
    ControlSite& site_;
};

}  // namespace forms
