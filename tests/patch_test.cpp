// The patch run behind Apply, on a real folder and the real registry value.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/MovieLead.h"
#include "app/WndMain.h"
#include "forms/Runtime.h"
#include "unix_links.h"

namespace {

const std::vector<std::string> kAllMovies = {
    "intel_e.bik",     "intel_f.bik",     "intel_g.bik",     "nVid.bik",
    "Intr_dtm_e.bik",  "Intr_dtm_f.bik",  "Intr_dtm_g.bik",  "Intr_dtm_i.bik",
    "Intr_dtm_s.bik",  "Intr_korv_e.bik", "Intr_korv_f.bik", "Intr_korv_g.bik",
    "Intr_korv_i.bik", "Intr_korv_s.bik", "Intr_v8_e.bik",   "Intr_v8_f.bik",
    "Intr_v8_g.bik",   "Intr_v8_i.bik",   "Intr_v8_s.bik"};
const std::vector<std::string> kOutsideFiles = {"korv3.exe", "intel_e.bik", "nVid.bik"};
constexpr char kGameKey[] = "SOFTWARE\\Hollenbrisk\\Brakemoor 3";
constexpr char kValueAndKey[] =
    "PATH_VIDEO of the key HKEY_LOCAL_MACHINE\\SOFTWARE\\Hollenbrisk\\Brakemoor 3";
constexpr char kOriginal[] = "original movie";
constexpr char kReplacement[] = "replacement";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream(path, std::ios::binary) << text;
}

// A registry value as stored: its type and its bytes.
struct RegValue {
    DWORD type;
    std::string bytes;
};

RegValue Raw(DWORD type, const std::string& bytes) { return {type, bytes}; }
// A text value with its terminating NUL.
RegValue Sz(const std::string& text) { return Raw(REG_SZ, text + std::string(1, '\0')); }

std::string WithSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// The paragraphs of a closing message that follow its list of movies: what the player can do.
constexpr char kHeldAdvice[] = "A movie that the running game holds open";
constexpr char kLinkAdvice[] = "A movie that is a link";
constexpr char kFolderAdvice[] = "A folder in a movie's place";
constexpr char kCaseAdvice[] = "Where the video folder holds more than one file of a movie's name";
constexpr char kTooLongAdvice[] = "Windows programs cannot open a file whose path is longer than 259";

void ExpectAdvice(const std::string& report, const std::vector<std::string>& starts) {
    std::vector<std::string> paragraphs;
    const auto list = report.find("\r\n\r\nIn ");
    auto at = report.find("\r\n\r\n", list == std::string::npos ? 0 : list + 4);
    for (at = at == std::string::npos ? report.size() : at + 4; at < report.size();) {
        const auto end = std::min(report.find("\r\n", at), report.size());
        paragraphs.push_back(report.substr(at, end - at));
        at = end + 2;
    }
    ASSERT_EQ(paragraphs.size(), starts.size()) << report;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        EXPECT_EQ(paragraphs[i].substr(0, starts[i].size()), starts[i]) << report;
    }
}

// Another process that holds a file open with the given sharing, as a running game holds
// its movies: a suspended child that inherited the handle. Ends the child when it goes.
class HeldByAnotherProcess {
public:
    HeldByAnotherProcess(const std::string& path, DWORD share) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, share, &inherit, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
        if (file == INVALID_HANDLE_VALUE) return;
        char command[] = "C:\\windows\\system32\\cmd.exe";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        EXPECT_TRUE(::CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                                     nullptr, nullptr, &startup, &child_));
        ::CloseHandle(file);
    }
    ~HeldByAnotherProcess() { Release(); }
    HeldByAnotherProcess(const HeldByAnotherProcess&) = delete;
    HeldByAnotherProcess& operator=(const HeldByAnotherProcess&) = delete;

    void Release() {
        if (child_.hProcess == nullptr) return;
        ::TerminateProcess(child_.hProcess, 0);
        ::WaitForSingleObject(child_.hProcess, 10000);
        ::CloseHandle(child_.hThread);
        ::CloseHandle(child_.hProcess);
        child_ = {};
    }

private:
    PROCESS_INFORMATION child_{};
};

class PatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        game_ = std::string(temp) + "korv3-patch-" + std::to_string(::GetCurrentProcessId()) + "-Korv3";
        video_ = game_ + "\\video\\";
        ::CreateDirectoryA(game_.c_str(), nullptr);
        ::CreateDirectoryA(video_.c_str(), nullptr);
        for (const auto& movie : kAllMovies) WriteFile(video_ + movie, kOriginal);
        // Another install whose folder is the game's without its last character, as a
        // value read one character short would name it.
        sibling_ = game_.substr(0, game_.size() - 1);
        ::CreateDirectoryA(sibling_.c_str(), nullptr);
        ::CreateDirectoryA((sibling_ + "\\video").c_str(), nullptr);
        for (const auto& movie : kAllMovies) WriteFile(sibling_ + "\\video\\" + movie, kOriginal);
        // Files beside the video folder that the run must never touch, some named like
        // movies, and a game folder with attributes of its own.
        for (const auto& name : kOutsideFiles) WriteFile(game_ + "\\" + name, kOriginal);
        ::SetFileAttributesA((game_ + "\\" + kOutsideFiles[0]).c_str(), FILE_ATTRIBUTE_READONLY);
        ::SetFileAttributesA(game_.c_str(), FILE_ATTRIBUTE_HIDDEN);
        outsideBefore_ = Outside();
        dummy_ = forms::App::Path() + "\\qx-vlm5.dat";
        WriteFile(dummy_, kReplacement);
        SetGameFolder(game_);

        forms::Hooks().messageBox = [this](const std::string& text, UINT style) {
            boxes_.push_back(text);
            return style == forms::kMsgYesNo ? answer_ : IDOK;
        };
        forms::Hooks().end = [this] { ended_ = true; };
        window_ = std::make_unique<WndMain>();
    }
    void TearDown() override {
        window_.reset();
        forms::Hooks() = {};
        for (const auto& movie : kAllMovies) {
            ::SetFileAttributesA((video_ + movie).c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA((video_ + movie).c_str());
        }
        ::RemoveDirectoryA((video_ + "nVid.bik").c_str());
        ::RemoveDirectoryA(video_.c_str());
        for (const auto& name : kOutsideFiles) {
            ::SetFileAttributesA((game_ + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA((game_ + "\\" + name).c_str());
        }
        ::SetFileAttributesA(game_.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::RemoveDirectoryA(game_.c_str());
        for (const auto& movie : kAllMovies) ::DeleteFileA((sibling_ + "\\video\\" + movie).c_str());
        ::RemoveDirectoryA((sibling_ + "\\video").c_str());
        ::RemoveDirectoryA(sibling_.c_str());
        ::DeleteFileA(dummy_.c_str());
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kGameKey);
    }

    static void SetGameFolder(const std::optional<RegValue>& value) {
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kGameKey);
        if (!value) return;
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGameKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(key, "PATH_VIDEO", 0, value->type,
                         reinterpret_cast<const BYTE*>(value->bytes.data()),
                         static_cast<DWORD>(value->bytes.size()));
        ::RegCloseKey(key);
    }
    static void SetGameFolder(const std::string& folder) { SetGameFolder(Sz(folder)); }

    // The game folder's attributes, every file beside the video folder (content and
    // attributes) and the other install's movies.
    std::vector<std::string> Outside() const {
        std::vector<std::string> state{std::to_string(::GetFileAttributesA(game_.c_str()))};
        for (const auto& name : kOutsideFiles) {
            const std::string path = game_ + "\\" + name;
            state.push_back(name + " " + ReadFile(path) + " " +
                            std::to_string(::GetFileAttributesA(path.c_str())));
        }
        for (const auto& movie : kAllMovies) {
            state.push_back("other install's " + movie + " " + ReadFile(sibling_ + "\\video\\" + movie));
        }
        return state;
    }
    void ExpectOutsideUnchanged() const { EXPECT_EQ(Outside(), outsideBefore_); }

    // A folder beside the game's whose path takes `length` characters (not made here).
    std::string FolderOfLength(std::size_t length) const {
        std::string path = game_ + "-long-";
        EXPECT_LT(path.size(), length);
        path.append(length > path.size() ? length - path.size() : 0, 'x');
        return path;
    }
    // Paths longer than the file calls take, spelled so that the system takes them whole.
    static std::wstring Unlimited(const std::string& path) { return L"\\\\?\\" + MovieLead::Widen(path); }
    static bool WriteUnlimited(const std::string& path, const std::string& text) {
        HANDLE file = ::CreateFileW(Unlimited(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        forms::OwnedHandle owned(file);
        DWORD written = 0;
        return ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
               written == text.size();
    }
    static std::string ReadUnlimited(const std::string& path) {
        HANDLE file = ::CreateFileW(Unlimited(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return "<missing>";
        forms::OwnedHandle owned(file);
        std::string text(1024, '\0');
        DWORD got = 0;
        ::ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
        text.resize(got);
        return text;
    }
    // A game folder (and its video folder) with the 19 movies, at any length of path.
    static testing::AssertionResult LayOutGame(const std::string& game) {
        if (!::CreateDirectoryW(Unlimited(game).c_str(), nullptr) ||
            !::CreateDirectoryW(Unlimited(game + "\\video").c_str(), nullptr)) {
            return testing::AssertionFailure() << "cannot make " << game << "\\video";
        }
        for (const auto& movie : kAllMovies) {
            if (!WriteUnlimited(game + "\\video\\" + movie, kOriginal)) {
                return testing::AssertionFailure() << "cannot write " << movie;
            }
        }
        return testing::AssertionSuccess();
    }
    static void RemoveGame(const std::string& game) {
        for (const auto& movie : kAllMovies) ::DeleteFileW(Unlimited(game + "\\video\\" + movie).c_str());
        ::RemoveDirectoryW(Unlimited(game + "\\video").c_str());
        ::RemoveDirectoryW(Unlimited(game).c_str());
    }

    // Runs Apply; End() during the run shows as ended_.
    void Apply() {
        try {
            window_->Apply_Click();
        } catch (const forms::EndRequested&) {
        }
    }
    std::vector<std::string> Contents() const {
        std::vector<std::string> contents;
        for (const auto& movie : kAllMovies) contents.push_back(ReadFile(video_ + movie));
        return contents;
    }
    static std::vector<std::string> Expect(int replacedFrom, int replacedTo) {
        std::vector<std::string> contents;
        for (int i = 0; i < static_cast<int>(kAllMovies.size()); ++i) {
            contents.push_back(i >= replacedFrom && i < replacedTo ? kReplacement : kOriginal);
        }
        return contents;
    }

    std::string game_, video_, sibling_, dummy_;
    std::vector<std::string> outsideBefore_;
    std::vector<std::string> boxes_;
    int answer_ = IDYES;
    bool ended_ = false;
    std::unique_ptr<WndMain> window_;
};

TEST_F(PatchTest, YesReplacesEveryTickedMovieReportsDoneAndEnds) {
    // Read-only, hidden and system movies are replaced too.
    ::SetFileAttributesA((video_ + "intel_f.bik").c_str(), FILE_ATTRIBUTE_READONLY);
    ::SetFileAttributesA((video_ + "Intr_v8_s.bik").c_str(),
                         FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    ::DeleteFileA((video_ + "nVid.bik").c_str());  // a missing movie is made anew
    Apply();
    EXPECT_EQ(Contents(), std::vector<std::string>(kAllMovies.size(), kReplacement));
    EXPECT_EQ(boxes_, (std::vector<std::string>{"No Backup feature!\r\nContinue?", "Done!"}));
    EXPECT_EQ(window_->buff.Caption(), game_ + "\\video\\");
    EXPECT_TRUE(ended_);
    EXPECT_FALSE(window_->Visible());  // faded out and hidden before the end
    ExpectOutsideUnchanged();
}

TEST_F(PatchTest, NoChangesNothing) {
    answer_ = IDNO;
    Apply();
    EXPECT_EQ(Contents(), Expect(0, 0));
    EXPECT_EQ(boxes_.size(), 1u);
    EXPECT_FALSE(ended_);
    EXPECT_EQ(window_->buff.Caption(), "Label3");  // the registry was not even read
}

TEST_F(PatchTest, OnlyGroupsTickedExactlyOnceCount) {
    struct Case {
        int check1, check2, check3;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {1, 0, 0, Expect(0, 3)},
        {2, 1, 0, Expect(3, 4)},  // greyed is not ticked
        {0, 0, 1, Expect(4, 19)},
        {0, 0, 0, Expect(0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.check1 << c.check2 << c.check3);
        for (const auto& movie : kAllMovies) WriteFile(video_ + movie, kOriginal);
        boxes_.clear();
        ended_ = false;
        window_ = std::make_unique<WndMain>();
        window_->Check1.SetValue(c.check1);
        window_->Check2.SetValue(c.check2);
        window_->Check3.SetValue(c.check3);
        Apply();
        EXPECT_EQ(Contents(), c.expected);
        EXPECT_EQ(boxes_.back(), "Done!");
        EXPECT_TRUE(ended_);
    }
}

// Values that name the game folder, however they spell it: the run works in its video
// folder and touches nothing beside it.
TEST_F(PatchTest, OneTrailingBackslashIsDropped) {
    const std::string nul(1, '\0');
    struct Case {
        const char* what;
        RegValue value;
        std::string folder;  // the folder text of the run
    };
    const Case cases[] = {
        {"plain", Sz(game_), game_ + "\\video\\"},
        // Stored without its NUL, the value loses no character of its own.
        {"binary without a NUL", Raw(REG_BINARY, game_), game_ + "\\video\\"},
        {"binary with its NUL", Raw(REG_BINARY, game_ + nul), game_ + "\\video\\"},
        {"text without its NUL", Raw(REG_SZ, game_), game_ + "\\video\\"},
        {"trailing backslash", Sz(game_ + "\\"), game_ + "\\video\\"},
        {"two trailing backslashes", Sz(game_ + "\\\\"), game_ + "\\\\video\\"},  // only one goes
        // Every file call stops at a NUL: the text is cut there before anything else.
        {"multi-string", Raw(REG_MULTI_SZ, game_ + nul + "D:\\Other" + nul + nul), game_ + "\\video\\"},
        {"length counts NUL padding", Raw(REG_SZ, game_ + nul + nul + nul + nul), game_ + "\\video\\"},
        {"text after a NUL", Raw(REG_SZ, game_ + nul + "\\video\\" + nul), game_ + "\\video\\"},
        {"forward slashes", Sz(WithSlashes(game_)), game_ + "\\video\\"},
        {"forward slash last", Sz(WithSlashes(game_) + "/"), game_ + "\\video\\"},
        {"\"..\" inside", Sz(game_ + "\\video\\.."), game_ + "\\video\\..\\video\\"},
        {"long-path prefix", Sz("\\\\?\\" + game_), "\\\\?\\" + game_ + "\\video\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetGameFolder(c.value);
        for (const auto& movie : kAllMovies) WriteFile(video_ + movie, kOriginal);
        boxes_.clear();
        window_ = std::make_unique<WndMain>();
        Apply();
        EXPECT_EQ(window_->buff.Caption(), c.folder);
        EXPECT_EQ(Contents(), std::vector<std::string>(kAllMovies.size(), kReplacement));
        ASSERT_FALSE(boxes_.empty());
        EXPECT_EQ(boxes_.back(), "Done!");
        ExpectOutsideUnchanged();
    }
}

TEST_F(PatchTest, WithoutAFolderOrAReplacementNothingIsTouched) {
    const std::string nul(1, '\0');
    const std::string valueAndKey = std::string("the registry value ") + kValueAndKey;
    // The longest value that can be read, naming a game folder that is there: its movie
    // folder's path takes 260 characters, one more than the file calls open.
    const std::string longGame = FolderOfLength(254);
    ASSERT_TRUE(LayOutGame(longGame));
    struct Case {
        const char* what;
        std::optional<RegValue> registryValue;
        enum { Present, Removed, HeldElsewhere } replacement;
        std::string messageStart;
        bool namesTheValue;  // the message names the registry value and its key
    };
    const Case cases[] = {
        {"no registry value", std::nullopt, Case::Present,
         "The game's folder could not be read from the registry: " + valueAndKey +
             " is missing or cannot be read.",
         true},
        // The value is there, only longer than the reader takes.
        {"a value too long to be read", Sz("C:\\" + std::string(300, 'x')), Case::Present,
         "The game's folder cannot be read from the registry: " + valueAndKey +
             " is too long. It takes 304 bytes, and at most 255 can be read",
         true},
        {"an empty value", Sz(""), Case::Present, "The game's folder is not set", true},
        {"a NUL first", Sz(nul + game_), Case::Present, "The game's folder is not set", true},
        {"a relative folder", Sz("Games\\Korv"), Case::Present,
         "The game's folder in " + valueAndKey + " is not a full path (such as C:\\Games\\Korv3):\r\nGames\\Korv",
         true},
        {"a folder relative to a drive", Sz("C:Games\\Korv"), Case::Present,
         "The game's folder in the registry value PATH_VIDEO", true},
        // Data that is no text is named by its kind, never shown as raw bytes.
        {"a number", Raw(REG_DWORD, std::string("\x01\0\0\0", 4)), Case::Present,
         "The game's folder in " + valueAndKey +
             " is not a full path (such as C:\\Games\\Korv3): it holds a number (REG_DWORD), "
             "not a folder's name.",
         true},
        {"binary data", Raw(REG_BINARY, "\x07\x1b\x02"), Case::Present,
         "The game's folder in " + valueAndKey +
             " is not a full path (such as C:\\Games\\Korv3): it holds binary data (REG_BINARY)",
         true},
        {"no such folder", Sz("C:\\NoSuchGame"), Case::Present,
         "The game's movie folder was not found", true},
        {"no such folder, named with a control character", Sz("C:\\No\tSuch\x01Game"), Case::Present,
         "The game's movie folder was not found:\r\nC:\\No?Such?Game\\video\\", true},
        {"a share that is not there", Sz("\\\\nosuchserver\\share\\Korv3"), Case::Present,
         "The game's movie folder was not found", true},
        {"\"..\" to a folder without movies", Sz(game_ + "\\.."), Case::Present,
         "The game's movie folder was not found", true},
        {"no replacement movie", Sz(game_), Case::Removed, "The replacement movie is missing", false},
        {"a replacement held by another program", Sz(game_), Case::HeldElsewhere,
         "The replacement movie cannot be read", false},
        {"a movie folder whose path is too long", Sz(longGame), Case::Present,
         "The game's movie folder cannot be opened: its path is too long (260 characters, at "
         "most 259):\r\n" + longGame + "\\video\\\r\n(from " + valueAndKey + ")",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetGameFolder(c.registryValue);
        if (c.replacement == Case::Removed) ::DeleteFileA(dummy_.c_str());
        std::optional<HeldByAnotherProcess> holder;
        if (c.replacement == Case::HeldElsewhere) holder.emplace(dummy_, 0);
        boxes_.clear();
        ended_ = false;
        window_ = std::make_unique<WndMain>();
        Apply();
        holder.reset();
        EXPECT_EQ(Contents(), Expect(0, 0));
        ExpectOutsideUnchanged();
        ASSERT_EQ(boxes_.size(), 2u);
        EXPECT_EQ(boxes_[1].rfind(c.messageStart, 0), 0u) << boxes_[1];
        EXPECT_EQ(boxes_[1].find(kValueAndKey) != std::string::npos, c.namesTheValue) << boxes_[1];
        EXPECT_NE(boxes_[1].find("No file was changed."), std::string::npos);
        // Only line breaks and printable text reach the player.
        EXPECT_TRUE(std::all_of(boxes_[1].begin(), boxes_[1].end(), [](char ch) {
            return ch == '\r' || ch == '\n' || static_cast<unsigned char>(ch) >= 0x20;
        })) << boxes_[1];
        EXPECT_FALSE(ended_);  // the window stays; Apply can be pressed again
        WriteFile(dummy_, kReplacement);
    }
    for (const auto& movie : kAllMovies) {
        EXPECT_EQ(ReadUnlimited(longGame + "\\video\\" + movie), kOriginal) << movie;
    }
    RemoveGame(longGame);
}

// "Done!" only when every ticked movie was replaced; otherwise the closing message lists
// each movie that was not, with what is left of it, and the others are replaced.
TEST_F(PatchTest, MoviesThatCannotBeReplacedAreListed) {
    enum class Obstacle {
        HeldOpen,          // the running game plays it: neither deleted nor overwritten
        HeldDeletable,     // held open with delete sharing: deleted, but not replaced
        FolderInItsPlace,  // a folder of the movie's name
    };
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, Obstacle>> obstacles;
        std::vector<std::string> listed;  // the closing message's lines, in run order
        std::vector<std::string> advice;  // the paragraphs after them, as they begin
    };
    const std::string folder = "a folder, not a movie, left as it is";
    const Case cases[] = {
        {"held open by another program", {{"intel_g.bik", Obstacle::HeldOpen}},
         {"intel_g.bik: kept its old content"}, {kHeldAdvice}},
        // A folder is no movie that the game holds open: it is named as what it is.
        {"a folder in its place", {{"nVid.bik", Obstacle::FolderInItsPlace}},
         {"nVid.bik: " + folder}, {kFolderAdvice}},
        {"deleted but not replaced", {{"Intr_dtm_i.bik", Obstacle::HeldDeletable}},
         {"Intr_dtm_i.bik: missing, not replaced"}, {kHeldAdvice}},
        {"all three",
         {{"Intr_v8_s.bik", Obstacle::HeldOpen},
          {"intel_e.bik", Obstacle::HeldDeletable},
          {"nVid.bik", Obstacle::FolderInItsPlace}},
         {"intel_e.bik: missing, not replaced", "nVid.bik: " + folder,
          "Intr_v8_s.bik: kept its old content"},
         {kHeldAdvice, kFolderAdvice}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& movie : kAllMovies) WriteFile(video_ + movie, kOriginal);
        std::vector<std::unique_ptr<HeldByAnotherProcess>> holders;
        std::vector<std::string> expected(kAllMovies.size(), kReplacement);
        for (const auto& [name, obstacle] : c.obstacles) {
            const std::string path = video_ + name;
            const auto index = std::find(kAllMovies.begin(), kAllMovies.end(), name) - kAllMovies.begin();
            switch (obstacle) {
            case Obstacle::HeldOpen:
                holders.push_back(std::make_unique<HeldByAnotherProcess>(path, FILE_SHARE_READ));
                expected[index] = kOriginal;
                break;
            case Obstacle::HeldDeletable:
                holders.push_back(std::make_unique<HeldByAnotherProcess>(
                    path, FILE_SHARE_READ | FILE_SHARE_DELETE));
                expected[index] = "<missing>";
                break;
            case Obstacle::FolderInItsPlace:
                ::DeleteFileA(path.c_str());
                ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr));
                ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
                expected[index] = "<hidden folder>";  // left as it is, attributes too
                break;
            }
        }
        boxes_.clear();
        ended_ = false;
        window_ = std::make_unique<WndMain>();
        Apply();
        holders.clear();  // the game ends: a deleted movie is gone for good

        std::vector<std::string> contents = Contents();
        for (std::size_t i = 0; i < kAllMovies.size(); ++i) {
            const DWORD attributes = ::GetFileAttributesA((video_ + kAllMovies[i]).c_str());
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                contents[i] = attributes & FILE_ATTRIBUTE_HIDDEN ? "<hidden folder>" : "<folder>";
            }
        }
        EXPECT_EQ(contents, expected);
        ExpectOutsideUnchanged();

        ASSERT_EQ(boxes_.size(), 2u);
        const std::string& report = boxes_[1];
        const std::size_t replaced = kAllMovies.size() - c.listed.size();
        EXPECT_EQ(report.rfind("Not every movie was replaced: " + std::to_string(replaced) +
                                   " of 19 were.\r\n\r\nIn " + video_ + ":\r\n",
                               0),
                  0u)
            << report;
        std::string lines;
        for (const auto& line : c.listed) lines += line + "\r\n";
        EXPECT_NE(report.find(":\r\n" + lines + "\r\n"), std::string::npos) << report;
        ExpectAdvice(report, c.advice);
        EXPECT_TRUE(ended_);  // the fade-out and the end follow as after "Done!"
        EXPECT_FALSE(window_->Visible());
        ::SetFileAttributesA((video_ + "nVid.bik").c_str(), FILE_ATTRIBUTE_NORMAL);
        ::RemoveDirectoryA((video_ + "nVid.bik").c_str());
    }
}

// Under Wine a movie can be a Unix link, which its attributes do not show, and whatever
// changes a file through such a name changes the file it leads to. A movie whose name leads
// elsewhere is left as it is and named in the closing message; what it leads to stays as
// it was, and the other movies are replaced.
TEST_F(PatchTest, MoviesThatLeadElsewhereAreLeftAsTheyAreAndNamed) {
    // Beside the game folder: a movie moved there to save room (read-only and hidden), a
    // folder, and a file with a second name in the video folder.
    const std::string elsewhere = game_ + "-elsewhere";
    ASSERT_TRUE(::CreateDirectoryA(elsewhere.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((elsewhere + "\\folder").c_str(), nullptr));
    WriteFile(elsewhere + "\\folder\\inner.bik", "inner movie");
    WriteFile(elsewhere + "\\shared.bik", "shared movie");
    WriteFile(elsewhere + "\\moved.bik", "moved movie");
    ASSERT_TRUE(::SetFileAttributesA((elsewhere + "\\moved.bik").c_str(),
                                     FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    const std::vector<std::string> elsewhereFiles = {"moved.bik", "shared.bik", "folder",
                                                     "folder\\inner.bik", "gone.bik", "gone"};
    auto elsewhereState = [&] {
        std::vector<std::string> state;
        for (const auto& name : elsewhereFiles) {
            const std::string path = elsewhere + "\\" + name;
            const DWORD attributes = ::GetFileAttributesA(path.c_str());
            state.push_back(name + " " + std::to_string(attributes) +
                            (attributes & FILE_ATTRIBUTE_DIRECTORY ? "" : " " + ReadFile(path)));
        }
        return state;
    };
    const std::string unixElsewhere = unixlinks::UnixPath(elsewhere);
    ASSERT_FALSE(unixElsewhere.empty());
    const std::string nowhere = "a link that leads nowhere, left as it is";

    struct Case {
        const char* what;
        std::string movie;
        bool hard;           // a second name, not a symbolic link
        std::string target;  // as the link is made
        std::string listed;  // what the closing message says is left of it
    };
    const Case cases[] = {
        {"a link to a read-only hidden file elsewhere", "intel_e.bik", false,
         unixElsewhere + "/moved.bik", "a link to " + elsewhere + "\\moved.bik, left as it is"},
        {"a link to a file of the game folder", "nVid.bik", false, "../korv3.exe",
         "a link to " + game_ + "\\korv3.exe, left as it is"},
        {"a link to another movie", "Intr_dtm_f.bik", false, "Intr_dtm_e.bik",
         "a link to " + video_ + "Intr_dtm_e.bik, left as it is"},
        {"a link to a folder", "Intr_korv_e.bik", false, unixElsewhere + "/folder",
         "a link to the folder " + elsewhere + "\\folder, left as it is"},
        {"a link to a missing file", "Intr_v8_s.bik", false, unixElsewhere + "/gone.bik", nowhere},
        {"a link into a missing folder", "Intr_v8_i.bik", false, unixElsewhere + "/gone/x.bik", nowhere},
        {"a second name of a file elsewhere", "intel_g.bik", true, elsewhere + "\\shared.bik",
         "one of 2 names of the same file (a hard link), left as it is"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& movie : kAllMovies) WriteFile(video_ + movie, kOriginal);
        const std::string link = video_ + c.movie;
        ASSERT_TRUE(::DeleteFileA(link.c_str()));
        unixlinks::Links links;  // removed, as links, at the end of the case
        ASSERT_TRUE(c.hard ? links.Hard(c.target, link) : links.Symbolic(c.target, link));
        const std::string leadsTo = ReadFile(link);
        const std::vector<std::string> before = elsewhereState();

        boxes_.clear();
        ended_ = false;
        window_ = std::make_unique<WndMain>();
        Apply();

        EXPECT_EQ(elsewhereState(), before);
        ExpectOutsideUnchanged();
        if (!c.hard) {
            EXPECT_EQ(unixlinks::LinkTarget(link), c.target) << "the link itself is gone";
        }
        std::vector<std::string> expected(kAllMovies.size(), kReplacement);
        std::vector<std::string> contents = Contents();
        const auto index = std::find(kAllMovies.begin(), kAllMovies.end(), c.movie) - kAllMovies.begin();
        // A link to another movie reads what that movie now holds.
        expected[index] = c.movie == "Intr_dtm_f.bik" ? kReplacement : leadsTo;
        EXPECT_EQ(contents, expected);

        ASSERT_EQ(boxes_.size(), 2u);
        EXPECT_EQ(boxes_[1].rfind("Not every movie was replaced: 18 of 19 were.\r\n\r\nIn " + video_ +
                                      ":\r\n" + c.movie + ": " + c.listed + "\r\n\r\n",
                                  0),
                  0u)
            << boxes_[1];
        EXPECT_NE(boxes_[1].find("remove the link itself"), std::string::npos) << boxes_[1];
        EXPECT_TRUE(ended_);
    }
    for (const auto& name : {"moved.bik", "shared.bik", "folder\\inner.bik"}) {
        ::SetFileAttributesA((elsewhere + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA((elsewhere + "\\" + name).c_str());
    }
    ::RemoveDirectoryA((elsewhere + "\\folder").c_str());
    ::RemoveDirectoryA(elsewhere.c_str());
}

// Windows programs open paths of up to 259 characters (MAX_PATH with its NUL). A movie
// whose path is longer is named as such and left as it is, in both builds alike, and the
// movies of the folder whose paths are short enough are replaced.
TEST_F(PatchTest, MoviesWhosePathsAreTooLongAreNamedAsSuch) {
    const std::size_t videoAndNVid = std::string("\\video\\nVid.bik").size();
    struct Case {
        const char* what;
        std::size_t gameLength;
    };
    const Case cases[] = {
        {"nVid.bik, the shortest name, at 259 characters", 259 - videoAndNVid},
        {"nVid.bik at 260 characters", 260 - videoAndNVid},
        {"a game folder of 250 characters", 250},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string game = FolderOfLength(c.gameLength);
        const std::string video = game + "\\video\\";
        ASSERT_TRUE(LayOutGame(game));
        SetGameFolder(game);
        boxes_.clear();
        window_ = std::make_unique<WndMain>();
        Apply();

        std::vector<std::string> expected, contents;
        std::string lines;
        std::size_t replaced = 0;
        for (const auto& movie : kAllMovies) {
            const std::size_t length = (video + movie).size();
            const bool opens = length <= 259;
            replaced += opens;
            expected.push_back(opens ? kReplacement : kOriginal);
            contents.push_back(ReadUnlimited(video + movie));
            if (!opens) {
                lines += movie + ": its path is too long to be opened (" + std::to_string(length) +
                         " characters, at most 259), left as it is\r\n";
            }
        }
        EXPECT_EQ(contents, expected);
        ExpectOutsideUnchanged();
        ASSERT_EQ(boxes_.size(), 2u);
        EXPECT_EQ(boxes_[1].rfind("Not every movie was replaced: " + std::to_string(replaced) +
                                      " of 19 were.\r\n\r\nIn " + video + ":\r\n" + lines + "\r\n",
                                  0),
                  0u)
            << boxes_[1];
        ExpectAdvice(boxes_[1], {kTooLongAdvice});
        RemoveGame(game);
    }
}

// On a Unix disk, names that differ only in letter case are different files. Where the
// video folder holds more than one file of a movie's name, the run cannot tell which one
// the game plays, nor make the movie again beside the others: all of them are left as they
// are and named.
TEST_F(PatchTest, FilesOfOneMovieNameInDifferentCaseAreLeftAsTheyAre) {
    const std::string unixVideo = unixlinks::UnixPath(video_);
    ASSERT_FALSE(unixVideo.empty());
    struct Case {
        const char* what;
        std::vector<std::string> names;  // in the video folder instead of intel_e.bik
    };
    const Case cases[] = {
        {"one beside the movie", {"intel_e.bik", "INTEL_E.BIK"}},
        {"none spelled as the movie", {"INTEL_E.BIK", "Intel_E.bik"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& movie : kAllMovies) WriteFile(video_ + movie, kOriginal);
        ASSERT_TRUE(::DeleteFileA((video_ + "intel_e.bik").c_str()));
        // Made on the Unix side: Windows calls take the names for one.
        std::string make, remove;
        for (const auto& name : c.names) {
            const std::string path = unixlinks::Quoted(unixVideo + "/" + name);
            make += "printf %s " + unixlinks::Quoted("movie " + name) + " >" + path + "; ";
            remove += "rm -f -- " + path + "; ";
        }
        ASSERT_TRUE(unixlinks::RunShell(make));
        boxes_.clear();
        window_ = std::make_unique<WndMain>();
        Apply();

        for (const auto& name : c.names) EXPECT_EQ(ReadFile(video_ + name), "movie " + name);
        std::vector<std::string> contents = Contents();
        contents.erase(contents.begin());  // intel_e.bik: whichever of them Wine opens
        EXPECT_EQ(contents, std::vector<std::string>(kAllMovies.size() - 1, kReplacement));
        ExpectOutsideUnchanged();
        ASSERT_EQ(boxes_.size(), 2u);
        const std::string& report = boxes_[1];
        const std::string line = "\r\nintel_e.bik: 2 files of this name in different letter case (";
        EXPECT_NE(report.find("Not every movie was replaced: 18 of 19 were.\r\n\r\nIn " + video_ + ":" + line),
                  std::string::npos)
            << report;
        const std::string listed = report.substr(report.find(line) + line.size(),
                                                 report.find("), left as they are\r\n") -
                                                     report.find(line) - line.size());
        for (const auto& name : c.names) EXPECT_NE(listed.find(name), std::string::npos) << report;
        ExpectAdvice(report, {kCaseAdvice});
        ASSERT_TRUE(unixlinks::RunShell(remove));
    }
}

// Every change of a movie goes through the handle that was checked. A link put in the
// movie's place after the check (here, on the Linux side, as another program could) is
// not followed: what it leads to keeps its content and its attributes, and the link stays.
TEST_F(PatchTest, ChangesGoThroughTheHandleThatWasChecked) {
    const std::string elsewhere = game_ + "-elsewhere";
    const std::string target = elsewhere + "\\target.bik";
    ASSERT_TRUE(::CreateDirectoryA(elsewhere.c_str(), nullptr));
    const std::string unixVideo = unixlinks::UnixPath(video_);
    const std::string unixTarget = unixlinks::UnixPath(target);
    ASSERT_FALSE(unixVideo.empty());
    constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    const std::string movie = "intel_g.bik";
    const std::string path = video_ + movie;
    const std::string unixMovie = unixlinks::Quoted(unixVideo + "/" + movie);
    const std::string unixAway = unixlinks::Quoted(unixVideo + "/moved-away.bik");

    struct Case {
        const char* what;
        bool held;  // by a program that lets others read and write it, not delete it
        MovieLead::Replaced replaced;
    };
    const Case cases[] = {
        // Deleted through its handle; the movie made new meets the link and stops.
        {"a movie that may be deleted", false, MovieLead::Replaced::Missing},
        // Written over only through a handle on the checked file: the name now opens another.
        {"a movie held open by the game", true, MovieLead::Replaced::KeptOldContent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(target, "a file elsewhere");
        ASSERT_TRUE(::SetFileAttributesA(target.c_str(), kKept));
        WriteFile(path, kOriginal);
        ASSERT_TRUE(::SetFileAttributesA(path.c_str(), kKept));
        std::optional<HeldByAnotherProcess> holder;
        if (c.held) holder.emplace(path, FILE_SHARE_READ | FILE_SHARE_WRITE);

        const MovieLead::Folder folder = MovieLead::Folder::Open(video_.substr(0, video_.size() - 1));
        ASSERT_EQ(folder.Error(), static_cast<DWORD>(ERROR_SUCCESS));
        MovieLead::Movie found = MovieLead::Find(folder, video_, movie);
        ASSERT_EQ(found.lead, MovieLead::Lead::Here);
        ASSERT_TRUE(unixlinks::RunShell("mv -- " + unixMovie + " " + unixAway + " && ln -s -- " +
                                        unixlinks::Quoted(unixTarget) + " " + unixMovie));
        EXPECT_EQ(MovieLead::Replace(found, path, dummy_, forms::FileSystemObject{}), c.replaced);
        holder.reset();

        EXPECT_EQ(ReadFile(target), "a file elsewhere");
        EXPECT_EQ(::GetFileAttributesA(target.c_str()) & kKept, kKept);
        EXPECT_EQ(unixlinks::LinkTarget(path), unixTarget);
        if (c.held) {
            EXPECT_EQ(ReadFile(video_ + "moved-away.bik"), kOriginal);
        }
        ASSERT_TRUE(unixlinks::RunShell("rm -f -- " + unixMovie + " " + unixAway));
    }
    ::SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(target.c_str());
    ::RemoveDirectoryA(elsewhere.c_str());
}

// Not run by ctest: the time a run takes on 19 movies of 50 MB each, against a plain copy
// of the same replacement to 19 new names in the same folder tree, both timed here with the
// same clock. Run by hand with --gtest_also_run_disabled_tests.
TEST_F(PatchTest, DISABLED_ARunAgainstAPlainCopyOfTheSameBytes) {
    constexpr std::size_t kMovieBytes = 50u << 20;
    constexpr int kRounds = 7;
    auto writeBig = [](const std::string& path, char fill) {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const std::string chunk(1u << 20, fill);
        for (std::size_t written = 0; written < kMovieBytes; written += chunk.size()) out << chunk;
    };
    auto sizeOf = [](const std::string& path) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::uint64_t{0};
        return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    };
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    auto now = [] {
        LARGE_INTEGER counter{};
        ::QueryPerformanceCounter(&counter);
        return counter.QuadPart;
    };
    auto ms = [&](LONGLONG ticks) { return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart); };

    const std::string copies = game_ + "\\copies\\";
    // Both timings start with nothing of ours waiting to be written to disk.
    auto settle = [&] {
        std::vector<std::string> paths{dummy_};
        for (const auto& movie : kAllMovies) {
            paths.push_back(video_ + movie);
            paths.push_back(copies + movie);
        }
        for (const auto& path : paths) {
            HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            ::FlushFileBuffers(file);
            ::CloseHandle(file);
        }
        ::Sleep(3000);  // and the disk has caught up
    };
    writeBig(dummy_, 'r');
    ::CreateDirectoryA(copies.c_str(), nullptr);
    std::vector<double> runs, plain;
    for (int round = 0; round < kRounds; ++round) {
        // The run replaces 19 movies; the plain copy makes 19 new files.
        for (const auto& movie : kAllMovies) writeBig(video_ + movie, 'o');
        for (const auto& movie : kAllMovies) ::DeleteFileA((copies + movie).c_str());
        auto timeTheRun = [&] {
            settle();
            LONGLONG started = 0, finished = 0;
            forms::Hooks().messageBox = [&](const std::string&, UINT style) {
                if (style == forms::kMsgYesNo) {
                    started = now();
                    return IDYES;
                }
                finished = now();
                return IDOK;
            };
            window_ = std::make_unique<WndMain>();
            Apply();
            runs.push_back(ms(finished - started));
            for (const auto& movie : kAllMovies) EXPECT_EQ(sizeOf(video_ + movie), kMovieBytes) << movie;
        };
        auto timeThePlainCopy = [&] {
            settle();
            const LONGLONG started = now();
            for (const auto& movie : kAllMovies) {
                EXPECT_TRUE(::CopyFileA(dummy_.c_str(), (copies + movie).c_str(), FALSE));
            }
            plain.push_back(ms(now() - started));
        };
        // Taking turns at going first.
        if (round % 2 == 0) {
            timeTheRun();
            timeThePlainCopy();
        } else {
            timeThePlainCopy();
            timeTheRun();
        }
    }
    for (const auto& movie : kAllMovies) ::DeleteFileA((copies + movie).c_str());
    ::RemoveDirectoryA(copies.c_str());
    for (int round = 0; round < kRounds; ++round) {
        std::printf("round %d: run %.0f ms, plain copy %.0f ms\n", round + 1, runs[round], plain[round]);
    }
    std::sort(runs.begin(), runs.end());
    std::sort(plain.begin(), plain.end());
    std::printf("median of %d: run %.0f ms, plain copy %.0f ms, ratio %.2f\n", kRounds,
                runs[kRounds / 2], plain[kRounds / 2], runs[kRounds / 2] / plain[kRounds / 2]);
    std::printf("fastest: run %.0f ms, plain copy %.0f ms, ratio %.2f\n", runs[0], plain[0],
                runs[0] / plain[0]);
}

}  // namespace
