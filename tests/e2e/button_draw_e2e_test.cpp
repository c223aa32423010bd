// The real program's Apply button as the screen shows it, driven from another process:
// its stored style-2 look, the orange set under the real cursor and the pressed set while
// the left button is held on it.
//
// The test display has no compositing manager, so the main window's alpha of 240 is not
// blended into what the screen holds: its pixels are read exactly.
#include <gtest/gtest.h>
#include <windows.h>

#include "button_apply_look.h"
#include "e2e/running_program.h"

namespace {

using namespace e2e;
using buttontest::ApplyLook;
using buttontest::Hex;

class ApplyOnScreen : public RunningProgramTest {
protected:
    void SetUp() override {
        RunningProgramTest::SetUp();
        if (HasFatalFailure()) return;
        apply_ = FindApply(main_);
        ASSERT_NE(apply_, nullptr);
        ::GetWindowRect(apply_, &box_);
    }

    COLORREF Screen(POINT p) const { return ScreenPixel({box_.left + p.x, box_.top + p.y}); }
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
