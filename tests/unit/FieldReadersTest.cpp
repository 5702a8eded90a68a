// Field readers of data files at the edges the program tests leave out:
// what a Number field accepts, each clock limit of a time template, the
// halves of the day around 12, month words and templates that do not fit.

#include "base/LanguageTables.h"
#include "value/Calendar.h"
#include "library/datafiles/DataFormat.h"
#include "library/datafiles/FieldReaders.h"
#include "value/NumberText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vorlan::library {
namespace {

using runtime::Number;

std::u16string Wide(const char* text) { return std::u16string(text, text + std::char_traits<char>::length(text)); }

std::optional<Number> ReadNumber(const char* text, char16_t mark = u'.') {
    const std::u16string chars = Wide(text);
    Number n = 0;
    if (ReadNumberText({chars.data(), chars.size()}, mark, &n) != Status::Success) return std::nullopt;
    return n;
}

struct Parts {
    int32_t year, month, day, hour, minute, second, milli;
    bool operator==(const Parts&) const = default;
};

LanguageTables English() {
    LanguageTables words{};
    FillBuiltinLanguage(words);
    const char16_t* upper[] = {u"JANUARY", u"FEBRUARY", u"MARCH", u"APRIL", u"MAY", u"JUNE",
                               u"JULY", u"AUGUST", u"SEPTEMBER", u"OCTOBER", u"NOVEMBER", u"DECEMBER"};
    for (int m = 0; m < 12; ++m) {
        std::u16string lower(upper[m]);
        for (char16_t& c : lower) c = static_cast<char16_t>(c + 32);
        std::char_traits<char16_t>::copy(words.months[0][m], upper[m], std::char_traits<char16_t>::length(upper[m]) + 1);
        std::char_traits<char16_t>::copy(words.months[1][m], lower.c_str(), lower.size() + 1);
    }
    std::char_traits<char16_t>::copy(words.halves[0][0], u"AM", 3);
    std::char_traits<char16_t>::copy(words.halves[1][0], u"am", 3);
    std::char_traits<char16_t>::copy(words.halves[0][1], u"PM", 3);
    std::char_traits<char16_t>::copy(words.halves[1][1], u"pm", 3);
    return words;
}

std::optional<Parts> ReadTime(const char* layout, const char* text) {
    TimeTemplate form{};
    if (!SetTimeTemplate(Wide(layout).c_str(), form)) return std::nullopt;
    static const LanguageTables words = English();
    const std::u16string chars = Wide(text);
    runtime::Time time = 0;
    if (ReadTimeText(chars.data(), chars.size(), form, words, &time) != Status::Success) return std::nullopt;
    Parts parts{};
    const Number day = runtime::TimeDay(time);
    if (!runtime::IsNull(day)) {
        EXPECT_EQ(SplitDay(day, &parts.year, &parts.month, &parts.day), Status::Success);
    }
    EXPECT_EQ(SplitTimeOfDay(runtime::TimeMillis(time), &parts.hour, &parts.minute, &parts.second, &parts.milli),
              Status::Success);
    return parts;
}

TEST(FieldReaders, NumbersTakeOnlyDigitsSignsExponentAndTheMark) {
    EXPECT_EQ(ReadNumber("42"), runtime::MakeIntegerUnchecked(42));
    EXPECT_EQ(ReadNumber("-42"), runtime::MakeIntegerUnchecked(-42));
    EXPECT_EQ(ReadNumber("+42"), runtime::MakeIntegerUnchecked(42));
    EXPECT_EQ(ReadNumber("1,5", u','), runtime::MakeRealUnchecked(1.5f));
    EXPECT_EQ(ReadNumber("25e-1"), runtime::MakeRealUnchecked(2.5f));
    // Ten characters or more are read as a real, however whole.
    EXPECT_EQ(ReadNumber("1234567890"), runtime::MakeRealUnchecked(1234567890.0f));
    for (const char* bad : {"", "-", "e", "1.5", "1 5", "x1", "1e99", "1,5,5", "--"}) {
        EXPECT_EQ(ReadNumber(bad, u','), std::nullopt) << bad;
    }
    EXPECT_EQ(ReadNumber(std::string(201, '9').c_str()), std::nullopt);
}

TEST(FieldReaders, DefaultTemplateNeedsEveryPart) {
    EXPECT_EQ(ReadTime("Y-M-D h:m:s.f", "2020-01-02 10:11:12.5"), (Parts{2020, 1, 2, 10, 11, 12, 500}));
    EXPECT_EQ(ReadTime("Y-M-D h:m:s.f", "2020-01-02 10:11:12.0456"), (Parts{2020, 1, 2, 10, 11, 12, 45}));
    EXPECT_EQ(ReadTime("Y-M-D h:m:s.f", "2020-01-02 10:11:12"), std::nullopt);
    EXPECT_EQ(ReadTime("Y-M-D h:m:s.f", "2020-02-30 10:11:12.0"), std::nullopt);
    EXPECT_EQ(ReadTime("Y-M-D h:m:s.f", "2020-13-01 10:11:12.0"), std::nullopt);
    EXPECT_EQ(ReadTime("Y-M-D h:m:s.f", "2020-01-01 24:00:00.0"), std::nullopt);
    EXPECT_EQ(ReadTime("Y-M-D h:m:s.f", "2020-01-01 23:60:00.0"), std::nullopt);
    EXPECT_EQ(ReadTime("Y-M-D h:m:s.f", "10000-01-01 0:0:0.0"), std::nullopt);
    // No year: a time of day alone.
    EXPECT_EQ(ReadTime("h:m", "7:05"), (Parts{0, 0, 0, 7, 5, 0, 0}));
}

TEST(FieldReaders, PivotYearsAndMonthWords) {
    EXPECT_EQ(ReadTime("D/M/Y[1950]", "3/4/49"), (Parts{2049, 4, 3, 0, 0, 0, 0}));
    EXPECT_EQ(ReadTime("D/M/Y[1950]", "3/4/50"), (Parts{1950, 4, 3, 0, 0, 0, 0}));
    EXPECT_EQ(ReadTime("D/M/Y[1950]", "3/4/1849"), (Parts{1849, 4, 3, 0, 0, 0, 0}));
    EXPECT_EQ(ReadTime("N D Y", "Ma 1 2020"), (Parts{2020, 3, 1, 0, 0, 0, 0}));  // March comes before May
    EXPECT_EQ(ReadTime("N D Y", "SEPT 1 2020"), (Parts{2020, 9, 1, 0, 0, 0, 0}));
    EXPECT_EQ(ReadTime("N D Y", "Sepx 1 2020"), std::nullopt);
    EXPECT_EQ(ReadTime("W, D N Y", "Tuesday, 1 Sep 2020"), (Parts{2020, 9, 1, 0, 0, 0, 0}));
    for (const char* bad : {"Y[", "Y[]", "Y[10000]", "Y[19x]", "Y-M-D h:m:s.f and far too much!"}) {
        TimeTemplate form{};
        EXPECT_FALSE(SetTimeTemplate(Wide(bad).c_str(), form)) << bad;
    }
}

TEST(FieldReaders, HalvesOfTheDayAroundTwelve) {
    EXPECT_EQ(ReadTime("h:m A", "12:30 AM"), (Parts{0, 0, 0, 0, 30, 0, 0}));
    EXPECT_EQ(ReadTime("h:m A", "12:30 pm"), (Parts{0, 0, 0, 12, 30, 0, 0}));
    EXPECT_EQ(ReadTime("h:m A", "1:30 p"), (Parts{0, 0, 0, 13, 30, 0, 0}));
    EXPECT_EQ(ReadTime("h:m A", "0:30 PM"), std::nullopt);
    EXPECT_EQ(ReadTime("h:m A", "13:30 AM"), std::nullopt);
    EXPECT_EQ(ReadTime("h:m A", "11:30"), std::nullopt);
    EXPECT_EQ(ReadTime("h:m A", "11:30 noon"), std::nullopt);
}

}  // namespace
}  // namespace vorlan::library
