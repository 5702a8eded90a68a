#pragma once
// Process exit codes and the names printed for them.

namespace vorlan {

enum ExitCode : int {
    kExitSuccess = 0,
    kExitCommandLine = 1,
    kExitProgramParameter = 2,
    kExitCompilation = 3,
    kExitLibraryLoad = 4,
    kExitUntrappedSystem = 5,
    kExitUntrappedProgram = 6,
    kExitNestedErrors = 7,
    kExitFileWrite = 8,
    kExitInternal = 9,
    kExitNoEntry = 10,
    kExitSetUp = 11,
    kExitMainIni = 12,
};

// The codes a run can end with, for the usage text (4 and 7 are named but
// never given: a library that fails to load and a nested error end as 3 and 5).
constexpr int kExitCodesInUse[] = {kExitSuccess, kExitCommandLine, kExitProgramParameter, kExitCompilation,
                                   kExitUntrappedSystem, kExitUntrappedProgram, kExitFileWrite, kExitInternal,
                                   kExitNoEntry, kExitSetUp, kExitMainIni};

// The name of an exit code, or "" for one outside the table.
const char* ExitCodeName(int code);

}  // namespace vorlan
