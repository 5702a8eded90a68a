#pragma once
// Reading and writing the fields of graphics structure values by their byte
// offsets, as the system module lays them out.

#include "value/Types.h"
#include "base/Status.h"
#include "graphics/Image.h"
#include "value/Number.h"
#include "value/Value.h"

namespace vorlan::graphics::cells {

// Offsets of the fields drawing reads (they match the system module's
// registration, which checks them).
namespace pen {
constexpr uint32_t kWidth = 0, kColour = 4, kOverwrite = 20, kDashMode = 28, kDashList = 36, kScale = 44, kSysData = 48;
}
namespace brush {
constexpr uint32_t kFill = 0, kAlign = 8, kColour = 16, kBackground = 32, kOverwrite = 48, kImage = 56, kPin = 92,
                   kSysData = 104;
}
namespace canvas {
constexpr uint32_t kWidth = 0, kHeight = 4, kMode = 8, kColourMix = 16, kScale = 24, kSysData = 28;
}
namespace font {
constexpr uint32_t kTypeface = 0, kSize = 8, kWeight = 12, kItalic = 16, kUnderline = 20, kSysData = 24;
}
namespace image {
constexpr uint32_t kWidth = 0, kHeight = 4, kMode = 8, kReserved = 16, kSysData = 28;
}
namespace point {
constexpr uint32_t kX = 0, kY = 4, kZ = 8;
}

inline const uint8_t* At(const void* cell, uint32_t offset) { return static_cast<const uint8_t*>(cell) + offset; }
inline uint8_t* At(void* cell, uint32_t offset) { return static_cast<uint8_t*>(cell) + offset; }

inline Status Whole(const void* cell, uint32_t offset, int32_t* out) {
    return runtime::ReadInteger(runtime::LoadCell<runtime::Number>(At(cell, offset)), out);
}
inline Status Real(const void* cell, uint32_t offset, float* out) {
    return runtime::ReadReal(runtime::LoadCell<runtime::Number>(At(cell, offset)), out);
}
inline void SetWhole(void* cell, uint32_t offset, int32_t value) {
    runtime::StoreCell(At(cell, offset), runtime::MakeIntegerUnchecked(value));
}
// The value of the enumeration item a cell refers to; UsingNull when it is empty.
inline Status EnumValue(const void* cell, uint32_t offset, int32_t* out) {
    const auto* item = runtime::LoadHandle<compiler::DataItem>(At(cell, offset));
    if (!item) return Status::UsingNull;
    *out = item->enumValue;
    return Status::Success;
}
template <class T>
T* SysData(const void* cell, uint32_t offset) {
    return runtime::LoadHandle<T>(At(cell, offset));
}
inline void SetSysData(void* cell, uint32_t offset, const void* record) { runtime::StoreHandle(At(cell, offset), record); }
// The value at `cell` holds `record` (or nothing) as its internal record from
// now on; the one it held before is let go.
template <class T>
void ReplaceSysData(void* cell, uint32_t offset, T* record) {
    const Owned<T> old(SysData<T>(cell, offset));
    SetSysData(cell, offset, record);
}

// A Colour value (four percentages) at `offset` as a colour word.
inline Status ColourAt(const void* cell, uint32_t offset, ColourWord* out) {
    float channel[4];
    for (uint32_t i = 0; i < 4; ++i) {
        if (const Status status = Real(cell, offset + 4 * i, &channel[i]); status != Status::Success) return status;
    }
    *out = MakeColourWord(channel[0], channel[1], channel[2], channel[3]);
    return Status::Success;
}

}  // namespace vorlan::graphics::cells
