#pragma once
// Number, Logical and Time primitives. Every operation takes encoded words and
// writes an encoded result; a failed operation leaves a Null result behind, so
// a caller that reports the status and carries on never sees a stale value.

#include "base/Status.h"
#include "value/Value.h"

#include <cstdint>

namespace vorlan::runtime {

// Null and Overflow when the magnitude is beyond the integer range.
Status MakeInteger(int64_t value, Number* out);
// Null and Overflow for infinities and NaNs.
Status MakeReal(float value, Number* out);
// A real is rounded to the nearest integer, halves away from zero.
Status ReadInteger(Number n, int32_t* out);
Status ReadReal(Number n, float* out);

enum class ArithOp { Add, Subtract, Multiply, Divide };

// Integers stay integers while they fit and become reals when they do not;
// division, and anything touching a real, works in single precision.
Status Arithmetic(ArithOp op, Number a, Number b, Number* out);
// Floored quotient, always an integer.
Status IntegerDivide(Number a, Number b, Number* out);
// The remainder takes the divisor's sign.
Status Modulo(Number a, Number b, Number* out);
// Always a real.
Status Power(Number a, Number b, Number* out);
Status Negate(Number a, Number* out);

// *result: 1 when a is greater, 2 when b is greater, 0 when equal. Two Nulls
// are equal; one Null gives -1 and UsingNull.
Status Compare(Number a, Number b, int* result);

enum class RoundMode : int32_t { Nearest = 1, Down = 2, Up = 3, ToZero = 4, FromZero = 5 };

// An integer result: a real is shifted half a unit the mode's way, then
// rounded to nearest, halves away from zero, so a whole real moves too (2.0
// Up is 3). A mode outside Down..FromZero rounds to nearest.
Status RoundByMode(Number x, int32_t mode, Number* out);

// 0 False, 1 True, anything else Null.
constexpr Logical LogicalFromInt(int32_t value) {
    return value == 0 ? kFalse : value == 1 ? kTrue : kNullLogical;
}
// A Null value yields the default; a default of -1 means there is none and
// Null is then UsingNull.
Status ReadTruth(Logical value, int defaultValue, bool* out);

constexpr Time MakeTimeValue(Number day, Number millis) {
    return IsNull(millis) ? kNullTime : MakeTime(day, millis);
}
Status SplitTime(Time t, Number* day, Number* millis);
// As Compare, by day then by millisecond; Null on either side is UsingNull.
Status CompareTime(Time a, Time b, int* result);

}  // namespace vorlan::runtime
