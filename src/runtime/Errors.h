#pragma once
// The runtime error recorder. An error is recorded once, where it happens, in
// the Status record at the start of the module data; every enclosing
// operation returns the propagation status unchanged.

#include "driver/Status.h"
#include "driver/TextReader.h"
#include "runtime/RunContext.h"

namespace vorlan::runtime {

// Records an error of category `code` (21..27, 30, or 13) with a message and
// an optional parameter text; returns Propagating (29), NoPosition (31) when
// `at` is nullptr, MultiReport (30) for a nested error, or the code itself
// for 13. Statuses 1, 29 and 30 come back unchanged; 31 gets the position
// attached when one is given.
Status RecordError(RunContext& context, bool userGenerated, const ReportPosition* at, Status code,
                   const char* message, const char16_t* parameter = nullptr);
// The same with a wide message (the Error statement's text).
Status RecordUserError(RunContext& context, const ReportPosition* at, Status code, const char16_t* message);
// Resets the Status record (an OnError handler completed).
void ClearError(RunContext& context);
bool ErrorPending(const RunContext& context);

}  // namespace vorlan::runtime
