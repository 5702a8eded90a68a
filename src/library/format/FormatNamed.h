#pragma once
// Logicals and enumeration constants as text. Their formats begin with N,
// the value as a decimal number (0 or 1 for a Logical), or T, the value's
// word followed by word modifiers (see FormatWords.h); no format means T.

#include "base/LanguageTables.h"
#include "base/Status.h"
#include "library/format/FormatTemplate.h"
#include "value/Value.h"

#include <cstdint>
#include <string_view>

namespace vorlan::library {

// The truth word comes from the language tables in the form asked for.
Status FormatLogical(runtime::Logical value, const FormatText& format, const LanguageTables& words, void** block);

// An enumeration constant: its value and its word (its declared text, or
// else its name). A word has one form, whatever the format asks.
struct EnumConstant {
    int32_t value;
    std::u16string_view word;
};

// `constant` is nullptr for Null.
Status FormatEnumeration(const EnumConstant* constant, const FormatText& format, void** block);

}  // namespace vorlan::library
