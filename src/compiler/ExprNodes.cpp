#include "base/Assert.h"
#include "compiler/Expression.h"

#include "value/Text.h"
#include "value/Value.h"

namespace vorlan {

void Retain<compiler::ExprNode>::Of(compiler::ExprNode* node) { ++node->refCount; }

// The last holder frees the node, and with it its children and its list.
// Trees are bounded in size by the parse, so the recursion this makes is too.
void Release<compiler::ExprNode>::Of(compiler::ExprNode* node) {
    if (--node->refCount == 0) delete node;
}

}  // namespace vorlan

namespace vorlan::compiler {

// A run lets go of its compiled forms before the nodes go: a node that goes
// while one of them still names it would leave the run pointing at nothing.
ExprNode::~ExprNode() {
    VL_ASSERT(!wordCode);
    runtime::FreeText(text);
}

}  // namespace vorlan::compiler
