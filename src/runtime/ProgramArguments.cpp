#include "runtime/ProgramArguments.h"

#include "compiler/Identifiers.h"
#include "driver/Messages.h"
#include "driver/Utf8.h"
#include "driver/WideText.h"
#include "library/SystemTypeCodes.h"
#include "runtime/Arrays.h"
#include "runtime/Evaluate.h"
#include "runtime/Number.h"
#include "runtime/Text.h"
#include "runtime/ValueOps.h"

#include <cstdio>
#include <cstdlib>
#include <cmath>

namespace vorlan::runtime {
namespace {

using compiler::DataItem;
using compiler::TypeDescriptor;

constexpr int kMaxParameters = 256;

bool IsSystem(const TypeDescriptor* type, uint16_t code) { return type && type->systemDeclared && type->typeCode == code; }

// [+|-] digits [. digits] [(e|E) [+|-] digits]: a real with a point or an
// exponent, else a whole number below 1073741824.
bool ReadNumberArgument(const char16_t* text, Number* out) {
    const char16_t* c = text;
    bool negative = false;
    if (*c == u'+' || *c == u'-') negative = *c++ == u'-';
    char narrow[64];
    size_t n = 0;
    bool digits = false, real = false;
    auto take = [&](char16_t ch) {
        if (n + 1 >= sizeof narrow) return false;
        narrow[n++] = static_cast<char>(ch);
        return true;
    };
    for (; IsDecimalDigit(*c); ++c) digits = take(*c);
    if (*c == u'.') {
        real = take(*c++);
        for (; IsDecimalDigit(*c); ++c) digits = take(*c) || digits;
    }
    if (!digits) return false;
    if (*c == u'e' || *c == u'E') {
        real = take(u'e');
        ++c;
        if (*c == u'+' || *c == u'-') take(*c++);
        bool exponent = false;
        for (; IsDecimalDigit(*c); ++c) exponent = take(*c);
        if (!exponent) return false;
    }
    if (*c) return false;
    narrow[n] = 0;
    if (real) {
        const float value = std::strtof(narrow, nullptr);
        if (!std::isfinite(value)) return false;
        return MakeReal(negative ? -value : value, out) == Status::Success;
    }
    int64_t value = 0;
    for (size_t i = 0; i < n; ++i) {
        value = value * 10 + (narrow[i] - '0');
        if (value >= 1073741824) return false;
    }
    *out = MakeIntegerUnchecked(static_cast<int32_t>(negative ? -value : value));
    return true;
}

// Converts one argument into a cell of `type`.
bool Convert(const TypeDescriptor& type, const char16_t* text, uint8_t* cell) {
    if (IsSystem(&type, library::kLogical)) {
        if (WideEqual(text, u"TRUE")) StoreCell(cell, kTrue);
        else if (WideEqual(text, u"FALSE")) StoreCell(cell, kFalse);
        else return false;
        return true;
    }
    if (IsSystem(&type, library::kNumber)) {
        Number value = kNullNumber;
        if (!ReadNumberArgument(text, &value)) return false;
        StoreCell(cell, value);
        return true;
    }
    if (IsSystem(&type, library::kText)) {
        void* block = nullptr;
        if (MakeTextFromString(text, &block) != Status::Success) return false;
        void* old = LoadHandle<void>(cell);
        FreeText(old);
        StoreHandle(cell, block);
        return true;
    }
    if (type.kind == compiler::TypeKind::Enumeration) {
        for (const DataItem* item = type.fields.first; item; item = item->next) {
            if (WideEqual(item->entry->name, text)) {
                StoreHandle(cell, item);
                return true;
            }
        }
    }
    return false;
}

// The parameter an argument "-text" names: text must begin exactly one name.
const DataItem* NamedParameter(const TypeDescriptor& signature, const char16_t* text, int* index) {
    const DataItem* found = nullptr;
    int i = 0;
    for (const DataItem* parameter = signature.fields.first; parameter; parameter = parameter->next, ++i) {
        if (!WideIsPrefix(text, parameter->entry->name)) continue;
        if (found) return nullptr;
        found = parameter;
        *index = i;
    }
    return found;
}

// "-" followed by a digit or "." is a negative number, not a name.
bool NamesParameter(const char16_t* argument) {
    return argument[0] == u'-' && !IsDecimalDigit(argument[1]) && argument[1] != u'.';
}

bool Bad(Msg code, const char16_t* detail) {
    CommandLineReport(code, detail);
    return false;
}

}  // namespace

bool BindProgramArguments(RunContext& context, const compiler::Routine& program, const char16_t* const* arguments,
                          uint8_t* frame) {
    const TypeDescriptor& signature = *program.type;
    if (signature.fields.count > kMaxParameters) return Bad(Msg::TooManyArguments, nullptr);
    bool given[kMaxParameters] = {};
    const DataItem* current = signature.fields.first;
    int index = 0;
    for (const char16_t* const* argument = arguments; argument && *argument; ++argument) {
        if (NamesParameter(*argument)) {
            current = NamedParameter(signature, *argument + 1, &index);
            if (!current) return Bad(Msg::BadProgramParameter, *argument);
            if (!*++argument) return Bad(Msg::RequireParameter, current->entry->name);
        }
        if (!current) return Bad(Msg::TooManyArguments, *argument);
        if (given[index]) {
            std::fputs("duplicate arg: ", stdout);
            WriteWide(stdout, current->entry->name);
            std::fputs("\n", stdout);
            return false;
        }
        uint8_t* cell = frame + current->offset;
        const TypeDescriptor& type = *current->type;
        if (type.kind == compiler::TypeKind::Array) {  // takes every argument left
            for (; *argument; ++argument) {
                uint8_t element[16] = {};
                if (InitialiseValue(*type.baseType, element) != Status::Success ||
                    !Convert(*type.baseType, *argument, element))
                    return Bad(Msg::BadProgramParameter, *argument);
                const Status appended = AppendElement(cell, *type.baseType, element);
                if (type.baseType->ops.release) (void)type.baseType->ops.release(*type.baseType, element);
                if (appended != Status::Success) return Bad(Msg::BadProgramParameter, *argument);
            }
            --argument;
        } else if (!Convert(type, *argument, cell)) {
            return Bad(Msg::BadProgramParameter, *argument);
        }
        given[index] = true;
        current = current->next;
        ++index;
    }
    int i = 0;
    for (const DataItem* parameter = signature.fields.first; parameter; parameter = parameter->next, ++i) {
        if (given[i]) continue;
        if (!parameter->initial) return Bad(Msg::RequireParameter, parameter->entry->name);
        if (EvaluateInto(*parameter->initial, context, frame + parameter->offset) != Status::Success)
            return Bad(Msg::BadParameterInit, parameter->entry->name);
    }
    return true;
}

}  // namespace vorlan::runtime
