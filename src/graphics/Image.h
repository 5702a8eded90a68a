#pragma once
// SysImage: the image buffer behind every canvas and image. It works in a
// super-sampled grid: an image of w × h pixels at scale s holds s·h rows of
// s·w cells. A Picture cell is a 32-bit colour word, a Pattern cell one byte
// saying empty, pen or brush, a Volume cell 8 bytes (kept, never drawn).
//
//   colour word:  byte 0 red | byte 1 green | byte 2 blue | byte 3 opacity
//                 (opacity 255 opaque, 0 fully transparent)

#include "base/Owned.h"

#include <cstdint>

namespace vorlan::graphics {

using ColourWord = uint32_t;

enum class ImageMode : uint16_t { Picture = 1, Pattern = 2, Volume = 3 };

constexpr uint16_t kColourMixPaper = 1;
constexpr uint16_t kColourMixScreen = 2;
constexpr uint16_t kNotACanvas = 99;  // the colour mix of images that are not canvases

// Pattern cell values.
constexpr uint8_t kCellEmpty = 0;
constexpr uint8_t kCellPen = 1;
constexpr uint8_t kCellBrush = 2;

constexpr ColourWord kOpaqueWhite = 0xFFFFFFFFu;
constexpr ColourWord kOpaqueBlack = 0xFF000000u;

// No image holds more cell bytes than this; a larger one fails as an
// allocation failure instead of exhausting the machine.
constexpr uint64_t kMaxImageBytes = uint64_t{4} << 30;

constexpr uint32_t kTagImage = 22020;
constexpr uint32_t kTagImageCells = 22021;

struct PointF {
    float x;
    float y;
};

// What an image is apart from its cells: copied as a whole by DuplicateImage.
struct ImageLayout {
    int32_t rows;     // scale × height
    int32_t columns;  // scale × width
    uint16_t scale;
    int32_t originY;  // destination cell where row 0 lies (see placement)
    int32_t originX;
    ImageMode mode;
    uint16_t colourMix;
    uint16_t cellSize;  // 4 Picture, 1 Pattern, 8 Volume
    ColourWord background;  // the colour of the last clear
};

struct SysImage : Tagged<kTagImage>, ImageLayout {
    OwnedBlock<uint8_t> cells;  // rows × columns × cellSize bytes, row 0 first; nullptr when empty

    uint8_t* PatternRow(int32_t row) { return cells + static_cast<size_t>(row) * static_cast<size_t>(columns); }
    const uint8_t* PatternRow(int32_t row) const {
        return cells + static_cast<size_t>(row) * static_cast<size_t>(columns);
    }
    // Cells come from the allocator 16-byte aligned, so picture rows are word aligned.
    ColourWord* PictureRow(int32_t row) {
        return reinterpret_cast<ColourWord*>(cells.Get()) + static_cast<size_t>(row) * static_cast<size_t>(columns);
    }
    const ColourWord* PictureRow(int32_t row) const {
        return reinterpret_cast<const ColourWord*>(cells.Get()) + static_cast<size_t>(row) * static_cast<size_t>(columns);
    }
};

// An image of width × height pixels at `scale`, zero-filled, origin (0, 0);
// nullptr when the size is negative, over the limit, or memory runs out.
SysImage* CreateImage(int32_t width, int32_t height, ImageMode mode, uint16_t colourMix, uint16_t scale);
// An image of columns × rows cells that carries `scale` without multiplying
// by it (the work images of shapes).
SysImage* CreateCellImage(int32_t columns, int32_t rows, ImageMode mode, uint16_t scale);
SysImage* DuplicateImage(const SysImage& image);
// Copies the overlapping top-left part of `source` into `target` (same mode).
void CopyOverlap(SysImage& target, const SysImage& source);

// The one place where pixel coordinates meet cells. A coordinate c (a float,
// in output pixels) at scale s is the cell index round(c × s): the product is
// formed in double precision, where it is exact for every float and every
// scale, and rounded with halves away from zero (2.5 → 3, −2.5 → −3). Results
// beyond the int32 range saturate at its ends and NaN becomes INT32_MIN, so a
// wild coordinate lands far outside every image instead of wrapping into it.
int32_t ToSubPixelFar(double exact);  // the rounding of products beyond ±2^31, and NaN
inline int32_t ToSubPixel(float coordinate, uint16_t scale) {
    const double exact = static_cast<double>(coordinate) * scale;
    // Every traced point comes through here, so the common case is inline
    // and rounds without a library call: the whole part of a double below
    // 2^31 and what is left over are both exact, which makes this std::round.
    constexpr double kReach = 2147483647.0;
    if (exact > -kReach && exact < kReach) {
        auto whole = static_cast<int64_t>(exact);
        const double rest = exact - static_cast<double>(whole);
        // Without branches: which way a traced point rounds is anybody's guess.
        whole += static_cast<int64_t>(rest >= 0.5) - static_cast<int64_t>(rest <= -0.5);
        // Within ±2^31 − 1 here, so the narrowing is exact; the ends
        // themselves are where the saturation lands anyway.
        return static_cast<int32_t>(whole);
    }
    return ToSubPixelFar(exact);
}

// A percentage channel (0..100) as a colour byte: above 99.9 is 255, below 0.1
// is 0, otherwise floor(p / 100 × 255 + 0.5).
uint8_t PercentToByte(float percent);
ColourWord MakeColourWord(float red, float green, float blue, float opacity);

}  // namespace vorlan::graphics
