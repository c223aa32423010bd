// 32-bpp top-down DIB sections: pictures made pixel by pixel, and surfaces that a paint
// routine draws into and a test reads back exactly.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "forms/Handles.h"

namespace testdib {

// A colour as such a DIB holds it: 0x00RRGGBB, where a COLORREF is 0x00BBGGRR.
constexpr std::uint32_t PixelOf(COLORREF c) {
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// A 32-bpp top-down DIB section; *bits is where its rows lie, one after the other.
inline forms::OwnedBitmap TopDownDib(int width, int height, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
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

}  // namespace testdib
