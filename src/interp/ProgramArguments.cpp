#include "interp/ProgramArguments.h"

#include "compiler/Identifiers.h"
#include "base/Messages.h"
#include "base/ReportLines.h"
#include "base/Utf8.h"
#include "base/WideText.h"
#include "value/SystemTypeCodes.h"
#include "value/Arrays.h"
#include "interp/Evaluate.h"
#include "value/Number.h"
#include "value/Text.h"
#include "value/ValueOps.h"

#include <cstdio>
#include <cstdlib>
#include <cmath>

namespace vorlan::runtime {
namespace {

using compiler::DataItem;
using compiler::TypeDescriptor;

constexpr int kMaxParameters = 256;

bool IsSystem(const TypeDescriptor* type, uint16_t code) { return type && type->systemDeclared && type->typeCode == code; }

// Why a Number argument was refused, so that the report can say what would fit.
enum class NumberFault : uint8_t { None, NotANumber, WholeTooLarge, RealTooLarge };

// [+|-] digits [. digits] [(e|E) [+|-] digits]: a real with a point or an
// exponent, else a whole number below 1073741824.
NumberFault ReadNumberArgument(const char16_t* text, Number* out) {
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
    if (!digits) return NumberFault::NotANumber;
    if (*c == u'e' || *c == u'E') {
        real = take(u'e');
        ++c;
        if (*c == u'+' || *c == u'-') take(*c++);
        bool exponent = false;
        for (; IsDecimalDigit(*c); ++c) exponent = take(*c);
        if (!exponent) return NumberFault::NotANumber;
    }
    if (*c) return NumberFault::NotANumber;
    narrow[n] = 0;
    if (real) {
        const float value = std::strtof(narrow, nullptr);
        if (!std::isfinite(value)) return NumberFault::RealTooLarge;
        return MakeReal(negative ? -value : value, out) == Status::Success ? NumberFault::None
                                                                            : NumberFault::RealTooLarge;
    }
    int64_t value = 0;
    for (size_t i = 0; i < n; ++i) {
        value = value * 10 + (narrow[i] - '0');
        if (value >= 1073741824) return NumberFault::WholeTooLarge;
    }
    *out = MakeIntegerUnchecked(static_cast<int32_t>(negative ? -value : value));
    return NumberFault::None;
}

// What a parameter (or each element of an array parameter) takes from the
// command line. Conversion and the explanation of a refusal both go by it,
// so the report never promises what the conversion would refuse.
enum class ArgumentKind : uint8_t { Logical, Number, Text, Enumeration, None };

ArgumentKind KindOf(const TypeDescriptor& type) {
    if (IsSystem(&type, library::kLogical)) return ArgumentKind::Logical;
    if (IsSystem(&type, library::kNumber)) return ArgumentKind::Number;
    if (IsSystem(&type, library::kText)) return ArgumentKind::Text;
    if (type.kind == compiler::TypeKind::Enumeration) return ArgumentKind::Enumeration;
    return ArgumentKind::None;
}

// Converts one argument into a cell of `type`.
bool Convert(const TypeDescriptor& type, const char16_t* text, uint8_t* cell) {
    switch (KindOf(type)) {
    case ArgumentKind::Logical:
        if (WideEqual(text, u"TRUE")) StoreCell(cell, kTrue);
        else if (WideEqual(text, u"FALSE")) StoreCell(cell, kFalse);
        else return false;
        return true;
    case ArgumentKind::Number: {
        Number value = kNullNumber;
        if (ReadNumberArgument(text, &value) != NumberFault::None) return false;
        StoreCell(cell, value);
        return true;
    }
    case ArgumentKind::Text: {
        void* block = nullptr;
        if (MakeTextFromString(text, &block) != Status::Success) return false;
        ReplaceText(cell, block);
        return true;
    }
    case ArgumentKind::Enumeration:
        for (const DataItem* item = type.fields.first; item; item = item->next) {
            if (WideEqual(item->entry->name, text)) {
                StoreHandle(cell, item);
                return true;
            }
        }
        return false;
    case ArgumentKind::None: break;
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

// Section - What a refused argument should have been
//
// A refusal keeps its one report line, and the line after it, indented as
// the run's other reports indent theirs, says what would have fitted.

void WriteNames(const DataItem* first, const char16_t* prefix) {
    bool any = false;
    for (const DataItem* item = first; item; item = item->next) {
        if (prefix && !WideIsPrefix(prefix, item->entry->name)) continue;
        if (any) PrintReportLine(ReportLine::NameSeparator);
        WriteWide(stdout, item->entry->name);
        any = true;
    }
}

// "  size takes a Number", "  colour takes one of: Red, Green, Blue", ...
bool BadValue(const DataItem& parameter, const TypeDescriptor& type, const char16_t* text, bool element) {
    CommandLineReport(Msg::BadProgramParameter, text);
    PrintReportLine(element ? ReportLine::ArgumentEachElement : ReportLine::ArgumentIndent);
    WriteWide(stdout, parameter.entry->name);
    switch (KindOf(type)) {
    case ArgumentKind::Logical: PrintReportLine(ReportLine::TakesLogical); break;
    case ArgumentKind::Number: {
        Number ignored = kNullNumber;
        const NumberFault fault = ReadNumberArgument(text, &ignored);
        PrintReportLine(fault == NumberFault::WholeTooLarge  ? ReportLine::TakesWholeNumber
                        : fault == NumberFault::RealTooLarge ? ReportLine::TakesRealNumber
                                                             : ReportLine::TakesNumber);
        break;
    }
    case ArgumentKind::Text: PrintReportLine(ReportLine::TakesText); break;
    case ArgumentKind::Enumeration:
        PrintReportLine(ReportLine::TakesOneOf);
        WriteNames(type.fields.first, nullptr);
        break;
    case ArgumentKind::None: PrintReportLine(ReportLine::NotOnCommandLine); break;
    }
    std::fputs("\n", stdout);
    return false;
}

// "  -s matches size, scale" for a name that fits several parameters; the
// whole list for one that fits none.
bool BadName(const TypeDescriptor& signature, const char16_t* argument) {
    CommandLineReport(Msg::BadProgramParameter, argument);
    PrintReportLine(ReportLine::ArgumentIndent);
    if (!signature.fields.first) {
        PrintReportLine(ReportLine::TakesNoParameters);
        return false;
    }
    WriteWide(stdout, argument);
    int matches = 0;
    for (const DataItem* parameter = signature.fields.first; parameter; parameter = parameter->next)
        matches += WideIsPrefix(argument + 1, parameter->entry->name) ? 1 : 0;
    PrintReportLine(matches ? ReportLine::NameMatches : ReportLine::NameMatchesNone);
    WriteNames(signature.fields.first, matches ? argument + 1 : nullptr);
    std::fputs("\n", stdout);
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
            if (!current) return BadName(signature, *argument);
            if (!*++argument) return Bad(Msg::RequireParameter, current->entry->name);
        }
        if (!current) return Bad(Msg::TooManyArguments, *argument);
        if (given[index]) {
            PrintReportLine(ReportLine::DuplicateArgument);
            WriteWide(stdout, current->entry->name);
            std::fputs("\n", stdout);
            return false;
        }
        uint8_t* cell = frame + current->offset;
        const TypeDescriptor& type = *current->type;
        if (type.kind == compiler::TypeKind::Array) {  // takes every argument left
            for (; *argument; ++argument) {
                uint8_t element[16] = {};
                if (InitialiseValue(*type.baseType, element) != Status::Success)
                    return Bad(Msg::BadProgramParameter, *argument);
                if (!Convert(*type.baseType, *argument, element))
                    return BadValue(*current, *type.baseType, *argument, true);
                const Status appended = AppendElement(cell, *type.baseType, element);
                if (type.baseType->ops.release) (void)type.baseType->ops.release(*type.baseType, element);
                if (appended != Status::Success) return Bad(Msg::BadProgramParameter, *argument);
            }
            --argument;
        } else if (!Convert(type, *argument, cell)) {
            return BadValue(*current, type, *argument, false);
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
