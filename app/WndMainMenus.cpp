// The menu entries, the Feature panel's views, the hover arrows and hints, the links, the
// drag areas and the key-polling timer.
#include "app/Misc.h"
#include "app/WndMain.h"
#include "skin/Transparency.h"

namespace {

constexpr int kVkF1 = 0x70;
constexpr int kVkEscape = 0x1B;
constexpr int kDragButton = 1;
constexpr std::uint8_t kFadeOutAlpha = 0;
constexpr float kFadeStep = 4.0f;

}  // namespace

void WndMain::WireEvents() {
    menu1.Click = [this] { menu1_Click(); };
    menu2.Click = [this] { menu2_Click(); };
    menu3.Click = [this] { menu3_Click(); };
    menu4.Click = [this] { menu4_Click(); };
    menu1.MouseMove = [this](const forms::MouseArgs&) { menu1_MouseMove(); };
    menu2.MouseMove = [this](const forms::MouseArgs&) { menu2_MouseMove(); };
    menu3.MouseMove = [this](const forms::MouseArgs&) { menu3_MouseMove(); };
    menu4.MouseMove = [this](const forms::MouseArgs&) { menu4_MouseMove(); };
    Email.MouseMove = [this](const forms::MouseArgs&) { Email_MouseMove(); };
    Website.MouseMove = [this](const forms::MouseArgs&) { Website_MouseMove(); };
    Forum.MouseMove = [this](const forms::MouseArgs&) { Forum_MouseMove(); };
    Email.Click = [this] { Email_Click(); };
    Website.Click = [this] { Website_Click(); };
    Forum.Click = [this] { Forum_Click(); };
    skin_Frames.MouseMove = [this](const forms::MouseArgs&) { skin_Frames_MouseMove(); };
    skin_Complete.MouseMove = [this](const forms::MouseArgs&) { skin_Complete_MouseMove(); };
    Label1.MouseMove = [this](const forms::MouseArgs&) { Label1_MouseMove(); };
    Label2.MouseMove = [this](const forms::MouseArgs&) { Label2_MouseMove(); };
    Label3.MouseMove = [this](const forms::MouseArgs&) { Label3_MouseMove(); };
    Title.MouseMove = [this](const forms::MouseArgs&) { Title_MouseMove(); };
    Timer1.Tick = [this] { Timer1_Timer(); };
}

void WndMain::ClearForeColor() {
    menu1.SetForeColor(MenuNormalColor);
    menu2.SetForeColor(MenuNormalColor);
    menu3.SetForeColor(MenuNormalColor);
    menu4.SetForeColor(MenuNormalColor);
    about_lbl.SetVisible(false);
    menuX1Email.SetVisible(false);
    menuX2Website.SetVisible(false);
    menuX3Forum.SetVisible(false);
    feature.SetVisible(true);
    Email.SetVisible(false);
    Website.SetVisible(false);
    Forum.SetVisible(false);
}

void WndMain::menu1_Click() {
    ClearForeColor();
    menu1.SetForeColor(MenuSelectedColor);
    feature.SetVisible(true);
}

void WndMain::menu2_Click() {
    ClearForeColor();
    menu2.SetForeColor(MenuSelectedColor);
    about_lbl.SetVisible(true);
    feature.SetVisible(false);
    about_lbl.SetCaption(AboutText());
    OpenReadme();
}

void WndMain::menu3_Click() {
    ClearForeColor();
    menu3.SetForeColor(MenuSelectedColor);
    menuX1Email.SetVisible(true);
    menuX2Website.SetVisible(true);
    menuX3Forum.SetVisible(true);
    feature.SetVisible(false);
    Email.SetVisible(true);
    Website.SetVisible(true);
    Forum.SetVisible(true);
}

void WndMain::menu4_Click() {
    ClearForeColor();
    menu4.SetForeColor(MenuSelectedColor);
    FadeOutAndEnd();
}

void WndMain::menu1_MouseMove() {
    menu1pic.SetPicture(skin_arrow_on.Picture());
    feature.SetCaption(HintTexts(2));
}
void WndMain::menu2_MouseMove() {
    menu2pic.SetPicture(skin_arrow_on.Picture());
    feature.SetCaption(HintTexts(3));
}
void WndMain::menu3_MouseMove() {
    menu3pic.SetPicture(skin_arrow_on.Picture());
    feature.SetCaption(HintTexts(4));
}
void WndMain::menu4_MouseMove() {
    menu4pic.SetPicture(skin_arrow_on.Picture());
    feature.SetCaption(HintTexts(5));
}

void WndMain::Email_MouseMove() { menuX1Email.SetPicture(skin_arrow_on.Picture()); }
void WndMain::Website_MouseMove() { menuX2Website.SetPicture(skin_arrow_on.Picture()); }
void WndMain::Forum_MouseMove() { menuX3Forum.SetPicture(skin_arrow_on.Picture()); }

void WndMain::Email_Click() { (void)Misc::ShellOpen(MailLink, *this); }
void WndMain::Website_Click() { Misc::OpenURL(SiteAddress, *this); }
void WndMain::Forum_Click() { Misc::OpenURL(std::string(SiteAddress) + ForumPage, *this); }

void WndMain::skin_Frames_MouseMove() {
    Skin().Drag_Form(kDragButton, *this);
    for (forms::Image* arrow : {&menu1pic, &menu2pic, &menu3pic, &menu4pic, &menuX1Email,
                                &menuX2Website, &menuX3Forum}) {
        arrow->SetPicture(skin_arrow_off.Picture());
    }
    feature.SetCaption(HintTexts(1));
}

void WndMain::skin_Complete_MouseMove() { Skin().Drag_Form(kDragButton, *this); }
void WndMain::Label1_MouseMove() { Skin().Drag_Form(kDragButton, *this); }
void WndMain::Label2_MouseMove() { Skin().Drag_Form(kDragButton, *this); }
void WndMain::Label3_MouseMove() { Skin().Drag_Form(kDragButton, *this); }
void WndMain::Title_MouseMove() { Skin().Drag_Form(kDragButton, *this); }

void WndMain::Timer1_Timer() {
    // F1 opens the readme once per press: a key held across ticks counts once, and a
    // press that came and went between two ticks still counts. Only a tick that saw the
    // key up can start a press: while the key is held, the keyboard's auto-repeat sets
    // the "pressed since the last call" bit again, so a repeat and the release between
    // two ticks would otherwise count as a second press.
    const SHORT f1 = ::GetAsyncKeyState(kVkF1);
    const bool f1Down = (f1 & 0x8000) != 0;
    const bool f1Pressed = !f1WasDown_ && (f1Down || (f1 & 1) != 0);
    f1WasDown_ = f1Down;
    if (f1Pressed) OpenReadme();

    if (::GetAsyncKeyState(kVkEscape) != 0) FadeOutAndEnd();
}

void WndMain::OpenReadme() {
    const std::string readme = forms::App::Path() + ReadmeName;
    if (!Fso().FileExists(readme)) return;
    try {
        forms::Shell(NotepadCommand + readme, SW_SHOWNORMAL);
    } catch (const forms::RuntimeError&) {
        forms::MsgBox("Notepad could not be started, so the readme cannot be shown.\r\n\r\n"
                      "You can open it yourself: " + readme,
                      forms::kMsgOkOnly | MB_ICONEXCLAMATION);
    }
}

void WndMain::FadeOutAndEnd() {
    Transparency::FadeOut(*this, kFadeOutAlpha, kFadeStep);
    forms::End();
}
