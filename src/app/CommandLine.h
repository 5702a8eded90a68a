#pragma once
// The command line: options, the file named, and the program's own arguments.
//
//   vorlan [options] file [program arguments]

#include <cstdio>

namespace vorlan {

struct Settings;

constexpr const char* kVersion = "0.06";

// Applies the options to the run settings, classifies the file and binds the
// language tables. Reports its own errors; false means exit code 1.
// `args` holds `count` entries followed by a null entry; args[0] is the
// executable.
bool ReadCommandLine(int count, const char16_t* const* args, Settings& settings);

// Builds the run settings' output path from the output directory, the file
// name and the run mode. False (after a report) when it does not fit.
bool BuildOutputPath(Settings& settings);

// The usage text: the options one line each, the exit codes, an example.
void PrintUsage(FILE* out);

}  // namespace vorlan
