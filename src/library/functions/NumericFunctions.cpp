// The arithmetic built-in functions: the functions of one real argument, the
// angle of a point, the magnitude and rounding by mode. Results are single
// precision reals; the work between argument and result is done in double
// precision, so only the final store rounds.

#include "library/functions/BuiltinFunctions.h"
#include "library/functions/FunctionCall.h"

#include "value/Number.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace vorlan::library {

using runtime::Number;

namespace {

// The π of every angle conversion. Taken to this many places, and with the
// conversion in single precision, Cos(90) is a little off zero.
constexpr double kPi = 3.14159265359;

constexpr uint32_t kFirst = 0, kSecond = 4;  // parameter offsets

enum class Unary : uint8_t { Antilog10, Cos, Exp, Log10, LogE, Sin, Sqrt, Tan, Count };

// Which arguments a function refuses before computing (OutOfRange on it).
enum class Domain : uint8_t { Any, Positive, NotNegative };

struct UnaryRow {
    Unary key;
    const char16_t* parameter;
    Domain domain;
    bool degrees;  // the argument is an angle, turned into radians first
    double (*compute)(double);
};

double Antilog10Of(double x) { return std::pow(10.0, x); }
double CosOf(double x) { return std::cos(x); }
double ExpOf(double x) { return std::exp(x); }
double Log10Of(double x) { return std::log10(x); }
double LogEOf(double x) { return std::log(x); }
double SinOf(double x) { return std::sin(x); }
double SqrtOf(double x) { return std::sqrt(x); }
double TanOf(double x) { return std::tan(x); }

// clang-format off
constexpr std::array<UnaryRow, static_cast<size_t>(Unary::Count)> kUnary = {{
    {.key = Unary::Antilog10, .parameter = u"x",     .domain = Domain::Any,         .degrees = false, .compute = &Antilog10Of},
    {.key = Unary::Cos,       .parameter = u"angle", .domain = Domain::Any,         .degrees = true,  .compute = &CosOf},
    {.key = Unary::Exp,       .parameter = u"x",     .domain = Domain::Any,         .degrees = false, .compute = &ExpOf},
    {.key = Unary::Log10,     .parameter = u"x",     .domain = Domain::Positive,    .degrees = false, .compute = &Log10Of},
    {.key = Unary::LogE,      .parameter = u"x",     .domain = Domain::Positive,    .degrees = false, .compute = &LogEOf},
    {.key = Unary::Sin,       .parameter = u"angle", .domain = Domain::Any,         .degrees = true,  .compute = &SinOf},
    {.key = Unary::Sqrt,      .parameter = u"x",     .domain = Domain::NotNegative, .degrees = false, .compute = &SqrtOf},
    {.key = Unary::Tan,       .parameter = u"angle", .domain = Domain::Any,         .degrees = true,  .compute = &TanOf},
}};
// clang-format on

constexpr bool UnaryRowsInOrder() {
    for (size_t i = 0; i < kUnary.size(); ++i)
        if (static_cast<size_t>(kUnary[i].key) != i || !kUnary[i].compute) return false;
    return true;
}
static_assert(UnaryRowsInOrder(), "numeric function rows follow Unary");

constexpr bool Refused(Domain domain, float x) {
    return (domain == Domain::Positive && x <= 0.0f) || (domain == Domain::NotNegative && x < 0.0f);
}

Status RunUnary(Unary key, void* context, void* parameters, void* result) {
    const UnaryRow& row = kUnary[static_cast<size_t>(key)];
    FunctionCall call(context, parameters);
    runtime::StoreCell(result, runtime::kNullNumber);
    float x = 0;
    VL_PROPAGATE(call.ArgumentError(row.parameter, call.ReadReal(kFirst, &x)));
    if (Refused(row.domain, x)) return call.ArgumentError(row.parameter, Status::OutOfRange);
    // Degrees become radians in single precision, as every angle does.
    const float argument = row.degrees ? x / 180.0f * static_cast<float>(kPi) : x;
    return call.SetRealResult(row.compute(static_cast<double>(argument)), result);
}

}  // namespace

Status Antilog10(void* c, void* p, void* r) { return RunUnary(Unary::Antilog10, c, p, r); }
Status Cos(void* c, void* p, void* r) { return RunUnary(Unary::Cos, c, p, r); }
Status Exp(void* c, void* p, void* r) { return RunUnary(Unary::Exp, c, p, r); }
Status Log10(void* c, void* p, void* r) { return RunUnary(Unary::Log10, c, p, r); }
Status LogE(void* c, void* p, void* r) { return RunUnary(Unary::LogE, c, p, r); }
Status Sin(void* c, void* p, void* r) { return RunUnary(Unary::Sin, c, p, r); }
Status Sqrt(void* c, void* p, void* r) { return RunUnary(Unary::Sqrt, c, p, r); }
Status Tan(void* c, void* p, void* r) { return RunUnary(Unary::Tan, c, p, r); }

// The direction of the point (x, y) from the origin, in degrees from -180 to
// 180: atan2(y, x), so (1, 0) is 0 and (0, 1) is 90. The origin itself is 0.
Status Angle(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    runtime::StoreCell(result, runtime::kNullNumber);
    float x = 0, y = 0;
    VL_PROPAGATE(call.ArgumentError(u"x", call.ReadReal(kFirst, &x)));
    VL_PROPAGATE(call.ArgumentError(u"y", call.ReadReal(kSecond, &y)));
    const double radians = std::atan2(static_cast<double>(y), static_cast<double>(x));
    if (!std::isfinite(radians)) return call.ResultError(Status::Overflow, false);
    return call.SetRealResult(radians / kPi * 180.0, result);
}

// Integers and reals keep their kind. -0.0 counts as negative, so the
// magnitude never shows a sign.
Status Abs(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    runtime::StoreCell(result, runtime::kNullNumber);
    const Number value = call.Number(kFirst);
    if (runtime::IsNull(value)) return call.ArgumentError(u"value", Status::UsingNull);
    const bool negative = runtime::IsReal(value) ? std::signbit(runtime::RealOf(value)) : runtime::IntegerOf(value) < 0;
    Number magnitude = value;
    if (negative) VL_PROPAGATE(call.ArgumentError(u"value", runtime::Negate(value, &magnitude)));
    runtime::StoreCell(result, magnitude);
    return Status::Success;
}

// A whole number by an ERound mode. A Null value has nothing to round and
// gives Null; a whole number is already rounded, whatever the mode.
Status Round(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    runtime::StoreCell(result, runtime::kNullNumber);
    const Number value = call.Number(kFirst);
    if (runtime::IsNull(value)) return Status::Success;
    if (runtime::IsInteger(value)) {
        runtime::StoreCell(result, value);
        return Status::Success;
    }
    int32_t mode = 0;
    VL_PROPAGATE(call.ArgumentError(u"mode", call.ReadEnum(kSecond, &mode)));
    Number rounded = runtime::kNullNumber;
    VL_PROPAGATE(call.ArgumentError(u"value", runtime::RoundByMode(value, mode, &rounded)));
    runtime::StoreCell(result, rounded);
    return Status::Success;
}

namespace {

// The smaller or larger of two Numbers, as it was given (whole or real); Null
// in either gives Null, as the arithmetic does.
Status Pick(void* context, void* parameters, void* result, int keep) {
    FunctionCall call(context, parameters);
    runtime::StoreCell(result, runtime::kNullNumber);
    const Number a = call.Number(kFirst);
    const Number b = call.Number(kSecond);
    if (runtime::IsNull(a) || runtime::IsNull(b)) return Status::Success;
    int order = 0;
    VL_PROPAGATE(call.ResultError(runtime::Compare(a, b, &order), false));
    runtime::StoreCell(result, order == keep ? b : a);
    return Status::Success;
}

}  // namespace

Status Min(void* context, void* parameters, void* result) { return Pick(context, parameters, result, 1); }
Status Max(void* context, void* parameters, void* result) { return Pick(context, parameters, result, 2); }

// x held within low to high; Null in any gives Null. A range whose high is
// below its low holds nothing, and is OutOfRange on high.
Status Clamp(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    runtime::StoreCell(result, runtime::kNullNumber);
    const Number x = call.Number(0), low = call.Number(4), high = call.Number(8);
    if (runtime::IsNull(x) || runtime::IsNull(low) || runtime::IsNull(high)) return Status::Success;
    int order = 0;
    VL_PROPAGATE(call.ResultError(runtime::Compare(low, high, &order), false));
    if (order == 1) return call.ArgumentError(u"high", Status::OutOfRange);
    Number kept = x;
    VL_PROPAGATE(call.ResultError(runtime::Compare(x, low, &order), false));
    if (order == 2) kept = low;
    VL_PROPAGATE(call.ResultError(runtime::Compare(x, high, &order), false));
    if (order == 1) kept = high;
    runtime::StoreCell(result, kept);
    return Status::Success;
}

// π as single precision holds it.
Status Pi(void*, void*, void* result) {
    Number word = runtime::kNullNumber;
    (void)runtime::MakeReal(3.14159265358979f, &word);
    runtime::StoreCell(result, word);
    return Status::Success;
}

}  // namespace vorlan::library
