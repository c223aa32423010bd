// The main window's Apply button: built from its stored keys by the button control, and
// starting the patch run's question when pressed with the real mouse or with Space.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/WndMain.h"
#include "button/Butt.h"
#include "forms/Runtime.h"

namespace {

using button::Butt;

constexpr char kQuestion[] = "No Backup feature!\r\nContinue?";

void SendMouse(DWORD flags, POINT screen = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>(screen.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = static_cast<LONG>(screen.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = flags;
    ::SendInput(1, &input, sizeof input);
}

void SendKey(WORD vk, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    ::SendInput(1, &input, sizeof input);
}

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

class ApplyButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        Butt::Register();
        forms::Hooks().messageBox = [this](const std::string& text, UINT) {
            boxes.push_back(text);
            return IDNO;  // the patch run stops at its question
        };
        forms::Hooks().end = [] {};
        window = std::make_unique<WndMain>();
        window->Form_Load();
        apply = dynamic_cast<Butt*>(window->Apply.Instance());
        ASSERT_NE(apply, nullptr);
        PumpUntil([] { return false; }, 50);
    }
    void TearDown() override {
        SendMouse(MOUSEEVENTF_LEFTUP);
        window.reset();
        forms::Hooks() = forms::RuntimeHooks{};
    }
    bool Asked() const {
        return std::find(boxes.begin(), boxes.end(), kQuestion) != boxes.end();
    }

    std::unique_ptr<WndMain> window;
    Butt* apply = nullptr;
    std::vector<std::string> boxes;
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
