#include "compiler/Declarations.h"
#include "compiler/Expression.h"
#include "compiler/ParseTree.h"

#include "base/WideText.h"

namespace vorlan::compiler {
namespace {

Tok ClosingOf(ListMode mode) { return mode == ListMode::Fields ? Tok::RightBrace : Tok::RightParen; }


// A default: an expression of the item's type, kept with the item.
bool CompileDefault(Parser& parser, DataItem* item) {
    const ReportPosition at = parser.token.position;
    NodeRef node = CompileExpression(parser, item->type);
    if (!node) return false;
    if (!TypesCompatible(parser, item->type, node->type, Compatibility::Assignment, at)) return false;
    item->initial = std::move(node);
    return true;
}

DataItem* FindItem(const TypeDescriptor& owner, const char16_t* name) {
    for (DataItem* item = owner.fields.first; item; item = item->next) {
        if (item->entry && WideEqual(item->entry->name, name)) return item;
    }
    return nullptr;
}

bool DeclareItem(Parser& parser, TypeDescriptor& owner, ListMode mode, TypeDescriptor* type, uint16_t flags,
                 const Token& name) {
    const bool field = mode == ListMode::Fields;
    Owned<DataItem> made(new DataItem{});
    IdentifierEntry* entry =
        made ? MakeIdentifier(name.text, field ? kCategoryField : kCategoryParameter, field ? Scope::Field : Scope::Local,
                              made)
             : nullptr;
    if (!entry) {
        parser.Report(Msg::OutOfMemory);
        return false;
    }
    DataItem* item = made.Take();  // the list it joins below owns it from here
    item->entry = entry;
    item->module = parser.unit->module;
    item->type = type;
    item->flags = static_cast<uint16_t>(flags | kDataComplete | kDataOwnsEntry);
    item->cellSize = (flags & kDataRef) ? 8 : type->cellSize;
    item->position = name.position;
    owner.fields.Add(item);
    entry->number = item->number;
    return true;
}

// [Const] [Ref] TypeName name [= default]. `index` counts the items read, so
// that reading the list again finds each item made the first time.
bool ReadItem(Parser& parser, TypeDescriptor& owner, ListMode mode, bool declaring, bool compileDefaults,
              uint16_t index) {
    uint16_t flags = 0;
    if (parser.Is(Tok::Const)) {
        flags |= kDataConst;
        parser.Next();
    }
    if (parser.Is(Tok::Ref)) {
        if (mode != ListMode::Parameters && declaring) parser.Report(Msg::RefNotAllowed);
        flags |= kDataRef;
        parser.Next();
    }
    const ReportPosition typeAt = parser.token.position;
    TypeDescriptor* type = ReadTypeName(parser);
    if (!type) return false;
    if (mode == ListMode::ProgramParameters && declaring && !IsValidProgramParameterType(*type))
        parser.ReportAt(typeAt, Msg::BadProgramParamType, TypeName(*type));
    if (!parser.Is(Tok::Identifier)) {
        parser.Report(Msg::ExpectedIdentifier);
        return false;
    }
    const Token name = parser.token;
    DataItem* item = nullptr;
    if (declaring) {
        const Compilation& compilation = *parser.unit->module->compilation;
        if (SystemNameTaken(compilation, name.text)) {
            parser.Report(Msg::AlreadyInSystem, name.text);
        } else if (FindItem(owner, name.text)) {
            parser.Report(Msg::NameAlreadyUsed, name.text);
        } else if (!DeclareItem(parser, owner, mode, type, flags, name)) {
            return false;
        } else {
            item = owner.fields.last;
        }
    } else {
        item = owner.fields.first;
        for (uint16_t i = 0; item && i < index; ++i) item = item->next;
    }
    parser.Next();
    if (parser.Is(Tok::Equals)) {
        parser.Next();
        if (!compileDefaults || !item) return SkipExpression(parser);
        return CompileDefault(parser, item);
    }
    return true;
}

}  // namespace

bool FieldList(Parser& parser, TypeDescriptor& owner, ListMode mode, bool declaring, bool compileDefaults) {
    const Tok closing = ClosingOf(mode);
    if (parser.Is(closing)) {
        if (mode == ListMode::Fields) {
            parser.Report(Msg::ExpectedFieldParameter);
            return false;
        }
        return true;
    }
    for (uint16_t index = 0;; ++index) {
        if (!ReadItem(parser, owner, mode, declaring, compileDefaults, index)) return false;
        if (!parser.Is(Tok::Comma)) return true;
        parser.Next();
        if (parser.Is(closing)) {
            parser.Report(Msg::ExpectedFieldParameter);
            return false;
        }
    }
}

}  // namespace vorlan::compiler
