// SkinSupport against the real window region, window sizes and messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "dib.h"
#include "forms/Form.h"
#include "forms/Handles.h"
#include "forms/Picture.h"
#include "forms/Runtime.h"
#include "skin/SkinSupport.h"

namespace {

constexpr int kTwips = 15;  // per pixel on the test display

// Pixel art: one string a row, one character a pixel.
COLORREF ColourOf(char symbol) {
    switch (symbol) {
    case '.': return RGB(255, 0, 255);  // the program's key colour
    case '#': return RGB(10, 120, 200);
    case 'n': return RGB(255, 0, 254);  // one off the key in blue only
    case 'w': return RGB(255, 255, 255);
    case 'k': return RGB(0, 0, 0);
    case 'r': return RGB(1, 2, 3);
    case 'b': return RGB(3, 2, 1);  // the same bytes the other way round
    case 'p': return RGB(254, 0, 254);
    case 'q': return RGB(253, 0, 254);
    default: ADD_FAILURE() << "no colour for '" << symbol << "'"; return 0;
    }
}

int ArtWidth(const std::vector<std::string>& art) { return static_cast<int>(art.front().size()); }
int ArtHeight(const std::vector<std::string>& art) { return static_cast<int>(art.size()); }

// A picture holding exactly these pixels.
forms::Picture ArtPicture(const std::vector<std::string>& art) {
    return forms::Picture::FromBitmap(testdib::DibSection(
        ArtWidth(art), ArtHeight(art), [&](int x, int y) { return ColourOf(art[y][x]); }));
}

// The window's region as the system keeps it: its type and its rectangles, "l,t,r,b" each.
struct WindowRegion {
    int type = ERROR;
    std::string rects;
    forms::OwnedRegion region;
};

WindowRegion ReadWindowRegion(HWND hwnd) {
    WindowRegion result;
    result.region.Reset(::CreateRectRgn(0, 0, 0, 0));
    result.type = ::GetWindowRgn(hwnd, result.region.Get());
    if (result.type == ERROR) return result;
    const DWORD size = ::GetRegionData(result.region.Get(), 0, nullptr);
    std::vector<std::uint32_t> buffer(size / sizeof(std::uint32_t) + 1);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (::GetRegionData(result.region.Get(), size, data) == 0) {
        ADD_FAILURE() << "GetRegionData failed";
        return result;
    }
    const auto* rect = reinterpret_cast<const RECT*>(data->Buffer);
    for (DWORD i = 0; i < data->rdh.nCount; ++i, ++rect) {
        if (!result.rects.empty()) result.rects += ' ';
        result.rects += std::to_string(rect->left) + ',' + std::to_string(rect->top) + ',' +
                        std::to_string(rect->right) + ',' + std::to_string(rect->bottom);
    }
    return result;
}

forms::FormSettings SkinFormSettings() {
    forms::FormSettings settings;
    settings.name = "SkinFixture";
    settings.bordered = false;  // the region is in window coordinates: no frame allowed
    settings.clientWidth = 200 * kTwips;
    settings.clientHeight = 150 * kTwips;
    return settings;
}

// A borderless form with one picture box away from the origin.
class SkinTest : public ::testing::Test {
protected:
    static constexpr double kBoxLeft = 10 * kTwips;
    static constexpr double kBoxTop = 20 * kTwips;

    forms::Form form{SkinFormSettings()};
    forms::PictureBox& box =
        form.Add<forms::PictureBox>("picSkin", form, kBoxLeft, kBoxTop, 40.0 * kTwips, 30.0 * kTwips);
    SkinSupport skin;

    // The box takes the art's size, and its memory image must answer with the art's pixels.
    void LoadArtSized(const std::vector<std::string>& art) {
        box.SetAutoSize(true);
        box.SetPicture(ArtPicture(art));
        ASSERT_EQ(box.ScaleWidth(), ArtWidth(art));
        ASSERT_EQ(box.ScaleHeight(), ArtHeight(art));
        for (int y = 0; y < ArtHeight(art); ++y) {
            for (int x = 0; x < ArtWidth(art); ++x) {
                ASSERT_EQ(::GetPixel(box.hDC(), x, y), ColourOf(art[y][x]))
                    << "fixture pixel " << x << "," << y;
            }
        }
    }
};

struct RegionCase {
    const char* name;
    std::vector<std::string> art;
    double red, green, blue;
    char keySymbol;     // the art's symbol whose colour the components make
    std::string rects;  // as the system stores them; empty: no region at all
};

void PrintTo(const RegionCase& c, std::ostream* os) { *os << c.name; }

class MakeRegionTest : public SkinTest, public ::testing::WithParamInterface<RegionCase> {};

TEST_P(MakeRegionTest, CutsTheWindowToThePixelsThatDifferFromTheKey) {
    const RegionCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(LoadArtSized(c.art));
    const HWND hwnd = form.hWnd();
    // A region from before: a picture made only of the key must take it away.
    ASSERT_TRUE(forms::GiveRegionToWindow(hwnd, forms::OwnedRegion(::CreateRectRgn(0, 0, 1, 1)), TRUE));

    skin.Set_Background(form, box, forms::kTrue, c.red, c.green, c.blue);

    const WindowRegion region = ReadWindowRegion(hwnd);
    EXPECT_EQ(region.rects, c.rects);
    if (c.rects.empty()) {
        EXPECT_EQ(region.type, ERROR) << "the window should have no region";
    } else {
        ASSERT_NE(region.type, ERROR);
        for (int y = -1; y <= ArtHeight(c.art); ++y) {
            for (int x = -1; x <= ArtWidth(c.art); ++x) {
                const bool inside =
                    y >= 0 && y < ArtHeight(c.art) && x >= 0 && x < ArtWidth(c.art);
                const bool expected = inside && ColourOf(c.art[y][x]) != ColourOf(c.keySymbol);
                EXPECT_EQ(::PtInRegion(region.region.Get(), x, y) != FALSE, expected)
                    << "pixel " << x << "," << y;
            }
        }
    }

    // The box moves to the client origin and the window takes its size.
    EXPECT_EQ(box.Left(), 0);
    EXPECT_EQ(box.Top(), 0);
    EXPECT_EQ(box.Width(), ArtWidth(c.art) * kTwips);
    EXPECT_EQ(box.Height(), ArtHeight(c.art) * kTwips);
    EXPECT_EQ(form.Width(), box.Width());
    EXPECT_EQ(form.Height(), box.Height());
    RECT window{};
    ASSERT_TRUE(::GetWindowRect(hwnd, &window));
    EXPECT_EQ(window.right - window.left, ArtWidth(c.art));
    EXPECT_EQ(window.bottom - window.top, ArtHeight(c.art));
    // No background picture in this branch.
    EXPECT_TRUE(form.Picture().IsNone());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MakeRegionTest,
    ::testing::Values(
        RegionCase{"NoKeyPixelGivesTheWholeRectangle", {"##n", "#w#", "kb#"}, 255, 0, 255, '.',
                   "0,0,3,3"},
        RegionCase{"OnlyKeyPixelsGiveNoRegion", {"...", "...", "..."}, 255, 0, 255, '.', ""},
        RegionCase{"RunsTouchingTheRightEdgeEndInTheirOwnRow",
                   {"..##", "...#", "#...", "##.#"}, 255, 0, 255, '.',
                   "2,0,4,1 3,1,4,2 0,2,1,3 0,3,2,4 3,3,4,4"},
        RegionCase{"RunInTheLastRowTouchingTheRightEdge", {"...", "...", ".##"}, 255, 0, 255, '.',
                   "1,2,3,3"},
        RegionCase{"OnePixelRuns", {"#.#.", ".#.#"}, 255, 0, 255, '.',
                   "0,0,1,1 2,0,3,1 1,1,2,2 3,1,4,2"},
        RegionCase{"KeyPixelsInsideRows", {"##..##", "#.##.#", "######"}, 255, 0, 255, '.',
                   "0,0,2,1 4,0,6,1 0,1,1,2 2,1,4,2 5,1,6,2 0,2,6,3"},
        RegionCase{"EqualRowsShareOneBand", {"#..#", "#..#", "####"}, 255, 0, 255, '.',
                   "0,0,1,2 3,0,4,2 0,2,4,3"},
        RegionCase{"KeyIsRedGreenBlueInThatOrder", {"rb", "br"}, 1, 2, 3, 'r', "1,0,2,1 0,1,1,2"},
        RegionCase{"KeyComponentsRoundHalfToEven", {"p.q", "qpp"}, 253.5, 0.4, 254.5, 'p',
                   "1,0,3,1 0,1,1,2"}),
    [](const ::testing::TestParamInfo<RegionCase>& tested) { return std::string(tested.param.name); });

struct BackgroundCase {
    const char* name;
    std::optional<forms::VbBool> usingTransparentColor;  // nullopt: omitted
};

void PrintTo(const BackgroundCase& c, std::ostream* os) { *os << c.name; }

class BackgroundTest : public SkinTest, public ::testing::WithParamInterface<BackgroundCase> {};

TEST_P(BackgroundTest, UsesThePictureAsTheBackgroundWithoutARegion) {
    const BackgroundCase& c = GetParam();
    const std::vector<std::string> art{"..##.", "#...#"};
    box.SetPicture(ArtPicture(art));
    ASSERT_FALSE(box.AutoSize());
    ASSERT_EQ(box.Width(), 40 * kTwips);  // not the picture's size yet

    if (c.usingTransparentColor) {
        skin.Set_Background(form, box, *c.usingTransparentColor, 255, 0, 255);
    } else {
        skin.Set_Background(form, box);
    }

    EXPECT_TRUE(form.Picture().SameAs(box.Picture()));
    EXPECT_FALSE(form.Picture().IsNone());
    EXPECT_TRUE(box.AutoSize());
    EXPECT_EQ(box.Width(), ArtWidth(art) * kTwips);
    EXPECT_EQ(box.Height(), ArtHeight(art) * kTwips);
    EXPECT_EQ(form.Width(), box.Width());
    EXPECT_EQ(form.Height(), box.Height());
    EXPECT_EQ(box.Left(), 0);
    EXPECT_EQ(box.Top(), 0);
    EXPECT_EQ(ReadWindowRegion(form.hWnd()).type, ERROR) << "the window should have no region";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BackgroundTest,
    ::testing::Values(BackgroundCase{"False", forms::kFalse}, BackgroundCase{"Omitted", std::nullopt},
                      BackgroundCase{"OneIsNotTrue", forms::VbBool{1}}),
    [](const ::testing::TestParamInfo<BackgroundCase>& tested) { return std::string(tested.param.name); });

TEST_F(SkinTest, AnOmittedKeyComponentIsAnErrorForTheCaller) {
    const std::vector<std::string> art{"#.", ".#"};
    ASSERT_NO_FATAL_FAILURE(LoadArtSized(art));
    using Component = std::optional<double>;
    const struct {
        Component red, green, blue;
    } omissions[] = {
        {std::nullopt, 0.0, 255.0},
        {255.0, std::nullopt, 255.0},
        {255.0, 0.0, std::nullopt},
        {std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& o : omissions) {
        EXPECT_THROW(skin.Set_Background(form, box, forms::kTrue, o.red, o.green, o.blue),
                     forms::RuntimeError);
    }
    // The error came before anything was changed.
    EXPECT_EQ(ReadWindowRegion(form.hWnd()).type, ERROR);
    EXPECT_EQ(box.Left(), kBoxLeft);
    EXPECT_EQ(box.Top(), kBoxTop);
}

// Counts the caption presses that reach the window, then lets the form handle them (it
// drops a press made while the left button is up, so no move loop starts here).
class CaptionCountingForm : public forms::Form {
public:
    using forms::Form::Form;
    int captionPresses = 0;
    int otherPresses = 0;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_NCLBUTTONDOWN) {
            if (wParam == HTCAPTION && lParam == 0) {
                ++captionPresses;
            } else {
                ++otherPresses;
            }
        }
        return forms::Form::HandleMessage(msg, wParam, lParam);
    }
};

TEST(DragFormTest, HandsButtonsOneTwoAndFourToTheMoveLoop) {
    const struct {
        std::int32_t button;
        bool drags;
    } cases[] = {{0, false}, {1, true}, {2, true}, {3, false}, {4, true}};
    CaptionCountingForm form{SkinFormSettings()};
    form.Show();
    SkinSupport skin;
    for (const auto& c : cases) {
        SCOPED_TRACE("button " + std::to_string(c.button));
        form.captionPresses = 0;
        form.otherPresses = 0;
        ::SetCapture(form.hWnd());
        ASSERT_EQ(::GetCapture(), form.hWnd());

        skin.Drag_Form(c.button, form);

        EXPECT_EQ(form.captionPresses, c.drags ? 1 : 0);
        EXPECT_EQ(form.otherPresses, 0);
        EXPECT_EQ(::GetCapture(), c.drags ? nullptr : form.hWnd());
        ::ReleaseCapture();
    }
}

}  // namespace
