// Arithmetic on Numbers and the joining of Texts. Number operands are read
// as words on the stack, so arithmetic allocates nothing.

#include "interp/Errors.h"
#include "interp/EvalSupport.h"
#include "interp/RunsCode.h"
#include "value/NumberFast.h"
#include "value/Text.h"

namespace vorlan::runtime {

using compiler::EvalCode;
using compiler::ExprNode;

namespace {

using BinaryPrimitive = Status (*)(Number a, Number b, Number* out);

// The result is stored only once both operands have been read: the output
// may be one of their cells (x := x + 1). A failure's detail is the
// operation as the source wrote it, with the operands' values.
Status RaiseBinary(const ExprNode& node, RunContext& context, Number a, Number b, Status status, RunMsg message,
                   const char* symbol) {
    ErrorDetail detail;
    detail.AddOperation(a, symbol, b);
    return Raise(context, node, status, message, nullptr, &detail);
}

template <BinaryPrimitive primitive>
Status Binary(const ExprNode& node, RunContext& context, void* out, RunMsg message, const char* symbol) {
    Number a, b, result = kNullNumber;
    Status status = ReadWord(*node.left, context, &a);
    if (status == Status::Success) status = ReadWord(*node.right, context, &b);
    if (status == Status::Success) {
        status = primitive(a, b, &result);
        if (status != Status::Success) status = RaiseBinary(node, context, a, b, status, message, symbol);
    }
    StoreCell(out, status == Status::Success ? result : kNullNumber);
    return status;
}

}  // namespace

Status RaiseArithmetic(const ExprNode& node, RunContext& context, Number a, Number b) {
    Number result;
    switch (node.eval) {
    case EvalCode::Add:
        return RaiseBinary(node, context, a, b, FastArithmetic<ArithOp::Add>(a, b, &result), RunMsg::Addition, "+");
    case EvalCode::Subtract:
        return RaiseBinary(node, context, a, b, FastArithmetic<ArithOp::Subtract>(a, b, &result),
                           RunMsg::Subtraction, "-");
    case EvalCode::Multiply:
        return RaiseBinary(node, context, a, b, FastArithmetic<ArithOp::Multiply>(a, b, &result),
                           RunMsg::Multiplication, "*");
    case EvalCode::Divide:
        return RaiseBinary(node, context, a, b, FastArithmetic<ArithOp::Divide>(a, b, &result), RunMsg::Division,
                           "/");
    case EvalCode::IntegerDivide:
        return RaiseBinary(node, context, a, b, FastIntegerDivide(a, b, &result), RunMsg::IntegerDivision, "//");
    case EvalCode::Modulo:
        return RaiseBinary(node, context, a, b, FastModulo(a, b, &result), RunMsg::Modulo, "Mod");
    default: return Raise(context, node, Status::InternalFailure, RunMsg::ValueError);
    }
}

Status EvalAdd(const ExprNode& node, RunContext& context, void* out) {
    return Binary<FastArithmetic<ArithOp::Add>>(node, context, out, RunMsg::Addition, "+");
}

Status EvalSubtract(const ExprNode& node, RunContext& context, void* out) {
    return Binary<FastArithmetic<ArithOp::Subtract>>(node, context, out, RunMsg::Subtraction, "-");
}

Status EvalMultiply(const ExprNode& node, RunContext& context, void* out) {
    return Binary<FastArithmetic<ArithOp::Multiply>>(node, context, out, RunMsg::Multiplication, "*");
}

Status EvalDivide(const ExprNode& node, RunContext& context, void* out) {
    return Binary<FastArithmetic<ArithOp::Divide>>(node, context, out, RunMsg::Division, "/");
}

Status EvalIntegerDivide(const ExprNode& node, RunContext& context, void* out) {
    return Binary<FastIntegerDivide>(node, context, out, RunMsg::IntegerDivision, "//");
}

Status EvalModulo(const ExprNode& node, RunContext& context, void* out) {
    return Binary<FastModulo>(node, context, out, RunMsg::Modulo, "Mod");
}

Status EvalPower(const ExprNode& node, RunContext& context, void* out) {
    return Binary<Power>(node, context, out, RunMsg::Power, "^");
}

// Prefix operators keep their operand on the right.
Status EvalNegate(const ExprNode& node, RunContext& context, void* out) {
    Number a, result = kNullNumber;
    Status status = ReadWord(*node.right, context, &a);
    if (status == Status::Success) {
        status = Negate(a, &result);
        if (status != Status::Success) {
            ErrorDetail detail;
            detail.Add("-").AddNumber(a);
            status = Raise(context, node, status, RunMsg::NumberNegation, nullptr, &detail);
        }
    }
    StoreCell(out, status == Status::Success ? result : kNullNumber);
    return status;
}

Status EvalUnaryPlus(const ExprNode& node, RunContext& context, void* out) {
    Number a;
    Status status = ReadWord(*node.right, context, &a);
    if (status == Status::Success && IsNull(a)) status = Raise(context, node, Status::UsingNull, RunMsg::UnaryPlus);
    StoreCell(out, status == Status::Success ? a : kNullNumber);
    return status;
}

Status EvalConcatenate(const ExprNode& node, RunContext& context, void* out) {
    TextOperand a, b;
    Status status = a.Obtain(*node.left, context, MayRunProgramCode(*node.right));
    if (status == Status::Success) status = b.Obtain(*node.right, context);
    if (status != Status::Success) {
        ReplaceText(out, nullptr);
        return status;
    }
    // The join is built before the destination lets go of its text, so `out`
    // may be an addressable operand's own cell.
    status = ConcatText(out, a.HandleCell(), b.HandleCell());
    if (status != Status::Success) return Raise(context, node, status, RunMsg::TextConcatenation);
    return Status::Success;
}

}  // namespace vorlan::runtime
