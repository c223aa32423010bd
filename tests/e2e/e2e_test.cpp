// Drives the real program the way a user does: korv3nointros.exe runs as a process of its
// own, started from a folder of its own, and everything is checked through what another
// program can see of it (its windows, their attributes, the screen) and through real mouse
// and keyboard input. A green window of ours lies behind it, so see-through shows green.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "forms/Handles.h"

#ifndef KORV3_EXE
#error "KORV3_EXE must name the program under test"
#endif

namespace {

using forms::OwnedBitmap;
using forms::OwnedBrush;
using forms::OwnedDc;
using forms::OwnedHandle;
using forms::OwnedRegion;

constexpr int kWindowWidth = 718;
constexpr int kWindowHeight = 406;
constexpr BYTE kShownAlpha = 240;
constexpr COLORREF kBackdropColor = RGB(0, 255, 0);
constexpr char kReadmeName[] = "Talvenor.nfo";
constexpr char kExeName[] = "korv3nointros.exe";

// ---- time ----

double NowSeconds() {
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

// The build gives a Linux path; Wine shows the Linux root as drive Z:.
std::string ProgramImagePath() {
    std::string path = KORV3_EXE;
    if (!path.empty() && path.front() == '/') path = "Z:" + path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
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
        WaitUntil([&] { return RemoveAll(); }, 3000, 50);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Created() const noexcept { return created_; }
    const std::string& Path() const noexcept { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    bool RemoveAll() const {
        WIN32_FIND_DATAA found{};
        HANDLE search = ::FindFirstFileA(File("*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                    ::DeleteFileA(File(found.cFileName).c_str());
                }
            } while (::FindNextFileA(search, &found));
            ::FindClose(search);
        }
        return ::RemoveDirectoryA(path_.c_str()) != FALSE ||
               ::GetFileAttributesA(path_.c_str()) == INVALID_FILE_ATTRIBUTES;
    }

    std::string path_;
    bool created_ = false;
};

// ---- windows of other processes ----

std::string ClassOf(HWND window) {
    char name[256] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

// The text of another process's window as the system keeps it: no message is sent, so a
// window that does not answer cannot hold the suite up.
std::string TextOf(HWND window) {
    char text[512] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

// What an edit control of another process holds; only the control itself knows.
std::string LongTextOf(HWND window) {
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

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> found;
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> found;
    ::EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

template <class Visit>
void ForEachTopLevelWindow(Visit&& visit) {
    for (HWND window : TopLevelWindows()) visit(window);
}

bool IsNotepad(HWND window) {
    return ClassOf(window) == "Notepad" || TextOf(window).find(kReadmeName) != std::string::npos;
}

// Visible Notepad windows, whoever started them.
std::vector<HWND> NotepadWindows() {
    std::vector<HWND> found;
    ForEachTopLevelWindow([&](HWND window) {
        if (ProcessOf(window) != ::GetCurrentProcessId() && ::IsWindowVisible(window) &&
            IsNotepad(window)) {
            found.push_back(window);
        }
    });
    return found;
}

void EndProcess(DWORD pid) {
    OwnedHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process) return;
    ::TerminateProcess(process.Get(), 1);
    ::WaitForSingleObject(process.Get(), 5000);
}

// Ends every Notepad, and Notepad's help viewer should a stray F1 have reached it: left
// running they would hold the test's output open after it has ended.
void CloseNotepads() {
    std::vector<DWORD> processes;
    ForEachTopLevelWindow([&](HWND window) {
        if (ProcessOf(window) != ::GetCurrentProcessId() && IsNotepad(window)) {
            processes.push_back(ProcessOf(window));
        }
    });
    HANDLE raw = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    OwnedHandle snapshot(raw == INVALID_HANDLE_VALUE ? nullptr : raw);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    if (snapshot && ::Process32First(snapshot.Get(), &entry)) {
        do {
            if (_stricmp(entry.szExeFile, "notepad.exe") == 0 ||
                _stricmp(entry.szExeFile, "winhlp32.exe") == 0) {
                processes.push_back(entry.th32ProcessID);
            }
        } while (::Process32Next(snapshot.Get(), &entry));
    }
    std::sort(processes.begin(), processes.end());
    processes.erase(std::unique(processes.begin(), processes.end()), processes.end());
    for (const DWORD pid : processes) EndProcess(pid);
}

// Alpha of a layered window; -1 when it has no constant alpha (not layered yet, or gone).
int AlphaOf(HWND window) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!::GetLayeredWindowAttributes(window, &key, &alpha, &flags)) return -1;
    return (flags & LWA_ALPHA) ? alpha : -1;
}

// ---- the screen ----

struct Rgb {
    int r, g, b;
};

bool IsGreenBackdrop(Rgb c) { return c.g >= 200 && c.r <= 60 && c.b <= 60; }
bool IsWhitish(Rgb c) { return std::min({c.r, c.g, c.b}) >= 190; }
bool IsNear(Rgb c, Rgb want, int tolerance) {
    return std::abs(c.r - want.r) <= tolerance && std::abs(c.g - want.g) <= tolerance &&
           std::abs(c.b - want.b) <= tolerance;
}
constexpr Rgb kOrange{248, 117, 33};
constexpr Rgb kArrowGrey{150, 155, 165};
bool IsOrangeish(Rgb c) { return c.r >= 180 && c.g >= 60 && c.g <= 170 && c.b <= 110; }

// What the screen shows over a window's rectangle, read back from the screen itself.
class WindowShot {
public:
    explicit WindowShot(HWND window) {
        ::GetWindowRect(window, &rect_);
        width_ = rect_.right - rect_.left;
        height_ = rect_.bottom - rect_.top;
        if (width_ <= 0 || height_ <= 0) return;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;  // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        forms::WindowDc screen(nullptr);
        void* bits = nullptr;
        bitmap_ =
            OwnedBitmap(::CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        OwnedDc memory(::CreateCompatibleDC(screen.Get()));
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
    OwnedBitmap bitmap_;
    const std::uint32_t* pixels_ = nullptr;
};

// The hint panel (23,243 182x102) shows white text; the short "Welcome!" stays within the
// top-left corner of it, every other hint reaches further.
int HintPixels(const WindowShot& shot) { return shot.Count(23, 243, 182, 102, IsWhitish); }
int HintCornerPixels(const WindowShot& shot) { return shot.Count(23, 243, 60, 14, IsWhitish); }
bool ShowsWelcome(const WindowShot& shot) {
    const int corner = HintCornerPixels(shot);
    return corner >= 5 && HintPixels(shot) == corner;
}
bool ShowsAnotherHint(const WindowShot& shot) { return HintPixels(shot) > HintCornerPixels(shot); }

std::string Describe(Rgb c) {
    std::ostringstream s;
    s << "rgb(" << c.r << "," << c.g << "," << c.b << ")";
    return s.str();
}

// The arrow pictures are a right-pointing triangle, 10 x 9: column 3 of every row, widening
// to column 7 in the middle row.
enum class Arrow { Missing, Grey, Orange };
constexpr int kMenuArrowTops[] = {99, 115, 131, 147};
constexpr int kLinkArrowTops[] = {246, 261, 276};

Arrow ArrowAt(const WindowShot& shot, int left, int top) {
    int grey = 0;
    int orange = 0;
    int shape = 0;
    for (int row = 0; row < 9; ++row) {
        const int reach = 3 + (row <= 4 ? row : 8 - row);
        for (int column = 3; column <= reach; ++column) {
            ++shape;
            const Rgb c = shot.At(left + column, top + row);
            if (IsNear(c, kArrowGrey, 30)) ++grey;
            if (IsNear(c, kOrange, 40)) ++orange;
        }
    }
    if (grey >= shape - 3) return Arrow::Grey;
    if (orange >= shape - 3) return Arrow::Orange;
    return Arrow::Missing;
}

const char* Name(Arrow a) {
    switch (a) {
        case Arrow::Grey: return "grey";
        case Arrow::Orange: return "orange";
        default: return "missing";
    }
}

// ---- input ----

void SendInputs(std::vector<INPUT> inputs) {
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

POINT CursorPos() {
    POINT p{};
    ::GetCursorPos(&p);
    return p;
}

// Absolute moves are in 1/65536 of the screen; the result is checked and corrected, so the
// pointer lands on the very pixel asked for.
bool MoveMouseTo(POINT target) {
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

void SendButton(DWORD flag) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flag;
    SendInputs({in});
}

void SendKeys(std::initializer_list<WORD> keys, bool down) {
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

// ---- the green window behind ----

LRESULT CALLBACK BackdropProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) ::PostQuitMessage(0);
    return ::DefWindowProcA(window, msg, wParam, lParam);
}

// A plain green window over the screen, on a thread of its own, which keeps it painted and
// answering while the test thread waits. It stops one row short of the bottom: Wine hands
// a popup that covers the whole screen to the window manager, and with none on the test
// display hiding it would wait two seconds for one.
class Backdrop {
public:
    Backdrop() : ready_(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        thread_ = std::thread([this] { Run(); });
        ::WaitForSingleObject(ready_.Get(), 10000);
    }
    ~Backdrop() {
        if (window_) ::PostMessageA(window_, WM_CLOSE, 0, 0);
        if (thread_.joinable()) thread_.join();
    }
    Backdrop(const Backdrop&) = delete;
    Backdrop& operator=(const Backdrop&) = delete;

    bool Ready() const noexcept { return window_ != nullptr; }

private:
    void Run() {
        static constexpr char kClass[] = "Korv3E2EBackdrop";
        OwnedBrush brush(::CreateSolidBrush(kBackdropColor));
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = BackdropProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = brush.Get();
        wc.lpszClassName = kClass;
        const bool registered = ::RegisterClassExA(&wc) != 0;
        HWND window = nullptr;
        if (registered) {
            window = ::CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kClass, "backdrop",
                                       WS_POPUP, 0, 0, ::GetSystemMetrics(SM_CXSCREEN),
                                       ::GetSystemMetrics(SM_CYSCREEN) - 1, nullptr, nullptr,
                                       wc.hInstance, nullptr);
        }
        if (window) {
            ::ShowWindow(window, SW_SHOWNOACTIVATE);
            ::UpdateWindow(window);
        }
        window_ = window;
        ::SetEvent(ready_.Get());
        MSG msg;
        while (window && ::GetMessageA(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (registered) ::UnregisterClassA(kClass, wc.hInstance);
    }

    OwnedHandle ready_;
    std::thread thread_;
    std::atomic<HWND> window_{nullptr};
};

// ---- the program ----

class Program {
public:
    // Copies the program into the folder and starts it from there.
    explicit Program(const TempFolder& folder) : exe_(folder.File(kExeName)) {
        if (!::CopyFileA(ProgramImagePath().c_str(), exe_.c_str(), FALSE)) return;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string commandLine = "\"" + exe_ + "\"";
        startedAt_ = NowSeconds();
        if (!::CreateProcessA(exe_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.Path().c_str(), &si, &pi)) {
            return;
        }
        ::CloseHandle(pi.hThread);
        process_ = OwnedHandle(pi.hProcess);
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
                TextOf(window) == "Talvenor Vrel") {
                found = window;
            }
        });
        return found;
    }

private:
    std::string exe_;
    OwnedHandle process_;
    DWORD pid_ = 0;
    double startedAt_ = 0;
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        CloseNotepads();
        // Out of the program's way, over the backdrop.
        ASSERT_TRUE(MoveMouseTo({5, 5}));
        backdrop_ = std::make_unique<Backdrop>();
        ASSERT_TRUE(backdrop_->Ready());
        folder_ = std::make_unique<TempFolder>();
        ASSERT_TRUE(folder_->Created()) << folder_->Path();
    }

    void TearDown() override {
        program_.reset();
        CloseNotepads();
        backdrop_.reset();
        folder_.reset();
    }

    // Writes a readme beside the program; its text names the folder, so that Notepad
    // showing it proves which file was opened.
    std::string WriteReadme() {
        const std::string text =
            "Talvenor readme for the end-to-end test in " + folder_->Path() + "\r\n";
        std::ofstream(folder_->File(kReadmeName), std::ios::binary) << text;
        return text;
    }

    Program& Start() {
        program_ = std::make_unique<Program>(*folder_);
        return *program_;
    }

    HWND WaitForMainWindow(int timeoutMs = 10000) {
        HWND window = nullptr;
        WaitUntil([&] { return (window = program_->FindMainWindow()) != nullptr; }, timeoutMs, 1);
        return window;
    }

    // Waits for the fade-in to end and "Welcome!" to be drawn; the window then takes the
    // mouse. Null when the program did not come up so.
    HWND WaitUntilShown() {
        if (!program_ || !program_->Started()) return nullptr;
        HWND window = WaitForMainWindow();
        if (!window) return nullptr;
        const bool shown =
            WaitUntil([&] { return AlphaOf(window) == kShownAlpha; }, 10000, 1) &&
            WaitUntil([&] { return IsWindowEnabled(window) && WelcomeDrawn(window); }, 5000);
        return shown ? window : nullptr;
    }

    static bool WelcomeDrawn(HWND window) { return ShowsWelcome(WindowShot(window)); }

    // Makes the window the foreground one and checks that it stays so for a moment.
    static bool BringToFront(HWND window) {
        auto inFront = [&] {
            if (GetForegroundWindow() != window) SetForegroundWindow(window);
            ::Sleep(200);
            return GetForegroundWindow() == window;
        };
        return WaitUntil(inFront, 3000, 10);
    }

    static POINT OnScreen(HWND window, int x, int y) {
        RECT r{};
        ::GetWindowRect(window, &r);
        return {r.left + x, r.top + y};
    }

    static bool ClickAt(HWND window, int x, int y) {
        if (!MoveMouseTo(OnScreen(window, x, y))) return false;
        ::Sleep(50);
        SendButton(MOUSEEVENTF_LEFTDOWN);
        ::Sleep(50);
        SendButton(MOUSEEVENTF_LEFTUP);
        return true;
    }

    static testing::AssertionResult WaitForArrow(HWND window, int left, int top, Arrow want,
                                                 int timeoutMs = 3000) {
        Arrow seen = Arrow::Missing;
        if (WaitUntil([&] { return (seen = ArrowAt(WindowShot(window), left, top)) == want; },
                      timeoutMs, 10)) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure() << "arrow at (" << left << "," << top << ") is "
                                           << Name(seen) << ", not " << Name(want);
    }

    // All the arrows of a column (left edge 19, these tops) in one state.
    template <std::size_t N>
    static bool WaitForArrows(HWND window, const int (&tops)[N], Arrow want) {
        return WaitUntil(
            [&] {
                const WindowShot shot(window);
                return std::all_of(std::begin(tops), std::end(tops),
                                   [&](int top) { return ArrowAt(shot, 19, top) == want; });
            },
            3000, 10);
    }

    // What a fade-out looks like from outside: the alpha values seen, in order and without
    // repeats, sampled as fast as possible until the process has ended; and whether the
    // window was ever seen hidden, before or once the alpha had reached 0.
    struct FadeOut {
        std::vector<int> alphas;
        bool hiddenEarly = false;
        bool hiddenAtZero = false;
    };
    FadeOut WatchFadeOut(HWND window, DWORD timeoutMs) {
        FadeOut seen;
        const double deadline = NowSeconds() + timeoutMs / 1000.0;
        while (program_->Running() && NowSeconds() < deadline) {
            // Visibility first: once hidden the alpha stays put, so a hidden window read
            // with an alpha above 0 was hidden early, not caught between two steps.
            const bool hidden = ::IsWindow(window) && !::IsWindowVisible(window);
            const int alpha = AlphaOf(window);
            if (alpha >= 0 && (seen.alphas.empty() || seen.alphas.back() != alpha)) {
                seen.alphas.push_back(alpha);
            }
            if (hidden && alpha > 0) seen.hiddenEarly = true;
            if (hidden && alpha == 0) seen.hiddenAtZero = true;
        }
        return seen;
    }

    std::unique_ptr<Backdrop> backdrop_;
    std::unique_ptr<TempFolder> folder_;
    std::unique_ptr<Program> program_;
};

std::string Join(const std::vector<int>& values) {
    std::ostringstream s;
    for (std::size_t i = 0; i < values.size(); ++i) s << (i ? " " : "") << values[i];
    return s.str();
}

// ---- start-up ----

TEST_F(ProgramTest, StartsCentredShapedAndFadesInToWelcome) {
    Program& program = Start();
    ASSERT_TRUE(program.Started()) << "CreateProcess failed: " << GetLastError();
    HWND window = WaitForMainWindow();
    ASSERT_NE(window, nullptr) << "no main window appeared";

    // Through the fade: the alpha only climbs, in steps of 4; the window takes no input
    // and the hint panel stays empty until it is over.
    std::vector<int> alphas;
    bool inputDuringFade = false;
    bool hintDuringFade = false;
    const double deadline = NowSeconds() + 10;
    int alpha = -1;
    while ((alpha = AlphaOf(window)) != kShownAlpha && NowSeconds() < deadline &&
           program.Running()) {
        if (alpha >= 0 && (alphas.empty() || alphas.back() != alpha)) alphas.push_back(alpha);
        if (alpha < 4) continue;
        const bool enabled = IsWindowEnabled(window) != FALSE;
        const int hintPixels = HintPixels(WindowShot(window));
        const int after = AlphaOf(window);
        if (after >= 0 && after < kShownAlpha) {
            inputDuringFade = inputDuringFade || enabled;
            hintDuringFade = hintDuringFade || hintPixels > 0;
        }
    }
    const double startup = NowSeconds() - program.StartedAt();
    ASSERT_EQ(alpha, kShownAlpha) << "alpha seen: " << Join(alphas);
    std::printf("[ info     ] start-up, CreateProcess to alpha 240: %.1f ms\n", startup * 1000);
    std::fflush(stdout);
    RecordProperty("startup_ms", static_cast<int>(startup * 1000 + 0.5));

    EXPECT_TRUE(std::is_sorted(alphas.begin(), alphas.end())) << Join(alphas);
    for (const int a : alphas) EXPECT_EQ(a % 4, 0) << "alpha " << a << " in " << Join(alphas);
    EXPECT_FALSE(inputDuringFade) << "the window took input while fading in";
    EXPECT_FALSE(hintDuringFade) << "the hint panel showed text before the fade-in ended";

    RECT r{};
    ASSERT_TRUE(GetWindowRect(window, &r));
    EXPECT_EQ(r.right - r.left, kWindowWidth);
    EXPECT_EQ(r.bottom - r.top, kWindowHeight);
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_NEAR(r.left, (cx - kWindowWidth) / 2, 1);
    EXPECT_NEAR(r.top, (cy - kWindowHeight) / 2, 1);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0) << std::hex << style;

    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(window) && WelcomeDrawn(window); }, 5000))
        << "no \"Welcome!\" in the hint panel after the fade-in";

    // Magenta in the skin is cut away: the region misses it and the screen shows what lies
    // behind. Points: the cut top and bottom bars, the one-pixel frame, and the body.
    struct Point {
        int x, y;
        bool seeThrough;
    };
    const Point points[] = {{600, 15, true},   {600, 390, true},  {0, 200, true}, {717, 200, true},
                            {360, 200, false}, {100, 390, false}, {5, 200, false}};
    OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
    ASSERT_EQ(GetWindowRgn(window, region.Get()), COMPLEXREGION);
    const WindowShot shot(window);
    ASSERT_TRUE(shot.Valid());
    for (const Point& p : points) {
        SCOPED_TRACE(testing::Message() << "window pixel (" << p.x << "," << p.y << ") "
                                        << Describe(shot.At(p.x, p.y)));
        EXPECT_EQ(PtInRegion(region.Get(), p.x, p.y) == FALSE, p.seeThrough);
        EXPECT_EQ(IsGreenBackdrop(shot.At(p.x, p.y)), p.seeThrough);
    }

    // Main Page is the selected entry; the other entries are white; all arrows grey.
    EXPECT_GE(shot.Count(34, 97, 172, 13, IsOrangeish), 5) << "Main Page is not orange";
    for (const int top : {113, 129, 145}) {
        EXPECT_EQ(shot.Count(34, top, 172, 13, IsOrangeish), 0) << "entry at y " << top;
        EXPECT_GE(shot.Count(34, top, 172, 13, IsWhitish), 5) << "entry at y " << top;
    }
    for (const int top : kMenuArrowTops) {
        EXPECT_EQ(ArrowAt(shot, 19, top), Arrow::Grey) << "arrow at y " << top;
    }
    // The links and their arrows wait for Contact.
    for (const int top : kLinkArrowTops) {
        EXPECT_EQ(ArrowAt(shot, 19, top), Arrow::Missing) << "link arrow at y " << top;
    }

    // The three movie groups: real check boxes on the skin, ticked.
    struct Box {
        const char* caption;
        int x, y, width, height;
    };
    const Box boxes[] = {{"Pentium X (all lang)", 242, 122, 135, 16},
                         {"nVidia", 242, 143, 60, 16},
                         {"Trailer (all)", 242, 164, 88, 16}};
    const std::vector<HWND> children = Descendants(window);
    for (const Box& box : boxes) {
        SCOPED_TRACE(box.caption);
        auto found = std::find_if(children.begin(), children.end(), [&](HWND child) {
            return _stricmp(ClassOf(child).c_str(), "Button") == 0 && TextOf(child) == box.caption;
        });
        ASSERT_NE(found, children.end()) << "no check box";
        HWND check = *found;
        EXPECT_EQ(GetParent(GetParent(check)), window) << "not on the picture box";
        DWORD_PTR state = 0;
        ASSERT_TRUE(SendMessageTimeoutA(check, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state));
        EXPECT_EQ(state, static_cast<DWORD_PTR>(BST_CHECKED));
        RECT b{};
        GetWindowRect(check, &b);
        EXPECT_EQ(b.left - r.left, box.x);
        EXPECT_EQ(b.top - r.top, box.y);
        EXPECT_EQ(b.right - b.left, box.width);
        EXPECT_EQ(b.bottom - b.top, box.height);
    }
}

// ---- the mouse ----

TEST_F(ProgramTest, HoverLightsArrowsUntilThePointerCrossesTheFrame) {
    Start();
    HWND window = WaitUntilShown();
    ASSERT_NE(window, nullptr) << "the program did not come up";

    ASSERT_TRUE(MoveMouseTo(OnScreen(window, 60, 103)));  // Main Page
    EXPECT_TRUE(WaitForArrow(window, 19, 99, Arrow::Orange)) << "Main Page's arrow";
    EXPECT_TRUE(WaitUntil([&] { return ShowsAnotherHint(WindowShot(window)); }, 3000, 10))
        << "the hint panel still shows \"Welcome!\"";

    // Straight onto About, without crossing the frame: both stay lit.
    ASSERT_TRUE(MoveMouseTo(OnScreen(window, 60, 119)));
    EXPECT_TRUE(WaitForArrow(window, 19, 115, Arrow::Orange)) << "About's arrow";
    {
        const WindowShot shot(window);
        EXPECT_EQ(ArrowAt(shot, 19, 99), Arrow::Orange) << "Main Page's arrow went out";
        EXPECT_EQ(ArrowAt(shot, 19, 131), Arrow::Grey);
        EXPECT_EQ(ArrowAt(shot, 19, 147), Arrow::Grey);
    }

    // Over the frame picture, clear of every label: all arrows grey again, "Welcome!" back.
    ASSERT_TRUE(MoveMouseTo(OnScreen(window, 150, 200)));
    EXPECT_TRUE(WaitForArrows(window, kMenuArrowTops, Arrow::Grey))
        << "arrows still lit over the frame";
    EXPECT_TRUE(WaitUntil([&] { return WelcomeDrawn(window); }, 3000, 10))
        << "no \"Welcome!\" again";
    EXPECT_TRUE(program_->Running());
}

TEST_F(ProgramTest, ContactShowsTheLinksWhoseArrowsLightOnHover) {
    Start();
    HWND window = WaitUntilShown();
    ASSERT_NE(window, nullptr) << "the program did not come up";

    ASSERT_TRUE(ClickAt(window, 50, 135));  // Contact
    ASSERT_TRUE(WaitForArrows(window, kLinkArrowTops, Arrow::Grey))
        << "the links' arrows did not appear";
    {
        const WindowShot shot(window);
        for (const int top : {244, 259, 274}) {
            EXPECT_GE(shot.Count(34, top, 172, 13, IsWhitish), 5) << "no link text at y " << top;
        }
        EXPECT_GE(shot.Count(34, 129, 172, 13, IsOrangeish), 5) << "Contact is not selected";
        EXPECT_EQ(shot.Count(34, 97, 172, 13, IsOrangeish), 0) << "Main Page still selected";
    }

    struct Link {
        const char* name;
        int textTop, arrowTop;
    };
    const Link links[] = {{"E-mail", 244, 246}, {"Forum", 274, 276}};
    for (const Link& link : links) {
        SCOPED_TRACE(link.name);
        ASSERT_TRUE(MoveMouseTo(OnScreen(window, 45, link.textTop + 6)));
        EXPECT_TRUE(WaitForArrow(window, 19, link.arrowTop, Arrow::Orange));
    }
    // Website was not hovered.
    EXPECT_EQ(ArrowAt(WindowShot(window), 19, 261), Arrow::Grey);
}

// Dragging a background area moves the window by the pointer's travel once the drag has
// begun; the first pixel of movement is what starts it.
struct DragCase {
    const char* area;
    int x, y;
};
void PrintTo(const DragCase& c, std::ostream* out) {
    *out << c.area << " at (" << c.x << "," << c.y << ")";
}

class DragTest : public ProgramTest, public testing::WithParamInterface<DragCase> {};

TEST_P(DragTest, MovesTheWindowWithThePointer) {
    const DragCase& area = GetParam();
    Start();
    HWND window = WaitUntilShown();
    ASSERT_NE(window, nullptr) << "the program did not come up";
    RECT before{};
    GetWindowRect(window, &before);

    const POINT press = OnScreen(window, area.x, area.y);
    ASSERT_TRUE(MoveMouseTo(press));
    ::Sleep(50);
    constexpr int kDx = 40;
    constexpr int kDy = 25;
    constexpr int kSteps = 5;
    {
        HeldLeftButton button;
        ::Sleep(80);
        ASSERT_TRUE(MoveMouseTo({press.x + 1, press.y}));
        ::Sleep(150);  // the move loop starts on this move
        for (int i = 1; i <= kSteps; ++i) {
            ASSERT_TRUE(MoveMouseTo({press.x + 1 + kDx * i / kSteps, press.y + kDy * i / kSteps}));
            ::Sleep(40);
        }
        ::Sleep(100);
        button.Release();
    }
    RECT after{};
    auto movedByThePointer = [&] {
        GetWindowRect(window, &after);
        return std::abs(after.left - before.left - kDx) <= 1 &&
               std::abs(after.top - before.top - kDy) <= 1;
    };
    const bool moved = WaitUntil(movedByThePointer, 3000, 10);
    EXPECT_TRUE(moved) << "window moved by (" << after.left - before.left << ","
                       << after.top - before.top << "), pointer by (" << kDx << "," << kDy << ")";
    EXPECT_EQ(after.right - after.left, kWindowWidth);
    EXPECT_EQ(after.bottom - after.top, kWindowHeight);

    // The drag is over: the window follows the pointer no more.
    ASSERT_TRUE(MoveMouseTo({press.x + 100, press.y - 60}));
    ::Sleep(200);
    RECT still{};
    GetWindowRect(window, &still);
    EXPECT_EQ(still.left, after.left);
    EXPECT_EQ(still.top, after.top);
    EXPECT_TRUE(program_->Running());
}

INSTANTIATE_TEST_SUITE_P(
    BackgroundAreas, DragTest,
    testing::Values(DragCase{"BottomBar", 100, 390}, DragCase{"BodyMargin", 5, 200},
                    DragCase{"FramePicture", 150, 200}, DragCase{"Banner", 100, 18},
                    DragCase{"Title", 400, 54}, DragCase{"MovieGroupsCaption", 260, 104},
                    DragCase{"Note", 260, 334}),
    [](const testing::TestParamInfo<DragCase>& param) { return param.param.area; });

// ---- the keys ----

// F1 held long enough for many timer ticks: one Notepad per press.
TEST_F(ProgramTest, F1OpensTheReadmeInNotepadOncePerPress) {
    const std::string readme = WriteReadme();
    Start();
    HWND window = WaitUntilShown();
    ASSERT_NE(window, nullptr) << "the program did not come up";
    ASSERT_TRUE(NotepadWindows().empty());

    for (std::size_t press = 1; press <= 2; ++press) {
        SCOPED_TRACE(testing::Message() << "press " << press);
        // The program polls the keys whichever window has the focus, but F1 must not land
        // in the Notepad opened before as well: that one would open its own help.
        ASSERT_TRUE(BringToFront(window));
        {
            HeldKeys f1{VK_F1};
            ::Sleep(300);
        }
        EXPECT_TRUE(WaitUntil([&] { return NotepadWindows().size() >= press; }, 10000, 20))
            << "no Notepad";
        ::Sleep(1000);  // a second one would be on its way by now
        const std::vector<HWND> notepads = NotepadWindows();
        ASSERT_EQ(notepads.size(), press);
        for (HWND notepad : notepads) {
            EXPECT_NE(TextOf(notepad).find(kReadmeName), std::string::npos) << TextOf(notepad);
            const std::vector<HWND> children = Descendants(notepad);
            auto edit = std::find_if(children.begin(), children.end(), [](HWND child) {
                return _stricmp(ClassOf(child).c_str(), "Edit") == 0;
            });
            ASSERT_NE(edit, children.end());
            EXPECT_EQ(LongTextOf(*edit), readme) << "Notepad shows another file";
        }
    }
    EXPECT_TRUE(program_->Running());
}

TEST_F(ProgramTest, F1WithoutReadmeOpensNothing) {
    Start();
    HWND window = WaitUntilShown();
    ASSERT_NE(window, nullptr) << "the program did not come up";
    {
        HeldKeys f1{VK_F1};
        ::Sleep(300);
    }
    ::Sleep(2000);
    EXPECT_TRUE(NotepadWindows().empty());
    EXPECT_TRUE(program_->Running());
}

TEST_F(ProgramTest, F1AndEscTogetherOpenTheReadmeAndLeave) {
    WriteReadme();
    Program& program = Start();
    HWND window = WaitUntilShown();
    ASSERT_NE(window, nullptr) << "the program did not come up";
    {
        HeldKeys both{VK_F1, VK_ESCAPE};
        EXPECT_TRUE(program.WaitForExit(10000)) << "the program did not end";
        EXPECT_TRUE(WaitUntil([] { return !NotepadWindows().empty(); }, 10000, 20)) << "no Notepad";
    }
    EXPECT_EQ(program.ExitCode(), 0u);
    ::Sleep(500);
    EXPECT_EQ(NotepadWindows().size(), 1u);
}

TEST_F(ProgramTest, EscHeldFromTheStartEndsTheProgramDuringItsFadeIn) {
    HeldKeys esc{VK_ESCAPE};
    Program& program = Start();
    ASSERT_TRUE(program.Started());
    HWND window = nullptr;
    int highest = -1;
    const double deadline = NowSeconds() + 10;
    while (program.Running() && NowSeconds() < deadline) {
        if (!window) window = program.FindMainWindow();
        if (window) highest = std::max(highest, AlphaOf(window));
    }
    esc.Release();
    ASSERT_FALSE(program.Running()) << "the program is still running";
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_LT(highest, kShownAlpha) << "the fade-in ran to its end first";
}

// Esc and Exit both fade the window out to nothing before the program ends.
enum class Leave { EscKey, ExitEntry };
void PrintTo(Leave way, std::ostream* out) { *out << (way == Leave::EscKey ? "Esc" : "Exit"); }

class LeaveTest : public ProgramTest, public testing::WithParamInterface<Leave> {};

TEST_P(LeaveTest, FadesOutAndEnds) {
    Program& program = Start();
    HWND window = WaitUntilShown();
    ASSERT_NE(window, nullptr) << "the program did not come up";

    FadeOut fade;
    if (GetParam() == Leave::EscKey) {
        HeldKeys esc{VK_ESCAPE};
        fade = WatchFadeOut(window, 10000);
    } else {
        ASSERT_TRUE(ClickAt(window, 50, 151));
        fade = WatchFadeOut(window, 10000);
    }
    const std::vector<int>& alphas = fade.alphas;
    ASSERT_TRUE(program.WaitForExit(1000))
        << "the program did not end; alpha seen: " << Join(alphas);
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_TRUE(std::is_sorted(alphas.rbegin(), alphas.rend())) << Join(alphas);
    EXPECT_TRUE(
        std::any_of(alphas.begin(), alphas.end(), [](int a) { return a > 0 && a < kShownAlpha; }))
        << "no fade seen: " << Join(alphas);
    for (const int a : alphas) EXPECT_EQ(a % 4, 0) << "alpha " << a << " in " << Join(alphas);
    EXPECT_FALSE(fade.hiddenEarly) << "hidden before it had faded out";
    EXPECT_TRUE(fade.hiddenAtZero) << "not seen hidden at alpha 0: " << Join(alphas);
}

INSTANTIATE_TEST_SUITE_P(Ways, LeaveTest, testing::Values(Leave::EscKey, Leave::ExitEntry),
                         [](const testing::TestParamInfo<Leave>& param) {
                             return param.param == Leave::EscKey ? "EscKey" : "ExitEntry";
                         });

}  // namespace
