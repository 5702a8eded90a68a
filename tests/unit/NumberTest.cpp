// Number, Logical and Time primitives: integer overflow promoting to real,
// floored division and modulo, the exact comparison, rounding by mode, and
// Null travelling through every operation.

#include "value/Number.h"

#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <utility>

namespace vorlan::runtime {
namespace {

constexpr Number I(int32_t value) { return MakeIntegerUnchecked(value); }
constexpr Number R(float value) { return MakeRealUnchecked(value); }
constexpr Number kJunk = 0x12345u;  // stands for whatever the result held before
constexpr Number kNull = kNullNumber;

using BinaryOp = Status (*)(Number, Number, Number*);

Status Add(Number a, Number b, Number* out) { return Arithmetic(ArithOp::Add, a, b, out); }
Status Subtract(Number a, Number b, Number* out) { return Arithmetic(ArithOp::Subtract, a, b, out); }
Status Multiply(Number a, Number b, Number* out) { return Arithmetic(ArithOp::Multiply, a, b, out); }
Status Divide(Number a, Number b, Number* out) { return Arithmetic(ArithOp::Divide, a, b, out); }

struct BinaryRow {
    const char* what;
    BinaryOp op;
    Number a;
    Number b;
    Status status;
    Number expected;
};

void CheckBinaryRows(const BinaryRow* rows, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const BinaryRow& row = rows[i];
        SCOPED_TRACE(row.what);
        Number out = kJunk;
        EXPECT_EQ(row.op(row.a, row.b, &out), row.status);
        EXPECT_EQ(out, row.expected) << std::hex << out << " vs " << row.expected;
    }
}

TEST(Number, EncodingsAndRangeChecks) {
    EXPECT_EQ(R(0.0f), 0x80000000u);
    EXPECT_EQ(R(-0.0f), 0xC0000000u);
    struct Row {
        int64_t value;
        Status status;
        Number expected;
    };
    // -1073741824 is the Null pattern, so it must be refused like any overflow.
    const Row integers[] = {
        {1073741823, Status::Success, 0x3FFFFFFFu},     {-1073741823, Status::Success, 0x40000001u},
        {1073741824, Status::Overflow, kNull},           {-1073741824, Status::Overflow, kNull},
        {-2147483648LL, Status::Overflow, kNull},        {0, Status::Success, 0},
    };
    for (const Row& row : integers) {
        SCOPED_TRACE(row.value);
        Number out = kJunk;
        EXPECT_EQ(MakeInteger(row.value, &out), row.status);
        EXPECT_EQ(out, row.expected);
    }
    const float reals[] = {std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                           std::numeric_limits<float>::quiet_NaN()};
    for (float value : reals) {
        SCOPED_TRACE(value);
        Number out = kJunk;
        EXPECT_EQ(MakeReal(value, &out), Status::Overflow);
        EXPECT_EQ(out, kNull);
    }
    Number out = kJunk;
    EXPECT_EQ(MakeReal(-0.0f, &out), Status::Success);
    EXPECT_EQ(out, 0xC0000000u);
}

TEST(Number, ArithmeticPromotesOnOverflowAndDividesAsReal) {
    const BinaryRow rows[] = {
        {"max + 1 becomes real", Add, I(1073741823), I(1), Status::Success, R(1073741824.0f)},
        {"max + 0 stays integer", Add, I(1073741823), I(0), Status::Success, I(1073741823)},
        {"min - 1 becomes real", Subtract, I(-1073741823), I(1), Status::Success, R(-1073741824.0f)},
        {"min stays integer", Add, I(-1073741822), I(-1), Status::Success, I(-1073741823)},
        // (2^30 - 1)^2 is nearest to 2^60 (about 1.1529215e18) in single precision.
        {"max * max becomes real", Multiply, I(1073741823), I(1073741823), Status::Success, R(0x1p60f)},
        {"6 / 3 is real", Divide, I(6), I(3), Status::Success, R(2.0f)},
        {"7 / 2 is real", Divide, I(7), I(2), Status::Success, R(3.5f)},
        {"mixed add", Add, R(1.5f), I(2), Status::Success, R(3.5f)},
        {"divide by 0", Divide, I(1), I(0), Status::DivByZero, kNull},
        {"0 / 0", Divide, I(0), I(0), Status::DivByZero, kNull},
        {"divide by 0.0", Divide, I(1), R(0.0f), Status::DivByZero, kNull},
        {"divide by -0.0", Divide, R(1.0f), R(-0.0f), Status::DivByZero, kNull},
        {"real overflow", Multiply, R(3.0e38f), I(10), Status::Overflow, kNull},
    };
    CheckBinaryRows(rows, std::size(rows));
}

TEST(Number, IntegerDivideFloorsAndModuloTakesDivisorSign) {
    const BinaryRow rows[] = {
        {"-7 // 2", IntegerDivide, I(-7), I(2), Status::Success, I(-4)},
        {"-4 // 2", IntegerDivide, I(-4), I(2), Status::Success, I(-2)},
        {"6 // 3", IntegerDivide, I(6), I(3), Status::Success, I(2)},
        {"-6 // 3", IntegerDivide, I(-6), I(3), Status::Success, I(-2)},
        {"7 // -2", IntegerDivide, I(7), I(-2), Status::Success, I(-4)},
        {"-7 // -2", IntegerDivide, I(-7), I(-2), Status::Success, I(3)},
        {"-7.5 // 2", IntegerDivide, R(-7.5f), I(2), Status::Success, I(-4)},
        {"7.5 // 2", IntegerDivide, R(7.5f), I(2), Status::Success, I(3)},
        {"7 // 0", IntegerDivide, I(7), I(0), Status::DivByZero, kNull},
        {"7.5 // 0.0", IntegerDivide, R(7.5f), R(0.0f), Status::DivByZero, kNull},
        {"quotient beyond integers", IntegerDivide, R(2.0e9f), I(1), Status::Overflow, kNull},
        {"infinite quotient", IntegerDivide, R(3.0e38f), R(1.0e-30f), Status::Overflow, kNull},
        {"-7 Mod 3", Modulo, I(-7), I(3), Status::Success, I(2)},
        {"7 Mod -3", Modulo, I(7), I(-3), Status::Success, I(-2)},
        {"7 Mod 3", Modulo, I(7), I(3), Status::Success, I(1)},
        {"-7 Mod -3", Modulo, I(-7), I(-3), Status::Success, I(-1)},
        {"-6 Mod 3 is not 3", Modulo, I(-6), I(3), Status::Success, I(0)},
        {"-7.5 Mod 2", Modulo, R(-7.5f), I(2), Status::Success, R(0.5f)},
        {"7.5 Mod -2", Modulo, R(7.5f), I(-2), Status::Success, R(-0.5f)},
        {"7 Mod 0", Modulo, I(7), I(0), Status::DivByZero, kNull},
        {"7.5 Mod 0.0", Modulo, R(7.5f), R(0.0f), Status::DivByZero, kNull},
    };
    CheckBinaryRows(rows, std::size(rows));
}

TEST(Number, PowerIsRealAndNegateFlipsSign) {
    const BinaryRow rows[] = {
        {"2 ^ 3", Power, I(2), I(3), Status::Success, R(8.0f)},
        {"-2 ^ 3", Power, I(-2), I(3), Status::Success, R(-8.0f)},
        {"2 ^ -1", Power, I(2), I(-1), Status::Success, R(0.5f)},
        {"-8 ^ 0.5", Power, I(-8), R(0.5f), Status::Overflow, kNull},
        {"0 ^ -1", Power, I(0), I(-1), Status::Overflow, kNull},
        {"10 ^ 40", Power, I(10), I(40), Status::Overflow, kNull},
    };
    CheckBinaryRows(rows, std::size(rows));
    struct Row {
        Number a;
        Number expected;
    };
    const Row negations[] = {{I(5), I(-5)},
                             {I(-1073741823), I(1073741823)},
                             {I(0), I(0)},
                             {R(2.5f), R(-2.5f)},
                             {R(0.0f), 0xC0000000u}};
    for (const Row& row : negations) {
        SCOPED_TRACE(testing::Message() << std::hex << row.a);
        Number out = kJunk;
        EXPECT_EQ(Negate(row.a, &out), Status::Success);
        EXPECT_EQ(out, row.expected);
    }
}

TEST(Number, NullOperandsGiveNullAndUsingNull) {
    const BinaryOp ops[] = {Add, Subtract, Multiply, Divide, IntegerDivide, Modulo, Power};
    for (size_t i = 0; i < std::size(ops); ++i) {
        for (const auto& [a, b] : {std::pair{kNull, I(3)}, std::pair{I(3), kNull}, std::pair{kNull, kNull}}) {
            SCOPED_TRACE(testing::Message() << "op " << i << " operands " << std::hex << a << ", " << b);
            Number out = kJunk;
            EXPECT_EQ(ops[i](a, b, &out), Status::UsingNull);
            EXPECT_EQ(out, kNull);
        }
    }
    Number out = kJunk;
    EXPECT_EQ(Negate(kNull, &out), Status::UsingNull);
    EXPECT_EQ(out, kNull);
    out = kJunk;
    EXPECT_EQ(RoundByMode(kNull, 1, &out), Status::UsingNull);
    EXPECT_EQ(out, kNull);
    int32_t integer = 5;
    EXPECT_EQ(ReadInteger(kNull, &integer), Status::UsingNull);
    float real = 5;
    EXPECT_EQ(ReadReal(kNull, &real), Status::UsingNull);
}

TEST(Number, ReadingRoundsHalvesAwayFromZero) {
    struct Row {
        Number n;
        Status status;
        int32_t expected;
    };
    const Row rows[] = {
        {R(2.5f), Status::Success, 3},   {R(-2.5f), Status::Success, -3},     {R(2.4f), Status::Success, 2},
        {I(7), Status::Success, 7},      {R(1.5e9f), Status::Overflow, 0},    {R(1073741824.0f), Status::Overflow, 0},
        {R(-1.07e9f), Status::Success, -1070000000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.n);
        int32_t out = 99;
        EXPECT_EQ(ReadInteger(row.n, &out), row.status);
        EXPECT_EQ(out, row.expected);
    }
    float real = 0;
    EXPECT_EQ(ReadReal(I(-3), &real), Status::Success);
    EXPECT_EQ(real, -3.0f);
    EXPECT_EQ(ReadReal(R(0.25f), &real), Status::Success);
    EXPECT_EQ(real, 0.25f);
}

TEST(Number, CompareUsesExactValues) {
    struct Row {
        const char* what;
        Number a;
        Number b;
        Status status;
        int result;
    };
    const Row rows[] = {
        {"Null, Null", kNull, kNull, Status::Success, 0},
        {"Null, 3", kNull, I(3), Status::UsingNull, -1},
        {"3, Null", I(3), kNull, Status::UsingNull, -1},
        {"max integer below 2^30 real", I(1073741823), R(1073741824.0f), Status::Success, 2},
        {"2^30 real above max integer", R(1073741824.0f), I(1073741823), Status::Success, 1},
        {"2 equals 2.0", I(2), R(2.0f), Status::Success, 0},
        {"2.5 above 2", R(2.5f), I(2), Status::Success, 1},
        {"integers", I(-5), I(3), Status::Success, 2},
        {"-0.0 equals 0", R(-0.0f), I(0), Status::Success, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        int result = 99;
        EXPECT_EQ(Compare(row.a, row.b, &result), row.status);
        EXPECT_EQ(result, row.result);
    }
}

TEST(Number, RoundByModeAdjustsThenRoundsToNearest) {
    constexpr int32_t kNearest = 1, kDown = 2, kUp = 3, kToZero = 4, kFromZero = 5;
    struct Row {
        Number x;
        int32_t mode;
        Status status;
        Number expected;
    };
    const Row rows[] = {
        // Whole reals are never shifted, whatever the mode.
        {R(2.0f), kNearest, Status::Success, I(2)},
        {R(2.0f), kDown, Status::Success, I(2)},
        {R(2.0f), kUp, Status::Success, I(2)},
        {R(2.0f), kToZero, Status::Success, I(2)},
        {R(2.0f), kFromZero, Status::Success, I(2)},
        {R(-2.0f), kDown, Status::Success, I(-2)},
        {R(-2.0f), kUp, Status::Success, I(-2)},
        {I(7), kUp, Status::Success, I(7)},
        // 2.3 + 0.5 = 2.8 -> 3; 2.7 - 0.5 = 2.2 -> 2; -2.5 + 0.5 = -2.0 -> -2; 2.5 + 0.5 = 3.0 -> 3.
        {R(2.3f), kUp, Status::Success, I(3)},
        {R(2.7f), kDown, Status::Success, I(2)},
        {R(-2.5f), kToZero, Status::Success, I(-2)},
        {R(2.5f), kFromZero, Status::Success, I(3)},
        // 2.5 - 0.5 = 2.0 -> 2; -2.3 - 0.5 = -2.8 -> -3; -2.7 + 0.5 = -2.2 -> -2; -2.3 - 0.5 -> -3.
        {R(2.5f), kDown, Status::Success, I(2)},
        {R(-2.3f), kDown, Status::Success, I(-3)},
        {R(-2.7f), kUp, Status::Success, I(-2)},
        {R(-2.3f), kFromZero, Status::Success, I(-3)},
        {R(2.7f), kToZero, Status::Success, I(2)},
        {R(0.5f), kToZero, Status::Success, I(0)},
        {R(-2.5f), kNearest, Status::Success, I(-3)},
        // Unknown modes round to nearest.
        {R(2.5f), 0, Status::Success, I(3)},
        {R(2.5f), 9, Status::Success, I(3)},
        {R(1.5e9f), kDown, Status::Overflow, kNull},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << RealOf(row.x) << " mode " << row.mode);
        Number out = kJunk;
        EXPECT_EQ(RoundByMode(row.x, row.mode, &out), row.status);
        EXPECT_EQ(out, row.expected);
    }
}

TEST(Number, LogicalAndTimeHelpers) {
    EXPECT_EQ(LogicalFromInt(0), kFalse);
    EXPECT_EQ(LogicalFromInt(1), kTrue);
    EXPECT_EQ(LogicalFromInt(2), kNullLogical);
    EXPECT_EQ(LogicalFromInt(-1), kNullLogical);
    struct TruthRow {
        Logical value;
        int defaultValue;
        Status status;
        bool expected;
    };
    const TruthRow truths[] = {
        {kTrue, -1, Status::Success, true},         {kFalse, 1, Status::Success, false},
        {kNullLogical, 1, Status::Success, true},   {kNullLogical, 0, Status::Success, false},
        {kNullLogical, -1, Status::UsingNull, false},
    };
    for (const TruthRow& row : truths) {
        SCOPED_TRACE(testing::Message() << row.value << " default " << row.defaultValue);
        bool out = !row.expected;
        EXPECT_EQ(ReadTruth(row.value, row.defaultValue, &out), row.status);
        EXPECT_EQ(out, row.expected);
    }

    EXPECT_EQ(MakeTimeValue(I(5), kNull), kNullTime);
    Number day = kJunk, millis = kJunk;
    EXPECT_EQ(SplitTime(MakeTimeValue(I(5), I(1000)), &day, &millis), Status::Success);
    EXPECT_EQ(day, I(5));
    EXPECT_EQ(millis, I(1000));
    EXPECT_EQ(SplitTime(kNullTime, &day, &millis), Status::UsingNull);
    EXPECT_EQ(day, kNull);
    EXPECT_EQ(millis, kNull);

    struct CompareRow {
        Time a;
        Time b;
        Status status;
        int result;
    };
    const CompareRow comparisons[] = {
        {MakeTime(I(5), I(10)), MakeTime(I(5), I(20)), Status::Success, 2},
        {MakeTime(I(6), I(0)), MakeTime(I(5), I(20)), Status::Success, 1},
        {MakeTime(I(5), I(20)), MakeTime(I(5), I(20)), Status::Success, 0},
        {kNullTime, MakeTime(I(5), I(20)), Status::UsingNull, -1},
        {kNullTime, kNullTime, Status::UsingNull, -1},
    };
    for (const CompareRow& row : comparisons) {
        SCOPED_TRACE(testing::Message() << std::hex << row.a << " vs " << row.b);
        int result = 99;
        EXPECT_EQ(CompareTime(row.a, row.b, &result), row.status);
        EXPECT_EQ(result, row.result);
    }
}

}  // namespace
}  // namespace vorlan::runtime
