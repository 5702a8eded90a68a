#pragma once
// The place the compiler is at in a source unit: its reader, the current
// token, the unit and routine being compiled, and the pass.

#include "compiler/Lexer.h"
#include "compiler/Token.h"
#include "base/Messages.h"
#include "base/TextReader.h"

namespace vorlan::compiler {

struct Unit;
struct Routine;

// Deeper nesting of brackets or blocks than this is refused, so that no
// source can exhaust the compiler's stack.
constexpr int kMaxNesting = 200;
// Operands and operators of one expression; typing walks the tree
// recursively, so its size is bounded too.
constexpr int kMaxExpressionNodes = 2048;

enum class Pass : uint8_t { Declarations, Bodies };

struct Parser {
    Unit* unit = nullptr;
    TextReader* reader = nullptr;
    Routine* routine = nullptr;  // the routine being compiled, if any
    Pass pass = Pass::Declarations;
    int depth = 0;  // nesting of expressions and blocks
    int expressionNodes = 0;  // nodes of the expression being parsed
    Token token{};

    Tok Code() const { return token.code; }
    Tok Next() { return NextToken(token, *reader); }
    Tok NextRequired() { return NextTokenRequired(token, *reader); }
    bool Is(Tok code) const { return token.code == code; }
    // Reports at the current token.
    void Report(Msg code, const char16_t* detail = nullptr) { FileReport(reader, &token.position, code, detail); }
    void ReportAt(const ReportPosition& at, Msg code, const char16_t* detail = nullptr) {
        FileReport(reader, &at, code, detail);
    }
    bool HadErrors() const { return reader->errorCount > 0; }
};

// Error recovery: reads tokens up to `wanted` and takes it (or stops at end of
// file), skipping whole bracketed groups on the way. A group left open at end
// of file is reported (312) at its opening bracket.
void SkipTo(Parser& parser, Tok wanted);

}  // namespace vorlan::compiler
