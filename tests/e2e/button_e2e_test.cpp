// The real program's Apply button, driven from another process: a click with the real
// mouse and Space while it has the focus both start the patch run's question, which this
// test answers No.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "forms/Handles.h"

#ifndef KORV3_EXE
#error "KORV3_EXE must name the program under test"
#endif

namespace {

template <class Condition>
bool WaitUntil(Condition&& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(5);
    }
    return true;
}

std::string ClassOf(HWND window) {
    char name[128] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window) {
    char text[512] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
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

void SendMouse(DWORD flags, POINT screen = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>(screen.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = static_cast<LONG>(screen.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = flags;
    ::SendInput(1, &input, sizeof input);
}

// Moves the pointer onto exactly this pixel: absolute moves are in 1/65536 of the screen,
// so the landing point is checked and corrected.
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
        ::SendInput(1, &in, sizeof in);
        POINT at{};
        WaitUntil(
            [&] {
                ::GetCursorPos(&at);
                return at.x == target.x && at.y == target.y;
            },
            100);
        if (at.x == target.x && at.y == target.y) return true;
        nx += ::MulDiv(target.x - at.x, 65536, cx);
        ny += ::MulDiv(target.y - at.y, 65536, cy);
    }
    return false;
}

void SendKey(WORD vk, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    ::SendInput(1, &input, sizeof input);
}

class ApplyInTheProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {5, 5});
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "button_e2e_" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        exe_ = folder_ + "\\korv3nointros.exe";
        std::string image = KORV3_EXE;
        if (!image.empty() && image.front() == '/') image = "Z:" + image;
        std::replace(image.begin(), image.end(), '/', '\\');
        ASSERT_TRUE(::CopyFileA(image.c_str(), exe_.c_str(), FALSE)) << image;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::string commandLine = "\"" + exe_ + "\"";
        ASSERT_TRUE(::CreateProcessA(exe_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                     nullptr, folder_.c_str(), &si, &pi));
        ::CloseHandle(pi.hThread);
        process_ = forms::OwnedHandle(pi.hProcess);
        pid_ = pi.dwProcessId;
        // Input counts once the fade-in has reached its alpha and enabled the window.
        ASSERT_TRUE(WaitUntil(
            [&] {
                main_ = MainWindow();
                BYTE alpha = 0;
                return main_ != nullptr && ::IsWindowVisible(main_) &&
                       ::GetLayeredWindowAttributes(main_, nullptr, &alpha, nullptr) &&
                       alpha == 240 && ::IsWindowEnabled(main_);
            },
            15000));
    }
    void TearDown() override {
        SendMouse(MOUSEEVENTF_LEFTUP);
        if (process_ && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(process_.Get(), 1);
            ::WaitForSingleObject(process_.Get(), 5000);
        }
        ::DeleteFileA(exe_.c_str());
        ::RemoveDirectoryA(folder_.c_str());
    }

    HWND MainWindow() const {
        for (HWND w : TopLevelWindows()) {
            if (ProcessOf(w) == pid_ && TextOf(w) == "Talvenor Vrel") return w;
        }
        return nullptr;
    }
    // The hosted control window 76 x 24 pixels: the Apply button.
    HWND ApplyWindow() const {
        for (HWND w : Descendants(main_)) {
            RECT r{};
            ::GetWindowRect(w, &r);
            if (ClassOf(w) == "FormsUserControl" && r.right - r.left == 76 &&
                r.bottom - r.top == 24) {
                return w;
            }
        }
        return nullptr;
    }
    // The program's message box asking the patch question, if it shows.
    HWND Question() const {
        for (HWND w : TopLevelWindows()) {
            if (ProcessOf(w) != pid_ || ClassOf(w) != "#32770" || !::IsWindowVisible(w)) continue;
            for (HWND child : Descendants(w)) {
                if (TextOf(child).find("No Backup feature!") != std::string::npos) return w;
            }
        }
        return nullptr;
    }
    // Answers the question No through its button.
    void AnswerNo(HWND box) {
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box, IDNO)));
        ASSERT_TRUE(WaitUntil([&] { return Question() == nullptr; }, 5000));
    }

    std::string folder_;
    std::string exe_;
    forms::OwnedHandle process_;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

TEST_F(ApplyInTheProgramTest, AClickAndThenSpaceEachAskTheQuestion) {
    HWND apply = ApplyWindow();
    ASSERT_NE(apply, nullptr);
    EXPECT_TRUE(::IsWindowVisible(apply));
    RECT r{};
    ::GetWindowRect(apply, &r);
    const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ASSERT_TRUE(MoveMouseTo(centre));
    ASSERT_EQ(::WindowFromPoint(centre), apply);
    ::Sleep(50);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    ::Sleep(30);
    SendMouse(MOUSEEVENTF_LEFTUP);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = Question()) != nullptr; }, 5000))
        << "no question after a click on Apply";
    EXPECT_EQ(TextOf(box), "QX - Korv3 No Intros");
    AnswerNo(box);

    // The program is still running. A right click gives Apply the focus without a click.
    ASSERT_EQ(::WaitForSingleObject(process_.Get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    SendMouse(MOUSEEVENTF_RIGHTUP);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(WaitUntil(
        [&] {
            return ::GetGUIThreadInfo(::GetWindowThreadProcessId(apply, nullptr), &info) &&
                   info.hwndFocus == apply;
        },
        5000));
    EXPECT_EQ(Question(), nullptr);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {5, 5});
    ::Sleep(100);
    SendKey(VK_SPACE, true);
    SendKey(VK_SPACE, false);
    ASSERT_TRUE(WaitUntil([&] { return (box = Question()) != nullptr; }, 5000))
        << "no question after Space on Apply";
    AnswerNo(box);
}

}  // namespace
