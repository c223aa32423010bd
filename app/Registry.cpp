#include "app/Registry.h"

#include <windows.h>

#include <array>
#include <utility>

#include "forms/Runtime.h"

namespace Registry {

namespace {

constexpr DWORD kBufferSize = kValueBufferBytes;
constexpr REGSAM kKeyRead = 0x20019;
constexpr char kError[] = "Error";

// Shared by every call; one call at a time on the one interface thread.
std::string valueBuffer;
DWORD valueLength = 0;
HKEY openedKey = nullptr;
LONG lastResult = 0;

constexpr std::array<std::pair<const char*, std::uint32_t>, 7> kRootKeys{{
    {"HKEY_CLASSES_ROOT", 0x80000000u},
    {"HKEY_CURRENT_USER", 0x80000001u},
    {"HKEY_LOCAL_MACHINE", 0x80000002u},
    {"HKEY_USERS", 0x80000003u},
    {"HKEY_PERFORMANCE_DATA", 0x80000004u},
    {"HKEY_CURRENT_CONFIG", 0x80000005u},
    {"HKEY_DYN_DATA", 0x80000006u},
}};

// The runtime's Trim: blanks only, both ends.
std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// The predefined handle that a root key's 32-bit value stands for.
HKEY RootHandle(std::int32_t rootKey) {
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<std::uint32_t>(rootKey)));
}

}  // namespace

std::int32_t GetRootKey(const std::string& name) {
    for (const auto& [rootName, handle] : kRootKeys) {
        if (name == rootName) return static_cast<std::int32_t>(handle);
    }
    return 0;
}

void ParseKey(std::string& KeyPath, std::int32_t& RootKey) {
    const auto slash = KeyPath.find('\\');
    if (KeyPath.compare(0, 5, "HKEY_") != 0 || KeyPath.back() == '\\') {
        forms::MsgBox("Incorrect Format:\n\n" + KeyPath, forms::kMsgOkOnly);
        RootKey = 0;
        return;
    }
    if (slash != std::string::npos) {
        RootKey = GetRootKey(KeyPath.substr(0, slash));
        KeyPath = KeyPath.substr(slash + 1);
    } else {
        RootKey = GetRootKey(KeyPath);
        KeyPath.clear();
    }
}

std::optional<std::string> ReadRegistry(std::string& KeyPath, std::string& ValueName) {
    std::int32_t rootKey = 0;
    ParseKey(KeyPath, rootKey);
    if (rootKey == 0) return std::nullopt;

    const HKEY root = RootHandle(rootKey);
    lastResult = ::RegOpenKeyExA(root, KeyPath.c_str(), 0, kKeyRead, &openedKey);
    if (lastResult != ERROR_SUCCESS) return std::string(kError);

    valueBuffer.assign(kBufferSize, ' ');
    valueLength = kBufferSize;
    DWORD type = REG_SZ;
    lastResult = ::RegQueryValueExA(openedKey, ValueName.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(valueBuffer.data()), &valueLength);
    ::RegCloseKey(openedKey);
    openedKey = nullptr;
    if (lastResult != ERROR_SUCCESS) return std::string(kError);

    // What the value did not overwrite is still blank; its NUL comes last once the
    // blanks are gone. A value stored without one (binary data, a hand edit) ends in a
    // character of its own, which stays.
    std::string text = TrimBlanks(valueBuffer);
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

std::optional<StoredValue> ReadStoredValue(std::string KeyPath, const std::string& ValueName) {
    std::int32_t rootKey = 0;
    ParseKey(KeyPath, rootKey);
    if (rootKey == 0) return std::nullopt;
    const HKEY root = RootHandle(rootKey);
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, KeyPath.c_str(), 0, kKeyRead, &key) != ERROR_SUCCESS) return std::nullopt;
    StoredValue value;
    DWORD size = 0;
    LONG result = ::RegQueryValueExA(key, ValueName.c_str(), nullptr, &value.type, nullptr, &size);
    // The value may grow between two calls: ask again with its new size, a few times. When
    // the last try still finds more data, the value was not read.
    for (int attempt = 0; attempt < 3 && (result == ERROR_SUCCESS || result == ERROR_MORE_DATA);
         ++attempt) {
        value.bytes.resize(size);
        result = ::RegQueryValueExA(key, ValueName.c_str(), nullptr, &value.type,
                                    reinterpret_cast<BYTE*>(value.bytes.data()), &size);
        if (result == ERROR_SUCCESS) {
            value.bytes.resize(size);
            break;
        }
    }
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS) return std::nullopt;
    return value;
}

}  // namespace Registry
