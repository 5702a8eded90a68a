// Routine calls inside expressions: a fresh frame, the arguments bound into
// it, the routine run, and everything the call made given back whatever the
// outcome.

#include "compiler/Compilation.h"
#include "interp/Errors.h"
#include "interp/EvalSupport.h"
#include "interp/Execute.h"

namespace vorlan::runtime {

using compiler::ExprNode;
using compiler::Routine;

namespace {

const char16_t* RoutineName(const Routine& routine) { return routine.entry ? routine.entry->name : nullptr; }

// Built-in handlers report their own errors; a bare category that comes back
// has not been recorded yet.
Status HandlerStatus(const ExprNode& node, RunContext& context, const Routine& routine, Status status) {
    const auto code = static_cast<uint16_t>(status);
    if (code >= 21 && code <= 27) return Raise(context, node, status, RunMsg::FunctionCall, RoutineName(routine));
    return status;
}

Status RunCallee(const ExprNode& node, RunContext& context, const Routine& routine, uint8_t* frame, void* out) {
    if (routine.builtinNumber != 0) {
        if (!routine.handler)
            return Raise(context, node, Status::InternalFailure, RunMsg::FunctionCall, RoutineName(routine));
        // The handler finds its parameters through the routine when it
        // reports one; a built-in may evaluate program code that calls another.
        const Routine* outer = context.builtin;
        context.builtin = &routine;
        const Status status = routine.handler(&context, frame, out);
        context.builtin = outer;
        return HandlerStatus(node, context, routine, status);
    }
    return RoutineStatus(RunRoutine(routine, context, frame, context.graphics, static_cast<uint8_t*>(out)));
}

}  // namespace

Status EnterCallFailed(const ExprNode& node, RunContext& context, const Routine& routine) {
    const bool malformed = !CallTooDeep(context) && (!routine.type || !node.list);
    return Raise(context, node, malformed ? Status::InternalFailure : Status::OutOfMemory, RunMsg::FunctionCall,
                 RoutineName(routine));
}

Status CallWithoutPosition(const ExprNode& node, RunContext& context) {
    // The routine's own error could not know where it was called from, nor
    // could argument binding.
    return RecordError(context, false, &node.position, Status::NoPosition, RunMsg::FunctionCall);
}

// Failures before the routine runs leave the output at its type's Null; the
// routine runner does the same for failures inside.
Status EvalCall(const ExprNode& node, RunContext& context, void* out) {
    void* handle;
    Status status = ReadHandle(*node.left, context, &handle);
    if (status == Status::Success && !handle) status = Raise(context, node, Status::UsingNull, RunMsg::FunctionCall);
    if (status != Status::Success) {
        ResetOutput(*node.type, out);
        return status;
    }
    const Routine& routine = *static_cast<const Routine*>(handle);
    uint8_t* frame = EnterCall(node, context, routine, &status);
    if (status == Status::Success) status = BindArguments(*node.list, *routine.type, context, frame, routine.builtinNumber != 0);
    if (status != Status::Success) {
        ResetOutput(*node.type, out);
        return LeaveCall(node, context, status, frame);
    }
    status = RunCallee(node, context, routine, frame, out);  // the routine runner counts the depth
    ReleaseArguments(*routine.type, *node.list, frame);
    return LeaveCall(node, context, status, frame);
}

}  // namespace vorlan::runtime
