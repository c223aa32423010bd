// The button's click rules from real window messages, the CustomClick nudge, and hover
// tracking with the real cursor.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "button_apply_look.h"
#include "button_test_host.h"
#include "dib.h"
#include "real_input.h"

namespace {

using namespace buttontest;

struct Message {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

constexpr LPARAM kAt = MAKELPARAM(5, 5);

Message Down(UINT msg, WPARAM held) { return {msg, held, kAt}; }
Message Key(UINT msg, WPARAM vk) { return {msg, vk, msg == WM_KEYUP ? LPARAM(0xC0000001) : 1}; }

void Pump() {
    for (int i = 0; i < 3; ++i) forms::DoEvents();
}

// Pumps until the condition holds; false when it has not within timeoutMs.
bool PumpUntil(const std::function<bool()>& condition, int timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!condition()) {
        if (::GetTickCount() - start > static_cast<DWORD>(timeoutMs)) return false;
        forms::DoEvents();
        ::Sleep(2);
    }
    return true;
}

class ButtonInputTest : public ::testing::Test {
protected:
    Butt& Make(const std::string& name, std::int32_t mode, int x = 10, int y = 10) {
        forms::PropertyBag bag = ApplyBag();
        bag.WriteProperty("Mode", mode);
        Butt& b = host.Add(name, bag, x, y);
        Pump();
        return b;
    }

    // Posts each message to the button's window and lets the form handle it.
    void Feed(Butt& b, const std::vector<Message>& messages) {
        for (const Message& m : messages) {
            ::PostMessageA(b.hWnd(), m.msg, m.wParam, m.lParam);
            Pump();
        }
    }

    ButtonHost host;
};

TEST_F(ButtonInputTest, ClickRulesFromWindowMessages) {
    struct Case {
        const char* label;
        std::int32_t mode;
        std::vector<Message> messages;
        std::vector<std::string> events;
        forms::VbBool valueAfter;
    };
    const std::vector<Case> cases = {
        {"left click, command button", 0,
         {Down(WM_LBUTTONDOWN, MK_LBUTTON), Down(WM_LBUTTONUP, 0)},
         {"MouseDown(1)", "MouseUp(1)", "Click"}, kFalse},
        {"right click", 0, {Down(WM_RBUTTONDOWN, MK_RBUTTON), Down(WM_RBUTTONUP, 0)},
         {"MouseDown(2)", "MouseUp(2)"}, kFalse},
        {"left double-click, check box", 1,
         {Down(WM_LBUTTONDOWN, MK_LBUTTON), Down(WM_LBUTTONUP, 0),
          Down(WM_LBUTTONDBLCLK, MK_LBUTTON), Down(WM_LBUTTONUP, 0)},
         {"MouseDown(1)", "MouseUp(1)", "Click", "DoubleClick(1)", "MouseDown(1)", "MouseUp(1)"},
         kTrue},
        {"right double-click", 0,
         {Down(WM_RBUTTONDOWN, MK_RBUTTON), Down(WM_RBUTTONUP, 0),
          Down(WM_RBUTTONDBLCLK, MK_RBUTTON), Down(WM_RBUTTONUP, 0)},
         {"MouseDown(2)", "MouseUp(2)", "DoubleClick(2)", "MouseDown(1)", "MouseUp(2)"}, kFalse},
        {"Space, command button", 0, {Key(WM_KEYDOWN, VK_SPACE), Key(WM_KEYUP, VK_SPACE)},
         {"KeyDown(32)", "KeyPress(32)", "Click", "KeyUp(32)"}, kFalse},
        {"Space held, command button", 0,
         {Key(WM_KEYDOWN, VK_SPACE), Key(WM_KEYDOWN, VK_SPACE), Key(WM_KEYUP, VK_SPACE)},
         {"KeyDown(32)", "KeyPress(32)", "KeyDown(32)", "KeyPress(32)", "Click", "KeyUp(32)"},
         kFalse},
        {"Space, check box", 1, {Key(WM_KEYDOWN, VK_SPACE), Key(WM_KEYUP, VK_SPACE)},
         {"KeyDown(32)", "KeyPress(32)", "KeyUp(32)", "Click"}, kTrue},
        // The focus has selected this first option button of its group already.
        {"Space, selected option button", 2, {Key(WM_KEYDOWN, VK_SPACE), Key(WM_KEYUP, VK_SPACE)},
         {"KeyDown(32)", "KeyPress(32)", "KeyUp(32)"}, kTrue},
        {"Shift up is not reported", 0, {Key(WM_KEYDOWN, VK_SHIFT), Key(WM_KEYUP, VK_SHIFT)},
         {"KeyDown(16)"}, kFalse},
        {"arrows raise nothing", 0,
         {Key(WM_KEYDOWN, VK_LEFT), Key(WM_KEYUP, VK_LEFT), Key(WM_KEYDOWN, VK_DOWN),
          Key(WM_KEYUP, VK_DOWN)},
         {}, kFalse},
        {"an arrow released on an unselected option button selects it", 2,
         {Key(WM_KEYDOWN, VK_UP), Key(WM_KEYUP, VK_UP)}, {"Click"}, kTrue},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string name = "C" + std::to_string(n++);
        Butt& b = Make(name, c.mode);
        ::SetFocus(b.hWnd());
        Pump();
        EventLog log(host.Site(name));
        Feed(b, c.messages);
        EXPECT_EQ(log.Take(), c.events);
        EXPECT_EQ(b.GetValue(), c.valueAfter);
        EXPECT_EQ(b.ButtonState & button::bsPressed, 0);
        EXPECT_EQ(b.ButtonHeld, kFalse);
        EXPECT_NE(::GetCapture(), b.hWnd());
    }
}

TEST_F(ButtonInputTest, ALeftPressShowsThePressedStateAndTakesTheMouse) {
    Butt& b = Make("P", 0);
    EventLog log(host.Site("P"));
    Feed(b, {Down(WM_LBUTTONDOWN, MK_LBUTTON)});
    EXPECT_EQ(b.ButtonState & button::bsPressed, button::bsPressed);
    EXPECT_EQ(b.ButtonHeld, kTrue);
    EXPECT_EQ(::GetCapture(), b.hWnd());
    EXPECT_EQ(b.LastButton, 1);
    Feed(b, {Down(WM_LBUTTONUP, 0)});
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"MouseDown(1)", "MouseUp(1)", "Click"}));
}

TEST_F(ButtonInputTest, ArrowKeysGoToTheContainerWithTheirScanCodes) {
    Butt& b = Make("A", 0);
    EventLog log(host.Site("A"));
    HWND box = host.Box().hWnd();
    const std::pair<WPARAM, LPARAM> cases[] = {
        {VK_RIGHT, 0x4D0001}, {VK_DOWN, 0x500001}, {VK_LEFT, 0x4B0001}, {VK_UP, 0x480001}};
    for (const auto& [vk, lParam] : cases) {
        SCOPED_TRACE(vk);
        ::SendMessageA(b.hWnd(), WM_KEYDOWN, vk, 1);
        MSG posted{};
        ASSERT_TRUE(::PeekMessageA(&posted, box, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
        EXPECT_EQ(posted.wParam, vk);
        EXPECT_EQ(posted.lParam, lParam);
    }
    EXPECT_TRUE(log.Take().empty());
}

TEST_F(ButtonInputTest, EnterAndEscClickOnlyCommandButtons) {
    struct Case {
        const char* label;
        std::int32_t mode;
        WPARAM key;
        bool isDefault;
        bool isCancel;
        std::vector<std::string> events;
    };
    const std::vector<Case> cases = {
        {"Enter on a default command button", 0, VK_RETURN, true, false, {"Click"}},
        {"Esc on a cancel command button", 0, VK_ESCAPE, false, true, {"Click"}},
        {"Enter on a default check box", 1, VK_RETURN, true, false, {}},
        {"Enter on a default option button", 2, VK_RETURN, true, false, {}},
        {"Esc on a cancel check box", 1, VK_ESCAPE, false, true, {}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string name = "K" + std::to_string(n++);
        Butt& b = Make(name, c.mode);
        host.Site(name).SetDefault(c.isDefault);
        host.Site(name).SetCancel(c.isCancel);
        ::SetFocus(b.hWnd());
        Pump();
        EventLog log(host.Site(name));
        const auto paints = b.PaintsRun;
        const forms::VbBool value = b.GetValue();
        Feed(b, {Key(WM_KEYDOWN, c.key), Key(WM_KEYUP, c.key)});
        EXPECT_EQ(log.Take(), c.events);
        EXPECT_EQ(b.GetValue(), value);
        if (!c.events.empty()) {
            EXPECT_EQ(b.PaintsRun, paints);  // no redraw before the click
        }
    }
}

TEST_F(ButtonInputTest, AnAccessKeyRedrawsThenClicks) {
    Butt& b = Make("Z", 0);
    b.SetCaption("&Zap");
    EventLog log(host.Site("Z"));
    const auto paints = b.PaintsRun;
    std::int16_t key = 'z';
    b.UserControl_AccessKeyPress(key);
    EXPECT_EQ(log.Take(), std::vector<std::string>{"Click"});
    EXPECT_EQ(b.PaintsRun, paints + 1);
}

TEST_F(ButtonInputTest, CustomClickNudgesACommandButtonOnePixelAndBack) {
    auto placeOf = [this](Butt& b) {
        RECT r{};
        ::GetWindowRect(b.hWnd(), &r);
        ::MapWindowPoints(nullptr, host.Box().hWnd(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    Butt& b = Make("N", 0, 30, 40);
    b.CustomClick = button::clickDownRight;
    const RECT home = placeOf(b);
    b.ButtonState = button::kPressedLook;
    EXPECT_EQ(b.MoveOnCustomClick(), kTrue);
    const RECT pressed = placeOf(b);
    EXPECT_EQ(pressed.left, home.left + 1);
    EXPECT_EQ(pressed.top, home.top + 1);
    EXPECT_EQ(pressed.right - pressed.left, home.right - home.left);
    EXPECT_EQ(pressed.bottom - pressed.top, home.bottom - home.top);
    EXPECT_EQ(b.ButtonState & button::bsMoved, button::bsMoved);
    EXPECT_EQ(b.MoveOnCustomClick(), kFalse);  // already moved: the paint goes on
    b.ButtonState = static_cast<std::int16_t>(b.ButtonState & ~button::bsPressed);
    EXPECT_EQ(b.MoveOnCustomClick(), kFalse);
    const RECT back = placeOf(b);
    EXPECT_EQ(back.left, home.left);
    EXPECT_EQ(back.top, home.top);
    EXPECT_EQ(b.ButtonState & button::bsMoved, 0);

    Butt& check = Make("NC", 1, 130, 40);
    check.CustomClick = button::clickDownRight;
    check.ButtonState = button::kPressedLook;
    const RECT checkHome = placeOf(check);
    EXPECT_EQ(check.MoveOnCustomClick(), kFalse);
    EXPECT_EQ(placeOf(check).left, checkHome.left);
}

// ---- Hover with the real cursor --------------------------------------------------------

void MoveCursor(POINT screen) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = static_cast<LONG>(screen.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1));
    input.mi.dy = static_cast<LONG>(screen.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof input);
}

void LeftButton(bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    ::SendInput(1, &input, sizeof input);
}

POINT ScreenPoint(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(hwnd, &p);
    return p;
}

class ButtonHoverTest : public ButtonInputTest {
protected:
    void SetUp() override {
        b = &Make("H", 0, 40, 40);
        log = std::make_unique<EventLog>(host.Site("H"));
        ::SetForegroundWindow(host.Form().hWnd());
        off = ScreenPoint(host.Box().hWnd(), 5, 5);
        on = ScreenPoint(b->hWnd(), 20, 12);
        MoveCursor(off);
        Pump();
        log->Take();
    }
    void TearDown() override {
        LeftButton(false);
        MoveCursor(off);
        Pump();
    }
    bool Has(const std::string& event) const {
        const auto& e = log->entries;
        return std::find(e.begin(), e.end(), event) != e.end();
    }

    Butt* b = nullptr;
    std::unique_ptr<EventLog> log;
    POINT off{}, on{};
};

TEST_F(ButtonHoverTest, EnteringAnnouncesTheHoverBeforeTheMoveAndLeavingEndsItWithinATick) {
    MoveCursor(on);
    ASSERT_TRUE(PumpUntil([&] { return Has("MouseMove"); }, 2000));
    const auto entered = log->Take();
    ASSERT_GE(entered.size(), 2u);
    EXPECT_EQ(entered[0], "MouseOnButton(True)");
    EXPECT_EQ(entered[1], "MouseMove");
    EXPECT_EQ(b->HoverTimerOn, kTrue);
    EXPECT_EQ(b->ButtonState & button::bsHover, button::bsHover);
    EXPECT_EQ(::GetPropA(b->hWnd(), "butt_ClassID"), static_cast<HANDLE>(b));
    EXPECT_EQ(::GetPropA(b->hWnd(), "butt_TimerID"), reinterpret_cast<HANDLE>(237));

    const DWORD left = ::GetTickCount();
    MoveCursor(off);
    ASSERT_TRUE(PumpUntil([&] { return Has("MouseOnButton(False)"); }, 2000));
    const DWORD took = ::GetTickCount() - left;
    EXPECT_LE(took, 250u) << "the hover ended " << took << " ms after leaving";
    EXPECT_EQ(b->HoverTimerOn, kFalse);
    EXPECT_EQ(b->ButtonState & button::bsHover, 0);
    std::printf("hover end seen %lu ms after the cursor left\n", static_cast<unsigned long>(took));
}

TEST_F(ButtonHoverTest, AHeldButtonShowsThePressedLookAgainWhenTheCursorComesBack) {
    MoveCursor(on);
    ASSERT_TRUE(PumpUntil([&] { return Has("MouseOnButton(True)"); }, 2000));
    LeftButton(true);
    ASSERT_TRUE(PumpUntil([&] { return Has("MouseDown(1)"); }, 2000));
    EXPECT_EQ(b->ButtonState & button::kPressedLook, button::kPressedLook);
    log->Take();

    MoveCursor(off);
    ASSERT_TRUE(PumpUntil([&] { return Has("MouseOnButton(False)"); }, 2000));
    EXPECT_NE(b->ButtonState & button::kPressedLook, button::kPressedLook);
    EXPECT_EQ(b->ButtonState & button::bsPressed, button::bsPressed);  // survives the hover end
    EXPECT_EQ(b->ButtonHeld, kFalse);
    log->Take();

    MoveCursor(on);
    ASSERT_TRUE(PumpUntil([&] { return Has("MouseOnButton(True)"); }, 2000));
    EXPECT_EQ(b->ButtonState & button::kPressedLook, button::kPressedLook);
    EXPECT_EQ(b->ButtonHeld, kTrue);
    log->Take();

    LeftButton(false);
    ASSERT_TRUE(PumpUntil([&] { return Has("Click"); }, 2000));
}

TEST_F(ButtonHoverTest, AWindowOverTheButtonEndsTheHover) {
    MoveCursor(on);
    ASSERT_TRUE(PumpUntil([&] { return Has("MouseOnButton(True)"); }, 2000));
    forms::OwnedWindow cover(::CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "BUTTON", "",
                                               WS_POPUP | WS_VISIBLE, on.x - 10, on.y - 10, 20,
                                               20, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(cover);
    EXPECT_TRUE(PumpUntil([&] { return Has("MouseOnButton(False)"); }, 2000));
    EXPECT_EQ(b->HoverTimerOn, kFalse);
}

TEST_F(ButtonHoverTest, NoTickReachesAnEndedButton) {
    MoveCursor(on);
    ASSERT_TRUE(PumpUntil([&] { return Has("MouseOnButton(True)"); }, 2000));
    HWND window = b->hWnd();
    b->UserControl_Terminate();
    EXPECT_EQ(::GetPropA(window, "butt_ClassID"), nullptr);
    MoveCursor(off);
    log->Take();
    PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(log->Take().empty());
}

// ---- Presses with the real mouse -------------------------------------------------------

// What the screen shows at a point.
button::RgbColor ScreenColor(POINT screen) {
    forms::WindowDc dc(nullptr);
    return static_cast<button::RgbColor>(::GetPixel(dc.Get(), screen.x, screen.y));
}

// The ring colours that the screen shows for a button whose top-left corner is at origin.
std::vector<button::RgbColor> ScreenRings(POINT origin) {
    std::vector<button::RgbColor> rings;
    for (const POINT p : buttontest::kApplySlotAt) {
        rings.push_back(ScreenColor({origin.x + p.x, origin.y + p.y}));
    }
    return rings;
}

std::string Rings(const std::vector<button::RgbColor>& rings) {
    std::string text;
    for (button::RgbColor c : rings) text += Hex(c) + " ";
    return text;
}

bool ScreenShows(POINT origin, const ApplyLook& look) {
    return ScreenRings(origin) == std::vector<button::RgbColor>(look.slots, look.slots + 8);
}

// The time the screen may take to show a paint, and how long nothing more may happen after.
constexpr int kShowMs = 1000;
constexpr DWORD kSettleMs = 150;

class ButtonPressTest : public ButtonHoverTest {
protected:
    void SetUp() override {
        ButtonHoverTest::SetUp();
        // The focus first, so that no press changes the default look and paints for that.
        ::SetFocus(b->hWnd());
        Pump();
    }
    void TearDown() override {
        testinput::SendMouse(MOUSEEVENTF_RIGHTUP);
        testinput::SendMouse(MOUSEEVENTF_MIDDLEUP);
        ButtonHoverTest::TearDown();
    }
    // Puts the cursor at a window pixel of button and waits for its hover.
    void HoverAt(Butt& button, int x, int y) {
        MoveCursor(ScreenPoint(button.hWnd(), x, y));
        ASSERT_TRUE(PumpUntil([&] { return button.HoverTimerOn == kTrue; }, 2000));
        Settle();
    }
    static void Settle() { PumpUntil([] { return false; }, kSettleMs); }
    static POINT Corner(HWND hwnd) {
        RECT r{};
        ::GetWindowRect(hwnd, &r);
        return {r.left, r.top};
    }
};

TEST_F(ButtonPressTest, CustomClickShowsThePressedLookAtTheNudgedPlaceWhileHeld) {
    struct Case {
        std::int32_t customClick;
        POINT nudge;
    };
    const Case cases[] = {{0, {0, 0}},  {1, {0, -1}}, {2, {1, -1}}, {3, {-1, -1}}, {4, {1, 1}},
                          {5, {-1, 1}}, {6, {1, 0}},  {7, {0, 1}},  {8, {-1, 0}}};
    const POINT home = Corner(b->hWnd());
    RECT box{};
    ::GetWindowRect(b->hWnd(), &box);
    const COLORREF boxColor = 0x493328;  // the container's back colour
    for (const Case& c : cases) {
        SCOPED_TRACE("CustomClick " + std::to_string(c.customClick));
        b->SetCustomClick(c.customClick);
        // Each press at a place of its own, so that no two of them make a double-click.
        HoverAt(*b, 8 + 7 * c.customClick, 12);
        log->Take();
        const bool nudged = c.customClick != 0;
        const POINT heldAt{home.x + c.nudge.x, home.y + c.nudge.y};

        auto paints = b->PaintsRun;
        LeftButton(true);
        const bool pressedShown = PumpUntil([&] { return ScreenShows(heldAt, kApplyPressed); }, kShowMs);
        Settle();
        EXPECT_TRUE(pressedShown) << "the screen shows " << Rings(ScreenRings(heldAt));
        EXPECT_EQ(Corner(b->hWnd()).x, heldAt.x);
        EXPECT_EQ(Corner(b->hWnd()).y, heldAt.y);
        EXPECT_EQ(b->ButtonState & button::bsMoved, nudged ? button::bsMoved : 0);
        // The press paints once; a nudge paints again, at the new place.
        EXPECT_EQ(b->PaintsRun - paints, nudged ? 2u : 1u);
        if (nudged) {
            // The strip that the button left shows the container again.
            const POINT left{c.nudge.x > 0 ? box.left : box.right - 1, box.top + 12};
            const POINT top{box.left + 38, c.nudge.y > 0 ? box.top : box.bottom - 1};
            if (c.nudge.x != 0) {
                EXPECT_EQ(Hex(ScreenColor(left)), Hex(boxColor));
            }
            if (c.nudge.y != 0) {
                EXPECT_EQ(Hex(ScreenColor(top)), Hex(boxColor));
            }
        }
        // A window that moves under a still pointer is told of the pointer at its new
        // place by one mouse move, as Windows does (Wine 10 too, Wine 8 not at all): the
        // control reports it as any other move, and the press stays as it is.
        auto events = log->Take();
        const auto moves = std::erase(events, std::string("MouseMove"));
        EXPECT_EQ(events, std::vector<std::string>{"MouseDown(1)"});
        EXPECT_LE(moves, nudged ? 1u : 0u);

        paints = b->PaintsRun;
        LeftButton(false);
        ASSERT_TRUE(PumpUntil([&] { return Has("Click"); }, 2000));
        const bool normalShown = PumpUntil([&] { return ScreenShows(home, kApplyHovered); }, kShowMs);
        Settle();
        EXPECT_TRUE(normalShown) << "the screen shows " << Rings(ScreenRings(home));
        EXPECT_EQ(Corner(b->hWnd()).x, home.x);
        EXPECT_EQ(Corner(b->hWnd()).y, home.y);
        EXPECT_EQ(b->ButtonState & button::bsMoved, 0);
        // The release paints once; the move back asks for one more.
        EXPECT_EQ(b->PaintsRun - paints, nudged ? 2u : 1u);
    }
}

TEST_F(ButtonPressTest, OnlyALeftPressShowsThePressedLookHoldsTheMouseAndClicks) {
    struct Case {
        const char* label;
        DWORD down, up;
        std::int16_t button;
        bool left;
    };
    const Case cases[] = {
        {"left", MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 1, true},
        {"right", MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, 2, false},
        {"middle", MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 4, false},
    };
    const POINT home = Corner(b->hWnd());
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        HoverAt(*b, 10 + 10 * n++, 12);
        log->Take();
        const std::string id = std::to_string(c.button);
        auto paints = b->PaintsRun;
        testinput::SendMouse(c.down);
        ASSERT_TRUE(PumpUntil([&] { return Has("MouseDown(" + id + ")"); }, 2000));
        const ApplyLook& held = c.left ? kApplyPressed : kApplyHovered;
        const bool shown = PumpUntil([&] { return ScreenShows(home, held); }, kShowMs);
        Settle();
        EXPECT_TRUE(shown) << "the screen shows " << Rings(ScreenRings(home));
        EXPECT_EQ(::GetCapture() == b->hWnd(), c.left);
        EXPECT_EQ(b->ButtonState & button::bsPressed, c.left ? button::bsPressed : 0);
        EXPECT_EQ(b->PaintsRun - paints, c.left ? 1u : 0u);

        paints = b->PaintsRun;
        testinput::SendMouse(c.up);
        ASSERT_TRUE(PumpUntil([&] { return Has("MouseUp(" + id + ")"); }, 2000));
        Settle();
        std::vector<std::string> events = {"MouseDown(" + id + ")", "MouseUp(" + id + ")"};
        if (c.left) events.push_back("Click");
        auto got = log->Take();
        got.erase(std::remove(got.begin(), got.end(), "MouseMove"), got.end());
        EXPECT_EQ(got, events);
        EXPECT_EQ(::GetCapture(), nullptr);
        EXPECT_EQ(b->PaintsRun - paints, c.left ? 1u : 0u);
        EXPECT_EQ(b->LastButton, c.button);
    }
}

// A left release clicks when it is inside the button's rectangle, also where the window's
// region has cut the rectangle away; the look while held follows the hover, which ends
// wherever the button's window is not the one under the cursor.
TEST_F(ButtonPressTest, ALeftReleaseClicksInsideTheRectangleCutCornersIncluded) {
    Butt& oval = Make("O", 0, 160, 40);
    oval.SetButtonShape(button::shapeOval);
    EventLog ovalLog(host.Site("O"));
    struct Case {
        const char* label;
        Butt* button;
        EventLog* events;
        POINT releaseAt;        // window pixel
        bool outsideTheRegion;  // the window's outline leaves the pixel out
        bool clicks;
    };
    const Case cases[] = {
        {"in the middle", b, log.get(), {38, 12}, false, true},
        {"top-left corner cut away", b, log.get(), {0, 0}, true, true},
        {"bottom-right corner cut away", b, log.get(), {75, 23}, true, true},
        {"just left of the rectangle", b, log.get(), {-1, 12}, true, false},
        {"just below the rectangle", b, log.get(), {38, 24}, true, false},
        {"far away", b, log.get(), {200, 100}, true, false},
        {"an oval's corner", &oval, &ovalLog, {1, 1}, true, true},
        {"an oval's middle", &oval, &ovalLog, {38, 12}, false, true},
        {"right of an oval", &oval, &ovalLog, {76, 12}, true, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        HWND hwnd = c.button->hWnd();
        const POINT release = ScreenPoint(hwnd, c.releaseAt.x, c.releaseAt.y);
        EXPECT_EQ(::WindowFromPoint(release) != hwnd, c.outsideTheRegion);
        EXPECT_EQ(testinput::ReleasedOver(hwnd, release), c.clicks);
        // Presses at places of their own, so that no two of them make a double-click.
        HoverAt(*c.button, 20 + 6 * (n++ % 6), 12);
        c.events->Take();
        LeftButton(true);
        ASSERT_TRUE(PumpUntil([&] { return ::GetCapture() == hwnd; }, 2000));
        MoveCursor(release);
        PumpUntil([&] {
            POINT at{};
            ::GetCursorPos(&at);
            return at.x == release.x && at.y == release.y;
        }, 2000);
        Settle();  // longer than a hover tick
        EXPECT_EQ(button::HasPressedLook(c.button->ButtonState), !c.outsideTheRegion);
        LeftButton(false);
        const auto& entries = c.events->entries;
        auto seen = [&](const char* event) {
            return std::find(entries.begin(), entries.end(), event) != entries.end();
        };
        ASSERT_TRUE(PumpUntil([&] { return seen("MouseUp(1)"); }, 2000));
        Settle();
        EXPECT_EQ(seen("Click"), c.clicks);
        EXPECT_EQ(::GetCapture(), nullptr);
        EXPECT_EQ(c.button->ButtonState & button::bsPressed, 0);
    }
}

// ---- The nudge's look, every style --------------------------------------------------

// The screen's pixels inside r (screen coordinates), row by row, as 0x00RRGGBB.
std::vector<std::uint32_t> ScreenPixels(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    void* bits = nullptr;
    forms::OwnedBitmap dib = testdib::TopDownDib(w, h, &bits);
    forms::OwnedDc dc(::CreateCompatibleDC(nullptr));
    if (!dib || !bits || !dc) return {};
    {
        forms::WindowDc screen(nullptr);
        forms::SelectGuard select(dc.Get(), dib.Get());
        ::BitBlt(dc.Get(), 0, 0, w, h, screen.Get(), r.left, r.top, SRCCOPY);
    }
    ::GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> pixels(first, first + static_cast<std::size_t>(w) * h);
    for (std::uint32_t& p : pixels) p &= 0xFFFFFFu;
    return pixels;
}

RECT Shifted(RECT r, POINT by) {
    ::OffsetRect(&r, by.x, by.y);
    return r;
}

RECT WindowBox(HWND hwnd) {
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

// Where two pictures of one size first differ, for a failure message.
std::string FirstDifference(const std::vector<std::uint32_t>& got,
                            const std::vector<std::uint32_t>& want, int width) {
    if (got.size() != want.size()) return "sizes differ";
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i] == want[i]) continue;
        char text[96];
        std::snprintf(text, sizeof text, "at %d, %d: %06X where %06X", static_cast<int>(i % width),
                      static_cast<int>(i / width), static_cast<unsigned>(got[i]),
                      static_cast<unsigned>(want[i]));
        return text;
    }
    return "none";
}

// Two buttons of one look side by side on the box, red face, blue hover, no focus mark:
// "N" with the nudge under test and "R" with none, the reference held in place.
class NudgeLookTest : public ::testing::Test {
protected:
    static constexpr std::uint32_t kBoxColor = testdib::PixelOf(0x493328);
    // (dx, dy) of the press, by CustomClick.
    static constexpr POINT kNudgeOf[9] = {{0, 0},  {0, -1}, {1, -1}, {-1, -1}, {1, 1},
                                          {-1, 1}, {1, 0},  {0, 1},  {-1, 0}};

    struct Pair {
        Butt* nudged;
        Butt* reference;
    };
    static forms::PropertyBag Bag(std::int32_t style, std::int32_t shape, std::int32_t customClick) {
        forms::PropertyBag bag = FontOnlyBag();
        bag.WriteProperty("Caption", std::string("Go"));
        bag.WriteProperty("BackStyle", style);
        bag.WriteProperty("Shape", shape);
        bag.WriteProperty("cBack", std::int32_t{0xC0});
        bag.WriteProperty("cBHover", std::int32_t{0xC00000});
        bag.WriteProperty("Focus", kFalse);
        bag.WriteProperty("CustomClick", customClick);
        return bag;
    }
    static Pair Make(ButtonHost& host, std::int32_t style, std::int32_t shape,
                     std::int32_t customClick) {
        Pair pair{&host.Add("N", Bag(style, shape, customClick), 40, 40, 100, 40),
                  &host.Add("R", Bag(style, shape, 0), 220, 40, 100, 40)};
        ::SetForegroundWindow(host.Form().hWnd());
        Pump();
        return pair;
    }
    static void Settle() { PumpUntil([] { return false; }, 150); }
    // The cursor at a window pixel of b, its hover on and b focused, so that the press
    // that follows paints only for itself.
    static void HoverOver(Butt& b, POINT at) {
        ::SetFocus(b.hWnd());
        MoveCursor(ScreenPoint(b.hWnd(), at.x, at.y));
        ASSERT_TRUE(PumpUntil([&] { return b.HoverTimerOn == kTrue; }, 2000));
        Settle();
    }
    static bool Pressed(Butt& b) {
        return PumpUntil([&] { return button::HasPressedLook(b.ButtonState); }, 2000);
    }
    static bool Released(Butt& b) {
        return PumpUntil([&] { return (b.ButtonState & button::bsPressed) == 0; }, 2000);
    }
    // Expects b's window at box and the screen there to show look within a second, and
    // nothing more to happen on it for a while after.
    static void ExpectShownAt(Butt& b, const RECT& box, const std::vector<std::uint32_t>& look) {
        const bool shown = PumpUntil([&] { return ScreenPixels(box) == look; }, 1000);
        Settle();
        EXPECT_TRUE(shown) << "first difference "
                           << FirstDifference(ScreenPixels(box), look, box.right - box.left);
        const RECT window = WindowBox(b.hWnd());
        EXPECT_TRUE(::EqualRect(&box, &window));
    }
};

TEST_F(NudgeLookTest, AHeldNudgedButtonShowsThePressedLookOfAnUnmovedOneAtItsNewPlace) {
    struct Case {
        std::int32_t style, shape, customClick;
    };
    std::vector<Case> cases;
    // The right slant is cut on its right side (styles 2 and 7 also round its left
    // corners): a move down and right uncovers none of the cut, so the system alone would
    // repaint nothing of the window, as for a rectangle.
    for (std::int32_t style = button::styleDoubleBevel; style <= button::styleRoundedShaded; ++style) {
        cases.push_back({style, button::shapeRectangle, button::clickDownRight});
        cases.push_back({style, button::shapeRightSlant, button::clickDownRight});
    }
    for (std::int32_t click = button::clickUp; click <= button::clickLeft; ++click) {
        if (click != button::clickDownRight) {
            cases.push_back({button::styleDoubleBevel, button::shapeRectangle, click});
        }
    }
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE("ButtonStyle " + std::to_string(c.style) + ", ButtonShape " +
                     std::to_string(c.shape) + ", CustomClick " + std::to_string(c.customClick));
        ButtonHost host;
        const Pair pair = Make(host, c.style, c.shape, c.customClick);
        Butt& nudged = *pair.nudged;
        Butt& reference = *pair.reference;
        const POINT nudge = kNudgeOf[c.customClick];
        // Presses at places of their own, so that no two of them make a double-click.
        const POINT at{30 + 3 * (n++ % 10), 20};

        // The reference, held where it stands.
        HoverOver(reference, at);
        auto paints = reference.PaintsRun;
        LeftButton(true);
        ASSERT_TRUE(Pressed(reference));
        Settle();
        const std::vector<std::uint32_t> pressedLook = ScreenPixels(WindowBox(reference.hWnd()));
        EXPECT_EQ(reference.PaintsRun - paints, 1u);
        LeftButton(false);
        ASSERT_TRUE(Released(reference));
        Settle();

        HoverOver(nudged, at);
        const RECT home = WindowBox(nudged.hWnd());
        const std::vector<std::uint32_t> unpressedLook = ScreenPixels(home);
        EXPECT_TRUE(unpressedLook != pressedLook) << "the pressed look must differ from the hovered one";
        paints = nudged.PaintsRun;
        LeftButton(true);
        ASSERT_TRUE(Pressed(nudged));
        ExpectShownAt(nudged, Shifted(home, nudge), pressedLook);
        // The press paints once and the move once more, at the new place; nothing follows.
        EXPECT_EQ(nudged.PaintsRun - paints, 2u);
        // The strip that the button left shows the container.
        const std::vector<std::uint32_t> column =
            ScreenPixels({nudge.x > 0 ? home.left : home.right - 1, home.top,
                          nudge.x > 0 ? home.left + 1 : home.right, home.bottom});
        const std::vector<std::uint32_t> row =
            ScreenPixels({home.left, nudge.y > 0 ? home.top : home.bottom - 1, home.right,
                          nudge.y > 0 ? home.top + 1 : home.bottom});
        if (nudge.x != 0) {
            EXPECT_EQ(column, std::vector<std::uint32_t>(column.size(), kBoxColor));
        }
        if (nudge.y != 0) {
            EXPECT_EQ(row, std::vector<std::uint32_t>(row.size(), kBoxColor));
        }

        paints = nudged.PaintsRun;
        LeftButton(false);
        ASSERT_TRUE(Released(nudged));
        ExpectShownAt(nudged, home, unpressedLook);
        EXPECT_EQ(nudged.ButtonState & button::bsMoved, 0);
        // The release paints once and the move back once more.
        EXPECT_EQ(nudged.PaintsRun - paints, 2u);
    }
}

}  // namespace
