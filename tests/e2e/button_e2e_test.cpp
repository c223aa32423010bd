// The real program's Apply button, driven from another process: a click with the real
// mouse and Space while it has the focus both start the patch run's question, which this
// test answers No.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "e2e/running_program.h"

namespace {

using namespace e2e;

class ApplyInTheProgramTest : public RunningProgramTest {
protected:
    HWND ApplyWindow() const { return FindApply(main_); }
    // The program's message box asking the patch question, if it shows.
    HWND Question() const {
        for (HWND w : TopLevelWindows()) {
            if (ProcessOf(w) != program_->Pid() || ClassOf(w) != "#32770" ||
                !::IsWindowVisible(w)) {
                continue;
            }
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
    ASSERT_EQ(::WaitForSingleObject(program_->Process(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
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
