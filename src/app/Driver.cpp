#include "app/Driver.h"

#include "compiler/Compilation.h"
#include "app/CommandLine.h"
#include "app/ConfigFile.h"
#include "base/DirectoryNodes.h"
#include "app/ExitCodes.h"
#include "base/FileDescriptor.h"
#include "base/Memory.h"
#include "base/Messages.h"
#include "base/ReportLines.h"
#include "app/OutputPlace.h"
#include "base/Settings.h"
#include "base/Utf8.h"
#include "programfile/CompiledFiles.h"
#include "library/system/Embedding.h"
#include "base/FileSource.h"
#include "interp/ProgramRun.h"

#include <cstdio>
#include <ctime>

namespace vorlan {
namespace {

// The list of blocks still alive when the process ends goes here, in the
// current directory.
constexpr const char* kLeakDumpPath = "vorlan_leaks.txt";

struct RunState {
    compiler::Compilation* program = nullptr;
    uint32_t leftBehind = 0;  // blocks the program run did not release
};

int CompileFailure(Status status) { return status == Status::InternalFailure ? kExitInternal : kExitCompilation; }

// Writes the compilation to the output path as a file of `kind`.
int WriteOutput(RunState& state, Settings& settings, FileKind kind) {
    uint16_t code = 0;
    const Owned<FileDescriptor> descriptor(MakeFileDescriptor(settings.run.outputPath, kind, settings, &code));
    if (!descriptor) {
        CommandLineReport(code, settings.run.outputPath);
        return kExitFileWrite;
    }
    const Status status = library::WriteCompiledFile(*state.program, *descriptor);
    if (status == Status::Success) return kExitSuccess;
    return status == Status::InternalFailure ? kExitInternal : kExitFileWrite;
}

// Says why a program file was not run: it could not be opened, or it was
// refused (cut short, spoilt, or not what a compiler writes).
void ReportUnreadProgram(const FileDescriptor& descriptor) {
    char path[4 * kPathMax + 4];
    if (WideToUtf8(descriptor.resolvedPath, path, sizeof path) && !FileSource(path).IsOpen()) {
        CommandLineReport(Msg::CouldNotOpenFile, descriptor.path);
        return;
    }
    PrintReportLineWith(ReportLine::CouldNotRead, descriptor.path);
}

int LoadProgramFile(RunState& state, Settings& settings) {
    if (const Status status = compiler::CreateCompilation(RunMode::RunProgram, settings, &state.program);
        status != Status::Success)
        return status == Status::InternalFailure ? kExitInternal : kExitCommandLine;
    uint16_t code = 0;
    const Owned<FileDescriptor> descriptor(MakeFileDescriptor(settings.run.filePath, FileKind::Program, settings, &code));
    if (!descriptor) {
        CommandLineReport(code, settings.run.filePath);
        return kExitCommandLine;
    }
    const Status status = library::ReadCompiledFile(*state.program, *descriptor);
    if (status != Status::Success) ReportUnreadProgram(*descriptor);
    if (status == Status::Success) return kExitSuccess;
    return status == Status::InternalFailure ? kExitInternal : kExitCommandLine;
}

// A seed of 0 asks for a new sequence each run: the clock's nanoseconds
// choose one, and standard error says which, so that -RND can make the same
// picture again.
void ChooseRandomSeed(RunSettings& run) {
    if (run.randomSeed != 0) return;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const auto mixed = static_cast<uint64_t>(now.tv_sec) * 1000000007ull + static_cast<uint64_t>(now.tv_nsec);
    run.randomSeed = static_cast<int64_t>(mixed % 1073741823ull) + 1;
    std::fprintf(stderr, "Random seed: %lld\n", static_cast<long long>(run.randomSeed));
}

int DoRunMode(RunState& state, Settings& settings) {
    RunSettings& run = settings.run;
    switch (run.runMode) {
    case RunMode::BuildProgram:
    case RunMode::RunSource:
    case RunMode::BuildLibrary: {
        if (run.runMode == RunMode::BuildLibrary) {
            PrintReportLineWith(ReportLine::BuildLibrary, run.filePath);
        }
        if (const Status status = compiler::Compile(run.filePath, settings, &state.program);
            status != Status::Success)
            return CompileFailure(status);
        if (run.runMode == RunMode::BuildProgram) return WriteOutput(state, settings, FileKind::Program);
        if (run.runMode == RunMode::BuildLibrary) return WriteOutput(state, settings, FileKind::Library);
        ChooseRandomSeed(run);
        return runtime::RunProgram(*state.program, settings, &state.leftBehind);
    }
    case RunMode::RunProgram:
        if (const int code = LoadProgramFile(state, settings); code != kExitSuccess) return code;
        ChooseRandomSeed(run);
        return runtime::RunProgram(*state.program, settings, &state.leftBehind);
    case RunMode::Nothing: break;
    }
    return kExitSuccess;
}

// The last lines of every run that got past the main configuration file.
int Finish(int code, RunState& state, Settings& settings, uint32_t startCount) {
    if (code == kExitSuccess && state.leftBehind > 0)
        PrintReportLine(ReportLine::MemoryLost, state.leftBehind);
    if (code != kExitSuccess && state.leftBehind != 0)
        PrintReportLine(ReportLine::MemoryCountError, state.leftBehind);
    compiler::FreeCompilation(state.program);
    settings.nodes = nullptr;
    const uint32_t endCount = MemLiveCount();
    if (code != kExitSuccess) PrintReportLine(ReportLine::ProgramFailed, code, ExitCodeName(code));
    if (endCount != startCount) {
        PrintReportLine(code == kExitSuccess ? ReportLine::MemoryLostWhole : ReportLine::MemoryLostWholeProcess,
                        startCount, endCount);
        MemDump(kLeakDumpPath);  // a dump that cannot be written is skipped
    } else {
        PrintReportLine(ReportLine::AllMemoryFreed);
    }
    std::fflush(stdout);
    return code;
}

}  // namespace

int RunVorlan(int count, const char16_t* const* args) {
    compiler::SetEmbedding(library::SystemEmbedding());
    const uint32_t startCount = MemLiveCount();
    Settings& settings = GlobalSettings();
    RunState state;
    if (!LoadMainConfiguration(settings)) return Finish(kExitMainIni, state, settings, startCount);
    CopyRunSettings(settings);
    if (!ReadCommandLine(count, args, settings)) return Finish(kExitCommandLine, state, settings, startCount);
    if (settings.run.runMode == RunMode::Nothing) {
        settings.nodes = nullptr;
        std::fflush(stdout);
        return kExitSuccess;
    }
    if (!BuildOutputPath(settings)) return Finish(kExitCommandLine, state, settings, startCount);
    if (!OutputPlaceWritable(settings)) {
        PrintReportLineWith(ReportLine::CouldNotWrite, settings.run.outputPath);
        return Finish(kExitFileWrite, state, settings, startCount);
    }
    return Finish(DoRunMode(state, settings), state, settings, startCount);
}

}  // namespace vorlan
