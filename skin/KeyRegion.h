// Window regions cut out of a device context's pixels by a key colour.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>

#include "forms/Handles.h"

namespace skin {

// The pixels of dc's area [0, width) x [0, height) whose colour, as GetPixel reports it
// for dc, differs from key (all 24 bits), as one rectangle per run of such pixels, row by
// row; a pixel that cannot be read counts as differing. Null when every pixel is the key.
// The pixels are read once where the DC allows it, otherwise one by one.
forms::OwnedRegion KeyCutRegion(HDC dc, int width, int height, COLORREF key);

// One region of these rectangles (sorted top to bottom, then left to right, none
// overlapping another); null when there are none.
forms::OwnedRegion RegionOfRects(std::span<const RECT> rects);

// How many rectangles RegionOfRects hands to one ExtCreateRegion: Wine's ExtCreateRegion
// takes time quadratic in the count, so the batches are merged pairwise instead.
inline constexpr std::size_t kRegionBatch = 32;

}  // namespace skin
