// The built-in function Format: a Logical, Number, Time or enumeration value
// as text, by the formatter its type calls for.

#include "library/functions/BuiltinFunctions.h"
#include "library/functions/FunctionCall.h"

#include "compiler/Identifiers.h"
#include "value/Types.h"
#include "base/Settings.h"
#include "library/format/FormatNamed.h"
#include "library/format/FormatNumber.h"
#include "library/format/FormatTime.h"
#include "value/Text.h"

namespace vorlan::library {
namespace {

constexpr uint32_t kDatatypeOffset = 0;  // the value's type, settled when the call was compiled
constexpr uint32_t kValueOffset = 8;     // a reference to the value
constexpr uint32_t kFormatOffset = 16;

Status FormatConstant(const void* cell, const FormatText& format, void** block) {
    const auto* item = runtime::LoadHandle<const compiler::DataItem>(cell);
    if (!item) return FormatEnumeration(nullptr, format, block);
    EnumConstant constant{item->enumValue, {}};
    if (item->enumText)
        constant.word = {runtime::TextChars(item->enumText), runtime::TextCount(item->enumText)};
    else if (item->entry)
        constant.word = item->entry->name;
    return FormatEnumeration(&constant, format, block);
}

}  // namespace

Status Format(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    FunctionCall::SetTextResult(result, nullptr);
    const compiler::TypeDescriptor* type = call.TypeArgument(kDatatypeOffset);
    const void* cell = call.Reference(kValueOffset);
    if (!type || !cell) return call.ArgumentError(u"value", Status::BadParam);
    const FormatText format = call.TextView(kFormatOffset);
    const LanguageTables& words = GlobalSettings().languages;

    Status status;
    void* block = nullptr;
    if (type->kind == compiler::TypeKind::Enumeration) {
        status = FormatConstant(cell, format, &block);
    } else if (type->kind != compiler::TypeKind::Base) {
        return call.ArgumentError(u"value", Status::BadParam);
    } else {
        switch (type->valueClass) {
        case compiler::kValueClassLogical:
            status = FormatLogical(runtime::LoadCell<runtime::Logical>(cell), format, words, &block);
            break;
        case compiler::kValueClassNumber:
            status = FormatNumber(runtime::LoadCell<runtime::Number>(cell), format, &block);
            break;
        case compiler::kValueClassTime:
            status = FormatTime(runtime::LoadCell<runtime::Time>(cell), format, words, &block);
            break;
        default: return call.ArgumentError(u"value", Status::BadParam);  // a Text has no formatter
        }
    }
    if (status != Status::Success) return call.ResultError(Status::Invalid, true);
    FunctionCall::SetTextResult(result, block);
    return Status::Success;
}

}  // namespace vorlan::library
