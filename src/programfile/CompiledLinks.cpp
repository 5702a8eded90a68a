#include "programfile/CompiledLinks.h"

#include "programfile/CompiledRecords.h"

#include "compiler/Compilation.h"
#include "compiler/Expression.h"
#include "base/FileDescriptor.h"

#include <cstring>

namespace vorlan::library {

using compiler::Compilation;
using compiler::DataArea;
using compiler::DataItem;
using compiler::Module;
using compiler::TypeDescriptor;

// Section - Writing

WriteLinks::WriteLinks(CompiledWriter& out, const Compilation& compilation) : out(out), compilation(compilation) {
    for (const Module* module = compilation.firstModule; module; module = module->next) IndexModule(*module);
}

void WriteLinks::IndexModule(const Module& module) {
    for (uint16_t table = 0; table < 2; ++table) {
        uint16_t number = 0;
        for (const TypeDescriptor* type = module.typeTables[table].first; type; type = type->next) {
            const TypeReference reference{module.number, static_cast<uint16_t>(table + 1), ++number};
            types_[type] = reference;
            for (const DataItem* item = type->fields.first; item; item = item->next)
                items_[item] = ItemPlace{ItemOwner::Fields, 0, 0, reference};
        }
    }
    for (const DataItem* item = module.dataAreas[0].first; item; item = item->next)
        items_[item] = ItemPlace{ItemOwner::Context, module.number, 0, {}};
    for (const DataItem* item = module.dataAreas[1].first; item; item = item->next)
        items_[item] = ItemPlace{ItemOwner::ModuleData, module.number, 0, {}};
    uint16_t place = 0;
    for (const compiler::Routine* routine = module.routines.first; routine; routine = routine->next) {
        routines_[routine] = {module.number, ++place};
        for (const DataItem* item = routine->frame.first; item; item = item->next)
            items_[item] = ItemPlace{ItemOwner::Frame, module.number, place, {}};
    }
    for (const FileDescriptor* file = module.descriptors.first; file; file = file->next) files_[file] = module.number;
}

bool WriteLinks::TypeNumber(const TypeDescriptor* type, TypeReference* reference) const {
    *reference = TypeReference{};
    if (!type) return true;
    const auto found = types_.find(type);
    if (found == types_.end()) return false;
    *reference = found->second;
    return true;
}

bool WriteLinks::OwnerOf(const DataItem* item, TypeReference* reference) const {
    *reference = TypeReference{};
    const auto found = items_.find(item);
    if (found == items_.end() || found->second.owner != ItemOwner::Fields) return false;
    *reference = found->second.type;
    return true;
}

Status WriteLinks::Type(const TypeDescriptor* type) {
    TypeReference reference;
    if (!TypeNumber(type, &reference)) return Status::Invalid;
    return out.Type(reference);
}

Status WriteLinks::Routine(const compiler::Routine* routine) {
    const auto found = routine ? routines_.find(routine) : routines_.end();
    if (routine && found == routines_.end()) return Status::Invalid;
    VL_PROPAGATE(out.Short(routine ? found->second.first : 0));
    return out.Short(routine ? found->second.second : 0);
}

Status WriteLinks::Item(const DataItem* item) {
    if (!item) return out.Short(static_cast<uint16_t>(ItemOwner::None));
    const auto found = items_.find(item);
    if (found == items_.end()) return Status::Invalid;
    const ItemPlace& place = found->second;
    VL_PROPAGATE(out.Short(static_cast<uint16_t>(place.owner)));
    switch (place.owner) {
    case ItemOwner::ModuleData:
    case ItemOwner::Context: VL_PROPAGATE(out.Short(place.module)); break;
    case ItemOwner::Frame:
        VL_PROPAGATE(out.Short(place.module));
        VL_PROPAGATE(out.Short(place.routine));
        break;
    case ItemOwner::Fields: VL_PROPAGATE(out.Type(place.type)); break;
    case ItemOwner::None: break;
    }
    return out.Short(item->number);
}

Status WriteLinks::Position(const ReportPosition& at) {
    const auto found = at.file ? files_.find(at.file) : files_.end();
    const bool known = found != files_.end();
    VL_PROPAGATE(out.Short(known ? found->second : 0));
    VL_PROPAGATE(out.Short(known ? at.file->id : 0));
    VL_PROPAGATE(out.Long(static_cast<uint32_t>(at.line)));
    return out.Long(static_cast<uint32_t>(at.column));
}

// Section - Reading

const ReadLinks::ModuleIndex* ReadLinks::IndexOf(uint16_t fileNumber) const {
    for (const ModuleIndex& index : modules_) {
        if (index.fileNumber == fileNumber) return &index;
    }
    return nullptr;
}

ReadLinks::ModuleIndex* ReadLinks::IndexOfModule(const Module& module) {
    for (ModuleIndex& index : modules_) {
        if (index.module == &module) return &index;
    }
    return nullptr;
}

Module* ReadLinks::ModuleOf(uint16_t fileNumber) const {
    const ModuleIndex* index = IndexOf(fileNumber);
    return index ? index->module : nullptr;
}

uint16_t ReadLinks::MemoryNumber(uint16_t fileNumber) const {
    const Module* module = ModuleOf(fileNumber);
    return module ? module->number : 0;
}

Status ReadLinks::MapModule(uint16_t fileNumber, Module* module) {
    if (fileNumber == 0 || IndexOf(fileNumber) || IndexOfModule(*module)) return in.Refuse(Refusal::ModuleNumber);
    ModuleIndex index{fileNumber, module, {}, {}, {}};
    for (uint16_t table = 0; table < 2; ++table) {
        for (TypeDescriptor* type = module->typeTables[table].first; type; type = type->next)
            index.types[table].push_back(type);
    }
    for (compiler::Routine* routine = module->routines.first; routine; routine = routine->next)
        index.routines.push_back(routine);
    for (FileDescriptor* file = module->descriptors.first; file; file = file->next) {
        if (file->id > index.files.size()) index.files.resize(file->id);
        index.files[file->id - 1] = file;
    }
    modules_.push_back(std::move(index));
    return Status::Success;
}

Status ReadLinks::AddType(Module& module, uint16_t table, uint16_t number) {
    ModuleIndex* index = IndexOfModule(module);
    if (!index || table < 1 || table > 2 || number != index->types[table - 1].size() + 1)
        return in.Refuse(Refusal::TypeOrder);
    TypeDescriptor* type = compiler::MakeType(compiler::TypeKind::Base, 0, 0);
    if (!type) return Status::OutOfMemory;
    type->table = static_cast<uint8_t>(table);
    module.typeTables[table - 1].Add(type);
    index->types[table - 1].push_back(type);
    return Status::Success;
}

Status ReadLinks::AddRoutine(Module& module, uint16_t number) {
    ModuleIndex* index = IndexOfModule(module);
    if (!index || number == 0 || (!index->routines.empty() && number <= index->routines.back()->number))
        return in.Refuse(Refusal::RoutineOrder);
    auto* routine = new compiler::Routine{};
    if (!routine) return Status::OutOfMemory;
    routine->number = number;
    module.routines.Add(routine);
    module.routines.nextNumber = static_cast<uint16_t>(number + 1);
    index->routines.push_back(routine);
    return Status::Success;
}

Status ReadLinks::AddFile(Module& module, Owned<FileDescriptor>& given) {
    ModuleIndex* index = IndexOfModule(module);
    if (!index || given->id != index->files.size() + 1) return in.Refuse(Refusal::FileOrder);
    FileDescriptor* file = given.Take();
    file->owner = &module;
    module.descriptors.Add(file);
    module.descriptors.nextId = static_cast<uint16_t>(file->id + 1);
    index->files.push_back(file);
    return Status::Success;
}

Status ReadLinks::TypeOf(const TypeReference& reference, TypeDescriptor** type) const {
    *type = nullptr;
    if (reference.IsNone()) return Status::Success;
    const ModuleIndex* index = IndexOf(reference.module);
    if (!index || reference.table < 1 || reference.table > 2) return in.Refuse(Refusal::BadTypeReference);
    const std::vector<TypeDescriptor*>& table = index->types[reference.table - 1];
    if (reference.number < 1 || reference.number > table.size()) return in.Refuse(Refusal::BadTypeReference);
    *type = table[reference.number - 1];
    return Status::Success;
}

Status ReadLinks::Type(TypeDescriptor** type) {
    *type = nullptr;
    TypeReference reference;
    VL_PROPAGATE(in.Type(&reference));
    return TypeOf(reference, type);
}

Status ReadLinks::RoutineOf(uint16_t module, uint16_t place, compiler::Routine** routine) const {
    *routine = nullptr;
    if (module == 0 && place == 0) return Status::Success;
    const ModuleIndex* index = IndexOf(module);
    if (!index || place < 1 || place > index->routines.size()) return in.Refuse(Refusal::BadRoutineReference);
    *routine = index->routines[place - 1];
    return Status::Success;
}

Status ReadLinks::Routine(compiler::Routine** routine) {
    *routine = nullptr;
    uint16_t module, number;
    VL_PROPAGATE(in.Short(&module));
    VL_PROPAGATE(in.Short(&number));
    return RoutineOf(module, number, routine);
}

Status ReadLinks::Position(ReportPosition* at) {
    *at = ReportPosition{};
    uint16_t module, file;
    uint32_t line, column;
    VL_PROPAGATE(in.Short(&module));
    VL_PROPAGATE(in.Short(&file));
    VL_PROPAGATE(in.Long(&line));
    VL_PROPAGATE(in.Long(&column));
    if (module != 0) {
        const ModuleIndex* index = IndexOf(module);
        if (!index || file < 1 || file > index->files.size() || !index->files[file - 1])
            return in.Refuse(Refusal::BadPosition);
        at->file = index->files[file - 1];
    }
    at->line = static_cast<int32_t>(line);
    at->column = static_cast<int32_t>(column);
    return Status::Success;
}

Status ReadLinks::Item(void* slot) {
    DataItem* none = nullptr;
    std::memcpy(slot, &none, sizeof none);
    uint16_t owner;
    VL_PROPAGATE(in.Short(&owner));
    PendingItem pending{slot, static_cast<ItemOwner>(owner), 0, 0, {}, 0};
    switch (pending.owner) {
    case ItemOwner::None: return Status::Success;
    case ItemOwner::ModuleData:
    case ItemOwner::Context: VL_PROPAGATE(in.Short(&pending.module)); break;
    case ItemOwner::Frame:
        VL_PROPAGATE(in.Short(&pending.module));
        VL_PROPAGATE(in.Short(&pending.routine));
        break;
    case ItemOwner::Fields: VL_PROPAGATE(in.Type(&pending.type)); break;
    default: return in.Refuse(Refusal::BadItemReference);
    }
    VL_PROPAGATE(in.Short(&pending.number));
    if (!AreaOf(pending)) return in.Refuse(Refusal::BadItemReference);
    pendingItems_.push_back(pending);
    return Status::Success;
}

const DataArea* ReadLinks::AreaOf(const PendingItem& pending) const {
    switch (pending.owner) {
    case ItemOwner::ModuleData:
    case ItemOwner::Context: {
        Module* module = ModuleOf(pending.module);
        return module ? &module->dataAreas[pending.owner == ItemOwner::Context ? 0 : 1] : nullptr;
    }
    case ItemOwner::Frame: {
        compiler::Routine* routine = nullptr;
        if (RoutineOf(pending.module, pending.routine, &routine) != Status::Success || !routine) return nullptr;
        return &routine->frame;
    }
    case ItemOwner::Fields: {
        TypeDescriptor* type = nullptr;
        if (TypeOf(pending.type, &type) != Status::Success || !type) return nullptr;
        return &type->fields;
    }
    case ItemOwner::None: break;
    }
    return nullptr;
}

DataItem* ReadLinks::ItemIn(const DataArea& area, uint16_t number) {
    auto found = areas_.find(&area);
    if (found == areas_.end()) {
        std::vector<DataItem*> items(area.count, nullptr);
        for (DataItem* item = area.first; item; item = item->next) {
            if (item->number >= 1 && item->number <= items.size()) items[item->number - 1] = item;
        }
        found = areas_.emplace(&area, std::move(items)).first;
    }
    if (number < 1 || number > found->second.size()) return nullptr;
    return found->second[number - 1];
}

void ReadLinks::BindTargets(compiler::ExprList* list, TypeDescriptor* owner) {
    pendingLists_.push_back(PendingList{list, owner});
}

Status ReadLinks::ResolvePending() {
    for (const PendingItem& pending : pendingItems_) {
        const DataArea* area = AreaOf(pending);
        DataItem* item = area ? ItemIn(*area, pending.number) : nullptr;
        if (!item) return in.Refuse(Refusal::MissingItem);
        std::memcpy(pending.slot, &item, sizeof item);
    }
    for (const PendingList& pending : pendingLists_) {
        if (pending.owner->fields.count != pending.list->count) return in.Refuse(Refusal::BoundList);
        uint16_t i = 0;
        for (DataItem* field = pending.owner->fields.first; field && i < pending.list->count; field = field->next)
            pending.list->targets[i++] = field;
        if (i != pending.list->count) return in.Refuse(Refusal::BoundList);
    }
    for (const auto& [node, kind] : literals_) {
        if (!LiteralKindFits(*node, kind)) return in.Refuse(Refusal::LiteralKind);
    }
    pendingItems_.clear();
    pendingLists_.clear();
    literals_.clear();
    return Status::Success;
}

}  // namespace vorlan::library
