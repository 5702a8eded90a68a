#include "compiler/Declarations.h"
#include "compiler/ParseTree.h"

#include "driver/WideText.h"
#include "runtime/ValueOps.h"

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

bool SkipExpression(Parser& parser) {
    ParseNode* tree = ParseExpression(parser);
    if (!tree) return false;
    FreeParseTree(tree);
    return true;
}

// { field list }: the opening brace is the current token.
bool DefineStructure(Parser& parser, TypeDescriptor& type) {
    type.kind = TypeKind::Structure;
    parser.Next();
    if (!FieldList(parser, type, ListMode::Fields, true)) return false;
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
    auto* item = new DataItem{};
    IdentifierEntry* entry = item ? MakeIdentifier(name.text, kCategoryEnumItem, Scope::EnumItem, item) : nullptr;
    if (!entry) {
        delete item;
        parser.Report(Msg::OutOfMemory);
        return false;
    }
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
    if (!FieldList(parser, type, ListMode::Parameters, true)) return false;
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

// The body pass reads the declaration again. Enumeration values and array
// bounds are the constant expressions it completes.
bool TypeCompletion(Parser& parser) {
    parser.Next();
    if (parser.Is(Tok::Identifier) && !FindDeclaredType(*parser.unit, parser.token.text))
        parser.Report(Msg::UnknownIdentifier, parser.token.text);
    SkipTo(parser, Tok::Semicolon);
    return !parser.HadErrors();
}

}  // namespace vorlan::compiler
