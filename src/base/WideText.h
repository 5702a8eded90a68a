#pragma once
// Wide (16-bit) text utilities for names, paths and words. Texts are
// zero-terminated; every bounded operation counts characters, not bytes, and a
// destination bounded by `max` needs max + 1 places.

#include <cstdint>

namespace vorlan {

constexpr uint16_t kPathMax = 255;        // names of files and paths
constexpr uint16_t kIdentifierMax = 30;   // identifiers and module names
constexpr uint32_t kTagWideCopy = 10102;  // a duplicated wide text
constexpr uint32_t kTagWideJoin = 10101;  // a wide text grown by appending

void WideCopy(char16_t* dst, const char16_t* src, uint16_t max);
void WideAppend(char16_t* dst, const char16_t* src, uint16_t max);
uint16_t WideLength(const char16_t* text);
bool WideEqualNoCase(const char16_t* a, const char16_t* b);
bool WideEqual(const char16_t* a, const char16_t* b);
bool WideIsPrefix(const char16_t* prefix, const char16_t* text);
// Widens each byte; fails (leaving dst empty) when src is longer than max.
bool NarrowToWide(const char* src, char16_t* dst, uint16_t max);
// A new allocated copy, or nullptr when memory runs out.
char16_t* WideDuplicate(const char16_t* text);
// Replaces *ref by a new allocated text holding *ref followed by `text`.
bool WideAppendAllocated(char16_t** ref, const char16_t* text);
const char16_t* WideSkipBlanks(const char16_t* text);

constexpr bool IsAsciiLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
constexpr bool IsDecimalDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
constexpr bool IsHexDigit(char16_t c) {
    return IsDecimalDigit(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}
constexpr bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
constexpr char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }
// 0..9 for digits, 10..35 for capitals A..Z, -1 for anything else.
constexpr int DigitValue(char16_t c) {
    if (IsDecimalDigit(c)) return c - u'0';
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return -1;
}
constexpr char16_t DigitChar(int value) { return value < 10 ? char16_t(u'0' + value) : char16_t(u'A' + value - 10); }

// The whole text is an optional "-" and decimal digits; fails when the
// magnitude reaches 0x90000000 or the text is anything else.
bool ReadDecimal(const char16_t* text, int64_t* value);
// The whole text is digits["#"radix], radix decimal and at most 36 (10 without
// "#"); fails on a digit not below the radix, on small letters, and when the
// value reaches 0x40000000.
bool ReadRadix(const char16_t* text, int32_t* value);

}  // namespace vorlan
