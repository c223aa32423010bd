// Reads one text value from the registry, given its key's full path (root key name
// included, as in "HKEY_LOCAL_MACHINE\SOFTWARE\...") and the value's name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace Registry {

// The value's text; "Error" when the key cannot be opened or the value cannot be read;
// no result (empty) when the key path is not well formed or names no root key. KeyPath
// comes back holding only its sub-key part when it was well formed.
std::optional<std::string> ReadRegistry(std::string& KeyPath, std::string& ValueName);

// Checks the key path ("HKEY_" first, no "\" last; otherwise a message box and RootKey 0),
// sets RootKey to its root part's handle and leaves KeyPath holding the sub-key part.
void ParseKey(std::string& KeyPath, std::int32_t& RootKey);

// Root key name (exact, case included) to its predefined handle; 0 for any other text.
std::int32_t GetRootKey(const std::string& name);

}  // namespace Registry
