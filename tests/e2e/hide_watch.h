// What the hide watch (hide_watch_hook.dll, hooked into the program's window thread) and
// the test that reads it share: one small block of shared memory per program process.
// The program hides its window and ends at once, too fast for a look from outside; the
// hook sees the hide inside the program, while the window and its alpha still exist. It
// also counts the dialog boxes the program opens: a message box that a pending quit
// closes at once is never seen from outside.
#pragma once

#include <windows.h>

#include <cstdint>

namespace e2e {

struct HideWatchBlock {
    std::uint64_t window;       // the window to watch; written by the test
    volatile LONG attached;     // the hook was loaded into the program
    volatile LONG hides;        // times the window was hidden
    volatile LONG alphaAtHide;  // its alpha at the first hide; -1 when it had none
    volatile LONG dialogs;      // dialog boxes (message boxes among them) that came up
};

// The block's name for one program process; the hook finds it by its own process id.
inline void HideWatchName(DWORD pid, char (&name)[64]) {
    ::wsprintfA(name, "Local\\korv3-e2e-hide-watch-%lu", static_cast<unsigned long>(pid));
}

inline constexpr char kHideWatchProc[] = "HideWatchProc";

}  // namespace e2e
