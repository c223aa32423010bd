#include "forms/PropertyBag.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <system_error>

namespace forms {

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
                        [&](const auto& entry) { return EqualsNoCase(entry.first, key); });
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

namespace forms {

namespace {

[[noreturn]] void Mismatch() { Raise(kErrTypeMismatch); }

// A text as the runtime converts it to a number: optional blanks, a sign, digits with an
// optional fraction and exponent, or &H hex; "True" and "False" as -1 and 0.
double NumberFromText(const std::string& text) {
    std::size_t begin = text.find_first_not_of(' ');
    std::size_t end = text.find_last_not_of(' ');
    if (begin == std::string::npos) Mismatch();
    const std::string t = text.substr(begin, end - begin + 1);
    if (EqualsNoCase(t, "True")) return -1;
    if (EqualsNoCase(t, "False")) return 0;
    if (t.size() > 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h')) {
        std::uint32_t value = 0;
        const auto [ptr, error] = std::from_chars(t.data() + 2, t.data() + t.size(), value, 16);
        if (error != std::errc{} || ptr != t.data() + t.size() || t.size() > 10) Mismatch();
        return static_cast<std::int32_t>(value);
    }
    double value = 0;
    const auto [ptr, error] = std::from_chars(t.data() + (t[0] == '+' ? 1 : 0), t.data() + t.size(), value);
    if (error == std::errc::result_out_of_range) Raise(kErrOverflow);
    if (error != std::errc{} || ptr != t.data() + t.size()) Mismatch();
    return value;
}

double NumberOf(const BagValue& value) {
    if (const auto* i = std::get_if<std::int32_t>(&value)) return *i;
    if (const auto* d = std::get_if<double>(&value)) return *d;
    if (const auto* s = std::get_if<std::string>(&value)) return NumberFromText(*s);
    if (std::holds_alternative<std::monostate>(value)) return 0;  // an empty value reads as 0
    Mismatch();
}

}  // namespace

std::int16_t PropertyBag::ReadInt16(std::string_view key, std::int16_t def) const {
    const auto it = Find(key);
    return it == entries_.end() ? def : ToInt16(NumberOf(it->second));
}

std::int32_t PropertyBag::ReadInt32(std::string_view key, std::int32_t def) const {
    const auto it = Find(key);
    return it == entries_.end() ? def : ToInt32(NumberOf(it->second));
}

VbBool PropertyBag::ReadBool(std::string_view key, VbBool def) const {
    const auto it = Find(key);
    if (it == entries_.end()) return def;
    return ToVbBool(NumberOf(it->second) != 0);
}

std::uint32_t PropertyBag::ReadColor(std::string_view key, std::uint32_t def) const {
    const auto it = Find(key);
    if (it == entries_.end()) return def;
    const double number = NumberOf(it->second);
    // Colours are 32-bit patterns: &H8000000F is stored as a negative whole number.
    if (number > 2147483647.0 && number <= 4294967295.0) {
        return static_cast<std::uint32_t>(number);
    }
    return static_cast<std::uint32_t>(ToInt32(number));
}

std::string PropertyBag::ReadText(std::string_view key, const std::string& def) const {
    const auto it = Find(key);
    if (it == entries_.end()) return def;
    const BagValue& value = it->second;
    if (const auto* s = std::get_if<std::string>(&value)) return *s;
    if (const auto* i = std::get_if<std::int32_t>(&value)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&value)) return NumberText(*d);
    if (std::holds_alternative<std::monostate>(value)) return {};
    Mismatch();
}

FontSpec PropertyBag::ReadFont(std::string_view key, const FontSpec& def) const {
    const auto it = Find(key);
    if (it == entries_.end()) return def;
    if (const auto* f = std::get_if<FontSpec>(&it->second)) return *f;
    Mismatch();
}

Picture PropertyBag::ReadPicture(std::string_view key, const Picture& def) const {
    const auto it = Find(key);
    if (it == entries_.end()) return def;
    if (const auto* p = std::get_if<Picture>(&it->second)) return *p;
    if (std::holds_alternative<std::monostate>(it->second)) return {};
    Mismatch();
}

void PropertyBag::WriteInt16(std::string_view key, std::int16_t value, std::optional<std::int16_t> def) {
    WriteProperty(key, std::int32_t{value}, def ? BagValue(std::int32_t{*def}) : BagValue());
}

void PropertyBag::WriteInt32(std::string_view key, std::int32_t value, std::optional<std::int32_t> def) {
    WriteProperty(key, value, def ? BagValue(*def) : BagValue());
}

void PropertyBag::WriteBool(std::string_view key, VbBool value, std::optional<VbBool> def) {
    const auto stored = [](VbBool b) { return std::int32_t{b != kFalse ? kTrue : kFalse}; };
    WriteProperty(key, stored(value), def ? BagValue(stored(*def)) : BagValue());
}

void PropertyBag::WriteColor(std::string_view key, std::uint32_t value, std::optional<std::uint32_t> def) {
    const auto stored = [](std::uint32_t c) { return static_cast<std::int32_t>(c); };
    WriteProperty(key, stored(value), def ? BagValue(stored(*def)) : BagValue());
}

void PropertyBag::WriteText(std::string_view key, const std::string& value, std::optional<std::string> def) {
    WriteProperty(key, value, def ? BagValue(*def) : BagValue());
}

void PropertyBag::WriteFont(std::string_view key, const FontSpec& value) { WriteProperty(key, value); }

void PropertyBag::WritePicture(std::string_view key, const Picture& value) {
    if (value.IsNone()) {
        // None is the default: drop an earlier picture rather than store an empty one.
        WriteProperty(key, Picture{}, Picture{});
        return;
    }
    WriteProperty(key, value);
}

}  // namespace forms
