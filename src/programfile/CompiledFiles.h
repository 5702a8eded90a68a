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

struct CompiledRefusal;

// With this variable set to 1 in the environment, a refused program or
// library file also puts "<path>: refused at offset N: <reason>" on standard
// error; the user's report stays "could not read" either way.
inline constexpr const char* kTraceVariable = "VORLAN_TRACE_PROGRAMFILE";

// Reads a program file into an empty compilation. When the file is refused,
// `refusal` (if given) tells why and where.
Status ReadCompiledFile(compiler::Compilation& compilation, const FileDescriptor& descriptor,
                        CompiledRefusal* refusal = nullptr);
// Loads a library file into the compilation as a new module, with the
// libraries it needs first.
Status LoadLibrary(compiler::Compilation& compilation, const FileDescriptor& descriptor, bool buildingProgram,
                   compiler::Module** module);
// Writes the compilation as a program file (kind 6) or a library file (kind 5).
Status WriteCompiledFile(compiler::Compilation& compilation, const FileDescriptor& descriptor);

}  // namespace vorlan::library
