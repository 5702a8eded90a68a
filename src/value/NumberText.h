#pragma once
// Reading a Number from a short text, as data files hold them and as ToNumber
// takes them: digits with an optional sign, a decimal mark and an exponent.

#include "base/Status.h"
#include "value/Value.h"

#include <string_view>

namespace vorlan::library {

// Only digits, `+`, `-`, a small `e` and `decimalMark` may appear, and at
// least one digit. A text of 10 or more characters, or one with the mark or
// an `e`, is a real read as a real literal is; a shorter one a whole number.
// Anything that does not read in full is Invalid, and *out is then Null.
Status ReadNumberText(std::u16string_view text, char16_t decimalMark, runtime::Number* out);

}  // namespace vorlan::library
