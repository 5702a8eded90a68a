#pragma once
// The row filters of PNG output. Each row of a picture is written through
// the one of the five filters (none, sub, up, average, Paeth) whose output
// has the smallest sum of byte magnitudes, a byte of 128 or more counting
// as 256 minus it; on a tie the earlier filter in that order wins. This is
// the choice PNG files from earlier versions of Vorlan were written with,
// so a picture's bytes stay what they were.

#include <cstddef>
#include <cstdint>

namespace vorlan::output {

// Which filters a row may use: a picture one row high has no row above to
// predict from, one a pixel wide has no pixel to the left.
struct PngRowShape {
    bool oneRow = false;
    bool oneColumn = false;
};

// Filters `row` (`length` bytes of 4-byte pixels) against `above`, the row
// before it unfiltered (all zero above the first row), and writes the
// filter's number and then the filtered bytes to `out` (length + 1 bytes).
void FilterPngRow(const uint8_t* row, const uint8_t* above, size_t length, PngRowShape shape, uint8_t* out);

}  // namespace vorlan::output
