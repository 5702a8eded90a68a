#pragma once
// Compiled program files (.vrx) and library files (.vrl).

#include "driver/Status.h"

namespace vorlan {
struct FileDescriptor;
namespace compiler {
struct Compilation;
}
}  // namespace vorlan

namespace vorlan::library {

// Reads a program file into an empty compilation.
Status ReadCompiledFile(compiler::Compilation& compilation, const FileDescriptor& descriptor);
// Writes the compilation as a program file (kind 6) or a library file (kind 5).
Status WriteCompiledFile(compiler::Compilation& compilation, const FileDescriptor& descriptor);

}  // namespace vorlan::library
