#include "forms/UserControl.h"

#include <windowsx.h>

#include "forms/HostWindow.h"

namespace forms {

namespace {

constexpr char kHostClass[] = "FormsUserControl";

std::int16_t KeyShift() {
    std::int16_t shift = 0;
    if (::GetKeyState(VK_SHIFT) < 0) shift |= 1;
    if (::GetKeyState(VK_CONTROL) < 0) shift |= 2;
    if (::GetKeyState(VK_MENU) < 0) shift |= 4;
    return shift;
}

// Twips in one unit of a scale mode.
double TwipsPerUnit(int scaleMode, bool horizontal) {
    switch (scaleMode) {
    case 1: return 1;
    case 2: return 20;
    case 3: return horizontal ? TwipsPerPixelX() : TwipsPerPixelY();
    case 4: return horizontal ? 120 : 240;
    case 5: return 1440;
    case 6: return 1440 / 25.4;
    case 7: return 1440 / 2.54;
    default: Raise(kErrInvalidCall);
    }
}

LPCSTR CursorOf(std::int16_t pointer) {
    switch (pointer) {
    case 2: return IDC_CROSS;
    case 3: return IDC_IBEAM;
    case 4: return IDC_ICON;
    case 5: return IDC_SIZEALL;
    case 6: return IDC_SIZENESW;
    case 7: return IDC_SIZENS;
    case 8: return IDC_SIZENWSE;
    case 9: return IDC_SIZEWE;
    case 10: return IDC_UPARROW;
    case 11: return IDC_WAIT;
    case 12: return IDC_NO;
    case 13: return IDC_APPSTARTING;
    case 14: return IDC_HELP;
    case 15: return IDC_SIZEALL;
    default: return IDC_ARROW;
    }
}

}  // namespace

// ---- UserControl ----------------------------------------------------------------------

HWND UserControl::hWnd() const {
    HWND hwnd = site_.InstanceHwnd();
    if (!hwnd || !::IsWindow(hwnd)) Raise(kErrObjectNotSet);
    return hwnd;
}

HDC UserControl::hDC() const {
    (void)hWnd();
    return site_.Host()->Dc();
}

double UserControl::ScaleWidth() const {
    RECT r{};
    ::GetClientRect(hWnd(), &r);
    return r.right - r.left;
}

double UserControl::ScaleHeight() const {
    RECT r{};
    ::GetClientRect(hWnd(), &r);
    return r.bottom - r.top;
}

void UserControl::Refresh() {
    (void)hWnd();  // error 91 once the window is gone, as hDC
    // Only what was drawn goes out. An area made invalid meanwhile by something else (the
    // window moved, another window uncovered it) stays pending, so its WM_PAINT still comes.
    ::GdiFlush();
}

double UserControl::ScaleX(double value, int fromScale, int toScale) {
    return value * TwipsPerUnit(fromScale, true) / TwipsPerUnit(toScale, true);
}

double UserControl::ScaleY(double value, int fromScale, int toScale) {
    return value * TwipsPerUnit(fromScale, false) / TwipsPerUnit(toScale, false);
}

// ---- HostWindow -----------------------------------------------------------------------

HostWindow::~HostWindow() {
    Terminate();
    font_.Reset();  // out of the DC while the window, and so the DC, still exists
    DestroyNow();
}

void HostWindow::ApplyFont(const FontSpec& font) {
    if (dc_) font_.Select(dc_, CreateFontFor(font));
}

void HostWindow::ApplyForeColor(std::uint32_t oleColor) {
    if (dc_) ::SetTextColor(dc_, TranslateOleColor(oleColor));
}

void HostWindow::Create(HWND parent, const RECT& box, bool enabled) {
    RegisterClassOnce(kHostClass, CS_OWNDC | CS_DBLCLKS, nullptr);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    if (control_.CanGetFocus()) style |= WS_TABSTOP;
    if (!enabled) style |= WS_DISABLED;
    CreateWindowOf(kHostClass, 0, style, "", box.left, box.top, box.right - box.left,
                   box.bottom - box.top, parent, nullptr);
    if (!WindowHandle()) Raise(kErrObjectNotSet);
    dc_ = ::GetDC(WindowHandle());  // the class's own DC: the same for the window's life
    ApplyFont(site_.Font());
    ApplyForeColor(site_.ForeColor());
}

void HostWindow::Terminate() noexcept {
    if (terminated_ || !WindowHandle()) return;
    terminated_ = true;
    try {
        control_.UserControl_Terminate();
    } catch (...) {
        ReportCurrentError();
    }
}

void HostWindow::OnMouseButton(UINT msg, WPARAM wParam, LPARAM lParam) {
    MouseArgs args = MouseArgsFrom(wParam, lParam, POINT{0, 0});
    std::int16_t shift = static_cast<std::int16_t>(args.shift);
    float x = static_cast<float>(args.x);
    float y = static_cast<float>(args.y);
    std::int16_t button = 1;
    switch (msg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK: button = 2; break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: button = 4; break;
    default: break;
    }
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
        if (control_.CanGetFocus() && ::GetFocus() != WindowHandle()) ::SetFocus(WindowHandle());
        // Only a left press holds the mouse, so that its release is seen wherever it
        // happens; the right and middle buttons' releases come only over the window.
        const bool left = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK;
        if (left && ::GetCapture() != WindowHandle()) {
            ::SetCapture(WindowHandle());
            tookCapture_ = true;
        }
        if (msg == WM_LBUTTONDOWN) leftPressed_ = true;
        if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN) {
            control_.UserControl_MouseDown(button, shift, x, y);
        } else {
            // The second press of a double-click: no MouseDown, and its release no Click.
            leftPressed_ = false;
            control_.UserControl_DblClick();
        }
        break;
    }
    default: {
        // Released over the control means inside its rectangle: the corners that a
        // window region cuts away count too (the press holds the mouse, so the release
        // comes here from anywhere).
        RECT client{};
        ::GetClientRect(WindowHandle(), &client);
        const bool click = msg == WM_LBUTTONUP && leftPressed_ &&
                           ::PtInRect(&client, POINT{args.x, args.y});
        if (msg == WM_LBUTTONUP) {
            leftPressed_ = false;
            if (tookCapture_) {
                tookCapture_ = false;
                if (::GetCapture() == WindowHandle()) ::ReleaseCapture();
            }
        }
        control_.UserControl_MouseUp(button, shift, x, y);
        if (click && Sited()) control_.UserControl_Click();
        break;
    }
    }
}

void HostWindow::RepaintWholeOnMove(WINDOWPOS& pos) const noexcept {
    // Left alone, the system carries the window's old pixels to the new place and repaints
    // only what they leave uncovered: nothing for a rectangular window, a few pixels along
    // the cut edges of a window region. A control that moves its window before it draws
    // what it now shows (the button's nudge under a press, from inside its paint) would
    // keep its old look there, so a moved control is painted anew, whatever its outline.
    if ((pos.flags & (SWP_NOMOVE | SWP_NOREDRAW)) != 0) return;
    RECT now{};
    ::GetWindowRect(WindowHandle(), &now);
    ::MapWindowPoints(nullptr, ::GetParent(WindowHandle()), reinterpret_cast<POINT*>(&now), 2);
    if (pos.x != now.left || pos.y != now.top) pos.flags |= SWP_NOCOPYBITS;
}

bool HostWindow::OnSetCursor() {
    const std::int16_t pointer = site_.MousePointer();
    if (pointer == 0) return false;
    if (pointer == 99) {
        HICON icon = site_.MouseIcon().IconHandle();
        ::SetCursor(icon ? icon : ::LoadCursor(nullptr, IDC_ARROW));
    } else {
        ::SetCursor(::LoadCursor(nullptr, CursorOf(pointer)));
    }
    return true;
}

LRESULT HostWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!Sited()) {
        if (msg == WM_PAINT) {
            ::ValidateRect(WindowHandle(), nullptr);
            return 0;
        }
        if (msg == WM_ERASEBKGND) return 1;
        return DefaultProc(msg, wParam, lParam);
    }
    switch (msg) {
    case WM_ERASEBKGND: return 1;  // the control paints every pixel
    case WM_PAINT:
        // The control draws on its own DC, not between BeginPaint and EndPaint, so that
        // what it draws from an input handler is never clipped to an old update area.
        ::ValidateRect(WindowHandle(), nullptr);
        control_.UserControl_Paint();
        return 0;
    case WM_WINDOWPOSCHANGING: RepaintWholeOnMove(*reinterpret_cast<WINDOWPOS*>(lParam)); break;
    case WM_SIZE: control_.UserControl_Resize(); return 0;
    case WM_MOUSEMOVE: {
        const MouseArgs args = MouseArgsFrom(wParam, lParam, POINT{0, 0});
        std::int16_t button = static_cast<std::int16_t>(args.button);
        std::int16_t shift = static_cast<std::int16_t>(args.shift);
        float x = static_cast<float>(args.x);
        float y = static_cast<float>(args.y);
        control_.UserControl_MouseMove(button, shift, x, y);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: OnMouseButton(msg, wParam, lParam); return 0;
    case WM_CAPTURECHANGED:
        // Someone else took the mouse (a drag, another window): no click from this press.
        if (reinterpret_cast<HWND>(lParam) != WindowHandle()) {
            tookCapture_ = false;
            leftPressed_ = false;
        }
        return 0;
    case WM_KEYDOWN: {
        std::int16_t keyCode = static_cast<std::int16_t>(wParam & 0xFFFF);
        std::int16_t shift = KeyShift();
        control_.UserControl_KeyDown(keyCode, shift);
        return 0;
    }
    case WM_KEYUP: {
        std::int16_t keyCode = static_cast<std::int16_t>(wParam & 0xFFFF);
        std::int16_t shift = KeyShift();
        control_.UserControl_KeyUp(keyCode, shift);
        return 0;
    }
    case WM_CHAR: {
        std::int16_t keyAscii = static_cast<std::int16_t>(wParam & 0xFF);
        control_.UserControl_KeyPress(keyAscii);
        if (keyAscii == 0) return 0;  // suppressed
        return DefaultProc(msg, static_cast<WPARAM>(static_cast<unsigned char>(keyAscii)), lParam);
    }
    case WM_GETDLGCODE: return static_cast<LRESULT>(control_.WantedKeys());
    case WM_SETFOCUS:
        // The default look settles before the control hears of its focus.
        site_.UpdateDefaultLook(WindowHandle());
        control_.UserControl_GotFocus();
        return 0;
    case WM_KILLFOCUS:
        control_.UserControl_LostFocus();
        site_.UpdateDefaultLook(reinterpret_cast<HWND>(wParam));
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == WindowHandle() && OnSetCursor()) {
            return TRUE;
        }
        break;
    default: break;
    }
    return DefaultProc(msg, wParam, lParam);
}

}  // namespace forms
