#pragma once
// The handlers of the built-in functions, found by routine number when the
// system module is built. A function without a handler yet cannot run: its
// calls report "Function call error".

#include "compiler/Compilation.h"
#include "driver/Status.h"

#include <cstdint>

namespace vorlan::library {

compiler::BuiltinHandler FunctionHandlerFor(uint16_t builtinNumber);

// Each handler takes the run context, the parameter block and the result cell.
Status Format(void* context, void* parameters, void* result);
Status ReadImage(void* context, void* parameters, void* result);
Status TextSize(void* context, void* parameters, void* result);

}  // namespace vorlan::library
