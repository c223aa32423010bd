// Real input through SendInput: it reaches windows as the display's own mouse and keyboard
// do, through the system's input queue.
#pragma once

#include <windows.h>

namespace testinput {

// One mouse event; with MOUSEEVENTF_ABSOLUTE, screen is where on the screen it happens.
inline void SendMouse(DWORD flags, POINT screen = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>(screen.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = static_cast<LONG>(screen.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = flags;
    ::SendInput(1, &input, sizeof input);
}

inline void SendKey(WORD vk, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    ::SendInput(1, &input, sizeof input);
}

// Whether a left release at screen counts as one over the control whose window this is:
// inside the window's rectangle, cut-away corners of a shaped window included. The press
// took the mouse, so the release reaches the control wherever it happens.
inline bool ReleasedOver(HWND control, POINT screen) {
    RECT r{};
    ::GetWindowRect(control, &r);
    return ::PtInRect(&r, screen) != FALSE;
}

}  // namespace testinput
