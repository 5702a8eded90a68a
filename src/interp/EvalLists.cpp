// Values built from lists: array literals, structure values, s{...}, and the
// binding of a call's arguments into its frame.

#include "value/Arrays.h"
#include "value/HeldValue.h"
#include "interp/ElementPath.h"
#include "interp/Errors.h"
#include "interp/EvalSupport.h"
#include "interp/TemporaryCells.h"
#include "value/ValueOps.h"

#include <cstring>

namespace vorlan::runtime {

using compiler::DataItem;
using compiler::ExprList;
using compiler::ExprNode;
using compiler::TypeDescriptor;

namespace {

// Deeper array literals than the compiler accepts are refused here too.
constexpr uint16_t kMaxLiteralDimensions = 200;

bool IsComputed(const ExprNode& node) { return (node.flags & compiler::kNodeComputed) != 0; }
bool IsRef(const DataItem& target) { return (target.flags & compiler::kDataRef) != 0; }

// The type of the value a reference cell made for an argument holds: a
// parameter that takes any type (_Variant) holds the argument's own, whose
// release frees what the value owns.
const TypeDescriptor& RefCellType(const ExprNode* item, const DataItem& target) {
    const bool any = target.type->kind == compiler::TypeKind::Base && target.type->valueClass == compiler::kValueClassAny;
    return any && item && item->type ? *item->type : *target.type;
}

// What fills a slot: its bound item, else the target's default.
const ExprNode* SlotNode(const ExprList& list, uint16_t i) {
    return list.items[i] ? list.items[i].Get() : list.targets[i]->initial.Get();
}

// A reference target holds a cell of its own when its value was computed.
bool OwnsRefCell(const ExprList& list, uint16_t i) {
    const ExprNode* node = SlotNode(list, i);
    return node && IsComputed(*node);
}

Status BindReference(const ExprNode& item, const DataItem& target, RunContext& context, uint8_t* slot,
                     bool ownRefCells) {
    StoreHandle(slot, nullptr);
    if (!IsComputed(item)) {
        // Through an array, the way to the cell is kept rather than its
        // address: the routine may replace or grow the array.
        ElementPath path;
        VL_PROPAGATE(BuildPath(item, context, &path));
        if (path.count == 0) {
            StoreHandle(slot, path.root + path.tail);
            return Status::Success;
        }
        const ElementPath* kept = KeepPath(path);
        if (!kept) return Raise(context, item, Status::OutOfMemory, RunMsg::FunctionCall);
        StoreHandle(slot, MarkPath(kept));
        return Status::Success;
    }
    // Nothing would free a cell made for a structure's reference field.
    if (!ownRefCells) return Raise(context, item, Status::InternalFailure, RunMsg::ValueError);
    const TypeDescriptor& type = RefCellType(&item, target);
    HeldValue cell(&type, MemAllocate(type.cellSize ? type.cellSize : 1, kTagRefCell));
    if (!cell) return Raise(context, item, Status::OutOfMemory, RunMsg::FunctionCall);
    VL_PROPAGATE(Evaluate(item, context, cell.Get()));
    StoreHandle(slot, cell.Take());
    return Status::Success;
}

Status BindValue(const ExprNode& item, const DataItem& target, RunContext& context, uint8_t* slot) {
    if (IsComputed(item)) return Evaluate(item, context, slot);
    uint8_t* address;
    VL_PROPAGATE(EvaluateAddress(item, context, &address));
    const TypeDescriptor& type = *target.type;
    const Status status = type.ops.copy ? type.ops.copy(type, slot, address) : Status::InternalFailure;
    if (status != Status::Success) return Raise(context, item, status, RunMsg::ValueError);
    return Status::Success;
}

// Stores each item into its target's slot at base + offset. Every slot holds
// a valid value throughout, so on failure the caller releases them all.
// `skipUnbound` keeps what an unbound slot holds (s{...}); otherwise it takes
// the target's default, or its type's initial value.
Status BindSlots(const ExprList& list, RunContext& context, const ReportPosition* at, uint8_t* base, bool ownRefCells,
                 bool skipUnbound) {
    for (uint16_t i = 0; i < list.count; ++i) {
        const DataItem& target = *list.targets[i];
        uint8_t* slot = base + target.offset;
        if (!list.items[i] && skipUnbound) continue;
        const ExprNode* item = SlotNode(list, i);
        if (!item) {
            if (IsRef(target)) {
                StoreHandle(slot, nullptr);
                continue;
            }
            const Status status = InitialiseValue(*target.type, slot);
            if (status != Status::Success) return RecordError(context, false, at, status, RunMsg::ValueError);
            continue;
        }
        VL_PROPAGATE(IsRef(target) ? BindReference(*item, target, context, slot, ownRefCells)
                                   : BindValue(*item, target, context, slot));
    }
    return Status::Success;
}

// Structure types may have an operation that builds derived data once a
// value is complete.
Status ConstructStructure(const ExprNode& node, RunContext& context, uint8_t* cell) {
    const TypeDescriptor& type = *node.type;
    if (!type.ops.construct) return Status::Success;
    const Status status = type.ops.construct(type, cell);
    if (status == Status::Success) return status;
    const auto code = static_cast<uint16_t>(status);
    const bool category = code >= 21 && code <= 27;
    return Raise(context, node, category ? status : Status::Invalid, RunMsg::StructureCall);
}

// Section - Array literals

// The counts of the open dimensions, taken from the first list of each level.
void OpenCounts(const TypeDescriptor& type, const ExprList* level, int32_t* counts, size_t* n) {
    *n = 0;
    for (const compiler::Dimension* dimension = type.dimensions; dimension; dimension = dimension->next) {
        const int32_t length = level ? level->count : 0;
        if (dimension->count == 0) counts[(*n)++] = length;
        level = level && level->count && level->items[0] ? level->items[0]->list.Get() : nullptr;
    }
}

Status FillElements(const ExprList& level, const compiler::Dimension& dimension, const TypeDescriptor& element,
                    RunContext& context, void* block, int64_t total, int64_t* next) {
    for (uint16_t i = 0; i < level.count; ++i) {
        const ExprNode& item = *level.items[i];
        if (dimension.next) {
            if (!item.list) return Raise(context, item, Status::InternalFailure, RunMsg::ValueError);
            VL_PROPAGATE(FillElements(*item.list, *dimension.next, element, context, block, total, next));
            continue;
        }
        if (*next >= total) return Raise(context, item, Status::InternalFailure, RunMsg::ValueError);
        auto* cell = static_cast<uint8_t*>(ElementAddress(block, element.cellSize, size_t(*next)));
        ++*next;
        if (IsComputed(item)) {
            VL_PROPAGATE(Evaluate(item, context, cell));
            continue;
        }
        uint8_t* address;
        VL_PROPAGATE(EvaluateAddress(item, context, &address));
        const Status status = element.ops.copy ? element.ops.copy(element, cell, address) : Status::InternalFailure;
        if (status != Status::Success) return Raise(context, item, status, RunMsg::ValueError);
    }
    return Status::Success;
}

Status BuildArray(const ExprNode& node, RunContext& context, void* cell) {
    const TypeDescriptor& type = *node.type;
    if (!type.baseType || !type.dimensions || !node.list || type.dimensionCount > kMaxLiteralDimensions)
        return Raise(context, node, Status::InternalFailure, RunMsg::ValueError);
    const TypeDescriptor& element = *type.baseType;
    int32_t counts[kMaxLiteralDimensions];
    size_t n;
    OpenCounts(type, node.list, counts, &n);
    void* block = nullptr;
    Status status = CreateArray(type, counts, n, &block);
    if (status != Status::Success) return Raise(context, node, status, RunMsg::ValueError);
    StoreHandle(cell, block);
    const int64_t total = ElementCount(block);
    for (int64_t i = 0; i < total && status == Status::Success; ++i)
        status = InitialiseValue(element, ElementAddress(block, element.cellSize, size_t(i)));
    if (status != Status::Success) {
        // Elements not reached are zero, which releases as nothing.
        FreeArray(cell, element);
        return Raise(context, node, status, RunMsg::ValueError);
    }
    int64_t next = 0;
    status = FillElements(*node.list, *type.dimensions, element, context, block, total, &next);
    if (status != Status::Success) FreeArray(cell, element);
    return status;
}

}  // namespace

Status EvalArrayLiteral(const ExprNode& node, RunContext& context, void* out) {
    alignas(8) uint8_t cell[8] = {};
    const Status status = BuildArray(node, context, cell);
    if (status != Status::Success) {
        ResetOutput(*node.type, out);
        return status;
    }
    if (node.type->ops.release) (void)node.type->ops.release(*node.type, out);
    std::memcpy(out, cell, sizeof cell);
    return Status::Success;
}

// Section - Structures

Status EvalStructureValue(const ExprNode& node, RunContext& context, void* out) {
    const TypeDescriptor& type = *node.type;
    if (type.kind != compiler::TypeKind::Structure || !node.list)
        return Raise(context, node, Status::InternalFailure, RunMsg::StructureCall);
    TemporaryValue held(context.temporaries, type, kTagTemporary);
    uint8_t* temporary = held.Get();
    if (!temporary) return Raise(context, node, Status::OutOfMemory, RunMsg::StructureCall);
    Status status = BindSlots(*node.list, context, &node.position, temporary, false, false);
    if (status == Status::Success) status = ConstructStructure(node, context, temporary);
    if (status != Status::Success) {
        held.Reset();
        ResetOutput(type, out);
        return status;
    }
    held.MoveTo(out);
    return Status::Success;
}

Status EvalStructureModify(const ExprNode& node, RunContext& context, void* out) {
    const TypeDescriptor& type = *node.type;
    if (type.kind != compiler::TypeKind::Structure || !node.list)
        return Raise(context, node, Status::InternalFailure, RunMsg::StructureCall);
    TemporaryValue held(context.temporaries, type, kTagTemporary);
    uint8_t* temporary = held.Get();
    if (!temporary) return Raise(context, node, Status::OutOfMemory, RunMsg::StructureCall);
    Status status;
    if (IsComputed(*node.left)) {
        status = Evaluate(*node.left, context, temporary);
    } else {
        uint8_t* address;
        status = EvaluateAddress(*node.left, context, &address);
        if (status == Status::Success) {
            status = type.ops.copy ? type.ops.copy(type, temporary, address) : Status::InternalFailure;
            if (status != Status::Success) status = Raise(context, node, Status::Invalid, RunMsg::StructureCall);
        }
    }
    if (status == Status::Success) status = BindSlots(*node.list, context, &node.position, temporary, false, true);
    if (status == Status::Success) status = ConstructStructure(node, context, temporary);
    if (status != Status::Success) {
        held.Reset();
        ResetOutput(type, out);
        return status;
    }
    held.MoveTo(out);
    return Status::Success;
}

// Section - Arguments

namespace {

// Built-in routines take plain addresses; they run no program code, so the
// element found once every argument is bound stays where it is.
Status SettleReferences(const ExprList& arguments, RunContext& context, uint8_t* frame) {
    for (uint16_t i = 0; i < arguments.count; ++i) {
        if (!IsRef(*arguments.targets[i])) continue;
        uint8_t* slot = frame + arguments.targets[i]->offset;
        const void* held = LoadHandle<void>(slot);
        if (!IsMarkedPath(held)) continue;
        uint8_t* cell = FollowPath(*MarkedPath(held));
        FreePath(MarkedPath(held));
        StoreHandle(slot, cell);
        if (!cell) return Raise(context, *arguments.items[i], Status::OutOfRange, RunMsg::ElementGone);
    }
    return Status::Success;
}

}  // namespace

Status BindArguments(const ExprList& arguments, const TypeDescriptor& signature, RunContext& context, uint8_t* frame,
                     bool builtin) {
    if (arguments.count != signature.fields.count || (arguments.count && !arguments.targets))
        return RecordError(context, false, nullptr, Status::InternalFailure, RunMsg::FunctionCall);
    Status status = BindSlots(arguments, context, nullptr, frame, true, false);
    if (status == Status::Success && builtin) status = SettleReferences(arguments, context, frame);
    if (status != Status::Success) ReleaseArguments(signature, arguments, frame);
    return status;
}

void ReleaseArguments(const TypeDescriptor&, const ExprList& arguments, uint8_t* frame) {
    for (uint16_t i = 0; i < arguments.count; ++i) {
        const DataItem& target = *arguments.targets[i];
        uint8_t* slot = frame + target.offset;
        const TypeDescriptor& type = *target.type;
        if (!IsRef(target)) {
            // Plain values own nothing.
            if (type.storage != compiler::StorageClass::Plain && type.ops.release) (void)type.ops.release(type, slot);
            continue;
        }
        uint8_t* cell = LoadHandle<uint8_t>(slot);
        StoreHandle(slot, nullptr);
        if (IsMarkedPath(cell)) FreePath(MarkedPath(cell));
        else if (cell && OwnsRefCell(arguments, i)) DiscardValue(&RefCellType(SlotNode(arguments, i), target), cell);
    }
}

}  // namespace vorlan::runtime
