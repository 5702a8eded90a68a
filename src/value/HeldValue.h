#pragma once
// A value in an allocator block of its own, outside any frame or record: a
// temporary, a reference cell, a graphics-context element. What the value
// holds goes by its type's release, then the block goes, once on every path.

#include "base/Owned.h"
#include "value/Types.h"

#include <utility>

namespace vorlan::runtime {

class HeldValue {
public:
    HeldValue() = default;
    // Takes over `cell`, a block holding a value of `type` (or nothing yet:
    // a zeroed cell releases as nothing).
    HeldValue(const compiler::TypeDescriptor* type, void* cell) : type_(type), cell_(cell) {}
    HeldValue(HeldValue&& other) noexcept = default;
    HeldValue& operator=(HeldValue&& other) noexcept {
        if (this != &other) {
            ReleaseValue();
            type_ = other.type_;
            cell_ = std::move(other.cell_);
        }
        return *this;
    }
    ~HeldValue() { ReleaseValue(); }

    void* Get() const { return cell_; }
    explicit operator bool() const { return cell_ != nullptr; }
    // Hands the cell, value and all, to the caller.
    [[nodiscard]] void* Take() { return cell_.Take(); }

private:
    void ReleaseValue() {
        if (cell_ && type_ && type_->ops.release) (void)type_->ops.release(*type_, cell_);
    }

    const compiler::TypeDescriptor* type_ = nullptr;
    OwnedBlock<void> cell_;
};

// Lets go of the value in `cell` and of the cell itself.
inline void DiscardValue(const compiler::TypeDescriptor* type, void* cell) { const HeldValue gone(type, cell); }

}  // namespace vorlan::runtime
