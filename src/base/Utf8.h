#pragma once
// Conversions at the edges of the system: the command line and file names come
// in as UTF-8, standard output goes out as UTF-8, everything inside is 16-bit.

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vorlan {

constexpr char16_t kReplacementChar = 0xFFFD;

// Decodes UTF-8 into at most `max` 16-bit units plus terminator (characters
// beyond the BMP become surrogate pairs, malformed bytes U+FFFD). Returns false
// when the text had to be cut.
bool Utf8ToWide(const char* src, char16_t* dst, size_t max);
// Encodes into `dst` of `capacity` bytes (terminator included); false when it
// does not fit, leaving dst empty.
bool WideToUtf8(const char16_t* src, char* dst, size_t capacity);
// Writes a wide text as UTF-8; nullptr writes nothing.
void WriteWide(FILE* out, const char16_t* text);
// The rules every decoder here applies. A lead byte announces 0 to 3
// continuation bytes and carries the first bits of the code point; -1 for a
// byte no sequence starts with.
constexpr int Utf8Lead(unsigned char lead, uint32_t* bits) {
    if (lead < 0x80) return *bits = lead, 0;
    if ((lead & 0xE0) == 0xC0) return *bits = lead & 0x1Fu, 1;
    if ((lead & 0xF0) == 0xE0) return *bits = lead & 0x0Fu, 2;
    if ((lead & 0xF8) == 0xF0) return *bits = lead & 0x07u, 3;
    return -1;
}
// A complete sequence of `extra` continuation bytes is well-formed when it is
// not overlong, not a surrogate and not beyond U+10FFFF.
constexpr bool Utf8WellFormed(uint32_t cp, int extra) {
    constexpr uint32_t kMinimum[4] = {0, 0x80, 0x800, 0x10000};
    return cp >= kMinimum[extra] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

// Whether a stream of bytes, fed a block at a time, is well-formed UTF-8 by
// the rules the decoders here apply (no overlong forms, no surrogates,
// nothing beyond U+10FFFF), and whether it held anything beyond ASCII.
class Utf8Check {
public:
    void Feed(const unsigned char* bytes, size_t count);
    // At the end of the stream: every sequence complete and well-formed.
    bool Valid() const { return valid_ && pending_ == 0; }
    bool BeyondAscii() const { return beyondAscii_; }
    bool Failed() const { return !valid_; }

private:
    bool valid_ = true;
    bool beyondAscii_ = false;
    int pending_ = 0;  // continuation bytes still due
    int length_ = 0;   // continuation bytes of the sequence being read
    uint32_t cp_ = 0;
};

// Largest UTF-8 size of a path of kPathMax units, terminator included.
constexpr size_t kUtf8PathCapacity = 255 * 3 + 1;

}  // namespace vorlan
