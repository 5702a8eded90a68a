// The checks a module read from a compiled file must pass before anything
// runs it. The reader has made sure every reference names something; these
// make sure it names something of the right kind: the rules the compiler
// keeps while it builds a tree, and on which the runner relies without
// looking (a Number operand is four bytes, a field lies inside its
// structure, a local lies inside its routine's frame). A file that breaks
// one is refused as a whole.

#include "programfile/CompiledChecks.h"

#include "compiler/Compilation.h"
#include "compiler/Declarations.h"
#include "compiler/Statements.h"
#include "value/SystemTypeCodes.h"

#include <cstring>
#include <unordered_map>

namespace vorlan::library {

using namespace compiler;

namespace {

// No array in a program has more dimensions than a literal of it may have.
constexpr uint16_t kMostDimensions = 200;

bool IsSystem(const TypeDescriptor* type, uint16_t code) {
    return type && type->systemDeclared && type->typeCode == code;
}

bool IsBase(const TypeDescriptor* type, uint16_t valueClass) {
    return type && type->kind == TypeKind::Base && type->valueClass == valueClass;
}

bool IsNumber(const TypeDescriptor* type) { return IsBase(type, kValueClassNumber); }
bool IsLogical(const TypeDescriptor* type) { return IsBase(type, kValueClassLogical); }
bool IsText(const TypeDescriptor* type) { return IsBase(type, kValueClassText); }
bool IsTime(const TypeDescriptor* type) { return IsBase(type, kValueClassTime); }
bool IsAny(const TypeDescriptor* type) { return IsBase(type, kValueClassAny); }
bool IsEnumeration(const TypeDescriptor* type) { return type && type->kind == TypeKind::Enumeration; }
bool IsRoutineType(const TypeDescriptor* type) {
    return type && (type->kind == TypeKind::FunctionType || type->kind == TypeKind::ShapeType);
}

bool Usable(const TypeDescriptor* type) {
    return type && type->state == TypeState::Complete && type->ops.clear && type->ops.copy && type->ops.release;
}

bool Holds(const DataArea& area, const DataItem* item) {
    for (const DataItem* candidate = area.first; candidate; candidate = candidate->next) {
        if (candidate == item) return true;
    }
    return false;
}

// A bound list's targets are its owner's fields, one slot each, in order.
bool BoundTo(const ExprList* list, const TypeDescriptor& owner) {
    if (!list || list->count != owner.fields.count) return false;
    if (list->count == 0) return true;
    if (!list->targets) return false;
    uint16_t i = 0;
    for (const DataItem* field = owner.fields.first; field; field = field->next, ++i) {
        if (list->targets[i] != field) return false;
    }
    return true;
}

class Checker {
public:
    Checker(const Compilation& compilation, const Module& module) : compilation_(compilation), module_(module) {
        for (const Module* m = compilation.firstModule; m; m = m->next) {
            for (const DataItem* item = m->dataAreas[1].first; item; item = item->next) moduleOf_[item] = m->number;
        }
    }

    bool CheckModule();
    // The part of the module that broke a rule, once CheckModule failed.
    Refusal Failed() const { return failed_; }

private:
    bool CheckType(const TypeDescriptor& type);
    bool CheckArrayType(const TypeDescriptor& type);
    bool CheckItem(const DataItem& item);
    bool CheckItems(const DataArea& area);
    bool CheckRoutine(const Routine& routine);

    bool Node(const ExprNode* node);
    bool Value(const ExprNode* node, bool (*kind)(const TypeDescriptor*));
    bool NodeParts(const ExprNode& node);
    bool DataItemNode(const ExprNode& node);
    bool LiteralNode(const ExprNode& node);
    bool ArrayLevel(const ExprNode& level, const TypeDescriptor& array, const Dimension& dimension);
    bool BoundItems(const ExprList& list);
    bool CallNode(const ExprNode& node, bool shape);
    bool Context(const compiler::NodeRef (&elements)[kContextSlots]);

    bool Block(const StatementBlock* block);
    bool List(const StatementList& list);
    bool CheckStatement(const Statement& statement);
    // One check per statement kind, chosen by the record's type.
    bool Check(const WhileStatement& record);
    bool Check(const AssignmentStatement& record);
    bool Check(const ShapeCallStatement& record);
    bool Check(const ForStatement& record);
    bool ForBounds(const ForStatement& record);
    bool Check(const WithStatement& record);
    bool Check(const OutputStatement& record);
    bool Check(const ReturnStatement& record);
    bool Check(const IfStatement& record);
    bool Check(const BreakStatement&) { return true; }
    bool Check(const OverStatement& record);
    bool Check(const SelectStatement& record);
    bool Check(const ErrorStatement& record);

    const Compilation& compilation_;
    const Module& module_;
    const Routine* routine_ = nullptr;  // whose frame Frame nodes address; none outside bodies
    std::unordered_map<const DataItem*, uint16_t> moduleOf_;
    Refusal failed_ = Refusal::None;
};

// Section - Types and data

bool Checker::CheckArrayType(const TypeDescriptor& type) {
    if (!Usable(type.baseType) || type.cellSize != 8 || type.dimensionCount == 0 ||
        type.dimensionCount > kMostDimensions)
        return false;
    bool open = false;
    uint16_t count = 0;
    for (const Dimension* dimension = type.dimensions; dimension; dimension = dimension->next, ++count) {
        const TypeDescriptor* index = dimension->indexType;
        if (!IsNumber(index) && !IsEnumeration(index)) return false;
        if (dimension->count == 0) {
            if (dimension->low != -1 || dimension->high != -2 || !IsNumber(index)) return false;
            open = true;
        } else if (dimension->low > dimension->high ||
                   int64_t{dimension->high} - dimension->low + 1 != dimension->count) {
            return false;
        }
    }
    return count == type.dimensionCount && open == type.openArray;
}

bool Checker::CheckType(const TypeDescriptor& type) {
    if (!Usable(&type) || type.fields.base != 0) return false;
    // Enumeration items are values of their own type, not cells: checked below.
    if (type.kind != TypeKind::Enumeration && !CheckItems(type.fields)) return false;
    switch (type.kind) {
    case TypeKind::Array: return type.fields.count == 0 && CheckArrayType(type);
    case TypeKind::Structure: return type.cellSize == type.fields.size;
    case TypeKind::FunctionType:
    case TypeKind::ShapeType: return type.cellSize == 8 && (!type.baseType || Usable(type.baseType));
    case TypeKind::Enumeration: {
        int32_t position = 0;
        for (const DataItem* item = type.fields.first; item; item = item->next) {
            if (item->type != &type || item->enumPosition != ++position) return false;
        }
        return type.cellSize == 8;
    }
    case TypeKind::Base: break;
    }
    return false;
}

bool Checker::CheckItem(const DataItem& item) {
    const bool ref = (item.flags & kDataRef) != 0;
    if (!Usable(item.type)) return false;
    if (item.cellSize != (ref ? 8 : item.type->cellSize)) return false;
    if (!item.initial) return true;
    return Node(item.initial) && TypesFit(item.type, item.initial->type, Compatibility::Assignment);
}

bool Checker::CheckItems(const DataArea& area) {
    for (const DataItem* item = area.first; item; item = item->next) {
        if (!CheckItem(*item)) return false;
    }
    return true;
}

bool Checker::CheckRoutine(const Routine& routine) {
    const TypeDescriptor* type = routine.type;
    const TypeKind kind = routine.kind == RoutineKind::Function ? TypeKind::FunctionType : TypeKind::ShapeType;
    failed_ = Refusal::TreeRoutine;
    if (!type || type->kind != kind || routine.builtinNumber != 0 || !routine.body) return false;
    if (routine.frame.base != type->fields.size) return false;
    routine_ = &routine;
    failed_ = Refusal::TreeData;
    bool ok = CheckItems(routine.frame);
    failed_ = Refusal::TreeBody;
    ok = ok && Block(routine.body);
    routine_ = nullptr;
    return ok;
}

bool Checker::CheckModule() {
    failed_ = Refusal::TreeType;
    for (const TypeTable& table : module_.typeTables) {
        for (const TypeDescriptor* type = table.first; type; type = type->next) {
            if (!CheckType(*type)) return false;
        }
    }
    failed_ = Refusal::TreeData;
    if (module_.dataAreas[0].first || !CheckItems(module_.dataAreas[1])) return false;
    for (const Routine* routine = module_.routines.first; routine; routine = routine->next) {
        if (!CheckRoutine(*routine)) return false;
    }
    failed_ = Refusal::None;
    return true;
}

// Section - Expressions

bool Checker::Node(const ExprNode* node) { return node && Usable(node->type) && NodeParts(*node); }

bool Checker::Value(const ExprNode* node, bool (*kind)(const TypeDescriptor*)) {
    return Node(node) && kind(node->type);
}

bool Checker::DataItemNode(const ExprNode& node) {
    const DataItem* item = node.item;
    if (!item || node.offset != item->offset || node.type != item->type || (node.flags & kNodeComputed)) return false;
    const bool ref = (item->flags & kDataRef) != 0;
    switch (node.storage) {
    case NodeStorage::Frame:
        if (!routine_ || !(Holds(routine_->frame, item) || Holds(routine_->type->fields, item))) return false;
        break;
    case NodeStorage::ModuleData: {
        const auto found = moduleOf_.find(item);
        if (found == moduleOf_.end() || found->second != node.moduleNumber) return false;
        break;
    }
    case NodeStorage::Context:
        return Holds(compilation_.systemModule->dataAreas[0], item) && ref;
    case NodeStorage::None:
    case NodeStorage::Literal: return false;
    }
    return ref == ((node.flags & kNodeByReference) != 0);
}

// An enumeration literal is one of its type's items; a routine literal a
// routine of its type.
bool Checker::LiteralNode(const ExprNode& node) {
    const TypeDescriptor* type = node.type;
    if (type->kind == TypeKind::Array || type->kind == TypeKind::Structure || IsText(type)) return false;
    const void* held = nullptr;
    std::memcpy(&held, node.literal, sizeof held);
    if (IsEnumeration(type)) return !held || Holds(type->fields, static_cast<const DataItem*>(held));
    if (IsRoutineType(type)) return !held || TypesFit(type, static_cast<const Routine*>(held)->type, Compatibility::Assignment);
    return true;
}

bool Checker::ArrayLevel(const ExprNode& level, const TypeDescriptor& array, const Dimension& dimension) {
    if (level.eval != EvalCode::ArrayLiteral || !level.list || level.list->targets) return false;
    for (uint16_t i = 0; i < level.list->count; ++i) {
        const ExprNode* item = level.list->items[i];
        if (!item) return false;
        if (dimension.next ? !ArrayLevel(*item, array, *dimension.next)
                           : !(Node(item) && TypesFit(array.baseType, item->type, Compatibility::Assignment)))
            return false;
    }
    return true;
}

bool Checker::BoundItems(const ExprList& list) {
    for (uint16_t i = 0; i < list.count; ++i) {
        const ExprNode* item = list.items[i];
        if (item && !(Node(item) && TypesFit(list.targets[i]->type, item->type, Compatibility::Assignment)))
            return false;
    }
    return true;
}

bool Checker::CallNode(const ExprNode& node, bool shape) {
    const ExprNode* callee = node.left;
    if (!Node(callee) || !IsRoutineType(callee->type) || !BoundTo(node.list, *callee->type) || !BoundItems(*node.list))
        return false;
    if ((callee->type->kind == TypeKind::ShapeType) != shape) return false;
    const Routine* routine = nullptr;
    if (callee->eval == EvalCode::Literal) {
        std::memcpy(&routine, callee->literal, sizeof routine);
        if (routine && routine->type != callee->type) return false;
    }
    if (node.routine && node.routine != routine) return false;
    if (shape) return true;
    // A built-in's checker settled the types its _Variant result stands for.
    if (routine && routine->checkerRules && !routine->checkerRules(routine->builtinNumber, *node.list, node.type))
        return false;
    const TypeDescriptor* result = callee->type->baseType;
    return result == node.type || (IsAny(result) && routine && routine->builtinNumber != 0);
}

bool Checker::NodeParts(const ExprNode& node) {
    const bool computed = (node.flags & kNodeComputed) != 0;
    const bool addressable = node.eval == EvalCode::DataItem || node.eval == EvalCode::Field ||
                             node.eval == EvalCode::ArrayElement;
    if (!computed && !addressable) return false;
    const TypeDescriptor* type = node.type;
    switch (node.eval) {
    case EvalCode::DataItem: return DataItemNode(node);
    case EvalCode::Literal: return LiteralNode(node);
    case EvalCode::TextLiteral: return IsText(type);
    case EvalCode::NullArray: return type->kind == TypeKind::Array;
    case EvalCode::ArrayLiteral:
        return type->kind == TypeKind::Array && type->dimensions && ArrayLevel(node, *type, *type->dimensions);
    case EvalCode::Add:
    case EvalCode::Subtract:
    case EvalCode::Multiply:
    case EvalCode::Divide:
    case EvalCode::IntegerDivide:
    case EvalCode::Modulo:
    case EvalCode::Power: return IsNumber(type) && Value(node.left, IsNumber) && Value(node.right, IsNumber);
    case EvalCode::Negate:
    case EvalCode::UnaryPlus: return IsNumber(type) && Value(node.right, IsNumber);
    case EvalCode::Concatenate: return IsText(type) && Value(node.left, IsText) && Value(node.right, IsText);
    case EvalCode::CompareNumber: return IsLogical(type) && Value(node.left, IsNumber) && Value(node.right, IsNumber);
    case EvalCode::CompareTime: return IsLogical(type) && Value(node.left, IsTime) && Value(node.right, IsTime);
    case EvalCode::CompareText: return IsLogical(type) && Value(node.left, IsText) && Value(node.right, IsText);
    case EvalCode::CompareEnum:
        return IsLogical(type) && Value(node.left, IsEnumeration) && Value(node.right, IsEnumeration) &&
               node.left->type == node.right->type;
    case EvalCode::Equal:
        return IsLogical(type) && Node(node.left) && Node(node.right) && !IsAny(node.left->type) &&
               TypesFit(node.left->type, node.right->type, Compatibility::Comparison);
    case EvalCode::And:
    case EvalCode::Or:
    case EvalCode::Xor: return IsLogical(type) && Value(node.left, IsLogical) && Value(node.right, IsLogical);
    case EvalCode::Not: return IsLogical(type) && Value(node.right, IsLogical);
    case EvalCode::ArrayElement: {
        const TypeDescriptor* array = node.left ? node.left->type : nullptr;
        if (!Node(node.left) || array->kind != TypeKind::Array || type != array->baseType || !node.list ||
            node.list->count != array->dimensionCount)
            return false;
        for (uint16_t i = 0; i < node.list->count; ++i) {
            const ExprNode* index = node.list->items[i];
            if (!Node(index) || !(IsNumber(index->type) || IsEnumeration(index->type))) return false;
        }
        return true;
    }
    case EvalCode::TextCharacters: {
        if (!IsText(type) || !Value(node.left, IsText) || !node.list || node.list->count < 1 || node.list->count > 2)
            return false;
        for (uint16_t i = 0; i < node.list->count; ++i) {
            if (!Value(node.list->items[i], IsNumber)) return false;
        }
        return true;
    }
    case EvalCode::Field: {
        const TypeDescriptor* owner = node.left ? node.left->type : nullptr;
        return Node(node.left) && owner->kind == TypeKind::Structure && node.item &&
               Holds(owner->fields, node.item) && node.offset == node.item->offset && type == node.item->type;
    }
    case EvalCode::StructureValue:
        return type->kind == TypeKind::Structure && BoundTo(node.list, *type) && BoundItems(*node.list);
    case EvalCode::StructureModify:
        return type->kind == TypeKind::Structure && BoundTo(node.list, *type) && BoundItems(*node.list) &&
               Node(node.left) && TypesFit(type, node.left->type, Compatibility::Assignment);
    case EvalCode::Call: return CallNode(node, false);
    case EvalCode::None:
    case EvalCode::Count: break;
    }
    return false;
}

// Section - Statements

// Point, TPen, TBrush, TFont and TCanvas, slot by slot.
bool Checker::Context(const compiler::NodeRef (&elements)[kContextSlots]) {
    for (int slot = 0; slot < kContextSlots; ++slot) {
        const ExprNode* element = elements[slot];
        if (element && !(Node(element) && IsSystem(element->type, static_cast<uint16_t>(kPoint + slot)))) return false;
    }
    return true;
}

bool Checker::Block(const StatementBlock* block) {
    if (!block) return true;
    return List(block->main) && List(block->onError);
}

bool Checker::List(const StatementList& list) {
    for (const Statement* statement = list.head; statement; statement = statement->next) {
        if (!CheckStatement(*statement)) return false;
    }
    return true;
}

bool Checker::Check(const AssignmentStatement& record) {
    const ExprNode* target = record.target;
    const ExprNode* value = record.value;
    if (!Node(target) || !Node(value) || (target->flags & kNodeComputed)) return false;
    switch (record.op) {
    case AssignOp::Assign: return TypesFit(target->type, value->type, Compatibility::Assignment);
    case AssignOp::Add:
        if (IsText(target->type)) return IsText(value->type);
        [[fallthrough]];
    case AssignOp::Subtract:
    case AssignOp::Multiply:
    case AssignOp::Divide:
    case AssignOp::IntegerDivide: return IsNumber(target->type) && IsNumber(value->type);
    case AssignOp::Append: {
        const TypeDescriptor* array = target->type;
        return array->kind == TypeKind::Array && array->openArray && array->dimensionCount == 1 &&
               TypesFit(array->baseType, value->type, Compatibility::Assignment);
    }
    }
    return false;
}

bool Checker::ForBounds(const ForStatement& record) {
    const DataItem* control = record.control;
    if (!control || (control->flags & kDataRef)) return false;
    // A Saved local lives in its module's data.
    const bool saved = (control->flags & kDataSaved) && control->module == &module_;
    if (!(saved ? Holds(module_.dataAreas[1], control) : Holds(routine_->frame, control))) return false;
    if (record.step && !Value(record.step, IsNumber)) return false;
    switch (record.variant) {
    case ForVariant::NumberRange:
        return IsNumber(control->type) && Value(record.from, IsNumber) && Value(record.to, IsNumber);
    case ForVariant::EnumRange:
        return IsEnumeration(control->type) && Node(record.from) && Node(record.to) &&
               record.from->type == control->type && record.to->type == control->type;
    case ForVariant::EnumIn:
        return IsEnumeration(control->type) && (!record.from || Node(record.from)) && (!record.to || Node(record.to));
    }
    return false;
}

bool Checker::Check(const SelectStatement& record) {
    const TypeDescriptor* type = record.selectorType;
    const bool byNumber = record.mode == SelectMode::Number;
    if (!Node(record.selector) || record.selector->type != type || (byNumber ? !IsNumber(type) : !IsEnumeration(type)))
        return false;
    for (const CaseClause* clause = record.first; clause; clause = clause->next) {
        for (const CaseItem* item = clause->first; item && !byNumber; item = item->next) {
            const DataItem *low = nullptr, *high = nullptr;
            std::memcpy(&low, item->lowValue, sizeof low);
            std::memcpy(&high, item->highValue, sizeof high);
            if ((low && !Holds(type->fields, low)) || (high && !Holds(type->fields, high))) return false;
        }
        if (!Block(clause->block)) return false;
    }
    return Block(record.otherwise);
}

bool Checker::Check(const WhileStatement& record) { return Value(record.condition, IsLogical) && Block(record.body); }

bool Checker::Check(const ShapeCallStatement& record) {
    return record.call && record.call->eval == EvalCode::Call && CallNode(*record.call, true) && Context(record.context);
}

bool Checker::Check(const ForStatement& record) { return ForBounds(record) && Block(record.body); }

bool Checker::Check(const WithStatement& record) { return Context(record.context) && Block(record.body); }

bool Checker::Check(const OutputStatement& record) {
    for (const OutputItem* item = record.first; item; item = item->next) {
        bool found = false;
        if (!Node(item->value) || WriterFor(item->value->type, &found) != item->writer || !found) return false;
    }
    return true;
}

bool Checker::Check(const ReturnStatement& record) {
    const ExprNode* value = record.value;
    if (routine_->kind != RoutineKind::Function) return value == nullptr;
    return Node(value) && TypesFit(routine_->type->baseType, value->type, Compatibility::Assignment);
}

bool Checker::Check(const IfStatement& record) {
    for (const IfClause* clause = record.first; clause; clause = clause->next) {
        if (!Value(clause->condition, IsLogical) || !Block(clause->block)) return false;
    }
    return Block(record.elseBlock);
}

bool Checker::Check(const OverStatement& record) {
    const DataItem* alias = record.alias;
    return Node(record.array) && record.array->type->kind == TypeKind::Array && alias &&
           Holds(routine_->frame, alias) && (alias->flags & kDataRef) && alias->type == record.array->type->baseType &&
           Block(record.body);
}

bool Checker::Check(const ErrorStatement& record) {
    return Node(record.category) && IsSystem(record.category->type, kReportCat) && Value(record.message, IsText);
}

bool Checker::CheckStatement(const Statement& statement) {
    bool fits = false;
    // A number that names no kind is refused with the rest.
    (void)VisitStatement(statement, [&](const auto& record) { fits = Check(record); });
    return fits;
}

}  // namespace

Status CheckCompiledModule(const Compilation& compilation, const Module& module, Refusal* why) {
    Checker checker(compilation, module);
    const bool passed = checker.CheckModule();
    *why = checker.Failed();
    return passed ? Status::Success : Status::Invalid;
}

Status CheckEntryRoutine(const Routine& routine) {
    for (const DataItem* parameter = routine.type->fields.first; parameter; parameter = parameter->next) {
        if (!parameter->type || !IsValidProgramParameterType(*parameter->type)) return Status::Invalid;
    }
    return Status::Success;
}

}  // namespace vorlan::library
