#include "app/WndMain.h"

#include "forms/Description.h"
#include "skin/Transparency.h"

namespace {

constexpr char kCredits[] = "Talvenor crew: code and skin by Vrel, tested on the track by the crew.";

}  // namespace

WndMain::WndMain() : WndMain(forms::LoadDescriptionResource("WNDMAIN")) {}

WndMain::WndMain(const std::string& description)
    : Form(forms::desc::Parse(description)),
      skin_Complete(Get<forms::PictureBox>("skin_Complete")),
      skin_arrow_off(Get<forms::Image>("skin_arrow_off")),
      skin_arrow_on(Get<forms::Image>("skin_arrow_on")),
      Label1(Get<forms::Label>("Label1")),
      Title(Get<forms::Label>("Title")),
      skin_Frames(Get<forms::Image>("skin_Frames")),
      menu1(Get<forms::Label>("menu1")),
      menu2(Get<forms::Label>("menu2")),
      menu3(Get<forms::Label>("menu3")),
      menu4(Get<forms::Label>("menu4")),
      menu1pic(Get<forms::Image>("menu1pic")),
      menu2pic(Get<forms::Image>("menu2pic")),
      menu3pic(Get<forms::Image>("menu3pic")),
      menu4pic(Get<forms::Image>("menu4pic")),
      feature(Get<forms::Label>("feature")),
      about_lbl(Get<forms::Label>("about_lbl")),
      Email(Get<forms::Label>("Email")),
      Website(Get<forms::Label>("Website")),
      Forum(Get<forms::Label>("Forum")),
      menuX1Email(Get<forms::Image>("menuX1Email")),
      menuX2Website(Get<forms::Image>("menuX2Website")),
      menuX3Forum(Get<forms::Image>("menuX3Forum")),
      Label2(Get<forms::Label>("Label2")),
      Check1(Get<forms::CheckBox>("Check1")),
      Check2(Get<forms::CheckBox>("Check2")),
      Check3(Get<forms::CheckBox>("Check3")),
      Label3(Get<forms::Label>("Label3")),
      Apply(Get<forms::ControlSite>("Apply")),
      buff(Get<forms::Label>("buff")),
      Timer1(GetTimer("Timer1")) {
    WireEvents();
    // The button instance reports a press through its Click event.
    Apply.OnEvent<>("Click", [this] { Apply_Click(); });
}

SkinSupport& WndMain::Skin() {
    if (!skin_) skin_ = std::make_unique<SkinSupport>();
    return *skin_;
}

forms::FileSystemObject& WndMain::Fso() {
    if (!fso_) fso_ = std::make_unique<forms::FileSystemObject>();
    return *fso_;
}

void WndMain::Form_Load() {
    Skin().Set_Background(*this, skin_Complete, forms::kTrue, SkinKeyColorRed,
                          SkinKeyColorGreen, SkinKeyColorBlue);
    Transparency::FadeIn(*this, FadeInAlpha, 4.0f);
    aboutText_ = std::string(kCredits) + "\r\nRead Talvenor.nfo for additional info and help";
    hintTexts_ = {"Welcome!", "Things that this baby can do :)",
                  "Show credits and other informations.",
                  "Write us an e-mail or visit our website/forum",
                  "Tired or wired? Press this to exit app."};
    feature.SetCaption(HintTexts(1));
}
