#include "graphics/Brush.h"
#include "graphics/Combine.h"
#include "graphics/Raster.h"

#include <algorithm>
#include <bit>
#include <cstring>

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

// How many cells from `cells` on hold the value of the first, up to `count`
// (at least 1). Eight cells are compared at a time: shapes leave long runs
// of one value, empty around an outline and brush inside it.
inline int32_t RunLength(const uint8_t* cells, int32_t count) {
    const uint64_t repeated = uint64_t{cells[0]} * 0x0101010101010101ull;
    int32_t length = 1;
    if constexpr (std::endian::native == std::endian::little) {
        while (length + 8 <= count) {
            uint64_t eight;
            std::memcpy(&eight, cells + length, 8);
            const uint64_t differs = eight ^ repeated;
            if (differs) return length + std::countr_zero(differs) / 8;
            length += 8;
        }
    }
    while (length < count && cells[length] == cells[0]) ++length;
    return length;
}

// `count` canvas cells from `to` combined with one colour in one mode.
template <Overwrite kMode>
void CombineRun(ColourWord colour, ColourWord* to, int32_t count, uint16_t mix) {
    if constexpr (kMode == Overwrite::Direct) {
        std::fill(to, to + count, colour);
    } else {
        for (int32_t i = 0; i < count; ++i) to[i] = detail::CombineAs<kMode>(colour, to[i], mix);
    }
}

void PenRun(const PenPaint& pen, ColourWord* to, int32_t count, uint16_t mix) {
    switch (pen.overwrite) {
        case Overwrite::Direct: return CombineRun<Overwrite::Direct>(pen.colour, to, count, mix);
        case Overwrite::Add: return CombineRun<Overwrite::Add>(pen.colour, to, count, mix);
        case Overwrite::Merge: return CombineRun<Overwrite::Merge>(pen.colour, to, count, mix);
        case Overwrite::Invert: return CombineRun<Overwrite::Invert>(pen.colour, to, count, mix);
    }
    CombineRun<detail::kUnknownOverwrite>(pen.colour, to, count, mix);
}

// Where the brush image row starts for one canvas row.
struct RowStart {
    const uint8_t* patternRow = nullptr;
    const ColourWord* pictureRow = nullptr;
    int32_t imageColumn = 0;
};

// A run of brush cells. An image brush is walked alongside the run from
// `imageColumn`, the image column under the run's first cell.
template <BrushSource kSource, Overwrite kMode>
void BrushRun(ColourWord* to, int32_t count, const BrushPaint& paint, const RowStart& start, int32_t imageColumn,
              uint16_t mix) {
    if constexpr (kSource == BrushSource::Colour) {
        CombineRun<kMode>(paint.colour, to, count, mix);
    } else if constexpr (kSource == BrushSource::Picture || kSource == BrushSource::Pattern) {
        // Locals, so that stores to the canvas cannot be taken to change them.
        const int32_t imageColumns = paint.image->columns;
        const ColourWord colour = paint.colour;
        const ColourWord background = paint.background;
        for (int32_t i = 0; i < count; ++i) {
            if constexpr (kSource == BrushSource::Picture) {
                to[i] = detail::CombineAs<kMode>(start.pictureRow[imageColumn], to[i], mix);
            } else {
                // A Pattern brush image is a two-colour stencil: its empty
                // cells let the canvas show through.
                const uint8_t stencil = start.patternRow[imageColumn];
                if (stencil == kCellPen) to[i] = detail::CombineAs<kMode>(colour, to[i], mix);
                else if (stencil == kCellBrush) to[i] = detail::CombineAs<kMode>(background, to[i], mix);
            }
            if (++imageColumn == imageColumns) imageColumn = 0;
        }
    }
}

// One row of the overlap, run by run: each run of pen or brush cells is
// combined in one go, and empty runs are passed over. Brush source and mode
// are template parameters, so no run tests them.
template <BrushSource kSource, Overwrite kMode>
void RenderRow(ColourWord* to, const uint8_t* cell, int32_t count, const PenPaint* pen, const BrushPaint& paint,
               const RowStart& start, uint16_t mix) {
    for (int32_t column = 0; column < count;) {
        const uint8_t value = cell[column];
        const int32_t length = RunLength(cell + column, count - column);
        if (value == kCellPen) {
            // Most pens paint Direct: their runs are filled here, without a call.
            if (pen && pen->overwrite == Overwrite::Direct) std::fill(to + column, to + column + length, pen->colour);
            else if (pen) PenRun(*pen, to + column, length, mix);
        } else if (value == kCellBrush && kSource != BrushSource::None) {
            int32_t imageColumn = 0;
            if constexpr (kSource == BrushSource::Picture || kSource == BrushSource::Pattern)
                imageColumn = static_cast<int32_t>((int64_t{start.imageColumn} + column) % paint.image->columns);
            BrushRun<kSource, kMode>(to + column, length, paint, start, imageColumn, mix);
        }
        column += length;
    }
}

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
        RenderRow<kSource, kMode>(to, cell, place.columns, pen, paint, start, mix);
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
