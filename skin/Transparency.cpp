#include "skin/Transparency.h"

namespace Transparency {

namespace {

constexpr LONG kLayered = WS_EX_LAYERED;

// The window's layered attributes as the system leaves them: a window that is not
// layered keeps the zeros it was asked with.
struct LayeredAttributes {
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
};

LayeredAttributes QueryLayered(forms::Form& window) {
    LayeredAttributes now;
    ::GetLayeredWindowAttributes(window.hWnd(), &now.key, &now.alpha, &now.flags);
    return now;
}

// Runs the statements of a fade, each skipped on its own when it fails, and remembers
// whether any failed.
class Statements {
public:
    template <class F>
    void operator()(F&& statement) {
        if (!forms::ResumeNext(std::forward<F>(statement))) failed_ = true;
    }
    forms::VbBool Result() const { return failed_ ? forms::kFalse : forms::kTrue; }

private:
    bool failed_ = false;
};

// The next running value: one step on, clamped at the target. A step that cannot reach
// the target lands on it at once. The sum is stored to a float before it is compared or
// converted, so that it is single precision at every step in both builds (the 32-bit
// build does its float arithmetic with SSE: an x87 register would carry extra bits into
// the comparison and the conversion).
float StepTowards(float current, float step, float target, bool up) {
    if (!(step > 0)) return target;
    float next = current;
    if (up) {
        next += step;
    } else {
        next -= step;
    }
    if (up ? next > target : next < target) next = target;
    return next;
}

template <bool Up>
forms::VbBool Fade(forms::Form& window, std::uint8_t target, float step) {
    const std::uint8_t start = Up ? 0 : 255;
    Statements run;
    run([&] {
        if (GetLayeredMode(window) != 2) SetAlpha(window, start);
    });
    std::int32_t current = 0;
    run([&] {
        current = GetAlpha(window);
        if (current == -1) {
            SetAlpha(window, start);
            current = start;
        }
    });
    if (Up ? current > target : current < target) return forms::kFalse;

    run([&] {
        if (!window.Visible()) window.Show();
    });
    forms::VbBool wasEnabled = forms::kFalse;
    run([&] {
        wasEnabled = window.Enabled();
        if (wasEnabled == forms::kTrue) window.SetEnabled(forms::kFalse);
    });

    const float goal = static_cast<float>(target);
    float a = static_cast<float>(current);
    while (Up ? a < goal : a > goal) {
        run([] { forms::DoEvents(); });
        a = StepTowards(a, step, goal, Up);
        run([&] { SetAlpha(window, forms::ToByte(a)); });
    }

    run([&] {
        if (wasEnabled == forms::kTrue) window.SetEnabled(forms::kTrue);
    });
    if (!Up && target == 0) run([&] { window.Hide(); });
    return run.Result();
}

}  // namespace

std::int32_t GetLayeredMode(forms::Form& window) {
    std::int32_t result = -1;
    forms::ResumeNext([&] { result = static_cast<std::int32_t>(QueryLayered(window).flags); });
    return result;
}

std::int32_t GetAlpha(forms::Form& window) {
    std::int32_t result = -1;
    forms::ResumeNext([&] {
        const LayeredAttributes now = QueryLayered(window);
        if (now.flags == LWA_ALPHA) {
            result = now.alpha;
        } else if (now.flags == LWA_COLORKEY) {
            result = static_cast<std::int32_t>(now.key);
        }
    });
    return result;
}

forms::VbBool SetAlpha(forms::Form& window, std::uint8_t alpha) {
    const bool ok = forms::ResumeNext([&] {
        const LONG style = ::GetWindowLongA(window.hWnd(), GWL_EXSTYLE) | kLayered;
        ::SetWindowLongA(window.hWnd(), GWL_EXSTYLE, style);
        ::SetLayeredWindowAttributes(window.hWnd(), 0, alpha, LWA_ALPHA);
    });
    return ok ? forms::kTrue : forms::kFalse;
}

forms::VbBool FadeIn(forms::Form& window, std::uint8_t target, float step) {
    return Fade<true>(window, target, step);
}

forms::VbBool FadeOut(forms::Form& window, std::uint8_t target, float step) {
    return Fade<false>(window, target, step);
}

}  // namespace Transparency
