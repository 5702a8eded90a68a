#pragma once
// The runtime error recorder. An error is recorded once, where it happens, in
// the Status record at the start of the module data; every enclosing
// operation returns the propagation status unchanged.

#include "base/RunMessages.h"
#include "base/Status.h"
#include "base/TextReader.h"
#include "interp/ErrorDetail.h"
#include "interp/RunContext.h"

namespace vorlan::runtime {

// Records an error of category `code` (21..27, 30, or 13) with a catalogued
// message and an optional parameter text; returns Propagating (29), NoPosition (31) when
// `at` is nullptr, MultiReport (30) for a nested error, or the code itself
// for 13. Statuses 1, 29 and 30 come back unchanged; 31 gets the position
// attached when one is given. A `detail` goes beside the record when the
// record is filled (a nested error's is dropped with the rest of it).
Status RecordError(RunContext& context, bool userGenerated, const ReportPosition* at, Status code,
                   RunMsg message, const char16_t* parameter = nullptr, const ErrorDetail* detail = nullptr);
// The same for the built-in routine being run (context.builtin) that failed:
// its report's message is the routine's own name as the system module
// registers it, and the position comes later from the call.
Status RecordRoutineError(RunContext& context, Status code, const char16_t* parameter = nullptr,
                          const ErrorDetail* detail = nullptr);
// The same with a wide message (the Error statement's text); it has no detail.
Status RecordUserError(RunContext& context, const ReportPosition* at, Status code, const char16_t* message);
// Resets the Status record and its detail (an OnError handler completed).
void ClearError(RunContext& context);
bool ErrorPending(const RunContext& context);
// The pending error's detail, or nullptr.
const char16_t* PendingErrorDetail(const RunContext& context);

}  // namespace vorlan::runtime
