#pragma once
// The sizes a reader may believe. A header is checked against these before
// anything is allocated or printed, so a damaged or hostile file cannot make
// an image that a program could not describe, or that no run could hold.

#include "graphics/Image.h"
#include "value/Value.h"

#include <cstdint>

namespace vorlan::output {

// Whether a file may make an image of columns × rows cells at `scale`, each
// cell `cellSize` bytes: at least one pixel each way (a picture without
// pixels reads as a width or height of 0 and dumps as nothing but blank
// rows), each side in pixels a whole Number, since a program reads them as
// image.width and image.height, and the cells within kMaxImageBytes.
constexpr bool FitsImageLimits(uint64_t columns, uint64_t rows, uint16_t scale, uint64_t cellSize) {
    if (scale == 0 || cellSize == 0 || columns < scale || rows < scale) return false;
    if (columns > INT32_MAX || rows > INT32_MAX) return false;  // the image's fields
    constexpr auto kLargestSide = static_cast<uint64_t>(runtime::kLargestInteger);
    if (columns / scale > kLargestSide || rows / scale > kLargestSide) return false;
    return columns * rows <= graphics::kMaxImageBytes / cellSize;  // below 2^62: no wrap
}

}  // namespace vorlan::output
