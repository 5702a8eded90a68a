// Module headers and bodies, routines and identifier lists.
//
// Header: tag 87, the module's name and whether unqualified names reach it,
// then the numbers of its types (tags 15 and 16) and routines (tag 50).
// Body: stamp (tag 44), file name (tag 42), source files (tag 88), data base,
// the two type lists, the module data, the routines (tag 50 ... tag 52), the
// units with their private names (tag 89) and the public names.
//
// Names come last: an entry is linked to its object by number, and every
// object it can name has been read by then.

#include "compiler/Compilation.h"
#include "compiler/Statements.h"
#include "base/FileDescriptor.h"
#include "base/WideText.h"
#include "programfile/CompiledLinks.h"
#include "programfile/CompiledRecords.h"
#include "value/ValueOps.h"

#include <vector>

namespace vorlan::library {

using namespace compiler;

namespace {

constexpr size_t kLeastEntryBytes = 18;
constexpr size_t kLeastRoutineBytes = 30;
constexpr size_t kLeastUnitBytes = 10;

// Objects of a module by number, for linking names to them.
struct ObjectIndex {
    std::vector<TypeDescriptor*> types;
    std::vector<DataItem*> data;
    std::vector<Routine*> routines;  // in increasing number
    std::vector<DataItem*> frame;    // the locals of the routine being read

    static void Fill(std::vector<DataItem*>& into, const DataArea& area) {
        into.clear();
        for (DataItem* item = area.first; item; item = item->next) into.push_back(item);
    }
    template <class T>
    static T* At(const std::vector<T*>& from, uint16_t number) {
        return number >= 1 && number <= from.size() ? from[number - 1] : nullptr;
    }
    Routine* RoutineNumbered(uint16_t number) const {
        for (Routine* routine : routines) {
            if (routine->number == number) return routine;
        }
        return nullptr;
    }
};

// Section - Identifier lists

// The number that names an entry's object in its own list.
bool Designator(const WriteLinks& links, const IdentifierEntry& entry, uint16_t* number) {
    switch (entry.category) {
    case kCategoryType: {
        TypeReference reference;
        if (!links.TypeNumber(static_cast<const TypeDescriptor*>(entry.object), &reference) || reference.table != 1)
            return false;
        *number = reference.number;
        return true;
    }
    case kCategoryGlobalDatum:
    case kCategoryLocalDatum:
    case kCategorySavedDatum: *number = static_cast<const DataItem*>(entry.object)->number; return true;
    case kCategoryRoutine: *number = static_cast<const Routine*>(entry.object)->number; return true;
    default: return false;
    }
}

// Which entries of a list a record carries. A library's names that are not
// exported are written as private names of its main unit: importers never
// see them, yet reports still name the routines and data they belong to.
enum class Pick { All, Exported, NotExported };

bool Picked(const IdentifierEntry& entry, Pick pick) {
    if (pick == Pick::All) return true;
    return (entry.scope == Scope::Export) == (pick == Pick::Exported);
}

Status WriteIdentifiers(WriteLinks& links, const IdentifierList& list, Pick pick) {
    CompiledWriter& out = links.out;
    uint16_t count = 0;
    for (const IdentifierEntry* entry = list.first; entry; entry = entry->next) count += Picked(*entry, pick);
    VL_PROPAGATE(out.Tag(kTagIdentifiers));
    VL_PROPAGATE(out.Short(count));
    const bool hide = pick == Pick::NotExported;
    for (const IdentifierEntry* entry = list.first; entry; entry = entry->next) {
        if (!Picked(*entry, pick)) continue;
        uint16_t designator = 0;
        if (!Designator(links, *entry, &designator)) return Status::Invalid;
        VL_PROPAGATE(out.Tag(kTagIdentifier));
        VL_PROPAGATE(out.Short(entry->number));
        VL_PROPAGATE(out.Name(entry->name, WideLength(entry->name)));
        VL_PROPAGATE(out.Short(entry->unitNumber));
        VL_PROPAGATE(out.Short(entry->category));
        VL_PROPAGATE(out.Short(static_cast<uint16_t>(hide ? Scope::Private : entry->scope)));
        VL_PROPAGATE(out.Short(designator));
    }
    return out.Tag(kTagListEnd);
}

// Links the entry and its object both ways; false when the number names nothing.
bool LinkEntry(IdentifierEntry& entry, uint16_t designator, const ObjectIndex& objects) {
    switch (entry.category) {
    case kCategoryType: {
        TypeDescriptor* type = ObjectIndex::At(objects.types, designator);
        if (!type || type->entry) return false;
        type->entry = &entry;
        entry.object = type;
        return true;
    }
    case kCategoryRoutine: {
        Routine* routine = objects.RoutineNumbered(designator);
        if (!routine || routine->entry) return false;
        routine->entry = &entry;
        entry.object = routine;
        return true;
    }
    case kCategoryGlobalDatum:
    case kCategorySavedDatum:
    case kCategoryLocalDatum: {
        DataItem* item = ObjectIndex::At(entry.category == kCategoryLocalDatum ? objects.frame : objects.data, designator);
        if (!item || item->entry) return false;
        item->entry = &entry;
        entry.object = item;
        return true;
    }
    default: return false;
    }
}

// Reads the entries of one list; `place` gives each entry the list it joins.
template <class Place>
Status ReadIdentifiers(ReadLinks& links, const ObjectIndex& objects, Place place) {
    CompiledReader& in = links.in;
    VL_PROPAGATE(in.ExpectTag(kTagIdentifiers));
    uint16_t count;
    VL_PROPAGATE(in.Count(&count, kLeastEntryBytes));
    for (uint16_t i = 0; i < count; ++i) {
        VL_PROPAGATE(in.ExpectTag(kTagIdentifier));
        uint16_t number, unit, category, scope, designator;
        CompiledName name;
        VL_PROPAGATE(in.Short(&number));
        VL_PROPAGATE(in.Name(&name));
        VL_PROPAGATE(in.Short(&unit));
        VL_PROPAGATE(in.Short(&category));
        VL_PROPAGATE(in.Short(&scope));
        VL_PROPAGATE(in.Short(&designator));
        if (!name.present || name.length == 0 || name.length > kNameLength || scope > static_cast<uint16_t>(Scope::Export))
            return in.Refuse(Refusal::BadEntry);
        Owned<IdentifierEntry> made(MakeIdentifier(name.chars, category, static_cast<Scope>(scope), nullptr));
        if (!made) return Status::OutOfMemory;
        made->number = number;
        made->unitNumber = unit;
        IdentifierList* list = place(*made);
        if (!list) return in.Refuse(Refusal::BadIdentifier);
        IdentifierEntry* entry = made.Take();
        list->Add(entry);  // the list frees it from here
        if (!LinkEntry(*entry, designator, objects)) return in.Refuse(Refusal::BadIdentifier);
    }
    return in.ExpectTag(kTagListEnd);
}

// Section - Routines

Status WriteRoutine(WriteLinks& links, const Routine& routine) {
    CompiledWriter& out = links.out;
    VL_PROPAGATE(out.Tag(kTagRoutine));
    VL_PROPAGATE(out.Short(routine.number));
    VL_PROPAGATE(out.Short(static_cast<uint16_t>(routine.kind)));
    VL_PROPAGATE(links.Type(routine.type));
    VL_PROPAGATE(links.Position(routine.position));
    VL_PROPAGATE(WriteDataArea(links, routine.frame));
    VL_PROPAGATE(out.Long(routine.frame.size));
    VL_PROPAGATE(WriteIdentifiers(links, routine.locals, Pick::All));
    return WriteBlock(links, routine.body);
}

Status ReadRoutine(ReadLinks& links, Routine& routine, ObjectIndex& objects) {
    CompiledReader& in = links.in;
    VL_PROPAGATE(in.ExpectTag(kTagRoutine));
    uint16_t number, kind;
    uint32_t frameSize;
    VL_PROPAGATE(in.Short(&number));
    VL_PROPAGATE(in.Short(&kind));
    if (number != routine.number || kind < static_cast<uint16_t>(RoutineKind::Function) ||
        kind > static_cast<uint16_t>(RoutineKind::Program))
        return in.Refuse(Refusal::BadRoutine);
    routine.kind = static_cast<RoutineKind>(kind);
    VL_PROPAGATE(links.Type(&routine.type));
    if (!routine.type || routine.type->table != 2) return in.Refuse(Refusal::BadRoutine);
    VL_PROPAGATE(links.Position(&routine.position));
    VL_PROPAGATE(ReadDataArea(links, routine.frame));
    VL_PROPAGATE(in.Long(&frameSize));
    if (frameSize != routine.frame.size) return in.Refuse(Refusal::BadRoutine);
    ObjectIndex::Fill(objects.frame, routine.frame);
    VL_PROPAGATE(ReadIdentifiers(links, objects, [&](const IdentifierEntry& entry) -> IdentifierList* {
        const bool local = entry.category == kCategoryLocalDatum || entry.category == kCategorySavedDatum;
        return local ? &routine.locals : nullptr;
    }));
    return ReadBlock(links, &routine.body);
}

Status WriteRoutines(WriteLinks& links, const Module& module) {
    CompiledWriter& out = links.out;
    uint16_t count = 0;
    for (const Routine* routine = module.routines.first; routine; routine = routine->next) ++count;
    VL_PROPAGATE(out.Tag(kTagRoutines));
    VL_PROPAGATE(out.Short(count));
    for (const Routine* routine = module.routines.first; routine; routine = routine->next)
        VL_PROPAGATE(WriteRoutine(links, *routine));
    return out.Tag(kTagRoutinesEnd);
}

Status ReadRoutines(ReadLinks& links, Module& module, ObjectIndex& objects) {
    CompiledReader& in = links.in;
    VL_PROPAGATE(in.ExpectTag(kTagRoutines));
    uint16_t count;
    VL_PROPAGATE(in.Short(&count));
    uint16_t read = 0;
    for (Routine* routine = module.routines.first; routine; routine = routine->next) {
        if (++read > count) return in.Refuse(Refusal::RoutineCount);
        VL_PROPAGATE(ReadRoutine(links, *routine, objects));
    }
    if (read != count) return in.Refuse(Refusal::RoutineCount);
    return in.ExpectTag(kTagRoutinesEnd);
}

// Section - Source files and units

Status WriteSources(WriteLinks& links, const Module& module) {
    CompiledWriter& out = links.out;
    uint16_t count = 0;
    for (const FileDescriptor* file = module.descriptors.first; file; file = file->next) ++count;
    VL_PROPAGATE(out.Tag(kTagSources));
    VL_PROPAGATE(out.Short(count));
    for (const FileDescriptor* file = module.descriptors.first; file; file = file->next) {
        VL_PROPAGATE(out.Short(file->id));
        VL_PROPAGATE(out.Name(file->path, WideLength(file->path)));
    }
    return Status::Success;
}

// Source files are kept for the positions of reports: their paths as the
// compilation named them, never opened again.
Status ReadSources(ReadLinks& links, Module& module) {
    CompiledReader& in = links.in;
    VL_PROPAGATE(in.ExpectTag(kTagSources));
    uint16_t count;
    VL_PROPAGATE(in.Short(&count));
    for (uint16_t i = 0; i < count; ++i) {
        uint16_t id;
        CompiledName path;
        VL_PROPAGATE(in.Short(&id));
        VL_PROPAGATE(in.Name(&path));
        if (!path.present || path.length > kPathMax) return in.Refuse(Refusal::BadSourcePath);
        Owned<FileDescriptor> file(new FileDescriptor{});
        if (!file) return Status::OutOfMemory;
        file->id = id;
        file->kind = FileKind::Source;
        WideCopy(file->path, path.chars, kPathMax);
        WideCopy(file->resolvedPath, path.chars, kPathMax);
        VL_PROPAGATE(links.AddFile(module, file));
    }
    return Status::Success;
}

Status WriteUnits(WriteLinks& links, const Module& module) {
    CompiledWriter& out = links.out;
    uint16_t count = 0;
    for (const Unit* unit = module.firstUnit; unit; unit = unit->next) ++count;
    VL_PROPAGATE(out.Tag(kTagUnits));
    VL_PROPAGATE(out.Short(count));
    for (const Unit* unit = module.firstUnit; unit; unit = unit->next) {
        VL_PROPAGATE(out.Short(unit->number));
        VL_PROPAGATE(out.Short(unit->descriptor ? unit->descriptor->id : 0));
        VL_PROPAGATE(WriteIdentifiers(links, unit->privateList, Pick::All));
    }
    return Status::Success;
}

Unit* NewUnit(Module& module, uint16_t number, FileDescriptor* file) {
    auto* unit = new Unit{};
    if (!unit) return nullptr;
    unit->number = number;
    unit->module = &module;
    unit->descriptor = file;
    if (module.lastUnit) module.lastUnit->next = unit;
    else module.firstUnit = unit;
    module.lastUnit = unit;
    unit->listed = 1;
    if (!module.mainUnit) module.mainUnit = unit;
    module.nextUnitNumber = static_cast<uint16_t>(number + 1);
    return unit;
}

Status ReadUnits(ReadLinks& links, Module& module, const ObjectIndex& objects) {
    CompiledReader& in = links.in;
    VL_PROPAGATE(in.ExpectTag(kTagUnits));
    uint16_t count;
    VL_PROPAGATE(in.Count(&count, kLeastUnitBytes));
    for (uint16_t i = 0; i < count; ++i) {
        uint16_t number, id;
        VL_PROPAGATE(in.Short(&number));
        VL_PROPAGATE(in.Short(&id));
        FileDescriptor* file = nullptr;
        for (FileDescriptor* candidate = module.descriptors.first; candidate; candidate = candidate->next) {
            if (candidate->id == id) file = candidate;
        }
        if (number != i + 1 || !file) return in.Refuse(Refusal::BadUnit);
        Unit* unit = NewUnit(module, number, file);
        if (!unit) return Status::OutOfMemory;
        VL_PROPAGATE(ReadIdentifiers(links, objects, [&](const IdentifierEntry& entry) -> IdentifierList* {
            return entry.scope == Scope::Private ? &unit->privateList : nullptr;
        }));
    }
    return Status::Success;
}

// Section - Module parts

// Every type the module holds gets its value operations from its shape.
Status ChooseOperations(CompiledReader& in, Module& module) {
    for (TypeTable& table : module.typeTables) {
        for (TypeDescriptor* type = table.first; type; type = type->next) {
            if (!runtime::SetValueOps(*type)) return in.Refuse(Refusal::NoValueOperations);
        }
    }
    return Status::Success;
}

// A routine's type is named by its routine.
void NameRoutineTypes(Module& module) {
    for (Routine* routine = module.routines.first; routine; routine = routine->next) {
        if (routine->type && !routine->type->entry) routine->type->entry = routine->entry;
    }
}

Status WriteNumbers(CompiledWriter& out, uint16_t tag, const TypeTable& table) {
    uint16_t count = 0;
    for (const TypeDescriptor* type = table.first; type; type = type->next) ++count;
    VL_PROPAGATE(out.Tag(tag));
    VL_PROPAGATE(out.Short(count));
    for (uint16_t number = 1; number <= count; ++number) VL_PROPAGATE(out.Short(number));
    return Status::Success;
}

}  // namespace

Status WriteModuleHeader(WriteLinks& links, const Module& module) {
    CompiledWriter& out = links.out;
    VL_PROPAGATE(out.Tag(kTagModuleHeader));
    VL_PROPAGATE(out.Name(module.name, WideLength(module.name)));
    VL_PROPAGATE(out.Short(module.imported ? 1 : 0));
    VL_PROPAGATE(WriteNumbers(out, kTagTypeTable1, module.typeTables[0]));
    VL_PROPAGATE(WriteNumbers(out, kTagTypeTable2, module.typeTables[1]));
    uint16_t count = 0;
    for (const Routine* routine = module.routines.first; routine; routine = routine->next) ++count;
    VL_PROPAGATE(out.Tag(kTagRoutines));
    VL_PROPAGATE(out.Short(count));
    for (const Routine* routine = module.routines.first; routine; routine = routine->next)
        VL_PROPAGATE(out.Short(routine->number));
    return Status::Success;
}

Status ReadModuleHeader(ReadLinks& links, Module& module) {
    CompiledReader& in = links.in;
    VL_PROPAGATE(in.ExpectTag(kTagModuleHeader));
    CompiledName name;
    uint16_t imported;
    VL_PROPAGATE(in.Name(&name));
    VL_PROPAGATE(in.Short(&imported));
    if (name.length > kNameLength || imported > 1) return in.Refuse(Refusal::BadModuleHeader);
    WideCopy(module.name, name.chars, kNameLength);
    module.imported = imported;
    for (uint16_t table = 1; table <= 2; ++table) {
        VL_PROPAGATE(in.ExpectTag(table == 1 ? kTagTypeTable1 : kTagTypeTable2));
        uint16_t count, number;
        VL_PROPAGATE(in.Count(&count, 2));
        for (uint16_t i = 0; i < count; ++i) {
            VL_PROPAGATE(in.Short(&number));
            VL_PROPAGATE(links.AddType(module, table, number));
        }
    }
    VL_PROPAGATE(in.ExpectTag(kTagRoutines));
    uint16_t count, number;
    VL_PROPAGATE(in.Count(&count, kLeastRoutineBytes));
    for (uint16_t i = 0; i < count; ++i) {
        VL_PROPAGATE(in.Short(&number));
        VL_PROPAGATE(links.AddRoutine(module, number));
    }
    return Status::Success;
}

Status WriteModuleBody(WriteLinks& links, const Module& module, bool exportsOnly) {
    CompiledWriter& out = links.out;
    VL_PROPAGATE(out.Tag(kTagStamp));
    VL_PROPAGATE(out.Stamp(module.stamp));
    VL_PROPAGATE(out.Tag(kTagFileName));
    VL_PROPAGATE(out.Name(module.fileName, WideLength(module.fileName)));
    VL_PROPAGATE(WriteSources(links, module));
    VL_PROPAGATE(out.Long(module.dataBase));
    VL_PROPAGATE(WriteTypeList(links, module, 1));
    VL_PROPAGATE(WriteTypeList(links, module, 2));
    VL_PROPAGATE(WriteDataArea(links, module.dataAreas[1]));
    VL_PROPAGATE(WriteRoutines(links, module));
    VL_PROPAGATE(WriteUnits(links, module));
    VL_PROPAGATE(WriteIdentifiers(links, module.publicList, exportsOnly ? Pick::Exported : Pick::All));
    if (exportsOnly) return WriteIdentifiers(links, module.publicList, Pick::NotExported);
    return WriteIdentifiers(links, IdentifierList{}, Pick::All);
}

Status ReadModuleBody(ReadLinks& links, Module& module) {
    CompiledReader& in = links.in;
    links.SetCurrent(&module);
    VL_PROPAGATE(in.ExpectTag(kTagStamp));
    VL_PROPAGATE(in.Stamp(&module.stamp));
    VL_PROPAGATE(in.ExpectTag(kTagFileName));
    CompiledName fileName;
    VL_PROPAGATE(in.Name(&fileName));
    if (fileName.length > kPathMax) return in.Refuse(Refusal::BadSourcePath);
    WideCopy(module.fileName, fileName.chars, kPathMax);
    VL_PROPAGATE(ReadSources(links, module));
    VL_PROPAGATE(in.Long(&module.dataBase));
    VL_PROPAGATE(ReadTypeList(links, module, 1));
    VL_PROPAGATE(ReadTypeList(links, module, 2));
    VL_PROPAGATE(ReadDataArea(links, module.dataAreas[1]));
    ObjectIndex objects;
    for (TypeDescriptor* type = module.typeTables[0].first; type; type = type->next) objects.types.push_back(type);
    for (Routine* routine = module.routines.first; routine; routine = routine->next) objects.routines.push_back(routine);
    ObjectIndex::Fill(objects.data, module.dataAreas[1]);
    VL_PROPAGATE(ReadRoutines(links, module, objects));
    objects.frame.clear();
    VL_PROPAGATE(ReadUnits(links, module, objects));
    if (!module.mainUnit) return in.Refuse(Refusal::NoMainUnit);
    VL_PROPAGATE(ReadIdentifiers(links, objects, [&](const IdentifierEntry& entry) -> IdentifierList* {
        return entry.scope == Scope::Public || entry.scope == Scope::Export ? &module.publicList : nullptr;
    }));
    VL_PROPAGATE(ReadIdentifiers(links, objects, [&](const IdentifierEntry& entry) -> IdentifierList* {
        return entry.scope == Scope::Private ? &module.mainUnit->privateList : nullptr;
    }));
    NameRoutineTypes(module);
    return ChooseOperations(in, module);
}

}  // namespace vorlan::library
