#include "app/ExitCodes.h"

#include <array>
#include <cstddef>

namespace vorlan {
namespace {

struct ExitCodeRow {
    int code;
    const char* name;
};

// clang-format off
constexpr std::array<ExitCodeRow, 13> kExitCodes = {{
    {kExitSuccess,          ""},
    {kExitCommandLine,      "Command line error"},
    {kExitProgramParameter, "Program parameter error"},
    {kExitCompilation,      "Compilation error"},
    {kExitLibraryLoad,      "Library load error"},
    {kExitUntrappedSystem,  "Untrapped system error"},
    {kExitUntrappedProgram, "Untrapped program error"},
    {kExitNestedErrors,     "Nested runtime errors"},
    {kExitFileWrite,        "Graphics file write error"},
    {kExitInternal,         "Internal error"},
    {kExitNoEntry,          "No Program entry"},
    {kExitSetUp,            "Error setting up program"},
    {kExitMainIni,          "Error in main ini file"},
}};
// clang-format on

constexpr bool InOrder() {
    for (std::size_t i = 0; i < kExitCodes.size(); ++i) {
        if (kExitCodes[i].code != static_cast<int>(i)) return false;
    }
    return true;
}
static_assert(InOrder(), "exit code rows follow their codes");

}  // namespace

const char* ExitCodeName(int code) {
    return (code >= 0 && code < static_cast<int>(kExitCodes.size())) ? kExitCodes[code].name : "";
}

}  // namespace vorlan
