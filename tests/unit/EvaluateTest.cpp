// The evaluator's tables: equality of cells of every kind of type, the
// ordering of texts, and a few evaluations of hand-built trees whose results
// a program test could not isolate (element addresses with negative bounds,
// temporaries given back). Every test returns all the memory it took.

#include "compiler/Expression.h"
#include "value/Types.h"
#include "base/Memory.h"
#include "value/Arrays.h"
#include "interp/EvalSupport.h"
#include "interp/Evaluate.h"
#include "value/Text.h"
#include "value/ValueOps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vorlan::runtime {
namespace {

using compiler::DataItem;
using compiler::Dimension;
using compiler::EvalCode;
using compiler::ExprList;
using compiler::ExprNode;
using compiler::StorageClass;
using compiler::Tok;
using compiler::TypeDescriptor;
using compiler::TypeKind;

constexpr Number I(int32_t value) { return MakeIntegerUnchecked(value); }
constexpr Number R(float value) { return MakeRealUnchecked(value); }

void* NewText(const std::u16string& text) {
    void* block = nullptr;
    EXPECT_EQ(MakeText(text.data(), text.size(), &block), Status::Success);
    return block;
}

std::u16string TextOf(const void* block) {
    return block ? std::u16string(TextChars(block), TextCount(block)) : u"<null>";
}

// A cell holding one text block, freed with the holder.
struct TextCell {
    explicit TextCell(const char16_t* text) : block(text ? NewText(text) : nullptr) {}
    ~TextCell() { FreeText(block); }
    void* block;
};

class EvaluatorFixture : public testing::Test {
protected:
    EvaluatorFixture() : start_(MemLiveCount()) {
        number_ = Base(compiler::kValueClassNumber, 4, StorageClass::Plain, ClearNumber);
        logical_ = Base(compiler::kValueClassLogical, 4, StorageClass::Plain, ClearLogical);
        text_ = Base(compiler::kValueClassText, 8, StorageClass::Text, nullptr);
        time_ = Base(compiler::kValueClassTime, 8, StorageClass::Plain, ClearTime);
        shape_ = Base(11, 8, StorageClass::Plain, ClearZero8);
        colour_ = Make(TypeKind::Enumeration, compiler::kValueClassDeclared, 8);
        for (int32_t i = 1; i <= 3; ++i) {
            auto* item = new DataItem{};
            item->enumPosition = i;
            item->enumValue = 10 * i;
            colour_->fields.Add(item);
        }
        record_ = Make(TypeKind::Structure, compiler::kValueClassDeclared, 0);
        AddField(record_, number_);
        AddField(record_, text_);
        texts_ = ArrayOf(text_, {{0, -1}});  // open
        grid_ = ArrayOf(number_, {{-2, 2}, {1, 2}});
        ready_ = SetValueOps(*number_) && SetValueOps(*logical_) && SetValueOps(*text_) && SetValueOps(*time_) &&
                 SetValueOps(*shape_) && SetValueOps(*colour_) && SetValueOps(*record_) && SetValueOps(*texts_) &&
                 SetValueOps(*grid_);
    }

    void TearDown() override {
        nodes_.clear();
        for (TypeDescriptor*& type : made_) FreeType(type);
        EXPECT_EQ(MemLiveCount(), start_) << "the test left blocks behind";
    }

    TypeDescriptor* Make(TypeKind kind, uint16_t valueClass, uint32_t cellSize) {
        TypeDescriptor* type = compiler::MakeType(kind, valueClass, cellSize);
        type->state = compiler::TypeState::Complete;
        made_.push_back(type);
        return type;
    }

    TypeDescriptor* Base(uint16_t valueClass, uint32_t cellSize, StorageClass storage, compiler::ClearOp clear) {
        TypeDescriptor* type = Make(TypeKind::Base, valueClass, cellSize);
        type->storage = storage;
        type->ops.clear = clear;
        return type;
    }

    static void AddField(TypeDescriptor* structure, TypeDescriptor* type) {
        auto* field = new DataItem{};
        field->type = type;
        field->cellSize = type->cellSize;
        structure->fields.Add(field);
        structure->cellSize = structure->fields.size;
    }

    // A dimension with high < low is open.
    TypeDescriptor* ArrayOf(TypeDescriptor* element, std::initializer_list<std::pair<int32_t, int32_t>> bounds) {
        TypeDescriptor* array = Make(TypeKind::Array, compiler::kValueClassDeclared, 8);
        array->baseType = element;
        Dimension** link = &array->dimensions;
        for (const auto& [low, high] : bounds) {
            const bool open = high < low;
            *link = new Dimension{};
            **link = {{}, number_, open ? 0 : high - low + 1, open ? -1 : low, open ? -2 : high, nullptr};
            link = &(*link)->next;
            array->openArray = array->openArray || open;
            ++array->dimensionCount;
        }
        return array;
    }

    // An open Text array holding `texts`; nullptr for an empty list gives an
    // allocated array of no elements.
    void* TextArray(std::initializer_list<const char16_t*> texts) {
        void* block = nullptr;
        EXPECT_EQ(CreateOpenArray(8, static_cast<int32_t>(texts.size()), &block), Status::Success);
        size_t i = 0;
        for (const char16_t* text : texts) StoreHandle(ElementAddress(block, 8, i++), NewText(text));
        return block;
    }

    void FreeTextArray(void* block) {
        alignas(8) uint8_t cell[8];
        StoreHandle(cell, block);
        FreeArray(cell, *text_);
    }

    DataItem* Colour(int position) {
        DataItem* item = colour_->fields.first;
        while (item && item->enumPosition != position) item = item->next;
        return item;
    }

    // Section - Hand-built trees

    ExprNode* Node(EvalCode eval, TypeDescriptor* type, uint8_t flags) {
        auto* node = new ExprNode{};
        node->eval = eval;
        node->type = type;
        node->flags = flags;
        node->refCount = 1;
        return node;
    }

    // A root node the fixture releases with everything under it.
    ExprNode* Keep(ExprNode* node) {
        nodes_.emplace_back(node);
        return node;
    }

    ExprNode* NumberLiteral(Number value) {
        ExprNode* node = Node(EvalCode::Literal, number_, compiler::kNodeComputed);
        std::memcpy(node->literal, &value, sizeof value);
        return node;
    }

    ExprNode* TextLiteral(const char16_t* text) {
        ExprNode* node = Node(EvalCode::TextLiteral, text_, compiler::kNodeComputed);
        node->text = text ? NewText(text) : nullptr;
        return node;
    }

    ExprNode* FrameItem(TypeDescriptor* type, uint32_t offset) {
        ExprNode* node = Node(EvalCode::DataItem, type, compiler::kNodeDirect);
        node->storage = compiler::NodeStorage::Frame;
        node->offset = offset;
        return node;
    }

    ExprNode* Binary(EvalCode eval, Tok op, TypeDescriptor* type, ExprNode* left, ExprNode* right) {
        ExprNode* node = Node(eval, type, compiler::kNodeComputed);
        node->op = op;
        node->left.Adopt(left);
        node->right.Adopt(right);
        return node;
    }

    static ExprList* List(std::initializer_list<ExprNode*> items, const TypeDescriptor* bound = nullptr) {
        auto* list = new ExprList{};
        list->count = static_cast<uint16_t>(items.size());
        list->items.Allocate(items.size(), compiler::kTagExprList);
        uint16_t i = 0;
        for (ExprNode* item : items) list->items[i++].Adopt(item);
        if (bound) {
            list->targets.Allocate(items.size(), compiler::kTagExprList);
            i = 0;
            for (DataItem* field = bound->fields.first; field && i < list->count; field = field->next)
                list->targets[i++] = field;
        }
        return list;
    }

    ExprNode* Indexed(EvalCode eval, TypeDescriptor* type, uint8_t flags, ExprNode* left,
                      std::initializer_list<ExprNode*> indexes) {
        ExprNode* node = Node(eval, type, flags);
        node->left.Adopt(left);
        node->list.Adopt(List(indexes));
        return node;
    }

    RunContext Context(uint8_t* frame) {
        RunContext context;
        context.frame = frame;
        return context;
    }

    uint32_t start_;
    bool ready_ = false;
    std::vector<TypeDescriptor*> made_;
    std::vector<compiler::NodeRef> nodes_;
    TypeDescriptor* number_;
    TypeDescriptor* logical_;
    TypeDescriptor* text_;
    TypeDescriptor* time_;
    TypeDescriptor* shape_;
    TypeDescriptor* colour_;  // three items, positions 1 to 3
    TypeDescriptor* record_;  // {Number n; Text t}
    TypeDescriptor* texts_;   // Text[]
    TypeDescriptor* grid_;    // Number[-2 To 2, 1 To 2]
};

using DataEqualTable = EvaluatorFixture;
using HandBuiltTrees = EvaluatorFixture;

// Section - Equality of cells

TEST_F(DataEqualTable, Numbers) {
    ASSERT_TRUE(ready_);
    struct Row {
        const char* what;
        Number a, b;
        bool equal;
    } const rows[] = {
        {"same integer", I(7), I(7), true},
        {"different integers", I(7), I(8), false},
        {"integer and equal real", I(2), R(2.0f), true},
        {"real and equal integer", R(2.0f), I(2), true},
        {"integer and near real", I(1073741823), R(1073741824.0f), false},
        {"both Null", kNullNumber, kNullNumber, true},
        {"Null and zero", kNullNumber, I(0), false},
        {"zero and Null", I(0), kNullNumber, false},
        {"Null and real zero", kNullNumber, R(0.0f), false},
        {"integer zero and real zero", I(0), R(0.0f), true},
        {"plus and minus real zero", R(0.0f), R(-0.0f), true},
        {"different reals", R(1.5f), R(2.5f), false},
        {"negative integer and real", I(-3), R(-3.0f), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(DataEqual(*number_, &row.a, &row.b), row.equal);
    }
}

TEST_F(DataEqualTable, LogicalsTimesAndEnumerations) {
    ASSERT_TRUE(ready_);
    struct Row {
        const char* what;
        const TypeDescriptor* type;
        uint64_t a, b;
        bool equal;
    };
    const uint64_t red = reinterpret_cast<uintptr_t>(Colour(1));
    const uint64_t blue = reinterpret_cast<uintptr_t>(Colour(3));
    const Row rows[] = {
        {"True True", logical_, kTrue, kTrue, true},
        {"True False", logical_, kTrue, kFalse, false},
        {"Null Null", logical_, kNullLogical, kNullLogical, true},
        {"Null False", logical_, kNullLogical, kFalse, false},
        {"same time", time_, MakeTime(I(9000), I(5)), MakeTime(I(9000), I(5)), true},
        {"other millisecond", time_, MakeTime(I(9000), I(5)), MakeTime(I(9000), I(6)), false},
        {"other day", time_, MakeTime(I(9000), I(5)), MakeTime(I(9001), I(5)), false},
        {"Null times", time_, kNullTime, kNullTime, true},
        {"Null and a time", time_, kNullTime, MakeTime(I(1), I(1)), false},
        {"same item", colour_, red, red, true},
        {"other item", colour_, red, blue, false},
        {"Null items", colour_, 0, 0, true},
        {"Null and an item", colour_, 0, red, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(DataEqual(*row.type, &row.a, &row.b), row.equal);
    }
}

TEST_F(DataEqualTable, Texts) {
    ASSERT_TRUE(ready_);
    struct Row {
        const char16_t* a;
        const char16_t* b;
        bool equal;
    } const rows[] = {
        {u"abc", u"abc", true},  {u"abc", u"abd", false}, {u"abc", u"ab", false}, {u"ab", u"abc", false},
        {u"", u"", true},        {nullptr, nullptr, true}, {nullptr, u"", false},  {u"", nullptr, false},
        {u"A", u"a", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        TextCell a(row.a), b(row.b);
        EXPECT_EQ(DataEqual(*text_, &a.block, &b.block), row.equal);
    }
}

TEST_F(DataEqualTable, ArraysCompareShapeThenElements) {
    ASSERT_TRUE(ready_);
    struct Row {
        const char* what;
        std::vector<const char16_t*> a, b;  // empty with null: the Null array
        bool aNull, bNull, equal;
    } const rows[] = {
        {"same elements", {u"x", u"y"}, {u"x", u"y"}, false, false, true},
        {"one element differs", {u"x", u"y"}, {u"x", u"z"}, false, false, false},
        {"different counts", {u"x"}, {u"x", u"y"}, false, false, false},
        {"both empty", {}, {}, false, false, true},
        {"both Null", {}, {}, true, true, true},
        {"Null and empty", {}, {}, true, false, false},
        {"empty and Null", {}, {}, false, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto make = [this](const std::vector<const char16_t*>& texts, bool null) -> void* {
            if (null) return nullptr;
            void* block = nullptr;
            EXPECT_EQ(CreateOpenArray(8, static_cast<int32_t>(texts.size()), &block), Status::Success);
            for (size_t i = 0; i < texts.size(); ++i) StoreHandle(ElementAddress(block, 8, i), NewText(texts[i]));
            return block;
        };
        alignas(8) uint8_t a[8], b[8];
        StoreHandle(a, make(row.a, row.aNull));
        StoreHandle(b, make(row.b, row.bNull));
        EXPECT_EQ(DataEqual(*texts_, a, b), row.equal);
        FreeArray(a, *text_);
        FreeArray(b, *text_);
    }
}

TEST_F(DataEqualTable, ArraysOfOneCountButOtherShapeDiffer) {
    ASSERT_TRUE(ready_);
    // Number[2, 3] against Number[3, 2]: six zeros each.
    TypeDescriptor* twoByThree = ArrayOf(number_, {{1, 2}, {1, 3}});
    TypeDescriptor* threeByTwo = ArrayOf(number_, {{1, 3}, {1, 2}});
    ASSERT_TRUE(SetValueOps(*twoByThree) && SetValueOps(*threeByTwo));
    alignas(8) uint8_t a[8] = {}, b[8] = {}, c[8] = {};
    ASSERT_EQ(InitialiseValue(*twoByThree, a), Status::Success);
    ASSERT_EQ(InitialiseValue(*threeByTwo, b), Status::Success);
    ASSERT_EQ(InitialiseValue(*twoByThree, c), Status::Success);
    EXPECT_FALSE(DataEqual(*twoByThree, a, b));
    EXPECT_TRUE(DataEqual(*twoByThree, a, c));
    StoreCell(ElementAddress(LoadHandle<void>(c), 4, 5), I(1));
    EXPECT_FALSE(DataEqual(*twoByThree, a, c));
    FreeArrayBlock(a);
    FreeArrayBlock(b);
    FreeArrayBlock(c);
}

TEST_F(DataEqualTable, StructuresCompareEveryField) {
    ASSERT_TRUE(ready_);
    struct Row {
        const char* what;
        Number n1;
        const char16_t* t1;
        Number n2;
        const char16_t* t2;
        bool equal;
    } const rows[] = {
        {"equal fields", I(1), u"a", I(1), u"a", true},
        {"number differs", I(1), u"a", I(2), u"a", false},
        {"text differs", I(1), u"a", I(1), u"b", false},
        {"integer and equal real", I(4), u"a", R(4.0f), u"a", true},
        {"Null texts", kNullNumber, nullptr, kNullNumber, nullptr, true},
        {"one Null text", I(1), nullptr, I(1), u"", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<uint8_t> a(record_->cellSize), b(record_->cellSize);
        StoreCell(a.data(), row.n1);
        StoreHandle(a.data() + 4, row.t1 ? NewText(row.t1) : nullptr);
        StoreCell(b.data(), row.n2);
        StoreHandle(b.data() + 4, row.t2 ? NewText(row.t2) : nullptr);
        EXPECT_EQ(DataEqual(*record_, a.data(), b.data()), row.equal);
        EXPECT_EQ(record_->ops.release(*record_, a.data()), Status::Success);
        EXPECT_EQ(record_->ops.release(*record_, b.data()), Status::Success);
    }
}

TEST_F(DataEqualTable, TypesWithoutEqualityAreUnequal) {
    ASSERT_TRUE(ready_);
    const uint64_t a = 5, b = 5;
    testing::internal::CaptureStdout();
    const bool equal = DataEqual(*shape_, &a, &b);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "DataCompare: Should not be here\n");
    EXPECT_FALSE(equal);
}

// Section - Ordering of texts

TEST(TextOrder, ByCharacterCodeWithPrefixesFirst) {
    struct Row {
        const char16_t* a;
        const char16_t* b;
        int order;  // 1 a greater, 2 b greater, 0 equal
    } const rows[] = {
        {u"abc", u"abc", 0}, {u"abc", u"abd", 2}, {u"abd", u"abc", 1}, {u"ab", u"abc", 2},  {u"abc", u"ab", 1},
        {u"", u"", 0},       {u"", u"a", 2},      {u"a", u"", 1},      {u"B", u"a", 2},     {u"a", u"B", 1},
        {u"z", u"aa", 1},    {u"\u00e9", u"f", 1}, {u"a\u00e9", u"a\u00ea", 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        void* x = NewText(row.a);
        void* y = NewText(row.b);
        EXPECT_EQ(CompareTextOrder(x, y), row.order);
        FreeText(x);
        FreeText(y);
    }
}

// Section - Hand-built trees

TEST_F(HandBuiltTrees, ElementsOfAnArrayWithNegativeBounds) {
    ASSERT_TRUE(ready_);
    alignas(8) uint8_t frame[8] = {};
    ASSERT_EQ(InitialiseValue(*grid_, frame), Status::Success);
    void* block = LoadHandle<void>(frame);
    struct Row {
        Number i, j;
        size_t element;  // row-major, 2 per row
    } const rows[] = {
        {I(-2), I(1), 0}, {I(-2), I(2), 1}, {I(-1), I(1), 2}, {I(0), I(2), 5}, {I(2), I(2), 9}, {R(1.6f), I(1), 8},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        ExprNode* node = Keep(Indexed(EvalCode::ArrayElement, number_, compiler::kNodeDirect, FrameItem(grid_, 0),
                                      {NumberLiteral(row.i), NumberLiteral(row.j)}));
        RunContext context = Context(frame);
        uint8_t* address = nullptr;
        ASSERT_EQ(EvaluateAddress(*node, context, &address), Status::Success);
        EXPECT_EQ(address, ElementAddress(block, 4, row.element));
    }
    FreeArrayBlock(frame);
}

TEST_F(HandBuiltTrees, TextCharacters) {
    ASSERT_TRUE(ready_);
    struct Row {
        const char16_t* text;
        Number low, high;  // high Null with `two` means "to the end"
        bool two;
        const char16_t* result;
    } const rows[] = {
        {u"abc", I(2), 0, false, u"b"},   {u"abc", I(1), 0, false, u"a"},         {u"abc", I(3), 0, false, u"c"},
        {u"abc", I(2), I(3), true, u"bc"}, {u"abc", I(2), kNullNumber, true, u"bc"}, {u"abc", I(1), I(1), true, u"a"},
        {u"abc", R(1.5f), I(3), true, u"bc"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        ExprNode* node =
            row.two ? Indexed(EvalCode::TextCharacters, text_, compiler::kNodeComputed, TextLiteral(row.text),
                              {NumberLiteral(row.low), NumberLiteral(row.high)})
                    : Indexed(EvalCode::TextCharacters, text_, compiler::kNodeComputed, TextLiteral(row.text),
                              {NumberLiteral(row.low)});
        Keep(node);
        RunContext context = Context(nullptr);
        alignas(8) uint8_t out[8] = {};
        StoreHandle(out, NewText(u"old"));  // replaced, not leaked
        ASSERT_EQ(Evaluate(*node, context, out), Status::Success);
        EXPECT_EQ(TextOf(LoadHandle<void>(out)), row.result);
        void* result = LoadHandle<void>(out);
        FreeText(result);
    }
}

TEST_F(HandBuiltTrees, EqualityAndOrderingWithoutErrors) {
    ASSERT_TRUE(ready_);
    // Two Number locals at offsets 0 and 4.
    struct Row {
        const char* what;
        EvalCode eval;
        Tok op;
        Number a, b;
        Logical result;
    } const rows[] = {
        {"Null == Null", EvalCode::Equal, Tok::EqualEqual, kNullNumber, kNullNumber, kTrue},
        {"Null <> Null", EvalCode::Equal, Tok::NotEqual, kNullNumber, kNullNumber, kFalse},
        {"Null <= Null", EvalCode::CompareNumber, Tok::LessEqual, kNullNumber, kNullNumber, kTrue},
        {"Null >= Null", EvalCode::CompareNumber, Tok::GreaterEqual, kNullNumber, kNullNumber, kTrue},
        {"Null < Null", EvalCode::CompareNumber, Tok::Less, kNullNumber, kNullNumber, kFalse},
        {"Null > Null", EvalCode::CompareNumber, Tok::Greater, kNullNumber, kNullNumber, kFalse},
        {"2 == 2.0", EvalCode::Equal, Tok::EqualEqual, I(2), R(2.0f), kTrue},
        {"1073741824.0 == 1073741823", EvalCode::Equal, Tok::EqualEqual, R(1073741824.0f), I(1073741823), kFalse},
        {"1073741824.0 > 1073741823", EvalCode::CompareNumber, Tok::Greater, R(1073741824.0f), I(1073741823), kTrue},
        {"3 < 4", EvalCode::CompareNumber, Tok::Less, I(3), I(4), kTrue},
        {"Null == 0", EvalCode::Equal, Tok::EqualEqual, kNullNumber, I(0), kFalse},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        alignas(8) uint8_t frame[8];
        StoreCell(frame, row.a);
        StoreCell(frame + 4, row.b);
        ExprNode* node = Keep(Binary(row.eval, row.op, logical_, FrameItem(number_, 0), FrameItem(number_, 4)));
        RunContext context = Context(frame);
        Logical out = kNullLogical;
        const uint32_t live = MemLiveCount();
        ASSERT_EQ(Evaluate(*node, context, &out), Status::Success);
        EXPECT_EQ(out, row.result);
        EXPECT_EQ(MemLiveCount(), live) << "Number comparisons allocate nothing";
    }
}

TEST_F(HandBuiltTrees, TextOrderingOperators) {
    ASSERT_TRUE(ready_);
    struct Row {
        const char16_t* a;
        Tok op;
        const char16_t* b;
        Logical result;
    } const rows[] = {
        {u"ab", Tok::Less, u"abc", kTrue},          {u"ab", Tok::Greater, u"abc", kFalse},
        {u"b", Tok::GreaterEqual, u"abc", kTrue},   {u"abc", Tok::LessEqual, u"abc", kTrue},
        {u"abc", Tok::Less, u"abc", kFalse},        {nullptr, Tok::LessEqual, nullptr, kTrue},
        {nullptr, Tok::Less, nullptr, kFalse},      {u"Z", Tok::Less, u"a", kTrue},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        ExprNode* node =
            Keep(Binary(EvalCode::CompareText, row.op, logical_, TextLiteral(row.a), TextLiteral(row.b)));
        RunContext context = Context(nullptr);
        Logical out = kNullLogical;
        ASSERT_EQ(Evaluate(*node, context, &out), Status::Success);
        EXPECT_EQ(out, row.result);
    }
}

TEST_F(HandBuiltTrees, StructureValueModifyAndFieldGiveBackTheirTemporaries) {
    ASSERT_TRUE(ready_);
    // {5, "five"}{t -> "six"}.t: a computed structure, modified, then a field
    // copied out of it.
    ExprNode* value = Node(EvalCode::StructureValue, record_, compiler::kNodeComputed);
    value->list.Adopt(List({NumberLiteral(I(5)), TextLiteral(u"five")}, record_));
    ExprNode* modify = Node(EvalCode::StructureModify, record_, compiler::kNodeComputed);
    modify->left.Adopt(value);
    modify->list.Adopt(List({nullptr, TextLiteral(u"six")}, record_));
    ExprNode* field = Keep(Node(EvalCode::Field, text_, compiler::kNodeComputed));
    field->left.Adopt(modify);
    field->item = record_->fields.first->next;
    field->offset = field->item->offset;

    RunContext context = Context(nullptr);
    alignas(8) uint8_t out[8] = {};
    ASSERT_EQ(Evaluate(*field, context, out), Status::Success);
    EXPECT_EQ(TextOf(LoadHandle<void>(out)), u"six");
    void* text = LoadHandle<void>(out);
    FreeText(text);

    std::vector<uint8_t> whole(record_->cellSize);
    ASSERT_EQ(Evaluate(*modify, context, whole.data()), Status::Success);
    EXPECT_EQ(LoadCell<Number>(whole.data()), I(5)) << "an unlisted field keeps its value";
    EXPECT_EQ(TextOf(LoadHandle<void>(whole.data() + 4)), u"six");
    // Evaluating again into a cell that holds a value replaces it.
    ASSERT_EQ(Evaluate(*value, context, whole.data()), Status::Success);
    EXPECT_EQ(TextOf(LoadHandle<void>(whole.data() + 4)), u"five");
    EXPECT_EQ(record_->ops.release(*record_, whole.data()), Status::Success);
}

TEST_F(HandBuiltTrees, ArrayLiteralsTakeOpenCountsAndCompareEqual) {
    ASSERT_TRUE(ready_);
    auto literal = [this](std::initializer_list<const char16_t*> texts) {
        ExprNode* node = Node(EvalCode::ArrayLiteral, texts_, compiler::kNodeComputed);
        std::vector<ExprNode*> items;
        for (const char16_t* text : texts) items.push_back(TextLiteral(text));
        node->list.Adopt(new ExprList{});
        node->list->count = static_cast<uint16_t>(items.size());
        node->list->items.Allocate(items.size(), compiler::kTagExprList);
        for (size_t i = 0; i < items.size(); ++i) node->list->items[i].Adopt(items[i]);
        return node;
    };
    struct Row {
        const char* what;
        std::initializer_list<const char16_t*> a, b;
        Logical equal;
    } const rows[] = {
        {"same texts", {u"x", u"y", u"z"}, {u"x", u"y", u"z"}, kTrue},
        {"one differs", {u"x", u"y"}, {u"x", u"q"}, kFalse},
        {"different lengths", {u"x"}, {u"x", u"y"}, kFalse},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ExprNode* node = Keep(Binary(EvalCode::Equal, Tok::EqualEqual, logical_, literal(row.a), literal(row.b)));
        RunContext context = Context(nullptr);
        Logical out = kNullLogical;
        ASSERT_EQ(Evaluate(*node, context, &out), Status::Success);
        EXPECT_EQ(out, row.equal);
    }
    // Into a cell holding an array: the old array goes.
    ExprNode* node = Keep(literal({u"p", u"q"}));
    alignas(8) uint8_t cell[8];
    StoreHandle(cell, TextArray({u"old"}));
    RunContext context = Context(nullptr);
    ASSERT_EQ(Evaluate(*node, context, cell), Status::Success);
    void* block = LoadHandle<void>(cell);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(ElementCount(block), 2);
    EXPECT_EQ(TextOf(LoadHandle<void>(ElementAddress(block, 8, 1))), u"q");
    FreeTextArray(block);
}

}  // namespace
}  // namespace vorlan::runtime
