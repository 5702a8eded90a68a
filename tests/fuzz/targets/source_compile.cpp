// Source units compiled as a program file is built: whatever the bytes, the
// compiler ends with its memory account whole, and a unit that compiles
// writes a program file that reads back.

#include "FuzzHarness.h"

#include "base/FileDescriptor.h"
#include "base/Owned.h"
#include "compiler/Compilation.h"
#include "programfile/CompiledFiles.h"

#include <cstdio>
#include <cstdlib>

namespace vorlan::fuzz {
namespace {

void WrittenFileReadsBack(compiler::Compilation& program) {
    Settings& settings = Harness();
    uint16_t code = 0;
    const std::u16string path = ScratchPath("unit.vrx");
    const Owned<FileDescriptor> out(MakeFileDescriptor(path.c_str(), FileKind::Program, settings, &code));
    if (!out || library::WriteCompiledFile(program, *out) != Status::Success) return;  // reported as a write failure
    compiler::Compilation* read = nullptr;
    const Owned<FileDescriptor> in(MakeFileDescriptor(path.c_str(), FileKind::Program, settings, &code));
    Status status = compiler::CreateCompilation(RunMode::RunProgram, settings, &read);
    if (status == Status::Success && in) status = library::ReadCompiledFile(*read, *in);
    compiler::FreeCompilation(read);
    if (status != Status::Success) {
        std::fprintf(stderr, "fuzz harness: a program file just written is refused\n");
        std::abort();
    }
}

}  // namespace
}  // namespace vorlan::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vorlan;
    fuzz::WriteScratch("unit.vrs", data, size);
    const fuzz::Account account;
    Owned<compiler::Compilation> program(fuzz::CompileScratch("unit.vrs", RunMode::BuildProgram));
    if (program) fuzz::WrittenFileReadsBack(*program);
    return 0;
}
