#include "graphics/Image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace vorlan::graphics {
namespace {

uint16_t CellSizeOf(ImageMode mode) {
    switch (mode) {
        case ImageMode::Picture: return 4;
        case ImageMode::Pattern: return 1;
        case ImageMode::Volume: return 8;
    }
    return 0;
}

// Every image comes through here once its cell counts are known in 64 bits.
// The counts must fit the 32-bit fields and the cell bytes must stay within
// kMaxImageBytes; anything else fails as memory running out would.
SysImage* MakeImage(int64_t columns, int64_t rows, ImageMode mode, uint16_t colourMix, uint16_t scale) {
    if (columns < 0 || rows < 0 || scale == 0) return nullptr;
    if (columns > std::numeric_limits<int32_t>::max() || rows > std::numeric_limits<int32_t>::max()) return nullptr;
    const uint64_t cellSize = CellSizeOf(mode);
    // rows × columns is below 2^62 here; comparing it with the limit before
    // multiplying by the cell size (at most 8) keeps the product below 2^35.
    const uint64_t cellCount = static_cast<uint64_t>(rows) * static_cast<uint64_t>(columns);
    if (cellSize != 0 && cellCount > kMaxImageBytes) return nullptr;
    const uint64_t bytes = cellCount * cellSize;
    if (bytes > kMaxImageBytes) return nullptr;

    Owned<SysImage> image(new SysImage{});
    if (!image) return nullptr;
    image->rows = static_cast<int32_t>(rows);
    image->columns = static_cast<int32_t>(columns);
    image->scale = scale;
    image->mode = mode;
    image->colourMix = colourMix;
    image->cellSize = static_cast<uint16_t>(cellSize);
    if (bytes != 0 && !image->cells.AllocateWhole(static_cast<size_t>(bytes), kTagImageCells)) return nullptr;
    MemPrefault(image->cells);  // every cell is about to be cleared or drawn
    return image.Take();
}

}  // namespace

SysImage* CreateImage(int32_t width, int32_t height, ImageMode mode, uint16_t colourMix, uint16_t scale) {
    // int32 × uint16 is below 2^47, so the products are exact in 64 bits;
    // MakeImage refuses any that do not fit the 32-bit fields.
    return MakeImage(int64_t{width} * scale, int64_t{height} * scale, mode, colourMix, scale);
}

SysImage* CreateCellImage(int32_t columns, int32_t rows, ImageMode mode, uint16_t scale) {
    return MakeImage(columns, rows, mode, kNotACanvas, scale);
}

SysImage* DuplicateImage(const SysImage& image) {
    Owned<SysImage> copy(new SysImage{});
    if (!copy) return nullptr;
    static_cast<ImageLayout&>(*copy) = image;
    if (image.cells) {
        copy->cells.Adopt(static_cast<uint8_t*>(MemDuplicate(image.cells)));
        if (!copy->cells) return nullptr;
    }
    return copy.Take();
}

void CopyOverlap(SysImage& target, const SysImage& source) {
    if (target.mode != source.mode || target.cellSize != source.cellSize || !target.cells || !source.cells) return;
    const int32_t rows = std::min(target.rows, source.rows);
    // Both rows fit in their blocks, so their byte lengths fit size_t.
    const size_t rowBytes = static_cast<size_t>(std::min(target.columns, source.columns)) * target.cellSize;
    const size_t targetStride = static_cast<size_t>(target.columns) * target.cellSize;
    const size_t sourceStride = static_cast<size_t>(source.columns) * source.cellSize;
    uint8_t* to = target.cells;
    const uint8_t* from = source.cells;
    for (int32_t row = 0; row < rows; ++row, to += targetStride, from += sourceStride) std::memcpy(to, from, rowBytes);
}

int32_t ToSubPixelFar(double exact) {
    const double cell = std::round(exact);
    if (std::isnan(cell) || cell <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (cell >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(cell);
}

}  // namespace vorlan::graphics
