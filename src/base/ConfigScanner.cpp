#include "base/ConfigScanner.h"

#include "base/TextReader.h"
#include "base/WideText.h"

namespace vorlan {
namespace {

bool IsWordChar(char16_t c) { return IsAsciiLetter(c) || IsDecimalDigit(c); }

// "[" has been taken: letters up to "]".
ConfigToken ScanSection(TextReader& reader, char16_t* text) {
    size_t n = 0;
    for (char16_t c = reader.current; c != u']'; c = reader.Advance()) {
        if (!IsAsciiLetter(c)) {
            FileReport(&reader, nullptr, Msg::BadSectionChar, nullptr);
            if (c != kEndOfFile) reader.Advance();
            return ConfigToken::None;
        }
        if (n == kConfigTokenMax) {
            FileReport(&reader, nullptr, Msg::SectionNameTooLong, nullptr);
            return ConfigToken::None;
        }
        text[n++] = c;
    }
    text[n] = 0;
    reader.Advance();
    return ConfigToken::Section;
}

// The opening quote has been taken: everything up to the same quote.
ConfigToken ScanQuoted(TextReader& reader, char16_t quote, char16_t* text) {
    size_t n = 0;
    for (char16_t c = reader.current; c != quote; c = reader.Advance()) {
        if (c == kEndOfFile) {
            FileReport(&reader, nullptr, Msg::UnterminatedQuote, nullptr);
            return ConfigToken::None;
        }
        if (c == u'\n') FileReport(&reader, nullptr, Msg::UnterminatedQuote, nullptr);  // kept, and the scan goes on
        if (n == kConfigTokenMax) {
            FileReport(&reader, nullptr, Msg::TokenTooLong, nullptr);
            return ConfigToken::None;
        }
        text[n++] = c;
    }
    text[n] = 0;
    reader.Advance();
    return ConfigToken::Quoted;
}

ConfigToken ScanWord(TextReader& reader, char16_t* text) {
    size_t n = 0;
    for (char16_t c = reader.current; IsWordChar(c); c = reader.Advance()) {
        if (n == kConfigTokenMax) {
            FileReport(&reader, nullptr, Msg::TokenTooLong, nullptr);
            return ConfigToken::None;
        }
        text[n++] = c;
    }
    text[n] = 0;
    return ConfigToken::Word;
}

}  // namespace

ConfigToken ScanConfigToken(TextReader& reader, char16_t* text) {
    text[0] = 0;
    const char16_t c = reader.SkipBlanks();
    if (c == kEndOfFile) return ConfigToken::EndOfFile;
    if (IsWordChar(c)) return ScanWord(reader, text);
    reader.Advance();
    switch (c) {
    case u'[':
        if (reader.current == u'=') {
            reader.Advance();
            return ConfigToken::CommentStart;
        }
        return ScanSection(reader, text);
    case u'"':
    case u'\'': return ScanQuoted(reader, c, text);
    case u'=': return ConfigToken::Equals;
    case u';': return ConfigToken::Semicolon;
    case u',': return ConfigToken::Comma;
    case u':': return ConfigToken::Colon;
    default: return ConfigToken::None;
    }
}

}  // namespace vorlan
