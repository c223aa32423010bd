// A window-procedure hook loaded into the program under test: it notes, at the moment the
// watched window is hidden, whether it still had an alpha and which, and counts the dialog
// boxes that come up in the program's window thread. Plain Win32 calls
// only: it runs inside another program's message handling, where nothing may throw.
#include <windows.h>

#include <cstdint>

#include "e2e/hide_watch.h"

namespace {

e2e::HideWatchBlock* block = nullptr;
HANDLE mapping = nullptr;

void OpenBlock() {
    char name[64];
    e2e::HideWatchName(::GetCurrentProcessId(), name);
    mapping = ::OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name);
    if (!mapping) return;
    block = static_cast<e2e::HideWatchBlock*>(::MapViewOfFile(
        mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(e2e::HideWatchBlock)));
    if (block) ::InterlockedExchange(&block->attached, 1);
}

void CloseBlock() {
    if (block) ::UnmapViewOfFile(block);
    if (mapping) ::CloseHandle(mapping);
    block = nullptr;
    mapping = nullptr;
}

int AlphaOf(HWND window) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!::GetLayeredWindowAttributes(window, &key, &alpha, &flags)) return -1;
    return (flags & LWA_ALPHA) ? alpha : -1;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK HideWatchProc(int code, WPARAM wParam,
                                                                LPARAM lParam) {
    // WM_WINDOWPOSCHANGED comes once the window is no longer visible, before anything
    // else can change it: the alpha read here is the alpha it was hidden at.
    if (code == HC_ACTION && block) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        // Every dialog box, a message box too, gets this once before it shows.
        if (call->message == WM_INITDIALOG) ::InterlockedIncrement(&block->dialogs);
        if (call->message == WM_WINDOWPOSCHANGED &&
            static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(call->hwnd)) ==
                block->window) {
            const auto* pos = reinterpret_cast<const WINDOWPOS*>(call->lParam);
            // The alpha goes in before the count, so a reader that sees a hide sees its alpha.
            if (pos->flags & SWP_HIDEWINDOW) {
                if (block->hides == 0) {
                    ::InterlockedExchange(&block->alphaAtHide, AlphaOf(call->hwnd));
                }
                ::InterlockedIncrement(&block->hides);
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) OpenBlock();
    if (reason == DLL_PROCESS_DETACH) CloseBlock();
    return TRUE;
}
