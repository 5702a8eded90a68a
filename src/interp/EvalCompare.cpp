// Ordering, equality and the logical operators. All of them yield Logicals;
// scalar operands are read into words on the stack.

#include "compiler/Token.h"
#include "interp/Evaluate.h"
#include "interp/EvalSupport.h"
#include "interp/RunsCode.h"
#include "value/NumberFast.h"
#include "value/Text.h"

namespace vorlan::runtime {

using compiler::DataItem;
using compiler::ExprNode;
using compiler::Tok;

namespace {

// `order`: 1 when the left operand is greater, 2 when the right one is, 0
// when they are equal.
Logical OrderingResult(Tok op, int order) {
    switch (op) {
    case Tok::GreaterEqual: return order != 2 ? kTrue : kFalse;
    case Tok::LessEqual: return order != 1 ? kTrue : kFalse;
    case Tok::Greater: return order == 1 ? kTrue : kFalse;
    case Tok::Less: return order == 2 ? kTrue : kFalse;
    default: return kNullLogical;
    }
}

Status StoreOrdering(const ExprNode& node, RunContext& context, Logical* out, int order) {
    const Logical result = OrderingResult(node.op, order);
    if (result == kNullLogical) return Raise(context, node, Status::InternalFailure, RunMsg::ValueError);
    *out = result;
    return Status::Success;
}

// Section - Ordering

Status OrderNumbers(const ExprNode& node, RunContext& context, Logical* out) {
    Number a, b;
    VL_PROPAGATE(ReadWord(*node.left, context, &a));
    VL_PROPAGATE(ReadWord(*node.right, context, &b));
    int order;
    const Status status = FastCompare(a, b, &order);
    if (status != Status::Success) return Raise(context, node, status, RunMsg::NumberComparison);
    return StoreOrdering(node, context, out, order);
}

Status OrderTimes(const ExprNode& node, RunContext& context, Logical* out) {
    Time a, b;
    VL_PROPAGATE(ReadTime(*node.left, context, &a));
    VL_PROPAGATE(ReadTime(*node.right, context, &b));
    int order;
    const Status status = CompareTime(a, b, &order);
    if (status != Status::Success) return Raise(context, node, status, RunMsg::TimeComparison);
    return StoreOrdering(node, context, out, order);
}

// Enumeration values are ordered by their items' places in the declaration.
Status OrderEnums(const ExprNode& node, RunContext& context, Logical* out) {
    void *a, *b;
    VL_PROPAGATE(ReadHandle(*node.left, context, &a));
    VL_PROPAGATE(ReadHandle(*node.right, context, &b));
    if (!a || !b) return Raise(context, node, Status::UsingNull, RunMsg::EnumComparison);
    const int32_t x = static_cast<const DataItem*>(a)->enumPosition;
    const int32_t y = static_cast<const DataItem*>(b)->enumPosition;
    return StoreOrdering(node, context, out, x > y ? 1 : x < y ? 2 : 0);
}

// Texts order by character code, as Numbers do by value: two Nulls are
// equal, one Null cannot be ordered.
Status OrderTexts(const ExprNode& node, RunContext& context, Logical* out) {
    TextOperand a, b;
    VL_PROPAGATE(a.Obtain(*node.left, context, MayRunProgramCode(*node.right)));
    VL_PROPAGATE(b.Obtain(*node.right, context));
    if (!a.Block() && !b.Block()) return StoreOrdering(node, context, out, 0);
    if (!a.Block() || !b.Block()) return Raise(context, node, Status::UsingNull, RunMsg::TextComparison);
    return StoreOrdering(node, context, out, CompareTextOrder(a.Block(), b.Block()));
}

// Section - Equality

Status Equality(const ExprNode& node, RunContext& context, Logical* out) {
    OperandCell a, b;
    VL_PROPAGATE(a.Obtain(*node.left, context, RunMsg::EqualityComparison, MayRunProgramCode(*node.right)));
    VL_PROPAGATE(b.Obtain(*node.right, context, RunMsg::EqualityComparison));
    const bool equal = DataEqual(*node.left->type, a.Cell(), b.Cell());
    *out = equal != (node.op == Tok::NotEqual) ? kTrue : kFalse;
    return Status::Success;
}

// Section - Logical operators

// And and Or: the left operand alone decides when it is `decisive` (False for
// And, True for Or); otherwise the right operand is the result.
Status ShortCircuit(const ExprNode& node, RunContext& context, Logical* out, Logical decisive, RunMsg message) {
    Logical a, b;
    VL_PROPAGATE(ReadWord(*node.left, context, &a));
    if (a == kNullLogical) return Raise(context, node, Status::UsingNull, message);
    if (a == decisive) {
        *out = decisive;
        return Status::Success;
    }
    VL_PROPAGATE(ReadWord(*node.right, context, &b));
    if (b == kNullLogical) return Raise(context, node, Status::UsingNull, message);
    *out = b;
    return Status::Success;
}

Status LogicalAnd(const ExprNode& node, RunContext& context, Logical* out) {
    return ShortCircuit(node, context, out, kFalse, RunMsg::LogicalAnd);
}

Status LogicalOr(const ExprNode& node, RunContext& context, Logical* out) {
    return ShortCircuit(node, context, out, kTrue, RunMsg::LogicalOr);
}

Status LogicalXor(const ExprNode& node, RunContext& context, Logical* out) {
    Logical a, b;
    VL_PROPAGATE(ReadWord(*node.left, context, &a));
    VL_PROPAGATE(ReadWord(*node.right, context, &b));
    if (a == kNullLogical || b == kNullLogical) return Raise(context, node, Status::UsingNull, RunMsg::LogicalXor);
    *out = a != b ? kTrue : kFalse;
    return Status::Success;
}

Status LogicalNot(const ExprNode& node, RunContext& context, Logical* out) {
    Logical a;
    VL_PROPAGATE(ReadWord(*node.right, context, &a));
    if (a == kNullLogical) return Raise(context, node, Status::UsingNull, RunMsg::LogicalNot);
    *out = a == kTrue ? kFalse : kTrue;
    return Status::Success;
}

}  // namespace

// The result is stored only once the operands have been read: the output may
// be one of their cells (b := b And c).
template <Status (*Operation)(const ExprNode&, RunContext&, Logical*)>
Status YieldLogical(const ExprNode& node, RunContext& context, void* out) {
    Logical result = kNullLogical;
    const Status status = Operation(node, context, &result);
    StoreCell(out, status == Status::Success ? result : kNullLogical);
    return status;
}

Status EvalCompareNumber(const ExprNode& node, RunContext& context, void* out) {
    return YieldLogical<OrderNumbers>(node, context, out);
}
Status EvalCompareTime(const ExprNode& node, RunContext& context, void* out) {
    return YieldLogical<OrderTimes>(node, context, out);
}
Status EvalCompareEnum(const ExprNode& node, RunContext& context, void* out) {
    return YieldLogical<OrderEnums>(node, context, out);
}
Status EvalCompareText(const ExprNode& node, RunContext& context, void* out) {
    return YieldLogical<OrderTexts>(node, context, out);
}
Status EvalEqual(const ExprNode& node, RunContext& context, void* out) {
    return YieldLogical<Equality>(node, context, out);
}
Status EvalAnd(const ExprNode& node, RunContext& context, void* out) {
    return YieldLogical<LogicalAnd>(node, context, out);
}
Status EvalOr(const ExprNode& node, RunContext& context, void* out) {
    return YieldLogical<LogicalOr>(node, context, out);
}
Status EvalXor(const ExprNode& node, RunContext& context, void* out) {
    return YieldLogical<LogicalXor>(node, context, out);
}
Status EvalNot(const ExprNode& node, RunContext& context, void* out) {
    return YieldLogical<LogicalNot>(node, context, out);
}

}  // namespace vorlan::runtime
