// Program files read, checked and run with a bound on their work, as
// `vorlan prog.vrx` does.

#include "FuzzHarness.h"

#include "base/FileDescriptor.h"
#include "base/Owned.h"
#include "compiler/Compilation.h"
#include "programfile/CompiledFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlan;
    Settings& settings = fuzz::Harness();
    fuzz::WriteScratch("input.vrx", data, size);
    const fuzz::Account account;
    const std::u16string path = fuzz::ScratchPath("input.vrx");
    uint16_t code = 0;
    const Owned<FileDescriptor> descriptor(MakeFileDescriptor(path.c_str(), FileKind::Program, settings, &code));
    compiler::Compilation* started = nullptr;
    if (!descriptor || compiler::CreateCompilation(RunMode::RunProgram, settings, &started) != Status::Success) return 0;
    Owned<compiler::Compilation> program(started);
    if (library::ReadCompiledFile(*program, *descriptor) == Status::Success) fuzz::RunBounded(*program);
    return 0;
}
