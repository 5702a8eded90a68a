#pragma once
// What the statement runners share: the handler of each statement kind, the
// recorder they raise runtime messages through, and the operand holder
// through which every statement reads an expression's value.

#include "compiler/Statements.h"
#include "value/Types.h"
#include "base/Owned.h"
#include "base/RunMessages.h"
#include "base/Status.h"
#include "interp/ErrorDetail.h"
#include "interp/Execute.h"
#include "interp/RunContext.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace vorlan::runtime {

constexpr uint16_t kExecGoOn = 1;
constexpr uint32_t kTagFrame = 22005;
constexpr uint32_t kTagLocalContext = 22009;
constexpr uint32_t kTagExecTemporary = 22010;  // computed values held while a statement uses them

constexpr uint16_t Code(Status status) { return static_cast<uint16_t>(status); }
// An error status: from here on an OnError list takes over.
constexpr bool IsErrorStatus(uint16_t status) { return status >= Code(Status::BadParam); }

// Section - Messages

// Hands a failure to the recorder at the statement's position: a new error
// is recorded with the message, one already raised travels on unchanged.
uint16_t Raise(RunContext& context, const compiler::Statement& statement, Status code, RunMsg message,
               const char16_t* parameter = nullptr, const ErrorDetail* detail = nullptr);

// Section - Operands

// The value of an expression as a statement uses it: the cell that holds it,
// and, when the expression computes its value, a temporary that the operand
// owns and releases. Values of up to 16 bytes live inside the operand, so
// reading a Number allocates nothing.
class Operand {
public:
    Operand() = default;
    Operand(const Operand&) = delete;
    Operand& operator=(const Operand&) = delete;
    ~Operand() { Release(); }

    Status Read(const compiler::ExprNode& node, RunContext& context);
    uint8_t* Cell() const { return cell_; }
    // True when Read failed for want of memory for the temporary.
    bool AllocationFailed() const { return allocationFailed_; }
    // The value's bytes now belong to someone else: nothing is released.
    void Disown() { owned_ = false; }
    // True when the cell is a temporary of the operand's own.
    bool Owned() const { return owned_; }
    void Release();

private:
    const compiler::TypeDescriptor* type_ = nullptr;
    uint8_t* cell_ = nullptr;
    void* heap_ = nullptr;  // a temporary cell, given back to keep_
    TemporaryCells* keep_ = nullptr;
    bool owned_ = false;
    bool allocationFailed_ = false;
    alignas(16) uint8_t local_[16] = {};
};

// The cell of a routine's own datum: in the frame, or in module data when
// it is Saved.
uint8_t* LocalCell(const compiler::DataItem& item, const RunContext& context);

// Section - Statement handlers

using StatementHandler = uint16_t (*)(const compiler::Statement& statement, RunContext& context);

uint16_t ExecuteList(const compiler::StatementList& list, RunContext& context);
uint16_t ExecuteStatement(const compiler::Statement& statement, RunContext& context);

// Section - Compound assignments

// x += y and its kin on Numbers (+= on a Text and on an array is not one).
constexpr bool IsCompoundNumberOp(compiler::AssignOp op) {
    return op == compiler::AssignOp::Add || op == compiler::AssignOp::Subtract ||
           op == compiler::AssignOp::Multiply || op == compiler::AssignOp::Divide ||
           op == compiler::AssignOp::IntegerDivide;
}
// The new value of a Number that a compound assignment changes.
Status ApplyCompound(compiler::AssignOp op, Number current, Number operand, Number* out);
// A word store (`:=` to a datum, or `Return`) whose value failed after
// program code had run, so that it cannot be tried again: the statement
// fails as its handler fails it.
uint16_t WordStoreFailed(const compiler::Statement& statement, RunContext& context, Status status);
uint16_t WordAssignmentFailed(const compiler::AssignmentStatement& record, RunContext& context, Status status);
// The statements from `first` to the end of its list.
uint16_t ExecuteFrom(const compiler::Statement* first, RunContext& context);

// Section - Routine runs

// The two ends of RunRoutine, for a runner that runs a body itself: the
// context the routine runs in, and its status as its caller sees it once the
// body has run (the locals released, a failed function's result reset).
inline RunContext CalleeContext(const RunContext& caller, const compiler::Routine& routine, uint8_t* frame,
                                void* graphics, uint8_t* result) {
    RunContext callee = caller;
    callee.frame = frame;
    callee.routine = &routine;
    callee.result = result;
    callee.graphics = graphics;
    callee.depth = caller.depth + 1;
    return callee;
}
uint16_t FinishRoutineRun(const compiler::Routine& routine, uint8_t* frame, uint8_t* result, uint16_t status);
inline uint16_t FinishRoutine(const compiler::Routine& routine, uint8_t* frame, uint8_t* result, uint16_t status) {
    // The common end, inline: the body ran its course and there are no locals.
    if ((status == kExecReturn || status == kExecGoOn) && !routine.frame.first) return kExecGoOn;
    return FinishRoutineRun(routine, frame, result, status);
}

// Section - Number loops

// A For loop over Numbers as it runs: the control's next value, the end it
// stops beyond (1 when it counts up, 2 down) and the step.
struct NumberLoop {
    Number value;
    Number to;
    Number step;
    int beyond;
};
enum class NumberLoopStart : uint8_t { Runs, Skips, Invalid };
// From the loop's bounds; `step` is nullptr when the loop has none. Invalid
// (a zero step, bounds that do not compare) is the loop's setup error.
NumberLoopStart StartNumberLoop(Number from, Number to, const Number* step, NumberLoop* loop);
// Moves the loop on; *more is false once it has run its course. A failed
// step raises its error at the loop.
uint16_t AdvanceNumberLoop(NumberLoop& loop, const compiler::ForStatement& record, RunContext& context, bool* more);

uint16_t ExecWhile(const compiler::Statement& statement, RunContext& context);
uint16_t ExecFor(const compiler::Statement& statement, RunContext& context);
uint16_t ExecOver(const compiler::Statement& statement, RunContext& context);
uint16_t ExecSelect(const compiler::Statement& statement, RunContext& context);
uint16_t ExecAssignment(const compiler::Statement& statement, RunContext& context);
uint16_t ExecOutput(const compiler::Statement& statement, RunContext& context);
uint16_t ExecWith(const compiler::Statement& statement, RunContext& context);
uint16_t ExecShapeCall(const compiler::Statement& statement, RunContext& context);

}  // namespace vorlan::runtime
