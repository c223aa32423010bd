#include "forms/Control.h"

#include <windowsx.h>

#include <algorithm>

#include "forms/Handles.h"
#include "forms/Runtime.h"

namespace forms {

Control::Control(std::string name, Container* container)
    : name_(std::move(name)), container_(container) {}

Control::~Control() = default;

namespace {

// What a window's box can be, as a move of a window makes it.
constexpr int kLeastWindowPosition = -32768;
constexpr int kMostWindowPosition = 32767;
constexpr int kMostWindowSize = 32767;

}  // namespace

RECT Control::PixelBox(double left, double top, double width, double height) {
    const int x = std::clamp(TwipsToPixelsX(left), kLeastWindowPosition, kMostWindowPosition);
    const int y = std::clamp(TwipsToPixelsY(top), kLeastWindowPosition, kMostWindowPosition);
    const int cx = std::clamp(TwipsToPixelsX(width), 0, kMostWindowSize);
    const int cy = std::clamp(TwipsToPixelsY(height), 0, kMostWindowSize);
    return RECT{x, y, x + cx, y + cy};
}

RECT Control::PixelRect() const { return PixelBox(left_, top_, width_, height_); }

void Control::Move(double left, double top, double width, double height) {
    if (width < 0 || height < 0) Raise(kErrInvalidCall);
    // A box that overflows raises before anything is stored, so the control stays as it was
    // and the next sound move works.
    (void)PixelBox(left, top, width, height);
    const RECT old = PixelRect();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    OnGeometryChanged(old);
}

void Control::SetVisible(bool visible) {
    if (visible_ == visible) return;
    visible_ = visible;
    OnVisibilityChanged();
}

void Control::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    OnEnabledChanged();
}

WindowlessControl::WindowlessControl(std::string name, Container& container)
    : Control(std::move(name), &container) {
    container.windowless_.push_back(this);
}

WindowlessControl::~WindowlessControl() {
    auto& list = GetContainer()->windowless_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (GetContainer()->pressed_ == this) GetContainer()->pressed_ = nullptr;
}

bool WindowlessControl::HitTest(POINT pixel) const {
    const RECT r = PixelRect();
    return ::PtInRect(&r, pixel) != FALSE;
}

void WindowlessControl::Invalidate() const { GetContainer()->InvalidatePixels(PixelRect()); }

void WindowlessControl::OnGeometryChanged(const RECT& oldPixels) {
    GetContainer()->InvalidatePixels(oldPixels);
    Invalidate();
}

WindowedControl::WindowedControl(std::string name, Container& container)
    : Control(std::move(name), &container) {}

void WindowedControl::OnGeometryChanged(const RECT&) {
    HWND hwnd = ControlWindow();
    if (!hwnd) return;  // still being made: the window is created at the box
    const RECT r = PixelRect();
    ::SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void WindowedControl::OnVisibilityChanged() {
    if (HWND hwnd = ControlWindow()) ::ShowWindow(hwnd, Visible() ? SW_SHOWNA : SW_HIDE);
}

void WindowedControl::OnEnabledChanged() {
    if (HWND hwnd = ControlWindow()) ::EnableWindow(hwnd, Enabled());
}

Container::~Container() = default;

void Container::InvalidatePixels(const RECT& area) const {
    // A window that is not visible has nothing on the screen to bring up to date, and is
    // painted whole when it is shown: while a form is built, hidden, each of these calls
    // would be a round trip to the window server for nothing.
    HWND hwnd = ClientWindow();
    if (hwnd && ::IsWindowVisible(hwnd)) ::InvalidateRect(hwnd, &area, FALSE);
}

void Container::PaintWindowless(HDC dc, const RECT& area) const {
    for (const WindowlessControl* control : windowless_) {
        if (!control->Visible()) continue;
        RECT r = control->PixelRect();
        RECT overlap;
        if (::IntersectRect(&overlap, &r, &area)) control->Paint(dc);
    }
}

WindowlessControl* Container::HitTest(POINT pixel) const {
    for (auto it = windowless_.rbegin(); it != windowless_.rend(); ++it) {
        WindowlessControl* control = *it;
        if (control->Visible() && control->Enabled() && control->HitTest(pixel)) return control;
    }
    return nullptr;
}

MouseArgs MouseArgsFrom(WPARAM wParam, LPARAM lParam, POINT origin) {
    MouseArgs args;
    if (wParam & MK_LBUTTON) args.button |= 1;
    if (wParam & MK_RBUTTON) args.button |= 2;
    if (wParam & MK_MBUTTON) args.button |= 4;
    if (wParam & MK_SHIFT) args.shift |= 1;
    if (wParam & MK_CONTROL) args.shift |= 2;
    if (::GetKeyState(VK_MENU) < 0) args.shift |= 4;
    args.x = GET_X_LPARAM(lParam) - origin.x;
    args.y = GET_Y_LPARAM(lParam) - origin.y;
    return args;
}

namespace {

// The size of the buffer a container composes its paint in, a band of rows at a time.
constexpr int kPaintBandBytes = 64 * 1024;

void Fire(const MouseHandler& handler, const MouseArgs& args) {
    if (handler) handler(args);
}
void Fire(const EventHandler& handler) {
    if (handler) handler();
}

int ButtonOf(UINT msg) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP: return 1;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: return 2;
    default: return 4;
    }
}

}  // namespace

void Container::RouteMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
    const POINT pixel{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // While a button is held, the control that took the press keeps the mouse.
    WindowlessControl* target = pressed_ ? pressed_ : (containerPressed_ ? nullptr : HitTest(pixel));
    const POINT origin = target ? POINT{target->PixelRect().left, target->PixelRect().top}
                                : POINT{0, 0};
    MouseArgs args = MouseArgsFrom(wParam, lParam, origin);

    switch (msg) {
    case WM_MOUSEMOVE:
        Fire(target ? target->MouseMove : MouseMove, args);
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        args.button = ButtonOf(msg);
        if (target) {
            pressed_ = target;
        } else {
            containerPressed_ = true;
        }
        ::SetCapture(ClientWindow());
        Fire(target ? target->MouseDown : MouseDown, args);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        args.button = ButtonOf(msg);
        WindowlessControl* pressed = pressed_;
        const bool wasContainer = containerPressed_;
        pressed_ = nullptr;
        containerPressed_ = false;
        if (::GetCapture() == ClientWindow()) ::ReleaseCapture();
        Fire(target ? target->MouseUp : MouseUp, args);
        // A click is a press and a release of the left button over the same thing.
        if (msg == WM_LBUTTONUP) {
            if (pressed && HitTest(pixel) == pressed) {
                Fire(pressed->Click);
            } else if (wasContainer && !HitTest(pixel)) {
                Fire(Click);
            }
        }
        break;
    }
    default: break;
    }
}

bool Container::HandleContainerMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                       LRESULT& result) {
    switch (msg) {
    case WM_ERASEBKGND: result = 1; return true;  // WM_PAINT covers every pixel
    case WM_PAINT: {
        PaintScope paint(hwnd);
        const RECT& area = paint.Area();
        const int width = area.right - area.left;
        const int height = area.bottom - area.top;
        if (width > 0 && height > 0) {
            // Compose off screen, then copy, so that labels over a picture never flicker: a
            // band of rows at a time, through one small buffer. A buffer of the whole area
            // would be fresh memory, a page fault a page, at every full repaint.
            const int bandRows = std::clamp(kPaintBandBytes / (width * 4), 1, height);
            OwnedDc buffer(::CreateCompatibleDC(paint.Dc()));
            OwnedBitmap bitmap(::CreateCompatibleBitmap(paint.Dc(), width, bandRows));
            SelectGuard select(buffer.Get(), bitmap.Get());
            for (LONG top = area.top; top < area.bottom; top += bandRows) {
                // Paint covers every pixel of the band it is given.
                const RECT band{area.left, top, area.right, std::min(top + bandRows, area.bottom)};
                ::SetViewportOrgEx(buffer.Get(), -band.left, -band.top, nullptr);
                Paint(buffer.Get(), band);
                ::SetViewportOrgEx(buffer.Get(), 0, 0, nullptr);
                ::BitBlt(paint.Dc(), band.left, band.top, width, band.bottom - band.top,
                         buffer.Get(), 0, 0, SRCCOPY);
            }
        }
        result = 0;
        return true;
    }
    case WM_PRINTCLIENT: {
        RECT all{};
        ::GetClientRect(hwnd, &all);
        Paint(reinterpret_cast<HDC>(wParam), all);
        result = 0;
        return true;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        RouteMouse(msg, wParam, lParam);
        result = 0;
        return true;
    case WM_CAPTURECHANGED:
        OnCaptureLost();
        result = 0;
        return true;
    default: return RouteChildNotification(msg, wParam, lParam, result);
    }
}

bool Container::RouteChildNotification(UINT msg, WPARAM wParam, LPARAM lParam,
                                       LRESULT& result) {
    HWND child = nullptr;
    switch (msg) {
    case WM_COMMAND: child = reinterpret_cast<HWND>(lParam); break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: child = reinterpret_cast<HWND>(lParam); break;
    default: return false;
    }
    if (!child) return false;
    auto* target = static_cast<ChildNotificationTarget*>(::GetPropA(child, kControlProperty));
    return target && target->OnChildNotification(msg, wParam, lParam, result);
}

}  // namespace forms
