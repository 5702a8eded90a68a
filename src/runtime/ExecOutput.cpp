// The Output statement: its items on one line of standard output, separated
// by ", ".

#include "compiler/Statements.h"
#include "runtime/ExecInternal.h"
#include "runtime/OutputForms.h"

#include <cstdio>

namespace vorlan::runtime {

static_assert(static_cast<int>(OutputForm::Logical) == static_cast<int>(compiler::OutputWriter::Logical) &&
                  static_cast<int>(OutputForm::Enumeration) == static_cast<int>(compiler::OutputWriter::Enumeration),
              "an Output item's writer is its written form");

namespace {

// Whether standard output holds the start of a line that an Output statement
// has not ended yet. An item may call a function whose own Output ends the
// line first, so this follows what was written, not which statement wrote it.
bool lineOpen = false;

// A line cut short by an error is ended, so a handler's output or the error
// report starts on a line of its own.
uint16_t EndCutLine(FILE* out, uint16_t status) {
    if (lineOpen) std::fputc('\n', out);
    lineOpen = false;
    return status;
}

}  // namespace

uint16_t ExecOutput(const compiler::Statement& statement, RunContext& context) {
    const auto& record = static_cast<const compiler::OutputStatement&>(statement);
    FILE* out = stdout;
    for (const compiler::OutputItem* item = record.first; item; item = item->next) {
        // Each item is written as soon as it has a value: an item may call a
        // function that writes output of its own.
        Operand value;
        Status status = value.Read(*item->value, context);
        if (status != Status::Success) {
            if (value.AllocationFailed() && item->writer == compiler::OutputWriter::Structure)
                return EndCutLine(out, Raise(context, statement, status, ExecMessage::OutputStruct));
            return EndCutLine(out, Code(status));
        }
        if (item != record.first) std::fputs(", ", out);
        lineOpen = true;
        status = WriteValue(out, static_cast<OutputForm>(item->writer), *item->value->type, value.Cell());
        if (status != Status::Success) return EndCutLine(out, Code(status));
    }
    std::fputc('\n', out);
    lineOpen = false;
    return kExecGoOn;
}

}  // namespace vorlan::runtime
