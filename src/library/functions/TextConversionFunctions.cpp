// The built-in functions between texts and numbers: a text's length, one
// character and its code, and a number read from a text.

#include "library/functions/BuiltinFunctions.h"
#include "library/functions/FunctionCall.h"
#include "value/NumberText.h"

#include "value/Number.h"
#include "value/Text.h"

#include <algorithm>

namespace vorlan::library {

namespace {

constexpr uint32_t kOnlyArgument = 0;
// ToNumber reads no more than this; a longer text is no number it could read.
constexpr size_t kNumberTextMax = 30;

void SetWhole(void* result, int32_t value) { runtime::StoreCell(result, runtime::MakeIntegerUnchecked(value)); }

}  // namespace

Status Len(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    runtime::StoreCell(result, runtime::kNullNumber);
    const auto text = call.TextView(kOnlyArgument);
    if (!text) return call.ArgumentError(u"text", Status::UsingNull);
    SetWhole(result, static_cast<int32_t>(text->size()));
    return Status::Success;
}

// A text of the one character with that code; 0 would end a text early, so
// codes run from 1.
Status Char(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    FunctionCall::SetTextResult(result, nullptr);
    int32_t code = 0;
    VL_PROPAGATE(call.ArgumentError(u"code", call.ReadWhole(kOnlyArgument, &code)));
    if (code < 1 || code > 0xFFFF) return call.ArgumentError(u"code", Status::OutOfRange);
    const auto character = static_cast<char16_t>(code);
    void* block = nullptr;
    if (runtime::MakeText(&character, 1, &block) != Status::Success)
        return call.ResultError(Status::OutOfMemory, true);
    FunctionCall::SetTextResult(result, block);
    return Status::Success;
}

// The code of the first character; an empty text has none to give.
Status CharCode(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    runtime::StoreCell(result, runtime::kNullNumber);
    const auto text = call.TextView(kOnlyArgument);
    if (!text || text->empty()) return call.ArgumentError(u"char", Status::UsingNull);
    SetWhole(result, static_cast<int32_t>(text->front()));
    return Status::Success;
}

// A comma serves as the decimal mark as well as a full stop: "1,5" is 1.5.
Status ToNumber(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    runtime::StoreCell(result, runtime::kNullNumber);
    const auto text = call.TextView(kOnlyArgument);
    if (!text) return call.ArgumentError(u"text", Status::UsingNull);
    if (text->size() > kNumberTextMax) return call.ArgumentError(u"text", Status::BadParam);
    char16_t copy[kNumberTextMax];
    std::replace_copy(text->begin(), text->end(), copy, u',', u'.');
    runtime::Number value = runtime::kNullNumber;
    VL_PROPAGATE(call.ResultError(ReadNumberText({copy, text->size()}, u'.', &value), false, u"text"));
    runtime::StoreCell(result, value);
    return Status::Success;
}

}  // namespace vorlan::library
