#pragma once
// The compiled form of a block whose statements each store a word into a
// datum: `x := e`, `x += e` and its kin on a Number, `list += e` on an open
// array of words, where e is a literal, a datum or a compiled word
// expression. Loop bodies of arithmetic are mostly such blocks. The block
// runs without a dispatch per statement; when a statement's value or
// operation is out of the ordinary, that statement and the rest of the block
// run through the statement handlers, which give the result or raise the
// error as always. A statement stores only once its value is known, so
// nothing is done twice.

#include "interp/RunContext.h"
#include "interp/WordCode.h"

#include <cstdint>

namespace vorlan::runtime {

// The block's status, as ExecuteBlock gives it.
uint16_t RunWordBlock(const WordBlock& block, RunContext& context);

}  // namespace vorlan::runtime
