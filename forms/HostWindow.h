// The window of a hosted control instance: turns window messages into the instance's
// notifications. Only ControlSite makes one.
#pragma once

#include <windows.h>

#include <cstdint>

#include "forms/Handles.h"
#include "forms/Picture.h"
#include "forms/WindowBase.h"

namespace forms {

class ControlSite;
class UserControl;

class HostWindow : public WindowBase {
public:
    HostWindow(ControlSite& site, UserControl& control) noexcept : site_(site), control_(control) {}
    ~HostWindow() override;

    // Creates the window hidden, at box within parent.
    void Create(HWND parent, const RECT& box, bool enabled);
    // From here on size changes and input reach the instance.
    void SetSited() noexcept { sited_ = true; }
    bool Sited() const noexcept { return sited_ && !terminated_; }
    // UserControl_Terminate, once; nothing reaches the instance afterwards.
    void Terminate() noexcept;
    // The window's own device context (its class has CS_OWNDC).
    HDC Dc() const noexcept { return dc_; }
    // The host's font and fore colour go into the DC, so that text drawn on it uses them.
    void ApplyFont(const FontSpec& font);
    void ApplyForeColor(std::uint32_t oleColor);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnMouseButton(UINT msg, WPARAM wParam, LPARAM lParam);
    bool OnSetCursor();
    // A move that may redraw repaints the whole window at its new place.
    void RepaintWholeOnMove(WINDOWPOS& pos) const noexcept;

    ControlSite& site_;
    UserControl& control_;
    HDC dc_ = nullptr;
    SelectedSlot<OwnedFont> font_;
    bool sited_ = false;
    bool terminated_ = false;
    bool leftPressed_ = false;  // a left press began on the window: its release clicks
    bool tookCapture_ = false;
};

}  // namespace forms
