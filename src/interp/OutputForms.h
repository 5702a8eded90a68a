#pragma once
// How the Output statement writes a value: one written form per kind of
// type, applied recursively to array elements and structure fields.

#include "value/Types.h"
#include "base/Status.h"
#include "value/Value.h"

#include <cstdint>
#include <cstdio>

namespace vorlan::runtime {

// The written forms. The first eight follow compiler::OutputWriter, so an
// Output item's writer converts directly.
enum class OutputForm : uint8_t {
    None = 0,  // a type that has no written form
    Logical = 1,
    Number = 2,
    Text = 3,
    Time = 4,
    Array = 5,
    Routine = 6,
    Structure = 7,
    Enumeration = 8,
    DataPtr = 9,  // the hidden internal-record fields of system structures
    Count,
};

OutputForm FormOf(const compiler::TypeDescriptor& type);

// Writes the value in `cell` of `type` in the given form. Invalid (and
// nothing written) for a type without a form or a Logical that is neither
// True, False nor Null.
Status WriteValue(FILE* out, OutputForm form, const compiler::TypeDescriptor& type, const void* cell);

// The forms of the basic values, for callers that hold no type.
Status WriteLogical(FILE* out, Logical value);
void WriteNumber(FILE* out, Number value);
// A text block (nullptr for Null Text).
void WriteText(FILE* out, const void* block);
void WriteTime(FILE* out, Time value);

}  // namespace vorlan::runtime
