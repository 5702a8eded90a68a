// The lexer: which code each spelling gets (and how the operand before it
// decides between prefix and infix forms), the texts tokens carry, every
// lexical error and where it is reported, and that no input can make it
// loop, stray or leak.

#include "DriverTestSupport.h"
#include "compiler/Lexer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace vorlan::compiler {
namespace {

struct Lexed {
    std::vector<int> codes;  // end of file left out
    std::vector<std::u16string> texts;
    std::vector<TokenClass> classes;
    std::vector<ReportPosition> positions;
    std::vector<int> reports;  // the codes reported, in order
    std::string reportText;
};

std::vector<int> ReportCodes(const std::string& text) {
    std::vector<int> codes;
    for (size_t at = text.find("SRC/"); at != std::string::npos; at = text.find("SRC/", at + 1))
        codes.push_back(std::stoi(text.substr(at + 4, 3)));
    return codes;
}

std::string Quoted(char quote, const std::string& body) {
    std::string text(1, quote);
    text += body;
    text += quote;
    return text;
}

class LexerTest : public test::DriverFileTest {
protected:
    Lexed Lex(std::string_view source) {
        Lexed lexed;
        FILE* stream = std::tmpfile();
        Opened opened;
        if (stream) Open(opened, source, stream);
        EXPECT_NE(opened.reader, nullptr);
        if (!opened.reader) return lexed;
        Token token;
        StartTokens(token, *opened.reader);
        bool ended = false;
        for (size_t i = 0; i <= source.size() && !ended; ++i) {
            ended = NextToken(token, *opened.reader) == Tok::EndOfFile;
            if (ended) continue;
            lexed.codes.push_back(static_cast<int>(token.code));
            lexed.texts.emplace_back(token.text, token.length);
            lexed.classes.push_back(token.tokenClass);
            lexed.positions.push_back(token.position);
        }
        EXPECT_TRUE(ended);
        lexed.reportText = test::ReadStream(stream);
        lexed.reports = ReportCodes(lexed.reportText);
        return lexed;
    }
};

TEST_F(LexerTest, Codes) {
    struct Row {
        std::string source;
        std::vector<int> codes;
    };
    const Row rows[] = {
        {"x-1", {1, 36, 2}},  {"x -1", {1, 36, 2}},  {"(-1)", {23, 35, 2, 24}}, {"f(x)", {1, 46, 1, 24}},
        {"(x)", {23, 1, 24}}, {"a[1]", {1, 47, 2, 26}}, {"[1,2]", {25, 2, 38, 2, 26}},
        {"p{1}{", {1, 45, 2, 22, 21}}, {"x:y; :y", {1, 57, 1, 31, 56, 1}}, {"+x+1", {32, 1, 33, 2}},
        {"f(x)(y)[1]", {1, 46, 1, 24, 46, 1, 24, 47, 2, 26}},
        // What each kind of token leaves for the bracket after it.
        {"While ( Shape ( True ( Null [ 's' ( \"t\" ( 1.5 ( = (",
         {201, 23, 109, 46, 6, 46, 7, 47, 5, 46, 4, 46, 3, 46, 27, 23}},
        {"x [= note =] (", {1, 46}}, {"; [= note =] -", {31, 35}},
        {":= += -= -> *= /= // //= <= <> >= == =>", {29, 34, 37, 53, 40, 42, 43, 44, 61, 63, 60, 62, 50}},
        {"x//=-y", {1, 44, 35, 1}}, {"///", {43, 41}}, {"<>=", {63, 27}}, {"==>", {62, 64}}, {"-->", {35, 53}},
        {"=>=", {50, 27}}, {"a.b^c", {1, 51, 1, 52, 1}}, {"1.2.3", {3, 51, 2}},
        {"Program program PROGRAM", {106, 1, 1}}, {"And and Xor Not Mod Or", {71, 1, 73, 74, 75, 72}},
        {"Error EndWhile Programs Pro", {233, 202, 1, 1}}, {"True False Null", {6, 6, 7}},
        {"a [= x [= y =] z =] b", {1, 1}}, {"a [=\n[= =]\n=]\nb", {1, 1}}, {"a [=] =] b", {1, 1}},
        {"a[==]b", {1, 1}},
        {"0FF#16 12.5e-3 1.5E3", {2, 3, 3, 1}}, {"1E5 2e10 3e+1 4.0e-0", {2, 3, 3, 3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        const Lexed lexed = Lex(row.source);
        EXPECT_EQ(lexed.codes, row.codes);
        EXPECT_EQ(lexed.reportText, "");
    }
}

TEST_F(LexerTest, ClassesFollowTheOperand) {
    const Lexed lexed = Lex("f(-x) - (: Shape");
    const std::vector<TokenClass> classes = {TokenClass::Operand, TokenClass::ListInfix, TokenClass::Prefix,
                                             TokenClass::Operand, TokenClass::Delimiter, TokenClass::Infix,
                                             TokenClass::Operand, TokenClass::Prefix,    TokenClass::None};
    EXPECT_EQ(lexed.classes, classes);
}

TEST_F(LexerTest, Texts) {
    struct Row {
        std::string source;
        std::vector<std::u16string> texts;
    };
    const Row rows[] = {
        {"0FF#16 12.5e-3 1.5E3", {u"0FF#16", u"12.5e-3", u"1.5", u"E3"}},
        {R"("A\42,43\D")", {u"ABCD"}},
        {R"("\41" "\4a,4B\x")", {u"A", u"JKx"}},  // the closing quote also ends the codes
        {R"("q\"\\\n\N\r\R")", {u"q\"\\\n\n\r\r"}},
        {R"('a\'b\\c\n')", {u"a'b\\cn"}},
        {R"("x'y" 'x"y' "")", {u"x'y", u"x\"y", u""}},
        {R"("\FFFF")", {std::u16string(1, u'\xFFFF')}},
        {":= ab_1 //=", {u":=", u"ab_1", u"//="}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        const Lexed lexed = Lex(row.source);
        EXPECT_EQ(lexed.texts, row.texts);
        EXPECT_EQ(lexed.reportText, "");
    }
}

TEST_F(LexerTest, Errors) {
    struct Row {
        std::string source;
        std::vector<int> codes;
        std::vector<int> reports;
    };
    const std::string a100(100, 'a');
    const Row rows[] = {
        {std::string(30, 'a'), {1}, {}},
        {std::string(31, 'a'), {9}, {203}},
        {std::string(45, 'a') + " b", {9, 1}, {203}},
        {"FF#16", {1, 9, 2}, {204}},
        {"_x", {9, 1}, {204}},
        {"x # (", {1, 9, 46}, {204}},  // a bad token leaves the operand flag alone
        {"\xE9!", {9, 9}, {204, 204}},
        {"12.", {9}, {211}},
        {"12.;", {9, 31}, {211}},
        {"1#", {9}, {208}},
        {"0FFe5", {9, 2}, {208}},
        {"0F.5", {9, 2}, {210}},
        {"1e", {9}, {212}},
        {"1e+x", {9, 1}, {212}},
        {std::string(30, '1'), {2}, {}},
        {std::string(40, '1') + ".5e+7 x", {9, 1}, {209}},
        {"\"abc\nx", {9, 1}, {206}},
        {"'abc\\", {9}, {205}},
        {R"("\0" x)", {9, 1}, {213}},
        {R"("\10000" x)", {9, 1}, {213}},
        {R"("\41G\x" y)", {9, 1}, {213}},
        {R"("\41,\")", {9}, {213}},
        {"\"\\0 \nx", {9, 1}, {213}},  // the skipped rest of the line is not reported again
        {"x [= abc", {1, 9}, {202}},
        {"[=]", {9}, {202}},
        {Quoted('"', a100), {4}, {}},
        {Quoted('"', a100 + "b"), {9}, {207}},
        {Quoted('"', a100.substr(1) + "\\41"), {4}, {}},  // an escape is one character
        {Quoted('"', a100 + "\\n"), {9}, {207}},
        {Quoted('\'', a100 + a100) + " x", {9, 1}, {207}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        const Lexed lexed = Lex(row.source);
        EXPECT_EQ(lexed.codes, row.codes);
        EXPECT_EQ(lexed.reports, row.reports);
    }
}

TEST_F(LexerTest, ReportsNameTheToken) {
    struct Row {
        std::string source;
        std::string report;
    };
    const Row rows[] = {
        {"x\n  12.;", "Error - SRC/211: ROOT:/text.txt(2,3): Digits expected after decimal point\n"},
        {std::string(31, 'a'),
         "Error - SRC/203: ROOT:/text.txt(1,1): Identifier too long - " + std::string(30, 'a') + "\n"},
        {"a #", "Error - SRC/204: ROOT:/text.txt(1,3): Bad character in source - #\n"},
        {" \"ab\n", "Error - SRC/206: ROOT:/text.txt(1,2): End of Line in Text/Special literal\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.source);
        EXPECT_EQ(Lex(row.source).reportText, row.report);
    }
}

TEST_F(LexerTest, PositionIsTheFirstCharacter) {
    const Lexed lexed = Lex("x\n  While\t[= a\n =]  EndWhile");
    ASSERT_EQ(lexed.codes, (std::vector<int>{1, 201, 202}));
    const int32_t expected[][2] = {{1, 1}, {2, 3}, {3, 6}};
    for (size_t i = 0; i < lexed.positions.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(lexed.positions[i].line, expected[i][0]);
        EXPECT_EQ(lexed.positions[i].column, expected[i][1]);
        EXPECT_NE(lexed.positions[i].file, nullptr);
    }
}

TEST_F(LexerTest, RequiredTokenAtTheEnd) {
    FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    Opened opened;
    Open(opened, "x [= c =]", stream);
    Token token;
    StartTokens(token, *opened.reader);
    EXPECT_EQ(NextTokenRequired(token, *opened.reader), Tok::Identifier);
    EXPECT_EQ(NextTokenRequired(token, *opened.reader), Tok::EndOfFile);
    EXPECT_EQ(opened.reader->operandFlag, 0);
    EXPECT_EQ(test::ReadStream(stream), "Error - SRC/300: ROOT:/text.txt(1,10): Unexpected end of source file\n");
}

TEST(LexerSpelling, ReadableForEveryForm) {
    struct Row {
        Tok code;
        std::u16string spelling;
    };
    const Row rows[] = {{Tok::While, u"While"},         {Tok::Assign, u":="},         {Tok::Identifier, u"identifier"},
                        {Tok::ParenInfix, u"("},        {Tok::ParenOperand, u"("},    {Tok::Minus, u"-"},
                        {Tok::ErrorStatement, u"Error"}, {Tok::Mod, u"Mod"},          {Tok::SlashSlashAssign, u"//="}};
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.code));
        EXPECT_EQ(TokenSpelling(row.code), row.spelling);
    }
}

// Every keyword and operator lexes back to a code that spells it: none is
// lost to an identifier or a shorter operator, whatever the lookup does.
TEST_F(LexerTest, EverySpellingLexesToItself) {
    int checked = 0;
    for (int code = 0; code < 300; ++code) {
        const char16_t* spelling = TokenSpelling(static_cast<Tok>(code));
        if (!spelling || !*spelling || std::u16string_view(spelling).find(u' ') != std::u16string_view::npos ||
            static_cast<Tok>(code) == Tok::Identifier || static_cast<Tok>(code) == Tok::TrueFalse ||
            std::u16string_view(spelling) == u"[=" || std::u16string_view(spelling) == u"error" ||
            std::u16string_view(spelling) == u"?")  // codes that are no token
            continue;
        std::string source;
        for (const char16_t* c = spelling; *c; ++c) source += static_cast<char>(*c);
        SCOPED_TRACE(source);
        const Lexed lexed = Lex(source);
        ASSERT_EQ(lexed.codes.size(), 1u);
        EXPECT_EQ(std::u16string(TokenSpelling(static_cast<Tok>(lexed.codes[0]))), std::u16string(spelling));
        ++checked;
    }
    EXPECT_GT(checked, 80);  // the keywords, word operators and operators
}

constexpr std::string_view kSample =
    "Program Main(Const n = 10)\nBegin\n  [= draw [= nested =] a row =]\n"
    "  For i From 1 To n Step 2 Do\n    x := 0FF#16 + 12.5e-3 * i;\n"
    "    If x >= 1.0 Then Output \"row \\41,42\\ done\"; EndIf\n    s := 'q\\'';\n"
    "    a[i] += f(x) -> y // 2;\n  EndFor\nEnd\n";

TEST_F(LexerTest, ArbitraryInputEnds) {
    std::mt19937 random(20240611);
    constexpr std::string_view kPieces = "\"'[]=()-+:;,.#e\\0123456789ABCxyz \n\t";
    std::vector<std::string> sources;
    for (size_t n = 0; n <= kSample.size(); ++n) sources.emplace_back(kSample.substr(0, n));
    for (int i = 0; i < 1500; ++i) {
        std::string bytes(random() % 160, '\0');
        for (char& c : bytes) c = static_cast<char>(random() % 256);
        sources.push_back(bytes);
        for (char& c : bytes) c = kPieces[random() % kPieces.size()];
        sources.push_back(bytes);
    }
    const uint32_t start = MemLiveCount();
    for (const std::string& source : sources) {
        Opened opened;
        Open(opened, source, std::fopen("/dev/null", "w"), "fuzz.vrs");
        ASSERT_NE(opened.reader, nullptr);
        Token token;
        StartTokens(token, *opened.reader);
        const size_t limit = 2 * source.size() + 10;
        size_t count = 0;
        while (count < limit && NextToken(token, *opened.reader) != Tok::EndOfFile) {
            ++count;
            ASSERT_LE(token.length, kLiteralLength);
            ASSERT_EQ(token.text[token.length], 0);
        }
        ASSERT_LT(count, limit) << source;
    }
    EXPECT_EQ(MemLiveCount(), start);
}

}  // namespace
}  // namespace vorlan::compiler
