// Debug prints of images on standard output.

#include "graphics/Raster.h"
#include "base/ReportLines.h"

#include <cstdio>

namespace vorlan::graphics {
namespace {

char PatternChar(uint8_t value) {
    switch (value) {
        case 0: return '-';
        case 1: return '*';
        case 2: return '+';
        case 3: return '/';
        case 4: return '#';
        default: return '?';
    }
}

}  // namespace

void SysPatternDump(const SysImage* image) {
    if (!image) {
        PrintReportLine(ReportLine::NoPatternImage);
        return;
    }
    // Other modes show the first byte of each cell; an image without cells
    // shows its rows empty.
    const size_t stride = image->cells ? image->cellSize : 0;
    for (int32_t row = 0; row < image->rows; ++row) {
        if (stride != 0) {
            const uint8_t* cell = image->cells + static_cast<size_t>(row) * image->columns * stride;
            for (int32_t column = 0; column < image->columns; ++column, cell += stride)
                std::fputc(PatternChar(*cell), stdout);
        }
        std::fputc('\n', stdout);
    }
    std::fputc('\n', stdout);
}

void SysPictureDump(const SysImage* image) {
    if (!image) {
        PrintReportLine(ReportLine::NoPictureImage);
        return;
    }
    const size_t stride = image->cells ? image->cellSize : 0;
    for (int32_t row = 0; row < image->rows; ++row) {
        if (stride != 0) {
            const uint8_t* cell = image->cells + static_cast<size_t>(row) * image->columns * stride;
            for (int32_t column = 0; column < image->columns; ++column, cell += stride) {
                // A cell's bytes in memory order: red, green, blue, opacity.
                for (size_t byte = 0; byte < stride && byte < 4; ++byte) std::printf("%02X", cell[byte]);
                std::fputc(' ', stdout);
            }
        }
        std::fputc('\n', stdout);
    }
    std::fputc('\n', stdout);
}

}  // namespace vorlan::graphics
