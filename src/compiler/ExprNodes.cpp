#include "compiler/Expression.h"

#include "value/Text.h"
#include "value/Value.h"

namespace vorlan::compiler {

void RetainNode(ExprNode* node) {
    if (node) ++node->refCount;
}

void FreeExprList(ExprList*& list);

// Trees are bounded in size by the parse, so the recursion here is too.
void ReleaseNode(ExprNode*& node) {
    if (!node) return;
    if (--node->refCount > 0) {
        node = nullptr;
        return;
    }
    ReleaseNode(node->left);
    ReleaseNode(node->right);
    FreeExprList(node->list);
    runtime::FreeText(node->text);
    delete node;
    node = nullptr;
}

void FreeExprList(ExprList*& list) {
    if (!list) return;
    for (uint16_t i = 0; list->items && i < list->count; ++i) ReleaseNode(list->items[i]);
    MemRelease(list->items);
    MemRelease(list->targets);
    delete list;
    list = nullptr;
}

}  // namespace vorlan::compiler
