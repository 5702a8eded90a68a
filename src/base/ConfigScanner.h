#pragma once
// The token scanner of configuration-style files: the main and further
// configuration files, language files and data format files.

#include <cstddef>

namespace vorlan {

struct TextReader;

enum class ConfigToken {
    None,  // a character that starts no token, or a token in error
    EndOfFile,
    Section,
    Word,
    Quoted,
    CommentStart,
    Equals,
    Semicolon,
    Comma,
    Colon,
};

// Longest word, quoted value or section name; one more is an error.
constexpr size_t kConfigTokenMax = 101;

constexpr bool IsConfigValue(ConfigToken token) { return token == ConfigToken::Word || token == ConfigToken::Quoted; }

// Scans the next token, filling `text` (kConfigTokenMax + 1 places) for words,
// quoted values and section names. A character that starts no token is taken,
// so that scanning always moves on.
ConfigToken ScanConfigToken(TextReader& reader, char16_t* text);

}  // namespace vorlan
