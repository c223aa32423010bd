// Small helpers shared by the drawing steps of the button (layout, face, caption, edges,
// the style painters, shapes and pictures).
#pragma once

#include <string>
#include <string_view>

#include "button/Butt.h"

namespace button {

inline constexpr RgbColor kBlack = 0x000000;
inline constexpr RgbColor kWhite = 0xFFFFFF;
inline constexpr RgbColor kGrey = 0x808080;

// The caption as drawn and measured: "||" is a line break.
inline std::string CaptionDrawText(std::string_view caption) {
    std::string text;
    text.reserve(caption.size() + 4);
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '|' && i + 1 < caption.size() && caption[i + 1] == '|') {
            text += "\r\n";
            ++i;
        } else {
            text += caption[i];
        }
    }
    return text;
}

}  // namespace button
