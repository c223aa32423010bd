// Button outlines, window regions and pictures.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/WndMain.h"
#include "button/Butt.h"
#include "button/ButtGeometry.h"
#include "button_test_host.h"
#include "dib.h"
#include "failing_new.h"
#include "forms/Handles.h"
#include "forms/Picture.h"
#include "forms/PropertyBag.h"

namespace {

using button::Butt;
using buttontest::ButtonHost;
using testdib::BitmapPixels;
using testdib::DibSection;
using forms::kFalse;
using forms::kTrue;

// ---- Pure geometry -------------------------------------------------------------------

TEST(FitSize, KeepsTheAspectRatioInsideTheBox) {
    struct Case {
        std::int32_t boxW, boxH, picW, picH, outW, outH;
    };
    const Case cases[] = {
        {80, 80, 100, 50, 80, 40},
        {80, 80, 50, 100, 40, 80},
        {40, 30, 16, 16, 30, 30},  // a small picture grows
        {75, 23, 32, 32, 23, 23},
        {10, 10, 4, 8, 5, 10},
        {5, 10, 10, 4, 5, 2},  // 2.0: no rounding at all
        {3, 100, 2, 1, 3, 2},  // 1.5 x 1 = 1.5 rounds to the even 2
        {5, 100, 2, 1, 5, 2},  // 2.5 rounds to the even 2
    };
    for (const Case& c : cases) {
        const butt::PixelSize got = butt::FitSize(c.boxW, c.boxH, c.picW, c.picH);
        EXPECT_EQ(got, (butt::PixelSize{c.outW, c.outH}))
            << c.picW << "x" << c.picH << " into " << c.boxW << "x" << c.boxH;
    }
}

TEST(SlantGeometry, WidthWideningAndPolygon) {
    EXPECT_EQ(butt::SlantWidth(23), 24);
    EXPECT_EQ(butt::SlantWidth(22), 23);
    EXPECT_EQ(butt::SlantWidth(22.4), 23);  // 23.4 rounds down
    EXPECT_EQ(butt::SlantWidth(22.5), 24);  // 23.5 rounds to the even 24

    EXPECT_EQ(butt::WidenForSlant(40, 24), 40);
    EXPECT_EQ(butt::WidenForSlant(20, 24), 30);  // 20 -> 25 -> 30
    EXPECT_EQ(butt::WidenForSlant(29, 24), 29);
    EXPECT_EQ(butt::WidenForSlant(28, 24), 33);

    struct Case {
        std::int32_t shape;
        std::vector<POINT> points;
        std::int32_t leftSlantX, rightSlantX;
    };
    const Case cases[] = {
        {1, {{0, 0}, {24, 24}, {41, 24}, {41, 0}}, 24, 40},
        {2, {{0, 0}, {0, 24}, {41, 24}, {17, 0}}, 0, 16},
        {3, {{0, 0}, {24, 24}, {41, 24}, {17, 0}}, 24, 16},
        {9, {{0, 0}, {0, 24}, {41, 24}, {41, 0}}, 0, 40},  // out of range: no slant
    };
    for (const Case& c : cases) {
        const butt::SlantOutline got = butt::SlantPolygon(c.shape, 40, 23, 24);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(got.points[i].x, c.points[i].x) << "shape " << c.shape << " point " << i;
            EXPECT_EQ(got.points[i].y, c.points[i].y) << "shape " << c.shape << " point " << i;
        }
        EXPECT_EQ(got.leftSlantX, c.leftSlantX) << "shape " << c.shape;
        EXPECT_EQ(got.rightSlantX, c.rightSlantX) << "shape " << c.shape;
    }
}

TEST(KeyScan, EvensOutKeyLikePixelsAndReportsRuns) {
    const COLORREF key = RGB(255, 0, 255);
    // Each character one pixel: K key, 3 within 3 in every channel, 4 off by 4 in
    // green only, # opaque.
    const std::vector<std::string> art = {
        "KK#3K",  // run at the start, a run reaching the right edge
        "#4#K3",  // 4 is kept
        "#####",  // no run
        "33333",  // the whole row
    };
    auto colour = [](char c) -> COLORREF {
        switch (c) {
        case 'K': return RGB(255, 0, 255);
        case '3': return RGB(252, 3, 252);
        case '4': return RGB(255, 4, 255);
        default: return RGB(10, 20, 30);
        }
    };
    const std::int32_t width = 5, height = 4;
    std::vector<std::uint32_t> pixels;
    for (const std::string& row : art)
        for (char c : row) pixels.push_back(butt::DibPixel(colour(c)) | 0xFF000000u);

    const std::vector<butt::KeyRun> runs = butt::EvenOutKeyRuns(pixels, width, height, key);
    const std::vector<butt::KeyRun> expected = {{0, 0, 2}, {0, 3, 5}, {1, 3, 5}, {3, 0, 5}};
    EXPECT_EQ(runs, expected);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const char c = art[y][x];
            const std::uint32_t got = pixels[static_cast<std::size_t>(y * width + x)];
            if (c == 'K' || c == '3') {
                EXPECT_EQ(got, butt::DibPixel(key)) << x << "," << y;
            } else {
                EXPECT_EQ(butt::ColourOfDibPixel(got), colour(c)) << x << "," << y;
            }
        }
    }
    EXPECT_TRUE(butt::IsKeyLike(RGB(252, 3, 255), key));
    EXPECT_FALSE(butt::IsKeyLike(RGB(251, 0, 255), key));
    EXPECT_FALSE(butt::IsKeyLike(RGB(255, 0, 251), key));
}

// ---- Fixtures ------------------------------------------------------------------------

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kFace = RGB(0x30, 0x50, 0x70);  // what the back buffer holds before

// Pixel art: one string a row, one character a pixel.
COLORREF ColourOf(char symbol) {
    switch (symbol) {
    case '.': return kMagenta;
    case '3': return RGB(252, 3, 252);  // within 3 of magenta in every channel
    case '4': return RGB(255, 4, 255);  // 4 off in green: kept
    case '#': return RGB(10, 120, 200);
    case 'o': return RGB(250, 130, 10);
    case 'w': return RGB(255, 255, 255);
    case 'k': return RGB(0, 0, 0);
    case 'r': return RGB(200, 100, 50);
    case 'y': return RGB(1, 2, 3);  // a key that only the corner has
    case 'z': return RGB(3, 4, 5);  // 2 off that key: key-like
    default: ADD_FAILURE() << "no colour for '" << symbol << "'"; return 0;
    }
}

forms::Picture ArtPicture(const std::vector<std::string>& art) {
    return forms::Picture::FromBitmap(
        DibSection(static_cast<int>(art.front().size()), static_cast<int>(art.size()),
                   [&](int x, int y) { return ColourOf(art[y][x]); }));
}

forms::PropertyBag Bag(std::int32_t style, std::int32_t shape, bool enabled = true,
                       const forms::Picture& picture = {}) {
    forms::PropertyBag bag = buttontest::FontOnlyBag();
    bag.WriteInt32("BackStyle", style);
    bag.WriteInt32("Shape", shape);
    bag.WriteBool("Enabled", enabled ? kTrue : kFalse);
    bag.WriteColor("cBack", 0x404040);
    if (!picture.IsNone()) bag.WritePicture("Image", picture);
    return bag;
}

forms::OwnedRegion Rect(int l, int t, int r, int b) {
    return forms::OwnedRegion(::CreateRectRgn(l, t, r, b));
}
forms::OwnedRegion Polygon(std::vector<POINT> points) {
    return forms::OwnedRegion(
        ::CreatePolygonRgn(points.data(), static_cast<int>(points.size()), WINDING));
}
forms::OwnedRegion Ellipse(int l, int t, int r, int b) {
    return forms::OwnedRegion(::CreateEllipticRgn(l, t, r, b));
}
forms::OwnedRegion Minus(forms::OwnedRegion from, std::vector<forms::OwnedRegion> cuts) {
    for (const forms::OwnedRegion& cut : cuts) {
        ::CombineRgn(from.Get(), from.Get(), cut.Get(), RGN_DIFF);
    }
    return from;
}
forms::OwnedRegion Pixel(int x, int y) { return Rect(x, y, x + 1, y + 1); }

// What a picture outline keeps of art drawn at its own size: all but the key-like pixels.
forms::OwnedRegion KeptPixels(const std::vector<std::string>& art) {
    forms::OwnedRegion kept = Rect(0, 0, 0, 0);
    for (int y = 0; y < static_cast<int>(art.size()); ++y) {
        for (int x = 0; x < static_cast<int>(art[y].size()); ++x) {
            if (art[y][x] == '.' || art[y][x] == '3') continue;
            const forms::OwnedRegion pixel = Pixel(x, y);
            ::CombineRgn(kept.Get(), kept.Get(), pixel.Get(), RGN_OR);
        }
    }
    return kept;
}

// Same pixels, however each region splits them into rectangles.
bool SameArea(HRGN a, HRGN b) {
    forms::OwnedRegion difference(::CreateRectRgn(0, 0, 0, 0));
    return ::CombineRgn(difference.Get(), a, b, RGN_XOR) == NULLREGION;
}

// A copy of the window's region; empty when the window has none.
forms::OwnedRegion WindowRegion(HWND hwnd) {
    forms::OwnedRegion region(::CreateRectRgn(0, 0, 0, 0));
    if (::GetWindowRgn(hwnd, region.Get()) == ERROR) return {};
    return region;
}

// The region as art over the rectangle (0, 0, w, h): '#' inside, '.' outside.
std::string RegionArt(HRGN region, int w, int h) {
    std::string art;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) art += ::PtInRegion(region, x, y) ? '#' : '.';
        art += '\n';
    }
    return art;
}

void FillBackBuffer(Butt& b, COLORREF colour) {
    forms::OwnedBrush brush(::CreateSolidBrush(colour));
    RECT all{0, 0, b.ScaleWidthPixels(), b.ScaleHeightPixels()};
    ::SelectClipRgn(b.MemoryDC, nullptr);
    ::FillRect(b.MemoryDC, &all, brush.Get());
}

class ButtonShapeTest : public ::testing::Test {
protected:
    void SetUp() override { Butt::SetScreenPixelsForTest(1024, 768); }
    ButtonHost host;
};

// ---- Window regions --------------------------------------------------------------------

TEST_F(ButtonShapeTest, WindowRegionsByShapeStyleAndState) {
    const std::vector<std::string> customArt = {
        "..##33..",  // a key run at the start, a near-key run to the right edge
        "#4####3.",  // the 4-off pixel stays
        "########",
        "##3##..#",
        "........",  // a whole row
    };
    struct Case {
        const char* name;
        int w, h, style, shape;
        bool enabled;
        forms::Picture picture;
        int endW, endH;
        std::function<forms::OwnedRegion()> expected;
        std::int32_t leftSlantX, rightSlantX;
        bool inner;  // inner regions made
    };
    const Case cases[] = {
        {"rounded corners", 75, 23, 2, 0, true, {}, 75, 23,
         [] {
             std::vector<forms::OwnedRegion> cuts;
             cuts.push_back(Polygon({{0, 0}, {2, 0}, {0, 2}}));
             cuts.push_back(Polygon({{0, 23}, {3, 23}, {0, 20}}));
             cuts.push_back(Polygon({{75, 0}, {73, 0}, {75, 2}}));
             cuts.push_back(Polygon({{75, 23}, {72, 23}, {75, 20}}));
             return Minus(Rect(0, 0, 76, 24), std::move(cuts));
         },
         0, 75, false},
        {"single bevel: four corner pixels", 75, 23, 1, 0, true, {}, 75, 23,
         [] {
             std::vector<forms::OwnedRegion> cuts;
             cuts.push_back(Pixel(0, 0));
             cuts.push_back(Pixel(0, 22));
             cuts.push_back(Pixel(74, 22));
             cuts.push_back(Pixel(74, 0));
             return Minus(Rect(0, 0, 76, 24), std::move(cuts));
         },
         0, 75, false},
        {"flat outline: two corner pixels", 75, 23, 3, 0, true, {}, 75, 23,
         [] {
             std::vector<forms::OwnedRegion> cuts;
             cuts.push_back(Pixel(0, 22));
             cuts.push_back(Pixel(74, 0));
             return Minus(Rect(0, 0, 76, 24), std::move(cuts));
         },
         0, 75, false},
        {"flat outline disabled: no cut", 75, 23, 3, 0, false, {}, 75, 23,
         [] { return Rect(0, 0, 76, 24); }, 0, 75, false},
        {"rounded disabled: still cut", 75, 23, 2, 0, false, {}, 75, 23,
         [] {
             std::vector<forms::OwnedRegion> cuts;
             cuts.push_back(Polygon({{0, 0}, {2, 0}, {0, 2}}));
             cuts.push_back(Polygon({{0, 23}, {3, 23}, {0, 20}}));
             cuts.push_back(Polygon({{75, 0}, {73, 0}, {75, 2}}));
             cuts.push_back(Polygon({{75, 23}, {72, 23}, {75, 20}}));
             return Minus(Rect(0, 0, 76, 24), std::move(cuts));
         },
         0, 75, false},
        {"both slants", 40, 23, 0, 3, true, {}, 40, 23,
         [] { return Polygon({{0, 0}, {24, 24}, {41, 24}, {17, 0}}); }, 24, 16, false},
        {"left slant widens 20 to 30", 20, 23, 0, 1, true, {}, 30, 23,
         [] { return Polygon({{0, 0}, {24, 24}, {31, 24}, {31, 0}}); }, 24, 30, false},
        {"right slant, rounded: left triangles only", 40, 23, 2, 2, true, {}, 40, 23,
         [] {
             std::vector<forms::OwnedRegion> cuts;
             cuts.push_back(Polygon({{0, 0}, {2, 0}, {0, 2}}));
             cuts.push_back(Polygon({{0, 23}, {3, 23}, {0, 20}}));
             return Minus(Polygon({{0, 0}, {0, 24}, {41, 24}, {17, 0}}), std::move(cuts));
         },
         0, 16, false},
        {"oval", 60, 30, 0, 4, true, {}, 60, 30, [] { return Ellipse(0, 0, 60, 30); }, 0, 60,
         true},
        {"oval picture, hot track", 60, 30, 5, 5, true, {}, 60, 30,
         [] { return Ellipse(0, 0, 60, 30); }, 0, 60, true},
        {"oval ring", 60, 30, 6, 6, true, {}, 60, 30, [] { return Ellipse(0, 0, 60, 30); }, 0,
         60, true},
        {"custom: key runs cut, 4-off kept", 8, 5, 0, 7, true, ArtPicture(customArt), 8, 5,
         [&] { return KeptPixels(customArt); },
         0, 8, true},
        {"custom ring: the same outline", 8, 5, 2, 8, true, ArtPicture(customArt), 8, 5,
         [&] { return KeptPixels(customArt); },
         0, 8, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Butt& b = host.Add(c.name, Bag(c.style, c.shape, c.enabled, c.picture), 10, 10, c.w, c.h);
        EXPECT_EQ(b.ScaleWidthPixels(), c.endW);
        EXPECT_EQ(b.ScaleHeightPixels(), c.endH);
        const forms::OwnedRegion got = WindowRegion(b.hWnd());
        ASSERT_TRUE(got) << "no window region";
        const forms::OwnedRegion want = c.expected();
        EXPECT_TRUE(SameArea(got.Get(), want.Get()))
            << "got\n" << RegionArt(got.Get(), c.endW + 2, c.endH + 2) << "want\n"
            << RegionArt(want.Get(), c.endW + 2, c.endH + 2);
        EXPECT_EQ(b.LeftSlantX, c.leftSlantX);
        EXPECT_EQ(b.RightSlantX, c.rightSlantX);
        EXPECT_EQ(b.InnerRegion != nullptr, c.inner);
        EXPECT_EQ(b.InnerRegion2 != nullptr, c.inner);
        host.Site(c.name).SetVisible(false);
    }
}

// The Apply button: style 2 on a 76 x 24 rectangle, its four corners cut.
forms::OwnedRegion ApplyOutline() {
    std::vector<forms::OwnedRegion> cuts;
    cuts.push_back(Polygon({{0, 0}, {2, 0}, {0, 2}}));
    cuts.push_back(Polygon({{0, 24}, {3, 24}, {0, 21}}));
    cuts.push_back(Polygon({{76, 0}, {74, 0}, {76, 2}}));
    cuts.push_back(Polygon({{76, 24}, {73, 24}, {76, 21}}));
    return Minus(Rect(0, 0, 77, 25), std::move(cuts));
}

void ExpectApplyOutline(HWND apply) {
    const forms::OwnedRegion got = WindowRegion(apply);
    ASSERT_TRUE(got) << "no window region";
    const forms::OwnedRegion want = ApplyOutline();
    EXPECT_TRUE(SameArea(got.Get(), want.Get()))
        << "got\n" << RegionArt(got.Get(), 78, 26) << "want\n" << RegionArt(want.Get(), 78, 26);
    for (POINT corner : {POINT{0, 0}, POINT{75, 0}, POINT{0, 23}, POINT{75, 23}})
        EXPECT_FALSE(::PtInRegion(got.Get(), corner.x, corner.y)) << corner.x << "," << corner.y;
}

TEST_F(ButtonShapeTest, ApplyHasItsFourCornersCut) {
    Butt& b = host.Add("Apply", buttontest::ApplyBag(), 10, 10, 76, 24);
    ExpectApplyOutline(b.hWnd());
}

TEST(MainWindow, ApplyHasItsFourCornersCut) {
    Butt::Register();
    WndMain window;  // built from the program's stored description
    ASSERT_NE(window.Apply.Instance(), nullptr);
    EXPECT_EQ(static_cast<Butt*>(window.Apply.Instance())->ScaleWidthPixels(), 76);
    ExpectApplyOutline(window.Apply.InstanceHwnd());
}

TEST_F(ButtonShapeTest, CornerPixelsOfTheCutOutlines) {
    // Independent of how the system rasterises the triangles: the corner pixel itself is
    // gone and the pixels two in stay.
    struct Case {
        int style;
        bool enabled;
        std::vector<POINT> out, in;
    };
    const Case cases[] = {
        {2, true, {{0, 0}, {74, 0}, {0, 22}, {74, 22}, {1, 22}, {0, 21}},
         {{2, 2}, {72, 2}, {3, 20}, {71, 20}, {37, 11}}},
        {1, true, {{0, 0}, {74, 0}, {0, 22}, {74, 22}}, {{1, 0}, {0, 1}, {73, 22}, {74, 21}}},
        {3, true, {{0, 22}, {74, 0}}, {{0, 0}, {74, 22}}},
        {3, false, {}, {{0, 0}, {74, 0}, {0, 22}, {74, 22}}},
        {0, true, {}, {{0, 0}, {74, 0}, {0, 22}, {74, 22}, {75, 23}}},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "B" + std::to_string(n++);
        SCOPED_TRACE("style " + std::to_string(c.style) + (c.enabled ? "" : " disabled"));
        Butt& b = host.Add(name, Bag(c.style, 0, c.enabled), 10, 10, 75, 23);
        const forms::OwnedRegion region = WindowRegion(b.hWnd());
        ASSERT_TRUE(region);
        for (POINT p : c.out) {
            EXPECT_FALSE(::PtInRegion(region.Get(), p.x, p.y)) << p.x << "," << p.y;
        }
        for (POINT p : c.in) EXPECT_TRUE(::PtInRegion(region.Get(), p.x, p.y)) << p.x << "," << p.y;
        host.Site(name).SetVisible(false);
    }
}

TEST_F(ButtonShapeTest, SettingTheStyleOrEnabledRecutsTheCorners) {
    Butt& b = host.Add("B", Bag(0, 0), 10, 10, 75, 23);
    b.SetButtonStyle(3);
    EXPECT_FALSE(::PtInRegion(WindowRegion(b.hWnd()).Get(), 74, 0));
    b.SetEnabled(kFalse);
    EXPECT_TRUE(::PtInRegion(WindowRegion(b.hWnd()).Get(), 74, 0));
    b.SetEnabled(kTrue);
    b.SetButtonStyle(2);
    const forms::OwnedRegion region = WindowRegion(b.hWnd());
    EXPECT_FALSE(::PtInRegion(region.Get(), 0, 0));
    EXPECT_FALSE(::PtInRegion(region.Get(), 74, 22));
    EXPECT_FALSE(::PtInRegion(region.Get(), 74, 0));
}

TEST_F(ButtonShapeTest, InnerRegionsAreTheEllipsesOneAndTwoPixelsIn) {
    Butt& b = host.Add("B", Bag(0, 4), 10, 10, 60, 30);
    const forms::OwnedRegion one = Ellipse(1, 1, 59, 29);
    const forms::OwnedRegion two = Ellipse(2, 2, 58, 28);
    EXPECT_TRUE(SameArea(b.InnerRegion, one.Get()));
    EXPECT_TRUE(SameArea(b.InnerRegion2, two.Get()));

    // Back to a rectangle: the inner regions go.
    b.SetButtonShape(0);
    EXPECT_EQ(b.InnerRegion, nullptr);
    EXPECT_EQ(b.InnerRegion2, nullptr);
}

TEST_F(ButtonShapeTest, RingsAndFramesPaintedIntoTheBackBuffer) {
    const std::vector<std::string> art = {"..####", "######", "######", "######"};
    enum Paint { kNothing, kGradient, kBlackFrame, kBackColourFrame };
    struct Case {
        const char* name;
        int style, shape;
        Paint paint;
    };
    const Case cases[] = {
        {"oval", 0, 4, kGradient},
        {"oval picture", 0, 5, kGradient},
        {"oval, hot track", 5, 4, kNothing},
        {"oval picture, hot track", 5, 5, kNothing},
        {"oval ring", 0, 6, kBlackFrame},
        {"oval ring, hot track", 5, 6, kNothing},
        {"custom", 0, 7, kBackColourFrame},
        {"custom ring", 0, 8, kGradient},
        {"custom ring, hot track", 5, 8, kGradient},  // the style does not matter here
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const forms::Picture picture = c.shape >= 7 ? ArtPicture(art) : forms::Picture{};
        Butt& b = host.Add(c.name, Bag(c.style, c.shape, true, picture), 10, 10, 60, 40);
        FillBackBuffer(b, kFace);
        b.CreateButtonRegion();
        const int w = b.ScaleWidthPixels();
        const int h = b.ScaleHeightPixels();
        ASSERT_EQ(w, 60);
        ASSERT_EQ(h, 40);
        ::SelectClipRgn(b.MemoryDC, nullptr);
        const COLORREF top = ::GetPixel(b.MemoryDC, w / 2, 0);
        // A frame lies on the outline's lowest row (an ellipse leaves the last row out);
        // the gradient covers the whole buffer.
        RECT box{};
        ::GetRgnBox(WindowRegion(b.hWnd()).Get(), &box);
        const int lowest = c.paint == kGradient ? h - 1 : box.bottom - 1;
        const COLORREF bottom = ::GetPixel(b.MemoryDC, w / 2, lowest);
        const COLORREF centre = ::GetPixel(b.MemoryDC, w / 2, h / 2);
        switch (c.paint) {
        case kNothing:
            EXPECT_EQ(top, kFace);
            EXPECT_EQ(bottom, kFace);
            EXPECT_EQ(centre, kFace);
            break;
        case kGradient:  // over the whole buffer, white at the top to grey at the bottom
            EXPECT_EQ(top, RGB(255, 255, 255));
            EXPECT_NEAR(GetRValue(bottom), 0x80, 2);
            EXPECT_EQ(GetRValue(bottom), GetBValue(bottom));
            EXPECT_LT(GetRValue(centre), 255);
            EXPECT_GT(GetRValue(centre), GetRValue(bottom));
            break;
        case kBlackFrame:
            EXPECT_EQ(top, RGB(0, 0, 0));
            EXPECT_EQ(bottom, RGB(0, 0, 0));
            EXPECT_EQ(centre, kFace);
            break;
        case kBackColourFrame:
            EXPECT_EQ(top, RGB(0x40, 0x40, 0x40));
            EXPECT_EQ(bottom, RGB(0x40, 0x40, 0x40));
            EXPECT_EQ(centre, kFace);
            EXPECT_EQ(::GetPixel(b.MemoryDC, 0, 0), kFace);  // cut away: not framed
            break;
        }
        host.Site(c.name).SetVisible(false);
    }
}

TEST_F(ButtonShapeTest, InnerRegionsOfAPictureOutlineMoveInFromItsCorner) {
    // One key run, (0, 0) to (2, 1): the inner regions are the control's rectangle less
    // that run grown by 1 and 2 pixels, then moved in from the outline's top-left corner.
    std::vector<std::string> art(8, std::string(12, '#'));
    art[0][0] = art[0][1] = '.';
    Butt& b = host.Add("B", Bag(0, 7, true, ArtPicture(art)), 10, 10, 12, 8);
    ASSERT_EQ(b.ScaleWidthPixels(), 12);
    std::vector<forms::OwnedRegion> cut1;
    cut1.push_back(Rect(0, 0, 4, 3));
    const forms::OwnedRegion inner = Minus(Rect(1, 1, 13, 9), std::move(cut1));
    std::vector<forms::OwnedRegion> cut2;
    cut2.push_back(Rect(0, 0, 6, 5));
    const forms::OwnedRegion inner2 = Minus(Rect(2, 2, 14, 10), std::move(cut2));
    EXPECT_TRUE(SameArea(b.InnerRegion, inner.Get())) << RegionArt(b.InnerRegion, 15, 11);
    EXPECT_TRUE(SameArea(b.InnerRegion2, inner2.Get())) << RegionArt(b.InnerRegion2, 15, 11);
}

TEST_F(ButtonShapeTest, CustomShapeWithoutAPictureKeepsTheOldRegion) {
    Butt& b = host.Add("B", Bag(2, 0), 10, 10, 75, 23);
    const forms::OwnedRegion before = WindowRegion(b.hWnd());
    ASSERT_TRUE(before);
    // The setter refuses a custom shape without a picture, so reach it as a hand-made
    // bag would: straight into the field.
    b.ButtonShape = 7;
    b.CreateButtonRegion();
    const forms::OwnedRegion after = WindowRegion(b.hWnd());
    ASSERT_TRUE(after);
    EXPECT_TRUE(SameArea(before.Get(), after.Get()));
    EXPECT_EQ(b.ScaleWidthPixels(), 75);
    EXPECT_EQ(b.InnerRegion, nullptr);
}

// From the resize on, any failure of a picture outline ends the region work silently: the
// window keeps the outline it had and no box comes up. Each allocation that the work makes
// is failed in turn, and then the picture scan's buffer under a real resize.
TEST_F(ButtonShapeTest, AFailedPictureOutlineKeepsTheOldOutlineSilently) {
    std::vector<std::string> boxes;
    forms::Hooks().messageBoxTitled = [&](const std::string& text, UINT, const std::string&) {
        boxes.push_back(text);
        return IDOK;
    };
    forms::Hooks().unhandledError = [](const std::string& text) {
        std::fprintf(stderr, "error box: %s\n", text.c_str());  // the process ends after it
    };
    struct Unhook {
        ~Unhook() {
            failing_new::Disarm();
            forms::Hooks().messageBoxTitled = nullptr;
            forms::Hooks().unhandledError = nullptr;
        }
    } unhook;

    // A rounded rectangle that is to take the picture's outline (6 x 3, so 40 x 20 here),
    // as a hand-made bag would ask for it: straight into the field.
    const forms::Picture picture = ArtPicture({"..####", "######", "####.."});
    int made = 0;
    auto rounded = [&]() -> Butt& {
        Butt& b = host.Add("B" + std::to_string(made++), Bag(2, 0, true, picture), 10, 10, 40, 30);
        b.ButtonShape = 7;
        return b;
    };
    long allocations = 0;
    {
        Butt& b = rounded();
        failing_new::FailNth(0);
        b.CreateButtonRegion();
        allocations = failing_new::Made();
        ASSERT_EQ(b.ScaleHeightPixels(), 20) << "no picture outline was made";
    }
    ASSERT_GT(allocations, 0);

    for (long nth = 1; nth <= allocations; ++nth) {
        SCOPED_TRACE(testing::Message() << "allocation " << nth << " of " << allocations);
        Butt& b = rounded();
        const forms::OwnedRegion before = WindowRegion(b.hWnd());
        ASSERT_TRUE(before);
        failing_new::FailNth(nth);
        EXPECT_NO_THROW(b.CreateButtonRegion());
        EXPECT_FALSE(failing_new::Pending());
        failing_new::Disarm();
        const forms::OwnedRegion after = WindowRegion(b.hWnd());
        ASSERT_TRUE(after);
        EXPECT_TRUE(SameArea(before.Get(), after.Get())) << RegionArt(after.Get(), 40, 30);
    }

    // Resized to 60 x 45, the button takes 60 x 30 and scans the picture at that size.
    const std::string name = "B" + std::to_string(made);
    Butt& b = rounded();
    const forms::OwnedRegion before = WindowRegion(b.hWnd());
    ASSERT_TRUE(before);
    failing_new::FailAtLeast(std::size_t{60} * 30 * sizeof(std::uint32_t));
    host.Site(name).Move(0, 0, forms::PixelsToTwipsX(60), forms::PixelsToTwipsY(45));
    EXPECT_FALSE(failing_new::Pending()) << "the scan's buffer was never asked for";
    failing_new::Disarm();
    EXPECT_EQ(b.ScaleWidthPixels(), 60);
    const forms::OwnedRegion after = WindowRegion(b.hWnd());
    ASSERT_TRUE(after);
    EXPECT_TRUE(SameArea(before.Get(), after.Get())) << RegionArt(after.Get(), 60, 45);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ButtonShapeTest, CustomShapeTakesThePictureProportions) {
    // 100 x 50, its key colour only in the corner.
    forms::Picture picture = forms::Picture::FromBitmap(DibSection(
        100, 50, [](int x, int y) { return x == 0 && y == 0 ? kMagenta : RGB(20, 140, 60); }));
    Butt& b = host.Add("B", Bag(0, 0, true, picture), 10, 10, 80, 80);
    b.SetButtonShape(7);
    EXPECT_EQ(b.ScaleWidthPixels(), 80);
    EXPECT_EQ(b.ScaleHeightPixels(), 40);
    EXPECT_EQ(b.PictureCopyWidth, 80);
    EXPECT_EQ(b.PictureCopyHeight, 40);
    EXPECT_EQ(b.GetPictureSize(), 4);
    EXPECT_EQ(b.RightSlantX, 80);
    const forms::OwnedRegion region = WindowRegion(b.hWnd());
    ASSERT_TRUE(region);
    RECT box{};
    ::GetRgnBox(region.Get(), &box);
    EXPECT_EQ(box.right, 80);
    EXPECT_EQ(box.bottom, 40);
    EXPECT_FALSE(::PtInRegion(region.Get(), 0, 0));  // the corner is always key
    EXPECT_TRUE(::PtInRegion(region.Get(), 40, 20));
    EXPECT_TRUE(::PtInRegion(region.Get(), 79, 39));

    // Taking the picture away brings the rectangle back.
    b.SetPicture(forms::Picture{});
    EXPECT_EQ(b.GetButtonShape(), 0);
    EXPECT_EQ(b.InnerRegion, nullptr);
}

// ---- The picture scan against the per-pixel procedure ---------------------------------

// The scan as first written: one pixel read and written at a time through the system,
// three region cuts per run. The control reads the copy's pixels in one buffer instead.
struct ScanOracle {
    forms::OwnedBitmap copy;
    forms::OwnedRegion region, inner, inner2;
};

ScanOracle PerPixelScan(HBITMAP picture, int copyW, int copyH, int w, int h) {
    ScanOracle out;
    out.copy.Reset(static_cast<HBITMAP>(::CopyImage(picture, IMAGE_BITMAP, copyW, copyH, 0)));
    forms::OwnedDc dc(::CreateCompatibleDC(nullptr));
    forms::SelectGuard selected(dc.Get(), out.copy.Get());
    const COLORREF key = ::GetPixel(dc.Get(), 0, 0);
    const int kr = GetRValue(key), kg = GetGValue(key), kb = GetBValue(key);
    out.region = Rect(0, 0, w, h);
    out.inner = Rect(0, 0, w, h);
    out.inner2 = Rect(0, 0, w, h);
    auto cut = [](HRGN from, RECT r) {
        forms::OwnedRegion piece(::CreateRectRgnIndirect(&r));
        ::CombineRgn(from, from, piece.Get(), RGN_DIFF);
    };
    auto close = [&](int s, int y, int x) {
        RECT r{s, y, x, y + 1};
        cut(out.region.Get(), r);
        ::InflateRect(&r, 1, 1);
        cut(out.inner.Get(), r);
        ::InflateRect(&r, 1, 1);
        cut(out.inner2.Get(), r);
    };
    for (int y = 0; y < copyH; ++y) {
        int s = -1;
        for (int x = 0; x < copyW; ++x) {
            const COLORREF p = ::GetPixel(dc.Get(), x, y);
            const bool keyLike = std::abs(GetRValue(p) - kr) <= 3 &&
                                 std::abs(GetGValue(p) - kg) <= 3 &&
                                 std::abs(GetBValue(p) - kb) <= 3;
            if (keyLike) {
                ::SetPixel(dc.Get(), x, y, key);
                if (s < 0) s = x;
            } else if (s >= 0) {
                close(s, y, x);
                s = -1;
            }
        }
        if (s >= 0) close(s, y, copyW);
    }
    return out;
}

TEST_F(ButtonShapeTest, PictureScanMatchesThePerPixelProcedure) {
    // Noise around the key, scaled up and down, so that runs start and end everywhere.
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    std::vector<COLORREF> noise(23 * 17);
    for (COLORREF& c : noise) {
        const std::uint32_t r = next() >> 16;
        const int d = static_cast<int>(r % 11) - 5;  // -5 .. 5 off the key
        c = (r & 0x100) ? RGB(255 - std::abs(d), std::abs(d), 255 - std::abs(d / 2))
                        : RGB(r & 0xFF, (r >> 3) & 0xFF, 90);
    }
    noise[0] = kMagenta;
    forms::Picture picture = forms::Picture::FromBitmap(DibSection(
        23, 17, [&](int x, int y) { return noise[static_cast<std::size_t>(y) * 23 + x]; }));
    Butt& b = host.Add("B", Bag(0, 0, true, picture), 10, 10, 40, 30);

    for (const POINT size : {POINT{23, 17}, POINT{40, 30}, POINT{11, 9}}) {
        SCOPED_TRACE(std::to_string(size.x) + "x" + std::to_string(size.y));
        forms::OwnedRegion region = Rect(0, 0, 40, 30);
        HRGN handle = region.Get();
        std::int32_t cw = size.x, ch = size.y;
        b.CreatePictureRegion(cw, ch, handle);
        const ScanOracle want = PerPixelScan(picture.BitmapHandle(), cw, ch, 40, 30);
        EXPECT_TRUE(SameArea(region.Get(), want.region.Get()))
            << "got\n" << RegionArt(region.Get(), 40, 30)
            << "want\n" << RegionArt(want.region.Get(), 40, 30);
        EXPECT_TRUE(SameArea(b.InnerRegion, want.inner.Get()));
        EXPECT_TRUE(SameArea(b.InnerRegion2, want.inner2.Get()));
        EXPECT_EQ(BitmapPixels(b.PictureCopy, cw, ch), BitmapPixels(want.copy.Get(), cw, ch));
        EXPECT_EQ(b.PictureCopyWidth, cw);
        EXPECT_EQ(b.PictureCopyHeight, ch);
    }
}

// ---- Pictures --------------------------------------------------------------------------

// A pixel by name: F the face behind, G grey, else the art symbol of its colour.
char NameOf(COLORREF c) {
    if (c == kFace) return 'F';
    if (c == RGB(0x80, 0x80, 0x80)) return 'G';
    for (char s : std::string(".34#owkryz")) {
        if (ColourOf(s) == c) return s;
    }
    return '?';
}

// What the back buffer shows in the w x h area at (x, y), one name a pixel.
std::vector<std::string> Shown(Butt& b, int x, int y, int w, int h) {
    std::vector<std::string> rows;
    for (int j = 0; j < h; ++j) {
        std::string row;
        for (int i = 0; i < w; ++i) row += NameOf(::GetPixel(b.MemoryDC, x + i, y + j));
        rows.push_back(row);
    }
    return rows;
}

TEST_F(ButtonShapeTest, BitmapPicturesDrawWithoutTheirKey) {
    struct Case {
        const char* name;
        std::vector<std::string> art;
        bool enabled;
        std::vector<std::string> shown;  // F: the face behind, G: grey
    };
    const Case cases[] = {
        {"magenta and near-magenta show the face",
         {"..##3.", "#34#o.", "3.##.4"}, true, {"FF##FF", "#F4#oF", "FF##F4"}},
        {"a key only in the corner",
         {"y#oz", "#o#z", "o#zz"}, true, {"F#oF", "#o#F", "o#FF"}},
        {"a key found nowhere else", {"y##o", "#oo#"}, true, {"F##o", "#oo#"}},
        {"disabled black on white: grey strokes, no white box",
         {"wwkw", "wkkw", "wwkw"}, false, {"FFGF", "FGGF", "FFGF"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int w = static_cast<int>(c.art.front().size());
        const int h = static_cast<int>(c.art.size());
        Butt& b = host.Add(c.name, Bag(0, 0, c.enabled, ArtPicture(c.art)), 10, 10, 40, 30);
        std::int32_t cw = w, ch = h;
        HRGN none = nullptr;
        b.CreatePictureRegion(cw, ch, none);
        FillBackBuffer(b, kFace);
        RECT place{5, 6, 5 + w, 6 + h};
        b.DrawPicture(place);
        EXPECT_EQ(Shown(b, 5, 6, w, h), c.shown);
        // Nothing beside the picture changes.
        EXPECT_EQ(::GetPixel(b.MemoryDC, 4, 6), kFace);
        EXPECT_EQ(::GetPixel(b.MemoryDC, 5 + w, 6 + h - 1), kFace);
        host.Site(c.name).SetVisible(false);
    }
}

TEST_F(ButtonShapeTest, DisabledColoursMixFaceAndGreyBitByBit) {
    // White parts keep the face, black turn grey, a colour takes the face's bits where
    // its own are set and the grey's where they are clear.
    Butt& b = host.Add("B", Bag(0, 0, false, ArtPicture({"wr", "rk"})), 10, 10, 40, 30);
    std::int32_t cw = 2, ch = 2;
    HRGN none = nullptr;
    b.CreatePictureRegion(cw, ch, none);
    FillBackBuffer(b, kFace);
    RECT place{3, 3, 5, 5};
    b.DrawPicture(place);
    const COLORREF r = ColourOf('r');
    auto mix = [](int face, int src) { return (face & src) | (0x80 & ~src & 0xFF); };
    const COLORREF mixed = RGB(mix(GetRValue(kFace), GetRValue(r)),
                               mix(GetGValue(kFace), GetGValue(r)),
                               mix(GetBValue(kFace), GetBValue(r)));
    EXPECT_EQ(::GetPixel(b.MemoryDC, 3, 3), kFace);
    EXPECT_EQ(::GetPixel(b.MemoryDC, 4, 3), mixed);
    EXPECT_EQ(::GetPixel(b.MemoryDC, 4, 4), RGB(0x80, 0x80, 0x80));
}

forms::Picture SolidIcon(int size, COLORREF colour) {
    forms::OwnedBitmap colourBits = DibSection(size, size, [&](int, int) { return colour; });
    forms::OwnedBitmap mask(::CreateBitmap(size, size, 1, 1, nullptr));
    {
        forms::OwnedDc dc(::CreateCompatibleDC(nullptr));
        forms::SelectGuard selected(dc.Get(), mask.Get());
        ::PatBlt(dc.Get(), 0, 0, size, size, BLACKNESS);  // all opaque
    }
    ICONINFO info{TRUE, 0, 0, mask.Get(), colourBits.Get()};
    return forms::Picture::FromIcon(forms::OwnedIcon(::CreateIconIndirect(&info)));
}

TEST_F(ButtonShapeTest, IconsDrawThroughTheSystemAndGreyWhenDisabled) {
    for (const bool enabled : {true, false}) {
        SCOPED_TRACE(enabled ? "enabled" : "disabled");
        const std::string name = enabled ? "On" : "Off";
        Butt& b = host.Add(name, Bag(0, 0, enabled, SolidIcon(16, RGB(0, 0, 0))), 10, 10, 40, 30);
        EXPECT_EQ(b.PictureIsIcon, 1);
        EXPECT_EQ(b.PictureCopy, nullptr);  // icons get no copy
        FillBackBuffer(b, kFace);
        RECT place{4, 4, 20, 20};
        b.DrawPicture(place);
        EXPECT_EQ(b.PictureCopy, nullptr);
        EXPECT_EQ(::GetPixel(b.MemoryDC, 10, 10), enabled ? RGB(0, 0, 0) : RGB(0x80, 0x80, 0x80));
        EXPECT_EQ(::GetPixel(b.MemoryDC, 3, 10), kFace);
        host.Site(name).SetVisible(false);
    }
}

TEST_F(ButtonShapeTest, PressedCustomShapeDrawsOnePixelIn) {
    // Opaque all over but the key corner, so the drawn area shows exactly.
    forms::Picture picture = forms::Picture::FromBitmap(DibSection(
        30, 20, [](int x, int y) { return x == 0 && y == 0 ? kMagenta : ColourOf('o'); }));
    Butt& b = host.Add("B", Bag(0, 0, true, picture), 10, 10, 30, 20);
    b.SetButtonShape(7);
    ASSERT_EQ(b.ScaleWidthPixels(), 30);
    ASSERT_EQ(b.ScaleHeightPixels(), 20);
    for (const bool pressed : {false, true}) {
        SCOPED_TRACE(pressed ? "pressed" : "normal");
        b.ButtonState = pressed ? button::kPressedLook : std::int16_t{0};
        FillBackBuffer(b, kFace);
        RECT place{5, 5, 10, 10};  // custom shapes draw over the whole control
        b.DrawPicture(place);
        const RECT want = pressed ? RECT{1, 1, 29, 19} : RECT{0, 0, 30, 20};
        EXPECT_EQ(place.left, want.left);
        EXPECT_EQ(place.top, want.top);
        EXPECT_EQ(place.right, want.right);
        EXPECT_EQ(place.bottom, want.bottom);
        const COLORREF o = ColourOf('o');
        EXPECT_EQ(::GetPixel(b.MemoryDC, want.right - 1, want.bottom - 1), o);
        EXPECT_EQ(::GetPixel(b.MemoryDC, want.left + 5, want.top), o);
        if (pressed) {
            EXPECT_EQ(::GetPixel(b.MemoryDC, 0, 10), kFace);
            EXPECT_EQ(::GetPixel(b.MemoryDC, 15, 0), kFace);
            EXPECT_EQ(::GetPixel(b.MemoryDC, 29, 10), kFace);
            EXPECT_EQ(::GetPixel(b.MemoryDC, 15, 19), kFace);
        }
    }
}

TEST_F(ButtonShapeTest, DrawSizeLargerThanTheAreaShrinksByTheSmallerRatio) {
    forms::Picture picture = forms::Picture::FromBitmap(DibSection(
        8, 8, [](int x, int y) { return x == 0 && y == 0 ? kMagenta : ColourOf('o'); }));
    Butt& b = host.Add("B", Bag(0, 0, true, picture), 10, 10, 60, 40);
    std::int32_t cw = 8, ch = 8;
    HRGN none = nullptr;
    b.CreatePictureRegion(cw, ch, none);
    FillBackBuffer(b, kFace);

    HDC dest = b.MemoryDC;
    RECT area{10, 10, 30, 20};  // 20 x 10
    RECT source{0, 0, 0, 0};
    std::int32_t drawW = 40, drawH = 40;  // ratios 0.5 and 0.25
    HBITMAP copy = b.PictureCopy;
    b.DrawTransparentBitmap(dest, area, copy, source, drawW, drawH);
    EXPECT_EQ(drawW, 10);
    EXPECT_EQ(drawH, 10);
    EXPECT_EQ(source.right, 8);   // an empty source takes the whole copy
    EXPECT_EQ(source.bottom, 8);
    const COLORREF o = ColourOf('o');
    EXPECT_EQ(::GetPixel(dest, 19, 19), o);     // the picture at the area's top-left
    EXPECT_EQ(::GetPixel(dest, 10, 19), o);
    EXPECT_EQ(::GetPixel(dest, 20, 15), kFace);  // the rest of the area unchanged
    EXPECT_EQ(::GetPixel(dest, 29, 10), kFace);
    EXPECT_EQ(::GetPixel(dest, 9, 15), kFace);   // and outside it
}

TEST_F(ButtonShapeTest, NineShapesOnOneWindow) {
    // Apply's style on every shape; a picture with a key-coloured top-left block where
    // the shape shows one.
    std::vector<std::string> art(8, std::string(12, 'o'));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) art[y][x] = '.';
    const forms::Picture picture = ArtPicture(art);
    struct Case {
        std::int32_t shape;
        std::vector<POINT> out;
        bool drawsPicture;
    };
    // 60 x 40 each; the custom shapes keep those proportions (12 x 8 scaled by 5).
    const Case cases[] = {
        {0, {{0, 0}, {59, 0}, {0, 39}, {59, 39}}, false},
        {1, {{0, 39}, {10, 39}, {59, 0}}, false},     // left slant; right corners rounded
        {2, {{59, 0}, {0, 0}, {0, 39}}, false},       // right slant; left corners rounded
        {3, {{0, 39}, {59, 0}}, false},
        {4, {{0, 0}, {59, 0}, {0, 39}, {59, 39}}, false},
        {5, {{0, 0}, {59, 0}, {0, 39}, {59, 39}}, true},
        {6, {{0, 0}, {59, 0}, {0, 39}, {59, 39}}, false},
        {7, {{0, 0}, {10, 8}}, true},  // inside the scaled key block
        {8, {{0, 0}, {10, 8}}, true},
    };
    std::vector<Butt*> buttons;
    for (const Case& c : cases) {
        const bool withPicture = c.shape == 5 || c.shape >= 7;
        buttons.push_back(&host.Add("S" + std::to_string(c.shape),
                                    Bag(2, c.shape, true, withPicture ? picture : forms::Picture{}),
                                    10 + 70 * (c.shape % 5), 10 + 60 * (c.shape / 5), 60, 40));
    }
    for (const Case& c : cases) {
        SCOPED_TRACE("shape " + std::to_string(c.shape));
        Butt& b = *buttons[static_cast<std::size_t>(c.shape)];
        EXPECT_EQ(b.GetButtonShape(), c.shape);
        const int w = b.ScaleWidthPixels();
        const int h = b.ScaleHeightPixels();
        const forms::OwnedRegion region = WindowRegion(b.hWnd());
        ASSERT_TRUE(region);
        EXPECT_TRUE(::PtInRegion(region.Get(), w / 2, h / 2));
        for (POINT p : c.out) {
            EXPECT_FALSE(::PtInRegion(region.Get(), p.x, p.y)) << p.x << "," << p.y;
        }
        EXPECT_EQ(b.InnerRegion != nullptr, c.shape >= 4);
        if (!c.drawsPicture) continue;
        FillBackBuffer(b, kFace);
        RECT place{10, 10, 34, 26};  // the picture's place on the oval; 24 x 16
        b.DrawPicture(place);
        EXPECT_EQ(::GetPixel(b.MemoryDC, place.left, place.top), kFace);  // key block
        EXPECT_EQ(::GetPixel(b.MemoryDC, place.right - 1, place.bottom - 1), ColourOf('o'));
    }
}

TEST_F(ButtonShapeTest, AFailedPictureCopyCutsNothing) {
    // A bitmap the system no longer knows: the copy cannot be made, so there are no
    // pixels to scan and the outline keeps every pixel.
    forms::Picture picture = ArtPicture({"..##", "####"});
    Butt& b = host.Add("B", Bag(0, 0, true, picture), 10, 10, 40, 30);
    forms::Picture gone = ArtPicture({"..##", "####"});
    b.Picture = gone;
    ASSERT_TRUE(::DeleteObject(gone.BitmapHandle()));
    forms::OwnedRegion region = Rect(0, 0, 40, 30);
    HRGN handle = region.Get();
    std::int32_t cw = 20, ch = 10;
    b.CreatePictureRegion(cw, ch, handle);
    EXPECT_EQ(b.PictureCopy, nullptr);
    const forms::OwnedRegion whole = Rect(0, 0, 40, 30);
    EXPECT_TRUE(SameArea(region.Get(), whole.Get()));
    EXPECT_TRUE(SameArea(b.InnerRegion, whole.Get()));
    b.Picture = picture;
}

TEST_F(ButtonShapeTest, APictureRectangleWithoutAreaDrawsNothing) {
    Butt& b = host.Add("B", Bag(0, 0, true, ArtPicture({"..##", "####"})), 10, 10, 40, 30);
    for (RECT place : {RECT{20, 10, 12, 20}, RECT{5, 20, 15, 12}, RECT{5, 5, 5, 15}}) {
        FillBackBuffer(b, kFace);
        b.DrawPicture(place);
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) {
                ASSERT_EQ(::GetPixel(b.MemoryDC, x, y), kFace) << x << "," << y;
            }
        }
    }
}

// ---- Handles ---------------------------------------------------------------------------

// What a region or bitmap holds, so that a handle value that the system has since given to
// another object (its cache of window DCs keeps regions of its own) is told apart from one
// of ours that was never deleted.
std::vector<BYTE> Contents(HGDIOBJ h) {
    std::vector<BYTE> bytes;
    if (::GetObjectType(h) == OBJ_REGION) {
        const DWORD size = ::GetRegionData(static_cast<HRGN>(h), 0, nullptr);
        bytes.resize(size);
        if (size) ::GetRegionData(static_cast<HRGN>(h), size, reinterpret_cast<RGNDATA*>(bytes.data()));
    } else if (::GetObjectType(h) == OBJ_BITMAP) {
        BITMAP info{};
        ::GetObjectA(h, sizeof info, &info);
        info.bmBits = nullptr;
        const auto* raw = reinterpret_cast<const BYTE*>(&info);
        bytes.assign(raw, raw + sizeof info);
    }
    return bytes;
}

TEST_F(ButtonShapeTest, NoGdiHandleOutlivesTheControl) {
    const std::vector<std::string> art = {"..####", "#.####", "######", "####.."};
    forms::Picture bitmap = ArtPicture(art);
    forms::Picture icon = SolidIcon(16, RGB(10, 20, 30));
    std::map<HGDIOBJ, std::vector<BYTE>> made;  // each handle as the control last had it
    {
        ButtonHost local;
        Butt& b = local.Add("B", Bag(2, 0, true, bitmap), 10, 10, 60, 30);
        auto note = [&] {
            for (HGDIOBJ h : {static_cast<HGDIOBJ>(b.InnerRegion),
                              static_cast<HGDIOBJ>(b.InnerRegion2),
                              static_cast<HGDIOBJ>(b.PictureCopy)}) {
                if (h) made[h] = Contents(h);
            }
        };
        for (int round = 0; round < 5; ++round) {
            for (std::int32_t shape = 0; shape <= 8; ++shape) {
                b.SetButtonShape(shape);
                note();
                b.SetButtonStyle(shape % 8);
                note();
                local.Site("B").Size(forms::PixelsToTwipsX(60 + shape),
                                     forms::PixelsToTwipsY(30 + round));
                note();
                RECT place{2, 2, 20, 20};
                b.DrawPicture(place);
                note();
            }
            b.SetPicture(icon);
            note();
            RECT place{2, 2, 18, 18};
            b.DrawPicture(place);
            b.SetPicture(forms::Picture{});
            note();
            b.SetPicture(bitmap);
            note();
        }
        EXPECT_GT(made.size(), 20u);
    }
    for (const auto& [h, contents] : made) {
        const bool ours = ::GetObjectType(h) != 0 && Contents(h) == contents;
        EXPECT_FALSE(ours) << h << " is still alive";
    }
}

}  // namespace
