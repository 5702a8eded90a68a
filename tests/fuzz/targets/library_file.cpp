// Library files loaded by a program's Library statement, which reads and
// checks them as it compiles, then the program run with a bound on its
// work: a library's data and their initial values run with it.

#include "FuzzHarness.h"

#include "base/Owned.h"
#include "compiler/Compilation.h"

namespace {

const char* const kProgram = R"(
Library L = 'input.vrl';
Program ()
Begin
  Output "loaded";
End;
)";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlan;
    static const bool written = (fuzz::WriteScratch("uses.vrs", kProgram), true);
    (void)written;
    fuzz::WriteScratch("input.vrl", data, size);
    const fuzz::Account account;
    Owned<compiler::Compilation> program(fuzz::CompileScratch("uses.vrs"));
    if (program) fuzz::RunBounded(*program);
    return 0;
}
