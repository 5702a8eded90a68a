#include "compiler/Identifiers.h"

#include "base/WideText.h"

namespace vorlan::compiler {

void IdentifierList::Add(IdentifierEntry* entry) {
    if (entry->number == 0) entry->number = nextNumber++;
    entry->next = nullptr;
    if (last) last->next = entry;
    else first = entry;
    last = entry;
    entry->listed = 1;
}

IdentifierEntry* IdentifierList::Find(const char16_t* name) const {
    // The system module's list alone holds a few hundred names: most differ
    // in their first character, which is tested before the whole name.
    for (IdentifierEntry* entry = first; entry; entry = entry->next) {
        if (entry->name[0] == name[0] && WideEqual(entry->name, name)) return entry;
    }
    return nullptr;
}

void IdentifierList::FreeAll() {
    while (first) {
        IdentifierEntry* next = first->next;
        delete first;
        first = next;
    }
    last = nullptr;
}

IdentifierEntry* MakeIdentifier(const char16_t* name, uint16_t category, Scope scope, void* object) {
    auto* entry = new IdentifierEntry{};
    if (!entry) return nullptr;
    WideCopy(entry->name, name, kNameLength);
    entry->category = category;
    entry->scope = scope;
    entry->object = object;
    return entry;
}

}  // namespace vorlan::compiler
