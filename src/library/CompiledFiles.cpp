#include "library/CompiledFiles.h"

#include <cstdio>

namespace vorlan::library {

// FIXME: compiled files are not built yet.
Status ReadCompiledFile(compiler::Compilation&, const FileDescriptor&) {
    std::fputs("**** This build of Vorlan cannot read compiled files yet\n", stdout);
    return Status::InternalFailure;
}

Status LoadLibrary(compiler::Compilation&, const FileDescriptor&, bool, compiler::Module** module) {
    *module = nullptr;
    return Status::Invalid;
}

Status WriteCompiledFile(compiler::Compilation&, const FileDescriptor&) {
    std::fputs("**** This build of Vorlan cannot write compiled files yet\n", stdout);
    return Status::InternalFailure;
}

}  // namespace vorlan::library
