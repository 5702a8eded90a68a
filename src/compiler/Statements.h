#pragma once
// Statement blocks: the compiled bodies of routines.
//
// A block holds two lists of statements, the main list and the OnError
// handler. Every statement record starts with the same header (its kind,
// where its first token stands, the next statement of its list); what follows
// depends on the kind. The records are what the runner walks, so the kind
// codes are fixed.

#include "compiler/Expression.h"
#include "base/Memory.h"
#include "base/TextReader.h"

#include <cstdint>

namespace vorlan::compiler {

struct Parser;
struct Routine;
struct DataItem;
struct TypeDescriptor;
struct StatementBlock;

constexpr uint32_t kTagStatementBlock = 120;
constexpr uint32_t kTagLoopStatement = 121;     // While, For, Over
constexpr uint32_t kTagAssignment = 122;        // assignments
constexpr uint32_t kTagContextStatement = 123;  // shape calls, With
constexpr uint32_t kTagOutputStatement = 124;
constexpr uint32_t kTagOutputItem = 125;
constexpr uint32_t kTagIfStatement = 126;      // If and its clauses
constexpr uint32_t kTagSelectStatement = 127;  // Select and its Case clauses
constexpr uint32_t kTagCaseItem = 128;
constexpr uint32_t kTagSimpleStatement = 129;  // Return, the breaks, Error

enum class StatementKind : uint16_t {
    While = 1,
    Assignment = 2,
    ShapeCall = 3,
    For = 4,
    With = 5,
    Output = 6,
    Return = 7,
    If = 9,
    FBreak = 10,
    WBreak = 11,
    Over = 12,
    Select = 13,
    OBreak = 14,
    Error = 15,
};

// The header every statement record starts with. Records are freed through
// FreeStatement, which knows each kind's record type.
struct Statement {
    StatementKind kind;
    ReportPosition position;  // of the statement's first token
    Statement* next;          // in its list
};

struct StatementList {
    Statement* head;
    Statement* tail;
    uint16_t count;

    void Append(Statement* statement);
};

struct StatementBlock : Tagged<kTagStatementBlock> {
    StatementList main;
    StatementList onError;
    bool onErrorWritten;
};

// The operator of an assignment: the assignment tokens' own codes, and one
// more for += on an open array.
enum class AssignOp : uint16_t {
    Assign = 29,
    Add = 34,
    Subtract = 37,
    Multiply = 40,
    Divide = 42,
    IntegerDivide = 44,
    Append = 66,
};

// Graphics-context element slots, one per element type: Point, TPen, TBrush,
// TFont, TCanvas (their type codes run 51..55 in this order).
constexpr int kContextSlots = 5;
enum ContextSlot : uint8_t { kSlotOrigin = 0, kSlotPen = 1, kSlotBrush = 2, kSlotFont = 3, kSlotCanvas = 4 };

struct WhileStatement : Statement, Tagged<kTagLoopStatement> {
    ExprNode* condition;
    StatementBlock* body;
};

struct AssignmentStatement : Statement, Tagged<kTagAssignment> {
    AssignOp op;
    ExprNode* target;
    ExprNode* value;
};

struct ShapeCallStatement : Statement, Tagged<kTagContextStatement> {
    bool contextWritten;  // "=>" and an element list followed the call
    ExprNode* call;
    ExprNode* context[kContextSlots];
};

enum class ForVariant : uint8_t {
    NumberRange = 1,  // a Number variable from one value to another
    EnumRange = 3,    // an enumeration variable between two of its items
    EnumIn = 4,       // an enumeration variable over every item of its type
};

struct ForStatement : Statement, Tagged<kTagLoopStatement> {
    ForVariant variant;
    DataItem* control;
    ExprNode* from;  // absent for EnumIn
    ExprNode* to;    // absent for EnumIn
    ExprNode* step;  // may be absent
    StatementBlock* body;
};

struct WithStatement : Statement, Tagged<kTagContextStatement> {
    ExprNode* context[kContextSlots];
    StatementBlock* body;
};

// How an Output item is written, chosen by its type.
enum class OutputWriter : uint8_t {
    Logical = 1,
    Number = 2,
    Text = 3,
    Time = 4,
    Array = 5,
    Routine = 6,
    Structure = 7,
    Enumeration = 8,
};

struct OutputItem : Tagged<kTagOutputItem> {
    ExprNode* value;
    OutputWriter writer;
    OutputItem* next;
};

struct OutputStatement : Statement, Tagged<kTagOutputStatement> {
    OutputItem* first;
    OutputItem* last;
    uint16_t count;
};

struct ReturnStatement : Statement, Tagged<kTagSimpleStatement> {
    ExprNode* value;  // absent outside functions
};

// FBreak, WBreak and OBreak: the header is all they need.
struct BreakStatement : Statement, Tagged<kTagSimpleStatement> {};

struct IfClause : Tagged<kTagIfStatement> {
    ExprNode* condition;
    StatementBlock* block;
    IfClause* next;
};

struct IfStatement : Statement, Tagged<kTagIfStatement> {
    IfClause* first;  // If, then each ElseIf in order
    IfClause* last;
    uint16_t clauseCount;
    StatementBlock* elseBlock;  // may be absent
};

struct OverStatement : Statement, Tagged<kTagLoopStatement> {
    ExprNode* array;
    DataItem* alias;  // the element's name, in the routine's locals
    StatementBlock* body;
};

enum class SelectMode : uint8_t { Number = 1, Enumeration = 2 };

// One value, or a range of values, of a Case clause; the bounds are folded
// at compile time.
struct CaseItem : Tagged<kTagCaseItem> {
    uint8_t boundCount;  // 1 a single value, 2 a range
    ExprNode* low;
    ExprNode* high;
    uint8_t lowValue[8];
    uint8_t highValue[8];
    bool lowNull;
    bool highNull;
    CaseItem* next;
};

struct CaseClause : Tagged<kTagSelectStatement> {
    CaseItem* first;
    CaseItem* last;
    uint16_t itemCount;
    StatementBlock* block;
    CaseClause* next;
};

struct SelectStatement : Statement, Tagged<kTagSelectStatement> {
    TypeDescriptor* selectorType;
    ExprNode* selector;
    SelectMode mode;
    CaseClause* first;
    CaseClause* last;
    uint16_t clauseCount;
    StatementBlock* otherwise;  // may be absent
};

struct ErrorStatement : Statement, Tagged<kTagSimpleStatement> {
    ExprNode* category;
    ExprNode* message;
};

// How an Output item of that type is written; *found is false for a type
// Output cannot write.
OutputWriter WriterFor(const TypeDescriptor* type, bool* found);

// Compiles a routine body: the parser is at the token after Begin; compiles
// the block up to (not taking) End. Returns the block, or nullptr when any
// error was reported (*ok is then false).
StatementBlock* CompileRoutineBody(Parser& parser, Routine& routine, bool* ok);

// Frees a statement of any kind with its expressions and blocks. An unknown
// kind is reported on standard output and false returned (the record is
// left alone: nothing is known about what it holds).
bool FreeStatement(Statement*& statement);
void FreeStatementBlock(StatementBlock*& block);

}  // namespace vorlan::compiler
