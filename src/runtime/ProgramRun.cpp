#include "runtime/ProgramRun.h"

#include <cstdio>

namespace vorlan::runtime {

// FIXME: the interpreter is not built yet.
int RunProgram(compiler::Compilation&, Settings&, uint32_t* leftBehind) {
    *leftBehind = 0;
    std::fputs("**** This build of Vorlan cannot run programs yet\n", stdout);
    return 9;
}

}  // namespace vorlan::runtime
