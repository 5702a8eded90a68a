#include "value/NumberText.h"

#include "value/Number.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace vorlan::library {
namespace {

// A real literal is at most this long; the whole-number form is shorter
// than kRealFrom characters, so it always fits an integer Number.
constexpr size_t kMaxLiteral = 30;
constexpr size_t kRealFrom = 10;

constexpr bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

Status Fail(runtime::Number* out) {
    *out = runtime::kNullNumber;
    return Status::Invalid;
}

// A sign, then digits to the end. A sign anywhere else, or a second one,
// would otherwise end the reading early and leave the rest unread: "12-3" is
// not 12, and "+5" is 5, not 0.
Status ReadWholeText(std::u16string_view text, runtime::Number* out) {
    size_t i = 0;
    const bool negative = text[0] == u'-';
    if (text[0] == u'-' || text[0] == u'+') i = 1;
    if (i == text.size()) return Fail(out);
    int32_t value = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return Fail(out);
        value = value * 10 + (text[i] - u'0');  // at most 9 digits: no overflow
    }
    *out = runtime::MakeIntegerUnchecked(negative ? -value : value);
    return Status::Success;
}

// strtof must take every character: "1.5-3" is no number.
Status ReadRealText(const char* narrow, runtime::Number* out) {
    char* end = nullptr;
    errno = 0;
    const float value = std::strtof(narrow, &end);
    if (errno != 0 || !end || *end != 0 || !std::isfinite(value)) return Fail(out);
    *out = runtime::MakeRealUnchecked(value);
    return Status::Success;
}

}  // namespace

Status ReadNumberText(std::u16string_view text, char16_t decimalMark, runtime::Number* out) {
    if (text.empty() || text.size() > kMaxLiteral) return Fail(out);
    char narrow[kMaxLiteral + 1];
    bool digit = false, real = text.size() >= kRealFrom;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == decimalMark) {
            narrow[i] = '.';
            real = true;
        } else if (c == u'e') {
            narrow[i] = 'e';
            real = true;
        } else if (IsDigit(c) || c == u'+' || c == u'-') {
            narrow[i] = static_cast<char>(c);
            digit = digit || IsDigit(c);
        } else {
            return Fail(out);
        }
    }
    if (!digit) return Fail(out);
    narrow[text.size()] = 0;
    return real ? ReadRealText(narrow, out) : ReadWholeText(text, out);
}

}  // namespace vorlan::library
