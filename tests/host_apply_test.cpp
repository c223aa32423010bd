// The main window's Apply site hosting the tests' recording control: a Click raised by
// the instance runs the window's Apply_Click.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/WndMain.h"
#include "forms/Runtime.h"
#include "host_recorder.h"

namespace {

class ApplySiteTest : public ::testing::Test {
protected:
    void SetUp() override {
        forms::RegisterControlClass("Butt", [this](forms::ControlSite& site) {
            return std::make_unique<hosttest::Recorder>(site, input, life);
        });
        // Answer No: the patch run stops after its question.
        forms::Hooks().messageBox = [this](const std::string& text, UINT style) {
            questions.push_back(text + "|" + std::to_string(style));
            return IDNO;
        };
        forms::Hooks().unhandledError = [](const std::string& text) {
            ADD_FAILURE() << "unhandled error: " << text;
        };
    }
    void TearDown() override {
        window.reset();
        forms::RegisterControlClass("Butt", nullptr);
        forms::Hooks() = {};
    }

    std::vector<std::string> input, life, questions;
    std::unique_ptr<WndMain> window;
};

TEST_F(ApplySiteTest, AClickOfTheHostedInstanceRunsApplyClick) {
    window = std::make_unique<WndMain>();
    forms::ControlSite& apply = window->Apply;
    ASSERT_NE(apply.Instance(), nullptr);
    HWND hwnd = apply.InstanceHwnd();
    ASSERT_TRUE(::IsWindow(hwnd));
    EXPECT_EQ(::GetParent(hwnd), apply.ContainerHwnd());
    EXPECT_EQ(life.front(), "Apply.Read");

    // Raised by the instance itself...
    static_cast<hosttest::Recorder*>(apply.Instance())->RaiseEvent("Click");
    EXPECT_EQ(questions, (std::vector<std::string>{"No Backup feature!\r\nContinue?|4"}));

    // ...and from a press and release on its window, through the message loop.
    questions.clear();
    window->Show();
    ::PostMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ::PostMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    forms::DoEvents();
    EXPECT_EQ(questions, (std::vector<std::string>{"No Backup feature!\r\nContinue?|4"}));
    EXPECT_NE(std::find(input.begin(), input.end(), "Apply.Click"), input.end());
}

}  // namespace
