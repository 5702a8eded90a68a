// Reducing a super-sampled picture: this is where the system's anti-aliasing
// happens. Colours are weighted by opacity so a transparent cell cannot pull
// its neighbours toward its (meaningless) colour, while the opacity itself is
// a plain mean over the block.

#include "output/ImageFiles.h"

namespace vorlan::output {

using graphics::ColourWord;
using graphics::ImageMode;
using graphics::SysImage;

namespace {

ColourWord AverageBlock(const SysImage& image, int32_t top, int32_t left, int32_t factor) {
    uint64_t opacitySum = 0;
    uint64_t redSum = 0;
    uint64_t greenSum = 0;
    uint64_t blueSum = 0;
    for (int32_t r = top; r < top + factor; ++r) {
        const ColourWord* row = image.PictureRow(r);
        for (int32_t c = left; c < left + factor; ++c) {
            const ColourWord word = row[c];
            const uint64_t a = word >> 24;
            opacitySum += a;
            redSum += a * (word & 0xFFu);
            greenSum += a * ((word >> 8) & 0xFFu);
            blueSum += a * ((word >> 16) & 0xFFu);
        }
    }
    if (opacitySum == 0) return 0;
    const uint64_t cells = static_cast<uint64_t>(factor) * static_cast<uint64_t>(factor);
    const uint64_t red = (redSum + opacitySum / 2) / opacitySum;
    const uint64_t green = (greenSum + opacitySum / 2) / opacitySum;
    const uint64_t blue = (blueSum + opacitySum / 2) / opacitySum;
    const uint64_t opacity = (opacitySum + cells / 2) / cells;
    return static_cast<ColourWord>(red | (green << 8) | (blue << 16) | (opacity << 24));
}

}  // namespace

SysImage* ReduceScale(const SysImage& image, uint16_t targetScale) {
    if (image.mode != ImageMode::Picture) return nullptr;
    if (targetScale == 0 || image.scale == 0 || targetScale > image.scale) return nullptr;
    if (image.scale % targetScale != 0) return nullptr;
    const int32_t factor = image.scale / targetScale;
    SysImage* reduced = graphics::CreateImage(image.columns / image.scale, image.rows / image.scale, image.mode,
                                              image.colourMix, targetScale);
    if (!reduced) return nullptr;
    reduced->background = image.background;
    for (int32_t r = 0; r < reduced->rows; ++r) {
        ColourWord* out = reduced->PictureRow(r);
        for (int32_t c = 0; c < reduced->columns; ++c) out[c] = AverageBlock(image, r * factor, c * factor, factor);
    }
    return reduced;
}

}  // namespace vorlan::output
