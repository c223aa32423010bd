// The main window built in this process from the description stored in the program's
// resources, driven by its handlers and by real mouse and keyboard input on the display.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "app/Misc.h"
#include "app/WndMain.h"
#include "dib.h"
#include "forms/Description.h"
#include "forms/Runtime.h"
#include "main_window_fixture.h"
#include "skin/Transparency.h"

namespace {

using forms::Hooks;
using mainwindowtest::PumpFor;
using mainwindowtest::PumpUntil;

constexpr std::uint32_t kOrange = 0x2175F8;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kButtonText = 0x80000012;
constexpr COLORREF kLitArrowPixel = RGB(248, 117, 33);
// A pixel that lies inside the arrow shape of both arrow pictures.
constexpr POINT kArrowInk{4, 4};

std::string ReadmePath() { return forms::App::Path() + "\\Talvenor.nfo"; }

std::string ReadmeCommand() { return "C:\\Windows\\Notepad.exe " + ReadmePath(); }

// Alpha of a layered window with exactly the alpha flag, else -1.
int LayeredAlpha(HWND hwnd) {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!::GetLayeredWindowAttributes(hwnd, &key, &alpha, &flags) || flags != LWA_ALPHA) return -1;
    return alpha;
}

// ---- Real input ----------------------------------------------------------------------

// All in one SendInput, so that no tick of Timer1 falls between them.
void SendKeyEvents(const std::vector<std::pair<WORD, bool>>& events) {
    std::vector<INPUT> inputs;
    for (const auto& [key, down] : events) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void SendKeys(const std::vector<WORD>& keys, bool down) {
    std::vector<std::pair<WORD, bool>> events;
    for (WORD key : keys) events.emplace_back(key, down);
    SendKeyEvents(events);
}

// The keyboard's auto-repeat of held keys, then their release, between two ticks.
void RepeatAndRelease(const std::vector<WORD>& keys) {
    std::vector<std::pair<WORD, bool>> events;
    for (WORD key : keys) events.emplace_back(key, true);
    for (WORD key : keys) events.emplace_back(key, false);
    SendKeyEvents(events);
}

void ReleaseKeysAndButtons() {
    for (WORD key : {WORD{VK_F1}, WORD{VK_ESCAPE}}) {
        if (::GetAsyncKeyState(key) & 0x8000) SendKeys({key}, false);
        (void)::GetAsyncKeyState(key);  // forget a press that nobody polled
    }
    if (::GetAsyncKeyState(VK_LBUTTON) & 0x8000) {
        INPUT up{};
        up.type = INPUT_MOUSE;
        up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
        ::SendInput(1, &up, sizeof up);
    }
}

void MovePointerTo(POINT screen) {
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    INPUT move{};
    move.type = INPUT_MOUSE;
    // Rounded up, so that the system's scaling back lands on the very pixel.
    move.mi.dx = (screen.x * 65536 + width - 1) / width;
    move.mi.dy = (screen.y * 65536 + height - 1) / height;
    move.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    ::SendInput(1, &move, sizeof move);
}

void ClickLeft() {
    INPUT clicks[2]{};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ::SendInput(2, clicks, sizeof(INPUT));
}

// The centre of a control of skin_Complete, on the screen.
POINT ScreenCentre(const WndMain& window, const forms::Control& control) {
    const RECT r = control.PixelRect();
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ::ClientToScreen(window.skin_Complete.hWnd(), &p);
    return p;
}

// What the screen shows at a pixel of skin_Complete's client area.
COLORREF ShownPixel(const WndMain& window, int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(window.skin_Complete.hWnd(), &p);
    forms::WindowDc screen(nullptr);
    return ::GetPixel(screen.Get(), p.x, p.y);
}

COLORREF ShownArrowPixel(const WndMain& window, const forms::Image& arrow) {
    const RECT r = arrow.PixelRect();
    return ShownPixel(window, r.left + kArrowInk.x, r.top + kArrowInk.y);
}

COLORREF PicturePixel(const forms::Picture& picture, POINT at) {
    return testdib::BitmapPixel(picture.BitmapHandle(), at.x, at.y);
}

// ---- Views of the Feature panel --------------------------------------------------------

struct View {
    bool feature = false;
    bool aboutLabel = false;
    int linksShown = 0;   // of Email, Website, Forum and their three arrows
    int selected = 0;     // the one orange menu entry (the rest white), else -1
    bool aboutText = false;  // about_lbl holds AboutText (else it is empty)

    bool operator==(const View&) const = default;
};

std::ostream& operator<<(std::ostream& out, const View& v) {
    return out << "{feature " << v.feature << ", about_lbl " << v.aboutLabel << ", links shown "
               << v.linksShown << ", selected menu" << v.selected << ", about text "
               << v.aboutText << "}";
}

View ViewOf(const WndMain& w) {
    View v;
    v.feature = w.feature.Visible();
    v.aboutLabel = w.about_lbl.Visible();
    for (const forms::Control* c : std::initializer_list<const forms::Control*>{
             &w.Email, &w.Website, &w.Forum, &w.menuX1Email, &w.menuX2Website, &w.menuX3Forum}) {
        v.linksShown += c->Visible() ? 1 : 0;
    }
    const forms::Label* menus[] = {&w.menu1, &w.menu2, &w.menu3, &w.menu4};
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t colour = menus[i]->ForeColor();
        if (colour == kOrange) {
            v.selected = v.selected == 0 ? i + 1 : -1;
        } else if (colour != kWhite) {
            v.selected = -1;
            break;
        }
    }
    if (w.about_lbl.Caption() == w.AboutText()) {
        v.aboutText = true;
    } else if (!w.about_lbl.Caption().empty()) {
        v.aboutText = false;
        v.selected = -2;  // neither empty nor the about text: shows as a mismatch
    }
    return v;
}

constexpr View kStartView{true, true, 0, 1, false};
constexpr View kAboutView{false, true, 0, 2, true};
constexpr View kContactView{false, false, 6, 3, false};

// ---- Fixture ---------------------------------------------------------------------------

// What the runtime seams saw, in order.
struct Event {
    std::string kind;  // "shell", "box", "end"
    std::string text;  // command line or message
    int number = 0;    // window style or box style
    int alpha = -1;    // at End: the window's alpha
    bool visible = false;  // at End: the window shown
    std::string feature;   // at End: the hint panel's caption

    static Event Of(std::string kind, std::string text, int number) {
        Event e;
        e.kind = std::move(kind);
        e.text = std::move(text);
        e.number = number;
        return e;
    }
};

std::vector<std::string> Kinds(const std::vector<Event>& events) {
    std::vector<std::string> kinds;
    for (const Event& e : events) kinds.push_back(e.kind);
    return kinds;
}

struct ShellCall {
    HWND window = nullptr;
    std::optional<std::string> verb;
    std::optional<std::string> file;
    std::optional<std::string> parameters;
    std::optional<std::string> folder;
    int show = 0;
};

std::optional<std::string> Text(const char* text) {
    return text ? std::optional<std::string>(text) : std::nullopt;
}

class WndMainTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::DeleteFileA(ReadmePath().c_str());
        savedShellExecute_ = Misc::ShellExecuteFunction();
        ReleaseKeysAndButtons();
        MovePointerTo(kParking);
        PumpFor(20);
        // Nothing real is started, shown or ended from here: every seam records.
        Hooks().shell = [this](const std::string& commandLine, int style) -> std::uint32_t {
            events_.push_back(Event::Of("shell", commandLine, style));
            if (notepadMissing_) {
                throw forms::RuntimeError(forms::kErrFileNotFound,
                                          forms::ErrorDescription(forms::kErrFileNotFound));
            }
            return 4242;
        };
        Hooks().messageBox = [this](const std::string& text, UINT style) {
            events_.push_back(Event::Of("box", text, static_cast<int>(style)));
            return IDOK;
        };
        Hooks().end = [this] {
            Event e = Event::Of("end", "", 0);
            if (window_) {
                e.alpha = LayeredAlpha(window_->hWnd());
                e.visible = ::IsWindowVisible(window_->hWnd()) != FALSE;
                e.feature = window_->feature.Caption();
            }
            events_.push_back(e);
            // The process would be gone: nobody holds a key any more.
            ReleaseKeysAndButtons();
        };
        // An error nothing handled ends the process; say what it was first.
        Hooks().unhandledError = [](const std::string& text) {
            std::fprintf(stderr, "unhandled error in the window: %s\n", text.c_str());
            std::fflush(stderr);
        };
        Misc::ShellExecuteFunction() = [this](HWND window, const char* verb, const char* file,
                                              const char* parameters, const char* folder,
                                              int show) {
            shellExecutes_.push_back(
                {window, Text(verb), Text(file), Text(parameters), Text(folder), show});
            return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(shellResult_));
        };
    }

    void TearDown() override {
        ReleaseKeysAndButtons();
        PumpFor(20);
        window_.reset();
        other_.Reset();
        MovePointerTo(kParking);
        PumpFor(10);
        Hooks() = forms::RuntimeHooks{};
        Misc::ShellExecuteFunction() = savedShellExecute_;
        ::DeleteFileA(ReadmePath().c_str());
    }

    WndMain& Build() {
        window_ = std::make_unique<WndMain>();
        return *window_;
    }

    // The window as the program starts it; every tick of Timer1 is counted.
    WndMain& Load() {
        WndMain& w = Build();
        w.Form_Load();
        w.Timer1.Tick = [this, &w] {
            ++ticks_;
            w.Timer1_Timer();
        };
        return w;
    }

    static void CreateReadme() {
        std::ofstream(ReadmePath(), std::ios::binary) << "Talvenor crew readme\r\n";
    }

    // A second top-level window of this process that takes the focus.
    void FocusAnotherWindow() {
        other_.Reset(::CreateWindowExA(0, "STATIC", "another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                       0, 0, 120, 100, nullptr, nullptr, forms::App::Instance(),
                                       nullptr));
        ASSERT_TRUE(other_);
        ::SetForegroundWindow(other_.Get());
        ::SetFocus(other_.Get());
        ASSERT_TRUE(PumpUntil([&] { return ::GetForegroundWindow() == other_.Get(); }));
        ASSERT_EQ(::GetFocus(), other_.Get());
    }

    void PointAt(const forms::Control& control) { MovePointerTo(ScreenCentre(*window_, control)); }

    // A real left click in the middle of a control, then the message loop until done().
    template <class Done>
    bool ClickOn(const forms::Control& control, Done done) {
        PointAt(control);
        PumpFor(10);
        ClickLeft();
        return PumpUntil(done);
    }

    static constexpr POINT kParking{2, 2};  // off the main window

    std::unique_ptr<WndMain> window_;
    std::vector<Event> events_;
    std::vector<ShellCall> shellExecutes_;
    int shellResult_ = 42;
    bool notepadMissing_ = false;
    int ticks_ = 0;
    forms::OwnedWindow other_;

private:
    Misc::ShellExecuteCall savedShellExecute_;
};

// ---- The stored description --------------------------------------------------------------

enum class Kind { PictureBox, Label, Image, CheckBox, Site };
enum class Art { None, Skin, Frames, ArrowOff, ArrowOn };

struct ControlRow {
    const char* name;
    Kind kind;
    bool onSkin;  // inside skin_Complete, else on the window itself
    double left, top, width, height;  // twips
    const char* caption;  // labels and check boxes
    bool visible;
    std::uint32_t foreColor;  // labels and check boxes
    const char* face;  // labels
    double size;
    Art art;  // images and the picture box
};

constexpr std::uint32_t kNa = 0;

const ControlRow kControls[] = {
    {"skin_arrow_off", Kind::Image, false, 570, 5985, 150, 135, nullptr, true, kNa, nullptr, 0, Art::ArrowOff},
    {"skin_arrow_on", Kind::Image, false, 270, 5985, 150, 135, nullptr, true, kNa, nullptr, 0, Art::ArrowOn},
    {"skin_Complete", Kind::PictureBox, false, 0, 0, 10770, 6090, nullptr, true, kNa, nullptr, 0, Art::Skin},
    {"Label1", Kind::Label, true, 180, 105, 5175, 330, "Talvenor crew", true, kWhite, "Trebuchet MS", 15.75, Art::None},
    {"Title", Kind::Label, true, 240, 690, 10335, 255, "Korv Brakemoor 3 *NO INTRO MOVIES*", true, kWhite, "Verdana", 9.75, Art::None},
    {"skin_Frames", Kind::Image, true, 195, 1005, 10440, 4395, nullptr, true, kNa, nullptr, 0, Art::Frames},
    {"menu1", Kind::Label, true, 510, 1455, 2580, 195, "Main Page", true, kOrange, "Tahoma", 8.25, Art::None},
    {"menu2", Kind::Label, true, 510, 1695, 2580, 195, "About", true, kWhite, "Tahoma", 8.25, Art::None},
    {"menu3", Kind::Label, true, 510, 1935, 2580, 195, "Contact", true, kWhite, "Tahoma", 8.25, Art::None},
    {"menu4", Kind::Label, true, 510, 2175, 2580, 195, "Exit", true, kWhite, "Tahoma", 8.25, Art::None},
    {"menu1pic", Kind::Image, true, 285, 1485, 150, 135, nullptr, true, kNa, nullptr, 0, Art::ArrowOff},
    {"menu2pic", Kind::Image, true, 285, 1725, 150, 135, nullptr, true, kNa, nullptr, 0, Art::ArrowOff},
    {"menu3pic", Kind::Image, true, 285, 1965, 150, 135, nullptr, true, kNa, nullptr, 0, Art::ArrowOff},
    {"menu4pic", Kind::Image, true, 285, 2205, 150, 135, nullptr, true, kNa, nullptr, 0, Art::ArrowOff},
    {"feature", Kind::Label, true, 345, 3645, 2730, 1530, "", true, kWhite, "Tahoma", 8.25, Art::None},
    {"about_lbl", Kind::Label, true, 345, 3645, 2730, 1530, "", true, kWhite, "Tahoma", 8.25, Art::None},
    {"Email", Kind::Label, true, 510, 3660, 2580, 195, "E-mail", false, kWhite, "Tahoma", 8.25, Art::None},
    {"Website", Kind::Label, true, 510, 3885, 2580, 195, "Website", false, kWhite, "Tahoma", 8.25, Art::None},
    {"Forum", Kind::Label, true, 510, 4110, 2580, 195, "Forum", false, kWhite, "Tahoma", 8.25, Art::None},
    {"menuX1Email", Kind::Image, true, 285, 3690, 150, 135, nullptr, false, kNa, nullptr, 0, Art::ArrowOff},
    {"menuX2Website", Kind::Image, true, 285, 3915, 150, 135, nullptr, false, kNa, nullptr, 0, Art::ArrowOff},
    {"menuX3Forum", Kind::Image, true, 285, 4140, 150, 135, nullptr, false, kNa, nullptr, 0, Art::ArrowOff},
    {"Label2", Kind::Label, true, 3615, 1470, 2340, 210, "Remove this intro movies:", true, kWhite, "Verdana", 8.25, Art::None},
    {"Check1", Kind::CheckBox, true, 3630, 1830, 2025, 240, "Pentium X (all lang)", true, kWhite, nullptr, 0, Art::None},
    {"Check2", Kind::CheckBox, true, 3630, 2145, 900, 240, "nVidia", true, kWhite, nullptr, 0, Art::None},
    {"Check3", Kind::CheckBox, true, 3630, 2460, 1320, 240, "Trailer (all)", true, kWhite, nullptr, 0, Art::None},
    {"Label3", Kind::Label, true, 3645, 4920, 3960, 210, "Works only for fully installed Korv 3 (7GB)", true, kWhite, "Verdana", 8.25, Art::None},
    {"Apply", Kind::Site, true, 9315, 4860, 1140, 360, nullptr, true, kNa, nullptr, 0, Art::None},
    {"buff", Kind::Label, true, 10035, 5670, 585, 300, "Label3", false, kButtonText, "Verdana", 8.25, Art::None},
};

TEST_F(WndMainTest, StoredDescriptionMatchesTheDesign) {
    WndMain& w = Build();
    const forms::Picture& arrowOff = w.skin_arrow_off.Picture();
    const forms::Picture& arrowOn = w.skin_arrow_on.Picture();
    EXPECT_FALSE(arrowOff.SameAs(arrowOn));

    EXPECT_EQ(w.Controls().size(), std::size(kControls)) << "a control too many or too few";
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.name);
        forms::Control* control = w.FindControl(row.name);
        ASSERT_NE(control, nullptr);
        const forms::Container* expectedContainer =
            row.onSkin ? static_cast<const forms::Container*>(&w.skin_Complete)
                       : static_cast<const forms::Container*>(&w);
        EXPECT_EQ(control->GetContainer(), expectedContainer);
        EXPECT_EQ(control->Left(), row.left);
        EXPECT_EQ(control->Top(), row.top);
        EXPECT_EQ(control->Width(), row.width);
        EXPECT_EQ(control->Height(), row.height);
        EXPECT_EQ(control->Visible(), row.visible);

        const forms::Picture* picture = nullptr;
        switch (row.kind) {
        case Kind::Label: {
            auto* label = dynamic_cast<forms::Label*>(control);
            ASSERT_NE(label, nullptr) << "not a label";
            EXPECT_EQ(label->Caption(), row.caption);
            EXPECT_EQ(label->ForeColor(), row.foreColor);
            EXPECT_EQ(label->Font().face, row.face);
            EXPECT_EQ(label->Font().size, row.size);
            EXPECT_EQ(label->Font().weight, FW_NORMAL);
            EXPECT_FALSE(label->Font().italic || label->Font().underline ||
                         label->Font().strikethrough);
            // Every label but the patch run's text holder lets the skin show through.
            EXPECT_EQ(label->Transparent(), std::string(row.name) != "buff");
            break;
        }
        case Kind::Image: {
            auto* image = dynamic_cast<forms::Image*>(control);
            ASSERT_NE(image, nullptr) << "not an image";
            picture = &image->Picture();
            break;
        }
        case Kind::PictureBox: {
            auto* box = dynamic_cast<forms::PictureBox*>(control);
            ASSERT_NE(box, nullptr) << "not a picture box";
            picture = &box->Picture();
            EXPECT_EQ(box->BackColor(), 0x493328u);
            EXPECT_EQ(box->ScaleWidth(), 718);
            EXPECT_EQ(box->ScaleHeight(), 406);
            break;
        }
        case Kind::CheckBox: {
            auto* box = dynamic_cast<forms::CheckBox*>(control);
            ASSERT_NE(box, nullptr) << "not a check box";
            EXPECT_EQ(box->Caption(), row.caption);
            EXPECT_EQ(box->ForeColor(), row.foreColor);
            EXPECT_EQ(box->BackColor(), 0x493328u);
            EXPECT_EQ(box->Value(), 1);
            EXPECT_EQ(::SendMessageA(box->hWnd(), BM_GETCHECK, 0, 0), BST_CHECKED);
            break;
        }
        case Kind::Site: {
            auto* site = dynamic_cast<forms::ControlSite*>(control);
            ASSERT_NE(site, nullptr) << "not a control site";
            EXPECT_EQ(site->TypeName(), "Butt");
            break;
        }
        }

        switch (row.art) {
        case Art::None: break;
        case Art::Skin:
            EXPECT_EQ(picture->Width(), 718);
            EXPECT_EQ(picture->Height(), 406);
            break;
        case Art::Frames:
            EXPECT_EQ(picture->Width(), 696);
            EXPECT_EQ(picture->Height(), 293);
            break;
        case Art::ArrowOff:
        case Art::ArrowOn: {
            EXPECT_TRUE(picture->SameAs(row.art == Art::ArrowOff ? arrowOff : arrowOn));
            // The arrow's box is exactly the picture's size.
            const RECT r = control->PixelRect();
            EXPECT_EQ(r.right - r.left, 10);
            EXPECT_EQ(r.bottom - r.top, 9);
            EXPECT_EQ(picture->Width(), 10);
            EXPECT_EQ(picture->Height(), 9);
            break;
        }
        }
    }

    EXPECT_EQ(w.Timer1.Interval(), 1u);
    EXPECT_TRUE(w.Timer1.Enabled());

    // Inside the skin the frame picture lies beneath every label and arrow image.
    const auto& stack = w.skin_Complete.WindowlessControls();
    ASSERT_FALSE(stack.empty());
    EXPECT_EQ(stack.front(), &w.skin_Frames) << stack.front()->Name() << " lies beneath it";

    // The window: borderless, 718 x 406, centred, hidden until Form_Load fades it in.
    EXPECT_EQ(w.Caption(), "Talvenor Vrel");
    EXPECT_EQ(w.BackColor(), 0x493328u);
    EXPECT_EQ(w.Font(), (forms::FontSpec{"Verdana", 8.25, FW_BOLD}));
    EXPECT_FALSE(::GetWindowLongA(w.hWnd(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
    EXPECT_FALSE(w.Visible());
    RECT client{}, outer{};
    ::GetClientRect(w.hWnd(), &client);
    ::GetWindowRect(w.hWnd(), &outer);
    EXPECT_EQ(client.right, 718);
    EXPECT_EQ(client.bottom, 406);
    EXPECT_EQ(outer.right - outer.left, 718);
    EXPECT_EQ(outer.bottom - outer.top, 406);
    EXPECT_EQ(w.Width(), 10770);
    EXPECT_EQ(w.Height(), 6090);
    EXPECT_EQ(outer.left, (::GetSystemMetrics(SM_CXSCREEN) - 718) / 2);
    EXPECT_EQ(outer.top, (::GetSystemMetrics(SM_CYSCREEN) - 406) / 2);
    EXPECT_NE(::SendMessageA(w.hWnd(), WM_GETICON, ICON_BIG, 0), 0);

    // Tab moves Check1, Check2, Check3 and round again (Apply has no window yet).
    const HWND order[] = {w.Check1.hWnd(), w.Check2.hWnd(), w.Check3.hWnd(), w.Check1.hWnd()};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(::GetNextDlgTabItem(w.hWnd(), order[i], FALSE), order[i + 1]) << "after Check" << i + 1;
    }

    // The stored settings of the Apply button, in stored order.
    const std::pair<const char*, forms::BagValue> kBag[] = {
        {"_ExtentX", std::int32_t{2011}},
        {"_ExtentY", std::int32_t{635}},
        {"Caption", std::string("APPLY")},
        {"CapAlign", std::int32_t{2}},
        {"BackStyle", std::int32_t{2}},
        {"Gradient", std::int32_t{4}},
        {"cGradient", std::int32_t{0x493328}},
        {"cFore", std::int32_t{0xC0C0C0}},
        {"Font", forms::FontSpec{"Verdana", 8.25, FW_BOLD}},
        {"Mode", std::int32_t{0}},
        {"Value", std::int32_t{0}},
        {"cFHover", std::int32_t{0xC0C0C0}},
        {"cBack", std::int32_t{0x400000}},
        {"LockHover", std::int32_t{1}},
    };
    const auto& entries = w.Apply.Bag().Entries();
    ASSERT_EQ(entries.size(), std::size(kBag));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(kBag[i].first);
        EXPECT_TRUE(forms::desc::EqualsNoCase(entries[i].first, kBag[i].first)) << entries[i].first;
        EXPECT_TRUE(forms::SameBagValue(entries[i].second, kBag[i].second));
    }
}

// ---- Start-up ------------------------------------------------------------------------------

TEST_F(WndMainTest, FormLoadFadesInThenFillsTheTexts) {
    WndMain& w = Build();
    struct Yield {
        std::string feature;
        int alpha;
        bool enabled;
    };
    std::vector<Yield> yields;
    Hooks().onYield = [&] {
        yields.push_back({w.feature.Caption(), LayeredAlpha(w.hWnd()),
                          ::IsWindowEnabled(w.hWnd()) != FALSE});
        // The pointer arrives on About while the window fades in: no hover yet.
        if (yields.size() == 5) MovePointerTo(ScreenCentre(w, w.menu2));
    };
    w.Form_Load();
    Hooks().onYield = nullptr;

    // Sixty steps of 4 from 0, the window shown but disabled, the hint panel empty.
    ASSERT_EQ(yields.size(), 60u);
    for (std::size_t i = 0; i < yields.size(); ++i) {
        SCOPED_TRACE("yield " + std::to_string(i));
        EXPECT_EQ(yields[i].alpha, static_cast<int>(4 * i));
        EXPECT_EQ(yields[i].feature, "");
        EXPECT_FALSE(yields[i].enabled);
    }

    EXPECT_EQ(LayeredAlpha(w.hWnd()), 240);
    EXPECT_TRUE(w.Visible());
    EXPECT_EQ(w.Enabled(), forms::kTrue);
    EXPECT_EQ(w.feature.Caption(), "Welcome!");
    EXPECT_TRUE(w.menu2pic.Picture().SameAs(w.skin_arrow_off.Picture()));
    EXPECT_EQ(ViewOf(w), kStartView);
    EXPECT_TRUE(events_.empty());

    const std::string tail = "\r\nRead Talvenor.nfo for additional info and help";
    const std::string& about = w.AboutText();
    ASSERT_GT(about.size(), tail.size());
    EXPECT_EQ(about.substr(about.size() - tail.size()), tail);
    const std::string credits = about.substr(0, about.size() - tail.size());
    EXPECT_EQ(credits.find_first_of("\r\n"), std::string::npos) << "one credits line";
    EXPECT_FALSE(credits.empty());

    const char* hints[] = {"Welcome!", "Things that this baby can do :)",
                           "Show credits and other informations.",
                           "Write us an e-mail or visit our website/forum",
                           "Tired or wired? Press this to exit app."};
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(w.HintTexts(i), hints[i - 1]) << "hint " << i;

    // The shape: magenta is cut away, the body stays.
    forms::OwnedRegion region(::CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(::GetWindowRgn(w.hWnd(), region.Get()), ERROR);
    struct Probe {
        POINT at;
        bool inside;
    };
    const Probe probes[] = {
        {{600, 15}, false},   // right-hand part of the top bar
        {{600, 390}, false},  // right-hand part of the bottom bar
        {{0, 200}, false},    // the one-pixel frame
        {{717, 200}, false},
        {{200, 200}, true},   // body
        {{100, 15}, true},    // left-hand part of the top bar
        {{700, 100}, true},
    };
    const COLORREF magenta = RGB(255, 0, 255);
    for (const Probe& p : probes) {
        SCOPED_TRACE(std::to_string(p.at.x) + "," + std::to_string(p.at.y));
        EXPECT_EQ(::PtInRegion(region.Get(), p.at.x, p.at.y) != FALSE, p.inside);
        EXPECT_EQ(::GetPixel(w.skin_Complete.hDC(), p.at.x, p.at.y) == magenta, !p.inside);
    }
}

TEST_F(WndMainTest, EscDuringTheFadeInEndsBeforeTheTextsAreSet) {
    WndMain& w = Build();
    int yields = 0;
    Hooks().onYield = [&] {
        if (++yields == 10) {
            SendKeys({VK_ESCAPE}, true);
            ::Sleep(20);  // Timer1 is due at the next pass of the loop
        }
    };
    w.Form_Load();
    Hooks().onYield = nullptr;

    ASSERT_EQ(Kinds(events_), std::vector<std::string>{"end"});
    EXPECT_EQ(events_[0].feature, "");
    EXPECT_EQ(events_[0].alpha, 0);
    EXPECT_FALSE(events_[0].visible);
}

// ---- Views ---------------------------------------------------------------------------------

enum class Menu { MainPage, About, Contact };

void Select(WndMain& w, Menu menu) {
    switch (menu) {
    case Menu::MainPage: w.menu1_Click(); break;
    case Menu::About: w.menu2_Click(); break;
    case Menu::Contact: w.menu3_Click(); break;
    }
}

TEST_F(WndMainTest, MenuEntriesSwitchTheFeaturePanel) {
    // One window through every change of view; about_lbl keeps the about text once shown.
    struct Step {
        const char* click;
        std::optional<Menu> menu;
        View view;
    };
    const Step steps[] = {
        {"none (start)", std::nullopt, kStartView},
        {"Contact", Menu::Contact, kContactView},
        {"About", Menu::About, kAboutView},
        {"Main Page", Menu::MainPage, {true, false, 0, 1, true}},
        {"About", Menu::About, kAboutView},
        {"Contact", Menu::Contact, {false, false, 6, 3, true}},
        {"Main Page", Menu::MainPage, {true, false, 0, 1, true}},
        {"Main Page", Menu::MainPage, {true, false, 0, 1, true}},
        {"Contact", Menu::Contact, {false, false, 6, 3, true}},
        {"About", Menu::About, kAboutView},
    };
    WndMain& w = Load();
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE("step " + std::to_string(i) + ": " + steps[i].click);
        if (steps[i].menu) Select(w, *steps[i].menu);
        EXPECT_EQ(ViewOf(w), steps[i].view);
        EXPECT_EQ(w.feature.Caption(), "Welcome!");
    }
}

TEST_F(WndMainTest, RealClicksOnTheMenuAndTheLinks) {
    WndMain& w = Load();
    CreateReadme();

    EXPECT_TRUE(ClickOn(w.menu3, [&] { return ViewOf(w) == kContactView; })) << ViewOf(w);
    EXPECT_TRUE(ClickOn(w.Email, [&] { return !shellExecutes_.empty(); }));
    ASSERT_EQ(shellExecutes_.size(), 1u);
    EXPECT_EQ(shellExecutes_[0].file, WndMain::MailLink);

    EXPECT_TRUE(ClickOn(w.menu2, [&] { return ViewOf(w) == kAboutView; })) << ViewOf(w);
    ASSERT_TRUE(PumpUntil([&] { return !events_.empty(); }));
    EXPECT_EQ(Kinds(events_), std::vector<std::string>{"shell"});
    EXPECT_EQ(events_[0].text, ReadmeCommand());

    // Main Page, with the pointer on it, shows its own hint.
    const View hintAfterAbout{true, false, 0, 1, true};
    EXPECT_TRUE(ClickOn(w.menu1, [&] { return ViewOf(w) == hintAfterAbout; })) << ViewOf(w);
    EXPECT_EQ(w.feature.Caption(), w.HintTexts(2));
    EXPECT_EQ(events_.size(), 1u);
}

// ---- Hover ---------------------------------------------------------------------------------

TEST_F(WndMainTest, HoverLightsArrowsAndShowsHints) {
    WndMain& w = Load();
    const forms::Image* arrows[] = {&w.menu1pic, &w.menu2pic, &w.menu3pic, &w.menu4pic,
                                    &w.menuX1Email, &w.menuX2Website, &w.menuX3Forum};
    const COLORREF unlitPixel = PicturePixel(w.skin_arrow_off.Picture(), kArrowInk);
    ASSERT_EQ(PicturePixel(w.skin_arrow_on.Picture(), kArrowInk), kLitArrowPixel);
    ASSERT_NE(unlitPixel, kLitArrowPixel);

    struct Step {
        const char* pointTo;
        bool thenContact;         // then the Contact entry is clicked
        std::vector<const forms::Image*> lit;
        int hint;
        bool featureShown;
    };
    const Step steps[] = {
        {"menu1", false, {&w.menu1pic}, 2, true},
        // Lit arrows add up until the pointer crosses the frame picture.
        {"menu2", false, {&w.menu1pic, &w.menu2pic}, 3, true},
        {"skin_Frames", false, {}, 1, true},
        {"menu3", true, {&w.menu3pic}, 4, false},
        // A link lights its arrow and leaves the hint as it was.
        {"Website", false, {&w.menu3pic, &w.menuX2Website}, 4, false},
        {"Email", false, {&w.menu3pic, &w.menuX1Email, &w.menuX2Website}, 4, false},
        // The hint changes while the panel is hidden.
        {"menu4", false, {&w.menu3pic, &w.menu4pic, &w.menuX1Email, &w.menuX2Website}, 5, false},
        {"skin_Frames", false, {}, 1, false},
    };

    auto isLit = [](const Step& s, const forms::Image* arrow) {
        for (const forms::Image* lit : s.lit) {
            if (lit == arrow) return true;
        }
        return false;
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string("pointer on ") + s.pointTo);
        PointAt(*w.FindControl(s.pointTo));
        auto modelDone = [&] {
            if (w.feature.Caption() != w.HintTexts(s.hint)) return false;
            for (const forms::Image* lit : s.lit) {
                if (!lit->Picture().SameAs(w.skin_arrow_on.Picture())) return false;
            }
            return true;
        };
        EXPECT_TRUE(PumpUntil(modelDone)) << w.feature.Caption();
        if (s.thenContact) w.menu3_Click();

        EXPECT_EQ(w.feature.Caption(), w.HintTexts(s.hint));
        EXPECT_EQ(w.feature.Visible(), s.featureShown);
        auto shownAsExpected = [&](const forms::Image* arrow) {
            return ShownArrowPixel(w, *arrow) == (isLit(s, arrow) ? kLitArrowPixel : unlitPixel);
        };
        auto screenDone = [&] {
            for (const forms::Image* arrow : arrows) {
                if (arrow->Visible() && !shownAsExpected(arrow)) return false;
            }
            return true;
        };
        PumpUntil(screenDone, 1000);
        for (const forms::Image* arrow : arrows) {
            SCOPED_TRACE(arrow->Name());
            const forms::Picture& expected = isLit(s, arrow) ? w.skin_arrow_on.Picture()
                                                             : w.skin_arrow_off.Picture();
            EXPECT_TRUE(arrow->Picture().SameAs(expected));
            if (arrow->Visible()) {
                EXPECT_TRUE(shownAsExpected(arrow))
                    << "pixel 0x" << std::hex << ShownArrowPixel(w, *arrow);
            }
        }
    }
}

// ---- Links ---------------------------------------------------------------------------------

TEST_F(WndMainTest, LinksGoToTheShell) {
    WndMain& w = Load();
    const std::string site = WndMain::SiteAddress;
    ASSERT_EQ(std::string(WndMain::MailLink).rfind("mailto:", 0), 0u);
    ASSERT_NE(std::string(WndMain::MailLink).find('@'), std::string::npos);

    struct Case {
        const char* name;
        void (WndMain::*click)();
        std::optional<std::string> verb;
        std::string file;
        std::optional<std::string> parameters;
        std::string folder;
    };
    const Case cases[] = {
        {"Email", &WndMain::Email_Click, "Open", WndMain::MailLink, "", forms::App::Path()},
        {"Website", &WndMain::Website_Click, std::nullopt, site, std::nullopt, "C:\\"},
        {"Forum", &WndMain::Forum_Click, std::nullopt, site + "/forum.php", std::nullopt, "C:\\"},
    };
    // A refused request (2: file not found) is no error either.
    for (int result : {42, 2}) {
        shellResult_ = result;
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", shell answers " + std::to_string(result));
            shellExecutes_.clear();
            (w.*c.click)();
            ASSERT_EQ(shellExecutes_.size(), 1u);
            const ShellCall& call = shellExecutes_[0];
            EXPECT_EQ(call.window, w.hWnd());
            EXPECT_EQ(call.verb, c.verb);
            EXPECT_EQ(call.file, c.file);
            EXPECT_EQ(call.parameters, c.parameters);
            EXPECT_EQ(call.folder, c.folder);
            EXPECT_EQ(call.show, SW_SHOWNORMAL);
        }
        EXPECT_EQ(Misc::ShellOpen("mailto:x@y", w), result);
    }
    EXPECT_TRUE(events_.empty()) << "no box, nothing started, no end";
    EXPECT_EQ(ViewOf(w), kStartView);
}

// ---- Keys ----------------------------------------------------------------------------------

TEST_F(WndMainTest, KeyPolling) {
    enum class Press {
        Hold,           // held across many ticks
        HoldRepeating,  // held with the keyboard's auto-repeat, which goes on up to the release
        Tap,            // pressed and released before Timer1 ticks again
    };
    struct Case {
        const char* name;
        bool readme;
        bool notepadMissing;
        bool otherWindowFocused;
        Press press;
        std::vector<std::vector<WORD>> presses;
        std::vector<std::string> expected;
    };
    const std::vector<WORD> f1{VK_F1}, esc{VK_ESCAPE}, both{VK_F1, VK_ESCAPE};
    const Case cases[] = {
        {"F1 held, twice", true, false, false, Press::Hold, {f1, f1}, {"shell", "shell"}},
        {"F1 held with auto-repeat, twice", true, false, false, Press::HoldRepeating, {f1, f1},
         {"shell", "shell"}},
        {"F1 without a readme", false, false, false, Press::Hold, {f1}, {}},
        {"F1 tapped between two ticks", true, false, false, Press::Tap, {f1}, {"shell"}},
        {"F1 with another window focused", true, false, true, Press::Hold, {f1}, {"shell"}},
        {"F1 with Notepad missing", true, true, false, Press::Hold, {f1}, {"shell", "box"}},
        {"F1 and Esc in one tick", true, false, false, Press::Hold, {both}, {"shell", "end"}},
        {"Esc with another window focused", false, false, true, Press::Hold, {esc}, {"end"}},
    };
    // One window serves until a case ends it, as a user would press F1 again and again.
    bool needWindow = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        events_.clear();
        notepadMissing_ = c.notepadMissing;
        if (c.readme) CreateReadme();
        if (needWindow) {
            window_.reset();
            Load();
            needWindow = false;
        }
        WndMain& w = *window_;
        if (c.otherWindowFocused) {
            ASSERT_NO_FATAL_FAILURE(FocusAnotherWindow());
        }

        for (const std::vector<WORD>& keys : c.presses) {
            if (c.press == Press::Tap) {
                SendKeys(keys, true);
                SendKeys(keys, false);
                PumpFor(200);
                continue;
            }
            SendKeys(keys, true);
            const int ticksBefore = ticks_;
            if (c.press == Press::HoldRepeating) {
                // Repeats land both on ticks and between them.
                for (int repeat = 0; repeat < 10; ++repeat) {
                    PumpFor(20);
                    SendKeys(keys, true);
                }
                PumpFor(20);
            } else {
                PumpFor(200);
            }
            if (keys == f1) {
                EXPECT_GE(ticks_ - ticksBefore, 5) << "F1 held across many ticks";
            }
            if (c.press == Press::HoldRepeating) {
                RepeatAndRelease(keys);
            } else {
                SendKeys(keys, false);
            }
            PumpFor(50);
        }

        EXPECT_EQ(Kinds(events_), c.expected);
        for (const Event& e : events_) {
            if (e.kind == "shell") {
                EXPECT_EQ(e.text, ReadmeCommand());
                EXPECT_EQ(e.number, SW_SHOWNORMAL);
            } else if (e.kind == "box") {
                EXPECT_NE(e.text.find("Notepad"), std::string::npos) << e.text;
                EXPECT_NE(e.text.find("could not be started"), std::string::npos) << e.text;
            } else if (e.kind == "end") {
                EXPECT_EQ(e.alpha, 0) << "faded out first";
                EXPECT_FALSE(e.visible);
            }
        }

        if (!c.expected.empty() && c.expected.back() == "end") {
            needWindow = true;
        } else {
            // Still there and usable.
            EXPECT_TRUE(w.Visible());
            EXPECT_EQ(LayeredAlpha(w.hWnd()), 240);
            EXPECT_EQ(w.Enabled(), forms::kTrue);
            EXPECT_TRUE(ClickOn(w.menu3, [&] { return ViewOf(w) == kContactView; })) << ViewOf(w);
        }

        ReleaseKeysAndButtons();
        PumpFor(20);
        other_.Reset();
        ::DeleteFileA(ReadmePath().c_str());
    }
}

TEST_F(WndMainTest, AboutOpensTheReadmeAtEveryClick) {
    struct Case {
        const char* name;
        bool readme;
        bool notepadMissing;
        std::vector<std::string> expected;  // of two clicks
    };
    const Case cases[] = {
        {"readme there", true, false, {"shell", "shell"}},
        {"Notepad missing", true, true, {"shell", "box", "shell", "box"}},
        {"no readme", false, false, {}},
    };
    WndMain& w = Load();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        events_.clear();
        notepadMissing_ = c.notepadMissing;
        if (c.readme) {
            CreateReadme();
        } else {
            ::DeleteFileA(ReadmePath().c_str());
        }
        w.menu2_Click();
        w.menu2_Click();
        EXPECT_EQ(Kinds(events_), c.expected);
        for (const Event& e : events_) {
            if (e.kind == "shell") {
                EXPECT_EQ(e.text, ReadmeCommand());
            }
        }
        EXPECT_EQ(ViewOf(w), kAboutView);
    }
}

TEST_F(WndMainTest, ExitFadesOutThenEnds) {
    WndMain& w = Load();
    std::vector<int> alphas;
    std::vector<std::uint32_t> exitColours;
    Hooks().onYield = [&] {
        alphas.push_back(LayeredAlpha(w.hWnd()));
        exitColours.push_back(w.menu4.ForeColor());
    };
    EXPECT_THROW(w.menu4_Click(), forms::EndRequested);
    Hooks().onYield = nullptr;

    ASSERT_EQ(alphas.size(), 60u);
    for (std::size_t i = 0; i < alphas.size(); ++i) {
        EXPECT_EQ(alphas[i], static_cast<int>(240 - 4 * i)) << "yield " << i;
        EXPECT_EQ(exitColours[i], kOrange) << "yield " << i;
    }
    ASSERT_EQ(Kinds(events_), std::vector<std::string>{"end"});
    EXPECT_EQ(events_[0].alpha, 0);
    EXPECT_FALSE(events_[0].visible);
}

}  // namespace
