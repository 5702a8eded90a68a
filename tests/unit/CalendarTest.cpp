// Day numbers, times of day and the date and time literal texts: fixed
// points of the calendar, the leap-day corners of the 4- and 400-year
// cycles, every day of the range round-tripping, and texts refused whole.

#include "library/Calendar.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace vorlan::library {
namespace {

using runtime::Number;

constexpr Number I(int32_t value) { return runtime::MakeIntegerUnchecked(value); }
constexpr Number kNull = runtime::kNullNumber;
constexpr Number kJunk = 0x12345u;  // stands for whatever the result held before
constexpr Number kReal = runtime::MakeRealUnchecked(730425.0f);

TEST(Calendar, MakeDayCountsFromMarchOfYearZero) {
    struct Row {
        int32_t year, month, day;
        Status status;
        Number expected;
    };
    const Row rows[] = {
        {1, 1, 1, Status::Success, I(306)},           {1, 3, 1, Status::Success, I(365)},
        {4, 2, 29, Status::Success, I(1460)},         {400, 2, 29, Status::Success, I(146096)},
        {1900, 2, 28, Status::Success, I(693959)},    {1900, 3, 1, Status::Success, I(693960)},
        {2000, 1, 1, Status::Success, I(730425)},     {2000, 2, 29, Status::Success, I(730484)},
        {2024, 2, 29, Status::Success, I(739250)},    {9999, 12, 31, Status::Success, I(3652364)},
        {1900, 2, 29, Status::BadParam, kNull},       {2023, 2, 29, Status::BadParam, kNull},
        {0, 12, 31, Status::BadParam, kNull},         {10000, 1, 1, Status::BadParam, kNull},
        {2000, 0, 1, Status::BadParam, kNull},        {2000, 13, 1, Status::BadParam, kNull},
        {2000, 4, 31, Status::BadParam, kNull},       {2000, 1, 0, Status::BadParam, kNull},
        {-2000, 1, 1, Status::BadParam, kNull},       {2000, 1, -1, Status::BadParam, kNull},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.year << '-' << row.month << '-' << row.day);
        Number out = kJunk;
        EXPECT_EQ(MakeDay(row.year, row.month, row.day, &out), row.status);
        EXPECT_EQ(out, row.expected);
    }
}

TEST(Calendar, SplitDayHandlesCycleEndsAndRefusesOutsideTheRange) {
    struct Row {
        Number dayNumber;
        Status status;
        int32_t year, month, day;
    };
    // Days 0..305 are year 0: kept splittable for dates computed just before year 1.
    const Row rows[] = {
        {I(306), Status::Success, 1, 1, 1},          {I(1460), Status::Success, 4, 2, 29},
        {I(146096), Status::Success, 400, 2, 29},    {I(146097), Status::Success, 400, 3, 1},
        {I(730484), Status::Success, 2000, 2, 29},   {I(693959), Status::Success, 1900, 2, 28},
        {I(3652364), Status::Success, 9999, 12, 31}, {I(0), Status::Success, 0, 3, 1},
        {I(305), Status::Success, 0, 12, 31},        {I(-1), Status::OutOfRange, 0, 0, 0},
        {I(3652365), Status::OutOfRange, 0, 0, 0},   {I(-1073741823), Status::OutOfRange, 0, 0, 0},
        {kNull, Status::UsingNull, 0, 0, 0},         {kReal, Status::UsingNull, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.dayNumber);
        int32_t year = -7, month = -7, day = -7;
        EXPECT_EQ(SplitDay(row.dayNumber, &year, &month, &day), row.status);
        EXPECT_EQ(year, row.year);
        EXPECT_EQ(month, row.month);
        EXPECT_EQ(day, row.day);
    }
}

TEST(Calendar, EveryDaySplitsAndMakesBackToItself) {
    int32_t failures = 0;
    int32_t firstFailure = -1;
    for (int32_t d = kFirstDay; d <= kLastDay; ++d) {
        int32_t year = 0, month = 0, day = 0;
        Number back = kJunk;
        const bool ok = SplitDay(I(d), &year, &month, &day) == Status::Success &&
                        MakeDay(year, month, day, &back) == Status::Success && back == I(d);
        if (!ok && failures++ == 0) firstFailure = d;
    }
    EXPECT_EQ(failures, 0) << "first failing day " << firstFailure;
}

TEST(Calendar, WeekdayRunsMondayToSunday) {
    struct Row {
        Number dayNumber;
        Status status;
        Number expected;
    };
    const Row rows[] = {
        {I(306), Status::Success, I(1)},     {I(730425), Status::Success, I(6)},
        {I(739190), Status::Success, I(7)},  {I(3652364), Status::Success, I(5)},
        {I(0), Status::Success, I(3)},       {I(-3), Status::Success, I(7)},
        {kNull, Status::UsingNull, kNull},   {kReal, Status::UsingNull, kNull},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.dayNumber);
        Number out = kJunk;
        EXPECT_EQ(Weekday(row.dayNumber, &out), row.status);
        EXPECT_EQ(out, row.expected);
    }
}

TEST(Calendar, TimeOfDayMakesAndSplits) {
    struct Row {
        int32_t hour, minute, second, millisecond;
        Status status;
        Number expected;
    };
    const Row rows[] = {
        {0, 0, 0, 0, Status::Success, I(0)},            {23, 59, 59, 999, Status::Success, I(86399999)},
        {13, 5, 9, 500, Status::Success, I(47109500)},  {24, 0, 0, 0, Status::OutOfRange, kNull},
        {0, 60, 0, 0, Status::OutOfRange, kNull},       {0, 0, 60, 0, Status::OutOfRange, kNull},
        {0, 0, 0, 1000, Status::OutOfRange, kNull},     {-1, 0, 0, 0, Status::OutOfRange, kNull},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.hour << ':' << row.minute << ':' << row.second << '.'
                                        << row.millisecond);
        Number out = kJunk;
        EXPECT_EQ(MakeTimeOfDay(row.hour, row.minute, row.second, row.millisecond, &out), row.status);
        EXPECT_EQ(out, row.expected);
        if (row.status != Status::Success) continue;
        int32_t hour = -7, minute = -7, second = -7, millisecond = -7;
        EXPECT_EQ(SplitTimeOfDay(out, &hour, &minute, &second, &millisecond), Status::Success);
        EXPECT_EQ(hour, row.hour);
        EXPECT_EQ(minute, row.minute);
        EXPECT_EQ(second, row.second);
        EXPECT_EQ(millisecond, row.millisecond);
    }
    const std::pair<Number, Status> refused[] = {{I(86400000), Status::OutOfRange},
                                                 {I(-1), Status::OutOfRange},
                                                 {kNull, Status::UsingNull},
                                                 {kReal, Status::UsingNull}};
    for (const auto& [timeOfDay, status] : refused) {
        SCOPED_TRACE(testing::Message() << std::hex << timeOfDay);
        int32_t hour = -7, minute = -7, second = -7, millisecond = -7;
        EXPECT_EQ(SplitTimeOfDay(timeOfDay, &hour, &minute, &second, &millisecond), status);
        EXPECT_EQ(hour + minute + second + millisecond, 0);
    }
}

enum class Reader { Date, TimeOfDay, DateTime };

std::string Narrow(const char16_t* text) {
    if (text == nullptr) return "(no text)";
    std::string narrow;
    for (; *text != u'\0'; ++text) narrow += static_cast<char>(*text);
    return narrow;
}

TEST(Calendar, LiteralTextsAreReadWholeOrNotAtAll) {
    struct Row {
        Reader reader;
        const char16_t* text;
        bool ok;
        uint64_t expected;  // the Number or Time read; Null when refused
    };
    constexpr uint64_t kNullTime = runtime::kNullTime;
    constexpr Reader D = Reader::Date, T = Reader::TimeOfDay, DT = Reader::DateTime;
    // The wrapping rows would read as valid dates and times if the digit
    // count overflowed silently; the NUL rows check nothing past the end is read.
    const Row rows[] = {
        {D, u"2024-02-29", true, I(739250)},        {D, u"0001-1-01", true, I(306)},
        {D, u"2023-02-29", false, kNull},           {D, u"-1-01-01", false, kNull},
        {D, u"", false, kNull},                     {D, u"99999999999-01-01", false, kNull},
        {D, u"4294969320-01-01", false, kNull},     {D, u"2024-02-29 ", false, kNull},
        {D, u"2024-02-29@13:05", false, kNull},     {D, u"+2024-02-29", false, kNull},
        {D, nullptr, false, kNull},                 {T, u"13:05", true, I(47100000)},
        {T, u"13:05:09", true, I(47109000)},        {T, u"13:05:09.5", true, I(47109500)},
        {T, u"13:05:09.12", true, I(47109120)},     {T, u"13:05:09.12345", true, I(47109123)},
        {T, u"23:59:59.999", true, I(86399999)},    {T, u"13:05\0:09", true, I(47100000)},
        {T, u"24:00", false, kNull},                {T, u"13:5:60", false, kNull},
        {T, u"13:60", false, kNull},                {T, u"13:05:09.", false, kNull},
        {T, u"13:05:09.\0" u"5", false, kNull},     {T, u"13:05:09.1x", false, kNull},
        {T, u"13:05.5", false, kNull},              {T, u"13:05:", false, kNull},
        {T, u"13", false, kNull},                   {T, u"4294967309:00", false, kNull},
        {T, u"13: 05", false, kNull},
        {DT, u"2024-02-29@13:05:09.123", true, runtime::MakeTime(I(739250), I(47109123))},
        {DT, u"2024-02-29 13:05", false, kNullTime}, {DT, u"2024-02-29@", false, kNullTime},
        {DT, u"2024-02-29", false, kNullTime},      {DT, u"2023-02-29@13:05", false, kNullTime},
        {DT, u"2024-02-29@24:00", false, kNullTime}, {DT, u"@13:05", false, kNullTime},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(Narrow(row.text));
        Number number = kJunk;
        runtime::Time time = kJunk;
        bool ok = false;
        if (row.reader == Reader::Date) ok = ReadDateText(row.text, &number);
        else if (row.reader == Reader::TimeOfDay) ok = ReadTimeOfDayText(row.text, &number);
        else ok = ReadDateTimeText(row.text, &time);
        const uint64_t got = row.reader == Reader::DateTime ? time : number;
        EXPECT_EQ(ok, row.ok);
        EXPECT_EQ(got, row.expected) << std::hex << got;
    }
}

}  // namespace
}  // namespace vorlan::library
