#pragma once
// The Number operations an evaluator meets most, for two integer words whose
// result is an integer again, inline. Anything else (a real, a Null, an
// overflow into a real, a zero divisor) goes to the general routine, so each
// gives exactly the word and status the general routine gives.

#include "value/Number.h"

#include <cstdint>

namespace vorlan::runtime {

template <ArithOp op>
inline Status FastArithmetic(Number a, Number b, Number* out) {
    if (op != ArithOp::Divide && IsInteger(a) && IsInteger(b)) {
        const int64_t x = IntegerOf(a), y = IntegerOf(b);
        const int64_t result = op == ArithOp::Add ? x + y : op == ArithOp::Subtract ? x - y : x * y;
        if (result >= -kLargestInteger && result <= kLargestInteger) {
            *out = MakeIntegerUnchecked(static_cast<int32_t>(result));
            return Status::Success;
        }
    }
    return Arithmetic(op, a, b, out);
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
