// The flood of a Pattern image, and flood fill of a canvas built on it.
//
// The flood's meaning is fixed by the simplest way to compute it: sweep the
// changeable cells forward (top to bottom, left to right, an empty cell
// turning to brush when the cell above or to its left is brush) and backward
// (bottom to top, right to left, looking below and to the right), alternately,
// until neither direction changes anything. The fixed point is every empty
// changeable cell whose 4-connected group of empty changeable cells touches a
// brush cell anywhere in the image. Sweeps can take as many passes as a path
// has turns, so the flood reaches the same fixed point by a scanline fill
// instead: linear in the cells, and falling back to the sweeps when its stack
// cannot be had.

#include "base/Assert.h"
#include "graphics/Brush.h"
#include "graphics/Raster.h"

#include <bit>
#include <cstring>

namespace vorlan::graphics {
namespace {

constexpr uint32_t kTagFloodSpans = 22029;

// The cells a flood may change, inclusive. Cells outside it keep their
// values but still seed the cells next to them when they are brush.
struct Region {
    int32_t top;
    int32_t bottom;
    int32_t left;
    int32_t right;

    bool Empty() const { return top > bottom || left > right; }
};

// Shapes keep the border of their work images as written; a canvas fill
// reaches its edges.
Region InteriorOf(const SysImage& image) { return {1, image.rows - 2, 1, image.columns - 2}; }
Region WholeOf(const SysImage& image) { return {0, image.rows - 1, 0, image.columns - 1}; }

void SweepForward(SysImage& image, const Region& region, bool* changed) {
    for (int32_t row = region.top; row <= region.bottom; ++row) {
        uint8_t* cells = image.PatternRow(row);
        const uint8_t* above = row > 0 ? image.PatternRow(row - 1) : nullptr;
        for (int32_t column = region.left; column <= region.right; ++column) {
            if (cells[column] != kCellEmpty) continue;
            if ((above && above[column] == kCellBrush) || (column > 0 && cells[column - 1] == kCellBrush)) {
                cells[column] = kCellBrush;
                *changed = true;
            }
        }
    }
}

void SweepBackward(SysImage& image, const Region& region, bool* changed) {
    for (int32_t row = region.bottom; row >= region.top; --row) {
        uint8_t* cells = image.PatternRow(row);
        const uint8_t* below = row + 1 < image.rows ? image.PatternRow(row + 1) : nullptr;
        for (int32_t column = region.right; column >= region.left; --column) {
            if (cells[column] != kCellEmpty) continue;
            if ((below && below[column] == kCellBrush) ||
                (column + 1 < image.columns && cells[column + 1] == kCellBrush)) {
                cells[column] = kCellBrush;
                *changed = true;
            }
        }
    }
}

// Needs no memory; used when the span stack cannot be allocated. Any brush
// cells the scanline fill already set are part of the fixed point, so the
// sweeps may also finish a fill the scanline started.
//
// A quiet first sweep proves nothing, as brush below or right of the empty
// cells spreads only backward. After that, a quiet sweep follows one that
// left no cell able to change in the other direction, so it ends the flood.
void Sweep(SysImage& image, const Region& region) {
    for (bool forward = true, first = true;; forward = !forward, first = false) {
        bool changed = false;
        if (forward) SweepForward(image, region, &changed);
        else SweepBackward(image, region, &changed);
        if (!changed && !first) return;
    }
}

// A maximal run of empty cells in one row of the region, already set to brush.
struct Span {
    int32_t row;
    int32_t left;
    int32_t right;
};

// Empty cells form maximal runs along each row of the region. A run is
// turned to brush all at once, so it is never found empty again: the number
// of runs bounds the pushes, and the stack is sized by it before the fill.
uint64_t CountEmptyRuns(const SysImage& image, const Region& region) {
    uint64_t runs = 0;
    for (int32_t row = region.top; row <= region.bottom; ++row) {
        const uint8_t* cells = image.PatternRow(row);
        runs += cells[region.left] == kCellEmpty;
        // A run starts at every empty cell after a non-empty one; written
        // without a carried flag so the compiler can take many cells a step.
        uint32_t starts = 0;
        for (int32_t column = region.left + 1; column <= region.right; ++column)
            starts += (cells[column] == kCellEmpty) & (cells[column - 1] != kCellEmpty);
        runs += starts;
    }
    return runs;
}

// The first column from `from` up to `end` (exclusive) whose cell is not
// empty, or `end`. Large fills are mostly long empty runs, so eight cells
// are tested at a time.
int32_t EndOfEmpty(const uint8_t* cells, int32_t from, int32_t end) {
    if constexpr (std::endian::native == std::endian::little) {
        for (; end - from >= 8; from += 8) {
            uint64_t eight;
            std::memcpy(&eight, cells + from, sizeof eight);
            if (eight != 0) return from + std::countr_zero(eight) / 8;
        }
    }
    while (from < end && cells[from] == kCellEmpty) ++from;
    return from;
}

// The first empty column from `from` up to `end` (exclusive), or `end`.
int32_t NextEmpty(const uint8_t* cells, int32_t from, int32_t end) {
    if (from >= end) return end;
    const void* found = std::memchr(cells + from, kCellEmpty, static_cast<size_t>(end - from));
    return found ? static_cast<int32_t>(static_cast<const uint8_t*>(found) - cells) : end;
}

bool HasBrush(const uint8_t* cells, int32_t left, int32_t right) {
    return cells && std::memchr(cells + left, kCellBrush, static_cast<size_t>(right - left + 1)) != nullptr;
}

class SpanFill {
public:
    SpanFill(SysImage& image, const Region& region, Span* stack, uint64_t capacity)
        : image_(image), region_(region), stack_(stack), capacity_(capacity) {}

    // False when the stack ran out, which the run count rules out; the
    // caller then lets the sweeps finish.
    bool Run() {
        if (!Seed()) return false;
        while (size_ != 0) {
            const Span span = stack_[--size_];
            if (span.row > region_.top && !SpreadInto(span.row - 1, span.left, span.right)) return false;
            if (span.row < region_.bottom && !SpreadInto(span.row + 1, span.left, span.right)) return false;
        }
        return true;
    }

private:
    bool Fill(int32_t row, uint8_t* cells, int32_t left, int32_t right) {
        if (size_ == capacity_) return false;
        std::memset(cells + left, kCellBrush, static_cast<size_t>(right - left + 1));
        stack_[size_++] = {row, left, right};
        return true;
    }

    // One sweep finds every run that touches a brush cell as the image
    // stands; runs it fills also count as brush for the rows after them,
    // which only saves work later.
    bool Seed() {
        const int32_t end = region_.right + 1;
        for (int32_t row = region_.top; row <= region_.bottom; ++row) {
            uint8_t* cells = image_.PatternRow(row);
            const uint8_t* above = row > 0 ? image_.PatternRow(row - 1) : nullptr;
            const uint8_t* below = row + 1 < image_.rows ? image_.PatternRow(row + 1) : nullptr;
            for (int32_t left = NextEmpty(cells, region_.left, end); left < end;) {
                const int32_t right = EndOfEmpty(cells, left, end) - 1;
                const bool touches = (left > 0 && cells[left - 1] == kCellBrush) ||
                                     (right + 1 < image_.columns && cells[right + 1] == kCellBrush) ||
                                     HasBrush(above, left, right) || HasBrush(below, left, right);
                if (touches && !Fill(row, cells, left, right)) return false;
                left = NextEmpty(cells, right + 1, end);
            }
        }
        return true;
    }

    // Fills every run of `row` that has a cell in left..right, each to its
    // full extent. Each filled span looks only at its own columns in the rows
    // beside it, so the work over the whole fill stays linear in the cells.
    bool SpreadInto(int32_t row, int32_t left, int32_t right) {
        uint8_t* cells = image_.PatternRow(row);
        for (int32_t column = NextEmpty(cells, left, right + 1); column <= right;) {
            int32_t start = column;
            while (start > region_.left && cells[start - 1] == kCellEmpty) --start;
            const int32_t end = EndOfEmpty(cells, column, region_.right + 1) - 1;
            if (!Fill(row, cells, start, end)) return false;
            // end + 1 is not empty (or lies past the region), so the search
            // goes on after it; end < right keeps end + 2 from overflowing
            // on an image INT32_MAX columns wide.
            column = end < right ? NextEmpty(cells, end + 2, right + 1) : right + 1;
        }
        return true;
    }

    SysImage& image_;
    const Region region_;
    Span* const stack_;
    const uint64_t capacity_;
    uint64_t size_ = 0;
};

void Flood(SysImage& image, const Region& region) {
    if (image.mode != ImageMode::Pattern || !image.cells || region.Empty()) return;
    const uint64_t runs = CountEmptyRuns(image, region);
    if (runs == 0) return;
    // runs is at most the cell count (at most 2^32), so the product stays
    // below 2^36; a stack beyond the image limit is not worth trying for.
    const uint64_t bytes = runs * sizeof(Span);
    OwnedBlock<Span> stack;
    if (bytes > kMaxImageBytes || !stack.Allocate(static_cast<size_t>(runs), kTagFloodSpans)) {
        Sweep(image, region);
        return;
    }
    const bool complete = SpanFill(image, region, stack, runs).Run();
    VL_ASSERT(complete);
    if (!complete) Sweep(image, region);
}

}  // namespace

void FloodPattern(SysImage& image) { Flood(image, InteriorOf(image)); }

Status FloodFill(SysImage& canvas, const SysBrush& brush, PointF point) {
    const int32_t x = ToSubPixel(point.x, canvas.scale);
    const int32_t y = ToSubPixel(point.y, canvas.scale);
    if (x < 0 || y < 0 || x >= canvas.columns || y >= canvas.rows) return Status::OutOfRange;

    // A Pattern canvas floods in place, so brush cells already on it spread
    // into the empty cells beside them just as the seed does.
    if (canvas.mode == ImageMode::Pattern) {
        uint8_t& seed = canvas.PatternRow(y)[x];
        if (seed == kCellBrush) return Status::Success;
        seed = kCellBrush;
        Flood(canvas, WholeOf(canvas));
        return Status::Success;
    }
    if (canvas.mode != ImageMode::Picture) return Status::Success;

    // The region is the seed's exact colour word, all 32 bits: a mask that
    // is empty there and pen elsewhere, flooded from the seed.
    Owned<SysImage> mask(CreateCellImage(canvas.columns, canvas.rows, ImageMode::Pattern, canvas.scale));
    if (!mask) return Status::OutOfMemory;
    const ColourWord target = canvas.PictureRow(y)[x];
    for (int32_t row = 0; row < canvas.rows; ++row) {
        const ColourWord* from = canvas.PictureRow(row);
        uint8_t* to = mask->PatternRow(row);
        for (int32_t column = 0; column < canvas.columns; ++column)
            to[column] = from[column] == target ? kCellEmpty : kCellPen;
    }
    mask->PatternRow(y)[x] = kCellBrush;
    Flood(*mask, WholeOf(*mask));
    // The pen cells left over are rendered without a pen, which leaves them
    // alone; there is no need to clear them first.
    return RenderMask(canvas, nullptr, &brush, *mask, 0, 0, point);
}

}  // namespace vorlan::graphics
