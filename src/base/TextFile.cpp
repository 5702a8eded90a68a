#include "base/TextFile.h"

#include "base/Messages.h"
#include "base/Utf8.h"

#include <sys/stat.h>

namespace vorlan {

TextFile* TextFile::Open(const char16_t* path, uint16_t* code) {
    char narrow[kUtf8PathCapacity];
    if (!WideToUtf8(path, narrow, sizeof narrow) || !narrow[0]) {
        *code = static_cast<uint16_t>(Msg::CouldNotOpenFile);
        return nullptr;
    }
    FILE* handle = std::fopen(narrow, "rb");
    struct stat info;
    // A directory opens for reading here but yields no text: refuse it as a
    // file that cannot be opened.
    if (!handle || fstat(fileno(handle), &info) != 0 || S_ISDIR(info.st_mode)) {
        if (handle) std::fclose(handle);
        *code = static_cast<uint16_t>(Msg::CouldNotOpenFile);
        return nullptr;
    }
    Owned<TextFile> file(new TextFile);
    if (file) {
        file->handle_ = handle;
        file->buffer_.Allocate(kTextBlock, kTagTextBuffer);
    } else {
        std::fclose(handle);
    }
    if (!file || !file->buffer_) {
        *code = static_cast<uint16_t>(Msg::OutOfMemory);
        return nullptr;
    }
    file->Fill();
    file->DetectEncoding();
    return file.Take();
}

TextFile::~TextFile() {
    if (handle_) std::fclose(handle_);
}

bool TextFile::Fill() {
    fill_ = std::fread(buffer_, 1, kTextBlock, handle_);
    position_ = 0;
    return fill_ > 0;
}

int TextFile::NextByte() {
    if (position_ >= fill_ && !Fill()) return -1;
    return buffer_[position_++];
}

void TextFile::DetectEncoding() {
    const unsigned char* b = buffer_;
    if (fill_ >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        encoding_ = TextEncoding::Utf16LE, startOffset_ = 2;
    } else if (fill_ >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        encoding_ = TextEncoding::Utf16BE, startOffset_ = 2;
    } else if (fill_ >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        encoding_ = TextEncoding::Utf8, startOffset_ = 3;
    } else {
        encoding_ = WholeFileIsUtf8() ? TextEncoding::Utf8 : TextEncoding::Bytes, startOffset_ = 0;
    }
    position_ = startOffset_;
}

// Editors here write UTF-8 without a mark. A file is taken for UTF-8 only when
// all of it is well-formed and it holds more than ASCII, so an older 8-bit
// file, which is almost never well-formed UTF-8 by chance, keeps its meaning.
// Deciding needs the whole file before its first character is read.
bool TextFile::WholeFileIsUtf8() {
    Utf8Check check;
    check.Feed(buffer_, fill_);
    if (fill_ < kTextBlock) return check.Valid() && check.BeyondAscii();  // the whole file is in
    while (!check.Failed() && Fill()) check.Feed(buffer_, fill_);
    const bool utf8 = check.Valid() && check.BeyondAscii();
    // Back to the first block; a file that cannot go back reads as ended, as
    // a read error ends any file early.
    if (std::fseek(handle_, 0, SEEK_SET) != 0) {
        fill_ = 0;
        return false;
    }
    Fill();
    return utf8;
}

bool TextFile::Rewind() {
    hasPushedBack_ = false;
    pendingLow_ = 0;
    if (std::fseek(handle_, 0, SEEK_SET) != 0) return false;
    Fill();
    position_ = startOffset_ <= fill_ ? startOffset_ : fill_;
    return true;
}

// Decodes one UTF-8 character. Malformed bytes become U+FFFD one byte at a
// time; characters beyond the BMP come out as a surrogate pair.
char16_t TextFile::ReadUtf8() {
    const int lead = NextByte();
    if (lead < 0) return kEndOfFile;
    uint32_t cp = 0;
    const int extra = Utf8Lead(static_cast<unsigned char>(lead), &cp);
    if (extra <= 0) return extra == 0 ? static_cast<char16_t>(cp) : kReplacementChar;
    for (int i = 0; i < extra; ++i) {
        const int next = NextByte();
        if (next < 0) return kReplacementChar;
        if ((next & 0xC0) != 0x80) {
            --position_;  // the byte starts the next character; NextByte just filled or advanced
            return kReplacementChar;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    if (!Utf8WellFormed(cp, extra)) return kReplacementChar;
    if (cp >= 0x10000) {
        pendingLow_ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        return static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
    }
    return static_cast<char16_t>(cp);
}

char16_t TextFile::Read() {
    if (hasPushedBack_) {
        hasPushedBack_ = false;
        return pushedBack_;
    }
    if (pendingLow_) {
        const char16_t low = pendingLow_;
        pendingLow_ = 0;
        return low;
    }
    char16_t c = kEndOfFile;
    switch (encoding_) {
    case TextEncoding::Bytes: {
        const int b = NextByte();
        return b < 0 ? kEndOfFile : static_cast<char16_t>(b);
    }
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        const int first = NextByte();
        const int second = first < 0 ? -1 : NextByte();
        if (second < 0) return kEndOfFile;  // a lone last byte ends the file
        c = encoding_ == TextEncoding::Utf16LE ? static_cast<char16_t>(first | (second << 8))
                                               : static_cast<char16_t>((first << 8) | second);
        break;
    }
    case TextEncoding::Utf8:
        c = ReadUtf8();
        if (c == kEndOfFile) return c;
        break;
    }
    // The end-of-file mark cannot be text: a U+FFFF in the file reads as U+FFFD.
    return c == kEndOfFile ? kReplacementChar : c;
}

}  // namespace vorlan
