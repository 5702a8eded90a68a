// The written forms of Output: Text escapes, Number and Time forms, Logical
// values, and arrays and structures on hand-built type descriptors. Every
// test gives back all the memory it took.

#include "value/Types.h"
#include "base/Memory.h"
#include "value/Calendar.h"
#include "value/SystemTypeCodes.h"
#include "value/Arrays.h"
#include "value/Number.h"
#include "interp/OutputForms.h"
#include "value/Text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

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

// What `write` put on a stream.
std::string Written(const std::function<void(FILE*)>& write) {
    FILE* stream = std::tmpfile();
    if (!stream) {
        ADD_FAILURE() << "no temporary file";
        return {};
    }
    write(stream);
    std::rewind(stream);
    std::string text;
    for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream)) text += static_cast<char>(c);
    std::fclose(stream);
    return text;
}

std::string TextForm(const std::u16string& chars) {
    void* block = nullptr;
    EXPECT_EQ(MakeText(chars.data(), chars.size(), &block), Status::Success);
    const std::string text = Written([&](FILE* out) { WriteText(out, block); });
    FreeText(block);
    return text;
}

class OutputForms : public ::testing::Test {
protected:
    void SetUp() override { live_ = MemLiveCount(); }
    void TearDown() override { EXPECT_EQ(MemLiveCount(), live_) << "blocks left behind"; }

private:
    uint32_t live_ = 0;
};

// Section - Basic values

TEST_F(OutputForms, TextEscapesEverythingOutsidePrintableAscii) {
    struct Row {
        std::u16string chars;
        const char* written;
    };
    const Row rows[] = {
        {u"", "\"\""},
        {u"plain words", "\"plain words\""},
        {u"a\tb", "\"a\\0009\\b\""},
        {u"\t\n", "\"\\0009,000A\\\""},
        {u"say \"hi\"", "\"say \\\"hi\\\"\""},
        {u"back\\slash", "\"back\\\\slash\""},
        {u"~ \x7F", "\"~ \\007F\\\""},       // 126 is the last printable, 127 is not
        {u"\x1F!", "\"\\001F\\!\""},         // 31 is not, 32 on are
        {u"caf\u00E9s", "\"caf\\00E9\\s\""},  // no UTF-8 in a Text's form
        {u"\u20AC\u00A3x\u00A5", "\"\\20AC,00A3\\x\\00A5\\\""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.written);
        EXPECT_EQ(TextForm(row.chars), row.written);
    }
    EXPECT_EQ(Written([](FILE* out) { WriteText(out, nullptr); }), "Null");
}

TEST_F(OutputForms, NumbersAsIntegersRealsOrNull) {
    struct Row {
        Number value;
        const char* written;
    };
    const Row rows[] = {
        {I(0), "0"},
        {I(42), "42"},
        {I(-7), "-7"},
        {I(kLargestInteger), "1073741823"},
        {I(-kLargestInteger), "-1073741823"},
        {R(2.5f), "2.500000"},
        {R(-0.25f), "-0.250000"},
        {R(1.0f), "1.000000"},
        {kNullNumber, "Null"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.written);
        EXPECT_EQ(Written([&](FILE* out) { WriteNumber(out, row.value); }), row.written);
    }
}

TEST_F(OutputForms, LogicalsAndTheValuesThatAreNone) {
    EXPECT_EQ(Written([](FILE* out) { EXPECT_EQ(WriteLogical(out, kTrue), Status::Success); }), "True");
    EXPECT_EQ(Written([](FILE* out) { EXPECT_EQ(WriteLogical(out, kFalse), Status::Success); }), "False");
    EXPECT_EQ(Written([](FILE* out) { EXPECT_EQ(WriteLogical(out, kNullLogical), Status::Success); }), "Null");
    // A stored value that is no Logical writes nothing and is refused.
    EXPECT_EQ(Written([](FILE* out) { EXPECT_EQ(WriteLogical(out, 2), Status::Invalid); }), "");
}

TEST_F(OutputForms, TimesWithAndWithoutDateAndMilliseconds) {
    Number leapDay = kNullNumber;
    ASSERT_EQ(library::MakeDay(2024, 2, 29, &leapDay), Status::Success);
    Number firstDay = kNullNumber;
    ASSERT_EQ(library::MakeDay(1, 1, 1, &firstDay), Status::Success);
    auto clock = [](int32_t h, int32_t m, int32_t s, int32_t ms) {
        Number n = kNullNumber;
        EXPECT_EQ(library::MakeTimeOfDay(h, m, s, ms, &n), Status::Success);
        return n;
    };
    struct Row {
        Time value;
        const char* written;
    };
    const Row rows[] = {
        {MakeTime(leapDay, clock(13, 5, 9, 123)), "2024-02-29@13:05:09.123"},
        {MakeTime(leapDay, clock(0, 0, 0, 0)), "2024-02-29@00:00:00"},
        {MakeTime(kNullNumber, clock(13, 5, 9, 500)), "13:05:09.500"},
        {MakeTime(kNullNumber, clock(23, 59, 59, 0)), "23:59:59"},
        {MakeTime(firstDay, clock(0, 0, 0, 7)), "0001-01-01@00:00:00.007"},
        {kNullTime, "Null"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.written);
        EXPECT_EQ(Written([&](FILE* out) { WriteTime(out, row.value); }), row.written);
    }
}

// Section - Arrays and structures

// Hand-built types: Number, Text, and a structure {Number n, Text t}.
struct Types {
    TypeDescriptor* number = compiler::MakeType(TypeKind::Base, compiler::kValueClassNumber, 4);
    TypeDescriptor* text = compiler::MakeType(TypeKind::Base, compiler::kValueClassText, 8);
    TypeDescriptor* dataPtr = compiler::MakeType(TypeKind::Base, compiler::kValueClassDeclared, 8);
    TypeDescriptor* pair = compiler::MakeType(TypeKind::Structure, compiler::kValueClassDeclared, 16);
    TypeDescriptor* numbers = compiler::MakeType(TypeKind::Array, compiler::kValueClassDeclared, 8);
    std::vector<compiler::DataItem*> fields;

    Types() {
        dataPtr->systemDeclared = true;
        dataPtr->typeCode = library::kDataPtr;
        AddField(number, 0);
        AddField(text, 4);
        AddField(dataPtr, 12);
        pair->cellSize = 20;
        numbers->baseType = number;
    }
    ~Types() {
        for (TypeDescriptor* type : {number, text, dataPtr, numbers}) compiler::FreeType(type);
        compiler::FreeType(pair);  // with its fields
    }
    void AddField(TypeDescriptor* type, uint32_t offset) {
        auto* field = new compiler::DataItem{};
        field->type = type;
        field->offset = offset;
        pair->fields.first ? (pair->fields.last->next = field) : (pair->fields.first = field);
        pair->fields.last = field;
    }
};

TEST_F(OutputForms, FormsChosenByType) {
    Types types;
    EXPECT_EQ(FormOf(*types.number), OutputForm::Number);
    EXPECT_EQ(FormOf(*types.text), OutputForm::Text);
    EXPECT_EQ(FormOf(*types.dataPtr), OutputForm::DataPtr);
    EXPECT_EQ(FormOf(*types.pair), OutputForm::Structure);
    EXPECT_EQ(FormOf(*types.numbers), OutputForm::Array);
}

TEST_F(OutputForms, ArraysNestPerDimension) {
    Types types;
    void* cell[1] = {nullptr};
    auto form = [&]() { return Written([&](FILE* out) { (void)WriteValue(out, OutputForm::Array, *types.numbers, cell); }); };
    EXPECT_EQ(form(), "Null");

    void* block = nullptr;
    ASSERT_EQ(CreateOpenArray(4, 0, &block), Status::Success);
    StoreHandle(cell, block);
    EXPECT_EQ(form(), "[]");
    FreeArrayBlock(cell);

    ASSERT_EQ(CreateOpenArray(4, 3, &block), Status::Success);
    for (int i = 0; i < 3; ++i) StoreCell(ElementAddress(block, 4, i), I(i + 1));
    StoreHandle(cell, block);
    EXPECT_EQ(form(), "[ 1, 2, 3 ]");
    FreeArrayBlock(cell);

    // Two dimensions of 2 and 3: the last index runs fastest.
    auto* grid = compiler::MakeType(TypeKind::Array, compiler::kValueClassDeclared, 8);
    auto* rows = new compiler::Dimension{};
    auto* columns = new compiler::Dimension{};
    *rows = {{}, types.number, 2, 1, 2, columns};
    *columns = {{}, types.number, 3, 1, 3, nullptr};
    grid->baseType = types.number;
    grid->dimensions = rows;
    grid->dimensionCount = 2;
    ASSERT_EQ(CreateArray(*grid, nullptr, 0, &block), Status::Success);
    for (int i = 0; i < 6; ++i) StoreCell(ElementAddress(block, 4, i), I(i + 1));
    StoreHandle(cell, block);
    EXPECT_EQ(Written([&](FILE* out) { (void)WriteValue(out, OutputForm::Array, *grid, cell); }),
              "[ [ 1, 2, 3 ], [ 4, 5, 6 ] ]");
    FreeArrayBlock(cell);
    compiler::FreeType(grid);
}

TEST_F(OutputForms, StructuresWriteEveryFieldInOrder) {
    Types types;
    uint8_t cell[20] = {};
    StoreCell(cell, I(1));
    void* text = nullptr;
    ASSERT_EQ(MakeTextFromString(u"one", &text), Status::Success);
    StoreHandle(cell + 4, text);
    EXPECT_EQ(Written([&](FILE* out) { (void)WriteValue(out, OutputForm::Structure, *types.pair, cell); }),
              "{1, \"one\", @null}");
    StoreHandle(cell + 12, &types);  // any internal record
    StoreCell(cell, kNullNumber);
    EXPECT_EQ(Written([&](FILE* out) { (void)WriteValue(out, OutputForm::Structure, *types.pair, cell); }),
              "{Null, \"one\", @sysdata}");
    FreeText(text);
}

TEST_F(OutputForms, TypesWithoutAFormAreRefused) {
    auto* type = compiler::MakeType(TypeKind::Base, compiler::kValueClassAny, 8);
    const uint8_t cell[8] = {};
    EXPECT_EQ(FormOf(*type), OutputForm::None);
    EXPECT_EQ(Written([&](FILE* out) { EXPECT_EQ(WriteValue(out, OutputForm::None, *type, cell), Status::Invalid); }),
              "");
    compiler::FreeType(type);
}

}  // namespace
}  // namespace vorlan::runtime
