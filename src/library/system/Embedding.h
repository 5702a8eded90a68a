#pragma once
// The system module and the compiled-library loader, as the compiler is
// handed them at start-up.

#include "compiler/Compilation.h"

namespace vorlan::library {

compiler::Embedding SystemEmbedding();

}  // namespace vorlan::library
