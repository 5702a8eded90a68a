// Windows bitmaps as other programs write them: an information header of 40
// bytes or its later forms of 108 and 124 (which add colour masks, colour
// space and profile fields), 1, 4 and 8 bits through a colour table, 24 and
// 32 bits direct, rows bottom-up or (negative height) top-down. Pixels are not
// compressed, except that 32-bit pixels may be described by the usual masks.
//
//   file header  14   "BM", file size, reserved, offset of the pixels
//   info header  40 | 108 | 124, then 3 masks when a 40-byte header
//                     says BI_BITFIELDS (the later headers hold their own)
//   colour table 4 bytes a colour (blue, green, red, unused)
//   (any gap)
//   pixels       from the offset, rows padded to 4 bytes

#include "base/FileSource.h"
#include "imagefiles/ImageFiles.h"
#include "imagefiles/ReadLimits.h"

#include <cinttypes>

namespace vorlan::output {

using graphics::ColourWord;
using graphics::ImageMode;
using graphics::SysImage;

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kLargestInfoHeader = 124;
constexpr size_t kMasksAfterShortHeader = 12;
constexpr uint32_t kTagBmpReadRow = 61004;

// Compression values.
constexpr uint32_t kUncompressed = 0;  // BI_RGB
constexpr uint32_t kBitFields = 3;     // BI_BITFIELDS

// The masks of 32-bit pixels stored blue, green, red, then alpha or nothing:
// the only layout read, since it is the one writers use.
constexpr uint32_t kRedMask = 0x00FF0000u;
constexpr uint32_t kGreenMask = 0x0000FF00u;
constexpr uint32_t kBlueMask = 0x000000FFu;
constexpr uint32_t kAlphaMask = 0xFF000000u;

bool KnownInfoHeader(uint32_t size) { return size == 40 || size == 108 || size == 124; }

ColourWord Opaque(uint8_t red, uint8_t green, uint8_t blue) {
    return red | static_cast<ColourWord>(green) << 8 | static_cast<ColourWord>(blue) << 16 | 0xFF000000u;
}

struct BmpLayout {
    int32_t width;
    int32_t height;  // made positive
    bool topDown;
    uint16_t bits;
    bool alpha;             // 32 bits whose fourth byte is the opacity
    uint32_t tableEntries;  // colours in the table that follows the headers (1, 4 and 8 bits)
    uint64_t pixelsAt;      // where the first row begins
    uint64_t rowSize;       // padded to 4 bytes
};

// The masks of a BI_BITFIELDS file, which must be the usual ones: true
// when the fourth byte is alpha. The masks lie straight after the 40 bytes
// of the first header form, whether they belong to a later header or
// follow a 40-byte one; only a later header has room for the alpha mask.
bool ReadMasks(const uint8_t* info, uint32_t infoSize, bool* alpha) {
    const uint8_t* masks = info + 40;
    if (Get32(masks) != kRedMask || Get32(masks + 4) != kGreenMask || Get32(masks + 8) != kBlueMask) return false;
    const uint32_t alphaMask = infoSize > 40 ? Get32(masks + 12) : 0;
    if (alphaMask != kAlphaMask && alphaMask != 0) return false;
    *alpha = alphaMask == kAlphaMask;
    return true;
}

// Reads the headers and settles where everything lies; nothing is allocated
// or printed before the file is known to hold all the rows its header claims.
bool ReadLayout(FileSource& file, BmpLayout* layout) {
    uint8_t header[kFileHeaderSize + kLargestInfoHeader + kMasksAfterShortHeader];
    if (!file.Read(header, kFileHeaderSize + 4)) return false;
    if (header[0] != 'B' || header[1] != 'M') return false;
    uint8_t* info = header + kFileHeaderSize;
    const uint32_t infoSize = Get32(info);
    if (!KnownInfoHeader(infoSize) || !file.Read(info + 4, infoSize - 4)) return false;
    const auto width = static_cast<int32_t>(Get32(info + 4));
    const auto height = static_cast<int32_t>(Get32(info + 8));
    const uint16_t bits = Get16(info + 14);
    const uint32_t compression = Get32(info + 16);
    const uint32_t coloursUsed = Get32(info + 32);
    if (width <= 0 || height == 0 || height == INT32_MIN) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
    layout->alpha = false;
    if (compression == kBitFields) {
        if (bits != 32) return false;
        if (infoSize == 40 && !file.Read(info + 40, kMasksAfterShortHeader)) return false;
        if (!ReadMasks(info, infoSize, &layout->alpha)) return false;
    } else if (compression != kUncompressed) {
        return false;
    }
    layout->width = width;
    layout->topDown = height < 0;
    layout->height = height < 0 ? -height : height;
    layout->bits = bits;
    layout->rowSize = ((static_cast<uint64_t>(width) * bits + 7) / 8 + 3) & ~uint64_t{3};
    if (!FitsImageLimits(static_cast<uint64_t>(width), static_cast<uint64_t>(layout->height), 1, sizeof(ColourWord)))
        return false;

    // A count of 0, or more than the bits can index, means the full table.
    const uint32_t fullTable = bits <= 8 ? uint32_t{1} << bits : 0;
    layout->tableEntries = coloursUsed == 0 || coloursUsed > fullTable ? fullTable : coloursUsed;
    const uint64_t tableEnd = file.Position() + uint64_t{layout->tableEntries} * 4;
    // The offset is believed when it lies within the file after the table;
    // one that cannot be right (0, say, or inside the headers) is taken to
    // mean what the plainest files do: rows straight after the table. Either
    // way the file must hold every row from there.
    const uint64_t offset = Get32(header + 10);
    layout->pixelsAt = offset >= tableEnd && offset < file.Length() ? offset : tableEnd;
    const uint64_t pixelBytes = layout->rowSize * static_cast<uint64_t>(layout->height);  // below 2^63
    return layout->pixelsAt <= file.Length() && pixelBytes <= file.Length() - layout->pixelsAt;
}

// The colour table, printed entry by entry as it is read. Indices past its
// end, which only a damaged file uses, are black.
bool ReadColourTable(FileSource& file, uint32_t entries, ColourWord* table) {
    uint8_t raw[256 * 4];
    if (!file.Read(raw, static_cast<size_t>(entries) * 4)) return false;
    for (uint32_t i = 0; i < 256; ++i) {
        table[i] = i < entries ? Opaque(raw[4 * i + 2], raw[4 * i + 1], raw[4 * i]) : Opaque(0, 0, 0);
        if (i < entries) std::printf("%3" PRIu32 "  %08" PRIX32 "\n", i, table[i]);
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
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t* p = row + 3 * static_cast<size_t>(x);  // rows may pass 2^31 bytes
                out[x] = Opaque(p[2], p[1], p[0]);
            }
            break;
        default:
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t* p = row + 4 * static_cast<size_t>(x);
                out[x] = Opaque(p[2], p[1], p[0]);
                if (layout.alpha) out[x] = (out[x] & 0x00FFFFFFu) | static_cast<ColourWord>(p[3]) << 24;
            }
            break;
    }
}

bool ReadRows(FileSource& file, const BmpLayout& layout, const ColourWord* table, SysImage& image) {
    OwnedBlock<uint8_t> row;
    if (!row.Allocate(static_cast<size_t>(layout.rowSize), kTagBmpReadRow)) return false;
    bool read = true;
    for (int32_t r = 0; read && r < layout.height; ++r) {
        read = file.Read(row, static_cast<size_t>(layout.rowSize));
        const int32_t target = layout.topDown ? r : layout.height - 1 - r;
        if (read) DecodeRow(row, layout, table, image.PictureRow(target));
    }
    return read;
}

}  // namespace

Status ReadImageBMP(const char* path, SysImage** out) {
    *out = nullptr;
    FileSource file(path);
    BmpLayout layout{};
    if (!file.IsOpen() || !ReadLayout(file, &layout)) return Status::Invalid;
    ColourWord table[256] = {};
    if (layout.tableEntries != 0 && !ReadColourTable(file, layout.tableEntries, table)) return Status::Invalid;
    if (!file.Skip(layout.pixelsAt - file.Position())) return Status::Invalid;
    Owned<SysImage> image(
        graphics::CreateImage(layout.width, layout.height, ImageMode::Picture, graphics::kNotACanvas, 1));
    if (!image || !ReadRows(file, layout, table, *image)) return Status::Invalid;
    *out = image.Take();
    return Status::Success;
}

}  // namespace vorlan::output
