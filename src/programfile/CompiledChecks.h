#pragma once
// The checks a module read from a compiled file must pass before it joins a
// run: every type, datum, routine, statement and expression of the kinds the
// runner expects where it finds them.

#include "base/RunMessages.h"
#include "base/Status.h"

namespace vorlan::compiler {
struct Compilation;
struct Module;
struct Routine;
}  // namespace vorlan::compiler

namespace vorlan::library {

// Status::Invalid when anything in the module breaks a rule the compiler
// keeps; `why` then says which part of the module broke it.
Status CheckCompiledModule(const compiler::Compilation& compilation, const compiler::Module& module, Refusal* why);
// The Program routine's parameters must be of types a command line can give.
Status CheckEntryRoutine(const compiler::Routine& routine);

}  // namespace vorlan::library
