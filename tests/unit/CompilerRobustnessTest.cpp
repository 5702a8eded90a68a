// Expression parse trees, and a compiler that no source and no allocation
// failure can crash or make leak.

#include "DriverTestSupport.h"
#include "compiler/Compilation.h"
#include "compiler/ParseTree.h"
#include "compiler/Parser.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace vorlan::test {
namespace {

using compiler::ParseKind;
using compiler::ParseNode;

// A parse tree as nested parentheses: "(- (- a b) c)", lists as "[a b]".
std::string Show(const ParseNode* node) {
    if (!node) return "?";
    std::string text(node->text, node->text + node->length);
    if (node->kind == ParseKind::Operator) {
        std::string shown = "(";
        shown += text;
        if (node->left) {
            shown += ' ';
            shown += Show(node->left);
        }
        shown += ' ';
        shown += Show(node->right);
        shown += ')';
        return shown;
    }
    if (node->kind == ParseKind::BraceList || node->kind == ParseKind::ParenList || node->kind == ParseKind::BracketList) {
        std::string shown = "[";
        for (const ParseNode* item = node->items; item; item = item->next) {
            if (item != node->items) shown += ' ';
            shown += Show(item);
        }
        shown += ']';
        return shown;
    }
    return text;
}

class ExpressionParseTest : public DriverFileTest {
protected:
    // Parses the text as one expression; returns the tree and the report codes.
    std::string Parse(const std::string& source, std::string* reports) {
        FILE* stream = std::tmpfile();
        Opened opened;
        Open(opened, source + ";", stream);
        if (!opened.reader) return "";
        compiler::Parser parser;
        parser.reader = opened.reader;
        compiler::StartTokens(parser.token, *parser.reader);
        parser.Next();
        const compiler::ParseTree tree = compiler::ParseExpression(parser);
        std::string shown = tree ? Show(tree) : "";
        *reports = ReadStream(stream);
        return shown;
    }
};

TEST_F(ExpressionParseTest, PrecedenceAndAssociativity) {
    const struct {
        const char* source;
        const char* tree;
    } rows[] = {
        {"a - b - c", "(- (- a b) c)"},
        {"a ^ b ^ c", "(^ a (^ b c))"},
        {"-2 ^ 2", "(^ (- 2) 2)"},
        {"Not a And b", "(And (Not a) b)"},
        {"a Or b And c", "(Or a (And b c))"},
        {"a Or b Xor c", "(Xor (Or a b) c)"},
        {"a + b * c", "(+ a (* b c))"},
        {"(a + b) * c", "(* (+ a b) c)"},
        {"x == y + 1", "(== x (+ y 1))"},
        {"p.q.r", "(. (. p q) r)"},
        {"f(1, g(2))[3]", "([ (( f [1 (( g [2])]) [3])"},
        {"M:f(x)", "(( (: M f) [x])"},
        {"-f(x)", "(- (( f [x]))"},
        {"{1, {2, 3}}", "[1 [2 3]]"},
        {"[]", "[]"},
        {"s{x -> 1}", "({ s [(-> x 1)])"},
        {"a < b And c >= d", "(And (< a b) (>= c d))"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.source);
        std::string reports;
        EXPECT_EQ(Parse(row.source, &reports), row.tree);
        EXPECT_EQ(reports, "");
    }
}

TEST_F(ExpressionParseTest, SyntaxErrorsStopTheExpression) {
    const struct {
        const char* source;
        const char* code;
    } rows[] = {
        {"f(1, 2,)", "335"}, {"(1 + 2", "321"}, {"a b", "336"}, {"1 +", "336"}, {"", "336"},
        {"{1, 2", "337"},    {"* 2", "336"},    {"[1,,2]", "336"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.source);
        std::string reports;
        EXPECT_EQ(Parse(row.source, &reports), "");
        EXPECT_NE(reports.find(std::string("SRC/") + row.code), std::string::npos) << reports;
    }
}

constexpr const char* kSample = R"([= sample =]
Type Colours = (Red, Green = 5, Blue);
Type Grid = Number[1 To 10, 1 To 3];
Type Person = {Text name, Number age = 0, Colours favourite};
Type Node = Forward;
Type Nodes = Node[];
Type Node = {Number value, Nodes children};
Type Mapper = Number(Number x, Const Ref Person who);
Public Number count = 3, other;
Function Number Twice(Number x)
  Number y = 2;
Begin
  Return x * (y + 1);
End;
Program (Number n = 1, Text label = "x")
  Saved Number calls;
Begin
  Output "hello", n;
End;
)";

class CompileRobustnessTest : public DriverFileTest {
protected:
    // Compiles ROOT:/unit.vrs holding `source`; true when it compiled.
    bool Compile(const std::string& source) {
        dir.Write("unit.vrs", source);
        settings.run.runMode = RunMode::RunSource;
        compiler::Compilation* compilation = nullptr;
        testing::internal::CaptureStdout();
        const Status status = compiler::Compile(u"ROOT:/unit.vrs", settings, &compilation);
        testing::internal::GetCapturedStdout();
        compiler::FreeCompilation(compilation);
        return status == Status::Success;
    }
};

TEST_F(CompileRobustnessTest, SampleCompiles) { EXPECT_TRUE(Compile(kSample)); }

TEST_F(CompileRobustnessTest, TruncatedAndRandomSourcesFailCleanly) {
    const uint32_t start = MemLiveCount();
    const std::string sample = kSample;
    for (size_t cut = 0; cut < sample.size(); cut += 3) {
        Compile(sample.substr(0, cut));
        ASSERT_EQ(MemLiveCount(), start) << "cut at " << cut;
    }
    const std::string alphabet = "Type Program Begin End Function Shape Number Text ( ) [ ] { } = ; , : . + - 'x' \"y\" "
                                 "1 2.5 To Forward Const Ref Public Saved Source Library a b c\n";
    std::mt19937 random(8122026);
    for (int round = 0; round < 400; ++round) {
        std::string source;
        const int pieces = static_cast<int>(random() % 60);
        for (int i = 0; i < pieces; ++i) {
            if (random() % 8 == 0) {
                source += static_cast<char>(random() % 256);
            } else {
                const size_t at = random() % alphabet.size();
                const size_t end = alphabet.find(' ', at);
                source += alphabet.substr(at, (end == std::string::npos ? alphabet.size() : end) - at + 1);
            }
        }
        Compile(source);
        ASSERT_EQ(MemLiveCount(), start) << source;
    }
}

// Long chains and deep nesting are refused with a message, never by running
// out of stack.
TEST_F(CompileRobustnessTest, DeepAndLongSourcesAreRefusedCleanly) {
    const uint32_t start = MemLiveCount();
    std::string chain = "Number x = 1";
    for (int i = 0; i < 20000; ++i) chain += " + 1";
    EXPECT_FALSE(Compile(chain + ";\n"));
    std::string power = "Number x = 2";
    for (int i = 0; i < 20000; ++i) power += " ^ 2";
    EXPECT_FALSE(Compile(power + ";\n"));
    const std::string parens = "Number x = " + std::string(5000, '(') + "1" + std::string(5000, ')') + ";\n";
    EXPECT_FALSE(Compile(parens));
    const std::string lists = "Point p = " + std::string(5000, '{') + std::string(5000, '}') + ";\n";
    EXPECT_FALSE(Compile(lists));
    const std::string unclosed = "Number x = " + std::string(100000, '[') + ";\n";
    EXPECT_FALSE(Compile(unclosed));
    std::string blocks = "Program ()\nBegin\n";
    for (int i = 0; i < 3000; ++i) blocks += "If True Then\n";
    for (int i = 0; i < 3000; ++i) blocks += "EndIf;\n";
    EXPECT_FALSE(Compile(blocks + "End;\n"));
    std::string fine = "Number x = 1";
    for (int i = 0; i < 500; ++i) fine += " + 1";
    EXPECT_TRUE(Compile(fine + ";\n"));
    EXPECT_EQ(MemLiveCount(), start);
}

// Every allocation of a whole compilation fails in turn.
TEST_F(CompileRobustnessTest, EveryAllocationFailureIsCleanedUp) {
    const uint32_t start = MemLiveCount();
    dir.Write("unit.vrs", kSample);
    settings.run.runMode = RunMode::RunSource;
    for (uint32_t n = 1;; ++n) {
        compiler::Compilation* compilation = nullptr;
        testing::internal::CaptureStdout();
        MemFailAllocationAt(n);
        const Status status = compiler::Compile(u"ROOT:/unit.vrs", settings, &compilation);
        MemFailAllocationAt(0);
        testing::internal::GetCapturedStdout();
        compiler::FreeCompilation(compilation);
        ASSERT_EQ(MemLiveCount(), start) << "after failing allocation " << n;
        if (status == Status::Success) break;
    }
}

}  // namespace
}  // namespace vorlan::test
