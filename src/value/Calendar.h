#pragma once
// Dates and times of day, and the text forms of date and time literals.
//
// The calendar is the Gregorian one carried back to year 1 and forward to
// year 9999. A date is a day number: day 0 is 1 March of year 0, so leap
// days fall at the end of each counting year and the arithmetic needs no
// special case for February. 1 January of year 1 is kFirstDay and
// 31 December 9999 is kLastDay. A time of day is the millisecond since
// midnight. Both are held as integer Numbers; Null stands for a missing one.
//
// A Time joins the two: the day number in its high word and the time of day
// in its low word, the date part Null for a time of day alone. The value
// model builds and splits Times (runtime::MakeTimeValue, runtime::SplitTime),
// since the evaluator compares them without the calendar.
//
// Every operation writes its result, or Null on failure, before returning.

#include "base/Status.h"
#include "value/Value.h"

#include <cstdint>
#include <ctime>

namespace vorlan::library {

constexpr int32_t kFirstYear = 1;
constexpr int32_t kLastYear = 9999;
constexpr int32_t kFirstDay = 306;
constexpr int32_t kLastDay = 3652364;
constexpr int32_t kMillisPerDay = 86400000;

bool IsLeapYear(int32_t year);
// 0 for a month outside 1..12.
int32_t DaysInMonth(int32_t year, int32_t month);

// BadParam and Null unless the year, month and day name a real date in
// years 1..9999.
Status MakeDay(int32_t year, int32_t month, int32_t day, runtime::Number* out);

// Anything but an integer (Null or a real) is UsingNull. Day numbers 0..305
// fall in year 0 and still split, so that a date computed a little before
// year 1 reads sensibly; anything below 0 or beyond kLastDay is OutOfRange.
// On failure the parts are 0.
Status SplitDay(runtime::Number dayNumber, int32_t* year, int32_t* month, int32_t* day);

// OutOfRange and Null unless every part is within its clock range.
Status MakeTimeOfDay(int32_t hour, int32_t minute, int32_t second, int32_t millisecond, runtime::Number* out);

// Anything but an integer is UsingNull; an integer outside one day is
// OutOfRange. On failure the parts are 0.
Status SplitTimeOfDay(runtime::Number timeOfDay, int32_t* hour, int32_t* minute, int32_t* second,
                      int32_t* millisecond);

// 1 Monday .. 7 Sunday, for any integer day number. Anything but an integer
// is UsingNull and a Null result.
Status Weekday(runtime::Number dayNumber, runtime::Number* out);

// Moves a Time along by milliseconds. `total` is the time-of-day part plus
// the amount, summed by the caller in 64 bits so that no amount a program
// can give overflows. A total within the day keeps the date part as it is,
// even a Null one; otherwise whole days carry into the date, which must then
// exist (UsingNull) and stay within kFirstDay..kLastDay (Overflow). On
// failure the result is the Null Time.
Status AddMilliseconds(runtime::Number dayNumber, int64_t total, runtime::Time* out);

// The calendar time `seconds` after the system clock's epoch, to the whole
// second, as local time or as Coordinated Universal Time. A leap second
// reads as second 59. A moment outside years 1..9999 is BadParam, one the
// system cannot break down Invalid; the result is then the Null Time.
Status TimeFromClock(std::time_t seconds, bool utc, runtime::Time* out);
// The same for the moment of the call.
Status ClockNow(bool utc, runtime::Time* out);

// Literal texts. Each must be consumed whole: no spaces, no signs, numbers
// of decimal digits only. On failure the result is Null.
//   date:         year-month-day
//   time of day:  hour:minute[:second[.fraction]]
//   date and time: date@time of day
bool ReadDateText(const char16_t* text, runtime::Number* dayNumber);
bool ReadTimeOfDayText(const char16_t* text, runtime::Number* timeOfDay);
bool ReadDateTimeText(const char16_t* text, runtime::Time* time);

}  // namespace vorlan::library
