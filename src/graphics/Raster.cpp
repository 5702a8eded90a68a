#include "graphics/Brush.h"
#include "graphics/Combine.h"
#include "graphics/Placement.h"
#include "graphics/Raster.h"

#include <algorithm>
#include <cstring>

namespace vorlan::graphics {
namespace {

// A Picture laid on a Picture cell for cell: opaque source cells replace
// what is there, the others combine by `overwrite`.
void PutPicture(SysImage& canvas, const SysImage& image, Overwrite overwrite, int32_t x, int32_t y) {
    // Drawn images land by their cell (0, 0); their origins belong to work images.
    const Placement place = detail::ClipCells(canvas, image.rows, image.columns, x, y);
    const uint16_t mix = canvas.colourMix;
    for (int32_t row = 0; row < place.rows; ++row) {
        const ColourWord* from = image.PictureRow(place.sourceRow + row) + place.sourceColumn;
        ColourWord* to = canvas.PictureRow(place.targetRow + row) + place.targetColumn;
        for (int32_t column = 0; column < place.columns; ++column) {
            const ColourWord c = from[column];
            to[column] = (c & detail::kOpacityMask) == detail::kOpacityMask
                             ? c
                             : detail::Combine(c, to[column], overwrite, mix);
        }
    }
}

}  // namespace

Status SetPixel(SysImage& canvas, PointF point, ColourWord colour) {
    if (canvas.mode != ImageMode::Picture && canvas.mode != ImageMode::Pattern) return Status::Invalid;
    const int32_t x = ToSubPixel(point.x, canvas.scale);
    const int32_t y = ToSubPixel(point.y, canvas.scale);
    if (x < 0 || y < 0 || x >= canvas.columns || y >= canvas.rows) return Status::Success;

    // The output stage reduces each scale × scale block to one pixel, so a
    // pixel is set by setting its whole block.
    const int32_t scale = std::max<int32_t>(canvas.scale, 1);
    const int32_t top = y / scale * scale;
    const int32_t left = x / scale * scale;
    // top + scale may pass 2^31 − 1 on the largest images, so the block's far
    // edges are formed in 64 bits; the cut at the image's edges also serves
    // cell images, which need not hold whole blocks.
    const auto bottom = static_cast<int32_t>(std::min<int64_t>(int64_t{top} + scale, canvas.rows));
    const auto right = static_cast<int32_t>(std::min<int64_t>(int64_t{left} + scale, canvas.columns));
    for (int32_t row = top; row < bottom; ++row) {
        if (canvas.mode == ImageMode::Picture) {
            ColourWord* cells = canvas.PictureRow(row);
            std::fill(cells + left, cells + right, colour);
        } else {
            std::memset(canvas.PatternRow(row) + left, kCellPen, static_cast<size_t>(right - left));
        }
    }
    return Status::Success;
}

void ClearImage(SysImage& image, ColourWord colour) {
    image.background = colour;
    if (!image.cells) return;
    // The cell count was checked against kMaxImageBytes when the image was made.
    const size_t count = static_cast<size_t>(image.rows) * static_cast<size_t>(image.columns);
    if (image.mode == ImageMode::Picture) {
        auto* cells = reinterpret_cast<ColourWord*>(image.cells.Get());
        std::fill(cells, cells + count, colour);
    } else if (image.mode == ImageMode::Pattern) {
        std::memset(image.cells, kCellEmpty, count);
    }
}

Status PutImage(SysImage& canvas, const PenPaint* pen, const SysBrush* brush, const SysImage* image,
                Overwrite overwrite, PointF point) {
    if (!image) return Status::Success;
    const int32_t x = ToSubPixel(point.x, canvas.scale);
    const int32_t y = ToSubPixel(point.y, canvas.scale);
    if (canvas.mode == ImageMode::Picture && image->mode == ImageMode::Picture) {
        PutPicture(canvas, *image, overwrite, x, y);
        return Status::Success;
    }
    // A Pattern image paints as a shape would: in the pen's and brush's own
    // modes, so `overwrite` has no say.
    if (canvas.mode == ImageMode::Picture && image->mode == ImageMode::Pattern)
        return RenderMask(canvas, pen, brush, *image, x, y, point);
    if (canvas.mode == ImageMode::Pattern && image->mode == ImageMode::Pattern) return StampTip(*image, canvas, x, y);
    return Status::Invalid;
}

}  // namespace vorlan::graphics
