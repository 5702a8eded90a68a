#pragma once
// Statement blocks: the compiled bodies of routines.

namespace vorlan::compiler {

struct StatementBlock;

void FreeStatementBlock(StatementBlock*& block);

}  // namespace vorlan::compiler
