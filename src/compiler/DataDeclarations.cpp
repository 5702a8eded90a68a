#include "compiler/Declarations.h"
#include "compiler/Expression.h"
#include "compiler/ParseTree.h"

#include "base/WideText.h"

namespace vorlan::compiler {
namespace {


Owned<DataItem> MakeDataItem(Parser& parser, TypeDescriptor* type, uint16_t flags, const Token& name) {
    Owned<DataItem> item(new DataItem{});
    if (!item) {
        parser.Report(Msg::OutOfMemory);
        return nullptr;
    }
    item->module = parser.unit->module;
    item->type = type;
    item->flags = flags;
    item->cellSize = type->cellSize;
    item->position = name.position;
    return item;
}

// One name of a unit-level data declaration, declared in the module's data.
bool DeclareGlobal(Parser& parser, TypeDescriptor* type, const Modifiers& modifiers, const Token& name) {
    Unit& unit = *parser.unit;
    const Scope scope = modifiers.scope == Scope::None ? Scope::Private : modifiers.scope;
    if (const uint16_t conflict = CheckUnitName(unit, name.text, scope)) {
        FileReport(parser.reader, &name.position, conflict, nullptr);
        return true;  // reported; the declaration goes on with its next name
    }
    Owned<DataItem> made = MakeDataItem(parser, type, modifiers.isConst ? kDataConst : 0, name);
    IdentifierEntry* entry = made ? MakeIdentifier(name.text, kCategoryGlobalDatum, scope, made) : nullptr;
    if (!entry) {
        if (made) parser.Report(Msg::OutOfMemory);
        return false;
    }
    DataItem* item = made.Take();  // the module's data own it from here
    item->entry = entry;
    AddIdentifier(unit, entry);
    unit.module->Data().Add(item);
    return true;
}

// One name of a local data declaration: in the routine's frame, or in the
// module's data when Saved.
bool DeclareLocal(Parser& parser, TypeDescriptor* type, bool saved, bool isConst, const Token& name) {
    Routine& routine = *parser.routine;
    const Compilation& compilation = *parser.unit->module->compilation;
    bool clash = false;
    for (const DataItem* p = routine.type->fields.first; p; p = p->next) clash |= WideEqual(p->entry->name, name.text);
    if (SystemNameTaken(compilation, name.text)) {
        parser.ReportAt(name.position, Msg::AlreadyInSystem);
        return true;
    }
    if (clash || routine.locals.Find(name.text)) {
        parser.ReportAt(name.position, Msg::AlreadyLocal);
        return true;
    }
    uint16_t flags = isConst ? kDataConst : 0;
    if (saved) flags |= kDataSaved;
    Owned<DataItem> made = MakeDataItem(parser, type, flags, name);
    IdentifierEntry* entry =
        made ? MakeIdentifier(name.text, saved ? kCategorySavedDatum : kCategoryLocalDatum, Scope::Local, made)
             : nullptr;
    if (!entry) {
        if (made) parser.Report(Msg::OutOfMemory);
        return false;
    }
    DataItem* item = made.Take();  // the frame or the module's data own it from here
    item->entry = entry;
    routine.locals.Add(entry);
    if (saved) parser.unit->module->Data().Add(item);
    else routine.frame.Add(item);
    return true;
}

// An initial value: an expression of the item's type, kept with the item.
bool CompileInitialValue(Parser& parser, DataItem& item) {
    const ReportPosition at = parser.token.position;
    NodeRef node = CompileExpression(parser, item.type);
    if (!node) return false;
    if (!TypesCompatible(parser, item.type, node->type, Compatibility::Assignment, at)) return false;
    item.initial = std::move(node);
    item.flags |= kDataComplete;
    return true;
}

// TypeName name [= value] {, name [= value]} ; `name` declares each name
// (declaration pass) or finds the item made for it (body pass, which then
// compiles the initial values; nullptr skips them).
template <class Name>
bool ReadDataNames(Parser& parser, Name name) {
    const ReportPosition typeAt = parser.token.position;
    TypeDescriptor* type = ReadTypeName(parser);
    if (!type) {
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    if (type->state != TypeState::Complete) {
        parser.ReportAt(typeAt, Msg::TypeNotFullyDefined);
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    for (;;) {
        if (!parser.Is(Tok::Identifier)) {
            parser.Report(Msg::ExpectedIdentifier);
            SkipTo(parser, Tok::Semicolon);
            return false;
        }
        DataItem* item = nullptr;
        if (!name(type, parser.token, &item)) {
            SkipTo(parser, Tok::Semicolon);
            return false;
        }
        parser.Next();
        if (parser.Is(Tok::Equals)) {
            parser.Next();
            if (item ? !CompileInitialValue(parser, *item) : !SkipExpression(parser)) {
                SkipTo(parser, Tok::Semicolon);
                return false;
            }
        }
        if (!parser.Is(Tok::Comma)) break;
        parser.Next();
    }
    if (!parser.Is(Tok::Semicolon)) {
        parser.Report(Msg::ExpectedSemicolon);
        SkipTo(parser, Tok::Semicolon);
        return false;
    }
    parser.Next();
    return true;
}

DataItem* FoundItem(IdentifierEntry* entry) {
    return entry && (entry->category & (kCategoryGlobalDatum | kCategoryLocalDatum | kCategorySavedDatum))
               ? static_cast<DataItem*>(entry->object)
               : nullptr;
}

}  // namespace

bool DataDeclaration(Parser& parser, const Modifiers& modifiers) {
    return ReadDataNames(parser, [&](TypeDescriptor* type, const Token& name, DataItem**) {
        return DeclareGlobal(parser, type, modifiers, name);
    });
}

bool DataInitialisation(Parser& parser) {
    return ReadDataNames(parser, [&](TypeDescriptor*, const Token& name, DataItem** item) {
        IdentifierEntry* entry = parser.unit->privateList.Find(name.text);
        if (!entry) entry = parser.unit->module->publicList.Find(name.text);
        *item = FoundItem(entry);
        return true;
    });
}

// [Saved] [Const] TypeName name [= value] {, name [= value]} ;
bool LocalDeclaration(Parser& parser, bool declaring) {
    bool saved = false;
    bool isConst = false;
    if (parser.Is(Tok::Saved)) {
        saved = true;
        parser.Next();
    }
    if (parser.Is(Tok::Const)) {
        isConst = true;
        parser.Next();
    }
    return ReadDataNames(parser, [&](TypeDescriptor* type, const Token& name, DataItem** item) {
        if (declaring) return DeclareLocal(parser, type, saved, isConst, name);
        *item = FoundItem(parser.routine->locals.Find(name.text));
        return true;
    });
}

}  // namespace vorlan::compiler
