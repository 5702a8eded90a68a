#pragma once
// The compilation: the compiled program held in memory, with its modules,
// units and identifiers.

#include "driver/Settings.h"
#include "driver/Status.h"

namespace vorlan::compiler {

struct Compilation;

// Compiles the source unit named on the command line. Status::Invalid means
// errors were reported (exit code 3); Status::InternalFailure that this build
// cannot compile.
Status Compile(const char16_t* path, Settings& settings, Compilation** out);
// An empty compilation with its system module, for reading a compiled file.
Status CreateCompilation(RunMode mode, Settings& settings, Compilation** out);
void FreeCompilation(Compilation*& compilation);

}  // namespace vorlan::compiler
