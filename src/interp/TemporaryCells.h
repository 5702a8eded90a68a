#pragma once
// Cells for values worked out along the way (an operand of a structure type,
// a call's result held for a statement) come and go with every evaluation.
// The run keeps the cells it has let go, by size, and hands them out again
// cleared, instead of going to the allocator each time. A few are kept of
// each size, so memory stays flat however many evaluations run.

#include "value/Types.h"

#include <cstdint>

namespace vorlan::runtime {

class TemporaryCells {
public:
    TemporaryCells() = default;
    TemporaryCells(const TemporaryCells&) = delete;
    TemporaryCells& operator=(const TemporaryCells&) = delete;
    ~TemporaryCells() { Release(); }

    // A zero-filled cell of at least `size` bytes; nullptr when memory runs out.
    void* Take(uint32_t size, uint32_t tag);
    // Takes back a cell from Take whose value has been let go.
    void Give(void* cell);
    // Frees every cell kept.
    void Release();

private:
    static constexpr uint32_t kGranule = 16;
    static constexpr uint32_t kSizes = 16;  // cells up to 256 bytes are kept
    static constexpr uint16_t kKeptPerSize = 16;
    void* kept_[kSizes] = {};  // each kept cell's first bytes link to the next
    uint16_t count_[kSizes] = {};
};

// A temporary cell from `keep`, or from the allocator without one; and back.
void* TakeTemporaryCell(TemporaryCells* keep, uint32_t size, uint32_t tag);
void GiveTemporaryCell(TemporaryCells* keep, void* cell);

// A value of `type` worked out in a temporary cell: when the holder goes,
// the value is let go and the cell given back.
class TemporaryValue {
public:
    TemporaryValue(TemporaryCells* keep, const compiler::TypeDescriptor& type, uint32_t tag)
        : keep_(keep), type_(type),
          cell_(static_cast<uint8_t*>(TakeTemporaryCell(keep, type.cellSize ? type.cellSize : 1, tag))) {}
    TemporaryValue(const TemporaryValue&) = delete;
    TemporaryValue& operator=(const TemporaryValue&) = delete;
    ~TemporaryValue() { Reset(); }

    uint8_t* Get() const { return cell_; }
    // Lets go of the value and gives the cell back.
    void Reset();
    // The value's bytes replace `out`'s value, which is let go first; the
    // cell is given back.
    void MoveTo(void* out);

private:
    TemporaryCells* keep_;
    const compiler::TypeDescriptor& type_;
    uint8_t* cell_;
};

}  // namespace vorlan::runtime
