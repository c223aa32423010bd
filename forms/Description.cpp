// Parser and typed reads for the stored window description (the format is in Description.h).
#include "forms/Description.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace forms::desc {

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || IsDigit(c); }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

[[noreturn]] void Fail(int line, const std::string& message) {
    throw DescriptionError(line, message);
}

std::string Quoted(std::string_view s) { return "'" + std::string(s) + "'"; }

// How a block is named in messages: by its name, or by its kind for the nameless bag.
std::string Describe(const Node& node) { return Quoted(node.name.empty() ? node.kind : node.name); }

bool IsBagKind(std::string_view kind) { return EqualsNoCase(kind, "bag"); }

// Reads one line's worth of tokens; every fault names this line.
class LineReader {
public:
    LineReader(std::string_view text, int line) : text_(text), line_(line) {}

    void SkipBlanks() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
    }
    // True when only blanks and a comment are left.
    bool AtEnd() {
        SkipBlanks();
        return pos_ >= text_.size() || text_[pos_] == '#';
    }
    // The next character after blanks, or '\0' at the end of the line (or at a comment).
    char Peek() { return AtEnd() ? '\0' : text_[pos_]; }
    bool Accept(char c) {
        if (Peek() != c) return false;
        ++pos_;
        return true;
    }
    bool AtIdent() { return IsIdentStart(Peek()); }
    bool RestHas(char c) const { return text_.find(c, pos_) != std::string_view::npos; }

    std::string Ident() {
        SkipBlanks();
        const std::size_t start = pos_;
        while (pos_ < text_.size() && IsIdentChar(text_[pos_])) ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }

    // At an opening quote.
    std::string String() {
        SkipBlanks();
        ++pos_;
        std::string out;
        for (;;) {
            if (pos_ >= text_.size()) Fail(line_, "unterminated string");
            const char c = text_[pos_++];
            if (c == '"') return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (pos_ >= text_.size()) Fail(line_, "unterminated string");
            const char e = text_[pos_++];
            switch (e) {
                case '"': out += '"'; break;
                case '\\': out += '\\'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                default: Fail(line_, "bad escape '\\" + std::string(1, e) + "' in string");
            }
        }
    }

    Atom Value() {
        Atom atom;
        atom.line = line_;
        const char c = Peek();
        if (c == '"') {
            atom.kind = Atom::Kind::String;
            atom.text = String();
        } else if (IsIdentStart(c)) {
            atom.kind = Atom::Kind::Word;
            atom.text = Ident();
        } else if (IsDigit(c) || c == '-' || c == '+' || c == '.' || c == '&') {
            Number(atom);
        } else {
            Fail(line_, "unexpected " + Quoted(std::string(1, c)) + " in value");
        }
        return atom;
    }

    int Line() const { return line_; }

private:
    // Takes the whole run of number-like characters first, so that "12x" is refused as one
    // bad number rather than read as 12 followed by stray text.
    void Number(Atom& atom) {
        const std::size_t start = pos_;
        const bool hex = text_[pos_] == '&';
        ++pos_;
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            const bool exponentSign = !hex && (c == '-' || c == '+') &&
                                      (text_[pos_ - 1] == 'e' || text_[pos_ - 1] == 'E');
            if (!IsIdentChar(c) && c != '.' && c != '&' && !exponentSign) break;
            ++pos_;
        }
        const std::string_view run = text_.substr(start, pos_ - start);
        atom.text = std::string(run);
        const auto bad = [&] { Fail(line_, "bad number " + Quoted(run)); };

        if (hex) {
            if (run.size() < 3 || LowerAscii(run[1]) != 'h') bad();
            const std::string_view digits = run.substr(2);
            for (char d : digits) {
                if (!IsHexDigit(d)) bad();
            }
            if (digits.size() > 8) Fail(line_, "hex number " + Quoted(run) + " is too long");
            std::uint32_t value = 0;
            std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
            atom.kind = Atom::Kind::Integer;
            atom.integer = value;
            atom.real = static_cast<double>(value);
            return;
        }

        // [sign] digits [. digits [(e|E) [sign] digits]]
        std::size_t i = 0;
        if (run[i] == '-' || run[i] == '+') ++i;
        const auto digitsFrom = [&](std::size_t from) {
            std::size_t to = from;
            while (to < run.size() && IsDigit(run[to])) ++to;
            return to;
        };
        std::size_t end = digitsFrom(i);
        if (end == i) bad();
        if (end == run.size()) {
            // from_chars takes no '+'.
            const std::size_t from = run[0] == '+' ? 1 : 0;
            std::int64_t value = 0;
            const auto result = std::from_chars(run.data() + from, run.data() + run.size(), value);
            if (result.ec != std::errc()) Fail(line_, "number " + Quoted(run) + " is out of range");
            atom.kind = Atom::Kind::Integer;
            atom.integer = value;
            atom.real = static_cast<double>(value);
            return;
        }
        if (run[end] != '.') bad();
        const std::size_t fraction = end + 1;
        end = digitsFrom(fraction);
        if (end == fraction) bad();
        if (end < run.size()) {
            if (run[end] != 'e' && run[end] != 'E') bad();
            std::size_t exponent = end + 1;
            if (exponent < run.size() && (run[exponent] == '-' || run[exponent] == '+')) ++exponent;
            end = digitsFrom(exponent);
            if (end == exponent || end != run.size()) bad();
        }
        const std::size_t from = run[0] == '+' ? 1 : 0;
        double value = 0;
        const auto result = std::from_chars(run.data() + from, run.data() + run.size(), value);
        if (result.ec != std::errc() || result.ptr != run.data() + run.size()) {
            Fail(line_, "number " + Quoted(run) + " is out of range");
        }
        atom.kind = Atom::Kind::Real;
        atom.real = value;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_;
};

class Parser {
public:
    Node Run(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        int line = 0;
        while (!text.empty() || line == 0) {
            ++line;
            const std::size_t eol = text.find('\n');
            std::string_view current = text.substr(0, eol);
            text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
            if (!current.empty() && current.back() == '\r') current.remove_suffix(1);
            Line(current, line);
        }
        if (!open_.empty()) {
            Fail(open_.back().line, "block " + Describe(open_.back()) + " opened here is never closed");
        }
        if (!done_) Fail(1, "empty description");
        return std::move(root_);
    }

private:
    void Line(std::string_view text, int line) {
        LineReader reader(text, line);
        if (reader.AtEnd()) return;
        if (done_) Fail(line, "text after the end of the top-level block");

        if (reader.Accept('}')) {
            if (!reader.AtEnd()) Fail(line, "unexpected text after '}'");
            if (open_.empty()) Fail(line, "'}' without an open block");
            Close();
            return;
        }
        if (reader.Peek() == '"') {
            const std::string key = reader.String();
            if (key.empty()) Fail(line, "empty property name");
            PropertyRest(reader, key);
            return;
        }
        if (!reader.AtIdent()) Fail(line, "expected a property or a block header");

        const std::string first = reader.Ident();
        if (reader.Peek() == '=') {
            PropertyRest(reader, first);
            return;
        }
        Node node;
        node.kind = first;
        node.line = line;
        if (IsBagKind(first)) {
            if (reader.AtIdent()) Fail(line, "a bag block takes no name");
            if (!reader.Accept('{')) Fail(line, "expected '{' after " + Quoted(first));
        } else {
            // "control : Butt {" lacks a name; "Caption: 1" lacks its '='.
            if (reader.Peek() == '{' || (reader.Peek() == ':' && reader.RestHas('{'))) {
                Fail(line, "expected a name after " + Quoted(first));
            }
            if (!reader.AtIdent()) Fail(line, "expected '=' after " + Quoted(first));
            node.name = reader.Ident();
            if (reader.Accept(':')) {
                if (!reader.AtIdent()) Fail(line, "expected a type name after ':'");
                node.type = reader.Ident();
            }
            if (!reader.Accept('{')) {
                Fail(line, "expected '{' after " + Quoted(node.type.empty() ? node.name : node.type));
            }
        }
        if (!reader.AtEnd()) Fail(line, "unexpected text after '{'");
        if (!open_.empty() && IsBagKind(open_.back().kind)) {
            Fail(line, "block " + Describe(node) + " inside a bag");
        }
        open_.push_back(std::move(node));
    }

    // After the key; the reader is at '=' or at whatever stands in its place.
    void PropertyRest(LineReader& reader, const std::string& key) {
        const int line = reader.Line();
        if (!reader.Accept('=')) Fail(line, "expected '=' after " + Quoted(key));
        if (open_.empty()) Fail(line, "property " + Quoted(key) + " outside a block");
        Property property;
        property.key = key;
        property.line = line;
        if (reader.AtEnd()) Fail(line, "missing value after '='");
        for (;;) {
            property.values.push_back(reader.Value());
            if (reader.AtEnd()) break;
            if (reader.Accept(',')) {
                if (reader.AtEnd()) Fail(line, "missing value after ','");
                continue;
            }
            const char c = reader.Peek();
            if (c == '"' || IsIdentChar(c) || c == '-' || c == '+' || c == '.' || c == '&') {
                Fail(line, "expected ',' between values");
            }
            Fail(line, "unexpected " + Quoted(std::string(1, c)) + " in value");
        }
        Node& block = open_.back();
        if (block.Find(key)) Fail(line, "duplicate property " + Quoted(key));
        block.properties.push_back(std::move(property));
    }

    void Close() {
        Node node = std::move(open_.back());
        open_.pop_back();
        if (open_.empty()) {
            root_ = std::move(node);
            done_ = true;
        } else {
            open_.back().children.push_back(std::move(node));
        }
    }

    // The blocks opened and not yet closed, outermost first; a block joins its parent only
    // when it closes, so nothing points into a vector that may still grow.
    std::vector<Node> open_;
    Node root_;
    bool done_ = false;
};

[[noreturn]] void FailValue(const Property& p, const std::string& problem) {
    Fail(p.line, Quoted(p.key) + " " + problem);
}

const Atom& Single(const Property& p, const char* what) {
    if (p.values.size() != 1) {
        FailValue(p, std::string("must be ") + what + ", got " + std::to_string(p.values.size()) +
                         " values");
    }
    return p.values[0];
}

// An &H value is a bit pattern, so FFFFFFFF is -1; a decimal value must fit as it stands.
bool ToInt32(const Atom& atom, std::int32_t& out) {
    if (atom.kind != Atom::Kind::Integer) return false;
    if (!atom.text.empty() && atom.text[0] == '&') {
        out = static_cast<std::int32_t>(static_cast<std::uint32_t>(atom.integer));
        return true;
    }
    if (atom.integer < std::numeric_limits<std::int32_t>::min() ||
        atom.integer > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    out = static_cast<std::int32_t>(atom.integer);
    return true;
}

}  // namespace

DescriptionError::DescriptionError(int line, const std::string& message)
    : std::runtime_error("line " + std::to_string(line) + ": " + message), line_(line) {}


const Property* Node::Find(std::string_view key) const {
    for (const Property& p : properties) {
        if (EqualsNoCase(p.key, key)) return &p;
    }
    return nullptr;
}

const Node* Node::Child(std::string_view childName) const {
    for (const Node& child : children) {
        if (EqualsNoCase(child.name, childName)) return &child;
    }
    return nullptr;
}

Node Parse(std::string_view text) { return Parser().Run(text); }

std::string GetString(const Property& p) {
    const Atom& atom = Single(p, "one string");
    if (atom.kind != Atom::Kind::String) FailValue(p, "must be a string");
    return atom.text;
}

std::int32_t GetInt(const Property& p) {
    const Atom& atom = Single(p, "one integer");
    if (atom.kind != Atom::Kind::Integer) FailValue(p, "must be an integer");
    std::int32_t value = 0;
    if (!ToInt32(atom, value)) FailValue(p, "value " + atom.text + " is out of range");
    return value;
}

double GetReal(const Property& p) {
    const Atom& atom = Single(p, "one number");
    if (atom.kind != Atom::Kind::Integer && atom.kind != Atom::Kind::Real) {
        FailValue(p, "must be a number");
    }
    return atom.real;
}

bool GetBool(const Property& p) {
    const Atom& atom = Single(p, "True or False");
    if (atom.kind == Atom::Kind::Word) {
        if (EqualsNoCase(atom.text, "True")) return true;
        if (EqualsNoCase(atom.text, "False")) return false;
    } else if (atom.kind == Atom::Kind::Integer && atom.text[0] != '&') {
        if (atom.integer == 0) return false;
        if (atom.integer == 1 || atom.integer == -1) return true;
    }
    FailValue(p, "must be True or False");
}

std::vector<std::int32_t> GetInts(const Property& p, std::size_t count) {
    const std::string needs = "needs " + std::to_string(count) +
                              (count == 1 ? " integer" : " integers");
    if (p.values.size() != count) FailValue(p, needs + ", got " + std::to_string(p.values.size()));
    std::vector<std::int32_t> out(count);
    for (std::size_t i = 0; i < count; ++i) {
        const Atom& atom = p.values[i];
        if (atom.kind != Atom::Kind::Integer) {
            FailValue(p, needs + ", value " + std::to_string(i + 1) + " is not an integer");
        }
        if (!ToInt32(atom, out[i])) FailValue(p, "value " + atom.text + " is out of range");
    }
    return out;
}

std::string GetWord(const Property& p) {
    const Atom& atom = Single(p, "one word");
    if (atom.kind != Atom::Kind::Word) FailValue(p, "must be a word");
    return atom.text;
}

void CheckKeys(const Node& node, std::initializer_list<std::string_view> allowed) {
    for (const Property& p : node.properties) {
        bool known = false;
        for (std::string_view key : allowed) {
            if (EqualsNoCase(p.key, key)) {
                known = true;
                break;
            }
        }
        if (!known) {
            Fail(p.line, "unknown property " + Quoted(p.key) + " in " + node.kind +
                             (node.name.empty() ? "" : " " + Quoted(node.name)));
        }
    }
}

}  // namespace forms::desc
