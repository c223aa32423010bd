// The host of custom controls, driven through a recording control of the tests' own:
// window and geometry, notification order from input through both message loops, ambient
// properties and design mode, typed bag reads and stored round trips, the error boundary
// of timer callbacks, and handles after many hosted controls came and went.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "box_child.h"
#include "dib.h"
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

// A control's window keeps no old pixels when it moves: all of it is repainted at the new
// place, even where nothing covered it, so that a control that moves itself before it
// draws what it now shows gets the paint that shows it.
TEST_F(HostTest, AMoveThatAsksForARedrawRepaintsTheWholeControl) {
    Build();
    form->Show();
    HWND a = Site("A").InstanceHwnd();
    Recorder& rec = Rec("A");
    struct Case {
        const char* label;
        std::function<void()> move;
        bool repaints;
    };
    auto moveBy = [a](int dx, int dy, BOOL redraw) {
        const RECT r = RectInParent(a);
        ::MoveWindow(a, r.left + dx, r.top + dy, r.right - r.left, r.bottom - r.top, redraw);
    };
    const Case cases[] = {
        {"one pixel right and down", [&] { moveBy(1, 1, TRUE); }, true},
        {"one pixel up", [&] { moveBy(0, -1, TRUE); }, true},
        {"through the site", [&] { Site("A").SetLeft(Site("A").Left() + 150); }, true},
        {"asked not to redraw", [&] { moveBy(1, 0, FALSE); }, false},
        {"to where it stands", [&] { moveBy(0, 0, TRUE); }, false},
        {"smaller, in place", [&] {
             ::SetWindowPos(a, nullptr, 0, 0, 50, 20, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
         }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ::UpdateWindow(a);
        const int paints = rec.paints;
        c.move();
        RECT update{};
        const bool pending = ::GetUpdateRect(a, &update, FALSE) != FALSE;
        if (c.repaints) {
            RECT client{};
            ::GetClientRect(a, &client);
            EXPECT_TRUE(::EqualRect(&update, &client))
                << update.left << ", " << update.top << " - " << update.right << ", " << update.bottom;
        } else {
            EXPECT_FALSE(pending);
        }
        ::UpdateWindow(a);
        EXPECT_EQ(rec.paints - paints, c.repaints ? 1 : 0);
    }
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


// ---- Ambient properties, the extender and design mode ------------------------------------

TEST_F(HostTest, AmbientChangesAreAnnouncedAndReadAfresh) {
    Build();
    auto& box = form->Get<forms::PictureBox>("Box");
    Recorder& a = Rec("A");
    EXPECT_EQ(a.Ambient().DisplayName, "A");
    EXPECT_EQ(a.ContainerHwnd(), box.hWnd());
    EXPECT_EQ(a.Extender().Parent().BackColor, 0x8000000Fu);  // the form's, not the box's
    EXPECT_EQ(a.Extender().Parent().ScaleMode, 1);
    EXPECT_FALSE(a.Extender().Parent().IsMdiForm);

    input.clear();
    Site("A").SetUserMode(false);
    box.SetBackColor(0x112233);
    box.SetForeColor(0x445566);
    forms::FontSpec font;
    font.face = "Courier New";
    box.SetFont(font);
    EXPECT_EQ(input, (Strings{"A.Ambient UserMode", "A.Ambient BackColor", "B.Ambient BackColor",
                              "A.Ambient ForeColor", "B.Ambient ForeColor", "A.Ambient Font",
                              "B.Ambient Font"}));
    const forms::AmbientProperties ambient = a.Ambient();
    EXPECT_FALSE(ambient.UserMode);
    EXPECT_TRUE(Rec("B").Ambient().UserMode);
    EXPECT_EQ(ambient.BackColor, 0x112233u);
    EXPECT_EQ(ambient.ForeColor, 0x445566u);
    EXPECT_EQ(ambient.Font.face, "Courier New");
}

TEST_F(HostTest, TheDefaultLookFollowsTheDefaultControlAndTheFocus) {
    Build();
    form->Show();
    ::SetFocus(form->Get<forms::CheckBox>("Check").hWnd());
    input.clear();

    Site("B").SetDefault(true);
    EXPECT_EQ(input, (Strings{"B.Ambient DisplayAsDefault"}));
    EXPECT_TRUE(Rec("B").Ambient().DisplayAsDefault);
    EXPECT_TRUE(Rec("B").Extender().Default());

    Site("A").SetDefault(true);  // one default a form
    EXPECT_FALSE(Site("B").Default());
    EXPECT_TRUE(Rec("A").Ambient().DisplayAsDefault);
    EXPECT_FALSE(Rec("B").Ambient().DisplayAsDefault);

    Site("B").SetDefault(true);
    input.clear();
    ::SetFocus(Site("A").InstanceHwnd());  // the focused control acts as the default
    EXPECT_EQ(input, (Strings{"A.Ambient DisplayAsDefault", "B.Ambient DisplayAsDefault", "A.GotFocus"}));
    input.clear();
    ::SetFocus(form->Get<forms::CheckBox>("Check").hWnd());
    EXPECT_EQ(input, (Strings{"A.LostFocus", "A.Ambient DisplayAsDefault", "B.Ambient DisplayAsDefault"}));
    EXPECT_TRUE(Rec("B").Ambient().DisplayAsDefault);
}

// ---- Focus of the form -----------------------------------------------------------------

// Which window of the form has the focus, by control name ("form" for the form itself).
std::string FocusName(const forms::Form& form) {
    HWND focus = ::GetFocus();
    if (!focus) return "none";
    if (focus == form.WindowHandle()) return "form";
    for (const auto& control : form.Controls()) {
        if (auto* site = dynamic_cast<ControlSite*>(control.get()); site && site->InstanceHwnd() == focus) {
            return site->Name();
        }
        if (auto* check = dynamic_cast<forms::CheckBox*>(control.get()); check && check->hWnd() == focus) {
            return check->Name();
        }
    }
    return "other";
}

TEST_F(HostTest, ShowingGivesTheFocusToTheFirstControlOfTheFocusOrderThatCanTakeIt) {
    struct Case {
        const char* name;
        const char* from;  // a piece of the description, changed
        const char* to;
        const char* focused;
    };
    const Case cases[] = {
        {"lowest tab index", "", "", "Check"},
        {"tab index, not stored order", "TabIndex = 2", "TabIndex = -1", "B"},
        {"first one disabled", "TabIndex = 0", "TabIndex = 0\nEnabled = False", "A"},
        {"first one hidden", "TabIndex = 0", "TabIndex = 0\nVisible = False", "A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string description = kDescription;
        if (*c.from) description.replace(description.find(c.from), std::strlen(c.from), c.to);
        Build(description.c_str());
        input.clear();
        form->Show();
        forms::DoEvents();
        EXPECT_EQ(FocusName(*form), c.focused);
        // A hosted control hears of it once; the check box is no hosted control.
        Strings gotFocus;
        std::copy_if(input.begin(), input.end(), std::back_inserter(gotFocus),
                     [](const std::string& s) { return s.ends_with(".GotFocus"); });
        EXPECT_EQ(gotFocus, std::string(c.focused) == "Check" ? Strings{}
                                                              : Strings{std::string(c.focused) + ".GotFocus"});
        form.reset();
    }
}

// A message box of the system that a thread timer closes once it is up; what the row
// changes meanwhile happens while the box has the focus.
std::function<void()> g_whileBoxIsUp;
constexpr char kBoxTitle[] = "Focus test box";

void CALLBACK CloseTheBox(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = ::FindWindowA("#32770", kBoxTitle);
    if (!box) return;
    ::KillTimer(nullptr, id);
    if (g_whileBoxIsUp) g_whileBoxIsUp();
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
}

TEST_F(HostTest, TheFocusGoesBackToTheActiveControlAfterAMessageBoxOrWhileDisabled) {
    struct Case {
        const char* name;
        bool messageBox;        // else the form is disabled and enabled again
        const char* meanwhile;  // "" or what happens to B while the focus is away
        const char* focused;
    };
    const Case cases[] = {
        {"message box", true, "", "B"},
        {"message box, B disabled meanwhile", true, "disable", "Check"},
        {"message box, B hidden meanwhile", true, "hide", "Check"},
        {"disabled", false, "", "B"},
        {"disabled, B disabled meanwhile", false, "disable", "Check"},
        {"disabled, B hidden meanwhile", false, "hide", "Check"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Build();
        Site("A").SetDefault(true);
        form->Show();
        forms::DoEvents();
        ::SetFocus(Site("B").InstanceHwnd());
        ASSERT_EQ(FocusName(*form), "B");
        ASSERT_TRUE(Rec("B").Ambient().DisplayAsDefault);
        input.clear();

        const std::string meanwhile = c.meanwhile;
        auto change = [&] {
            if (meanwhile == "disable") Site("B").SetEnabled(false);
            if (meanwhile == "hide") Site("B").SetVisible(false);
        };
        if (c.messageBox) {
            g_whileBoxIsUp = change;
            ::SetTimer(nullptr, 0, 30, &CloseTheBox);
            EXPECT_EQ(::MessageBoxA(::GetActiveWindow(), "Go on?", kBoxTitle, MB_OK | MB_SETFOREGROUND), IDOK);
            g_whileBoxIsUp = nullptr;
        } else {
            form->SetEnabled(forms::kFalse);
            forms::DoEvents();
            EXPECT_NE(FocusName(*form), "B") << "a disabled form keeps no focus";
            change();
            form->SetEnabled(forms::kTrue);
        }
        forms::DoEvents();
        EXPECT_EQ(FocusName(*form), c.focused);
        EXPECT_EQ(::GetActiveWindow(), form->WindowHandle());
        // The default look follows the focus: B's while it has it, else the default's.
        const bool onB = std::string(c.focused) == "B";
        EXPECT_EQ(Rec("B").Ambient().DisplayAsDefault, onB);
        EXPECT_EQ(Rec("A").Ambient().DisplayAsDefault, !onB);
        if (onB) {
            ASSERT_FALSE(input.empty());
            EXPECT_EQ(input.back(), "B.GotFocus");
        }
        form.reset();
    }
}

TEST_F(HostTest, ANewInstancePlacedWhileDesignedGetsInitPropertiesAndShowsDesignMessages) {
    Build();
    auto& box = form->Get<forms::PictureBox>("Box");
    life.clear();
    auto& placed = form->Add<ControlSite>("C", box, "Recorder", 0, 0, 900, 300, PropertyBag{});
    placed.SetUserMode(false);
    placed.Place();
    EXPECT_EQ(life, (Strings{"C.Init", "C.Resize 60", "C.Show"}));
    EXPECT_EQ(boxes, (Strings{"Placed while designed|64|Host test"}));

    boxes.clear();
    auto& running = form->Add<ControlSite>("D", box, "Recorder", 0, 0, 900, 300, PropertyBag{});
    running.Place();
    EXPECT_TRUE(boxes.empty());  // at run time the control stays silent
}

TEST_F(HostTest, HostSettingsCheckTheirValuesAndThePointerIsApplied) {
    Build();
    form->Show();
    ControlSite& site = Site("A");
    struct Case {
        std::int16_t pointer;
        bool accepted;
    };
    for (const Case c : {Case{0, true}, Case{11, true}, Case{15, true}, Case{99, true}, Case{16, false},
                         Case{-1, false}, Case{98, false}}) {
        SCOPED_TRACE(c.pointer);
        site.SetMousePointer(0);
        bool raised = false;
        try {
            Rec("A").SetMousePointer(c.pointer);
        } catch (const forms::RuntimeError& error) {
            raised = error.Number() == forms::kErrInvalidPropertyValue;
        }
        EXPECT_EQ(raised, !c.accepted);
        EXPECT_EQ(site.MousePointer(), c.accepted ? c.pointer : 0);
    }

    site.SetMousePointer(11);
    HWND a = site.InstanceHwnd();
    EXPECT_EQ(::SendMessageA(a, WM_SETCURSOR, reinterpret_cast<WPARAM>(a), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), TRUE);
    EXPECT_EQ(::GetCursor(), ::LoadCursor(nullptr, IDC_WAIT));

    // The mouse icon takes icons and cursors, never a bitmap.
    forms::Picture icon = forms::Picture::FromIcon(
        forms::OwnedIcon(static_cast<HICON>(::CopyImage(::LoadIcon(nullptr, IDI_APPLICATION), IMAGE_ICON, 0, 0, 0))));
    Rec("A").SetMouseIcon(icon);
    site.SetMousePointer(99);
    ::SendMessageA(a, WM_SETCURSOR, reinterpret_cast<WPARAM>(a), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), icon.IconHandle());
    forms::OwnedBitmap bits(::CreateBitmap(2, 2, 1, 32, nullptr));
    forms::Picture bitmap = forms::Picture::FromBitmap(std::move(bits));
    EXPECT_THROW(Rec("A").SetMouseIcon(bitmap), forms::RuntimeError);
    EXPECT_TRUE(site.MouseIcon().SameAs(icon));

    // Fore colour and font are those of the control's DC.
    const HDC dc = Rec("A").hDC();
    Rec("A").SetForeColor(0x0000FF);
    EXPECT_EQ(site.ForeColor(), 0x0000FFu);
    EXPECT_EQ(::GetTextColor(dc), RGB(255, 0, 0));
    Rec("A").SetForeColor(0x80000012);
    EXPECT_EQ(::GetTextColor(dc), ::GetSysColor(COLOR_BTNTEXT));
    forms::FontSpec font;
    font.face = "Arial";
    font.weight = FW_BOLD;
    const HGDIOBJ before = ::GetCurrentObject(dc, OBJ_FONT);
    Rec("A").SetFont(font);
    EXPECT_EQ(site.Font().face, "Arial");
    LOGFONTA selected{};
    ::GetObjectA(::GetCurrentObject(dc, OBJ_FONT), sizeof selected, &selected);
    EXPECT_STREQ(selected.lfFaceName, "Arial");
    EXPECT_EQ(selected.lfWeight, FW_BOLD);
    EXPECT_EQ(::GetObjectType(before), 0u);  // the font it replaced is deleted
}

TEST(ScaleTest, LengthsConvertBetweenScaleModes) {
    struct Case {
        double value;
        int from, to;
        bool vertical;
        double expected;
    };
    const double pixel = forms::Screen::TwipsPerPixelX();
    for (const Case c : {Case{1, 5, 1, false, 1440}, Case{1, 3, 1, false, pixel}, Case{pixel * 10, 1, 3, false, 10},
                         Case{1, 4, 1, false, 120}, Case{1, 4, 1, true, 240}, Case{20, 1, 2, false, 1},
                         Case{25.4, 6, 5, false, 1}, Case{2.54, 7, 5, true, 1}}) {
        const double got = c.vertical ? forms::UserControl::ScaleY(c.value, c.from, c.to)
                                      : forms::UserControl::ScaleX(c.value, c.from, c.to);
        EXPECT_NEAR(got, c.expected, 1e-9) << c.value << " " << c.from << "->" << c.to;
    }
    EXPECT_THROW(forms::UserControl::ScaleX(1, 0, 1), forms::RuntimeError);
    EXPECT_EQ(forms::Screen::Width(), ::GetSystemMetrics(SM_CXSCREEN) * pixel);
}

// ---- Events to the form ------------------------------------------------------------------

TEST_F(HostTest, EventsReachTheFormsHandlersByNameWithEveryArgumentByReference) {
    Build();
    ControlSite& site = Site("A");
    int clicks = 0;
    site.OnEvent<>("click", [&] { ++clicks; });  // names compare without regard to case
    site.OnEvent<std::int16_t, std::int16_t, float, float>(
        "MouseDown", [](std::int16_t& button, std::int16_t&, float& x, float&) {
            button = 7;
            x = 1.5f;
        });
    std::int16_t button = 1, shift = 0;
    float x = 3, y = 4;
    Rec("A").RaiseEvent("MouseDown", button, shift, x, y);
    EXPECT_EQ(button, 7);
    EXPECT_EQ(x, 1.5f);
    Rec("A").RaiseEvent("Click");
    EXPECT_EQ(clicks, 1);

    Rec("A").RaiseEvent("Unwired", button);  // nothing happens
    std::int32_t wrongType = 0;
    try {
        Rec("A").RaiseEvent("Click", wrongType);
        ADD_FAILURE() << "no error for a handler of another shape";
    } catch (const forms::RuntimeError& error) {
        EXPECT_EQ(error.Number(), forms::kErrTypeMismatch);
    }
    site.OnEvent<>("Click", nullptr);
    Rec("A").RaiseEvent("Click");
    EXPECT_EQ(clicks, 1);
}

// ---- Property bags ----------------------------------------------------------------------

TEST(PropertyBagTest, TypedReadsConvertOrRaiseTheRuntimesErrors) {
    using forms::BagValue;
    using Reader = std::function<std::string(const PropertyBag&)>;
    const Reader int16 = [](const PropertyBag& b) { return std::to_string(b.ReadInt16("k", 99)); };
    const Reader int32 = [](const PropertyBag& b) { return std::to_string(b.ReadInt32("k", 99)); };
    const Reader truth = [](const PropertyBag& b) { return std::to_string(b.ReadBool("k", forms::kFalse)); };
    const Reader color = [](const PropertyBag& b) { return std::to_string(b.ReadColor("k", 0)); };
    const Reader text = [](const PropertyBag& b) { return b.ReadText("k", "def"); };
    const Reader font = [](const PropertyBag& b) { return b.ReadFont("k", forms::FontSpec{}).face; };
    const Reader picture = [](const PropertyBag& b) { return std::to_string(b.ReadPicture("k").Width()); };
    forms::FontSpec verdana;
    verdana.face = "Verdana";
    struct Case {
        const char* what;
        BagValue stored;
        Reader read;
        std::string expected;  // "error N" for a raised error
    };
    const std::vector<Case> cases = {
        {"16-bit at its lower end", std::int32_t{-32768}, int16, "-32768"},
        {"16-bit overflow", std::int32_t{40000}, int16, "error 6"},
        {"real rounds half to even", 2.5, int16, "2"},
        {"real rounds half to even upwards", 3.5, int32, "4"},
        {"32-bit overflow", 1e10, int32, "error 6"},
        {"number in a text", std::string(" 12 "), int32, "12"},
        {"text that is no number", std::string("abc"), int32, "error 13"},
        {"font read as a number", verdana, int32, "error 13"},
        {"truth from True", std::string("True"), truth, "-1"},
        {"truth from any non-zero number", std::int32_t{5}, truth, "-1"},
        {"truth from 0", std::int32_t{0}, truth, "0"},
        {"truth from other text", std::string("maybe"), truth, "error 13"},
        {"system colour stored as a negative number", std::int32_t{-2147483633}, color, "2147483663"},
        {"colour in hex text", std::string("&H8000000F"), color, "2147483663"},
        {"colour beyond 32 bits", 5e9, color, "error 6"},
        {"number as text", std::int32_t{42}, text, "42"},
        {"picture as text", forms::Picture{}, text, "error 13"},
        {"font", verdana, font, "Verdana"},
        {"number as a font", std::int32_t{7}, font, "error 13"},
        {"text as a picture", std::string("x"), picture, "error 13"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PropertyBag bag;
        bag.WriteProperty("K", c.stored);
        std::string got;
        try {
            got = c.read(bag);
        } catch (const forms::RuntimeError& error) {  // any other exception type fails the test
            got = "error " + std::to_string(error.Number());
        }
        EXPECT_EQ(got, c.expected);
    }
    // An absent key gives the reader's default.
    const PropertyBag empty;
    EXPECT_EQ(int16(empty), "99");
    EXPECT_EQ(truth(empty), "0");
    EXPECT_EQ(text(empty), "def");
    EXPECT_EQ(font(empty), "Tahoma");
    EXPECT_EQ(picture(empty), "0");
}

forms::Picture SmallBitmap() {
    const std::uint32_t pixels[6] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF, 0x00000000, 0x00123456};
    void* bits = nullptr;
    forms::OwnedBitmap bitmap = testdib::TopDownDib(3, 2, &bits);
    std::memcpy(bits, pixels, sizeof pixels);
    return forms::Picture::FromBitmap(std::move(bitmap), RGB(255, 0, 255));
}

COLORREF PixelOf(const forms::Picture& picture, int x, int y) {
    return testdib::BitmapPixel(picture.BitmapHandle(), x, y);
}

TEST_F(HostTest, EveryValueTypeComesBackTheSameThroughTheStoredDescription) {
    PropertyBag bag;
    bag.WriteText("Caption", "say \"hi\"\r\n\tback\\slash \xE9");
    bag.WriteInt16("Small", -5);
    bag.WriteInt32("Large", -2147483647 - 1);
    bag.WriteBool("Yes", forms::kTrue);
    bag.WriteBool("No", forms::kFalse);
    bag.WriteBool("Skipped", forms::kTrue, forms::kTrue);  // equals its default: not stored
    bag.WriteColor("Colour", 0x8000000F);
    bag.WriteProperty("Real", 0.1);
    forms::FontSpec font;
    font.face = "Verdana";
    font.size = 9.75;
    font.weight = FW_SEMIBOLD;
    font.italic = font.underline = font.strikethrough = true;
    bag.WriteFont("Font", font);
    const forms::Picture bitmap = SmallBitmap();
    bag.WritePicture("Image", bitmap);
    const forms::Picture icon = forms::Picture::FromIcon(
        forms::OwnedIcon(static_cast<HICON>(::CopyImage(::LoadIcon(nullptr, IDI_APPLICATION), IMAGE_ICON, 0, 0, 0))));
    bag.WritePicture("mIcon", icon);
    bag.WritePicture("None", forms::Picture{});
    EXPECT_FALSE(bag.Contains("Skipped"));
    EXPECT_FALSE(bag.Contains("None"));

    const std::string stored = forms::BagToText(bag, "            ");
    const std::string description = std::string("form Host {\n    control A : Recorder {\n") +
                                    "        Rect = 0, 0, 900, 300\n        bag {\n" + stored +
                                    "        }\n    }\n}\n";
    Build(description.c_str());
    const PropertyBag& loaded = Site("A").Bag();
    EXPECT_EQ(loaded.ReadText("caption", ""), "say \"hi\"\r\n\tback\\slash \xE9");
    EXPECT_EQ(loaded.ReadInt16("Small", 0), -5);
    EXPECT_EQ(loaded.ReadInt32("Large", 0), -2147483647 - 1);
    EXPECT_EQ(loaded.ReadBool("Yes", forms::kFalse), forms::kTrue);
    EXPECT_EQ(loaded.ReadBool("No", forms::kTrue), forms::kFalse);
    EXPECT_FALSE(loaded.Contains("Skipped"));
    EXPECT_EQ(loaded.ReadColor("Colour", 0), 0x8000000Fu);
    EXPECT_EQ(std::get<double>(loaded.ReadProperty("Real")), 0.1);
    EXPECT_EQ(loaded.ReadFont("Font", forms::FontSpec{}), font);
    const forms::Picture bitmapBack = loaded.ReadPicture("Image");
    ASSERT_EQ(bitmapBack.GetKind(), forms::Picture::Kind::Bitmap);
    EXPECT_EQ(bitmapBack.Width(), 3);
    EXPECT_EQ(bitmapBack.Height(), 2);
    EXPECT_EQ(bitmapBack.TransparentKey(), bitmap.TransparentKey());
    for (int i = 0; i < 6; ++i) EXPECT_EQ(PixelOf(bitmapBack, i % 3, i / 3), PixelOf(bitmap, i % 3, i / 3));
    const forms::Picture iconBack = loaded.ReadPicture("mIcon");
    ASSERT_EQ(iconBack.GetKind(), forms::Picture::Kind::Icon);
    EXPECT_EQ(iconBack.Width(), icon.Width());

    // Saved and stored again, every value, the pixels and masks included, reads the same.
    PropertyBag again = loaded;
    EXPECT_EQ(forms::BagToText(again, "            "), stored);
    Site("A").Save();  // saving writes the bag anew: the recorder stores no key of these
    EXPECT_EQ(Site("A").Bag().Size(), 0u);
}

// ---- The error boundary of timer callbacks -------------------------------------------------

void RaiseOverflow(HWND, UINT, UINT_PTR, DWORD) { forms::Raise(forms::kErrOverflow); }

// Runs only in the process that the test below starts: the error box ends that process.
TEST(TimerCallbackChild, DISABLED_RaisesFromItsCallback) {
    boxchild::NoteBoxes();
    ::SetTimer(nullptr, 0, 1, &forms::GuardedTimerProc<&RaiseOverflow>);
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 3000) {
        forms::DoEvents();
        ::Sleep(1);
    }
    boxchild::Note("still running\n");
}

TEST(TimerCallbackTest, AnErrorInATimerCallbackGivesTheErrorBoxAndNothingElse) {
    const boxchild::Outcome child = boxchild::RunChild("TimerCallbackChild.*");
    EXPECT_EQ(child.exitCode, 1u);  // ended by the error box, not by a crash, not still running
    EXPECT_EQ(child.notes, "box: Run-time error '6':\r\n\r\nOverflow\n");
}

// ---- Handles ------------------------------------------------------------------------------

// A control that keeps a back buffer as a button does: a memory DC with a bitmap made anew
// at every resize, and a pen, a brush and a font selected for its whole life.
class Buffered : public forms::UserControl {
public:
    Buffered(ControlSite& site, std::vector<HGDIOBJ>& made) : UserControl(site), made_(made) {}
    void UserControl_Resize() override {
        if (!dc_) {
            dc_.Reset(::CreateCompatibleDC(hDC()));
            made_.push_back(dc_.Get());
            Keep(pen_, forms::OwnedPen(::CreatePen(PS_SOLID, 1, 0)));
            Keep(brush_, forms::OwnedBrush(::CreateSolidBrush(0)));
        }
        Keep(font_, forms::CreateFontFor(Font()));
        Keep(bitmap_, forms::OwnedBitmap(::CreateCompatibleBitmap(
                          hDC(), static_cast<int>(ScaleWidth()), static_cast<int>(ScaleHeight()))));
        made_.push_back(hDC());
        made_.push_back(::GetCurrentObject(hDC(), OBJ_FONT));  // the host's font in it
    }
    void UserControl_Paint() override {
        ::BitBlt(hDC(), 0, 0, static_cast<int>(ScaleWidth()), static_cast<int>(ScaleHeight()), dc_.Get(), 0, 0, SRCCOPY);
        Refresh();
    }

private:
    template <class Slot, class Owned>
    void Keep(Slot& slot, Owned object) {
        made_.push_back(object.Get());
        ASSERT_TRUE(slot.Select(dc_.Get(), std::move(object)));
    }

    std::vector<HGDIOBJ>& made_;
    forms::OwnedDc dc_;
    forms::SelectedSlot<forms::OwnedBitmap> bitmap_;
    forms::SelectedSlot<forms::OwnedPen> pen_;
    forms::SelectedSlot<forms::OwnedBrush> brush_;
    forms::SelectedSlot<forms::OwnedFont> font_;
};

TEST(HandleTest, NothingIsLeftAfterManyHostedControlsCameAndWent) {
    std::vector<HGDIOBJ> made;
    std::vector<HWND> windows;
    forms::RegisterControlClass("Buffered", [&made](ControlSite& site) {
        return std::make_unique<Buffered>(site, made);
    });
    for (int cycle = 0; cycle < 40; ++cycle) {
        forms::Form form(forms::desc::Parse(R"(
form Cycle {
    ClientSize = 3000, 2000
    control Button : Buffered {
        Rect = 0, 0, 900, 300
    }
    checkbox Check {
        Rect    = 0, 600, 900, 300
        Caption = "Tick"
        Font    = "Verdana", 8.25
    }
}
)"));
        form.Show();
        auto& site = form.Get<ControlSite>("Button");
        windows.push_back(site.InstanceHwnd());
        for (int size = 1; size <= 3; ++size) {
            site.Move(0, 0, 900 + 150 * size, 300 + 30 * size);
            ::UpdateWindow(site.InstanceHwnd());
        }
        auto& check = form.Get<forms::CheckBox>("Check");
        windows.push_back(check.hWnd());
        for (int size : {8, 10}) {
            const auto before = reinterpret_cast<HGDIOBJ>(::SendMessageA(check.hWnd(), WM_GETFONT, 0, 0));
            forms::FontSpec font;
            font.size = size;
            check.SetFont(font);
            ASSERT_NE(before, nullptr);
            EXPECT_EQ(::GetObjectType(before), 0u);  // replaced, and deleted
            made.push_back(reinterpret_cast<HGDIOBJ>(::SendMessageA(check.hWnd(), WM_GETFONT, 0, 0)));
        }
        check.SetBackColor(0x00FF00);
        forms::DoEvents();
    }
    forms::RegisterControlClass("Buffered", nullptr);
    // Per cycle: the memory DC, pen, brush; font, bitmap, own DC and its font at each of
    // 4 resizes; two check box fonts.
    ASSERT_EQ(made.size(), 40u * (1 + 2 + 4 * 4 + 2));
    int live = 0;
    for (HGDIOBJ object : made) live += ::GetObjectType(object) != 0;
    EXPECT_EQ(live, 0);
    int windowsLeft = 0;
    for (HWND hwnd : windows) windowsLeft += ::IsWindow(hwnd) != FALSE;
    EXPECT_EQ(windowsLeft, 0);
}

TEST(HandleTest, ASelectedSlotPutsTheOriginalBackBeforeDeleting) {
    forms::OwnedDc dc(::CreateCompatibleDC(nullptr));
    const HGDIOBJ original = ::GetCurrentObject(dc.Get(), OBJ_PEN);
    HGDIOBJ first = nullptr;
    {
        forms::SelectedSlot<forms::OwnedPen> slot;
        forms::OwnedPen a(::CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
        first = a.Get();
        ASSERT_TRUE(slot.Select(dc.Get(), std::move(a)));
        EXPECT_EQ(slot.Original(), original);
        forms::OwnedPen b(::CreatePen(PS_SOLID, 2, RGB(0, 255, 0)));
        const HGDIOBJ second = b.Get();
        ASSERT_TRUE(slot.Select(dc.Get(), std::move(b)));
        EXPECT_EQ(::GetObjectType(first), 0u);  // replaced, then deleted
        EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_PEN), second);
        EXPECT_EQ(slot.Original(), original);  // still the very first one
        first = second;
    }
    EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_PEN), original);
    EXPECT_EQ(::GetObjectType(first), 0u);
}

}  // namespace
