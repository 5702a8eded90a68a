#pragma once
// A text file read in 512-byte blocks, decoded one 16-bit character at a time
// after its encoding is detected from the byte-order mark, or, without one,
// from whether the whole file is well-formed UTF-8.

#include "base/Owned.h"

#include <cstdint>
#include <cstdio>

namespace vorlan {

constexpr char16_t kEndOfFile = 0xFFFF;
constexpr uint32_t kTagTextFile = 10201;
constexpr uint32_t kTagTextBuffer = 10202;
constexpr size_t kTextBlock = 512;

enum class TextEncoding : uint8_t { Bytes, Utf16LE, Utf16BE, Utf8 };

class TextFile : public Tagged<kTagTextFile> {
public:
    // Opens an existing regular file; nullptr with *code 102 (cannot open) or
    // 101 (out of memory).
    static TextFile* Open(const char16_t* path, uint16_t* code);
    ~TextFile();

    // The next character, or kEndOfFile at the end or on a read error.
    char16_t Read();
    void GiveBack(char16_t c) { pushedBack_ = c, hasPushedBack_ = true; }
    bool Rewind();
    TextEncoding Encoding() const { return encoding_; }

private:
    int NextByte();
    bool Fill();
    void DetectEncoding();
    bool WholeFileIsUtf8();
    char16_t ReadUtf8();

    FILE* handle_ = nullptr;
    TextEncoding encoding_ = TextEncoding::Bytes;
    uint8_t startOffset_ = 0;
    OwnedBlock<unsigned char> buffer_;
    size_t position_ = 0;
    size_t fill_ = 0;
    bool hasPushedBack_ = false;
    char16_t pushedBack_ = 0;
    char16_t pendingLow_ = 0;  // second half of a surrogate pair from UTF-8
};

}  // namespace vorlan
