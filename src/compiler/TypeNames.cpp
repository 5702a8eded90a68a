#include "compiler/Declarations.h"

#include "base/WideText.h"

#include <iterator>

namespace vorlan::compiler {
namespace {

// Unit-level search for a plain name: the unit's own names, then every
// imported module in module order.
LookupResult FindAtUnitLevel(const Unit& unit, const char16_t* name, IdentifierEntry** found) {
    if ((*found = unit.privateList.Find(name))) return LookupResult::Found;
    LookupResult result = LookupResult::NotFound;
    IdentifierEntry* yielding = nullptr;  // a system name that the program's own names come before
    for (const Module* module = unit.module->compilation->firstModule; module; module = module->next) {
        if (!module->imported) continue;
        IdentifierEntry* entry = module->publicList.Find(name);
        if (!entry) continue;
        if (entry->yields) {
            yielding = entry;
            continue;
        }
        if (result == LookupResult::Found) return LookupResult::Ambiguous;
        *found = entry;
        result = LookupResult::Found;
    }
    if (result == LookupResult::NotFound && yielding) {
        *found = yielding;
        result = LookupResult::Found;
    }
    return result;
}

TypeDescriptor* TypeOfEntry(Parser& parser, const IdentifierEntry* entry, const Token& name) {
    if (!(entry->category & kCategoryType)) {
        parser.ReportAt(name.position, Msg::NotATypeName, name.text);
        return nullptr;
    }
    return static_cast<TypeDescriptor*>(entry->object);
}

bool SameIndexing(const Dimension& a, const Dimension& b) {
    if (a.indexType == b.indexType) return true;
    return a.low == b.low && a.high == b.high;
}

// The message code of the first conflict, or 0 when the value fits the target.
uint16_t Conflict(const TypeDescriptor* target, const TypeDescriptor* value, Compatibility mode) {
    if (target == value) return 0;
    if (!target || !value) return static_cast<uint16_t>(Msg::MismatchedTypes);
    const bool anyValue = target->kind == TypeKind::Base && target->valueClass == kValueClassAny;
    if (target->kind != value->kind) return anyValue ? 0 : static_cast<uint16_t>(Msg::MismatchedTypes);
    switch (target->kind) {
    case TypeKind::Base:
        return (anyValue || target->valueClass == value->valueClass) ? 0 : static_cast<uint16_t>(Msg::MismatchedTypes);
    case TypeKind::Array: {
        if (Conflict(target->baseType, value->baseType, mode) != 0 || target->dimensionCount != value->dimensionCount)
            return static_cast<uint16_t>(Msg::DifferentDimensions);
        for (const Dimension *a = target->dimensions, *b = value->dimensions; a && b; a = a->next, b = b->next) {
            if (!SameIndexing(*a, *b)) return static_cast<uint16_t>(Msg::DifferentDimensions);
        }
        return 0;
    }
    case TypeKind::FunctionType:
    case TypeKind::ShapeType: {
        if (Conflict(target->baseType, value->baseType, mode) != 0) return static_cast<uint16_t>(Msg::DifferentReturnTypes);
        if (target->fields.count != value->fields.count) return static_cast<uint16_t>(Msg::DifferentParamCounts);
        for (const DataItem *a = target->fields.first, *b = value->fields.first; a && b; a = a->next, b = b->next) {
            if ((a->flags & kDataRef) != (b->flags & kDataRef)) return static_cast<uint16_t>(Msg::DifferentRefAttributes);
            if (mode == Compatibility::Assignment && (a->flags & kDataConst) && (b->flags & kDataRef) &&
                !(b->flags & kDataConst))
                return static_cast<uint16_t>(Msg::DifferentConstAttributes);
            if (a->type != b->type) return static_cast<uint16_t>(Msg::DifferentParamTypes);
        }
        return 0;
    }
    default: return static_cast<uint16_t>(Msg::MismatchedTypes);  // structures and enumerations: only the same type
    }
}

}  // namespace

TypeDescriptor* ReadTypeName(Parser& parser) {
    Unit& unit = *parser.unit;
    if (parser.Is(Tok::ColonPrefix)) {  // :name is a name of this module
        parser.Next();
        if (!parser.Is(Tok::Identifier)) {
            parser.Report(Msg::ExpectedIdentifier);
            return nullptr;
        }
        const Token name = parser.token;
        parser.Next();
        IdentifierEntry* entry = unit.module->publicList.Find(name.text);
        if (!entry) {
            parser.ReportAt(name.position, Msg::UnknownIdentifier, name.text);
            return nullptr;
        }
        return TypeOfEntry(parser, entry, name);
    }
    if (!parser.Is(Tok::Identifier)) {
        parser.Report(Msg::ExpectedIdentifier);
        return nullptr;
    }
    Token name = parser.token;
    parser.Next();
    if (parser.Is(Tok::Colon)) {  // Module:name
        const Module* module = FindModuleByName(*unit.module->compilation, name.text);
        if (!module) {
            parser.ReportAt(name.position, Msg::UnknownModule, name.text);
            return nullptr;
        }
        parser.Next();
        if (!parser.Is(Tok::Identifier)) {
            parser.Report(Msg::ExpectedIdentifier);
            return nullptr;
        }
        name = parser.token;
        parser.Next();
        IdentifierEntry* entry = module->publicList.Find(name.text);
        if (!entry) {
            parser.ReportAt(name.position, Msg::UnknownIdentifier, name.text);
            return nullptr;
        }
        return TypeOfEntry(parser, entry, name);
    }
    IdentifierEntry* entry = nullptr;
    switch (FindAtUnitLevel(unit, name.text, &entry)) {
    case LookupResult::NotFound: parser.ReportAt(name.position, Msg::UnknownIdentifier, name.text); return nullptr;
    case LookupResult::Ambiguous: parser.ReportAt(name.position, Msg::AmbiguousIdentifier, name.text); return nullptr;
    case LookupResult::Found: break;
    }
    return TypeOfEntry(parser, entry, name);
}

bool TypesFit(const TypeDescriptor* target, const TypeDescriptor* value, Compatibility mode) {
    return Conflict(target, value, mode) == 0;
}

bool TypesCompatible(Parser& parser, const TypeDescriptor* target, const TypeDescriptor* value, Compatibility mode,
                     const ReportPosition& at) {
    const uint16_t code = Conflict(target, value, mode);
    if (code == 0) return true;
    FileReport(parser.reader, &at, code, nullptr);
    return false;
}

bool IsValidProgramParameterType(const TypeDescriptor& type) {
    auto simple = [](const TypeDescriptor* t) {
        return t && t->kind == TypeKind::Base &&
               (t->valueClass == kValueClassLogical || t->valueClass == kValueClassNumber ||
                t->valueClass == kValueClassText);
    };
    switch (type.kind) {
    case TypeKind::Base: return simple(&type);
    case TypeKind::Enumeration: return true;
    case TypeKind::Array:
        return type.baseType && (type.baseType->kind == TypeKind::Base || type.baseType->kind == TypeKind::Enumeration);
    default: return false;
    }
}

const char16_t* TypeName(const TypeDescriptor& type) { return type.entry ? type.entry->name : u"?"; }

TypeDescriptor* FindSystemType(const Compilation& compilation, uint16_t typeCode) {
    if (!compilation.systemModule) return nullptr;
    constexpr size_t kKept = std::size(decltype(compilation.systemTypes){});
    if (typeCode < kKept && compilation.systemTypes[typeCode]) return compilation.systemTypes[typeCode];
    for (const TypeTable& table : compilation.systemModule->typeTables) {
        for (TypeDescriptor* type = table.first; type; type = type->next) {
            if (type->typeCode != typeCode) continue;
            if (typeCode < kKept) compilation.systemTypes[typeCode] = type;
            return type;
        }
    }
    return nullptr;
}

}  // namespace vorlan::compiler
