// The written forms of values. Everything but names and enumeration texts
// comes out as plain ASCII: a Text's characters outside the printable range
// are written as hexadecimal codes, so a line of output is always readable
// and always parses back.

#include "interp/OutputForms.h"

#include "base/ReportLines.h"
#include "compiler/Compilation.h"
#include "compiler/Identifiers.h"
#include "base/Utf8.h"
#include "value/Calendar.h"
#include "value/SystemTypeCodes.h"
#include "value/Arrays.h"
#include "value/Number.h"
#include "value/Text.h"

#include <array>
#include <cstddef>

namespace vorlan::runtime {

using compiler::DataItem;
using compiler::TypeDescriptor;

namespace {

constexpr const char* kNullForm = "Null";

bool IsPrintable(char16_t c) { return c >= 32 && c <= 126; }

Status WriteLogicalCell(FILE* out, const TypeDescriptor&, const void* cell) {
    return WriteLogical(out, LoadCell<Logical>(cell));
}

Status WriteNumberCell(FILE* out, const TypeDescriptor&, const void* cell) {
    WriteNumber(out, LoadCell<Number>(cell));
    return Status::Success;
}

Status WriteTextCell(FILE* out, const TypeDescriptor&, const void* cell) {
    WriteText(out, LoadHandle<const void>(cell));
    return Status::Success;
}

Status WriteTimeCell(FILE* out, const TypeDescriptor&, const void* cell) {
    WriteTime(out, LoadCell<Time>(cell));
    return Status::Success;
}

// One dimension of an array, "[ a, b ]", its elements or the next
// dimension's lists inside; `index` runs through the elements in storage
// order, the last index fastest.
Status WriteDimension(FILE* out, const TypeDescriptor& elementType, OutputForm form, const void* block, int32_t k,
                      size_t* index) {
    const int32_t dimensions = DimensionCountOf(block);
    const int32_t count = DimensionAt(block, k).count;
    std::fputs("[ ", out);
    for (int32_t i = 0; i < count; ++i) {
        if (i > 0) std::fputs(", ", out);
        if (k < dimensions) {
            VL_PROPAGATE(WriteDimension(out, elementType, form, block, k + 1, index));
        } else {
            VL_PROPAGATE(WriteValue(out, form, elementType, ElementAddress(block, elementType.cellSize, *index)));
            ++*index;
        }
    }
    std::fputs(" ]", out);
    return Status::Success;
}

Status WriteArrayCell(FILE* out, const TypeDescriptor& type, const void* cell) {
    const void* block = LoadHandle<const void>(cell);
    if (!block) {
        std::fputs(kNullForm, out);
        return Status::Success;
    }
    if (ElementCount(block) == 0) {
        std::fputs("[]", out);
        return Status::Success;
    }
    if (!type.baseType) return Status::InternalFailure;
    const OutputForm form = FormOf(*type.baseType);
    if (form == OutputForm::None) return Status::Invalid;
    size_t index = 0;
    return WriteDimension(out, *type.baseType, form, block, 1, &index);
}

Status WriteRoutineCell(FILE* out, const TypeDescriptor&, const void* cell) {
    const auto* routine = LoadHandle<const compiler::Routine>(cell);
    if (!routine) {
        std::fputs(kNullForm, out);
        return Status::Success;
    }
    if (routine->entry) WriteWide(out, routine->entry->name);
    std::fputs("()", out);
    return Status::Success;
}

// Every field in declaration order, hidden ones included.
Status WriteStructureCell(FILE* out, const TypeDescriptor& type, const void* cell) {
    std::fputc('{', out);
    for (const DataItem* field = type.fields.first; field; field = field->next) {
        if (field != type.fields.first) std::fputs(", ", out);
        if (!field->type) return Status::InternalFailure;
        const OutputForm form = FormOf(*field->type);
        if (form == OutputForm::None) return Status::Invalid;
        VL_PROPAGATE(WriteValue(out, form, *field->type, static_cast<const uint8_t*>(cell) + field->offset));
    }
    std::fputc('}', out);
    return Status::Success;
}

Status WriteEnumerationCell(FILE* out, const TypeDescriptor&, const void* cell) {
    const auto* item = LoadHandle<const DataItem>(cell);
    if (!item) {
        std::fputs(kNullForm, out);
    } else if (item->enumText) {
        std::fputc('\'', out);
        WriteWide(out, TextChars(item->enumText));
        std::fputc('\'', out);
    } else if (item->entry) {
        WriteWide(out, item->entry->name);
    }
    return Status::Success;
}

Status WriteDataPtrCell(FILE* out, const TypeDescriptor&, const void* cell) {
    std::fputs(LoadHandle<const void>(cell) ? "@sysdata" : "@null", out);
    return Status::Success;
}

Status WriteNothing(FILE*, const TypeDescriptor&, const void*) { return Status::Invalid; }

using FormWriter = Status (*)(FILE* out, const TypeDescriptor& type, const void* cell);

struct FormRow {
    OutputForm form;
    FormWriter write;
};

// clang-format off
constexpr std::array<FormRow, static_cast<size_t>(OutputForm::Count)> kFormWriters = {{
    {OutputForm::None,        &WriteNothing},
    {OutputForm::Logical,     &WriteLogicalCell},
    {OutputForm::Number,      &WriteNumberCell},
    {OutputForm::Text,        &WriteTextCell},
    {OutputForm::Time,        &WriteTimeCell},
    {OutputForm::Array,       &WriteArrayCell},
    {OutputForm::Routine,     &WriteRoutineCell},
    {OutputForm::Structure,   &WriteStructureCell},
    {OutputForm::Enumeration, &WriteEnumerationCell},
    {OutputForm::DataPtr,     &WriteDataPtrCell},
}};
// clang-format on

constexpr bool WritersInOrder() {
    for (size_t i = 0; i < kFormWriters.size(); ++i)
        if (static_cast<size_t>(kFormWriters[i].form) != i || !kFormWriters[i].write) return false;
    return true;
}
static_assert(WritersInOrder(), "writer rows follow OutputForm");

}  // namespace

OutputForm FormOf(const TypeDescriptor& type) {
    switch (type.kind) {
    case compiler::TypeKind::Array: return OutputForm::Array;
    case compiler::TypeKind::Structure: return OutputForm::Structure;
    case compiler::TypeKind::Enumeration: return OutputForm::Enumeration;
    case compiler::TypeKind::FunctionType:
    case compiler::TypeKind::ShapeType: return OutputForm::Routine;
    case compiler::TypeKind::Base: break;
    }
    if (type.systemDeclared && type.typeCode == library::kDataPtr) return OutputForm::DataPtr;
    switch (type.valueClass) {
    case compiler::kValueClassLogical: return OutputForm::Logical;
    case compiler::kValueClassNumber: return OutputForm::Number;
    case compiler::kValueClassText: return OutputForm::Text;
    case compiler::kValueClassTime: return OutputForm::Time;
    default: return OutputForm::None;
    }
}

Status WriteValue(FILE* out, OutputForm form, const TypeDescriptor& type, const void* cell) {
    const auto row = static_cast<size_t>(form);
    if (row >= kFormWriters.size()) return Status::Invalid;
    return kFormWriters[row].write(out, type, cell);
}

Status WriteLogical(FILE* out, Logical value) {
    if (value != kTrue && value != kFalse && value != kNullLogical) return Status::Invalid;
    std::fputs(value == kTrue ? "True" : value == kFalse ? "False" : kNullForm, out);
    return Status::Success;
}

void WriteNumber(FILE* out, Number value) {
    if (IsNull(value)) {
        std::fputs(kNullForm, out);
        return;
    }
    if (IsInteger(value)) {
        std::fprintf(out, "%d", IntegerOf(value));
        return;
    }
    float real = 0;
    if (ReadReal(value, &real) != Status::Success) {
        WriteReportLine(out, ReportLine::OutputFormError);
        return;
    }
    std::fprintf(out, "%f", static_cast<double>(real));
}

// Printable characters stand as they are (a backslash or a double quote
// behind a backslash); a run of any others is written between backslashes
// as four-digit hexadecimal codes with commas between: "a\0009\b".
void WriteText(FILE* out, const void* block) {
    if (!block) {
        std::fputs(kNullForm, out);
        return;
    }
    const char16_t* chars = TextChars(block);
    const size_t count = TextCount(block);
    std::fputc('"', out);
    bool inRun = false;
    for (size_t i = 0; i < count; ++i) {
        const char16_t c = chars[i];
        if (IsPrintable(c)) {
            if (inRun) std::fputc('\\', out);
            inRun = false;
            if (c == u'\\' || c == u'"') std::fputc('\\', out);
            std::fputc(static_cast<char>(c), out);
        } else {
            std::fputc(inRun ? ',' : '\\', out);
            inRun = true;
            std::fprintf(out, "%04X", static_cast<unsigned>(c));
        }
    }
    if (inRun) std::fputc('\\', out);
    std::fputc('"', out);
}

// "year-month-day@" when there is a day, then "hours:minutes:seconds" and
// ".milliseconds" when they are not 0.
void WriteTime(FILE* out, Time value) {
    if (IsNullTime(value)) {
        std::fputs(kNullForm, out);
        return;
    }
    const Number day = TimeDay(value);
    if (!IsNull(day)) {
        int32_t year = 0, month = 0, date = 0;
        if (library::SplitDay(day, &year, &month, &date) != Status::Success) {
            WriteReportLine(out, ReportLine::OutputFormError);
            return;
        }
        std::fprintf(out, "%04d-%02d-%02d@", year, month, date);
    }
    int32_t hour = 0, minute = 0, second = 0, millisecond = 0;
    if (library::SplitTimeOfDay(TimeMillis(value), &hour, &minute, &second, &millisecond) != Status::Success) {
        WriteReportLine(out, ReportLine::OutputFormError);
        return;
    }
    std::fprintf(out, "%02d:%02d:%02d", hour, minute, second);
    if (millisecond != 0) std::fprintf(out, ".%03d", millisecond);
}

}  // namespace vorlan::runtime
