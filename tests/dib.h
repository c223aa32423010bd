// Bitmaps for the drawing tests: 32-bpp top-down DIB sections made pixel by pixel or
// painted into, and the pixels of any bitmap read back exactly.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "forms/Handles.h"
#include "forms/Picture.h"

namespace testdib {

// A colour as such a DIB holds it: 0x00RRGGBB, where a COLORREF is 0x00BBGGRR.
constexpr std::uint32_t PixelOf(COLORREF c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// A 32-bpp top-down DIB section; *bits is where its rows lie, one after the other.
inline forms::OwnedBitmap TopDownDib(int width, int height, void** bits) {
    BITMAPINFO info = forms::TopDown32BitInfo(width, height);
    *bits = nullptr;
    return forms::OwnedBitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0));
}

// A DIB section holding exactly these pixels; null, and a test failure, when it cannot be
// made.
inline forms::OwnedBitmap DibSection(int width, int height,
                                     const std::function<COLORREF(int, int)>& at) {
    void* bits = nullptr;
    forms::OwnedBitmap bitmap = TopDownDib(width, height, &bits);
    if (!bitmap || !bits) {
        ADD_FAILURE() << "CreateDIBSection failed";
        return {};
    }
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) pixels[y * width + x] = PixelOf(at(x, y));
    }
    ::GdiFlush();
    return bitmap;
}

// A bitmap's pixels as 0x00RRGGBB, row by row from the top.
inline std::vector<std::uint32_t> BitmapPixels(HBITMAP bitmap, int width, int height) {
    BITMAPINFO info = forms::TopDown32BitInfo(width, height);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    forms::OwnedDc dc(::CreateCompatibleDC(nullptr));
    ::GetDIBits(dc.Get(), bitmap, 0, static_cast<UINT>(height), pixels.data(), &info,
                DIB_RGB_COLORS);
    for (std::uint32_t& p : pixels) p &= 0xFFFFFFu;
    return pixels;
}

// One pixel of a bitmap that no DC holds.
inline COLORREF BitmapPixel(HBITMAP bitmap, int x, int y) {
    forms::OwnedDc dc(::CreateCompatibleDC(nullptr));
    forms::SelectGuard select(dc.Get(), bitmap);
    return ::GetPixel(dc.Get(), x, y);
}

}  // namespace testdib
