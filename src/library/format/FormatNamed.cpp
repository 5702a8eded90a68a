#include "library/format/FormatNamed.h"

#include "library/format/FormatField.h"
#include "library/format/FormatWords.h"

namespace vorlan::library {
namespace {

enum class Shown { Number, Word, Neither };

// The first letter of the format, and with T the word modifiers after it;
// anything after those is ignored.
Shown ReadNamedFormat(const FormatText& format, WordStyle* style) {
    *style = WordStyle{};
    if (!format) return Shown::Word;
    TemplateCursor cursor(*format);
    switch (cursor.Next()) {
    case u'N': return Shown::Number;
    case u'T': return ReadWordStyle(cursor, style) ? Shown::Word : Shown::Neither;
    default: return Shown::Neither;
    }
}

}  // namespace

Status FormatLogical(runtime::Logical value, const FormatText& format, const LanguageTables& words, void** block) {
    *block = nullptr;
    if (value == runtime::kNullLogical) return MakeNullText(0, false, block);
    if (value != runtime::kTrue && value != runtime::kFalse) return Status::Invalid;
    WordStyle style;
    switch (ReadNamedFormat(format, &style)) {
    case Shown::Number: return MakeDecimalText(static_cast<int32_t>(value), block);
    case Shown::Word:
        return MakeStyledWordText(
            style, WordOf(TruthName(words, static_cast<int>(value), static_cast<int>(style.form))), block);
    case Shown::Neither: break;
    }
    return Status::Invalid;
}

Status FormatEnumeration(const EnumConstant* constant, const FormatText& format, void** block) {
    *block = nullptr;
    if (!constant) return MakeNullText(0, false, block);
    WordStyle style;
    switch (ReadNamedFormat(format, &style)) {
    case Shown::Number: return MakeDecimalText(constant->value, block);
    case Shown::Word: return MakeStyledWordText(style, constant->word, block);
    case Shown::Neither: break;
    }
    return Status::Invalid;
}

}  // namespace vorlan::library
