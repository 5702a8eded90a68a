#pragma once
// Statement blocks: the compiled bodies of routines.
//
// A block holds two lists of statements, the main list and the OnError
// handler. Every statement record starts with the same header (its kind,
// where its first token stands, the next statement of its list); what follows
// depends on the kind. The records are what the runner walks, so the kind
// codes are fixed.

#include "compiler/Compilation.h"
#include "compiler/Expression.h"
#include "base/Memory.h"
#include "base/TextReader.h"

#include <array>
#include <cstddef>
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

// Every statement kind, once: its name, its number (compiled files carry it,
// so numbers are fixed) and its record type. The enumeration and every
// per-kind table (execute, write and read, check) follow this list; a new
// kind is a row here and its handlers there.
#define VL_STATEMENT_KINDS(X)             \
    X(While, 1, WhileStatement)           \
    X(Assignment, 2, AssignmentStatement) \
    X(ShapeCall, 3, ShapeCallStatement)   \
    X(For, 4, ForStatement)               \
    X(With, 5, WithStatement)             \
    X(Output, 6, OutputStatement)         \
    X(Return, 7, ReturnStatement)         \
    X(If, 9, IfStatement)                 \
    X(FBreak, 10, BreakStatement)         \
    X(WBreak, 11, BreakStatement)         \
    X(Over, 12, OverStatement)            \
    X(Select, 13, SelectStatement)        \
    X(OBreak, 14, BreakStatement)         \
    X(Error, 15, ErrorStatement)

enum class StatementKind : uint16_t {
#define VL_KIND_ENUM(name, code, record) name = code,
    VL_STATEMENT_KINDS(VL_KIND_ENUM)
#undef VL_KIND_ENUM
};

// The kinds in list order: row i of every per-kind table is kStatementKinds[i].
constexpr StatementKind kStatementKinds[] = {
#define VL_KIND_ITEM(name, code, record) StatementKind::name,
    VL_STATEMENT_KINDS(VL_KIND_ITEM)
#undef VL_KIND_ITEM
};
constexpr size_t kStatementKindCount = sizeof kStatementKinds / sizeof kStatementKinds[0];

// The largest kind number, for tables indexed by number.
constexpr uint16_t kLargestStatementKind = [] {
    uint16_t largest = 0;
    for (const StatementKind kind : kStatementKinds)
        if (static_cast<uint16_t>(kind) > largest) largest = static_cast<uint16_t>(kind);
    return largest;
}();

// The row of a kind number, or kStatementKindCount for a number that names
// no kind (a record of ours gone wrong, or a hand-made file).
constexpr size_t StatementKindIndex(uint16_t code) {
    for (size_t i = 0; i < kStatementKindCount; ++i)
        if (static_cast<uint16_t>(kStatementKinds[i]) == code) return i;
    return kStatementKindCount;
}

// For a static_assert beside each per-kind table.
template <class Rows>
constexpr bool RowsFollowStatementKinds(const Rows& rows) {
    if (std::size(rows) != kStatementKindCount) return false;
    for (size_t i = 0; i < kStatementKindCount; ++i)
        if (rows[i].kind != kStatementKinds[i]) return false;
    return true;
}

// The header every statement record starts with. Records are freed through
// FreeStatement, which knows each kind's record type.
struct Statement {
    StatementKind kind;
    ReportPosition position;  // of the statement's first token
    Statement* next;          // in its list
};

// A list owns its statements and lets them go one at a time.
struct StatementList {
    StatementList() = default;
    StatementList(const StatementList&) = delete;
    StatementList& operator=(const StatementList&) = delete;
    ~StatementList();

    Statement* head = nullptr;
    Statement* tail = nullptr;
    uint16_t count = 0;

    void Append(Statement* statement);
};

struct StatementBlock : Tagged<kTagStatementBlock> {
    StatementList main;
    StatementList onError;
    bool onErrorWritten;
    // The run's compiled form of the block (see the run's WordCode), owned by
    // the run, and whether one was tried (0 not yet, 1 none, 2 made).
    mutable const void* wordBlock;
    mutable uint8_t wordBlockState;
};

// The records below hold their expressions and blocks through owning
// handles, so most of them need no destructor of their own; the chains of
// clauses and items are let go link by link (see DeleteChain).

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
    NodeRef condition;
    Owned<StatementBlock> body;
};

struct AssignmentStatement : Statement, Tagged<kTagAssignment> {
    AssignOp op;
    NodeRef target;
    NodeRef value;
};

struct ShapeCallStatement : Statement, Tagged<kTagContextStatement> {
    bool contextWritten;  // "=>" and an element list followed the call
    NodeRef call;
    NodeRef context[kContextSlots];
};

enum class ForVariant : uint8_t {
    NumberRange = 1,  // a Number variable from one value to another
    EnumRange = 3,    // an enumeration variable between two of its items
    EnumIn = 4,       // an enumeration variable over every item of its type
};

struct ForStatement : Statement, Tagged<kTagLoopStatement> {
    ForVariant variant;
    DataItem* control;
    NodeRef from;  // absent for EnumIn
    NodeRef to;    // absent for EnumIn
    NodeRef step;  // may be absent
    Owned<StatementBlock> body;
};

struct WithStatement : Statement, Tagged<kTagContextStatement> {
    NodeRef context[kContextSlots];
    Owned<StatementBlock> body;
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
    NodeRef value;
    OutputWriter writer;
    OutputItem* next;
};

struct OutputStatement : Statement, Tagged<kTagOutputStatement> {
    ~OutputStatement();  // its items
    OutputItem* first;
    OutputItem* last;
    uint16_t count;
};

struct ReturnStatement : Statement, Tagged<kTagSimpleStatement> {
    NodeRef value;  // absent outside functions
};

// FBreak, WBreak and OBreak: the header is all they need.
struct BreakStatement : Statement, Tagged<kTagSimpleStatement> {};  // nothing but the header

struct IfClause : Tagged<kTagIfStatement> {
    NodeRef condition;
    Owned<StatementBlock> block;
    IfClause* next;
};

struct IfStatement : Statement, Tagged<kTagIfStatement> {
    ~IfStatement();  // its clauses
    IfClause* first;  // If, then each ElseIf in order
    IfClause* last;
    uint16_t clauseCount;
    Owned<StatementBlock> elseBlock;  // may be absent
};

struct OverStatement : Statement, Tagged<kTagLoopStatement> {
    NodeRef array;
    DataItem* alias;  // the element's name, in the routine's locals
    Owned<StatementBlock> body;
};

enum class SelectMode : uint8_t { Number = 1, Enumeration = 2 };

// One value, or a range of values, of a Case clause; the bounds are folded
// at compile time.
struct CaseItem : Tagged<kTagCaseItem> {
    uint8_t boundCount;  // 1 a single value, 2 a range
    NodeRef low;
    NodeRef high;
    uint8_t lowValue[8];
    uint8_t highValue[8];
    bool lowNull;
    bool highNull;
    CaseItem* next;
};

struct CaseClause : Tagged<kTagSelectStatement> {
    ~CaseClause();  // its items
    CaseItem* first;
    CaseItem* last;
    uint16_t itemCount;
    Owned<StatementBlock> block;
    CaseClause* next;
};

struct SelectStatement : Statement, Tagged<kTagSelectStatement> {
    ~SelectStatement();  // its clauses
    TypeDescriptor* selectorType;
    NodeRef selector;
    SelectMode mode;
    CaseClause* first;
    CaseClause* last;
    uint16_t clauseCount;
    Owned<StatementBlock> otherwise;  // may be absent
};

struct ErrorStatement : Statement, Tagged<kTagSimpleStatement> {
    NodeRef category;
    NodeRef message;
};

// How an Output item of that type is written; *found is false for a type
// Output cannot write.
OutputWriter WriterFor(const TypeDescriptor* type, bool* found);

// Compiles a routine body: the parser is at the token after Begin; compiles
// the block up to (not taking) End. Returns the block, or nullptr when any
// error was reported (*ok is then false).
Owned<StatementBlock> CompileRoutineBody(Parser& parser, Routine& routine, bool* ok);

// Calls `visit` with the statement as its own record type; false, without a
// call, for a kind the list does not name.
template <class Visit>
bool VisitStatement(Statement& statement, Visit&& visit) {
    switch (statement.kind) {
#define VL_KIND_VISIT(name, code, record) \
    case StatementKind::name: visit(static_cast<record&>(statement)); return true;
        VL_STATEMENT_KINDS(VL_KIND_VISIT)
#undef VL_KIND_VISIT
    }
    return false;
}

template <class Visit>
bool VisitStatement(const Statement& statement, Visit&& visit) {
    switch (statement.kind) {
#define VL_KIND_VISIT(name, code, record) \
    case StatementKind::name: visit(static_cast<const record&>(statement)); return true;
        VL_STATEMENT_KINDS(VL_KIND_VISIT)
#undef VL_KIND_VISIT
    }
    return false;
}

// Frees a statement of any kind with its expressions and blocks. An unknown
// kind is reported on standard output and false returned (the record is
// left alone: nothing is known about what it holds).
bool FreeStatement(Statement*& statement);

}  // namespace vorlan::compiler
