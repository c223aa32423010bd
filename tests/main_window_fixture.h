// The program's main window built in this process from the description stored in its
// resources, and the message loop run while a test waits on it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/WndMain.h"
#include "button/Butt.h"
#include "forms/Runtime.h"
#include "real_input.h"

namespace mainwindowtest {

// Runs the message loop for a while.
inline void PumpFor(DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < milliseconds) {
        forms::DoEvents();
        ::Sleep(1);
    }
}

// Runs the message loop until done() holds; false when the time ran out first.
template <class Done>
bool PumpUntil(Done done, DWORD milliseconds = 3000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > milliseconds) return false;
        forms::DoEvents();
        ::Sleep(1);
    }
    return true;
}

// The loaded main window with the button control registered, so that Apply is the real
// button built from its stored settings. Nothing is shown or ended for real: message boxes
// are recorded in boxes and answered No (the patch run stops at its question), and End
// does nothing.
class MainWindowWithApply : public ::testing::Test {
protected:
    void SetUp() override {
        button::Butt::Register();
        forms::Hooks().messageBox = [this](const std::string& text, UINT) {
            boxes.push_back(text);
            return IDNO;
        };
        forms::Hooks().end = [] {};
        window = std::make_unique<WndMain>();
        window->Form_Load();
        apply = dynamic_cast<button::Butt*>(window->Apply.Instance());
        ASSERT_NE(apply, nullptr);
        PumpFor(100);
    }
    void TearDown() override {
        testinput::SendMouse(MOUSEEVENTF_LEFTUP);
        window.reset();
        forms::Hooks() = forms::RuntimeHooks{};
    }

    std::unique_ptr<WndMain> window;
    button::Butt* apply = nullptr;
    std::vector<std::string> boxes;
};

}  // namespace mainwindowtest
