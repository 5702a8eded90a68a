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
                return Raise(context, statement, status, ExecMessage::OutputStruct);
            return Code(status);
        }
        if (item != record.first) std::fputs(", ", out);
        status = WriteValue(out, static_cast<OutputForm>(item->writer), *item->value->type, value.Cell());
        if (status != Status::Success) return Code(status);
    }
    std::fputc('\n', out);
    return kExecGoOn;
}

}  // namespace vorlan::runtime
