#pragma once
// Whether standard output holds the start of a line that an Output statement
// has not ended yet: an error can cut a line short, and every report and
// every handler's output must still start on a line of its own.

namespace vorlan::runtime {

// Ends a line an error cut short; nothing when no line is open.
void EndCutOutputLine();

}  // namespace vorlan::runtime
