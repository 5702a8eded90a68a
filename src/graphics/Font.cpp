#include "graphics/Font.h"

#include "graphics/TextModule.h"

#include <algorithm>
#include <limits>

namespace vorlan::graphics {

int32_t FontWeight(int32_t weight) {
    if (weight < 0) return 1;
    if (weight > 100) return 1000;
    return std::max(weight * 10, 1);
}

SysFont* CreateFont(const char16_t* typeface, size_t typefaceLength, int32_t size, uint16_t scale, int32_t weight,
                    bool italic, bool underline) {
    if (size < 1 || size > std::numeric_limits<uint16_t>::max() || scale == 0) return nullptr;
    auto* font = new SysFont{};
    if (!font) return nullptr;
    const size_t length = typeface ? std::min(typefaceLength, kTypefaceMax) : 0;
    std::copy_n(typeface, length, font->typeface);
    font->typeface[length] = 0;
    font->size = static_cast<uint16_t>(size);
    font->scale = scale;
    font->weight = FontWeight(weight);
    font->italic = italic;
    font->underline = underline;
    return font;
}

// A font has a description only when the module made it, so the module is in.
SysFont::~SysFont() {
    if (description) TextModule()->releaseDescription(description);
}

}  // namespace vorlan::graphics
