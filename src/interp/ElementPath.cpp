#include "interp/ElementPath.h"

#include "base/Memory.h"
#include "interp/Errors.h"
#include "interp/EvalSupport.h"
#include "value/Arrays.h"
#include "value/Value.h"

#include <cstring>

namespace vorlan::runtime {

using compiler::ExprNode;

namespace {

size_t PathBytes(uint32_t steps) { return offsetof(ElementPath, steps) + steps * sizeof(PathStep); }

void CopyPath(ElementPath& to, const ElementPath& from) { std::memcpy(&to, &from, PathBytes(from.count)); }

// Steps past the count are never read, so they are left as they are.
void ResetPath(ElementPath* path, uint8_t* root) {
    path->root = root;
    path->count = 0;
    path->tail = 0;
}

// A datum's cell, or what a reference datum refers to.
Status DataItemPath(const ExprNode& node, RunContext& context, ElementPath* path) {
    uint8_t* cell = DataItemCell(node, context);
    if (cell && ((node.flags & compiler::kNodeByReference) || node.storage == compiler::NodeStorage::Context)) {
        const void* held = LoadHandle<void>(cell);
        if (IsMarkedPath(held)) {
            CopyPath(*path, *MarkedPath(held));
            return Status::Success;
        }
        cell = static_cast<uint8_t*>(const_cast<void*>(held));
    }
    if (!cell) return Raise(context, node, Status::InternalFailure, RunMsg::ValueError);
    path->root = cell;
    return Status::Success;
}

Status FieldPath(const ExprNode& node, RunContext& context, ElementPath* path) {
    VL_PROPAGATE(BuildPath(*node.left, context, path));
    if (!(node.item->flags & compiler::kDataRef)) {
        path->tail += node.offset;
        return Status::Success;
    }
    // A reference field leads somewhere that is not part of the structure.
    const uint8_t* structure = FollowPath(*path);
    uint8_t* target = structure ? LoadHandle<uint8_t>(structure + node.offset) : nullptr;
    if (!target) return Raise(context, node, Status::InternalFailure, RunMsg::ValueError);
    ResetPath(path, target);
    return Status::Success;
}


}  // namespace

uint8_t* FollowPath(const ElementPath& path) {
    uint8_t* cell = path.root;
    for (uint32_t i = 0; i < path.count && cell; ++i) {
        const PathStep& step = path.steps[i];
        void* block = LoadHandle<void>(cell + step.offset);
        cell = block && step.index < ElementCount(block)
                   ? static_cast<uint8_t*>(ElementAddress(block, step.elementSize, static_cast<size_t>(step.index)))
                   : nullptr;
    }
    return cell ? cell + path.tail : nullptr;
}

Status BuildElementPath(const ExprNode& node, RunContext& context, ElementPath* path) {
    VL_PROPAGATE(BuildPath(*node.left, context, path));
    const uint8_t* cell = FollowPath(*path);
    if (!cell) return Raise(context, node, Status::OutOfRange, RunMsg::ElementGone);
    if (!LoadHandle<void>(cell)) return Raise(context, node, Status::UsingNull, RunMsg::NullArray);
    size_t index = 0;
    VL_PROPAGATE(ElementIndex(node, context, ArraySource{nullptr, path}, &index));
    if (!AddElementStep(*path, node.type->cellSize, static_cast<int64_t>(index)))
        return Raise(context, node, Status::OutOfRange, RunMsg::ReferenceTooDeep);
    return Status::Success;
}

bool AddElementStep(ElementPath& path, uint32_t elementSize, int64_t index) {
    if (path.count >= kMaxPathSteps) return false;
    path.steps[path.count++] = PathStep{path.tail, elementSize, index};
    path.tail = 0;
    return true;
}

Status BuildPath(const ExprNode& node, RunContext& context, ElementPath* path) {
    ResetPath(path, nullptr);
    if (!(node.flags & compiler::kNodeComputed)) {
        switch (node.eval) {
        case compiler::EvalCode::DataItem: return DataItemPath(node, context, path);
        case compiler::EvalCode::Field: return FieldPath(node, context, path);
        case compiler::EvalCode::ArrayElement: return BuildElementPath(node, context, path);
        default: break;
        }
    }
    return EvaluateAddress(node, context, &path->root);
}

ElementPath* KeepPath(const ElementPath& path) {
    auto* kept = static_cast<ElementPath*>(MemAllocate(PathBytes(path.count), kTagElementPath));
    if (kept) CopyPath(*kept, path);
    return kept;
}

void FreePath(const ElementPath* path) {
    MemReleaseBlock(const_cast<ElementPath*>(path));
}

}  // namespace vorlan::runtime
