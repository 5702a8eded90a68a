#include "library/format/FormatField.h"

#include "value/Text.h"

#include <algorithm>
#include <cstdio>

namespace vorlan::library {

Status MakeFieldText(std::u16string_view chars, size_t width, bool right, void** block) {
    const size_t length = std::max(width, chars.size());
    VL_PROPAGATE(runtime::MakeBlankText(length, block));
    char16_t* field = runtime::TextChars(*block);
    std::copy(chars.begin(), chars.end(), field + (right ? length - chars.size() : 0));
    return Status::Success;
}

Status MakeNullText(size_t width, bool right, void** block) { return MakeFieldText(u"Null", width, right, block); }

Status MakeDecimalText(int32_t value, void** block) {
    char digits[16];
    const int count = std::snprintf(digits, sizeof digits, "%d", value);
    char16_t wide[16];
    std::copy(digits, digits + count, wide);
    return MakeFieldText({wide, static_cast<size_t>(count)}, 0, false, block);
}

}  // namespace vorlan::library
