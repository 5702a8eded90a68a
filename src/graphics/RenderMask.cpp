#include "graphics/Brush.h"
#include "graphics/Combine.h"
#include "graphics/Raster.h"

namespace vorlan::graphics {
namespace {

enum class BrushSource { None, Colour, Picture, Pattern };

// What brush cells are painted with, settled once before the cell loops.
struct BrushPaint {
    BrushSource source = BrushSource::None;
    Overwrite overwrite = Overwrite::Direct;
    ColourWord colour = 0;
    ColourWord background = 0;
    const SysImage* image = nullptr;
    int64_t alignX = 0;  // canvas cell where the brush image's cell (0, 0) repeats from
    int64_t alignY = 0;
};

// The remainder of a by n in 0..n−1 for either sign of a (n > 0).
int32_t Wrap(int64_t a, int32_t n) {
    const int64_t r = a % n;
    return static_cast<int32_t>(r < 0 ? r + n : r);
}

Status SettleBrush(const SysBrush* brush, const SysImage& canvas, PointF reference, BrushPaint* paint) {
    if (!brush) return Status::Success;
    paint->overwrite = brush->overwrite;
    paint->colour = brush->colour;
    paint->background = brush->background;
    paint->source = BrushSource::Colour;
    if (brush->fill == BrushFill::Colour) return Status::Success;
    if (brush->fill == BrushFill::Image) {
        const SysImage* image = brush->working;
        if (!image || (image->mode != ImageMode::Picture && image->mode != ImageMode::Pattern))
            return Status::Invalid;
        // A brush image without cells has nothing to repeat; its cells are
        // left alone rather than dividing by zero below.
        if (image->rows <= 0 || image->columns <= 0 || !image->cells) {
            paint->source = BrushSource::None;
            return Status::Success;
        }
        paint->image = image;
        paint->source = image->mode == ImageMode::Picture ? BrushSource::Picture : BrushSource::Pattern;
    }
    switch (brush->align) {
        case BrushAlign::Local:
            paint->alignX = ToSubPixel(reference.x, canvas.scale);
            paint->alignY = ToSubPixel(reference.y, canvas.scale);
            break;
        case BrushAlign::Pinned:
            paint->alignX = ToSubPixel(brush->pin.x, canvas.scale);
            paint->alignY = ToSubPixel(brush->pin.y, canvas.scale);
            break;
        case BrushAlign::Absolute: break;
    }
    return Status::Success;
}

// One row of the overlap. Brush source and brush mode are template
// parameters so that the cell loop tests neither; pen cells are few and
// combine by the general function.
template <BrushSource kSource, Overwrite kMode>
void RenderRow(ColourWord* to, const uint8_t* cell, int32_t count, const PenPaint* pen, const BrushPaint& paint,
               const uint8_t* patternRow, const ColourWord* pictureRow, int32_t imageColumn, uint16_t mix) {
    // Locals, so that stores to the canvas cannot be taken to change them.
    const int32_t imageColumns = paint.image ? paint.image->columns : 0;
    const ColourWord colour = paint.colour;
    const ColourWord background = paint.background;
    for (int32_t column = 0; column < count; ++column) {
        const uint8_t value = cell[column];
        if (value == kCellPen) {
            if (pen) to[column] = detail::Combine(pen->colour, to[column], pen->overwrite, mix);
        } else if (value == kCellBrush) {
            if constexpr (kSource == BrushSource::Colour) {
                to[column] = detail::CombineAs<kMode>(colour, to[column], mix);
            } else if constexpr (kSource == BrushSource::Picture) {
                to[column] = detail::CombineAs<kMode>(pictureRow[imageColumn], to[column], mix);
            } else if constexpr (kSource == BrushSource::Pattern) {
                // A Pattern brush image is a two-colour stencil: its empty
                // cells let the canvas show through.
                const uint8_t stencil = patternRow[imageColumn];
                if (stencil == kCellPen) to[column] = detail::CombineAs<kMode>(colour, to[column], mix);
                else if (stencil == kCellBrush) to[column] = detail::CombineAs<kMode>(background, to[column], mix);
            }
        }
        if constexpr (kSource == BrushSource::Picture || kSource == BrushSource::Pattern) {
            if (++imageColumn == imageColumns) imageColumn = 0;
        }
    }
}

// Where the brush image row starts for one canvas row.
struct RowStart {
    const uint8_t* patternRow = nullptr;
    const ColourWord* pictureRow = nullptr;
    int32_t imageColumn = 0;
};

template <BrushSource kSource, Overwrite kMode>
void RenderRows(SysImage& canvas, const PenPaint* pen, const BrushPaint& paint, const SysImage& mask,
                const Placement& place) {
    const uint16_t mix = canvas.colourMix;
    const SysImage* image = paint.image;
    for (int32_t row = 0; row < place.rows; ++row) {
        const uint8_t* cell = mask.PatternRow(place.sourceRow + row) + place.sourceColumn;
        const int32_t canvasRow = place.targetRow + row;
        ColourWord* to = canvas.PictureRow(canvasRow) + place.targetColumn;

        // The brush image is walked alongside the row, so the remainders are
        // taken once per row, not per cell. Canvas cells and alignments are
        // int32, so their differences are exact in 64 bits.
        RowStart start;
        if constexpr (kSource == BrushSource::Picture || kSource == BrushSource::Pattern) {
            start.imageColumn = Wrap(int64_t{place.targetColumn} - paint.alignX, image->columns);
            const int32_t imageRow = Wrap(int64_t{canvasRow} - paint.alignY, image->rows);
            if constexpr (kSource == BrushSource::Picture) start.pictureRow = image->PictureRow(imageRow);
            else start.patternRow = image->PatternRow(imageRow);
        }
        RenderRow<kSource, kMode>(to, cell, place.columns, pen, paint, start.patternRow, start.pictureRow,
                                  start.imageColumn, mix);
    }
}

template <BrushSource kSource>
void RenderRowsIn(SysImage& canvas, const PenPaint* pen, const BrushPaint& paint, const SysImage& mask,
                  const Placement& place) {
    switch (paint.overwrite) {
        case Overwrite::Direct: return RenderRows<kSource, Overwrite::Direct>(canvas, pen, paint, mask, place);
        case Overwrite::Add: return RenderRows<kSource, Overwrite::Add>(canvas, pen, paint, mask, place);
        case Overwrite::Merge: return RenderRows<kSource, Overwrite::Merge>(canvas, pen, paint, mask, place);
        case Overwrite::Invert: return RenderRows<kSource, Overwrite::Invert>(canvas, pen, paint, mask, place);
    }
    RenderRows<kSource, detail::kUnknownOverwrite>(canvas, pen, paint, mask, place);
}

}  // namespace

Status RenderMask(SysImage& canvas, const PenPaint* pen, const SysBrush* brush, const SysImage& mask, int32_t x,
                  int32_t y, PointF reference) {
    if (canvas.mode != ImageMode::Picture || mask.mode != ImageMode::Pattern) return Status::Invalid;
    BrushPaint paint;
    VL_PROPAGATE(SettleBrush(brush, canvas, reference, &paint));

    const Placement place = ClipPlacement(canvas, mask, x, y);
    if (place.rows == 0) return Status::Success;
    switch (paint.source) {
        case BrushSource::None:
            // No brush: its mode is never used, so one instance serves.
            RenderRows<BrushSource::None, Overwrite::Direct>(canvas, pen, paint, mask, place);
            break;
        case BrushSource::Colour: RenderRowsIn<BrushSource::Colour>(canvas, pen, paint, mask, place); break;
        case BrushSource::Picture: RenderRowsIn<BrushSource::Picture>(canvas, pen, paint, mask, place); break;
        case BrushSource::Pattern: RenderRowsIn<BrushSource::Pattern>(canvas, pen, paint, mask, place); break;
    }
    return Status::Success;
}

}  // namespace vorlan::graphics
