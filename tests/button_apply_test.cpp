// The main window's Apply button: built from its stored keys by the button control, and
// starting the patch run's question when pressed with the real mouse or with Space.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "button/Butt.h"
#include "forms/Runtime.h"
#include "main_window_fixture.h"
#include "real_input.h"

namespace {

using mainwindowtest::PumpUntil;
using testinput::SendKey;
using testinput::SendMouse;

constexpr char kQuestion[] = "No Backup feature!\r\nContinue?";

class ApplyButtonTest : public mainwindowtest::MainWindowWithApply {
protected:
    bool Asked() const {
        return std::find(boxes.begin(), boxes.end(), kQuestion) != boxes.end();
    }
};

TEST_F(ApplyButtonTest, IsBuiltFromItsStoredKeys) {
    EXPECT_EQ(apply->GetCaption(), "APPLY");
    EXPECT_EQ(apply->GetCaptionAlign(), 2);
    EXPECT_EQ(apply->GetButtonStyle(), 2);
    EXPECT_EQ(apply->GetGradientMode(), 4);
    EXPECT_EQ(apply->GetGradientColor(), 0x493328u);
    EXPECT_EQ(apply->GetForeColor(), 0xC0C0C0u);
    EXPECT_EQ(apply->GetFont().face, "Verdana");
    EXPECT_EQ(apply->GetFont().weight, FW_BOLD);
    EXPECT_EQ(apply->GetMode(), 0);
    EXPECT_EQ(apply->GetValue(), forms::kFalse);
    EXPECT_EQ(apply->GetHoverForeColor(), 0xC0C0C0u);
    EXPECT_EQ(apply->GetBackColor(), 0x400000u);
    EXPECT_EQ(apply->GetHoverColorLocks(), 1);
    EXPECT_EQ(apply->FaceColor, 0x503030);
    EXPECT_EQ(apply->PressedFaceColor, 0x431010);
    EXPECT_EQ(apply->ScaleWidthPixels(), 76);
    EXPECT_EQ(apply->ScaleHeightPixels(), 24);
    RECT box{};
    ::GetWindowRect(apply->hWnd(), &box);
    ::MapWindowPoints(nullptr, ::GetParent(apply->hWnd()), reinterpret_cast<POINT*>(&box), 2);
    EXPECT_EQ(box.left, 621);
    EXPECT_EQ(box.top, 324);
    EXPECT_TRUE(::IsWindowVisible(apply->hWnd()));
}

TEST_F(ApplyButtonTest, AClickWithTheRealMouseAsksTheQuestion) {
    RECT r{};
    ::GetWindowRect(apply->hWnd(), &r);
    const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, centre);
    PumpUntil([&] { return apply->HoverTimerOn == forms::kTrue; });
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    SendMouse(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(PumpUntil([&] { return Asked(); }));
    EXPECT_EQ(boxes, std::vector<std::string>{kQuestion});
}

TEST_F(ApplyButtonTest, SpaceWhileItHasTheFocusAsksTheQuestion) {
    ::SetForegroundWindow(window->hWnd());
    ::SetFocus(apply->hWnd());
    ASSERT_TRUE(PumpUntil([&] { return ::GetFocus() == apply->hWnd(); }));
    SendKey(VK_SPACE, true);
    SendKey(VK_SPACE, false);
    EXPECT_TRUE(PumpUntil([&] { return Asked(); }));
    EXPECT_EQ(boxes, std::vector<std::string>{kQuestion});
}

}  // namespace
