#include "base/WideText.h"

#include "base/Memory.h"

#include <cstring>

namespace vorlan {

void WideCopy(char16_t* dst, const char16_t* src, uint16_t max) {
    uint16_t n = 0;
    if (src) {
        for (; n < max && src[n]; ++n) dst[n] = src[n];
    }
    dst[n] = 0;
}

void WideAppend(char16_t* dst, const char16_t* src, uint16_t max) {
    const uint16_t length = WideLength(dst);
    if (length >= max) return;
    WideCopy(dst + length, src, static_cast<uint16_t>(max - length));
}

uint16_t WideLength(const char16_t* text) {
    if (!text) return 0;
    uint16_t n = 0;
    while (text[n] && n < 0xFFFF) ++n;
    return n;
}

bool WideEqualNoCase(const char16_t* a, const char16_t* b) {
    if (WideLength(a) != WideLength(b)) return false;
    for (uint16_t i = 0; a && a[i]; ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

bool WideEqual(const char16_t* a, const char16_t* b) {
    if (WideLength(a) != WideLength(b)) return false;
    for (uint16_t i = 0; a && a[i]; ++i) {
        if (a[i] != b[i]) return false;
    }
    return true;
}

bool WideIsPrefix(const char16_t* prefix, const char16_t* text) {
    if (!prefix) return true;
    for (uint16_t i = 0; prefix[i]; ++i) {
        if (!text || text[i] != prefix[i]) return false;
    }
    return true;
}

bool NarrowToWide(const char* src, char16_t* dst, uint16_t max) {
    const size_t length = std::strlen(src);
    if (length > max) {
        dst[0] = 0;
        return false;
    }
    for (size_t i = 0; i <= length; ++i) dst[i] = static_cast<unsigned char>(src[i]);
    return true;
}

char16_t* WideDuplicate(const char16_t* text) {
    const uint16_t length = WideLength(text);
    auto* copy = static_cast<char16_t*>(MemAllocate((length + 1u) * sizeof(char16_t), kTagWideCopy));
    if (copy) WideCopy(copy, text, length);
    return copy;
}

bool WideAppendAllocated(char16_t** ref, const char16_t* text) {
    const uint32_t oldLength = WideLength(*ref);
    const uint32_t addLength = WideLength(text);
    if (oldLength + addLength > 0xFFFEu) return false;
    auto* joined =
        static_cast<char16_t*>(MemAllocate((oldLength + addLength + 1) * sizeof(char16_t), kTagWideJoin));
    if (!joined) return false;
    if (*ref) std::memcpy(joined, *ref, oldLength * sizeof(char16_t));
    if (text) std::memcpy(joined + oldLength, text, addLength * sizeof(char16_t));
    MemRelease(*ref);
    *ref = joined;
    return true;
}

const char16_t* WideSkipBlanks(const char16_t* text) {
    while (text && IsBlank(*text)) ++text;
    return text;
}

bool ReadDecimal(const char16_t* text, int64_t* value) {
    bool negative = false;
    if (*text == u'-') {
        negative = true;
        ++text;
    }
    if (!IsDecimalDigit(*text)) return false;
    uint64_t magnitude = 0;
    for (; IsDecimalDigit(*text); ++text) {
        magnitude = magnitude * 10 + static_cast<uint64_t>(*text - u'0');
        if (magnitude >= 0x90000000ull) return false;
    }
    if (*text) return false;
    *value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

bool ReadRadix(const char16_t* text, int32_t* value) {
    const char16_t* digitsEnd = text;
    while (*digitsEnd && *digitsEnd != u'#') ++digitsEnd;
    if (digitsEnd == text) return false;
    int radix = 10;
    if (*digitsEnd == u'#') {
        const char16_t* r = digitsEnd + 1;
        if (!IsDecimalDigit(*r)) return false;
        radix = 0;
        for (; *r; ++r) {
            if (!IsDecimalDigit(*r)) return false;
            radix = radix * 10 + (*r - u'0');
            if (radix > 36) return false;
        }
    }
    int64_t accumulated = 0;
    for (const char16_t* d = text; d < digitsEnd; ++d) {
        const int digit = DigitValue(*d);
        if (digit < 0 || digit >= radix) return false;
        accumulated = accumulated * radix + digit;
        if (accumulated >= 0x40000000) return false;
    }
    *value = static_cast<int32_t>(accumulated);
    return true;
}

}  // namespace vorlan
