#include "compiler/Declarations.h"
#include "compiler/ParseTree.h"

#include "compiler/Expression.h"
#include "base/WideText.h"
#include "value/Value.h"
#include "value/ValueOps.h"

namespace vorlan::compiler {
namespace {

constexpr uint16_t kTypeCodeShape = 11;
constexpr uint16_t kTypeCodeNumber = 2;

Scope EffectiveScope(Scope scope) { return scope == Scope::None ? Scope::Private : scope; }

// The unit's own forward type of that name, if it has one.
TypeDescriptor* FindForward(const Unit& unit, const char16_t* name) {
    IdentifierEntry* entry = unit.privateList.Find(name);
    if (!entry) {
        entry = unit.module->publicList.Find(name);
        if (entry && entry->unitNumber != unit.number) entry = nullptr;
    }
    if (!entry || !(entry->category & kCategoryType)) return nullptr;
    auto* type = static_cast<TypeDescriptor*>(entry->object);
    return type->state == TypeState::Forward ? type : nullptr;
}

TypeDescriptor* FindDeclaredType(const Unit& unit, const char16_t* name) {
    IdentifierEntry* entry = unit.privateList.Find(name);
    if (!entry) entry = unit.module->publicList.Find(name);
    if (!entry || !(entry->category & kCategoryType)) return nullptr;
    return static_cast<TypeDescriptor*>(entry->object);
}


// { field list }: the opening brace is the current token.
bool DefineStructure(Parser& parser, TypeDescriptor& type) {
    type.kind = TypeKind::Structure;
    parser.Next();
    if (!FieldList(parser, type, ListMode::Fields, true, true)) return false;
    if (!parser.Is(Tok::RightBrace)) {
        parser.Report(Msg::ExpectedRightBrace);
        return false;
    }
    for (const DataItem* field = type.fields.first; field; field = field->next) {
        if (field->type->state != TypeState::Complete) {
            parser.ReportAt(field->position, Msg::ExpectedRightBrace);
            return false;
        }
    }
    type.cellSize = type.fields.size;
    parser.Next();
    return true;
}

bool DeclareEnumItem(Parser& parser, TypeDescriptor& type, const Token& name) {
    Owned<DataItem> made(new DataItem{});
    IdentifierEntry* entry = made ? MakeIdentifier(name.text, kCategoryEnumItem, Scope::EnumItem, made) : nullptr;
    if (!entry) {
        parser.Report(Msg::OutOfMemory);
        return false;
    }
    DataItem* item = made.Take();  // the list it joins below owns it from here
    item->entry = entry;
    item->module = parser.unit->module;
    item->type = &type;
    item->flags = kDataOwnsEntry | kDataConst;
    item->position = name.position;
    type.fields.Add(item);
    item->enumPosition = item->number;
    item->enumValue = item->number;
    entry->number = item->number;
    return true;
}

// ( item, item = value, ... ): the opening parenthesis is the current token.
bool DefineEnumeration(Parser& parser, TypeDescriptor& type) {
    type.kind = TypeKind::Enumeration;
    type.cellSize = 8;
    parser.Next();
    for (;;) {
        if (!parser.Is(Tok::Identifier)) {
            parser.Report(Msg::ExpectedIdentifier);
            return false;
        }
        bool known = false;
        for (const DataItem* item = type.fields.first; item; item = item->next) known |= WideEqual(item->entry->name, parser.token.text);
        if (known) parser.Report(Msg::NameAlreadyUsed, parser.token.text);
        else if (!DeclareEnumItem(parser, type, parser.token)) return false;
        parser.Next();
        while (parser.Is(Tok::Equals)) {  // value parts are compiled in the body pass
            parser.Next();
            if (!SkipExpression(parser)) return false;
        }
        if (!parser.Is(Tok::Comma)) break;
        parser.Next();
    }
    if (!parser.Is(Tok::RightParen)) {
        parser.Report(Msg::ExpectedEnumParen);
        return false;
    }
    parser.Next();
    return true;
}

bool AddDimension(Parser& parser, TypeDescriptor& type, bool open) {
    auto* dimension = new Dimension{};
    if (!dimension) {
        parser.Report(Msg::OutOfMemory);
        return false;
    }
    if (open) {
        dimension->indexType = FindSystemType(*parser.unit->module->compilation, kTypeCodeNumber);
        dimension->low = -1;
        dimension->high = -2;
        type.openArray = true;
    }
    Dimension** tail = &type.dimensions;
    while (*tail) tail = &(*tail)->next;
    *tail = dimension;
    ++type.dimensionCount;
    return true;
}

// [ dimension, ... ]: the opening bracket is the current token. Bounds are
// constant expressions, evaluated in the body pass.
bool DefineArray(Parser& parser, TypeDescriptor& type) {
    type.kind = TypeKind::Array;
    type.cellSize = 8;
    parser.Next();
    for (;;) {
        const bool open = parser.Is(Tok::Comma) || parser.Is(Tok::RightBracket);
        if (!open) {
            if (!SkipExpression(parser)) return false;
            if (parser.Is(Tok::To)) {
                parser.Next();
                if (!SkipExpression(parser)) return false;
            }
        }
        if (!AddDimension(parser, type, open)) return false;
        if (!parser.Is(Tok::Comma)) break;
        parser.Next();
    }
    if (!parser.Is(Tok::RightBracket)) {
        parser.Report(Msg::ExpectingBracket);
        return false;
    }
    parser.Next();
    return true;
}

bool DefineRoutineType(Parser& parser, TypeDescriptor& type) {
    type.kind = type.baseType->typeCode == kTypeCodeShape ? TypeKind::ShapeType : TypeKind::FunctionType;
    type.cellSize = 8;
    parser.Next();
    if (!FieldList(parser, type, ListMode::Parameters, true, true)) return false;
    if (!parser.Is(Tok::RightParen)) {
        parser.Report(Msg::ExpectedCloseParen);
        return false;
    }
    parser.Next();
    return true;
}

// Forward, a structure, an enumeration, or a base type followed by a
// parameter list (a routine type) or dimensions (an array).
bool ReadDefinition(Parser& parser, TypeDescriptor& type) {
    switch (parser.Code()) {
    case Tok::Forward:
        type.state = TypeState::Forward;
        parser.Next();
        return true;
    case Tok::BraceList: return DefineStructure(parser, type);
    case Tok::ParenOperand: return DefineEnumeration(parser, type);
    default: break;
    }
    if (parser.Is(Tok::Shape)) {
        type.baseType = FindSystemType(*parser.unit->module->compilation, kTypeCodeShape);
        parser.Next();
    } else {
        type.baseType = ReadTypeName(parser);
        if (!type.baseType) return false;
    }
    if (parser.Is(Tok::ParenInfix)) return DefineRoutineType(parser, type);
    if (parser.Is(Tok::BracketInfix)) return DefineArray(parser, type);
    parser.Report(Msg::BadTypeDefinition);
    return false;
}

bool WaitsForForward(const TypeDescriptor& type) {
    auto waits = [](const TypeDescriptor* part) { return part->state != TypeState::Complete || !part->ops.clear; };
    if (type.kind == TypeKind::Array) return waits(type.baseType);
    if (type.kind != TypeKind::Structure) return false;
    for (const DataItem* field = type.fields.first; field; field = field->next) {
        if (!(field->flags & kDataRef) && waits(field->type)) return true;
    }
    return false;
}

// The name and its descriptor: a new one, or the unit's forward type of that name.
TypeDescriptor* DeclareTypeName(Parser& parser, const Modifiers& modifiers, const Token& name) {
    Unit& unit = *parser.unit;
    const Scope scope = EffectiveScope(modifiers.scope);
    if (TypeDescriptor* forward = FindForward(unit, name.text)) {
        if (scope != forward->entry->scope) {
            parser.ReportAt(name.position, Msg::ForwardScopeChange);
            return nullptr;
        }
        forward->state = TypeState::Defining;
        return forward;
    }
    if (const uint16_t conflict = CheckUnitName(unit, name.text, scope)) {
        FileReport(parser.reader, &name.position, conflict, nullptr);
        return nullptr;
    }
    TypeDescriptor* type = MakeType(TypeKind::Base, kValueClassDeclared, 0);
    IdentifierEntry* entry = type ? MakeIdentifier(name.text, kCategoryType, scope, type) : nullptr;
    if (!entry) {
        FreeType(type);
        parser.Report(Msg::OutOfMemory);
        return nullptr;
    }
    type->entry = entry;
    type->declaration = name.position;
    type->table = 1;
    AddIdentifier(unit, entry);
    unit.module->typeTables[0].Add(type);
    return type;
}

}  // namespace

// [scope] Type Name = definition ;
bool TypeDeclaration(Parser& parser, const Modifiers& modifiers) {
    parser.Next();
    if (!parser.Is(Tok::Identifier)) {
        parser.Report(Msg::ExpectedIdentifier);
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    const Token name = parser.token;
    TypeDescriptor* type = DeclareTypeName(parser, modifiers, name);
    if (!type) {
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    parser.Next();
    bool ok = true;
    if (!parser.Is(Tok::Equals)) {
        parser.Report(Msg::ExpectedDefEquals);
        ok = false;
    }
    if (ok) {
        parser.Next();
        ok = ReadDefinition(parser, *type);
    }
    if (ok && !parser.Is(Tok::Semicolon)) {
        parser.Report(Msg::ExpectedSemicolon);
        ok = false;
    }
    if (ok && type->state != TypeState::Forward) {
        // A type built on one still forward gets its operations once the
        // declaration pass has seen every type (ChooseDeferredValueOps).
        if (!WaitsForForward(*type) && !runtime::SetValueOps(*type)) {
            parser.ReportAt(name.position, Msg::IndeterminateMode, name.text);
            ok = false;
        } else {
            type->state = TypeState::Complete;
        }
    }
    SkipTo(parser, Tok::Semicolon);
    return ok;
}

void ChooseDeferredValueOps(Parser& parser) {
    for (TypeDescriptor* type = parser.unit->module->typeTables[0].first; type; type = type->next) {
        if (type->state != TypeState::Complete || type->ops.clear) continue;
        if (!runtime::SetValueOps(*type)) parser.ReportAt(type->declaration, Msg::IndeterminateMode, TypeName(*type));
    }
}

// Section - Body pass: enumeration values and array bounds

namespace {

using runtime::Number;

// Folds a constant; reports a failed fold with the status as the message code.
bool FoldConstant(Parser& parser, ExprNode& node, uint8_t (&value)[8]) {
    const uint16_t status = FoldNode(node, value);
    if (status == static_cast<uint16_t>(Status::Success)) return true;
    FileReport(parser.reader, &node.position, status, nullptr);
    return false;
}

// One value part of an enumeration item: a whole number sets its value, a
// text its text, each at most once.
bool EnumValuePart(Parser& parser, DataItem& item, bool& numbered, bool& named) {
    const NodeRef node = CompileExpression(parser, nullptr);
    if (!node) return false;
    uint8_t value[8] = {};
    bool ok = FoldConstant(parser, *node, value);
    if (ok && node->type->kind == TypeKind::Base && node->type->valueClass == kValueClassNumber) {
        const Number word = runtime::LoadCell<Number>(value);
        if (numbered) {
            parser.ReportAt(node->position, Msg::InitialisationTwice);
            ok = false;
        } else if (!runtime::IsInteger(word)) {
            parser.ReportAt(node->position, Msg::BadEnumInitialiser);
            ok = false;
        } else {
            item.enumValue = runtime::IntegerOf(word);
            numbered = true;
        }
    } else if (ok && node->type->kind == TypeKind::Base && node->type->valueClass == kValueClassText) {
        void* block = runtime::LoadHandle<void>(value);
        if (named) {
            parser.ReportAt(node->position, Msg::InitialisationTwice);
            MemReleaseBlock(block);
            ok = false;
        } else {
            MemReleaseBlock(item.enumText);
            item.enumText = block;
            named = true;
        }
    } else if (ok) {
        parser.ReportAt(node->position, Msg::InvalidOperandTypes);
        ok = false;
    }
    return ok;
}

// ( item = value = value, ... ) read again: values in order; an item without
// a number follows the one before it once any item has been numbered.
bool CompleteEnumeration(Parser& parser, TypeDescriptor& type) {
    parser.Next();
    bool ok = true;
    bool renumbering = false;
    int32_t previous = 0;
    for (DataItem* item = type.fields.first; item && parser.Is(Tok::Identifier); item = item->next) {
        parser.Next();
        bool numbered = false, named = false;
        while (parser.Is(Tok::Equals)) {
            parser.Next();
            ok = EnumValuePart(parser, *item, numbered, named) && ok;
        }
        if (numbered) renumbering = true;
        else if (renumbering) item->enumValue = previous + 1;
        previous = item->enumValue;
        if (!parser.Is(Tok::Comma)) break;
        parser.Next();
    }
    return ok;
}

bool WholeBound(Parser& parser, ExprNode& node, int32_t* bound) {
    uint8_t value[8] = {};
    if (!FoldConstant(parser, node, value)) return false;
    const Number word = runtime::LoadCell<Number>(value);
    if (!runtime::IsInteger(word)) {
        parser.ReportAt(node.position, Msg::InvalidIndexValue);
        return false;
    }
    *bound = runtime::IntegerOf(word);
    return true;
}

// An enumeration item's position from a folded handle.
bool ItemBound(Parser& parser, ExprNode& node, int32_t* bound) {
    uint8_t value[8] = {};
    if (!FoldConstant(parser, node, value)) return false;
    const DataItem* item = runtime::LoadHandle<DataItem>(value);
    if (!item) {
        parser.ReportAt(node.position, Msg::InvalidIndexValue);
        return false;
    }
    *bound = item->enumPosition;
    return true;
}

// A fixed dimension read again: E, or low To high of Numbers or of items of
// one enumeration.
bool CompleteDimension(Parser& parser, Dimension& dimension) {
    TypeDescriptor* number = FindSystemType(*parser.unit->module->compilation, 2);
    const NodeRef low = CompileExpression(parser, nullptr);
    if (!low) return false;
    bool ok = true;
    const TypeDescriptor* named = nullptr;
    if (low->eval == EvalCode::Literal && low->type->typeCode == 8 && low->type->systemDeclared)
        named = runtime::LoadHandle<TypeDescriptor>(low->literal);
    if (named && named->kind == TypeKind::Enumeration) {  // indexed by a whole enumeration
        dimension.indexType = const_cast<TypeDescriptor*>(named);
        dimension.low = 1;
        dimension.high = named->fields.count;
        if (parser.Is(Tok::To)) {
            parser.Report(Msg::UnexpectedRangeHigh);
            ok = false;
        }
    } else if (low->type != number && low->type->kind != TypeKind::Enumeration) {
        parser.ReportAt(low->position, Msg::InvalidIndexType);
        ok = false;
    } else if (!parser.Is(Tok::To)) {
        parser.Report(Msg::ExpectedTo);
        ok = false;
    } else {
        parser.Next();
        const NodeRef high = CompileExpression(parser, low->type);
        ok = high != nullptr;
        if (ok && high->type != low->type) {
            parser.ReportAt(high->position, Msg::MismatchedTypes);
            ok = false;
        }
        if (ok) {
            const bool items = low->type->kind == TypeKind::Enumeration;
            ok = items ? ItemBound(parser, *low, &dimension.low) && ItemBound(parser, *high, &dimension.high)
                       : WholeBound(parser, *low, &dimension.low) && WholeBound(parser, *high, &dimension.high);
            dimension.indexType = low->type;
        }
    }
    if (ok && dimension.high < dimension.low) {
        parser.ReportAt(low->position, Msg::InvalidIndexRange);
        ok = false;
    }
    if (ok) dimension.count = dimension.high - dimension.low + 1;
    return ok;
}

bool CompleteArray(Parser& parser, TypeDescriptor& type) {
    parser.Next();  // the "["
    bool ok = true;
    for (Dimension* dimension = type.dimensions; dimension; dimension = dimension->next) {
        const bool open = parser.Is(Tok::Comma) || parser.Is(Tok::RightBracket);
        if (!open && !CompleteDimension(parser, *dimension)) {
            ok = false;
            break;
        }
        if (!parser.Is(Tok::Comma)) break;
        parser.Next();
    }
    return ok;
}

}  // namespace

// The body pass reads the declaration again and completes what needs
// constant expressions: enumeration values and array bounds.
bool TypeCompletion(Parser& parser) {
    parser.Next();
    TypeDescriptor* type = parser.Is(Tok::Identifier) ? FindDeclaredType(*parser.unit, parser.token.text) : nullptr;
    bool ok = true;
    if (type) {
        parser.Next();  // the name
        parser.Next();  // the "="
        if (type->kind == TypeKind::Enumeration) {
            ok = CompleteEnumeration(parser, *type);
        } else if (type->kind == TypeKind::Array) {
            while (!parser.Is(Tok::BracketInfix) && !parser.Is(Tok::Semicolon) && !parser.Is(Tok::EndOfFile))
                parser.Next();  // the element type, already known
            ok = !parser.Is(Tok::BracketInfix) || CompleteArray(parser, *type);
        }
    }
    SkipTo(parser, Tok::Semicolon);
    return ok && !parser.HadErrors();
}

}  // namespace vorlan::compiler
