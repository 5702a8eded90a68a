// Bringing an image that was read to the run's scale: pictures (read at
// scale 1) grow by repeating cells; pattern files (kept at scale 4) shrink by
// a vote in each block.

#include "imagefiles/ImageFiles.h"

#include <algorithm>

namespace vorlan::output {

using graphics::ColourWord;
using graphics::ImageMode;
using graphics::SysImage;

SysImage* EnlargePicture(const SysImage& image, uint16_t factor) {
    if (image.mode != ImageMode::Picture || factor == 0) return nullptr;
    const int64_t columns = int64_t{image.columns} * factor;
    const int64_t rows = int64_t{image.rows} * factor;
    if (columns > INT32_MAX || rows > INT32_MAX) return nullptr;
    SysImage* large = graphics::CreateCellImage(static_cast<int32_t>(columns), static_cast<int32_t>(rows),
                                                ImageMode::Picture, static_cast<uint16_t>(image.scale * factor));
    if (!large) return nullptr;
    for (int32_t r = 0; r < image.rows; ++r) {
        const ColourWord* source = image.PictureRow(r);
        ColourWord* first = large->PictureRow(r * factor);
        for (int32_t c = 0; c < image.columns; ++c) std::fill_n(first + int64_t{c} * factor, factor, source[c]);
        for (uint16_t k = 1; k < factor; ++k) std::copy_n(first, columns, large->PictureRow(r * factor + k));
    }
    // Origins count cells, so they grow with them.
    large->originX = static_cast<int32_t>(int64_t{image.originX} * factor);
    large->originY = static_cast<int32_t>(int64_t{image.originY} * factor);
    return large;
}

namespace {

uint8_t Vote(const SysImage& image, int32_t row, int32_t column, int32_t f) {
    int32_t pen = 0, brush = 0;
    for (int32_t dy = 0; dy < f; ++dy) {
        const uint8_t* cells = image.PatternRow(row + dy) + column;
        for (int32_t dx = 0; dx < f; ++dx) {
            pen += cells[dx] == graphics::kCellPen;
            brush += cells[dx] == graphics::kCellBrush;
        }
    }
    const int32_t empty = f * f - pen - brush;
    if (pen >= brush && pen > empty) return graphics::kCellPen;
    if (brush > empty) return graphics::kCellBrush;
    return graphics::kCellEmpty;
}

}  // namespace

SysImage* ReducePatternByMajority(const SysImage& image, uint16_t targetScale) {
    if (image.mode != ImageMode::Pattern || image.scale != 4) return nullptr;
    if (targetScale == 0 || targetScale >= 4 || 4 % targetScale != 0) return nullptr;
    const int32_t f = 4 / targetScale;
    SysImage* small = graphics::CreateCellImage(image.columns / f, image.rows / f, ImageMode::Pattern, targetScale);
    if (!small) return nullptr;
    for (int32_t r = 0; r < small->rows; ++r) {
        uint8_t* out = small->PatternRow(r);
        for (int32_t c = 0; c < small->columns; ++c) out[c] = Vote(image, r * f, c * f, f);
    }
    small->originX = image.originX / f;
    small->originY = image.originY / f;
    return small;
}

}  // namespace vorlan::output
