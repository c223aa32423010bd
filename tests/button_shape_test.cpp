// Button outlines, window regions and pictures.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "button/ButtGeometry.h"

namespace {

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
        "KK#3K",   // run at the start, a run reaching the right edge
        "#4#K3",   // 4 is kept
        "#####",   // no run
        "33333",   // the whole row
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
    const std::vector<butt::KeyRun> expected = {
        {0, 0, 2}, {0, 3, 5}, {1, 3, 5}, {3, 0, 5}};
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

}  // namespace
