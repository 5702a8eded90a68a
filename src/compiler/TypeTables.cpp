#include "value/Types.h"

#include "compiler/Expression.h"
#include "compiler/Identifiers.h"
#include "base/Memory.h"

namespace vorlan::compiler {

void DataArea::Add(DataItem* item) {
    item->number = nextNumber++;
    item->offset = base + size;
    size += item->cellSize;
    ++count;
    item->next = nullptr;
    if (last) last->next = item;
    else first = item;
    last = item;
    item->listed = 1;
}

void DataArea::FreeAll() {
    while (first) {
        DataItem* next = first->next;
        MemReleaseBlock(first->enumText);
        if (first->flags & kDataOwnsEntry) delete first->entry;
        delete first;
        first = next;
    }
    last = nullptr;
    count = 0;
    size = 0;
}

TypeDescriptor* MakeType(TypeKind kind, uint16_t valueClass, uint32_t cellSize) {
    auto* type = new TypeDescriptor{};
    if (!type) return nullptr;
    type->kind = kind;
    type->state = TypeState::Defining;
    type->valueClass = valueClass;
    type->cellSize = cellSize;
    return type;
}

void FreeType(TypeDescriptor*& type) {
    if (!type) return;
    type->fields.FreeAll();
    while (Dimension* dimension = type->dimensions) {
        type->dimensions = dimension->next;
        delete dimension;
    }
    delete type;
    type = nullptr;
}

void TypeTable::Add(TypeDescriptor* type) {
    type->next = nullptr;
    if (last) last->next = type;
    else first = type;
    last = type;
}

void TypeTable::FreeAll() {
    while (first) {
        TypeDescriptor* next = first->next;
        FreeType(first);
        first = next;
    }
    last = nullptr;
}

}  // namespace vorlan::compiler
