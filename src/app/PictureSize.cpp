#include "app/PictureSize.h"

#include "base/Settings.h"
#include "base/WideText.h"

namespace vorlan {
namespace {

constexpr uint32_t kLargestNumber = 32767;

// Reads digits at *cursor, moving it past them.
bool ReadNumberAt(const char16_t*& cursor, uint16_t* value) {
    if (!IsDecimalDigit(*cursor)) return false;
    uint32_t accumulated = 0;
    for (; IsDecimalDigit(*cursor); ++cursor) {
        accumulated = accumulated * 10 + (*cursor - u'0');
        if (accumulated > kLargestNumber) return false;
    }
    *value = static_cast<uint16_t>(accumulated);
    return true;
}

}  // namespace

bool ReadLeadingNumber(const char16_t* text, uint16_t* value) {
    const char16_t* cursor = text;
    return ReadNumberAt(cursor, value);
}

bool ReadRandomSeed(const char16_t* text, int64_t* value) {
    int64_t seed = 0;
    if (!*text) return false;
    for (const char16_t* c = text; *c; ++c) {
        if (*c < u'0' || *c > u'9') return false;
        seed = seed * 10 + (*c - u'0');
        if (seed > 1073741823) return false;
    }
    *value = seed;
    return true;
}

bool ReadPictureSize(const char16_t* text, PictureSettings& picture) {
    const char16_t* cursor = text;
    uint16_t width, height;
    if (!ReadNumberAt(cursor, &width)) return false;
    if (*cursor != u'x' && *cursor != u'X') return false;
    ++cursor;
    if (!ReadNumberAt(cursor, &height)) return false;
    // A picture with no pixels could never be written, so it is refused here
    // rather than after the program has run.
    if (width == 0 || height == 0) return false;
    uint16_t rotation = picture.rotation;
    uint16_t colourMix = picture.colourMix;
    for (; *cursor; ++cursor) {
        switch (AsciiLower(*cursor)) {
        case u'l': rotation = 1; break;
        case u'r': rotation = 2; break;
        case u'p': colourMix = 1; break;
        case u's': colourMix = 2; break;
        default: break;
        }
    }
    picture.width = width;
    picture.height = height;
    picture.rotation = rotation;
    picture.colourMix = colourMix;
    return true;
}

}  // namespace vorlan
