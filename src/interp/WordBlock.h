#pragma once
// The compiled form of a block that stores words into data: `x := e`,
// `x += e` and its kin on a Number, `list += e` on an open array of words,
// where e is a literal, a datum or a compiled word expression, `Return e`
// from a function of a word result, and `If`s
// whose conditions are such values. Loop bodies of arithmetic are mostly
// such blocks. The stores run without a dispatch per statement, an If picks
// its branch and runs it as a block, and any other statement runs through
// its handler. When a store's value or operation is out of the ordinary (or
// an If's condition), that statement and the rest of the block run through
// the statement handlers, which give the result or raise the error as
// always. A statement stores only once its value is known, and conditions
// have no effects, so nothing is done twice.

#include "interp/RunContext.h"
#include "interp/WordCode.h"

#include <cstdint>

namespace vorlan::runtime {

// The block's status, as ExecuteBlock gives it.
uint16_t RunWordBlock(const WordBlock& block, RunContext& context);

}  // namespace vorlan::runtime
