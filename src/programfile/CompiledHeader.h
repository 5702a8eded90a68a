#pragma once
// The header that opens both compiled file kinds: the magic text ("VRX" or
// "VRL" with its terminator, four 16-bit code units), the file kind and the
// format version.

#include "base/Status.h"

#include <cstdint>

namespace vorlan::library {

class CompiledReader;
class CompiledWriter;

enum class CompiledKind : uint16_t {
    Program = 1,
    Library = 2,
};

// Raised whenever the system module changes, since compiled files refer to
// its routines and types by number: 2 added the random, range and colour
// functions.
constexpr uint16_t kCompiledVersion = 2;

Status WriteCompiledHeader(CompiledWriter& writer, CompiledKind kind);
// Fails when the magic or the kind is not that of `expected`; a version other
// than ours prints the version error line on standard output and fails.
Status ReadCompiledHeader(CompiledReader& reader, CompiledKind expected);
// Prints the version error line: the file was made by another Vorlan.
void ReportOtherVersion();

}  // namespace vorlan::library
