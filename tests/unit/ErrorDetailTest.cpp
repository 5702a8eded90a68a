// The detail of a runtime error: built from pieces and from values written
// as Output writes them, cut with "..." when too long, and held by the run's
// slot in blocks that all come back.

#include "value/Types.h"
#include "base/Memory.h"
#include "value/Arrays.h"
#include "interp/ErrorDetail.h"
#include "value/Number.h"
#include "value/Text.h"

#include <gtest/gtest.h>

#include <string>

namespace vorlan::runtime {
namespace {

using compiler::TypeDescriptor;
using compiler::TypeKind;

constexpr Number I(int32_t value) { return MakeIntegerUnchecked(value); }

Number R(float value) {
    Number n = kNullNumber;
    EXPECT_EQ(MakeReal(value, &n), Status::Success);
    return n;
}

std::u16string Chars(const ErrorDetail& detail) { return detail.Chars(); }

class ErrorDetails : public ::testing::Test {
protected:
    void SetUp() override { live_ = MemLiveCount(); }
    void TearDown() override { EXPECT_EQ(MemLiveCount(), live_) << "blocks left behind"; }

private:
    uint32_t live_ = 0;
};

TEST_F(ErrorDetails, OperationsShowTheirOperandsAsOutputWritesThem) {
    struct Row {
        Number left;
        const char* symbol;
        Number right;
        std::u16string shown;
    };
    const Row rows[] = {
        {I(10), "//", I(0), u"10 // 0"},
        {R(7.5f), "/", I(0), u"7.500000 / 0"},
        {I(-3), "Mod", I(0), u"-3 Mod 0"},
        {kNullNumber, "+", I(1), u"Null + 1"},
        {I(kLargestInteger), "*", I(2), u"1073741823 * 2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.symbol);
        ErrorDetail detail;
        detail.AddOperation(row.left, row.symbol, row.right);
        EXPECT_EQ(Chars(detail), row.shown);
    }
    ErrorDetail pieces;
    pieces.Add("index ").AddWhole(-4).Add(u" outside ").AddWhole(1).Add("..").AddWhole(3);
    EXPECT_EQ(Chars(pieces), u"index -4 outside 1..3");
}

TEST_F(ErrorDetails, ValuesWithAShortFormAndThoseWithout) {
    TypeDescriptor* text = compiler::MakeType(TypeKind::Base, compiler::kValueClassText, 8);
    TypeDescriptor* numbers = compiler::MakeType(TypeKind::Array, compiler::kValueClassDeclared, 8);
    TypeDescriptor* number = compiler::MakeType(TypeKind::Base, compiler::kValueClassNumber, 4);
    numbers->baseType = number;

    void* cell[1] = {nullptr};
    ASSERT_EQ(MakeTextFromString(u"a\tb", &cell[0]), Status::Success);
    ErrorDetail quoted;
    EXPECT_TRUE(quoted.Add("text ").AddValue(*text, cell));
    EXPECT_EQ(Chars(quoted), u"text \"a\\0009\\b\"");
    FreeText(cell[0]);

    ErrorDetail nullText;
    EXPECT_TRUE(nullText.AddValue(*text, cell));
    EXPECT_EQ(Chars(nullText), u"Null");

    // A Null array is a value like any other; the elements of one that is
    // not would not fit a report line.
    ErrorDetail nullArray;
    EXPECT_TRUE(nullArray.AddValue(*numbers, cell));
    EXPECT_EQ(Chars(nullArray), u"Null");
    void* block = nullptr;
    ASSERT_EQ(CreateOpenArray(4, 2, &block), Status::Success);
    StoreHandle(cell, block);
    ErrorDetail elements;
    EXPECT_FALSE(elements.AddValue(*numbers, cell));
    EXPECT_TRUE(elements.Empty());
    FreeArrayBlock(cell);

    for (TypeDescriptor* type : {text, numbers, number}) compiler::FreeType(type);
}

TEST_F(ErrorDetails, LongDetailsAreCutAndSaySo) {
    const std::u16string longWords(ErrorDetail::kMaxLength + 40, u'w');
    ErrorDetail pieces;
    pieces.Add(longWords.c_str()).Add(" never shown");
    ASSERT_EQ(Chars(pieces).size(), ErrorDetail::kMaxLength);
    EXPECT_EQ(Chars(pieces).substr(ErrorDetail::kMaxLength - 4), u"w...");

    // A value cut inside its own written form.
    TypeDescriptor* text = compiler::MakeType(TypeKind::Base, compiler::kValueClassText, 8);
    void* cell[1] = {nullptr};
    ASSERT_EQ(MakeText(longWords.data(), longWords.size(), &cell[0]), Status::Success);
    ErrorDetail value;
    EXPECT_TRUE(value.Add("text ").AddValue(*text, cell));
    ASSERT_EQ(Chars(value).size(), ErrorDetail::kMaxLength);
    EXPECT_EQ(Chars(value).substr(0, 7), u"text \"w");
    EXPECT_EQ(Chars(value).substr(ErrorDetail::kMaxLength - 3), u"...");
    FreeText(cell[0]);
    compiler::FreeType(text);

    // Exactly full is not cut.
    const std::u16string full(ErrorDetail::kMaxLength, u'f');
    ErrorDetail exact;
    exact.Add(full.c_str());
    EXPECT_EQ(Chars(exact), full);
}

TEST_F(ErrorDetails, TheSlotHoldsOneCopyAndGivesItBack) {
    ErrorDetail first;
    first.Add("index 4 outside 1..3");
    ErrorDetail second;
    second.AddOperation(I(10), "//", I(0));
    const uint32_t before = MemLiveCount();
    {
        ErrorDetailSlot slot;
        EXPECT_EQ(slot.Text(), nullptr);
        slot.Replace(&first);
        ASSERT_NE(slot.Text(), nullptr);
        EXPECT_EQ(std::u16string(slot.Text()), u"index 4 outside 1..3");
        slot.Replace(&second);  // a new error's detail takes the place of the old
        EXPECT_EQ(std::u16string(slot.Text()), u"10 // 0");
        EXPECT_EQ(MemLiveCount(), before + 1);
        slot.Replace(nullptr);  // an error that knows no value leaves none behind
        EXPECT_EQ(slot.Text(), nullptr);
        const ErrorDetail empty;
        slot.Replace(&second);
        slot.Replace(&empty);
        EXPECT_EQ(slot.Text(), nullptr);
        slot.Replace(&first);
        slot.Clear();
        EXPECT_EQ(slot.Text(), nullptr);
        slot.Replace(&first);  // still held when the run ends
    }
    EXPECT_EQ(MemLiveCount(), before);
}

}  // namespace
}  // namespace vorlan::runtime
