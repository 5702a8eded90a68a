#include "value/Calendar.h"

#include <algorithm>

namespace vorlan::library {
namespace {

using runtime::Number;

constexpr int32_t kDaysIn400Years = 146097;
constexpr int32_t kDaysIn100Years = 36524;
constexpr int32_t kDaysIn4Years = 1461;
constexpr int32_t kDaysInYear = 365;

// January to December of a common year.
constexpr int32_t kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Days before each month of a counting year that starts on 1 March, with
// the year's length (without the leap day) as the final entry so that the
// search in SplitDay always stops.
constexpr int32_t kDaysBeforeMonth[13] = {0, 31, 61, 92, 122, 153, 184, 214, 245, 275, 306, 337, 365};

constexpr Number kNull = runtime::kNullNumber;

Status FailNumber(Status status, Number* out) {
    *out = kNull;
    return status;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// One or more decimal digits, with a value that fits in an int32. Larger
// values could only fail the range checks that follow, so refusing them
// here loses nothing and keeps the arithmetic defined.
bool ReadUnsigned(const char16_t*& p, int32_t* value) {
    if (!IsDigit(*p)) return false;
    int64_t total = 0;
    for (; IsDigit(*p); ++p) {
        total = total * 10 + (*p - u'0');
        if (total > INT32_MAX) return false;
    }
    *value = static_cast<int32_t>(total);
    return true;
}

bool Expect(const char16_t*& p, char16_t c) {
    if (*p != c) return false;
    ++p;
    return true;
}

// year-month-day, leaving p just after the day.
bool ReadDatePart(const char16_t*& p, Number* dayNumber) {
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;
    if (!ReadUnsigned(p, &year) || !Expect(p, u'-') || !ReadUnsigned(p, &month) || !Expect(p, u'-') ||
        !ReadUnsigned(p, &day))
        return false;
    return MakeDay(year, month, day, dayNumber) == Status::Success;
}

bool ReadBelow(const char16_t*& p, int32_t limit, int32_t* value) {
    return ReadUnsigned(p, value) && *value < limit;
}

// hour:minute[:second[.fraction]] running to the end of the text.
bool ReadTimeOfDayPart(const char16_t*& p, Number* timeOfDay) {
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
    int32_t millisecond = 0;
    if (!ReadBelow(p, 24, &hour) || !Expect(p, u':') || !ReadBelow(p, 60, &minute)) return false;
    if (Expect(p, u':')) {
        if (!ReadBelow(p, 60, &second)) return false;
        if (Expect(p, u'.')) {
            if (!IsDigit(*p)) return false;
            // The fraction is of a second: only the first three digits can
            // reach the millisecond; the rest must still be digits.
            int32_t scale = 100;
            for (; IsDigit(*p); ++p) {
                millisecond += (*p - u'0') * scale;
                scale /= 10;
            }
        }
    }
    if (*p != u'\0') return false;
    return MakeTimeOfDay(hour, minute, second, millisecond, timeOfDay) == Status::Success;
}

}  // namespace

bool IsLeapYear(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int32_t DaysInMonth(int32_t year, int32_t month) {
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDaysInMonth[month - 1];
}

Status MakeDay(int32_t year, int32_t month, int32_t day, Number* out) {
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return FailNumber(Status::BadParam, out);
    // Count from March so that February, and its leap day, ends the year.
    const int32_t y = month <= 2 ? year - 1 : year;
    const int32_t m = month <= 2 ? month + 9 : month - 3;
    const int32_t q = y / 400;
    const int32_t r = y % 400;
    const int32_t days = kDaysIn400Years * q + kDaysIn4Years * (r / 4) + kDaysInYear * (r % 4) - r / 100;
    *out = runtime::MakeIntegerUnchecked(days + kDaysBeforeMonth[m] + (day - 1));
    return Status::Success;
}

Status SplitDay(Number dayNumber, int32_t* year, int32_t* month, int32_t* day) {
    *year = 0;
    *month = 0;
    *day = 0;
    if (!runtime::IsInteger(dayNumber)) return Status::UsingNull;
    int32_t n = runtime::IntegerOf(dayNumber);
    // Ruling out negatives also makes the plain divisions below floored.
    if (n < 0 || n > kLastDay) return Status::OutOfRange;

    const int32_t q400 = n / kDaysIn400Years;
    n %= kDaysIn400Years;
    const int32_t k = n / kDaysIn100Years;
    n %= kDaysIn100Years;
    // The last day of a 400-year cycle is the one leap day a century keeps.
    if (k == 4) {
        *year = 400 * q400 + 100 * k;
        *month = 2;
        *day = 29;
        return Status::Success;
    }
    const int32_t q4 = n / kDaysIn4Years;
    n %= kDaysIn4Years;
    int32_t y1 = n / kDaysInYear;
    // Likewise the last day of a four-year run.
    if (y1 == 4) {
        *year = 400 * q400 + 100 * k + 4 * q4 + 4;
        *month = 2;
        *day = 29;
        return Status::Success;
    }
    n %= kDaysInYear;
    int32_t i = 1;
    while (kDaysBeforeMonth[i] <= n) ++i;
    const int32_t m = i - 1;
    *day = n - kDaysBeforeMonth[m] + 1;
    if (m < 10) {
        *month = m + 3;
    } else {
        *month = m - 9;
        ++y1;
    }
    *year = y1 + 4 * q4 + 100 * k + 400 * q400;
    return Status::Success;
}

Status MakeTimeOfDay(int32_t hour, int32_t minute, int32_t second, int32_t millisecond, Number* out) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
        millisecond > 999)
        return FailNumber(Status::OutOfRange, out);
    *out = runtime::MakeIntegerUnchecked(millisecond + ((hour * 60 + minute) * 60 + second) * 1000);
    return Status::Success;
}

Status SplitTimeOfDay(Number timeOfDay, int32_t* hour, int32_t* minute, int32_t* second, int32_t* millisecond) {
    *hour = 0;
    *minute = 0;
    *second = 0;
    *millisecond = 0;
    if (!runtime::IsInteger(timeOfDay)) return Status::UsingNull;
    int32_t t = runtime::IntegerOf(timeOfDay);
    if (t < 0 || t >= kMillisPerDay) return Status::OutOfRange;
    *millisecond = t % 1000;
    t /= 1000;
    *second = t % 60;
    t /= 60;
    *minute = t % 60;
    *hour = t / 60;
    return Status::Success;
}

Status Weekday(Number dayNumber, Number* out) {
    if (!runtime::IsInteger(dayNumber)) return FailNumber(Status::UsingNull, out);
    // Floored, so that days before day 0 keep the weekly cycle.
    int32_t r = (runtime::IntegerOf(dayNumber) + 2) % 7;
    if (r < 0) r += 7;
    *out = runtime::MakeIntegerUnchecked(r + 1);
    return Status::Success;
}

Status AddMilliseconds(Number dayNumber, int64_t total, runtime::Time* out) {
    *out = runtime::kNullTime;
    if (total >= 0 && total < kMillisPerDay) {
        *out = runtime::MakeTime(dayNumber, runtime::MakeIntegerUnchecked(static_cast<int32_t>(total)));
        return Status::Success;
    }
    // Floored, so that the remainder is a time of day and going back past
    // midnight takes a day off.
    int64_t days = total / kMillisPerDay;
    int64_t rest = total % kMillisPerDay;
    if (rest < 0) {
        rest += kMillisPerDay;
        --days;
    }
    if (!runtime::IsInteger(dayNumber)) return Status::UsingNull;
    const int64_t day = runtime::IntegerOf(dayNumber) + days;
    if (day < kFirstDay || day > kLastDay) return Status::Overflow;
    *out = runtime::MakeTime(runtime::MakeIntegerUnchecked(static_cast<int32_t>(day)),
                             runtime::MakeIntegerUnchecked(static_cast<int32_t>(rest)));
    return Status::Success;
}

Status TimeFromClock(std::time_t seconds, bool utc, runtime::Time* out) {
    *out = runtime::kNullTime;
    std::tm parts{};
    if ((utc ? gmtime_r(&seconds, &parts) : localtime_r(&seconds, &parts)) == nullptr) return Status::Invalid;
    // tm_year counts from 1900; a year that far out cannot be a date anyway.
    if (parts.tm_year < kFirstYear - 1900 || parts.tm_year > kLastYear - 1900) return Status::BadParam;
    Number day = kNull;
    Number timeOfDay = kNull;
    VL_PROPAGATE(MakeDay(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, &day));
    VL_PROPAGATE(MakeTimeOfDay(parts.tm_hour, parts.tm_min, std::min(parts.tm_sec, 59), 0, &timeOfDay));
    *out = runtime::MakeTime(day, timeOfDay);
    return Status::Success;
}

Status ClockNow(bool utc, runtime::Time* out) {
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) {
        *out = runtime::kNullTime;
        return Status::Invalid;
    }
    return TimeFromClock(now, utc, out);
}

bool ReadDateText(const char16_t* text, Number* dayNumber) {
    const char16_t* p = text;
    if (p != nullptr && ReadDatePart(p, dayNumber) && *p == u'\0') return true;
    *dayNumber = kNull;
    return false;
}

bool ReadTimeOfDayText(const char16_t* text, Number* timeOfDay) {
    const char16_t* p = text;
    if (p != nullptr && ReadTimeOfDayPart(p, timeOfDay)) return true;
    *timeOfDay = kNull;
    return false;
}

bool ReadDateTimeText(const char16_t* text, runtime::Time* time) {
    const char16_t* p = text;
    Number day = kNull;
    Number timeOfDay = kNull;
    if (p != nullptr && ReadDatePart(p, &day) && Expect(p, u'@') && ReadTimeOfDayPart(p, &timeOfDay)) {
        *time = runtime::MakeTime(day, timeOfDay);
        return true;
    }
    *time = runtime::kNullTime;
    return false;
}

}  // namespace vorlan::library
