#pragma once
// The instructions of a compiled form (see WordCode.h), shared by the
// compiler that makes them and the loop that runs them.
//
// Values live on a small stack, most operands are carried in the
// instruction. An expression's form ends with Yield, its value on the
// stack. A block's form holds its statements one after another: a store pops
// the value its expression pushed, If and While are conditional jumps, a For
// keeps its running state in a slot of the runner's own, and a statement
// without a compiled form is a Handler instruction. Every instruction names
// the statement it belongs to, for when it gives up.

#include "compiler/Statements.h"

#include <cstdint>

namespace vorlan::runtime::word {

// Every operation on two words comes six ways, since most operands are a
// datum in the frame or a literal: the left operand on the stack and the
// right one on the stack, in a frame cell or written into the instruction;
// or both in the instruction, frame and frame, frame and literal, literal
// and frame, the result pushed.
#define VL_WORD_BINARY_OPS(X)                                                                                   \
    X(Add) X(Subtract) X(Multiply) X(Divide) X(IntegerDivide) X(Modulo) X(Less) X(LessEqual) X(Greater)         \
    X(GreaterEqual) X(EqualNumber) X(NotEqualNumber) X(EqualWord) X(NotEqualWord) X(And) X(Or) X(Xor)

// The ops that end an expression or do a block's work:
// - Yield: an expression's end, its value on top. End: a block's end.
// - StoreFrame, StoreModule: pop into the frame cell `argument`, or module
//   `module`'s.
// - Compound: pops, and works it into the place's Number by the AssignOp in
//   `slot`. Append: pops, and appends it to the place's array, `right`
//   indexing the element type among the pointers. Return: pops into a word
//   function's result.
// - Handler: runs its statement through the statement's handler.
// - Jump to `argument`; JumpUnless pops a condition and jumps unless True.
// - ForInit sets loop `argument`'s control to Null before its bounds are
//   read; ForStart pops the bounds and starts it or jumps past it; ForNext
//   moves it on, back to its body or on past it.
// - A call of a program routine: CallBegin makes the frame of the call node
//   among the pointers at `argument` (the routine at `right`), as the
//   evaluator makes it, Arg pops an argument into its parameter at offset
//   `argument`, and Call runs the routine and pushes its result.
// - ReturnCheck gives up unless the routine is a function of a word result,
//   before a Return's value that calls routines is worked out; a value that
//   calls none is checked by ReturnChecked, which then returns it.
#define VL_WORD_LEAF_OPS(X) X(Literal) X(Frame) X(Module) X(FrameElement) X(ModuleElement) X(Negate) X(Not)
#define VL_WORD_BLOCK_OPS(X)                                                                                      \
    X(Yield) X(End) X(StoreFrame) X(StoreModule) X(Compound) X(Append) X(Return) X(Handler) X(Jump) X(JumpUnless) \
    X(ForInit) X(ForStart) X(ForNext) X(CallBegin) X(Arg) X(Call) X(ReturnCheck) X(ReturnChecked)
#define VL_WORD_BINARY_FORMS(X, name) \
    X(name) X(name##Frame) X(name##Literal) X(name##FrameFrame) X(name##FrameLiteral) X(name##LiteralFrame)

// A comparison that an If or a While tests comes fused with its jump, in
// the same six ways: JumpUnlessLess and its kin compare, go on to the next
// instruction when the comparison holds and jump to `module` when it does
// not. Conditions never call routines, so `module` is free to hold the
// target, since a form numbers its instructions in 16 bits.
#define VL_WORD_JUMP_OPS(X) X(Less) X(LessEqual) X(Greater) X(GreaterEqual) X(EqualNumber) X(NotEqualNumber)
#define VL_WORD_JUMP_FORMS(X, name) VL_WORD_BINARY_FORMS(X, JumpUnless##name)

enum class Op : uint8_t {
#define VL_WORD_NAME(name) name,
#define VL_WORD_BINARY_NAMES(name) VL_WORD_BINARY_FORMS(VL_WORD_NAME, name)
#define VL_WORD_JUMP_NAMES(name) VL_WORD_JUMP_FORMS(VL_WORD_NAME, name)
    VL_WORD_LEAF_OPS(VL_WORD_NAME) VL_WORD_BINARY_OPS(VL_WORD_BINARY_NAMES) VL_WORD_BLOCK_OPS(VL_WORD_NAME)
        VL_WORD_JUMP_OPS(VL_WORD_JUMP_NAMES)
#undef VL_WORD_JUMP_NAMES
#undef VL_WORD_BINARY_NAMES
#undef VL_WORD_NAME
};

// The place of a datum a statement stores into: `module` is this for a
// frame cell, or the module's number.
constexpr uint16_t kFramePlace = 0xFFFF;
constexpr uint16_t kNoStatement = 0xFFFF;
constexpr uint16_t kNoLoop = 0xFFFF;

// In `slot` of an operation that comes after a call in its statement: the
// statement cannot be run again, so a failure is raised where the
// evaluator raises it, with the node among the pointers at `module`.
constexpr uint8_t kAfterCall = 0x80;

struct Instruction {
    Op op;
    uint8_t slot;
    uint16_t module;
    uint16_t statement;  // the index of the statement it belongs to
    uint32_t argument;   // a literal word, a cell's offset, a jump's target
    uint32_t right;      // the right operand's, when both are in the instruction
};

// A statement of a block's form: where it goes on after running, and the
// loop it is in, which stops for the loop's own break.
struct StatementRecord {
    const compiler::Statement* statement;
    uint32_t end;
    uint16_t loop;
};

// A While or For loop: where its body starts and where the code goes on
// after it; a For's control place and whether it has a step.
struct LoopRecord {
    uint32_t top;
    uint32_t exit;
    uint16_t ownBreak;
    uint16_t parent;
    uint16_t controlModule;
    bool hasStep;
    uint32_t controlOffset;
};

// For loops a form may nest, and their running states.
constexpr uint32_t kMaxLoops = 16;
// Calls a statement may nest within each other's arguments.
constexpr uint32_t kMaxCallNesting = 8;
// The deepest an expression's values stack, and the most bounds a loop pushes.
constexpr uint32_t kMaxDepth = 16;

}  // namespace vorlan::runtime::word

namespace vorlan::runtime {

// One allocation: the header, then its instructions, statements, loops and
// pointers.
struct WordCode {
    WordCode* next;
    const void* owner;  // the node or block whose form it is
    bool block;
    uint32_t count;
    uint16_t statementCount;
    uint16_t loopCount;
    const word::Instruction* code;
    const word::StatementRecord* statements;
    const word::LoopRecord* loops;
    const void* const* pointers;
};

}  // namespace vorlan::runtime
