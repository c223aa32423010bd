// The patch run behind Apply.
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/MovieLead.h"
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

// Registry values in messages: a player sees the folder text as it is when it can be
// shown, and otherwise what kind of data the value holds.
bool Printable(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

std::string Shown(std::string text) {
    for (char& c : text) {
        if (!Printable(std::string_view(&c, 1))) c = '?';
    }
    return text;
}

// Why a movie was not replaced: each reason has its line and a paragraph that says what
// the player can do.
enum class Why {
    Held,       // the running game holds it open
    Link,       // a link or another name of a file
    Folder,     // a folder in the movie's place
    CaseTwins,  // more than one file of its name in different letter case
    TooLong,    // a path longer than Windows programs open
    Unopened,   // cannot be opened for another reason
};

// A movie the run could not replace, and what is left of it.
struct NotReplaced {
    std::string name;
    std::string whatIsLeft;
    Why why;
};

constexpr char kLeadsNowhere[] = "a link that leads nowhere, left as it is";

std::string Joined(const std::vector<std::wstring>& names) {
    std::string joined;
    for (const std::wstring& name : names) {
        joined += (joined.empty() ? "" : ", ") + MovieLead::ShownPath(name);
    }
    return joined;
}

// A movie that the run leaves as it is because of where its name leads.
NotReplaced LeftAlone(std::string_view name, const MovieLead::Movie& movie) {
    using MovieLead::Lead;
    const std::string movieName(name);
    switch (movie.lead) {
    case Lead::Elsewhere:
        return {movieName,
                std::string(movie.folder ? "a link to the folder " : "a link to ") +
                    MovieLead::ShownPath(movie.finalPath) + ", left as it is",
                Why::Link};
    case Lead::OtherNames:
        return {movieName,
                "one of " + std::to_string(movie.links) +
                    " names of the same file (a hard link), left as it is",
                Why::Link};
    case Lead::Nowhere: return {movieName, kLeadsNowhere, Why::Link};
    case Lead::Folder: return {movieName, "a folder, not a movie, left as it is", Why::Folder};
    case Lead::CaseTwins:
        return {movieName,
                std::to_string(movie.spellings.size()) + " files of this name in different letter case (" +
                    Joined(movie.spellings) + "), left as they are",
                Why::CaseTwins};
    case Lead::TooLong:
        return {movieName,
                "its path is too long to be opened (" + std::to_string(movie.pathLength) +
                    " characters, at most " + std::to_string(MovieLead::kLongestPath) +
                    "), left as it is",
                Why::TooLong};
    case Lead::Unopened:
    case Lead::Absent:
    case Lead::Here: break;
    }
    return {movieName, "cannot be opened (error " + std::to_string(movie.error) + "), left as it is",
            Why::Unopened};
}

// One movie of the run: where its name leads, and the three changes when it may be
// replaced. Nothing when it was replaced.
std::optional<NotReplaced> ReplaceMovie(const MovieLead::Folder& videoFolder, const std::string& folder,
                                        std::string_view name, const std::string& replacement,
                                        const forms::FileSystemObject& fso) {
    using MovieLead::Lead;
    MovieLead::Movie movie = MovieLead::Find(videoFolder, folder, name);
    if (movie.lead != Lead::Here && movie.lead != Lead::Absent) return LeftAlone(name, movie);
    switch (MovieLead::Replace(movie, folder + std::string(name), replacement, fso)) {
    case MovieLead::Replaced::Yes: return std::nullopt;
    case MovieLead::Replaced::KeptOldContent:
        return NotReplaced{std::string(name), "kept its old content", Why::Held};
    case MovieLead::Replaced::Missing:
        return NotReplaced{std::string(name), "missing, not replaced", Why::Held};
    case MovieLead::Replaced::Nowhere: break;
    }
    return NotReplaced{std::string(name), kLeadsNowhere, Why::Link};
}

// What a player can do about each kind of movie that was not replaced.
constexpr std::pair<Why, const char*> kAdvice[] = {
    {Why::Held,
     "A movie that the running game holds open cannot be replaced: close the game and run "
     "this program again."},
    {Why::Link,
     "A movie that is a link, or another name of a file, is left as it is, so that nothing "
     "outside the video folder changes. To have it replaced, remove the link itself and run "
     "this program again (under Wine, remove it on the Linux side: Windows programs there "
     "remove the file that it leads to)."},
    {Why::Folder,
     "A folder in a movie's place is left as it is, with everything in it. To have the movie "
     "replaced, move the folder out of the video folder and run this program again."},
    {Why::CaseTwins,
     "Where the video folder holds more than one file of a movie's name in different letter "
     "case (as a Linux disk can), the game may play any of them, so none is changed. Keep one "
     "of them, remove the others on the Linux side and run this program again."},
    {Why::TooLong,
     "Windows programs cannot open a file whose path is longer than 259 characters. To have "
     "such a movie replaced, move the game to a folder with a shorter path, point the "
     "registry value PATH_VIDEO there and run this program again."},
    {Why::Unopened,
     "A movie that cannot be opened is left as it is: see that you may change the files of "
     "the video folder, and run this program again."},
};

std::string NotReplacedReport(const std::string& folder, const std::vector<NotReplaced>& movies,
                              std::size_t ticked) {
    std::string text = "Not every movie was replaced: " + std::to_string(ticked - movies.size()) +
                       " of " + std::to_string(ticked) + " were.\r\n\r\nIn " + Shown(folder) + ":\r\n";
    for (const NotReplaced& movie : movies) text += movie.name + ": " + movie.whatIsLeft + "\r\n";
    for (const auto& [why, advice] : kAdvice) {
        if (std::any_of(movies.begin(), movies.end(), [&](const NotReplaced& m) { return m.why == why; })) {
            text += std::string("\r\n") + advice;
        }
    }
    return text;
}

std::string KindOfValue(const std::optional<Registry::StoredValue>& stored) {
    if (!stored) return "data that cannot be shown";
    switch (stored->type) {
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: return "a number (REG_DWORD)";
    case REG_QWORD: return "a number (REG_QWORD)";
    case REG_BINARY: return "binary data (REG_BINARY)";
    case REG_SZ: return "text with characters that cannot be shown (REG_SZ)";
    case REG_EXPAND_SZ: return "text with characters that cannot be shown (REG_EXPAND_SZ)";
    case REG_MULTI_SZ: return "text with characters that cannot be shown (REG_MULTI_SZ)";
    default: return "data of type " + std::to_string(stored->type);
    }
}

// Steps two to four of the run: the folder as the registry value names it, and the movie
// folder's text, held as the caption of buff. The value's text when it could be read.
std::optional<std::string> ReadMovieFolder(forms::Label& buff) {
    std::optional<std::string> value;
    forms::ResumeNext([&] {
        std::string keyPath = WndMain::GameKeyPath;
        std::string valueName = WndMain::GameFolderValue;
        const std::optional<std::string> read = Registry::ReadRegistry(keyPath, valueName);
        buff.SetCaption(FolderOfValue(read.value_or(std::string())));
        if (read && *read != kReadError) value = *read;
    });
    forms::ResumeNext([&] {
        std::string folder = buff.Caption();
        if (!folder.empty() && folder.back() == '\\') folder.pop_back();
        buff.SetCaption(folder + "\\" + WndMain::MovieFolderName + "\\");
    });
    return value;
}

// What the run needs before it changes anything: the movie folder, opened, and the
// replacement movie, held. Nothing is deleted unless the run knows where the movies are
// and has the movie to put in their place: a failed read, a missing folder or a missing
// replacement would otherwise lose the movies, or touch files elsewhere, and still report
// success. The refusal says why it cannot go on; it is empty when it can.
struct Checked {
    MovieLead::Folder videoFolder;
    forms::OwnedHandle heldReplacement;
    std::string refusal;
};

Checked Check(const std::optional<std::string>& value, const std::string& folder,
              const std::string& replacement, const forms::FileSystemObject& fso) {
    const std::string registryValue = std::string("the registry value ") + WndMain::GameFolderValue +
                                      " of the key " + WndMain::GameKeyPath;
    auto stored = [] { return Registry::ReadStoredValue(WndMain::GameKeyPath, WndMain::GameFolderValue); };
    const std::string folderPath = folder.substr(0, folder.size() - 1);  // without its "\"
    Checked checked;
    std::string& refusal = checked.refusal;
    if (!value) {
        const auto tooLong = stored();
        if (tooLong && tooLong->bytes.size() > Registry::kValueBufferBytes) {
            refusal = "The game's folder cannot be read from the registry: " + registryValue +
                      " is too long. It takes " + std::to_string(tooLong->bytes.size()) +
                      " bytes, and at most " + std::to_string(Registry::kValueBufferBytes) +
                      " can be read (254 characters and the closing NUL).";
        } else {
            refusal = "The game's folder could not be read from the registry: " + registryValue +
                      " is missing or cannot be read.\r\nIs Korv Brakemoor 3 fully installed?";
        }
    } else if (FolderOfValue(*value).empty()) {
        refusal = "The game's folder is not set: " + registryValue + " names no folder.";
    } else if (!IsRootedFolder(folder)) {
        refusal = "The game's folder in " + registryValue + " is not a full path (such as "
                  "C:\\Games\\Korv3)";
        const std::string text = FolderOfValue(*value);
        refusal += Printable(text) ? ":\r\n" + text
                                   : ": it holds " + KindOfValue(stored()) + ", not a folder's name.";
    } else if (const std::size_t length = MovieLead::Widen(folderPath).size();
               length > MovieLead::kLongestPath) {
        refusal = "The game's movie folder cannot be opened: its path is too long (" +
                  std::to_string(length) + " characters, at most " +
                  std::to_string(MovieLead::kLongestPath) + "):\r\n" + Shown(folder) + "\r\n(from " +
                  registryValue + ")";
    } else if (!FolderExists(folderPath)) {
        refusal = "The game's movie folder was not found:\r\n" + Shown(folder) + "\r\n(from " +
                  registryValue + ")";
    } else if ((checked.videoFolder = MovieLead::Folder::Open(folderPath)).Error() != ERROR_SUCCESS) {
        refusal = "The game's movie folder cannot be opened:\r\n" + Shown(folder);
    } else if (!fso.FileExists(replacement)) {
        refusal = "The replacement movie is missing:\r\n" + replacement;
    } else if (!(checked.heldReplacement = HoldReadable(replacement))) {
        refusal = "The replacement movie cannot be read (is another program using it?):\r\n" +
                  replacement;
    }
    return checked;
}

}  // namespace

void WndMain::Apply_Click() {
    if (forms::MsgBox("No Backup feature!\r\nContinue?", forms::kMsgYesNo) != forms::kAnswerYes) {
        return;
    }
    const std::optional<std::string> value = ReadMovieFolder(buff);
    const std::string folder = buff.Caption();
    const std::string replacement = forms::App::Path() + "\\" + DummyMovieFile;

    Checked checked = Check(value, folder, replacement, Fso());
    if (!checked.refusal.empty()) {
        forms::MsgBox(checked.refusal + "\r\n\r\nNo file was changed.",
                      forms::kMsgOkOnly | MB_ICONEXCLAMATION);
        return;
    }

    std::size_t ticked = 0;
    std::vector<NotReplaced> notReplaced;
    auto replace = [&](std::string_view name) {
        ++ticked;
        auto missed = ReplaceMovie(checked.videoFolder, buff.Caption(), name, replacement, Fso());
        if (missed) notReplaced.push_back(std::move(*missed));
    };
    if (Check1.Value() == kTicked) for (auto name : kGroup1) replace(name);
    if (Check2.Value() == kTicked) for (auto name : kGroup2) replace(name);
    if (Check3.Value() == kTicked) for (auto name : kGroup3) replace(name);
    checked = Checked{};  // the folder and the replacement are let go before the report

    if (notReplaced.empty()) {
        forms::MsgBox("Done!", forms::kMsgOkOnly);
    } else {
        forms::MsgBox(NotReplacedReport(folder, notReplaced, ticked),
                      forms::kMsgOkOnly | MB_ICONEXCLAMATION);
    }
    Transparency::FadeOut(*this, 0, 4.0f);
    forms::End();
}
