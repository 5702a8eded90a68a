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

// The name of an exit code, or "" for one outside the table.
const char* ExitCodeName(int code);

}  // namespace vorlan
