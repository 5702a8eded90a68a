#include "base/Utf8.h"

namespace vorlan {
namespace {

// Decodes one UTF-8 sequence at s; returns the code point and advances s.
// Overlong forms, surrogates and truncated sequences give U+FFFD and consume
// one byte, so decoding always moves forward.
uint32_t DecodeOne(const unsigned char*& s) {
    uint32_t cp = 0;
    const int extra = Utf8Lead(*s, &cp);
    if (extra <= 0) {
        ++s;
        return extra == 0 ? cp : kReplacementChar;
    }
    for (int i = 1; i <= extra; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            ++s;
            return kReplacementChar;
        }
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    if (!Utf8WellFormed(cp, extra)) {
        ++s;
        return kReplacementChar;
    }
    s += extra + 1;
    return cp;
}

}  // namespace

bool Utf8ToWide(const char* src, char16_t* dst, size_t max) {
    const auto* s = reinterpret_cast<const unsigned char*>(src);
    size_t n = 0;
    while (*s) {
        const uint32_t cp = DecodeOne(s);
        if (cp >= 0x10000) {
            if (n + 2 > max) break;
            dst[n++] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            dst[n++] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            if (n + 1 > max) break;
            dst[n++] = static_cast<char16_t>(cp);
        }
    }
    dst[n] = 0;
    return *s == 0;
}

bool WideToUtf8(const char16_t* src, char* dst, size_t capacity) {
    size_t n = 0;
    auto put = [&](unsigned value) {
        if (n + 1 >= capacity) return false;
        dst[n++] = static_cast<char>(value);
        return true;
    };
    for (size_t i = 0; src && src[i]; ++i) {
        uint32_t cp = src[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && src[i + 1] >= 0xDC00 && src[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (src[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacementChar;
        }
        bool ok;
        if (cp < 0x80) ok = put(cp);
        else if (cp < 0x800) ok = put(0xC0 | (cp >> 6)) && put(0x80 | (cp & 0x3F));
        else if (cp < 0x10000)
            ok = put(0xE0 | (cp >> 12)) && put(0x80 | ((cp >> 6) & 0x3F)) && put(0x80 | (cp & 0x3F));
        else
            ok = put(0xF0 | (cp >> 18)) && put(0x80 | ((cp >> 12) & 0x3F)) &&
                 put(0x80 | ((cp >> 6) & 0x3F)) && put(0x80 | (cp & 0x3F));
        if (!ok) {
            if (capacity) dst[0] = 0;
            return false;
        }
    }
    if (capacity) dst[n] = 0;
    return capacity > 0;
}

void WriteWide(FILE* out, const char16_t* text) {
    char chunk[256];
    size_t n = 0;
    for (size_t i = 0; text && text[i]; ++i) {
        char16_t piece[3] = {text[i], 0, 0};
        // Keep a surrogate pair together so it encodes as one character.
        if (text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            piece[1] = text[++i];
        char encoded[8];
        WideToUtf8(piece, encoded, sizeof encoded);
        for (const char* e = encoded; *e; ++e) {
            chunk[n++] = *e;
            if (n == sizeof chunk) {
                std::fwrite(chunk, 1, n, out);
                n = 0;
            }
        }
    }
    if (n) std::fwrite(chunk, 1, n, out);
}

void Utf8Check::Feed(const unsigned char* bytes, size_t count) {
    for (size_t i = 0; i < count && valid_; ++i) {
        const unsigned char b = bytes[i];
        if (pending_ > 0) {
            if ((b & 0xC0) != 0x80) {
                valid_ = false;
                break;
            }
            cp_ = (cp_ << 6) | (b & 0x3F);
            if (--pending_ == 0) valid_ = Utf8WellFormed(cp_, length_);
            continue;
        }
        if (b < 0x80) continue;
        beyondAscii_ = true;
        length_ = Utf8Lead(b, &cp_);
        valid_ = length_ > 0;
        pending_ = valid_ ? length_ : 0;
    }
}

}  // namespace vorlan
