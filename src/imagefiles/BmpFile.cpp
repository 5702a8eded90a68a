// Windows bitmaps: 24 bits per pixel, rows stored top-down (negative height)
// so they can be written in the order the image holds them.

#include "base/FileSink.h"
#include "imagefiles/ImageFiles.h"
#include "imagefiles/LittleEndian.h"

namespace vorlan::output {

using graphics::ColourWord;
using graphics::ImageMode;
using graphics::SysImage;

namespace {

constexpr uint32_t kHeadersSize = 54;
constexpr uint32_t kTagBmpRow = 61001;

void PutHeaders(uint8_t* header, int32_t width, int32_t height, uint32_t rowSize) {
    header[0] = 'B';
    header[1] = 'M';
    Put32(header + 2, kHeadersSize + static_cast<uint32_t>(height) * rowSize);
    Put32(header + 10, kHeadersSize);
    Put32(header + 14, 40);
    Put32(header + 18, static_cast<uint32_t>(width));
    Put32(header + 22, static_cast<uint32_t>(-height));
    Put16(header + 26, 1);
    Put16(header + 28, 24);
    // Compression, sizes, resolutions and colour counts stay 0.
}

// One output row: each pixel the rounded mean of its block's red, green and
// blue, opacity ignored; the padding is already zero.
void FillRow(const SysImage& image, int32_t pixelRow, int32_t width, uint8_t* out) {
    const uint32_t s = image.scale;
    const uint32_t cells = s * s;
    for (int32_t x = 0; x < width; ++x) {
        uint32_t red = 0;
        uint32_t green = 0;
        uint32_t blue = 0;
        for (uint32_t dy = 0; dy < s; ++dy) {
            const ColourWord* row = image.PictureRow(static_cast<int32_t>(pixelRow * s + dy));
            for (uint32_t dx = 0; dx < s; ++dx) {
                const ColourWord word = row[x * s + dx];
                red += word & 0xFFu;
                green += (word >> 8) & 0xFFu;
                blue += (word >> 16) & 0xFFu;
            }
        }
        out[3 * x] = static_cast<uint8_t>((blue + cells / 2) / cells);
        out[3 * x + 1] = static_cast<uint8_t>((green + cells / 2) / cells);
        out[3 * x + 2] = static_cast<uint8_t>((red + cells / 2) / cells);
    }
}

}  // namespace

Status WriteImageBMP(const char* path, const SysImage& image) {
    if (image.mode != ImageMode::Picture || image.scale == 0) return Status::Invalid;
    const int32_t width = image.columns / image.scale;
    const int32_t height = image.rows / image.scale;
    const uint32_t rowSize = (3 * static_cast<uint32_t>(width) + 3) & ~uint32_t{3};
    OwnedBlock<uint8_t> row;
    if (!row.Allocate(rowSize + 1, kTagBmpRow)) return Status::Invalid;
    FILE* file = OpenForWriting(path);
    if (!file) return Status::Invalid;
    uint8_t header[kHeadersSize] = {};
    PutHeaders(header, width, height, rowSize);
    bool written = WriteAll(file, header, sizeof header);
    for (int32_t y = 0; written && y < height; ++y) {
        FillRow(image, y, width, row);
        written = WriteAll(file, row, rowSize);
    }
    return FinishFile(file, written);
}

}  // namespace vorlan::output
