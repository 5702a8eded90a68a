#pragma once
// The program run: sets up the graphics context and global data, binds the
// program's arguments and runs the Program routine.

#include "base/Settings.h"

#include <cstdint>

namespace vorlan::compiler {
struct Compilation;
}

namespace vorlan::runtime {

// Returns the exit code (0 for success); *leftBehind receives the number of
// blocks the run did not release.
int RunProgram(compiler::Compilation& program, Settings& settings, uint32_t* leftBehind);

}  // namespace vorlan::runtime
