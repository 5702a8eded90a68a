#pragma once
// SysFont: the record behind a TFont. The font engine (the text module) is
// Pango over Cairo, with fontconfig choosing the face: a typeface that is not installed falls
// back to fontconfig's choice, so a font always draws something.

#include "base/Memory.h"

#include <cstdint>

// The engine's font description, opaque outside the text renderer.
struct _PangoFontDescription;

namespace vorlan::graphics {

constexpr uint32_t kTagFont = 22040;
constexpr size_t kTypefaceMax = 63;

struct SysFont : Tagged<kTagFont> {
    char16_t typeface[kTypefaceMax + 1];  // empty: the engine's default face
    uint16_t size;    // pixels
    uint16_t scale;   // cells per pixel
    int32_t weight;   // 1..1000, 400 regular and 700 bold
    bool italic;
    bool underline;   // an attribute of each drawing, so no angle can lose it
    int16_t angle;    // tenths of a degree the font was last drawn at
    // Made by the text engine the first time the font is laid out, so that
    // making a font (every run has one) loads no engine. Its line height is
    // size × scale cells: the engine sizes fonts by their em, a TFont's size
    // is the height of the whole line cell, ascent and descent together, so
    // the description is rescaled by the face's own ratio when first laid out.
    mutable _PangoFontDescription* description;
    mutable bool cellHeightFitted;

    ~SysFont();
};

// The TFont weight (0 to 100) as an engine weight: ×10, kept within 1..1000.
int32_t FontWeight(int32_t weight);

// A font `size` pixels high at `scale`; nullptr when the size is not 1..65535
// or memory runs out. `typeface` may be nullptr; longer names are cut to
// kTypefaceMax characters.
SysFont* CreateFont(const char16_t* typeface, size_t typefaceLength, int32_t size, uint16_t scale, int32_t weight,
                    bool italic, bool underline);

}  // namespace vorlan::graphics
