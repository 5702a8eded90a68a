// The Output statement: its items on one line of standard output, separated
// by ", ".

#include "compiler/Statements.h"
#include "interp/ExecInternal.h"
#include "interp/OutputForms.h"
#include "interp/OutputLine.h"

#include <cstdio>

namespace vorlan::runtime {

static_assert(static_cast<int>(OutputForm::Logical) == static_cast<int>(compiler::OutputWriter::Logical) &&
                  static_cast<int>(OutputForm::Enumeration) == static_cast<int>(compiler::OutputWriter::Enumeration),
              "an Output item's writer is its written form");

namespace {

// An item may call a function whose own Output ends the line first, so this
// follows what was written, not which statement wrote it.
bool lineOpen = false;

uint16_t EndCutLine(uint16_t status) {
    EndCutOutputLine();
    return status;
}

}  // namespace

void EndCutOutputLine() {
    if (lineOpen) std::fputc('\n', stdout);
    lineOpen = false;
}

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
                return EndCutLine(Raise(context, statement, status, RunMsg::OutputStruct));
            return EndCutLine(Code(status));
        }
        if (item != record.first) std::fputs(", ", out);
        lineOpen = true;
        status = WriteValue(out, static_cast<OutputForm>(item->writer), *item->value->type, value.Cell());
        if (status != Status::Success) return EndCutLine(Code(status));
    }
    std::fputc('\n', out);
    lineOpen = false;
    return kExecGoOn;
}

}  // namespace vorlan::runtime
