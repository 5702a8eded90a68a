#include "interp/Errors.h"

#include "base/ReportLines.h"
#include "compiler/Declarations.h"
#include "base/FileDescriptor.h"
#include "base/Utf8.h"
#include "base/WideText.h"
#include "value/SystemTypeCodes.h"
#include "interp/OutputLine.h"
#include "value/Text.h"
#include "value/Value.h"

#include <cstdio>

namespace vorlan::runtime {
namespace {

// The Status record's fields, at the very start of the module data.
constexpr uint32_t kUserGenerated = 0, kCategory = 4, kSource = 12, kMessage = 20, kParameter = 28;
constexpr uint16_t kSourceLength = 284;

uint8_t* StatusRecord(const RunContext& context) { return context.globals; }

const compiler::DataItem* CategoryItem(const RunContext& context, Status code) {
    const compiler::TypeDescriptor* categories = compiler::FindSystemType(*context.program, library::kReportCat);
    for (const compiler::DataItem* item = categories ? categories->fields.first : nullptr; item; item = item->next) {
        if (item->enumValue == static_cast<int32_t>(code)) return item;
    }
    return nullptr;
}

const char16_t* CategoryName(const compiler::DataItem* item) {
    return item ? item->entry->name : u"ERROR - NOT SET";
}

// "file(line,column)" of a position, as a new text block.
void* SourceText(const ReportPosition& at) {
    char16_t text[kSourceLength + 1];
    text[0] = 0;
    WideCopy(text, at.file ? at.file->path : u"", kSourceLength);
    char tail[32];
    std::snprintf(tail, sizeof tail, "(%d,%d)", at.line, at.column);
    char16_t wideTail[32];
    NarrowToWide(tail, wideTail, 31);
    WideAppend(text, wideTail, kSourceLength);
    void* block = nullptr;
    (void)MakeTextFromString(text, &block);
    return block;
}


void NestedReport(const RunContext& context, const ReportPosition* at, Status code) {
    const uint8_t* record = StatusRecord(context);
    EndCutOutputLine();
    PrintReportLine(ReportLine::NestedHeading);
    PrintReportLine(ReportLine::NestedPrimary);
    PrintReportLineWith(ReportLine::NestedCode, CategoryName(LoadHandle<compiler::DataItem>(record + kCategory)));
    if (const void* source = LoadHandle<void>(record + kSource)) {
        PrintReportLineWith(ReportLine::NestedAt, TextChars(source));
    }
    PrintReportLine(ReportLine::NestedSecondary);
    if (at) {
        PrintReportLineWith(ReportLine::NestedCode, CategoryName(CategoryItem(context, code)));
        const OwnedBlock<void> source(SourceText(*at));
        PrintReportLine(ReportLine::NestedAt);
        if (source) WriteWide(stdout, TextChars(source));
        std::fputs("\n\n", stdout);
    }
}

Status Fill(RunContext& context, bool userGenerated, const ReportPosition* at, Status code, OwnedBlock<void> message,
            const char16_t* parameter, const ErrorDetail* detail) {
    uint8_t* record = StatusRecord(context);
    if (context.errorDetail) context.errorDetail->Replace(detail);
    StoreCell<Logical>(record + kUserGenerated, userGenerated ? kTrue : kFalse);
    StoreHandle(record + kCategory, CategoryItem(context, code));
    ReplaceText(record + kSource, at ? SourceText(*at) : nullptr);
    ReplaceText(record + kMessage, message.Take());
    void* param = nullptr;
    if (parameter && MakeTextFromString(parameter, &param) != Status::Success) return Status::OutOfMemory;
    ReplaceText(record + kParameter, param);
    if (code == Status::InternalFailure) return code;
    return at ? Status::Propagating : Status::NoPosition;
}

// The message text is the record's to keep or let go.
Status Record(RunContext& context, bool userGenerated, const ReportPosition* at, Status code, void* messageText,
              const char16_t* parameter, const ErrorDetail* detail) {
    OwnedBlock<void> message(messageText);
    // 30 from the system is a fatal nested error on its way out; from an Error
    // statement it is the category a program reports like any other.
    const bool nestedOnItsWay = code == Status::MultiReport && !userGenerated;
    if (code == Status::Success || code == Status::Propagating || nestedOnItsWay) return code;
    if (code == Status::NoPosition) {
        message = nullptr;
        if (!at) return code;
        ReplaceText(StatusRecord(context) + kSource, SourceText(*at));
        return Status::Propagating;
    }
    if (ErrorPending(context) && !userGenerated) {
        message = nullptr;
        NestedReport(context, at, code);
        return Status::MultiReport;
    }
    return Fill(context, userGenerated, at, code, std::move(message), parameter, detail);
}

}  // namespace

bool ErrorPending(const RunContext& context) {
    return context.globals && LoadHandle<void>(context.globals + kCategory) != nullptr;
}

Status RecordError(RunContext& context, bool userGenerated, const ReportPosition* at, Status code, RunMsg message,
                   const char16_t* parameter, const ErrorDetail* detail) {
    void* text = nullptr;
    char16_t wide[256];
    if (!NarrowToWide(RunMessageText(message), wide, 255) || MakeTextFromString(wide, &text) != Status::Success)
        return Status::OutOfMemory;
    return Record(context, userGenerated, at, code, text, parameter, detail);
}

Status RecordRoutineError(RunContext& context, Status code, const char16_t* parameter, const ErrorDetail* detail) {
    const compiler::Routine* routine = context.builtin;
    void* text = nullptr;
    if (routine && routine->entry && MakeTextFromString(routine->entry->name, &text) != Status::Success)
        return Status::OutOfMemory;
    return Record(context, false, nullptr, code, text, parameter, detail);
}

Status RecordUserError(RunContext& context, const ReportPosition* at, Status code, const char16_t* message) {
    void* text = nullptr;
    if (message && MakeTextFromString(message, &text) != Status::Success) return Status::OutOfMemory;
    return Record(context, true, at, code, text, nullptr, nullptr);
}

void ClearError(RunContext& context) {
    uint8_t* record = StatusRecord(context);
    StoreCell<Logical>(record + kUserGenerated, kNullLogical);
    StoreHandle(record + kCategory, nullptr);
    ReplaceText(record + kSource, nullptr);
    ReplaceText(record + kMessage, nullptr);
    ReplaceText(record + kParameter, nullptr);
    if (context.errorDetail) context.errorDetail->Clear();
}

const char16_t* PendingErrorDetail(const RunContext& context) {
    return context.errorDetail ? context.errorDetail->Text() : nullptr;
}

}  // namespace vorlan::runtime
