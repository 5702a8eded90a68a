#pragma once
// The overwrite modes, inline so the rendering loops pay no call per cell.
// CombineColour (Raster.h) is the same function for everyone else.
//
// Only Direct replaces the opacity byte; every other mode keeps the cell's.

#include "graphics/Image.h"
#include "graphics/Raster.h"

#include <algorithm>
#include <cstdint>

namespace vorlan::graphics::detail {

constexpr ColourWord kOpacityMask = 0xFF000000u;

inline uint32_t Channel(ColourWord word, int shift) { return (word >> shift) & 0xFFu; }

// Light adds up: black is neutral and channels saturate at 255.
inline uint32_t AddLight(uint32_t c, uint32_t d) { return std::min(c + d, 255u); }

// Inks add up: white is neutral and what each takes away from white adds.
inline uint32_t AddInk(uint32_t c, uint32_t d) { return 255u - std::min((255u - c) + (255u - d), 255u); }

// c laid over d by c's opacity a, each channel (a·c + (255 − a)·d) / 255
// truncated. The sum is at most 255 × 255 = 65025, and for every x up to
// there (x + 1 + x / 256) / 256 equals x / 255 exactly. Red and blue are
// worked side by side in 16-bit lanes of one word: no lane reaches 65536 at
// any step, so none carries into the other.
inline ColourWord MergeWord(ColourWord c, ColourWord d) {
    constexpr uint32_t kRedBlue = 0x00FF00FFu;
    const uint32_t a = c >> 24;
    const uint32_t b = 255u - a;
    uint32_t redBlue = (c & kRedBlue) * a + (d & kRedBlue) * b;
    redBlue = ((redBlue + 0x00010001u + ((redBlue >> 8) & kRedBlue)) >> 8) & kRedBlue;
    uint32_t green = ((c >> 8) & 0xFFu) * a + ((d >> 8) & 0xFFu) * b;
    green = (green + 1u + (green >> 8)) >> 8;
    return (d & kOpacityMask) | redBlue | green << 8;
}

// Moves d toward its complement by k/255. The arithmetic is single precision
// and snaps within 0.2 of either end, so results near the ends do not depend
// on the last bit of the division.
inline uint32_t InvertChannel(uint32_t k, uint32_t d) {
    if (k == 0) return d;
    if (k == 255) return 255u - d;
    const float v = static_cast<float>(255 - 2 * static_cast<int32_t>(d)) * static_cast<float>(k) / 255.0f +
                    static_cast<float>(d);
    if (v < 0.2f) return 0;
    if (v > 254.8f) return 255;
    return static_cast<uint32_t>(v);
}

template <class ChannelOp>
inline ColourWord PerChannel(ColourWord c, ColourWord d, ChannelOp op) {
    return (d & kOpacityMask) | op(Channel(c, 0), Channel(d, 0)) | op(Channel(c, 8), Channel(d, 8)) << 8 |
           op(Channel(c, 16), Channel(d, 16)) << 16;
}

// Any value outside the four modes stands for the unknown ones here.
constexpr Overwrite kUnknownOverwrite = static_cast<Overwrite>(0);

// The mode fixed at compile time, for loops that combine many cells in one mode.
template <Overwrite kMode>
inline ColourWord CombineAs(ColourWord c, ColourWord d, uint16_t colourMix) {
    if constexpr (kMode == Overwrite::Direct) {
        return c;
    } else if constexpr (kMode == Overwrite::Add) {
        if (colourMix == kColourMixScreen) return PerChannel(c, d, AddLight);
        return PerChannel(c, d, AddInk);
    } else if constexpr (kMode == Overwrite::Merge) {
        return MergeWord(c, d);
    } else if constexpr (kMode == Overwrite::Invert) {
        return PerChannel(c, d, InvertChannel);
    } else {
        // An unknown mode paints black but, like every mode but Direct,
        // leaves the opacity as it was.
        return d & kOpacityMask;
    }
}

inline ColourWord Combine(ColourWord c, ColourWord d, Overwrite mode, uint16_t colourMix) {
    switch (mode) {
        case Overwrite::Direct: return CombineAs<Overwrite::Direct>(c, d, colourMix);
        case Overwrite::Add: return CombineAs<Overwrite::Add>(c, d, colourMix);
        case Overwrite::Merge: return CombineAs<Overwrite::Merge>(c, d, colourMix);
        case Overwrite::Invert: return CombineAs<Overwrite::Invert>(c, d, colourMix);
    }
    return CombineAs<kUnknownOverwrite>(c, d, colourMix);
}

}  // namespace vorlan::graphics::detail
