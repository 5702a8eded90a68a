// Formatting values as text: the number format grammar and the integer and
// real forms, word modifiers on truth words and enumeration names, and time
// templates with every field letter, their limits and their refusals.

#include "driver/LanguageTables.h"
#include "library/Calendar.h"
#include "library/FormatNamed.h"
#include "library/FormatNumber.h"
#include "library/FormatTime.h"
#include "runtime/Text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vorlan::library {
namespace {

using runtime::Number;

constexpr Number I(int32_t value) { return runtime::MakeIntegerUnchecked(value); }
constexpr Number R(float value) { return runtime::MakeRealUnchecked(value); }
constexpr const char* kNone = nullptr;  // no format given
constexpr const char* kFails = nullptr;  // the formatter gives no text

// Formats here are ASCII; the program's text is UTF-16.
struct Format {
    explicit Format(const char* ascii) : given(ascii != nullptr) {
        for (const char* c = ascii; c && *c; ++c) chars += static_cast<char16_t>(*c);
    }
    FormatText Text() const { return given ? FormatText(chars) : std::nullopt; }
    bool given;
    std::u16string chars;
};

// The block as ASCII (anything else as '?'), freed; nullopt when the
// formatter gave none.
std::optional<std::string> Take(Status status, void* block) {
    if (status != Status::Success) {
        EXPECT_EQ(block, nullptr);
        return std::nullopt;
    }
    EXPECT_NE(block, nullptr);
    if (!block) return std::nullopt;
    std::string text;
    for (uint16_t i = 0; i < runtime::TextCount(block); ++i) {
        const char16_t c = runtime::TextChars(block)[i];
        text += c < 128 ? static_cast<char>(c) : '?';
    }
    runtime::FreeText(block);
    return text;
}

void ExpectText(const std::optional<std::string>& got, const char* expected) {
    if (!expected) {
        EXPECT_FALSE(got.has_value()) << "gave \"" << got.value_or("") << '"';
    } else {
        ASSERT_TRUE(got.has_value());
        EXPECT_EQ(*got, expected);
    }
}

const LanguageTables& BuiltinWords() {
    static const LanguageTables tables = [] {
        LanguageTables t{};
        FillBuiltinLanguage(t);
        return t;
    }();
    return tables;
}

std::optional<std::string> NumberText(Number value, const char* format) {
    void* block = nullptr;
    const Status status = FormatNumber(value, Format(format).Text(), &block);
    return Take(status, block);
}

struct NumberRow {
    Number value;
    const char* format;
    const char* expected;
};

void CheckNumbers(const NumberRow* rows, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const NumberRow& row = rows[i];
        SCOPED_TRACE(testing::Message() << "row " << i << " format " << (row.format ? row.format : "(none)"));
        ExpectText(NumberText(row.value, row.format), row.expected);
    }
}

TEST(FormatNumber, Grammar) {
    const NumberRow rows[] = {
        {I(42), kNone, "42"},               {R(3.5f), kNone, "3.500000"},
        {R(3.5f), "R0.2", "3.50"},          {R(3.5f), "R.2", "3.500000"},  // a precision needs a width
        {R(3.25f), "R8.z", "3.250000"},     // "." without digits: the rest is left over
        {I(12), "I5 r", "12   "},           // flags stop at the space; the r is left over
        {I(12), "I5r#16 x", "    C"},       {I(1), "I3p", "1  "},
        {I(1), "X", kFails},                {I(1), "i", kFails},
        {I(1), "", kFails},                 {I(1), "+I", kFails},
        {I(1), "I3x", kFails},              {I(1), "I3Z", kFails},
        {I(1), "I#", kFails},               {I(1), "I#1", kFails},
        {I(1), "I#33", kFails},             {I(1), "I65536", kFails},
        {I(1), "R0.65536", kFails},         {I(1), "I99999999999999999999", kFails},
    };
    CheckNumbers(rows, std::size(rows));
}

TEST(FormatNumber, IntegerForm) {
    const NumberRow rows[] = {
        {I(-42), "I8z", "-0000042"},        {I(-42), "I8r", "     -42"},
        {I(-42), "I8", "-42     "},         {I(7), "I+", "+7"},
        {I(0), "I", "0"},                   {I(0), "I+3z", "+00"},
        {R(2.5f), "I", "3"},                {R(-2.5f), "I", "-3"},
        {R(1e20f), "I", kFails},            {I(7), "N", "7"},
        {I(1234567), "It", "1,234,567"},    {I(-123456), "It", "-123,456"},
        {I(123), "It", "123"},              {I(255), "I#16", "FF"},
        {I(5), "I#2", "101"},               {I(31), "I#32", "V"},
        {I(-1073741823), "I#2", "-111111111111111111111111111111"},
        {I(1073741823), "I#32", "VVVVVV"},  {I(4096), "It#16", "1,000"},
        // Zero padding continues the grouping; a field one short of the next
        // separator keeps a space instead.
        {I(1234), "I6tz", "01,234"},        {I(1234), "I7tz", "001,234"},
        {I(1234), "I8tz", "001,234 "},      {I(1234), "I9tz", "0,001,234"},
        {I(-5), "I6tzr", "-0,005"},         {I(123), "I4tzr", " 123"},
        {I(1234), "I2z", "1234"},           {I(-7), "I1z", "-7"},
    };
    CheckNumbers(rows, std::size(rows));
}

TEST(FormatNumber, RealForms) {
    const NumberRow rows[] = {
        {R(1234.5f), "E+0.2", "+1.23e+03"},       {R(1234.5f), "E", "1.234500e+03"},
        {R(0.00012f), "E0.1", "1.2e-04"},         {I(7), "R0.1", "7.0"},
        {I(7), "E0.0", "7e+00"},                  {R(-0.0f), "R0.1", "-0.0"},
        {R(3.5f), "R+", "+3.500000"},             {R(-3.5f), "N#16", "-3.500000"},  // the radix is for whole numbers
        {R(3.5f), "R8.2r", "    3.50"},           {R(3.5f), "R8.2z", "3.50    "},
        // With zero padding and right alignment a leading sign goes first and
        // zeros fill behind it; an unsigned text keeps its spaces, and the
        // sign of an exponent is not the number's.
        {R(-3.5f), "R10zr", "-03.500000"},        {R(3.5f), "R+8.2zr", "+0003.50"},
        {R(3.5f), "R8.2zr", "    3.50"},          {R(1234.5f), "E12.2zr", "    1.23e+03"},
        {R(-1234.5f), "E12.2zr", "-0001.23e+03"},
        // Never cut: every digit printf gives is kept.
        {R(1e20f), "R", "100000002004087734272.000000"},
        {R(12345.678f), "R0.10", "12345.6777343750"},
    };
    CheckNumbers(rows, std::size(rows));
}

TEST(FormatNumber, NullAndWideFields) {
    const NumberRow rows[] = {
        {runtime::kNullNumber, "I6r", "  Null"}, {runtime::kNullNumber, "R6", "Null  "},
        {runtime::kNullNumber, "I2", "Null"},    {runtime::kNullNumber, kNone, "Null"},
        {runtime::kNullNumber, "X", kFails},
    };
    CheckNumbers(rows, std::size(rows));
    // The widest field a text holds, and places beyond what printf is asked
    // for: zeros, before the exponent.
    EXPECT_EQ(NumberText(I(1), "I65535r").value_or("").size(), 65535u);
    EXPECT_FALSE(NumberText(I(1), "R0.65535").has_value());  // longer than a text
    const std::string places = NumberText(R(1.5f), "E0.160").value_or("");
    EXPECT_EQ(places, "1.5" + std::string(159, '0') + "e+00");
}

std::optional<std::string> LogicalText(runtime::Logical value, const char* format) {
    void* block = nullptr;
    const Status status = FormatLogical(value, Format(format).Text(), BuiltinWords(), &block);
    return Take(status, block);
}

TEST(FormatLogical, NumbersWordsAndModifiers) {
    struct Row {
        runtime::Logical value;
        const char* format;
        const char* expected;
    };
    const Row rows[] = {
        {runtime::kTrue, kNone, "vera"},     {runtime::kFalse, kNone, "malvera"},
        {runtime::kTrue, "N", "1"},          {runtime::kFalse, "N8pr", "0"},  // the rest of an N format is ignored
        {runtime::kTrue, "T", "vera"},       {runtime::kTrue, "Tu", "VERA"},
        {runtime::kTrue, "Tl", "vera"},      {runtime::kFalse, "Tc", "Malvera"},
        {runtime::kTrue, "Td", "vera"},      {runtime::kTrue, "T3p", "ver"},
        {runtime::kTrue, "T3", "ver"},       {runtime::kTrue, "T8pr", "    vera"},
        {runtime::kTrue, "T8p", "vera    "}, {runtime::kTrue, "T8", "vera"},
        {runtime::kTrue, "T8r", "vera"},     {runtime::kTrue, "T0p", "vera"},
        {runtime::kTrue, "T6cpr", "  Vera"}, {runtime::kTrue, "Tpu", "vera"},  // modifiers keep their order
        {runtime::kTrue, "T65536", kFails},  {runtime::kTrue, "X", kFails},
        {runtime::kTrue, "", kFails},        {runtime::kTrue, "t", kFails},
        {runtime::kNullLogical, "X", "Null"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "format " << (row.format ? row.format : "(none)"));
        ExpectText(LogicalText(row.value, row.format), row.expected);
    }
}

TEST(FormatEnumeration, ValueOrWordInOneForm) {
    const EnumConstant blue{-5, u"Blue"};
    struct Row {
        const EnumConstant* constant;
        const char* format;
        const char* expected;
    };
    const Row rows[] = {
        {&blue, kNone, "Blue"}, {&blue, "N", "-5"},   {&blue, "Tu", "Blue"}, {&blue, "T2", "Bl"},
        {&blue, "T6pr", "  Blue"}, {&blue, "Q", kFails}, {nullptr, kNone, "Null"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "format " << (row.format ? row.format : "(none)"));
        void* block = nullptr;
        const Status status = FormatEnumeration(row.constant, Format(row.format).Text(), &block);
        ExpectText(Take(status, block), row.expected);
    }
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
    void* block = nullptr;
    const Status status = FormatTime(value, Format(format).Text(), BuiltinWords(), &block);
    return Take(status, block);
}

TEST(FormatTime, FieldsAndModifiers) {
    const runtime::Time full = At(2026, 12, 8, 6, 15, 29, 123);  // a Tuesday
    const runtime::Time afternoon = At(2005, 3, 1, 13, 5, 9, 7);
    const runtime::Time early = At(99, 7, 4, 0, 30, 0, 0);
    const runtime::Time clock = At(0, 0, 0, 6, 15, 29, 123);
    struct Row {
        runtime::Time value;
        const char* format;
        const char* expected;
    };
    const Row rows[] = {
        {full, kNone, "2026-12-08@06:15:29"},  {clock, kNone, "06:15:29"},
        {full, "", ""},                        {runtime::kNullTime, "Q\\", "Null"},
        {afternoon, "Y2", "05"},               {early, "Y", "  99"},
        {early, "Y4", "  99"},                 {early, "Y24", "  99"},
        {early, "Y02", "99"},                  {full, "M/D", "12/8"},
        {early, "Mz/Dz", "07/04"},             {early, "Mp/Dp", " 7/ 4"},
        {early, "H1", "12"},                   {afternoon, "H1z", "01"},
        {afternoon, "H2", "13"},               {afternoon, "H3", "133"},  // 3 is not a clock: copied
        {early, "Hz:Tz", "00:30"},             {afternoon, "h:m:s", "13:5:9"},
        {afternoon, "hp:mp:sp", "13: 5: 9"},   {full, "F1 F2 F F3 F9 f", "1 12 123 123 123 123"},
        {afternoon, "F1F2F", "000007"},         {afternoon, "S.F", "9.007"},
        {full, "A a Au Ac", "atm atm ATM Atm"}, {afternoon, "Ac", "Ptm"},
        // Modifiers keep their order: in Nc3 the 3 comes after the form and is copied.
        {full, "N Nu Nc3 N8pr", "decembro DECEMBRO Decembro3 decembro"},
        {full, "Wc R", "Mardo a"},             {afternoon, "Wu", "MARDO"},
        {full, "\\Y\\\\Y", "Y\\2026"},         {full, "yd-mo", "yd-15o"},
        {clock, "Hz:Tz:Sz.F A", "06:15:29.123 atm"},
        // Fields of the date refuse a time of day alone.
        {clock, "D", kFails},                  {clock, "Y", kFails},
        {clock, "M", kFails},                  {clock, "N", kFails},
        {clock, "W", kFails},                  {clock, "R", kFails},
        // A backslash needs a character after it; H needs a letter after it.
        {full, "Y\\", kFails},                 {full, "H", kFails},
        {full, "Hz", "06"},                    {full, "N65536", kFails},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "format " << (row.format ? row.format : "(none)"));
        ExpectText(TimeText(row.value, row.format), row.expected);
    }
}

TEST(FormatTime, SixtyFourCharactersAtMost) {
    const runtime::Time full = At(2026, 12, 8, 6, 15, 29, 123);
    const std::string fill63(63, '.');
    struct Row {
        std::string format;
        bool fits;
    };
    const Row rows[] = {
        {fill63 + ".", true},         {fill63 + "..", false},
        {fill63 + "\\Y", true},       {fill63.substr(2) + "Tz", true},
        {fill63 + "T", false},        // one digit, but a numeric field needs room for two
        {fill63.substr(3) + "Y", true}, {fill63.substr(2) + "Y", false},
        {fill63.substr(3) + "N5p", false}, {fill63.substr(3) + "N4p", true},
        {fill63 + "F1", true},        {fill63 + "F2", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.format);
        const auto got = TimeText(full, row.format.c_str());
        EXPECT_EQ(got.has_value(), row.fits);
        if (got) {
            EXPECT_LE(got->size(), kMaxTimeText);
        }
    }
}

}  // namespace
}  // namespace vorlan::library
