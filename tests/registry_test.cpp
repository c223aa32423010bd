// The registry reader against real keys under HKEY_CURRENT_USER.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/Registry.h"
#include "forms/Runtime.h"

namespace {

constexpr char kSubKey[] = "Software\\Korv3NoIntrosTest";
const std::string kKeyPath = std::string("HKEY_CURRENT_USER\\") + kSubKey;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kSubKey);
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kSubKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                    nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
        forms::Hooks().messageBox = [this](const std::string& text, UINT style) {
            boxes_.push_back(text);
            EXPECT_EQ(style, forms::kMsgOkOnly);
            return IDOK;
        };
    }
    void TearDown() override {
        forms::Hooks().messageBox = nullptr;
        ::RegCloseKey(key_);
        ::RegDeleteTreeA(HKEY_CURRENT_USER, kSubKey);
    }
    void SetRaw(const char* name, DWORD type, const std::string& bytes) {
        ASSERT_EQ(::RegSetValueExA(key_, name, 0, type,
                                   reinterpret_cast<const BYTE*>(bytes.data()),
                                   static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);
    }
    // A text value with its terminating NUL.
    void SetText(const char* name, const std::string& text) {
        SetRaw(name, REG_SZ, text + std::string(1, '\0'));
    }
    std::optional<std::string> Read(std::string keyPath, std::string valueName) {
        return Registry::ReadRegistry(keyPath, valueName);
    }

    HKEY key_ = nullptr;
    std::vector<std::string> boxes_;
};

TEST_F(RegistryTest, ReadsValuesAsTheirTextTrimmedAtTheFront) {
    const std::string nul(1, '\0');
    SetText("PATH_VIDEO", "C:\\Games\\Korv3\\");
    SetText("Padded", "   C:\\Games  ");
    SetText("Empty", "");
    SetText("Fits", std::string(254, 'x'));
    SetText("TooLong", std::string(255, 'x'));
    // Binary data is stored as it stands, with or without a NUL of its own.
    SetRaw("BinaryNoNul", REG_BINARY, "C:\\Games\\Korv3");
    SetRaw("BinaryWithNul", REG_BINARY, "C:\\Games\\Korv3" + nul);
    SetRaw("BinaryFillsTheBuffer", REG_BINARY, std::string(255, 'x'));
    SetRaw("BinaryEmpty", REG_BINARY, "");
    SetRaw("Dword", REG_DWORD, std::string("abc\0", 4));
    // A text value stored without its NUL (Wine's narrow query hands it back with one;
    // Windows' does not): the whole text either way.
    const std::wstring wide = L"C:\\Games\\Korv3";
    ASSERT_EQ(::RegSetValueExW(key_, L"TextNoNul", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.data()),
                               static_cast<DWORD>(wide.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);

    struct Case {
        const char* value;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"PATH_VIDEO", "C:\\Games\\Korv3\\"},
        {"Padded", "C:\\Games  "},  // leading blanks go, blanks before the NUL stay
        {"Empty", ""},
        {"Fits", std::string(254, 'x')},
        {"TooLong", "Error"},
        {"BinaryNoNul", "C:\\Games\\Korv3"},  // no NUL to drop: the last character stays
        {"BinaryWithNul", "C:\\Games\\Korv3"},
        {"BinaryFillsTheBuffer", std::string(255, 'x')},
        {"BinaryEmpty", ""},
        {"TextNoNul", "C:\\Games\\Korv3"},
        {"Dword", "abc"},  // any data is taken as text
        {"Missing", "Error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(Read(kKeyPath, c.value), c.expected);
    }
    EXPECT_TRUE(boxes_.empty());
}

// What a value holds as stored, whole: its type and all of its bytes, however long.
TEST_F(RegistryTest, StoredValuesComeWholeWithTheirType) {
    const std::string nul(1, '\0');
    SetText("Text", "C:\\Games");
    SetText("TooLong", std::string(300, 'x'));
    SetRaw("Dword", REG_DWORD, std::string("\x01\0\0\0", 4));
    struct Case {
        std::string keyPath;
        const char* value;
        std::optional<Registry::StoredValue> expected;
    };
    const Case cases[] = {
        {kKeyPath, "Text", Registry::StoredValue{REG_SZ, "C:\\Games" + nul}},
        {kKeyPath, "TooLong", Registry::StoredValue{REG_SZ, std::string(300, 'x') + nul}},
        {kKeyPath, "Dword", Registry::StoredValue{REG_DWORD, std::string("\x01\0\0\0", 4)}},
        {kKeyPath, "Missing", std::nullopt},
        {kKeyPath + "\\Absent", "Text", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const auto stored = Registry::ReadStoredValue(c.keyPath, c.value);
        ASSERT_EQ(stored.has_value(), c.expected.has_value());
        if (!stored) continue;
        EXPECT_EQ(stored->type, c.expected->type);
        EXPECT_EQ(stored->bytes, c.expected->bytes);
    }
    EXPECT_TRUE(boxes_.empty());
}

// A value that grows while it is read: ReadStoredValue asks again with the new size, and
// when its last try still finds more data it says that it could not read the value, rather
// than handing back bytes of an older size. Every value read is whole.
TEST_F(RegistryTest, AValueThatKeepsGrowingIsReadWholeOrNotAtAll) {
    // Each write is longer than the one before, until it starts again from short; a value
    // ends in its own mark, so that bytes of another size show.
    auto valueOf = [](std::size_t size) { return std::string(size - 1, 'x') + "E"; };
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSubKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
        for (std::size_t size = 16; !stop; size = size < (16u << 10) ? size + 16 : 16) {
            const std::string bytes = valueOf(size);
            ::RegSetValueExA(key, "Growing", 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size()));
        }
        ::RegCloseKey(key);
    });
    SetRaw("Growing", REG_BINARY, valueOf(16));
    int whole = 0, unread = 0, broken = 0;
    for (int read = 0; read < 300; ++read) {
        const auto stored = Registry::ReadStoredValue(kKeyPath, "Growing");
        if (!stored) {
            ++unread;
        } else if (stored->type == REG_BINARY && stored->bytes.size() >= 16 &&
                   stored->bytes == valueOf(stored->bytes.size())) {
            ++whole;
        } else {
            ++broken;
        }
    }
    stop = true;
    writer.join();
    EXPECT_EQ(broken, 0) << whole << " read whole, " << unread << " not read";
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(RegistryTest, KeyPathsAreCheckedAndSplit) {
    struct Case {
        std::string keyPath;
        std::optional<std::string> expected;
        bool message;
    };
    const Case cases[] = {
        {kKeyPath + "\\Absent", "Error", false},          // no such key
        {kKeyPath + "\\", std::nullopt, true},            // ends in a backslash
        {"hkey_current_user\\" + std::string(kSubKey), std::nullopt, true},
        {"HKEY_current_user\\" + std::string(kSubKey), std::nullopt, false},  // no such root
        {"HKEY", std::nullopt, true},
        {"", std::nullopt, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyPath);
        boxes_.clear();
        EXPECT_EQ(Read(c.keyPath, "PATH_VIDEO"), c.expected);
        ASSERT_EQ(boxes_.size(), c.message ? 1u : 0u);
        if (c.message) {
            EXPECT_EQ(boxes_[0], "Incorrect Format:\n\n" + c.keyPath);
        }
    }

    // The path comes back holding its sub-key part; the value name is left alone.
    std::string keyPath = kKeyPath;
    std::string valueName = "PATH_VIDEO";
    SetText("PATH_VIDEO", "D:\\Korv");
    EXPECT_EQ(Registry::ReadRegistry(keyPath, valueName), "D:\\Korv");
    EXPECT_EQ(keyPath, kSubKey);
    EXPECT_EQ(valueName, "PATH_VIDEO");
}

TEST_F(RegistryTest, ARootKeyAloneLooksUnderTheRoot) {
    std::string keyPath = "HKEY_CURRENT_USER";
    std::int32_t root = 0;
    Registry::ParseKey(keyPath, root);
    EXPECT_EQ(static_cast<std::uint32_t>(root), 0x80000001u);
    EXPECT_EQ(keyPath, "");
    // "Software" is a key, not a value, under the root: the read fails cleanly.
    EXPECT_EQ(Read("HKEY_CURRENT_USER", "Software"), "Error");
}

TEST(RegistryRootKeys, NamesMatchExactly) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"HKEY_CLASSES_ROOT", 0x80000000u},  {"HKEY_CURRENT_USER", 0x80000001u},
        {"HKEY_LOCAL_MACHINE", 0x80000002u}, {"HKEY_USERS", 0x80000003u},
        {"HKEY_PERFORMANCE_DATA", 0x80000004u}, {"HKEY_CURRENT_CONFIG", 0x80000005u},
        {"HKEY_DYN_DATA", 0x80000006u},      {"HKEY_Local_Machine", 0u},
        {"HKEY_LOCAL_MACHINE ", 0u},         {"", 0u},
    };
    for (const auto& [name, handle] : cases) {
        EXPECT_EQ(static_cast<std::uint32_t>(Registry::GetRootKey(name)), handle) << name;
    }
}

}  // namespace
