#include "forms/WindowBase.h"

#include "forms/Runtime.h"

namespace forms {

WindowBase::~WindowBase() = default;

void WindowBase::RegisterClassOnce(const char* className, UINT style, HBRUSH background,
                                   HICON icon, HICON smallIcon) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExA(App::Instance(), className, &existing)) return;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = &WindowBase::Thunk;
    wc.hInstance = App::Instance();
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.hIcon = icon;
    wc.hIconSm = smallIcon;
    wc.lpszClassName = className;
    ::RegisterClassExA(&wc);
}

HWND WindowBase::CreateWindowOf(const char* className, DWORD exStyle, DWORD style,
                                const char* title, int x, int y, int width, int height,
                                HWND parent, HMENU id) {
    ::CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, id,
                      App::Instance(), this);
    return hwnd_.Get();
}

LRESULT WindowBase::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(msg, wParam, lParam);
}

LRESULT CALLBACK WindowBase::Thunk(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    WindowBase* self = nullptr;
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        self = static_cast<WindowBase*>(create->lpCreateParams);
        self->hwnd_.Reset(hwnd);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<WindowBase*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcA(hwnd, msg, wParam, lParam);

    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        (void)self->hwnd_.Release();  // the system is destroying it; don't destroy it again
        return ::DefWindowProcA(hwnd, msg, wParam, lParam);
    }

    return RunGuarded([&] { return self->HandleMessage(msg, wParam, lParam); });
}

}  // namespace forms
