// Day numbers, times of day and the date and time literal texts: fixed
// points of the calendar, the leap-day corners of the 4- and 400-year
// cycles, every day of the range round-tripping, texts refused whole,
// milliseconds carried into days, and the clock broken down into a Time.
// (Every date against an independent calendar: tests/calendar.)

#include "value/Calendar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
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

TEST(Calendar, AddMillisecondsCarriesWholeDaysAndKeepsToTheCalendar) {
    using runtime::MakeTime;
    using runtime::Time;
    constexpr Time kNullTime = runtime::kNullTime;
    constexpr int64_t kDay = kMillisPerDay;
    struct Row {
        const char* what;
        Number dayNumber;
        int64_t total;
        Status status;
        Time expected;
    };
    const Row rows[] = {
        {"within the day", I(730425), 0, Status::Success, MakeTime(I(730425), I(0))},
        {"last millisecond", I(730425), kDay - 1, Status::Success, MakeTime(I(730425), I(86399999))},
        {"next midnight", I(730425), kDay, Status::Success, MakeTime(I(730426), I(0))},
        {"back past midnight", I(730426), -1, Status::Success, MakeTime(I(730425), I(86399999))},
        {"back a whole day", I(730426), -kDay, Status::Success, MakeTime(I(730425), I(0))},
        {"back three days and a bit", I(730425), -3 * kDay - 1, Status::Success,
         MakeTime(I(730421), I(86399999))},
        {"first day to last", I(kFirstDay), (kLastDay - kFirstDay) * kDay + kDay - 1, Status::Success,
         MakeTime(I(kLastDay), I(86399999))},
        {"past 9999-12-31", I(kLastDay), kDay, Status::Overflow, kNullTime},
        {"before 0001-01-01", I(kFirstDay), -1, Status::Overflow, kNullTime},
        {"a billion hours", I(730425), int64_t{1073741823} * 3600000, Status::Overflow, kNullTime},
        {"minus a billion hours", I(730425), int64_t{-1073741823} * 3600000, Status::Overflow, kNullTime},
        {"no date, within the day", kNull, 5000, Status::Success, MakeTime(kNull, I(5000))},
        {"no date, past midnight", kNull, kDay, Status::UsingNull, kNullTime},
        {"no date, before midnight", kNull, -1, Status::UsingNull, kNullTime},
        {"a real date part", kReal, kDay, Status::UsingNull, kNullTime},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Time out = kJunk;
        EXPECT_EQ(AddMilliseconds(row.dayNumber, row.total, &out), row.status);
        EXPECT_EQ(out, row.expected) << std::hex << out;
    }
}

// 1 January 1970, where the system clock counts from.
constexpr int32_t kEpochDay = 719468;

TEST(Calendar, ClockSecondsBreakDownIntoTimes) {
    struct Row {
        std::time_t seconds;
        Status status;
        runtime::Time expected;
    };
    const Row rows[] = {
        {0, Status::Success, runtime::MakeTime(I(kEpochDay), I(0))},
        {951782400 + 47109, Status::Success, runtime::MakeTime(I(730484), I(47109000))},  // 2000-02-29@13:05:09
        {253402300799, Status::Success, runtime::MakeTime(I(kLastDay), I(86399000))},     // 9999-12-31@23:59:59
        {-62135596800, Status::Success, runtime::MakeTime(I(kFirstDay), I(0))},           // 0001-01-01@00:00
        {253402300800, Status::BadParam, runtime::kNullTime},                             // 10000-01-01
        {-62135596801, Status::BadParam, runtime::kNullTime},                             // 0000-12-31@23:59:59
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.seconds);
        runtime::Time out = kJunk;
        EXPECT_EQ(TimeFromClock(row.seconds, true, &out), row.status);
        EXPECT_EQ(out, row.expected) << std::hex << out;
    }
}

// The seconds since the epoch that a Time of the calendar stands for.
int64_t EpochSeconds(runtime::Time time) {
    return int64_t{runtime::IntegerOf(runtime::TimeDay(time)) - kEpochDay} * 86400 +
           runtime::IntegerOf(runtime::TimeMillis(time)) / 1000;
}

int64_t LocalOffset(std::time_t at) {
    std::tm parts{};
    localtime_r(&at, &parts);
    return parts.tm_gmtoff;
}

TEST(Calendar, ClockNowLiesBetweenTwoReadsOfTheClock) {
    const std::time_t before = std::time(nullptr);
    runtime::Time utc = kJunk;
    runtime::Time local = kJunk;
    ASSERT_EQ(ClockNow(true, &utc), Status::Success);
    ASSERT_EQ(ClockNow(false, &local), Status::Success);
    const std::time_t after = std::time(nullptr);

    EXPECT_GE(EpochSeconds(utc), before);
    EXPECT_LE(EpochSeconds(utc), after);
    EXPECT_EQ(runtime::IntegerOf(runtime::TimeMillis(utc)) % 1000, 0);
    // Local time is the same moment moved by the zone's offset, which may
    // change between the two reads.
    const int64_t offsetBefore = LocalOffset(before);
    const int64_t offsetAfter = LocalOffset(after);
    EXPECT_GE(EpochSeconds(local), before + std::min(offsetBefore, offsetAfter));
    EXPECT_LE(EpochSeconds(local), after + std::max(offsetBefore, offsetAfter));
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
