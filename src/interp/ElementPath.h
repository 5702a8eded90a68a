#pragma once
// A reference that outlives the statement that made it (a Ref argument, the
// alias of an Over loop, an assignment's target while its value is worked
// out) may lead into an array that program code replaces or grows while the
// reference lives. Such a reference is kept as the way to its cell, not the
// cell's address: a cell that outlives the reference (a datum, a frame slot,
// a computed argument's own cell), then, for each array on the way, where the
// array's cell lies and which element is meant. Following the way again finds
// the element where it is now, or finds that it is gone.

#include "compiler/Expression.h"
#include "base/Status.h"
#include "interp/RunContext.h"

#include <cstdint>

namespace vorlan::runtime {

constexpr uint32_t kTagElementPath = 22016;

struct PathStep {
    uint32_t offset;       // of the array's cell from the cell reached so far
    uint32_t elementSize;
    int64_t index;         // of the element in the array's storage order
};

// Longer ways through nested arrays are refused where the reference is made.
constexpr uint32_t kMaxPathSteps = 32;

struct ElementPath {
    uint8_t* root = nullptr;
    uint32_t count = 0;  // steps in use
    uint32_t tail = 0;   // offset from the last cell reached to the part meant
    PathStep steps[kMaxPathSteps];
};

// The cell the path leads to now; nullptr when an element on the way is gone.
uint8_t* FollowPath(const ElementPath& path);

// The way to an addressable node's cell. Index expressions are evaluated
// here, once; the arrays they index are looked up after each of them.
Status BuildPath(const compiler::ExprNode& node, RunContext& context, ElementPath* path);

// The way to the element an array element node names, whether or not the
// node itself is addressable.
Status BuildElementPath(const compiler::ExprNode& node, RunContext& context, ElementPath* path);

// Adds an element of the array the path leads to; false when the path is full.
bool AddElementStep(ElementPath& path, uint32_t elementSize, int64_t index);

// A Ref slot holds a plain address, or a path marked in its lowest bit.
inline void* MarkPath(const ElementPath* path) { return reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(path) | 1); }
inline bool IsMarkedPath(const void* slotValue) { return (reinterpret_cast<uintptr_t>(slotValue) & 1) != 0; }
inline const ElementPath* MarkedPath(const void* slotValue) {
    return reinterpret_cast<const ElementPath*>(reinterpret_cast<uintptr_t>(slotValue) & ~uintptr_t{1});
}

// What a Ref slot refers to now: the path followed, or the plain address.
inline uint8_t* RefTarget(const void* slotValue) {
    if (!IsMarkedPath(slotValue)) return static_cast<uint8_t*>(const_cast<void*>(slotValue));
    return FollowPath(*MarkedPath(slotValue));
}

// A path of its own for a Ref slot: a copy of `path` in a block sized for its
// steps, or nullptr when memory runs out. FreePath lets it go.
ElementPath* KeepPath(const ElementPath& path);
void FreePath(const ElementPath* path);

}  // namespace vorlan::runtime
