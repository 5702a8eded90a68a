#pragma once
// How every run-time value is held in memory.
//
// Number: one 32-bit word, tagged by its top bits.
//
//   31 30                              0
//   +--+--------------------------------+
//   |0 |  31-bit two's-complement int   |   integer (bit 30 is the sign)
//   +--+--------------------------------+
//   |1 |  IEEE single >> 1 (low bit lost)|   real
//   +--+--------------------------------+
//   0x40000000 is Null: it would be the integer -1073741824, which is
//   therefore not a Number. Integers run from -1073741823 to 1073741823.
//
// Logical: 0 False, 1 True, 0x40000000 Null.
// Time: 8 bytes, millisecond of the day (an integer Number) in the low word,
//   day number (an integer Number) in the high word; all bits set is Null.
// Text, arrays, enumerations, routines: 8-byte cells holding a pointer
//   (a handle); 0 is Null. Cells are packed without padding inside
//   structures and array blocks, so handles are always loaded and stored
//   through LoadHandle / StoreHandle, never by dereferencing a cast.

#include <bit>
#include <cstdint>
#include <cstring>

namespace vorlan::runtime {

using Number = uint32_t;
using Logical = uint32_t;
using Time = uint64_t;

constexpr Number kNullNumber = 0x40000000u;
constexpr Logical kFalse = 0;
constexpr Logical kTrue = 1;
constexpr Logical kNullLogical = 0x40000000u;
constexpr Time kNullTime = ~uint64_t{0};
constexpr int32_t kLargestInteger = 0x3FFFFFFF;

constexpr bool IsNull(Number n) { return n == kNullNumber; }
constexpr bool IsReal(Number n) { return (n & 0x80000000u) != 0; }
constexpr bool IsInteger(Number n) { return !IsReal(n) && !IsNull(n); }

// The 31-bit integer with bit 30 sign-extended into bit 31.
constexpr int32_t IntegerOf(Number n) { return static_cast<int32_t>(n << 1) >> 1; }
// Callers keep to the integer range; see MakeInteger for the checked form.
constexpr Number MakeIntegerUnchecked(int32_t value) { return static_cast<uint32_t>(value) & 0x7FFFFFFFu; }
constexpr float RealOf(Number n) { return std::bit_cast<float>(n << 1); }
// Drops the lowest mantissa bit (truncation); callers exclude infinities and NaNs.
constexpr Number MakeRealUnchecked(float value) { return (std::bit_cast<uint32_t>(value) >> 1) | 0x80000000u; }

constexpr Time MakeTime(Number day, Number millis) { return (uint64_t{day} << 32) | millis; }
constexpr Number TimeDay(Time t) { return static_cast<Number>(t >> 32); }
constexpr Number TimeMillis(Time t) { return static_cast<Number>(t); }
constexpr bool IsNullTime(Time t) { return (TimeDay(t) & TimeMillis(t)) == 0xFFFFFFFFu; }

template <class T>
T* LoadHandle(const void* cell) {
    T* handle;
    std::memcpy(&handle, cell, sizeof handle);
    return handle;
}
inline void StoreHandle(void* cell, const void* handle) { std::memcpy(cell, &handle, sizeof handle); }
static_assert(sizeof(void*) == 8, "handles are 8-byte cells");

template <class T>
T LoadCell(const void* cell) {
    T value;
    std::memcpy(&value, cell, sizeof value);
    return value;
}
template <class T>
void StoreCell(void* cell, T value) {
    std::memcpy(cell, &value, sizeof value);
}

}  // namespace vorlan::runtime
