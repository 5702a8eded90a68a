// Windows bitmaps with a 40-byte information header and no compression: 1, 4
// and 8 bits through a colour table, 24 and 32 bits direct, rows bottom-up or
// (negative height) top-down.

#include "output/FileSource.h"
#include "output/ImageFiles.h"

#include <cinttypes>

namespace vorlan::output {

using graphics::ColourWord;
using graphics::ImageMode;
using graphics::SysImage;

namespace {

constexpr size_t kHeadersSize = 54;
constexpr uint32_t kTagBmpReadRow = 61004;

ColourWord Opaque(uint8_t red, uint8_t green, uint8_t blue) {
    return red | static_cast<ColourWord>(green) << 8 | static_cast<ColourWord>(blue) << 16 | 0xFF000000u;
}

struct BmpLayout {
    int32_t width;
    int32_t height;  // made positive
    bool topDown;
    uint16_t bits;
    uint64_t rowSize;  // padded to 4 bytes
};

bool ReadLayout(FileSource& file, BmpLayout* layout) {
    uint8_t header[kHeadersSize];
    if (!file.Read(header, sizeof header)) return false;
    if (header[0] != 'B' || header[1] != 'M') return false;
    if (Get32(header + 14) != 40 || Get32(header + 30) != 0) return false;
    const auto width = static_cast<int32_t>(Get32(header + 18));
    const auto height = static_cast<int32_t>(Get32(header + 22));
    layout->bits = Get16(header + 28);
    if (width <= 0 || height == 0 || height == INT32_MIN) return false;
    const uint16_t bits = layout->bits;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
    layout->width = width;
    layout->topDown = height < 0;
    layout->height = height < 0 ? -height : height;
    layout->rowSize = ((static_cast<uint64_t>(width) * bits + 7) / 8 + 3) & ~uint64_t{3};
    return true;
}

// The colour table, printed entry by entry as it is read.
bool ReadColourTable(FileSource& file, uint16_t bits, ColourWord* table) {
    const int entries = 1 << bits;
    uint8_t raw[256 * 4];
    if (!file.Read(raw, static_cast<size_t>(entries) * 4)) return false;
    for (int i = 0; i < entries; ++i) {
        table[i] = Opaque(raw[4 * i + 2], raw[4 * i + 1], raw[4 * i]);
        std::printf("%3d  %08" PRIX32 "\n", i, table[i]);
    }
    return true;
}

void DecodeRow(const uint8_t* row, const BmpLayout& layout, const ColourWord* table, ColourWord* out) {
    const int32_t width = layout.width;
    switch (layout.bits) {
        case 1:
            for (int32_t x = 0; x < width; ++x) out[x] = table[(row[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int32_t x = 0; x < width; ++x) out[x] = table[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
            break;
        case 8:
            for (int32_t x = 0; x < width; ++x) out[x] = table[row[x]];
            break;
        case 24:
            for (int32_t x = 0; x < width; ++x) out[x] = Opaque(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
            break;
        default:
            for (int32_t x = 0; x < width; ++x) out[x] = Opaque(row[4 * x + 2], row[4 * x + 1], row[4 * x]);
            break;
    }
}

bool ReadRows(FileSource& file, const BmpLayout& layout, const ColourWord* table, SysImage& image) {
    auto* row = static_cast<uint8_t*>(MemAllocate(static_cast<size_t>(layout.rowSize), kTagBmpReadRow));
    if (!row) return false;
    bool read = true;
    for (int32_t r = 0; read && r < layout.height; ++r) {
        read = file.Read(row, static_cast<size_t>(layout.rowSize));
        const int32_t target = layout.topDown ? r : layout.height - 1 - r;
        if (read) DecodeRow(row, layout, table, image.PictureRow(target));
    }
    MemRelease(row);
    return read;
}

}  // namespace

Status ReadImageBMP(const char* path, SysImage** out) {
    *out = nullptr;
    FileSource file(path);
    BmpLayout layout{};
    if (!file.IsOpen() || !ReadLayout(file, &layout)) return Status::Invalid;
    ColourWord table[256] = {};
    if (layout.bits <= 8 && !ReadColourTable(file, layout.bits, table)) return Status::Invalid;
    // A header may claim any size; the file has to hold every row of it.
    if (layout.rowSize * static_cast<uint64_t>(layout.height) > file.Remaining()) return Status::Invalid;
    SysImage* image = graphics::CreateImage(layout.width, layout.height, ImageMode::Picture, graphics::kNotACanvas, 1);
    if (!image) return Status::Invalid;
    if (!ReadRows(file, layout, table, *image)) {
        graphics::FreeImage(image);
        return Status::Invalid;
    }
    *out = image;
    return Status::Success;
}

}  // namespace vorlan::output
