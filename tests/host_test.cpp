// The host of custom controls, driven through a recording control of the tests' own:
// window and geometry, notification order from input through both message loops, ambient
// properties and design mode, typed bag reads and stored round trips, the error boundary
// of timer callbacks, and handles after many hosted controls came and went.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/BagText.h"
#include "forms/Description.h"
#include "forms/Form.h"
#include "forms/UserControl.h"
#include "host_recorder.h"

namespace {

using forms::ControlSite;
using forms::PropertyBag;
using hosttest::Recorder;
using Strings = std::vector<std::string>;

constexpr char kDescription[] = R"(
form Host {
    ClientSize = 4500, 3000
    StartUpPosition = CenterScreen
    picturebox Box {
        Rect      = 0, 0, 4500, 3000
        BackColor = &H493328
        checkbox Check {
            Rect     = 0, 2400, 1500, 300
            TabIndex = 0
        }
        control A : Recorder {
            Rect     = 600, 600, 900, 300
            TabIndex = 1
        }
        control B : Recorder {
            Rect     = 600, 1200, 900, 300
            TabIndex = 2
            bag {
                Keys = "p"
            }
        }
    }
}
)";

class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        forms::RegisterControlClass("Recorder", [this](ControlSite& site) {
            auto recorder = std::make_unique<Recorder>(site, input, life);
            recorders.push_back(recorder.get());
            return recorder;
        });
        forms::Hooks().messageBoxTitled = [this](const std::string& text, UINT style, const std::string& title) {
            boxes.push_back(text + "|" + std::to_string(style) + "|" + title);
            return IDOK;
        };
        forms::Hooks().unhandledError = [this](const std::string& text) { errors.push_back(text); };
        forms::App::SetTitle("Host test");
    }
    void TearDown() override {
        form.reset();
        forms::RegisterControlClass("Recorder", nullptr);
        forms::Hooks() = {};
    }
    void Build(const char* description = kDescription) {
        form = std::make_unique<forms::Form>(forms::desc::Parse(description));
    }
    ControlSite& Site(const char* name) const { return form->Get<ControlSite>(name); }
    Recorder& Rec(const char* name) const { return *static_cast<Recorder*>(Site(name).Instance()); }

    Strings input, life, boxes, errors;
    std::vector<Recorder*> recorders;
    std::unique_ptr<forms::Form> form;
};

RECT RectInParent(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void ExpectRect(HWND hwnd, RECT expected) {
    const RECT r = RectInParent(hwnd);
    EXPECT_EQ(r.left, expected.left);
    EXPECT_EQ(r.top, expected.top);
    EXPECT_EQ(r.right, expected.right);
    EXPECT_EQ(r.bottom, expected.bottom);
}

// ---- Window, geometry, lifecycle ----------------------------------------------------------

TEST_F(HostTest, TheSiteMakesTheWindowAtItsBoxThenLoadsResizesAndShowsTheInstance) {
    Build();
    HWND a = Site("A").InstanceHwnd();
    ASSERT_TRUE(::IsWindow(a));
    EXPECT_EQ(::GetParent(a), form->Get<forms::PictureBox>("Box").hWnd());
    ExpectRect(a, RECT{40, 40, 100, 60});
    EXPECT_TRUE(::GetClassLongPtrA(a, GCL_STYLE) & CS_DBLCLKS);
    EXPECT_EQ(Rec("A").hWnd(), a);
    EXPECT_EQ(Rec("A").ScaleWidth(), 60);
    EXPECT_EQ(Rec("A").ScaleHeight(), 20);
    EXPECT_EQ(life, (Strings{"A.Read", "A.Resize 60", "A.Show", "B.Read", "B.Resize 60", "B.Show"}));
    EXPECT_EQ(Rec("B").AccessKeys(), "p");

    // The device context stays the same through moves, resizes and repaints.
    const HDC dc = Rec("A").hDC();
    Site("A").Move(0, 0, 1500, 600);
    ::RedrawWindow(a, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Rec("A").hDC(), dc);
    EXPECT_EQ(::WindowFromDC(dc), a);

    life.clear();
    form.reset();
    EXPECT_EQ(life, (Strings{"B.Terminate window", "A.Terminate window"}));
}

TEST_F(HostTest, MovesSizesVisibleAndEnabledOfTheSiteReachTheWindow) {
    Build(R"(
form Host {
    ClientSize = 4500, 3000
    control A : Recorder {
        Rect    = 600, 600, 900, 300
        Visible = False
        Enabled = False
    }
}
)");
    ControlSite& site = Site("A");
    HWND a = site.InstanceHwnd();
    EXPECT_FALSE(::IsWindowVisible(a));
    EXPECT_FALSE(::IsWindowEnabled(a));
    EXPECT_EQ(Rec("A").Enabled(), forms::kFalse);
    EXPECT_EQ(life, (Strings{"A.Read", "A.Resize 60"}));  // no Show while hidden

    form->Show();
    site.SetVisible(true);
    site.SetEnabled(true);
    EXPECT_TRUE(::IsWindowVisible(a));
    EXPECT_TRUE(::IsWindowEnabled(a));
    EXPECT_EQ(life.back(), "A.Show");

    life.clear();
    site.Move(1500, 300, 1200, 450);
    ExpectRect(a, RECT{100, 20, 180, 50});
    EXPECT_EQ(life, (Strings{"A.Resize 80"}));  // raised at once, inside the move
    life.clear();
    site.SetLeft(0);  // a move without a new size raises no resize
    ExpectRect(a, RECT{0, 20, 80, 50});
    EXPECT_TRUE(life.empty());

    Rec("A").SetEnabled(forms::kFalse);  // through the control's own setting
    EXPECT_FALSE(site.Enabled());
    EXPECT_FALSE(::IsWindowEnabled(a));
}

TEST_F(HostTest, AResizeRaisedFromInsideTheResizeIsDeliveredAtOnce) {
    Build();
    Recorder& a = Rec("A");
    a.resizeToWidth = 70;
    life.clear();
    Site("A").SetWidth(1500);  // 100 pixels; the control then makes itself 70 wide
    EXPECT_EQ(life, (Strings{"A.Resize 100", "A.Resize 70", "A.Resized 70"}));
    EXPECT_EQ(a.ScaleWidth(), 70);
    EXPECT_EQ(Site("A").Width(), 1050);
}

// ---- Notification order from input ------------------------------------------------------

struct Step {
    const char* target;  // a site's name, "Check", or "focus" (the window with the focus)
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

const LPARAM kAt = MAKELPARAM(5, 5);
constexpr LPARAM kKeyDown = 1;
constexpr LPARAM kKeyUp = static_cast<LPARAM>(0xC0000001u);
constexpr LPARAM kAltDown = 0x20000001;

struct Row {
    const char* name;
    const char* focus;         // who has the focus before the row
    const char* defaultSite;   // "" for none
    const char* cancelSite;
    bool aCanBeDefault;
    bool formClearsKeyAscii;
    std::vector<Step> steps;
    Strings expected;
};

// Posts one step at a time from a helper window, so that "focus" is resolved after the
// previous step ran and both loops see the same queue.
class StepPoster {
public:
    StepPoster(std::function<HWND(const char*)> find, const std::vector<Step>& steps, bool quitAtEnd)
        : find_(std::move(find)), steps_(steps), quitAtEnd_(quitAtEnd) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &StepPoster::Proc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "HostTestStepPoster";
        ::RegisterClassA(&wc);
        hwnd_ = ::CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  wc.hInstance, nullptr);
        ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        ::PostMessageA(hwnd_, WM_APP, 0, 0);
    }
    ~StepPoster() { ::DestroyWindow(hwnd_); }
    bool Done() const { return next_ > steps_.size(); }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<StepPoster*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg != WM_APP || !self) return ::DefWindowProcA(hwnd, msg, wParam, lParam);
        if (self->next_ < self->steps_.size()) {
            const Step& s = self->steps_[self->next_];
            ::PostMessageA(self->find_(s.target), s.msg, s.wParam, s.lParam);
            ::PostMessageA(hwnd, WM_APP, 0, 0);
        } else if (self->quitAtEnd_) {
            ::PostQuitMessage(0);
        }
        ++self->next_;
        return 0;
    }

    std::function<HWND(const char*)> find_;
    const std::vector<Step>& steps_;
    bool quitAtEnd_;
    HWND hwnd_ = nullptr;
    std::size_t next_ = 0;
};

TEST_F(HostTest, InputGivesTheNotificationsInOrderThroughBothMessageLoops) {
    const std::vector<Row> rows = {
        {"left click", "A", "", "", true, false,
         {{"A", WM_LBUTTONDOWN, MK_LBUTTON, kAt}, {"A", WM_LBUTTONUP, 0, kAt}},
         {"A.MouseDown 1", "A.MouseUp 1", "A.Click"}},
        {"right click: no Click", "A", "", "", true, false,
         {{"A", WM_RBUTTONDOWN, MK_RBUTTON, kAt}, {"A", WM_RBUTTONUP, 0, kAt}},
         {"A.MouseDown 2", "A.MouseUp 2"}},
        {"left double-click", "A", "", "", true, false,
         {{"A", WM_LBUTTONDOWN, MK_LBUTTON, kAt}, {"A", WM_LBUTTONUP, 0, kAt},
          {"A", WM_LBUTTONDBLCLK, MK_LBUTTON, kAt}, {"A", WM_LBUTTONUP, 0, kAt}},
         {"A.MouseDown 1", "A.MouseUp 1", "A.Click", "A.DblClick", "A.MouseUp 1"}},
        {"right double-click", "A", "", "", true, false,
         {{"A", WM_RBUTTONDOWN, MK_RBUTTON, kAt}, {"A", WM_RBUTTONUP, 0, kAt},
          {"A", WM_RBUTTONDBLCLK, MK_RBUTTON, kAt}, {"A", WM_RBUTTONUP, 0, kAt}},
         {"A.MouseDown 2", "A.MouseUp 2", "A.DblClick", "A.MouseUp 2"}},
        {"released outside: no Click", "A", "", "", true, false,
         {{"A", WM_LBUTTONDOWN, MK_LBUTTON, kAt}, {"A", WM_LBUTTONUP, 0, MAKELPARAM(500, 5)}},
         {"A.MouseDown 1", "A.MouseUp 1"}},
        {"a press on another control moves the focus first", "A", "", "", true, false,
         {{"B", WM_LBUTTONDOWN, MK_LBUTTON, kAt}, {"B", WM_LBUTTONUP, 0, kAt}},
         {"A.LostFocus", "A.Ambient DisplayAsDefault", "B.Ambient DisplayAsDefault", "B.GotFocus",
          "B.MouseDown 1", "B.MouseUp 1", "B.Click"}},
        {"a key", "A", "", "", true, false,
         {{"focus", WM_KEYDOWN, 'A', kKeyDown}, {"focus", WM_KEYUP, 'A', kKeyUp}},
         {"A.KeyDown 65", "A.KeyPress 97", "A.KeyUp 65"}},
        {"the form clears the key value", "A", "", "", true, true,
         {{"focus", WM_KEYDOWN, 'A', kKeyDown}, {"focus", WM_KEYUP, 'A', kKeyUp}},
         {"A.KeyDown 65", "A.KeyPress 97>0", "A.KeyUp 65"}},
        {"arrow keys stay with the control", "A", "", "", true, false,
         {{"focus", WM_KEYDOWN, VK_RIGHT, kKeyDown}, {"focus", WM_KEYUP, VK_RIGHT, kKeyUp}},
         {"A.KeyDown 39", "A.KeyUp 39"}},
        {"Enter on a focused control that can be the default", "A", "B", "", true, false,
         {{"focus", WM_KEYDOWN, VK_RETURN, kKeyDown}, {"focus", WM_KEYUP, VK_RETURN, kKeyUp}},
         {"A.AccessKey 13"}},
        {"Enter with the focus elsewhere goes to the default", "Check", "B", "", true, false,
         {{"focus", WM_KEYDOWN, VK_RETURN, kKeyDown}, {"focus", WM_KEYUP, VK_RETURN, kKeyUp}},
         {"B.AccessKey 13"}},
        {"Enter without a default: plain keys", "A", "", "", false, false,
         {{"focus", WM_KEYDOWN, VK_RETURN, kKeyDown}, {"focus", WM_KEYUP, VK_RETURN, kKeyUp}},
         {"A.KeyDown 13", "A.KeyPress 13", "A.KeyUp 13"}},
        {"Esc goes to the cancel control", "A", "", "B", true, false,
         {{"focus", WM_KEYDOWN, VK_ESCAPE, kKeyDown}, {"focus", WM_KEYUP, VK_ESCAPE, kKeyUp}},
         {"B.AccessKey 27"}},
        {"Esc without a cancel control: plain keys", "A", "", "", true, false,
         {{"focus", WM_KEYDOWN, VK_ESCAPE, kKeyDown}, {"focus", WM_KEYUP, VK_ESCAPE, kKeyUp}},
         {"A.KeyDown 27", "A.KeyPress 27", "A.KeyUp 27"}},
        {"Alt and an access key", "A", "", "", true, false,
         {{"focus", WM_SYSKEYDOWN, 'P', kAltDown}, {"focus", WM_SYSKEYUP, 'P', kKeyUp}},
         {"A.LostFocus", "A.Ambient DisplayAsDefault", "B.Ambient DisplayAsDefault", "B.GotFocus",
          "B.AccessKey 112"}},
        {"an access key alone where the focus takes no characters", "Check", "", "", true, false,
         {{"focus", WM_KEYDOWN, 'P', kKeyDown}, {"focus", WM_KEYUP, 'P', kKeyUp}},
         {"B.Ambient DisplayAsDefault", "B.GotFocus", "B.AccessKey 112"}},
        {"the same letter where the focus takes characters", "A", "", "", true, false,
         {{"focus", WM_KEYDOWN, 'P', kKeyDown}, {"focus", WM_KEYUP, 'P', kKeyUp}},
         {"A.KeyDown 80", "A.KeyPress 112", "A.KeyUp 80"}},
        {"Tab moves the focus on", "A", "", "", true, false,
         {{"focus", WM_KEYDOWN, VK_TAB, kKeyDown}, {"focus", WM_KEYUP, VK_TAB, kKeyUp}},
         {"A.LostFocus", "A.Ambient DisplayAsDefault", "B.Ambient DisplayAsDefault", "B.GotFocus",
          "B.KeyUp 9"}},
    };

    Build();
    form->Show();
    ::SetForegroundWindow(form->hWnd());
    bool clearKeyAscii = false;
    for (const char* name : {"A", "B"}) {
        Site(name).OnEvent<std::int16_t>("KeyPress", [&clearKeyAscii](std::int16_t& keyAscii) {
            if (clearKeyAscii) keyAscii = 0;
        });
    }
    const auto find = [this](const char* target) -> HWND {
        if (std::string(target) == "focus") return ::GetFocus();
        if (std::string(target) == "Check") return form->Get<forms::CheckBox>("Check").hWnd();
        return Site(target).InstanceHwnd();
    };

    for (const bool runLoop : {false, true}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.name) + (runLoop ? " (RunMessageLoop)" : " (DoEvents)"));
            for (const char* name : {"A", "B"}) {
                Site(name).SetDefault(std::string(row.defaultSite) == name);
                Site(name).SetCancel(std::string(row.cancelSite) == name);
            }
            Rec("A").defaultCancel = row.aCanBeDefault;
            clearKeyAscii = row.formClearsKeyAscii;
            ::SetFocus(find(row.focus));
            forms::DoEvents();
            ASSERT_EQ(::GetFocus(), find(row.focus));
            input.clear();

            StepPoster poster(find, row.steps, runLoop);
            if (runLoop) {
                forms::RunMessageLoop();
            } else {
                for (int i = 0; i < 1000 && !poster.Done(); ++i) forms::DoEvents();
                forms::DoEvents();
            }
            EXPECT_TRUE(poster.Done());
            EXPECT_EQ(input, row.expected);
        }
    }
}

}  // namespace
