#pragma once
// Status codes shared by every part of the system.
//
// Every value, evaluation and execution operation returns a Status. The
// runtime error categories (21..27) are also the items of the system
// enumeration EReportCat, so their numbers are fixed.

#include <cstdint>

namespace vorlan {

enum class [[nodiscard]] Status : uint16_t {
    Success = 1,
    InternalFailure = 13,
    BadParam = 21,
    OutOfRange = 22,
    UsingNull = 23,
    Invalid = 24,
    Overflow = 25,
    DivByZero = 26,
    OutOfMemory = 27,
    Refused = 28,      // a drawing operation that cannot do what it was asked (no report category)
    Propagating = 29,  // an error is recorded and travelling outwards
    MultiReport = 30,  // a fatal nested error
    NoPosition = 31,   // an error recorded without its source position
};

// Statements return these besides the Status values above.
enum class [[nodiscard]] ExecStatus : uint16_t {
    Success = 1,
    Return = 3,
    FBreak = 4,
    WBreak = 5,
    OBreak = 6,
    FailedHandler = 11,
};

#define VL_PROPAGATE(expr)                                                            \
    do {                                                                              \
        if (const ::vorlan::Status status_ = (expr); status_ != ::vorlan::Status::Success) \
            return status_;                                                           \
    } while (false)

}  // namespace vorlan
