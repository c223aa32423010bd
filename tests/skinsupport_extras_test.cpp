// SkinSupport's manifest writer against real files beside this test program, and its
// transparency switches against a real window's extended style and layered attributes.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "forms/Form.h"
#include "forms/Handles.h"
#include "forms/Runtime.h"
#include "skin/SkinSupport.h"

namespace {

constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kHiddenSystemReadOnly = kHiddenSystem | FILE_ATTRIBUTE_READONLY;

// The restart command is built from this, never the manifest's place.
const char* const kAppPath = R"(C:\Games\Demo)";
// Characters that XML would escape: the manifest takes them as they are.
const char* const kDescription = R"(Tom & Jerry's <"demo"> tool)";

std::string ManifestPath() { return forms::App::Path() + "\\demo.exe.manifest"; }

// What the writer must produce, spelt out line by line.
std::string ExpectedManifest(const std::string& version) {
    const std::vector<std::string> lines = {
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?> )",
        R"(<assembly )",
        R"(   xmlns="urn:schemas-microsoft-com:asm.v1" )",
        R"(   manifestVersion="1.0">)",
        R"(<assemblyIdentity )",
        R"(    processorArchitecture="x86" )",
        R"(    version=")" + version + R"(")",
        R"(    type="win32")",
        R"(    name="demo.exe"/>)",
        R"(    <description>Tom & Jerry's <"demo"> tool</description>)",
        R"(    <dependency>)",
        R"(    <dependentAssembly>)",
        R"(    <assemblyIdentity)",
        R"(         type="win32")",
        R"(         name="Microsoft.Windows.Common-Controls")",
        R"(         version="6.0.0.0")",
        R"(         publicKeyToken="6595b64144ccf1df")",
        R"(         language="*")",
        R"(         processorArchitecture="x86"/>)",
        R"(    </dependentAssembly>)",
        R"(    </dependency>)",
        R"(</assembly>)",
    };
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::optional<std::string> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    ASSERT_TRUE(out.good()) << path;
}

DWORD Attributes(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }

// Read-only, hidden and system; Wine reports every file as archive as well.
DWORD DosAttributes(const std::string& path) {
    return Attributes(path) & (FILE_ATTRIBUTE_READONLY | kHiddenSystem);
}

std::uint64_t WriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (std::uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

// Long before any test run, so that a rewrite cannot keep it by chance.
void SetOldWriteTime(const std::string& path) {
    forms::OwnedHandle file(::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(file.Get(), INVALID_HANDLE_VALUE);
    SYSTEMTIME when{2001, 2, 0, 3, 4, 5, 6, 0};
    FILETIME time{};
    ::SystemTimeToFileTime(&when, &time);
    ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &time));
}

void RemoveEntry(const std::string& path) {
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        ::RemoveDirectoryA(path.c_str());
    } else {
        ::DeleteFileA(path.c_str());
    }
}

// Records restarts and ends in the order they were asked for.
class ManifestTest : public ::testing::Test {
protected:
    void SetUp() override {
        RemoveEntry(ManifestPath());
        forms::Hooks().shell = [this](const std::string& commandLine, int style) {
            events.push_back("shell " + commandLine + " " + std::to_string(style));
            if (shellFails) forms::Raise(forms::kErrFileNotFound);
            return std::uint32_t{1234};
        };
        forms::Hooks().end = [this] { events.push_back("end"); };
    }
    void TearDown() override {
        forms::Hooks() = {};
        RemoveEntry(ManifestPath());
        EXPECT_EQ(Attributes(ManifestPath()), INVALID_FILE_ATTRIBUTES) << "left behind";
    }

    // An earlier manifest of the name, with an old write time and these attributes.
    void PlaceOldManifest(DWORD attributes, const std::string& bytes = "old manifest\r\n") {
        RemoveEntry(ManifestPath());
        ASSERT_NO_FATAL_FAILURE(WriteBytes(ManifestPath(), bytes));
        ASSERT_NO_FATAL_FAILURE(SetOldWriteTime(ManifestPath()));
        ASSERT_TRUE(::SetFileAttributesA(ManifestPath().c_str(),
                                         attributes ? attributes : FILE_ATTRIBUTE_NORMAL));
        oldTime = WriteTime(ManifestPath());
        ASSERT_NE(oldTime, 0u);
        oldAttributes = Attributes(ManifestPath());
        ASSERT_EQ(DosAttributes(ManifestPath()), attributes);
    }

    void ExpectOldManifestUntouched(const std::string& bytes = "old manifest\r\n") {
        EXPECT_EQ(ReadBytes(ManifestPath()), bytes);
        EXPECT_EQ(WriteTime(ManifestPath()), oldTime);
        EXPECT_EQ(Attributes(ManifestPath()), oldAttributes);
    }

    void ExpectNewManifest(const std::string& version = "1.2.3.0") {
        EXPECT_EQ(ReadBytes(ManifestPath()), ExpectedManifest(version));
        EXPECT_EQ(DosAttributes(ManifestPath()), kHiddenSystem);
    }

    SkinSupport skin;
    std::vector<std::string> events;
    bool shellFails = false;
    std::uint64_t oldTime = 0;
    DWORD oldAttributes = 0;
};

TEST_F(ManifestTest, WritesAnAbsentManifestBesideTheProgram) {
    struct Case {
        const char* name;
        TextOrNumber major, minor, revision;
        std::string version;
    };
    const Case cases[] = {
        {"whole numbers", 1, 2, 3, "1.2.3.0"},
        {"texts", "1", "2", "3", "1.2.3.0"},
        {"reals", 1.0, 2.5, 30.25, "1.2.5.30.25.0"},
        {"wide numbers", std::int64_t{4294967296}, -1, 0.1, "4294967296.-1.0.1.0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveEntry(ManifestPath());
        EXPECT_EQ(skin.Debug_WriteEXEmanifest(kAppPath, "demo", c.major, c.minor, c.revision,
                                              kDescription),
                  forms::kFalse);
        ExpectNewManifest(c.version);
    }
    EXPECT_TRUE(events.empty());
}

TEST_F(ManifestTest, KeepsAPresentManifestUnlessCreateNewIsExactlyTrue) {
    enum class CreateNew { Omitted, False, One };
    const DWORD attributeCases[] = {0, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                                    FILE_ATTRIBUTE_READONLY, kHiddenSystemReadOnly};
    for (const DWORD attributes : attributeCases) {
        for (const CreateNew how : {CreateNew::Omitted, CreateNew::False, CreateNew::One}) {
            SCOPED_TRACE("attributes " + std::to_string(attributes) + ", createNew case " +
                         std::to_string(static_cast<int>(how)));
            ASSERT_NO_FATAL_FAILURE(PlaceOldManifest(attributes));
            forms::VbBool createNew = how == CreateNew::One ? 1 : forms::kFalse;
            const forms::VbBool before = createNew;
            const forms::VbBool result =
                how == CreateNew::Omitted
                    ? skin.Debug_WriteEXEmanifest(kAppPath, "demo", 1, 2, 3, kDescription)
                    : skin.Debug_WriteEXEmanifest(kAppPath, "demo", 1, 2, 3, kDescription,
                                                  forms::kFalse, 0, createNew);
            EXPECT_EQ(result, forms::kTrue);
            EXPECT_EQ(createNew, before);
            ExpectOldManifestUntouched();
        }
    }
    EXPECT_TRUE(events.empty());
}

TEST_F(ManifestTest, CreateNewTrueReplacesAPresentManifest) {
    // Longer than the manifest: nothing of it may stay at the end.
    const std::string longOld(3000, 'x');
    for (const DWORD attributes : {DWORD{0}, kHiddenSystemReadOnly}) {
        SCOPED_TRACE("attributes " + std::to_string(attributes));
        ASSERT_NO_FATAL_FAILURE(PlaceOldManifest(attributes, longOld));
        forms::VbBool createNew = forms::kTrue;
        EXPECT_EQ(skin.Debug_WriteEXEmanifest(kAppPath, "demo", 1, 2, 3, kDescription,
                                              forms::kFalse, 0, createNew),
                  forms::kTrue);
        EXPECT_EQ(createNew, forms::kTrue);
        ExpectNewManifest();
        EXPECT_NE(WriteTime(ManifestPath()), oldTime);
    }
    // The constant itself may be passed.
    ASSERT_NO_FATAL_FAILURE(PlaceOldManifest(0, longOld));
    EXPECT_EQ(skin.Debug_WriteEXEmanifest(kAppPath, "demo", 1, 2, 3, kDescription,
                                          forms::kFalse, 0, forms::kTrue),
              forms::kTrue);
    ExpectNewManifest();
    EXPECT_TRUE(events.empty());
}

TEST_F(ManifestTest, AutoRestartKeepsAPresentManifestAndDoesNotRestart) {
    ASSERT_NO_FATAL_FAILURE(PlaceOldManifest(kHiddenSystem));
    forms::VbBool createNew = forms::kTrue;
    forms::VbBool result = forms::kFalse;
    EXPECT_NO_THROW(result = skin.Debug_WriteEXEmanifest(kAppPath, "demo", 1, 2, 3, kDescription,
                                                         forms::kTrue, 1, createNew));
    EXPECT_EQ(result, forms::kTrue);
    EXPECT_EQ(createNew, forms::kFalse) << "the caller's variable";
    ExpectOldManifestUntouched();
    EXPECT_TRUE(events.empty());
}

TEST_F(ManifestTest, AutoRestartWritesAnAbsentManifestThenRestartsAndEnds) {
    struct Case {
        const char* name;
        std::optional<std::int32_t> style;  // omitted: hidden
        bool shellFails;
        std::vector<std::string> events;
    };
    const std::string command = std::string("shell ") + kAppPath + "\\demo.exe";
    const Case cases[] = {
        {"style omitted", std::nullopt, false, {command + " 0", "end"}},
        {"normal window", 1, false, {command + " 1", "end"}},
        {"minimised without focus", 6, false, {command + " 6", "end"}},
        // A start that fails is skipped like any other step: the process still ends.
        {"start fails", 1, true, {command + " 1", "end"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveEntry(ManifestPath());
        events.clear();
        shellFails = c.shellFails;
        forms::VbBool createNew = forms::kTrue;
        if (c.style) {
            EXPECT_THROW(skin.Debug_WriteEXEmanifest(kAppPath, "demo", 1, 2, 3, kDescription,
                                                     forms::kTrue, *c.style, createNew),
                         forms::EndRequested);
            EXPECT_EQ(createNew, forms::kFalse);
        } else {
            EXPECT_THROW(skin.Debug_WriteEXEmanifest(kAppPath, "demo", 1, 2, 3, kDescription,
                                                     forms::kTrue),
                         forms::EndRequested);
        }
        EXPECT_EQ(events, c.events);
        ExpectNewManifest();
    }
}

// A folder of the manifest's name makes the write fail. Restarting then would find no
// manifest again and restart again, for ever.
TEST_F(ManifestTest, NoRestartWhenTheManifestCouldNotBeWritten) {
    ASSERT_TRUE(::CreateDirectoryA(ManifestPath().c_str(), nullptr));
    for (const forms::VbBool autoRestart : {forms::kTrue, forms::kFalse}) {
        SCOPED_TRACE("autoRestart " + std::to_string(autoRestart));
        forms::VbBool result = forms::kTrue;
        EXPECT_NO_THROW(result = skin.Debug_WriteEXEmanifest(kAppPath, "demo", 1, 2, 3,
                                                             kDescription, autoRestart, 1));
        EXPECT_EQ(result, forms::kFalse) << "a folder is no manifest";
        EXPECT_TRUE(Attributes(ManifestPath()) & FILE_ATTRIBUTE_DIRECTORY);
    }
    EXPECT_TRUE(events.empty());
}

TEST(TextOrNumberTest, NumbersReadAsTheRuntimeWritesThem) {
    struct Case {
        TextOrNumber value;
        const char* text;
    };
    const Case cases[] = {
        {1, "1"},
        {-7, "-7"},
        {std::int16_t{300}, "300"},
        {1.0, "1"},
        {2.5, "2.5"},
        {0.1, "0.1"},
        {-0.0, "0"},
        {1e20, "1E+20"},
        {0.00001, "1E-05"},
        {0.0001, "0.0001"},
        {123456789012345.0, "123456789012345"},
        {1234567890123456.0, "1.23456789012346E+15"},
        {"07", "07"},
        {std::string(), ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value.Text(), c.text);
}

struct LayeredState {
    bool read = false;
    BYTE alpha = 0;
    DWORD flags = 0;
};

LayeredState ReadLayered(HWND hwnd) {
    LayeredState state;
    COLORREF key = 0;
    state.read = ::GetLayeredWindowAttributes(hwnd, &key, &state.alpha, &state.flags) != FALSE;
    return state;
}

LONG ExStyle(HWND hwnd) { return ::GetWindowLongA(hwnd, GWL_EXSTYLE); }

forms::FormSettings SwitchFormSettings() {
    forms::FormSettings settings;
    settings.name = "SwitchFixture";
    settings.bordered = false;
    settings.clientWidth = 60 * 15;
    settings.clientHeight = 40 * 15;
    return settings;
}

// A window carrying an extended style bit of its own, which the switches must keep.
class SwitchTest : public ::testing::Test {
protected:
    void SetUp() override {
        hwnd = form.hWnd();
        ::SetWindowLongA(hwnd, GWL_EXSTYLE, ExStyle(hwnd) | WS_EX_TOOLWINDOW);
        plainStyle = ExStyle(hwnd);
        ASSERT_TRUE(plainStyle & WS_EX_TOOLWINDOW);
        ASSERT_FALSE(plainStyle & WS_EX_LAYERED);
    }

    void MakeLayered(BYTE alpha, DWORD flags) {
        ::SetWindowLongA(hwnd, GWL_EXSTYLE, plainStyle | WS_EX_LAYERED);
        ASSERT_TRUE(::SetLayeredWindowAttributes(hwnd, RGB(255, 0, 255), alpha, flags));
    }

    forms::Form form{SwitchFormSettings()};
    SkinSupport skin;
    HWND hwnd = nullptr;
    LONG plainStyle = 0;
};

TEST_F(SwitchTest, MakeTransparentOutsideZeroTo255LeavesTheWindowAlone) {
    for (const std::int16_t percentage : {std::int16_t{-1}, std::int16_t{256},
                                          std::int16_t{-32768}, std::int16_t{32767}}) {
        SCOPED_TRACE(percentage);
        ::SetWindowLongA(hwnd, GWL_EXSTYLE, plainStyle);
        EXPECT_EQ(skin.Make_Transparent(hwnd, percentage), 1);
        EXPECT_EQ(ExStyle(hwnd), plainStyle);
        EXPECT_FALSE(ReadLayered(hwnd).read);

        ASSERT_NO_FATAL_FAILURE(MakeLayered(100, LWA_ALPHA));
        EXPECT_EQ(skin.Make_Transparent(hwnd, percentage), 1);
        const LayeredState state = ReadLayered(hwnd);
        EXPECT_EQ(state.alpha, 100);
        EXPECT_EQ(state.flags, static_cast<DWORD>(LWA_ALPHA));
    }
}

TEST_F(SwitchTest, MakeTransparentSetsThatAlphaAndCheckSeesIt) {
    struct Case {
        const char* name;
        std::optional<DWORD> startFlags;  // none: not layered
        std::int16_t percentage;
    };
    const Case cases[] = {
        {"fully transparent", std::nullopt, 0},
        {"half", std::nullopt, 128},
        {"opaque", std::nullopt, 255},
        {"over an alpha", LWA_ALPHA, 7},
        {"over a colour key, which goes", LWA_COLORKEY, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::SetWindowLongA(hwnd, GWL_EXSTYLE, plainStyle);
        if (c.startFlags) {
            ASSERT_NO_FATAL_FAILURE(MakeLayered(50, *c.startFlags));
        }
        EXPECT_EQ(skin.Make_Transparent(hwnd, c.percentage), 0);
        EXPECT_EQ(ExStyle(hwnd), plainStyle | WS_EX_LAYERED);
        const LayeredState state = ReadLayered(hwnd);
        EXPECT_TRUE(state.read);
        EXPECT_EQ(state.alpha, c.percentage);
        EXPECT_EQ(state.flags, static_cast<DWORD>(LWA_ALPHA));
        EXPECT_EQ(skin.Check_isTransparent(hwnd), forms::kTrue);
    }
}

TEST_F(SwitchTest, MakeOpaqueClearsOnlyTheLayeredBit) {
    ASSERT_EQ(skin.Make_Transparent(hwnd, 128), 0);
    EXPECT_EQ(skin.Make_Opaque(hwnd), 0);
    EXPECT_EQ(ExStyle(hwnd), plainStyle);
    EXPECT_FALSE(ReadLayered(hwnd).read) << "no longer layered";
    EXPECT_EQ(skin.Check_isTransparent(hwnd), forms::kFalse);

    // Already opaque: nothing to clear, and no error.
    EXPECT_EQ(skin.Make_Opaque(hwnd), 0);
    EXPECT_EQ(ExStyle(hwnd), plainStyle);

    // A colour-keyed window is layered too.
    ASSERT_NO_FATAL_FAILURE(MakeLayered(0, LWA_COLORKEY));
    EXPECT_EQ(skin.Check_isTransparent(hwnd), forms::kTrue);
    EXPECT_EQ(skin.Make_Opaque(hwnd), 0);
    EXPECT_EQ(skin.Check_isTransparent(hwnd), forms::kFalse);
}

// A handle that is no window: the system's calls fail on it, and that is the error the
// switches report.
TEST(SwitchErrorTest, AHandleThatIsNoWindowIsAnError) {
    HWND gone = nullptr;
    {
        forms::Form form(SwitchFormSettings());
        gone = form.hWnd();
    }
    ASSERT_FALSE(::IsWindow(gone));
    SkinSupport skin;
    for (const HWND hwnd : {gone, HWND{nullptr}}) {
        EXPECT_EQ(skin.Check_isTransparent(hwnd), forms::kFalse);
        EXPECT_EQ(skin.Make_Transparent(hwnd, 128), 2);
        EXPECT_EQ(skin.Make_Transparent(hwnd, 256), 1) << "the range is checked first";
        EXPECT_EQ(skin.Make_Opaque(hwnd), 2);
    }
}

}  // namespace
