// The Apply button's style-2 colours on 76 x 24 by state, where to read them (the
// inner and middle ring's side midpoints, the outer ring and corner pixels), and how a
// colour shows in a failure message.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "button/Butt.h"

namespace buttontest {

// A colour as the failure messages show it: &HBBGGRR.
inline std::string Hex(button::RgbColor c) {
    char text[16];
    std::snprintf(text, sizeof text, "&H%06X", static_cast<unsigned>(c));
    return text;
}

struct ApplyLook {
    const char* name;
    std::int16_t state;
    bool hover, enabled;
    button::RgbColor slots[8];  // inner then middle ring: left, top, right, bottom; -1 unread
    button::RgbColor border;    // outer ring and corner pixels
};

inline constexpr ApplyLook kApplyNormal{
    "normal", 0, false, true,
    {0x4C2626, 0x543A3A, 0x461818, 0x431010, 0x4E2B2B, 0x564040, 0x410C0C, 0x3C0000},
    0x733C00};
inline constexpr ApplyLook kApplyPressed{
    "pressed", button::bsPressed | button::bsHover, true, true,
    {0x471A1A, 0x461818, 0x503030, 0x543A3A, 0x431010, 0x431010, 0x523535, 0x564040},
    0x733C00};
inline constexpr ApplyLook kApplyHovered{
    "hovered (orange)", button::bsHover, true, true,
    {0x6BCBFF, 0x8CDBFF, 0x6BCBFF, 0x31B2FF, 0x31B2FF, 0xA6E9FF, 0x31B2FF, 0x0096E7},
    0x733C00};
inline constexpr ApplyLook kApplyDefault{
    "default (blue)", button::bsDefault, false, true,
    {0xF0D1B5, 0xF7D7BD, 0xF0D1B5, 0xE7AE8C, 0xE7AE8C, 0xFFDFBF, 0xE7AE8C, 0xEF826B},
    0x733C00};
inline constexpr ApplyLook kApplyDisabled{
    "disabled", 0, false, false, {-1, -1, -1, -1, -1, -1, -1, -1}, 0x2D0000};

inline constexpr POINT kApplySlotAt[8] = {{2, 12}, {38, 2}, {73, 12}, {38, 21},
                                          {1, 12}, {38, 1}, {74, 12}, {38, 22}};
inline constexpr POINT kApplyBorderAt[8] = {{0, 12}, {38, 0}, {75, 12}, {38, 23},
                                            {1, 22}, {1, 1},  {74, 22}, {74, 1}};

}  // namespace buttontest
