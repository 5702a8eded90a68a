#include "library/BuiltinFunctions.h"

namespace vorlan::library {
namespace {

struct HandlerRow {
    uint16_t number;
    compiler::BuiltinHandler handler;
};

constexpr HandlerRow kHandlers[] = {
    {136, TextSize},
    {137, Format},
    {140, ReadImage},
};

}  // namespace

compiler::BuiltinHandler FunctionHandlerFor(uint16_t builtinNumber) {
    for (const HandlerRow& row : kHandlers) {
        if (row.number == builtinNumber) return row.handler;
    }
    return nullptr;
}

}  // namespace vorlan::library
