// The store of named settings that a host keeps for each hosted control instance.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "forms/Picture.h"

namespace forms {

// A stored value: empty, a whole number, a real, a text, a font or a picture.
using BagValue = std::variant<std::monostate, std::int32_t, double, std::string, FontSpec,
                              Picture>;

// Keys compare without regard to case; the stored order is kept.
class PropertyBag {
public:
    // The stored value, or def when the key is absent.
    BagValue ReadProperty(std::string_view key, BagValue def = {}) const;
    // Stores the value; nothing is stored (and an earlier value is dropped) when it equals
    // the default.
    void WriteProperty(std::string_view key, BagValue value, BagValue def = {});

    bool Contains(std::string_view key) const;
    std::size_t Size() const noexcept { return entries_.size(); }
    const std::vector<std::pair<std::string, BagValue>>& Entries() const noexcept {
        return entries_;
    }

private:
    std::vector<std::pair<std::string, BagValue>>::const_iterator Find(std::string_view key) const;
    std::vector<std::pair<std::string, BagValue>> entries_;
};

bool SameBagValue(const BagValue& a, const BagValue& b);

}  // namespace forms
