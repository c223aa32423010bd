// Drawing of the button: caption and picture layout, face fill and caption, edge rings and
// focus marks, and the eight looks. Buttons live in a test host; each test renders through
// the button's own paint and reads the back buffer's pixels.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "button/Butt.h"
#include "button_apply_look.h"
#include "button_test_host.h"
#include "dib.h"

namespace {

using button::Butt;
using button::EdgeColors;
using button::EdgePoints;
using button::PaintFlag;
using button::RgbColor;
using button::VisualState;
using buttontest::ButtonHost;
using buttontest::Hex;
using forms::kFalse;
using forms::kTrue;
using forms::VbBool;

constexpr RgbColor kBlack = 0x000000;
constexpr RgbColor kWhite = 0xFFFFFF;
constexpr RgbColor kGrey = 0x808080;

RgbColor Px(const Butt& b, int x, int y) {
    return static_cast<RgbColor>(::GetPixel(b.MemoryDC, x, y));
}

std::string RectText(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

// Fills the whole back buffer with one colour, outside any clip.
void Clear(Butt& b, RgbColor color) {
    ::SelectClipRgn(b.MemoryDC, nullptr);
    forms::OwnedBrush brush(::CreateSolidBrush(static_cast<COLORREF>(color)));
    const RECT all{0, 0, b.ScaleWidthPixels(), b.ScaleHeightPixels()};
    ::FillRect(b.MemoryDC, &all, brush.Get());
}

// A square bitmap picture in one colour.
forms::Picture SolidPicture(int size, COLORREF color) {
    return forms::Picture::FromBitmap(
        testdib::DibSection(size, size, [color](int, int) { return color; }));
}

// Wine smooths glyph edges; the caption checks want every glyph pixel in its exact colour,
// so they draw with an unsmoothed copy of the caption font (and lay out with it).
class SharpCaptionFont {
public:
    explicit SharpCaptionFont(Butt& b) : dc_(b.MemoryDC) {
        LOGFONTA font{};
        ::GetObjectA(::GetCurrentObject(dc_, OBJ_FONT), sizeof font, &font);
        font.lfQuality = NONANTIALIASED_QUALITY;
        sharp_.Reset(::CreateFontIndirectA(&font));
        old_ = ::SelectObject(dc_, sharp_.Get());
        VbBool rebuild = kFalse;
        b.CalcLayout(rebuild);
    }
    ~SharpCaptionFont() { ::SelectObject(dc_, old_); }
    SharpCaptionFont(const SharpCaptionFont&) = delete;
    SharpCaptionFont& operator=(const SharpCaptionFont&) = delete;

private:
    HDC dc_;
    forms::OwnedFont sharp_;
    HGDIOBJ old_ = nullptr;
};

// A stored button with a plain grey face and black caption, no caption text.
forms::PropertyBag PlainBag(std::int32_t style, std::int32_t back = 0x808080) {
    forms::PropertyBag bag = buttontest::FontOnlyBag();
    bag.WriteProperty("BackStyle", style);
    bag.WriteProperty("cBack", back);
    bag.WriteProperty("cFore", std::int32_t{0});
    bag.WriteProperty("Caption", std::string());
    return bag;
}

class ButtonDraw : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        host_ = new ButtonHost();
        Butt::SetScreenPixelsForTest(1024, 768);
    }
    static void TearDownTestSuite() {
        Butt::SetScreenPixelsForTest(0, 0);
        delete host_;
        host_ = nullptr;
    }

    static Butt& Add(forms::PropertyBag bag, int w, int h) {
        return host_->Add("b" + std::to_string(++count_), std::move(bag), 10, 10, w, h);
    }

    // Redraws with the given state flags and hover.
    static void Render(Butt& b, std::int16_t state, bool hover = false) {
        b.ButtonState = state;
        b.HoverTimerOn = hover ? kTrue : kFalse;
        b.DrawingDelayed = kFalse;
        b.RedrawButton();
    }

    // The bounding box of the pixels of exactly one colour inside r.
    static RECT BoxOf(const Butt& b, const RECT& r, RgbColor color) {
        RECT box{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                if (Px(b, x, y) != color) continue;
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
        }
        return box;
    }

    static ButtonHost* host_;
    static int count_;
};

ButtonHost* ButtonDraw::host_ = nullptr;
int ButtonDraw::count_ = 0;

// ---- Layout --------------------------------------------------------------------------

// The caption's size as the button measures it: word-wrapped into the given width.
SIZE Measure(const Butt& b, const std::string& text, int width, int height) {
    RECT m{0, 0, width, height};
    ::DrawTextA(b.MemoryDC, text.c_str(), static_cast<int>(text.size()), &m,
                DT_CALCRECT | DT_WORDBREAK);
    return {m.right, m.bottom};
}

RECT Clamped(RECT r, int left, int right, int height) {
    if (r.top < 4) r.top = 4;
    if (r.left < left + 4) r.left = left + 4;
    if (r.right > right - 4) r.right = right - 4;
    if (r.bottom > height - 5) r.bottom = height - 5;
    return r;
}

struct LayoutCase {
    const char* name;
    int w, h;
    std::function<void(Butt&)> setup;
    // Expected caption and picture rectangles; a picture of (0, 0, 0, 0) is not checked.
    std::function<void(const Butt&, RECT& caption, RECT& picture)> expect;
};

TEST_F(ButtonDraw, LayoutPlacesCaptionAndPicture) {
    const forms::Picture pic16 = SolidPicture(16, RGB(0, 200, 0));
    const forms::Picture pic32 = SolidPicture(32, RGB(0, 200, 0));
    const forms::Picture pic64 = SolidPicture(64, RGB(0, 200, 0));
    auto apply = [](Butt&) {};
    const std::vector<LayoutCase> cases = {
        {"APPLY centred on 76 x 24", 76, 24, apply,
         [](const Butt& b, RECT& c, RECT&) {
             const SIZE t = Measure(b, "APPLY", 68, 16);
             const LONG x = (76 - t.cx) / 2, y = (24 - t.cy) / 2;
             c = Clamped({x, y, x + t.cx, y + t.cy}, 0, 76, 24);
         }},
        {"16-pixel picture at the left edge", 76, 24,
         [&](Butt& b) {
             b.SetPicture(pic16);
             b.SetPictureSize(button::size16);
             b.SetPictureAlign(button::imgLeftEdge);
         },
         [](const Butt& b, RECT& c, RECT& p) {
             const SIZE t = Measure(b, "APPLY", 76 - 8 - 16, 16);
             const LONG x = 16 + (60 - t.cx) / 2, y = (24 - t.cy) / 2;
             c = Clamped({x, y, x + t.cx, y + t.cy}, 0, 76, 24);
             p = {4, 4, 20, 19};
         }},
        {"left caption beside a 16-pixel picture", 76, 24,
         [&](Butt& b) {
             b.SetPicture(pic16);
             b.SetPictureSize(button::size16);
             b.SetPictureAlign(button::imgLeftEdge);
             b.SetCaptionAlign(button::alignLeft);
         },
         [](const Butt& b, RECT& c, RECT& p) {
             const SIZE t = Measure(b, "APPLY", 76 - 8 - 16, 16);
             const LONG y = (24 - t.cy) / 2;
             c = Clamped({24, y, 24 + t.cx, y + t.cy}, 0, 76, 24);
             p = {4, 4, 20, 19};
         }},
        {"32-pixel picture above the caption on a 48-pixel button", 100, 48,
         [&](Butt& b) {
             b.SetPicture(pic32);
             b.SetPictureSize(button::size32);
             b.SetPictureAlign(button::imgTopCenter);
         },
         [](const Butt& b, RECT& c, RECT& p) {
             const SIZE t = Measure(b, "APPLY", 92, 40 - 32);
             const LONG y = (48 - (t.cy + 32)) / 2;
             const LONG x = (100 - t.cx) / 2;
             c = Clamped({x, y + 2 + 32, x + t.cx, y + 2 + 32 + t.cy}, 0, 100, 48);
             p = Clamped({34, y, 66, y + 32}, 0, 100, 48);
         }},
        {"embossed caption measures 2 pixels more", 120, 40,
         [](Butt& b) { b.SetCaptionStyle(button::ceEmbossed); },
         [](const Butt& b, RECT& c, RECT&) {
             const SIZE t = Measure(b, "APPLY", 112, 32);
             const LONG w = t.cx + 2, h = t.cy + 2;
             c = Clamped({(120 - w) / 2, (40 - h) / 2, (120 - w) / 2 + w, (40 - h) / 2 + h}, 0,
                         120, 40);
         }},
        {"'||' is a line break", 120, 60, [](Butt& b) { b.SetCaption("ONE||TWO"); },
         [](const Butt& b, RECT& c, RECT&) {
             const SIZE one = Measure(b, "ONE", 112, 52);
             const SIZE both = Measure(b, "ONE\r\nTWO", 112, 52);
             EXPECT_EQ(both.cy, 2 * one.cy);
             c = Clamped({(120 - both.cx) / 2, (60 - both.cy) / 2, (120 - both.cx) / 2 + both.cx,
                          (60 - both.cy) / 2 + both.cy},
                         0, 120, 60);
         }},
        {"stretched picture on an oval ring", 80, 40,
         [&](Butt& b) {
             b.SetPicture(pic16);
             b.SetPictureSize(button::sizeStretch);
             b.SetButtonShape(button::shapeOvalRing);
         },
         [](const Butt&, RECT& c, RECT& p) {
             c = {0, 0, 0, 0};
             p = {1, 1, 79, 39};
         }},
        {"stretched picture on a rectangle", 80, 40,
         [&](Butt& b) {
             b.SetPicture(pic16);
             b.SetPictureSize(button::sizeStretch);
         },
         [](const Butt&, RECT& c, RECT& p) {
             c = {0, 0, 0, 0};
             p = {3, 3, 77, 37};
         }},
        {"fitted picture on a custom shape fills the control", 64, 64,
         [&](Butt& b) {
             b.SetPicture(pic64);
             b.SetButtonShape(button::shapeCustom);
         },
         [](const Butt&, RECT& c, RECT& p) {
             c = {0, 0, 0, 0};
             p = {0, 0, 64, 64};
         }},
        {"left slant of 24 starts a left caption at 23", 100, 24,
         [](Butt& b) {
             b.SetCaptionAlign(button::alignLeft);
             b.ButtonShape = button::shapeLeftSlant;
             b.LeftSlantX = 24;
             b.RightSlantX = 100;
             VbBool rebuild = kFalse;
             b.CalcLayout(rebuild);
         },
         [](const Butt& b, RECT& c, RECT&) {
             const SIZE t = Measure(b, "APPLY", 100 - 19 - 8, 16);
             const LONG y = (24 - t.cy) / 2;
             c = Clamped({23, y, 23 + t.cx, y + t.cy}, 19, 100, 24);
         }},
    };
    for (const LayoutCase& tc : cases) {
        SCOPED_TRACE(tc.name);
        Butt& b = Add(buttontest::ApplyBag(), tc.w, tc.h);
        tc.setup(b);
        RECT caption{}, picture{};
        tc.expect(b, caption, picture);
        if (caption.right != 0) {
            EXPECT_EQ(RectText(b.CaptionRect), RectText(caption));
        }
        if (picture.right != 0) {
            EXPECT_EQ(RectText(b.PictureRect), RectText(picture));
        }
    }
}

// ---- Face ----------------------------------------------------------------------------

TEST_F(ButtonDraw, RoundedFaceDarkensRowByRow) {
    Butt& b = Add(PlainBag(button::styleRounded), 40, 24);
    Clear(b, kBlack);
    RgbColor fill = 0x808080, end = -1, hover = -1;
    VisualState state = 0;
    PaintFlag flag = 0;
    b.DrawBackground(fill, state, flag, end, hover);
    // 25 steps from the top row to the row below the control, halves to even (row 12).
    const int offsets[24] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                             12, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
    for (int row = 0; row < 24; ++row) {
        EXPECT_EQ(Px(b, 20, row) & 0xFF, 0x80 - offsets[row]) << "row " << row;
    }
}

TEST_F(ButtonDraw, FaceFills) {
    struct Case {
        const char* name;
        std::int32_t style, mode;
        bool enabled, value, hover;
        std::int32_t gradient;
        std::uint32_t gradientColor, hoverBack;
        bool shaded;       // rows differ from top to bottom
        RgbColor solid;    // the one face colour when not shaded
    };
    // Back colour &H202020 throughout; style 0 keeps it as the face.
    const Case cases[] = {
        {"disabled rounded command button is solid", 2, 0, false, false, false, 0, 0, 0x202020,
         false, 0x000000 /* below */},
        {"disabled rounded check box keeps its shading", 2, 1, false, false, false, 0, 0,
         0x202020, true, 0},
        {"gradient face", 0, 0, true, false, false, 3, 0xE0E0E0, 0x202020, true, 0},
        {"hovered gradient with its own hover colour is solid", 0, 0, true, false, true, 3,
         0xE0E0E0, 0x00C000, false, 0x00C000},
        {"hovered gradient whose hover colour is the gradient colour stays", 0, 0, true, false,
         true, 3, 0xE0E0E0, 0xE0E0E0, true, 0},
        {"set check box with a gradient is solid", 0, 1, true, true, false, 3, 0xE0E0E0,
         0x202020, false, 0xDFDFDF},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        forms::PropertyBag bag = PlainBag(tc.style, 0x202020);
        bag.WriteProperty("Mode", tc.mode);
        bag.WriteProperty("Gradient", tc.gradient);
        bag.WriteProperty("cGradient", static_cast<std::int32_t>(tc.gradientColor));
        bag.WriteProperty("cBHover", static_cast<std::int32_t>(tc.hoverBack));
        bag.WriteProperty("LockHover", std::int32_t{3});
        Butt& b = Add(std::move(bag), 40, 24);
        if (tc.value) b.SetValue(kTrue);
        if (!tc.enabled) b.SetEnabled(kFalse);
        Render(b, 0, tc.hover);
        const RgbColor top = Px(b, 20, 4), bottom = Px(b, 20, 19);
        if (tc.shaded) {
            EXPECT_NE(top, bottom) << Hex(top);
        } else {
            EXPECT_EQ(top, bottom) << Hex(top) << " " << Hex(bottom);
            if (tc.solid != 0) {
                EXPECT_EQ(Hex(top), Hex(tc.solid));
            }
        }
    }
}

TEST_F(ButtonDraw, GradientFaceRunsFromFaceToGradientColour) {
    forms::PropertyBag bag = PlainBag(button::styleDoubleBevel, 0x202020);
    bag.WriteProperty("Gradient", std::int32_t{button::gradTopToBottom});
    bag.WriteProperty("cGradient", std::int32_t{0xE0E0E0});
    Butt& b = Add(std::move(bag), 40, 24);
    Clear(b, kBlack);
    RgbColor fill = 0x202020, end = 0xE0E0E0, hover = -1;
    VisualState state = 0;
    PaintFlag flag = 0;
    b.DrawBackground(fill, state, flag, end, hover);
    EXPECT_EQ(Hex(Px(b, 20, 0)), "&H202020");
    EXPECT_NEAR(Px(b, 20, 23) & 0xFF, 0xE0, 1);
}

TEST_F(ButtonDraw, EmbossedCaptionDrawsTwoShadesAndTheCaption) {
    // Face RGB(100,100,100): the shades are RGB(60,60,60) at (-1, 0) and RGB(140,140,140)
    // at (+1, +2), the caption itself at (0, +1).
    forms::PropertyBag bag = PlainBag(button::styleDoubleBevel, 0x646464);
    bag.WriteProperty("cFore", std::int32_t{0xFFFFFF});
    bag.WriteProperty("Caption", std::string("HIM"));
    bag.WriteProperty("CapAlign", std::int32_t{button::alignLeft});
    Butt& flat = Add(bag, 80, 30);
    bag.WriteProperty("CapStyle", std::int32_t{button::ceEmbossed});
    Butt& embossed = Add(std::move(bag), 80, 30);
    SharpCaptionFont sharpFlat(flat), sharpEmbossed(embossed);
    Render(flat, 0);
    Render(embossed, 0);
    const RECT area{3, 3, 77, 27};
    auto relative = [](RECT box, const RECT& origin) {
        ::OffsetRect(&box, -origin.left, -origin.top);
        return box;
    };
    const RECT glyphs = relative(BoxOf(flat, area, kWhite), flat.CaptionRect);
    ASSERT_LT(glyphs.left, glyphs.right) << "no caption pixels";
    const RECT caption = relative(BoxOf(embossed, area, kWhite), embossed.CaptionRect);
    const RECT dark = relative(BoxOf(embossed, area, 0x3C3C3C), embossed.CaptionRect);
    const RECT light = relative(BoxOf(embossed, area, 0x8C8C8C), embossed.CaptionRect);
    RECT expected = glyphs;
    ::OffsetRect(&expected, 0, 1);
    EXPECT_EQ(RectText(caption), RectText(expected));
    EXPECT_EQ(dark.left, glyphs.left - 1);
    EXPECT_EQ(dark.top, glyphs.top);
    EXPECT_EQ(light.right, glyphs.right + 1);
    EXPECT_EQ(light.bottom, glyphs.bottom + 2);
}

TEST_F(ButtonDraw, DisabledCaptionLooks) {
    // No caption colour: white 1 pixel right of and below grey. A caption colour without a
    // gradient: that colour, with a grey copy 1 pixel up and to the left.
    forms::PropertyBag bag = PlainBag(button::styleDoubleBevel, 0x646464);
    bag.WriteProperty("Caption", std::string("HIM"));
    bag.WriteProperty("CapAlign", std::int32_t{button::alignLeft});
    Butt& command = Add(bag, 80, 30);
    bag.WriteProperty("Mode", std::int32_t{button::modeCheckBox});
    bag.WriteProperty("BackStyle", std::int32_t{button::styleFlatOutline});
    Butt& flatCheck = Add(std::move(bag), 80, 30);
    for (Butt* b : {&command, &flatCheck}) b->SetEnabled(kFalse);
    SharpCaptionFont sharpCommand(command), sharpCheck(flatCheck);
    Render(command, 0);
    Render(flatCheck, 0);
    const RECT area{3, 3, 77, 27};
    const RECT white = BoxOf(command, area, kWhite);
    const RECT grey = BoxOf(command, area, kGrey);
    ASSERT_LT(white.left, white.right);
    EXPECT_EQ(white.right, grey.right + 1);
    EXPECT_EQ(white.bottom, grey.bottom + 1);
    // Style 3 hands RGB(112,112,112) and asks for one pass: no grey copy at all.
    EXPECT_LT(BoxOf(flatCheck, area, 0x707070).left, LONG_MAX);
    EXPECT_EQ(BoxOf(flatCheck, area, kGrey).left, LONG_MAX);
}

// ---- Edge rings and focus marks --------------------------------------------------------

TEST_F(ButtonDraw, ThreeRingsOnARectangle) {
    Butt& b = Add(PlainBag(button::styleDoubleBevel), 20, 10);
    Clear(b, 0x123456);
    EdgePoints points{};
    EdgeColors colors{};
    for (int k = 1; k <= 12; ++k) colors(k) = 0x010101 * (k * 16);
    VisualState state = 0;
    std::int32_t outer = -1;
    b.DrawBorderLines(points, colors, state, outer);
    // Inner ring x 2..17, y 2..7; middle x 1..18, y 1..8; outer x 0..19, y 0..9.
    struct Sample { int x, y, slot; };
    const Sample samples[] = {
        {2, 5, 1},  {9, 2, 2},  {17, 5, 3},  {9, 7, 4},  {2, 2, 2},  {17, 2, 3},  {2, 7, 4},
        {1, 5, 5},  {9, 1, 6},  {18, 5, 7},  {9, 8, 8},  {1, 1, 6},  {18, 1, 7},  {1, 8, 8},
        {0, 5, 9},  {9, 0, 10}, {19, 5, 11}, {9, 9, 12}, {0, 0, 10}, {19, 0, 11}, {0, 9, 12},
        {19, 9, 12},
    };
    for (const Sample& s : samples) {
        EXPECT_EQ(Hex(Px(b, s.x, s.y)), Hex(colors(s.slot))) << s.x << ", " << s.y;
    }
    EXPECT_EQ(Hex(Px(b, 9, 4)), "&H123456");
}

TEST_F(ButtonDraw, NoSidesLeaveOnlyTheClosingLineInTheCurrentPen) {
    Butt& b = Add(PlainBag(button::styleDoubleBevel), 20, 10);
    Clear(b, 0x123456);
    b.SetDrawTool(kTrue, b.MemoryDC, 1, 0x00FF00);
    EdgePoints points{};
    EdgeColors colors{};
    for (int k = 1; k <= 12; ++k) colors(k) = -1;
    VisualState state = 0;
    std::int32_t outer = -1;
    b.DrawBorderLines(points, colors, state, outer);
    for (int x = 0; x < 19; ++x) EXPECT_EQ(Hex(Px(b, x, 9)), "&H00FF00") << x;
    EXPECT_EQ(Hex(Px(b, 19, 9)), "&H123456");
    EXPECT_EQ(Hex(Px(b, 0, 0)), "&H123456");
    EXPECT_EQ(Hex(Px(b, 0, 8)), "&H123456");
}

TEST_F(ButtonDraw, DottedOuterRingAndSharedPens) {
    // The outer ring dotted; a middle side in the colour of the first outer side hands its
    // solid pen on to it.
    Butt& b = Add(PlainBag(button::styleDoubleBevel), 40, 10);
    for (const bool shareWithMiddle : {false, true}) {
        SCOPED_TRACE(shareWithMiddle ? "middle bottom in the outer colour" : "outer ring alone");
        Clear(b, kWhite);
        EdgePoints points{};
        EdgeColors colors{};
        for (int k = 1; k <= 8; ++k) colors(k) = -1;
        if (shareWithMiddle) colors(8) = 0x0000FF;
        for (int k = 9; k <= 12; ++k) colors(k) = 0x0000FF;
        VisualState state = 0;
        std::int32_t outer = PS_DOT;
        b.DrawBorderLines(points, colors, state, outer);
        int lit = 0;
        for (int y = 0; y < 10; ++y) lit += Px(b, 0, y) == 0x0000FF ? 1 : 0;  // outer left
        int litTop = 0;
        for (int x = 0; x < 39; ++x) litTop += Px(b, x, 0) == 0x0000FF ? 1 : 0;  // outer top
        if (shareWithMiddle) {
            EXPECT_EQ(lit, 10);
            EXPECT_EQ(litTop, 39);
        } else {
            EXPECT_GT(lit, 0);
            EXPECT_LT(lit, 10);
            EXPECT_GT(litTop, 0);
            EXPECT_LT(litTop, 39);
        }
    }
}

TEST_F(ButtonDraw, FocusMarksOnARectangle) {
    // 100 x 30, default look: dotted over x 4..95, y 4..25; set check box: a solid outline
    // through (4, 4), (96, 4), (96, 26), (4, 26).
    forms::PropertyBag bag = PlainBag(button::styleDoubleBevel);
    Butt& command = Add(bag, 100, 30);
    bag.WriteProperty("Mode", std::int32_t{button::modeCheckBox});
    Butt& check = Add(std::move(bag), 100, 30);
    check.SetValue(kTrue);

    Render(command, 0);
    std::vector<RgbColor> before;
    for (int y = 3; y <= 26; ++y)
        for (int x = 3; x <= 96; ++x) before.push_back(Px(command, x, y));
    Render(command, button::bsDefault);
    RECT changed{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    int inside = 0;
    std::size_t i = 0;
    for (int y = 3; y <= 26; ++y) {
        for (int x = 3; x <= 96; ++x, ++i) {
            if (Px(command, x, y) == before[i]) continue;
            changed = {std::min<LONG>(changed.left, x), std::min<LONG>(changed.top, y),
                       std::max<LONG>(changed.right, x), std::max<LONG>(changed.bottom, y)};
            if (x > 4 && x < 95 && y > 4 && y < 25) ++inside;
        }
    }
    EXPECT_EQ(RectText(changed), "(4, 4, 95, 25)");
    EXPECT_EQ(inside, 0);
    EXPECT_NE(Px(command, 4, 4), Px(command, 5, 4)) << "dotted, not solid";

    Render(check, button::bsDefault);
    for (const POINT p : {POINT{4, 4}, POINT{96, 4}, POINT{96, 26}, POINT{4, 26}, POINT{50, 4},
                          POINT{50, 26}, POINT{4, 15}, POINT{96, 15}}) {
        EXPECT_EQ(Hex(Px(check, p.x, p.y)), "&H000000") << p.x << ", " << p.y;
    }
}

TEST_F(ButtonDraw, FocusMarkOnlyWhereItBelongs) {
    const forms::Picture pic = SolidPicture(40, RGB(0, 200, 0));
    struct Case {
        const char* name;
        std::int32_t style, shape;
        std::int16_t state;
        bool marked;
    };
    const Case cases[] = {
        {"rectangle without the default look", 0, 0, 0, false},
        {"rounded oval", 2, 4, button::bsDefault, false},
        {"custom shape", 0, 7, button::bsDefault, false},
        {"custom ring", 1, 8, button::bsDefault, false},
        {"double-bevel oval marks its caption", 0, 4, button::bsDefault, true},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.name);
        forms::PropertyBag bag = PlainBag(tc.style);
        bag.WriteProperty("Caption", std::string("OK"));
        Butt& b = Add(std::move(bag), 40, 40);
        if (tc.shape >= button::shapeCustom) b.SetPicture(pic);
        b.SetButtonShape(tc.shape);
        b.ButtonState = tc.state;
        Clear(b, kWhite);
        RgbColor outline = kBlack;
        VbBool solid = kTrue;
        VbBool aroundCaption = kFalse;
        EdgePoints points{};
        b.DrawFocusRectangle(outline, solid, aroundCaption, points);
        const RECT box = BoxOf(b, {0, 0, 40, 40}, kBlack);
        if (!tc.marked) {
            EXPECT_EQ(box.left, LONG_MAX) << RectText(box);
        } else {
            // 2 pixels outside the caption, the solid outline's right and bottom inside.
            const RECT& c = b.CaptionRect;
            EXPECT_EQ(RectText(box), RectText({c.left - 2, c.top - 2, c.right + 2, c.bottom + 2}));
        }
    }
}

// ---- The looks -------------------------------------------------------------------------

struct Probe {
    int x, y;
    RgbColor color;
};

// The Apply button: stored style-2 settings on 76 x 24.
TEST_F(ButtonDraw, ApplyColoursByState) {
    using buttontest::ApplyLook;
    const ApplyLook cases[] = {buttontest::kApplyNormal, buttontest::kApplyPressed,
                               buttontest::kApplyHovered, buttontest::kApplyDefault,
                               buttontest::kApplyDisabled};
    Butt& b = Add(buttontest::ApplyBag(), 76, 24);
    SharpCaptionFont sharp(b);
    for (const ApplyLook& tc : cases) {
        SCOPED_TRACE(tc.name);
        b.SetEnabled(tc.enabled ? kTrue : kFalse);
        Render(b, tc.state, tc.hover);
        for (int k = 0; k < 8; ++k) {
            if (tc.slots[k] < 0) continue;
            const POINT at = buttontest::kApplySlotAt[k];
            EXPECT_EQ(Hex(Px(b, at.x, at.y)), Hex(tc.slots[k])) << "slot " << k + 1;
        }
        for (const POINT& p : buttontest::kApplyBorderAt) {
            EXPECT_EQ(Hex(Px(b, p.x, p.y)), Hex(tc.border)) << p.x << ", " << p.y;
        }
    }
    // Hovered, the face is the solid hover face and the caption the hover colour.
    b.SetEnabled(kTrue);
    Render(b, button::bsHover, true);
    EXPECT_EQ(Hex(Px(b, 5, 4)), "&H503030");
    EXPECT_EQ(Hex(Px(b, 5, 19)), "&H503030");
    EXPECT_LT(BoxOf(b, {3, 3, 73, 21}, 0xC0C0C0).left, LONG_MAX);
    // At rest the face is a gradient, the caption silver.
    Render(b, 0);
    EXPECT_NE(Px(b, 5, 4), Px(b, 5, 19));
    EXPECT_LT(BoxOf(b, {3, 3, 73, 21}, 0xC0C0C0).left, LONG_MAX);
    // Disabled: the caption is white over a grey copy.
    b.SetEnabled(kFalse);
    Render(b, 0);
    EXPECT_LT(BoxOf(b, {3, 3, 73, 21}, kWhite).left, LONG_MAX);
    EXPECT_LT(BoxOf(b, {3, 3, 73, 21}, kGrey).left, LONG_MAX);
    b.SetEnabled(kTrue);
}

TEST_F(ButtonDraw, EachLookInItsStates) {
    enum StateKind { Normal, Pressed, Checked, Disabled };
    struct Case {
        std::int32_t style;
        StateKind kind;
        std::vector<Probe> probes;
    };
    // Back colour &H808080 on 60 x 24. Probes at the left and right sides of the inner (x 2,
    // 57), middle (1, 58) and outer ring (0, 59) at y 12, the face at (10, 5), and corners.
    const std::vector<Case> cases = {
        {0, Normal, {{1, 12, 0xE9E9E9}, {58, 12, kGrey}, {0, 12, kWhite}, {59, 12, kBlack}}},
        {0, Pressed, {{1, 12, kGrey}, {58, 12, kGrey}, {0, 12, kWhite}, {59, 12, kBlack}}},
        {0, Checked,
         {{58, 12, 0xE9E9E9}, {0, 12, kBlack}, {59, 12, kWhite}, {10, 5, 0xDFDFDF}}},
        {0, Disabled, {{1, 12, 0xE9E9E9}, {0, 12, kWhite}, {59, 12, kBlack}}},
        {1, Normal, {{2, 12, kWhite}, {1, 12, kWhite}, {57, 12, kGrey}, {0, 12, kBlack}}},
        {1, Pressed, {{57, 12, kWhite}, {58, 12, kWhite}, {59, 12, kBlack}}},
        {1, Checked, {{57, 12, kWhite}, {2, 12, kGrey}, {10, 5, 0xDFDFDF}}},
        {1, Disabled, {{2, 12, kWhite}, {57, 12, kGrey}, {0, 12, kBlack}}},
        {2, Normal, {{2, 12, 0x98A6A6}, {1, 12, 0x9CABAB}, {0, 12, 0x733C00}, {1, 1, 0x733C00}}},
        {2, Pressed, {{2, 12, 0x8E9A9A}, {57, 12, 0xA0B0B0}, {10, 5, 0x838B8B}}},
        {2, Checked, {{57, 12, 0xD5DFDF}, {0, 12, 0x733C00}}},
        {2, Disabled, {{0, 12, 0x5A5C5C}, {58, 22, 0x5A5C5C}}},
        {3, Normal, {{1, 12, kWhite}, {58, 12, 0x666666}, {0, 12, 0x666666}, {59, 12, kWhite}}},
        {3, Pressed, {{1, 12, 0x8C8C8C}, {10, 5, 0x8C8C8C}, {58, 12, 0x666666}}},
        {3, Checked, {{1, 12, 0xABABAB}, {10, 5, 0xABABAB}, {59, 12, kWhite}}},
        {3, Disabled, {{1, 12, kGrey}, {0, 12, 0x666666}, {59, 12, 0x666666}}},
        {4, Normal, {{0, 12, kWhite}, {59, 12, kGrey}, {1, 12, kGrey}}},
        {4, Pressed, {{0, 12, kGrey}, {59, 12, kWhite}}},
        {4, Checked, {{0, 12, kGrey}, {59, 12, kWhite}, {10, 5, 0xDFDFDF}}},
        {4, Disabled, {{0, 12, kWhite}, {59, 12, kGrey}}},
        {5, Normal, {{0, 12, kGrey}, {59, 12, kGrey}, {30, 0, kGrey}}},
        {5, Pressed, {{59, 12, kWhite}, {30, 0, kGrey}}},
        {5, Checked, {{59, 12, kWhite}, {10, 5, 0xDFDFDF}}},
        {5, Disabled, {{0, 12, kGrey}, {59, 12, kGrey}}},
        {6, Normal, {{0, 12, 0xE7E7E7}, {1, 12, 0xE7E7E7}, {58, 12, kGrey}, {59, 12, kGrey}}},
        {6, Pressed, {{0, 12, kGrey}, {59, 12, 0xE7E7E7}}},
        {6, Checked, {{0, 12, kGrey}, {59, 12, 0xE7E7E7}, {10, 5, 0xDFDFDF}}},
        {6, Disabled, {{0, 12, 0xE7E7E7}, {59, 12, kGrey}}},
        {7, Normal,
         {{2, 12, kWhite}, {57, 12, 0x9F9F9F}, {1, 12, 0xB8BEBE}, {58, 12, 0x6A5F5F},
          {0, 12, kBlack}, {3, 3, kWhite}, {2, 2, 0xB8BEBE}, {1, 1, kBlack}, {57, 21, 0x6A5F5F},
          {58, 1, kBlack}}},
        {7, Pressed, {{2, 12, 0x606060}, {1, 12, 0x404040}, {58, 12, 0x707070}, {57, 12, kGrey}}},
        {7, Checked, {{2, 12, 0x606060}, {1, 12, 0x404040}, {10, 5, 0x8A9090}}},
        {7, Disabled, {{2, 12, kWhite}, {57, 12, 0x9F9F9F}, {0, 12, kBlack}}},
    };
    const char* kindNames[] = {"normal", "pressed", "checked", "disabled"};
    for (const Case& tc : cases) {
        SCOPED_TRACE("style " + std::to_string(tc.style) + " " + kindNames[tc.kind]);
        forms::PropertyBag bag = PlainBag(tc.style);
        if (tc.kind == Checked) bag.WriteProperty("Mode", std::int32_t{button::modeCheckBox});
        Butt& b = Add(std::move(bag), 60, 24);
        if (tc.kind == Checked) b.SetValue(kTrue);
        if (tc.kind == Disabled) b.SetEnabled(kFalse);
        if (tc.kind == Pressed) {
            Render(b, button::bsPressed | button::bsHover, true);
        } else {
            Render(b, 0);
        }
        for (const Probe& p : tc.probes) {
            EXPECT_EQ(Hex(Px(b, p.x, p.y)), Hex(p.color)) << p.x << ", " << p.y;
        }
    }
}

TEST_F(ButtonDraw, RoundedDefaultLookFollowsTheFocusRectangleSetting) {
    // Without ShowFocusRect the default look keeps the normal column; a set check box with
    // the default look takes the blue column.
    forms::PropertyBag bag = PlainBag(button::styleRounded);
    bag.WriteProperty("Focus", std::int32_t{0});
    Butt& noFocusRect = Add(bag, 60, 24);
    bag.WriteProperty("Focus", std::int32_t{-1});
    bag.WriteProperty("Mode", std::int32_t{button::modeCheckBox});
    Butt& check = Add(std::move(bag), 60, 24);
    check.SetValue(kTrue);
    Render(noFocusRect, button::bsDefault);
    Render(check, button::bsDefault);
    EXPECT_EQ(Hex(Px(noFocusRect, 2, 12)), "&H98A6A6");  // Shift(FaceColor, -10)
    EXPECT_EQ(Hex(Px(check, 2, 12)), "&HF0D1B5");
}

TEST_F(ButtonDraw, OvalsAndCustomShapesLeaveTheFrameToTheScreenCopy) {
    // No rings on shapes 4 to 8. In every look but the rounded one, an oval ring that is
    // hovered and every custom shape start the region frame from black; the rest are
    // copied without a frame. The rounded look frames in blue (default) or orange (hover).
    const forms::Picture pic = SolidPicture(40, RGB(0, 200, 0));
    struct Case {
        std::int32_t style, shape;
        std::int16_t state;
        bool hover;
        PaintFlag flag;     // after the painter
        RgbColor frame;     // EdgeColors(12), checked when flag is not 1
    };
    const Case cases[] = {
        {0, 4, 0, true, 1, 0},         {0, 6, 0, false, 1, 0},
        {0, 6, 0, true, 3, kBlack},    {3, 6, 0, true, 3, kBlack},
        {6, 7, 0, false, 3, kBlack},   {1, 8, 0, false, 3, kBlack},
        {2, 4, button::bsDefault, false, 3, 0xEF826B},
        {2, 6, button::bsDefault, true, 3, 0x0096E7},
        {2, 5, 0, false, 1, 0},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE("style " + std::to_string(tc.style) + " shape " + std::to_string(tc.shape) +
                     (tc.hover ? " hovered" : ""));
        Butt& b = Add(PlainBag(tc.style), 40, 40);
        if (tc.shape >= button::shapeCustom) b.SetPicture(pic);
        b.SetButtonShape(tc.shape);
        b.ButtonState = tc.state;
        b.HoverTimerOn = tc.hover ? kTrue : kFalse;
        EdgePoints points{};
        EdgeColors colors{};
        VisualState state = 0;
        PaintFlag flag = 0;
        const button::StylePainter painters[] = {
            &Butt::DrawButtonStyle0, &Butt::DrawButtonStyle1, &Butt::DrawButtonStyle2,
            &Butt::DrawButtonStyle3, &Butt::DrawButtonStyle4, &Butt::DrawButtonStyle5,
            &Butt::DrawButtonStyle6, &Butt::DrawButtonStyle7};
        (b.*painters[tc.style])(points, colors, state, flag);
        EXPECT_EQ(flag, tc.flag);
        if (tc.flag != 1) {
            EXPECT_EQ(Hex(colors(12)), Hex(tc.frame));
        }
        for (int k = 1; k <= 11; ++k) EXPECT_EQ(colors(k), 0) << "ring colour " << k;
        b.HoverTimerOn = kFalse;
    }
}

TEST_F(ButtonDraw, LooksKeepHoverForeColourAndCornersOnSlants) {
    // Style 7 lends HoverForeColor to the caption step and puts it back.
    forms::PropertyBag bag = PlainBag(button::styleRoundedShaded);
    bag.WriteProperty("cFHover", std::int32_t{0});
    Butt& shaded = Add(std::move(bag), 60, 24);
    const button::OleColor before = shaded.HoverForeColor;
    Render(shaded, button::bsHover, true);
    EXPECT_EQ(shaded.HoverForeColor, before);

    // A left slant gets only the right-hand corner pixels.
    Butt& rounded = Add(PlainBag(button::styleRounded), 60, 24);
    rounded.ButtonShape = button::shapeLeftSlant;
    rounded.LeftSlantX = 10;
    rounded.RightSlantX = 60;
    Clear(rounded, kWhite);
    EdgePoints points{};
    EdgeColors colors{};
    VisualState state = 0;
    PaintFlag flag = 0;
    rounded.DrawButtonStyle2(points, colors, state, flag);
    EXPECT_NE(Hex(Px(rounded, 1, 22)), "&H733C00");
    EXPECT_EQ(Hex(Px(rounded, 58, 1)), "&H733C00");
    EXPECT_EQ(Hex(Px(rounded, 58, 22)), "&H733C00");
}

TEST_F(ButtonDraw, NothingMoreWhenThePaintIsCancelled) {
    // A button that the nudge moves ends its paint in the face step.
    Butt& b = Add(PlainBag(button::styleDoubleBevel), 40, 40);
    b.SetCustomClick(button::clickDownRight);
    b.ButtonState = button::bsPressed | button::bsHover;
    Clear(b, 0x123456);
    EdgePoints points{};
    EdgeColors colors{};
    VisualState state = 0;
    PaintFlag flag = 5;
    b.DrawButtonStyle0(points, colors, state, flag);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(Hex(Px(b, 20, 20)), "&H123456");
    b.ButtonState = 0;
    b.DrawingDelayed = kFalse;
    b.RedrawButton();  // moves the window back
}

}  // namespace
