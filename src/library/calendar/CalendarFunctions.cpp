// The built-in functions that build Times, take them apart and read the
// clock. The calendar rules are those of Calendar.h.

#include "library/functions/BuiltinFunctions.h"
#include "value/Calendar.h"
#include "library/functions/FunctionCall.h"

#include "value/Number.h"

#include <array>
#include <cstddef>

namespace vorlan::library {

using runtime::Number;
using runtime::Time;

namespace {

constexpr Number kNull = runtime::kNullNumber;
constexpr Number kMidnight = runtime::MakeIntegerUnchecked(0);

// Parameter offsets, as the system module registers them.
namespace makeDate {
constexpr uint32_t kYear = 0, kMonth = 4, kDay = 8;
}
namespace makeTofD {
constexpr uint32_t kHour = 0, kMinute = 4, kSecond = 8, kMillisec = 12;
}
namespace makeTime {
constexpr uint32_t kDate = 0, kTod = 8;
}
constexpr uint32_t kOnlyArgument = 0;  // the Time of every accessor, the flag of Now

void SetNumber(void* result, Number value) { runtime::StoreCell(result, value); }
void SetTime(void* result, Time value) { runtime::StoreCell(result, value); }

// Section - Accessors

enum class DatePart : uint8_t { Year, Month, Day, Weekday, Count };
enum class ClockPart : uint8_t { Hour, Minute, Second, Milli, Count };

// A Time without a date (a time of day alone) has no year to give: that is
// a Null answer, not an error. Only the Null Time is refused.
Status GetDatePart(DatePart part, void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    SetNumber(result, kNull);
    Number date = kNull;
    Number timeOfDay = kNull;
    VL_PROPAGATE(call.ArgumentError(u"date", call.ReadTime(kOnlyArgument, &date, &timeOfDay)));
    if (runtime::IsNull(date)) return Status::Success;
    Number value = kNull;
    if (part == DatePart::Weekday) {
        VL_PROPAGATE(call.ResultError(Weekday(date, &value), true));
    } else {
        int32_t fields[3] = {};  // year, month, day: DatePart order
        VL_PROPAGATE(call.ResultError(SplitDay(date, &fields[0], &fields[1], &fields[2]), true));
        value = runtime::MakeIntegerUnchecked(fields[static_cast<size_t>(part)]);
    }
    SetNumber(result, value);
    return Status::Success;
}

// As GetDatePart for the clock: a Time with no time of day gives Null.
Status GetClockPart(ClockPart part, void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    SetNumber(result, kNull);
    Number date = kNull;
    Number timeOfDay = kNull;
    VL_PROPAGATE(call.ArgumentError(u"time", call.ReadTime(kOnlyArgument, &date, &timeOfDay)));
    if (runtime::IsNull(timeOfDay)) return Status::Success;
    int32_t fields[4] = {};  // ClockPart order
    VL_PROPAGATE(call.ResultError(SplitTimeOfDay(timeOfDay, &fields[0], &fields[1], &fields[2], &fields[3]), true));
    SetNumber(result, runtime::MakeIntegerUnchecked(fields[static_cast<size_t>(part)]));
    return Status::Success;
}

// The argument a refused date is blamed on: the year, else the month, else the day.
const char16_t* DateCulprit(int32_t year, int32_t month) {
    if (year < kFirstYear || year > kLastYear) return u"year";
    return month < 1 || month > 12 ? u"month" : u"day";
}

// The first of the clock's parts outside its range.
const char16_t* ClockCulprit(int32_t hour, int32_t minute, int32_t second) {
    if (hour < 0 || hour > 23) return u"hour";
    if (minute < 0 || minute > 59) return u"minute";
    return second < 0 || second > 59 ? u"second" : u"millisec";
}

}  // namespace

// Section - Constructors

// Midnight of the date: a date is always a full Time.
Status MakeDate(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    SetTime(result, runtime::kNullTime);
    int32_t year = 0, month = 0, day = 0;
    VL_PROPAGATE(call.ArgumentError(u"year", call.ReadWhole(makeDate::kYear, &year)));
    VL_PROPAGATE(call.ArgumentError(u"month", call.ReadWhole(makeDate::kMonth, &month)));
    VL_PROPAGATE(call.ArgumentError(u"day", call.ReadWhole(makeDate::kDay, &day)));
    Number dayNumber = kNull;
    VL_PROPAGATE(call.ResultError(MakeDay(year, month, day, &dayNumber), true, DateCulprit(year, month)));
    SetTime(result, runtime::MakeTime(dayNumber, kMidnight));
    return Status::Success;
}

// A time of day alone: its date part is Null.
Status MakeTofD(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    SetTime(result, runtime::kNullTime);
    int32_t hour = 0, minute = 0, second = 0, millisecond = 0;
    VL_PROPAGATE(call.ArgumentError(u"hour", call.ReadWhole(makeTofD::kHour, &hour)));
    VL_PROPAGATE(call.ArgumentError(u"minute", call.ReadWhole(makeTofD::kMinute, &minute)));
    VL_PROPAGATE(call.ArgumentError(u"second", call.ReadWhole(makeTofD::kSecond, &second)));
    VL_PROPAGATE(call.ArgumentError(u"millisec", call.ReadWhole(makeTofD::kMillisec, &millisecond)));
    Number timeOfDay = kNull;
    VL_PROPAGATE(call.ResultError(MakeTimeOfDay(hour, minute, second, millisecond, &timeOfDay), true,
                                  ClockCulprit(hour, minute, second)));
    SetTime(result, runtime::MakeTime(kNull, timeOfDay));
    return Status::Success;
}

// The date of one Time with the time of day of another; either may be a
// full Time, and only the part wanted from each is read.
Status MakeTime(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    SetTime(result, runtime::kNullTime);
    Number date = kNull, ignored = kNull, timeOfDay = kNull;
    if (call.ReadTime(makeTime::kDate, &date, &ignored) != Status::Success || runtime::IsNull(date))
        return call.ArgumentError(u"date", Status::UsingNull);
    VL_PROPAGATE(call.ArgumentError(u"tod", call.ReadTime(makeTime::kTod, &ignored, &timeOfDay)));
    SetTime(result, runtime::MakeTimeValue(date, timeOfDay));
    return Status::Success;
}

// The Time argument of GetDate and GetTofD; their result stays Null unless it reads.
Status ReadOnlyTime(FunctionCall& call, void* result, Number* date, Number* timeOfDay) {
    SetTime(result, runtime::kNullTime);
    return call.ArgumentError(u"time", call.ReadTime(kOnlyArgument, date, timeOfDay));
}

// Midnight of the Time's date; a time of day alone gives midnight alone.
Status GetDate(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    Number date = kNull, timeOfDay = kNull;
    VL_PROPAGATE(ReadOnlyTime(call, result, &date, &timeOfDay));
    SetTime(result, runtime::MakeTime(date, kMidnight));
    return Status::Success;
}

Status GetTofD(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    Number date = kNull, timeOfDay = kNull;
    VL_PROPAGATE(ReadOnlyTime(call, result, &date, &timeOfDay));
    SetTime(result, runtime::MakeTimeValue(kNull, timeOfDay));
    return Status::Success;
}

Status GetYear(void* context, void* parameters, void* result) {
    return GetDatePart(DatePart::Year, context, parameters, result);
}
Status GetMonth(void* context, void* parameters, void* result) {
    return GetDatePart(DatePart::Month, context, parameters, result);
}
Status GetDay(void* context, void* parameters, void* result) {
    return GetDatePart(DatePart::Day, context, parameters, result);
}
Status GetWeekday(void* context, void* parameters, void* result) {
    return GetDatePart(DatePart::Weekday, context, parameters, result);
}
Status GetHour(void* context, void* parameters, void* result) {
    return GetClockPart(ClockPart::Hour, context, parameters, result);
}
Status GetMinute(void* context, void* parameters, void* result) {
    return GetClockPart(ClockPart::Minute, context, parameters, result);
}
Status GetSecond(void* context, void* parameters, void* result) {
    return GetClockPart(ClockPart::Second, context, parameters, result);
}
Status GetMilli(void* context, void* parameters, void* result) {
    return GetClockPart(ClockPart::Milli, context, parameters, result);
}

// Section - The clock

// Local time unless `gmt` asks for Coordinated Universal Time; whole seconds.
Status Now(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    SetTime(result, runtime::kNullTime);
    bool utc = false;
    VL_PROPAGATE(call.ArgumentError(u"gmt", call.ReadTruth(kOnlyArgument, &utc)));
    Time now = runtime::kNullTime;
    VL_PROPAGATE(call.ResultError(ClockNow(utc, &now), false));
    SetTime(result, now);
    return Status::Success;
}

}  // namespace vorlan::library
