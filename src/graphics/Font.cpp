#include "graphics/Font.h"

#include "base/Utf8.h"

#include <pango/pango.h>

#include <algorithm>
#include <limits>

namespace vorlan::graphics {
namespace {

// Pango's weights run from thin (100) to ultra-heavy (1000) on the same scale
// as the record's, which may go down to 1.
constexpr int32_t kLightestEngineWeight = 100;

}  // namespace

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

    PangoFontDescription* description = pango_font_description_new();
    char family[(kTypefaceMax + 1) * 3];
    if (font->typeface[0] && WideToUtf8(font->typeface, family, sizeof family))
        pango_font_description_set_family(description, family);
    // Absolute sizes are in device units, which are canvas cells here: the
    // text is drawn at the canvas's own resolution, whatever the screen's.
    // 65535 × 4 × PANGO_SCALE stays below 2^31.
    pango_font_description_set_absolute_size(description, static_cast<double>(size) * scale * PANGO_SCALE);
    pango_font_description_set_weight(description,
                                      static_cast<PangoWeight>(std::max(font->weight, kLightestEngineWeight)));
    pango_font_description_set_style(description, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    font->description = description;
    return font;
}

SysFont::~SysFont() {
    if (description) pango_font_description_free(description);
}

}  // namespace vorlan::graphics
