// Making the compiled forms: an expression's, and a block's with the blocks
// of its Ifs and loops. A statement whose form cannot be made (it is not a
// store of a word, a condition may run program code, the form is full) is
// rolled back and becomes a Handler instruction.

#include "base/Memory.h"
#include "interp/ExecInternal.h"
#include "interp/RunsCode.h"
#include "interp/WordCode.h"
#include "interp/WordCodeForm.h"
#include "value/Value.h"

#include <cstring>

namespace vorlan::runtime {

using compiler::AssignOp;
using compiler::EvalCode;
using compiler::ExprNode;
using compiler::NodeStorage;
using compiler::Statement;
using compiler::StatementKind;
using compiler::Tok;
using namespace word;

namespace {

constexpr uint32_t kTagWordCode = 22017;

// Larger forms are left to the tree and the handlers.
constexpr uint32_t kMaxInstructions = 2048;
static_assert(kMaxInstructions <= 0xFFFF, "a fused jump's target fits its 16 bits");
constexpr uint32_t kMaxStatements = 1024;
constexpr uint32_t kMaxPointers = 256;
constexpr uint32_t kMaxExpressionInstructions = 64;

constexpr uint8_t kNone = kNoWordCode;
constexpr uint8_t kMade = kMadeWordCode;

// The form being made, in buffers of the largest size; the form kept is
// copied out at its own size.
struct Draft {
    uint32_t count = 0;
    uint32_t statementCount = 0;
    uint32_t loopCount = 0;
    uint32_t pointerCount = 0;
    Instruction code[kMaxInstructions];
    StatementRecord statements[kMaxStatements];
    LoopRecord loops[kMaxLoops];
    const void* pointers[kMaxPointers];
};

class Compiler {
public:
    Compiler(Draft& draft, uint32_t limit) : draft_(draft), limit_(limit) {}

    // An expression of no effects, its value left on the stack.
    bool Expression(const ExprNode& node) {
        if (MayRunProgramCode(node)) return false;
        const int depth = depth_;
        return Node(node) && depth_ == depth + 1;
    }

    // A store's value, which may call program routines of words: their
    // frames are made and their arguments bound as the evaluator does it.
    bool Value(const ExprNode& node) {
        if (!MayRunProgramCode(node)) return Expression(node);
        if (!CallsOnly(node, 0)) return false;
        const int depth = depth_;
        calls_ = true;
        const bool made = Node(node) && depth_ == depth + 1;
        calls_ = false;
        return made;
    }

    bool Emit(Op op, uint16_t module, uint32_t argument, int stack, uint32_t right = 0, uint8_t slot = 0) {
        if (draft_.count >= limit_) return false;
        draft_.code[draft_.count++] = Instruction{op, slot, module, statement_, argument, right};
        depth_ += stack;
        if (depth_ > maxDepth_) maxDepth_ = depth_;
        return maxDepth_ <= static_cast<int>(kMaxDepth);
    }

    // Section - Blocks

    // The block's statements, in loop `loop` (or none).
    bool Block(const compiler::StatementBlock* block, uint16_t loop) {
        if (!block) return true;
        if (block->onErrorWritten) return false;
        for (const Statement* statement = block->main.head; statement; statement = statement->next)
            if (!StatementOf(*statement, loop)) return false;
        return true;
    }

    // False only when not even a Handler fits.
    bool StatementOf(const Statement& statement, uint16_t loop) {
        afterCall_ = false;
        const Counts mark = Mark();
        const int depth = depth_;
        uint16_t index = kNoStatement;
        if (Record(statement, loop, &index) && Compiled(statement, index, loop)) {
            draft_.statements[index].end = draft_.count;
            stores_ = true;
            return true;
        }
        Restore(mark);
        depth_ = depth;
        if (!Record(statement, loop, &index)) return false;
        statement_ = index;
        if (!Emit(Op::Handler, 0, 0, 0)) return false;
        draft_.statements[index].end = draft_.count;
        return true;
    }

    bool Stores() const { return stores_; }

private:
    // Only the counts: what lies past them is written again.
    struct Counts {
        uint32_t count, statementCount, loopCount, pointerCount;
        bool stores;
    };
    Counts Mark() const {
        return {draft_.count, draft_.statementCount, draft_.loopCount, draft_.pointerCount, stores_};
    }
    void Restore(const Counts& mark) {
        draft_.count = mark.count;
        draft_.statementCount = mark.statementCount;
        draft_.loopCount = mark.loopCount;
        draft_.pointerCount = mark.pointerCount;
        stores_ = mark.stores;
    }

    bool Record(const Statement& statement, uint16_t loop, uint16_t* index) {
        if (draft_.statementCount >= kMaxStatements) return false;
        *index = static_cast<uint16_t>(draft_.statementCount++);
        draft_.statements[*index] = StatementRecord{&statement, 0, loop};
        return true;
    }

    bool Compiled(const Statement& statement, uint16_t index, uint16_t loop) {
        statement_ = index;
        switch (statement.kind) {
        case StatementKind::Assignment:
            return Assignment(static_cast<const compiler::AssignmentStatement&>(statement));
        case StatementKind::Return: {
            const auto& record = static_cast<const compiler::ReturnStatement&>(statement);
            if (!record.value || !IsWordType(record.value->type)) return false;
            // Once a call has run the statement cannot be handed over, so
            // such a value is checked before it is worked out.
            if (!MayRunProgramCode(*record.value)) return Value(*record.value) && Emit(Op::ReturnChecked, 0, 0, -1);
            return Emit(Op::ReturnCheck, 0, 0, 0) && Value(*record.value) && Emit(Op::Return, 0, 0, -1);
        }
        case StatementKind::If: return If(static_cast<const compiler::IfStatement&>(statement), index, loop);
        case StatementKind::While:
            return While(static_cast<const compiler::WhileStatement&>(statement), index, loop);
        case StatementKind::For: return For(static_cast<const compiler::ForStatement&>(statement), index, loop);
        default: return false;
        }
    }

    // A datum in its own cell: its module, or kFramePlace, and its offset.
    static bool PlaceOf(const ExprNode& node, uint16_t* module, uint32_t* offset) {
        if (!IsOwnCellDatum(node)) return false;
        *module = node.storage == NodeStorage::Frame ? kFramePlace : node.moduleNumber;
        *offset = node.offset;
        return true;
    }

    bool Assignment(const compiler::AssignmentStatement& record) {
        uint16_t module;
        uint32_t offset;
        if (!record.target || !record.value || !PlaceOf(*record.target, &module, &offset)) return false;
        const compiler::TypeDescriptor* type = record.target->type;
        if (!IsWordType(record.value->type)) return false;
        if (record.op == AssignOp::Assign) {
            if (!IsWordType(type) || !Value(*record.value)) return false;
            return module == kFramePlace ? Emit(Op::StoreFrame, 0, offset, -1) : Emit(Op::StoreModule, module, offset, -1);
        }
        if (IsCompoundNumberOp(record.op)) {
            if (!IsWordType(type) || type->valueClass == compiler::kValueClassText) return false;
            return Expression(*record.value) &&
                   Emit(Op::Compound, module, offset, -1, 0, static_cast<uint8_t>(record.op));
        }
        if (record.op != AssignOp::Append || !type || type->kind != compiler::TypeKind::Array ||
            !IsWordType(type->baseType) || draft_.pointerCount >= kMaxPointers)
            return false;
        const uint32_t pointer = draft_.pointerCount++;
        draft_.pointers[pointer] = type->baseType;
        return Expression(*record.value) && Emit(Op::Append, module, offset, -1, pointer);
    }

    // After a condition's value: on unless it is True. A comparison just
    // made for it takes the jump itself; *test is the instruction to aim.
    bool JumpUnless(uint32_t conditionStart, uint32_t* test) {
        if (draft_.count > conditionStart) {
            Instruction& last = draft_.code[draft_.count - 1];
            const Op fused = FusedJump(last.op);
            if (fused != last.op) {
                last.op = fused;
                --depth_;
                *test = draft_.count - 1;
                return true;
            }
        }
        *test = draft_.count;
        return Emit(Op::JumpUnless, 0, 0, -1);
    }

    static Op FusedJump(Op op) {
        switch (op) {
#define VL_FUSE_FORM(name) \
    case Op::name: return Op::JumpUnless##name;
#define VL_FUSE(name) VL_WORD_BINARY_FORMS(VL_FUSE_FORM, name)
            VL_WORD_JUMP_OPS(VL_FUSE)
#undef VL_FUSE
#undef VL_FUSE_FORM
        default: return op;
        }
    }

    void AimJump(uint32_t test, uint32_t target) {
        Instruction& jump = draft_.code[test];
        if (jump.op == Op::JumpUnless) jump.argument = target;
        else jump.module = static_cast<uint16_t>(target);
    }

    // Each condition jumps to the next clause unless True; each branch ends
    // with a jump past the others.
    bool If(const compiler::IfStatement& record, uint16_t index, uint16_t loop) {
        uint32_t ends[64];
        uint32_t endCount = 0;
        for (const compiler::IfClause* clause = record.first; clause; clause = clause->next) {
            statement_ = index;
            const uint32_t start = draft_.count;
            if (!clause->condition || !IsWordType(clause->condition->type) || !Expression(*clause->condition)) return false;
            uint32_t test;
            if (!JumpUnless(start, &test) || !Block(clause->block.Get(), loop)) return false;
            statement_ = index;
            if (endCount >= 64 || !Emit(Op::Jump, 0, 0, 0)) return false;
            ends[endCount++] = draft_.count - 1;
            AimJump(test, draft_.count);
        }
        if (!Block(record.elseBlock.Get(), loop)) return false;
        for (uint32_t i = 0; i < endCount; ++i) draft_.code[ends[i]].argument = draft_.count;
        return true;
    }

    bool While(const compiler::WhileStatement& record, uint16_t index, uint16_t loop) {
        uint16_t own;
        if (!record.condition || !IsWordType(record.condition->type) || !NewLoop(loop, kExecWBreak, &own)) return false;
        const uint32_t top = draft_.count;
        if (!Expression(*record.condition)) return false;
        uint32_t test;
        if (!JumpUnless(top, &test) || !Block(record.body.Get(), own)) return false;
        statement_ = index;
        if (!Emit(Op::Jump, 0, top, 0)) return false;
        AimJump(test, draft_.count);
        draft_.loops[own].top = top;
        draft_.loops[own].exit = draft_.count;
        return true;
    }

    bool Bound(const ExprNode* node) {
        return node && IsWordType(node->type) && node->type->valueClass == compiler::kValueClassNumber &&
               Expression(*node);
    }

    bool For(const compiler::ForStatement& record, uint16_t index, uint16_t loop) {
        const compiler::DataItem* control = record.control;
        if (record.variant != compiler::ForVariant::NumberRange || !control || !IsWordType(control->type)) return false;
        uint16_t own;
        if (!NewLoop(loop, kExecFBreak, &own)) return false;
        LoopRecord& made = draft_.loops[own];
        made.hasStep = record.step.Get() != nullptr;
        const bool saved = control->flags & compiler::kDataSaved;
        made.controlModule = saved ? static_cast<uint16_t>(control->module->number) : kFramePlace;
        made.controlOffset = control->offset;
        if (!Emit(Op::ForInit, 0, own, 0) || !Bound(record.from.Get()) || !Bound(record.to.Get())) return false;
        if (made.hasStep && !Bound(record.step.Get())) return false;
        if (!Emit(Op::ForStart, 0, own, made.hasStep ? -3 : -2)) return false;
        made.top = draft_.count;
        if (!Block(record.body.Get(), own)) return false;
        statement_ = index;
        if (!Emit(Op::ForNext, 0, own, 0)) return false;
        made.exit = draft_.count;
        return true;
    }

    bool NewLoop(uint16_t parent, uint16_t ownBreak, uint16_t* index) {
        if (draft_.loopCount >= kMaxLoops) return false;
        *index = static_cast<uint16_t>(draft_.loopCount++);
        draft_.loops[*index] = LoopRecord{0, 0, ownBreak, parent, kFramePlace, false, 0};
        return true;
    }

    // Section - Expressions

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
        case EvalCode::Call: return calls_ && Call(node);
        default: return false;
        }
    }

    // Section - Calls

    // A call of a program routine whose parameters are words taken by value
    // and whose result is a word, every argument given.
    static const compiler::Routine* WordRoutine(const ExprNode& node) {
        if (node.eval != EvalCode::Call || !IsWordType(node.type) || !node.left || !node.list) return nullptr;
        if (node.left->eval != EvalCode::Literal) return nullptr;
        const auto* routine = LoadHandle<const compiler::Routine>(node.left->literal);
        if (!routine || routine != node.routine || routine->builtinNumber != 0 || !routine->type) return nullptr;
        const compiler::ExprList& list = *node.list;
        if (list.count != routine->type->fields.count || (list.count && !list.targets)) return nullptr;
        for (uint16_t i = 0; i < list.count; ++i) {
            const compiler::DataItem* target = list.targets[i];
            const ExprNode* item = list.items[i].Get();
            if (!target || (target->flags & compiler::kDataRef) || !IsWordType(target->type) || !item ||
                !IsWordType(item->type))
                return nullptr;
        }
        return routine;
    }

    static bool IsArithmetic(EvalCode code) {
        return code == EvalCode::Add || code == EvalCode::Subtract || code == EvalCode::Multiply ||
               code == EvalCode::Divide || code == EvalCode::IntegerDivide || code == EvalCode::Modulo;
    }

    // A value of literals, data, arithmetic and such calls: after a call,
    // only arithmetic can fail, and it raises its error as the evaluator
    // does (see kAfterCall).
    static bool CallsOnly(const ExprNode& node, uint32_t nesting) {
        if (!IsWordType(node.type)) return false;
        if (node.eval == EvalCode::Literal || IsOwnCellDatum(node)) return true;
        if (IsArithmetic(node.eval))
            return node.left && node.right && CallsOnly(*node.left, nesting) && CallsOnly(*node.right, nesting);
        if (!WordRoutine(node) || nesting >= kMaxCallNesting) return false;
        for (uint16_t i = 0; i < node.list->count; ++i)
            if (!CallsOnly(*node.list->items[i], nesting + 1)) return false;
        return true;
    }

    bool Pointer(const void* pointer, uint32_t* index) {
        if (draft_.pointerCount >= kMaxPointers) return false;
        *index = draft_.pointerCount++;
        draft_.pointers[*index] = pointer;
        return true;
    }

    bool Call(const ExprNode& node) {
        const compiler::Routine* routine = WordRoutine(node);
        uint32_t call, callee;
        if (!routine || !Pointer(&node, &call) || !Pointer(routine, &callee)) return false;
        if (!Emit(Op::CallBegin, 0, call, 0, callee)) return false;
        const compiler::ExprList& list = *node.list;
        for (uint16_t i = 0; i < list.count; ++i)
            if (!Node(*list.items[i]) || !Emit(Op::Arg, 0, list.targets[i]->offset, -1)) return false;
        if (!Emit(Op::Call, 0, call, +1, callee)) return false;
        afterCall_ = true;
        return true;
    }

    // An arithmetic operation after a call carries its node, to raise its
    // failure with.
    bool MarkAfterCall(const ExprNode& node) {
        uint32_t index;
        if (!afterCall_) return true;
        if (!Pointer(&node, &index)) return false;
        Instruction& made = draft_.code[draft_.count - 1];
        made.slot |= kAfterCall;
        made.module = static_cast<uint16_t>(index);
        return true;
    }

    static Op Comparison(Tok op) {
        switch (op) {
        case Tok::Less: return Op::Less;
        case Tok::LessEqual: return Op::LessEqual;
        case Tok::Greater: return Op::Greater;
        default: return Op::GreaterEqual;
        }
    }

    bool Binary(const ExprNode& node, Op op) { return Operation(node, op) && MarkAfterCall(node); }

    // `op` is the stack form; the frame and literal forms follow it.
    bool Operation(const ExprNode& node, Op op) {
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

    // Numbers are equal by value (an integer and a real may be); Logicals
    // by their words.
    bool Equality(const ExprNode& node) {
        if (!node.left || !node.right || !IsWordType(node.left->type) || node.left->type != node.right->type) return false;
        const bool notEqual = node.op == Tok::NotEqual;
        switch (node.left->type->valueClass) {
        case compiler::kValueClassNumber: return Binary(node, notEqual ? Op::NotEqualNumber : Op::EqualNumber);
        case compiler::kValueClassLogical: return Binary(node, notEqual ? Op::NotEqualWord : Op::EqualWord);
        default: return false;
        }
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

    Draft& draft_;
    uint32_t limit_;
    uint16_t statement_ = kNoStatement;
    bool calls_ = false;      // the value being compiled may call routines
    bool afterCall_ = false;  // and the statement has called one
    int depth_ = 0;
    int maxDepth_ = 0;
    bool stores_ = false;
};

// Each part of a kept form starts on an 8-byte boundary.
constexpr size_t Aligned(size_t size) { return (size + 7) & ~size_t{7}; }

// The draft copied out at its own size, for the node or block `owner`.
WordCode* CopyOut(const Draft& draft, const void* owner, bool block) {
    const size_t code = Aligned(sizeof(Instruction) * draft.count);
    const size_t statements = Aligned(sizeof(StatementRecord) * draft.statementCount);
    const size_t loops = Aligned(sizeof(LoopRecord) * draft.loopCount);
    const size_t pointers = sizeof(void*) * draft.pointerCount;
    auto* made = static_cast<uint8_t*>(
        MemAllocate(Aligned(sizeof(WordCode)) + code + statements + loops + pointers, kTagWordCode));
    if (!made) return nullptr;
    auto* form = reinterpret_cast<WordCode*>(made);
    uint8_t* at = made + Aligned(sizeof(WordCode));
    std::memcpy(at, draft.code, sizeof(Instruction) * draft.count);
    std::memcpy(at + code, draft.statements, sizeof(StatementRecord) * draft.statementCount);
    std::memcpy(at + code + statements, draft.loops, sizeof(LoopRecord) * draft.loopCount);
    std::memcpy(at + code + statements + loops, draft.pointers, pointers);
    *form = WordCode{nullptr,
                     owner,
                     block,
                     draft.count,
                     static_cast<uint16_t>(draft.statementCount),
                     static_cast<uint16_t>(draft.loopCount),
                     reinterpret_cast<const Instruction*>(at),
                     reinterpret_cast<const StatementRecord*>(at + code),
                     reinterpret_cast<const LoopRecord*>(at + code + statements),
                     reinterpret_cast<const void* const*>(at + code + statements + loops)};
    return form;
}

}  // namespace

WordCode* WordCodes::Keep(const void* draft, const void* owner, bool block) {
    WordCode* code = CopyOut(*static_cast<const Draft*>(draft), owner, block);
    if (!code) return nullptr;
    code->next = first_;
    first_ = code;
    return code;
}

// One draft of the largest size serves every form the run makes, one at a
// time.
void* WordCodes::EmptyDraft() {
    if (!draft_) draft_ = MemAllocate(sizeof(Draft), kTagWordCode);
    auto* draft = static_cast<Draft*>(draft_);
    if (draft) draft->count = draft->statementCount = draft->loopCount = draft->pointerCount = 0;
    return draft;
}

void WordCodes::Clear() {
    MemReleaseBlock(draft_);
    draft_ = nullptr;
    while (first_) {
        WordCode* code = first_;
        first_ = code->next;
        if (code->block) {
            const auto* block = static_cast<const compiler::StatementBlock*>(code->owner);
            block->wordBlock = nullptr;
            block->wordBlockState = 0;
        } else {
            const auto* node = static_cast<const ExprNode*>(code->owner);
            node->wordCode = nullptr;
            node->wordCodeState = 0;
        }
        MemReleaseBlock(code);
    }
}

const WordCode* WordCodes::Make(const ExprNode& node) {
    node.wordCodeState = kNone;
    // Literals and data are read as they are.
    if (node.eval == EvalCode::Literal || node.eval == EvalCode::DataItem) return nullptr;
    auto* draft = static_cast<Draft*>(EmptyDraft());
    if (!draft) return nullptr;
    Compiler compiler(*draft, kMaxExpressionInstructions);
    if (!compiler.Expression(node) || !compiler.Emit(Op::Yield, 0, 0, -1)) return nullptr;
    WordCode* code = Keep(draft, &node, false);
    if (!code) return nullptr;
    node.wordCode = code;
    node.wordCodeState = kMade;
    return code;
}

const WordCode* WordCodes::MakeBlock(const compiler::StatementBlock& block) {
    block.wordBlockState = kNone;
    if (block.onErrorWritten || block.main.count == 0) return nullptr;
    auto* draft = static_cast<Draft*>(EmptyDraft());
    if (!draft) return nullptr;
    Compiler compiler(*draft, kMaxInstructions - 1);
    // A block of handlers alone gains nothing.
    if (!compiler.Block(&block, kNoLoop) || !compiler.Stores()) return nullptr;
    draft->code[draft->count++] = Instruction{Op::End, 0, 0, kNoStatement, 0, 0};
    WordCode* code = Keep(draft, &block, true);
    if (!code) return nullptr;
    block.wordBlock = code;
    block.wordBlockState = kMade;
    return code;
}

}  // namespace vorlan::runtime
