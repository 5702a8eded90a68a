#pragma once
// What every evaluation and statement of a running program is given: where
// the module data, the current frame and the graphics context are, and the
// result cell of the function being run.
//
// A frame holds the routine's parameters (at the offsets of its signature's
// fields) followed by its locals (the routine's frame items, whose offsets
// start after the parameters). Module data is one block: module n's items lie
// at moduleBase[n] + offset; the Status record is at offset 0 of the system
// module, the very start.

#include "compiler/Compilation.h"
#include "base/Status.h"
#include "interp/FrameStack.h"

#include <cstdint>

namespace vorlan::runtime {

class ErrorDetailSlot;
class TemporaryCells;
class WordCodes;

// Calls nested deeper than this raise OutOfMemory at the call instead of
// exhausting the stack; so do calls made where the stack is nearly spent,
// since each level of calls may hold up to 200 nested expressions.
constexpr int kMaxCallDepth = 2000;

struct RunContext {
    const compiler::Compilation* program = nullptr;
    uint8_t* globals = nullptr;              // the module data block
    const uint32_t* moduleBase = nullptr;    // indexed by module number
    uint8_t* frame = nullptr;                // the current routine's frame
    void* graphics = nullptr;                // the current graphics context block
    uint8_t* result = nullptr;               // the running function's result cell
    const compiler::Routine* routine = nullptr;
    int depth = 0;                           // calls in progress
    FrameStack* frames = nullptr;            // where call frames are carved from
    ErrorDetailSlot* errorDetail = nullptr;  // the pending error's detail, beside the Status record
    const compiler::Routine* builtin = nullptr;  // the built-in function being run, for its reports
    WordCodes* wordCodes = nullptr;          // compiled word expressions, when the run makes them
    TemporaryCells* temporaries = nullptr;   // the run's spare temporary cells, when it keeps them
    uintptr_t stackFloor = 0;                // no call starts with its stack below this address
};

// Whether a call made here must be refused, as too deep for the depth limit
// or for the stack the run has left. The stack grows down.
inline bool CallTooDeep(const RunContext& context) {
    // A local's address tells where the stack stands without making the
    // caller, often the interpreter's loop, keep a frame pointer.
    const volatile char here = 0;
    return context.depth >= kMaxCallDepth || reinterpret_cast<uintptr_t>(&here) < context.stackFloor;
}

// The size of a routine's frame: parameters, then locals. Built-in routines
// have no locals and their frame area was never placed: their parameters are.
inline uint32_t FrameSize(const compiler::Routine& routine) {
    const uint32_t parameters = routine.type ? routine.type->fields.size : 0;
    const uint32_t placed = routine.frame.base + routine.frame.size;
    return placed > parameters ? placed : parameters;
}

// Built-in routines have no locals and may not have their frame laid out, so
// the parameter area of the signature bounds a call's frame as well.
inline uint32_t CallFrameSize(const compiler::Routine& routine) {
    const compiler::DataArea& parameters = routine.type->fields;
    const uint32_t parameterEnd = parameters.base + parameters.size;
    const uint32_t size = FrameSize(routine);
    return size > parameterEnd ? size : parameterEnd;
}

}  // namespace vorlan::runtime
