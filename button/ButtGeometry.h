// Pure geometry of the button outlines and of the picture scan: no window, no device
// context, so that each rule can be checked on its own.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "forms/Picture.h"

namespace butt {

// A picture of picWidth x picHeight scaled by the smaller of the two box ratios, so
// that it fits the box both ways (a small picture grows). Both picture sides must be
// above 0.
struct PixelSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const PixelSize&) const = default;
};
PixelSize FitSize(std::int32_t boxWidth, std::int32_t boxHeight, std::int32_t picWidth,
                  std::int32_t picHeight);

// Horizontal run of a 45-degree slant across a control scaleHeight pixels high.
std::int32_t SlantWidth(double scaleHeight);

// The width a slanted control needs: widened in steps of 5 until at least 5 pixels
// remain beside the slant.
std::int32_t WidenForSlant(std::int32_t width, std::int32_t slant);

// The four-point outline of shapes 1 (left slant), 2 (right slant) and 3 (both); any
// other shape number gets the plain rectangle and no slant. Sizes are the control's
// scale sizes in pixels.
struct SlantOutline {
    std::array<POINT, 4> points{};
    std::int32_t leftSlantX = 0;
    std::int32_t rightSlantX = 0;
};
SlantOutline SlantPolygon(std::int32_t shape, double scaleWidth, double scaleHeight,
                          std::int32_t slant);

// One piece cut from a rectangular or slanted outline: a single pixel or a corner
// triangle.
struct CornerCut {
    bool triangle = false;
    std::array<POINT, 3> points{};  // the triangle
    RECT pixel{};                   // the pixel
};
// The corners that style and shape (0 to 3) take away from a w x h outline; the flat
// outline style cuts only while the control is enabled.
std::vector<CornerCut> CornerCuts(std::int32_t shape, std::int32_t style, bool enabled,
                                  std::int32_t w, std::int32_t h);

// Within 3 of the key in each channel, both ends included.
bool IsKeyLike(COLORREF pixel, COLORREF key) noexcept;

// A row's run of key-like pixels, [left, right) on row y.
struct KeyRun {
    std::int32_t y = 0;
    std::int32_t left = 0;
    std::int32_t right = 0;
    bool operator==(const KeyRun&) const = default;
};

// Scans top-down 32-bpp pixels (0x00RRGGBB each, as a DIB holds them) row by row: sets
// every key-like pixel to exactly the key and returns the runs of key-like pixels, a
// run at a row's end reaching the right edge.
std::vector<KeyRun> EvenOutKeyRuns(std::span<std::uint32_t> pixels, std::int32_t width,
                                   std::int32_t height, COLORREF key);

using forms::ColourOfDibPixel;
using forms::DibPixel;

}  // namespace butt
