#include "interp/RunsCode.h"

#include "compiler/Compilation.h"

namespace vorlan::runtime {

using compiler::ExprNode;

namespace {

constexpr uint8_t kNoCode = 1;
constexpr uint8_t kCode = 2;

// Built-in functions never call back into the program.
bool CallsProgramCode(const ExprNode& node) {
    return node.eval == compiler::EvalCode::Call && !(node.routine && node.routine->builtinNumber != 0);
}

bool ListRunsCode(const compiler::ExprList& list) {
    for (uint16_t i = 0; i < list.count; ++i) {
        const ExprNode* item = list.items[i].Get();
        if (!item && list.targets && list.targets[i]) item = list.targets[i]->initial.Get();
        if (item && MayRunProgramCode(*item)) return true;
    }
    return false;
}

}  // namespace

bool MayRunProgramCode(const ExprNode& node) {
    if (node.runsCode) return node.runsCode == kCode;
    const bool runs = CallsProgramCode(node) || (node.left && MayRunProgramCode(*node.left)) ||
                      (node.right && MayRunProgramCode(*node.right)) || (node.list && ListRunsCode(*node.list));
    node.runsCode = runs ? kCode : kNoCode;
    return runs;
}

}  // namespace vorlan::runtime
