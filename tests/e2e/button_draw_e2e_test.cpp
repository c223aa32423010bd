// The real program's Apply button as the screen shows it, driven from another process:
// its stored style-2 look, the orange set under the real cursor and the pressed set while
// the left button is held on it.
//
// The test display has no compositing manager, so the main window's alpha of 240 is not
// blended into what the screen holds: its pixels are read exactly.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "button_apply_look.h"
#include "forms/Handles.h"

#ifndef KORV3_EXE
#error "KORV3_EXE must name the program under test"
#endif

namespace {

using buttontest::ApplyLook;

template <class Condition>
bool WaitUntil(Condition&& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(5);
    }
    return true;
}

std::string Hex(COLORREF c) {
    char text[16];
    std::snprintf(text, sizeof text, "&H%06X", static_cast<unsigned>(c));
    return text;
}

void SendMouse(DWORD flags, POINT screen = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>(screen.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = static_cast<LONG>(screen.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = flags;
    ::SendInput(1, &input, sizeof input);
}

struct Found {
    DWORD pid;
    HWND window;
};

BOOL CALLBACK CollectMainWindow(HWND w, LPARAM data) {
    auto* f = reinterpret_cast<Found*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(w, &owner);
    char text[64] = {};
    ::GetWindowTextA(w, text, sizeof text);
    if (owner == f->pid && std::string(text) == "Talvenor Vrel") f->window = w;
    return TRUE;
}

// The program's main window.
HWND MainWindowOf(DWORD pid) {
    Found found{pid, nullptr};
    ::EnumWindows(CollectMainWindow, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

BOOL CALLBACK CollectApply(HWND w, LPARAM data) {
    RECT r{};
    ::GetWindowRect(w, &r);
    char name[64] = {};
    ::GetClassNameA(w, name, sizeof name);
    if (std::string(name) == "FormsUserControl" && r.right - r.left == 76 &&
        r.bottom - r.top == 24) {
        reinterpret_cast<Found*>(data)->window = w;
    }
    return TRUE;
}

// The hosted 76 x 24 control window: Apply.
HWND ApplyOf(HWND main) {
    Found found{0, nullptr};
    ::EnumChildWindows(main, CollectApply, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

class ApplyOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {5, 5});
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "button_draw_e2e_" + std::to_string(::GetCurrentProcessId());
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
        HWND main = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                main = MainWindowOf(pi.dwProcessId);
                BYTE alpha = 0;
                return main != nullptr && ::IsWindowEnabled(main) &&
                       ::GetLayeredWindowAttributes(main, nullptr, &alpha, nullptr) &&
                       alpha == 240;
            },
            15000));
        apply_ = ApplyOf(main);
        ASSERT_NE(apply_, nullptr);
        ::GetWindowRect(apply_, &box_);
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

    COLORREF Screen(POINT p) const {
        forms::WindowDc screen(nullptr);
        return ::GetPixel(screen.Get(), box_.left + p.x, box_.top + p.y);
    }
    // Waits until the screen shows the look at its first probe, then checks every probe.
    void ExpectLook(const ApplyLook& look) {
        SCOPED_TRACE(look.name);
        WaitUntil([&] { return Screen(buttontest::kApplySlotAt[0]) == COLORREF(look.slots[0]); },
                  2000);
        for (int k = 0; k < 8; ++k) {
            const POINT p = buttontest::kApplySlotAt[k];
            EXPECT_EQ(Hex(Screen(p)), Hex(look.slots[k])) << "slot " << k + 1;
        }
        for (const POINT& p : buttontest::kApplyBorderAt) {
            EXPECT_EQ(Hex(Screen(p)), Hex(look.border)) << p.x << ", " << p.y;
        }
    }

    std::string folder_;
    std::string exe_;
    forms::OwnedHandle process_;
    HWND apply_ = nullptr;
    RECT box_{};
};

TEST_F(ApplyOnScreen, StoredLookThenOrangeUnderTheCursorThenPressedWhileHeld) {
    ExpectLook(buttontest::kApplyNormal);

    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE,
              {(box_.left + box_.right) / 2, (box_.top + box_.bottom) / 2});
    ExpectLook(buttontest::kApplyHovered);

    SendMouse(MOUSEEVENTF_LEFTDOWN);
    ExpectLook(buttontest::kApplyPressed);

    // Off the button while held: no hover, no pressed look; releasing there clicks nothing.
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, {box_.left - 40, box_.top - 40});
    ExpectLook(buttontest::kApplyDefault);  // the press gave Apply the focus
    SendMouse(MOUSEEVENTF_LEFTUP);
}

}  // namespace
