#pragma once
// The argument checkers of built-in functions: run when a call is compiled,
// they settle the types a _Variant parameter or result stands for.

#include "compiler/Compilation.h"
#include "compiler/Expression.h"

#include <cstdint>

namespace vorlan::library {

// The checkers, named by the system module's table of built-ins.
bool CheckArrayBounds(compiler::CallCheck& call);  // ArrayLow, ArrayHigh
bool CheckArray(compiler::CallCheck& call);        // Array
bool CheckReadData(compiler::CallCheck& call);     // ReadData, ReadArray
bool CheckReadValue(compiler::CallCheck& call);    // ReadValue
bool CheckFormat(compiler::CallCheck& call);       // Format

// What the checker of a built-in function settled, as a call read from a
// compiled file must still show it: the hidden type parameter and the
// result agree with the arguments. True for functions without a checker.
bool CallKeepsCheckerRules(uint16_t builtinNumber, const compiler::ExprList& arguments,
                           const compiler::TypeDescriptor* result);

// Types that a data file can fill: an open one-dimensional array whose
// element is a structure of Logical, Number, Text, Time or enumeration fields
// (the last may be an open one-dimensional array of those).
bool IsReadableDataType(const compiler::TypeDescriptor& type);

}  // namespace vorlan::library
