// Assignments: plain, compound (+= -= *= /= //=) and the append of an
// element to an open array. Number assignments work on the target cell in
// place and allocate nothing.

#include "compiler/Statements.h"
#include "value/Arrays.h"
#include "interp/ElementPath.h"
#include "interp/Evaluate.h"
#include "interp/RunsCode.h"
#include "interp/WordCode.h"
#include "interp/ExecInternal.h"
#include "value/NumberFast.h"
#include "value/Text.h"
#include "value/Value.h"
#include "value/ValueOps.h"

#include <cstring>

namespace vorlan::runtime {

using compiler::AssignOp;
using compiler::ExprNode;
using compiler::Statement;
using compiler::TypeDescriptor;

namespace {

// After a failed assignment the target holds a fresh value, never a half
// written one.
void ResetTarget(const TypeDescriptor& type, uint8_t* target, bool initialValue) {
    if (type.ops.release) (void)type.ops.release(type, target);
    std::memset(target, 0, type.cellSize);
    if (initialValue) (void)InitialiseValue(type, target);
    else if (type.ops.clear) (void)type.ops.clear(type, target);
}

uint16_t AssignFailed(const compiler::AssignmentStatement& record, RunContext& context, Status status,
                      uint8_t* target, bool initialValue, const ErrorDetail* detail = nullptr) {
    const uint16_t raised = Raise(context, record, status, RunMsg::AssignmentOperation, nullptr, detail);
    if (target && record.target->type) ResetTarget(*record.target->type, target, initialValue);
    return raised;
}

// The target of an assignment whose value may run program code, which may
// replace or grow an array the target lies in: the way to the target is
// found first, as the target's indexes come before the value, and followed
// once the value is known.
class TargetPath {
public:
    Status Find(const ExprNode& target, RunContext& context) { return BuildPath(target, context, &path_); }
    Status Cell(const compiler::AssignmentStatement& record, RunContext& context, RunMsg message, uint8_t** cell) {
        *cell = FollowPath(path_);
        if (*cell) return Status::Success;
        return static_cast<Status>(Raise(context, record, Status::OutOfRange, message));
    }
    const ElementPath& Path() const { return path_; }

private:
    ElementPath path_;
};

// target := value, when the value may run program code: worked out aside,
// then moved into the target.
uint16_t AssignAfterValue(const compiler::AssignmentStatement& record, RunContext& context) {
    TargetPath path;
    Status status = path.Find(*record.target, context);
    if (status != Status::Success) return AssignFailed(record, context, status, nullptr, true);
    const TypeDescriptor& type = *record.target->type;
    Operand value;
    status = value.Read(*record.value, context);
    uint8_t* target = nullptr;
    if (status == Status::Success) status = path.Cell(record, context, RunMsg::ElementGone, &target);
    else target = FollowPath(path.Path());
    if (status == Status::Success && value.Owned()) {
        if (type.ops.release) (void)type.ops.release(type, target);
        std::memcpy(target, value.Cell(), type.cellSize);
        value.Disown();
    } else if (status == Status::Success && value.Cell() != target) {
        status = type.ops.copy ? type.ops.copy(type, target, value.Cell()) : Status::InternalFailure;
    }
    if (status != Status::Success) return AssignFailed(record, context, status, target, true);
    return kExecGoOn;
}

// A Number or Logical datum's own cell, which a compiled word expression
// may be stored into straight away.
uint8_t* WordDatumCell(const ExprNode& target, const RunContext& context) {
    return IsOwnCellDatum(target) && IsWordType(target.type) ? DataItemCell(target, context) : nullptr;
}

}  // namespace

uint16_t WordAssignmentFailed(const compiler::AssignmentStatement& record, RunContext& context, Status status) {
    return AssignFailed(record, context, status, WordDatumCell(*record.target, context), true);
}

namespace {

// target := value
uint16_t Assign(const compiler::AssignmentStatement& record, RunContext& context) {
    uint32_t word;
    if (uint8_t* cell = WordDatumCell(*record.target, context); cell && TryWordCode(*record.value, context, &word)) {
        StoreCell(cell, word);
        return kExecGoOn;
    }
    if (MayRunProgramCode(*record.value)) return AssignAfterValue(record, context);
    uint8_t* target = nullptr;
    Status status = EvaluateAddress(*record.target, context, &target);
    if (status != Status::Success) return AssignFailed(record, context, status, nullptr, true);
    const TypeDescriptor& type = *record.target->type;
    const ExprNode& value = *record.value;
    if ((value.flags & compiler::kNodeComputed) && type.kind == compiler::TypeKind::Structure) {
        // Built aside and then moved in: a structure value is written field by
        // field, and its fields may read the target (p := {p.y, p.x}).
        Operand built;
        status = built.Read(value, context);
        if (status == Status::Success) {
            if (type.ops.release) (void)type.ops.release(type, target);
            std::memcpy(target, built.Cell(), type.cellSize);
            built.Disown();
        }
    } else if (value.flags & compiler::kNodeComputed) {
        status = Evaluate(value, context, target);
    } else {
        uint8_t handle[8];
        status = Evaluate(value, context, handle);
        const uint8_t* source = status == Status::Success ? LoadHandle<uint8_t>(handle) : nullptr;
        // x := x changes nothing, and a copy that let go of the target first
        // would lose the source.
        if (source && source != target) {
            status = type.ops.copy ? type.ops.copy(type, target, source) : Status::InternalFailure;
        } else if (!source && status == Status::Success) {
            status = Status::InternalFailure;
        }
    }
    if (status != Status::Success) return AssignFailed(record, context, status, target, true);
    return kExecGoOn;
}

}  // namespace

// The fast paths give the general routines' word and status for every pair.
Status ApplyCompound(AssignOp op, Number current, Number operand, Number* out) {
    switch (op) {
    case AssignOp::Add: return FastArithmetic<ArithOp::Add>(current, operand, out);
    case AssignOp::Subtract: return FastArithmetic<ArithOp::Subtract>(current, operand, out);
    case AssignOp::Multiply: return FastArithmetic<ArithOp::Multiply>(current, operand, out);
    case AssignOp::Divide: return FastArithmetic<ArithOp::Divide>(current, operand, out);
    case AssignOp::IntegerDivide: return FastIntegerDivide(current, operand, out);
    default: return Status::InternalFailure;
    }
}

namespace {

// The operation a compound assignment carries out, as an expression writes it.
const char* OperationSymbol(AssignOp op) {
    switch (op) {
    case AssignOp::Add: return "+";
    case AssignOp::Subtract: return "-";
    case AssignOp::Multiply: return "*";
    case AssignOp::Divide: return "/";
    case AssignOp::IntegerDivide: return "//";
    default: return "?";
    }
}

// A Number datum and a compiled value: worked in place when the fast path
// takes the pair. The value runs no program code, so when it does not, the
// general path below may evaluate it again.
bool CompoundInPlace(const compiler::AssignmentStatement& record, RunContext& context) {
    uint8_t* cell = WordDatumCell(*record.target, context);
    uint32_t operand;
    if (!cell || record.target->type->valueClass == compiler::kValueClassText || !TryWordCode(*record.value, context, &operand))
        return false;
    Number result;
    const Status status = ApplyCompound(record.op, LoadCell<Number>(cell), operand, &result);
    if (status != Status::Success) return false;
    StoreCell(cell, result);
    return true;
}

// target op= value, on a Number, or += on a Text.
uint16_t AssignCompound(const compiler::AssignmentStatement& record, RunContext& context) {
    if (CompoundInPlace(record, context)) return kExecGoOn;
    const bool valueRunsCode = MayRunProgramCode(*record.value);
    TargetPath path;
    uint8_t* target = nullptr;
    Status status = valueRunsCode ? path.Find(*record.target, context)
                                  : EvaluateAddress(*record.target, context, &target);
    if (status != Status::Success) return AssignFailed(record, context, status, nullptr, false);
    Operand value;
    ErrorDetail detail;
    status = value.Read(*record.value, context);
    if (valueRunsCode) {
        // A failed value still leaves the target reset, as it does in place.
        if (status == Status::Success) status = path.Cell(record, context, RunMsg::ElementGone, &target);
        else target = FollowPath(path.Path());
    }
    if (status == Status::Success) {
        if (record.target->type && record.target->type->valueClass == compiler::kValueClassText) {
            status = record.op == AssignOp::Add ? ConcatText(target, target, value.Cell()) : Status::InternalFailure;
        } else {
            const Number current = LoadCell<Number>(target);
            const Number operand = LoadCell<Number>(value.Cell());
            Number result = kNullNumber;
            status = ApplyCompound(record.op, current, operand, &result);
            StoreCell(target, result);
            if (status != Status::Success) detail.AddOperation(current, OperationSymbol(record.op), operand);
        }
    }
    value.Release();
    if (status != Status::Success) return AssignFailed(record, context, status, target, false, &detail);
    return kExecGoOn;
}

// An array datum of words and a compiled element, appended without an operand cell.
bool AppendWord(const compiler::AssignmentStatement& record, RunContext& context, Status* status) {
    const ExprNode& target = *record.target;
    const compiler::TypeDescriptor* elementType = target.type ? target.type->baseType : nullptr;
    if (!IsOwnCellDatum(target) || !IsWordType(elementType)) return false;
    uint8_t* cell = DataItemCell(target, context);
    uint32_t word;
    if (!cell || !TryWordCode(*record.value, context, &word)) return false;
    *status = AppendElement(cell, *elementType, &word);
    return true;
}

// array += element
uint16_t Append(const compiler::AssignmentStatement& record, RunContext& context) {
    if (Status appended; AppendWord(record, context, &appended)) {
        if (appended != Status::Success) return Raise(context, record, appended, RunMsg::ArrayAppend);
        return kExecGoOn;
    }
    const bool valueRunsCode = MayRunProgramCode(*record.value);
    TargetPath path;
    uint8_t* array = nullptr;
    Status status = valueRunsCode ? path.Find(*record.target, context)
                                  : EvaluateAddress(*record.target, context, &array);
    if (status != Status::Success) return Raise(context, record, status, RunMsg::ArrayAppend);
    const TypeDescriptor* elementType = record.target->type ? record.target->type->baseType : nullptr;
    if (!elementType) return Raise(context, record, Status::InternalFailure, RunMsg::ArrayAppend);
    // A computed element is a temporary: the array takes a copy and the
    // temporary goes when the operand does. Plain elements are simply moved
    // bytes either way.
    Operand value;
    status = value.Read(*record.value, context);
    if (status == Status::Success && valueRunsCode) status = path.Cell(record, context, RunMsg::ElementGone, &array);
    if (status == Status::Success) status = AppendElement(array, *elementType, value.Cell());
    if (status != Status::Success) return Raise(context, record, status, RunMsg::ArrayAppend);
    return kExecGoOn;
}

}  // namespace

uint16_t ExecAssignment(const Statement& statement, RunContext& context) {
    const auto& record = static_cast<const compiler::AssignmentStatement&>(statement);
    if (record.op == AssignOp::Assign) return Assign(record, context);
    if (record.op == AssignOp::Append) return Append(record, context);
    if (IsCompoundNumberOp(record.op)) return AssignCompound(record, context);
    return Raise(context, statement, Status::InternalFailure, RunMsg::AssignmentOperation);
}

}  // namespace vorlan::runtime
