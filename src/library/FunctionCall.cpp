#include "library/FunctionCall.h"

#include "compiler/Declarations.h"
#include "runtime/Errors.h"
#include "runtime/Text.h"
#include "runtime/Value.h"

namespace vorlan::library {

Status FunctionCall::ArgumentError(const char16_t* parameter, Status status) {
    return runtime::RecordError(run_, false, nullptr, status, name_, parameter);
}

Status FunctionCall::ResultError(Status status, bool systemRoutineFailed) {
    return runtime::RecordError(run_, false, nullptr, status, name_,
                                systemRoutineFailed ? u"System Routine Failed" : nullptr);
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

void FunctionCall::SetTextResult(void* result, void* block) {
    void* old = runtime::LoadHandle<void>(result);
    runtime::FreeText(old);
    runtime::StoreHandle(result, block);
}

void FunctionCall::SetEnum(void* cell, uint32_t offset, uint16_t enumCode, int32_t value) const {
    const compiler::TypeDescriptor* type = run_.program ? compiler::FindSystemType(*run_.program, enumCode) : nullptr;
    const compiler::DataItem* found = nullptr;
    for (const compiler::DataItem* item = type ? type->fields.first : nullptr; item && !found; item = item->next) {
        if (item->enumValue == value) found = item;
    }
    runtime::StoreHandle(static_cast<uint8_t*>(cell) + offset, found);
}

}  // namespace vorlan::library
