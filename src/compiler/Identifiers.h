#pragma once
// Identifier entries and lists: every declared name of a program, in the
// public list of its module, the private list of its unit, or the list of a
// routine, structure or enumeration.

#include "base/Memory.h"

#include <cstdint>

namespace vorlan::compiler {

constexpr uint32_t kTagIdentifier = 105;
constexpr uint16_t kNameLength = 30;

// What a name denotes; one bit each so lookups can ask for several.
enum Category : uint16_t {
    kCategoryType = 2,
    kCategoryGlobalDatum = 4,
    kCategoryRoutine = 8,
    kCategoryParameter = 16,
    kCategoryLocalDatum = 32,
    kCategorySavedDatum = 64,
    kCategoryContextElement = 128,
    kCategoryEnumItem = 256,
    kCategoryField = 512,
};

enum class Scope : uint16_t {
    None = 0,   // no scope word written: data and types take Private
    Local = 1,  // parameter or routine-local name
    Private = 2,
    Public = 3,
    Export = 4,
    System = 5,
    Field = 6,
    EnumItem = 7,
};

struct IdentifierEntry : Tagged<kTagIdentifier> {
    uint16_t number;
    char16_t name[kNameLength + 1];
    uint16_t unitNumber;  // 0 for the system module and routine-level names
    uint16_t category;
    Scope scope;
    void* object;  // the type, data item, routine or field it names
    uint32_t listed;
    // A system name added after programs were already written with it: a
    // declaration of the program's own may take it, and wins in its scope.
    bool yields;
    IdentifierEntry* next;
};

struct IdentifierList {
    uint16_t nextNumber = 1;
    IdentifierEntry* first = nullptr;
    IdentifierEntry* last = nullptr;

    void Add(IdentifierEntry* entry);
    // The first entry of that exact name (case included), or nullptr.
    IdentifierEntry* Find(const char16_t* name) const;
    void FreeAll();
};

// A new entry (not yet in a list), or nullptr when memory runs out.
IdentifierEntry* MakeIdentifier(const char16_t* name, uint16_t category, Scope scope, void* object);

}  // namespace vorlan::compiler
