#include "compiler/Statements.h"

namespace vorlan::compiler {

// FIXME: routine bodies are skipped until the statement compiler exists, so
// no block is ever made yet.
void FreeStatementBlock(StatementBlock*& block) { block = nullptr; }

}  // namespace vorlan::compiler
