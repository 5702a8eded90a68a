#pragma once
// Running statement blocks and routines.

#include "compiler/Statements.h"
#include "interp/RunContext.h"

#include <cstdint>

namespace vorlan::runtime {

// Execution statuses besides the Status codes (1 go on, 13 and 21..31 errors).
constexpr uint16_t kExecReturn = 3;
constexpr uint16_t kExecFBreak = 4;
constexpr uint16_t kExecWBreak = 5;
constexpr uint16_t kExecOBreak = 6;
constexpr uint16_t kExecHandlerFailed = 11;
constexpr uint16_t kExecFatal = 30;  // a fatal nested error, travelling up unchanged

uint16_t ExecuteBlock(const compiler::StatementBlock& block, RunContext& context);

// Runs a declared routine in `frame` (parameters bound): initialises its
// locals, runs the body, releases the locals. For a function `result` is its
// result cell, which holds its type's initial value on failure.
uint16_t RunRoutine(const compiler::Routine& routine, RunContext& caller, uint8_t* frame, void* graphics,
                    uint8_t* result);

}  // namespace vorlan::runtime
