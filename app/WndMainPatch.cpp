// The patch run behind Apply.
#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "app/Registry.h"
#include "app/WndMain.h"
#include "forms/Files.h"
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

// Where a movie's name leads, found before anything of it is changed. Under Wine a movie
// can be a Unix link that its attributes do not show, and every call that changes a file
// through such a name (attributes, delete, rename, overwrite) changes the file it leads to,
// outside the folder, while the link stays; nor can a Windows program remove the link
// itself. So only a name that is the movie itself in the video folder is touched.
enum class Lead {
    Absent,      // nothing of this name can be seen or opened
    Here,        // a file (or a folder) of the video folder, by this name only
    Elsewhere,   // opens a file or folder by another path: a link
    OtherNames,  // a file with more names than this one (a hard link)
    Nowhere,     // a name that is there but opens nothing: a link to a missing file
    Unknown,     // cannot be opened for another reason
};

struct MovieLead {
    Lead lead = Lead::Absent;
    forms::OpenedName opened;
};

MovieLead FindLead(const std::string& path, const std::wstring& expectedFinalPath) {
    MovieLead found{Lead::Absent, forms::OpenName(path)};
    const forms::OpenedName& opened = found.opened;
    if (opened.error == ERROR_FILE_NOT_FOUND || opened.error == ERROR_PATH_NOT_FOUND) {
        // Windows shows a link to a missing file by its own attributes; Wine shows
        // nothing of it, and only creating the name finds it (see CreateMovie).
        found.lead = ::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? Lead::Absent
                                                                                 : Lead::Nowhere;
    } else if (opened.error != ERROR_SUCCESS) {
        found.lead = Lead::Unknown;
    } else if (!forms::SameFinalPath(opened.finalPath, expectedFinalPath)) {
        found.lead = Lead::Elsewhere;
    } else if (!opened.folder && opened.links > 1) {
        found.lead = Lead::OtherNames;
    } else {
        found.lead = Lead::Here;
    }
    return found;
}

std::wstring Widen(std::string_view text) {
    const int size = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
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

// A movie the run could not replace, and what is left of it.
struct NotReplaced {
    std::string name;
    std::string whatIsLeft;
    bool leftAlone;  // a link or a file of more names: not touched at all
};

std::string WhatIsLeft(const MovieLead& found) {
    switch (found.lead) {
    case Lead::Elsewhere:
        return std::string(found.opened.folder ? "a link to the folder " : "a link to ") +
               forms::ShownFinalPath(found.opened.finalPath) + ", left as it is";
    case Lead::OtherNames:
        return "one of " + std::to_string(found.opened.links) +
               " names of the same file (a hard link), left as it is";
    case Lead::Nowhere: return "a link that leads nowhere, left as it is";
    case Lead::Unknown: return "cannot be opened to find where it leads, left as it is";
    case Lead::Absent:
    case Lead::Here: break;
    }
    return {};
}

std::string NotReplacedReport(const std::string& folder, const std::vector<NotReplaced>& movies,
                              std::size_t ticked) {
    std::string text = "Not every movie was replaced: " + std::to_string(ticked - movies.size()) +
                       " of " + std::to_string(ticked) + " were.\r\n\r\nIn " + Shown(folder) + ":\r\n";
    bool held = false;
    bool leftAlone = false;
    for (const NotReplaced& movie : movies) {
        text += movie.name + ": " + movie.whatIsLeft + "\r\n";
        (movie.leftAlone ? leftAlone : held) = true;
    }
    if (held) {
        text += "\r\nA movie that the running game holds open cannot be replaced: close the game "
                "and run this program again.";
    }
    if (leftAlone) {
        text += "\r\nA movie that is a link, or another name of a file, is left as it is, so that "
                "nothing outside the video folder changes. To have it replaced, remove the link "
                "itself and run this program again (under Wine, remove it on the Linux side: "
                "Windows programs there remove the file that it leads to).";
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
    auto stored = [] { return Registry::ReadStoredValue(GameKeyPath, GameFolderValue); };
    forms::OwnedHandle heldReplacement;
    forms::OpenedName openedFolder;
    std::string refusal;
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
    } else if (!FolderExists(folder)) {
        refusal = "The game's movie folder was not found:\r\n" + Shown(folder) + "\r\n(from " +
                  registryValue + ")";
    } else if ((openedFolder = forms::OpenName(folder.substr(0, folder.size() - 1))).error !=
               ERROR_SUCCESS) {
        refusal = "The game's movie folder cannot be opened:\r\n" + Shown(folder);
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
        const MovieLead found = FindLead(movie, openedFolder.finalPath + L"\\" + Widen(name));
        if (found.lead != Lead::Here && found.lead != Lead::Absent) {
            notReplaced.push_back({std::string(name), WhatIsLeft(found), true});
            return;
        }
        bool deleted = false;
        if (found.lead == Lead::Here) {
            forms::ResumeNext([&] { forms::SetAttr(movie, kNormalAttributes); });
            deleted = forms::ResumeNext([&] { Fso().DeleteFile(movie, true); });
        }
        // Only the movie itself, still there because it could not be deleted, is written
        // over. Any other name is made new, which fails where something is in the way
        // instead of writing through it: under Wine a link to a missing file is found so.
        const bool overwrite = found.lead == Lead::Here && !deleted;
        const int copyError = forms::ResumeNextErr([&] { Fso().CopyFile(replacement, movie, overwrite); });
        if (copyError == 0) return;
        if (found.lead == Lead::Absent && copyError == forms::kErrFileExists) {
            notReplaced.push_back({std::string(name), WhatIsLeft({Lead::Nowhere, {}}), true});
        } else {
            const bool missing = deleted || found.lead == Lead::Absent;
            notReplaced.push_back(
                {std::string(name), missing ? "missing, not replaced" : "kept its old content", false});
        }
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
