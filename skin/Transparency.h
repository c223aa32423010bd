// Fading a top-level window by stepping its layered alpha, one step per pass of the
// message loop: no timer, no sleep. The window is disabled while it fades.
#pragma once

#include <cstdint>

#include "forms/Form.h"
#include "forms/Runtime.h"

namespace Transparency {

// The window's layered flags (0 none, 1 colour key, 2 alpha, 3 both), -1 on an error.
std::int32_t GetLayeredMode(forms::Form& window);
// The alpha when the flags are exactly alpha, the colour key when exactly colour key,
// otherwise -1.
std::int32_t GetAlpha(forms::Form& window);
// Makes the window layered with this constant alpha; any colour key is dropped.
forms::VbBool SetAlpha(forms::Form& window, std::uint8_t alpha);

// Step the alpha up (or down) to target and return True; False when the window's alpha
// already lies beyond the target, or on an error. A step of 0 or below, which would never
// arrive, sets the target at once.
forms::VbBool FadeIn(forms::Form& window, std::uint8_t target, float step);
// Hides the window when the target is 0.
forms::VbBool FadeOut(forms::Form& window, std::uint8_t target, float step);

}  // namespace Transparency
