// The stored window description: a small text format, embedded as an RCDATA resource, that
// says which windows and controls a form has and how they are set up.
//
//   # A comment runs from '#' to the end of the line (outside strings).
//   form wndMain {
//       Caption    = "Talvenor Vrel"
//       BackColor  = &H493328
//       Font       = "Verdana", 8.25, Bold
//       label Label1 {
//           Rect = 180, 105, 5175, 330
//       }
//       control Apply : Butt {
//           bag {
//               "_extentx" = 2011
//           }
//       }
//   }
//
// The format is line oriented; blank lines, comments and leading/trailing blanks are ignored,
// and lines may end in CRLF or LF (a UTF-8 BOM at the start is skipped).
// - The text holds exactly one top-level block.
// - A block opens with "<kind> <name> [: <type>] {" ending its line, and closes with a line
//   holding only "}". Kind, name and type are identifiers ([A-Za-z_][A-Za-z0-9_]*); the type
//   names the class of a hosted control. "bag {" is the one nameless block: it holds a hosted
//   control's property bag, and so properties only.
// - A property is "<key> = <value>", one a line; the key is an identifier or a quoted string,
//   and occurs at most once a block.
// - A value is one or more atoms separated by commas: a string ("..." with the escapes \",
//   \\, \n, \r, \t; its bytes are kept as they stand, as ANSI text), an integer (decimal with an
//   optional sign, or &H with 1 to 8 hex digits read as an unsigned 32-bit pattern), a real
//   (digits, '.', digits, an optional exponent) or a word (an identifier: True, Bold, ...).
// Kinds and keys compare without regard to ASCII case; names keep their case as written but
// are looked up without regard to it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "forms/Errors.h"

namespace forms::desc {

struct Atom {
    enum class Kind { String, Integer, Real, Word };
    Kind kind = Kind::Word;
    std::string text;          // the string's content, the word, or the number as written
    std::int64_t integer = 0;  // Integer
    double real = 0;           // Real, and Integer converted
    int line = 0;
};

struct Property {
    std::string key;  // as written
    std::vector<Atom> values;
    int line = 0;
};

struct Node {
    std::string kind;  // "form", "label", "bag", ... as written
    std::string name;  // empty for bag
    std::string type;  // after ':' or empty
    int line = 0;
    std::vector<Property> properties;  // in stored order
    std::vector<Node> children;        // in stored order (this is the stacking order)

    // Case-insensitive; nullptr when absent.
    const Property* Find(std::string_view key) const;
    // A direct child by name, case-insensitive; nullptr when absent.
    const Node* Child(std::string_view name) const;
};

// what() is "line N: message".
class DescriptionError : public std::runtime_error {
public:
    DescriptionError(int line, const std::string& message);
    int Line() const noexcept { return line_; }

private:
    int line_;
};

// Throws DescriptionError naming the first fault found.
Node Parse(std::string_view text);

// Typed reads of a property's value; each throws DescriptionError naming the property's line
// and what is wrong.
std::string GetString(const Property&);  // exactly one String atom
// Exactly one Integer atom within int32; a &H value up to FFFFFFFF gives its int32 bit pattern.
std::int32_t GetInt(const Property&);
double GetReal(const Property&);  // one Integer or Real atom
bool GetBool(const Property&);    // one Word True/False (any case), or Integer 0, -1 or 1
// Exactly count Integer atoms, each read as GetInt reads one.
std::vector<std::int32_t> GetInts(const Property&, std::size_t count);
std::string GetWord(const Property&);  // one Word atom

// Throws on the first property whose key is not among allowed.
void CheckKeys(const Node&, std::initializer_list<std::string_view> allowed);

// ASCII case-insensitive equality: the runtime's one comparison.
using forms::EqualsNoCase;

}  // namespace forms::desc
