#pragma once
// Whether evaluating an expression may run program code: a call of a
// declared routine, or of a routine value, anywhere in it. Program code may
// change any global, and whatever a Ref argument reaches, so an operation
// that holds a value in place while it evaluates such an expression takes a
// copy first, or finds its target again afterwards.

#include "compiler/Expression.h"

namespace vorlan::runtime {

bool MayRunProgramCode(const compiler::ExprNode& node);

}  // namespace vorlan::runtime
