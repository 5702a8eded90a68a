#include "value/Arrays.h"

#include "base/ReportLines.h"
#include "base/Memory.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace vorlan::runtime {
namespace {

using compiler::Dimension;
using compiler::StorageClass;
using compiler::TypeDescriptor;

constexpr uint64_t kSaturated = std::numeric_limits<uint64_t>::max();

// Sizes that cannot be met saturate, so the allocator refuses them in its
// usual way rather than a wrapped product succeeding.
constexpr uint64_t SaturatingMultiply(uint64_t a, uint64_t b) {
    if (a != 0 && b > kSaturated / a) return kSaturated;
    return a * b;
}

constexpr bool IsOpen(const Dimension& dimension) { return dimension.low == -1 && dimension.high == -2; }

char* RecordAddress(void* block, int32_t k) {
    return static_cast<char*>(block) + kArrayHeaderSize + (k - 1) * kDimensionRecordSize;
}

void WriteDimension(void* block, int32_t k, const DimensionRecord& record) {
    char* at = RecordAddress(block, k);
    StoreCell(at, MakeIntegerUnchecked(record.capacity));
    StoreCell(at + 4, MakeIntegerUnchecked(record.count));
    StoreCell(at + 8, MakeIntegerUnchecked(record.low));
    StoreCell(at + 12, MakeIntegerUnchecked(record.high));
}

// A zero-filled block with its data offset and dimension count written.
Status AllocateArray(uint32_t dimensionCount, uint32_t elementCellSize, uint64_t elementSlots, void** block) {
    const uint64_t offset = DataOffsetFor(dimensionCount);
    const uint64_t data = SaturatingMultiply(elementCellSize, elementSlots);
    const uint64_t size = data > kSaturated - offset ? kSaturated : offset + data;
    *block = MemAllocate(static_cast<size_t>(size), kTagArray);
    if (!*block) return Status::OutOfMemory;
    StoreCell(*block, offset);
    StoreCell(static_cast<char*>(*block) + 8, MakeIntegerUnchecked(static_cast<int32_t>(dimensionCount)));
    return Status::Success;
}

// The record a dimension of the declaration takes, consuming an open count.
Status RecordFor(const Dimension& dimension, const int32_t* openCounts, size_t openCountN, size_t* nextOpen,
                 DimensionRecord* record) {
    if (!IsOpen(dimension)) {
        *record = {dimension.count, dimension.count, dimension.low, dimension.high};
        return Status::Success;
    }
    const int32_t n = *nextOpen < openCountN ? openCounts[*nextOpen] : 0;
    ++*nextOpen;
    if (n < 0 || n > kLargestInteger) return Status::OutOfRange;
    *record = {n, n, 1, n};
    return Status::Success;
}

// Walks the declaration twice rather than gathering its records anywhere:
// once to size the block, once to write the header.
Status ShapeOf(const TypeDescriptor& arrayType, const int32_t* openCounts, size_t openCountN, uint64_t* elements) {
    const Dimension* dimension = arrayType.dimensions;
    size_t nextOpen = 0;
    *elements = 1;
    for (uint32_t k = 1; k <= arrayType.dimensionCount; ++k, dimension = dimension->next) {
        if (!dimension) return Status::InternalFailure;
        DimensionRecord record;
        VL_PROPAGATE(RecordFor(*dimension, openCounts, openCountN, &nextOpen, &record));
        *elements = SaturatingMultiply(*elements, static_cast<uint64_t>(record.count));
    }
    return Status::Success;
}

void WriteShape(const TypeDescriptor& arrayType, const int32_t* openCounts, size_t openCountN, void* block) {
    const Dimension* dimension = arrayType.dimensions;
    size_t nextOpen = 0;
    for (int32_t k = 1; k <= arrayType.dimensionCount; ++k, dimension = dimension->next) {
        DimensionRecord record{};
        (void)RecordFor(*dimension, openCounts, openCountN, &nextOpen, &record);
        WriteDimension(block, k, record);
    }
}

void CopyElementsRaw(void* dst, const void* src, uint32_t cellSize, int64_t count) {
    if (count <= 0) return;
    std::memcpy(ElementAddress(dst, cellSize, 0), ElementAddress(src, cellSize, 0), cellSize * size_t(count));
}

void ReleaseElements(const TypeDescriptor& elementType, void* block, int64_t count) {
    if (elementType.storage == StorageClass::Plain || !elementType.ops.release) return;
    for (int64_t i = 0; i < count; ++i)
        (void)elementType.ops.release(elementType, ElementAddress(block, elementType.cellSize, size_t(i)));
}

// The new slot at the end holds zero bytes, which is Null for every class
// that owns anything.
Status StoreNewElement(const TypeDescriptor& elementType, void* slot, const void* value) {
    if (elementType.storage == StorageClass::Plain) {
        std::memcpy(slot, value, elementType.cellSize);
        return Status::Success;
    }
    if (!elementType.ops.copy) return Status::InternalFailure;
    const Status status = elementType.ops.copy(elementType, slot, value);
    if (status != Status::Success) {
        // A structure copy that stopped part way owns what it did copy.
        if (elementType.ops.release) (void)elementType.ops.release(elementType, slot);
        std::memset(slot, 0, elementType.cellSize);
    }
    return status;
}

// A larger block holding the same elements, moved bytewise: ownership of
// anything they point to passes to the new block.
Status Grow(const void* block, uint32_t cellSize, DimensionRecord record, void** grown) {
    const int64_t doubled = std::max<int64_t>(kFirstAppendCapacity, int64_t{record.capacity} * 2);
    record.capacity = static_cast<int32_t>(std::min<int64_t>(doubled, kLargestInteger));
    VL_PROPAGATE(AllocateArray(1, cellSize, static_cast<uint64_t>(record.capacity), grown));
    WriteDimension(*grown, 1, record);
    CopyElementsRaw(*grown, block, cellSize, record.count);
    return Status::Success;
}

// Copies every element of `source` into the zero-filled clone, in index
// order. On failure the clone owns nothing any more.
Status CopyElements(const TypeDescriptor& elementType, void* clone, const void* source) {
    const uint32_t cellSize = elementType.cellSize;
    const int64_t count = ElementCount(source);
    if (elementType.storage == StorageClass::Plain) {
        CopyElementsRaw(clone, source, cellSize, count);
        return Status::Success;
    }
    if (!elementType.ops.copy) return Status::InternalFailure;
    for (int64_t i = 0; i < count; ++i) {
        const Status status = elementType.ops.copy(elementType, ElementAddress(clone, cellSize, size_t(i)),
                                                   ElementAddress(source, cellSize, size_t(i)));
        if (status != Status::Success) {
            // The failed element may hold part of its copy; those after it are still zero.
            ReleaseElements(elementType, clone, i + 1);
            return status;
        }
    }
    return Status::Success;
}

}  // namespace

int64_t ElementCount(const void* block) {
    if (!block) return 0;
    int64_t count = 1;
    const int32_t dimensions = DimensionCountOf(block);
    for (int32_t k = 1; k <= dimensions; ++k) count *= DimensionAt(block, k).count;
    return count;
}

Status CreateArray(const TypeDescriptor& arrayType, const int32_t* openCounts, size_t openCountN, void** block) {
    *block = nullptr;
    if (!arrayType.baseType) return Status::InternalFailure;
    uint64_t elements;
    VL_PROPAGATE(ShapeOf(arrayType, openCounts, openCountN, &elements));
    VL_PROPAGATE(AllocateArray(arrayType.dimensionCount, arrayType.baseType->cellSize, elements, block));
    WriteShape(arrayType, openCounts, openCountN, *block);
    return Status::Success;
}

Status CreateOpenArray(uint32_t elementCellSize, int32_t n, void** block) {
    return CreateOpenArrayWithCapacity(elementCellSize, n, n, block);
}

Status CreateOpenArrayWithCapacity(uint32_t elementCellSize, int32_t n, int32_t capacity, void** block) {
    *block = nullptr;
    if (n < 0 || n > kLargestInteger || capacity > kLargestInteger) return Status::OutOfRange;
    capacity = std::max(capacity, n);
    VL_PROPAGATE(AllocateArray(1, elementCellSize, static_cast<uint64_t>(capacity), block));
    WriteDimension(*block, 1, {capacity, n, 1, n});
    return Status::Success;
}

Status CloneArrayShape(const void* block, uint32_t elementCellSize, void** clone) {
    *clone = nullptr;
    if (!block) return Status::UsingNull;
    const int32_t dimensions = DimensionCountOf(block);
    const int64_t elements = ElementCount(block);
    VL_PROPAGATE(AllocateArray(static_cast<uint32_t>(dimensions), elementCellSize, static_cast<uint64_t>(elements),
                               clone));
    std::memcpy(*clone, block, DataOffsetOf(block));
    // The clone is sized to its count, so it must not claim the source's spare room.
    for (int32_t k = 1; k <= dimensions; ++k) {
        DimensionRecord record = DimensionAt(block, k);
        record.capacity = record.count;
        WriteDimension(*clone, k, record);
    }
    return Status::Success;
}

Status InitialiseElements(const TypeDescriptor& elementType, void* block) {
    if (!block) return Status::UsingNull;
    if (!elementType.ops.clear) {
        PrintReportLine(ReportLine::NoArrayInitialiser);
        return Status::InternalFailure;
    }
    const int64_t count = ElementCount(block);
    for (int64_t i = 0; i < count; ++i)
        VL_PROPAGATE(elementType.ops.clear(elementType, ElementAddress(block, elementType.cellSize, size_t(i))));
    return Status::Success;
}

Status DimensionCount(const void* block, int32_t* n) {
    *n = 0;
    if (!block) return Status::UsingNull;
    *n = DimensionCountOf(block);
    return Status::Success;
}

Status ReadDimension(const void* block, int32_t k, DimensionRecord* record) {
    *record = {};
    if (!block) return Status::UsingNull;
    if (k < 1 || k > DimensionCountOf(block)) return Status::OutOfRange;
    *record = DimensionAt(block, k);
    return Status::Success;
}

Status CountFrom(const void* block, int32_t k, int64_t* n) {
    *n = 0;
    if (!block) return Status::UsingNull;
    const int32_t dimensions = DimensionCountOf(block);
    if (k < 1 || k > dimensions + 1) return Status::OutOfRange;
    int64_t product = 1;
    for (; k <= dimensions; ++k) product *= DimensionAt(block, k).count;
    *n = product;
    return Status::Success;
}

Status AppendElement(void* cell, const TypeDescriptor& elementType, const void* value) {
    const uint32_t cellSize = elementType.cellSize;
    void* block = LoadHandle<void>(cell);
    void* target = block;
    if (!block) {
        VL_PROPAGATE(CreateOpenArrayWithCapacity(cellSize, 0, kFirstAppendCapacity, &target));
    } else if (DimensionCountOf(block) != 1) {
        return Status::InternalFailure;
    }
    DimensionRecord record = DimensionAt(target, 1);
    if (record.count >= kLargestInteger) return Status::Overflow;
    if (record.count >= record.capacity) {
        // Doubling rather than adding a fixed step keeps appends linear overall.
        VL_PROPAGATE(Grow(block, cellSize, record, &target));
        record.capacity = DimensionAt(target, 1).capacity;
    }
    const Status status = StoreNewElement(elementType, ElementAddress(target, cellSize, size_t(record.count)), value);
    if (status != Status::Success) {
        // Any elements moved into a new block still belong to the old one.
        if (target != block) MemRelease(target);
        return status;
    }
    ++record.count;
    record.high = record.count;
    WriteDimension(target, 1, record);
    if (target != block) {
        MemRelease(block);
        StoreHandle(cell, target);
    }
    return Status::Success;
}

Status DeepCopyArray(void* dstCell, const void* srcCell, const TypeDescriptor& arrayType) {
    const void* source = LoadHandle<const void>(srcCell);
    if (source == LoadHandle<const void>(dstCell)) return Status::Success;
    const TypeDescriptor* elementType = arrayType.baseType;
    if (!elementType) return Status::InternalFailure;
    void* copy = nullptr;
    if (source) {
        VL_PROPAGATE(CloneArrayShape(source, elementType->cellSize, &copy));
        if (const Status status = CopyElements(*elementType, copy, source); status != Status::Success) {
            MemRelease(copy);
            return status;
        }
    }
    FreeArray(dstCell, *elementType);
    StoreHandle(dstCell, copy);
    return Status::Success;
}

void FreeArray(void* cell, const TypeDescriptor& elementType) {
    void* block = LoadHandle<void>(cell);
    if (!block) return;
    ReleaseElements(elementType, block, ElementCount(block));
    MemRelease(block);
    StoreHandle(cell, nullptr);
}

Status DuplicateArrayBlock(void* dstCell, const void* srcCell) {
    const void* source = LoadHandle<const void>(srcCell);
    if (source == LoadHandle<const void>(dstCell)) return Status::Success;
    void* copy = nullptr;
    if (source && !(copy = MemDuplicate(source))) return Status::OutOfMemory;
    FreeArrayBlock(dstCell);
    StoreHandle(dstCell, copy);
    return Status::Success;
}

void FreeArrayBlock(void* cell) {
    void* block = LoadHandle<void>(cell);
    MemRelease(block);
    StoreHandle(cell, nullptr);
}

}  // namespace vorlan::runtime
