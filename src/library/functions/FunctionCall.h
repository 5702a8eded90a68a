#pragma once
// What every built-in function handler does with its call: reading arguments
// from the parameter block and recording the two forms of failure report.
// Each report method records the error and returns the status to hand back;
// asked to report Success it records nothing and returns Success, so a
// reader's status can be handed straight to ArgumentError.

#include "base/Status.h"
#include "interp/ErrorDetail.h"
#include "interp/RunContext.h"
#include "value/Value.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace vorlan::compiler {
struct DataItem;
struct TypeDescriptor;
}

namespace vorlan::library {

class FunctionCall {
public:
    // Reports carry the name of the function being run (the context's built-in).
    FunctionCall(void* context, void* parameters)
        : run_(*static_cast<runtime::RunContext*>(context)), frame_(static_cast<const uint8_t*>(parameters)) {}

    // An argument at fault, named by its parameter; the report's detail is
    // the parameter's name and the argument's value.
    Status ArgumentError(const char16_t* parameter, Status status);
    // The same for a report whose name for the argument is not its
    // parameter's own (AddHours reports its amount as "diff"): the detail
    // shows the parameter at `offset`.
    Status ArgumentErrorAt(const char16_t* reportedName, uint32_t offset, Status status);
    // The function as a whole failed; "System Routine Failed" or no text.
    // When one argument is to blame, `culprit` names its parameter and the
    // detail shows it as ArgumentError's does.
    Status ResultError(Status status, bool systemRoutineFailed, const char16_t* culprit = nullptr);

    // The text block of a Text argument, or nullptr for Null; also the
    // address a by-reference argument holds.
    const void* Text(uint32_t offset) const;
    // A Number argument as it stands.
    runtime::Number Number(uint32_t offset) const;

    // The cell a by-reference argument refers to, or nullptr.
    const void* Reference(uint32_t offset) const;
    // The type a hidden `_datatype` argument stands for.
    const compiler::TypeDescriptor* TypeArgument(uint32_t offset) const;
    // A Text argument's characters in place; no value for Null Text.
    std::optional<std::u16string_view> TextView(uint32_t offset) const;

    // Stores a computed value as a real into a Number result cell; a value
    // single precision cannot hold (beyond its range, or no number at all)
    // is Overflow on the function.
    Status SetRealResult(double value, void* result);

    // Puts a new text block (or nullptr, Null Text) into a Text result cell,
    // freeing the block the cell held.
    static void SetTextResult(void* result, void* block);

    // Argument readers: each converts the argument at `offset` as every
    // built-in function converts its arguments and returns the status of the
    // conversion, leaving the report to the caller, which names the argument.
    // Whole number: Null is UsingNull; a real rounds to the nearest whole
    // number, halves away from zero; a magnitude beyond 1073741823 is Overflow.
    Status ReadWhole(uint32_t offset, int32_t* out) const;
    // Real, in single precision: Null is UsingNull.
    Status ReadReal(uint32_t offset, float* out) const;
    // Time, as its date part and time-of-day part: the Null Time is UsingNull
    // and both parts Null. The date part alone may be Null (a time of day).
    Status ReadTime(uint32_t offset, runtime::Number* date, runtime::Number* timeOfDay) const;
    // Logical, as a truth: Null is UsingNull, a word that is neither False nor
    // True Invalid.
    Status ReadTruth(uint32_t offset, bool* out) const;

    // Puts the item of the system enumeration `enumCode` with `value` into
    // an enumeration cell (Null when there is none).
    void SetEnum(void* cell, uint32_t offset, uint16_t enumCode, int32_t value) const;

    // Enumeration: the value of the item the argument refers to; an empty
    // cell is UsingNull.
    Status ReadEnum(uint32_t offset, int32_t* out) const;

private:
    // The parameter of the built-in being run with that name, or at that
    // offset in the parameter block; nullptr when there is none.
    const compiler::DataItem* ParameterNamed(const char16_t* name) const;
    const compiler::DataItem* ParameterAt(uint32_t offset) const;
    // Records the error with `param` as its parameter text and, when the
    // culprit's value has a short written form, "name value" as its detail.
    Status Report(Status status, const char16_t* param, const compiler::DataItem* culprit);

    runtime::RunContext& run_;
    const uint8_t* frame_;

public:
    // The function as a whole failed, the report naming `what` (a file at
    // fault) or nothing.
    Status ResultErrorNaming(Status status, const char16_t* what);
    // Releases the array a result cell holds and leaves it Null.
    static void ClearArrayResult(void* result, const compiler::TypeDescriptor* arrayType);
    // The running program, for functions that compile or evaluate in it.
    runtime::RunContext& Run() const { return run_; }
};

}  // namespace vorlan::library
