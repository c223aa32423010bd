// The patch run behind Apply.
#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "app/Registry.h"
#include "app/WndMain.h"
#include "forms/Handles.h"
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
// What the registry reader gives when the key or the value cannot be read.
constexpr char kReadError[] = "Error";

// The folder as the registry value names it. Every file call stops at a NUL, so a value
// with one inside (a multi-string, or NUL padding counted in its length) names only what
// comes before it; checking the whole text while the calls see the part before the NUL
// would send them to the wrong folder. Windows takes "/" as a separator too.
std::string FolderOfValue(std::string value) {
    const auto nul = value.find('\0');
    if (nul != std::string::npos) value.resize(nul);
    std::replace(value.begin(), value.end(), '/', '\\');
    return value;
}

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

bool PathExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Opens the replacement movie and reads it through, so that a locked or unreadable file
// is found before the first movie is deleted. The handle is kept for the run and lets
// others only read, so the file cannot be changed or removed while movies are replaced.
// Empty when the file cannot be opened or read.
forms::OwnedHandle HoldReadable(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    forms::OwnedHandle held(file);
    std::vector<char> chunk(1 << 20);
    DWORD got = 0;
    do {
        if (!::ReadFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) return {};
    } while (got != 0);
    return held;
}

// A movie the run could not replace, and what is left of it.
struct NotReplaced {
    std::string name;
    bool missing;  // removed (or never there) and not replaced; otherwise it kept its old content
};

std::string NotReplacedReport(const std::string& folder, const std::vector<NotReplaced>& movies,
                              std::size_t ticked) {
    std::string text = "Not every movie was replaced: " + std::to_string(ticked - movies.size()) +
                       " of " + std::to_string(ticked) + " were.\r\n\r\nIn " + folder + ":\r\n";
    for (const NotReplaced& movie : movies) {
        text += movie.name + (movie.missing ? ": missing, not replaced" : ": kept its old content");
        text += "\r\n";
    }
    text += "\r\nA movie that the running game holds open cannot be replaced: close the game "
            "and run this program again.";
    return text;
}

}  // namespace

void WndMain::Apply_Click() {
    if (forms::MsgBox("No Backup feature!\r\nContinue?", forms::kMsgYesNo) != forms::kAnswerYes) {
        return;
    }

    std::optional<std::string> value;  // the registry value's text, when it could be read
    forms::ResumeNext([&] {
        std::string keyPath = GameKeyPath;
        std::string valueName = GameFolderValue;
        const std::optional<std::string> read = Registry::ReadRegistry(keyPath, valueName);
        buff.SetCaption(FolderOfValue(read.value_or(std::string())));
        if (read && *read != kReadError) value = *read;
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
    const std::string registryValue =
        std::string("the registry value ") + GameFolderValue + " of the key " + GameKeyPath;
    forms::OwnedHandle heldReplacement;
    std::string refusal;
    if (!value) {
        refusal = "The game's folder could not be read from the registry: " + registryValue +
                  " is missing or cannot be read.\r\nIs Korv Brakemoor 3 fully installed?";
    } else if (FolderOfValue(*value).empty()) {
        refusal = "The game's folder is not set: " + registryValue + " names no folder.";
    } else if (!IsRootedFolder(folder)) {
        refusal = "The game's folder in " + registryValue + " is not a full path (such as "
                  "C:\\Games\\Korv3):\r\n" + FolderOfValue(*value);
    } else if (!FolderExists(folder)) {
        refusal = "The game's movie folder was not found:\r\n" + folder + "\r\n(from " +
                  registryValue + ")";
    } else if (!Fso().FileExists(replacement)) {
        refusal = "The replacement movie is missing:\r\n" + replacement;
    } else if (!(heldReplacement = HoldReadable(replacement))) {
        refusal = "The replacement movie cannot be read (is another program using it?):\r\n" +
                  replacement;
    }
    if (!refusal.empty()) {
        forms::MsgBox(refusal + "\r\n\r\nNo file was changed.", forms::kMsgOkOnly | MB_ICONEXCLAMATION);
        return;
    }

    std::size_t ticked = 0;
    std::vector<NotReplaced> notReplaced;
    auto replace = [&](std::string_view name) {
        ++ticked;
        const std::string movie = buff.Caption() + std::string(name);
        const bool wasThere = PathExists(movie);
        forms::ResumeNext([&] { forms::SetAttr(movie, kNormalAttributes); });
        const bool deleted = forms::ResumeNext([&] { Fso().DeleteFile(movie, true); });
        const bool copied = forms::ResumeNext([&] { Fso().CopyFile(replacement, movie, true); });
        if (!copied) notReplaced.push_back({std::string(name), deleted || !wasThere});
    };
    if (Check1.Value() == kTicked) for (auto name : kGroup1) replace(name);
    if (Check2.Value() == kTicked) for (auto name : kGroup2) replace(name);
    if (Check3.Value() == kTicked) for (auto name : kGroup3) replace(name);
    heldReplacement.Reset();

    if (notReplaced.empty()) {
        forms::MsgBox("Done!", forms::kMsgOkOnly);
    } else {
        forms::MsgBox(NotReplacedReport(folder, notReplaced, ticked),
                      forms::kMsgOkOnly | MB_ICONEXCLAMATION);
    }
    Transparency::FadeOut(*this, 0, 4.0f);
    forms::End();
}
