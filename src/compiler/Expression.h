#pragma once
// Typed expression trees: what the expression compiler makes of a parse tree
// once names are resolved and types checked. Each node carries the code of
// its run-time operation, which the evaluator dispatches on, and whether it
// can be folded to a constant at compile time.

#include "compiler/Token.h"
#include "value/Types.h"
#include "base/Memory.h"
#include "base/Owned.h"
#include "base/Status.h"

#include <cstddef>
#include <cstdint>

namespace vorlan::compiler {

struct Parser;
struct ParseNode;
struct Routine;

constexpr uint32_t kTagExprNode = 111;
constexpr uint32_t kTagExprList = 112;

enum class NodeForm : uint8_t { Operator = 1, Value = 2 };

enum NodeFlags : uint8_t {
    kNodeComputed = 1,    // evaluation writes the value itself, not the address of a cell holding it
    kNodeReadOnly = 2,    // a constant, a literal, or a field of a constant
    kNodeAssignable = 4,  // may be the target of an assignment or a Ref argument
    kNodeDirect = 8,      // the value is held directly in its cell
    kNodeByReference = 16,  // the cell holds the address of the value
};

// Where a data item node's cell lives.
enum class NodeStorage : uint8_t { None = 0, Frame = 1, ModuleData = 2, Literal = 3, Context = 4 };

// The run-time operation of a node. The order is fixed: compiled files store
// these codes.
// Every evaluation code, once: its name and its fold code, the number a
// compiled file gives the operations that have a compile-time evaluation
// (0: none; fixed, since files carry them). The enumeration, the evaluator's
// table (checked by static_assert), the fold codes of compiled files and the
// checker follow this list.
#define VL_EVAL_CODES(X)                                                        \
    X(None, 0)                                                                  \
    X(DataItem, 63)        /* a datum, parameter or context element's cell */ \
    X(Literal, 61)         /* Number, Logical, Time, enum, routine or type */  \
    X(TextLiteral, 62)     /* a copy of the node's text block */               \
    X(ArrayLiteral, 0)     /* a bracket list typed as an array */              \
    X(NullArray, 0)        /* Null written where an array is expected */       \
    X(Add, 64)                                                                  \
    X(Subtract, 65)                                                             \
    X(Multiply, 66)                                                             \
    X(Divide, 67)                                                               \
    X(IntegerDivide, 68)                                                        \
    X(Modulo, 69)                                                               \
    X(Power, 70)                                                                \
    X(Negate, 71)                                                               \
    X(UnaryPlus, 72)                                                            \
    X(Concatenate, 73)                                                          \
    X(CompareNumber, 0)    /* >= <= > <, the operator kept in the node */      \
    X(CompareTime, 0)                                                           \
    X(CompareEnum, 0)                                                           \
    X(CompareText, 0)                                                           \
    X(Equal, 74)           /* == and <>, the operator kept in the node */      \
    X(And, 75)                                                                  \
    X(Or, 76)                                                                   \
    X(Xor, 0)                                                                   \
    X(Not, 0)                                                                   \
    X(ArrayElement, 0)                                                          \
    X(TextCharacters, 0)   /* t[i] and t[i, j] */                              \
    X(Field, 0)            /* s.f */                                           \
    X(StructureValue, 0)   /* a brace list bound to a structure's fields */    \
    X(StructureModify, 0)  /* s{...} */                                        \
    X(Call, 0)             /* a routine called with its bound arguments */

enum class EvalCode : uint16_t {
#define VL_EVAL_ENUM(name, fold) name,
    VL_EVAL_CODES(VL_EVAL_ENUM)
#undef VL_EVAL_ENUM
    Count,
};

// The fold code of each evaluation code, indexed by the code.
constexpr uint16_t kFoldCodes[] = {
#define VL_EVAL_FOLD(name, fold) fold,
    VL_EVAL_CODES(VL_EVAL_FOLD)
#undef VL_EVAL_FOLD
};
static_assert(sizeof kFoldCodes / sizeof kFoldCodes[0] == static_cast<size_t>(EvalCode::Count));

struct ExprNode;

// The items of a list node. Bound lists (calls, structure values and
// modifications) hold one slot per target field or parameter, in declaration
// order, with nullptr where nothing is bound; array literals hold their items
// in order, a nested list node for each further dimension.
struct ExprList : Tagged<kTagExprList> {
    uint16_t count;
    HolderBlock<NodeRef> items;        // count slots
    OwnedBlock<DataItem*> targets;  // bound lists: the field or parameter of each slot
};

struct ExprNode : Tagged<kTagExprNode> {
    ~ExprNode();  // the text block; children and list go with their holders
    NodeForm form;
    uint8_t arity;  // 0 value, 1 unary, 2 binary
    uint8_t flags;
    EvalCode eval;
    bool folds;  // has a compile-time evaluation
    Tok op;      // the operator's token code, kept by comparisons
    ReportPosition position;
    TypeDescriptor* type;  // the result type
    NodeRef left;
    NodeRef right;
    uint16_t refCount;  // holders; see Retain<ExprNode>
    // Data items
    NodeStorage storage;
    uint16_t moduleNumber;
    uint32_t offset;
    DataItem* item;
    // Literals: the value's bytes (a Number word, a Time, a handle); a text
    // literal owns its block here.
    uint8_t literal[8];
    void* text;
    // Calls, structure values, array literals
    Owned<ExprList> list;
    Routine* routine;  // the routine called, when known at compile time
    // Whether evaluating the node may run program code, worked out by the
    // run the first time it asks (0: not yet known). Never written to files.
    mutable uint8_t runsCode;
    // The run's compiled form of a word-valued node (see the run's WordCode),
    // owned by the run, and whether one was tried (0 not yet, 1 none, 2 made).
    mutable const void* wordCode;
    mutable uint8_t wordCodeState;
};

// A call of a built-in routine with an argument checker, as the checker sees
// it: the bound arguments (slot per parameter, the hidden type parameter
// included), the type the call's place expects, and the call node, whose
// result type the checker may settle.
struct CallCheck {
    Parser& parser;
    const Routine& routine;
    ExprList& arguments;
    TypeDescriptor* expected;
    ExprNode& call;
};

// A _Type literal naming `type`, for the hidden type parameter of a call.
NodeRef MakeTypeLiteral(Parser& parser, TypeDescriptor* type, const ReportPosition& at);

// Parses and types one expression at the current token; nullptr after
// reporting. The parser is left at the token that ended the expression.
NodeRef CompileExpression(Parser& parser, TypeDescriptor* expected);
// Types an already parsed tree.
NodeRef TypeExpression(Parser& parser, const ParseNode& tree, TypeDescriptor* expected);

// A constant: compiles, then folds into `value` (cellSize bytes of the result
// type). Reports the failing status as the message of its code.
NodeRef CompileConstant(Parser& parser, TypeDescriptor* expected, uint8_t (&value)[8]);

// Runs the node's compile-time evaluation. Status::Success with the value's
// bytes in `value`; 407 (as a Status word) when the node has none.
uint16_t FoldNode(const ExprNode& node, uint8_t (&value)[8]);

// Whether the node may be written to (assignment target, Ref argument).
inline bool IsAssignable(const ExprNode& node) { return (node.flags & kNodeAssignable) != 0; }
inline bool IsReadOnly(const ExprNode& node) { return (node.flags & kNodeReadOnly) != 0; }

}  // namespace vorlan::compiler
