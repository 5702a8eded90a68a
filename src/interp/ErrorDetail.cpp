#include "interp/ErrorDetail.h"

#include "base/Memory.h"
#include "base/Utf8.h"
#include "interp/OutputForms.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace vorlan::runtime {

void ErrorDetail::Append(const char16_t* text, size_t count) {
    if (cut_) return;
    for (size_t i = 0; i < count; ++i) {
        if (length_ == kMaxLength) {
            Cut();
            return;
        }
        text_[length_++] = text[i];
    }
    text_[length_] = 0;
}

void ErrorDetail::Cut() {
    static constexpr char16_t kEllipsis[] = u"...";
    length_ = length_ > kMaxLength - 3 ? kMaxLength - 3 : length_;
    std::memcpy(text_ + length_, kEllipsis, sizeof kEllipsis);
    length_ += 3;
    cut_ = true;
}

ErrorDetail& ErrorDetail::Add(const char* ascii) {
    for (; ascii && *ascii && !cut_; ++ascii) {
        const char16_t c = static_cast<unsigned char>(*ascii);
        Append(&c, 1);
    }
    return *this;
}

ErrorDetail& ErrorDetail::Add(const char16_t* text) {
    size_t count = 0;
    while (text && text[count]) ++count;
    Append(text, count);
    return *this;
}

ErrorDetail& ErrorDetail::AddWhole(int64_t value) {
    char digits[24];
    std::snprintf(digits, sizeof digits, "%" PRId64, value);
    return Add(digits);
}

// The value goes through the Output statement's own writer, into a stream
// over a buffer on the stack, so a detail shows values exactly as Output
// does; what does not fit the buffer is cut.
template <class Writer>
bool ErrorDetail::AddWritten(Writer write) {
    char written[kMaxLength * 3 + 1] = {};
    FILE* stream = fmemopen(written, sizeof written - 1, "w");
    if (!stream) return false;
    const bool ok = write(stream);
    std::fclose(stream);
    if (!ok) return false;
    char16_t wide[kMaxLength + 1];
    const bool whole = Utf8ToWide(written, wide, kMaxLength) && std::strlen(written) < sizeof written - 1;
    Add(wide);
    if (!whole && !cut_) Cut();
    return true;
}

ErrorDetail& ErrorDetail::AddNumber(Number value) {
    AddWritten([value](FILE* stream) {
        WriteNumber(stream, value);
        return true;
    });
    return *this;
}

ErrorDetail& ErrorDetail::AddOperation(Number left, const char* symbol, Number right) {
    return AddNumber(left).Add(" ").Add(symbol).Add(" ").AddNumber(right);
}

bool ErrorDetail::AddValue(const compiler::TypeDescriptor& type, const void* cell) {
    const OutputForm form = FormOf(type);
    switch (form) {
    case OutputForm::Logical:
    case OutputForm::Number:
    case OutputForm::Text:
    case OutputForm::Time:
    case OutputForm::Enumeration: break;
    case OutputForm::Array:
        if (LoadHandle<const void>(cell)) return false;  // its elements would not fit a line
        break;
    default: return false;
    }
    return AddWritten([&](FILE* stream) { return WriteValue(stream, form, type, cell) == Status::Success; });
}

void ErrorDetailSlot::Replace(const ErrorDetail* detail) {
    Clear();
    if (!detail || detail->Empty()) return;
    size_t count = 0;
    while (detail->Chars()[count]) ++count;
    if (text_.Allocate(count + 1, kTagErrorDetail)) std::memcpy(text_, detail->Chars(), (count + 1) * sizeof(char16_t));
}

}  // namespace vorlan::runtime
