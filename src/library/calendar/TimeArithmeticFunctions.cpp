// The built-in functions that move Times along and measure between them:
// AddDays and DiffDays work in calendar days, the rest in clock units.

#include "library/functions/BuiltinFunctions.h"
#include "value/Calendar.h"
#include "library/functions/FunctionCall.h"

#include "value/Value.h"

#include <array>
#include <cstddef>

namespace vorlan::library {

using runtime::Number;
using runtime::Time;

namespace {

constexpr Number kNull = runtime::kNullNumber;

// Parameter offsets, as the system module registers them: a Time, then a
// Number amount (Add...) or a second Time (Diff...).
constexpr uint32_t kFirst = 0;
constexpr uint32_t kSecond = 8;

void SetNumber(void* result, Number value) { runtime::StoreCell(result, value); }
void SetTime(void* result, Time value) { runtime::StoreCell(result, value); }

enum class Unit : uint8_t { Hour, Minute, Second, Milli, Count };

struct UnitRow {
    Unit unit;
    int64_t millis;
};

// clang-format off
constexpr std::array<UnitRow, static_cast<size_t>(Unit::Count)> kUnits = {{
    {Unit::Hour,   3600000},
    {Unit::Minute, 60000},
    {Unit::Second, 1000},
    {Unit::Milli,  1},
}};
// clang-format on

constexpr bool UnitsInOrder() {
    for (size_t i = 0; i < kUnits.size(); ++i)
        if (static_cast<size_t>(kUnits[i].unit) != i || kUnits[i].millis < 1) return false;
    return true;
}
static_assert(UnitsInOrder(), "unit rows follow Unit");

// The amount times its unit is at most 1073741823 hours, about 3.9e15
// milliseconds, so the 64-bit total cannot overflow; the calendar then
// carries whole days and checks the date that results.
Status AddInUnits(Unit unit, void* context, void* parameters, void* result) {
    const UnitRow& row = kUnits[static_cast<size_t>(unit)];
    FunctionCall call(context, parameters);
    SetTime(result, runtime::kNullTime);
    Number date = kNull, timeOfDay = kNull;
    VL_PROPAGATE(call.ArgumentError(u"start", call.ReadTime(kFirst, &date, &timeOfDay)));
    int32_t amount = 0;
    // Every unit reports its amount under the one name "diff".
    VL_PROPAGATE(call.ArgumentErrorAt(u"diff", kSecond, call.ReadWhole(kSecond, &amount)));
    const int64_t total = int64_t{runtime::IntegerOf(timeOfDay)} + int64_t{amount} * row.millis;
    Time moved = runtime::kNullTime;
    VL_PROPAGATE(call.ResultError(AddMilliseconds(date, total, &moved), true));
    SetTime(result, moved);
    return Status::Success;
}

// Rounded to the nearest unit, halves away from zero. Two times of day alone
// are compared within the day; a full Time against a time of day alone has
// no answer.
Status DiffInUnits(Unit unit, void* context, void* parameters, void* result) {
    const UnitRow& row = kUnits[static_cast<size_t>(unit)];
    FunctionCall call(context, parameters);
    SetNumber(result, kNull);
    Number fromDate = kNull, fromTime = kNull, toDate = kNull, toTime = kNull;
    VL_PROPAGATE(call.ArgumentError(u"from", call.ReadTime(kFirst, &fromDate, &fromTime)));
    VL_PROPAGATE(call.ArgumentError(u"to", call.ReadTime(kSecond, &toDate, &toTime)));
    if (runtime::IsNull(fromDate) != runtime::IsNull(toDate)) return call.ResultError(Status::BadParam, true);
    const int64_t days =
        runtime::IsNull(fromDate) ? 0 : int64_t{runtime::IntegerOf(toDate)} - runtime::IntegerOf(fromDate);
    const int64_t total = days * kMillisPerDay + (int64_t{runtime::IntegerOf(toTime)} - runtime::IntegerOf(fromTime));
    const int64_t magnitude = total < 0 ? -total : total;
    const int64_t units = (magnitude + row.millis / 2) / row.millis;
    if (units > runtime::kLargestInteger) return call.ResultError(Status::Overflow, true);
    SetNumber(result, runtime::MakeIntegerUnchecked(static_cast<int32_t>(total < 0 ? -units : units)));
    return Status::Success;
}

}  // namespace

// The time of day is kept; only the date moves, and it must stay a date.
Status AddDays(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    SetTime(result, runtime::kNullTime);
    Number date = kNull, timeOfDay = kNull;
    VL_PROPAGATE(call.ArgumentError(u"start", call.ReadTime(kFirst, &date, &timeOfDay)));
    if (runtime::IsNull(date)) return call.ArgumentError(u"start", Status::UsingNull);
    int32_t days = 0;
    VL_PROPAGATE(call.ArgumentError(u"days", call.ReadWhole(kSecond, &days)));
    // No more than the whole calendar, either way.
    if (days < -kLastDay || days > kLastDay) return call.ArgumentError(u"days", Status::OutOfRange);
    const int64_t day = int64_t{runtime::IntegerOf(date)} + days;
    if (day < kFirstDay || day > kLastDay) return call.ResultError(Status::Overflow, true, u"days");
    SetTime(result, runtime::MakeTime(runtime::MakeIntegerUnchecked(static_cast<int32_t>(day)), timeOfDay));
    return Status::Success;
}

Status AddHours(void* context, void* parameters, void* result) {
    return AddInUnits(Unit::Hour, context, parameters, result);
}
Status AddMinutes(void* context, void* parameters, void* result) {
    return AddInUnits(Unit::Minute, context, parameters, result);
}
Status AddSeconds(void* context, void* parameters, void* result) {
    return AddInUnits(Unit::Second, context, parameters, result);
}
Status AddMillis(void* context, void* parameters, void* result) {
    return AddInUnits(Unit::Milli, context, parameters, result);
}

// Whole days between the dates, counting the times of day only when they
// differ by more than half a day: so the result is the day difference
// rounded, with an exact half day going the way the dates point.
Status DiffDays(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    SetNumber(result, kNull);
    Number fromDate = kNull, fromTime = kNull, toDate = kNull, toTime = kNull;
    if (call.ReadTime(kFirst, &fromDate, &fromTime) != Status::Success || runtime::IsNull(fromDate))
        return call.ArgumentError(u"from", Status::UsingNull);
    if (call.ReadTime(kSecond, &toDate, &toTime) != Status::Success || runtime::IsNull(toDate))
        return call.ArgumentError(u"to", Status::UsingNull);
    int64_t days = int64_t{runtime::IntegerOf(toDate)} - runtime::IntegerOf(fromDate);
    const int64_t millis = int64_t{runtime::IntegerOf(toTime)} - runtime::IntegerOf(fromTime);
    if (millis > kMillisPerDay / 2) ++days;
    else if (millis < -kMillisPerDay / 2) --days;
    // Two dates of the calendar differ by far less; this only keeps a
    // malformed Time from wrapping.
    if (days > runtime::kLargestInteger || days < -runtime::kLargestInteger)
        return call.ResultError(Status::Overflow, true);
    SetNumber(result, runtime::MakeIntegerUnchecked(static_cast<int32_t>(days)));
    return Status::Success;
}

Status DiffHours(void* context, void* parameters, void* result) {
    return DiffInUnits(Unit::Hour, context, parameters, result);
}
Status DiffMinutes(void* context, void* parameters, void* result) {
    return DiffInUnits(Unit::Minute, context, parameters, result);
}
Status DiffSeconds(void* context, void* parameters, void* result) {
    return DiffInUnits(Unit::Second, context, parameters, result);
}
Status DiffMillis(void* context, void* parameters, void* result) {
    return DiffInUnits(Unit::Milli, context, parameters, result);
}

}  // namespace vorlan::library
