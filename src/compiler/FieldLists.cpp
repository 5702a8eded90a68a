#include "compiler/Declarations.h"
#include "compiler/ParseTree.h"

#include "driver/WideText.h"

namespace vorlan::compiler {
namespace {

Tok ClosingOf(ListMode mode) { return mode == ListMode::Fields ? Tok::RightBrace : Tok::RightParen; }

// A default or initial value: parsed here; its typed form is compiled with
// the other constant expressions.
bool ReadConstantExpression(Parser& parser) {
    ParseNode* tree = ParseExpression(parser);
    if (!tree) return false;
    FreeParseTree(tree);
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
    auto* item = new DataItem{};
    IdentifierEntry* entry =
        item ? MakeIdentifier(name.text, field ? kCategoryField : kCategoryParameter, field ? Scope::Field : Scope::Local,
                              item)
             : nullptr;
    if (!entry) {
        delete item;
        parser.Report(Msg::OutOfMemory);
        return false;
    }
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

// [Const] [Ref] TypeName name [= default]
bool ReadItem(Parser& parser, TypeDescriptor& owner, ListMode mode, bool declaring) {
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
    if (declaring) {
        const Compilation& compilation = *parser.unit->module->compilation;
        if (compilation.systemModule->publicList.Find(name.text)) {
            parser.Report(Msg::AlreadyInSystem, name.text);
        } else if (FindItem(owner, name.text)) {
            parser.Report(Msg::NameAlreadyUsed, name.text);
        } else if (!DeclareItem(parser, owner, mode, type, flags, name)) {
            return false;
        }
    }
    parser.Next();
    if (parser.Is(Tok::Equals)) {
        parser.Next();
        if (!ReadConstantExpression(parser)) return false;
    }
    return true;
}

}  // namespace

bool FieldList(Parser& parser, TypeDescriptor& owner, ListMode mode, bool declaring) {
    const Tok closing = ClosingOf(mode);
    if (parser.Is(closing)) {
        if (mode == ListMode::Fields) {
            parser.Report(Msg::ExpectedFieldParameter);
            return false;
        }
        return true;
    }
    for (;;) {
        if (!ReadItem(parser, owner, mode, declaring)) return false;
        if (!parser.Is(Tok::Comma)) return true;
        parser.Next();
        if (parser.Is(closing)) {
            parser.Report(Msg::ExpectedFieldParameter);
            return false;
        }
    }
}

}  // namespace vorlan::compiler
