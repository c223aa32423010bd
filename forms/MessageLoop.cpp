#include "forms/MessageLoop.h"

#include "forms/Errors.h"
#include "forms/Hooks.h"

namespace forms {

void DoEvents() {
    if (Hooks().onYield) Hooks().onYield();
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        PumpMessage(msg);
    }
}

int RunMessageLoop() {
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) PumpMessage(msg);
    return static_cast<int>(msg.wParam);
}

void PumpMessage(MSG& msg) {
    // The host's own keys first: access keys, Enter to the default and Esc to the cancel
    // control, which the dialog handling below would otherwise take. The control's handlers
    // run here, outside any window procedure: an error they leave goes to the error box, as
    // from every other event, and not to whoever yielded (a fade skips what fails). A key
    // whose handler failed is used up.
    bool used = true;
    RunGuarded([&] { used = RouteHostKeys(msg); });
    if (used) return;
    // Tab and arrow keys move the focus between a form's controls.
    HWND top = msg.hwnd ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (top && !KeepFromDialogHandling(msg) && ::IsDialogMessageA(top, &msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
}

}  // namespace forms
