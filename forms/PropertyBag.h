// The store of named settings that a host keeps for each hosted control instance.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "forms/Picture.h"
#include "forms/Runtime.h"

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

    // Typed reads with the runtime's conversions: a stored value of another kind that
    // converts is converted (whole numbers round half to even, "True"/"False" texts and
    // numbers in text are taken); one that does not raises "Type mismatch", one out of the
    // type's range "Overflow". The default is returned when the key is absent.
    std::int16_t ReadInt16(std::string_view key, std::int16_t def) const;
    std::int32_t ReadInt32(std::string_view key, std::int32_t def) const;
    VbBool ReadBool(std::string_view key, VbBool def) const;  // any non-zero number is True
    std::uint32_t ReadColor(std::string_view key, std::uint32_t def) const;  // an OleColor
    std::string ReadText(std::string_view key, const std::string& def) const;
    FontSpec ReadFont(std::string_view key, const FontSpec& def) const;
    Picture ReadPicture(std::string_view key, const Picture& def = {}) const;  // none allowed

    // Typed writes; without a default the key is always written, with one it is written
    // only when the value differs from it.
    void WriteInt16(std::string_view key, std::int16_t value, std::optional<std::int16_t> def = {});
    void WriteInt32(std::string_view key, std::int32_t value, std::optional<std::int32_t> def = {});
    void WriteBool(std::string_view key, VbBool value, std::optional<VbBool> def = {});
    void WriteColor(std::string_view key, std::uint32_t value, std::optional<std::uint32_t> def = {});
    void WriteText(std::string_view key, const std::string& value, std::optional<std::string> def = {});
    void WriteFont(std::string_view key, const FontSpec& value);  // always written
    // None is the default: a picture is written only when there is one.
    void WritePicture(std::string_view key, const Picture& value);

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
