#include "compiler/Typing.h"

#include "compiler/Declarations.h"
#include "base/WideText.h"
#include "value/SystemTypeCodes.h"
#include "value/Value.h"

namespace vorlan::compiler {
namespace {

bool IsNumber(const TypeDescriptor* type) { return IsSystemType(type, library::kNumber); }
bool IsText(const TypeDescriptor* type) { return IsSystemType(type, library::kText); }
bool IsLogical(const TypeDescriptor* type) { return IsSystemType(type, library::kLogical); }
bool IsTime(const TypeDescriptor* type) { return IsSystemType(type, library::kTime); }

// Takes the operands only when the node is made; otherwise they stay with
// the caller, who lets them go.
NodeRef OperatorNode(Parser& parser, const ParseNode& tree, TypeDescriptor* type, EvalCode eval, NodeRef&& left,
                     NodeRef&& right, bool folds) {
    NodeRef node = NewNode(parser, NodeForm::Operator, tree.position, type);
    if (!node) return nullptr;
    node->eval = eval;
    node->op = tree.op->token;
    node->arity = left ? 2 : 1;
    node->flags = kNodeComputed;
    node->folds = folds;
    node->left = std::move(left);
    node->right = std::move(right);
    return node;
}

// Types both operands of a binary operator, the right one against the left
// one's type when `rightExpectsLeft` is set.
bool TypeOperands(Parser& parser, const ParseNode& tree, NodeRef& left, NodeRef& right, bool rightExpectsLeft) {
    left = TypeNode(parser, *tree.left, nullptr);
    if (!left) return false;
    right = TypeNode(parser, *tree.right, rightExpectsLeft ? left->type : nullptr);
    return right != nullptr;
}

// Reports `code` at the operator; the caller's operands go as it returns.
NodeRef Refuse(Parser& parser, const ParseNode& tree, Msg code) {
    parser.ReportAt(tree.position, code);
    return nullptr;
}

// - * / // Mod ^ and + on Numbers; + on Texts concatenates.
NodeRef Arithmetic(Parser& parser, const ParseNode& tree) {
    NodeRef left, right;
    if (!TypeOperands(parser, tree, left, right, false)) return nullptr;
    const Tok op = tree.op->token;
    if (op == Tok::Plus && IsText(left->type) && IsText(right->type))
        return OperatorNode(parser, tree, left->type, EvalCode::Concatenate, std::move(left), std::move(right), true);
    if (!IsNumber(left->type) || !IsNumber(right->type))
        return Refuse(parser, tree, Msg::InvalidOperandTypes);
    struct Row {
        Tok op;
        EvalCode eval;
        bool folds;
    };
    static constexpr Row kRows[] = {
        {Tok::Plus, EvalCode::Add, true},           {Tok::Minus, EvalCode::Subtract, true},
        {Tok::Star, EvalCode::Multiply, true},      {Tok::Slash, EvalCode::Divide, false},
        {Tok::SlashSlash, EvalCode::IntegerDivide, true}, {Tok::Mod, EvalCode::Modulo, true},
        {Tok::Caret, EvalCode::Power, false},
    };
    for (const Row& row : kRows) {
        if (row.op == op)
            return OperatorNode(parser, tree, left->type, row.eval, std::move(left), std::move(right), row.folds);
    }
    return Refuse(parser, tree, Msg::InternalError);
}

// >= <= > <: operands of one type, Number, Text, Time or an enumeration.
NodeRef Ordering(Parser& parser, const ParseNode& tree) {
    NodeRef left, right;
    if (!TypeOperands(parser, tree, left, right, true)) return nullptr;
    const TypeDescriptor* a = left->type;
    const TypeDescriptor* b = right->type;
    EvalCode eval = EvalCode::None;
    if (a->kind == TypeKind::Enumeration) eval = EvalCode::CompareEnum;
    else if (IsNumber(a)) eval = EvalCode::CompareNumber;
    else if (IsText(a)) eval = EvalCode::CompareText;
    else if (IsTime(a)) eval = EvalCode::CompareTime;
    const bool orderable = eval != EvalCode::None;
    const bool otherOrderable = b->kind == TypeKind::Enumeration || IsNumber(b) || IsText(b) || IsTime(b);
    if (!orderable || !otherOrderable) return Refuse(parser, tree, Msg::InvalidOperandTypes);
    if (a != b) return Refuse(parser, tree, Msg::MismatchedTypes);
    return OperatorNode(parser, tree, SystemType(parser, library::kLogical), eval, std::move(left), std::move(right),
                        false);
}

// == <>: the right operand is typed against the left one's type.
NodeRef Equality(Parser& parser, const ParseNode& tree) {
    NodeRef left, right;
    if (!TypeOperands(parser, tree, left, right, true)) return nullptr;
    if (!TypesCompatible(parser, left->type, right->type, Compatibility::Comparison, tree.position))
        return nullptr;
    return OperatorNode(parser, tree, SystemType(parser, library::kLogical), EvalCode::Equal, std::move(left),
                        std::move(right), false);
}

NodeRef Logical(Parser& parser, const ParseNode& tree) {
    NodeRef left, right;
    if (!TypeOperands(parser, tree, left, right, false)) return nullptr;
    if (!IsLogical(left->type) || !IsLogical(right->type))
        return Refuse(parser, tree, Msg::InvalidOperandTypes);
    const Tok op = tree.op->token;
    const EvalCode eval = op == Tok::And ? EvalCode::And : op == Tok::Or ? EvalCode::Or : EvalCode::Xor;
    return OperatorNode(parser, tree, left->type, eval, std::move(left), std::move(right), false);
}

NodeRef Unary(Parser& parser, const ParseNode& tree) {
    NodeRef operand = TypeNode(parser, *tree.right, nullptr);
    if (!operand) return nullptr;
    const Tok op = tree.op->token;
    if (op == Tok::Not) {
        if (!IsLogical(operand->type)) return Refuse(parser, tree, Msg::InvalidOperandTypes);
        return OperatorNode(parser, tree, operand->type, EvalCode::Not, nullptr, std::move(operand), false);
    }
    if (!IsNumber(operand->type)) return Refuse(parser, tree, Msg::InvalidOperandTypes);
    return OperatorNode(parser, tree, operand->type, op == Tok::MinusPrefix ? EvalCode::Negate : EvalCode::UnaryPlus,
                        nullptr, std::move(operand), true);
}

// s.f
NodeRef FieldSelection(Parser& parser, const ParseNode& tree) {
    NodeRef left = TypeNode(parser, *tree.left, nullptr);
    if (!left) return nullptr;
    if (left->type->kind != TypeKind::Structure) return Refuse(parser, tree, Msg::DotNeedsStructure);
    if (tree.right->kind != ParseKind::Identifier) return Refuse(parser, tree, Msg::DotNeedsIdentifier);
    DataItem* field = nullptr;
    for (DataItem* f = left->type->fields.first; f && !field; f = f->next) {
        if (!(f->flags & kDataHidden) && WideEqual(f->entry->name, tree.right->text)) field = f;
    }
    if (!field) {
        parser.ReportAt(tree.right->position, Msg::FieldNotFound, tree.right->text);
        return nullptr;
    }
    const uint8_t inherited = left->flags;
    NodeRef node = OperatorNode(parser, tree, field->type, EvalCode::Field, std::move(left), nullptr, false);
    if (!node) return nullptr;
    node->arity = 1;
    node->item = field;
    node->offset = field->offset;
    node->flags = (inherited & kNodeComputed) ? kNodeComputed : kNodeDirect;
    if ((inherited & kNodeReadOnly) || (field->flags & kDataConst)) node->flags |= kNodeReadOnly;
    else if (inherited & kNodeAssignable) node->flags |= kNodeAssignable;
    return node;
}

// f(...): a call of a function or shape.
NodeRef Call(Parser& parser, const ParseNode& tree, TypeDescriptor* expected) {
    NodeRef left = TypeNode(parser, *tree.left, nullptr);
    if (!left) return nullptr;
    TypeDescriptor* signature = left->type;
    if (signature->kind != TypeKind::FunctionType && signature->kind != TypeKind::ShapeType)
        return Refuse(parser, tree, Msg::NotARoutine);
    Owned<ExprList> arguments = BindList(parser, *tree.right, *signature, BindMode::Call);
    if (!arguments) return nullptr;
    TypeDescriptor* result = signature->kind == TypeKind::ShapeType ? SystemType(parser, library::kShape)
                                                                   : signature->baseType;
    NodeRef node = OperatorNode(parser, tree, result, EvalCode::Call, std::move(left), nullptr, false);
    if (!node) return nullptr;
    node->arity = 1;
    node->list = std::move(arguments);
    node->routine = node->left->routine;
    if (node->routine && node->routine->checker) {
        CallCheck check{parser, *node->routine, *node->list, expected, *node};
        if (!node->routine->checker(check)) return nullptr;
    }
    return node;
}

// s{...}: a copy of the structure with the listed fields replaced.
NodeRef Modify(Parser& parser, const ParseNode& tree) {
    NodeRef left = TypeNode(parser, *tree.left, nullptr);
    if (!left) return nullptr;
    if (left->type->kind != TypeKind::Structure) return Refuse(parser, tree, Msg::StructureOpNeedsStruct);
    Owned<ExprList> fields = BindList(parser, *tree.right, *left->type, BindMode::Modify);
    if (!fields) return nullptr;
    TypeDescriptor* type = left->type;
    NodeRef node = OperatorNode(parser, tree, type, EvalCode::StructureModify, std::move(left), nullptr, false);
    if (!node) return nullptr;
    node->arity = 1;
    node->list = std::move(fields);
    return node;
}

// The index expressions of t[...] or a[...], each typed against `indexType`
// of its position (nullptr: Number for all).
Owned<ExprList> Indexes(Parser& parser, const ParseNode& list, const TypeDescriptor& target) {
    Owned<ExprList> indexes = NewExprList(parser, list.itemCount, false);
    if (!indexes) return nullptr;
    const Dimension* dimension = target.kind == TypeKind::Array ? target.dimensions : nullptr;
    TypeDescriptor* number = SystemType(parser, library::kNumber);
    uint16_t i = 0;
    for (const ParseNode* item = list.items; item; item = item->next, ++i) {
        TypeDescriptor* wanted = dimension && dimension->indexType ? dimension->indexType : number;
        NodeRef& index = indexes->items[i];
        index = TypeNode(parser, *item, wanted);
        if (!index) return nullptr;
        if (index->type != wanted) {
            parser.ReportAt(item->position, Msg::InvalidIndexExpression);
            return nullptr;
        }
        if (dimension) dimension = dimension->next;
    }
    return indexes;
}

// t[i], t[i, j] on a Text; a[i, ...] on an array.
NodeRef Index(Parser& parser, const ParseNode& tree) {
    NodeRef left = TypeNode(parser, *tree.left, nullptr);
    if (!left) return nullptr;
    const ParseNode& list = *tree.right;
    const bool text = IsText(left->type);
    if (!text && left->type->kind != TypeKind::Array) return Refuse(parser, tree, Msg::ExpectedArrayLeft);
    const bool countOk = text ? (list.itemCount == 1 || list.itemCount == 2) : list.itemCount == left->type->dimensionCount;
    if (!countOk) return Refuse(parser, tree, Msg::IncorrectIndexCount);
    Owned<ExprList> indexes = Indexes(parser, list, *left->type);
    if (!indexes) return nullptr;
    TypeDescriptor* type = text ? left->type : left->type->baseType;
    const uint8_t inherited = left->flags;
    NodeRef node = OperatorNode(parser, tree, type, text ? EvalCode::TextCharacters : EvalCode::ArrayElement,
                                std::move(left), nullptr, false);
    if (!node) return nullptr;
    node->arity = 1;
    node->list = std::move(indexes);
    if (text) node->flags = kNodeComputed | kNodeReadOnly;
    else if (inherited & kNodeComputed) node->flags = kNodeComputed;
    else node->flags = static_cast<uint8_t>(kNodeDirect | (inherited & (kNodeReadOnly | kNodeAssignable)));
    return node;
}

// Module:name and :name resolve a name in one module's public names.
NodeRef Qualified(Parser& parser, const ParseNode& tree) {
    const Compilation& compilation = *parser.unit->module->compilation;
    const Module* module = nullptr;
    if (tree.arity == 2) {
        if (tree.left->kind != ParseKind::Identifier ||
            !(module = FindModuleByName(compilation, tree.left->text))) {
            parser.ReportAt(tree.left->position, Msg::LibraryNotFound, tree.left->text);
            return nullptr;
        }
    } else {
        module = FindModuleByNumber(compilation, 2);
    }
    if (tree.right->kind != ParseKind::Identifier) {
        parser.ReportAt(tree.right->position, Msg::ExpectedIdentifier);
        return nullptr;
    }
    IdentifierEntry* entry = module ? module->publicList.Find(tree.right->text) : nullptr;
    if (!entry) {
        parser.ReportAt(tree.right->position, Msg::UnknownIdentifier, tree.right->text);
        return nullptr;
    }
    return NodeForEntry(parser, *entry, tree.right->position);
}

}  // namespace

NodeRef TypeOperator(Parser& parser, const ParseNode& tree, TypeDescriptor* expected) {
    switch (tree.op->token) {
    case Tok::Plus:
    case Tok::Minus:
    case Tok::Star:
    case Tok::Slash:
    case Tok::SlashSlash:
    case Tok::Mod:
    case Tok::Caret: return Arithmetic(parser, tree);
    case Tok::GreaterEqual:
    case Tok::LessEqual:
    case Tok::Greater:
    case Tok::Less: return Ordering(parser, tree);
    case Tok::EqualEqual:
    case Tok::NotEqual: return Equality(parser, tree);
    case Tok::And:
    case Tok::Or:
    case Tok::Xor: return Logical(parser, tree);
    case Tok::Not:
    case Tok::MinusPrefix:
    case Tok::PlusPrefix: return Unary(parser, tree);
    case Tok::Dot: return FieldSelection(parser, tree);
    case Tok::ParenInfix: return Call(parser, tree, expected);
    case Tok::BraceInfix: return Modify(parser, tree);
    case Tok::BracketInfix: return Index(parser, tree);
    case Tok::Colon:
    case Tok::ColonPrefix: return Qualified(parser, tree);
    default: break;  // "->" outside a field/parameter list
    }
    parser.ReportAt(tree.position, Msg::InvalidArrowUse);
    return nullptr;
}

}  // namespace vorlan::compiler
