#include "library/datafiles/FieldReaders.h"
#include "value/NumberText.h"

#include "compiler/Identifiers.h"
#include "value/Types.h"
#include "base/WideText.h"
#include "value/Calendar.h"
#include "value/Number.h"
#include "value/Text.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace vorlan::library {
namespace {

bool SameNoCase(const char16_t* text, size_t count, const char16_t* word) {
    size_t i = 0;
    for (; i < count && word[i]; ++i) {
        if (AsciiLower(text[i]) != AsciiLower(word[i])) return false;
    }
    return i == count && word[i] == 0;
}

bool SameNoCase(const char16_t* text, size_t count, const char16_t* chars, size_t length) {
    if (count != length) return false;
    for (size_t i = 0; i < count; ++i) {
        if (AsciiLower(text[i]) != AsciiLower(chars[i])) return false;
    }
    return true;
}

// A word of a template field matches a name when the name begins with it,
// each character as the name's upper- or lower-case form has it.
bool BeginsName(const char16_t* word, size_t length, const LanguageTables& words, bool month, int index) {
    if (length == 0) return false;
    const char16_t* upper = month ? words.months[0][index] : words.halves[0][index];
    const char16_t* lower = month ? words.months[1][index] : words.halves[1][index];
    for (size_t i = 0; i < length; ++i) {
        const bool inUpper = WideLength(upper) > i && upper[i] == word[i];
        const bool inLower = WideLength(lower) > i && lower[i] == word[i];
        if (!inUpper && !inLower) return false;
    }
    return true;
}

// Walks a field text as a template directs.
class TimeScanner {
public:
    TimeScanner(const char16_t* text, size_t count) : text_(text), count_(count) {}

    bool AtEnd() const { return at_ >= count_; }
    bool Number(int32_t limit, int32_t* out) {
        while (at_ < count_ && !IsDecimalDigit(text_[at_])) ++at_;
        if (at_ >= count_) return false;
        int32_t value = 0;
        while (at_ < count_ && IsDecimalDigit(text_[at_])) {
            value = value * 10 + (text_[at_++] - u'0');
            if (value > limit) return false;
        }
        *out = value;
        return true;
    }
    bool Fraction(int32_t* millis) {
        while (at_ < count_ && !IsDecimalDigit(text_[at_])) ++at_;
        if (at_ >= count_) return false;
        int32_t value = 0;
        int digits = 0;
        for (; at_ < count_ && IsDecimalDigit(text_[at_]); ++at_, ++digits) {
            if (digits < 3) value = value * 10 + (text_[at_] - u'0');
        }
        for (; digits < 3; ++digits) value *= 10;
        *millis = value;
        return true;
    }
    // Up to `stop`, white space or the end; false when longer than a word may be.
    bool Word(char16_t stop, const char16_t** word, size_t* length) {
        const size_t start = at_;
        while (at_ < count_ && text_[at_] != stop && !IsBlank(text_[at_])) ++at_;
        *word = text_ + start;
        *length = at_ - start;
        return *length <= kTimeTemplateMax;
    }
    void SkipBlanks() {
        while (at_ < count_ && IsBlank(text_[at_])) ++at_;
    }
    bool PastNext(char16_t c) {
        while (at_ < count_ && text_[at_] != c) ++at_;
        if (at_ >= count_) return false;
        ++at_;
        return true;
    }

private:
    const char16_t* text_;
    size_t count_;
    size_t at_ = 0;
};

}  // namespace

Status ReadTruthText(const char16_t* text, size_t count, const LanguageTables& words, runtime::Logical* out) {
    *out = runtime::kNullLogical;
    for (int value = 0; value <= 1; ++value) {
        bool match = SameNoCase(text, count, value ? u"1" : u"0");
        for (int form = 0; form < kWordForms && !match; ++form)
            match = words.truth[form][value][0] && SameNoCase(text, count, words.truth[form][value]);
        if (match) {
            *out = value ? runtime::kTrue : runtime::kFalse;
            return Status::Success;
        }
    }
    return Status::Invalid;
}

Status ReadEnumText(const char16_t* text, size_t count, const compiler::TypeDescriptor& type,
                    const compiler::DataItem** out) {
    *out = nullptr;
    for (const compiler::DataItem* item = type.fields.first; item; item = item->next) {
        if (item->enumText &&
            SameNoCase(text, count, runtime::TextChars(item->enumText), runtime::TextCount(item->enumText))) {
            *out = item;
            return Status::Success;
        }
    }
    runtime::Number number = runtime::kNullNumber;
    if (ReadNumberText({text, count}, u'.', &number) == Status::Success && runtime::IsInteger(number)) {
        for (const compiler::DataItem* item = type.fields.first; item; item = item->next) {
            if (item->enumValue == runtime::IntegerOf(number)) {
                *out = item;
                return Status::Success;
            }
        }
    }
    for (const compiler::DataItem* item = type.fields.first; item; item = item->next) {
        if (item->entry && SameNoCase(text, count, item->entry->name)) {
            *out = item;
            return Status::Success;
        }
    }
    return Status::Invalid;
}

Status ReadTimeText(const char16_t* text, size_t count, const TimeTemplate& layout, const LanguageTables& words,
                    runtime::Time* out) {
    *out = runtime::kNullTime;
    TimeScanner scan(text, count);
    int32_t year = 0, month = 1, day = 1, hour = 0, minute = 0, second = 0, millis = 0;
    const char16_t* t = layout.text;
    for (; *t; ++t) {
        const char16_t next = t[1];
        const char16_t* word = nullptr;
        size_t length = 0;
        bool ok = true;
        switch (*t) {
            case u'Y':
                ok = scan.Number(9999, &year);
                if (ok && layout.pivot > 0 && year < 100) {
                    year += layout.pivot / 100 * 100;
                    if (year < layout.pivot) year += 100;
                }
                if (next == u'[') {
                    while (t[1] && t[1] != u']') ++t;
                    if (t[1]) ++t;
                }
                break;
            case u'M': ok = scan.Number(12, &month); break;
            case u'D': ok = scan.Number(31, &day); break;
            case u'H': case u'h': ok = scan.Number(23, &hour); break;
            case u'T': case u'm': ok = scan.Number(59, &minute); break;
            case u'S': case u's': ok = scan.Number(59, &second); break;
            case u'F': case u'f': ok = scan.Fraction(&millis); break;
            case u'N':
                ok = scan.Word(next, &word, &length);
                month = 0;
                for (int m = 0; ok && m < 12 && month == 0; ++m) {
                    if (BeginsName(word, length, words, true, m)) month = m + 1;
                }
                ok = ok && month != 0;
                break;
            case u'A': case u'a':
                ok = scan.Word(next, &word, &length);
                if (!ok) break;
                if (BeginsName(word, length, words, false, 0)) {
                    if (hour > 12) ok = false;
                    else if (hour == 12) hour = 0;
                } else if (BeginsName(word, length, words, false, 1)) {
                    if (hour == 0 || hour > 12) ok = false;
                    else if (hour < 12) hour += 12;
                } else {
                    ok = false;
                }
                break;
            case u'R': case u'W': scan.Word(next, &word, &length); break;
            case u' ': scan.SkipBlanks(); break;
            default: ok = scan.PastNext(*t); break;
        }
        if (!ok) return Status::Invalid;
    }
    runtime::Number dayNumber = runtime::kNullNumber;
    if (year != 0 && MakeDay(year, month, day, &dayNumber) != Status::Success) return Status::Invalid;
    runtime::Number timeOfDay = runtime::kNullNumber;
    if (MakeTimeOfDay(hour, minute, second, millis, &timeOfDay) != Status::Success) return Status::Invalid;
    *out = runtime::MakeTime(dayNumber, timeOfDay);
    return Status::Success;
}

}  // namespace vorlan::library
