// The main window: the menu, the Feature panel with its hints, about text and links, the
// three movie groups and the Apply button, on one skinned picture box.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "forms/Controls.h"
#include "forms/FileSystemObject.h"
#include "forms/Form.h"
#include "skin/SkinSupport.h"

class WndMain : public forms::Form {
public:
    // Builds the window from the description stored in the program; it stays hidden
    // until Form_Load fades it in.
    WndMain();
    explicit WndMain(const std::string& description);

    void Form_Load();

    // Menu, links, drag areas and key polling.
    void ClearForeColor();
    void menu1_Click();
    void menu2_Click();
    void menu3_Click();
    void menu4_Click();
    void menu1_MouseMove();
    void menu2_MouseMove();
    void menu3_MouseMove();
    void menu4_MouseMove();
    void Email_MouseMove();
    void Website_MouseMove();
    void Forum_MouseMove();
    void Email_Click();
    void Website_Click();
    void Forum_Click();
    void skin_Frames_MouseMove();
    void skin_Complete_MouseMove();
    void Label1_MouseMove();
    void Label2_MouseMove();
    void Label3_MouseMove();
    void Title_MouseMove();
    void Timer1_Timer();

    // The patch run: replaces the movies of the ticked groups in the game's video folder
    // with the replacement movie that ships beside the program.
    void Apply_Click();

    static constexpr char GameKeyPath[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollenbrisk\\Brakemoor 3";
    static constexpr char GameFolderValue[] = "PATH_VIDEO";
    static constexpr char MovieFolderName[] = "video";
    static constexpr char DummyMovieFile[] = "qx-vlm5.dat";

    // Created on first use, kept for the window's life.
    SkinSupport& Skin();
    forms::FileSystemObject& Fso();

    const std::string& AboutText() const noexcept { return aboutText_; }
    // Hint texts 1 to 5.
    const std::string& HintTexts(int index) const { return hintTexts_.at(static_cast<std::size_t>(index - 1)); }

    static constexpr std::uint32_t MenuSelectedColor = 0x2175F8;
    static constexpr std::uint32_t MenuNormalColor = 0xFFFFFF;
    static constexpr int SkinKeyColorRed = 255;
    static constexpr int SkinKeyColorGreen = 0;
    static constexpr int SkinKeyColorBlue = 255;
    static constexpr std::uint8_t FadeInAlpha = 240;

    static constexpr char MailLink[] = "mailto:crew@talvenor.example";
    static constexpr char SiteAddress[] = "http://www.talvenor.example";
    static constexpr char ForumPage[] = "/forum.php";
    static constexpr char ReadmeName[] = "\\Talvenor.nfo";
    static constexpr char NotepadCommand[] = "C:\\Windows\\Notepad.exe ";

    forms::PictureBox& skin_Complete;
    forms::Image& skin_arrow_off;
    forms::Image& skin_arrow_on;
    forms::Label& Label1;
    forms::Label& Title;
    forms::Image& skin_Frames;
    forms::Label& menu1;
    forms::Label& menu2;
    forms::Label& menu3;
    forms::Label& menu4;
    forms::Image& menu1pic;
    forms::Image& menu2pic;
    forms::Image& menu3pic;
    forms::Image& menu4pic;
    forms::Label& feature;
    forms::Label& about_lbl;
    forms::Label& Email;
    forms::Label& Website;
    forms::Label& Forum;
    forms::Image& menuX1Email;
    forms::Image& menuX2Website;
    forms::Image& menuX3Forum;
    forms::Label& Label2;
    forms::CheckBox& Check1;
    forms::CheckBox& Check2;
    forms::CheckBox& Check3;
    forms::Label& Label3;
    forms::ControlSite& Apply;
    forms::Label& buff;
    forms::Timer& Timer1;

private:
    void WireEvents();
    // F1 and About: Notepad with the readme, when the readme is there.
    void OpenReadme();
    void FadeOutAndEnd();

    std::unique_ptr<SkinSupport> skin_;
    bool f1WasDown_ = false;
    std::unique_ptr<forms::FileSystemObject> fso_;
    std::string aboutText_;
    std::array<std::string, 5> hintTexts_;
};
