#include "library/functions/FunctionCall.h"

#include "compiler/Declarations.h"
#include "base/WideText.h"
#include "value/Arrays.h"
#include "interp/Errors.h"
#include "value/Text.h"
#include "value/Number.h"
#include "value/Value.h"

#include <cmath>

namespace vorlan::library {

// Arguments are found through the signature of the built-in being run, so
// every handler's report shows the value at fault without each handler
// saying where its arguments lie or how they are written.
const compiler::DataItem* FunctionCall::ParameterNamed(const char16_t* name) const {
    const compiler::Routine* routine = run_.builtin;
    if (!name || !routine || !routine->type) return nullptr;
    for (const compiler::DataItem* item = routine->type->fields.first; item; item = item->next) {
        if (item->entry && WideEqual(item->entry->name, name)) return item;
    }
    return nullptr;
}

const compiler::DataItem* FunctionCall::ParameterAt(uint32_t offset) const {
    const compiler::Routine* routine = run_.builtin;
    if (!routine || !routine->type) return nullptr;
    for (const compiler::DataItem* item = routine->type->fields.first; item; item = item->next) {
        if (item->offset == offset) return item;
    }
    return nullptr;
}

Status FunctionCall::Report(Status status, const char16_t* param, const compiler::DataItem* culprit) {
    runtime::ErrorDetail detail;
    if (culprit && culprit->entry && culprit->type) {
        const uint8_t* cell = frame_ + culprit->offset;
        if (culprit->flags & compiler::kDataRef) cell = runtime::LoadHandle<const uint8_t>(cell);
        detail.Add(culprit->entry->name).Add(" ");
        if (!cell || !detail.AddValue(*culprit->type, cell)) detail = runtime::ErrorDetail{};
    }
    return runtime::RecordRoutineError(run_, status, param, &detail);
}

// Success returns before the recorder, which would build the message text
// first: handlers pass every reader's status through here.
Status FunctionCall::ArgumentError(const char16_t* parameter, Status status) {
    if (status == Status::Success) return status;
    return Report(status, parameter, ParameterNamed(parameter));
}

Status FunctionCall::ArgumentErrorAt(const char16_t* reportedName, uint32_t offset, Status status) {
    if (status == Status::Success) return status;
    return Report(status, reportedName, ParameterAt(offset));
}

Status FunctionCall::ResultError(Status status, bool systemRoutineFailed, const char16_t* culprit) {
    if (status == Status::Success) return status;
    return Report(status, systemRoutineFailed ? RunNoteText(RunNote::SystemRoutineFailed) : nullptr, ParameterNamed(culprit));
}

Status FunctionCall::SetRealResult(double value, void* result) {
    const auto single = static_cast<float>(value);
    if (!std::isfinite(single)) return ResultError(Status::Overflow, false);
    runtime::Number word = runtime::kNullNumber;
    VL_PROPAGATE(ResultError(runtime::MakeReal(single, &word), false));
    runtime::StoreCell(result, word);
    return Status::Success;
}

const void* FunctionCall::Text(uint32_t offset) const { return runtime::LoadHandle<const void>(frame_ + offset); }

runtime::Number FunctionCall::Number(uint32_t offset) const {
    return runtime::LoadCell<runtime::Number>(frame_ + offset);
}

const void* FunctionCall::Reference(uint32_t offset) const { return runtime::LoadHandle<const void>(frame_ + offset); }

const compiler::TypeDescriptor* FunctionCall::TypeArgument(uint32_t offset) const {
    return runtime::LoadHandle<const compiler::TypeDescriptor>(frame_ + offset);
}

std::optional<std::u16string_view> FunctionCall::TextView(uint32_t offset) const {
    const void* block = Text(offset);
    if (!block) return std::nullopt;
    return std::u16string_view(runtime::TextChars(block), runtime::TextCount(block));
}

void FunctionCall::SetTextResult(void* result, void* block) { runtime::ReplaceText(result, block); }

Status FunctionCall::ReadWhole(uint32_t offset, int32_t* out) const { return runtime::ReadInteger(Number(offset), out); }

Status FunctionCall::ReadReal(uint32_t offset, float* out) const { return runtime::ReadReal(Number(offset), out); }

Status FunctionCall::ReadTime(uint32_t offset, runtime::Number* date, runtime::Number* timeOfDay) const {
    return runtime::SplitTime(runtime::LoadCell<runtime::Time>(frame_ + offset), date, timeOfDay);
}

Status FunctionCall::ReadTruth(uint32_t offset, bool* out) const {
    const auto word = runtime::LoadCell<runtime::Logical>(frame_ + offset);
    *out = word == runtime::kTrue;
    if (word == runtime::kNullLogical) return Status::UsingNull;
    return word == runtime::kFalse || word == runtime::kTrue ? Status::Success : Status::Invalid;
}

void FunctionCall::SetEnum(void* cell, uint32_t offset, uint16_t enumCode, int32_t value) const {
    const compiler::TypeDescriptor* type = run_.program ? compiler::FindSystemType(*run_.program, enumCode) : nullptr;
    const compiler::DataItem* found = nullptr;
    for (const compiler::DataItem* item = type ? type->fields.first : nullptr; item && !found; item = item->next) {
        if (item->enumValue == value) found = item;
    }
    runtime::StoreHandle(static_cast<uint8_t*>(cell) + offset, found);
}

Status FunctionCall::ReadEnum(uint32_t offset, int32_t* out) const {
    const auto* item = runtime::LoadHandle<const compiler::DataItem>(frame_ + offset);
    *out = item ? item->enumValue : 0;
    return item ? Status::Success : Status::UsingNull;
}

Status FunctionCall::ResultErrorNaming(Status status, const char16_t* what) {
    if (status == Status::Success) return status;
    return Report(status, what, nullptr);
}

void FunctionCall::ClearArrayResult(void* result, const compiler::TypeDescriptor* arrayType) {
    if (arrayType && arrayType->kind == compiler::TypeKind::Array && arrayType->baseType)
        runtime::FreeArray(result, *arrayType->baseType);
    else
        runtime::StoreHandle(result, nullptr);
}

}  // namespace vorlan::library
