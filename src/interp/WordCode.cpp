#include "interp/WordCode.h"

#include "base/Memory.h"
#include "interp/Evaluate.h"
#include "interp/RunsCode.h"
#include "value/Arrays.h"
#include "value/NumberFast.h"
#include "value/Value.h"

#include <cstddef>

namespace vorlan::runtime {

using compiler::EvalCode;
using compiler::ExprNode;
using compiler::NodeStorage;
using compiler::Tok;

namespace {

constexpr uint32_t kTagWordCode = 22017;

// Every operation on two words comes six ways, since most operands are a
// datum in the frame or a literal: the left operand on the stack and the
// right one on the stack, in a frame cell or written into the instruction;
// or both in the instruction, frame and frame, frame and literal, literal
// and frame, the result pushed.
#define VL_WORD_BINARY_OPS(X) \
    X(Add) X(Subtract) X(Multiply) X(Divide) X(IntegerDivide) X(Modulo) \
    X(Less) X(LessEqual) X(Greater) X(GreaterEqual) X(Equal) X(NotEqual) X(And) X(Or) X(Xor)

enum class Op : uint8_t {
    Literal, Frame, Module, FrameElement, ModuleElement, Negate, Not,
#define VL_WORD_OP(name) name, name##Frame, name##Literal, name##FrameFrame, name##FrameLiteral, name##LiteralFrame,
    VL_WORD_BINARY_OPS(VL_WORD_OP)
#undef VL_WORD_OP
};

struct Instruction {
    Op op;
    uint16_t module;
    uint32_t argument;  // the literal word, or the cell's offset
    uint32_t right;     // the right operand's, when both are in the instruction
};

// Longer expressions, and deeper ones, are left to the tree.
constexpr uint32_t kMaxInstructions = 64;
constexpr uint32_t kMaxDepth = 16;

constexpr uint8_t kNone = kNoWordCode;
constexpr uint8_t kMade = kMadeWordCode;

}  // namespace

struct WordCode {
    WordCode* next;
    const ExprNode* node;
    const compiler::TypeDescriptor* equalType;  // of == and <> operands
    uint32_t count;
    Instruction code[kMaxInstructions];
};

namespace {

class Compiler {
public:
    explicit Compiler(WordCode& code) : code_(code) {}

    bool Node(const ExprNode& node) {
        if (!IsWordType(node.type)) return false;
        switch (node.eval) {
        case EvalCode::Literal: return Emit(Op::Literal, 0, LoadCell<uint32_t>(node.literal), +1);
        case EvalCode::DataItem:
            if (!IsOwnCellDatum(node)) return false;
            return node.storage == NodeStorage::Frame ? Emit(Op::Frame, 0, node.offset, +1)
                                                      : Emit(Op::Module, node.moduleNumber, node.offset, +1);
        case EvalCode::ArrayElement: return Element(node);
        case EvalCode::Add: return Binary(node, Op::Add);
        case EvalCode::Subtract: return Binary(node, Op::Subtract);
        case EvalCode::Multiply: return Binary(node, Op::Multiply);
        case EvalCode::Divide: return Binary(node, Op::Divide);
        case EvalCode::IntegerDivide: return Binary(node, Op::IntegerDivide);
        case EvalCode::Modulo: return Binary(node, Op::Modulo);
        case EvalCode::Negate: return Unary(node, Op::Negate);
        case EvalCode::CompareNumber: return Binary(node, Comparison(node.op));
        case EvalCode::Equal: return Equality(node);
        case EvalCode::And: return Binary(node, Op::And);
        case EvalCode::Or: return Binary(node, Op::Or);
        case EvalCode::Xor: return Binary(node, Op::Xor);
        case EvalCode::Not: return Unary(node, Op::Not);
        default: return false;
        }
    }

    bool Fits() const { return depth_ == 1; }

private:
    static Op Comparison(Tok op) {
        switch (op) {
        case Tok::Less: return Op::Less;
        case Tok::LessEqual: return Op::LessEqual;
        case Tok::Greater: return Op::Greater;
        default: return Op::GreaterEqual;
        }
    }

    bool Emit(Op op, uint16_t module, uint32_t argument, int stack, uint32_t right = 0) {
        if (code_.count >= kMaxInstructions) return false;
        code_.code[code_.count++] = Instruction{op, module, argument, right};
        depth_ += stack;
        if (depth_ > maxDepth_) maxDepth_ = depth_;
        return maxDepth_ <= static_cast<int>(kMaxDepth);
    }

    // `op` is the stack form; the frame and literal forms follow it.
    bool Binary(const ExprNode& node, Op op) {
        if (!node.left || !node.right || !IsWordType(node.left->type) || !IsWordType(node.right->type)) return false;
        const ExprNode& left = *node.left;
        const ExprNode& right = *node.right;
        const Leaf a = LeafOf(left), b = LeafOf(right);
        if (a.kind == Leaf::Frame && b.kind == Leaf::Frame) return Emit(Shifted(op, 3), 0, a.value, +1, b.value);
        if (a.kind == Leaf::Frame && b.kind == Leaf::Literal) return Emit(Shifted(op, 4), 0, a.value, +1, b.value);
        if (a.kind == Leaf::Literal && b.kind == Leaf::Frame) return Emit(Shifted(op, 5), 0, a.value, +1, b.value);
        if (!Node(left)) return false;
        if (b.kind == Leaf::Literal) return Emit(Shifted(op, 2), 0, b.value, 0);
        if (b.kind == Leaf::Frame) return Emit(Shifted(op, 1), 0, b.value, 0);
        return Node(right) && Emit(op, 0, 0, -1);
    }

    // An operand the instruction can carry: a literal word or a frame cell.
    struct Leaf {
        enum Kind : uint8_t { None, Frame, Literal } kind;
        uint32_t value;
    };
    static Leaf LeafOf(const ExprNode& node) {
        if (node.eval == EvalCode::Literal) return {Leaf::Literal, LoadCell<uint32_t>(node.literal)};
        if (IsOwnCellDatum(node) && node.storage == NodeStorage::Frame) return {Leaf::Frame, node.offset};
        return {Leaf::None, 0};
    }

    static Op Shifted(Op op, int by) { return static_cast<Op>(static_cast<int>(op) + by); }

    bool Unary(const ExprNode& node, Op op) { return node.right && Node(*node.right) && Emit(op, 0, 0, 0); }

    bool Equality(const ExprNode& node) {
        if (!node.left || !node.right || !IsWordType(node.left->type)) return false;
        if (code_.equalType && code_.equalType != node.left->type) return false;
        code_.equalType = node.left->type;
        return Binary(node, node.op == Tok::NotEqual ? Op::NotEqual : Op::Equal);
    }

    // One index into an open or fixed array of words held in a datum.
    bool Element(const ExprNode& node) {
        const ExprNode* array = node.left.Get();
        if (!array || !IsOwnCellDatum(*array) || !node.list || node.list->count != 1) return false;
        const ExprNode* index = node.list->items[0].Get();
        if (!index || !index->type || index->type->kind == compiler::TypeKind::Enumeration) return false;
        if (!Node(*index)) return false;
        return array->storage == NodeStorage::Frame ? Emit(Op::FrameElement, 0, array->offset, 0)
                                                    : Emit(Op::ModuleElement, array->moduleNumber, array->offset, 0);
    }

    WordCode& code_;
    int depth_ = 0;
    int maxDepth_ = 0;
};

// Section - Running

const uint8_t* ModuleCell(const RunContext& context, uint16_t module, uint32_t offset) {
    return context.globals + context.moduleBase[module] + offset;
}

bool ReadElement(const uint8_t* arrayCell, Number index, uint32_t* word) {
    const void* block = LoadHandle<const void>(arrayCell);
    if (!block || !IsInteger(index) || DimensionCountOf(block) != 1) return false;
    const DimensionRecord bounds = DimensionAt(block, 1);
    const int32_t at = IntegerOf(index);
    if (at < bounds.low || at > bounds.high) return false;
    *word = LoadCell<uint32_t>(ElementAddress(block, 4, static_cast<size_t>(at - bounds.low)));
    return true;
}

// The operation on two words, a left and b right, into *out; false to give up.
template <Op op>
bool Apply(const WordCode& code, uint32_t a, uint32_t b, uint32_t* out) {
    if constexpr (op == Op::Add) return FastArithmetic<ArithOp::Add>(a, b, out) == Status::Success;
    if constexpr (op == Op::Subtract) return FastArithmetic<ArithOp::Subtract>(a, b, out) == Status::Success;
    if constexpr (op == Op::Multiply) return FastArithmetic<ArithOp::Multiply>(a, b, out) == Status::Success;
    if constexpr (op == Op::Divide) return FastArithmetic<ArithOp::Divide>(a, b, out) == Status::Success;
    if constexpr (op == Op::IntegerDivide) return FastIntegerDivide(a, b, out) == Status::Success;
    if constexpr (op == Op::Modulo) return FastModulo(a, b, out) == Status::Success;
    if constexpr (op == Op::Less || op == Op::LessEqual || op == Op::Greater || op == Op::GreaterEqual) {
        int order = 0;
        if (FastCompare(a, b, &order) != Status::Success) return false;
        const bool result = op == Op::Less        ? order == 2
                            : op == Op::LessEqual ? order != 1
                            : op == Op::Greater   ? order == 1
                                                  : order != 2;
        *out = result ? kTrue : kFalse;
        return true;
    }
    if constexpr (op == Op::Equal || op == Op::NotEqual) {
        const bool equal = DataEqual(*code.equalType, &a, &b);
        *out = equal != (op == Op::NotEqual) ? kTrue : kFalse;
        return true;
    }
    if constexpr (op == Op::And || op == Op::Or || op == Op::Xor) {
        if (a == kNullLogical || b == kNullLogical) return false;
        const bool x = a == kTrue, y = b == kTrue;
        const bool result = op == Op::And ? (x && y) : op == Op::Or ? (x || y) : x != y;
        *out = result ? kTrue : kFalse;
        return true;
    }
    return false;
}

}  // namespace

void WordCodes::Clear() {
    ClearBlocks();
    while (first_) {
        WordCode* code = first_;
        first_ = code->next;
        code->node->wordCode = nullptr;
        code->node->wordCodeState = 0;
        MemReleaseBlock(code);
    }
}

const WordCode* WordCodes::Make(const ExprNode& node) {
    node.wordCodeState = kNone;
    // Literals and data are read as they are; anything that may run program
    // code could not be evaluated again.
    if (node.eval == EvalCode::Literal || node.eval == EvalCode::DataItem || MayRunProgramCode(node)) return nullptr;
    auto* code = static_cast<WordCode*>(MemAllocate(sizeof(WordCode), kTagWordCode));
    if (!code) return nullptr;
    code->next = nullptr;
    code->node = &node;
    code->equalType = nullptr;
    code->count = 0;
    Compiler compiler(*code);
    if (!compiler.Node(node) || !compiler.Fits()) {
        MemReleaseBlock(code);
        return nullptr;
    }
    code->next = first_;
    first_ = code;
    node.wordCode = code;
    node.wordCodeState = kMade;
    return code;
}

bool RunWordCode(const WordCode& code, const RunContext& context, uint32_t* value) {
    uint32_t stack[kMaxDepth + 1];
    uint32_t* top = stack;  // the top value is *top; stack[0] stays unused
    const uint8_t* frame = context.frame;
    for (uint32_t i = 0; i < code.count; ++i) {
        const Instruction& in = code.code[i];
        switch (in.op) {
        case Op::Literal: *++top = in.argument; break;
        case Op::Frame: *++top = LoadCell<uint32_t>(frame + in.argument); break;
        case Op::Module: *++top = LoadCell<uint32_t>(ModuleCell(context, in.module, in.argument)); break;
        case Op::FrameElement:
            if (!ReadElement(frame + in.argument, *top, top)) return false;
            break;
        case Op::ModuleElement:
            if (!ReadElement(ModuleCell(context, in.module, in.argument), *top, top)) return false;
            break;
        case Op::Negate:
            if (Negate(*top, top) != Status::Success) return false;
            break;
        case Op::Not:
            if (*top == kNullLogical) return false;
            *top = *top == kTrue ? kFalse : kTrue;
            break;
#define VL_WORD_CASES(name)                                                                            \
    case Op::name:                                                                                     \
        --top;                                                                                         \
        if (!Apply<Op::name>(code, top[0], top[1], top)) return false;                                 \
        break;                                                                                         \
    case Op::name##Frame:                                                                              \
        if (!Apply<Op::name>(code, *top, LoadCell<uint32_t>(frame + in.argument), top)) return false; \
        break;                                                                                         \
    case Op::name##Literal:                                                                            \
        if (!Apply<Op::name>(code, *top, in.argument, top)) return false;                              \
        break;                                                                                         \
    case Op::name##FrameFrame:                                                                         \
        if (!Apply<Op::name>(code, LoadCell<uint32_t>(frame + in.argument),                            \
                             LoadCell<uint32_t>(frame + in.right), ++top))                             \
            return false;                                                                              \
        break;                                                                                         \
    case Op::name##FrameLiteral:                                                                       \
        if (!Apply<Op::name>(code, LoadCell<uint32_t>(frame + in.argument), in.right, ++top)) return false; \
        break;                                                                                         \
    case Op::name##LiteralFrame:                                                                       \
        if (!Apply<Op::name>(code, in.argument, LoadCell<uint32_t>(frame + in.right), ++top)) return false; \
        break;
            VL_WORD_BINARY_OPS(VL_WORD_CASES)
#undef VL_WORD_CASES
        }
    }
    *value = *top;
    return true;
}

}  // namespace vorlan::runtime
