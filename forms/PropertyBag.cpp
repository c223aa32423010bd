#include "forms/PropertyBag.h"

#include <algorithm>
#include <cctype>

namespace forms {

namespace {

bool SameKey(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

bool SameBagValue(const BagValue& a, const BagValue& b) {
    if (a.index() != b.index()) return false;
    if (const auto* pa = std::get_if<Picture>(&a)) return pa->SameAs(std::get<Picture>(b));
    if (std::holds_alternative<std::monostate>(a)) return true;
    if (const auto* ia = std::get_if<std::int32_t>(&a)) return *ia == std::get<std::int32_t>(b);
    if (const auto* da = std::get_if<double>(&a)) return *da == std::get<double>(b);
    if (const auto* sa = std::get_if<std::string>(&a)) return *sa == std::get<std::string>(b);
    return std::get<FontSpec>(a) == std::get<FontSpec>(b);
}

std::vector<std::pair<std::string, BagValue>>::const_iterator PropertyBag::Find(
    std::string_view key) const {
    return std::find_if(entries_.begin(), entries_.end(),
                        [&](const auto& entry) { return SameKey(entry.first, key); });
}

BagValue PropertyBag::ReadProperty(std::string_view key, BagValue def) const {
    const auto it = Find(key);
    return it == entries_.end() ? def : it->second;
}

void PropertyBag::WriteProperty(std::string_view key, BagValue value, BagValue def) {
    const auto it = Find(key);
    const bool isDefault = !std::holds_alternative<std::monostate>(def) && SameBagValue(value, def);
    if (it != entries_.end()) {
        const auto index = static_cast<std::size_t>(it - entries_.begin());
        if (isDefault) {
            entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
        } else {
            entries_[index].second = std::move(value);
        }
        return;
    }
    if (!isDefault) entries_.emplace_back(std::string(key), std::move(value));
}

bool PropertyBag::Contains(std::string_view key) const { return Find(key) != entries_.end(); }

}  // namespace forms
