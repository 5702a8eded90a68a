#include "compiler/Expression.h"

#include "value/Number.h"
#include "value/Text.h"
#include "value/Value.h"

#include <cstring>

namespace vorlan::compiler {
namespace {

constexpr uint16_t kSuccess = static_cast<uint16_t>(Status::Success);
constexpr uint16_t kNoFold = 407;

uint16_t Code(Status status) { return static_cast<uint16_t>(status); }

// Folds a binary Number operator through the primitive the run uses.
template <class Primitive>
uint16_t FoldNumbers(const ExprNode& node, uint8_t (&value)[8], Primitive primitive) {
    uint8_t a[8] = {}, b[8] = {};
    if (const uint16_t status = FoldNode(*node.left, a); status != kSuccess) return status;
    if (const uint16_t status = FoldNode(*node.right, b); status != kSuccess) return status;
    runtime::Number result = runtime::kNullNumber;
    const Status status = primitive(runtime::LoadCell<runtime::Number>(a), runtime::LoadCell<runtime::Number>(b), &result);
    runtime::StoreCell(value, result);
    return Code(status);
}

uint16_t FoldConcatenation(const ExprNode& node, uint8_t (&value)[8]) {
    uint8_t a[8] = {}, b[8] = {};
    uint16_t status = FoldNode(*node.left, a);
    if (status == kSuccess) status = FoldNode(*node.right, b);
    if (status == kSuccess) {
        std::memset(value, 0, sizeof value);
        status = Code(runtime::ConcatText(value, a, b));
    }
    // The operands' blocks were duplicated for this fold only.
    void* blockA = runtime::LoadHandle<void>(a);
    void* blockB = runtime::LoadHandle<void>(b);
    runtime::FreeText(blockA);
    runtime::FreeText(blockB);
    return status;
}

}  // namespace

uint16_t FoldNode(const ExprNode& node, uint8_t (&value)[8]) {
    std::memset(value, 0, sizeof value);
    if (!node.folds) return kNoFold;
    switch (node.eval) {
    case EvalCode::Literal: std::memcpy(value, node.literal, sizeof value); return kSuccess;
    case EvalCode::TextLiteral: {
        void* copy = nullptr;
        const Status status = runtime::DuplicateText(node.text, &copy);
        runtime::StoreHandle(value, copy);
        return Code(status);
    }
    case EvalCode::DataItem:
        if (!node.item || !node.item->initial) return Code(Status::UsingNull);
        return FoldNode(*node.item->initial, value);
    case EvalCode::Add:
        return FoldNumbers(node, value, [](auto a, auto b, auto* r) { return runtime::Arithmetic(runtime::ArithOp::Add, a, b, r); });
    case EvalCode::Subtract:
        return FoldNumbers(node, value, [](auto a, auto b, auto* r) { return runtime::Arithmetic(runtime::ArithOp::Subtract, a, b, r); });
    case EvalCode::Multiply:
        return FoldNumbers(node, value, [](auto a, auto b, auto* r) { return runtime::Arithmetic(runtime::ArithOp::Multiply, a, b, r); });
    case EvalCode::IntegerDivide: return FoldNumbers(node, value, runtime::IntegerDivide);
    case EvalCode::Modulo: return FoldNumbers(node, value, runtime::Modulo);
    case EvalCode::Negate: {
        uint8_t operand[8] = {};
        if (const uint16_t status = FoldNode(*node.right, operand); status != kSuccess) return status;
        runtime::Number result = runtime::kNullNumber;
        const Status status = runtime::Negate(runtime::LoadCell<runtime::Number>(operand), &result);
        runtime::StoreCell(value, result);
        return Code(status);
    }
    case EvalCode::UnaryPlus: return FoldNode(*node.right, value);
    case EvalCode::Concatenate: return FoldConcatenation(node, value);
    default: return kNoFold;
    }
}

}  // namespace vorlan::compiler
