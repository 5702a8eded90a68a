#include "compiler/Typing.h"

#include "compiler/Declarations.h"
#include "base/WideText.h"
#include "value/Calendar.h"
#include "value/SystemTypeCodes.h"
#include "value/Text.h"
#include "value/Value.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vorlan::compiler {
namespace {

using runtime::Number;

// Section - Literals

NodeRef IntegerLiteral(Parser& parser, const ParseNode& tree) {
    int32_t value = 0;
    if (!ReadRadix(tree.text, &value)) {
        parser.ReportAt(tree.position, Msg::InvalidIntegerLiteral);
        return nullptr;
    }
    const Number word = runtime::MakeIntegerUnchecked(value);
    return NewLiteral(parser, tree.position, SystemType(parser, library::kNumber), &word, sizeof word);
}

// A real literal is not folded: constant expressions stay whole numbers.
NodeRef RealLiteral(Parser& parser, const ParseNode& tree) {
    char narrow[kIdentifierLength + 2];
    bool ok = tree.length <= kIdentifierLength;
    for (uint16_t i = 0; ok && i <= tree.length; ++i) narrow[i] = static_cast<char>(tree.text[i]);
    float value = 0;
    if (ok) {
        char* end = nullptr;
        errno = 0;
        value = std::strtof(narrow, &end);
        ok = errno == 0 && end && *end == 0 && std::isfinite(value);
    }
    if (!ok) {
        parser.ReportAt(tree.position, Msg::BadRealLiteral);
        return nullptr;
    }
    const Number word = runtime::MakeRealUnchecked(value);
    NodeRef node = NewLiteral(parser, tree.position, SystemType(parser, library::kNumber), &word, sizeof word);
    if (node) node->folds = false;
    return node;
}

NodeRef TextLiteral(Parser& parser, const ParseNode& tree) {
    NodeRef node = NewNode(parser, NodeForm::Value, tree.position, SystemType(parser, library::kText));
    if (!node) return nullptr;
    node->eval = EvalCode::TextLiteral;
    node->flags = kNodeComputed | kNodeReadOnly;
    node->folds = true;
    node->storage = NodeStorage::Literal;
    if (runtime::MakeText(tree.text, tree.length, &node->text) != Status::Success) {
        parser.ReportAt(tree.position, Msg::OutOfMemory);
        return nullptr;
    }
    return node;
}

// '2024-02-29' a date, '13:05:09.5' a time of day, '2024-02-29@13:05' both.
NodeRef SpecialLiteral(Parser& parser, const ParseNode& tree, TypeDescriptor* expected) {
    auto contains = [&tree](char16_t c) {
        for (uint16_t i = 0; i < tree.length; ++i) {
            if (tree.text[i] == c) return true;
        }
        return false;
    };
    const bool hasAt = contains(u'@');
    const bool hasDash = contains(u'-');
    const bool hasColon = contains(u':');
    if (!hasAt && !hasDash && !hasColon) {
        parser.ReportAt(tree.position, Msg::InvalidSpecial, tree.text);
        return nullptr;
    }
    TypeDescriptor* time = SystemType(parser, library::kTime);
    if (!expected || (expected != time && !(expected->kind == TypeKind::Base && expected->valueClass == kValueClassAny))) {
        parser.ReportAt(tree.position, Msg::MismatchedTypes);
        return nullptr;
    }
    runtime::Time value = runtime::kNullTime;
    Number day = 0, timeOfDay = 0;
    bool ok;
    if (hasAt) {
        ok = library::ReadDateTimeText(tree.text, &value);
    } else if (hasDash) {
        ok = library::ReadDateText(tree.text, &day);
        value = runtime::MakeTime(day, runtime::MakeIntegerUnchecked(0));
    } else {
        ok = library::ReadTimeOfDayText(tree.text, &timeOfDay);
        value = runtime::MakeTime(runtime::kNullNumber, timeOfDay);
    }
    if (!ok) {
        parser.ReportAt(tree.position, Msg::InvalidSpecial, tree.text);
        return nullptr;
    }
    return NewLiteral(parser, tree.position, time, &value, sizeof value);
}

NodeRef TruthLiteral(Parser& parser, const ParseNode& tree) {
    const runtime::Logical value = tree.text[0] == u'T' ? runtime::kTrue : runtime::kFalse;
    return NewLiteral(parser, tree.position, SystemType(parser, library::kLogical), &value, sizeof value);
}

// Section - Names

// An item of the expected enumeration, looked for before any other name.
DataItem* EnumerationItem(const TypeDescriptor* expected, const char16_t* name) {
    if (!expected || expected->kind != TypeKind::Enumeration) return nullptr;
    for (DataItem* item = expected->fields.first; item; item = item->next) {
        if (WideEqual(item->entry->name, name)) return item;
    }
    return nullptr;
}

NodeRef Identifier(Parser& parser, const ParseNode& tree, TypeDescriptor* expected) {
    if (DataItem* item = EnumerationItem(expected, tree.text)) return NodeForEntry(parser, *item->entry, tree.position);
    IdentifierEntry* entry = nullptr;
    switch (LookupName(*parser.unit, parser.routine, tree.text, &entry)) {
    case LookupResult::NotFound: parser.ReportAt(tree.position, Msg::UnknownIdentifier, tree.text); return nullptr;
    case LookupResult::Ambiguous: parser.ReportAt(tree.position, Msg::AmbiguousIdentifier, tree.text); return nullptr;
    case LookupResult::Found: break;
    }
    return NodeForEntry(parser, *entry, tree.position);
}

NodeRef DataItemNode(Parser& parser, DataItem& item, const ReportPosition& at, NodeStorage storage) {
    NodeRef node = NewNode(parser, NodeForm::Value, at, item.type);
    if (!node) return nullptr;
    node->eval = EvalCode::DataItem;
    node->storage = storage;
    node->item = &item;
    node->offset = item.offset;
    node->moduleNumber = item.module ? item.module->number : 0;
    node->flags = (item.flags & kDataRef) ? kNodeByReference : kNodeDirect;
    if (item.flags & kDataConst) node->flags |= kNodeReadOnly;
    else node->flags |= kNodeAssignable;
    // Number and enumeration constants fold through their initial values; a
    // variable's initial value may be gone by the time the expression runs.
    node->folds = (item.flags & kDataConst) && item.type &&
                  (IsSystemType(item.type, library::kNumber) || item.type->kind == TypeKind::Enumeration);
    return node;
}

// Section - Lists in operand position

NodeRef StructureValue(Parser& parser, const ParseNode& tree, TypeDescriptor* expected) {
    if (!expected) {
        parser.ReportAt(tree.position, Msg::IndeterminateStructure);
        return nullptr;
    }
    if (expected->kind != TypeKind::Structure) {
        parser.ReportAt(tree.position, Msg::MismatchedTypes);
        return nullptr;
    }
    Owned<ExprList> list = BindList(parser, tree, *expected, BindMode::StructureValue);
    if (!list) return nullptr;
    NodeRef node = NewNode(parser, NodeForm::Value, tree.position, expected);
    if (!node) return nullptr;
    node->eval = EvalCode::StructureValue;
    node->flags = kNodeComputed;
    node->list = std::move(list);
    return node;
}

// Checks the shape of an array literal's nested lists against the
// dimensions from `dimension` on; open dimensions take the length of their
// lists, which must agree.
bool CheckArrayShape(Parser& parser, const ParseNode& list, const Dimension* dimension, int32_t* lengths, int level) {
    if (dimension->count != 0 && list.itemCount != dimension->count) {
        parser.ReportAt(list.position, Msg::IncorrectLiteralLength);
        return false;
    }
    if (lengths[level] < 0) lengths[level] = list.itemCount;
    else if (lengths[level] != list.itemCount) {
        parser.ReportAt(list.position, Msg::IncorrectLiteralLength);
        return false;
    }
    if (!dimension->next) return true;
    for (const ParseNode* item = list.items; item; item = item->next) {
        if (item->kind != ParseKind::BracketList) {
            parser.ReportAt(item->position, Msg::IncorrectArrayType);
            return false;
        }
        if (!CheckArrayShape(parser, *item, dimension->next, lengths, level + 1)) return false;
    }
    return true;
}

// The items of one level of an array literal, typed; a nested list node for
// each further dimension.
NodeRef ArrayLevel(Parser& parser, const ParseNode& list, TypeDescriptor& arrayType, const Dimension* dimension) {
    Owned<ExprList> items = NewExprList(parser, list.itemCount, false);
    if (!items) return nullptr;
    bool ok = true;
    uint16_t i = 0;
    for (const ParseNode* item = list.items; item && ok; item = item->next, ++i) {
        items->items[i] = dimension->next ? ArrayLevel(parser, *item, arrayType, dimension->next)
                                          : TypeNode(parser, *item, arrayType.baseType);
        ok = items->items[i] != nullptr;
        if (ok && !dimension->next)
            ok = TypesCompatible(parser, arrayType.baseType, items->items[i]->type, Compatibility::Assignment,
                                 item->position);
    }
    NodeRef node = ok ? NewNode(parser, NodeForm::Value, list.position, &arrayType) : nullptr;
    if (!node) return nullptr;
    node->eval = EvalCode::ArrayLiteral;
    node->flags = kNodeComputed;
    node->list = std::move(items);
    return node;
}

NodeRef ArrayLiteral(Parser& parser, const ParseNode& tree, TypeDescriptor* expected) {
    if (!expected || expected->kind != TypeKind::Array) {
        parser.ReportAt(tree.position, Msg::MismatchedTypes);
        return nullptr;
    }
    int32_t lengths[kMaxNesting];
    for (int32_t& length : lengths) length = -1;
    if (expected->dimensionCount > kMaxNesting ||
        !CheckArrayShape(parser, tree, expected->dimensions, lengths, 0))
        return nullptr;
    return ArrayLevel(parser, tree, *expected, expected->dimensions);
}

}  // namespace

// Section - Shared helpers

NodeRef NewNode(Parser& parser, NodeForm form, const ReportPosition& at, TypeDescriptor* type) {
    NodeRef node(new ExprNode{});
    if (!node) {
        parser.ReportAt(at, Msg::OutOfMemory);
        return nullptr;
    }
    node->refCount = 1;
    node->form = form;
    node->position = at;
    node->type = type;
    return node;
}

NodeRef NewLiteral(Parser& parser, const ReportPosition& at, TypeDescriptor* type, const void* value, size_t size) {
    NodeRef node = NewNode(parser, NodeForm::Value, at, type);
    if (!node) return nullptr;
    node->eval = EvalCode::Literal;
    node->flags = kNodeComputed | kNodeReadOnly;
    node->folds = true;
    node->storage = NodeStorage::Literal;
    std::memcpy(node->literal, value, size);
    return node;
}

Owned<ExprList> NewExprList(Parser& parser, uint16_t count, bool bound) {
    Owned<ExprList> list(new ExprList{});
    if (list && count) {
        list->count = count;
        const bool itemsMade = list->items.Allocate(count, kTagExprList);
        const bool targetsMade = !bound || list->targets.Allocate(count, kTagExprList);
        if (!itemsMade || !targetsMade) list = nullptr;
    }
    if (!list) parser.Report(Msg::OutOfMemory);
    return list;
}

TypeDescriptor* SystemType(const Parser& parser, uint16_t code) {
    return FindSystemType(*parser.unit->module->compilation, code);
}

bool IsSystemType(const TypeDescriptor* type, uint16_t code) {
    return type && type->systemDeclared && type->typeCode == code;
}

NodeRef MakeTypeLiteral(Parser& parser, TypeDescriptor* type, const ReportPosition& at) {
    return NewLiteral(parser, at, SystemType(parser, library::kTypeType), &type, sizeof type);
}

NodeRef NodeForEntry(Parser& parser, IdentifierEntry& entry, const ReportPosition& at) {
    switch (entry.category) {
    case kCategoryType: return MakeTypeLiteral(parser, static_cast<TypeDescriptor*>(entry.object), at);
    case kCategoryRoutine: {
        auto* routine = static_cast<Routine*>(entry.object);
        NodeRef node = NewLiteral(parser, at, routine->type, &routine, sizeof routine);
        if (node) node->routine = routine;
        return node;
    }
    case kCategoryParameter:
    case kCategoryLocalDatum: return DataItemNode(parser, *static_cast<DataItem*>(entry.object), at, NodeStorage::Frame);
    case kCategoryGlobalDatum:
    case kCategorySavedDatum:
        return DataItemNode(parser, *static_cast<DataItem*>(entry.object), at, NodeStorage::ModuleData);
    case kCategoryContextElement: {
        if (parser.routine && parser.routine->kind == RoutineKind::Function) {
            parser.ReportAt(at, Msg::ContextInFunction);
            return nullptr;
        }
        NodeRef node = DataItemNode(parser, *static_cast<DataItem*>(entry.object), at, NodeStorage::Context);
        if (node) node->flags = kNodeByReference | kNodeReadOnly;
        return node;
    }
    case kCategoryEnumItem: {
        auto* item = static_cast<DataItem*>(entry.object);
        return NewLiteral(parser, at, item->type, &item, sizeof item);
    }
    default: parser.ReportAt(at, Msg::InvalidIdentifierCategory, entry.name); return nullptr;
    }
}

NodeRef NullOfType(Parser& parser, TypeDescriptor* expected, const ReportPosition& at) {
    if (!expected) {
        parser.ReportAt(at, Msg::InvalidNull);
        return nullptr;
    }
    const uint8_t zero[8] = {};
    if (IsSystemType(expected, library::kNumber) || IsSystemType(expected, library::kLogical)) {
        const Number null = runtime::kNullNumber;
        return NewLiteral(parser, at, expected, &null, sizeof null);
    }
    if (IsSystemType(expected, library::kTime)) {
        const runtime::Time null = runtime::kNullTime;
        return NewLiteral(parser, at, expected, &null, sizeof null);
    }
    if (IsSystemType(expected, library::kText)) {
        NodeRef node = NewLiteral(parser, at, expected, zero, sizeof zero);
        if (node) node->eval = EvalCode::TextLiteral;  // a Null block: copies as Null
        return node;
    }
    if (expected->kind == TypeKind::Array) {
        NodeRef node = NewLiteral(parser, at, expected, zero, sizeof zero);
        if (node) {
            node->eval = EvalCode::NullArray;
            node->folds = false;
        }
        return node;
    }
    if (expected->kind == TypeKind::FunctionType || expected->kind == TypeKind::ShapeType ||
        expected->kind == TypeKind::Enumeration)
        return NewLiteral(parser, at, expected, zero, sizeof zero);
    parser.ReportAt(at, Msg::InvalidNull);
    return nullptr;
}

NodeRef TypeNode(Parser& parser, const ParseNode& tree, TypeDescriptor* expected) {
    switch (tree.kind) {
    case ParseKind::IntegerLiteral: return IntegerLiteral(parser, tree);
    case ParseKind::RealLiteral: return RealLiteral(parser, tree);
    case ParseKind::TextLiteral: return TextLiteral(parser, tree);
    case ParseKind::SpecialLiteral: return SpecialLiteral(parser, tree, expected);
    case ParseKind::TrueFalse: return TruthLiteral(parser, tree);
    case ParseKind::Null: return NullOfType(parser, expected, tree.position);
    case ParseKind::Identifier: return Identifier(parser, tree, expected);
    case ParseKind::BraceList: return StructureValue(parser, tree, expected);
    case ParseKind::BracketList: return ArrayLiteral(parser, tree, expected);
    case ParseKind::Operator: return TypeOperator(parser, tree, expected);
    case ParseKind::ParenList: break;
    }
    parser.ReportAt(tree.position, Msg::BadJuxtaposition);
    return nullptr;
}

NodeRef TypeExpression(Parser& parser, const ParseNode& tree, TypeDescriptor* expected) {
    return TypeNode(parser, tree, expected);
}

NodeRef CompileExpression(Parser& parser, TypeDescriptor* expected) {
    ParseTree tree = ParseExpression(parser);
    if (!tree) return nullptr;
    return TypeNode(parser, *tree, expected);
}

NodeRef CompileConstant(Parser& parser, TypeDescriptor* expected, uint8_t (&value)[8]) {
    NodeRef node = CompileExpression(parser, expected);
    if (!node) return nullptr;
    const uint16_t status = FoldNode(*node, value);
    if (status != static_cast<uint16_t>(Status::Success)) {
        FileReport(parser.reader, &node->position, status, nullptr);
        return nullptr;
    }
    return node;
}

}  // namespace vorlan::compiler
