// The statement compiler: what the compiled bodies hold, and that no cut
// source and no allocation failure makes it crash or leak.

#include "DriverTestSupport.h"
#include "compiler/Compilation.h"
#include "compiler/Statements.h"
#include "value/Value.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace vorlan::test {
namespace {

using namespace compiler;

constexpr const char* kSample = R"(
Type Colours = (Red, Green, Blue);
Type Numbers = Number[];
Shape Square(Number side)
  TPen thick;
Begin
  Circle(side) => {1, 2}, thick;
  With thick Do
    Rectangle(side, side);
  EndWith;
End;
Function Number Total(Numbers values)
  Number sum;
Begin
  Over values As v Do
    sum += v;
    OBreak;
  EndOver;
  Return sum;
End;
Program ()
  Number i, n;
  Text t;
  Numbers list;
  Colours c;
  Point p;
Begin
  t += "b";
  list += 4;
  While n < 3 Do
    If n > 1 Then
      WBreak;
    ElseIf n == 0 Then
      n := 1;
    Else
      n -= 1;
    EndIf;
  EndWhile;
  For i From 1 To 9 Step 2 Do
    FBreak;
  EndFor;
  For c From Red To Blue Do
  EndFor;
  For c In Colours Do
  EndFor;
  Select n From
    Case 1, 2 To 4 Do
      Square(n);
    Otherwise
  EndSelect;
  Select c From
    Case Green Do
  EndSelect;
  Output Total(list), t, n > 1, c, list, Now(), p, Total;
  Error OutOfRange, "failed";
OnError
  Output "handled";
End;
)";

// Every statement of a block, nested blocks included, in source order.
void Collect(const StatementBlock* block, std::vector<const Statement*>& out);

void CollectList(const StatementList& list, std::vector<const Statement*>& out) {
    for (const Statement* statement = list.head; statement; statement = statement->next) {
        out.push_back(statement);
        switch (statement->kind) {
        // Loops and With: one body each.
        case StatementKind::While: Collect(static_cast<const WhileStatement*>(statement)->body, out); break;
        case StatementKind::For: Collect(static_cast<const ForStatement*>(statement)->body, out); break;
        case StatementKind::With: Collect(static_cast<const WithStatement*>(statement)->body, out); break;
        case StatementKind::Over: Collect(static_cast<const OverStatement*>(statement)->body, out); break;
        // Choices: a block per clause and the last-resort block.
        case StatementKind::If: {
            const auto* record = static_cast<const IfStatement*>(statement);
            for (const IfClause* clause = record->first; clause; clause = clause->next) Collect(clause->block, out);
            Collect(record->elseBlock, out);
            break;
        }
        case StatementKind::Select: {
            const auto* record = static_cast<const SelectStatement*>(statement);
            for (const CaseClause* clause = record->first; clause; clause = clause->next) Collect(clause->block, out);
            Collect(record->otherwise, out);
            break;
        }
        // The rest hold no blocks.
        default: break;
        }
    }
}

void Collect(const StatementBlock* block, std::vector<const Statement*>& out) {
    if (!block) return;
    CollectList(block->main, out);
    CollectList(block->onError, out);
}

class StatementCompilerTest : public DriverFileTest {
protected:
    void TearDown() override {
        FreeCompilation(compilation_);
        DriverFileTest::TearDown();
    }
    // Compiles ROOT:/unit.vrs holding `source`; the compilation is kept.
    Status Compile(const std::string& source) {
        FreeCompilation(compilation_);
        dir.Write("unit.vrs", source);
        settings.run.runMode = RunMode::RunSource;
        testing::internal::CaptureStdout();
        const Status status = compiler::Compile(u"ROOT:/unit.vrs", settings, &compilation_);
        printed_ = testing::internal::GetCapturedStdout();
        return status;
    }
    Routine* Named(const char16_t* name) {
        for (Routine* routine = compilation_->firstModule->next->routines.first; routine; routine = routine->next) {
            if (routine->entry && std::u16string_view(routine->entry->name) == name) return routine;
        }
        return nullptr;
    }
    std::vector<const Statement*> Statements(const char16_t* routine) {
        std::vector<const Statement*> out;
        if (Routine* found = Named(routine)) Collect(found->body, out);
        return out;
    }
    template <class Record>
    std::vector<const Record*> OfKind(const char16_t* routine, StatementKind kind) {
        std::vector<const Record*> out;
        for (const Statement* statement : Statements(routine)) {
            if (statement->kind == kind) out.push_back(static_cast<const Record*>(statement));
        }
        return out;
    }

    Compilation* compilation_ = nullptr;
    std::string printed_;
};

TEST_F(StatementCompilerTest, EveryKindIsCompiledIntoItsRecord) {
    ASSERT_EQ(Compile(kSample), Status::Success) << printed_;
    std::set<StatementKind> kinds;
    for (const char16_t* routine : {u"Square", u"Total", u"_Program"}) {
        for (const Statement* statement : Statements(routine)) kinds.insert(statement->kind);
    }
    EXPECT_EQ(kinds.size(), 14u);
    const Routine* program = Named(u"_Program");
    ASSERT_NE(program, nullptr);
    ASSERT_NE(program->body, nullptr);
    EXPECT_TRUE(program->body->onErrorWritten);
    EXPECT_EQ(program->body->onError.count, 1);
    EXPECT_EQ(program->body->main.count, 10);
    EXPECT_EQ(program->body->main.head->position.line, 28);
}

TEST_F(StatementCompilerTest, AssignmentsKeepTheirOperator) {
    ASSERT_EQ(Compile(kSample), Status::Success) << printed_;
    std::vector<AssignOp> ops;
    for (const auto* record : OfKind<AssignmentStatement>(u"_Program", StatementKind::Assignment)) ops.push_back(record->op);
    EXPECT_EQ(ops, (std::vector<AssignOp>{AssignOp::Add, AssignOp::Append, AssignOp::Assign, AssignOp::Subtract}));
}

TEST_F(StatementCompilerTest, ForVariantsAndStep) {
    ASSERT_EQ(Compile(kSample), Status::Success) << printed_;
    const auto loops = OfKind<ForStatement>(u"_Program", StatementKind::For);
    ASSERT_EQ(loops.size(), 3u);
    EXPECT_EQ(loops[0]->variant, ForVariant::NumberRange);
    EXPECT_NE(loops[0]->step, nullptr);
    EXPECT_EQ(loops[1]->variant, ForVariant::EnumRange);
    EXPECT_EQ(loops[1]->step, nullptr);
    EXPECT_EQ(loops[2]->variant, ForVariant::EnumIn);
    EXPECT_EQ(loops[2]->from, nullptr);
    EXPECT_EQ(loops[2]->control, loops[1]->control);
}

TEST_F(StatementCompilerTest, CaseItemsAreFolded) {
    ASSERT_EQ(Compile(kSample), Status::Success) << printed_;
    const auto selects = OfKind<SelectStatement>(u"_Program", StatementKind::Select);
    ASSERT_EQ(selects.size(), 2u);
    EXPECT_EQ(selects[0]->mode, SelectMode::Number);
    EXPECT_NE(selects[0]->otherwise, nullptr);
    ASSERT_EQ(selects[0]->clauseCount, 1);
    const CaseClause& clause = *selects[0]->first;
    ASSERT_EQ(clause.itemCount, 2);
    EXPECT_EQ(clause.first->boundCount, 1);
    const CaseItem& range = *clause.first->next;
    EXPECT_EQ(range.boundCount, 2);
    EXPECT_EQ(runtime::LoadCell<runtime::Number>(range.lowValue), runtime::MakeIntegerUnchecked(2));
    EXPECT_EQ(runtime::LoadCell<runtime::Number>(range.highValue), runtime::MakeIntegerUnchecked(4));
    EXPECT_FALSE(range.lowNull || range.highNull);
    EXPECT_EQ(selects[1]->mode, SelectMode::Enumeration);
    EXPECT_EQ(selects[1]->otherwise, nullptr);
}

TEST_F(StatementCompilerTest, OutputWritersFollowTheTypes) {
    ASSERT_EQ(Compile(kSample), Status::Success) << printed_;
    const auto outputs = OfKind<OutputStatement>(u"_Program", StatementKind::Output);
    ASSERT_EQ(outputs.size(), 2u);
    std::vector<OutputWriter> writers;
    for (const OutputItem* item = outputs[0]->first; item; item = item->next) writers.push_back(item->writer);
    EXPECT_EQ(outputs[0]->count, 8);
    EXPECT_EQ(writers, (std::vector<OutputWriter>{OutputWriter::Number, OutputWriter::Text, OutputWriter::Logical,
                                                  OutputWriter::Enumeration, OutputWriter::Array, OutputWriter::Time,
                                                  OutputWriter::Structure, OutputWriter::Routine}));
}

TEST_F(StatementCompilerTest, ContextElementsFillTheirSlots) {
    ASSERT_EQ(Compile(kSample), Status::Success) << printed_;
    const auto calls = OfKind<ShapeCallStatement>(u"Square", StatementKind::ShapeCall);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0]->contextWritten);
    EXPECT_NE(calls[0]->context[kSlotOrigin], nullptr);
    EXPECT_NE(calls[0]->context[kSlotPen], nullptr);
    EXPECT_EQ(calls[0]->context[kSlotBrush], nullptr);
    EXPECT_FALSE(calls[1]->contextWritten);
    const auto with = OfKind<WithStatement>(u"Square", StatementKind::With);
    ASSERT_EQ(with.size(), 1u);
    EXPECT_EQ(with[0]->context[kSlotOrigin], nullptr);
    EXPECT_NE(with[0]->context[kSlotPen], nullptr);
}

TEST_F(StatementCompilerTest, OverDeclaresAReferenceAlias) {
    ASSERT_EQ(Compile(kSample), Status::Success) << printed_;
    const auto walks = OfKind<OverStatement>(u"Total", StatementKind::Over);
    ASSERT_EQ(walks.size(), 1u);
    const DataItem* alias = walks[0]->alias;
    ASSERT_NE(alias, nullptr);
    EXPECT_EQ(Named(u"Total")->locals.Find(u"v"), alias->entry);
    EXPECT_EQ(alias->cellSize, 8u);
    EXPECT_TRUE(alias->flags & kDataRef);
    EXPECT_FALSE(alias->flags & kDataConst);
    EXPECT_EQ(alias->type, walks[0]->array->type->baseType);
}

TEST_F(StatementCompilerTest, UnknownKindIsReportedNotFreed) {
    auto* record = new BreakStatement{};
    ASSERT_NE(record, nullptr);
    record->kind = static_cast<StatementKind>(8);
    Statement* statement = record;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(FreeStatement(statement));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "**** StatementFree: unknown clear routine\n");
    EXPECT_EQ(statement, record);
    delete record;
}

TEST_F(StatementCompilerTest, CutSourcesFailCleanly) {
    const uint32_t start = MemLiveCount();
    const std::string sample = kSample;
    for (size_t cut = 0; cut < sample.size(); cut += 4) {
        (void)Compile(sample.substr(0, cut) + "\nEnd;\n");
        FreeCompilation(compilation_);
        ASSERT_EQ(MemLiveCount(), start) << "cut at " << cut;
    }
}

// Error recovery must always move on: random statement soup ends, and leaks nothing.
TEST_F(StatementCompilerTest, RandomStatementsFailCleanly) {
    const uint32_t start = MemLiveCount();
    // Brackets only come balanced: an open one would hide End from the
    // declaration pass, and then no body is compiled at all.
    const std::vector<std::string> words = {
        "While", "Do",      "EndWhile",  "If",      "Then",   "ElseIf", "Else",    "EndIf",  "For",     "From",
        "To",    "Step",    "In",        "EndFor",  "Over",   "As",     "EndOver", "With",   "EndWith", "Select",
        "Case",  "Otherwise", "EndSelect", "OnError", "Output", "Return", "FBreak", "WBreak", "OBreak",  "Error",
        "n",     "c",       "list",      "Red",     "1",      "\"t\"", ":=",      "+=",     "=>",      ",",
        ";",     ";",       "Now()",     "{1, 2}",  "[1]",    "+",      "==",      "Null",   "Circle(1)", "Invalid",
    };
    const std::string prefix = "Type Colours = (Red, Blue);\nType Numbers = Number[];\n"
                               "Program ()\n  Number n;\n  Colours c;\n  Numbers list;\nBegin\n";
    ASSERT_EQ(Compile(prefix + "End;\n"), Status::Success) << printed_;
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        std::string source = prefix;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) source += words[random() % words.size()] + " ";
        (void)Compile(source + "\nEnd;\n");
        FreeCompilation(compilation_);
        ASSERT_EQ(MemLiveCount(), start) << source;
    }
}

TEST_F(StatementCompilerTest, EveryAllocationFailureIsCleanedUp) {
    const uint32_t start = MemLiveCount();
    dir.Write("unit.vrs", kSample);
    settings.run.runMode = RunMode::RunSource;
    for (uint32_t n = 1;; ++n) {
        testing::internal::CaptureStdout();
        MemFailAllocationAt(n);
        const Status status = compiler::Compile(u"ROOT:/unit.vrs", settings, &compilation_);
        MemFailAllocationAt(0);
        testing::internal::GetCapturedStdout();
        FreeCompilation(compilation_);
        ASSERT_EQ(MemLiveCount(), start) << "after failing allocation " << n;
        if (status == Status::Success) break;
    }
}

}  // namespace
}  // namespace vorlan::test
