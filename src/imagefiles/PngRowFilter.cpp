#include "imagefiles/PngRowFilter.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vorlan::output {

namespace {

enum class Filter : uint8_t { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

constexpr size_t kPixelBytes = 4;

// The byte's distance from zero, reading 128..255 as negative.
inline uint32_t Magnitude(uint8_t v) { return std::min<uint8_t>(v, static_cast<uint8_t>(0u - v)); }

inline int PaethPredictor(int left, int up, int upLeft) {
    const int toLeft = std::abs(up - upLeft);
    const int toUp = std::abs(left - upLeft);
    const int toUpLeft = std::abs(left + up - 2 * upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft) return left;
    return toUp <= toUpLeft ? up : upLeft;
}

template <Filter kFilter>
inline uint8_t Filtered(uint8_t x, uint8_t left, uint8_t up, uint8_t upLeft) {
    switch (kFilter) {
    case Filter::None: return x;
    case Filter::Sub: return static_cast<uint8_t>(x - left);
    case Filter::Up: return static_cast<uint8_t>(x - up);
    case Filter::Average: return static_cast<uint8_t>(x - (left + up) / 2);
    case Filter::Paeth: return static_cast<uint8_t>(x - PaethPredictor(left, up, upLeft));
    }
    return x;
}

// Calls `visit(i, filtered byte i)` along the row. The first pixel has
// nothing to its left, which the filters read as zero; the loop after it
// has no branch, so the compiler can vectorise it.
template <Filter kFilter, class Visit>
inline void ForEachFiltered(const uint8_t* row, const uint8_t* above, size_t length, Visit visit) {
    const size_t first = std::min(kPixelBytes, length);
    for (size_t i = 0; i < first; ++i) visit(i, Filtered<kFilter>(row[i], 0, above[i], 0));
    for (size_t i = first; i < length; ++i)
        visit(i, Filtered<kFilter>(row[i], row[i - kPixelBytes], above[i], above[i - kPixelBytes]));
}

template <Filter kFilter>
size_t FilteredSum(const uint8_t* row, const uint8_t* above, size_t length) {
    size_t sum = 0;
    ForEachFiltered<kFilter>(row, above, length, [&sum](size_t, uint8_t v) { sum += Magnitude(v); });
    return sum;
}

template <Filter kFilter>
void WriteFiltered(const uint8_t* row, const uint8_t* above, size_t length, uint8_t* out) {
    out[0] = static_cast<uint8_t>(kFilter);
    ForEachFiltered<kFilter>(row, above, length, [out](size_t i, uint8_t v) { out[i + 1] = v; });
}

Filter ChooseFilter(const uint8_t* row, const uint8_t* above, size_t length, PngRowShape shape) {
    if (shape.oneRow && shape.oneColumn) return Filter::None;
    // A row equal to the one above filters to zeros through Up, which only an
    // all-zero row (through None, earlier in the order) can tie.
    if (!shape.oneRow && std::memcmp(row, above, length) == 0)
        return FilteredSum<Filter::None>(row, above, length) == 0 ? Filter::None : Filter::Up;
    Filter best = Filter::None;
    size_t least = FilteredSum<Filter::None>(row, above, length);
    const auto consider = [&](Filter filter, size_t sum) {
        if (sum < least) least = sum, best = filter;
    };
    if (!shape.oneColumn) consider(Filter::Sub, FilteredSum<Filter::Sub>(row, above, length));
    if (!shape.oneRow) consider(Filter::Up, FilteredSum<Filter::Up>(row, above, length));
    if (!shape.oneRow && !shape.oneColumn) {
        consider(Filter::Average, FilteredSum<Filter::Average>(row, above, length));
        consider(Filter::Paeth, FilteredSum<Filter::Paeth>(row, above, length));
    }
    return best;
}

}  // namespace

void FilterPngRow(const uint8_t* row, const uint8_t* above, size_t length, PngRowShape shape, uint8_t* out) {
    switch (ChooseFilter(row, above, length, shape)) {
    case Filter::None: WriteFiltered<Filter::None>(row, above, length, out); return;
    case Filter::Sub: WriteFiltered<Filter::Sub>(row, above, length, out); return;
    case Filter::Up: WriteFiltered<Filter::Up>(row, above, length, out); return;
    case Filter::Average: WriteFiltered<Filter::Average>(row, above, length, out); return;
    case Filter::Paeth: WriteFiltered<Filter::Paeth>(row, above, length, out); return;
    }
}

}  // namespace vorlan::output
