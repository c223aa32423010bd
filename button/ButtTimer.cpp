#include "button/ButtTimer.h"

#include "button/Butt.h"

namespace button {

void ButtTimerProc(HWND hwnd, UINT uMsg, UINT_PTR idEvent, DWORD dwTime) {
    (void)uMsg, (void)idEvent, (void)dwTime;
    // The address is borrowed for this one call. An ended button has taken it away, so a
    // tick still queued for it finds nothing.
    auto* button = static_cast<Butt*>(::GetPropA(hwnd, kPropClassID));
    if (button == nullptr) return;
    auto timerId = static_cast<std::int32_t>(
        reinterpret_cast<std::intptr_t>(::GetPropA(hwnd, kPropTimerID)));
    button->TrackMouseLeave(timerId);
}

}  // namespace button
