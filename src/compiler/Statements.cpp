#include "compiler/Statements.h"

#include "base/ReportLines.h"
#include "compiler/Declarations.h"
#include "compiler/StatementCompiler.h"
#include "value/SystemTypeCodes.h"

#include <cstdio>

namespace vorlan::compiler {
namespace {

// Section - Freeing

// Clause and item chains are let go one link at a time, never by recursion:
// a list may be as long as a program cares to write it.
template <class Link>
void DeleteChain(Link*& first) {
    while (Link* link = first) {
        first = link->next;
        delete link;
    }
}

}  // namespace

CaseClause::~CaseClause() { DeleteChain(first); }

namespace {

// Section - Small helpers

constexpr uint16_t kTypeCodeShape = library::kShape;

// Tokens at which a statement list stops: its owner decides what they mean.
bool EndsList(Tok code) {
    switch (code) {
    case Tok::End:
    case Tok::EndWhile:
    case Tok::Else:
    case Tok::ElseIf:
    case Tok::EndIf:
    case Tok::OnError:
    case Tok::EndFor:
    case Tok::EndWith:
    case Tok::EndOver:
    case Tok::Case:
    case Tok::Otherwise:
    case Tok::EndSelect: return true;
    default: return false;
    }
}

bool StartsStatement(Tok code) {
    switch (code) {
    case Tok::While:
    case Tok::If:
    case Tok::Output:
    case Tok::Return:
    case Tok::For:
    case Tok::FBreak:
    case Tok::WBreak:
    case Tok::With:
    case Tok::Over:
    case Tok::Select:
    case Tok::OBreak:
    case Tok::ErrorStatement: return true;
    default: return false;
    }
}

bool SamePlace(const ReportPosition& a, const ReportPosition& b) { return a.line == b.line && a.column == b.column; }

// After a statement that failed or lacks its semicolon: on to the next
// semicolon and past it, so the next statement compiles. The skip stops short
// of tokens that belong to an enclosing block or start a statement, so a
// missing semicolon before EndIf costs one report and not the whole If.
void Recover(Parser& parser, const ReportPosition& start) {
    if (parser.Is(Tok::Semicolon)) {
        parser.Next();
        return;
    }
    // A statement that stopped on its very first token has to be stepped
    // over, or this would go round for ever.
    if (SamePlace(parser.token.position, start) && !parser.Is(Tok::EndOfFile)) parser.Next();
    for (;;) {
        const Tok code = parser.Code();
        if (code == Tok::EndOfFile || EndsList(code) || StartsStatement(code)) return;
        parser.Next();
        if (code == Tok::Semicolon) return;
    }
}

// Section - Simple statements

// Output statement: 'Output' expression { ',' expression }.
Statement* CompileOutput(BodyCompiler& body) {
    Parser& parser = body.parser;
    auto* record = NewStatement<OutputStatement>(body, StatementKind::Output, parser.token.position);
    if (!record) return nullptr;
    parser.Next();
    bool failed = false;
    for (;;) {
        if (parser.Is(Tok::EndOfFile)) {
            ReportEndOfSource(body);
            return Abandon(record);
        }
        NodeRef value = CompileExpression(parser, nullptr);
        if (!value) return Abandon(record);
        bool found = false;
        const OutputWriter writer = WriterFor(value->type, &found);
        if (!found) {
            parser.ReportAt(value->position, Msg::InternalError);
            failed = true;
        } else {
            auto* item = new OutputItem{};
            if (!item) {
                parser.Report(Msg::OutOfMemory);
                return Abandon(record);
            }
            item->value = std::move(value);
            item->writer = writer;
            if (record->last) record->last->next = item;
            else record->first = item;
            record->last = item;
            ++record->count;
        }
        if (!parser.Is(Tok::Comma)) break;
        parser.Next();
    }
    if (failed) return Abandon(record);
    return record;
}

// Return statement: 'Return', with the value to return inside a function.
Statement* CompileReturn(BodyCompiler& body, uint16_t flags) {
    Parser& parser = body.parser;
    auto* record = NewStatement<ReturnStatement>(body, StatementKind::Return, parser.token.position);
    if (!record) return nullptr;
    parser.Next();
    if (!(flags & kInFunction)) return record;
    if (parser.Is(Tok::Semicolon)) {
        parser.Report(Msg::ReturnNeedsValue);
        return Abandon(record);
    }
    TypeDescriptor* result = body.routine.type ? body.routine.type->baseType : nullptr;
    record->value = CompileExpression(parser, result);
    if (!record->value ||
        !TypesCompatible(parser, result, record->value->type, Compatibility::Assignment, record->value->position))
        return Abandon(record);
    return record;
}

// FBreak, WBreak and OBreak: only inside the loop each one leaves.
Statement* CompileBreak(BodyCompiler& body, uint16_t flags, StatementKind kind, uint16_t needed, Msg outside) {
    Parser& parser = body.parser;
    if (!(flags & needed)) {
        parser.Report(outside);
        parser.Next();
        return nullptr;
    }
    auto* record = NewStatement<BreakStatement>(body, kind, parser.token.position);
    parser.Next();
    return record;
}

// Error statement: 'Error' category ',' message.
Statement* CompileError(BodyCompiler& body) {
    Parser& parser = body.parser;
    auto* record = NewStatement<ErrorStatement>(body, StatementKind::Error, parser.token.position);
    if (!record) return nullptr;
    parser.Next();
    TypeDescriptor* category = body.System(library::kReportCat);
    record->category = CompileExpression(parser, category);
    if (!record->category) return Abandon(record);
    bool failed = false;
    if (record->category->type != category) {
        parser.ReportAt(record->category->position, Msg::InvalidEnum);
        failed = true;
    }
    if (!parser.Is(Tok::Comma)) {
        parser.Report(Msg::ExpectingComma);
        return Abandon(record);
    }
    parser.Next();
    TypeDescriptor* text = body.System(library::kText);
    record->message = CompileExpression(parser, text);
    if (!record->message) return Abandon(record);
    if (record->message->type != text) {
        parser.ReportAt(record->message->position, Msg::ExpectingText);
        failed = true;
    }
    if (failed) return Abandon(record);
    return record;
}

// Section - Expression statements

bool IsAssignOperator(Tok code) {
    switch (code) {
    case Tok::Assign:
    case Tok::PlusAssign:
    case Tok::MinusAssign:
    case Tok::StarAssign:
    case Tok::SlashAssign:
    case Tok::SlashSlashAssign: return true;
    default: return false;
    }
}

// A call of a shape, with its graphics context after "=>" when written.
Statement* CompileShapeCall(BodyCompiler& body, NodeRef&& call, const ReportPosition& start) {
    Parser& parser = body.parser;
    auto* record = NewStatement<ShapeCallStatement>(body, StatementKind::ShapeCall, start);
    if (!record) return nullptr;
    record->call = std::move(call);
    if (!parser.Is(Tok::ContextArrow)) return record;
    parser.Next();
    record->contextWritten = true;
    bool failed = false;
    if (!CompileContextList(body, record->context, &failed) || failed) return Abandon(record);
    return record;
}

// target operator value, where the target has been compiled.
Statement* CompileAssignment(BodyCompiler& body, NodeRef&& compiledTarget, const ReportPosition& start) {
    Parser& parser = body.parser;
    auto* record = NewStatement<AssignmentStatement>(body, StatementKind::Assignment, start);
    if (!record) return nullptr;
    record->target = std::move(compiledTarget);
    const ExprNode* target = record->target;
    const Tok op = parser.Code();
    if (!IsAssignOperator(op)) {
        parser.Report(Msg::InvalidAssignOperator);
        return Abandon(record);
    }
    if (!IsAssignable(*target)) {
        parser.ReportAt(target->position, IsReadOnly(*target) ? Msg::TargetIsConstant : Msg::InvalidTarget);
        return Abandon(record);
    }
    TypeDescriptor* targetType = target->type;
    TypeDescriptor* valueType = targetType;
    const bool number = HasTypeCode(targetType, library::kNumber);
    record->op = static_cast<AssignOp>(op);
    switch (op) {
    case Tok::Assign: break;
    case Tok::PlusAssign:
        if (number || HasTypeCode(targetType, library::kText)) break;
        if (!targetType || targetType->kind != TypeKind::Array) {
            parser.Report(Msg::InvalidOperandTypes);
            return Abandon(record);
        }
        // Appending to an array: the value is one more element.
        if (!targetType->openArray || targetType->dimensionCount != 1) {
            parser.Report(Msg::NeedOpen1DArray);
            return Abandon(record);
        }
        record->op = AssignOp::Append;
        valueType = targetType->baseType;
        break;
    default:
        if (!number) {
            parser.Report(Msg::InvalidOperandTypes);
            return Abandon(record);
        }
        break;
    }
    parser.Next();
    record->value = CompileExpression(parser, valueType);
    if (!record->value ||
        !TypesCompatible(parser, valueType, record->value->type, Compatibility::Assignment, record->value->position))
        return Abandon(record);
    return record;
}

// Any statement not started by a keyword: a shape call or an assignment.
Statement* CompileExpressionStatement(BodyCompiler& body) {
    const ReportPosition start = body.parser.token.position;
    NodeRef expression = CompileExpression(body.parser, nullptr);
    if (!expression) return nullptr;
    if (HasTypeCode(expression->type, kTypeCodeShape)) return CompileShapeCall(body, std::move(expression), start);
    return CompileAssignment(body, std::move(expression), start);
}

// Section - Lists and blocks

Statement* CompileStatement(BodyCompiler& body, uint16_t flags) {
    switch (body.parser.Code()) {
    // Loop statement: 'While' condition 'Do' body 'EndWhile'.
    case Tok::While: return CompileWhile(body, flags);
    // Choice: 'If' condition 'Then' block, any 'ElseIf' condition 'Then' block, maybe 'Else' block, 'EndIf'.
    case Tok::If: return CompileIf(body, flags);
    // Writing values: 'Output' expression, expression, ...
    case Tok::Output: return CompileOutput(body);
    // Leaving the routine: 'Return', with a value in a function.
    case Tok::Return: return CompileReturn(body, flags);
    // Counting loop: 'For' variable ['From'] from 'To' to ['Step' step] 'Do' body 'EndFor', or 'In' a type.
    case Tok::For: return CompileFor(body, flags);
    // Leaving the innermost For loop.
    case Tok::FBreak: return CompileBreak(body, flags, StatementKind::FBreak, kInFor, Msg::FBreakOutside);
    // Leaving the innermost While loop.
    case Tok::WBreak: return CompileBreak(body, flags, StatementKind::WBreak, kInWhile, Msg::WBreakOutside);
    // Graphics context for a block: 'With' elements 'Do' body 'EndWith'.
    case Tok::With: return CompileWith(body, flags);
    // Array walk: 'Over' array 'As' name 'Do' body 'EndOver'.
    case Tok::Over: return CompileOver(body, flags);
    // Choice by value: 'Select' selector 'From', 'Case' values 'Do' block ..., maybe 'Otherwise' block, 'EndSelect'.
    case Tok::Select: return CompileSelect(body, flags);
    // Leaving the innermost Over loop.
    case Tok::OBreak: return CompileBreak(body, flags, StatementKind::OBreak, kInOver, Msg::OBreakOutside);
    // Raising an error: 'Error' category ',' message.
    case Tok::ErrorStatement: return CompileError(body);
    // Anything else: an assignment or a shape call.
    default: return CompileExpressionStatement(body);
    }
}

// Statements up to a token that ends the list. The routine's own list leaves
// the end of the source to the routine, which names the routine left open.
void CompileList(BodyCompiler& body, StatementList& list, uint16_t flags, bool nested) {
    Parser& parser = body.parser;
    for (;;) {
        const Tok code = parser.Code();
        if (EndsList(code)) return;
        if (code == Tok::EndOfFile) {
            if (nested) ReportEndOfSource(body);
            return;
        }
        const ReportPosition start = parser.token.position;
        Statement* statement = CompileStatement(body, flags);
        if (statement) {
            list.Append(statement);
            if (parser.Is(Tok::Semicolon)) {
                parser.Next();
                continue;
            }
            if (parser.Is(Tok::EndOfFile)) ReportEndOfSource(body);
            else parser.Report(Msg::ExpectedSemicolon);
        }
        Recover(parser, start);
    }
}

// The main list, then the OnError handler when one is written.
void CompileBlockInto(BodyCompiler& body, StatementBlock& block, uint16_t flags, bool nested) {
    CompileList(body, block.main, flags, nested);
    if (!body.parser.Is(Tok::OnError)) return;
    body.parser.Next();
    block.onErrorWritten = true;
    CompileList(body, block.onError, flags, nested);
}

uint16_t RoutineFlag(const Routine& routine) {
    switch (routine.kind) {
    case RoutineKind::Function: return kInFunction;
    case RoutineKind::Shape: return kInShape;
    case RoutineKind::Program: return kInProgram;
    }
    return kInProgram;
}

}  // namespace

OutputWriter WriterFor(const TypeDescriptor* type, bool* found) {
    *found = true;
    switch (type ? type->kind : TypeKind::Base) {
    case TypeKind::Array: return OutputWriter::Array;
    case TypeKind::FunctionType:
    case TypeKind::ShapeType: return OutputWriter::Routine;
    case TypeKind::Structure: return OutputWriter::Structure;
    case TypeKind::Enumeration: return OutputWriter::Enumeration;
    case TypeKind::Base: break;
    }
    switch (type ? type->valueClass : 0) {
    case kValueClassLogical: return OutputWriter::Logical;
    case kValueClassNumber: return OutputWriter::Number;
    case kValueClassText: return OutputWriter::Text;
    case kValueClassTime: return OutputWriter::Time;
    default: *found = false; return OutputWriter::Logical;
    }
}

// Section - Shared helpers

void StatementList::Append(Statement* statement) {
    statement->next = nullptr;
    if (tail) tail->next = statement;
    else head = statement;
    tail = statement;
    ++count;
}

TypeDescriptor* BodyCompiler::System(uint16_t typeCode) const {
    return FindSystemType(*parser.unit->module->compilation, typeCode);
}

bool HasTypeCode(const TypeDescriptor* type, uint16_t typeCode) {
    return type && type->systemDeclared && type->typeCode == typeCode;
}

void ReportEndOfSource(BodyCompiler& body) {
    if (body.endOfSourceReported) return;
    body.endOfSourceReported = true;
    body.parser.Report(Msg::UnexpectedEof);
}

bool TakeKeyword(BodyCompiler& body, Tok keyword, Msg missing) {
    return TakeHeaderKeyword(body, keyword, missing, false);
}

bool TakeHeaderKeyword(BodyCompiler& body, Tok keyword, Msg missing, bool expressionFailed) {
    Parser& parser = body.parser;
    if (parser.Is(keyword)) {
        parser.Next();
        return true;
    }
    if (expressionFailed) return false;
    if (parser.Is(Tok::EndOfFile)) ReportEndOfSource(body);
    else parser.Report(missing);
    return false;
}

void SkipCompound(Parser& parser, Tok open, Tok close) {
    int nested = 0;
    while (!parser.Is(Tok::End) && !parser.Is(Tok::EndOfFile)) {
        if (parser.Is(open)) {
            ++nested;
        } else if (parser.Is(close)) {
            if (nested == 0) {
                parser.Next();
                return;
            }
            --nested;
        }
        parser.Next();
    }
}

Owned<StatementBlock> CompileNestedBlock(BodyCompiler& body, uint16_t flags) {
    Parser& parser = body.parser;
    if (parser.depth >= kMaxNesting) {
        parser.Report(Msg::NestedTooDeeply);
        return nullptr;
    }
    Owned<StatementBlock> block(new StatementBlock{});
    if (!block) {
        parser.Report(Msg::OutOfMemory);
        return nullptr;
    }
    ++parser.depth;
    CompileBlockInto(body, *block, flags, true);
    --parser.depth;
    return block;
}

// Section - Releasing statements

OutputStatement::~OutputStatement() { DeleteChain(first); }

// Each clause's condition and block; the Else block goes with its holder.
IfStatement::~IfStatement() { DeleteChain(first); }

// The Case clauses; the selector and the Otherwise block go with their holders.
SelectStatement::~SelectStatement() { DeleteChain(first); }

}  // namespace vorlan::compiler

void vorlan::Release<vorlan::compiler::StatementBlock>::Of(compiler::StatementBlock* block) { delete block; }

namespace vorlan::compiler {

StatementList::~StatementList() {
    while (Statement* statement = head) {
        head = statement->next;
        if (!FreeStatement(statement)) break;  // reported; the rest cannot be trusted
    }
}

bool FreeStatement(Statement*& statement) {
    if (!statement) return true;
    if (!VisitStatement(*statement, [](auto& record) { delete &record; })) {
        // Not a statement this compiler makes: its contents are unknown.
        PrintReportLine(ReportLine::UnknownStatementKind);
        return false;
    }
    statement = nullptr;
    return true;
}

Owned<StatementBlock> CompileRoutineBody(Parser& parser, Routine& routine, bool* ok) {
    const int32_t errorsBefore = parser.reader->errorCount;
    Owned<StatementBlock> block(new StatementBlock{});
    if (!block) {
        parser.Report(Msg::OutOfMemory);
        *ok = false;
        return nullptr;
    }
    BodyCompiler body{parser, routine};
    CompileBlockInto(body, *block, RoutineFlag(routine), false);
    // The list stopped at a token that closes a block nobody opened.
    if (!parser.Is(Tok::End) && !parser.Is(Tok::EndOfFile)) parser.Report(Msg::EndNotFound);
    *ok = parser.reader->errorCount == errorsBefore;
    if (!*ok) return nullptr;
    return block;
}

}  // namespace vorlan::compiler
