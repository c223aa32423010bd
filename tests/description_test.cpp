#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "forms/Description.h"

namespace forms::desc {
namespace {

std::string Join(std::initializer_list<const char*> lines, const char* eol) {
    std::string out;
    for (const char* line : lines) out += std::string(line) + eol;
    return out;
}

// The message Parse refuses text with, or "" when it takes it.
std::string ParseError(const std::string& text) {
    try {
        Parse(text);
    } catch (const DescriptionError& error) {
        return error.what();
    }
    return "";
}

TEST(DescriptionTest, ParsesARealisticForm) {
    const std::string text =
        "\xEF\xBB\xBF" +
        Join({"# main window",
              "form wndMain {",
              "    Caption     = \"Talvenor \\\"Vrel\\\"\\t\\\\ \xE9\"   # ANSI byte kept",
              "    ClientSize  = 10770, 6090",
              "    BackColor   = &H493328",
              "\t  ForeColor = &h80000012",
              "    FillColor   = &H8000000F",
              "    Font        = \"Verdana\", 8.25, Bold",
              "",
              "    Offset      = -15, +7, -1.5",
              "    picturebox skin_Complete {",
              "        Rect    = 0, 0, 10770, 6090",
              "        label Label1 {",
              "            Caption = \"Talvenor # crew\"",
              "        }",
              "        control Apply:Butt{",
              "            Rect = 9315, 4860, 1140, 360",
              "            bag {",
              "                \"_extentx\" = 2011",
              "                _Version   = 65536",
              "                font       = \"Verdana\", 8.25, 700, False",
              "            }",
              "        }",
              "    }",
              "    timer Timer1 {",
              "        Interval = 100",
              "    }",
              "}",
              "# trailing comment"},
             "\r\n");
    const Node form = Parse(text);

    EXPECT_EQ(form.kind, "form");
    EXPECT_EQ(form.name, "wndMain");
    EXPECT_EQ(form.line, 2);
    ASSERT_EQ(form.properties.size(), 7u);
    ASSERT_EQ(form.children.size(), 2u);

    const Property* caption = form.Find("CAPTION");
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->line, 3);
    EXPECT_EQ(GetString(*caption), "Talvenor \"Vrel\"\t\\ \xE9");

    EXPECT_EQ(GetInts(*form.Find("clientsize"), 2), (std::vector<std::int32_t>{10770, 6090}));
    EXPECT_EQ(GetInt(*form.Find("BackColor")), 0x493328);

    // System colours have the top bit set: kept unsigned as written, as a bit pattern in int32.
    const Property& foreColor = *form.Find("ForeColor");
    EXPECT_EQ(foreColor.values[0].integer, 2147483666);
    EXPECT_EQ(static_cast<std::uint32_t>(GetInt(foreColor)), 0x80000012u);
    EXPECT_EQ(static_cast<std::uint32_t>(GetInt(*form.Find("FillColor"))), 0x8000000Fu);
    EXPECT_EQ(foreColor.values[0].text, "&h80000012");

    const Property& font = *form.Find("Font");
    ASSERT_EQ(font.values.size(), 3u);
    EXPECT_EQ(font.values[0].kind, Atom::Kind::String);
    EXPECT_EQ(font.values[1].kind, Atom::Kind::Real);
    EXPECT_DOUBLE_EQ(font.values[1].real, 8.25);
    EXPECT_EQ(font.values[1].text, "8.25");
    EXPECT_EQ(font.values[2].kind, Atom::Kind::Word);
    EXPECT_EQ(font.values[2].text, "Bold");

    const Property& offset = *form.Find("Offset");
    ASSERT_EQ(offset.values.size(), 3u);
    EXPECT_EQ(offset.values[0].integer, -15);
    EXPECT_EQ(offset.values[1].integer, 7);
    EXPECT_DOUBLE_EQ(offset.values[1].real, 7.0);
    EXPECT_DOUBLE_EQ(offset.values[2].real, -1.5);
    EXPECT_EQ(offset.values[2].line, 10);

    const Node& skin = form.children[0];
    EXPECT_EQ(form.Child("SKIN_COMPLETE"), &skin);
    EXPECT_EQ(skin.kind, "picturebox");
    EXPECT_EQ(skin.line, 11);
    ASSERT_EQ(skin.children.size(), 2u);
    EXPECT_EQ(skin.children[0].name, "Label1");
    EXPECT_EQ(GetString(*skin.children[0].Find("Caption")), "Talvenor # crew");
    EXPECT_EQ(form.Child("Label1"), nullptr) << "Child looks at direct children only";

    const Node& apply = skin.children[1];
    EXPECT_EQ(apply.kind, "control");
    EXPECT_EQ(apply.name, "Apply");
    EXPECT_EQ(apply.type, "Butt");
    ASSERT_EQ(apply.children.size(), 1u);
    const Node& bag = apply.children[0];
    EXPECT_EQ(bag.kind, "bag");
    EXPECT_EQ(bag.name, "");
    EXPECT_EQ(bag.line, 18);
    ASSERT_EQ(bag.properties.size(), 3u);
    EXPECT_EQ(bag.properties[0].key, "_extentx");
    EXPECT_EQ(bag.properties[0].line, 19);
    EXPECT_EQ(GetInt(*bag.Find("_EXTENTX")), 2011);
    EXPECT_EQ(bag.properties[1].key, "_Version");
    EXPECT_EQ(bag.properties[2].values.size(), 4u);

    EXPECT_EQ(form.children[1].name, "Timer1");
    EXPECT_EQ(form.Find("Missing"), nullptr);
}

TEST(DescriptionTest, RefusesMalformedTextNamingTheLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"", "line 1: empty description"},
        {"\xEF\xBB\xBF# only a comment\n\n", "line 1: empty description"},
        {"form f {\n  Caption \"x\"\n}", "line 2: expected '=' after 'Caption'"},
        {"form f {\n  Caption: \"x\"\n}", "line 2: expected '=' after 'Caption'"},
        {"form f {\n  \"_extentx\" 5\n}", "line 2: expected '=' after '_extentx'"},
        {"form f {\n  Caption = \"abc\n}", "line 2: unterminated string"},
        {"form f {\n  Caption = \"abc\\\n}", "line 2: unterminated string"},
        {"form f {\n  Caption = \"a\\qb\"\n}", "line 2: bad escape '\\q' in string"},
        {"}\n", "line 1: '}' without an open block"},
        {"form f {\n  label a {\n\n", "line 2: block 'a' opened here is never closed"},
        // The lone '}' closes the label, so the form is the block left open.
        {"form f {\n  label a {\n\n}\n", "line 1: block 'f' opened here is never closed"},
        {"form f {\n  control c : T {\n    bag {\n", "line 3: block 'bag' opened here is never closed"},
        {"form f {\n", "line 1: block 'f' opened here is never closed"},
        {"form f {\n}\n# fine\nlabel g {\n}\n", "line 4: text after the end of the top-level block"},
        {"form f {\n}\n}\n", "line 3: text after the end of the top-level block"},
        {"form f {\n  Width = 12x\n}", "line 2: bad number '12x'"},
        {"form f {\n  Width = 1.5.2\n}", "line 2: bad number '1.5.2'"},
        {"form f {\n  Width = 1.\n}", "line 2: bad number '1.'"},
        {"form f {\n  Width = -\n}", "line 2: bad number '-'"},
        {"form f {\n  Color = &H\n}", "line 2: bad number '&H'"},
        {"form f {\n  Color = &HFFG\n}", "line 2: bad number '&HFFG'"},
        {"form f {\n  Color = &H493328&\n}", "line 2: bad number '&H493328&'"},
        {"form f {\n  Color = &HFFFFFFFFF\n}", "line 2: hex number '&HFFFFFFFFF' is too long"},
        {"form f {\n  Big = 9223372036854775808\n}",
         "line 2: number '9223372036854775808' is out of range"},
        {"form f {\n  Caption =   # nothing\n}", "line 2: missing value after '='"},
        {"form f {\n  Rect = 1, 2,\n}", "line 2: missing value after ','"},
        {"form f {\n  Rect = 1, , 2\n}", "line 2: unexpected ',' in value"},
        {"form f {\n  Font = \"Verdana\" 8.25\n}", "line 2: expected ',' between values"},
        {"form f {\n  Rect = 1 2\n}", "line 2: expected ',' between values"},
        {"form f {\n  Caption = \"a\" = 1\n}", "line 2: unexpected '=' in value"},
        {"form f { # ok\n  label a { x\n}\n}", "line 2: unexpected text after '{'"},
        {"form f {\n  label a {}\n}", "line 2: unexpected text after '{'"},
        {"form f {\n  label a\n  }\n}", "line 2: expected '{' after 'a'"},
        {"form f {\n  control a : {\n  }\n}", "line 2: expected a type name after ':'"},
        {"form f {\n  control : T {\n  }\n}", "line 2: expected a name after 'control'"},
        {"form f {\n  label {\n  }\n}", "line 2: expected a name after 'label'"},
        {"form f {\n  control a : T {\n    bag b {\n", "line 3: a bag block takes no name"},
        {"form f {\n  control a : T {\n    bag {\n      label x {\n",
         "line 4: block 'x' inside a bag"},
        {"form f {\n  }  }\n", "line 2: unexpected text after '}'"},
        {"form f {\n  Caption = \"a\"\n  caption = \"b\"\n}", "line 3: duplicate property 'caption'"},
        {"form f {\n  bag {\n    \"A\" = 1\n    a = 2\n  }\n}", "line 4: duplicate property 'a'"},
        {"form f {\n  \"\" = 1\n}", "line 2: empty property name"},
        {"Caption = 1\n", "line 1: property 'Caption' outside a block"},
        {"form f {\n  = 1\n}", "line 2: expected a property or a block header"},
        {"form f {\n  1abc = 1\n}", "line 2: expected a property or a block header"},
        // Line numbers count CRLF lines, and the BOM is no text of its own.
        {"\xEF\xBB\xBF" "form f {\r\n\r\n  Width = 12x\r\n}\r\n", "line 3: bad number '12x'"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseError(c.text), c.message) << "text: " << c.text;
    }
}

TEST(DescriptionTest, ErrorsCarryTheirLine) {
    try {
        Parse("form f {\n\n\n  Width = 12x\n}");
        FAIL() << "no error";
    } catch (const DescriptionError& error) {
        EXPECT_EQ(error.Line(), 4);
    }
}

// A one-property form whose property is at line 2, for the typed reads.
Property PropertyOf(const std::string& line) {
    const Node node = Parse("form f {\n  " + line + "\n}");
    return node.properties.at(0);
}

TEST(DescriptionTest, TypedReadsAcceptTheirForms) {
    EXPECT_EQ(GetInt(PropertyOf("V = -2147483648")), INT32_MIN);
    EXPECT_EQ(GetInt(PropertyOf("V = &HFFFFFFFF")), -1);
    EXPECT_DOUBLE_EQ(GetReal(PropertyOf("V = 3")), 3.0);
    EXPECT_DOUBLE_EQ(GetReal(PropertyOf("V = 1.25e2")), 125.0);
    EXPECT_TRUE(GetBool(PropertyOf("V = TRUE")));
    EXPECT_FALSE(GetBool(PropertyOf("V = false")));
    EXPECT_TRUE(GetBool(PropertyOf("V = -1")));
    EXPECT_TRUE(GetBool(PropertyOf("V = 1")));
    EXPECT_FALSE(GetBool(PropertyOf("V = 0")));
    EXPECT_EQ(GetWord(PropertyOf("V = Center")), "Center");
    EXPECT_EQ(GetInts(PropertyOf("V = &H10, -3, 0"), 3), (std::vector<std::int32_t>{16, -3, 0}));
}

TEST(DescriptionTest, TypedReadsRefuseNamingTheProperty) {
    struct Case {
        const char* line;
        std::function<void(const Property&)> read;
        const char* message;
    };
    const Case cases[] = {
        {"Caption = Talvenor", [](const Property& p) { GetString(p); }, "line 2: 'Caption' must be a string"},
        {"Caption = \"a\", \"b\"", [](const Property& p) { GetString(p); },
         "line 2: 'Caption' must be one string, got 2 values"},
        {"Width = 1.5", [](const Property& p) { GetInt(p); }, "line 2: 'Width' must be an integer"},
        {"Width = \"10\"", [](const Property& p) { GetInt(p); }, "line 2: 'Width' must be an integer"},
        {"Width = 2147483648", [](const Property& p) { GetInt(p); },
         "line 2: 'Width' value 2147483648 is out of range"},
        {"Width = -2147483649", [](const Property& p) { GetInt(p); },
         "line 2: 'Width' value -2147483649 is out of range"},
        {"Size = Big", [](const Property& p) { GetReal(p); }, "line 2: 'Size' must be a number"},
        {"Visible = 2", [](const Property& p) { GetBool(p); }, "line 2: 'Visible' must be True or False"},
        {"Visible = Yes", [](const Property& p) { GetBool(p); }, "line 2: 'Visible' must be True or False"},
        {"Visible = \"True\"", [](const Property& p) { GetBool(p); },
         "line 2: 'Visible' must be True or False"},
        {"Align = \"Center\"", [](const Property& p) { GetWord(p); }, "line 2: 'Align' must be a word"},
        {"Rect = 1, 2, 3", [](const Property& p) { GetInts(p, 4); }, "line 2: 'Rect' needs 4 integers, got 3"},
        {"Rect = 1, 2, 3, 4, 5", [](const Property& p) { GetInts(p, 4); },
         "line 2: 'Rect' needs 4 integers, got 5"},
        {"Rect = 1, 2.5, 3, 4", [](const Property& p) { GetInts(p, 4); },
         "line 2: 'Rect' needs 4 integers, value 2 is not an integer"},
        {"Rect = 1, 2, 3, 4294967296", [](const Property& p) { GetInts(p, 4); },
         "line 2: 'Rect' value 4294967296 is out of range"},
    };
    for (const Case& c : cases) {
        const Property p = PropertyOf(c.line);
        try {
            c.read(p);
            ADD_FAILURE() << "no error for: " << c.line;
        } catch (const DescriptionError& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
    }
}

TEST(DescriptionTest, CheckKeysNamesTheFirstUnknownKey) {
    const Node form = Parse(
        "form f {\n"
        "  label Label1 {\n"
        "    CAPTION = \"x\"\n"
        "    Captoin = \"y\"\n"
        "    Rectt = 1\n"
        "  }\n"
        "  control c : T {\n"
        "    bag {\n"
        "      \"_x\" = 1\n"
        "    }\n"
        "  }\n"
        "}");
    const Node& label = form.children.at(0);
    EXPECT_NO_THROW(CheckKeys(label, {"Caption", "Captoin", "Rectt"}));
    try {
        CheckKeys(label, {"Rect", "Caption"});
        FAIL() << "no error";
    } catch (const DescriptionError& error) {
        EXPECT_STREQ(error.what(), "line 4: unknown property 'Captoin' in label 'Label1'");
    }
    try {
        CheckKeys(form.children.at(1).children.at(0), {});
        FAIL() << "no error";
    } catch (const DescriptionError& error) {
        EXPECT_STREQ(error.what(), "line 9: unknown property '_x' in bag");
    }
}

}  // namespace
}  // namespace forms::desc
