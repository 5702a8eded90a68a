#include "compiler/Compilation.h"

#include <cstdio>

namespace vorlan::compiler {

// FIXME: the compiler is not built yet; every source unit ends here.
Status Compile(const char16_t*, Settings&, Compilation** out) {
    *out = nullptr;
    std::fputs("**** This build of Vorlan cannot compile source units yet\n", stdout);
    return Status::InternalFailure;
}

Status CreateCompilation(RunMode, Settings&, Compilation** out) {
    *out = nullptr;
    std::fputs("**** This build of Vorlan cannot load compiled programs yet\n", stdout);
    return Status::InternalFailure;
}

void FreeCompilation(Compilation*& compilation) { compilation = nullptr; }

}  // namespace vorlan::compiler
