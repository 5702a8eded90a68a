#pragma once
// Numbers as text, by a number format (see FormatTemplate.h).

#include "base/Status.h"
#include "library/format/FormatTemplate.h"
#include "value/Value.h"

namespace vorlan::library {

// The value as text in a new block. Invalid for a format that does not read,
// and the integer form's conversion status for a real too large for it.
Status FormatNumber(runtime::Number value, const FormatText& format, void** block);

}  // namespace vorlan::library
