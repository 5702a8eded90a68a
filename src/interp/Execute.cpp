// Running statement lists and blocks, the routine runner, and the simple
// statements: If, Return, the loop breaks and the user error report.

#include "interp/Execute.h"

#include "compiler/Compilation.h"
#include "base/Assert.h"
#include "base/Memory.h"
#include "interp/Errors.h"
#include "interp/Evaluate.h"
#include "interp/ExecInternal.h"
#include "interp/RunBudget.h"
#include "interp/TemporaryCells.h"
#include "interp/WordCode.h"
#include "value/Text.h"
#include "value/Value.h"
#include "value/ValueOps.h"

#include <cstring>

namespace vorlan::runtime {

using compiler::DataItem;
using compiler::ExprNode;
using compiler::Statement;
using compiler::StatementKind;
using compiler::TypeDescriptor;

static_assert(kExecFatal == Code(Status::MultiReport), "a fatal nested error keeps its status");

// Section - Shared helpers

uint16_t Raise(RunContext& context, const Statement& statement, Status code, RunMsg message,
               const char16_t* parameter, const ErrorDetail* detail) {
    return Code(RecordError(context, false, &statement.position, code, message, parameter, detail));
}

Status Operand::Read(const ExprNode& node, RunContext& context) {
    Release();
    allocationFailed_ = false;
    if (!(node.flags & compiler::kNodeComputed)) {
        uint8_t handle[8];
        VL_PROPAGATE(Evaluate(node, context, handle));
        cell_ = LoadHandle<uint8_t>(handle);
        return cell_ ? Status::Success : Status::InternalFailure;
    }
    const TypeDescriptor* type = node.type;
    if (!type) return Status::InternalFailure;
    // Zero bytes are a valid value of every type (Null for whatever owns
    // memory), which is all the evaluation needs to find in its cell.
    if (type->cellSize <= sizeof local_) {
        std::memset(local_, 0, type->cellSize);
        cell_ = local_;
    } else {
        keep_ = context.temporaries;
        heap_ = TakeTemporaryCell(keep_, type->cellSize, kTagExecTemporary);
        if (!heap_) {
            allocationFailed_ = true;
            return Status::OutOfMemory;
        }
        cell_ = static_cast<uint8_t*>(heap_);
    }
    type_ = type;
    owned_ = true;
    // A failed evaluation still leaves a valid value behind, which Release frees.
    return Evaluate(node, context, cell_);
}

void Operand::Release() {
    if (owned_ && type_ && type_->storage != compiler::StorageClass::Plain && type_->ops.release)
        (void)type_->ops.release(*type_, cell_);
    owned_ = false;
    type_ = nullptr;
    cell_ = nullptr;
    if (heap_) GiveTemporaryCell(keep_, heap_);
    heap_ = nullptr;
}

uint8_t* LocalCell(const DataItem& item, const RunContext& context) {
    if (item.flags & compiler::kDataSaved)
        return context.globals + context.moduleBase[item.module->number] + item.offset;
    return context.frame + item.offset;
}

// Section - Simple statements

namespace {

uint16_t ExecIf(const Statement& statement, RunContext& context) {
    const auto& record = static_cast<const compiler::IfStatement&>(statement);
    for (const compiler::IfClause* clause = record.first; clause; clause = clause->next) {
        Logical truth;
        if (!TryWordCode(*clause->condition, context, &truth)) {
            Operand condition;
            const Status status = condition.Read(*clause->condition, context);
            if (status != Status::Success) return Raise(context, statement, status, RunMsg::NullCondition);
            truth = LoadCell<Logical>(condition.Cell());
        }
        if (truth == kNullLogical) return Raise(context, statement, Status::UsingNull, RunMsg::NullCondition);
        if (truth == kTrue) return clause->block ? ExecuteBlock(*clause->block, context) : kExecGoOn;
    }
    return record.elseBlock ? ExecuteBlock(*record.elseBlock, context) : kExecGoOn;
}

// A local of the returning routine gives its value up rather than having it
// copied: its frame ends with the Return anyway. Parameters, Saved locals,
// globals and anything reached through a reference still belong to someone.
bool CanMoveFrom(const ExprNode& node, const TypeDescriptor& resultType, const RunContext& context) {
    if (node.eval != compiler::EvalCode::DataItem || node.storage != compiler::NodeStorage::Frame) return false;
    if ((node.flags & compiler::kNodeByReference) || !node.item || !context.routine) return false;
    const DataItem& item = *node.item;
    if (item.flags & (compiler::kDataRef | compiler::kDataSaved)) return false;
    if (item.offset < context.routine->frame.base) return false;  // a parameter
    return node.type && node.type->cellSize == resultType.cellSize && node.type->storage == resultType.storage;
}

// Leaves the result cell holding its type's initial value after a failure.
void ResetResult(const TypeDescriptor& type, uint8_t* result) {
    if (type.ops.release) (void)type.ops.release(type, result);
    std::memset(result, 0, type.cellSize);
    (void)InitialiseValue(type, result);
}

uint16_t ExecReturn(const Statement& statement, RunContext& context) {
    const auto& record = static_cast<const compiler::ReturnStatement&>(statement);
    if (!record.value || !context.result || !context.routine || !context.routine->type ||
        !context.routine->type->baseType)
        return kExecReturn;
    const TypeDescriptor& type = *context.routine->type->baseType;
    const ExprNode& value = *record.value;
    uint8_t* result = context.result;
    Status status;
    uint32_t word;
    const bool wordResult = type.cellSize == 4 && type.storage == compiler::StorageClass::Plain;
    if (wordResult && TryWordCode(value, context, &word)) {
        StoreCell(result, word);
        status = Status::Success;
    } else if (value.flags & compiler::kNodeComputed) {
        // The result cell is the temporary: nothing can read it before the
        // function returns.
        status = Evaluate(value, context, result);
    } else {
        uint8_t handle[8];
        status = Evaluate(value, context, handle);
        uint8_t* source = status == Status::Success ? LoadHandle<uint8_t>(handle) : nullptr;
        if (source == result) {
            // Already in place.
        } else if (source && CanMoveFrom(value, type, context)) {
            if (type.ops.release) (void)type.ops.release(type, result);
            std::memcpy(result, source, type.cellSize);
            status = value.type->ops.clear ? value.type->ops.clear(*value.type, source) : Status::InternalFailure;
            if (status != Status::Success) std::memset(source, 0, type.cellSize);  // owns nothing now
        } else if (source) {
            status = type.ops.copy ? type.ops.copy(type, result, source) : Status::InternalFailure;
        } else if (status == Status::Success) {
            status = Status::InternalFailure;
        }
    }
    if (status != Status::Success) {
        ResetResult(type, result);
        return Code(status);
    }
    return kExecReturn;
}

}  // namespace

uint16_t WordStoreFailed(const Statement& statement, RunContext& context, Status status) {
    if (statement.kind == compiler::StatementKind::Assignment)
        return WordAssignmentFailed(static_cast<const compiler::AssignmentStatement&>(statement), context, status);
    // A Return of a word: its function's result is reset, as ExecReturn resets it.
    if (context.result && context.routine && context.routine->type && context.routine->type->baseType)
        ResetResult(*context.routine->type->baseType, context.result);
    return Code(status);
}

namespace {

uint16_t ExecFBreak(const Statement&, RunContext&) { return kExecFBreak; }
uint16_t ExecWBreak(const Statement&, RunContext&) { return kExecWBreak; }
uint16_t ExecOBreak(const Statement&, RunContext&) { return kExecOBreak; }

// A program's own error report: its category names the error's code.
uint16_t ExecUserError(const Statement& statement, RunContext& context) {
    const auto& record = static_cast<const compiler::ErrorStatement&>(statement);
    Operand category;
    Status status = category.Read(*record.category, context);
    if (status != Status::Success) return Raise(context, statement, status, RunMsg::UserErrorReport);
    const auto* item = LoadHandle<const DataItem>(category.Cell());
    if (!item) return Raise(context, statement, Status::UsingNull, RunMsg::UserErrorReport);
    Operand message;
    status = message.Read(*record.message, context);
    if (status != Status::Success) return Raise(context, statement, status, RunMsg::UserErrorReport);
    const void* text = LoadHandle<const void>(message.Cell());
    if (!text) return Raise(context, statement, Status::UsingNull, RunMsg::UserErrorReport);
    return Code(RecordUserError(context, &statement.position, static_cast<Status>(item->enumValue), TextChars(text)));
}

// A number that names no statement kind: a record of ours gone wrong.
uint16_t ExecNoStatement(const Statement& statement, RunContext&) {
    VL_ASSERT(!"statement record of an unknown kind");
    (void)statement;
    return Code(Status::InternalFailure);
}

// Section - Dispatch

struct HandlerRow {
    StatementKind kind;
    StatementHandler handler;
};

// clang-format off
constexpr HandlerRow kHandlers[] = {
    {StatementKind::While,      &ExecWhile},
    {StatementKind::Assignment, &ExecAssignment},
    {StatementKind::ShapeCall,  &ExecShapeCall},
    {StatementKind::For,        &ExecFor},
    {StatementKind::With,       &ExecWith},
    {StatementKind::Output,     &ExecOutput},
    {StatementKind::Return,     &ExecReturn},
    {StatementKind::If,         &ExecIf},
    {StatementKind::FBreak,     &ExecFBreak},
    {StatementKind::WBreak,     &ExecWBreak},
    {StatementKind::Over,       &ExecOver},
    {StatementKind::Select,     &ExecSelect},
    {StatementKind::OBreak,     &ExecOBreak},
    {StatementKind::Error,      &ExecUserError},
};
// clang-format on
static_assert(compiler::RowsFollowStatementKinds(kHandlers), "one handler per statement kind, in list order");

// The handler of each kind number, straight from the number: the runner
// looks one up for every statement it runs. Numbers that name no kind run
// ExecNoStatement.
constexpr uint16_t kLargestKind = compiler::kLargestStatementKind;
constexpr std::array<StatementHandler, kLargestKind + 1> kHandlerByNumber = [] {
    std::array<StatementHandler, kLargestKind + 1> table{};
    for (StatementHandler& handler : table) handler = &ExecNoStatement;
    for (const HandlerRow& row : kHandlers) table[static_cast<uint16_t>(row.kind)] = row.handler;
    return table;
}();

}  // namespace

uint16_t ExecuteList(const compiler::StatementList& list, RunContext& context) {
    return ExecuteFrom(list.head, context);
}

uint16_t ExecuteStatement(const Statement& statement, RunContext& context) {
    const auto kind = static_cast<size_t>(statement.kind);
    return kind < kHandlerByNumber.size() ? kHandlerByNumber[kind](statement, context)
                                          : ExecNoStatement(statement, context);
}

uint16_t ExecuteFrom(const Statement* first, RunContext& context) {
    for (const Statement* statement = first; statement; statement = statement->next) {
        const uint16_t status = ExecuteStatement(*statement, context);
        if (status != kExecGoOn) return status;
    }
    return kExecGoOn;
}

uint16_t ExecuteBlock(const compiler::StatementBlock& block, RunContext& context) {
    if (context.wordCodes) {
        if (const WordCode* compiled = context.wordCodes->BlockFor(block)) return RunWordBlock(*compiled, context);
    }
    const uint16_t status = ExecuteList(block.main, context);
    // A fatal nested error ends the run: no handler runs after it.
    if (!IsErrorStatus(status) || status == kExecFatal || !block.onErrorWritten) return status;
    const uint16_t handled = ExecuteList(block.onError, context);
    if (handled == kExecFatal) return handled;
    if (IsErrorStatus(handled)) return kExecHandlerFailed;
    ClearError(context);
    return handled;
}

// Section - Routine runner

namespace {

// Ref locals (the alias of an Over loop) hold an address, not a value.
bool HoldsValue(const DataItem& item) { return !(item.flags & compiler::kDataRef) && item.type; }

void ReleaseLocals(const compiler::Routine& routine, uint8_t* frame) {
    for (const DataItem* item = routine.frame.first; item; item = item->next) {
        if (HoldsValue(*item) && item->type->storage != compiler::StorageClass::Plain && item->type->ops.release)
            (void)item->type->ops.release(*item->type, frame + item->offset);
    }
}

Status InitialiseLocals(const compiler::Routine& routine, RunContext& callee) {
    uint8_t* frame = callee.frame;
    // Every local gets a valid value before any initial value runs, so a
    // failure part way leaves a frame that releases cleanly.
    for (const DataItem* item = routine.frame.first; item; item = item->next) {
        if (!HoldsValue(*item)) {
            StoreHandle(frame + item->offset, nullptr);
            continue;
        }
        VL_PROPAGATE(InitialiseValue(*item->type, frame + item->offset));
    }
    for (const DataItem* item = routine.frame.first; item; item = item->next) {
        if (HoldsValue(*item) && item->initial) VL_PROPAGATE(EvaluateInto(*item->initial, callee, frame + item->offset));
    }
    return Status::Success;
}

}  // namespace

uint16_t FinishRoutineRun(const compiler::Routine& routine, uint8_t* frame, uint8_t* result, uint16_t status) {
    if (status == kExecReturn) status = kExecGoOn;
    // A handler that failed left its error pending (an Error statement's
    // replaces the one it handled); the caller meets it as an error, so its
    // own handlers see what the program reported.
    if (status == kExecHandlerFailed) status = Code(Status::Propagating);
    ReleaseLocals(routine, frame);
    if (status != kExecGoOn && routine.kind == compiler::RoutineKind::Function && result && routine.type &&
        routine.type->baseType)
        ResetResult(*routine.type->baseType, result);
    return status;
}

uint16_t RunRoutine(const compiler::Routine& routine, RunContext& caller, uint8_t* frame, void* graphics,
                    uint8_t* result) {
    if (!TakeRunStep()) return kExecFatal;  // nothing of the callee's is set up yet
    RunContext callee = CalleeContext(caller, routine, frame, graphics, result);
    uint16_t status = Code(InitialiseLocals(routine, callee));
    if (status == kExecGoOn && routine.body) status = ExecuteBlock(*routine.body, callee);
    return FinishRoutine(routine, frame, result, status);
}

}  // namespace vorlan::runtime
