#include "value/Number.h"

#include <cmath>

namespace vorlan::runtime {
namespace {

// Beyond this a real cannot round into the integer range, and the cast to
// 32 bits would not be defined.
constexpr double kConvertibleMagnitude = 1.1e9;

Status Fail(Status status, Number* out) {
    *out = kNullNumber;
    return status;
}

Status StoreReal(float value, Number* out) {
    if (!std::isfinite(value)) return Fail(Status::Overflow, out);
    *out = MakeRealUnchecked(value);
    return Status::Success;
}

// An integer in range or a real: both convert without loss of meaning.
inline float AsFloat(Number n) { return IsReal(n) ? RealOf(n) : static_cast<float>(IntegerOf(n)); }
inline double AsExactDouble(Number n) {
    return IsReal(n) ? static_cast<double>(RealOf(n)) : static_cast<double>(IntegerOf(n));
}

enum class Conversion { Floor, Nearest };

Status RealToInteger(double value, Conversion conversion, Number* out) {
    if (!std::isfinite(value) || std::fabs(value) > kConvertibleMagnitude) return Fail(Status::Overflow, out);
    const double whole = conversion == Conversion::Floor ? std::floor(value) : std::round(value);
    const auto integer = static_cast<int32_t>(whole);
    if (integer > kLargestInteger || integer < -kLargestInteger) return Fail(Status::Overflow, out);
    *out = MakeIntegerUnchecked(integer);
    return Status::Success;
}

Status IntegerArithmetic(ArithOp op, int64_t a, int64_t b, Number* out) {
    int64_t exact = 0;
    switch (op) {
        case ArithOp::Add: exact = a + b; break;
        case ArithOp::Subtract: exact = a - b; break;
        case ArithOp::Multiply: exact = a * b; break;
        case ArithOp::Divide: return Fail(Status::InternalFailure, out);
    }
    if (exact >= -kLargestInteger && exact <= kLargestInteger) {
        *out = MakeIntegerUnchecked(static_cast<int32_t>(exact));
        return Status::Success;
    }
    // Overflow promotes rather than fails: the real keeps the magnitude.
    *out = MakeRealUnchecked(static_cast<float>(static_cast<double>(exact)));
    return Status::Success;
}

Status RealArithmetic(ArithOp op, float a, float b, Number* out) {
    float result = 0;
    switch (op) {
        case ArithOp::Add: result = a + b; break;
        case ArithOp::Subtract: result = a - b; break;
        case ArithOp::Multiply: result = a * b; break;
        case ArithOp::Divide:
            if (b == 0.0f) return Fail(Status::DivByZero, out);
            result = a / b;
            break;
    }
    return StoreReal(result, out);
}

// Moves a truncated remainder over to the divisor's side of zero.
template <class T>
T ToDivisorSign(T remainder, T divisor) {
    if ((divisor > 0 && remainder < 0) || (divisor < 0 && remainder > 0)) remainder += divisor;
    return remainder;
}

constexpr int Ordering(double a, double b) { return a > b ? 1 : a < b ? 2 : 0; }

}  // namespace

Status MakeInteger(int64_t value, Number* out) {
    if (value > kLargestInteger || value < -kLargestInteger) return Fail(Status::Overflow, out);
    *out = MakeIntegerUnchecked(static_cast<int32_t>(value));
    return Status::Success;
}

Status MakeReal(float value, Number* out) { return StoreReal(value, out); }

Status ReadInteger(Number n, int32_t* out) {
    *out = 0;
    if (IsNull(n)) return Status::UsingNull;
    if (IsInteger(n)) {
        *out = IntegerOf(n);
        return Status::Success;
    }
    Number integer;
    VL_PROPAGATE(RealToInteger(RealOf(n), Conversion::Nearest, &integer));
    *out = IntegerOf(integer);
    return Status::Success;
}

Status ReadReal(Number n, float* out) {
    *out = 0;
    if (IsNull(n)) return Status::UsingNull;
    *out = AsFloat(n);
    return Status::Success;
}

Status Arithmetic(ArithOp op, Number a, Number b, Number* out) {
    if (IsNull(a) || IsNull(b)) return Fail(Status::UsingNull, out);
    if (IsInteger(a) && IsInteger(b) && op != ArithOp::Divide)
        return IntegerArithmetic(op, IntegerOf(a), IntegerOf(b), out);
    return RealArithmetic(op, AsFloat(a), AsFloat(b), out);
}

Status IntegerDivide(Number a, Number b, Number* out) {
    if (IsNull(a) || IsNull(b)) return Fail(Status::UsingNull, out);
    if (IsInteger(a) && IsInteger(b)) {
        const int32_t dividend = IntegerOf(a);
        const int32_t divisor = IntegerOf(b);
        if (divisor == 0) return Fail(Status::DivByZero, out);
        int32_t quotient = dividend / divisor;
        if ((dividend < 0) != (divisor < 0) && dividend % divisor != 0) --quotient;
        *out = MakeIntegerUnchecked(quotient);
        return Status::Success;
    }
    const float divisor = AsFloat(b);
    if (divisor == 0.0f) return Fail(Status::DivByZero, out);
    const float quotient = AsFloat(a) / divisor;
    if (!std::isfinite(quotient)) return Fail(Status::Overflow, out);
    return RealToInteger(quotient, Conversion::Floor, out);
}

Status Modulo(Number a, Number b, Number* out) {
    if (IsNull(a) || IsNull(b)) return Fail(Status::UsingNull, out);
    if (IsInteger(a) && IsInteger(b)) {
        const int32_t divisor = IntegerOf(b);
        if (divisor == 0) return Fail(Status::DivByZero, out);
        *out = MakeIntegerUnchecked(ToDivisorSign(IntegerOf(a) % divisor, divisor));
        return Status::Success;
    }
    const float divisor = AsFloat(b);
    if (divisor == 0.0f) return Fail(Status::DivByZero, out);
    const auto remainder = static_cast<float>(std::fmod(static_cast<double>(AsFloat(a)), static_cast<double>(divisor)));
    if (!std::isfinite(remainder)) return Fail(Status::Overflow, out);
    return StoreReal(ToDivisorSign(remainder, divisor), out);
}

Status Power(Number a, Number b, Number* out) {
    if (IsNull(a) || IsNull(b)) return Fail(Status::UsingNull, out);
    const double raised = std::pow(static_cast<double>(AsFloat(a)), static_cast<double>(AsFloat(b)));
    return StoreReal(static_cast<float>(raised), out);
}

Status Negate(Number a, Number* out) {
    if (IsNull(a)) return Fail(Status::UsingNull, out);
    // Bit 30 holds the real's sign, and the integer range is symmetric.
    *out = IsReal(a) ? a ^ 0x40000000u : MakeIntegerUnchecked(-IntegerOf(a));
    return Status::Success;
}

Status Compare(Number a, Number b, int* result) {
    if (IsNull(a) || IsNull(b)) {
        const bool both = IsNull(a) && IsNull(b);
        *result = both ? 0 : -1;
        return both ? Status::Success : Status::UsingNull;
    }
    if (IsInteger(a) && IsInteger(b)) {
        const int32_t x = IntegerOf(a);
        const int32_t y = IntegerOf(b);
        *result = x > y ? 1 : x < y ? 2 : 0;
        return Status::Success;
    }
    // Single floats would call 1073741823 and 1073741824.0 equal.
    *result = Ordering(AsExactDouble(a), AsExactDouble(b));
    return Status::Success;
}

Status RoundByMode(Number x, int32_t mode, Number* out) {
    if (IsNull(x)) return Fail(Status::UsingNull, out);
    if (IsInteger(x)) {
        *out = x;
        return Status::Success;
    }
    const double value = RealOf(x);
    // A whole value is already where every mode would take it; shifting it by
    // a half would push Up of 2.0 to 3 and Down of -2.0 to -3.
    if (std::isfinite(value) && value == std::trunc(value)) return RealToInteger(value, Conversion::Nearest, out);
    double adjusted = value;
    switch (static_cast<RoundMode>(mode)) {
        case RoundMode::Down: adjusted = value - 0.5; break;
        case RoundMode::Up: adjusted = value + 0.5; break;
        case RoundMode::ToZero: adjusted = value < 0 ? value + 0.5 : value - 0.5; break;
        case RoundMode::FromZero: adjusted = value < 0 ? value - 0.5 : value + 0.5; break;
        case RoundMode::Nearest:
        default: break;
    }
    // The shifted value is held in single precision, as the real it stands for would be.
    adjusted = static_cast<float>(adjusted);
    return RealToInteger(adjusted, Conversion::Nearest, out);
}

Status ReadTruth(Logical value, int defaultValue, bool* out) {
    if (value == kNullLogical) {
        *out = defaultValue > 0;
        return defaultValue == -1 ? Status::UsingNull : Status::Success;
    }
    *out = (value & 1u) != 0;
    return Status::Success;
}

Status SplitTime(Time t, Number* day, Number* millis) {
    if (IsNullTime(t)) {
        *day = kNullNumber;
        *millis = kNullNumber;
        return Status::UsingNull;
    }
    *day = TimeDay(t);
    *millis = TimeMillis(t);
    return Status::Success;
}

Status CompareTime(Time a, Time b, int* result) {
    if (IsNullTime(a) || IsNullTime(b)) {
        *result = -1;
        return Status::UsingNull;
    }
    VL_PROPAGATE(Compare(TimeDay(a), TimeDay(b), result));
    if (*result != 0) return Status::Success;
    return Compare(TimeMillis(a), TimeMillis(b), result);
}

}  // namespace vorlan::runtime
