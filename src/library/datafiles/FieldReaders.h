#pragma once
// Readers that turn the text of one data-file field into a value of the
// field's type. Each reads the whole text it is given and fails with Invalid
// when the text is not a value of that type.

#include "base/LanguageTables.h"
#include "base/Status.h"
#include "library/datafiles/DataFormat.h"
#include "value/Value.h"

#include <cstddef>

namespace vorlan::library {

// The False or True words of the four forms, "0" or "1", in any letter case.
Status ReadTruthText(const char16_t* text, size_t count, const LanguageTables& words, runtime::Logical* out);
// A constant of the enumeration by its display text, its value or its name.
Status ReadEnumText(const char16_t* text, size_t count, const compiler::TypeDescriptor& type,
                    const compiler::DataItem** out);
// A Time as the template lays it out.
Status ReadTimeText(const char16_t* text, size_t count, const TimeTemplate& layout, const LanguageTables& words,
                    runtime::Time* out);

}  // namespace vorlan::library
