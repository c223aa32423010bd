// The patch run behind Apply.
#include <array>
#include <string_view>

#include "app/Registry.h"
#include "app/WndMain.h"
#include "skin/Transparency.h"

namespace {

constexpr std::array<std::string_view, 3> kGroup1{"intel_e.bik", "intel_f.bik", "intel_g.bik"};
constexpr std::array<std::string_view, 1> kGroup2{"nVid.bik"};
constexpr std::array<std::string_view, 15> kGroup3{
    "Intr_dtm_e.bik",  "Intr_dtm_f.bik",  "Intr_dtm_g.bik",  "Intr_dtm_i.bik",  "Intr_dtm_s.bik",
    "Intr_korv_e.bik", "Intr_korv_f.bik", "Intr_korv_g.bik", "Intr_korv_i.bik", "Intr_korv_s.bik",
    "Intr_v8_e.bik",   "Intr_v8_f.bik",   "Intr_v8_g.bik",   "Intr_v8_i.bik",   "Intr_v8_s.bik"};

constexpr int kTicked = 1;
constexpr DWORD kNormalAttributes = 0;

// A folder text that names a folder on its own: a drive's "X:\..." or a share's "\\...".
// Anything else would be taken relative to the current folder or drive.
bool IsRootedFolder(const std::string& folder) {
    const bool drive = folder.size() >= 3 &&
                       ((folder[0] >= 'A' && folder[0] <= 'Z') || (folder[0] >= 'a' && folder[0] <= 'z')) &&
                       folder[1] == ':' && folder[2] == '\\';
    const bool share = folder.size() > 2 && folder[0] == '\\' && folder[1] == '\\';
    return drive || share;
}

bool FolderExists(const std::string& folder) {
    const DWORD attributes = ::GetFileAttributesA(folder.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

void WndMain::Apply_Click() {
    if (forms::MsgBox("No Backup feature!\r\nContinue?", forms::kMsgYesNo) != forms::kAnswerYes) {
        return;
    }

    forms::ResumeNext([&] {
        std::string keyPath = GameKeyPath;
        std::string valueName = GameFolderValue;
        buff.SetCaption(Registry::ReadRegistry(keyPath, valueName).value_or(std::string()));
    });
    forms::ResumeNext([&] {
        std::string folder = buff.Caption();
        if (!folder.empty() && folder.back() == '\\') folder.pop_back();
        buff.SetCaption(folder + "\\" + MovieFolderName + "\\");
    });

    // Nothing is deleted unless the run knows where the movies are and has the movie to
    // put in their place: a failed read, a missing folder or a missing replacement would
    // otherwise lose the movies, or touch files elsewhere, and still report success.
    const std::string folder = buff.Caption();
    const std::string replacement = forms::App::Path() + "\\" + DummyMovieFile;
    std::string refusal;
    if (!IsRootedFolder(folder)) {
        refusal = "The game's folder could not be read from the registry (PATH_VIDEO).\r\n"
                  "Is Korv Brakemoor 3 fully installed?";
    } else if (!FolderExists(folder)) {
        refusal = "The game's movie folder was not found:\r\n" + folder;
    } else if (!Fso().FileExists(replacement)) {
        refusal = "The replacement movie is missing:\r\n" + replacement;
    }
    if (!refusal.empty()) {
        forms::MsgBox(refusal + "\r\n\r\nNo file was changed.", forms::kMsgOkOnly | MB_ICONEXCLAMATION);
        return;
    }

    auto replace = [&](std::string_view name) {
        const std::string movie = buff.Caption() + std::string(name);
        forms::ResumeNext([&] { forms::SetAttr(movie, kNormalAttributes); });
        forms::ResumeNext([&] { Fso().DeleteFile(movie, true); });
        forms::ResumeNext([&] { Fso().CopyFile(replacement, movie, true); });
    };
    if (Check1.Value() == kTicked) for (auto name : kGroup1) replace(name);
    if (Check2.Value() == kTicked) for (auto name : kGroup2) replace(name);
    if (Check3.Value() == kTicked) for (auto name : kGroup3) replace(name);

    forms::MsgBox("Done!", forms::kMsgOkOnly);
    Transparency::FadeOut(*this, 0, 4.0f);
    forms::End();
}
