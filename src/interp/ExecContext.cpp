// Statements that draw: With and shape calls, and the local graphics
// contexts they run their bodies with.
//
// A local context is a block of five cells like the run's own. A slot the
// element list leaves out refers to the enclosing context's element; a
// listed element that is a variable is referred to directly; a computed one,
// and every new origin, gets a cell the local context owns and releases.
// Origins add up, so nested With statements and shape calls place their
// drawing relative to one another.

#include "compiler/Compilation.h"
#include "compiler/Declarations.h"
#include "base/Memory.h"
#include "interp/Context.h"
#include "graphics/ElementCells.h"
#include "value/SystemTypeCodes.h"
#include "interp/Errors.h"
#include "interp/Evaluate.h"
#include "interp/ExecInternal.h"
#include "value/HeldValue.h"
#include "value/Number.h"
#include "value/ValueOps.h"

#include <cstring>

namespace vorlan::runtime {

using compiler::ExprNode;
using compiler::Statement;
using compiler::TypeDescriptor;

namespace {

static_assert(compiler::kContextSlots == graphics::kContextSlots, "one element slot per context cell");
static_assert(int{library::kPoint} + int{compiler::kSlotCanvas} == int{library::kCanvas}, "element types run in slot order");

const TypeDescriptor* SlotType(const RunContext& context, int slot) {
    return context.program ? compiler::FindSystemType(*context.program, static_cast<uint16_t>(library::kPoint + slot))
                           : nullptr;
}

class LocalContext {
public:
    explicit LocalContext(RunContext& context) : context_(context) {}
    LocalContext(const LocalContext&) = delete;
    LocalContext& operator=(const LocalContext&) = delete;

    // Builds the block from the enclosing context and the listed elements
    // (nullptr where a slot is not listed).
    uint16_t Build(const Statement& statement, const compiler::NodeRef (&elements)[compiler::kContextSlots]);
    void* Block() const { return block_; }

private:
    uint8_t* Cell(int slot) const { return static_cast<uint8_t*>(block_.Get()) + 8 * slot; }
    // A new cell of the slot's type holding its initial value, owned.
    Status NewOwnedCell(int slot, uint8_t** cell);
    uint16_t BuildOrigin(const Statement& statement, const ExprNode& given);
    uint16_t BuildElement(const Statement& statement, int slot, const ExprNode& given);

    RunContext& context_;
    OwnedBlock<void> block_;
    runtime::HeldValue owned_[compiler::kContextSlots];  // the elements made for this context
};

Status LocalContext::NewOwnedCell(int slot, uint8_t** cell) {
    const TypeDescriptor* type = SlotType(context_, slot);
    if (!type) return Status::InternalFailure;
    auto* made = static_cast<uint8_t*>(MemAllocate(type->cellSize, graphics::kTagContextElement));
    if (!made) return Status::OutOfMemory;
    const Status status = InitialiseValue(*type, made);
    StoreHandle(Cell(slot), made);
    owned_[slot] = runtime::HeldValue(type, made);
    *cell = made;
    return status;
}

// The new origin is the enclosing one moved by the given point; its z stays.
uint16_t LocalContext::BuildOrigin(const Statement& statement, const ExprNode& given) {
    const uint8_t* current = LoadHandle<uint8_t>(Cell(compiler::kSlotOrigin));
    Operand offset;
    Status status = offset.Read(given, context_);
    if (status != Status::Success) return Raise(context_, statement, status, RunMsg::GraphicsOrigin);
    uint8_t* origin = nullptr;
    status = NewOwnedCell(compiler::kSlotOrigin, &origin);
    if (status == Status::OutOfMemory) return Raise(context_, statement, status, RunMsg::CreateContextList);
    const TypeDescriptor* pointType = SlotType(context_, compiler::kSlotOrigin);
    if (status == Status::Success && current)
        status = pointType->ops.copy ? pointType->ops.copy(*pointType, origin, current) : Status::InternalFailure;
    if (status != Status::Success) return Raise(context_, statement, status, RunMsg::GraphicsContextCopy);

    using namespace graphics::cells;
    Number sum = kNullNumber;
    status = Arithmetic(ArithOp::Add, LoadCell<Number>(At(origin, point::kX)), LoadCell<Number>(At(offset.Cell(), point::kX)),
                        &sum);
    StoreCell(At(origin, point::kX), sum);
    if (status != Status::Success) return Raise(context_, statement, status, RunMsg::GraphicsOriginX);
    status = Arithmetic(ArithOp::Add, LoadCell<Number>(At(origin, point::kY)), LoadCell<Number>(At(offset.Cell(), point::kY)),
                        &sum);
    StoreCell(At(origin, point::kY), sum);
    if (status != Status::Success) return Raise(context_, statement, status, RunMsg::GraphicsOriginY);
    return kExecGoOn;
}

uint16_t LocalContext::BuildElement(const Statement& statement, int slot, const ExprNode& given) {
    if (!(given.flags & compiler::kNodeComputed)) {
        // A variable's own record is drawn with; nothing to release.
        uint8_t handle[8];
        const Status status = Evaluate(given, context_, handle);
        if (status != Status::Success) return Raise(context_, statement, status, RunMsg::GraphicsContextCopy);
        std::memcpy(Cell(slot), handle, sizeof handle);
        return kExecGoOn;
    }
    uint8_t* cell = nullptr;
    Status status = NewOwnedCell(slot, &cell);
    if (status == Status::OutOfMemory) return Raise(context_, statement, status, RunMsg::CreateContextList);
    if (status == Status::Success) status = Evaluate(given, context_, cell);
    if (status != Status::Success) return Raise(context_, statement, status, RunMsg::GraphicsContextCopy);
    return kExecGoOn;
}

uint16_t LocalContext::Build(const Statement& statement, const compiler::NodeRef (&elements)[compiler::kContextSlots]) {
    block_.Adopt(MemAllocate(8 * compiler::kContextSlots, kTagLocalContext));
    if (!block_) return Raise(context_, statement, Status::OutOfMemory, RunMsg::CreateContextList);
    if (context_.graphics) std::memcpy(block_, context_.graphics, 8 * compiler::kContextSlots);
    if (elements[compiler::kSlotOrigin]) {
        const uint16_t status = BuildOrigin(statement, *elements[compiler::kSlotOrigin]);
        if (status != kExecGoOn) return status;
    }
    for (int slot = compiler::kSlotPen; slot < compiler::kContextSlots; ++slot) {
        if (!elements[slot]) continue;
        const uint16_t status = BuildElement(statement, slot, *elements[slot]);
        if (status != kExecGoOn) return status;
    }
    return kExecGoOn;
}

// A frame for a routine's parameters and locals, released on every path.
class Frame {
public:
    explicit Frame(FrameStack& stack) : stack_(stack) {}
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    ~Frame() { PopFrame(stack_, bytes_); }

    bool Allocate(uint32_t size) {
        bytes_ = PushFrame(stack_, size);
        return bytes_ != nullptr;
    }
    uint8_t* Bytes() const { return bytes_; }

private:
    FrameStack& stack_;
    uint8_t* bytes_ = nullptr;
};

// Built-in shapes have parameters but no frame area of their own, so their
// frame is sized by the signature.
uint32_t ShapeFrameSize(const compiler::Routine& routine) {
    const uint32_t parameters = routine.type ? routine.type->fields.size : 0;
    const uint32_t size = FrameSize(routine);
    return size > parameters ? size : parameters;
}

// The shape's name, for the report of a failed call.
const char16_t* NameOf(const compiler::Routine& routine) { return routine.entry ? routine.entry->name : nullptr; }

uint16_t RunShape(const compiler::ShapeCallStatement& record, const compiler::Routine& routine, RunContext& context,
                  uint8_t* frame) {
    LocalContext local(context);
    void* graphics = context.graphics;
    if (record.contextWritten) {
        const uint16_t status = local.Build(record, record.context);
        if (status != kExecGoOn) return status;
        graphics = local.Block();
    }
    if (routine.builtinNumber == 0) return RunRoutine(routine, context, frame, graphics, nullptr);
    // FIXME: the native drawing operations of the system shapes are not all
    // registered yet; one without a handler cannot run.
    if (!routine.handler) return Raise(context, record, Status::InternalFailure, RunMsg::ShapeCall, NameOf(routine));
    RunContext drawing = context;
    drawing.graphics = graphics;
    drawing.builtin = &routine;  // the shape's reports carry its name
    return Code(routine.handler(&drawing, frame, graphics));
}

}  // namespace

uint16_t ExecWith(const Statement& statement, RunContext& context) {
    const auto& record = static_cast<const compiler::WithStatement&>(statement);
    LocalContext local(context);
    const uint16_t status = local.Build(statement, record.context);
    if (status != kExecGoOn) return status;
    if (!record.body) return kExecGoOn;
    RunContext inner = context;
    inner.graphics = local.Block();
    return ExecuteBlock(*record.body, inner);
}

uint16_t ExecShapeCall(const Statement& statement, RunContext& context) {
    const auto& record = static_cast<const compiler::ShapeCallStatement&>(statement);
    const ExprNode& call = *record.call;
    if (!call.left || !call.list) return Raise(context, statement, Status::InternalFailure, RunMsg::ShapeCall);
    Operand shape;
    Status evaluated = shape.Read(*call.left, context);
    if (evaluated != Status::Success) return Raise(context, statement, evaluated, RunMsg::ShapeCall);
    const auto* routine = LoadHandle<const compiler::Routine>(shape.Cell());
    if (!routine || !routine->type) return Raise(context, statement, Status::UsingNull, RunMsg::ShapeCall);
    if (CallTooDeep(context))
        return Raise(context, statement, Status::OutOfMemory, RunMsg::ShapeCall, NameOf(*routine));

    Frame frame(*context.frames);
    if (!frame.Allocate(ShapeFrameSize(*routine)))
        return Raise(context, statement, Status::OutOfMemory, RunMsg::ShapeCall, NameOf(*routine));
    uint16_t status =
        Code(BindArguments(*call.list, *routine->type, context, frame.Bytes(), routine->builtinNumber != 0));
    if (status == kExecGoOn) status = RunShape(record, *routine, context, frame.Bytes());
    ReleaseArguments(*routine->type, *call.list, frame.Bytes());
    // An error that arrived without a position gets the call's.
    if (IsErrorStatus(status)) status = Raise(context, statement, static_cast<Status>(status), RunMsg::ShapeCall);
    return status;
}

}  // namespace vorlan::runtime
