#pragma once
// The detail of a runtime error: what the failing operation knew about the
// value at fault ("index 4 outside 1..3", "10 // 0", "month 13"), shown on
// the untrapped report's Detail line. The Status record that a program's
// handlers read has a fixed layout with no room for it, so the recorder keeps
// it beside the record: the operation fills an ErrorDetail on its stack and
// hands it to RecordError, which copies it into the run's ErrorDetailSlot.

#include "base/Owned.h"
#include "value/Types.h"
#include "value/Value.h"

#include <cstddef>
#include <cstdint>

namespace vorlan::runtime {

constexpr uint32_t kTagErrorDetail = 22012;

class ErrorDetail {
public:
    ErrorDetail() { text_[0] = 0; }

    // A detail longer than this is cut, and ends in "...".
    static constexpr size_t kMaxLength = 160;

    ErrorDetail& Add(const char* ascii);
    ErrorDetail& Add(const char16_t* text);
    ErrorDetail& AddWhole(int64_t value);
    // As the Output statement writes it: 10, 2.500000, Null.
    ErrorDetail& AddNumber(Number value);
    // "10 // 0": an operation on Numbers with the operands it was given.
    ErrorDetail& AddOperation(Number left, const char* symbol, Number right);
    // A Logical, Number, Text, Time or enumeration value, or a Null array, as
    // the Output statement writes it. Any other value has no short form:
    // nothing is added and the answer is false.
    bool AddValue(const compiler::TypeDescriptor& type, const void* cell);

    const char16_t* Chars() const { return text_; }
    bool Empty() const { return length_ == 0; }

private:
    void Append(const char16_t* text, size_t count);
    void Cut();
    template <class Writer>
    bool AddWritten(Writer write);

    // Only what Append wrote is ever read, so the buffer is not cleared: a
    // detail is declared on paths that run for every statement.
    char16_t text_[kMaxLength + 1];
    size_t length_ = 0;
    bool cut_ = false;
};

// The pending error's detail, owned by the run: replaced whenever the Status
// record is filled, emptied whenever it is cleared, freed with the run.
class ErrorDetailSlot {
public:
    // Holds a copy of `detail` in place of what it held; nullptr or an empty
    // detail leaves it empty. A copy that cannot be allocated is dropped:
    // the error it belongs to matters more than its detail.
    void Replace(const ErrorDetail* detail);
    void Clear() { text_ = nullptr; }
    // nullptr when there is none.
    const char16_t* Text() const { return text_; }

private:
    OwnedBlock<char16_t> text_;
};

}  // namespace vorlan::runtime
