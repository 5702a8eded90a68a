// Formatting values as text, the corners the program tests leave out: the
// number format grammar, zero padding among separators, printf's widest
// reals, word modifiers in their order, and time templates at their limits.

#include "base/LanguageTables.h"
#include "base/Memory.h"
#include "value/Calendar.h"
#include "library/format/FormatNamed.h"
#include "library/format/FormatNumber.h"
#include "library/format/FormatTime.h"
#include "value/Text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vorlan::library {
namespace {

using runtime::Number;

constexpr Number I(int32_t value) { return runtime::MakeIntegerUnchecked(value); }
constexpr Number R(float value) { return runtime::MakeRealUnchecked(value); }
constexpr const char* kFails = nullptr;  // the formatter gives no text

// The formats here are ASCII, the results compared as ASCII ('?' for any
// other character); nullopt when the formatter gave no text.
template <class Formatter>
std::optional<std::string> Formatted(const char* format, Formatter formatter) {
    std::u16string chars(format, format + std::char_traits<char>::length(format));
    void* block = nullptr;
    if (formatter(FormatText(chars), &block) != Status::Success) {
        EXPECT_EQ(block, nullptr);
        return std::nullopt;
    }
    std::string text;
    for (uint16_t i = 0; i < runtime::TextCount(block); ++i) {
        const char16_t c = runtime::TextChars(block)[i];
        text += c < 128 ? static_cast<char>(c) : '?';
    }
    runtime::FreeText(block);
    return text;
}

std::optional<std::string> NumberText(Number value, const char* format) {
    return Formatted(format, [value](const FormatText& f, void** block) { return FormatNumber(value, f, block); });
}

const LanguageTables& Words() {
    static const LanguageTables tables = [] {
        LanguageTables t{};
        FillBuiltinLanguage(t);
        return t;
    }();
    return tables;
}

struct Row {
    Number value;
    const char* format;
    const char* expected;
};

void Check(const std::optional<std::string>& got, const char* expected) {
    if (expected) EXPECT_EQ(got.value_or("(no text)"), expected);
    else EXPECT_FALSE(got.has_value()) << "gave \"" << *got << '"';
}

TEST(FormatNumber, GrammarAndForms) {
    const Row rows[] = {
        // What the grammar leaves over is ignored; what it cannot read spoils it.
        {R(3.25f), "R8.z", "3.250000"},   {I(12), "I5 r", "12   "},     {I(12), "I5r#16 x", "    C"},
        {I(1), "X", kFails},              {I(1), "i", kFails},          {I(1), "", kFails},
        {I(1), "+I", kFails},             {I(1), "I3x", kFails},        {I(1), "I3Z", kFails},
        {I(1), "I#", kFails},             {I(1), "I#1", kFails},        {I(1), "I65536", kFails},
        {I(1), "R0.65536", kFails},       {I(1), "I99999999999999999999", kFails},
        {runtime::kNullNumber, "X", kFails},
        // Integer form.
        {R(-2.5f), "I", "-3"},            {R(1e20f), "I", kFails},      {I(0), "I+3z", "+00"},
        {I(-123456), "It", "-123,456"},   {I(31), "I#32", "V"},         {I(4096), "It#16", "1,000"},
        {I(-1073741823), "I#2", "-111111111111111111111111111111"},
        // Zero padding continues the grouping; a field one short of the next
        // separator keeps a space instead of overflowing by a comma.
        {I(1234), "I6tz", "01,234"},      {I(1234), "I8tz", "001,234 "}, {I(-5), "I6tzr", "-0,005"},
        {I(123), "I4tzr", " 123"},        {I(-7), "I1z", "-7"},
        // Real forms; an integer Number is made real first, and the radix is
        // for whole numbers only.
        {R(0.00012f), "E0.1", "1.2e-04"}, {I(7), "E0.0", "7e+00"},      {R(-0.0f), "R0.1", "-0.0"},
        {R(-3.5f), "N#16", "-3.500000"},  {R(3.5f), "R8.2z", "3.50    "},
        // Zero padding with right alignment moves a leading sign to the
        // front; an unsigned text keeps its spaces, and an exponent's sign is
        // not the number's.
        {R(-3.5f), "R10zr", "-03.500000"}, {R(3.5f), "R+8.2zr", "+0003.50"}, {R(3.5f), "R8.2zr", "    3.50"},
        {R(1234.5f), "E12.2zr", "    1.23e+03"},
        {R(12345.678f), "R0.10", "12345.6777343750"},  // never cut short
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.format);
        Check(NumberText(row.value, row.format), row.expected);
    }
    // The widest field, and places beyond what printf is asked for: zeros,
    // before the exponent.
    EXPECT_EQ(NumberText(I(1), "I65535r").value_or("").size(), 65535u);
    EXPECT_FALSE(NumberText(I(1), "R0.65535").has_value());  // longer than a text holds
    EXPECT_EQ(NumberText(R(1.5f), "E0.160"), "1.5" + std::string(159, '0') + "e+00");
}

TEST(FormatLogical, WordModifiersInTheirOrder) {
    const Row rows[] = {
        {runtime::kFalse, "N8pr", "0"},  // the rest of an N format is ignored
        {runtime::kTrue, "T8", "vera"},  {runtime::kTrue, "T8r", "vera"},  // no p: only cut
        {runtime::kTrue, "T0p", "vera"}, {runtime::kTrue, "T6cpr", "  Vera"},
        {runtime::kTrue, "Tpu", "vera"}, {runtime::kTrue, "T65536", kFails},
        {runtime::kTrue, "t", kFails},   {runtime::kTrue, "", kFails},
        {runtime::kNullLogical, "X", "Null"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.format);
        Check(Formatted(row.format,
                  [&row](const FormatText& f, void** block) { return FormatLogical(row.value, f, Words(), block); }),
              row.expected);
    }
    // Enumeration words have one form.
    const EnumConstant blue{-5, u"Blue"};
    Check(Formatted("Tu", [&](const FormatText& f, void** block) { return FormatEnumeration(&blue, f, block); }), "Blue");
}

runtime::Time At(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second,
                 int32_t millisecond) {
    Number date = runtime::kNullNumber, time = runtime::kNullNumber;
    if (year != 0) {
        EXPECT_EQ(MakeDay(year, month, day, &date), Status::Success);
    }
    EXPECT_EQ(MakeTimeOfDay(hour, minute, second, millisecond, &time), Status::Success);
    return runtime::MakeTime(date, time);
}

std::optional<std::string> TimeText(runtime::Time value, const char* format) {
    return Formatted(format, [value](const FormatText& f, void** block) { return FormatTime(value, f, Words(), block); });
}

TEST(FormatTime, FieldCorners) {
    const runtime::Time full = At(2026, 12, 8, 6, 15, 29, 123);
    const runtime::Time afternoon = At(2005, 3, 1, 13, 5, 9, 7);
    const runtime::Time clock = At(0, 0, 0, 6, 15, 29, 123);
    struct TimeRow {
        runtime::Time value;
        const char* format;
        const char* expected;
    };
    const TimeRow rows[] = {
        {full, "", ""},                      {runtime::kNullTime, "Q\\", "Null"},
        {full, "Y24 Y02", "2026 26"},        {full, "M/D Mp/Dp", "12/8 12/ 8"},
        {afternoon, "H3", "133"},            {afternoon, "hp:mp:sp", "13: 5: 9"},  // 3 is no clock: copied
        {afternoon, "F1F2F f9", "000007 007"}, {full, "A a Au Ac", "atm atm ATM Atm"},
        {full, "Nc3 N8pr", "Decembro3 decembro"},  // the width comes before the form
        {full, "yd-mo", "yd-15o"},           {full, "\\Y\\\\Y", "Y\\2026"},
        {clock, "M", kFails},                {clock, "N", kFails},
        {clock, "W", kFails},                {clock, "R", kFails},
        {clock, "Y", kFails},                {full, "Y\\", kFails},
        {full, "H", kFails},                 {full, "N65536", kFails},
    };
    for (const TimeRow& row : rows) {
        SCOPED_TRACE(row.format);
        Check(TimeText(row.value, row.format), row.expected);
    }
}

TEST(FormatTime, SixtyFourCharactersAtMost) {
    const runtime::Time full = At(2026, 12, 8, 6, 15, 29, 123);
    const std::string fill(60, '.');
    const struct {
        std::string format;
        bool fits;
    } rows[] = {
        {fill + "....", true},  {fill + ".....", false}, {fill + "...\\Y", true},
        {fill + "..Tz", true},  {fill + "...T", false},  // a number needs room for two, even for one digit
        {fill + "N4p", true},   {fill + "N5p", false},   {fill + "...F1", true},
        {fill + "...F2", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.format);
        EXPECT_EQ(TimeText(full, row.format.c_str()).has_value(), row.fits);
    }
}

// Each formatter makes one block; when it cannot, it gives nothing.
TEST(FormatMemory, NoBlockGivesNoText) {
    const runtime::Time full = At(2026, 12, 8, 6, 15, 29, 123);
    for (const char* format : {"I", "R"}) {
        MemFailAllocationAt(1);
        EXPECT_FALSE(NumberText(I(5), format).has_value());
    }
    MemFailAllocationAt(1);
    EXPECT_FALSE(TimeText(full, "Y").has_value());
    MemFailAllocationAt(0);
    EXPECT_EQ(TimeText(full, "Y"), "2026");
}

}  // namespace
}  // namespace vorlan::library
