#include "library/format/FormatTime.h"

#include "value/Calendar.h"
#include "library/format/FormatField.h"
#include "library/format/FormatWords.h"
#include "value/Number.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace vorlan::library {
namespace {

enum class TimeField : uint8_t {
    Year,
    Month,
    Day,
    MonthName,
    Weekday,
    Suffix,
    Hour,
    Minute,
    Second,
    Fraction,
    HalfOfDay,
    Count,
};

// How the letters after a field's letter are read.
enum class Modifiers : uint8_t {
    Year,      // 2 for two digits, anything else the full year
    Numeric,   // z or p
    Clock,     // 1 or 2, then z or p
    Fraction,  // 1 or 2 digits, else three
    Word,      // word modifiers
};

struct FieldRow {
    TimeField field;
    char16_t letter;
    char16_t otherLetter;  // 0 when the field has only one
    bool needsDate;
    Modifiers modifiers;
};

// clang-format off
constexpr std::array<FieldRow, static_cast<size_t>(TimeField::Count)> kFields = {{
    {TimeField::Year,      u'Y', u'\0', true,  Modifiers::Year},
    {TimeField::Month,     u'M', u'\0', true,  Modifiers::Numeric},
    {TimeField::Day,       u'D', u'\0', true,  Modifiers::Numeric},
    {TimeField::MonthName, u'N', u'\0', true,  Modifiers::Word},
    {TimeField::Weekday,   u'W', u'\0', true,  Modifiers::Word},
    {TimeField::Suffix,    u'R', u'\0', true,  Modifiers::Word},
    {TimeField::Hour,      u'H', u'h',  false, Modifiers::Clock},
    {TimeField::Minute,    u'T', u'm',  false, Modifiers::Numeric},
    {TimeField::Second,    u'S', u's',  false, Modifiers::Numeric},
    {TimeField::Fraction,  u'F', u'f',  false, Modifiers::Fraction},
    {TimeField::HalfOfDay, u'A', u'a',  false, Modifiers::Word},
}};
// clang-format on

constexpr bool FieldsInOrder() {
    for (size_t i = 0; i < kFields.size(); ++i)
        if (static_cast<size_t>(kFields[i].field) != i || kFields[i].letter == u'\0') return false;
    return true;
}
static_assert(FieldsInOrder(), "field rows follow TimeField");

// Field letters are ASCII, so a table by character code finds a letter's
// field without a search; TimeField::Count marks a plain character.
constexpr std::array<TimeField, 128> kFieldOfLetter = [] {
    std::array<TimeField, 128> table{};
    table.fill(TimeField::Count);
    for (const FieldRow& row : kFields) {
        table[row.letter] = row.field;
        if (row.otherLetter != u'\0') table[row.otherLetter] = row.field;
    }
    return table;
}();

TimeField FieldOf(char16_t c) { return c < kFieldOfLetter.size() ? kFieldOfLetter[c] : TimeField::Count; }

constexpr std::u16string_view kDateTimeDefault = u"Y4-Mz-Dz@H2z:Tz:Sz";
constexpr std::u16string_view kTimeOfDayDefault = u"H2z:Tz:Sz";

struct TimeParts {
    bool hasDate = false;
    int32_t year = 0, month = 0, day = 0, weekday = 0;
    int32_t hour = 0, minute = 0, second = 0, millisecond = 0;
};

Status SplitParts(runtime::Time value, TimeParts* parts) {
    const runtime::Number dayNumber = runtime::TimeDay(value);
    parts->hasDate = !runtime::IsNull(dayNumber);
    if (parts->hasDate) {
        VL_PROPAGATE(SplitDay(dayNumber, &parts->year, &parts->month, &parts->day));
        runtime::Number weekday;
        VL_PROPAGATE(Weekday(dayNumber, &weekday));
        parts->weekday = runtime::IntegerOf(weekday);
    }
    return SplitTimeOfDay(runtime::TimeMillis(value), &parts->hour, &parts->minute, &parts->second,
                          &parts->millisecond);
}

// The result as it is collected; nothing goes beyond kMaxTimeText.
class TimeText {
public:
    // Room for `count` more characters, as spaces to write over, or nullptr.
    char16_t* Reserve(size_t count) {
        if (kMaxTimeText - count_ < count) return nullptr;
        char16_t* at = chars_.data() + count_;
        std::fill_n(at, count, u' ');
        count_ += count;
        return at;
    }
    bool Put(char16_t c) {
        char16_t* at = Reserve(1);
        if (at) *at = c;
        return at != nullptr;
    }
    // A value of 0..9999 in at least `width` characters, `fill` in front
    // ("%4d", "%02d", "%d").
    bool PutNumber(int32_t value, size_t width, char16_t fill) {
        char16_t digits[4];
        size_t count = 0;
        do {
            digits[count++] = static_cast<char16_t>(u'0' + value % 10);
            value /= 10;
        } while (value != 0 && count < 4);
        const size_t length = std::max(width, count);
        char16_t* at = Reserve(length);
        if (!at) return false;
        std::fill_n(at, length - count, fill);
        std::reverse_copy(digits, digits + count, at + length - count);
        return true;
    }
    bool Fits(size_t count) const { return kMaxTimeText - count_ >= count; }
    std::u16string_view View() const { return {chars_.data(), count_}; }

private:
    std::array<char16_t, kMaxTimeText> chars_;
    size_t count_ = 0;
};

// z: "%02d"; p: "%2d"; neither: "%d". Room for two is needed even for one digit.
bool PutNumeric(TemplateCursor& cursor, int32_t value, TimeText& text) {
    if (!text.Fits(2)) return false;
    if (cursor.Take(u'z')) return text.PutNumber(value, 2, u'0');
    if (cursor.Take(u'p')) return text.PutNumber(value, 2, u' ');
    return text.PutNumber(value, 1, u' ');
}

const char16_t* WordFor(TimeField field, const TimeParts& parts, const LanguageTables& words, WordForm form) {
    const int f = static_cast<int>(form);
    switch (field) {
    case TimeField::MonthName: return MonthName(words, parts.month, f);
    case TimeField::Weekday: return DayName(words, parts.weekday, f);
    case TimeField::Suffix: return DaySuffix(words, parts.day, f);
    case TimeField::HalfOfDay: return HalfOfDay(words, parts.hour, f);
    default: return nullptr;
    }
}

int32_t NumberFor(TimeField field, const TimeParts& parts) {
    switch (field) {
    case TimeField::Month: return parts.month;
    case TimeField::Day: return parts.day;
    case TimeField::Minute: return parts.minute;
    case TimeField::Second: return parts.second;
    default: return 0;
    }
}

// One field and the modifiers after its letter; false when the format is
// wrong there or the field does not fit.
bool PutField(const FieldRow& row, TemplateCursor& cursor, const TimeParts& parts, const LanguageTables& words,
              TimeText& text) {
    switch (row.modifiers) {
    case Modifiers::Year: {
        uint32_t digits = 4;
        cursor.ReadDecimal(&digits);
        return digits == 2 ? text.PutNumber(parts.year % 100, 2, u'0') : text.PutNumber(parts.year, 4, u' ');
    }
    case Modifiers::Numeric: return PutNumeric(cursor, NumberFor(row.field, parts), text);
    case Modifiers::Clock: {
        if (cursor.AtEnd()) return false;
        int32_t hour = parts.hour;
        if (cursor.Take(u'1')) hour = hour % 12 == 0 ? 12 : hour % 12;
        else cursor.Take(u'2');
        return PutNumeric(cursor, hour, text);
    }
    case Modifiers::Fraction: {
        uint32_t digits = 3;
        cursor.ReadDecimal(&digits);
        if (digits == 1) return text.PutNumber(parts.millisecond / 100, 1, u'0');
        if (digits == 2) return text.PutNumber(parts.millisecond / 10, 2, u'0');
        return text.PutNumber(parts.millisecond, 3, u'0');
    }
    case Modifiers::Word: {
        WordStyle style;
        if (!ReadWordStyle(cursor, &style)) return false;
        const std::u16string_view word = WordOf(WordFor(row.field, parts, words, style.form));
        char16_t* at = text.Reserve(StyledLength(style, word));
        if (at) WriteStyledWord(style, word, at);
        return at != nullptr;
    }
    }
    return false;
}

}  // namespace

Status FormatTime(runtime::Time value, const FormatText& format, const LanguageTables& words, void** block) {
    *block = nullptr;
    if (runtime::IsNullTime(value)) return MakeNullText(0, false, block);
    TimeParts parts;
    if (SplitParts(value, &parts) != Status::Success) return Status::Invalid;

    TemplateCursor cursor(format ? *format : parts.hasDate ? kDateTimeDefault : kTimeOfDayDefault);
    TimeText text;
    while (!cursor.AtEnd()) {
        const char16_t c = cursor.Next();
        if (c == u'\\') {
            if (cursor.AtEnd() || !text.Put(cursor.Next())) return Status::Invalid;
            continue;
        }
        const TimeField field = FieldOf(c);
        if (field == TimeField::Count) {
            if (!text.Put(c)) return Status::Invalid;
            continue;
        }
        const FieldRow& row = kFields[static_cast<size_t>(field)];
        if (row.needsDate && !parts.hasDate) return Status::Invalid;
        if (!PutField(row, cursor, parts, words, text)) return Status::Invalid;
    }
    return MakeFieldText(text.View(), 0, false, block);
}

}  // namespace vorlan::library
