#include "library/format/FormatWords.h"

#include "value/Text.h"

#include <algorithm>

namespace vorlan::library {
namespace {

bool ReadForm(TemplateCursor& cursor, WordForm* form) {
    switch (cursor.Peek()) {
    case u'u': *form = WordForm::Upper; break;
    case u'l': *form = WordForm::Lower; break;
    case u'c': *form = WordForm::Capitalised; break;
    case u'd': *form = WordForm::Default; break;
    default: return false;
    }
    cursor.Next();
    return true;
}

// The part of the word that shows: all of it, or at most `width` characters.
std::u16string_view Shown(const WordStyle& style, std::u16string_view word) {
    return style.width == 0 ? word : word.substr(0, style.width);
}

}  // namespace

bool ReadWordStyle(TemplateCursor& cursor, WordStyle* style) {
    *style = WordStyle{};
    if (cursor.ReadDecimal(&style->width) && style->width > kMaxFieldWidth) return false;
    ReadForm(cursor, &style->form);
    style->pad = cursor.Take(u'p');
    style->right = cursor.Take(u'r');
    return true;
}

// Padding needs a width: "p" alone leaves the word as it is.
size_t StyledLength(const WordStyle& style, std::u16string_view word) {
    return style.pad && style.width > 0 ? style.width : Shown(style, word).size();
}

void WriteStyledWord(const WordStyle& style, std::u16string_view word, char16_t* field) {
    const std::u16string_view shown = Shown(style, word);
    const size_t start = style.right ? StyledLength(style, word) - shown.size() : 0;
    std::copy(shown.begin(), shown.end(), field + start);
}

Status MakeStyledWordText(const WordStyle& style, std::u16string_view word, void** block) {
    VL_PROPAGATE(runtime::MakeBlankText(StyledLength(style, word), block));
    WriteStyledWord(style, word, runtime::TextChars(*block));
    return Status::Success;
}

}  // namespace vorlan::library
