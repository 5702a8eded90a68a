#pragma once
// Shared by the parts of the statement compiler: the state of one routine
// body's compile, and the helpers every statement kind uses.

#include "compiler/Compilation.h"
#include "compiler/Parser.h"
#include "compiler/Statements.h"

namespace vorlan::compiler {

// What a block's statements are inside of; nested blocks add to their
// owner's flags.
enum BlockFlags : uint16_t {
    kInProgram = 1,
    kInFunction = 2,
    kInShape = 4,
    kInWhile = 8,
    kInFor = 16,
    kInOver = 32,
};

struct BodyCompiler {
    Parser& parser;
    Routine& routine;
    bool endOfSourceReported = false;  // the end of the source is reported once

    TypeDescriptor* System(uint16_t typeCode) const;
};

bool HasTypeCode(const TypeDescriptor* type, uint16_t typeCode);

// A zeroed statement record of kind `kind` starting at `at`, or nullptr after
// reporting 101.
template <class Record>
Record* NewStatement(BodyCompiler& body, StatementKind kind, const ReportPosition& at) {
    auto* record = new Record{};
    if (!record) {
        body.parser.Report(Msg::OutOfMemory);
        return nullptr;
    }
    record->kind = kind;
    record->position = at;
    return record;
}

// Frees a statement that failed to compile and gives nullptr to return.
template <class Record>
Statement* Abandon(Record*& record) {
    Statement* statement = record;
    record = nullptr;
    if (statement) FreeStatement(statement);
    return nullptr;
}

void ReportEndOfSource(BodyCompiler& body);
// Takes `keyword`, or reports `missing` (300 at the end of the source).
bool TakeKeyword(BodyCompiler& body, Tok keyword, Msg missing);
// As TakeKeyword after a header expression: when that expression has just
// failed it has been reported, so a missing keyword is not reported again.
bool TakeHeaderKeyword(BodyCompiler& body, Tok keyword, Msg missing, bool expressionFailed);
// Skips what is left of a compound statement whose opening keyword has been
// taken: up to and including its closing keyword, over nested statements of
// the same kind. Stops at End and at the end of the source.
void SkipCompound(Parser& parser, Tok open, Tok close);

// The body of a compound statement, counted against the nesting limit;
// nullptr after reporting.
Owned<StatementBlock> CompileNestedBlock(BodyCompiler& body, uint16_t flags);

// expression "," expression ... as the graphics context of With or a shape
// call: each element fills the slot of its type. Returns false when an
// element could not be compiled at all (the list stops there); *failed is set
// by any error.
bool CompileContextList(BodyCompiler& body, NodeRef (&slots)[kContextSlots], bool* failed);

// The compound statements; each is at its keyword.
Statement* CompileWhile(BodyCompiler& body, uint16_t flags);
Statement* CompileIf(BodyCompiler& body, uint16_t flags);
Statement* CompileFor(BodyCompiler& body, uint16_t flags);
Statement* CompileWith(BodyCompiler& body, uint16_t flags);
Statement* CompileOver(BodyCompiler& body, uint16_t flags);
Statement* CompileSelect(BodyCompiler& body, uint16_t flags);

}  // namespace vorlan::compiler
