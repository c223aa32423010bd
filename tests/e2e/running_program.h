// Support for tests that drive the real program from another process: korv3nointros.exe
// copied into a folder of its own and started from there, its windows found and read as
// any other program sees them, the screen read back, and real mouse and keyboard input.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "dib.h"
#include "forms/Handles.h"
#include "real_input.h"

#ifndef KORV3_EXE
#error "KORV3_EXE must name the program under test"
#endif

namespace e2e {

using testinput::SendKey;
using testinput::SendMouse;

inline constexpr char kExeName[] = "korv3nointros.exe";
inline constexpr char kMainWindowTitle[] = "Talvenor Vrel";
// The main window takes input once its fade-in has reached this alpha.
inline constexpr BYTE kShownAlpha = 240;
// Apply: the hosted control window at this place of the main window.
inline constexpr int kApplyLeft = 621;
inline constexpr int kApplyTop = 324;
inline constexpr int kApplyWidth = 76;
inline constexpr int kApplyHeight = 24;

// ---- time ----

inline double NowSeconds() {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER counter{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Polls until the condition holds or the time is up; Wine's timers are coarse, so nothing
// here waits a fixed time for the program.
template <class Condition>
bool WaitUntil(Condition&& condition, int timeoutMs, DWORD pollMs = 5) {
    const double deadline = NowSeconds() + timeoutMs / 1000.0;
    for (;;) {
        if (condition()) return true;
        if (NowSeconds() > deadline) return false;
        ::Sleep(pollMs);
    }
}

// ---- files ----

// The build gives Linux paths; Wine shows the Linux root as drive Z:.
inline std::string WindowsPath(std::string path) {
    if (!path.empty() && path.front() == '/') path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

inline std::string ProgramImagePath() { return WindowsPath(KORV3_EXE); }

// Removes a folder with everything in it, read-only and hidden files and subfolders too.
inline bool RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string entry = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(entry);
            } else {
                ::SetFileAttributesA(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(entry.c_str());
            }
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::RemoveDirectoryA(path.c_str()) != FALSE ||
           ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

// A fresh folder under the temp folder, removed with what is in it.
class TempFolder {
public:
    TempFolder() {
        static std::atomic<unsigned> counter{0};
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        std::ostringstream name;
        name << temp << "korv3-e2e-" << ::GetCurrentProcessId() << '-' << ++counter << '-'
             << ::GetTickCount();
        path_ = name.str();
        created_ = ::CreateDirectoryA(path_.c_str(), nullptr) != FALSE;
    }
    ~TempFolder() {
        // The program's image can stay locked for a moment after its process has gone.
        WaitUntil([&] { return RemoveTree(path_); }, 3000, 50);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Created() const noexcept { return created_; }
    const std::string& Path() const noexcept { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
    bool created_ = false;
};

// ---- windows of other processes ----

inline std::string ClassOf(HWND window) {
    char name[256] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

// The text of another process's window as the system keeps it: no message is sent, so a
// window that does not answer cannot hold the suite up.
inline std::string TextOf(HWND window) {
    char text[512] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

// What an edit control of another process holds; only the control itself knows.
inline std::string LongTextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) {
        return {};
    }
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                          SMTO_ABORTIFHUNG, 2000, &copied);
    text.resize(copied);
    return text;
}

inline DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

inline BOOL CALLBACK CollectWindow(HWND window, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

inline std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> found;
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

inline std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> found;
    ::EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

template <class Visit>
void ForEachTopLevelWindow(Visit&& visit) {
    for (HWND window : TopLevelWindows()) visit(window);
}

// Alpha of a layered window; -1 when it has no constant alpha (not layered yet, or gone).
inline int AlphaOf(HWND window) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!::GetLayeredWindowAttributes(window, &key, &alpha, &flags)) return -1;
    return (flags & LWA_ALPHA) ? alpha : -1;
}

// Waits until the fade-in has reached its alpha and enabled the window: from then on the
// window takes input.
inline bool WaitUntilFadedIn(HWND window, int timeoutMs) {
    return WaitUntil(
        [&] {
            return ::IsWindowVisible(window) && AlphaOf(window) == kShownAlpha &&
                   ::IsWindowEnabled(window);
        },
        timeoutMs, 1);
}

// Apply among the main window's descendants: the control window of our host class at its
// place and of its size.
inline HWND FindApply(HWND main) {
    RECT w{};
    ::GetWindowRect(main, &w);
    for (HWND child : Descendants(main)) {
        RECT r{};
        ::GetWindowRect(child, &r);
        if (ClassOf(child) == "FormsUserControl" && r.left - w.left == kApplyLeft &&
            r.top - w.top == kApplyTop && r.right - r.left == kApplyWidth &&
            r.bottom - r.top == kApplyHeight) {
            return child;
        }
    }
    return nullptr;
}

// ---- the screen ----

struct Rgb {
    int r, g, b;
};

// One pixel of what the screen shows.
inline COLORREF ScreenPixel(POINT screen) {
    forms::WindowDc dc(nullptr);
    return ::GetPixel(dc.Get(), screen.x, screen.y);
}

// What the screen shows over a window's rectangle, read back from the screen itself.
class WindowShot {
public:
    explicit WindowShot(HWND window) {
        ::GetWindowRect(window, &rect_);
        width_ = rect_.right - rect_.left;
        height_ = rect_.bottom - rect_.top;
        if (width_ <= 0 || height_ <= 0) return;
        forms::WindowDc screen(nullptr);
        void* bits = nullptr;
        bitmap_ = testdib::TopDownDib(width_, height_, &bits);
        forms::OwnedDc memory(::CreateCompatibleDC(screen.Get()));
        if (!bitmap_ || !memory || !bits) return;
        {
            forms::SelectGuard select(memory.Get(), bitmap_.Get());
            ::BitBlt(memory.Get(), 0, 0, width_, height_, screen.Get(), rect_.left, rect_.top,
                     SRCCOPY | CAPTUREBLT);
        }
        ::GdiFlush();
        pixels_ = static_cast<const std::uint32_t*>(bits);
    }

    bool Valid() const noexcept { return pixels_ != nullptr; }

    // x, y in window pixels.
    Rgb At(int x, int y) const {
        if (!pixels_ || x < 0 || y < 0 || x >= width_ || y >= height_) return {-1, -1, -1};
        const std::uint32_t p = pixels_[static_cast<std::size_t>(y) * width_ + x];
        return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
                static_cast<int>(p & 0xFF)};
    }

    template <class Predicate>
    int Count(int left, int top, int width, int height, Predicate&& matches) const {
        int n = 0;
        for (int y = top; y < top + height; ++y) {
            for (int x = left; x < left + width; ++x) {
                if (matches(At(x, y))) ++n;
            }
        }
        return n;
    }

private:
    RECT rect_{};
    int width_ = 0;
    int height_ = 0;
    forms::OwnedBitmap bitmap_;
    const std::uint32_t* pixels_ = nullptr;
};

// ---- input ----

inline void SendInputs(std::vector<INPUT> inputs) {
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

inline POINT CursorPos() {
    POINT p{};
    ::GetCursorPos(&p);
    return p;
}

// Absolute moves are in 1/65536 of the screen; the result is checked and corrected, so the
// pointer lands on the very pixel asked for.
inline bool MoveMouseTo(POINT target) {
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    LONG nx = ::MulDiv(target.x, 65536, cx) + 65536 / cx / 2;
    LONG ny = ::MulDiv(target.y, 65536, cy) + 65536 / cy / 2;
    for (int attempt = 0; attempt < 4; ++attempt) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dx = std::clamp<LONG>(nx, 0, 65535);
        in.mi.dy = std::clamp<LONG>(ny, 0, 65535);
        in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        SendInputs({in});
        POINT at{};
        auto landed = [&] {
            at = CursorPos();
            return at.x == target.x && at.y == target.y;
        };
        WaitUntil(landed, 100, 1);
        if (at.x == target.x && at.y == target.y) return true;
        nx += ::MulDiv(target.x - at.x, 65536, cx);
        ny += ::MulDiv(target.y - at.y, 65536, cy);
    }
    return false;
}

inline void SendButton(DWORD flag) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flag;
    SendInputs({in});
}

inline void SendKeys(std::initializer_list<WORD> keys, bool down) {
    std::vector<INPUT> inputs;
    for (const WORD vk : keys) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.wScan = static_cast<WORD>(::MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
        in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    SendInputs(std::move(inputs));
}

// Keys held down together until the end of the scope (or an earlier Release).
class HeldKeys {
public:
    HeldKeys(std::initializer_list<WORD> keys) : keys_(keys) { SendKeys(keys, true); }
    ~HeldKeys() { Release(); }
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;
    void Release() {
        if (released_) return;
        released_ = true;
        for (const WORD vk : keys_) SendKeys({vk}, false);
    }

private:
    std::vector<WORD> keys_;
    bool released_ = false;
};

// The left button held down until the end of the scope (or an earlier Release).
class HeldLeftButton {
public:
    HeldLeftButton() { SendButton(MOUSEEVENTF_LEFTDOWN); }
    ~HeldLeftButton() { Release(); }
    HeldLeftButton(const HeldLeftButton&) = delete;
    HeldLeftButton& operator=(const HeldLeftButton&) = delete;
    void Release() {
        if (released_) return;
        released_ = true;
        SendButton(MOUSEEVENTF_LEFTUP);
    }

private:
    bool released_ = false;
};

// A window pixel (x, y) on the screen.
inline POINT OnScreen(HWND window, int x, int y) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return {r.left + x, r.top + y};
}

// A left click at a window pixel with the real mouse.
inline bool ClickAt(HWND window, int x, int y) {
    if (!MoveMouseTo(OnScreen(window, x, y))) return false;
    ::Sleep(50);
    SendButton(MOUSEEVENTF_LEFTDOWN);
    ::Sleep(50);
    SendButton(MOUSEEVENTF_LEFTUP);
    return true;
}

// xdotool moves and clicks through the X server, as the real mouse does. Wine starts a
// Unix program but hands back no process to wait on: callers wait for its effect.
// Nor does it fill in the process information: what is left there is whatever lay in
// that memory before, so none of it may be closed or waited on. (Closing that "thread
// handle" once closed the handle of the program under test, when the stale value
// happened to be that handle's.)
inline constexpr char kXdotool[] = "Z:\\usr\\bin\\xdotool";

inline testing::AssertionResult RunXdotool(const std::string& arguments) {
    if (::GetFileAttributesA(kXdotool) == INVALID_FILE_ATTRIBUTES) {
        return testing::AssertionFailure() << "no xdotool at " << kXdotool
                                           << " (scripts/setup.sh installs it)";
    }
    std::string commandLine = "xdotool " + arguments;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessA(kXdotool, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &si, &pi)) {
        return testing::AssertionFailure() << "could not start \"" << commandLine
                                           << "\": error " << ::GetLastError();
    }
    return testing::AssertionSuccess();
}

inline testing::AssertionResult XdotoolClick(POINT target) {
    std::ostringstream move;
    move << "mousemove --sync " << target.x << ' ' << target.y;
    if (auto started = RunXdotool(move.str()); !started) return started;
    POINT at{};
    if (!WaitUntil([&] { return (at = CursorPos()).x == target.x && at.y == target.y; }, 5000)) {
        return testing::AssertionFailure() << "xdotool left the pointer at (" << at.x << ","
                                           << at.y << "), not (" << target.x << "," << target.y
                                           << ")";
    }
    ::Sleep(50);
    return RunXdotool("click 1");
}

inline testing::AssertionResult ClickMiddle(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return XdotoolClick({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

// ---- the program ----

// The program, copied into a folder and started from there; ended at the latest when this
// goes.
class Program {
public:
    explicit Program(const TempFolder& folder) : exe_(folder.File(kExeName)) {
        if (!::CopyFileA(ProgramImagePath().c_str(), exe_.c_str(), FALSE)) {
            startFailure_ = "copying the program failed, error " + std::to_string(::GetLastError());
            return;
        }
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string commandLine = "\"" + exe_ + "\"";
        startedAt_ = NowSeconds();
        if (!::CreateProcessA(exe_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.Path().c_str(), &si, &pi)) {
            startFailure_ = "CreateProcess failed, error " + std::to_string(::GetLastError());
            return;
        }
        ::CloseHandle(pi.hThread);
        process_ = forms::OwnedHandle(pi.hProcess);
        pid_ = pi.dwProcessId;
    }
    ~Program() {
        if (process_ && Running()) {
            ::TerminateProcess(process_.Get(), 1);
            ::WaitForSingleObject(process_.Get(), 5000);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const noexcept { return static_cast<bool>(process_); }
    // Why it did not start; empty when it did.
    const std::string& StartFailure() const noexcept { return startFailure_; }
    DWORD Pid() const noexcept { return pid_; }
    HANDLE Process() const noexcept { return process_.Get(); }
    double StartedAt() const noexcept { return startedAt_; }
    bool Running() const { return ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }
    bool WaitForExit(DWORD ms) const {
        return ::WaitForSingleObject(process_.Get(), ms) == WAIT_OBJECT_0;
    }
    DWORD ExitCode() const {
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(process_.Get(), &code);
        return code;
    }

    // The main window, once the program has made it.
    HWND FindMainWindow() const {
        HWND found = nullptr;
        ForEachTopLevelWindow([&](HWND window) {
            if (!found && ProcessOf(window) == pid_ && ClassOf(window) == "FormsForm" &&
                TextOf(window) == kMainWindowTitle) {
                found = window;
            }
        });
        return found;
    }
    // Null when the program has not made it within the time.
    HWND WaitForMainWindow(int timeoutMs) const {
        HWND window = nullptr;
        WaitUntil([&] { return (window = FindMainWindow()) != nullptr; }, timeoutMs, 1);
        return window;
    }

private:
    std::string exe_;
    std::string startFailure_;
    forms::OwnedHandle process_;
    DWORD pid_ = 0;
    double startedAt_ = 0;
};

// A test with the program up: started from a folder of its own, its main window faded in
// and taking input, the pointer parked out of its way first. Afterwards the left button is
// let go and the program ended.
class RunningProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {5, 5});
        folder_ = std::make_unique<TempFolder>();
        ASSERT_TRUE(folder_->Created()) << folder_->Path();
        program_ = std::make_unique<Program>(*folder_);
        ASSERT_TRUE(program_->Started()) << ProgramImagePath();
        main_ = program_->WaitForMainWindow(15000);
        ASSERT_NE(main_, nullptr) << "no main window appeared";
        ASSERT_TRUE(WaitUntilFadedIn(main_, 15000));
    }
    void TearDown() override {
        SendMouse(MOUSEEVENTF_LEFTUP);
        program_.reset();
        folder_.reset();
    }

    std::unique_ptr<TempFolder> folder_;
    std::unique_ptr<Program> program_;
    HWND main_ = nullptr;
};

}  // namespace e2e
