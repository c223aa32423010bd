// The one window-procedure thunk of every window class of ours.
//
// The object's address arrives with WM_NCCREATE (the create parameter), is kept in
// GWLP_USERDATA and cleared at WM_NCDESTROY; every other message goes to the object's
// HandleMessage. This is also the one place where an error nothing handled is caught:
// it is reported by the runtime's error box, which ends the program.
#pragma once

#include <windows.h>

#include "forms/Handles.h"

namespace forms {

class WindowBase {
public:
    WindowBase() = default;
    virtual ~WindowBase();
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    // The window, or null before it is created and after it is gone. (The runtime's
    // hWnd of a form or control raises an error instead of giving null.)
    HWND WindowHandle() const noexcept { return hwnd_.Get(); }

protected:
    // Registers the class once (by name) with our thunk as its procedure.
    static void RegisterClassOnce(const char* className, UINT style, HBRUSH background,
                                  HICON icon = nullptr, HICON smallIcon = nullptr);
    // Creates the window; WindowHandle() is valid from WM_NCCREATE on.
    HWND CreateWindowOf(const char* className, DWORD exStyle, DWORD style, const char* title,
                        int x, int y, int width, int height, HWND parent, HMENU id);
    // Destroys the window now, if there is one.
    void DestroyNow() noexcept { hwnd_.Reset(); }

    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
        return ::DefWindowProcA(hwnd_.Get(), msg, wParam, lParam);
    }

private:
    static LRESULT CALLBACK Thunk(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

    OwnedWindow hwnd_;
};

}  // namespace forms
