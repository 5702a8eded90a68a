#pragma once
// The pattern file's fixed parts, shared by its reader and writer.

#include <cstddef>
#include <cstdint>

namespace vorlan::output {

constexpr uint32_t kPatternMagic = 0xF1F2F3F4u;
constexpr uint16_t kPatternVersion = 1;
constexpr size_t kPatternHeaderSize = 24;
constexpr int32_t kShortRunLimit = 32;  // runs below this fit one byte
constexpr int32_t kLongestRun = 8191;   // 13 bits: 5 in the first byte, 8 in the second

}  // namespace vorlan::output
