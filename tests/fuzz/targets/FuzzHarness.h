#pragma once
// What every in-process fuzz target shares: one settings record whose ROOT
// is a scratch folder of its own, the inputs written there as files (every
// reader takes a file), a memory account taken around each input, and the
// compile and run calls the driver makes, with a small canvas and a bound on
// the work of a run so that every program ends.

#include "base/Settings.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlan::compiler {
struct Compilation;
}

namespace vorlan::fuzz {

// The process's settings, made on first use: the built-in defaults, ROOT
// and LANGFILES naming the scratch folder, an 8 × 8 bitmap as the run's
// picture, and standard output sent to /dev/null (unless
// VORLAN_FUZZ_SHOW_OUTPUT is set), where every report goes.
Settings& Harness();

// The scratch folder's path of `name`, wide and in UTF-8.
std::u16string ScratchPath(const char* name);
std::string ScratchPathUtf8(const char* name);
// Writes the bytes as the scratch file `name`; aborts when it cannot.
void WriteScratch(const char* name, const uint8_t* data, size_t size);
void WriteScratch(const char* name, const std::string& text);

// The memory account of one input: every block made while it ran must be
// released by the end, and none released twice. The destructor aborts,
// listing what is left, when either fails.
class Account {
public:
    Account();
    ~Account();
    Account(const Account&) = delete;
    Account& operator=(const Account&) = delete;

private:
    uint32_t live_;
    uint32_t twice_;
};

// Compiles the scratch file `name` as the main unit; nullptr when it does
// not compile. `mode` is RunSource or BuildProgram.
compiler::Compilation* CompileScratch(const char* name, RunMode mode = RunMode::RunSource);
// Compiles a unit the target itself supplies and keeps for every input,
// after writing the file it reads beside the input, if it has one; aborts
// when it does not compile, as that is the target's own fault.
compiler::Compilation* CompileFixed(const char* name, const std::string& source, const char* besideName = nullptr,
                                    const std::string& beside = "");
// Runs the program with a bound of `steps` loop iterations and calls. A run
// that leaves blocks behind aborts.
void RunBounded(compiler::Compilation& program, uint64_t steps = 20000);
// The targets that feed one file to a fixed program: writes the input as the
// scratch file `name`, then runs the program within an account.
void RunOnInput(compiler::Compilation& program, const char* name, const uint8_t* data, size_t size);

}  // namespace vorlan::fuzz
