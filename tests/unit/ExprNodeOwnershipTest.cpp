// Expression nodes go with their last holder: children, lists and list slots
// are handles, so a node shared between trees (a parameter's default serves
// every call that leaves it out) outlives all but the last of them, and a
// text literal's block goes with its node.

#include "compiler/Expression.h"
#include "value/Text.h"

#include <gtest/gtest.h>

namespace vorlan::compiler {
namespace {

NodeRef NewLeaf() {
    NodeRef node(new ExprNode{});
    node->refCount = 1;
    return node;
}

TEST(ExprNodeOwnership, ASharedNodeGoesWithItsLastHolder) {
    const uint32_t start = MemLiveCount();
    {
        DataItem parameter{};
        parameter.initial = NewLeaf();
        NodeRef call = NewLeaf();
        call->list.Adopt(new ExprList{});
        ASSERT_TRUE(call->list->items.Allocate(2, kTagExprList));
        call->list->count = 2;
        call->list->items[0] = parameter.initial;
        call->list->items[1] = parameter.initial;
        NodeRef field = NewLeaf();
        field->left = parameter.initial;
        EXPECT_EQ(parameter.initial->refCount, 4);

        call = nullptr;  // the list and both its slots go
        EXPECT_EQ(parameter.initial->refCount, 2);
        parameter.initial = nullptr;
        EXPECT_EQ(field->left->refCount, 1);
        EXPECT_EQ(MemLiveCount(), start + 2);
    }
    EXPECT_EQ(MemLiveCount(), start);
}

TEST(ExprNodeOwnership, ATextLiteralsBlockGoesWithItsNode) {
    const uint32_t start = MemLiveCount();
    {
        NodeRef literal = NewLeaf();
        ASSERT_EQ(runtime::MakeText(u"abc", 3, &literal->text), Status::Success);
        NodeRef sum = NewLeaf();
        sum->left = literal;
        sum->right = std::move(literal);
        EXPECT_EQ(MemLiveCount(), start + 3);
    }
    EXPECT_EQ(MemLiveCount(), start);
}

}  // namespace
}  // namespace vorlan::compiler
