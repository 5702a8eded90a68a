#pragma once
// Binding the command line's program arguments to the Program routine's
// parameters.

#include "base/Status.h"
#include "interp/RunContext.h"

namespace vorlan::runtime {

// Binds `arguments` (null-terminated) into `frame`; reports on the command
// line (codes 8 to 12) and returns false when they do not fit.
bool BindProgramArguments(RunContext& context, const compiler::Routine& program, const char16_t* const* arguments,
                          uint8_t* frame);

}  // namespace vorlan::runtime
