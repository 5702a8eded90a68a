// Reducing a super-sampled picture: this is where the system's anti-aliasing
// happens. Colours are weighted by opacity so a transparent cell cannot pull
// its neighbours toward its (meaningless) colour, while the opacity itself is
// a plain mean over the block.

#include "imagefiles/ImageFiles.h"

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

// Blocks of 2 × 2 or 4 × 4 cells. The usual block, all cells opaque, takes
// neither a division nor a multiplication per cell: the channels are summed
// two to a word, red with blue and green with opacity, 16 bits each (at most
// 16 × 255 per lane). With every weight 255 the weighted mean
// (255·Σc + 255·n/2) / (255·n) is exactly (Σc + n/2) / n, and n = kFactor²
// is a power of two. A block with any cell not opaque takes the plain way.
template <int32_t kFactor>
void ReduceRows(const SysImage& image, SysImage& out) {
    static_assert(kFactor == 2 || kFactor == 4, "lanes of 16 bits hold at most 16 cells");
    constexpr uint32_t kCells = kFactor * kFactor;
    constexpr uint32_t kShift = kFactor == 2 ? 2 : 4;
    for (int32_t r = 0; r < out.rows; ++r) {
        const ColourWord* rows[kFactor];
        for (int32_t k = 0; k < kFactor; ++k) rows[k] = image.PictureRow(r * kFactor + k);
        ColourWord* target = out.PictureRow(r);
        for (int32_t c = 0; c < out.columns; ++c) {
            uint32_t redBlue = 0;
            uint32_t greenOpacity = 0;
            for (int32_t k = 0; k < kFactor; ++k) {
                for (int32_t j = 0; j < kFactor; ++j) {
                    const ColourWord word = rows[k][c * kFactor + j];
                    redBlue += word & 0x00FF00FFu;
                    greenOpacity += (word >> 8) & 0x00FF00FFu;
                }
            }
            if ((greenOpacity >> 16) != 255 * kCells) {
                target[c] = AverageBlock(image, r * kFactor, c * kFactor, kFactor);
                continue;
            }
            const uint32_t red = ((redBlue & 0xFFFFu) + kCells / 2) >> kShift;
            const uint32_t green = ((greenOpacity & 0xFFFFu) + kCells / 2) >> kShift;
            const uint32_t blue = ((redBlue >> 16) + kCells / 2) >> kShift;
            target[c] = red | green << 8 | blue << 16 | 0xFF000000u;
        }
    }
}

}  // namespace

bool ReduceScaleInto(const SysImage& image, SysImage& out) {
    if (image.mode != ImageMode::Picture || out.mode != ImageMode::Picture) return false;
    if (out.scale == 0 || image.scale == 0 || out.scale > image.scale || image.scale % out.scale != 0) return false;
    if (out.columns / out.scale != image.columns / image.scale || out.rows / out.scale != image.rows / image.scale)
        return false;
    const int32_t factor = image.scale / out.scale;
    out.background = image.background;
    switch (factor) {
    case 2: ReduceRows<2>(image, out); break;
    case 4: ReduceRows<4>(image, out); break;
    default:
        for (int32_t r = 0; r < out.rows; ++r) {
            ColourWord* row = out.PictureRow(r);
            for (int32_t c = 0; c < out.columns; ++c) row[c] = AverageBlock(image, r * factor, c * factor, factor);
        }
    }
    return true;
}

SysImage* ReduceScale(const SysImage& image, uint16_t targetScale) {
    if (image.mode != ImageMode::Picture) return nullptr;
    if (targetScale == 0 || image.scale == 0 || targetScale > image.scale) return nullptr;
    if (image.scale % targetScale != 0) return nullptr;
    Owned<SysImage> reduced(graphics::CreateImage(image.columns / image.scale, image.rows / image.scale, image.mode,
                                                  image.colourMix, targetScale));
    if (reduced && !ReduceScaleInto(image, *reduced)) return nullptr;
    return reduced.Take();
}

}  // namespace vorlan::output
