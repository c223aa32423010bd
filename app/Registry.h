// Reads one text value from the registry, given its key's full path (root key name
// included, as in "HKEY_LOCAL_MACHINE\SOFTWARE\...") and the value's name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace Registry {

// The value buffer's size in bytes: a value's text and its NUL fit when they take no more.
inline constexpr unsigned long kValueBufferBytes = 255;

// The value's text; "Error" when the key cannot be opened or the value cannot be read;
// no result (empty) when the key path is not well formed or names no root key. KeyPath
// comes back holding only its sub-key part when it was well formed.
std::optional<std::string> ReadRegistry(std::string& KeyPath, std::string& ValueName);

// What a value holds as stored, its type and every byte of its data, for telling a
// player what is wrong with it (ReadRegistry's "Error" does not say). Empty when the key
// path is not well formed (with ParseKey's message), or the key or the value cannot be read.
struct StoredValue {
    unsigned long type = 0;
    std::string bytes;
};
std::optional<StoredValue> ReadStoredValue(std::string KeyPath, const std::string& ValueName);

// Checks the key path ("HKEY_" first, no "\" last; otherwise a message box and RootKey 0),
// sets RootKey to its root part's handle and leaves KeyPath holding the sub-key part.
void ParseKey(std::string& KeyPath, std::int32_t& RootKey);

// Root key name (exact, case included) to its predefined handle; 0 for any other text.
std::int32_t GetRootKey(const std::string& name);

}  // namespace Registry
