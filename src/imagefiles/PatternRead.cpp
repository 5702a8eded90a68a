// Pattern files back into Pattern images: the header, then each row's runs,
// which must fill the row exactly.

#include "base/FileSource.h"
#include "imagefiles/ImageFiles.h"
#include "imagefiles/PatternFormat.h"
#include "imagefiles/ReadLimits.h"

#include <cstring>

namespace vorlan::output {

using graphics::ImageMode;
using graphics::SysImage;

namespace {

// The scales a run draws at; any other in a header is damage.
bool KnownScale(uint16_t scale) { return scale == 1 || scale == 2 || scale == 4; }

bool DecodeRow(FileSource& file, uint8_t* cells, int32_t columns) {
    int32_t filled = 0;
    while (filled < columns) {
        const int first = file.NextByte();
        if (first < 0) return false;
        const auto value = static_cast<uint8_t>((first >> 5) & 3);
        int32_t length = first & 31;
        if (first & 128) {
            const int second = file.NextByte();
            if (second < 0) return false;
            length = length * 256 + second;
        }
        if (length == 0 || length > columns - filled) return false;
        std::memset(cells + filled, value, static_cast<size_t>(length));
        filled += length;
    }
    return true;
}

}  // namespace

Status ReadImagePAT(const char* path, SysImage** out) {
    *out = nullptr;
    FileSource file(path);
    uint8_t header[kPatternHeaderSize];
    if (!file.IsOpen() || !file.Read(header, sizeof header)) return Status::Invalid;
    if (Get32(header) != kPatternMagic || Get16(header + 4) != kPatternVersion) return Status::Invalid;
    const uint32_t columns = Get32(header + 6);
    const uint32_t rows = Get32(header + 10);
    const uint16_t scale = Get16(header + 14);
    if (!KnownScale(scale) || !FitsImageLimits(columns, rows, scale, 1)) return Status::Invalid;
    // Every row takes at least one byte for each 8191 cells.
    if (uint64_t{rows} * ((uint64_t{columns} + kLongestRun - 1) / kLongestRun) > file.Remaining()) return Status::Invalid;
    Owned<SysImage> image(graphics::CreateCellImage(static_cast<int32_t>(columns), static_cast<int32_t>(rows),
                                                    ImageMode::Pattern, scale));
    if (!image) return Status::Invalid;
    image->originX = static_cast<int32_t>(Get32(header + 16));
    image->originY = static_cast<int32_t>(Get32(header + 20));
    for (int32_t r = 0; r < image->rows; ++r) {
        if (!DecodeRow(file, image->PatternRow(r), image->columns)) return Status::Invalid;
    }
    *out = image.Take();
    return Status::Success;
}

}  // namespace vorlan::output
