// Source units compiled and run on a small canvas with a bound on their
// work: every run ends, and ends with its memory account whole.

#include "FuzzHarness.h"

#include "base/Owned.h"
#include "compiler/Compilation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlan;
    fuzz::WriteScratch("unit.vrs", data, size);
    const fuzz::Account account;
    Owned<compiler::Compilation> program(fuzz::CompileScratch("unit.vrs"));
    if (program) fuzz::RunBounded(*program);
    return 0;
}
