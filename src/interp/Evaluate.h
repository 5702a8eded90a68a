#pragma once
// Evaluating typed expression trees. A node flagged computed writes its value
// into `out` (a cell of the node type's size holding a valid value, which the
// evaluation replaces); any other node writes the address of the cell that
// holds its value into `out` as an 8-byte handle.

#include "compiler/Expression.h"
#include "base/Status.h"
#include "interp/Execute.h"
#include "interp/RunContext.h"
#include "value/Value.h"

namespace vorlan::runtime {

Status Evaluate(const compiler::ExprNode& node, RunContext& context, void* out);
// The node's value copied into `cell` (which holds a valid value of its type).
Status EvaluateInto(const compiler::ExprNode& node, RunContext& context, void* cell);
// The address of an addressable node's cell.
Status EvaluateAddress(const compiler::ExprNode& node, RunContext& context, uint8_t** address);

// Where a data item node's cell lives; nullptr when its storage base is missing.
uint8_t* DataItemCell(const compiler::ExprNode& node, const RunContext& context);

// Equality of two cells of `type` (DataCompare).
bool DataEqual(const compiler::TypeDescriptor& type, const void* a, const void* b);
// Equality of two Numbers: by value, so an integer may equal a real.
bool NumbersEqual(Number a, Number b);

// The error an arithmetic node (+ - * / // Mod) raises when its operation
// on a and b fails, as its evaluation raises it.
Status RaiseArithmetic(const compiler::ExprNode& node, RunContext& context, Number a, Number b);

// What a call of a program routine does around the routine's run, as
// EvalCall does it: the frame made (nullptr, and the failure raised at the
// call, past the depth limit or without memory), then let go once the
// routine has run in it or failed to start, the call's status given.
Status EnterCallFailed(const compiler::ExprNode& node, RunContext& context, const compiler::Routine& routine);
Status CallWithoutPosition(const compiler::ExprNode& node, RunContext& context);
inline uint8_t* EnterCall(const compiler::ExprNode& node, RunContext& context, const compiler::Routine& routine,
                          Status* status) {
    if (!CallTooDeep(context) && routine.type && node.list) {
        if (uint8_t* frame = PushFrame(*context.frames, CallFrameSize(routine))) {
            *status = Status::Success;
            return frame;
        }
    }
    *status = EnterCallFailed(node, context, routine);
    return nullptr;
}
inline Status LeaveCall(const compiler::ExprNode& node, RunContext& context, Status status, uint8_t* frame) {
    PopFrame(*context.frames, frame);
    return status == Status::NoPosition ? CallWithoutPosition(node, context) : status;
}
// A program routine's run as a call's status.
inline Status RoutineStatus(uint16_t ran) { return ran == kExecReturn ? Status::Success : static_cast<Status>(ran); }

// Binds a call's arguments into a new frame (parameters at their offsets).
// A Ref argument reached through an array is bound as the way to it (see
// ElementPath), except for a `builtin` routine, which is given addresses.
Status BindArguments(const compiler::ExprList& arguments, const compiler::TypeDescriptor& signature,
                     RunContext& context, uint8_t* frame, bool builtin);
// Frees what BindArguments put into a frame's parameter area.
void ReleaseArguments(const compiler::TypeDescriptor& signature, const compiler::ExprList& arguments, uint8_t* frame);

}  // namespace vorlan::runtime
