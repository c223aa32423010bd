// Transparency: layered attributes as the system reads them back, step by step.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "forms/Form.h"
#include "forms/Runtime.h"
#include "skin/Transparency.h"

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

struct Layered {
    bool read = false;
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
};

Layered ReadLayered(HWND hwnd) {
    Layered l;
    l.read = ::GetLayeredWindowAttributes(hwnd, &l.key, &l.alpha, &l.flags) != FALSE;
    return l;
}

// The window's constant alpha, -1 when it is not in alpha mode.
int AlphaOf(HWND hwnd) {
    const Layered l = ReadLayered(hwnd);
    return l.read && (l.flags & LWA_ALPHA) ? l.alpha : -1;
}

forms::FormSettings FadeFormSettings() {
    forms::FormSettings settings;
    settings.name = "FadeFixture";
    settings.bordered = false;
    settings.clientWidth = 100 * 15;
    settings.clientHeight = 80 * 15;
    return settings;
}

// Records every change of its enabled state as the system reports it.
class FadeForm : public forms::Form {
public:
    FadeForm() : forms::Form(FadeFormSettings()) {}
    std::vector<bool> enableChanges;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_ENABLE) enableChanges.push_back(wParam != FALSE);
        return forms::Form::HandleMessage(msg, wParam, lParam);
    }
};

enum class Start { NotLayered, Alpha, ColourKey, KeyAndAlpha };

void MakeLayered(HWND hwnd, Start start, BYTE alpha) {
    if (start == Start::NotLayered) return;
    ::SetWindowLongA(hwnd, GWL_EXSTYLE, ::GetWindowLongA(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    const DWORD flags = start == Start::Alpha         ? LWA_ALPHA
                        : start == Start::ColourKey   ? LWA_COLORKEY
                                                      : LWA_COLORKEY | LWA_ALPHA;
    ASSERT_TRUE(::SetLayeredWindowAttributes(hwnd, kMagenta, alpha, flags));
}

class TransparencyTest : public ::testing::Test {
protected:
    void TearDown() override { forms::Hooks() = {}; }
    FadeForm form;
};

// What the window looked like each time the fade yielded.
struct Yield {
    int alpha;
    bool visible;
    bool enabled;
};

struct FadeCase {
    const char* name;
    bool fadeIn;
    Start start;
    BYTE startAlpha;  // the alpha a layered window starts with
    bool visible;
    bool enabled;
    BYTE target;
    float step;
    forms::VbBool result;
    int alphaAtFirstYield;  // where the fade starts from, once alpha mode is forced
    std::vector<int> alphasSet;
    bool visibleAfter;
};

void PrintTo(const FadeCase& c, std::ostream* os) { *os << c.name; }

std::vector<int> Range(int first, int last, int by) {
    std::vector<int> values;
    for (int v = first; by > 0 ? v <= last : v >= last; v += by) values.push_back(v);
    return values;
}

// The alphas a fade sets, with its running value rounded to single precision at every
// step (volatile: stored, whatever registers the compiler has).
std::vector<int> SingleSteps(float from, float target, float step) {
    std::vector<int> alphas;
    volatile float a = from;
    const bool up = target > from;
    while (up ? a < target : a > target) {
        a = up ? a + step : a - step;
        if (up ? a > target : a < target) a = target;
        alphas.push_back(forms::ToByte(a));
    }
    return alphas;
}

class FadeTest : public TransparencyTest, public ::testing::WithParamInterface<FadeCase> {};

TEST_P(FadeTest, SetsTheseAlphasOnePerYield) {
    const FadeCase& c = GetParam();
    const HWND hwnd = form.hWnd();
    ASSERT_NO_FATAL_FAILURE(MakeLayered(hwnd, c.start, c.startAlpha));
    if (c.visible) form.Show();
    if (!c.enabled) ::EnableWindow(hwnd, FALSE);
    form.enableChanges.clear();

    std::vector<Yield> yields;
    forms::Hooks().onYield = [&] {
        yields.push_back({AlphaOf(hwnd), ::IsWindowVisible(hwnd) != FALSE,
                          ::IsWindowEnabled(hwnd) != FALSE});
    };
    const forms::VbBool result = c.fadeIn ? Transparency::FadeIn(form, c.target, c.step)
                                          : Transparency::FadeOut(form, c.target, c.step);
    forms::Hooks().onYield = nullptr;

    EXPECT_EQ(result, c.result);
    // Each pass yields and then sets its alpha: the reading at a yield is the alpha the
    // pass before set.
    std::vector<int> expectedReadings;
    if (!c.alphasSet.empty()) {
        expectedReadings.push_back(c.alphaAtFirstYield);
        expectedReadings.insert(expectedReadings.end(), c.alphasSet.begin(), c.alphasSet.end() - 1);
    }
    std::vector<int> readings;
    for (const Yield& y : yields) readings.push_back(y.alpha);
    EXPECT_EQ(readings, expectedReadings);
    EXPECT_EQ(AlphaOf(hwnd), c.alphasSet.empty() ? c.alphaAtFirstYield : c.alphasSet.back());
    EXPECT_EQ(ReadLayered(hwnd).flags, static_cast<DWORD>(LWA_ALPHA)) << "colour key dropped";

    for (std::size_t i = 0; i < yields.size(); ++i) {
        EXPECT_TRUE(yields[i].visible) << "at yield " << i + 1;
        EXPECT_FALSE(yields[i].enabled) << "at yield " << i + 1;
    }
    EXPECT_EQ(form.Visible(), c.visibleAfter);
    EXPECT_EQ(::IsWindowEnabled(hwnd) != FALSE, c.enabled);
    // An enabled window is disabled for the fade and enabled after it; a disabled one,
    // or one the fade gave up on, is left alone.
    const std::vector<bool> expectedChanges =
        c.enabled && c.result == forms::kTrue ? std::vector<bool>{false, true} : std::vector<bool>{};
    EXPECT_EQ(form.enableChanges, expectedChanges);
}

constexpr bool kIn = true;
constexpr bool kOut = false;
constexpr bool kShown = true;
constexpr bool kHidden = false;
constexpr bool kEnabled = true;
constexpr bool kDisabled = false;

INSTANTIATE_TEST_SUITE_P(
    Cases, FadeTest,
    ::testing::Values(
        FadeCase{"InWithAnUnevenStep", kIn, Start::NotLayered, 0, kHidden, kEnabled, 10, 4.0f,
                 forms::kTrue, 0, {4, 8, 10}, kShown},
        FadeCase{"InWithAFractionalStepRoundsHalfToEven", kIn, Start::NotLayered, 0, kHidden,
                 kEnabled, 10, 2.5f, forms::kTrue, 0, {2, 5, 8, 10}, kShown},
        // 0.3 added in single precision falls short of 3 after ten passes.
        FadeCase{"InRunsInSinglePrecision", kIn, Start::Alpha, 0, kShown, kEnabled, 3, 0.3f,
                 forms::kTrue, 0, {0, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3}, kShown},
        // Long fades with small steps. Were the sum kept with more bits for the comparison
        // and the conversion, as in an x87 register, pass 5 of the first would set 1 (not
        // 0) and pass 1024 of the second 149 (not 148).
        FadeCase{"InWithASmallStepStaysSingleAtEveryStep", kIn, Start::Alpha, 0, kShown,
                 kEnabled, 255, 0.1f, forms::kTrue, 0, SingleSteps(0, 255, 0.1f), kShown},
        FadeCase{"OutWithASmallStepStaysSingleAtEveryStep", kOut, Start::Alpha, 255, kShown,
                 kEnabled, 0, 0.104f, forms::kTrue, 255, SingleSteps(255, 0, 0.104f), kHidden},
        FadeCase{"InToTheCurrentAlphaShowsWithoutAPass", kIn, Start::Alpha, 100, kHidden,
                 kEnabled, 100, 4.0f, forms::kTrue, 100, {}, kShown},
        FadeCase{"InFromAboveTheTargetGivesUp", kIn, Start::Alpha, 200, kHidden, kEnabled, 100,
                 4.0f, forms::kFalse, 200, {}, kHidden},
        FadeCase{"InFromAColourKeyStartsAtZero", kIn, Start::ColourKey, 77, kHidden, kEnabled, 8,
                 4.0f, forms::kTrue, 0, {4, 8}, kShown},
        FadeCase{"InWithStepZeroSetsTheTargetAtOnce", kIn, Start::NotLayered, 0, kHidden,
                 kEnabled, 10, 0.0f, forms::kTrue, 0, {10}, kShown},
        FadeCase{"InWithANegativeStepSetsTheTargetAtOnce", kIn, Start::NotLayered, 0, kHidden,
                 kEnabled, 10, -4.0f, forms::kTrue, 0, {10}, kShown},
        FadeCase{"InKeepsADisabledWindowDisabled", kIn, Start::NotLayered, 0, kHidden, kDisabled,
                 8, 4.0f, forms::kTrue, 0, {4, 8}, kShown},
        FadeCase{"OutFrom240ToZeroInSixtyPassesAndHides", kOut, Start::Alpha, 240, kShown,
                 kEnabled, 0, 4.0f, forms::kTrue, 240, Range(236, 0, -4), kHidden},
        FadeCase{"OutAboveZeroStaysVisible", kOut, Start::Alpha, 240, kShown, kEnabled, 100,
                 50.0f, forms::kTrue, 240, {190, 140, 100}, kShown},
        FadeCase{"OutShowsAHiddenWindowAndHidesItAtZero", kOut, Start::Alpha, 200, kHidden,
                 kEnabled, 0, 100.0f, forms::kTrue, 200, {100, 0}, kHidden},
        FadeCase{"OutWithAFractionalStepRoundsHalfToEven", kOut, Start::Alpha, 10, kShown,
                 kEnabled, 0, 2.5f, forms::kTrue, 10, {8, 5, 2, 0}, kHidden},
        FadeCase{"OutFromNotLayeredStartsAt255", kOut, Start::NotLayered, 0, kShown, kEnabled,
                 247, 4.0f, forms::kTrue, 255, {251, 247}, kShown},
        FadeCase{"OutFromAColourKeyStartsAt255", kOut, Start::ColourKey, 77, kShown, kEnabled,
                 200, 50.0f, forms::kTrue, 255, {205, 200}, kShown},
        FadeCase{"OutFromBelowTheTargetGivesUp", kOut, Start::Alpha, 50, kHidden, kEnabled, 100,
                 4.0f, forms::kFalse, 50, {}, kHidden},
        FadeCase{"OutToZeroFromZeroStillHides", kOut, Start::Alpha, 0, kShown, kEnabled, 0, 4.0f,
                 forms::kTrue, 0, {}, kHidden},
        FadeCase{"OutWithStepZeroSetsTheTargetAtOnce", kOut, Start::Alpha, 240, kShown, kEnabled,
                 0, 0.0f, forms::kTrue, 240, {0}, kHidden},
        FadeCase{"OutWithANegativeStepSetsTheTargetAtOnce", kOut, Start::Alpha, 240, kShown,
                 kEnabled, 0, -1.0f, forms::kTrue, 240, {0}, kHidden},
        FadeCase{"OutKeepsADisabledWindowDisabled", kOut, Start::Alpha, 240, kShown, kDisabled,
                 200, 20.0f, forms::kTrue, 240, {220, 200}, kShown}),
    [](const ::testing::TestParamInfo<FadeCase>& tested) { return std::string(tested.param.name); });

// Esc during the start-up fade-in starts a fade-out inside it, from the alpha reached.
TEST_F(TransparencyTest, AFadeOutInsideAFadeInStartsFromTheAlphaReached) {
    const HWND hwnd = form.hWnd();
    std::vector<int> outer;
    std::vector<int> inner;
    bool nested = false;
    forms::VbBool innerResult = forms::kFalse;
    bool visibleAfterInner = true;
    bool enabledAfterInner = true;
    forms::Hooks().onYield = [&] {
        if (nested) {
            inner.push_back(AlphaOf(hwnd));
            return;
        }
        outer.push_back(AlphaOf(hwnd));
        if (outer.size() == 3) {
            nested = true;
            innerResult = Transparency::FadeOut(form, 0, 4.0f);
            nested = false;
            visibleAfterInner = ::IsWindowVisible(hwnd) != FALSE;
            enabledAfterInner = ::IsWindowEnabled(hwnd) != FALSE;
        }
    };

    EXPECT_EQ(Transparency::FadeIn(form, 20, 4.0f), forms::kTrue);

    EXPECT_EQ(innerResult, forms::kTrue);
    EXPECT_EQ(inner, (std::vector<int>{8, 4}));
    EXPECT_FALSE(visibleAfterInner);
    EXPECT_FALSE(enabledAfterInner) << "the inner fade found the window disabled";
    EXPECT_EQ(outer, (std::vector<int>{0, 4, 8, 12, 16}));
    EXPECT_TRUE(form.Enabled() == forms::kTrue);
}

TEST_F(TransparencyTest, ModeAndAlphaReadTheLayeredAttributes) {
    const struct {
        const char* name;
        Start start;
        std::int32_t mode;
        std::int32_t alpha;
    } cases[] = {
        {"not layered", Start::NotLayered, 0, -1},
        {"colour key", Start::ColourKey, 1, static_cast<std::int32_t>(kMagenta)},
        {"alpha", Start::Alpha, 2, 77},
        {"both", Start::KeyAndAlpha, 3, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FadeForm window;
        ASSERT_NO_FATAL_FAILURE(MakeLayered(window.hWnd(), c.start, 77));
        EXPECT_EQ(Transparency::GetLayeredMode(window), c.mode);
        EXPECT_EQ(Transparency::GetAlpha(window), c.alpha);
    }
}

TEST_F(TransparencyTest, SetAlphaDropsTheColourKey) {
    ASSERT_NO_FATAL_FAILURE(MakeLayered(form.hWnd(), Start::KeyAndAlpha, 77));
    EXPECT_EQ(Transparency::SetAlpha(form, 123), forms::kTrue);
    const Layered l = ReadLayered(form.hWnd());
    EXPECT_EQ(l.flags, static_cast<DWORD>(LWA_ALPHA));
    EXPECT_EQ(l.alpha, 123);
    EXPECT_NE(::GetWindowLongA(form.hWnd(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
}

// A window that is gone: every operation answers with its failure value, none throws.
TEST_F(TransparencyTest, AGoneWindowGivesFailureValues) {
    FadeForm gone;
    ::DestroyWindow(gone.hWnd());
    ASSERT_FALSE(::IsWindow(gone.WindowHandle()));
    EXPECT_EQ(Transparency::GetLayeredMode(gone), -1);
    EXPECT_EQ(Transparency::GetAlpha(gone), -1);
    EXPECT_EQ(Transparency::SetAlpha(gone, 10), forms::kFalse);
    EXPECT_EQ(Transparency::FadeIn(gone, 10, 4.0f), forms::kFalse);
    EXPECT_EQ(Transparency::FadeOut(gone, 0, 4.0f), forms::kFalse);
}

}  // namespace
