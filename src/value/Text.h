#pragma once
// Text blocks. A text value is an 8-byte cell holding a handle to its block
// (0 is Null Text). A block is one allocation:
//
//   offset 0   16-bit unsigned character count
//   offset 2   the 16-bit characters
//   then       a 0 terminator
//
// Text values are never shared: copying a text duplicates its block.

#include "base/Status.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vorlan::runtime {

constexpr uint32_t kTagText = 21504;
constexpr size_t kTextMaxCount = 65535;
// The longest text a join may make; a block itself could hold more.
constexpr size_t kConcatMaxCount = 30000;
constexpr size_t kTextCharsOffset = 2;

constexpr size_t TextBlockSize(size_t count) { return count * 2 + 4; }

inline uint16_t TextCount(const void* block) {
    uint16_t count;
    std::memcpy(&count, block, sizeof count);
    return count;
}
// Blocks are 16-aligned, so the characters at offset 2 are 2-aligned.
inline const char16_t* TextChars(const void* block) {
    return reinterpret_cast<const char16_t*>(static_cast<const char*>(block) + kTextCharsOffset);
}
inline char16_t* TextChars(void* block) {
    return reinterpret_cast<char16_t*>(static_cast<char*>(block) + kTextCharsOffset);
}

// Overflow beyond kTextMaxCount characters, OutOfMemory when allocation fails;
// *block is nullptr on failure. `chars` may be nullptr when count is 0.
Status MakeText(const char16_t* chars, size_t count, void** block);
Status MakeTextFromString(const char16_t* terminated, void** block);
// A block of `count` spaces, for a caller that writes its characters in place
// rather than building them elsewhere and copying.
Status MakeBlankText(size_t count, void** block);
// A Null block duplicates to Null.
Status DuplicateText(const void* block, void** copy);
void FreeText(void*& block);
// The text cell lets go of the block it held and holds `block` (or Null) instead.
void ReplaceText(void* cell, void* block);

// Joins the texts in cells A and B into the destination cell, which may be
// either of them. Null operands are UsingNull and a join beyond
// kConcatMaxCount characters is Overflow; on any failure the destination
// becomes Null Text.
Status ConcatText(void* cellDest, const void* cellA, const void* cellB);

}  // namespace vorlan::runtime
