// The pattern file keeps a Pattern image cell for cell, each row coded as runs
// of equal cells: short runs in one byte, longer ones in two.

#include "base/FileSink.h"
#include "imagefiles/ImageFiles.h"
#include "imagefiles/LittleEndian.h"
#include "imagefiles/PatternFormat.h"

namespace vorlan::output {

using graphics::ImageMode;
using graphics::SysImage;

namespace {

constexpr uint32_t kTagPatternRow = 61002;

size_t PutRun(uint8_t value, int32_t length, uint8_t* out) {
    if (length < kShortRunLimit) {
        out[0] = static_cast<uint8_t>(value * 32 + length);
        return 1;
    }
    out[0] = static_cast<uint8_t>(value * 32 + 128 + (length >> 8));
    out[1] = static_cast<uint8_t>(length & 255);
    return 2;
}

}  // namespace

size_t EncodePatternRow(const uint8_t* cells, int32_t count, uint8_t* out) {
    if (count <= 0) return 0;
    size_t used = 0;
    int32_t c = 0;
    while (c < count) {
        const uint8_t value = cells[c];
        if (value > 3) return 0;
        int32_t length = 1;
        while (c + length < count && length < kLongestRun && cells[c + length] == value) ++length;
        used += PutRun(value, length, out + used);
        c += length;
    }
    return used;
}

Status WriteImagePAT(const char* path, const SysImage& image) {
    if (image.mode != ImageMode::Pattern) return Status::Invalid;
    // A run of one cell takes one byte and a longer run fewer bytes than
    // cells, so a row never codes to more bytes than it has cells.
    OwnedBlock<uint8_t> coded;
    if (!coded.Allocate(static_cast<size_t>(image.columns) + 1, kTagPatternRow)) return Status::Invalid;
    FILE* file = OpenForWriting(path);
    if (!file) return Status::Invalid;
    uint8_t header[kPatternHeaderSize] = {};
    Put32(header, kPatternMagic);
    Put16(header + 4, kPatternVersion);
    Put32(header + 6, static_cast<uint32_t>(image.columns));
    Put32(header + 10, static_cast<uint32_t>(image.rows));
    Put16(header + 14, image.scale);
    Put32(header + 16, static_cast<uint32_t>(image.originX));
    Put32(header + 20, static_cast<uint32_t>(image.originY));
    bool written = WriteAll(file, header, sizeof header);
    for (int32_t r = 0; written && r < image.rows && image.columns > 0; ++r) {
        const size_t used = EncodePatternRow(image.PatternRow(r), image.columns, coded);
        written = used != 0 && WriteAll(file, coded, used);
    }
    return FinishFile(file, written);
}

}  // namespace vorlan::output
