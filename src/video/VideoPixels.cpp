// Canvas pixels in the layouts of the two kinds of video stream. Both run
// once per Frame call, however many times the frame is then repeated.

#include "video/VideoParts.h"

#include <array>
#include <cstring>

namespace vorlan::output::video {

using graphics::ColourWord;
using graphics::SysImage;

namespace {

// A colour byte as the nearest of 32 levels: round(v × 31 / 255). Plain
// truncation (v >> 3) would darken every mid tone by up to a level.
constexpr std::array<uint16_t, 256> kFiveBits = [] {
    std::array<uint16_t, 256> table{};
    for (uint32_t v = 0; v < 256; ++v) table[v] = static_cast<uint16_t>((v * 31 + 127) / 255);
    return table;
}();
static_assert(kFiveBits[0] == 0 && kFiveBits[255] == 31 && kFiveBits[128] == 16);

constexpr uint8_t Red(ColourWord word) { return static_cast<uint8_t>(word); }
constexpr uint8_t Green(ColourWord word) { return static_cast<uint8_t>(word >> 8); }
constexpr uint8_t Blue(ColourWord word) { return static_cast<uint8_t>(word >> 16); }

}  // namespace

int32_t BgrRowBytes(int32_t width) { return (3 * width + 3) & ~3; }

void FillBottomUpBgr(const SysImage& image, uint8_t* buffer, int32_t rowBytes) {
    const int32_t pixelBytes = 3 * image.columns;
    for (int32_t r = 0; r < image.rows; ++r) {
        const ColourWord* cells = image.PictureRow(r);
        uint8_t* out = buffer + static_cast<size_t>(image.rows - 1 - r) * static_cast<size_t>(rowBytes);
        for (int32_t c = 0; c < image.columns; ++c) {
            const ColourWord word = cells[c];
            out[3 * c] = Blue(word);
            out[3 * c + 1] = Green(word);
            out[3 * c + 2] = Red(word);
        }
        std::memset(out + pixelBytes, 0, static_cast<size_t>(rowBytes - pixelBytes));
    }
}

void FillRgb555(const SysImage& image, uint16_t* pixels) {
    for (int32_t r = 0; r < image.rows; ++r) {
        const ColourWord* cells = image.PictureRow(r);
        uint16_t* out = pixels + static_cast<size_t>(r) * static_cast<size_t>(image.columns);
        for (int32_t c = 0; c < image.columns; ++c) {
            const ColourWord word = cells[c];
            out[c] = static_cast<uint16_t>(kFiveBits[Red(word)] << 10 | kFiveBits[Green(word)] << 5 |
                                           kFiveBits[Blue(word)]);
        }
    }
}

}  // namespace vorlan::output::video
