// Text blocks, array blocks and the storage classes that clear, copy and
// release values, on small hand-built type descriptors. Every test gives back
// all the memory it took.

#include "value/Types.h"
#include "base/Memory.h"
#include "value/Arrays.h"
#include "value/Text.h"
#include "value/ValueOps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace vorlan::runtime {
namespace {

using compiler::DataItem;
using compiler::Dimension;
using compiler::StorageClass;
using compiler::TypeDescriptor;
using compiler::TypeKind;

constexpr Number I(int32_t value) { return MakeIntegerUnchecked(value); }

// Section - Helpers

void* NewText(const std::u16string& text) {
    void* block = nullptr;
    EXPECT_EQ(MakeText(text.data(), text.size(), &block), Status::Success);
    return block;
}

std::u16string TextOf(const void* block) {
    return block ? std::u16string(TextChars(block), TextCount(block)) : u"<null>";
}

std::u16string TextInCell(const void* cell) { return TextOf(LoadHandle<const void>(cell)); }

// The words of a block from `offset` on, as 32-bit little-endian values.
std::vector<uint32_t> WordsOf(const void* block, size_t offset, size_t count) {
    std::vector<uint32_t> words(count);
    std::memcpy(words.data(), static_cast<const char*>(block) + offset, count * 4);
    return words;
}

// Builds the descriptors the tests share and frees them, and checks that the
// test gave back everything else it allocated.
class ValueFixture : public testing::Test {
protected:
    ValueFixture() : start_(MemLiveCount()) {
        number_ = Make(TypeKind::Base, compiler::kValueClassNumber, 4);
        number_->storage = StorageClass::Plain;
        number_->ops.clear = ClearNumber;
        text_ = Make(TypeKind::Base, compiler::kValueClassText, 8);
        text_->storage = StorageClass::Text;
        record_ = Make(TypeKind::Structure, compiler::kValueClassDeclared, 0);
        AddField(record_, number_);
        AddField(record_, text_);
        AddField(record_, number_);
        textArray_ = OpenArrayOf(text_);
        grid_ = FixedArrayOf(number_, {{1, 3}, {0, 1}});
        ready_ = SetValueOps(*number_) && SetValueOps(*text_) && SetValueOps(*record_) && SetValueOps(*textArray_) &&
                 SetValueOps(*grid_);
    }

    void TearDown() override {
        for (TypeDescriptor*& type : made_) FreeType(type);
        EXPECT_EQ(MemLiveCount(), start_) << "the test left blocks behind";
    }

    TypeDescriptor* Make(TypeKind kind, uint16_t valueClass, uint32_t cellSize) {
        TypeDescriptor* type = compiler::MakeType(kind, valueClass, cellSize);
        type->state = compiler::TypeState::Complete;
        made_.push_back(type);
        return type;
    }

    static void AddField(TypeDescriptor* structure, TypeDescriptor* type, bool ref = false) {
        auto* field = new DataItem{};
        field->type = type;
        field->cellSize = ref ? 8 : type->cellSize;
        field->flags = ref ? compiler::kDataRef : 0;
        structure->fields.Add(field);
        structure->cellSize = structure->fields.size;
    }

    TypeDescriptor* OpenArrayOf(TypeDescriptor* element) {
        TypeDescriptor* array = Make(TypeKind::Array, compiler::kValueClassDeclared, 8);
        array->baseType = element;
        array->openArray = true;
        array->dimensionCount = 1;
        array->dimensions = new Dimension{};
        *array->dimensions = {{}, number_, 0, -1, -2, nullptr};
        return array;
    }

    // Bounds of {-1, -2} make a dimension open.
    TypeDescriptor* FixedArrayOf(TypeDescriptor* element, std::initializer_list<std::pair<int32_t, int32_t>> bounds) {
        TypeDescriptor* array = Make(TypeKind::Array, compiler::kValueClassDeclared, 8);
        array->baseType = element;
        Dimension** link = &array->dimensions;
        for (const auto& [low, high] : bounds) {
            const bool open = low == -1 && high == -2;
            *link = new Dimension{};
            **link = {{}, number_, open ? 0 : high - low + 1, low, high, nullptr};
            link = &(*link)->next;
            array->openArray = array->openArray || open;
            ++array->dimensionCount;
        }
        return array;
    }

    uint32_t start_;
    bool ready_ = false;
    std::vector<TypeDescriptor*> made_;
    TypeDescriptor* number_;
    TypeDescriptor* text_;
    TypeDescriptor* record_;     // {Number a; Text t; Number b}
    TypeDescriptor* textArray_;  // Text[]
    TypeDescriptor* grid_;       // Number[1 To 3, 0 To 1]
};

using ArrayBlocks = ValueFixture;
using StorageClasses = ValueFixture;

// Section - Text blocks

TEST(TextBlocks, LayoutIsCountCharactersTerminator) {
    const uint32_t start = MemLiveCount();
    void* block = NewText(u"h\u00E9llo");
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(MemBlockTag(block), kTagText);
    EXPECT_EQ(MemBlockSize(block), 14u);
    const uint16_t expected[] = {5, u'h', 0xE9, u'l', u'l', u'o', 0};
    EXPECT_EQ(std::memcmp(block, expected, sizeof expected), 0);

    void* empty = nullptr;
    EXPECT_EQ(MakeTextFromString(u"", &empty), Status::Success);
    ASSERT_NE(empty, nullptr) << "empty text is not Null";
    EXPECT_EQ(MemBlockSize(empty), 4u);

    const std::u16string tooLong(65536, u'x');
    void* refused = &refused;
    EXPECT_EQ(MakeText(tooLong.data(), tooLong.size(), &refused), Status::Overflow);
    EXPECT_EQ(refused, nullptr);

    void* copy = &copy;
    EXPECT_EQ(DuplicateText(nullptr, &copy), Status::Success);
    EXPECT_EQ(copy, nullptr);
    testing::internal::CaptureStdout();
    MemFailAllocationAt(1);
    EXPECT_EQ(MakeTextFromString(u"abc", &copy), Status::OutOfMemory);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(copy, nullptr);

    FreeText(block);
    FreeText(empty);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(MemLiveCount(), start);
}

TEST(TextBlocks, ConcatLimitsAndNulls) {
    struct Row {
        int a;  // character count, -1 for Null
        int b;
        Status status;
        int joined;  // -1 for Null
    };
    const Row rows[] = {
        {15000, 15000, Status::Success, 30000}, {15000, 15001, Status::Overflow, -1}, {0, 0, Status::Success, 0},
        {-1, 3, Status::UsingNull, -1},         {3, -1, Status::UsingNull, -1},
    };
    const uint32_t start = MemLiveCount();
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.a << " + " << row.b);
        void* a = row.a < 0 ? nullptr : NewText(std::u16string(size_t(row.a), u'a'));
        void* b = row.b < 0 ? nullptr : NewText(std::u16string(size_t(row.b), u'b'));
        void* dest = NewText(u"old");  // must be let go whatever happens
        EXPECT_EQ(ConcatText(&dest, &a, &b), row.status);
        if (row.joined < 0) {
            EXPECT_EQ(dest, nullptr);
        } else {
            ASSERT_NE(dest, nullptr);
            EXPECT_EQ(TextOf(dest), std::u16string(size_t(row.a), u'a') + std::u16string(size_t(row.b), u'b'));
            EXPECT_EQ(TextChars(dest)[row.joined], u'\0');
        }
        FreeText(a);
        FreeText(b);
        FreeText(dest);
        EXPECT_EQ(MemLiveCount(), start);
    }
}

TEST(TextBlocks, ConcatIntoAnOperand) {
    const uint32_t start = MemLiveCount();
    void* a = NewText(u"ab");
    void* b = NewText(u"c");
    ASSERT_EQ(ConcatText(&a, &a, &b), Status::Success);
    EXPECT_EQ(TextOf(a), u"abc");
    ASSERT_EQ(ConcatText(&b, &a, &b), Status::Success);
    EXPECT_EQ(TextOf(b), u"abcc");
    ASSERT_EQ(ConcatText(&a, &a, &a), Status::Success);
    EXPECT_EQ(TextOf(a), u"abcabc");
    EXPECT_EQ(MemLiveCount(), start + 2);

    // A failed join still leaves the destination Null and the other operand whole.
    testing::internal::CaptureStdout();
    MemFailAllocationAt(1);
    EXPECT_EQ(ConcatText(&a, &a, &b), Status::OutOfMemory);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(TextOf(b), u"abcc");
    FreeText(b);
    EXPECT_EQ(MemLiveCount(), start);
}

// Section - Array blocks

TEST_F(ArrayBlocks, HeaderLayout) {
    void* grid = nullptr;
    ASSERT_EQ(CreateArray(*grid_, nullptr, 0, &grid), Status::Success);
    EXPECT_EQ(MemBlockTag(grid), kTagArray);
    EXPECT_EQ(MemBlockSize(grid), 44u + 6 * 4);
    EXPECT_EQ(LoadCell<uint64_t>(grid), 44u);
    EXPECT_EQ(WordsOf(grid, 8, 9),
              (std::vector<uint32_t>{I(2), I(3), I(3), I(1), I(3), I(2), I(2), I(0), I(1)}));

    void* open = nullptr;
    ASSERT_EQ(CreateOpenArray(8, 5, &open), Status::Success);
    EXPECT_EQ(MemBlockSize(open), 28u + 5 * 8);
    EXPECT_EQ(LoadCell<uint64_t>(open), 28u);
    EXPECT_EQ(WordsOf(open, 8, 5), (std::vector<uint32_t>{I(1), I(5), I(5), I(1), I(5)}));

    struct Row {
        const void* block;
        int32_t k;
        Status status;
        int64_t count;
    };
    const Row rows[] = {
        {grid, 1, Status::Success, 6},     {grid, 2, Status::Success, 2},      {grid, 3, Status::Success, 1},
        {grid, 0, Status::OutOfRange, 0},  {grid, 4, Status::OutOfRange, 0},   {open, 1, Status::Success, 5},
        {nullptr, 1, Status::UsingNull, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "k " << row.k << (row.block ? "" : " of Null"));
        int64_t count = -1;
        EXPECT_EQ(CountFrom(row.block, row.k, &count), row.status);
        EXPECT_EQ(count, row.count);
    }
    DimensionRecord record;
    EXPECT_EQ(ReadDimension(grid, 3, &record), Status::OutOfRange);
    EXPECT_EQ(ReadDimension(nullptr, 1, &record), Status::UsingNull);
    int32_t dimensions;
    EXPECT_EQ(DimensionCount(nullptr, &dimensions), Status::UsingNull);
    MemRelease(grid);
    MemRelease(open);
}

TEST_F(ArrayBlocks, OpenDimensionsTakeRunTimeCounts) {
    TypeDescriptor* mixed = FixedArrayOf(number_, {{-1, -2}, {0, 1}, {-1, -2}});
    struct Row {
        std::vector<int32_t> counts;
        Status status;
        std::vector<DimensionRecord> expected;
    };
    const Row rows[] = {
        {{4, 3}, Status::Success, {{4, 4, 1, 4}, {2, 2, 0, 1}, {3, 3, 1, 3}}},
        {{4}, Status::Success, {{4, 4, 1, 4}, {2, 2, 0, 1}, {0, 0, 1, 0}}},
        {{4, -1}, Status::OutOfRange, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.counts.size() << " counts");
        void* block = &block;
        ASSERT_EQ(CreateArray(*mixed, row.counts.data(), row.counts.size(), &block), row.status);
        if (row.status != Status::Success) {
            EXPECT_EQ(block, nullptr);
            continue;
        }
        for (int32_t k = 1; k <= 3; ++k) {
            DimensionRecord record;
            ASSERT_EQ(ReadDimension(block, k, &record), Status::Success);
            const DimensionRecord& want = row.expected[size_t(k - 1)];
            EXPECT_EQ(std::vector<int32_t>({record.capacity, record.count, record.low, record.high}),
                      std::vector<int32_t>({want.capacity, want.count, want.low, want.high}))
                << "dimension " << k;
        }
        MemRelease(block);
    }
    TypeDescriptor* elementless = FixedArrayOf(number_, {{1, 2}});
    elementless->baseType = nullptr;
    void* block = nullptr;
    EXPECT_EQ(CreateArray(*elementless, nullptr, 0, &block), Status::InternalFailure);
}

TEST_F(ArrayBlocks, AppendDoublesCapacityAndKeepsOrder) {
    void* cell = nullptr;
    const void* before = nullptr;
    constexpr int32_t kAppends = 10000;
    for (int32_t i = 1; i <= kAppends; ++i) {
        const Number value = I(i * 3);
        ASSERT_EQ(AppendElement(&cell, *number_, &value), Status::Success);
        DimensionRecord record;
        ASSERT_EQ(ReadDimension(cell, 1, &record), Status::Success);
        ASSERT_EQ(record.count, i);
        ASSERT_EQ(record.high, i);
        ASSERT_EQ(record.low, 1);
        if (i <= 9) {
            SCOPED_TRACE(testing::Message() << "append " << i);
            // Grown only when full: at the 5th and the 9th.
            EXPECT_EQ(record.capacity, i <= 4 ? 4 : i <= 8 ? 8 : 16);
            EXPECT_EQ(cell != before, i == 1 || i == 5 || i == 9);
        }
        before = cell;
    }
    for (int32_t i = 0; i < kAppends; ++i)
        ASSERT_EQ(LoadCell<Number>(ElementAddress(cell, 4, size_t(i))), I((i + 1) * 3)) << "element " << i;
    FreeArray(&cell, *number_);
    EXPECT_EQ(cell, nullptr);
}

TEST_F(ArrayBlocks, AppendedTextsAreCopiesAndSurviveGrowth) {
    void* cell = nullptr;
    for (int i = 0; i < 1000; ++i) {
        void* text = NewText(std::u16string(size_t(i % 7), u'a') + char16_t(u'0' + i % 10));
        ASSERT_EQ(AppendElement(&cell, *text_, &text), Status::Success);
        FreeText(text);  // the array holds its own copy
    }
    EXPECT_EQ(ElementCount(cell), 1000);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(TextInCell(ElementAddress(cell, 8, size_t(i))),
                  std::u16string(size_t(i % 7), u'a') + char16_t(u'0' + i % 10))
            << "element " << i;
    FreeArray(&cell, *text_);
}

TEST_F(ArrayBlocks, FailedAppendLeavesArrayAsItWas) {
    void* cell = nullptr;
    void* text = NewText(u"t");
    for (int i = 0; i < 4; ++i) ASSERT_EQ(AppendElement(&cell, *text_, &text), Status::Success);
    const void* full = cell;
    struct Row {
        const char* what;
        uint32_t failAt;
    };
    // Full at 4: the first allocation is the bigger block, the second the copy.
    const Row rows[] = {{"growing", 1}, {"copying into the grown block", 2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const uint32_t live = MemLiveCount();
        testing::internal::CaptureStdout();
        MemFailAllocationAt(row.failAt);
        EXPECT_EQ(AppendElement(&cell, *text_, &text), Status::OutOfMemory);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(cell, full);
        EXPECT_EQ(ElementCount(cell), 4);
        EXPECT_EQ(MemLiveCount(), live);
    }
    for (int i = 0; i < 4; ++i) EXPECT_EQ(TextInCell(ElementAddress(cell, 8, size_t(i))), u"t");
    FreeText(text);
    FreeArray(&cell, *text_);
}

TEST_F(ArrayBlocks, DeepCopyMakesIndependentTexts) {
    ASSERT_TRUE(ready_);
    void* source = nullptr;
    for (const char16_t* word : {u"one", u"two", u"three"}) {
        void* text = NewText(word);
        ASSERT_EQ(AppendElement(&source, *text_, &text), Status::Success);
        FreeText(text);
    }
    void* dest = &dest;
    ASSERT_EQ(InitialiseValue(*textArray_, &dest), Status::Success);
    EXPECT_EQ(dest, nullptr) << "an open array starts Null";
    void* text = NewText(u"old");
    ASSERT_EQ(AppendElement(&dest, *text_, &text), Status::Success);
    FreeText(text);

    // The type's copy is the deep copy.
    ASSERT_EQ(textArray_->ops.copy(*textArray_, &dest, &source), Status::Success);
    ASSERT_NE(dest, source);
    EXPECT_EQ(ElementCount(dest), 3);
    DimensionRecord record;
    ASSERT_EQ(ReadDimension(dest, 1, &record), Status::Success);
    EXPECT_EQ(record.capacity, 3) << "a copy carries no spare room it was not sized for";
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NE(LoadHandle<void>(ElementAddress(dest, 8, i)), LoadHandle<void>(ElementAddress(source, 8, i)));
    }
    FreeArray(&source, *text_);
    EXPECT_EQ(TextInCell(ElementAddress(dest, 8, 2)), u"three");

    // x := x changes nothing; a Null source empties the destination.
    void* const same = dest;
    EXPECT_EQ(DeepCopyArray(&dest, &dest, *textArray_), Status::Success);
    EXPECT_EQ(dest, same);
    EXPECT_EQ(DeepCopyArray(&dest, &source, *textArray_), Status::Success);
    EXPECT_EQ(dest, nullptr);
}

TEST_F(ArrayBlocks, DeepCopyFailingMidwayKeepsDestination) {
    void* source = nullptr;
    void* dest = nullptr;
    for (int i = 0; i < 5; ++i) {
        void* text = NewText(std::u16string(1, char16_t(u'a' + i)));
        ASSERT_EQ(AppendElement(&source, *text_, &text), Status::Success);
        if (i < 2) { ASSERT_EQ(AppendElement(&dest, *text_, &text), Status::Success); }
        FreeText(text);
    }
    void* const old = dest;
    // One allocation for the block, then one per element.
    for (uint32_t failAt = 1; failAt <= 6; ++failAt) {
        SCOPED_TRACE(testing::Message() << "allocation " << failAt << " fails");
        const uint32_t live = MemLiveCount();
        testing::internal::CaptureStdout();
        MemFailAllocationAt(failAt);
        EXPECT_EQ(DeepCopyArray(&dest, &source, *textArray_), Status::OutOfMemory);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(dest, old);
        EXPECT_EQ(TextInCell(ElementAddress(dest, 8, 1)), u"b");
        EXPECT_EQ(MemLiveCount(), live);
    }
    ASSERT_EQ(DeepCopyArray(&dest, &source, *textArray_), Status::Success);
    EXPECT_EQ(TextInCell(ElementAddress(dest, 8, 4)), u"e");
    FreeArray(&source, *text_);
    FreeArray(&dest, *text_);
}

TEST_F(ArrayBlocks, ElementsWithoutClearAreReported) {
    TypeDescriptor* bare = Make(TypeKind::Base, compiler::kValueClassNumber, 4);
    void* block = nullptr;
    ASSERT_EQ(CreateOpenArray(4, 2, &block), Status::Success);
    testing::internal::CaptureStdout();
    EXPECT_EQ(InitialiseElements(*bare, block), Status::InternalFailure);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "**** ArrayDefInit NO INIT FUNCT \n");
    EXPECT_EQ(InitialiseElements(*number_, block), Status::Success);
    EXPECT_EQ(LoadCell<Number>(ElementAddress(block, 4, 1)), kNullNumber);
    MemRelease(block);
}

// Section - Storage classes

TEST_F(StorageClasses, ChosenFromTheParts) {
    ASSERT_TRUE(ready_);
    TypeDescriptor* pair = Make(TypeKind::Structure, compiler::kValueClassDeclared, 0);
    AddField(pair, number_);
    AddField(pair, text_, true);  // a Ref field is a plain handle
    TypeDescriptor* unclassed = Make(TypeKind::Base, compiler::kValueClassNumber, 4);
    TypeDescriptor* broken = Make(TypeKind::Structure, compiler::kValueClassDeclared, 0);
    AddField(broken, unclassed);
    TypeDescriptor* enumeration = Make(TypeKind::Enumeration, compiler::kValueClassDeclared, 8);
    // A node holding an open array of nodes: a cycle through an array.
    TypeDescriptor* node = Make(TypeKind::Structure, compiler::kValueClassDeclared, 0);
    TypeDescriptor* children = OpenArrayOf(node);
    AddField(node, number_);
    AddField(node, children);
    struct Row {
        const char* what;
        TypeDescriptor* type;
        StorageClass expected;
    };
    const Row rows[] = {
        {"Number", number_, StorageClass::Plain},
        {"Text", text_, StorageClass::Text},
        {"structure with a Text", record_, StorageClass::Structure},
        {"structure with a Ref Text", pair, StorageClass::Plain},
        {"open array of Text", textArray_, StorageClass::OpenArray},
        {"open array of Number", OpenArrayOf(number_), StorageClass::OpenArrayPlain},
        {"fixed array of Number", grid_, StorageClass::FixedArrayPlain},
        {"fixed array of structures", FixedArrayOf(record_, {{1, 2}}), StorageClass::FixedArray},
        {"enumeration", enumeration, StorageClass::Plain},
        {"base type never classed", unclassed, StorageClass::Unset},
        {"structure of an unclassed type", broken, StorageClass::Unset},
        {"node", node, StorageClass::Structure},
        {"array of nodes", children, StorageClass::OpenArray},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(ChooseStorageClass(*row.type), row.expected);
        EXPECT_EQ(SetValueOps(*row.type), row.expected != StorageClass::Unset);
    }
    EXPECT_TRUE(children->ops.copy && children->ops.release && node->ops.copy);
}

TEST_F(StorageClasses, SetValueOpsKeepsSlotsAlreadySetAndNeedsCompleteFields) {
    TypeDescriptor* time = Make(TypeKind::Base, compiler::kValueClassTime, 8);
    time->storage = StorageClass::Plain;
    time->ops.clear = ClearTime;
    ASSERT_TRUE(SetValueOps(*time));
    EXPECT_EQ(time->ops.clear, &ClearTime);
    EXPECT_EQ(time->ops.copy, &CopyBytes);
    EXPECT_EQ(time->ops.release, &ReleaseNothing);

    TypeDescriptor* later = Make(TypeKind::Structure, compiler::kValueClassDeclared, 0);
    later->state = compiler::TypeState::Forward;
    TypeDescriptor* holder = Make(TypeKind::Structure, compiler::kValueClassDeclared, 0);
    AddField(holder, number_);
    AddField(holder, later);
    EXPECT_FALSE(SetValueOps(*holder));
}

TEST_F(StorageClasses, StructureCopyDuplicatesItsText) {
    ASSERT_TRUE(ready_);
    ASSERT_EQ(record_->cellSize, 16u);
    ASSERT_EQ(record_->storage, StorageClass::Structure);
    char source[16], dest[16];
    ASSERT_EQ(InitialiseValue(*record_, source), Status::Success);
    EXPECT_EQ(LoadCell<Number>(source), kNullNumber);
    EXPECT_EQ(LoadHandle<void>(source + 4), nullptr);
    EXPECT_EQ(LoadCell<Number>(source + 12), kNullNumber);
    StoreCell(source, I(1));
    StoreHandle(source + 4, NewText(u"xy"));
    StoreCell(source + 12, I(2));
    ASSERT_EQ(InitialiseValue(*record_, dest), Status::Success);
    StoreHandle(dest + 4, NewText(u"old"));

    ASSERT_EQ(record_->ops.copy(*record_, dest, source), Status::Success);
    EXPECT_EQ(LoadCell<Number>(dest), I(1));
    EXPECT_EQ(LoadCell<Number>(dest + 12), I(2));
    EXPECT_NE(LoadHandle<void>(dest + 4), LoadHandle<void>(source + 4));
    EXPECT_EQ(TextInCell(dest + 4), u"xy");

    EXPECT_EQ(record_->ops.release(*record_, source), Status::Success);
    EXPECT_EQ(LoadHandle<void>(source + 4), nullptr);
    EXPECT_EQ(TextInCell(dest + 4), u"xy");
    EXPECT_EQ(record_->ops.release(*record_, dest), Status::Success);
}

TEST_F(StorageClasses, FixedArraysAreBuiltWithTheirElements) {
    ASSERT_TRUE(ready_);
    // A structure holding a fixed array, in a fixed array: every level is built.
    TypeDescriptor* holder = Make(TypeKind::Structure, compiler::kValueClassDeclared, 0);
    AddField(holder, text_);
    AddField(holder, grid_);
    TypeDescriptor* holders = FixedArrayOf(holder, {{1, 2}});
    ASSERT_TRUE(SetValueOps(*holders));
    void* cell = nullptr;
    ASSERT_EQ(InitialiseValue(*holders, &cell), Status::Success);
    ASSERT_EQ(ElementCount(cell), 2);
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(testing::Message() << "holder " << i);
        const char* element = static_cast<const char*>(ElementAddress(cell, 16, i));
        EXPECT_EQ(LoadHandle<void>(element), nullptr);
        const void* inner = LoadHandle<const void>(element + 8);
        ASSERT_NE(inner, nullptr);
        EXPECT_EQ(ElementCount(inner), 6);
        for (size_t k = 0; k < 6; ++k) EXPECT_EQ(LoadCell<Number>(ElementAddress(inner, 4, k)), kNullNumber);
    }
    // Copying goes all the way down; the plain inner arrays are duplicated whole.
    void* copy = nullptr;
    ASSERT_EQ(holders->ops.copy(*holders, &copy, &cell), Status::Success);
    const void* original = LoadHandle<const void>(static_cast<char*>(ElementAddress(cell, 16, 1)) + 8);
    const void* duplicate = LoadHandle<const void>(static_cast<char*>(ElementAddress(copy, 16, 1)) + 8);
    EXPECT_NE(duplicate, original);
    EXPECT_EQ(std::memcmp(duplicate, original, MemBlockSize(original)), 0);
    EXPECT_EQ(holders->ops.release(*holders, &copy), Status::Success);

    // Building fails at each allocation in turn: nothing is kept.
    for (uint32_t failAt = 1; failAt <= 3; ++failAt) {
        SCOPED_TRACE(testing::Message() << "allocation " << failAt << " fails");
        const uint32_t live = MemLiveCount();
        void* partial = &partial;
        testing::internal::CaptureStdout();
        MemFailAllocationAt(failAt);
        EXPECT_EQ(InitialiseValue(*holders, &partial), Status::OutOfMemory);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(partial, nullptr);
        EXPECT_EQ(MemLiveCount(), live);
    }
    EXPECT_EQ(holders->ops.release(*holders, &cell), Status::Success);
    EXPECT_EQ(cell, nullptr);
}

}  // namespace
}  // namespace vorlan::runtime
