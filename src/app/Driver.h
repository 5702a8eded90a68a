#pragma once
// The entry point of a run: configuration, command line, the run mode's work,
// clean-up and the memory account.

namespace vorlan {

// `args` holds `count` wide arguments followed by a null entry. Returns the
// process exit code.
int RunVorlan(int count, const char16_t* const* args);

}  // namespace vorlan
