#pragma once
// Clipping for the raster operations that place an image without the origin
// rule (a Picture drawn on a Picture lands by its cell (0, 0)).

#include "graphics/Image.h"
#include "graphics/Raster.h"

#include <cstdint>

namespace vorlan::graphics::detail {

// The overlap of a source of sourceRows × sourceColumns cells whose cell
// (0, 0) lands on destination cell (column, row). The position is 64-bit so
// that callers can apply origins to any int32 cell without overflow.
Placement ClipCells(const SysImage& destination, int32_t sourceRows, int32_t sourceColumns, int64_t column,
                    int64_t row);

}  // namespace vorlan::graphics::detail
