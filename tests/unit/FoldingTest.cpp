// Constant folding computes through the same primitives as the run: one table
// of cases, each folded by the compiler and computed by the primitive, must
// agree on status and result word.

#include "DriverTestSupport.h"
#include "compiler/Compilation.h"
#include "compiler/Expression.h"
#include "compiler/Parser.h"
#include "value/Number.h"
#include "value/Text.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vorlan::test {
namespace {

using runtime::Number;

class FoldingTest : public DriverFileTest {
protected:
    void SetUp() override {
        DriverFileTest::SetUp();
        dir.Write("main.vrs", "");
        settings.run.runMode = RunMode::RunSource;
        testing::internal::CaptureStdout();
        ASSERT_EQ(compiler::Compile(u"ROOT:/main.vrs", settings, &compilation_), Status::Success);
        testing::internal::GetCapturedStdout();
    }
    void TearDown() override {
        compiler::FreeCompilation(compilation_);
        DriverFileTest::TearDown();
    }

    // Compiles `source` as one expression and folds it.
    uint16_t Fold(const std::string& source, uint8_t (&value)[8]) {
        Opened opened;
        Open(opened, source + ";", std::tmpfile(), "expr.vrs");
        compiler::Parser parser;
        parser.reader = opened.reader;
        parser.unit = compilation_->firstModule->next->mainUnit;
        compiler::StartTokens(parser.token, *parser.reader);
        parser.Next();
        const compiler::NodeRef node = compiler::CompileExpression(parser, nullptr);
        if (!node) return 0;
        return compiler::FoldNode(*node, value);
    }

    compiler::Compilation* compilation_ = nullptr;
};

std::function<Status(Number, Number, Number*)> Arith(runtime::ArithOp op) {
    return [op](Number a, Number b, Number* r) { return runtime::Arithmetic(op, a, b, r); };
}

TEST_F(FoldingTest, AgreesWithTheRunOnEveryFoldedOperator) {
    const auto add = Arith(runtime::ArithOp::Add);
    const auto subtract = Arith(runtime::ArithOp::Subtract);
    const auto multiply = Arith(runtime::ArithOp::Multiply);
    const std::function<Status(Number, Number, Number*)> divide = runtime::IntegerDivide;
    const std::function<Status(Number, Number, Number*)> modulo = runtime::Modulo;
    const struct {
        const char* left;
        const char* op;
        const char* right;
        int32_t a, b;
        const std::function<Status(Number, Number, Number*)>& primitive;
    } rows[] = {
        {"1073741823", "+", "1", 1073741823, 1, add},
        {"-1073741823", "-", "1", -1073741823, 1, subtract},
        {"1073741823", "*", "1073741823", 1073741823, 1073741823, multiply},
        {"40000", "*", "-3", 40000, -3, multiply},
        {"-7", "//", "2", -7, 2, divide},
        {"-4", "//", "2", -4, 2, divide},
        {"6", "//", "3", 6, 3, divide},
        {"7", "//", "0", 7, 0, divide},
        {"-7", "Mod", "3", -7, 3, modulo},
        {"7", "Mod", "-3", 7, -3, modulo},
        {"7", "Mod", "0", 7, 0, modulo},
        {"0FF#16", "+", "777#8", 255, 511, add},
        {"12", "-", "20", 12, 20, subtract},
    };
    for (const auto& row : rows) {
        const std::string source = std::string(row.left) + " " + row.op + " " + row.right;
        SCOPED_TRACE(source);
        uint8_t folded[8] = {};
        const uint16_t status = Fold(source, folded);
        Number expected = 0;
        const Status run = row.primitive(runtime::MakeIntegerUnchecked(row.a), runtime::MakeIntegerUnchecked(row.b), &expected);
        EXPECT_EQ(status, static_cast<uint16_t>(run));
        EXPECT_EQ(runtime::LoadCell<Number>(folded), expected);
    }
}

TEST_F(FoldingTest, RealsFromOverflowFoldOnward) {
    uint8_t folded[8] = {};
    ASSERT_EQ(Fold("(1073741823 + 1) * 2", folded), 1);
    Number big = 0, twice = 0;
    ASSERT_EQ(runtime::Arithmetic(runtime::ArithOp::Add, runtime::MakeIntegerUnchecked(1073741823),
                                  runtime::MakeIntegerUnchecked(1), &big), Status::Success);
    ASSERT_EQ(runtime::Arithmetic(runtime::ArithOp::Multiply, big, runtime::MakeIntegerUnchecked(2), &twice),
              Status::Success);
    EXPECT_EQ(runtime::LoadCell<Number>(folded), twice);
    EXPECT_TRUE(runtime::IsReal(twice));
}

TEST_F(FoldingTest, UnaryTextAndUnfoldableOperators) {
    uint8_t folded[8] = {};
    EXPECT_EQ(Fold("-(3 - 5)", folded), 1);
    EXPECT_EQ(runtime::IntegerOf(runtime::LoadCell<Number>(folded)), 2);
    EXPECT_EQ(Fold("+7", folded), 1);
    EXPECT_EQ(runtime::IntegerOf(runtime::LoadCell<Number>(folded)), 7);
    ASSERT_EQ(Fold("\"ab\" + \"c\"", folded), 1);
    void* text = runtime::LoadHandle<void>(folded);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(runtime::TextChars(text), runtime::TextCount(text)), u"abc");
    runtime::FreeText(text);
    for (const char* source : {"4 / 2", "2 ^ 3", "1.5", "1 < 2", "1 == 1", "True And False", "Sin(3)"}) {
        SCOPED_TRACE(source);
        EXPECT_EQ(Fold(source, folded), 407);
    }
}

}  // namespace
}  // namespace vorlan::test
