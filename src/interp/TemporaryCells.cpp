#include "interp/TemporaryCells.h"

#include "base/Memory.h"

#include <cstring>

namespace vorlan::runtime {

void* TemporaryCells::Take(uint32_t size, uint32_t tag) {
    const uint32_t rounded = (size ? size + kGranule - 1 : kGranule) / kGranule;
    if (rounded > kSizes) return MemAllocate(size, tag);
    const uint32_t index = rounded - 1;
    if (void* cell = kept_[index]) {
        std::memcpy(&kept_[index], cell, sizeof(void*));
        --count_[index];
        std::memset(cell, 0, rounded * kGranule);
        return cell;
    }
    // Every cell of a size class is as large as its largest, so any request
    // of the class can take it later.
    return MemAllocate(rounded * kGranule, tag);
}

void TemporaryCells::Give(void* cell) {
    if (!cell) return;
    const uint32_t size = MemBlockSize(cell);
    const uint32_t index = size / kGranule - 1;
    if (size % kGranule != 0 || index >= kSizes || count_[index] >= kKeptPerSize) {
        MemReleaseBlock(cell);
        return;
    }
    std::memcpy(cell, &kept_[index], sizeof(void*));
    kept_[index] = cell;
    ++count_[index];
}

void TemporaryCells::Release() {
    for (uint32_t index = 0; index < kSizes; ++index) {
        while (void* cell = kept_[index]) {
            std::memcpy(&kept_[index], cell, sizeof(void*));
            MemReleaseBlock(cell);
        }
        count_[index] = 0;
    }
}

// Under the address sanitizer every cell comes from the allocator and goes
// back to it, so that a cell used after it was given back is caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kKeepCells = false;
#else
constexpr bool kKeepCells = true;
#endif

void* TakeTemporaryCell(TemporaryCells* keep, uint32_t size, uint32_t tag) {
    return kKeepCells && keep ? keep->Take(size, tag) : MemAllocate(size, tag);
}

void GiveTemporaryCell(TemporaryCells* keep, void* cell) {
    if (kKeepCells && keep) keep->Give(cell);
    else MemReleaseBlock(cell);
}

void TemporaryValue::Reset() {
    if (!cell_) return;
    if (type_.ops.release) (void)type_.ops.release(type_, cell_);
    GiveTemporaryCell(keep_, cell_);
    cell_ = nullptr;
}

void TemporaryValue::MoveTo(void* out) {
    if (type_.ops.release) (void)type_.ops.release(type_, out);
    std::memcpy(out, cell_, type_.cellSize);
    GiveTemporaryCell(keep_, cell_);
    cell_ = nullptr;
}

}  // namespace vorlan::runtime
