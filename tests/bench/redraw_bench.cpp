// Times RedrawButton on a button with the Apply instance's stored settings, a resize, and
// the core's own share of a gradient paint (the gradient and the copy to the screen).
// Built with the tests, not run by them: run it by hand under the test display.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "button_test_host.h"
#include "bench/bench_clock.h"

namespace {

// Median and 95th percentile of one call, in microseconds.
void Time(const char* label, int calls, const std::function<void()>& call) {
    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(calls));
    for (int i = 0; i < calls; ++i) {
        const double start = Seconds();
        call();
        samples.push_back((Seconds() - start) * 1e6);
    }
    std::sort(samples.begin(), samples.end());
    std::printf("%-40s calls %5d  median %8.2f us  p95 %8.2f us\n", label, calls,
                samples[samples.size() / 2], samples[samples.size() * 95 / 100]);
}

}  // namespace

int main() {
    using namespace buttontest;
    ButtonHost host;
    Butt& apply = host.Add("Apply", ApplyBag(), 621 - 600, 24, 76, 24);
    forms::DoEvents();
    Time("RedrawButton (Apply)", 5000, [&] { apply.RedrawButton(); });
    Time("DrawGradient + copy (Apply face)", 5000, [&] {
        apply.GradientMode = 3;
        apply.DrawGradient(apply.FaceColor, Butt::TranslateColor(apply.GetGradientColor()));
        apply.GradientMode = 4;
        apply.ManageBackBuffer(forms::kFalse);
    });
    int step = 0;
    Time("resize 76x24 <-> 90x30 (UserControl_Resize)", 500, [&] {
        const bool big = (step++ % 2) == 0;
        host.Site("Apply").Size(forms::PixelsToTwipsX(big ? 90 : 76),
                                forms::PixelsToTwipsY(big ? 30 : 24));
    });
    std::printf("paints run: %u\n", static_cast<unsigned>(apply.PaintsRun));

    // Every look on the Apply button's settings, rectangle, enabled, at rest and hovered.
    host.Site("Apply").Size(forms::PixelsToTwipsX(76), forms::PixelsToTwipsY(24));
    for (std::int32_t style = 0; style < button::kStyleCount; ++style) {
        apply.SetButtonStyle(style);
        for (const bool hovered : {false, true}) {
            apply.ButtonState = hovered ? button::bsHover : std::int16_t{0};
            apply.HoverTimerOn = hovered ? forms::kTrue : forms::kFalse;
            char label[64];
            std::snprintf(label, sizeof label, "RedrawButton style %d %s", static_cast<int>(style),
                          hovered ? "hovered" : "normal");
            Time(label, 2000, [&] { apply.RedrawButton(); });
        }
    }
    apply.ButtonState = 0;
    apply.HoverTimerOn = forms::kFalse;
    // The rounded look's own face, one rectangle per row, shows without a gradient.
    apply.SetButtonStyle(button::styleRounded);
    apply.SetGradientMode(button::gradNone);
    Time("RedrawButton style 2 row-shaded face", 2000, [&] { apply.RedrawButton(); });
    return 0;
}
