#include "graphics/Combine.h"

#include <cmath>

namespace vorlan::graphics {

// The quotient and product are single precision, as the language's own
// Numbers are, and only the final half is added in double before flooring.
uint8_t PercentToByte(float percent) {
    if (percent > 99.9f) return 255;
    // NaN fails every comparison; it lands here with the small values.
    if (!(percent >= 0.1f)) return 0;
    const float scaled = percent / 100.0f * 255.0f;
    return static_cast<uint8_t>(std::floor(static_cast<double>(scaled) + 0.5));
}

ColourWord MakeColourWord(float red, float green, float blue, float opacity) {
    return ColourWord{PercentToByte(red)} | ColourWord{PercentToByte(green)} << 8 |
           ColourWord{PercentToByte(blue)} << 16 | ColourWord{PercentToByte(opacity)} << 24;
}

ColourWord CombineColour(ColourWord c, ColourWord d, Overwrite mode, uint16_t colourMix) {
    return detail::Combine(c, d, mode, colourMix);
}

}  // namespace vorlan::graphics
