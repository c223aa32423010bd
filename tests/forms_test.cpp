// The forms layer above the parser: forms and controls built from stored descriptions,
// the persistent image of picture boxes, painting, mouse routing to windowless controls,
// check boxes, timers, the runtime services, and the release of what a form owns.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <variant>
#include <vector>

#include "forms/Controls.h"
#include "forms/Description.h"
#include "forms/FileSystemObject.h"
#include "forms/Form.h"
#include "forms/Handles.h"
#include "forms/PropertyBag.h"
#include "dib.h"
#include "forms/Runtime.h"

namespace forms {
namespace {

// ---- helpers ------------------------------------------------------------------------------

std::string Lines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\n";
    return text;
}

std::unique_ptr<Form> Build(const std::string& text) {
    return std::make_unique<Form>(desc::Parse(text));
}

// The message a description is refused with; "" when it builds.
std::string BuildError(const std::string& text) {
    try {
        Form form(desc::Parse(text));
    } catch (const desc::DescriptionError& error) {
        return error.what();
    } catch (const std::exception& error) {
        return std::string("not a DescriptionError: ") + error.what();
    }
    return "";
}

std::string Hex(COLORREF c) {
    char text[16];
    std::snprintf(text, sizeof text, "%06lX", static_cast<unsigned long>(c & 0xFFFFFF));
    return text;
}

// A 32-bpp top-down DIB selected into a memory DC: what a paint routine draws into, read
// back pixel by pixel.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill = RGB(1, 2, 3)) : width_(width) {
        void* bits = nullptr;
        bitmap_ = testdib::TopDownDib(width, height, &bits);
        dc_.Reset(::CreateCompatibleDC(nullptr));
        saved_ = ::SelectObject(dc_.Get(), bitmap_.Get());
        bits_ = static_cast<const std::uint32_t*>(bits);
        RECT all{0, 0, width, height};
        OwnedBrush brush(::CreateSolidBrush(fill));
        ::FillRect(dc_.Get(), &all, brush.Get());
    }
    ~Canvas() { ::SelectObject(dc_.Get(), saved_); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return dc_.Get(); }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        const std::uint32_t v = bits_[y * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

private:
    int width_;
    OwnedBitmap bitmap_;
    OwnedDc dc_;
    HGDIOBJ saved_ = nullptr;
    const std::uint32_t* bits_ = nullptr;
};

void PrintClient(HWND hwnd, const Canvas& canvas) {
    ::SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
}

// A picture's own pixels, row by row, read back from its bitmap.
struct PicturePixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

PicturePixels PixelsOf(const Picture& picture) {
    PicturePixels out;
    out.width = picture.Width();
    out.height = picture.Height();
    const std::vector<std::uint32_t> raw =
        testdib::BitmapPixels(picture.BitmapHandle(), out.width, out.height);
    for (std::uint32_t v : raw) out.pixels.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    return out;
}

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// Handles messages until done() says so or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        DoEvents();
        if (done && done()) return true;
        if (::GetTickCount() - start >= milliseconds) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}
void PumpFor(DWORD milliseconds) { PumpUntil(nullptr, milliseconds); }

// The top-level form windows of this thread, by the class a built form has.
struct WindowCount {
    std::string windowClass;
    int n = 0;
};

BOOL CALLBACK CountWindowOfClass(HWND hwnd, LPARAM param) {
    auto* count = reinterpret_cast<WindowCount*>(param);
    char name[128] = {};
    ::GetClassNameA(hwnd, name, sizeof name);
    if (count->windowClass == name) ++count->n;
    return TRUE;
}

int FormWindowsOfThisThread() {
    static std::string formClass;
    if (formClass.empty()) {
        Form probe(FormSettings{});
        char name[128] = {};
        ::GetClassNameA(probe.hWnd(), name, sizeof name);
        formClass = name;
    }
    WindowCount count{formClass};
    ::EnumThreadWindows(::GetCurrentThreadId(), &CountWindowOfClass, reinterpret_cast<LPARAM>(&count));
    return count.n;
}

// ---- refused descriptions -----------------------------------------------------------------

TEST(FormBuilderTest, RefusesAMalformedDescriptionNamingTheLine) {
    struct Case {
        const char* what;
        std::string text;
        const char* message;
    };
    const Case cases[] = {
        {"not a form", Lines({"label L {", "  Rect = 0, 0, 10, 10", "}"}),
         "line 1: the description must start with a form"},
        {"unknown control kind", Lines({"form F {", "  button B1 {", "  }", "}"}),
         "line 2: unknown control kind 'button'"},
        {"unknown property of a label",
         Lines({"form F {", "  label L {", "    Rect = 0, 0, 10, 10", "    Colour = 5", "  }", "}"}),
         "line 4: unknown property 'Colour' in label 'L'"},
        {"label without Rect", Lines({"form F {", "  label L {", "    Caption = \"x\"", "  }", "}"}),
         "line 2: label 'L' needs 'Rect'"},
        {"Rect with 3 numbers", Lines({"form F {", "  label L {", "    Rect = 0, 0, 10", "  }", "}"}),
         "line 3: 'Rect' needs 4 integers, got 3"},
        {"Rect with a negative size",
         Lines({"form F {", "  image I {", "    Rect = 0, 0, -15, 10", "  }", "}"}),
         "line 3: 'Rect' has a negative size"},
        {"font without a size",
         Lines({"form F {", "  label L {", "    Rect = 0, 0, 10, 10", "    Font = \"Tahoma\"", "  }", "}"}),
         "line 4: 'Font' needs a face name and a size, as in \"Tahoma\", 8.25"},
        {"font with an unknown style",
         Lines({"form F {", "  Font = \"Tahoma\", 8.25, Wobbly", "}"}),
         "line 2: 'Font' has an unknown style 'Wobbly'"},
        {"font with size 0", Lines({"form F {", "  Font = \"Tahoma\", 0", "}"}),
         "line 2: 'Font' has a bad face or size"},
        {"check box Value 3",
         Lines({"form F {", "  checkbox C {", "    Rect = 0, 0, 900, 300", "    Value = 3", "  }", "}"}),
         "line 4: 'Value' of a check box is 0, 1 or 2"},
        {"duplicate control name, any case",
         Lines({"form F {", "  label Menu {", "    Rect = 0, 0, 10, 10", "  }", "  image MENU {",
                "    Rect = 0, 0, 10, 10", "  }", "}"}),
         "line 5: duplicate control name 'MENU'"},
        {"control named as a timer",
         Lines({"form F {", "  timer T1 {", "    Interval = 10", "  }", "  label t1 {",
                "    Rect = 0, 0, 10, 10", "  }", "}"}),
         "line 5: duplicate control name 't1'"},
        {"picture resource that does not exist",
         Lines({"form F {", "  image I {", "    Rect = 0, 0, 150, 150", "    Picture = \"NO_SUCH_BITMAP\"",
                "  }", "}"}),
         "line 4: no bitmap resource 'NO_SUCH_BITMAP'"},
        {"picture key that is not a number",
         Lines({"form F {", "  image I {", "    Rect = 0, 0, 150, 150",
                "    Picture = \"ARROW_ON\", \"pink\"", "  }", "}"}),
         "line 4: 'Picture' needs a resource name and an optional transparent colour"},
        {"timer inside a picture box",
         Lines({"form F {", "  picturebox P {", "    Rect = 0, 0, 1500, 1500", "    label L {",
                "      Rect = 0, 0, 10, 10", "    }", "    timer T {", "      Interval = 10", "    }",
                "  }", "}"}),
         "line 7: a timer belongs to the form itself"},
        {"timer Interval out of range",
         Lines({"form F {", "  timer T {", "    Interval = 65536", "  }", "}"}),
         "line 3: 'Interval' is 0 to 65535 ms"},
        {"control without its type",
         Lines({"form F {", "  control Apply {", "    Rect = 0, 0, 10, 10", "  }", "}"}),
         "line 2: control 'Apply' needs a class, as in 'control Apply : Butt'"},
        {"control holding something other than a bag",
         Lines({"form F {", "  control Apply : Butt {", "    Rect = 0, 0, 10, 10", "    label L {",
                "      Rect = 0, 0, 10, 10", "    }", "  }", "}"}),
         "line 4: control 'Apply' holds only a bag"},
        {"BackStyle Sideways",
         Lines({"form F {", "  label L {", "    Rect = 0, 0, 10, 10", "    BackStyle = Sideways", "  }", "}"}),
         "line 4: 'BackStyle' is Transparent or Opaque, not 'Sideways'"},
        {"label holding a control",
         Lines({"form F {", "  label L {", "    Rect = 0, 0, 10, 10", "    label Inner {",
                "      Rect = 0, 0, 10, 10", "    }", "  }", "}"}),
         "line 4: a label cannot hold 'Inner'"},
        {"picture box measuring in twips",
         Lines({"form F {", "  picturebox P {", "    Rect = 0, 0, 150, 150", "    ScaleMode = Twip",
                "  }", "}"}),
         "line 4: picture boxes measure in Pixel only"},
        {"form BorderStyle Fixed", Lines({"form F {", "  BorderStyle = Fixed", "}"}),
         "line 2: 'BorderStyle' is None or Sizable, not 'Fixed'"},
        {"fault deep inside a picture box after windowed controls",
         Lines({"form F {", "  picturebox P {", "    Rect = 0, 0, 1500, 1500", "    checkbox C {",
                "      Rect = 0, 0, 900, 300", "    }", "    label L {", "      Rect = 0, 0, 10, 10",
                "      Alignment = Justify", "    }", "  }", "}"}),
         "line 9: 'Alignment' is Left, Right or Center, not 'Justify'"},
    };
    const int before = FormWindowsOfThisThread();
    for (const Case& c : cases) {
        EXPECT_EQ(BuildError(c.text), c.message) << c.what;
        // Whatever was built before the fault is taken down again.
        EXPECT_EQ(FormWindowsOfThisThread(), before) << c.what;
    }
}

// ---- a good description -------------------------------------------------------------------

const std::string kGoodForm = Lines({
    "form Main {",
    "    Caption         = \"Forms test\"",
    "    BorderStyle     = None",
    "    ClientSize      = 4500, 3000",  // 300 x 200 px
    "    StartUpPosition = CenterScreen",
    "    BackColor       = &H203040",
    "    Font            = \"Tahoma\", 9.75, Bold",
    "    image ArrowKeyed {",
    "        Rect    = 150, 150, 150, 135",
    "        Picture = \"ARROW_ON\", &HFF00FF",
    "    }",
    "    label Title {",
    "        Rect      = 300, 1500, 1500, 330",
    "        Caption   = \"Hello\"",
    "        ForeColor = &HFFFFFF",
    "        BackColor = &H00FF00",
    "        BackStyle = Transparent",
    "        Font      = \"Verdana\", 8.25, Italic",
    "    }",
    "    timer Timer1 {",
    "        Interval = 50",
    "        Enabled  = False",
    "    }",
    "    image ArrowAgain {",
    "        Rect    = 450, 150, 150, 135",
    "        Picture = \"ARROW_ON\", &HFF00FF",
    "        Visible = False",
    "    }",
    "    label Plain {",
    "        Rect      = 8, 22, 1500, 300",
    "        Enabled   = False",
    "    }",
    "    checkbox Check1 {",
    "        Rect      = 300, 2250, 1800, 300",
    "        Caption   = \"Skip it\"",
    "        Value     = 1",
    "        BackColor = &H112233",
    "    }",
    "    picturebox Box {",
    "        Rect      = 2250, 300, 1500, 1200",
    "        Picture   = \"ARROW_ON\"",
    "        BackColor = &H0000FF",
    "        label Inner {",
    "            Rect    = 15, 15, 300, 150",
    "            Caption = \"in\"",
    "        }",
    "        image InnerArrow {",
    "            Rect    = 150, 150, 150, 135",
    "            Picture = \"ARROW_ON\"",
    "        }",
    "        checkbox InBox {",
    "            Rect  = 0, 600, 1200, 300",
    "            Value = 2",
    "        }",
    "    }",
    "    control Apply : Butt {",
    "        Rect = 3000, 2400, 1140, 360",
    "        bag {",
    "            \"_ExtentX\" = 2011",
    "            Caption    = \"Apply\"",
    "            Font       = \"Verdana\", 8.25, Bold",
    "        }",
    "    }",
    "}",
});

TEST(FormBuilderTest, BuildsTheFormItsControlsAndTheirSettings) {
    auto form = Build(kGoodForm);

    EXPECT_EQ(form->Name(), "Main");
    EXPECT_EQ(form->Caption(), "Forms test");
    EXPECT_EQ(form->BackColor(), 0x203040u);
    EXPECT_EQ(form->Font().face, "Tahoma");
    EXPECT_EQ(form->Font().weight, FW_BOLD);
    // Borderless: the outer size is the client size. Centred on the screen.
    EXPECT_EQ(form->Width(), 4500);
    EXPECT_EQ(form->Height(), 3000);
    EXPECT_EQ(form->Left(), 15.0 * ((::GetSystemMetrics(SM_CXSCREEN) - 300) / 2));
    EXPECT_EQ(form->Top(), 15.0 * ((::GetSystemMetrics(SM_CYSCREEN) - 200) / 2));
    RECT client{};
    ::GetClientRect(form->hWnd(), &client);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    EXPECT_FALSE(form->Visible()) << "a form is shown by Show, not by being built";
    char caption[64] = {};
    ::GetWindowTextA(form->hWnd(), caption, sizeof caption);
    EXPECT_STREQ(caption, "Forms test");

    // Each control by name, in any case, and of its kind.
    struct Kind {
        const char* name;
        bool (*is)(Control*);
    };
    const Kind kinds[] = {
        {"arrowkeyed", [](Control* c) { return dynamic_cast<Image*>(c) != nullptr; }},
        {"TITLE", [](Control* c) { return dynamic_cast<Label*>(c) != nullptr; }},
        {"Check1", [](Control* c) { return dynamic_cast<CheckBox*>(c) != nullptr; }},
        {"box", [](Control* c) { return dynamic_cast<PictureBox*>(c) != nullptr; }},
        {"Inner", [](Control* c) { return dynamic_cast<Label*>(c) != nullptr; }},
        {"InBox", [](Control* c) { return dynamic_cast<CheckBox*>(c) != nullptr; }},
        {"Apply", [](Control* c) { return dynamic_cast<ControlSite*>(c) != nullptr; }},
    };
    for (const Kind& k : kinds) {
        Control* control = form->FindControl(k.name);
        ASSERT_NE(control, nullptr) << k.name;
        EXPECT_TRUE(k.is(control)) << k.name;
    }
    EXPECT_EQ(form->FindControl("Timer1"), nullptr) << "a timer is not a control";
    EXPECT_EQ(form->FindControl("Nothing"), nullptr);
    try {
        form->Get<Image>("Title");
        ADD_FAILURE() << "a label is not an image";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), kErrObjectNotSet);
    }

    // Positions in twips, relative to the container, and the same in pixels.
    const Label& title = form->Get<Label>("Title");
    EXPECT_EQ(title.Left(), 300);
    EXPECT_EQ(title.Top(), 1500);
    EXPECT_EQ(title.Width(), 1500);
    EXPECT_EQ(title.Height(), 330);
    const RECT titlePixels = title.PixelRect();
    EXPECT_EQ(titlePixels.left, 20);
    EXPECT_EQ(titlePixels.top, 100);
    EXPECT_EQ(titlePixels.right, 120);
    EXPECT_EQ(titlePixels.bottom, 122);
    const RECT plainPixels = form->Get<Label>("Plain").PixelRect();
    EXPECT_EQ(plainPixels.left, 1) << "8 twips are 0.53 px";
    EXPECT_EQ(plainPixels.top, 1) << "22 twips are 1.47 px";

    // Captions, colours, style, font, visibility and enabled state.
    EXPECT_EQ(title.Caption(), "Hello");
    EXPECT_EQ(title.ForeColor(), 0xFFFFFFu);
    EXPECT_EQ(title.BackColor(), 0x00FF00u);
    EXPECT_TRUE(title.Transparent());
    EXPECT_EQ(title.Font().face, "Verdana");
    EXPECT_TRUE(title.Font().italic);
    EXPECT_EQ(title.Font().weight, FW_NORMAL);
    EXPECT_TRUE(title.Visible());
    const Label& plain = form->Get<Label>("Plain");
    EXPECT_EQ(plain.Font(), form->Font()) << "a label without a Font has the form's";
    EXPECT_FALSE(plain.Transparent());
    EXPECT_FALSE(plain.Enabled());
    EXPECT_FALSE(form->Get<Image>("ArrowAgain").Visible());
    EXPECT_TRUE(form->Get<Image>("ArrowKeyed").Visible());

    // Pictures come from the resources, with their key, one bitmap per resource and key.
    const Picture& keyed = form->Get<Image>("ArrowKeyed").Picture();
    EXPECT_EQ(keyed.GetKind(), Picture::Kind::Bitmap);
    EXPECT_EQ(keyed.Width(), 10);
    EXPECT_EQ(keyed.Height(), 9);
    ASSERT_TRUE(keyed.TransparentKey().has_value());
    EXPECT_EQ(*keyed.TransparentKey(), kMagenta);
    EXPECT_TRUE(keyed.SameAs(form->Get<Image>("ArrowAgain").Picture()));
    const Picture& unkeyed = form->Get<Image>("InnerArrow").Picture();
    EXPECT_FALSE(unkeyed.TransparentKey().has_value());
    EXPECT_FALSE(keyed.SameAs(unkeyed));
    EXPECT_TRUE(unkeyed.SameAs(form->Get<PictureBox>("Box").Picture()));

    // Windowed controls: child windows of their container, where their box says.
    auto& box = form->Get<PictureBox>("Box");
    EXPECT_EQ(::GetParent(box.hWnd()), form->hWnd());
    EXPECT_EQ(box.BackColor(), 0x0000FFu);
    RECT boxWindow{};
    ::GetWindowRect(box.hWnd(), &boxWindow);
    ::MapWindowPoints(nullptr, form->hWnd(), reinterpret_cast<POINT*>(&boxWindow), 2);
    const RECT boxPixels = box.PixelRect();
    EXPECT_TRUE(::EqualRect(&boxWindow, &boxPixels));
    EXPECT_EQ(boxPixels.left, 150);
    EXPECT_EQ(boxPixels.bottom, 100);

    auto& check = form->Get<CheckBox>("Check1");
    EXPECT_EQ(::GetParent(check.hWnd()), form->hWnd());
    EXPECT_EQ(check.Caption(), "Skip it");
    char checkText[32] = {};
    ::GetWindowTextA(check.hWnd(), checkText, sizeof checkText);
    EXPECT_STREQ(checkText, "Skip it");
    EXPECT_EQ(check.BackColor(), 0x112233u);
    RECT checkWindow{};
    ::GetWindowRect(check.hWnd(), &checkWindow);
    ::MapWindowPoints(nullptr, form->hWnd(), reinterpret_cast<POINT*>(&checkWindow), 2);
    EXPECT_EQ(checkWindow.left, 20);
    EXPECT_EQ(checkWindow.top, 150);
    EXPECT_EQ(checkWindow.right, 140);
    EXPECT_EQ(checkWindow.bottom, 170);
    auto& inBox = form->Get<CheckBox>("InBox");
    EXPECT_EQ(::GetParent(inBox.hWnd()), box.hWnd());
    EXPECT_EQ(inBox.Caption(), "InBox") << "a check box without a Caption shows its name";

    // A hosted control keeps its class and its bag.
    const auto& apply = form->Get<ControlSite>("Apply");
    EXPECT_EQ(apply.TypeName(), "Butt");
    EXPECT_EQ(apply.PixelRect().left, 200);
    EXPECT_EQ(std::get<std::int32_t>(apply.Bag().ReadProperty("_extentx")), 2011);
    EXPECT_EQ(std::get<std::string>(apply.Bag().ReadProperty("caption")), "Apply");
    const FontSpec bagFont = std::get<FontSpec>(apply.Bag().ReadProperty("Font"));
    EXPECT_EQ(bagFont.face, "Verdana");
    EXPECT_EQ(bagFont.weight, FW_BOLD);

    // Timers are found by name.
    Timer& timer = form->GetTimer("TIMER1");
    EXPECT_EQ(timer.Name(), "Timer1");
    EXPECT_EQ(timer.Interval(), 50u);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_THROW(form->GetTimer("Title"), RuntimeError);
}

std::vector<std::string> NamesOf(const Container& container) {
    std::vector<std::string> names;
    for (const WindowlessControl* control : container.WindowlessControls()) names.push_back(control->Name());
    return names;
}

TEST(FormBuilderTest, WindowlessControlsKeepTheStoredStackingOrder) {
    auto form = Build(kGoodForm);
    EXPECT_EQ(NamesOf(*form), (std::vector<std::string>{"ArrowKeyed", "Title", "ArrowAgain", "Plain"}));
    EXPECT_EQ(NamesOf(form->Get<PictureBox>("Box")), (std::vector<std::string>{"Inner", "InnerArrow"}));
}

// ---- picture box --------------------------------------------------------------------------

const std::string kBoxForm = Lines({
    "form Boxes {",
    "    BorderStyle = None",
    "    ClientSize  = 4500, 3000",
    "    picturebox Sized {",
    "        Rect      = 0, 0, 300, 225",  // 20 x 15 px
    "        Picture   = \"ARROW_ON\"",
    "        BackColor = &H0000FF",
    "    }",
    "    picturebox Fitted {",
    "        Rect      = 600, 600, 3000, 2000",
    "        AutoSize  = True",
    "        Picture   = \"ARROW_ON\"",
    "    }",
    "}",
});

TEST(PictureBoxTest, HdcHoldsThePicturesPixelsBeforeTheWindowIsShown) {
    auto form = Build(kBoxForm);
    auto& box = form->Get<PictureBox>("Sized");
    ASSERT_FALSE(::IsWindowVisible(form->hWnd()));
    EXPECT_EQ(box.ScaleWidth(), 20);
    EXPECT_EQ(box.ScaleHeight(), 15);

    const PicturePixels picture = PixelsOf(box.Picture());
    ASSERT_EQ(picture.width, 10);
    ASSERT_EQ(picture.height, 9);
    int differences = 0;
    for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < 20; ++x) {
            // No key here: magenta is drawn like any colour; the rest is the back colour.
            const COLORREF expected = (x < 10 && y < 9) ? picture.At(x, y) : RGB(255, 0, 0);
            if (::GetPixel(box.hDC(), x, y) != expected && differences++ < 5) {
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << Hex(::GetPixel(box.hDC(), x, y))
                              << ", expected " << Hex(expected);
            }
        }
    }
    EXPECT_EQ(differences, 0);
}

TEST(PictureBoxTest, AutoSizeFitsTheBoxToItsPicture) {
    auto form = Build(kBoxForm);
    auto& fitted = form->Get<PictureBox>("Fitted");
    EXPECT_EQ(fitted.ScaleWidth(), 10);
    EXPECT_EQ(fitted.ScaleHeight(), 9);
    EXPECT_EQ(fitted.Width(), 150);
    EXPECT_EQ(fitted.Height(), 135);
    EXPECT_EQ(fitted.Left(), 600) << "AutoSize keeps the position";

    // Turned on later, it fits the box then; a picture set later is fitted too.
    auto& sized = form->Get<PictureBox>("Sized");
    sized.SetAutoSize(true);
    EXPECT_EQ(sized.ScaleWidth(), 10);
    EXPECT_EQ(sized.ScaleHeight(), 9);
    RECT client{};
    ::GetClientRect(sized.hWnd(), &client);
    EXPECT_EQ(client.right, 10);
    EXPECT_EQ(client.bottom, 9);
    EXPECT_EQ(::GetPixel(sized.hDC(), 9, 8), PixelsOf(sized.Picture()).At(9, 8));
}

TEST(PictureBoxTest, WhatIsDrawnOnItsHdcIsWhatItPaints) {
    auto form = Build(kBoxForm);
    auto& box = form->Get<PictureBox>("Sized");
    ::SetPixel(box.hDC(), 15, 12, RGB(0, 255, 0));
    Canvas canvas(20, 15);
    PrintClient(box.hWnd(), canvas);
    EXPECT_EQ(Hex(canvas.At(15, 12)), Hex(RGB(0, 255, 0)));
    EXPECT_EQ(Hex(canvas.At(19, 14)), Hex(RGB(255, 0, 0)));
    EXPECT_EQ(Hex(canvas.At(3, 0)), Hex(PixelsOf(box.Picture()).At(3, 0)));
}

// ---- pictures -----------------------------------------------------------------------------

// The pixels of the 5 x 3 test pictures, as their files were made.
COLORREF TestPicturePixel(int x, int y) {
    return RGB(40 * x + 10, 60 * y + 20, (x * y * 30 + 5) & 0xFF);
}

TEST(PictureTest, AResourcePictureShowsItsStoredPixelsBeforeAndAfterItsBitmapIsMade) {
    // Rows padded and not, and a colour table.
    for (const char* name : {"RGB24", "RGB32", "INDEXED8"}) {
        SCOPED_TRACE(name);
        const Picture picture = Picture::FromResource(name);
        ASSERT_EQ(picture.Width(), 5);
        ASSERT_EQ(picture.Height(), 3);
        Canvas before(7, 5);
        picture.Draw(before.Dc(), 1, 1);
        const HBITMAP bitmap = picture.BitmapHandle();
        ASSERT_EQ(::GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
        EXPECT_EQ(picture.BitmapHandle(), bitmap) << "made once";
        const std::vector<std::uint32_t> held = testdib::BitmapPixels(bitmap, 5, 3);
        Canvas after(7, 5);
        picture.Draw(after.Dc(), 1, 1);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 7; ++x) {
                const bool inside = x >= 1 && x <= 5 && y >= 1 && y <= 3;
                const COLORREF want = inside ? TestPicturePixel(x - 1, y - 1) : RGB(1, 2, 3);
                EXPECT_EQ(Hex(before.At(x, y)), Hex(want)) << "drawn before, at " << x << "," << y;
                EXPECT_EQ(Hex(after.At(x, y)), Hex(want)) << "drawn after, at " << x << "," << y;
                if (inside) {
                    EXPECT_EQ(held[static_cast<std::size_t>((y - 1) * 5 + x - 1)],
                              testdib::PixelOf(want))
                        << "bitmap, at " << x - 1 << "," << y - 1;
                }
            }
        }
    }
}

TEST(PictureTest, WhatIsDrawnOnItsBitmapIsWhatThePictureAndItsCopiesShow) {
    const Picture picture = Picture::FromResource("RGB24");
    const Picture copy = picture;
    {
        OwnedDc dc(::CreateCompatibleDC(nullptr));
        SelectGuard select(dc.Get(), picture.BitmapHandle());
        ::SetPixel(dc.Get(), 2, 1, RGB(0, 255, 0));
    }
    for (const Picture* shown : {&picture, &copy}) {
        Canvas canvas(5, 3);
        shown->Draw(canvas.Dc(), 0, 0);
        EXPECT_EQ(Hex(canvas.At(2, 1)), Hex(RGB(0, 255, 0)));
        EXPECT_EQ(Hex(canvas.At(3, 1)), Hex(TestPicturePixel(3, 1)));
    }
}

TEST(PictureTest, AMissingResourceIsAnInvalidPictureByNameOrNumber) {
    const struct {
        const char* name;
        const char* text;
    } cases[] = {{"NO_SUCH_PICTURE", "NO_SUCH_PICTURE"}, {MAKEINTRESOURCEA(999), "#999"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            (void)Picture::FromResource(c.name);
            ADD_FAILURE() << "no error";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Number(), kErrInvalidPicture);
            EXPECT_NE(std::string(error.what()).find(c.text), std::string::npos) << error.what();
        }
    }
}

// ---- painting -----------------------------------------------------------------------------

constexpr COLORREF kFormBack = 0x203040;

const std::string kPaintForm = Lines({
    "form Paint {",
    "    BorderStyle = None",
    "    ClientSize  = 1800, 1200",  // 120 x 80 px
    "    BackColor   = &H203040",
    "    label Opaque {",
    "        Rect      = 150, 150, 300, 150",  // (10,10)-(30,20)
    "        BackColor = &H00FF00",
    "    }",
    "    label Clear {",
    "        Rect      = 600, 150, 300, 150",  // (40,10)-(60,20)
    "        BackColor = &H00FF00",
    "        BackStyle = Transparent",
    "    }",
    "    label HiddenOpaque {",
    "        Rect      = 1050, 150, 300, 150",  // (70,10)-(90,20)
    "        BackColor = &H00FF00",
    "        Visible   = False",
    "    }",
    "    label Lower {",
    "        Rect      = 150, 450, 450, 300",  // (10,30)-(40,50)
    "        BackColor = &H0000FF",
    "    }",
    "    label Upper {",
    "        Rect      = 375, 525, 450, 300",  // (25,35)-(55,55)
    "        BackColor = &HFF0000",
    "    }",
    "    image Arrow {",
    "        Rect    = 900, 450, 150, 135",  // (60,30), the picture's own size
    "        Picture = \"ARROW_ON\", &HFF00FF",
    "    }",
    "    image Cropped {",
    "        Rect    = 1350, 450, 75, 60",  // (90,30)-(95,34): half of the picture
    "        Picture = \"ARROW_ON\", &HFF00FF",
    "    }",
    "    image HiddenArrow {",
    "        Rect    = 1350, 900, 150, 135",  // (90,60)
    "        Picture = \"ARROW_ON\", &HFF00FF",
    "        Visible = False",
    "    }",
    "}",
});

TEST(PaintTest, FormPaintsBackgroundLabelsAndImagesInStackingOrder) {
    auto form = Build(kPaintForm);
    Canvas canvas(120, 80);
    PrintClient(form->hWnd(), canvas);

    struct Point {
        const char* what;
        int x, y;
        COLORREF expected;
    };
    const Point points[] = {
        {"background", 2, 2, kFormBack},
        {"opaque label fills", 15, 15, RGB(0, 255, 0)},
        {"opaque label's last pixel", 29, 19, RGB(0, 255, 0)},
        {"just right of the opaque label", 30, 15, kFormBack},
        {"transparent label leaves the background", 45, 15, kFormBack},
        {"hidden label is not drawn", 75, 15, kFormBack},
        {"lower label alone", 15, 32, RGB(255, 0, 0)},
        {"overlap: the later label is on top", 30, 40, RGB(0, 0, 255)},
        {"upper label alone", 50, 52, RGB(0, 0, 255)},
    };
    for (const Point& p : points) EXPECT_EQ(Hex(canvas.At(p.x, p.y)), Hex(p.expected)) << p.what;

    // The image: its picture's pixels, except the magenta key, which leaves what is beneath.
    const PicturePixels arrow = PixelsOf(form->Get<Image>("Arrow").Picture());
    int keyed = 0, drawn = 0, differences = 0;
    for (int y = 0; y < arrow.height; ++y) {
        for (int x = 0; x < arrow.width; ++x) {
            const COLORREF source = arrow.At(x, y);
            const bool isKey = source == kMagenta;
            (isKey ? keyed : drawn)++;
            const COLORREF expected = isKey ? kFormBack : source;
            if (canvas.At(60 + x, 30 + y) != expected) ++differences;
            // The cropped image draws only what lies within its own box.
            const COLORREF cropped = (x < 5 && y < 4) ? expected : kFormBack;
            if (canvas.At(90 + x, 30 + y) != cropped) ++differences;
            if (canvas.At(90 + x, 60 + y) != kFormBack) ++differences;  // hidden
        }
    }
    EXPECT_GT(keyed, 0) << "the arrow has a magenta background";
    EXPECT_GT(drawn, 0);
    EXPECT_EQ(differences, 0);
}

// Pixels of exactly colour c within r.
int CountPixels(const Canvas& canvas, const RECT& r, COLORREF c) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) n += canvas.At(x, y) == c ? 1 : 0;
    }
    return n;
}

TEST(PaintTest, LabelCaptionIsDrawnInItsForeColourOrGreyWhenDisabled) {
    auto form = Build(Lines({
        "form Text {",
        "    BorderStyle = None",
        "    ClientSize  = 3000, 1500",
        "    BackColor   = &H000000",
        "    label Live {",
        "        Rect      = 0, 0, 3000, 600",
        "        Caption   = \"HIH\"",
        "        ForeColor = &HFFFFFF",
        "        BackStyle = Transparent",
        "        Font      = \"Tahoma\", 18, Bold",
        "    }",
        "    label Dead {",
        "        Rect      = 0, 750, 3000, 600",
        "        Caption   = \"HIH\"",
        "        ForeColor = &HFFFFFF",
        "        BackStyle = Transparent",
        "        Font      = \"Tahoma\", 18, Bold",
        "        Enabled   = False",
        "    }",
        "}",
    }));
    Canvas canvas(200, 100);
    PrintClient(form->hWnd(), canvas);
    const RECT live = form->Get<Label>("Live").PixelRect();
    const RECT dead = form->Get<Label>("Dead").PixelRect();
    EXPECT_GT(CountPixels(canvas, live, RGB(255, 255, 255)), 20);
    EXPECT_EQ(CountPixels(canvas, dead, RGB(255, 255, 255)), 0);
    EXPECT_GT(CountPixels(canvas, dead, ::GetSysColor(COLOR_GRAYTEXT)), 20);
}

TEST(PaintTest, PictureBoxPaintsItsImageAndItsWindowlessControls) {
    auto form = Build(Lines({
        "form Paint {",
        "    BorderStyle = None",
        "    ClientSize  = 1500, 1500",
        "    picturebox Box {",
        "        Rect      = 0, 0, 600, 450",  // 40 x 30 px
        "        Picture   = \"ARROW_ON\"",
        "        BackColor = &H203040",
        "        label Patch {",
        "            Rect      = 300, 150, 150, 150",  // (20,10)-(30,20)
        "            BackColor = &H00FF00",
        "        }",
        "        label Ghost {",
        "            Rect      = 0, 300, 150, 150",  // (0,20)-(10,30)
        "            BackColor = &H00FF00",
        "            Visible   = False",
        "        }",
        "        image Arrow {",
        "            Rect    = 375, 225, 150, 135",  // (25,15): over Patch
        "            Picture = \"ARROW_ON\", &HFF00FF",
        "        }",
        "    }",
        "}",
    }));
    auto& box = form->Get<PictureBox>("Box");
    const PicturePixels arrow = PixelsOf(box.Picture());
    // Both routes: the box's own paint routine and its window's WM_PRINTCLIENT.
    for (int route = 0; route < 2; ++route) {
        Canvas canvas(40, 30);
        if (route == 0) {
            const RECT all{0, 0, 40, 30};
            box.Paint(canvas.Dc(), all);
        } else {
            PrintClient(box.hWnd(), canvas);
        }
        EXPECT_EQ(Hex(canvas.At(4, 4)), Hex(arrow.At(4, 4))) << route;
        EXPECT_EQ(Hex(canvas.At(12, 12)), Hex(kFormBack)) << "back colour beyond the picture; " << route;
        EXPECT_EQ(Hex(canvas.At(21, 11)), Hex(RGB(0, 255, 0))) << route;
        EXPECT_EQ(Hex(canvas.At(5, 25)), Hex(kFormBack)) << "hidden label; " << route;
        // The arrow lies over the patch: its key shows the patch, the rest is the arrow.
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 5; ++x) {
                const COLORREF source = arrow.At(x, y);
                EXPECT_EQ(Hex(canvas.At(25 + x, 15 + y)), Hex(source == kMagenta ? RGB(0, 255, 0) : source))
                    << x << "," << y << "; " << route;
            }
        }
    }
}

// A form holding a 40 x 30 picture box (a picture in it or not) with a green 20 x 10
// label at (5,5) over it.
std::string BoxedForm(bool withPicture) {
    return Lines({
        "form Boxed {",
        "    BorderStyle = None",
        "    ClientSize  = 1500, 1500",
        "    picturebox Box {",
        "        Rect      = 0, 0, 600, 450",
        withPicture ? "        Picture   = \"ARROW_ON\"" : "",
        "        BackColor = &H203040",
        "        label Patch {",
        "            Rect      = 75, 75, 300, 150",  // (5,5)-(25,15)
        "            BackColor = &H00FF00",
        "        }",
        "    }",
        "}",
    });
}

// Blackens a window, has its paint redo one area, and counts the pixels (from column
// fromX on) that differ from what WM_PRINTCLIENT draws there and from black elsewhere; the
// first few are reported.
int RepaintDifferences(const char* what, HWND hwnd, int width, int height, const RECT& area,
                       int fromX = 0) {
    PumpFor(100);
    Canvas expected(width, height);
    PrintClient(hwnd, expected);
    {
        WindowDc dc(hwnd);
        RECT all{0, 0, width, height};
        ::FillRect(dc.Get(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    }
    ::InvalidateRect(hwnd, &area, FALSE);
    ::UpdateWindow(hwnd);
    Canvas shown(width, height);
    {
        WindowDc dc(hwnd);
        ::BitBlt(shown.Dc(), 0, 0, width, height, dc.Get(), 0, 0, SRCCOPY);
    }
    int differences = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = fromX; x < width; ++x) {
            const POINT p{x, y};
            const COLORREF want = ::PtInRect(&area, p) ? expected.At(x, y) : RGB(0, 0, 0);
            const COLORREF got = shown.At(x, y);
            if (got != want && differences++ < 3) {
                ADD_FAILURE() << what << ": pixel " << x << "," << y << " is " << Hex(got)
                              << ", expected " << Hex(want);
            }
        }
    }
    return differences;
}

TEST(PaintTest, WmPaintOfPartOfTheWindowDrawsThatPartAsPrintClientDoes) {
    auto form = Build(kPaintForm);
    auto boxed = Build(BoxedForm(true));
    form->Show();
    boxed->Show();
    struct Case {
        const char* what;
        HWND hwnd;
        int width, height;
        RECT area;  // away from the origin, across controls
    };
    const Case cases[] = {
        {"form", form->hWnd(), 120, 80, {22, 28, 75, 45}},
        {"picture box", boxed->Get<PictureBox>("Box").hWnd(), 40, 30, {3, 4, 20, 25}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RepaintDifferences(c.what, c.hwnd, c.width, c.height, c.area), 0) << c.what;
    }
}

// A change made while its window is hidden (the form, or a picture box in a shown form)
// is on the screen once the window is shown.
TEST(PaintTest, AWindowWidePaintShowsWhatPrintClientDraws) {
    // Big enough that a paint is composed in many bands of rows, with captions, opaque
    // labels and keyed images across the bands' edges.
    std::vector<const char*> lines = {
        "form Wide {",
        "    BorderStyle = None",
        "    ClientSize  = 9000, 3600",  // 600 x 240 px
        "    BackColor   = &H203040",
        "    ForeColor   = &HFFFFFF",
        "    picturebox Box {",
        "        Rect      = 0, 0, 4500, 3600",
        "        Picture   = \"ARROW_ON\"",
        "        BackColor = &H402030",
        "        label InBox {",
        "            Rect      = 150, 150, 3900, 3000",
        "            Caption   = \"Wrapped text in the box, line after line after line, over every band of the paint, again and again and again.\"",
        "            ForeColor = &HFFFFFF",
        "            BackStyle = Transparent",
        "            Font      = \"Verdana\", 12, Bold",
        "        }",
        "        image BoxArrow {",
        "            Rect    = 2250, 390, 150, 135",
        "            Picture = \"ARROW_ON\", &HFF00FF",
        "        }",
        "    }",
        "    label Opaque {",
        "        Rect      = 4800, 300, 1500, 2700",
        "        Caption   = \"An opaque label with its caption\"",
        "        BackColor = &H00FF00",
        "        ForeColor = &H000080",
        "    }",
        "    label Clear {",
        "        Rect      = 6450, 105, 2400, 3300",
        "        Caption   = \"A transparent label whose words wrap across the bands\"",
        "        BackStyle = Transparent",
        "        Font      = \"Tahoma\", 9.75",
        "    }",
    };
    // Arrows down the form, every 13 rows: some of them straddle a band's edge.
    std::vector<std::string> arrows;
    for (int i = 0; i < 17; ++i) {
        arrows.push_back("    image Arrow" + std::to_string(i) + " {\n        Rect    = " +
                         std::to_string(6300 + (i % 3) * 15) + ", " + std::to_string(30 + i * 195) +
                         ", 150, 135\n        Picture = \"ARROW_ON\", &HFF00FF\n    }");
    }
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\n";
    for (const std::string& arrow : arrows) text += arrow + "\n";
    text += "}\n";
    auto form = Build(text);
    form->Show();
    struct Case {
        const char* what;
        HWND hwnd;
        int width, height;
        RECT area;
        int ownLeft;  // the form's own pixels lie right of the box
    };
    const Case cases[] = {
        {"form, whole", form->hWnd(), 600, 240, {0, 0, 600, 240}, 300},
        {"form, part", form->hWnd(), 600, 240, {301, 7, 599, 233}, 300},
        {"picture box, whole", form->Get<PictureBox>("Box").hWnd(), 300, 240, {0, 0, 300, 240}, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RepaintDifferences(c.what, c.hwnd, c.width, c.height, c.area, c.ownLeft), 0)
            << c.what;
    }
}

TEST(PaintTest, AChangeMadeWhileHiddenShowsOnceShown) {
    const std::string boxedForm = BoxedForm(false);
    for (const bool hideTheForm : {true, false}) {
        SCOPED_TRACE(hideTheForm ? "hidden form" : "hidden picture box");
        auto form = Build(boxedForm);
        auto& box = form->Get<PictureBox>("Box");
        if (!hideTheForm) {
            form->Show();
            PumpFor(50);
            box.SetVisible(false);
        }
        form->Get<Label>("Patch").SetBackColor(0x0000FF);
        if (hideTheForm) {
            form->Show();
        } else {
            box.SetVisible(true);
        }
        PumpFor(100);
        WindowDc dc(box.hWnd());
        EXPECT_EQ(Hex(::GetPixel(dc.Get(), 10, 10)), Hex(RGB(255, 0, 0)));
        EXPECT_EQ(Hex(::GetPixel(dc.Get(), 30, 20)), Hex(RGB(0x40, 0x30, 0x20)));
    }
}

TEST(PaintTest, ChangingAWindowlessControlRepaintsItsBox) {
    auto form = Build(Lines({
        "form Change {",
        "    BorderStyle = None",
        "    ClientSize  = 3000, 1500",
        "    label L {",
        "        Rect    = 150, 150, 300, 150",  // (10,10)-(30,20)
        "        Caption = \"a\"",
        "    }",
        "}",
    }));
    form->Show();  // a hidden window keeps no update region
    auto& label = form->Get<Label>("L");
    struct Change {
        const char* what;
        std::function<void()> apply;
        POINT inside;
    };
    const Change changes[] = {
        {"caption", [&] { label.SetCaption("b"); }, {20, 15}},
        {"fore colour", [&] { label.SetForeColor(0x00FF00); }, {20, 15}},
        {"back style", [&] { label.SetTransparent(true); }, {20, 15}},
        {"hidden", [&] { label.SetVisible(false); }, {20, 15}},
        {"shown", [&] { label.SetVisible(true); }, {20, 15}},
        {"disabled (greyed text)", [&] { label.SetEnabled(false); }, {20, 15}},
        {"moved: the old place", [&] { label.Move(1500, 750, 300, 150); }, {20, 15}},
        {"moved: the new place", [&] { label.Move(150, 150, 300, 150); }, {110, 55}},
    };
    for (const Change& change : changes) {
        PumpFor(20);
        ::ValidateRect(form->hWnd(), nullptr);
        change.apply();
        OwnedRegion update(::CreateRectRgn(0, 0, 0, 0));
        ::GetUpdateRgn(form->hWnd(), update.Get(), FALSE);
        EXPECT_TRUE(::PtInRegion(update.Get(), change.inside.x, change.inside.y)) << change.what;
    }
}

// ---- mouse routing ------------------------------------------------------------------------

// The same four labels straight on the form, or in a picture box covering it.
std::string MouseForm(bool inBox) {
    std::string labels = Lines({
        "label Under {",
        "    Rect = 0, 0, 1500, 1500",  // (0,0)-(100,100)
        "}",
        "label Top {",
        "    Rect = 300, 300, 600, 600",  // (20,20)-(60,60)
        "}",
        "label Hidden {",
        "    Rect    = 1050, 1050, 300, 300",  // (70,70)-(90,90), over Under
        "    Visible = False",
        "}",
        "label Off {",
        "    Rect    = 0, 1650, 600, 300",  // (0,110)-(40,130), over nothing
        "    Enabled = False",
        "}",
    });
    std::string text = "form Main {\n  BorderStyle = None\n  ClientSize = 3000, 3000\n";
    if (inBox) text += "picturebox Box {\n  Rect = 0, 0, 3000, 3000\n";
    text += labels;
    if (inBox) text += "}\n";
    return text + "}\n";
}

class MouseLog {
public:
    void Watch(WindowlessControl& c) { Watch(c.Name(), c.MouseMove, c.MouseDown, c.MouseUp, c.Click); }
    void Watch(Container& c, const std::string& name) { Watch(name, c.MouseMove, c.MouseDown, c.MouseUp, c.Click); }
    std::vector<std::string> events;

private:
    void Watch(const std::string& name, MouseHandler& move, MouseHandler& down, MouseHandler& up,
               EventHandler& click) {
        auto record = [this, name](const char* what) {
            return [this, name, what](const MouseArgs& a) {
                events.push_back(name + "." + what + " " + std::to_string(a.button) + " " +
                                 std::to_string(a.x) + "," + std::to_string(a.y));
            };
        };
        move = record("Move");
        down = record("Down");
        up = record("Up");
        click = [this, name] { events.push_back(name + ".Click"); };
    }
};

TEST(MouseTest, RoutesToTheTopmostVisibleEnabledControlAndClicksOnPressAndReleaseOverIt) {
    struct Step {
        UINT msg;
        int x, y;
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
        std::vector<std::string> expected;  // '@' is the container
    };
    const Case cases[] = {
        {"the later of two controls is on top", {{WM_MOUSEMOVE, 30, 30}}, {"Top.Move 0 10,10"}},
        {"the one beneath, where it is alone", {{WM_MOUSEMOVE, 10, 10}}, {"Under.Move 0 10,10"}},
        {"a hidden control lets the mouse through", {{WM_MOUSEMOVE, 75, 75}}, {"Under.Move 0 75,75"}},
        {"a disabled control lets the mouse through to the container",
         {{WM_MOUSEMOVE, 10, 120}},
         {"@.Move 0 10,120"}},
        {"no control: the container", {{WM_MOUSEMOVE, 150, 150}}, {"@.Move 0 150,150"}},
        {"press and release over a control: a click",
         {{WM_LBUTTONDOWN, 30, 30}, {WM_LBUTTONUP, 31, 32}},
         {"Top.Down 1 10,10", "Top.Up 1 11,12", "Top.Click"}},
        {"the pressed control keeps the mouse; released elsewhere, no click",
         {{WM_LBUTTONDOWN, 30, 30}, {WM_MOUSEMOVE, 10, 10}, {WM_LBUTTONUP, 10, 10}},
         {"Top.Down 1 10,10", "Top.Move 1 -10,-10", "Top.Up 1 -10,-10"}},
        {"pressed beneath, released over the top one: no click",
         {{WM_LBUTTONDOWN, 10, 10}, {WM_LBUTTONUP, 30, 30}},
         {"Under.Down 1 10,10", "Under.Up 1 30,30"}},
        {"pressed away and back again: a click",
         {{WM_LBUTTONDOWN, 30, 30}, {WM_MOUSEMOVE, 150, 150}, {WM_MOUSEMOVE, 40, 40}, {WM_LBUTTONUP, 40, 40}},
         {"Top.Down 1 10,10", "Top.Move 1 130,130", "Top.Move 1 20,20", "Top.Up 1 20,20", "Top.Click"}},
        {"a click on the container",
         {{WM_LBUTTONDOWN, 150, 150}, {WM_LBUTTONUP, 150, 150}},
         {"@.Down 1 150,150", "@.Up 1 150,150", "@.Click"}},
        {"pressed on the container, released over a control: no click",
         {{WM_LBUTTONDOWN, 150, 150}, {WM_LBUTTONUP, 30, 30}},
         {"@.Down 1 150,150", "@.Up 1 30,30"}},
        {"a click through a hidden control",
         {{WM_LBUTTONDOWN, 75, 75}, {WM_LBUTTONUP, 75, 75}},
         {"Under.Down 1 75,75", "Under.Up 1 75,75", "Under.Click"}},
        {"a click through a disabled control",
         {{WM_LBUTTONDOWN, 10, 120}, {WM_LBUTTONUP, 10, 120}},
         {"@.Down 1 10,120", "@.Up 1 10,120", "@.Click"}},
        {"the right button: no click",
         {{WM_RBUTTONDOWN, 30, 30}, {WM_RBUTTONUP, 30, 30}},
         {"Top.Down 2 10,10", "Top.Up 2 10,10"}},
    };
    for (const bool inBox : {false, true}) {
        for (const Case& c : cases) {
            auto form = Build(MouseForm(inBox));
            Container& container = inBox ? static_cast<Container&>(form->Get<PictureBox>("Box"))
                                         : static_cast<Container&>(*form);
            const std::string containerName = inBox ? "Box" : "Main";
            MouseLog log;
            log.Watch(container, containerName);
            for (const char* name : {"Under", "Top", "Hidden", "Off"}) log.Watch(form->Get<Label>(name));

            WPARAM keys = 0;
            for (const Step& step : c.steps) {
                if (step.msg == WM_LBUTTONDOWN) keys |= MK_LBUTTON;
                if (step.msg == WM_LBUTTONUP) keys &= ~WPARAM{MK_LBUTTON};
                if (step.msg == WM_RBUTTONDOWN) keys |= MK_RBUTTON;
                if (step.msg == WM_RBUTTONUP) keys &= ~WPARAM{MK_RBUTTON};
                ::SendMessageA(container.ClientWindow(), step.msg, keys, MAKELPARAM(step.x, step.y));
            }
            std::vector<std::string> expected;
            for (std::string e : c.expected) {
                if (e[0] == '@') e = containerName + e.substr(1);
                expected.push_back(e);
            }
            EXPECT_EQ(log.events, expected) << c.what << (inBox ? " (in a picture box)" : " (on the form)");
            EXPECT_EQ(::GetCapture(), nullptr) << c.what << ": the release gives the mouse back";
        }
    }
}

// ---- check box ----------------------------------------------------------------------------

const std::string kCheckForm = Lines({
    "form Checks {",
    "    BorderStyle = None",
    "    ClientSize  = 4500, 3000",
    "    checkbox Off {",
    "        Rect  = 0, 0, 1500, 300",
    "        Value = 0",
    "    }",
    "    checkbox On {",
    "        Rect  = 0, 300, 1500, 300",
    "        Value = 1",
    "    }",
    "    checkbox Grey {",
    "        Rect      = 0, 600, 1500, 300",
    "        Value     = 2",
    "        BackColor = &H493328",
    "        ForeColor = &HFFFFFF",
    "    }",
    "    picturebox Box {",
    "        Rect = 1500, 0, 3000, 3000",
    "        checkbox BoxOff {",
    "            Rect = 0, 0, 1500, 300",
    "        }",
    "        checkbox BoxOn {",
    "            Rect  = 0, 300, 1500, 300",
    "            Value = 1",
    "        }",
    "        checkbox BoxGrey {",
    "            Rect      = 0, 600, 1500, 300",
    "            Value     = 2",
    "            BackColor = &H00FF00",
    "        }",
    "    }",
    "}",
});

TEST(CheckBoxTest, ShowsItsValueAndAClickTicksOrUnticksIt) {
    struct Case {
        const char* name;
        int value;
        LRESULT state;
        int afterClick;
    };
    const Case cases[] = {
        {"Off", 0, BST_UNCHECKED, 1},    {"On", 1, BST_CHECKED, 0},    {"Grey", 2, BST_INDETERMINATE, 1},
        {"BoxOff", 0, BST_UNCHECKED, 1}, {"BoxOn", 1, BST_CHECKED, 0}, {"BoxGrey", 2, BST_INDETERMINATE, 1},
    };
    auto form = Build(kCheckForm);
    for (const Case& c : cases) {
        auto& box = form->Get<CheckBox>(c.name);
        EXPECT_EQ(box.Value(), c.value) << c.name;
        EXPECT_EQ(::SendMessageA(box.hWnd(), BM_GETCHECK, 0, 0), c.state) << c.name;

        int clicks = 0;
        box.Click = [&] { ++clicks; };
        ::SendMessageA(box.hWnd(), BM_CLICK, 0, 0);
        EXPECT_EQ(box.Value(), c.afterClick) << c.name;
        EXPECT_EQ(::SendMessageA(box.hWnd(), BM_GETCHECK, 0, 0), c.afterClick == 1 ? BST_CHECKED : BST_UNCHECKED)
            << c.name;
        EXPECT_EQ(clicks, 1) << c.name;
        ::SendMessageA(box.hWnd(), BM_CLICK, 0, 0);
        EXPECT_EQ(box.Value(), 1 - c.afterClick) << c.name << ", clicked again";
        box.Click = nullptr;
    }

    auto& off = form->Get<CheckBox>("Off");
    try {
        off.SetValue(3);
        ADD_FAILURE() << "Value 3 taken";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), kErrInvalidCall);
    }
    EXPECT_EQ(off.Value(), 0);
}

TEST(CheckBoxTest, CtlColorStaticAnswersItsBackColourBrush) {
    auto form = Build(kCheckForm);
    struct Case {
        const char* name;
        HWND container;
        COLORREF back;
        std::optional<COLORREF> fore;
    };
    const Case cases[] = {
        {"Grey", form->hWnd(), 0x493328, 0xFFFFFF},
        {"BoxGrey", form->Get<PictureBox>("Box").hWnd(), 0x00FF00, std::nullopt},
        {"Off", form->hWnd(), ::GetSysColor(COLOR_BTNFACE), ::GetSysColor(COLOR_BTNTEXT)},
    };
    for (const Case& c : cases) {
        Canvas canvas(4, 4);
        auto& box = form->Get<CheckBox>(c.name);
        const auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(
            c.container, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(canvas.Dc()), reinterpret_cast<LPARAM>(box.hWnd())));
        LOGBRUSH info{};
        ASSERT_EQ(::GetObjectA(brush, sizeof info, &info), static_cast<int>(sizeof info)) << c.name;
        EXPECT_EQ(info.lbStyle, static_cast<UINT>(BS_SOLID)) << c.name;
        EXPECT_EQ(Hex(info.lbColor), Hex(c.back)) << c.name;
        EXPECT_EQ(Hex(::GetBkColor(canvas.Dc())), Hex(c.back)) << c.name;
        if (c.fore) {
            EXPECT_EQ(Hex(::GetTextColor(canvas.Dc())), Hex(*c.fore)) << c.name;
        }
    }

    // A new back colour answers a brush of that colour.
    auto& grey = form->Get<CheckBox>("Grey");
    grey.SetBackColor(0x0000FF);
    Canvas canvas(4, 4);
    const auto brush = reinterpret_cast<HBRUSH>(::SendMessageA(
        form->hWnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(canvas.Dc()), reinterpret_cast<LPARAM>(grey.hWnd())));
    LOGBRUSH info{};
    ::GetObjectA(brush, sizeof info, &info);
    EXPECT_EQ(Hex(info.lbColor), Hex(0x0000FF));
}

// ---- timer --------------------------------------------------------------------------------

std::unique_ptr<Form> TimerForm(int interval, bool enabled) {
    return Build("form T {\n  timer Tick1 {\n    Interval = " + std::to_string(interval) +
                 "\n    Enabled = " + (enabled ? "True" : "False") + "\n  }\n}\n");
}

TEST(TimerTest, TicksWhileEnabledAndNotOnceDisabled) {
    auto form = TimerForm(10, true);
    Timer& timer = form->GetTimer("Tick1");
    int ticks = 0;
    timer.Tick = [&] { ++ticks; };
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, 3000)) << "ticks: " << ticks;

    timer.SetEnabled(false);
    const int atStop = ticks;
    PumpFor(150);
    EXPECT_EQ(ticks, atStop);

    timer.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return ticks > atStop; }, 3000)) << "enabled again";
}

TEST(TimerTest, DisabledOrWithoutIntervalNeverTicks) {
    for (const auto& [interval, enabled] : {std::pair{10, false}, std::pair{0, true}}) {
        auto form = TimerForm(interval, enabled);
        int ticks = 0;
        form->GetTimer("Tick1").Tick = [&] { ++ticks; };
        PumpFor(150);
        EXPECT_EQ(ticks, 0) << "Interval " << interval << ", Enabled " << enabled;
    }
}

TEST(TimerTest, IsNotReenteredWhileItsHandlerRuns) {
    auto form = TimerForm(5, true);
    Timer& timer = form->GetTimer("Tick1");
    int ticks = 0, depth = 0, deepest = 0;
    timer.Tick = [&] {
        ++ticks;
        deepest = std::max(deepest, ++depth);
        if (ticks == 1) {
            // As a fade does: yield for a while, long enough for many intervals to pass.
            const DWORD start = ::GetTickCount();
            while (::GetTickCount() - start < 150) {
                DoEvents();
                ::Sleep(2);
            }
        }
        --depth;
    };
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, 3000)) << "ticks: " << ticks;
    EXPECT_EQ(deepest, 1);
}

// ---- the end of the program -------------------------------------------------------------

// A form that goes other than by its owner's hand (a close request, the system) ends the
// program at once when it is the last one, whatever code is still running beneath; one
// that its owner tears down never ends it.
TEST(FormTest, TheLastFormClosedFromOutsideEndsTheProgramAtOnce) {
    int ends = 0;
    Hooks().end = [&] { ++ends; };
    {
        Form first(FormSettings{});
        Form second(FormSettings{});
        ::SendMessageA(first.WindowHandle(), WM_CLOSE, 0, 0);
        EXPECT_FALSE(::IsWindow(first.WindowHandle()));
        EXPECT_EQ(ends, 0) << "another form is still there";
        ::SendMessageA(second.WindowHandle(), WM_CLOSE, 0, 0);
        EXPECT_FALSE(::IsWindow(second.WindowHandle()));
        EXPECT_EQ(ends, 1);
    }
    EXPECT_EQ(ends, 1) << "the owner let go of forms already gone";
    { Form alone(FormSettings{}); }
    EXPECT_EQ(ends, 1) << "a form torn down by its owner";
    Hooks().end = nullptr;
}

// ---- runtime ------------------------------------------------------------------------------

TEST(RuntimeTest, ConversionsRoundHalfToEvenAndOverflowOutOfRange) {
    enum class To { Byte, Int16, Int32 };
    struct Case {
        To to;
        double value;
        std::optional<std::int64_t> expected;  // none: Overflow
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Case cases[] = {
        {To::Byte, 0.5, 0},           {To::Byte, 1.5, 2},
        {To::Byte, 2.5, 2},           {To::Byte, 7.5, 8},
        {To::Byte, 0.51, 1},          {To::Byte, 254.5, 254},
        {To::Byte, 255.49, 255},      {To::Byte, 255.5, std::nullopt},
        {To::Byte, -0.5, 0},          {To::Byte, -0.51, std::nullopt},
        {To::Byte, nan, std::nullopt},
        {To::Int16, 0.5, 0},          {To::Int16, 1.5, 2},
        {To::Int16, 2.5, 2},          {To::Int16, 7.5, 8},
        {To::Int16, -2.5, -2},        {To::Int16, -3.5, -4},
        {To::Int16, 32767.49, 32767}, {To::Int16, 32767.5, std::nullopt},
        {To::Int16, -32768.5, -32768}, {To::Int16, -32768.51, std::nullopt},
        {To::Int32, 0.5, 0},          {To::Int32, 1.5, 2},
        {To::Int32, 2.5, 2},          {To::Int32, 7.5, 8},
        {To::Int32, 2147483647.49, 2147483647}, {To::Int32, 2147483647.5, std::nullopt},
        {To::Int32, -2147483648.5, -2147483647 - 1}, {To::Int32, -2147483649.0, std::nullopt},
        {To::Int32, 1e300, std::nullopt},
    };
    for (const Case& c : cases) {
        const char* names[] = {"ToByte", "ToInt16", "ToInt32"};
        std::ostringstream what;
        what.precision(17);
        what << names[static_cast<int>(c.to)] << "(" << c.value << ")";
        try {
            std::int64_t got = 0;
            switch (c.to) {
            case To::Byte: got = ToByte(c.value); break;
            case To::Int16: got = ToInt16(c.value); break;
            case To::Int32: got = ToInt32(c.value); break;
            }
            if (c.expected) {
                EXPECT_EQ(got, *c.expected) << what.str();
            } else {
                ADD_FAILURE() << what.str() << " gave " << got << ", expected Overflow";
            }
        } catch (const RuntimeError& error) {
            EXPECT_FALSE(c.expected.has_value()) << what.str() << " raised " << error.what();
            EXPECT_EQ(error.Number(), kErrOverflow) << what.str();
            EXPECT_STREQ(error.what(), "Overflow") << what.str();
        }
    }
}

// Every number the layer raises, with the classic runtime's text for it: what an error box
// or a design-time message shows. Any other number reads as the generic error, so a number
// given a text without being listed here is caught too.
TEST(RuntimeTest, EveryRaisedErrorCarriesTheRuntimesText) {
    struct Row {
        ErrorNumber number;
        int value;
        const char* text;
    };
    const Row rows[] = {
        {kErrInvalidCall, 5, "Invalid procedure call or argument"},
        {kErrOverflow, 6, "Overflow"},
        {kErrOutOfMemory, 7, "Out of memory"},
        {kErrTypeMismatch, 13, "Type mismatch"},
        {kErrFileNotFound, 53, "File not found"},
        {kErrFileExists, 58, "File already exists"},
        {kErrPermissionDenied, 70, "Permission denied"},
        {kErrPathFileAccess, 75, "Path/File access error"},
        {kErrPathNotFound, 76, "Path not found"},
        {kErrObjectNotSet, 91, "Object variable or With block variable not set"},
        {kErrInvalidPropertyValue, 380, "Invalid property value"},
        {kErrInvalidPicture, 481, "Invalid picture"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(static_cast<int>(row.number), row.value);
        EXPECT_EQ(ErrorDescription(row.number), row.text);
        try {
            Raise(row.number);
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Number(), row.value);
            EXPECT_STREQ(error.what(), row.text);
        }
    }
    for (int number = -1; number <= 1000; ++number) {
        const bool listed = std::any_of(std::begin(rows), std::end(rows),
                                        [&](const Row& row) { return row.value == number; });
        if (listed) continue;
        EXPECT_EQ(ErrorDescription(number), "Application-defined or object-defined error") << number;
    }
}

TEST(RuntimeTest, RgbClampsAbove255AndRefusesNegativeComponents) {
    EXPECT_EQ(Rgb(1, 2, 3), RGB(1, 2, 3));
    EXPECT_EQ(Rgb(255, 256, 32767), RGB(255, 255, 255));
    EXPECT_EQ(Rgb(300, 0, 128), RGB(255, 0, 128));
    for (const auto& [r, g, b] : {std::tuple<std::int16_t, std::int16_t, std::int16_t>{-1, 0, 0}, {0, -1, 0},
                                  {0, 0, -32768}}) {
        try {
            Rgb(r, g, b);
            ADD_FAILURE() << r << "," << g << "," << b << " taken";
        } catch (const RuntimeError& error) {
            EXPECT_EQ(error.Number(), kErrInvalidCall);
        }
    }
}

TEST(RuntimeTest, ResumeNextSkipsOnlyTheFailingStatement) {
    std::vector<std::string> ran;
    std::vector<bool> results;
    results.push_back(ResumeNext([&] { ran.push_back("first"); }));
    results.push_back(ResumeNext([&] {
        ran.push_back("second, up to its fault");
        Raise(kErrFileNotFound);
        ran.push_back("second, after its fault");
    }));
    results.push_back(ResumeNext([&] { (void)ToByte(300); }));
    results.push_back(ResumeNext([&] { ran.push_back("third"); }));
    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second, up to its fault", "third"}));
    EXPECT_EQ(results, (std::vector<bool>{true, false, false, true}));
}

TEST(RuntimeTest, PropertyBagKeysIgnoreCaseAndTheDefaultIsNotStored) {
    PropertyBag bag;
    bag.WriteProperty("Caption", std::string("Apply"));
    EXPECT_TRUE(bag.Contains("CAPTION"));
    EXPECT_EQ(std::get<std::string>(bag.ReadProperty("caption")), "Apply");
    bag.WriteProperty("CAPTION", std::string("Go"));
    EXPECT_EQ(bag.Size(), 1u) << "the same key in another case replaces the value";
    EXPECT_EQ(bag.Entries()[0].first, "Caption");
    EXPECT_EQ(std::get<std::string>(bag.ReadProperty("Caption")), "Go");

    // A value equal to its default is not kept; writing the default drops an earlier value.
    bag.WriteProperty("Enabled", std::int32_t{-1}, std::int32_t{-1});
    EXPECT_FALSE(bag.Contains("Enabled"));
    bag.WriteProperty("Width", std::int32_t{2011}, std::int32_t{1000});
    EXPECT_EQ(std::get<std::int32_t>(bag.ReadProperty("width")), 2011);
    bag.WriteProperty("WIDTH", std::int32_t{1000}, std::int32_t{1000});
    EXPECT_FALSE(bag.Contains("Width"));
    FontSpec font;
    bag.WriteProperty("Font", font, font);
    EXPECT_FALSE(bag.Contains("Font"));
    font.weight = FW_BOLD;
    bag.WriteProperty("Font", font, FontSpec{});
    EXPECT_TRUE(bag.Contains("font"));

    // An absent key reads as the default given.
    EXPECT_EQ(std::get<double>(bag.ReadProperty("Missing", 1.5)), 1.5);
    EXPECT_TRUE(std::holds_alternative<std::monostate>(bag.ReadProperty("Missing")));
    EXPECT_EQ(bag.Size(), 2u);
}

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ::GetTempPathA(sizeof temp, temp);
        dir_ = std::string(temp) + "forms_test_" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(dir_.c_str(), nullptr);
    }
    void TearDown() override {
        WIN32_FIND_DATAA found;
        HANDLE find = ::FindFirstFileA((dir_ + "\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::string path = dir_ + "\\" + found.cFileName;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileA(path.c_str());
            } while (::FindNextFileA(find, &found));
            ::FindClose(find);
        }
        ::RemoveDirectoryA(dir_.c_str());
    }
    std::string PathOf(const char* name) const { return dir_ + "\\" + name; }
    std::string Write(const char* name, const std::string& content) const {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    static std::string Read(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    // The error number a statement raises, 0 when it raises none.
    static int ErrorOf(const std::function<void()>& statement) {
        try {
            statement();
        } catch (const RuntimeError& error) {
            return error.Number();
        }
        return 0;
    }

    std::string dir_;
    FileSystemObject fso_;
};

TEST_F(FileSystemTest, FileExistsOnlyForFiles) {
    const std::string file = Write("a.txt", "a");
    EXPECT_TRUE(fso_.FileExists(file));
    EXPECT_FALSE(fso_.FileExists(PathOf("missing.txt")));
    EXPECT_FALSE(fso_.FileExists(dir_)) << "a folder is not a file";
}

TEST_F(FileSystemTest, DeleteFileNeedsForceForAReadOnlyFile) {
    const std::string plain = Write("plain.txt", "p");
    EXPECT_EQ(ErrorOf([&] { fso_.DeleteFile(plain); }), 0);
    EXPECT_FALSE(fso_.FileExists(plain));
    EXPECT_EQ(ErrorOf([&] { fso_.DeleteFile(plain); }), kErrFileNotFound);

    const std::string locked = Write("locked.txt", "l");
    SetAttr(locked, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ErrorOf([&] { fso_.DeleteFile(locked); }), kErrPermissionDenied);
    EXPECT_TRUE(fso_.FileExists(locked));
    EXPECT_EQ(ErrorOf([&] { fso_.DeleteFile(locked, true); }), 0);
    EXPECT_FALSE(fso_.FileExists(locked));

    EXPECT_EQ(ErrorOf([&] { SetAttr(PathOf("missing.txt"), 0); }), kErrFileNotFound);
}

TEST_F(FileSystemTest, CopyFileOverwritesOnlyWhenAskedAndNeverAReadOnlyFile) {
    const std::string source = Write("source.txt", "new");
    const std::string target = Write("target.txt", "old");
    EXPECT_EQ(ErrorOf([&] { fso_.CopyFile(source, target, false); }), kErrFileExists);
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(ErrorOf([&] { fso_.CopyFile(source, target, true); }), 0);
    EXPECT_EQ(Read(target), "new");
    EXPECT_EQ(ErrorOf([&] { fso_.CopyFile(source, PathOf("fresh.txt"), false); }), 0);
    EXPECT_EQ(Read(PathOf("fresh.txt")), "new");
    EXPECT_EQ(ErrorOf([&] { fso_.CopyFile(PathOf("missing.txt"), target); }), kErrFileNotFound);

    const std::string locked = Write("locked.txt", "kept");
    SetAttr(locked, FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ErrorOf([&] { fso_.CopyFile(source, locked, true); }), kErrPermissionDenied);
    EXPECT_EQ(Read(locked), "kept");
    // A read-only file can still be copied from.
    const std::string copy = PathOf("copy.txt");
    EXPECT_EQ(ErrorOf([&] { fso_.CopyFile(locked, copy); }), 0);
    EXPECT_EQ(Read(copy), "kept");
}

// Through a handle that is open on a file, the same rules hold, and the file changed is the
// one that was opened: its attributes, its deletion (once the handle is closed) and its bytes.
TEST_F(FileSystemTest, ThroughAHandleTheOpenedFileIsChanged) {
    auto open = [](const std::string& path, DWORD access) {
        return OwnedHandle(::CreateFileA(path.c_str(), access,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    };
    constexpr DWORD kChange = FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | DELETE;
    const std::string locked = Write("locked.txt", "l");
    SetAttr(locked, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    OwnedHandle file = open(locked, kChange);
    ASSERT_NE(file.Get(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(ErrorOf([&] { fso_.DeleteFile(file.Get()); }), kErrPermissionDenied);
    EXPECT_EQ(ErrorOf([&] { SetAttr(file.Get(), 0); }), 0);
    EXPECT_EQ(::GetFileAttributesA(locked.c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), 0u);
    EXPECT_EQ(ErrorOf([&] { fso_.DeleteFile(file.Get()); }), 0);
    file.Reset();
    EXPECT_FALSE(fso_.FileExists(locked));

    const std::string forced = Write("forced.txt", "f");
    SetAttr(forced, FILE_ATTRIBUTE_READONLY);
    file = open(forced, kChange);
    EXPECT_EQ(ErrorOf([&] { fso_.DeleteFile(file.Get(), true); }), 0);
    file.Reset();
    EXPECT_FALSE(fso_.FileExists(forced));

    // Written over from its start and cut to the source's length; a read-only file never.
    const std::string source = Write("source.txt", "new");
    const std::string target = Write("target.txt", "a longer old text");
    file = open(target, GENERIC_WRITE | FILE_READ_ATTRIBUTES);
    EXPECT_EQ(ErrorOf([&] { fso_.CopyFile(source, file.Get()); }), 0);
    EXPECT_EQ(ErrorOf([&] { fso_.CopyFile(PathOf("missing.txt"), file.Get()); }), kErrFileNotFound);
    file.Reset();
    EXPECT_EQ(Read(target), "new");
    SetAttr(target, FILE_ATTRIBUTE_READONLY);
    file = open(target, FILE_READ_ATTRIBUTES);
    EXPECT_EQ(ErrorOf([&] { fso_.CopyFile(Write("other.txt", "other"), file.Get()); }), kErrPermissionDenied);
    file.Reset();
    EXPECT_EQ(Read(target), "new");
}

// ---- what a form owns is released ---------------------------------------------------------

const std::string kOwningForm = Lines({
    "form Owner {",
    "    BorderStyle = None",
    "    ClientSize  = 4500, 3000",
    "    image Arrow {",
    "        Rect    = 0, 0, 150, 135",
    "        Picture = \"ARROW_ON\", &HFF00FF",
    "    }",
    "    checkbox Check {",
    "        Rect      = 0, 300, 1500, 300",
    "        BackColor = &H00FF00",
    "    }",
    "    picturebox Box {",
    "        Rect    = 1500, 0, 1500, 1500",
    "        Picture = \"ARROW_ON\"",
    "        label Inner {",
    "            Rect    = 0, 0, 300, 150",
    "            Caption = \"x\"",
    "        }",
    "        checkbox InBox {",
    "            Rect = 0, 300, 1500, 300",
    "        }",
    "    }",
    "    timer Timer1 {",
    "        Interval = 10",
    "    }",
    "}",
});

struct Owned {
    const char* what;
    HGDIOBJ handle;
    DWORD type;
};

HGDIOBJ CtlColorBrush(HWND container, HWND child) {
    Canvas canvas(1, 1);
    return reinterpret_cast<HGDIOBJ>(::SendMessageA(container, WM_CTLCOLORSTATIC,
                                                     reinterpret_cast<WPARAM>(canvas.Dc()),
                                                     reinterpret_cast<LPARAM>(child)));
}

TEST(LeakTest, DestroyingAFormReleasesTheGdiObjectsAndWindowsItOwned) {
    auto form = Build(kOwningForm);
    auto& box = form->Get<PictureBox>("Box");
    auto& check = form->Get<CheckBox>("Check");
    auto& inBox = form->Get<CheckBox>("InBox");
    const Owned owned[] = {
        {"picture box hDC", box.hDC(), OBJ_MEMDC},
        {"picture box image", ::GetCurrentObject(box.hDC(), OBJ_BITMAP), OBJ_BITMAP},
        {"picture box picture", box.Picture().BitmapHandle(), OBJ_BITMAP},
        {"image picture", form->Get<Image>("Arrow").Picture().BitmapHandle(), OBJ_BITMAP},
        {"check box brush", CtlColorBrush(form->hWnd(), check.hWnd()), OBJ_BRUSH},
        {"check box font", reinterpret_cast<HGDIOBJ>(::SendMessageA(check.hWnd(), WM_GETFONT, 0, 0)), OBJ_FONT},
        {"boxed check box brush", CtlColorBrush(box.hWnd(), inBox.hWnd()), OBJ_BRUSH},
        {"boxed check box font", reinterpret_cast<HGDIOBJ>(::SendMessageA(inBox.hWnd(), WM_GETFONT, 0, 0)), OBJ_FONT},
    };
    const HWND windows[] = {form->hWnd(), box.hWnd(), check.hWnd(), inBox.hWnd()};
    for (const Owned& o : owned) ASSERT_EQ(::GetObjectType(o.handle), o.type) << o.what;
    for (HWND hwnd : windows) ASSERT_TRUE(::IsWindow(hwnd));

    form.reset();
    for (const Owned& o : owned) EXPECT_EQ(::GetObjectType(o.handle), 0u) << o.what;
    for (HWND hwnd : windows) EXPECT_FALSE(::IsWindow(hwnd));
}

TEST(LeakTest, ReplacedImagesBrushesAndFontsAreReleased) {
    auto form = Build(kOwningForm);
    auto& box = form->Get<PictureBox>("Box");
    auto& check = form->Get<CheckBox>("Check");

    HDC dc = box.hDC();
    HGDIOBJ image = ::GetCurrentObject(dc, OBJ_BITMAP);
    box.Move(1500, 0, 3000, 1500);  // a new size: a new image
    EXPECT_EQ(box.ScaleWidth(), 200);
    EXPECT_EQ(::GetObjectType(dc), 0u) << "old hDC";
    EXPECT_EQ(::GetObjectType(image), 0u) << "old image";

    dc = box.hDC();
    image = ::GetCurrentObject(dc, OBJ_BITMAP);
    box.SetBackColor(0x0000FF);
    // The same size keeps the image, painted over in the new colour: nothing is replaced.
    EXPECT_EQ(box.hDC(), dc);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), image);
    EXPECT_EQ(Hex(::GetPixel(dc, 50, 50)), Hex(RGB(255, 0, 0)));

    const HGDIOBJ brush = CtlColorBrush(form->hWnd(), check.hWnd());
    check.SetBackColor(0x0000FF);
    EXPECT_EQ(::GetObjectType(brush), 0u) << "old check box brush";
    EXPECT_EQ(::GetObjectType(CtlColorBrush(form->hWnd(), check.hWnd())), static_cast<DWORD>(OBJ_BRUSH));

    const auto font = reinterpret_cast<HGDIOBJ>(::SendMessageA(check.hWnd(), WM_GETFONT, 0, 0));
    check.SetFont(FontSpec{"Verdana", 10});
    EXPECT_EQ(::GetObjectType(font), 0u) << "old check box font";
    EXPECT_EQ(::GetObjectType(reinterpret_cast<HGDIOBJ>(::SendMessageA(check.hWnd(), WM_GETFONT, 0, 0))),
              static_cast<DWORD>(OBJ_FONT));

    // A picture shared by two controls lives as long as either shows it.
    const Picture picture = box.Picture();
    const HBITMAP bitmap = picture.BitmapHandle();
    box.SetPicture(Picture{});
    EXPECT_EQ(::GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
}

// Controls that log when they go, to see the order a form takes them down in.
std::vector<std::string> destroyedControls;

class LoggedBox : public PictureBox {
public:
    using PictureBox::PictureBox;
    ~LoggedBox() override { destroyedControls.push_back(Name()); }
};

class LoggedLabel : public Label {
public:
    using Label::Label;
    ~LoggedLabel() override { destroyedControls.push_back(Name()); }
};

TEST(LeakTest, ControlsInsideAPictureBoxGoBeforeTheBox) {
    destroyedControls.clear();
    {
        Form form(FormSettings{});
        auto& box = form.Add<LoggedBox>("Box", form, 0.0, 0.0, 1500.0, 1500.0);
        form.Add<LoggedLabel>("Inside", box);
        auto& inner = form.Add<LoggedBox>("InnerBox", box, 0.0, 0.0, 750.0, 750.0);
        form.Add<LoggedLabel>("Deepest", inner);
        form.Add<LoggedLabel>("OnForm", form);
    }
    // A windowless control leaves its container's list as it goes, so the container must
    // still be there.
    EXPECT_EQ(destroyedControls, (std::vector<std::string>{"OnForm", "Deepest", "InnerBox", "Inside", "Box"}));
}

}  // namespace
}  // namespace forms
