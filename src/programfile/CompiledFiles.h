#pragma once
// Compiled program files (.vrx) and library files (.vrl).

#include "base/Status.h"

namespace vorlan {
struct FileDescriptor;
namespace compiler {
struct Compilation;
struct Module;
}
}  // namespace vorlan

namespace vorlan::library {

// Reads a program file into an empty compilation.
Status ReadCompiledFile(compiler::Compilation& compilation, const FileDescriptor& descriptor);
// Loads a library file into the compilation as a new module, with the
// libraries it needs first.
Status LoadLibrary(compiler::Compilation& compilation, const FileDescriptor& descriptor, bool buildingProgram,
                   compiler::Module** module);
// Writes the compilation as a program file (kind 6) or a library file (kind 5).
Status WriteCompiledFile(compiler::Compilation& compilation, const FileDescriptor& descriptor);

}  // namespace vorlan::library
