#include "value/ValueOps.h"

#include "value/Arrays.h"
#include "value/Text.h"
#include "value/Value.h"

#include <cstring>

namespace vorlan::runtime {
namespace {

using compiler::DataItem;
using compiler::StorageClass;
using compiler::TypeDescriptor;
using compiler::TypeKind;

// Marks a type whose class is being chosen. Reaching it again means a cycle,
// and a cycle can only close through an array, which is never Plain: so every
// type on it, the marked one included, is not Plain either.
constexpr auto kChoosing = static_cast<StorageClass>(0xFF);

// Section - Choosing classes

StorageClass Choose(TypeDescriptor& type);

StorageClass ChooseArray(TypeDescriptor& type) {
    if (!type.baseType) return StorageClass::Unset;
    const StorageClass element = Choose(*type.baseType);
    if (element == StorageClass::Unset) return StorageClass::Unset;
    const bool plain = element == StorageClass::Plain;
    if (type.openArray) return plain ? StorageClass::OpenArrayPlain : StorageClass::OpenArray;
    return plain ? StorageClass::FixedArrayPlain : StorageClass::FixedArray;
}

StorageClass ChooseStructure(TypeDescriptor& type) {
    bool plain = true;
    for (DataItem* field = type.fields.first; field; field = field->next) {
        if (field->flags & compiler::kDataRef) continue;  // a plain handle
        if (!field->type) return StorageClass::Unset;
        const StorageClass fieldClass = Choose(*field->type);
        if (fieldClass == StorageClass::Unset) return StorageClass::Unset;
        plain = plain && fieldClass == StorageClass::Plain;
    }
    return plain ? StorageClass::Plain : StorageClass::Structure;
}

StorageClass Choose(TypeDescriptor& type) {
    if (type.storage != StorageClass::Unset) return type.storage;
    StorageClass chosen = StorageClass::Unset;
    switch (type.kind) {
        case TypeKind::Base: return StorageClass::Unset;  // the system module classes these
        case TypeKind::Array:
            type.storage = kChoosing;
            chosen = ChooseArray(type);
            break;
        case TypeKind::Structure:
            type.storage = kChoosing;
            chosen = ChooseStructure(type);
            break;
        case TypeKind::Enumeration:
        case TypeKind::FunctionType:
        case TypeKind::ShapeType: chosen = StorageClass::Plain; break;
    }
    type.storage = chosen;
    return chosen;
}

// Section - Field by field

char* FieldCell(void* cell, const DataItem& field) { return static_cast<char*>(cell) + field.offset; }
const char* FieldCell(const void* cell, const DataItem& field) {
    return static_cast<const char*>(cell) + field.offset;
}
bool IsRef(const DataItem& field) { return (field.flags & compiler::kDataRef) != 0; }

Status ClearFields(const TypeDescriptor& type, void* cell) {
    for (const DataItem* field = type.fields.first; field; field = field->next) {
        char* at = FieldCell(cell, *field);
        if (IsRef(*field)) {
            StoreHandle(at, nullptr);
            continue;
        }
        if (!field->type || !field->type->ops.clear) return Status::InternalFailure;
        VL_PROPAGATE(field->type->ops.clear(*field->type, at));
    }
    return Status::Success;
}

Status CopyFields(const TypeDescriptor& type, void* dst, const void* src) {
    for (const DataItem* field = type.fields.first; field; field = field->next) {
        char* to = FieldCell(dst, *field);
        const char* from = FieldCell(src, *field);
        if (IsRef(*field)) {
            StoreHandle(to, LoadHandle<const void>(from));
            continue;
        }
        if (!field->type || !field->type->ops.copy) return Status::InternalFailure;
        VL_PROPAGATE(field->type->ops.copy(*field->type, to, from));
    }
    return Status::Success;
}

// Releases the fields ahead of `stop` (every field when stop is nullptr).
Status ReleaseFieldsBefore(const TypeDescriptor& type, void* cell, const DataItem* stop) {
    for (const DataItem* field = type.fields.first; field != stop; field = field->next) {
        if (IsRef(*field)) continue;
        if (!field->type || !field->type->ops.release) return Status::InternalFailure;
        VL_PROPAGATE(field->type->ops.release(*field->type, FieldCell(cell, *field)));
    }
    return Status::Success;
}

Status ReleaseFields(const TypeDescriptor& type, void* cell) { return ReleaseFieldsBefore(type, cell, nullptr); }

// Section - Owned blocks

Status ClearZeroCell(const TypeDescriptor& type, void* cell) {
    std::memset(cell, 0, type.cellSize);
    return Status::Success;
}

Status CopyText(const TypeDescriptor&, void* dst, const void* src) {
    const void* source = LoadHandle<const void>(src);
    if (source == LoadHandle<const void>(dst)) return Status::Success;
    void* copy;
    VL_PROPAGATE(DuplicateText(source, &copy));
    ReplaceText(dst, copy);
    return Status::Success;
}

Status ReleaseText(const TypeDescriptor&, void* cell) {
    ReplaceText(cell, nullptr);
    return Status::Success;
}

Status CopyArrayBlock(const TypeDescriptor&, void* dst, const void* src) { return DuplicateArrayBlock(dst, src); }

Status ReleaseArrayBlock(const TypeDescriptor&, void* cell) {
    FreeArrayBlock(cell);
    return Status::Success;
}

Status CopyArrayDeep(const TypeDescriptor& type, void* dst, const void* src) { return DeepCopyArray(dst, src, type); }

Status ReleaseArrayDeep(const TypeDescriptor& type, void* cell) {
    if (!type.baseType) return Status::InternalFailure;
    FreeArray(cell, *type.baseType);
    return Status::Success;
}

// Section - Filling slots

struct OpsRow {
    StorageClass storage;
    compiler::ValueOps ops;
};

// Plain types are absent: their clear depends on the kind of type.
constexpr OpsRow kOpsByClass[] = {
    {StorageClass::Structure, {ClearFields, CopyFields, nullptr, ReleaseFields}},
    {StorageClass::Text, {ClearZero8, CopyText, nullptr, ReleaseText}},
    {StorageClass::DataPtr, {ClearZeroCell, CopyBytes, nullptr, ReleaseNothing}},
    {StorageClass::FixedArrayPlain, {ClearZero8, CopyArrayBlock, nullptr, ReleaseArrayBlock}},
    {StorageClass::FixedArray, {ClearZero8, CopyArrayDeep, nullptr, ReleaseArrayDeep}},
    {StorageClass::OpenArrayPlain, {ClearZero8, CopyArrayBlock, nullptr, ReleaseArrayBlock}},
    {StorageClass::OpenArray, {ClearZero8, CopyArrayDeep, nullptr, ReleaseArrayDeep}},
};

compiler::ValueOps OpsFor(const TypeDescriptor& type, StorageClass storage) {
    for (const OpsRow& row : kOpsByClass)
        if (row.storage == storage) return row.ops;
    // Plain. A base type's initial value belongs to the system module.
    const compiler::ClearOp clear = type.kind == TypeKind::Base        ? nullptr
                                    : type.kind == TypeKind::Structure ? ClearFields
                                                                       : ClearZero8;
    return {clear, CopyBytes, nullptr, ReleaseNothing};
}

void FillEmptySlots(TypeDescriptor& type, const compiler::ValueOps& ops) {
    if (!type.ops.clear) type.ops.clear = ops.clear;
    if (!type.ops.copy) type.ops.copy = ops.copy;
    if (!type.ops.release) type.ops.release = ops.release;
}

bool HasOps(const TypeDescriptor& type) { return type.ops.clear && type.ops.copy && type.ops.release; }

bool FieldsComplete(const TypeDescriptor& type) {
    for (const DataItem* field = type.fields.first; field; field = field->next) {
        if (IsRef(*field)) continue;
        if (!field->type || field->type->state != compiler::TypeState::Complete) return false;
    }
    return true;
}

// The ops of a structure or array run their fields' and elements' ops, so
// those must exist too; the type's own slots are filled first, which ends
// the walk when it comes round a cycle.
bool SetReachedOps(TypeDescriptor& type) {
    if (type.kind == TypeKind::Array) return HasOps(*type.baseType) || SetValueOps(*type.baseType);
    if (type.kind != TypeKind::Structure) return true;
    for (DataItem* field = type.fields.first; field; field = field->next) {
        if (IsRef(*field) || HasOps(*field->type)) continue;
        if (!SetValueOps(*field->type)) return false;
    }
    return true;
}

// Section - Initialising

// A structure that owns blocks may hold fixed-size arrays, which a clear
// leaves Null; those must be built.
bool NeedsBuilding(const TypeDescriptor& type) {
    if (type.kind == TypeKind::Array) return !type.openArray;
    return type.kind == TypeKind::Structure && type.storage != StorageClass::Plain;
}

Status InitialiseFields(const TypeDescriptor& type, void* cell) {
    for (const DataItem* field = type.fields.first; field; field = field->next) {
        char* at = FieldCell(cell, *field);
        if (IsRef(*field)) {
            StoreHandle(at, nullptr);
            continue;
        }
        const Status status = field->type ? InitialiseValue(*field->type, at) : Status::InternalFailure;
        if (status != Status::Success) {
            (void)ReleaseFieldsBefore(type, cell, field);
            return status;
        }
    }
    return Status::Success;
}

Status InitialiseFixedArray(const TypeDescriptor& type, void* cell) {
    StoreHandle(cell, nullptr);
    const TypeDescriptor* element = type.baseType;
    if (!element) return Status::InternalFailure;
    void* block;
    VL_PROPAGATE(CreateArray(type, nullptr, 0, &block));
    StoreHandle(cell, block);
    Status status = Status::Success;
    if (NeedsBuilding(*element)) {
        const int64_t count = ElementCount(block);
        for (int64_t i = 0; i < count && status == Status::Success; ++i)
            status = InitialiseValue(*element, ElementAddress(block, element->cellSize, size_t(i)));
    } else {
        status = InitialiseElements(*element, block);
    }
    // Elements not yet reached are zero, which releases as nothing.
    if (status != Status::Success) FreeArray(cell, *element);
    return status;
}

}  // namespace

StorageClass ChooseStorageClass(TypeDescriptor& type) { return Choose(type); }

bool SetValueOps(TypeDescriptor& type) {
    const StorageClass storage = ChooseStorageClass(type);
    if (storage == StorageClass::Unset || storage == kChoosing) return false;
    if (type.kind == TypeKind::Structure && !FieldsComplete(type)) return false;
    FillEmptySlots(type, OpsFor(type, storage));
    return SetReachedOps(type);
}

Status InitialiseValue(const TypeDescriptor& type, void* cell) {
    if (type.kind == TypeKind::Structure) return InitialiseFields(type, cell);
    if (type.kind == TypeKind::Array && !type.openArray) return InitialiseFixedArray(type, cell);
    return type.ops.clear ? type.ops.clear(type, cell) : Status::InternalFailure;
}

Status ClearNumber(const TypeDescriptor&, void* cell) {
    StoreCell(cell, kNullNumber);
    return Status::Success;
}

Status ClearLogical(const TypeDescriptor&, void* cell) {
    StoreCell(cell, kNullLogical);
    return Status::Success;
}

Status ClearZero8(const TypeDescriptor&, void* cell) {
    std::memset(cell, 0, 8);
    return Status::Success;
}

Status ClearTime(const TypeDescriptor&, void* cell) {
    StoreCell(cell, kNullTime);
    return Status::Success;
}

Status CopyBytes(const TypeDescriptor& type, void* dst, const void* src) {
    if (dst != src) std::memcpy(dst, src, type.cellSize);
    return Status::Success;
}

Status ReleaseNothing(const TypeDescriptor&, void*) { return Status::Success; }

}  // namespace vorlan::runtime
