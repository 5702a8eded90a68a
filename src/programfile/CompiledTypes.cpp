// Type lists, data areas and their items. A type record is read into the
// empty descriptor its module header made; a data area is read item by item
// with each number and offset checked against the items before it, so that a
// reference by number finds the item it named when written.

#include "compiler/Compilation.h"
#include "compiler/Expression.h"
#include "base/WideText.h"
#include "programfile/CompiledLinks.h"
#include "programfile/CompiledRecords.h"

namespace vorlan::library {

using namespace compiler;

namespace {

// Smallest item on file: more than any count may claim per byte left.
constexpr size_t kLeastItemBytes = 40;
constexpr size_t kLeastDimensionBytes = 20;

Status WriteOwnedEntry(WriteLinks& links, const IdentifierEntry* entry) {
    if (!entry) return links.out.Name(nullptr, 0);
    VL_PROPAGATE(links.out.Name(entry->name, WideLength(entry->name)));
    VL_PROPAGATE(links.out.Short(entry->number));
    VL_PROPAGATE(links.out.Short(entry->category));
    return links.out.Short(static_cast<uint16_t>(entry->scope));
}

// Fields, parameters and enumeration items own their names.
Status ReadOwnedEntry(ReadLinks& links, DataItem& item) {
    CompiledName name;
    VL_PROPAGATE(links.in.Name(&name));
    if (!name.present) return Status::Success;
    uint16_t number, category, scope;
    VL_PROPAGATE(links.in.Short(&number));
    VL_PROPAGATE(links.in.Short(&category));
    VL_PROPAGATE(links.in.Short(&scope));
    if (name.length > kNameLength || scope > static_cast<uint16_t>(Scope::EnumItem))
        return links.in.Refuse(Refusal::BadEntry);
    if (category != kCategoryField && category != kCategoryParameter && category != kCategoryEnumItem)
        return links.in.Refuse(Refusal::BadEntry);
    IdentifierEntry* entry = MakeIdentifier(name.chars, category, static_cast<Scope>(scope), &item);
    if (!entry) return Status::OutOfMemory;
    entry->number = number;
    item.entry = entry;
    item.flags |= kDataOwnsEntry;
    return Status::Success;
}

Status WriteItem(WriteLinks& links, const DataItem& item) {
    CompiledWriter& out = links.out;
    VL_PROPAGATE(out.Tag(kTagDataItem));
    VL_PROPAGATE(out.Short(item.number));
    VL_PROPAGATE(links.Type(item.type));
    VL_PROPAGATE(out.Short(item.module ? item.module->number : 0));
    VL_PROPAGATE(out.Long(item.offset));
    VL_PROPAGATE(out.Long(item.cellSize));
    VL_PROPAGATE(out.Long(item.flags));
    VL_PROPAGATE(out.Short(static_cast<uint16_t>(item.systemDefault)));
    VL_PROPAGATE(out.Long(item.defaultWord));
    VL_PROPAGATE(links.Position(item.position));
    VL_PROPAGATE(out.Long(static_cast<uint32_t>(item.enumPosition)));
    VL_PROPAGATE(out.Long(static_cast<uint32_t>(item.enumValue)));
    VL_PROPAGATE(WriteExpression(links, item.initial));
    VL_PROPAGATE(out.TextValue(item.enumText));
    return WriteOwnedEntry(links, (item.flags & kDataOwnsEntry) ? item.entry : nullptr);
}

Status ReadItemParts(ReadLinks& links, DataItem& item) {
    CompiledReader& in = links.in;
    uint16_t module, systemDefault;
    uint32_t flags, position, value;
    VL_PROPAGATE(in.Short(&item.number));
    VL_PROPAGATE(links.Type(&item.type));
    VL_PROPAGATE(in.Short(&module));
    VL_PROPAGATE(in.Long(&item.offset));
    VL_PROPAGATE(in.Long(&item.cellSize));
    VL_PROPAGATE(in.Long(&flags));
    VL_PROPAGATE(in.Short(&systemDefault));
    VL_PROPAGATE(in.Long(&item.defaultWord));
    if (!item.type || flags > 0x3F || systemDefault > static_cast<uint16_t>(SystemDefault::EnumValue))
        return in.Refuse(Refusal::BadDataItem);
    item.flags = static_cast<uint16_t>(flags & ~kDataOwnsEntry);  // set again with the entry
    item.systemDefault = static_cast<SystemDefault>(systemDefault);
    if (module != 0 && !(item.module = links.ModuleOf(module))) return in.Refuse(Refusal::UnknownModule);
    VL_PROPAGATE(links.Position(&item.position));
    VL_PROPAGATE(in.Long(&position));
    VL_PROPAGATE(in.Long(&value));
    item.enumPosition = static_cast<int32_t>(position);
    item.enumValue = static_cast<int32_t>(value);
    VL_PROPAGATE(ReadExpression(links, &item.initial));
    VL_PROPAGATE(in.TextValue(&item.enumText));
    return ReadOwnedEntry(links, item);
}

// Joins the area as written: number and offset are the file's, checked to
// be the ones the area would have given.
void Append(DataArea& area, DataItem* item) {
    item->next = nullptr;
    if (area.last) area.last->next = item;
    else area.first = item;
    area.last = item;
    item->listed = 1;
    ++area.count;
    area.size += item->cellSize;
    area.nextNumber = static_cast<uint16_t>(item->number + 1);
}

Status WriteDimensions(WriteLinks& links, const TypeDescriptor& type) {
    CompiledWriter& out = links.out;
    VL_PROPAGATE(out.Tag(kTagDimensions));
    VL_PROPAGATE(out.Short(type.dimensionCount));
    uint16_t written = 0;
    for (const Dimension* dimension = type.dimensions; dimension; dimension = dimension->next, ++written) {
        VL_PROPAGATE(out.Tag(kTagDimension));
        VL_PROPAGATE(out.Long(static_cast<uint32_t>(dimension->count)));
        VL_PROPAGATE(links.Type(dimension->indexType));
        VL_PROPAGATE(out.Long(static_cast<uint32_t>(dimension->low)));
        VL_PROPAGATE(out.Long(static_cast<uint32_t>(dimension->high)));
    }
    if (written != type.dimensionCount) return Status::Invalid;
    return out.Tag(kTagDimensionsEnd);
}

Status ReadDimensions(ReadLinks& links, TypeDescriptor& type) {
    CompiledReader& in = links.in;
    VL_PROPAGATE(in.ExpectTag(kTagDimensions));
    uint16_t count;
    VL_PROPAGATE(in.Count(&count, kLeastDimensionBytes));
    Dimension** tail = &type.dimensions;
    for (uint16_t i = 0; i < count; ++i) {
        VL_PROPAGATE(in.ExpectTag(kTagDimension));
        auto* dimension = new Dimension{};
        if (!dimension) return Status::OutOfMemory;
        *tail = dimension;
        tail = &dimension->next;
        ++type.dimensionCount;
        uint32_t size, low, high;
        VL_PROPAGATE(in.Long(&size));
        VL_PROPAGATE(links.Type(&dimension->indexType));
        VL_PROPAGATE(in.Long(&low));
        VL_PROPAGATE(in.Long(&high));
        dimension->count = static_cast<int32_t>(size);
        dimension->low = static_cast<int32_t>(low);
        dimension->high = static_cast<int32_t>(high);
        if (!dimension->indexType) return in.Refuse(Refusal::BadDimension);
    }
    return in.ExpectTag(kTagDimensionsEnd);
}

bool KnownKind(uint16_t kind) {
    switch (static_cast<TypeKind>(kind)) {
    case TypeKind::Array:
    case TypeKind::FunctionType:
    case TypeKind::ShapeType:
    case TypeKind::Structure:
    case TypeKind::Enumeration: return true;
    case TypeKind::Base: break;  // only the system module declares base types
    }
    return false;
}

Status WriteType(WriteLinks& links, const TypeDescriptor& type, uint16_t number) {
    CompiledWriter& out = links.out;
    VL_PROPAGATE(out.Tag(kTagTypeRecord));
    VL_PROPAGATE(out.Short(number));
    VL_PROPAGATE(out.Short(static_cast<uint16_t>(type.kind)));
    VL_PROPAGATE(out.Short(type.openArray ? 2 : 1));
    VL_PROPAGATE(out.Short(type.valueClass));
    VL_PROPAGATE(out.Long(type.cellSize));
    VL_PROPAGATE(out.Short(static_cast<uint16_t>(type.storage)));
    VL_PROPAGATE(out.Short(static_cast<uint16_t>(type.state)));
    VL_PROPAGATE(links.Type(type.baseType));
    VL_PROPAGATE(links.Position(type.declaration));
    if (type.kind == TypeKind::Array) VL_PROPAGATE(WriteDimensions(links, type));
    return WriteDataArea(links, type.fields);
}

Status ReadType(ReadLinks& links, TypeDescriptor& type, uint16_t expected) {
    CompiledReader& in = links.in;
    VL_PROPAGATE(in.ExpectTag(kTagTypeRecord));
    uint16_t number, kind, arrayMode, storage, state;
    VL_PROPAGATE(in.Short(&number));
    VL_PROPAGATE(in.Short(&kind));
    VL_PROPAGATE(in.Short(&arrayMode));
    VL_PROPAGATE(in.Short(&type.valueClass));
    VL_PROPAGATE(in.Long(&type.cellSize));
    VL_PROPAGATE(in.Short(&storage));
    VL_PROPAGATE(in.Short(&state));
    if (number != expected || !KnownKind(kind) || arrayMode < 1 || arrayMode > 2)
        return in.Refuse(Refusal::BadType);
    // Only complete types are ever written; the operations come from the
    // type's shape, never from the file's word for them.
    if (state != static_cast<uint16_t>(TypeState::Complete)) return in.Refuse(Refusal::BadType);
    type.kind = static_cast<TypeKind>(kind);
    type.state = TypeState::Complete;
    type.storage = StorageClass::Unset;
    type.openArray = arrayMode == 2;
    VL_PROPAGATE(links.Type(&type.baseType));
    VL_PROPAGATE(links.Position(&type.declaration));
    if (type.kind == TypeKind::Array) VL_PROPAGATE(ReadDimensions(links, type));
    return ReadDataArea(links, type.fields);
}

}  // namespace

Status WriteDataArea(WriteLinks& links, const DataArea& area) {
    CompiledWriter& out = links.out;
    VL_PROPAGATE(out.Tag(kTagDataArea));
    VL_PROPAGATE(out.Short(area.count));
    VL_PROPAGATE(out.Long(area.base));
    uint16_t written = 0;
    for (const DataItem* item = area.first; item; item = item->next, ++written) VL_PROPAGATE(WriteItem(links, *item));
    if (written != area.count) return Status::Invalid;
    return out.Tag(kTagListEnd);
}

Status ReadDataArea(ReadLinks& links, DataArea& area) {
    CompiledReader& in = links.in;
    VL_PROPAGATE(in.ExpectTag(kTagDataArea));
    uint16_t count;
    VL_PROPAGATE(in.Short(&count));
    VL_PROPAGATE(in.Long(&area.base));
    if (area.first || size_t{count} * kLeastItemBytes > in.Remaining()) return in.Refuse(Refusal::BadDataArea);
    for (uint16_t i = 0; i < count; ++i) {
        VL_PROPAGATE(in.ExpectTag(kTagDataItem));
        auto* item = new DataItem{};
        if (!item) return Status::OutOfMemory;
        const Status status = ReadItemParts(links, *item);
        // Items are numbered from 1 and laid out one after the other.
        const bool placed = item->number == i + 1 && item->offset == area.base + area.size &&
                            uint64_t{item->offset} + item->cellSize <= UINT32_MAX;
        Append(area, item);  // the area frees it whatever happened
        VL_PROPAGATE(status);
        if (!placed) return in.Refuse(Refusal::BadDataArea);
    }
    return in.ExpectTag(kTagListEnd);
}

Status WriteTypeList(WriteLinks& links, const Module& module, uint16_t table) {
    CompiledWriter& out = links.out;
    const TypeTable& types = module.typeTables[table - 1];
    uint16_t count = 0;
    for (const TypeDescriptor* type = types.first; type; type = type->next) ++count;
    VL_PROPAGATE(out.Tag(table == 1 ? kTagTypeTable1 : kTagTypeTable2));
    VL_PROPAGATE(out.Short(count));
    uint16_t number = 0;
    for (const TypeDescriptor* type = types.first; type; type = type->next) VL_PROPAGATE(WriteType(links, *type, ++number));
    return out.Tag(kTagListEnd);
}

Status ReadTypeList(ReadLinks& links, Module& module, uint16_t table) {
    CompiledReader& in = links.in;
    VL_PROPAGATE(in.ExpectTag(table == 1 ? kTagTypeTable1 : kTagTypeTable2));
    uint16_t count;
    VL_PROPAGATE(in.Short(&count));
    // The header made the descriptors: the list must name each of them.
    uint16_t number = 0;
    for (TypeDescriptor* type = module.typeTables[table - 1].first; type; type = type->next) {
        if (++number > count) return in.Refuse(Refusal::TypeCount);
        VL_PROPAGATE(ReadType(links, *type, number));
        if (type->table != table) return in.Refuse(Refusal::TypeCount);
    }
    if (number != count) return in.Refuse(Refusal::TypeCount);
    return in.ExpectTag(kTagListEnd);
}

}  // namespace vorlan::library
