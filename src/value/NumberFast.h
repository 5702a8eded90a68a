#pragma once
// The Number operations an evaluator meets most, for two integer words whose
// result is an integer again, inline. Anything else (a real, a Null, an
// overflow into a real, a zero divisor) goes to the general routine, so each
// gives exactly the word and status the general routine gives.

#include "value/Number.h"

#include <cmath>
#include <cstdint>

namespace vorlan::runtime {

namespace fast {

inline float AsFloat(Number n) { return IsReal(n) ? RealOf(n) : static_cast<float>(IntegerOf(n)); }

}  // namespace fast

// Reals are worked in single precision, as the general routine works them; a
// result that is not finite, and a zero divisor, go to it for their status.
template <ArithOp op>
inline Status FastArithmetic(Number a, Number b, Number* out) {
    if (op != ArithOp::Divide && IsInteger(a) && IsInteger(b)) {
        const int64_t x = IntegerOf(a), y = IntegerOf(b);
        const int64_t result = op == ArithOp::Add ? x + y : op == ArithOp::Subtract ? x - y : x * y;
        if (result >= -kLargestInteger && result <= kLargestInteger) {
            *out = MakeIntegerUnchecked(static_cast<int32_t>(result));
            return Status::Success;
        }
    } else if (!IsNull(a) && !IsNull(b)) {
        const float x = fast::AsFloat(a), y = fast::AsFloat(b);
        const float result = op == ArithOp::Add        ? x + y
                             : op == ArithOp::Subtract ? x - y
                             : op == ArithOp::Multiply ? x * y
                             : y != 0.0f               ? x / y
                                                       : 0.0f;
        if ((op != ArithOp::Divide || y != 0.0f) && std::isfinite(result)) {
            *out = MakeRealUnchecked(result);
            return Status::Success;
        }
    }
    return Arithmetic(op, a, b, out);
}

// 1 when a is greater, 2 when b is, 0 when equal; Nulls go to the general
// routine. Reals compare as doubles, where every integer is exact.
inline Status FastCompare(Number a, Number b, int* result) {
    if (IsInteger(a) && IsInteger(b)) {
        const int32_t x = IntegerOf(a), y = IntegerOf(b);
        *result = x > y ? 1 : x < y ? 2 : 0;
        return Status::Success;
    }
    if (!IsNull(a) && !IsNull(b)) {
        const double x = IsReal(a) ? static_cast<double>(RealOf(a)) : static_cast<double>(IntegerOf(a));
        const double y = IsReal(b) ? static_cast<double>(RealOf(b)) : static_cast<double>(IntegerOf(b));
        *result = x > y ? 1 : x < y ? 2 : 0;
        return Status::Success;
    }
    return Compare(a, b, result);
}

// Floored: the quotient rounds down.
inline Status FastIntegerDivide(Number a, Number b, Number* out) {
    if (IsInteger(a) && IsInteger(b) && IntegerOf(b) != 0) {
        const int32_t x = IntegerOf(a), y = IntegerOf(b);
        *out = MakeIntegerUnchecked(x / y - ((x % y != 0 && (x < 0) != (y < 0)) ? 1 : 0));
        return Status::Success;
    }
    return IntegerDivide(a, b, out);
}

// The remainder takes the divisor's sign.
inline Status FastModulo(Number a, Number b, Number* out) {
    if (IsInteger(a) && IsInteger(b) && IntegerOf(b) != 0) {
        const int32_t y = IntegerOf(b);
        const int32_t r = IntegerOf(a) % y;
        *out = MakeIntegerUnchecked(r != 0 && (r < 0) != (y < 0) ? r + y : r);
        return Status::Success;
    }
    return Modulo(a, b, out);
}

}  // namespace vorlan::runtime
