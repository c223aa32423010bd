// Drives the real program the way a user does: korv3nointros.exe runs as a process of its
// own, started from a folder of its own, and everything is checked through what another
// program can see of it (its windows, their attributes, the screen) and through real mouse
// and keyboard input. A green window of ours lies behind it, so see-through shows green.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <map>
#include <set>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/hide_watch.h"
#include "e2e/running_program.h"
#include "forms/Handles.h"
#include "unix_links.h"

namespace {

using namespace e2e;
using forms::OwnedBrush;
using forms::OwnedHandle;
using forms::OwnedRegion;

constexpr int kWindowWidth = 718;
constexpr int kWindowHeight = 406;
constexpr COLORREF kBackdropColor = RGB(0, 255, 0);
constexpr char kReadmeName[] = "Talvenor.nfo";

// ---- windows of other processes ----

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

// ---- the screen ----

bool IsGreenBackdrop(Rgb c) { return c.g >= 200 && c.r <= 60 && c.b <= 60; }
bool IsWhitish(Rgb c) { return std::min({c.r, c.g, c.b}) >= 190; }
bool IsNear(Rgb c, Rgb want, int tolerance) {
    return std::abs(c.r - want.r) <= tolerance && std::abs(c.g - want.g) <= tolerance &&
           std::abs(c.b - want.b) <= tolerance;
}
constexpr Rgb kOrange{248, 117, 33};
constexpr Rgb kArrowGrey{150, 155, 165};
bool IsOrangeish(Rgb c) { return c.r >= 180 && c.g >= 60 && c.g <= 170 && c.b <= 110; }

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

// The hide watch: a window-procedure hook in the program's window thread that notes the
// alpha the window has at the moment it is hidden, read here after the fact, however soon
// the program ends after the hide.
class HideWatch {
public:
    explicit HideWatch(HWND window) {
        DWORD pid = 0;
        const DWORD thread = ::GetWindowThreadProcessId(window, &pid);
        char name[64];
        HideWatchName(pid, name);
        mapping_ = OwnedHandle(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE,
                                                    0, sizeof(HideWatchBlock), name));
        if (!mapping_) {
            Fail("no shared block", ::GetLastError());
            return;
        }
        block_ = static_cast<HideWatchBlock*>(::MapViewOfFile(
            mapping_.Get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(HideWatchBlock)));
        if (!block_) {
            Fail("shared block not mapped", ::GetLastError());
            return;
        }
        block_->window = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(window));
        block_->attached = 0;
        block_->hides = 0;
        block_->alphaAtHide = -1;
        block_->dialogs = 0;
        const std::string dll = WindowsPath(HIDE_WATCH_DLL);
        module_ = ::LoadLibraryA(dll.c_str());
        if (!module_) {
            Fail("no hook module at " + dll, ::GetLastError());
            return;
        }
        // Through the catch-all function type, which any function pointer may be cast from.
        const auto proc = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void (*)()>(::GetProcAddress(module_, kHideWatchProc)));
        if (!proc) {
            Fail("the hook module has no hook", ::GetLastError());
            return;
        }
        hook_ = ::SetWindowsHookExA(WH_CALLWNDPROC, proc, module_, thread);
        if (!hook_) {
            Fail("not hooked", ::GetLastError());
            return;
        }
    }
    ~HideWatch() {
        if (hook_) ::UnhookWindowsHookEx(hook_);
        if (module_) ::FreeLibrary(module_);
        if (block_) ::UnmapViewOfFile(block_);
    }
    HideWatch(const HideWatch&) = delete;
    HideWatch& operator=(const HideWatch&) = delete;

    testing::AssertionResult Ready() const {
        if (hook_) return testing::AssertionSuccess();
        return testing::AssertionFailure() << "hide watch: " << error_;
    }
    bool Attached() const { return block_ && block_->attached != 0; }
    int Hides() const { return block_ ? static_cast<int>(block_->hides) : 0; }
    int AlphaAtHide() const { return block_ ? static_cast<int>(block_->alphaAtHide) : -1; }
    int Dialogs() const { return block_ ? static_cast<int>(block_->dialogs) : 0; }

private:
    void Fail(const std::string& what, DWORD error) {
        std::ostringstream message;
        message << what << " (error " << error << ")";
        error_ = message.str();
    }

    OwnedHandle mapping_;
    HideWatchBlock* block_ = nullptr;
    HMODULE module_ = nullptr;
    HHOOK hook_ = nullptr;
    std::string error_;
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

    HWND WaitForMainWindow(int timeoutMs = 10000) { return program_->WaitForMainWindow(timeoutMs); }

    // Waits for the fade-in to end and "Welcome!" to be drawn; the window then takes the
    // mouse. Null when the program did not come up so; NotShown() then tells which step
    // it did not reach.
    HWND WaitUntilShown() {
        notShown_ = NotShownBecause();
        return notShown_.empty() ? shown_ : nullptr;
    }
    const std::string& NotShown() const noexcept { return notShown_; }

    static bool WelcomeDrawn(HWND window) { return ShowsWelcome(WindowShot(window)); }

    std::string NotShownBecause() {
        shown_ = nullptr;
        if (!program_) return "the program was not started";
        if (!program_->Started()) return "the program did not start: " + program_->StartFailure();
        HWND window = WaitForMainWindow();
        auto ended = [&] {
            return program_->Running() ? std::string()
                                       : "; it ended with code " + std::to_string(program_->ExitCode());
        };
        if (!window) return "no main window appeared" + ended();
        if (!WaitUntilFadedIn(window, 10000)) {
            return "the window did not fade in (alpha " + std::to_string(AlphaOf(window)) +
                   ", visible " + std::to_string(::IsWindowVisible(window) != FALSE) +
                   ", enabled " + std::to_string(::IsWindowEnabled(window) != FALSE) + ")" + ended();
        }
        if (!WaitUntil([&] { return IsWindowEnabled(window) && WelcomeDrawn(window); }, 5000)) {
            return "\"Welcome!\" was not drawn" + ended();
        }
        shown_ = window;
        return {};
    }

    // Makes the window the foreground one and checks that it stays so for a moment.
    static bool BringToFront(HWND window) {
        auto inFront = [&] {
            if (GetForegroundWindow() != window) SetForegroundWindow(window);
            ::Sleep(200);
            return GetForegroundWindow() == window;
        };
        return WaitUntil(inFront, 3000, 10);
    }

    // Waits until the window's thread runs the system's move loop, which it enters on the
    // first move of a held press on the background; from then on the window follows the
    // pointer's travel from that move on, however late the loop reads the later moves.
    static testing::AssertionResult WaitForMoveLoop(HWND window, int timeoutMs = 5000) {
        const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
        GUITHREADINFO info{};
        auto inMoveLoop = [&] {
            info = GUITHREADINFO{};
            info.cbSize = sizeof info;
            return ::GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMOVESIZE) != 0 &&
                   info.hwndMoveSize == window;
        };
        if (WaitUntil(inMoveLoop, timeoutMs, 5)) return testing::AssertionSuccess();
        return testing::AssertionFailure() << "the move loop did not start within " << timeoutMs
                                           << " ms (thread flags " << info.flags << ")";
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

    // What a fade-out looks like: the alpha values seen from outside, in order and without
    // repeats, sampled as fast as possible until the process has ended; whether the window
    // was ever seen hidden, before or once the alpha had reached 0; and what the hide watch
    // saw inside the program when the window was hidden. The program hides its window and
    // ends at once, so a look from outside can miss the hidden window altogether.
    struct FadeOut {
        std::vector<int> alphas;
        bool hiddenEarly = false;
        bool hiddenAtZero = false;
        bool watchAttached = false;
        int hides = 0;
        int alphaAtHide = -1;
    };
    FadeOut WatchFadeOut(HWND window, const HideWatch& watch, DWORD timeoutMs) {
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
        seen.watchAttached = watch.Attached();
        seen.hides = watch.Hides();
        if (seen.hides > 0) {
            seen.alphaAtHide = watch.AlphaAtHide();
            if (seen.alphaAtHide != 0) seen.hiddenEarly = true;
            if (seen.alphaAtHide == 0) seen.hiddenAtZero = true;
        }
        return seen;
    }

    std::unique_ptr<Backdrop> backdrop_;
    std::unique_ptr<TempFolder> folder_;
    std::unique_ptr<Program> program_;

private:
    HWND shown_ = nullptr;
    std::string notShown_;
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
    ASSERT_NE(window, nullptr) << NotShown();

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
    ASSERT_NE(window, nullptr) << NotShown();

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
    ASSERT_NE(window, nullptr) << NotShown();
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
        ASSERT_TRUE(WaitForMoveLoop(window));  // it starts on this move
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
    ASSERT_NE(window, nullptr) << NotShown();
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
    ASSERT_NE(window, nullptr) << NotShown();
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
    ASSERT_NE(window, nullptr) << NotShown();
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
    ASSERT_NE(window, nullptr) << NotShown();

    const HideWatch watch(window);
    ASSERT_TRUE(watch.Ready());
    FadeOut fade;
    if (GetParam() == Leave::EscKey) {
        HeldKeys esc{VK_ESCAPE};
        fade = WatchFadeOut(window, watch, 10000);
    } else {
        ASSERT_TRUE(ClickAt(window, 50, 151));
        fade = WatchFadeOut(window, watch, 10000);
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
    EXPECT_TRUE(fade.watchAttached) << "the hide watch never reached the program";
    EXPECT_FALSE(fade.hiddenEarly) << "hidden before it had faded out; alpha at the hide "
                                   << fade.alphaAtHide << ", seen: " << Join(alphas);
    EXPECT_TRUE(fade.hiddenAtZero) << "not seen hidden at alpha 0: " << Join(alphas);
}

INSTANTIATE_TEST_SUITE_P(Ways, LeaveTest, testing::Values(Leave::EscKey, Leave::ExitEntry),
                         [](const testing::TestParamInfo<Leave>& param) {
                             return param.param == Leave::EscKey ? "EscKey" : "ExitEntry";
                         });

// ---- a close request ----

// A close request from outside (the taskbar's Close, another program's WM_CLOSE) takes the
// window down whatever the program is doing at that moment; the program then ends quietly:
// exit code 0 and no box, not even one that a pending quit closes at once.
enum class CloseMoment { DuringFadeIn, WhileShown, DuringFadeOut, DuringDrag };
void PrintTo(CloseMoment moment, std::ostream* out) {
    switch (moment) {
        case CloseMoment::DuringFadeIn: *out << "DuringFadeIn"; break;
        case CloseMoment::WhileShown: *out << "WhileShown"; break;
        case CloseMoment::DuringFadeOut: *out << "DuringFadeOut"; break;
        case CloseMoment::DuringDrag: *out << "DuringDrag"; break;
    }
}

class CloseTest : public ProgramTest, public testing::WithParamInterface<CloseMoment> {};

TEST_P(CloseTest, EndsTheProgramQuietly) {
    const CloseMoment moment = GetParam();
    Program& program = Start();
    HWND window = moment == CloseMoment::DuringFadeIn ? WaitForMainWindow() : WaitUntilShown();
    ASSERT_NE(window, nullptr) << NotShown();
    const HideWatch watch(window);
    ASSERT_TRUE(watch.Ready());

    auto fading = [&] {
        const int alpha = AlphaOf(window);
        return ::IsWindowVisible(window) && alpha > 0 && alpha < kShownAlpha;
    };
    if (moment == CloseMoment::DuringFadeOut) {
        ASSERT_TRUE(ClickAt(window, 50, 151));  // Exit
    }
    if (moment == CloseMoment::DuringFadeIn || moment == CloseMoment::DuringFadeOut) {
        // The request waits in the queue for the fade's next step.
        ASSERT_TRUE(WaitUntil(fading, 10000, 1)) << "no fade seen; alpha " << AlphaOf(window);
    }
    std::unique_ptr<HeldLeftButton> held;
    if (moment == CloseMoment::DuringDrag) {
        // The frame picture, dragged: the system's move loop runs inside its handler.
        RECT before{};
        ::GetWindowRect(window, &before);
        const POINT press = OnScreen(window, 150, 200);
        ASSERT_TRUE(MoveMouseTo(press));
        ::Sleep(50);
        held = std::make_unique<HeldLeftButton>();
        ::Sleep(80);
        ASSERT_TRUE(MoveMouseTo({press.x + 1, press.y}));
        ASSERT_TRUE(WaitForMoveLoop(window));  // it starts on this move
        ASSERT_TRUE(MoveMouseTo({press.x + 21, press.y + 10}));
        ASSERT_TRUE(WaitUntil(
            [&] {
                RECT now{};
                ::GetWindowRect(window, &now);
                return now.left != before.left;
            },
            3000, 10))
            << "the drag did not begin";
    }
    ASSERT_TRUE(::PostMessageA(window, WM_CLOSE, 0, 0));
    if (held) {
        ::Sleep(100);
        held->Release();
    }

    ASSERT_TRUE(program.WaitForExit(10000)) << "the program did not end";
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(watch.Dialogs(), 0) << "a box came up";
}

INSTANTIATE_TEST_SUITE_P(Moments, CloseTest,
                         testing::Values(CloseMoment::DuringFadeIn, CloseMoment::WhileShown,
                                         CloseMoment::DuringFadeOut, CloseMoment::DuringDrag),
                         [](const testing::TestParamInfo<CloseMoment>& param) {
                             std::ostringstream name;
                             PrintTo(param.param, &name);
                             return name.str();
                         });

// ---- Apply: the patch run ----

// Where the game records its folder; the test points it at a game folder of its own.
constexpr char kGameKey[] = "SOFTWARE\\Hollenbrisk\\Brakemoor 3";
constexpr char kGameKeyParent[] = "SOFTWARE\\Hollenbrisk";
constexpr char kGameFolderValue[] = "PATH_VIDEO";
constexpr char kReplacementName[] = "qx-vlm5.dat";
constexpr char kTitle[] = "QX - Korv3 No Intros";
// The text control of a message box.
constexpr int kMessageBoxTextId = 0xFFFF;

struct RegKeyTraits {
    static void Close(HKEY key) noexcept { ::RegCloseKey(key); }
};
using OwnedKey = forms::UniqueHandle<HKEY, RegKeyTraits>;

bool KeyExists(const char* path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

// The game's PATH_VIDEO value for the length of a test: whatever was there before (the
// value, or its absence and that of its keys) is put back at the end.
class GameFolderSetting {
public:
    GameFolderSetting()
        : parentExisted_(KeyExists(kGameKeyParent)), keyExisted_(KeyExists(kGameKey)) {
        HKEY raw = nullptr;
        if (!keyExisted_ ||
            ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kGameKey, 0, KEY_READ, &raw) != ERROR_SUCCESS) {
            return;
        }
        OwnedKey key(raw);
        DWORD size = 0;
        if (::RegQueryValueExA(raw, kGameFolderValue, nullptr, &savedType_, nullptr, &size) !=
            ERROR_SUCCESS) {
            return;
        }
        saved_.resize(size);
        valueExisted_ = ::RegQueryValueExA(raw, kGameFolderValue, nullptr, &savedType_,
                                           saved_.data(), &size) == ERROR_SUCCESS;
        saved_.resize(size);
    }
    ~GameFolderSetting() {
        if (valueExisted_) {
            if (OwnedKey key = Open()) {
                ::RegSetValueExA(key.Get(), kGameFolderValue, 0, savedType_, saved_.data(),
                                 static_cast<DWORD>(saved_.size()));
            }
            return;
        }
        Remove();
        if (!keyExisted_) ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kGameKey);
        if (!parentExisted_) ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kGameKeyParent);
    }
    GameFolderSetting(const GameFolderSetting&) = delete;
    GameFolderSetting& operator=(const GameFolderSetting&) = delete;

    // A text value with its NUL.
    bool Set(const std::string& text) { return SetRaw(REG_SZ, text + std::string(1, '\0')); }
    // Any value as stored: its type and its bytes.
    bool SetRaw(DWORD type, const std::string& bytes) {
        OwnedKey key = Open();
        return key && ::RegSetValueExA(key.Get(), kGameFolderValue, 0, type,
                                       reinterpret_cast<const BYTE*>(bytes.data()),
                                       static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
    }
    bool Remove() {
        OwnedKey key = Open();
        if (!key) return false;
        const LSTATUS status = ::RegDeleteValueA(key.Get(), kGameFolderValue);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }

private:
    static OwnedKey Open() {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGameKey, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                              nullptr, &key, nullptr) != ERROR_SUCCESS) {
            return {};
        }
        return OwnedKey(key);
    }

    bool parentExisted_;
    bool keyExisted_;
    bool valueExisted_ = false;
    DWORD savedType_ = REG_NONE;
    std::vector<BYTE> saved_;
};

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out.flush());
}

// Every file and folder under a root (the root itself is ""), with its attributes and, for
// a file, its bytes: what a run may have changed.
struct Entry {
    DWORD attributes = 0;
    std::string bytes;
    bool operator==(const Entry&) const = default;
};
using Tree = std::map<std::string, Entry>;

void AddTree(const std::string& root, const std::string& relative, Tree& tree) {
    const std::string path = relative.empty() ? root : root + "\\" + relative;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    Entry& entry = tree[relative];
    entry.attributes = attributes;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        entry.bytes = ReadFileBytes(path);
        return;
    }
    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") {
            AddTree(root, relative.empty() ? name : relative + "\\" + name, tree);
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

Tree Snapshot(const std::string& root) {
    Tree tree;
    AddTree(root, "", tree);
    return tree;
}

// The entries of two snapshots that differ, one per line; empty when they are the same.
std::string Differences(const Tree& want, const Tree& got) {
    std::ostringstream out;
    auto describe = [](const Tree& tree, const std::string& name) {
        const auto found = tree.find(name);
        if (found == tree.end()) return std::string("absent");
        std::ostringstream s;
        s << "attributes 0x" << std::hex << found->second.attributes << std::dec << ", "
          << found->second.bytes.size() << " bytes";
        return s.str();
    };
    Tree both = want;
    both.insert(got.begin(), got.end());
    for (const auto& [name, ignored] : both) {
        const auto w = want.find(name);
        const auto g = got.find(name);
        if (w != want.end() && g != got.end() && w->second == g->second) continue;
        out << "  \"" << name << "\": want " << describe(want, name) << ", got "
            << describe(got, name) << (w != want.end() && g != got.end() &&
                                               w->second.bytes != g->second.bytes
                                           ? " (other bytes)"
                                           : "")
            << "\n";
    }
    return out.str();
}

// A message box of the program: its title, its text and its buttons.
struct ShownBox {
    HWND window = nullptr;
    std::string title;
    std::string text;
    std::vector<std::string> buttons;
};

HWND FindMessageBox(DWORD pid) {
    HWND found = nullptr;
    ForEachTopLevelWindow([&](HWND window) {
        if (!found && ProcessOf(window) == pid && ClassOf(window) == "#32770" &&
            ::IsWindowVisible(window)) {
            found = window;
        }
    });
    return found;
}

ShownBox ReadBox(HWND window) {
    ShownBox box;
    box.window = window;
    box.title = TextOf(window);
    for (HWND child : Descendants(window)) {
        if (::GetDlgCtrlID(child) == kMessageBoxTextId) {
            box.text = LongTextOf(child);
        } else if (_stricmp(ClassOf(child).c_str(), "Button") == 0 && ::IsWindowVisible(child)) {
            box.buttons.push_back(TextOf(child));
        }
    }
    return box;
}

std::string Join(const std::vector<std::string>& texts) {
    std::string joined;
    for (const std::string& text : texts) joined += (joined.empty() ? "" : ", ") + text;
    return joined;
}

// One of the 19 movies as the test lays it out; kMissing: not there at all.
constexpr DWORD kMissing = INVALID_FILE_ATTRIBUTES;
struct Movie {
    const char* name;
    DWORD attributes;
};
constexpr Movie kMovies[] = {
    {"intel_e.bik", FILE_ATTRIBUTE_READONLY},
    {"intel_f.bik", FILE_ATTRIBUTE_HIDDEN},
    {"intel_g.bik", kMissing},
    {"nVid.bik", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
    {"Intr_dtm_e.bik", FILE_ATTRIBUTE_NORMAL},
    {"Intr_dtm_f.bik", kMissing},
    {"Intr_dtm_g.bik", FILE_ATTRIBUTE_SYSTEM},
    {"Intr_dtm_i.bik", FILE_ATTRIBUTE_NORMAL},
    {"Intr_dtm_s.bik", FILE_ATTRIBUTE_READONLY},
    {"Intr_korv_e.bik", FILE_ATTRIBUTE_NORMAL},
    {"Intr_korv_f.bik", FILE_ATTRIBUTE_HIDDEN},
    {"Intr_korv_g.bik", FILE_ATTRIBUTE_NORMAL},
    {"Intr_korv_i.bik", FILE_ATTRIBUTE_NORMAL},
    {"Intr_korv_s.bik", FILE_ATTRIBUTE_ARCHIVE},
    {"Intr_v8_e.bik", FILE_ATTRIBUTE_NORMAL},
    {"Intr_v8_f.bik", FILE_ATTRIBUTE_READONLY},
    {"Intr_v8_g.bik", FILE_ATTRIBUTE_NORMAL},
    {"Intr_v8_i.bik", FILE_ATTRIBUTE_HIDDEN},
    {"Intr_v8_s.bik", kMissing},
};

// The program with a game of its own: a game folder whose "video" folder holds the movies
// of kMovies (and a file that is none of them), PATH_VIDEO naming that folder, and a
// replacement movie beside the program, with bytes that no movie has.
class ApplyTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        if (HasFatalFailure()) return;
        setting_ = std::make_unique<GameFolderSetting>();
        game_ = std::make_unique<TempFolder>();
        ASSERT_TRUE(game_->Created()) << game_->Path();
        ASSERT_TRUE(setting_->Set(game_->Path())) << "could not write " << kGameFolderValue;

        for (unsigned i = 0; i < 300000; ++i) replacement_ += static_cast<char>((i * 7919u) >> 5);
        ASSERT_TRUE(WriteFileBytes(folder_->File(kReplacementName), replacement_));

        LayOutGame(game_->Path());
    }

    // A game in a folder: the game itself, and a "video" folder that holds the movies of
    // kMovies and a file that is none of them.
    static void LayOutGame(const std::string& folder) {
        const std::string video = folder + "\\video";
        ASSERT_TRUE(WriteFileBytes(folder + "\\Korv3.exe", "the game itself"));
        ASSERT_TRUE(::CreateDirectoryA(video.c_str(), nullptr));
        ASSERT_TRUE(WriteFileBytes(video + "\\readme.txt", "not a movie"));
        for (const Movie& movie : kMovies) {
            if (movie.attributes == kMissing) continue;
            const std::string path = video + "\\" + movie.name;
            ASSERT_TRUE(WriteFileBytes(path, std::string("original ") + movie.name));
            ASSERT_TRUE(::SetFileAttributesA(path.c_str(), movie.attributes)) << movie.name;
            // Else the run would not be shown what it must cope with.
            ASSERT_EQ(::GetFileAttributesA(path.c_str()) & movie.attributes & ~FILE_ATTRIBUTE_NORMAL,
                      movie.attributes & ~FILE_ATTRIBUTE_NORMAL)
                << movie.name << ": the file system keeps no such attribute";
        }
    }

    void TearDown() override {
        ProgramTest::TearDown();
        setting_.reset();
        game_.reset();
    }

    std::string Video() const { return game_->File("video"); }

    // Comes up, and Apply is found.
    HWND StartAndFindApply(HWND& window) {
        Start();
        window = WaitUntilShown();
        return window ? FindApply(window) : nullptr;
    }

    // The next message box of the program, once it is up and in front.
    testing::AssertionResult WaitForBox(ShownBox& box, const char* what, int timeoutMs = 10000) {
        HWND window = nullptr;
        if (!WaitUntil([&] { return (window = FindMessageBox(program_->Pid())) != nullptr; },
                       timeoutMs, 10)) {
            return testing::AssertionFailure()
                   << "no " << what << " within " << timeoutMs << " ms"
                   << (program_->Running() ? "" : " (the program has ended)");
        }
        if (!BringToFront(window)) {
            return testing::AssertionFailure() << "the " << what << " box would not come to the front";
        }
        box = ReadBox(window);
        return testing::AssertionSuccess();
    }

    // Answers a message box with one key, as a user does.
    static testing::AssertionResult Answer(const ShownBox& box, WORD key, const char* what) {
        {
            HeldKeys pressed{key};
            ::Sleep(50);
        }
        if (WaitUntil([&] { return !::IsWindow(box.window) || !::IsWindowVisible(box.window); },
                      5000, 10)) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure() << "the " << what << " box is still up after the key";
    }

    // The question, as it stands in the program; answered with the key given.
    void AnswerTheQuestion(WORD key) {
        ShownBox question;
        ASSERT_TRUE(WaitForBox(question, "question"));
        EXPECT_EQ(question.title, kTitle);
        EXPECT_EQ(question.text, "No Backup feature!\r\nContinue?");
        EXPECT_EQ(Join(question.buttons), "&Yes, &No");
        ASSERT_TRUE(Answer(question, key, "question"));
    }

    // Comes up, Apply clicked and the question answered Yes: the box that follows, and
    // the main window.
    void ApplyAndReadTheReport(ShownBox& report, HWND* main = nullptr) {
        HWND window = nullptr;
        HWND apply = StartAndFindApply(window);
        if (main) *main = window;
        ASSERT_NE(window, nullptr) << NotShown();
        ASSERT_NE(apply, nullptr) << "no Apply button at (" << kApplyLeft << "," << kApplyTop << ")";
        ASSERT_TRUE(ClickMiddle(apply));
        AnswerTheQuestion(VK_RETURN);
        if (HasFatalFailure()) return;
        ASSERT_TRUE(WaitForBox(report, "report"));
        EXPECT_EQ(report.title, kTitle);
    }

    // The report taken with OK, and the program's end after it.
    void CloseTheReportAndEnd(const ShownBox& report) {
        ASSERT_TRUE(Answer(report, VK_SPACE, "report"));
        ASSERT_TRUE(program_->WaitForExit(15000)) << "the program did not end after the report";
        EXPECT_EQ(program_->ExitCode(), 0u);
    }

    // The folder as it must look after a run that replaced every movie but those left
    // alone, which stay as they were; videoKey: the video folder, from the game folder.
    Tree ReplacedTree(const Tree& before, const std::set<std::string>& leftAlone = {},
                      const std::string& videoKey = "video") const {
        Tree want = before;
        for (const Movie& movie : kMovies) {
            if (leftAlone.count(movie.name)) continue;
            const std::string key = videoKey + "\\" + movie.name;
            Entry& entry = want[key];
            entry.bytes = replacement_;
            entry.attributes = ::GetFileAttributesA(game_->File(key).c_str());
        }
        return want;
    }

    std::unique_ptr<GameFolderSetting> setting_;
    std::unique_ptr<TempFolder> game_;
    std::string replacement_;
};

TEST_F(ApplyTest, ClickYesReplacesEveryMovieReportsDoneAndEnds) {
    const Tree before = Snapshot(game_->Path());
    ShownBox report;
    ApplyAndReadTheReport(report);
    if (HasFatalFailure()) return;
    EXPECT_EQ(report.text, "Done!");
    EXPECT_EQ(Join(report.buttons), "OK");
    CloseTheReportAndEnd(report);
    if (HasFatalFailure()) return;

    const Tree after = Snapshot(game_->Path());
    EXPECT_EQ(Differences(ReplacedTree(before), after), "");
    for (const Movie& movie : kMovies) {
        const auto found = after.find("video\\" + std::string(movie.name));
        ASSERT_NE(found, after.end()) << movie.name;
        EXPECT_EQ(found->second.attributes &
                      (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                  0u)
            << movie.name;
    }
}

// A folder at a path the test chooses, removed with what is in it.
class FolderAt {
public:
    explicit FolderAt(std::string path) : path_(std::move(path)) {
        created_ = ::CreateDirectoryA(path_.c_str(), nullptr) != FALSE;
    }
    ~FolderAt() {
        if (created_) WaitUntil([&] { return RemoveTree(path_); }, 3000, 50);
    }
    FolderAt(const FolderAt&) = delete;
    FolderAt& operator=(const FolderAt&) = delete;
    bool Created() const noexcept { return created_; }

private:
    std::string path_;
    bool created_ = false;
};

// A value stored without a NUL of its own (binary data, as some tools and hand edits
// leave it) names its whole folder: the game's movies are replaced, and those of another
// install whose folder is named like the game's without its last character stay as they were.
TEST_F(ApplyTest, AValueWithoutItsNulNamesItsOwnFolder) {
    const std::string sibling = game_->Path().substr(0, game_->Path().size() - 1);
    const FolderAt siblingFolder(sibling);
    ASSERT_TRUE(siblingFolder.Created()) << sibling;
    LayOutGame(sibling);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(setting_->SetRaw(REG_BINARY, game_->Path()));
    const Tree before = Snapshot(game_->Path());
    const Tree siblingBefore = Snapshot(sibling);

    ShownBox report;
    ApplyAndReadTheReport(report);
    if (HasFatalFailure()) return;
    EXPECT_EQ(report.text, "Done!");
    CloseTheReportAndEnd(report);

    EXPECT_EQ(Differences(ReplacedTree(before), Snapshot(game_->Path())), "");
    EXPECT_EQ(Differences(siblingBefore, Snapshot(sibling)), "") << "the other install changed";
}

// Movies that are Unix links, made on the Unix side as a player who moved the movies to
// save room leaves them: each is left as it is and named in the closing message; what they
// lead to, outside the video folder or beside it, stays as it was, and so do the links.
TEST_F(ApplyTest, LinkedMoviesAreNamedAndNothingTheyLeadToChanges) {
    const TempFolder elsewhere;
    ASSERT_TRUE(elsewhere.Created());
    ASSERT_TRUE(WriteFileBytes(elsewhere.File("moved.bik"), "a movie moved away"));
    ASSERT_TRUE(::SetFileAttributesA(elsewhere.File("moved.bik").c_str(),
                                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(::CreateDirectoryA(elsewhere.File("movies").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(elsewhere.File("movies") + "\\Intr_dtm_e.bik", "in a folder elsewhere"));
    const std::string unixElsewhere = unixlinks::UnixPath(elsewhere.Path());
    ASSERT_FALSE(unixElsewhere.empty());

    struct LinkedMovie {
        const char* name;
        std::string target;  // as the link is written
        std::string listed;  // what the closing message says is left of it
    };
    const LinkedMovie linked[] = {  // in the order of the run
        {"intel_e.bik", unixElsewhere + "/moved.bik",
         "a link to " + elsewhere.File("moved.bik") + ", left as it is"},
        {"nVid.bik", "../Korv3.exe", "a link to " + game_->File("Korv3.exe") + ", left as it is"},
        {"Intr_dtm_e.bik", unixElsewhere + "/movies",
         "a link to the folder " + elsewhere.File("movies") + ", left as it is"},
        {"Intr_korv_e.bik", unixElsewhere + "/gone.bik", "a link that leads nowhere, left as it is"},
    };
    unixlinks::Links links;  // goes first: removed as links, before the folders
    std::set<std::string> leftAlone;
    for (const LinkedMovie& movie : linked) {
        const std::string path = Video() + "\\" + movie.name;
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(::DeleteFileA(path.c_str())) << movie.name;
        ASSERT_TRUE(links.Symbolic(movie.target, path)) << movie.name;
        leftAlone.insert(movie.name);
    }
    const Tree before = Snapshot(game_->Path());
    const Tree elsewhereBefore = Snapshot(elsewhere.Path());

    ShownBox report;
    ApplyAndReadTheReport(report);
    if (HasFatalFailure()) return;
    std::string listed;
    for (const LinkedMovie& movie : linked) listed += std::string(movie.name) + ": " + movie.listed + "\r\n";
    EXPECT_EQ(report.text.rfind("Not every movie was replaced: 15 of 19 were.\r\n\r\nIn " + Video() +
                                    "\\:\r\n" + listed + "\r\n",
                                0),
              0u)
        << report.text;
    CloseTheReportAndEnd(report);

    EXPECT_EQ(Differences(elsewhereBefore, Snapshot(elsewhere.Path())), "") << "files elsewhere changed";
    EXPECT_EQ(::GetFileAttributesA(elsewhere.File("gone.bik").c_str()), INVALID_FILE_ATTRIBUTES)
        << "a file was made where the dangling link leads";
    EXPECT_EQ(Differences(ReplacedTree(before, leftAlone), Snapshot(game_->Path())), "");
    for (const LinkedMovie& movie : linked) {
        EXPECT_EQ(unixlinks::LinkTarget(Video() + "\\" + movie.name), movie.target) << movie.name;
    }
}

// On a Unix disk, paths that differ only in letter case are different files. A movie that
// is a link whose target's path differs from the movie's only in case is a link all the
// same: it is left as it is and named, and nothing it leads to changes. A registry value
// in another case, and a movie stored in another case, are still the game's.
enum class Spelling {
    FolderBesideVideo,      // video/intel_e.bik -> ../VIDEO/intel_e.bik
    FolderBesideVideoHeld,  // the same, its target held open by another program
    SecondInstall,          // korv3/video/intel_e.bik -> the same movie of Korv3 beside it
    SameFolderEntry,        // video/intel_e.bik -> INTEL_E.BIK, a plain file beside it
    UpperCaseMovie,         // the movie stored as INTEL_E.BIK, the only file of that name
    ValueInOtherCase,       // PATH_VIDEO names the game folder in other letter case
};
struct SpellingCase {
    Spelling spelling;
    const char* name;
};
void PrintTo(const SpellingCase& c, std::ostream* out) { *out << c.name; }

// Every letter in the other case.
std::string OtherCase(std::string text) {
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        c = static_cast<char>(std::isupper(u) ? std::tolower(u) : std::toupper(u));
    }
    return text;
}

class LetterCaseTest : public ApplyTest, public testing::WithParamInterface<SpellingCase> {
protected:
    // A folder beside one whose name differs from it only in case: Windows calls would
    // take the name for the other one's.
    testing::AssertionResult MakeFolderBeside(const std::string& name) const {
        const std::string parent = unixlinks::UnixPath(game_->Path());
        if (parent.empty()) return testing::AssertionFailure() << "no Unix path for " << game_->Path();
        return unixlinks::RunShell("mkdir -- " + unixlinks::Quoted(parent + "/" + name));
    }

    // The movie intel_e.bik taken away, for something else in its place.
    static testing::AssertionResult RemoveMovie(const std::string& video) {
        const std::string path = video + "\\intel_e.bik";
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (::DeleteFileA(path.c_str())) return testing::AssertionSuccess();
        return testing::AssertionFailure() << "cannot remove " << path;
    }
};

TEST_P(LetterCaseTest, OnlyTheVideoFolderOwnMoviesAreReplaced) {
    const Spelling spelling = GetParam().spelling;
    std::string videoKey = "video";  // the video folder, from the folder the test made
    std::string link;                // where intel_e.bik leads, as the link is written
    std::string listed;              // the closing message's line; none for "Done!"
    unixlinks::Links links;          // goes before the folders: removed as links
    switch (spelling) {
    case Spelling::FolderBesideVideo:
    case Spelling::FolderBesideVideoHeld:
        ASSERT_TRUE(MakeFolderBeside("VIDEO"));
        ASSERT_TRUE(WriteFileBytes(game_->File("VIDEO\\intel_e.bik"), "the movie of the folder VIDEO"));
        ASSERT_TRUE(RemoveMovie(Video()));
        link = "../VIDEO/intel_e.bik";
        listed = "intel_e.bik: a link to " + game_->File("VIDEO\\intel_e.bik") + ", left as it is";
        break;
    case Spelling::SecondInstall:
        // The folder the test made holds a game too; PATH_VIDEO names the one inside it.
        for (const char* install : {"korv3", "Korv3"}) {
            ASSERT_TRUE(MakeFolderBeside(install)) << install;
            LayOutGame(game_->File(install));
            if (HasFatalFailure()) return;
        }
        ASSERT_TRUE(setting_->Set(game_->File("korv3")));
        ASSERT_TRUE(RemoveMovie(game_->File("korv3\\video")));
        videoKey = "korv3\\video";
        link = "../../Korv3/video/intel_e.bik";
        listed = "intel_e.bik: a link to " + game_->File("Korv3\\video\\intel_e.bik") + ", left as it is";
        break;
    case Spelling::SameFolderEntry:
        ASSERT_TRUE(RemoveMovie(Video()));
        ASSERT_TRUE(WriteFileBytes(Video() + "\\INTEL_E.BIK", "a movie in capitals"));
        link = "INTEL_E.BIK";
        listed = "intel_e.bik: a link to " + Video() + "\\INTEL_E.BIK, left as it is";
        break;
    case Spelling::UpperCaseMovie:
        ASSERT_TRUE(RemoveMovie(Video()));
        ASSERT_TRUE(WriteFileBytes(Video() + "\\INTEL_E.BIK", "the movie, stored in capitals"));
        break;
    case Spelling::ValueInOtherCase: ASSERT_TRUE(setting_->Set(OtherCase(game_->Path()))); break;
    }
    const std::string video = game_->File(videoKey);
    if (!link.empty()) {
        ASSERT_TRUE(links.Symbolic(link, video + "\\intel_e.bik"));
    }
    // Another program holds the link's target as the running game holds a movie: others
    // may read and write it, not delete it.
    OwnedHandle held;
    if (spelling == Spelling::FolderBesideVideoHeld) {
        HANDLE file = ::CreateFileA(game_->File("VIDEO\\intel_e.bik").c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        held = OwnedHandle(file);
    }
    const Tree before = Snapshot(game_->Path());

    ShownBox report;
    ApplyAndReadTheReport(report);
    if (HasFatalFailure()) return;
    if (listed.empty()) {
        EXPECT_EQ(report.text, "Done!");
    } else {
        EXPECT_EQ(report.text.rfind("Not every movie was replaced: 18 of 19 were.\r\n\r\nIn " + video +
                                        "\\:\r\n" + listed + "\r\n\r\n",
                                    0),
                  0u)
            << report.text;
        EXPECT_NE(report.text.find("remove the link itself"), std::string::npos) << report.text;
        EXPECT_EQ(report.text.find("holds open"), std::string::npos) << report.text;
    }
    CloseTheReportAndEnd(report);
    held.Reset();

    // Everything the test made, the game folder and what lies beside it, as it must be.
    std::set<std::string> leftAlone;
    if (!link.empty()) leftAlone.insert("intel_e.bik");
    Tree want = ReplacedTree(before, leftAlone, videoKey);
    if (spelling == Spelling::UpperCaseMovie) want.erase(videoKey + "\\INTEL_E.BIK");  // now intel_e.bik
    EXPECT_EQ(Differences(want, Snapshot(game_->Path())), "");
    if (!link.empty()) {
        EXPECT_EQ(unixlinks::LinkTarget(video + "\\intel_e.bik"), link);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, LetterCaseTest,
    testing::Values(SpellingCase{Spelling::FolderBesideVideo, "FolderBesideVideo"},
                    SpellingCase{Spelling::FolderBesideVideoHeld, "FolderBesideVideoHeld"},
                    SpellingCase{Spelling::SecondInstall, "SecondInstall"},
                    SpellingCase{Spelling::SameFolderEntry, "SameFolderEntry"},
                    SpellingCase{Spelling::UpperCaseMovie, "UpperCaseMovie"},
                    SpellingCase{Spelling::ValueInOtherCase, "ValueInOtherCase"}),
    [](const testing::TestParamInfo<SpellingCase>& param) { return param.param.name; });

// Keeps running with its window as it was: shown, taking input, no box up.
testing::AssertionResult StillRunning(const Program& program, HWND window) {
    ::Sleep(500);  // an end on its way would have begun by now
    if (!program.Running()) return testing::AssertionFailure() << "the program has ended";
    if (FindMessageBox(program.Pid())) return testing::AssertionFailure() << "a box is still up";
    if (!::IsWindowVisible(window) || !::IsWindowEnabled(window) || AlphaOf(window) != kShownAlpha) {
        return testing::AssertionFailure() << "the window is not shown as before (alpha "
                                           << AlphaOf(window) << ")";
    }
    return testing::AssertionSuccess();
}

// A value that names no video folder: the run says what is wrong, changes nothing, and the
// program goes on until Esc.
enum class BadValue { Missing, TooLong, Relative, Number, TheVideoFolderItself };
struct BadValueCase {
    BadValue value;
    const char* name;
    const char* says;
};
void PrintTo(const BadValueCase& c, std::ostream* out) { *out << c.name; }

class BadValueTest : public ApplyTest, public testing::WithParamInterface<BadValueCase> {};

TEST_P(BadValueTest, ReportsWhatIsWrongChangesNothingAndKeepsRunning) {
    const BadValueCase& bad = GetParam();
    switch (bad.value) {
        case BadValue::Missing: ASSERT_TRUE(setting_->Remove()); break;
        case BadValue::TooLong: ASSERT_TRUE(setting_->Set("C:\\" + std::string(300, 'x'))); break;
        case BadValue::Relative: ASSERT_TRUE(setting_->Set("Games\\Korv3")); break;
        case BadValue::Number:
            ASSERT_TRUE(setting_->SetRaw(REG_DWORD, std::string("\x01\0\0\0", 4)));
            break;
        case BadValue::TheVideoFolderItself: ASSERT_TRUE(setting_->Set(Video())); break;
    }
    const Tree before = Snapshot(game_->Path());
    ShownBox report;
    HWND window = nullptr;
    ApplyAndReadTheReport(report, &window);
    if (HasFatalFailure()) return;
    EXPECT_NE(report.text.find(bad.says), std::string::npos) << report.text;
    EXPECT_NE(report.text.find(kGameFolderValue), std::string::npos) << report.text;
    EXPECT_NE(report.text.find("No file was changed."), std::string::npos) << report.text;
    ASSERT_TRUE(Answer(report, VK_RETURN, "report"));

    EXPECT_TRUE(StillRunning(*program_, window));
    EXPECT_EQ(Differences(before, Snapshot(game_->Path())), "");

    {
        HeldKeys esc{VK_ESCAPE};
        ASSERT_TRUE(program_->WaitForExit(10000)) << "Esc did not end the program";
    }
    EXPECT_EQ(program_->ExitCode(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Values, BadValueTest,
    testing::Values(
        BadValueCase{BadValue::Missing, "Missing", "could not be read from the registry"},
        BadValueCase{BadValue::TooLong, "TooLong", "is too long. It takes 304 bytes"},
        BadValueCase{BadValue::Relative, "Relative", "is not a full path"},
        BadValueCase{BadValue::Number, "Number",
                     "is not a full path (such as C:\\Games\\Korv3): it holds a number (REG_DWORD), "
                     "not a folder's name."},
        BadValueCase{BadValue::TheVideoFolderItself, "TheVideoFolderItself",
                     "movie folder was not found"}),
    [](const testing::TestParamInfo<BadValueCase>& param) { return param.param.name; });

// The focus starts on the first check box; Tab goes through the focus order to Apply, Space
// there asks the same question, No leaves everything as it was, and the focus is back on
// Apply: Space asks again, and so does a click.
TEST_F(ApplyTest, SpaceOnFocusedApplyAsksAndNoChangesNothing) {
    const Tree before = Snapshot(game_->Path());
    HWND window = nullptr;
    HWND apply = StartAndFindApply(window);
    ASSERT_NE(window, nullptr) << NotShown();
    ASSERT_NE(apply, nullptr) << "no Apply button at (" << kApplyLeft << "," << kApplyTop << ")";
    ASSERT_TRUE(BringToFront(window));
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    auto focus = [&] {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return ::GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
    };
    auto focusName = [&] {
        const HWND f = focus();
        return f == apply ? std::string("Apply") : ClassOf(f) + " \"" + TextOf(f) + "\"";
    };

    const std::vector<HWND> children = Descendants(window);
    auto checkBox = [&](const char* caption) {
        const auto it = std::find_if(children.begin(), children.end(),
                                     [&](HWND child) { return TextOf(child) == caption; });
        return it == children.end() ? nullptr : *it;
    };
    const HWND order[] = {checkBox("Pentium X (all lang)"), checkBox("nVidia"),
                          checkBox("Trailer (all)"), apply};
    for (std::size_t i = 0; i < std::size(order); ++i) {
        ASSERT_NE(order[i], nullptr) << "control " << i << " of the focus order is missing";
        if (i > 0) {
            HeldKeys tab{VK_TAB};
            ::Sleep(30);
        }
        ASSERT_TRUE(WaitUntil([&] { return focus() == order[i]; }, 2000, 10))
            << "step " << i << ": the focus is on " << focusName() << ", not on " << TextOf(order[i]);
    }

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE("Space, round " + std::to_string(round + 1));
        {
            HeldKeys space{VK_SPACE};
            ::Sleep(50);
        }
        AnswerTheQuestion('N');
        if (HasFatalFailure()) return;
        EXPECT_TRUE(StillRunning(*program_, window));
        ASSERT_TRUE(WaitUntil([&] { return focus() == apply; }, 2000, 10))
            << "after the question the focus is on " << focusName() << ", not back on Apply";
    }

    // Apply is not left half pressed: a click asks again.
    ASSERT_TRUE(ClickMiddle(apply));
    AnswerTheQuestion('N');
    if (HasFatalFailure()) return;
    EXPECT_TRUE(StillRunning(*program_, window));
    EXPECT_EQ(Differences(before, Snapshot(game_->Path())), "");
}

// A close request while the patch run shows one of its boxes: the box goes with the
// window and the program ends quietly at once; no answer is taken from the gone box, so
// the question changes no file, and after the report nothing more happens.
enum class OpenBox { Question, Refusal, Done };
struct OpenBoxCase {
    OpenBox box;
    const char* name;
};
void PrintTo(const OpenBoxCase& c, std::ostream* out) { *out << c.name; }

class CloseDuringBoxTest : public ApplyTest, public testing::WithParamInterface<OpenBoxCase> {};

TEST_P(CloseDuringBoxTest, EndsQuietly) {
    const OpenBox open = GetParam().box;
    if (open == OpenBox::Refusal) {
        ASSERT_TRUE(setting_->Remove());
    }
    const Tree before = Snapshot(game_->Path());
    HWND window = nullptr;
    HWND apply = StartAndFindApply(window);
    ASSERT_NE(window, nullptr) << NotShown();
    ASSERT_NE(apply, nullptr) << "no Apply button at (" << kApplyLeft << "," << kApplyTop << ")";
    const HideWatch watch(window);
    ASSERT_TRUE(watch.Ready());

    ASSERT_TRUE(ClickMiddle(apply));
    ShownBox question;
    ASSERT_TRUE(WaitForBox(question, "question"));
    ASSERT_EQ(question.text, "No Backup feature!\r\nContinue?");
    if (open != OpenBox::Question) {
        ASSERT_TRUE(Answer(question, VK_RETURN, "question"));
        ShownBox report;
        ASSERT_TRUE(WaitForBox(report, "report"));
        if (open == OpenBox::Done) {
            ASSERT_EQ(report.text, "Done!");
        } else {
            ASSERT_NE(report.text.find("No file was changed."), std::string::npos) << report.text;
        }
    }
    ASSERT_TRUE(::PostMessageA(window, WM_CLOSE, 0, 0));

    ASSERT_TRUE(program_->WaitForExit(10000)) << "the program did not end";
    EXPECT_EQ(program_->ExitCode(), 0u);
    EXPECT_EQ(watch.Dialogs(), open == OpenBox::Question ? 1 : 2) << "boxes that came up";
    const Tree want = open == OpenBox::Done ? ReplacedTree(before) : before;
    EXPECT_EQ(Differences(want, Snapshot(game_->Path())), "");
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, CloseDuringBoxTest,
    testing::Values(OpenBoxCase{OpenBox::Question, "Question"},
                    OpenBoxCase{OpenBox::Refusal, "Refusal"}, OpenBoxCase{OpenBox::Done, "Done"}),
    [](const testing::TestParamInfo<OpenBoxCase>& param) { return param.param.name; });

}  // namespace
