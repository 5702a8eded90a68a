#pragma once
// The text a formatter returns. Every formatter makes exactly one text block
// per call: a field of spaces as long as the result, into which it writes
// its characters in place.

#include "base/Status.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vorlan::library {

// A field of max(width, chars.size()) spaces with `chars` at its left, or at
// its right when `right` is set. Overflow beyond the longest text.
Status MakeFieldText(std::u16string_view chars, size_t width, bool right, void** block);

// The word Null in a field of max(width, 4) characters.
Status MakeNullText(size_t width, bool right, void** block);

// A whole number in decimal, as "%d" writes it.
Status MakeDecimalText(int32_t value, void** block);

}  // namespace vorlan::library
