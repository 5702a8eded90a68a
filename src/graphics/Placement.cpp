#include "graphics/Placement.h"

namespace vorlan::graphics {
namespace detail {
namespace {

struct Span1D {
    int32_t source;
    int32_t target;
    int32_t count;
};

// One axis: `count` source cells starting at destination index `at`, cut to
// 0..limit−1. All arithmetic is 64-bit: `at` may lie anywhere in ±2^33 and
// count and limit below 2^31, so no sum here can overflow; the results are
// within 0..2^31−1 again before they are narrowed.
Span1D ClipAxis(int64_t at, int32_t count, int32_t limit) {
    int64_t source = 0;
    int64_t remaining = count;
    if (at < 0) {
        source = -at;
        remaining -= source;
        at = 0;
    }
    if (at + remaining > limit) remaining = limit - at;
    if (remaining <= 0) return {0, 0, 0};
    return {static_cast<int32_t>(source), static_cast<int32_t>(at), static_cast<int32_t>(remaining)};
}

}  // namespace

Placement ClipCells(const SysImage& destination, int32_t sourceRows, int32_t sourceColumns, int64_t column,
                    int64_t row) {
    const Span1D rows = ClipAxis(row, sourceRows, destination.rows);
    const Span1D columns = ClipAxis(column, sourceColumns, destination.columns);
    // Callers test one count; an overlap empty on either axis is empty on both.
    if (rows.count == 0 || columns.count == 0) return {};
    return {rows.source, columns.source, rows.target, columns.target, rows.count, columns.count};
}

}  // namespace detail

Placement ClipPlacement(const SysImage& destination, const SysImage& source, int32_t x, int32_t y) {
    // Three int32 terms keep the 64-bit sums within ±2^33.
    const int64_t column = int64_t{x} - destination.originX + source.originX;
    const int64_t row = int64_t{y} - destination.originY + source.originY;
    return detail::ClipCells(destination, source.rows, source.columns, column, row);
}

Status StampTip(const SysImage& source, SysImage& destination, int32_t x, int32_t y) {
    if (source.scale != destination.scale) return Status::InternalFailure;
    if (source.mode != ImageMode::Pattern || destination.mode != ImageMode::Pattern) return Status::Invalid;
    const Placement place = ClipPlacement(destination, source, x, y);
    if (place.rows == 0) return Status::Success;
    for (int32_t row = 0; row < place.rows; ++row) {
        const uint8_t* from = source.PatternRow(place.sourceRow + row) + place.sourceColumn;
        uint8_t* to = destination.PatternRow(place.targetRow + row) + place.targetColumn;
        for (int32_t column = 0; column < place.columns; ++column) {
            const uint8_t value = from[column];
            // Only pen and brush cells are ink; anything else lets the
            // destination show through.
            if (value == kCellPen || value == kCellBrush) to[column] = value;
        }
    }
    return Status::Success;
}

}  // namespace vorlan::graphics
