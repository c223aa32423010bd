// The patch run behind Apply, on a real folder and the real registry value.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/WndMain.h"
#include "forms/Runtime.h"

namespace {

const std::vector<std::string> kAllMovies = {
    "intel_e.bik",     "intel_f.bik",     "intel_g.bik",     "nVid.bik",
    "Intr_dtm_e.bik",  "Intr_dtm_f.bik",  "Intr_dtm_g.bik",  "Intr_dtm_i.bik",
    "Intr_dtm_s.bik",  "Intr_korv_e.bik", "Intr_korv_f.bik", "Intr_korv_g.bik",
    "Intr_korv_i.bik", "Intr_korv_s.bik", "Intr_v8_e.bik",   "Intr_v8_f.bik",
    "Intr_v8_g.bik",   "Intr_v8_i.bik",   "Intr_v8_s.bik"};
constexpr char kGameKey[] = "SOFTWARE\\Hollenbrisk\\Brakemoor 3";
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

class PatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        game_ = std::string(temp) + "korv3-patch-" + std::to_string(::GetCurrentProcessId());
        video_ = game_ + "\\video\\";
        ::CreateDirectoryA(game_.c_str(), nullptr);
        ::CreateDirectoryA(video_.c_str(), nullptr);
        for (const auto& movie : kAllMovies) WriteFile(video_ + movie, kOriginal);
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
        ::RemoveDirectoryA(video_.c_str());
        ::RemoveDirectoryA(game_.c_str());
        ::DeleteFileA(dummy_.c_str());
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kGameKey);
    }

    static void SetGameFolder(const std::optional<std::string>& folder) {
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kGameKey);
        if (!folder) return;
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kGameKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(key, "PATH_VIDEO", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder->c_str()),
                         static_cast<DWORD>(folder->size() + 1));
        ::RegCloseKey(key);
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

    std::string game_, video_, dummy_;
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

TEST_F(PatchTest, OneTrailingBackslashIsDropped) {
    const std::pair<std::string, std::string> cases[] = {
        {game_, game_ + "\\video\\"},
        {game_ + "\\", game_ + "\\video\\"},
        {game_ + "\\\\", game_ + "\\\\video\\"},  // only one goes
    };
    for (const auto& [value, folder] : cases) {
        SCOPED_TRACE(value);
        SetGameFolder(value);
        for (const auto& movie : kAllMovies) WriteFile(video_ + movie, kOriginal);
        window_ = std::make_unique<WndMain>();
        Apply();
        EXPECT_EQ(window_->buff.Caption(), folder);
        EXPECT_EQ(ReadFile(folder + "intel_e.bik"), kReplacement);
    }
}

TEST_F(PatchTest, WithoutAFolderOrAReplacementNothingIsTouched) {
    struct Case {
        const char* what;
        std::optional<std::string> registryValue;
        bool removeReplacement;
        const char* messageStart;
    };
    const Case cases[] = {
        {"no registry value", std::nullopt, false, "The game's folder could not be read"},
        {"an empty value", std::string(), false, "The game's folder could not be read"},
        {"a relative folder", std::string("Games\\Korv"), false, "The game's folder could not be read"},
        {"no such folder", std::string("C:\\NoSuchGame"), false, "The game's movie folder was not found"},
        {"no replacement movie", game_, true, "The replacement movie is missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetGameFolder(c.registryValue);
        if (c.removeReplacement) ::DeleteFileA(dummy_.c_str());
        boxes_.clear();
        ended_ = false;
        window_ = std::make_unique<WndMain>();
        Apply();
        EXPECT_EQ(Contents(), Expect(0, 0));
        ASSERT_EQ(boxes_.size(), 2u);
        EXPECT_EQ(boxes_[1].rfind(c.messageStart, 0), 0u) << boxes_[1];
        EXPECT_NE(boxes_[1].find("No file was changed."), std::string::npos);
        EXPECT_FALSE(ended_);  // the window stays; Apply can be pressed again
        WriteFile(dummy_, kReplacement);
    }
}

TEST_F(PatchTest, AMovieHeldOpenKeepsItsContentAndTheRunGoesOn) {
    HANDLE held = ::CreateFileA((video_ + "intel_g.bik").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Apply();
    ::CloseHandle(held);
    std::vector<std::string> expected(kAllMovies.size(), kReplacement);
    expected[2] = kOriginal;
    EXPECT_EQ(Contents(), expected);
    EXPECT_EQ(boxes_.back(), "Done!");
    EXPECT_TRUE(ended_);
}

}  // namespace
