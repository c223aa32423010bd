// The least program that shows what the main window shows at start: a borderless,
// shaped 718x406 window centred on the screen, made layered at alpha 0, shown, then faded
// to 240 in 60 passes of step 4, each pass one yield to the message loop and then the
// same three window calls the program's fade makes. startup_bench times it beside the
// program.
#include <windows.h>

namespace {

constexpr int kWidth = 718;
constexpr int kHeight = 406;

void PumpQueue() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

void SetAlpha(HWND window, BYTE alpha) {
    const LONG style = ::GetWindowLongA(window, GWL_EXSTYLE) | WS_EX_LAYERED;
    ::SetWindowLongA(window, GWL_EXSTYLE, style);
    ::SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
}

LRESULT CALLBACK WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = WindowProc;
    cls.hInstance = instance;
    cls.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    cls.hbrBackground = ::CreateSolidBrush(RGB(40, 51, 73));
    cls.lpszClassName = "StartupMinimal";
    if (!::RegisterClassA(&cls)) return 1;

    const int left = (::GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int top = (::GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    HWND window = ::CreateWindowExA(0, cls.lpszClassName, "Startup minimal", WS_POPUP, left, top,
                                    kWidth, kHeight, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    // A one-pixel frame cut away, as the skin's key colour cuts the program's window.
    ::SetWindowRgn(window, ::CreateRectRgn(1, 1, kWidth - 1, kHeight - 1), TRUE);

    SetAlpha(window, 0);
    ::ShowWindow(window, SW_SHOWNORMAL);
    for (int alpha = 4; alpha <= 240; alpha += 4) {
        PumpQueue();
        SetAlpha(window, static_cast<BYTE>(alpha));
    }

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return 0;
}
