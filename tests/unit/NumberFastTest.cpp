// The evaluator's fast paths give the general routines' word and status for
// every pair of operands at the edges: the integer range's ends, products
// just inside and outside it, signs of dividends and divisors, zero, reals
// and Null.

#include "value/NumberFast.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace vorlan::runtime {
namespace {

std::vector<Number> EdgeOperands() {
    std::vector<Number> words;
    for (int32_t value : {0, 1, -1, 2, -2, 3, -3, 7, -7, 32767, -32767, 32768, -32768, 46340, 46341, -46341,
                          kLargestInteger, -kLargestInteger, kLargestInteger - 1, -kLargestInteger + 1,
                          kLargestInteger / 2, kLargestInteger / 2 + 1})
        words.push_back(MakeIntegerUnchecked(value));
    for (float value : {0.5f, -0.5f, 0.0f, -0.0f, 3.0f, -7.25f, 1.0e10f, 3.0e38f, -3.0e38f, 1.0e-38f, 1.0e-45f,
                        1073741824.0f, 0.1f})
        words.push_back(MakeRealUnchecked(value));
    words.push_back(kNullNumber);
    return words;
}

using Operation = Status (*)(Number, Number, Number*);

void ExpectSameAsGeneral(const char* name, Operation fast, Operation general) {
    for (Number a : EdgeOperands()) {
        for (Number b : EdgeOperands()) {
            Number fastWord = 0x12345678, generalWord = 0x12345678;
            const Status fastStatus = fast(a, b, &fastWord);
            const Status generalStatus = general(a, b, &generalWord);
            EXPECT_EQ(fastStatus, generalStatus) << name << " " << a << ", " << b;
            EXPECT_EQ(fastWord, generalWord) << name << " " << a << ", " << b;
        }
    }
}

template <ArithOp op>
Status General(Number a, Number b, Number* out) {
    return Arithmetic(op, a, b, out);
}

TEST(NumberFast, EveryFastPathGivesTheGeneralRoutinesWordAndStatus) {
    ExpectSameAsGeneral("+", FastArithmetic<ArithOp::Add>, General<ArithOp::Add>);
    ExpectSameAsGeneral("-", FastArithmetic<ArithOp::Subtract>, General<ArithOp::Subtract>);
    ExpectSameAsGeneral("*", FastArithmetic<ArithOp::Multiply>, General<ArithOp::Multiply>);
    ExpectSameAsGeneral("/", FastArithmetic<ArithOp::Divide>, General<ArithOp::Divide>);
    ExpectSameAsGeneral("//", FastIntegerDivide, IntegerDivide);
    ExpectSameAsGeneral("Mod", FastModulo, Modulo);
}

Status FastOrder(Number a, Number b, Number* out) {
    int order = -7;
    const Status status = FastCompare(a, b, &order);
    *out = static_cast<Number>(order);
    return status;
}

Status GeneralOrder(Number a, Number b, Number* out) {
    int order = -7;
    const Status status = Compare(a, b, &order);
    *out = static_cast<Number>(order);
    return status;
}

TEST(NumberFast, ComparisonGivesTheGeneralRoutinesOrder) { ExpectSameAsGeneral("order", FastOrder, GeneralOrder); }

// Random words of every kind, from a fixed seed: the real paths meet
// rounding, overflow to infinity and mixed integer and real operands.
TEST(NumberFast, RandomWordsGiveTheGeneralRoutinesResults) {
    uint64_t state = 20261209;
    auto next = [&state] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 32);
    };
    for (int i = 0; i < 200000; ++i) {
        Number a = next(), b = next();
        if (IsReal(a) && !std::isfinite(RealOf(a))) continue;
        if (IsReal(b) && !std::isfinite(RealOf(b))) continue;
        Number fast = 0, general = 0;
        ASSERT_EQ(FastArithmetic<ArithOp::Add>(a, b, &fast), Arithmetic(ArithOp::Add, a, b, &general)) << a << " " << b;
        ASSERT_EQ(fast, general);
        ASSERT_EQ(FastArithmetic<ArithOp::Multiply>(a, b, &fast), Arithmetic(ArithOp::Multiply, a, b, &general));
        ASSERT_EQ(fast, general);
        ASSERT_EQ(FastArithmetic<ArithOp::Divide>(a, b, &fast), Arithmetic(ArithOp::Divide, a, b, &general));
        ASSERT_EQ(fast, general);
        ASSERT_EQ(FastOrder(a, b, &fast), GeneralOrder(a, b, &general));
        ASSERT_EQ(fast, general);
    }
}

TEST(NumberFast, IntegersLeaveTheRangeAsRealsAndZeroDivisorsFail) {
    Number out = 0;
    EXPECT_EQ(FastArithmetic<ArithOp::Add>(MakeIntegerUnchecked(kLargestInteger), MakeIntegerUnchecked(1), &out),
              Status::Success);
    EXPECT_TRUE(IsReal(out));
    EXPECT_EQ(RealOf(out), 1073741824.0f);
    EXPECT_EQ(FastArithmetic<ArithOp::Multiply>(MakeIntegerUnchecked(32767), MakeIntegerUnchecked(32767), &out),
              Status::Success);
    EXPECT_EQ(IntegerOf(out), 1073676289);
    EXPECT_EQ(FastModulo(MakeIntegerUnchecked(-7), MakeIntegerUnchecked(3), &out), Status::Success);
    EXPECT_EQ(IntegerOf(out), 2);
    EXPECT_EQ(FastIntegerDivide(MakeIntegerUnchecked(-7), MakeIntegerUnchecked(2), &out), Status::Success);
    EXPECT_EQ(IntegerOf(out), -4);
    EXPECT_EQ(FastModulo(MakeIntegerUnchecked(1), MakeIntegerUnchecked(0), &out), Status::DivByZero);
    EXPECT_TRUE(IsNull(out));
    EXPECT_EQ(FastArithmetic<ArithOp::Add>(kNullNumber, MakeIntegerUnchecked(1), &out), Status::UsingNull);
    EXPECT_TRUE(IsNull(out));
}

}  // namespace
}  // namespace vorlan::runtime
