#include "button/ButtGeometry.h"

#include <cstdlib>

#include "forms/Runtime.h"

namespace butt {

PixelSize FitSize(std::int32_t boxWidth, std::int32_t boxHeight, std::int32_t picWidth,
                  std::int32_t picHeight) {
    const double rx = static_cast<double>(boxWidth) / picWidth;
    const double ry = static_cast<double>(boxHeight) / picHeight;
    const double r = ry < rx ? ry : rx;
    return {forms::ToInt32(picWidth * r), forms::ToInt32(picHeight * r)};
}

std::int32_t SlantWidth(double scaleHeight) {
    // The quarter is kept in single precision, as the slant has always been measured.
    const float quarter = forms::ToSingle((scaleHeight + 1) / 4);
    return forms::ToInt32(4 * static_cast<double>(quarter));
}

std::int32_t WidenForSlant(std::int32_t width, std::int32_t slant) {
    while (width - slant < 5) width += 5;
    return width;
}

SlantOutline SlantPolygon(std::int32_t shape, double scaleWidth, double scaleHeight,
                          std::int32_t slant) {
    const std::int32_t right = forms::ToInt32(scaleWidth + 1);
    const std::int32_t bottom = forms::ToInt32(scaleHeight + 1);
    SlantOutline outline;
    outline.points = {{{0, 0}, {0, bottom}, {right, bottom}, {right, 0}}};
    outline.rightSlantX = forms::ToInt32(scaleWidth);
    if (shape == 1 || shape == 3) {
        outline.points[1].x = slant;
        outline.leftSlantX = slant;
    }
    if (shape == 2 || shape == 3) {
        const std::int32_t r = forms::ToInt32(scaleWidth - slant);
        outline.points[3].x = r + 1;
        outline.rightSlantX = r;
    }
    return outline;
}

namespace {

CornerCut Pixel(std::int32_t x, std::int32_t y) {
    CornerCut cut;
    cut.pixel = {x, y, x + 1, y + 1};
    return cut;
}

CornerCut Triangle(POINT a, POINT b, POINT c) {
    CornerCut cut;
    cut.triangle = true;
    cut.points = {a, b, c};
    return cut;
}

}  // namespace

std::vector<CornerCut> CornerCuts(std::int32_t shape, std::int32_t style, bool enabled,
                                  std::int32_t w, std::int32_t h) {
    // The top triangles reach 2 pixels along each edge, the bottom ones 3.
    const CornerCut t1 = Triangle({0, 0}, {2, 0}, {0, 2});
    const CornerCut t2 = Triangle({0, h}, {3, h}, {0, h - 3});
    const CornerCut t3 = Triangle({w, 0}, {w - 2, 0}, {w, 2});
    const CornerCut t4 = Triangle({w, h}, {w - 3, h}, {w, h - 3});
    switch (style) {
    case 1:
        switch (shape) {
        case 0: return {Pixel(0, 0), Pixel(0, h - 1), Pixel(w - 1, h - 1), Pixel(w - 1, 0)};
        case 1: return {Pixel(w - 1, h - 1), Pixel(w - 1, 0)};
        case 2: return {Pixel(0, 0), Pixel(0, h - 1)};
        default: return {};
        }
    case 2:
    case 7:
        switch (shape) {
        case 0: return {t1, t2, t3, t4};
        case 1: return {t3, t4};
        case 2: return {t1, t2};
        default: return {};
        }
    case 3:
        if (!enabled) return {};
        switch (shape) {
        case 0: return {Pixel(0, h - 1), Pixel(w - 1, 0)};
        case 1: return {Pixel(w - 1, 0)};
        case 2: return {Pixel(0, h - 1)};
        default: return {};
        }
    default: return {};
    }
}

bool IsKeyLike(COLORREF pixel, COLORREF key) noexcept {
    for (int shift = 0; shift <= 16; shift += 8) {
        const int a = static_cast<int>((pixel >> shift) & 0xFFu);
        const int b = static_cast<int>((key >> shift) & 0xFFu);
        if (std::abs(a - b) > 3) return false;
    }
    return true;
}

std::vector<KeyRun> EvenOutKeyRuns(std::span<std::uint32_t> pixels, std::int32_t width,
                                   std::int32_t height, COLORREF key) {
    std::vector<KeyRun> runs;
    if (width <= 0 || height <= 0 ||
        pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return runs;
    }
    const std::uint32_t exactKey = DibPixel(key);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint32_t* row = pixels.data() + static_cast<std::size_t>(y) * width;
        bool open = false;
        std::int32_t start = 0;
        for (std::int32_t x = 0; x < width; ++x) {
            if (IsKeyLike(ColourOfDibPixel(row[x]), key)) {
                row[x] = exactKey;
                if (!open) {
                    open = true;
                    start = x;
                }
            } else if (open) {
                runs.push_back({y, start, x});
                open = false;
            }
        }
        if (open) runs.push_back({y, start, width});
    }
    return runs;
}

}  // namespace butt
