#include "interp/Evaluate.h"

#include "interp/Errors.h"
#include "interp/EvalSupport.h"
#include "interp/TemporaryCells.h"
#include "interp/ElementPath.h"
#include "interp/WordCode.h"
#include "value/Text.h"
#include "value/Value.h"

#include <cstring>
#include <iterator>

namespace vorlan::runtime {

using compiler::EvalCode;
using compiler::ExprNode;
using compiler::NodeStorage;
using compiler::TypeDescriptor;

namespace {

struct HandlerRow {
    EvalCode code;
    EvalHandler handler;
};

// Indexed by the evaluation code; each row names its code so that the order
// can be checked against the enumeration at compile time.
constexpr HandlerRow kHandlers[] = {
    {EvalCode::None, EvalNone},
    {EvalCode::DataItem, EvalDataItem},
    {EvalCode::Literal, EvalLiteral},
    {EvalCode::TextLiteral, EvalTextLiteral},
    {EvalCode::ArrayLiteral, EvalArrayLiteral},
    {EvalCode::NullArray, EvalNullArray},
    {EvalCode::Add, EvalAdd},
    {EvalCode::Subtract, EvalSubtract},
    {EvalCode::Multiply, EvalMultiply},
    {EvalCode::Divide, EvalDivide},
    {EvalCode::IntegerDivide, EvalIntegerDivide},
    {EvalCode::Modulo, EvalModulo},
    {EvalCode::Power, EvalPower},
    {EvalCode::Negate, EvalNegate},
    {EvalCode::UnaryPlus, EvalUnaryPlus},
    {EvalCode::Concatenate, EvalConcatenate},
    {EvalCode::CompareNumber, EvalCompareNumber},
    {EvalCode::CompareTime, EvalCompareTime},
    {EvalCode::CompareEnum, EvalCompareEnum},
    {EvalCode::CompareText, EvalCompareText},
    {EvalCode::Equal, EvalEqual},
    {EvalCode::And, EvalAnd},
    {EvalCode::Or, EvalOr},
    {EvalCode::Xor, EvalXor},
    {EvalCode::Not, EvalNot},
    {EvalCode::ArrayElement, EvalArrayElement},
    {EvalCode::TextCharacters, EvalTextCharacters},
    {EvalCode::Field, EvalField},
    {EvalCode::StructureValue, EvalStructureValue},
    {EvalCode::StructureModify, EvalStructureModify},
    {EvalCode::Call, EvalCall},
};

constexpr bool RowsFollowCodes() {
    for (size_t i = 0; i < std::size(kHandlers); ++i) {
        if (static_cast<size_t>(kHandlers[i].code) != i) return false;
    }
    return true;
}
static_assert(std::size(kHandlers) == static_cast<size_t>(EvalCode::Count), "one handler per evaluation code");
static_assert(RowsFollowCodes(), "handler rows follow the evaluation codes");

bool IsPlainScalar(const TypeDescriptor& type) {
    return type.storage == compiler::StorageClass::Plain && type.cellSize <= 8 &&
           type.kind != compiler::TypeKind::Structure;
}


}  // namespace

uint8_t* DataItemCell(const ExprNode& node, const RunContext& context) {
    switch (node.storage) {
    case NodeStorage::Frame: return context.frame ? context.frame + node.offset : nullptr;
    case NodeStorage::ModuleData:
        if (!context.globals || !context.moduleBase) return nullptr;
        return context.globals + context.moduleBase[node.moduleNumber] + node.offset;
    case NodeStorage::Context:
        return context.graphics ? static_cast<uint8_t*>(context.graphics) + node.offset : nullptr;
    case NodeStorage::None:
    case NodeStorage::Literal: break;
    }
    return nullptr;
}

// Section - Dispatch

Status Evaluate(const ExprNode& node, RunContext& context, void* out) {
    uint32_t word;
    // An address is asked of a node that is not computed.
    if ((node.flags & compiler::kNodeComputed) && TryWordCode(node, context, &word)) {
        StoreCell(out, word);
        return Status::Success;
    }
    const auto index = static_cast<size_t>(node.eval);
    if (index >= std::size(kHandlers)) return EvalNone(node, context, out);
    return kHandlers[index].handler(node, context, out);
}

Status EvaluateInto(const ExprNode& node, RunContext& context, void* cell) {
    if (node.flags & compiler::kNodeComputed) return Evaluate(node, context, cell);
    uint8_t* address = nullptr;
    VL_PROPAGATE(EvaluateAddress(node, context, &address));
    if (!node.type || !node.type->ops.copy) return Raise(context, node, Status::InternalFailure, RunMsg::ValueError);
    const Status status = node.type->ops.copy(*node.type, cell, address);
    if (status != Status::Success) return Raise(context, node, status, RunMsg::ValueError);
    return Status::Success;
}

Status EvaluateAddress(const ExprNode& node, RunContext& context, uint8_t** address) {
    *address = nullptr;
    if (node.flags & compiler::kNodeComputed) return Raise(context, node, Status::InternalFailure, RunMsg::ValueError);
    void* handle = nullptr;
    const Status status = Evaluate(node, context, &handle);
    *address = status == Status::Success ? static_cast<uint8_t*>(handle) : nullptr;
    return status;
}

Status Raise(RunContext& context, const ExprNode& node, Status code, RunMsg message, const char16_t* parameter,
             const ErrorDetail* detail) {
    return RecordError(context, false, &node.position, code, message, parameter, detail);
}

// Section - Readers

// Most operands are a literal or a datum in the frame or a module: read
// them here rather than through the dispatch, which would find the same cell.
Status ReadWord(const ExprNode& node, RunContext& context, uint32_t* value) {
    if (node.eval == EvalCode::Literal) {
        std::memcpy(value, node.literal, sizeof *value);
        return Status::Success;
    }
    if (node.eval == EvalCode::DataItem && !(node.flags & compiler::kNodeByReference) &&
        node.storage != NodeStorage::Context) {
        if (const uint8_t* cell = DataItemCell(node, context)) {
            *value = LoadCell<uint32_t>(cell);
            return Status::Success;
        }
    }
    *value = kNullNumber;
    if (TryWordCode(node, context, value)) return Status::Success;
    if (node.flags & compiler::kNodeComputed) {
        const Status status = Evaluate(node, context, value);
        if (status != Status::Success) *value = kNullNumber;
        return status;
    }
    uint8_t* address;
    VL_PROPAGATE(EvaluateAddress(node, context, &address));
    *value = LoadCell<uint32_t>(address);
    return Status::Success;
}

Status ReadHandle(const ExprNode& node, RunContext& context, void** value) {
    // The routine of most calls is written in the call.
    if (node.eval == EvalCode::Literal) {
        std::memcpy(value, node.literal, sizeof *value);
        return Status::Success;
    }
    *value = nullptr;
    if (node.flags & compiler::kNodeComputed) {
        alignas(8) uint8_t cell[8] = {};
        const Status status = Evaluate(node, context, cell);
        if (status == Status::Success) *value = LoadHandle<void>(cell);
        return status;
    }
    uint8_t* address;
    VL_PROPAGATE(EvaluateAddress(node, context, &address));
    *value = LoadHandle<void>(address);
    return Status::Success;
}

Status ReadTime(const ExprNode& node, RunContext& context, Time* value) {
    *value = kNullTime;
    if (node.flags & compiler::kNodeComputed) {
        const Status status = Evaluate(node, context, value);
        if (status != Status::Success) *value = kNullTime;
        return status;
    }
    uint8_t* address;
    VL_PROPAGATE(EvaluateAddress(node, context, &address));
    *value = LoadCell<Time>(address);
    return Status::Success;
}

void ResetOutput(const TypeDescriptor& type, void* out) {
    if (type.ops.release) (void)type.ops.release(type, out);
    if (type.ops.clear) (void)type.ops.clear(type, out);
    else std::memset(out, 0, type.cellSize);
}

// Section - Operand cells

Status OperandCell::Obtain(const ExprNode& node, RunContext& context, RunMsg failure, bool copy) {
    Release();
    const bool computed = (node.flags & compiler::kNodeComputed) != 0;
    if (!computed && !copy) return EvaluateAddress(node, context, &cell_);
    type_ = node.type;
    if (!type_ || type_->cellSize == 0) return Raise(context, node, Status::InternalFailure, RunMsg::ValueError);
    if (IsPlainScalar(*type_)) {
        std::memset(local_, 0, sizeof local_);
        cell_ = local_;
    } else {
        // Zero bytes are a valid value of every type (Null handles, integer
        // zeros), which the evaluation may then replace.
        keep_ = context.temporaries;
        heap_ = TakeTemporaryCell(keep_, type_->cellSize, kTagTemporary);
        cell_ = static_cast<uint8_t*>(heap_);
        if (!cell_) return Raise(context, node, Status::OutOfMemory, failure);
    }
    temporary_ = true;
    return computed ? Evaluate(node, context, cell_) : EvaluateInto(node, context, cell_);
}

// Every operand of every operation comes through here: a plain scalar has
// nothing to let go, so it pays for a few tests and nothing else.
void OperandCell::Release() {
    if (temporary_ && type_ && type_->ops.release) (void)type_->ops.release(*type_, cell_);
    if (heap_) GiveTemporaryCell(keep_, heap_);
    heap_ = nullptr;
    cell_ = nullptr;
    temporary_ = false;
    type_ = nullptr;
}

Status TextOperand::Obtain(const ExprNode& node, RunContext& context, bool copy) {
    computed_ = nullptr;
    block_ = nullptr;
    const bool computed = (node.flags & compiler::kNodeComputed) != 0;
    if (computed || copy) {
        alignas(8) uint8_t cell[8] = {};
        const Status status = computed ? Evaluate(node, context, cell) : EvaluateInto(node, context, cell);
        block_ = LoadHandle<void>(cell);
        computed_.Adopt(block_);
        return status;
    }
    uint8_t* address;
    VL_PROPAGATE(EvaluateAddress(node, context, &address));
    block_ = LoadHandle<void>(address);
    return Status::Success;
}

// Section - Data items and literals

Status EvalNone(const ExprNode& node, RunContext& context, void* out) {
    StoreHandle(out, nullptr);
    return Raise(context, node, Status::InternalFailure, RunMsg::ValueError);
}

Status EvalDataItem(const ExprNode& node, RunContext& context, void* out) {
    StoreHandle(out, nullptr);
    uint8_t* cell = DataItemCell(node, context);
    // Graphics-context elements are always held by reference.
    if (cell && ((node.flags & compiler::kNodeByReference) || node.storage == NodeStorage::Context)) {
        const void* held = LoadHandle<void>(cell);
        cell = RefTarget(held);
        if (!cell && IsMarkedPath(held)) return Raise(context, node, Status::OutOfRange, RunMsg::ElementGone);
    }
    if (!cell) return Raise(context, node, Status::InternalFailure, RunMsg::ValueError);
    StoreHandle(out, cell);
    return Status::Success;
}

Status EvalLiteral(const ExprNode& node, RunContext&, void* out) {
    const uint32_t size = node.type && node.type->cellSize < sizeof node.literal ? node.type->cellSize
                                                                                : sizeof node.literal;
    std::memcpy(out, node.literal, size);
    return Status::Success;
}

Status EvalTextLiteral(const ExprNode& node, RunContext& context, void* out) {
    ReplaceText(out, nullptr);
    void* copy = nullptr;
    const Status status = DuplicateText(node.text, &copy);
    if (status != Status::Success) return Raise(context, node, status, RunMsg::TextLiteral);
    StoreHandle(out, copy);
    return Status::Success;
}

Status EvalNullArray(const ExprNode& node, RunContext&, void* out) {
    if (node.type && node.type->ops.release) (void)node.type->ops.release(*node.type, out);
    StoreHandle(out, nullptr);
    return Status::Success;
}

}  // namespace vorlan::runtime
