#pragma once
// Words in formatted text: truth words, enumeration names, month and weekday
// names, day suffixes and the halves of the day. The letters after a word's
// place in a format modify it, in this order, each optional:
//
//   [width] [u | l | c | d] [p] [r]
//
// width cuts the word to at most that many characters (0: as it is); the
// form letter picks the upper-case, lower-case, capitalised or default form
// of the language's word; p pads the word with spaces to exactly the width,
// after the word or, with r, before it.

#include "base/LanguageTables.h"
#include "base/Status.h"
#include "library/format/FormatTemplate.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorlan::library {

struct WordStyle {
    uint32_t width = 0;
    WordForm form = WordForm::Default;
    bool pad = false;
    bool right = false;
};

// Reads the modifiers at the cursor; false when the width is wider than any
// text.
bool ReadWordStyle(TemplateCursor& cursor, WordStyle* style);

// The characters the word takes once styled.
size_t StyledLength(const WordStyle& style, std::u16string_view word);
// Writes the styled word over StyledLength characters of spaces at `field`.
void WriteStyledWord(const WordStyle& style, std::u16string_view word, char16_t* field);
// The styled word as a text of its own.
Status MakeStyledWordText(const WordStyle& style, std::u16string_view word, void** block);

// A language-table entry as a view; a missing entry is an empty word.
inline std::u16string_view WordOf(const char16_t* entry) {
    return entry ? std::u16string_view(entry) : std::u16string_view();
}

}  // namespace vorlan::library
