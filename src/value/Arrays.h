#pragma once
// Array blocks. An array value is an 8-byte cell holding a handle to its block
// (0 is the Null array). A block is one allocation:
//
//   offset 0    8 bytes   data offset = 12 + 16 x dimension count
//   offset 8    4 bytes   dimension count, an integer Number
//   offset 12   16 bytes per dimension: capacity, count, low bound and high
//               bound, each an integer Number
//   data offset the elements, last index varying fastest
//
// The data offset is not 8-aligned, so element cells are read and written
// through the memcpy accessors of Value.h. Capacity exceeds count only in a
// one-dimensional open array that has been appended to; programs never see it.

#include "value/Types.h"
#include "base/Status.h"
#include "value/Value.h"

#include <cstddef>
#include <cstdint>

namespace vorlan::runtime {

constexpr uint32_t kTagArray = 21506;
constexpr uint32_t kArrayHeaderSize = 12;
constexpr uint32_t kDimensionRecordSize = 16;
constexpr int32_t kFirstAppendCapacity = 4;

constexpr uint64_t DataOffsetFor(uint32_t dimensionCount) {
    return kArrayHeaderSize + uint64_t{kDimensionRecordSize} * dimensionCount;
}

struct DimensionRecord {
    int32_t capacity;
    int32_t count;
    int32_t low;
    int32_t high;
};

// Unchecked readers for the evaluator's hot paths: the block is not Null and
// k runs from 1 to the dimension count.
inline uint64_t DataOffsetOf(const void* block) { return LoadCell<uint64_t>(block); }
inline int32_t DimensionCountOf(const void* block) {
    return IntegerOf(LoadCell<Number>(static_cast<const char*>(block) + 8));
}
inline DimensionRecord DimensionAt(const void* block, int32_t k) {
    const char* record = static_cast<const char*>(block) + kArrayHeaderSize + (k - 1) * kDimensionRecordSize;
    return {IntegerOf(LoadCell<Number>(record)), IntegerOf(LoadCell<Number>(record + 4)),
            IntegerOf(LoadCell<Number>(record + 8)), IntegerOf(LoadCell<Number>(record + 12))};
}
inline void* ElementAddress(void* block, uint32_t elementCellSize, size_t index) {
    return static_cast<char*>(block) + DataOffsetOf(block) + size_t{elementCellSize} * index;
}
inline const void* ElementAddress(const void* block, uint32_t elementCellSize, size_t index) {
    return static_cast<const char*>(block) + DataOffsetOf(block) + size_t{elementCellSize} * index;
}
// The product of every dimension's count; 0 for a Null block.
int64_t ElementCount(const void* block);

// A block shaped by the declaration; each open dimension takes the next of
// openCounts (0 when they run out) as (n, n, 1, n). Elements are zero-filled,
// not initialised. InternalFailure when the type has no element type,
// OutOfRange for a negative count.
Status CreateArray(const compiler::TypeDescriptor& arrayType, const int32_t* openCounts, size_t openCountN,
                   void** block);
// One open dimension (n, n, 1, n).
Status CreateOpenArray(uint32_t elementCellSize, int32_t n, void** block);
// As CreateOpenArray with room for `capacity` elements (at least n).
Status CreateOpenArrayWithCapacity(uint32_t elementCellSize, int32_t n, int32_t capacity, void** block);
// A block with the same header and count of elements, zero-filled. The clone
// has no spare capacity.
Status CloneArrayShape(const void* block, uint32_t elementCellSize, void** clone);
// Clears every element with the element type's clear.
Status InitialiseElements(const compiler::TypeDescriptor& elementType, void* block);

// These are UsingNull on a Null block; k counts from 1 and is OutOfRange
// beyond the dimension count (CountFrom accepts one more, an empty product).
Status DimensionCount(const void* block, int32_t* n);
Status ReadDimension(const void* block, int32_t k, DimensionRecord* record);
Status CountFrom(const void* block, int32_t k, int64_t* n);

// Appends a copy of `value` to the open one-dimensional array in `cell`,
// creating it when Null. On failure the array is as it was.
Status AppendElement(void* cell, const compiler::TypeDescriptor& elementType, const void* value);
// Replaces the array in dstCell by an element-by-element copy of srcCell's.
// The copy is built before the old array goes, so on failure the destination
// is untouched and nothing leaks.
Status DeepCopyArray(void* dstCell, const void* srcCell, const compiler::TypeDescriptor& arrayType);
// Releases every element, then the block; the cell becomes Null.
void FreeArray(void* cell, const compiler::TypeDescriptor& elementType);
// Copy and release for arrays of plain elements: the block is all there is.
Status DuplicateArrayBlock(void* dstCell, const void* srcCell);
void FreeArrayBlock(void* cell);

}  // namespace vorlan::runtime
