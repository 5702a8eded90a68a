#pragma once
// The numbered messages and the command-line report.

#include <cstdint>

namespace vorlan {

enum class Msg : uint16_t {
#define VL_MESSAGE(code, name, text) name = code,
#include "base/MessageList.h"
#undef VL_MESSAGE
};

// The text of a code, or nullptr (after printing the "not found" line).
const char* LookupMessage(uint16_t code);

// "Error - CMD/nnn: text detail" on standard output; code 0 prints nothing.
int CommandLineReport(uint16_t code, const char16_t* detail = nullptr);
inline int CommandLineReport(Msg code, const char16_t* detail = nullptr) {
    return CommandLineReport(static_cast<uint16_t>(code), detail);
}

}  // namespace vorlan
