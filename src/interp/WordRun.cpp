// Running the compiled forms. One loop runs an expression's instructions and
// a block's, loops and all; when an instruction gives up, its statement runs
// through its handler and the form goes on after it, or leaves its loops as
// the statement's status says.

#include "interp/Evaluate.h"
#include "interp/ExecInternal.h"
#include "interp/RunBudget.h"
#include "interp/WordCode.h"
#include "interp/WordCodeForm.h"
#include "value/Arrays.h"
#include "value/NumberFast.h"
#include "value/Value.h"

namespace vorlan::runtime {

using namespace word;

namespace {

// What an expression's form gives when it gives up.
constexpr uint16_t kGaveUp = 0;

uint8_t* ModuleCell(const RunContext& context, uint16_t module, uint32_t offset) {
    return context.globals + context.moduleBase[module] + offset;
}

uint8_t* PlaceCell(const RunContext& context, uint16_t module, uint32_t offset) {
    return module == kFramePlace ? context.frame + offset : ModuleCell(context, module, offset);
}

bool ReadElement(const uint8_t* arrayCell, Number index, uint32_t* word) {
    const void* block = LoadHandle<const void>(arrayCell);
    if (!block || !IsInteger(index) || DimensionCountOf(block) != 1) return false;
    const DimensionRecord bounds = DimensionAt(block, 1);
    const int32_t at = IntegerOf(index);
    if (at < bounds.low || at > bounds.high) return false;
    *word = LoadCell<uint32_t>(ElementAddress(block, 4, static_cast<size_t>(at - bounds.low)));
    return true;
}

// The operation on two words, a left and b right, into *out; false to give up.
template <Op op>
inline bool Apply(uint32_t a, uint32_t b, uint32_t* out) {
    if constexpr (op == Op::Add) return FastArithmetic<ArithOp::Add>(a, b, out) == Status::Success;
    if constexpr (op == Op::Subtract) return FastArithmetic<ArithOp::Subtract>(a, b, out) == Status::Success;
    if constexpr (op == Op::Multiply) return FastArithmetic<ArithOp::Multiply>(a, b, out) == Status::Success;
    if constexpr (op == Op::Divide) return FastArithmetic<ArithOp::Divide>(a, b, out) == Status::Success;
    if constexpr (op == Op::IntegerDivide) return FastIntegerDivide(a, b, out) == Status::Success;
    if constexpr (op == Op::Modulo) return FastModulo(a, b, out) == Status::Success;
    if constexpr (op == Op::Less || op == Op::LessEqual || op == Op::Greater || op == Op::GreaterEqual) {
        int order = 0;
        if (FastCompare(a, b, &order) != Status::Success) return false;
        const bool result = op == Op::Less        ? order == 2
                            : op == Op::LessEqual ? order != 1
                            : op == Op::Greater   ? order == 1
                                                  : order != 2;
        *out = result ? kTrue : kFalse;
        return true;
    }
    if constexpr (op == Op::EqualNumber || op == Op::NotEqualNumber) {
        *out = NumbersEqual(a, b) != (op == Op::NotEqualNumber) ? kTrue : kFalse;
        return true;
    }
    if constexpr (op == Op::EqualWord || op == Op::NotEqualWord) {
        *out = (a == b) != (op == Op::NotEqualWord) ? kTrue : kFalse;
        return true;
    }
    if constexpr (op == Op::And || op == Op::Or || op == Op::Xor) {
        if (a == kNullLogical || b == kNullLogical) return false;
        const bool x = a == kTrue, y = b == kTrue;
        const bool result = op == Op::And ? (x && y) : op == Op::Or ? (x || y) : x != y;
        *out = result ? kTrue : kFalse;
        return true;
    }
    return false;
}

// Whether the running routine is a function whose result is a word.
inline bool ReturnsWord(const RunContext& context) {
    const compiler::TypeDescriptor* result =
        context.routine && context.routine->type ? context.routine->type->baseType : nullptr;
    return context.result && IsWordType(result);
}

// The compiled form of a routine's body when the routine has no locals to
// set up: what RunRoutine would run, found without it.
const WordCode* CompiledBody(const compiler::Routine& routine) {
    if (routine.frame.first || !routine.body || routine.body->wordBlockState != kMadeWordCode) return nullptr;
    return static_cast<const WordCode*>(routine.body->wordBlock);
}

// Pops a loop's bounds and starts it: false when they make no loop that
// can start (the handler raises the error).
bool StartLoop(const LoopRecord& record, uint32_t*& top, NumberLoop* loop, bool* runs) {
    Number step = kNullNumber;
    if (record.hasStep) step = *top--;
    const Number to = *top--;
    const Number from = *top--;
    if (IsNull(from) || IsNull(to) || (record.hasStep && IsNull(step))) return false;
    const NumberLoopStart start = StartNumberLoop(from, to, record.hasStep ? &step : nullptr, loop);
    *runs = start == NumberLoopStart::Runs;
    return start != NumberLoopStart::Invalid;
}

// The runner jumps from each instruction straight to the next one's code
// (a table of label addresses, which g++ and clang both take): one indirect
// jump per op, each learnt on its own, rather than one shared by all.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"

uint16_t Run(const WordCode& form, RunContext& context, uint32_t* value) {
    static const void* const kTargets[] = {
#define VL_WORD_LABEL(name) &&op_##name,
#define VL_WORD_BINARY_LABELS(name) VL_WORD_BINARY_FORMS(VL_WORD_LABEL, name)
#define VL_WORD_JUMP_LABELS(name) VL_WORD_JUMP_FORMS(VL_WORD_LABEL, name)
        VL_WORD_LEAF_OPS(VL_WORD_LABEL) VL_WORD_BINARY_OPS(VL_WORD_BINARY_LABELS) VL_WORD_BLOCK_OPS(VL_WORD_LABEL)
            VL_WORD_JUMP_OPS(VL_WORD_JUMP_LABELS)
#undef VL_WORD_JUMP_LABELS
#undef VL_WORD_BINARY_LABELS
#undef VL_WORD_LABEL
    };
#define VL_DISPATCH() goto* kTargets[static_cast<uint8_t>(in->op)]
#define VL_NEXT() \
    do {          \
        ++in;     \
        VL_DISPATCH(); \
    } while (0)
#define VL_JUMP(to)    \
    do {               \
        in = code + (to); \
        VL_DISPATCH(); \
    } while (0)

    uint32_t stack[kMaxDepth + 1];
    uint32_t* top = stack;  // the top value is *top; stack[0] stays unused
    NumberLoop loops[kMaxLoops];
    uint8_t* calls[kMaxCallNesting];  // the frames of calls whose arguments are being bound
    uint32_t callCount = 0;
    uint32_t failed[2] = {0, 0};
    Status failure = Status::Success;
    const Instruction* const code = form.code;
    const uint8_t* frame = context.frame;
    const Instruction* in = code;
    uint16_t status = kExecGoOn;
    VL_DISPATCH();

op_Literal:
    *++top = in->argument;
    VL_NEXT();
op_Frame:
    *++top = LoadCell<uint32_t>(frame + in->argument);
    VL_NEXT();
op_Module:
    *++top = LoadCell<uint32_t>(ModuleCell(context, in->module, in->argument));
    VL_NEXT();
op_FrameElement:
    if (!ReadElement(frame + in->argument, *top, top)) goto gaveUp;
    VL_NEXT();
op_ModuleElement:
    if (!ReadElement(ModuleCell(context, in->module, in->argument), *top, top)) goto gaveUp;
    VL_NEXT();
op_Negate:
    if (Negate(*top, top) != Status::Success) goto gaveUp;
    VL_NEXT();
op_Not:
    if (*top == kNullLogical) goto gaveUp;
    *top = *top == kTrue ? kFalse : kTrue;
    VL_NEXT();
// A failed operation keeps its operands, for the error raised after a call.
#define VL_APPLY(name, x, y, out)                   \
    do {                                            \
        const uint32_t a_ = (x), b_ = (y);          \
        if (!Apply<Op::name>(a_, b_, out)) {        \
            failed[0] = a_;                         \
            failed[1] = b_;                         \
            goto gaveUp;                            \
        }                                           \
    } while (0)
#define VL_WORD_CASES(name)                                                                      \
    op_##name:                                                                                   \
    --top;                                                                                       \
    VL_APPLY(name, top[0], top[1], top);                                                         \
    VL_NEXT();                                                                                   \
    op_##name##Frame:                                                                            \
    VL_APPLY(name, *top, LoadCell<uint32_t>(frame + in->argument), top);                         \
    VL_NEXT();                                                                                   \
    op_##name##Literal:                                                                          \
    VL_APPLY(name, *top, in->argument, top);                                                     \
    VL_NEXT();                                                                                   \
    op_##name##FrameFrame:                                                                       \
    VL_APPLY(name, LoadCell<uint32_t>(frame + in->argument), LoadCell<uint32_t>(frame + in->right), top + 1); \
    ++top;                                                                                       \
    VL_NEXT();                                                                                   \
    op_##name##FrameLiteral:                                                                     \
    VL_APPLY(name, LoadCell<uint32_t>(frame + in->argument), in->right, top + 1);                \
    ++top;                                                                                       \
    VL_NEXT();                                                                                   \
    op_##name##LiteralFrame:                                                                     \
    VL_APPLY(name, in->argument, LoadCell<uint32_t>(frame + in->right), top + 1);                \
    ++top;                                                                                       \
    VL_NEXT();
    VL_WORD_BINARY_OPS(VL_WORD_CASES)
#undef VL_WORD_CASES
// A fused comparison goes on when it holds and jumps when it does not.
#define VL_TEST(name, x, y)                      \
    do {                                         \
        uint32_t holds_;                         \
        VL_APPLY(name, x, y, &holds_);           \
        if (holds_ == kTrue) VL_NEXT();          \
        VL_JUMP(in->module);                     \
    } while (0)
#define VL_JUMP_CASES(name)                                                                         \
    op_JumpUnless##name:                                                                            \
    top -= 2;                                                                                       \
    VL_TEST(name, top[1], top[2]);                                                                  \
    op_JumpUnless##name##Frame:                                                                     \
    --top;                                                                                          \
    VL_TEST(name, top[1], LoadCell<uint32_t>(frame + in->argument));                                \
    op_JumpUnless##name##Literal:                                                                   \
    --top;                                                                                          \
    VL_TEST(name, top[1], in->argument);                                                            \
    op_JumpUnless##name##FrameFrame:                                                                \
    VL_TEST(name, LoadCell<uint32_t>(frame + in->argument), LoadCell<uint32_t>(frame + in->right)); \
    op_JumpUnless##name##FrameLiteral:                                                              \
    VL_TEST(name, LoadCell<uint32_t>(frame + in->argument), in->right);                             \
    op_JumpUnless##name##LiteralFrame:                                                              \
    VL_TEST(name, in->argument, LoadCell<uint32_t>(frame + in->right));
    VL_WORD_JUMP_OPS(VL_JUMP_CASES)
#undef VL_JUMP_CASES
#undef VL_TEST
#undef VL_APPLY

op_Yield:
    *value = *top;
    return kExecGoOn;
op_End:
    return kExecGoOn;
op_StoreFrame:
    StoreCell(context.frame + in->argument, *top--);
    VL_NEXT();
op_StoreModule:
    StoreCell(ModuleCell(context, in->module, in->argument), *top--);
    VL_NEXT();
op_Compound: {
    uint8_t* cell = PlaceCell(context, in->module, in->argument);
    Number result;
    if (ApplyCompound(static_cast<compiler::AssignOp>(in->slot), LoadCell<Number>(cell), *top, &result) !=
        Status::Success)
        goto gaveUp;
    StoreCell(cell, result);
    --top;
    VL_NEXT();
}
op_Append: {
    // A failed append changes nothing, and its handler raises the failure.
    const auto* elementType = static_cast<const compiler::TypeDescriptor*>(form.pointers[in->right]);
    if (AppendElement(PlaceCell(context, in->module, in->argument), *elementType, top) != Status::Success)
        goto gaveUp;
    --top;
    VL_NEXT();
}
op_ReturnCheck:
    // A function of a word result; anything else goes to the handler.
    if (!ReturnsWord(context)) goto gaveUp;
    VL_NEXT();
op_ReturnChecked:
    if (!ReturnsWord(context)) goto gaveUp;
    // On into Return.
op_Return:
    StoreCell(context.result, *top);
    return kExecReturn;
op_CallBegin: {
    const auto& node = *static_cast<const compiler::ExprNode*>(form.pointers[in->argument]);
    const auto& routine = *static_cast<const compiler::Routine*>(form.pointers[in->right]);
    uint8_t* made = EnterCall(node, context, routine, &failure);
    if (!made) goto storeFailed;
    calls[callCount++] = made;
    VL_NEXT();
}
op_Arg:
    StoreCell(calls[callCount - 1] + in->argument, *top--);
    VL_NEXT();
op_Call: {
    const auto& node = *static_cast<const compiler::ExprNode*>(form.pointers[in->argument]);
    const auto& routine = *static_cast<const compiler::Routine*>(form.pointers[in->right]);
    uint8_t* called = calls[--callCount];
    // The result starts Null, as an evaluation's output does.
    *++top = kNullNumber;
    auto* result = reinterpret_cast<uint8_t*>(top);
    uint16_t ran;
    if (const WordCode* body = CompiledBody(routine)) {
        // Nothing to set up: the body's form runs straight from here, and
        // takes the step RunRoutine would take.
        RunContext callee = CalleeContext(context, routine, called, context.graphics, result);
        uint32_t unused;
        ran = TakeRunStep() ? FinishRoutine(routine, called, result, Run(*body, callee, &unused))
                            : kExecFatal;  // let go below like any failed call
    } else {
        ran = RunRoutine(routine, context, called, context.graphics, result);
    }
    failure = LeaveCall(node, context, RoutineStatus(ran), called);
    if (failure != Status::Success) goto storeFailed;
    VL_NEXT();
}
op_Handler:
    goto handler;
op_Jump:
    if (in->argument <= static_cast<uint32_t>(in - code) && !TakeRunStep()) return kExecFatal;
    VL_JUMP(in->argument);
op_JumpUnless: {
    const Logical truth = *top;
    if (truth == kNullLogical) goto gaveUp;
    --top;
    if (truth != kTrue) VL_JUMP(in->argument);
    VL_NEXT();
}
op_ForInit: {
    const LoopRecord& loop = form.loops[in->argument];
    StoreCell(PlaceCell(context, loop.controlModule, loop.controlOffset), kNullNumber);
    VL_NEXT();
}
op_ForStart: {
    const LoopRecord& loop = form.loops[in->argument];
    bool runs = false;
    if (!StartLoop(loop, top, &loops[in->argument], &runs)) goto gaveUp;
    if (!runs) VL_JUMP(loop.exit);
    StoreCell(PlaceCell(context, loop.controlModule, loop.controlOffset), loops[in->argument].value);
    VL_NEXT();
}
op_ForNext: {
    const LoopRecord& loop = form.loops[in->argument];
    NumberLoop& state = loops[in->argument];
    bool more = false;
    if (IsInteger(state.value) && IsInteger(state.step) && IsInteger(state.to)) {
        // Integers within the range, the common case, inline.
        const int32_t next = IntegerOf(state.value) + IntegerOf(state.step);
        if (next >= -kLargestInteger && next <= kLargestInteger) {
            state.value = MakeIntegerUnchecked(next);
            const int32_t to = IntegerOf(state.to);
            more = state.beyond == 1 ? next <= to : next >= to;
            goto advanced;
        }
    }
    {
        const auto& record =
            static_cast<const compiler::ForStatement&>(*form.statements[in->statement].statement);
        status = AdvanceNumberLoop(state, record, context, &more);
        if (status != kExecGoOn) goto resume;
    }
advanced:
    if (!more) VL_NEXT();
    if (!TakeRunStep()) return kExecFatal;
    StoreCell(PlaceCell(context, loop.controlModule, loop.controlOffset), state.value);
    VL_JUMP(loop.top);
}

gaveUp:
    if (in->statement == kNoStatement) return kGaveUp;
    if (in->slot & kAfterCall) {
        failure = RaiseArithmetic(*static_cast<const compiler::ExprNode*>(form.pointers[in->module]), context,
                                  failed[0], failed[1]);
        goto storeFailed;
    }
    // Nothing has run yet: the calls begun are let go, and the statement
    // runs through its handler.
    while (callCount) PopFrame(*context.frames, calls[--callCount]);
handler:
    // Statements begin with an empty stack, and the handler reads the
    // statement's values again.
    top = stack;
    status = ExecuteStatement(*form.statements[in->statement].statement, context);
    goto resume;
storeFailed:
    // A call has run: the statement fails where it is, as its handler fails it.
    while (callCount) PopFrame(*context.frames, calls[--callCount]);
    top = stack;
    status = WordStoreFailed(*form.statements[in->statement].statement, context, failure);
resume: {
    const StatementRecord& record = form.statements[in->statement];
    if (status == kExecGoOn) VL_JUMP(record.end);
    // A loop's own break ends it; anything else ends it as well, and goes
    // on out.
    uint16_t loop = record.loop;
    while (loop != kNoLoop && status != form.loops[loop].ownBreak) loop = form.loops[loop].parent;
    if (loop == kNoLoop) return status;
    status = kExecGoOn;
    VL_JUMP(form.loops[loop].exit);
}
#undef VL_JUMP
#undef VL_NEXT
#undef VL_DISPATCH
}

#pragma GCC diagnostic pop

}  // namespace

bool RunWordCode(const WordCode& code, const RunContext& context, uint32_t* value) {
    // An expression's form holds no statements: it only reads the context.
    return Run(code, const_cast<RunContext&>(context), value) == kExecGoOn;
}

uint16_t RunWordBlock(const WordCode& code, RunContext& context) {
    uint32_t unused = 0;
    return Run(code, context, &unused);
}

}  // namespace vorlan::runtime
