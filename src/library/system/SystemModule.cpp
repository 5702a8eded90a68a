#include "library/system/SystemModule.h"

#include "base/ReportLines.h"
#include "compiler/Compilation.h"
#include "base/Utf8.h"
#include "base/WideText.h"
#include "graphics/ElementTypes.h"
#include "library/shapes/ShapeRoutines.h"
#include "library/functions/ArgumentCheckers.h"
#include "library/functions/BuiltinFunctions.h"
#include "library/system/SystemTables.h"
#include "value/ValueOps.h"

#include <cstdio>
#include <iterator>

namespace vorlan::library {
namespace {

using compiler::DataItem;
using compiler::IdentifierEntry;
using compiler::Module;
using compiler::Scope;
using compiler::StorageClass;
using compiler::TypeDescriptor;
using compiler::TypeKind;

struct BaseTypeRow {
    const char16_t* name;
    uint16_t code;
    uint32_t cellSize;
    StorageClass storage;
    compiler::ClearOp clear;
};

// clang-format off
constexpr BaseTypeRow kBaseTypesBeforeArray[] = {
    {u"_Type",   kTypeType, 8, StorageClass::Plain, &runtime::ClearZero8},
    {u"Number",  kNumber,   4, StorageClass::Plain, &runtime::ClearNumber},
    {u"Logical", kLogical,  4, StorageClass::Plain, &runtime::ClearLogical},
    {u"Text",    kText,     8, StorageClass::Text,  nullptr},
    {u"Shape",   kShape,    8, StorageClass::Plain, &runtime::ClearZero8},
    {u"Time",    kTime,     8, StorageClass::Plain, &runtime::ClearTime},
    {u"_Field",  kField,    4, StorageClass::Plain, &runtime::ClearNumber},
};
constexpr BaseTypeRow kBaseTypesAfterArray[] = {
    {u"_Variant", kVariant, 8, StorageClass::Plain,   &runtime::ClearZero8},
    {u"_DataPtr", kDataPtr, 8, StorageClass::DataPtr, nullptr},
};
// clang-format on

// Builds the module step by step; any failure is counted and the module is
// then given up as a whole.
class Builder {
public:
    explicit Builder(Module& module) : module_(module) {}

    bool Build();

private:
    TypeDescriptor* Find(uint16_t code) const;
    bool Declare(const char16_t* name, uint16_t category, void* object, uint16_t number = 0);
    TypeDescriptor* NewType(const char16_t* name, TypeKind kind, uint16_t code, uint16_t valueClass, uint32_t cell);
    void AddBaseType(const BaseTypeRow& row);
    void AddArrayType(const char16_t* name, uint16_t code, uint16_t elementCode);
    void AddEnumeration(const EnumRow& row);
    void AddStructure(const StructRow& row);
    DataItem* AddMember(TypeDescriptor& owner, const MemberRow& row, uint16_t category, Scope scope);
    void AddRoutine(const RoutineRow& row, bool shape);
    void AddContextElements();
    void AddStatusVariable();
    bool Fail() { return ++failures_, false; }

    Module& module_;
    int failures_ = 0;
    // The first type made with each code below the limit: every member of
    // every structure and routine looks its type up by code.
    TypeDescriptor* byCode_[64] = {};
};

TypeDescriptor* Builder::Find(uint16_t code) const {
    if (code < std::size(byCode_)) return byCode_[code];
    for (TypeDescriptor* type = module_.typeTables[0].first; type; type = type->next) {
        if (type->typeCode == code) return type;
    }
    return nullptr;
}

bool Builder::Declare(const char16_t* name, uint16_t category, void* object, uint16_t number) {
    IdentifierEntry* entry = compiler::MakeIdentifier(name, category, Scope::System, object);
    if (!entry) return Fail();
    entry->number = number;
    module_.publicList.Add(entry);
    if (category & compiler::kCategoryType) static_cast<TypeDescriptor*>(object)->entry = entry;
    else if (category & compiler::kCategoryRoutine) static_cast<compiler::Routine*>(object)->entry = entry;
    else static_cast<DataItem*>(object)->entry = entry;
    return true;
}

TypeDescriptor* Builder::NewType(const char16_t* name, TypeKind kind, uint16_t code, uint16_t valueClass,
                                 uint32_t cell) {
    TypeDescriptor* type = compiler::MakeType(kind, valueClass, cell);
    if (!type) {
        Fail();
        return nullptr;
    }
    type->typeCode = code;
    if (code < std::size(byCode_) && !byCode_[code]) byCode_[code] = type;
    type->systemDeclared = true;
    type->table = 1;
    module_.typeTables[0].Add(type);
    Declare(name, compiler::kCategoryType, type);
    return type;
}

void Builder::AddBaseType(const BaseTypeRow& row) {
    // A base type's value class is its type code: 1 Logical, 2 Number, 3 Text,
    // 6 Time, 7 any value, and so on.
    TypeDescriptor* type = NewType(row.name, TypeKind::Base, row.code, row.code, row.cellSize);
    if (!type) return;
    type->storage = row.storage;
    if (row.clear) type->ops = {row.clear, &runtime::CopyBytes, nullptr, &runtime::ReleaseNothing};
    if (!runtime::SetValueOps(*type)) Fail();
    type->state = compiler::TypeState::Complete;
}

// An open one-dimensional array indexed by Number.
void Builder::AddArrayType(const char16_t* name, uint16_t code, uint16_t elementCode) {
    TypeDescriptor* type = NewType(name, TypeKind::Array, code, compiler::kValueClassDeclared, 8);
    auto* dimension = type ? new compiler::Dimension{} : nullptr;
    if (!dimension) {
        Fail();
        return;
    }
    dimension->indexType = Find(kNumber);
    dimension->low = -1;
    dimension->high = -2;
    type->dimensions = dimension;
    type->dimensionCount = 1;
    type->openArray = true;
    type->baseType = Find(elementCode);
    if (!type->baseType || !runtime::SetValueOps(*type)) Fail();
    type->state = compiler::TypeState::Complete;
}

void Builder::AddEnumeration(const EnumRow& row) {
    TypeDescriptor* type = NewType(row.name, TypeKind::Enumeration, row.code, compiler::kValueClassDeclared, 8);
    if (!type) return;
    for (const EnumConstant& constant : row.constants) {
        if (!constant.name) break;
        Owned<DataItem> made(new DataItem{});
        IdentifierEntry* entry =
            made ? compiler::MakeIdentifier(constant.name, compiler::kCategoryEnumItem, Scope::EnumItem, made) : nullptr;
        if (!entry) {
            Fail();
            return;
        }
        DataItem* item = made.Take();  // the type's fields own it from here
        item->entry = entry;
        item->module = &module_;
        item->type = type;
        item->flags = compiler::kDataOwnsEntry | compiler::kDataConst;
        type->fields.Add(item);
        item->enumPosition = item->number;
        item->enumValue = constant.value;
        entry->number = item->number;
    }
    if (!runtime::SetValueOps(*type)) Fail();
    type->state = compiler::TypeState::Complete;
}

// A field or parameter at the end of its owner's data, checked against the
// position the registration expects.
DataItem* Builder::AddMember(TypeDescriptor& owner, const MemberRow& row, uint16_t category, Scope scope) {
    TypeDescriptor* type = Find(row.typeCode);
    Owned<DataItem> made(type ? new DataItem{} : nullptr);
    IdentifierEntry* entry = made ? compiler::MakeIdentifier(row.name, category, scope, made) : nullptr;
    if (!entry) {
        Fail();
        return nullptr;
    }
    DataItem* item = made.Take();  // the owner's fields own it from here
    item->entry = entry;
    item->module = &module_;
    item->type = type;
    item->flags = static_cast<uint16_t>(compiler::kDataComplete | compiler::kDataOwnsEntry | (row.attributes & 3));
    if (row.name[0] == u'_') item->flags |= compiler::kDataHidden;
    item->cellSize = (row.attributes & 2) ? 8 : type->cellSize;
    item->systemDefault = row.defaultKind;
    item->defaultWord = row.defaultWord;
    owner.fields.Add(item);
    entry->number = item->number;
    if (item->offset != row.position) {
        PrintReportLine(ReportLine::BadSystemOffset);
        WriteWide(stdout, owner.entry ? owner.entry->name : u"?");
        std::fputs(".", stdout);
        WriteWide(stdout, row.name);
        std::fputs("\n", stdout);
        Fail();
    }
    return item;
}

void Builder::AddStructure(const StructRow& row) {
    TypeDescriptor* type = NewType(row.name, TypeKind::Structure, row.code, compiler::kValueClassDeclared, 0);
    if (!type) return;
    for (const MemberRow& field : row.fields) {
        if (!field.name) break;
        AddMember(*type, field, compiler::kCategoryField, Scope::Field);
    }
    type->cellSize = type->fields.size;
    // The graphics structures bring their own construct, copy and release;
    // they clear field by field like any structure.
    type->ops = graphics::ElementOps(row.code);
    if (!runtime::SetValueOps(*type)) Fail();
    type->state = compiler::TypeState::Complete;
}

void Builder::AddRoutine(const RoutineRow& row, bool shape) {
    TypeDescriptor* result = Find(row.resultCode);
    Owned<compiler::Routine> made(result ? new compiler::Routine{} : nullptr);
    TypeDescriptor* type =
        made ? compiler::MakeType(shape ? TypeKind::ShapeType : TypeKind::FunctionType, compiler::kValueClassDeclared, 8)
             : nullptr;
    if (!type) {
        Fail();
        return;
    }
    compiler::Routine* routine = made.Take();  // the module's routines own it from here
    routine->kind = shape ? compiler::RoutineKind::Shape : compiler::RoutineKind::Function;
    routine->number = row.number;
    routine->builtinNumber = row.number;
    routine->handler = row.handler;
    routine->checker = row.checker;
    if (routine->checker) routine->checkerRules = &CallKeepsCheckerRules;
    routine->type = type;
    type->baseType = result;
    type->table = 2;
    type->systemDeclared = true;
    module_.typeTables[1].Add(type);
    module_.routines.Add(routine);
    if (!Declare(row.name, compiler::kCategoryRoutine, routine)) return;
    routine->entry->yields = row.yields;
    type->entry = routine->entry;
    for (const MemberRow& parameter : row.parameters) {
        if (!parameter.name) break;
        AddMember(*type, parameter, compiler::kCategoryParameter, Scope::Local);
    }
    if (!runtime::SetValueOps(*type)) Fail();
    type->state = compiler::TypeState::Complete;
}

// Origin, Pen, Brush, Font and Canvas: the five cells of the graphics
// context, each named by the code of its type.
void Builder::AddContextElements() {
    struct Element {
        const char16_t* name;
        uint16_t code;
    };
    static constexpr Element kElements[] = {
        {u"Origin", kPoint}, {u"Pen", kPen}, {u"Brush", kBrush}, {u"Font", kFont}, {u"Canvas", kCanvas}};
    for (const Element& element : kElements) {
        auto* item = new DataItem{};
        if (!item) {
            Fail();
            return;
        }
        item->module = &module_;
        item->type = Find(element.code);
        item->flags = compiler::kDataConst | compiler::kDataRef | compiler::kDataComplete;
        item->cellSize = 8;
        module_.dataAreas[0].Add(item);
        Declare(element.name, compiler::kCategoryContextElement, item, element.code);
    }
}

// Status is the first item of the global data.
void Builder::AddStatusVariable() {
    auto* item = new DataItem{};
    if (!item) {
        Fail();
        return;
    }
    item->module = &module_;
    item->type = Find(kStatus);
    item->flags = compiler::kDataComplete;
    item->cellSize = item->type ? item->type->cellSize : 0;
    module_.Data().Add(item);
    Declare(u"Status", compiler::kCategoryGlobalDatum, item);
}

bool Builder::Build() {
    module_.imported = 1;
    for (const BaseTypeRow& row : kBaseTypesBeforeArray) AddBaseType(row);
    AddArrayType(u"NumberArray", kNumberArray, kNumber);
    for (const BaseTypeRow& row : kBaseTypesAfterArray) AddBaseType(row);
    for (const EnumRow& row : kSystemEnums) AddEnumeration(row);
    if (failures_) return false;
    for (const StructRow& row : kPlainStructs) AddStructure(row);
    AddArrayType(u"PointArray", kPointArray, kPoint);
    for (const StructRow& row : kContextStructs) AddStructure(row);
    AddContextElements();
    for (const RoutineRow& row : kBuiltinFunctions) AddRoutine(row, false);
    for (const RoutineRow& row : kBuiltinShapes) AddRoutine(row, true);
    AddStatusVariable();
    return failures_ == 0;
}

}  // namespace

Module* BuildSystemModule(compiler::Compilation& compilation) {
    Owned<Module> module(compiler::CreateModule());
    if (!module) return nullptr;
    module->compilation = &compilation;
    Builder builder(*module);
    if (!builder.Build()) return nullptr;
    return module.Take();
}

}  // namespace vorlan::library
