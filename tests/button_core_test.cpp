// The button control's setter rules, colours, stored settings, option groups and handle
// ownership, on buttons hosted by a real form.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "button_test_host.h"

namespace {

using namespace buttontest;
using button::RgbColor;
using forms::PropertyBag;

// Every stored setting of a button, as it would save them.
PropertyBag Saved(Butt& b) {
    PropertyBag bag;
    b.UserControl_WriteProperties(bag);
    return bag;
}

bool SameBags(const PropertyBag& a, const PropertyBag& b) {
    if (a.Size() != b.Size()) return false;
    for (std::size_t i = 0; i < a.Size(); ++i) {
        if (a.Entries()[i].first != b.Entries()[i].first) return false;
        if (!forms::SameBagValue(a.Entries()[i].second, b.Entries()[i].second)) return false;
    }
    return true;
}

forms::Picture TestBitmap(int w = 20, int h = 10) {
    forms::WindowDc screen(nullptr);
    return forms::Picture::FromBitmap(
        forms::OwnedBitmap(::CreateCompatibleBitmap(screen.Get(), w, h)));
}

forms::Picture TestIcon() {
    return forms::Picture::FromIcon(forms::OwnedIcon(::CopyIcon(::LoadIconA(nullptr, IDI_APPLICATION))));
}

class ButtonCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        forms::Hooks().messageBox = [this](const std::string& text, UINT style) {
            messages.push_back(text);
            EXPECT_EQ(style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
            return IDOK;
        };
    }
    void TearDown() override {
        forms::Hooks().messageBox = nullptr;
        forms::Hooks().messageBoxTitled = nullptr;
        Butt::SetScreenPixelsForTest(0, 0);
    }

    // A fresh button with a font and nothing else stored; marks cleared.
    Butt& Fresh(const std::string& name = "B", int w = 76, int h = 24) {
        Butt& b = host.Add(name, FontOnlyBag(), 10, 10, w, h);
        host.Site(name).Save();
        return b;
    }
    std::vector<std::string> Marks(const std::string& name = "B") {
        return host.Site(name).ChangedProperties();
    }

    ButtonHost host;
    std::vector<std::string> messages;
};

// ---- Setter rules ----------------------------------------------------------------------

TEST_F(ButtonCoreTest, OutOfRangeValuesAreIgnoredWithoutAMarkOrARedraw) {
    const std::vector<std::pair<const char*, std::function<void(Butt&)>>> cases = {
        {"ButtonStyle 8", [](Butt& b) { b.SetButtonStyle(8); }},
        {"ButtonStyle -1", [](Butt& b) { b.SetButtonStyle(-1); }},
        {"Mode 3", [](Butt& b) { b.SetMode(3); }},
        {"CaptionAlign 3", [](Butt& b) { b.SetCaptionAlign(3); }},
        {"CaptionStyle 3", [](Butt& b) { b.SetCaptionStyle(3); }},
        {"CustomClick 9", [](Butt& b) { b.SetCustomClick(9); }},
        {"ButtonShape 9", [](Butt& b) { b.SetButtonShape(9); }},
        {"PictureAlign 6", [](Butt& b) { b.SetPictureAlign(6); }},
        {"PictureSize 5", [](Butt& b) { b.SetPictureSize(5); }},
        {"GradientMode 5", [](Butt& b) { b.SetGradientMode(5); }},
    };
    int n = 0;
    for (const auto& [label, change] : cases) {
        SCOPED_TRACE(label);
        const std::string name = "B" + std::to_string(n++);
        Butt& b = Fresh(name);
        const PropertyBag before = Saved(b);
        const auto paints = b.PaintsRun;
        change(b);
        EXPECT_TRUE(SameBags(before, Saved(b)));
        EXPECT_TRUE(Marks(name).empty());
        EXPECT_EQ(b.PaintsRun, paints);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(ButtonCoreTest, RefusalsChangeNothingAndSpeakOnlyWhileDesigning) {
    struct Case {
        const char* label;
        std::function<void(Butt&)> prepare;
        std::function<void(Butt&)> change;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"caption left under a top-centred picture",
         [](Butt& b) {
             b.SetPicture(TestBitmap());
             b.SetPictureAlign(4);
         },
         [](Butt& b) { b.SetCaptionAlign(0); },
         "When button images are aligned top/bottom center, \r\nbutton captions can only be "
         "center aligned"},
        {"custom shape without a picture", [](Butt&) {}, [](Butt& b) { b.SetButtonShape(7); },
         "The Picture Property must be assigned first and must be a bitmap or JPEG."},
        {"custom shape with an icon", [](Butt& b) { b.SetPicture(TestIcon()); },
         [](Butt& b) { b.SetButtonShape(8); },
         "The Picture Property must be assigned first and must be a bitmap or JPEG."},
        {"picture size of a shaped button",
         [](Butt& b) {
             b.SetPicture(TestBitmap());
             b.SetButtonShape(7);
         },
         [](Butt& b) { b.SetPictureSize(1); },
         "The picture size cannot be changed for Shaped buttons"},
        {"Value True in command mode", [](Butt&) {}, [](Butt& b) { b.SetValue(kTrue); },
         "This property is not applicable for command button modes."},
    };
    int n = 0;
    for (const bool designing : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.label) + (designing ? " (designing)" : " (running)"));
            const std::string name = "R" + std::to_string(n++);
            Butt& b = Fresh(name);
            c.prepare(b);
            host.Site(name).SetUserMode(!designing);
            host.Site(name).Save();
            messages.clear();
            const PropertyBag before = Saved(b);
            c.change(b);
            EXPECT_TRUE(SameBags(before, Saved(b)));
            EXPECT_TRUE(Marks(name).empty());
            if (designing) {
                EXPECT_EQ(messages, std::vector<std::string>{c.message});
            } else {
                EXPECT_TRUE(messages.empty());
            }
        }
    }
}

TEST_F(ButtonCoreTest, WithoutAPictureALeftCaptionIsAcceptedUnderTopCentre) {
    Butt& b = Fresh();
    b.PictureAlign = 4;
    b.SetCaptionAlign(0);
    EXPECT_EQ(b.GetCaptionAlign(), 0);
    EXPECT_EQ(Marks(), std::vector<std::string>{"CapAlign"});
}

TEST_F(ButtonCoreTest, BottomCentredPictureCentresTheCaptionAndMarksBoth) {
    Butt& b = Fresh();
    b.SetCaptionAlign(0);
    b.SetPictureAlign(5);
    EXPECT_EQ(b.GetCaptionAlign(), 2);
    EXPECT_EQ(Marks(), (std::vector<std::string>{"CapAlign", "ImgAlign"}));
}

TEST_F(ButtonCoreTest, ASlantedShapeCentresTheCaptionWithoutMarkingIt) {
    Butt& b = Fresh();
    b.SetCaptionAlign(1);
    host.Site("B").Save();
    b.SetButtonShape(1);
    EXPECT_EQ(b.GetCaptionAlign(), 2);
    EXPECT_EQ(b.GetButtonShape(), 1);
    EXPECT_EQ(Marks(), std::vector<std::string>{"Shape"});
}

TEST_F(ButtonCoreTest, ACustomShapeFitsTheBitmapAndAPictureOfNoneBringsTheRectangleBack) {
    Butt& b = Fresh();
    b.SetPicture(TestBitmap());
    b.SetPictureSize(0);
    host.Site("B").Save();
    b.SetButtonShape(7);
    EXPECT_EQ(b.PictureSize, 48);
    EXPECT_EQ(b.GetPictureSize(), 4);
    EXPECT_EQ(Marks(), (std::vector<std::string>{"ImgSize", "Shape"}));

    b.SetButtonShape(8);
    host.Site("B").SetUserMode(false);
    messages.clear();
    b.SetPicture(forms::Picture());
    EXPECT_EQ(b.GetButtonShape(), 0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ButtonCoreTest, PictureSizeIsKeptInPixels) {
    Butt& b = host.Place("New");
    EXPECT_EQ(b.PictureSize, 0);
    EXPECT_EQ(b.GetPictureSize(), 0);  // an unset size counts as 16 pixels
    EXPECT_EQ(b.PictureSize, 16);
    b.SetPictureSize(2);
    EXPECT_EQ(b.PictureSize, 32);
    EXPECT_EQ(b.GetPictureSize(), 2);
}

TEST_F(ButtonCoreTest, ValueFalseInCommandModeIsStoredRedrawnAndMarked) {
    Butt& b = Fresh();
    const auto paints = b.PaintsRun;
    b.SetValue(kFalse);
    EXPECT_EQ(b.PaintsRun, paints + 1);
    EXPECT_EQ(Marks(), std::vector<std::string>{"Value"});
}

TEST_F(ButtonCoreTest, LeavingOptionModeLeavesTheGroupThenClearsTheValue) {
    Butt& b = Fresh();
    b.SetMode(2);
    b.SetValue(kTrue);
    HWND box = host.Box().hWnd();
    ASSERT_EQ(::GetPropA(box, "butt_Obj1"), static_cast<HANDLE>(&b));
    host.Site("B").Save();
    b.SetMode(0);
    EXPECT_EQ(::GetPropA(box, "butt_Obj1"), nullptr);
    EXPECT_EQ(::GetPropA(box, "butt_OptCount"), nullptr);
    EXPECT_EQ(b.GetValue(), kFalse);
    EXPECT_EQ(b.GetMode(), 0);
    EXPECT_EQ(Marks(), (std::vector<std::string>{"Value", "Mode"}));
}

TEST_F(ButtonCoreTest, HoverColoursFollowTheirLocks) {
    constexpr std::uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;
    struct Case {
        const char* label;
        std::int32_t lock;
        std::int32_t gradientMode;
        std::function<void(Butt&)> change;
        std::int32_t lockAfter;
        std::uint32_t hoverFore;
        std::uint32_t hoverBack;
    };
    // Start: ForeColor and HoverForeColor black, BackColor and HoverBackColor white,
    // GradientColor blue.
    const std::vector<Case> cases = {
        {"fore follows under 0", 0, 0, [&](Butt& b) { b.SetForeColor(kRed); }, 0, kRed, 0xFFFFFF},
        {"fore follows under 1", 1, 0, [&](Butt& b) { b.SetForeColor(kRed); }, 1, kRed, 0xFFFFFF},
        {"fore stays under 2", 2, 0, [&](Butt& b) { b.SetForeColor(kRed); }, 2, 0, 0xFFFFFF},
        {"own hover fore drops lock 0 to 2", 0, 0, [&](Butt& b) { b.SetHoverForeColor(kGreen); }, 2,
         kGreen, 0xFFFFFF},
        {"own hover fore drops lock 1 to 3", 1, 0, [&](Butt& b) { b.SetHoverForeColor(kGreen); }, 3,
         kGreen, 0xFFFFFF},
        {"back follows under 0", 0, 0, [&](Butt& b) { b.SetBackColor(kRed); }, 0, 0, kRed},
        {"back stays under 1", 1, 0, [&](Butt& b) { b.SetBackColor(kRed); }, 1, 0, 0xFFFFFF},
        {"own hover back drops lock 0 to 1", 0, 0, [&](Butt& b) { b.SetHoverBackColor(kGreen); }, 1,
         0, kGreen},
        {"own hover back drops lock 2 to 3", 2, 0, [&](Butt& b) { b.SetHoverBackColor(kGreen); }, 3,
         0, kGreen},
        {"with a gradient the back follows the gradient and drops the lock", 0, 1,
         [&](Butt& b) { b.SetBackColor(kRed); }, 1, 0, kBlue},
        {"gradient colour under 2 with a gradient", 2, 3,
         [&](Butt& b) { b.SetGradientColor(kGreen); }, 2, 0, kGreen},
        {"gradient mode off takes the back colour", 0, 2, [&](Butt& b) { b.SetGradientMode(0); }, 0,
         0, 0xFFFFFF},
        {"lock 7 follows nothing", 7, 0,
         [&](Butt& b) {
             b.SetForeColor(kRed);
             b.SetBackColor(kRed);
             b.SetHoverForeColor(kGreen);
         },
         7, kGreen, 0xFFFFFF},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string name = "H" + std::to_string(n++);
        Butt& b = Fresh(name);
        b.Value = kFalse;
        b.UserControl::SetForeColor(0);
        b.HoverForeColor = 0;
        b.BackColor = 0xFFFFFF;
        b.GradientColor = kBlue;
        b.GradientMode = c.gradientMode;
        b.HoverBackColor = 0xFFFFFF;
        b.HoverColorLocks = c.lock;
        c.change(b);
        EXPECT_EQ(b.GetHoverColorLocks(), c.lockAfter);
        EXPECT_EQ(b.GetHoverForeColor(), c.hoverFore);
        EXPECT_EQ(b.GetHoverBackColor(), c.hoverBack);
    }
}

TEST_F(ButtonCoreTest, SettingALockPullsTheHoverColoursInAndStoresAnyValue) {
    Butt& b = Fresh();
    b.UserControl::SetForeColor(0x123456);
    b.BackColor = 0x654321;
    b.HoverForeColor = 1;
    b.HoverBackColor = 2;
    b.SetHoverColorLocks(0);
    EXPECT_EQ(b.HoverForeColor, 0x123456u);
    EXPECT_EQ(b.HoverBackColor, 0x654321u);
    EXPECT_EQ(Marks(), (std::vector<std::string>{"cBHover", "cFHover", "LockHover"}));
    b.SetHoverColorLocks(42);
    EXPECT_EQ(b.GetHoverColorLocks(), 42);
}

TEST_F(ButtonCoreTest, AccessKeysComeFromTheLastSingleAmpersand) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"&Apply", "A"},      {"a&&b &Cd", "C"}, {"&&&x", "x"},
        {"end&", ""},         {"a&&b", "Q"},     {"plain", "Q"},
        {"&one &two", "t"},
    };
    Butt& b = Fresh();
    for (const auto& [caption, keys] : cases) {
        SCOPED_TRACE(caption);
        b.UserControl::SetAccessKeys("Q");
        b.SetCaption(caption);
        EXPECT_EQ(b.AccessKeys(), keys);
        EXPECT_EQ(b.GetCaption(), caption);  // stored as set
    }
}

TEST_F(ButtonCoreTest, DelayedDrawingPaintsNothingUntilRefreshOrAForeColour) {
    Butt& b = Fresh();
    b.DelayDrawing(kTrue);
    const auto paints = b.PaintsRun;
    b.SetCaption("x");
    b.SetButtonStyle(3);
    b.SetBackColor(0x112233);
    EXPECT_EQ(b.PaintsRun, paints);
    b.SetForeColor(0x445566);
    EXPECT_EQ(b.PaintsRun, paints + 1);
    EXPECT_EQ(b.DrawingDelayed, kFalse);
    b.DelayDrawing(kTrue);
    b.Refresh();
    EXPECT_EQ(b.PaintsRun, paints + 2);
}

TEST_F(ButtonCoreTest, ResetDefaultColorsActsOnlyWhileDesigning) {
    Butt& b = Fresh();
    b.SetBackColor(0x112233);
    b.SetResetDefaultColors(kTrue);
    EXPECT_EQ(b.GetBackColor(), 0x112233u);
    host.Site("B").SetUserMode(false);
    b.SetResetDefaultColors(kFalse);
    EXPECT_EQ(b.GetBackColor(), 0x112233u);
    b.SetGradientMode(2);
    b.SetResetDefaultColors(kTrue);
    EXPECT_EQ(b.GetBackColor(), button::kSysButtonFace);
    EXPECT_EQ(b.GetForeColor(), button::kSysButtonText);
    EXPECT_EQ(b.GetGradientColor(), button::kSysButtonFace);
    EXPECT_EQ(b.GetGradientMode(), 0);
    EXPECT_EQ(b.GetHoverColorLocks(), 0);
    EXPECT_EQ(b.GetResetDefaultColors(), kFalse);
}

TEST_F(ButtonCoreTest, FocusRectangleSettingEndsTheDefaultLookAtRunTime) {
    Butt& b = Fresh();
    b.ButtonState = button::bsDefault;
    b.SetShowFocusRect(kTrue);
    EXPECT_EQ(b.ButtonState & button::bsDefault, 0);
    host.Site("B").SetUserMode(false);
    b.ButtonState = button::bsDefault;
    b.SetShowFocusRect(kFalse);
    EXPECT_EQ(b.ButtonState & button::bsDefault, button::bsDefault);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(ButtonCoreTest, FontStyleBitsGoToTheHostFont) {
    Butt& b = Fresh();
    b.SetFontStyle(button::fsBold | button::fsUnderline | 1);
    EXPECT_EQ(b.GetFont().weight, FW_BOLD);
    EXPECT_FALSE(b.GetFont().italic);
    EXPECT_TRUE(b.GetFont().underline);
    EXPECT_EQ(b.GetFontStyle(), 10);
    EXPECT_EQ(Marks(), std::vector<std::string>{"Font"});
}

TEST_F(ButtonCoreTest, AMouseIconOfNoneMarksNothing) {
    Butt& b = Fresh();
    b.SetMousePointer(2);
    host.Site("B").Save();
    b.SetMouseIcon(forms::Picture());
    EXPECT_EQ(b.GetMousePointer(), 2);
    EXPECT_TRUE(Marks().empty());
    b.SetMouseIcon(TestIcon());
    EXPECT_EQ(b.GetMousePointer(), 99);
    EXPECT_EQ(Marks(), (std::vector<std::string>{"mPointer", "mIcon"}));
}

// The host takes icons and cursors as the mouse icon, never a bitmap: the setter ends,
// telling the designer why in the error's own words; a refused MousePointer reaches the
// caller with the same text.
TEST_F(ButtonCoreTest, ARefusedMouseIconSaysInvalidPropertyValueWhileDesigning) {
    struct Shown {
        std::string text;
        UINT style;
        std::string title;
    };
    std::vector<Shown> shown;
    forms::Hooks().messageBoxTitled = [&](const std::string& text, UINT style,
                                          const std::string& title) {
        shown.push_back({text, style, title});
        return IDOK;
    };
    for (const bool designing : {true, false}) {
        SCOPED_TRACE(designing ? "designing" : "running");
        const std::string name = designing ? "D" : "R";
        Butt& b = Fresh(name);
        b.SetMousePointer(2);
        host.Site(name).SetUserMode(!designing);
        host.Site(name).Save();
        shown.clear();
        b.SetMouseIcon(TestBitmap());
        EXPECT_EQ(b.GetMousePointer(), 2);
        EXPECT_TRUE(b.GetMouseIcon().IsNone());
        EXPECT_TRUE(Marks(name).empty());
        if (designing) {
            ASSERT_EQ(shown.size(), 1u);
            EXPECT_EQ(shown[0].text, "Invalid property value");
            EXPECT_EQ(shown[0].style, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));  // 64
            EXPECT_EQ(shown[0].title, "Select .ico Or .cur Files Only");
        } else {
            EXPECT_TRUE(shown.empty());
        }
        try {
            b.SetMousePointer(50);
            ADD_FAILURE() << "MousePointer 50 taken";
        } catch (const forms::RuntimeError& error) {
            EXPECT_EQ(error.Number(), 380);
            EXPECT_STREQ(error.what(), "Invalid property value");
        }
        EXPECT_EQ(b.GetMousePointer(), 2);
    }
}

TEST_F(ButtonCoreTest, TheContainersBackColourRedrawsOnlyOvalsAndHotTrackButtons) {
    struct Case {
        std::int32_t shape;
        std::int32_t style;
        bool redraws;
    };
    const Case cases[] = {{0, 0, false}, {3, 2, false}, {4, 0, true}, {0, 5, true}};
    std::uint32_t colour = 0x010101;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "shape " << c.shape << " style " << c.style);
        Butt& b = Fresh("A" + std::to_string(n++));
        b.ButtonShape = c.shape;
        b.ButtonStyle = c.style;
        const auto paints = b.PaintsRun;
        colour += 0x010101;
        host.Box().SetBackColor(colour);
        EXPECT_EQ(b.AmbientBackColor, static_cast<RgbColor>(colour));
        EXPECT_EQ(b.PaintsRun - paints, c.redraws ? 1u : 0u);
        b.UserControl_AmbientChanged("ForeColor");  // any other name: nothing
        EXPECT_EQ(b.PaintsRun - paints, c.redraws ? 1u : 0u);
    }
}

TEST_F(ButtonCoreTest, TheDefaultLookFollowsTheHostAndNeedsTheFocusRectangleAtRunTime) {
    Butt& b = Fresh();
    host.Site("B").SetDefault(true);
    EXPECT_EQ(b.ButtonState & button::bsDefault, button::bsDefault);
    host.Site("B").SetDefault(false);
    EXPECT_EQ(b.ButtonState & button::bsDefault, 0);
    b.ShowFocusRect = kFalse;
    host.Site("B").SetDefault(true);
    EXPECT_EQ(b.ButtonState & button::bsDefault, 0);
}

TEST_F(ButtonCoreTest, ShowingGivesTheDefaultLookOnlyInTheDesignerWithTheFocusRectangle) {
    struct Case {
        bool designing;
        forms::VbBool focusRect;
        std::int16_t state;
    };
    const Case cases[] = {{true, kTrue, button::bsDefault}, {true, kFalse, 0}, {false, kTrue, 0}};
    Butt& b = Fresh();
    host.Site("B").SetDefault(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.designing << " " << c.focusRect);
        host.Site("B").SetUserMode(!c.designing);
        b.ShowFocusRect = c.focusRect;
        b.ButtonState = 0;
        b.UserControl_Show();
        EXPECT_EQ(b.ButtonState, c.state);
    }
}

// ---- Colours ---------------------------------------------------------------------------

TEST(ButtonColours, ShiftColorTable) {
    struct Case {
        RgbColor color;
        std::int16_t offset;
        forms::VbBool scaleBlue, avoidExtremes, invert;
        RgbColor expected;
    };
    const Case cases[] = {
        {0xFFFFFF, -32, kFalse, kFalse, kFalse, 0xDFDFDF},
        {0xFFFFFF, -32, kTrue, kFalse, kFalse, 0xD5DFDF},
        {0x808080, 12, kFalse, kFalse, kFalse, 0x8C8C8C},
        {0x8C8C8C, 31, kFalse, kFalse, kFalse, 0xABABAB},
        {0x808080, -16, kFalse, kFalse, kFalse, 0x707070},
        {0x808080, 16, kTrue, kFalse, kFalse, 0x8A9090},
        {0xFFFFFF, 10, kFalse, kFalse, kFalse, 0xFFFFFF},
        {0xFFFFFF, 10, kFalse, kTrue, kFalse, 0xF5F5F5},
        {0x000000, 0, kFalse, kTrue, kFalse, 0x404040},
        {0xFFFFFF, 0, kFalse, kTrue, kFalse, 0xBFBFBF},
        {0x0000FF, -48, kTrue, kFalse, kFalse, 0x0000CF},
        {0xFF0000, -48, kTrue, kFalse, kFalse, 0xC00000},
        {0x000000, 0, kFalse, kFalse, kTrue, 0xFFFFFF},
        {0x400000, 48, kTrue, kFalse, kFalse, 0x503030},
        {0x503030, -32, kTrue, kFalse, kFalse, 0x431010},
        // Only exactly True switches the retry and the inversion on.
        {0x000000, 0, kFalse, 1, 1, 0x000000},
        // A large offset that flips between white and black still ends, at the third pass.
        {0x808080, 200, kFalse, kTrue, kFalse, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.color << " " << std::dec << c.offset);
        EXPECT_EQ(Butt::ShiftColor(c.color, c.offset, c.scaleBlue, c.avoidExtremes, c.invert),
                  c.expected);
    }
    for (RgbColor c : {0x000000, 0x123456, 0xFFFFFF, 0x00FF80}) {
        EXPECT_EQ(Butt::ShiftColor(c, 0), c);
        EXPECT_EQ(Butt::ShiftColor(c, 0, kTrue), c);
    }
}

TEST(ButtonColours, BlendColorsRunsFromTheFirstColourToAboutTheSecond) {
    std::vector<RgbColor> two(2), one(1), four(4);
    Butt::BlendColors(two, 0x102030, 0xC0B0A0);
    EXPECT_EQ(two, (std::vector<RgbColor>{0x102030, 0xC0B0A0}));
    Butt::BlendColors(one, 0x102030, 0xC0B0A0);
    EXPECT_EQ(one, std::vector<RgbColor>{0x102030});
    Butt::BlendColors(four, 10, 200);  // red only
    EXPECT_EQ(four[0], 10);
    EXPECT_EQ(four[3], 199);  // single-precision sums, floored
}

TEST_F(ButtonCoreTest, TranslateColorTurnsSystemColoursIntoRgb) {
    EXPECT_EQ(Butt::TranslateColor(0x8000000F), static_cast<RgbColor>(::GetSysColor(15)));
    EXPECT_EQ(Butt::TranslateColor(0x808080), 0x808080);
}

TEST_F(ButtonCoreTest, GradientBandsOnA1024PixelScreen) {
    Butt::SetScreenPixelsForTest(1024, 768);
    struct Case {
        int width;
        int bands;
        int bandWidth;
    };
    for (const Case c : {Case{100, 100, 1}, Case{300, 150, 2}, Case{301, 150, 2}}) {
        SCOPED_TRACE(c.width);
        const std::string name = "G" + std::to_string(c.width);
        Butt& b = Fresh(name, c.width, 20);
        ASSERT_EQ(b.ScaleWidthPixels(), c.width);
        constexpr COLORREF kUnpainted = 0x00FF00;
        b.DrawRectangle(b.MemoryDC, 0, 0, c.width, 20, kUnpainted);
        b.GradientMode = 1;
        b.DrawGradient(0x000000, 0x0000FF);  // red rises left to right
        int bands = 1;
        int run = 1;
        COLORREF last = ::GetPixel(b.MemoryDC, 0, 10);
        EXPECT_EQ(last, 0x000000u);
        for (int x = 1; x < c.bands * c.bandWidth; ++x) {
            const COLORREF px = ::GetPixel(b.MemoryDC, x, 10);
            ASSERT_NE(px, kUnpainted) << x;
            ASSERT_EQ(::GetPixel(b.MemoryDC, x, 0), px);  // a band spans the full height
            if (px != last) {
                EXPECT_EQ(run, c.bandWidth) << x;
                ++bands;
                run = 0;
                EXPECT_GT(px & 0xFF, last & 0xFF) << x;
            }
            ++run;
            last = px;
        }
        EXPECT_EQ(bands, c.bands);
        if (c.width > c.bands * c.bandWidth) {
            EXPECT_EQ(::GetPixel(b.MemoryDC, c.width - 1, 10), kUnpainted);
        }
    }
}

TEST_F(ButtonCoreTest, EvenGradientModesRunTheOtherWayAndVerticalOnesDown) {
    Butt::SetScreenPixelsForTest(1024, 768);
    Butt& b = Fresh("V", 40, 30);
    b.GradientMode = 2;
    b.DrawGradient(0x000000, 0x0000FF);
    EXPECT_EQ(::GetPixel(b.MemoryDC, 39, 5), 0x000000u);
    EXPECT_GT(::GetPixel(b.MemoryDC, 0, 5) & 0xFF, 0xF0u);
    b.GradientMode = 4;
    b.DrawGradient(0x000000, 0x0000FF);
    EXPECT_EQ(::GetPixel(b.MemoryDC, 5, 29), 0x000000u);
    EXPECT_GT(::GetPixel(b.MemoryDC, 5, 0) & 0xFF, 0xF0u);
    EXPECT_EQ(::GetPixel(b.MemoryDC, 0, 0), ::GetPixel(b.MemoryDC, 39, 0));
}

TEST_F(ButtonCoreTest, FaceColoursByStyle) {
    struct Case {
        std::int32_t style;
        std::uint32_t back;
        RgbColor face, pressed, hover, checked;
    };
    const Case cases[] = {
        {0, 0x808080, 0x808080, 0x808080, 0x808080, 0xDFDFDF},
        {5, 0x123456, 0x123456, 0x123456, 0x123456, 0xDFDFDF},
        {2, 0xFFFFFF, 0xFFFFFF, 0xD5DFDF, 0xFFFFFF, 0xD5DFDF},
        {3, 0x123456, 0x123456, 0x8C8C8C, 0x123456, 0xABABAB},
        {7, 0x808080, 0x9F9F9F, 0x707070, 0x9F9F9F, 0x8A9090},
    };
    Butt& b = Fresh();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        b.ButtonStyle = c.style;
        b.BackColor = c.back;
        b.HoverBackColor = c.back;
        b.SyncProp("backCOLOR");
        EXPECT_EQ(b.FaceColor, c.face);
        EXPECT_EQ(b.PressedFaceColor, c.pressed);
        EXPECT_EQ(b.HoverFaceColor, c.hover);
        EXPECT_EQ(b.CheckedFaceColor, c.checked);
    }
    b.FaceColor = 1;
    b.SyncProp("Colour");  // any other key does nothing
    EXPECT_EQ(b.FaceColor, 1);
}

TEST_F(ButtonCoreTest, TheApplyButtonsDerivedColoursAndFont) {
    Butt& b = host.Add("Apply", ApplyBag(), 621, 324, 76, 24);
    EXPECT_EQ(b.FaceColor, 0x503030);
    EXPECT_EQ(b.PressedFaceColor, 0x431010);
    EXPECT_EQ(b.ScaleWidthPixels(), 76);
    EXPECT_EQ(b.ScaleHeightPixels(), 24);
    LOGFONTA lf{};
    ASSERT_NE(::GetObjectA(::GetCurrentObject(b.MemoryDC, OBJ_FONT), sizeof lf, &lf), 0);
    EXPECT_EQ(lf.lfHeight, -11);  // 8.25 points at 15 twips a pixel
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_STREQ(lf.lfFaceName, "Verdana");
    EXPECT_EQ(host.Site("Apply").AccessKeys(), "");  // "APPLY" marks no key
}

TEST_F(ButtonCoreTest, PictureMetricsTellBitmapsFromIcons) {
    Butt& b = Fresh();
    b.SetPicture(TestBitmap(20, 10));
    EXPECT_EQ(b.PictureWidth, 20);
    EXPECT_EQ(b.PictureHeight, 10);
    EXPECT_EQ(b.PictureIsIcon, 0);
    b.SetPicture(TestIcon());
    EXPECT_EQ(b.PictureWidth, ::GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(b.PictureIsIcon, 1);
    b.SetPicture(forms::Picture());
    EXPECT_EQ(b.PictureWidth + b.PictureHeight, 0);
    EXPECT_EQ(b.PictureIsIcon, 1);  // kept when the picture goes
}

// ---- Stored settings -------------------------------------------------------------------

TEST_F(ButtonCoreTest, AFontOnlyBagLoadsTheDefaults) {
    Butt& b = Fresh();
    EXPECT_EQ(b.GetCaption(), "");
    EXPECT_EQ(b.GetCaptionAlign(), 2);
    for (std::int32_t zero : {b.GetButtonStyle(), b.GetButtonShape(), b.GetGradientMode(),
                              b.GetMode(), b.GetCustomClick(), b.GetPictureAlign(),
                              b.GetHoverColorLocks(), b.GetCaptionStyle(), b.GetMousePointer()}) {
        EXPECT_EQ(zero, 0);
    }
    EXPECT_EQ(b.GetGradientColor(), button::kSysButtonFace);
    EXPECT_EQ(b.GetForeColor(), button::kSysButtonText);
    EXPECT_EQ(b.GetHoverForeColor(), button::kSysButtonText);
    EXPECT_EQ(b.GetShowFocusRect(), kTrue);
    EXPECT_EQ(b.GetEnabled(), kTrue);
    EXPECT_EQ(b.GetValue(), kFalse);
    EXPECT_TRUE(b.GetPicture().IsNone());
    EXPECT_EQ(b.PictureSize, 16);
    EXPECT_EQ(b.GetBackColor(), host.Form().BackColor());  // the parent window's
    EXPECT_EQ(b.GetHoverBackColor(), b.GetBackColor());
    EXPECT_TRUE(b.GetMouseIcon().IsNone());
    EXPECT_EQ(b.DrawingDelayed, kFalse);
}

TEST_F(ButtonCoreTest, SavingAndLoadingGivesBackEverySetting) {
    for (const std::int32_t align : {0, 1}) {
        SCOPED_TRACE(align);
        const std::string first = "S" + std::to_string(align);
        Butt& a = Fresh(first);
        a.SetCaption("&Go||now");
        a.SetCaptionAlign(align);
        a.SetButtonStyle(6);
        a.SetGradientMode(3);
        a.SetGradientColor(0x010203);
        a.SetForeColor(0x040506);
        forms::FontSpec font;
        font.face = "Tahoma";
        font.size = 12;
        font.italic = true;
        a.SetFont(font);
        a.SetShowFocusRect(kFalse);
        a.SetMode(1);
        a.SetValue(kTrue);
        a.SetCustomClick(4);
        a.SetPicture(TestBitmap());
        a.SetPictureSize(2);
        a.SetPictureAlign(3);
        a.SetHoverForeColor(0x070809);
        a.SetEnabled(kFalse);
        a.SetBackColor(0x0A0B0C);
        a.SetHoverBackColor(0x0D0E0F);
        a.SetHoverColorLocks(3);
        a.SetCaptionStyle(2);
        a.SetMousePointer(5);
        host.Site(first).Save();
        const PropertyBag bag = host.Site(first).Bag();

        Butt& b = host.Add(first + "again", bag);
        EXPECT_EQ(b.GetCaption(), "&Go||now");
        EXPECT_EQ(b.GetCaptionAlign(), align);
        EXPECT_EQ(b.GetButtonStyle(), 6);
        EXPECT_EQ(b.GetGradientMode(), 3);
        EXPECT_EQ(b.GetGradientColor(), 0x010203u);
        EXPECT_EQ(b.GetForeColor(), 0x040506u);
        EXPECT_EQ(b.GetFont(), font);
        EXPECT_EQ(b.GetShowFocusRect(), kFalse);
        EXPECT_EQ(b.GetMode(), 1);
        EXPECT_EQ(b.GetValue(), kTrue);
        EXPECT_EQ(b.GetCustomClick(), 4);
        EXPECT_TRUE(b.GetPicture().SameAs(a.GetPicture()) || b.PictureWidth == 20);
        EXPECT_EQ(b.GetPictureSize(), 2);
        EXPECT_EQ(b.GetPictureAlign(), 3);
        EXPECT_EQ(b.GetHoverForeColor(), 0x070809u);
        EXPECT_EQ(b.GetEnabled(), kFalse);
        EXPECT_EQ(b.GetBackColor(), 0x0A0B0Cu);
        EXPECT_EQ(b.GetHoverBackColor(), 0x0D0E0Fu);
        EXPECT_EQ(b.GetHoverColorLocks(), 3);
        EXPECT_EQ(b.GetCaptionStyle(), 2);
        EXPECT_EQ(b.GetMousePointer(), 5);
        EXPECT_EQ(host.Site(first + "again").AccessKeys(), "G");
        EXPECT_TRUE(SameBags(Saved(b), bag));
    }
}

TEST_F(ButtonCoreTest, SavingWritesInItsOrderWithTheHoverKeyAsCBhover) {
    Butt& b = Fresh();
    b.SetBackColor(0x111111);
    b.SetHoverBackColor(0x222222);
    b.SetCaptionAlign(2);
    const PropertyBag bag = Saved(b);
    std::vector<std::string> keys;
    for (const auto& entry : bag.Entries()) keys.push_back(entry.first);
    // A centred caption writes no "CapAlign"; "Mode", "Value", "cBack" and "Font" always go.
    // The own hover colour dropped the back lock, so "LockHover" goes too.
    EXPECT_EQ(keys, (std::vector<std::string>{"Font", "cBhover", "LockHover", "Mode", "Value",
                                              "cBack"}));

    PropertyBag stored;
    stored.WriteProperty("Font", forms::FontSpec{});
    stored.WriteProperty("cBack", std::int32_t{0x333333});
    stored.WriteProperty("cBhover", std::int32_t{0x444444});
    Butt& loaded = host.Add("L", stored);
    EXPECT_EQ(loaded.GetHoverBackColor(), 0x444444u);

    PropertyBag noHover;
    noHover.WriteProperty("Font", forms::FontSpec{});
    noHover.WriteProperty("cBack", std::int32_t{0x555555});
    Butt& fallback = host.Add("F", noHover);
    EXPECT_EQ(fallback.GetHoverBackColor(), 0x555555u);  // the loaded back colour
}

TEST_F(ButtonCoreTest, LoadingAppliesNoLockRuleAndMarksTheCaption) {
    PropertyBag bag = FontOnlyBag();
    bag.WriteProperty("cFore", std::int32_t{0x0000FF});
    bag.WriteProperty("cFHover", std::int32_t{0x00FF00});
    bag.WriteProperty("LockHover", std::int32_t{0});
    Butt& b = host.Add("B", bag);
    EXPECT_EQ(b.GetHoverForeColor(), 0x00FF00u);
    EXPECT_EQ(b.GetHoverColorLocks(), 0);
    EXPECT_EQ(host.Site("B").ChangedProperties(), (std::vector<std::string>{"mPointer", "Caption"}));
}

TEST_F(ButtonCoreTest, ANewInstanceTakesItsFirstSettings) {
    Butt& b = host.Place("Fresh1");
    EXPECT_EQ(b.GetCaption(), "Fresh1");
    EXPECT_EQ(b.GetCaptionAlign(), 2);
    EXPECT_EQ(b.GetShowFocusRect(), kTrue);
    EXPECT_EQ(b.GetHoverForeColor(), button::kSysButtonText);
    EXPECT_EQ(b.GetHoverBackColor(), button::kSysButtonFace);
    EXPECT_EQ(b.GetBackColor(), button::kSysButtonFace);
    EXPECT_EQ(b.GetGradientColor(), 0u);
    EXPECT_EQ(b.FaceColor, Butt::TranslateColor(button::kSysButtonFace));
    EXPECT_EQ(b.AmbientBackColor, 0x493328);
    const std::vector<std::string> firstMarks = {"Caption", "CapAlign", "Focus",
                                                 "cFHover", "cBHover", "Font"};
    const auto& marks = host.Site("Fresh1").ChangedProperties();
    ASSERT_GE(marks.size(), firstMarks.size());
    EXPECT_TRUE(std::equal(firstMarks.begin(), firstMarks.end(), marks.begin()));
}

// ---- Option groups ---------------------------------------------------------------------

class OptionGroupTest : public ButtonCoreTest {
protected:
    Butt& Option(const std::string& name) {
        PropertyBag bag = FontOnlyBag();
        bag.WriteProperty("Mode", std::int32_t{2});
        return host.Add(name, bag);
    }
    std::vector<void*> Members() {
        HWND box = host.Box().hWnd();
        const auto count = static_cast<int>(
            reinterpret_cast<std::intptr_t>(::GetPropA(box, "butt_OptCount")));
        std::vector<void*> members;
        for (int i = 1; i <= count + 1; ++i) {
            members.push_back(::GetPropA(box, ("butt_Obj" + std::to_string(i)).c_str()));
        }
        EXPECT_EQ(members.back(), nullptr);  // nothing beyond the count
        members.pop_back();
        return members;
    }
};

TEST_F(OptionGroupTest, MembersRegisterInLoadOrderAndCloseUpWhenOneLeaves) {
    Butt& a = Option("A");
    Butt& b = Option("B");
    Butt& c = Option("C");
    EXPECT_EQ(Members(), (std::vector<void*>{&a, &b, &c}));
    b.SetMode(0);
    EXPECT_EQ(Members(), (std::vector<void*>{&a, &c}));
    a.SetMode(1);
    EXPECT_EQ(Members(), (std::vector<void*>{&c}));
    c.SetMode(0);
    EXPECT_TRUE(Members().empty());
    EXPECT_EQ(::GetPropA(host.Box().hWnd(), "butt_OptCount"), nullptr);
}

TEST_F(OptionGroupTest, SelectingOneDeselectsTheOthers) {
    Butt& a = Option("A");
    Butt& b = Option("B");
    Butt& c = Option("C");
    a.SetValue(kTrue);
    b.SetValue(kTrue);
    EXPECT_EQ(a.GetValue(), kFalse);
    const auto paintsA = a.PaintsRun;
    c.SetValue(kTrue);
    EXPECT_EQ(a.GetValue(), kFalse);
    EXPECT_EQ(b.GetValue(), kFalse);
    EXPECT_EQ(c.GetValue(), kTrue);
    EXPECT_EQ(a.PaintsRun, paintsA + 1);

    Butt& d = Fresh("D");
    d.SetMode(1);
    d.SetValue(kTrue);
    d.SetMode(2);  // joins already set: the others go
    EXPECT_EQ(c.GetValue(), kFalse);
    EXPECT_EQ(Members(), (std::vector<void*>{&a, &b, &c, &d}));
}

TEST_F(OptionGroupTest, FocusSelectsAnUnselectedGroupOnly) {
    Butt& a = Option("A");
    Butt& b = Option("B");
    EventLog logA(host.Site("A"));
    EventLog logB(host.Site("B"));
    a.UserControl_GotFocus();
    EXPECT_EQ(a.GetValue(), kTrue);
    EXPECT_EQ(logA.Take(), std::vector<std::string>{"Click"});
    b.UserControl_GotFocus();
    EXPECT_EQ(b.GetValue(), kFalse);
    EXPECT_TRUE(logB.Take().empty());
}

TEST_F(OptionGroupTest, LeavingAGroupThatDoesNotListTheButtonChangesNothing) {
    Butt& a = Option("A");
    Butt& b = Option("B");
    Butt& outsider = Fresh("X");
    outsider.Mode = 2;  // in option mode, yet never registered
    outsider.SetMode(0);
    EXPECT_EQ(Members(), (std::vector<void*>{&a, &b}));
    outsider.SetMode(2);
    outsider.SetMode(0);
    EXPECT_EQ(Members(), (std::vector<void*>{&a, &b}));
}

TEST_F(OptionGroupTest, AnEndedButtonLeavesItsGroup) {
    Butt& a = Option("A");
    Butt& b = Option("B");
    Butt& c = Option("C");
    b.UserControl_Terminate();
    EXPECT_EQ(Members(), (std::vector<void*>{&a, &c}));
    a.SetValue(kTrue);  // deselecting reaches only live members
    EXPECT_EQ(c.GetValue(), kFalse);
}

// A stored count beyond the 16-bit range cannot be read: every group action (joining,
// selecting, leaving, ending) stops without touching the group, rather than taking the
// count from its low bits and writing over it.
TEST_F(OptionGroupTest, ACountBeyondSixteenBitsLeavesTheGroupAsItIs) {
    HWND box = host.Box().hWnd();
    auto stored = [&] { return reinterpret_cast<std::intptr_t>(::GetPropA(box, "butt_OptCount")); };
    const std::intptr_t counts[] = {65537, 65536, 32768, -32769};
    for (const std::intptr_t count : counts) {
        SCOPED_TRACE(count);
        const std::string n = std::to_string(count);
        Butt& a = Option("A" + n);  // member 1
        a.SetValue(kTrue);
        ::SetPropA(box, "butt_OptCount", reinterpret_cast<HANDLE>(count));
        auto asItWas = [&] {
            EXPECT_EQ(stored(), count);
            EXPECT_EQ(::GetPropA(box, "butt_Obj1"), static_cast<HANDLE>(&a));
            EXPECT_EQ(::GetPropA(box, "butt_Obj2"), nullptr);
        };
        Butt& b = Option("B" + n);
        asItWas();
        b.SetValue(kTrue);
        asItWas();
        EXPECT_EQ(a.GetValue(), kTrue) << "deselected through a count it cannot have";
        a.SetMode(0);
        asItWas();
        a.UserControl_Terminate();
        asItWas();
        ::RemovePropA(box, "butt_OptCount");
        ::RemovePropA(box, "butt_Obj1");
    }

    // 32767 members can be read, but a 32768th cannot join.
    ::SetPropA(box, "butt_OptCount", reinterpret_cast<HANDLE>(std::intptr_t{32767}));
    Option("Last");
    EXPECT_EQ(stored(), 32767);
    EXPECT_EQ(::GetPropA(box, "butt_Obj32768"), nullptr);
    EXPECT_EQ(::GetPropA(box, "butt_Obj-32768"), nullptr);
    ::RemovePropA(box, "butt_OptCount");
}

// ---- Handles ---------------------------------------------------------------------------

TEST_F(ButtonCoreTest, EveryHandleTheControlMadeIsGoneWhenItEnds) {
    for (int cycle = 0; cycle < 40; ++cycle) {
        const std::string name = "Cycle" + std::to_string(cycle);
        Butt& b = host.Add(name, ApplyBag());
        std::set<HGDIOBJ> made;
        auto collect = [&] {
            made.insert(b.MemoryDC);
            for (UINT kind : {OBJ_BITMAP, OBJ_PEN, OBJ_BRUSH, OBJ_FONT}) {
                made.insert(::GetCurrentObject(b.MemoryDC, kind));
            }
        };
        collect();
        for (int step = 0; step < 5; ++step) {
            host.Site(name).Move(0, 0, forms::PixelsToTwipsX(60 + step * 7),
                                 forms::PixelsToTwipsY(20 + step));
            collect();
            b.DrawRectangle(b.MemoryDC, 0, 0, 10, 10, 0x123456, 0x654321);
            collect();
            b.SetFont(b.GetFont());
            collect();
            b.RedrawButton();
        }
        b.SetPicture(TestBitmap());
        b.HoverTimerOn = kTrue;
        ::SetPropA(b.hWnd(), "butt_ClassID", &b);
        const std::set<HGDIOBJ> original = {b.SavedBitmap, b.SavedPen, b.SavedBrush, b.SavedFont};
        HWND window = b.hWnd();
        b.UserControl_Terminate();
        for (HGDIOBJ h : made) {
            if (original.count(h) != 0) continue;  // the DC's own stock objects
            EXPECT_EQ(::GetObjectType(h), 0u) << "cycle " << cycle;
        }
        EXPECT_EQ(::GetPropA(window, "butt_ClassID"), nullptr);
        EXPECT_EQ(::GetPropA(window, "butt_TimerID"), nullptr);
    }
}

}  // namespace
