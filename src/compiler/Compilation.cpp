#include "compiler/Compilation.h"

#include "base/ReportLines.h"
#include "compiler/Passes.h"
#include "compiler/Statements.h"
#include "base/Messages.h"
#include "base/WideText.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace vorlan::compiler {
namespace {

Embedding embedding{};

// Seconds since 1970 in the high word, the tick count in milliseconds in the
// low word: two builds of one program get different stamps.
uint64_t ModuleStamp() {
    timespec tick{};
    clock_gettime(CLOCK_MONOTONIC, &tick);
    const auto millis = static_cast<uint32_t>(tick.tv_sec * 1000 + tick.tv_nsec / 1000000);
    return (static_cast<uint64_t>(static_cast<uint32_t>(std::time(nullptr))) << 32) | millis;
}

// Makes the compilation with its system module as module 1.
Status StartCompilation(RunMode mode, Settings& settings, Compilation** out) {
    Owned<Compilation> compilation(new Compilation{});
    if (!compilation) {
        CommandLineReport(Msg::OutOfMemory);
        return Status::OutOfMemory;
    }
    compilation->runMode = mode;
    compilation->settings = &settings;
    compilation->nextModuleNumber = 1;
    Module* system = embedding.buildSystemModule ? embedding.buildSystemModule(*compilation) : nullptr;
    if (!system) {
        compilation = nullptr;
        CommandLineReport(Msg::OutOfMemory);
        return Status::OutOfMemory;
    }
    AddModule(*compilation, system, u"_System");
    if (system->number != 1) {
        PrintReportLine(ReportLine::SystemModuleIndex);
        std::fflush(stdout);
        std::abort();
    }
    compilation->systemModule = system;
    if (IsBuildingProgram(*compilation)) compilation->globalDataTotal += system->Data().size;
    *out = compilation.Take();
    return Status::Success;
}

}  // namespace

void RoutineList::Add(Routine* routine) {
    if (routine->number == 0) routine->number = nextNumber++;
    routine->next = nullptr;
    if (last) last->next = routine;
    else first = routine;
    last = routine;
    routine->listed = 1;
}

void RoutineList::FreeAll() {
    while (first) {
        Routine* next = first->next;
        delete first;
        first = next;
    }
    last = nullptr;
}

Routine::~Routine() {
    locals.FreeAll();
    frame.FreeAll();
    body = nullptr;
}

Module* CreateModule() {
    auto* module = new Module{};
    if (module) module->nextUnitNumber = 1;
    return module;
}

void FreeModule(Module*& module) {
    if (!module) return;
    while (Unit* unit = module->firstUnit) {
        module->firstUnit = unit->next;
        unit->privateList.FreeAll();
        delete unit;
    }
    module->publicList.FreeAll();
    module->routines.FreeAll();
    for (DataArea& area : module->dataAreas) area.FreeAll();
    for (TypeTable& table : module->typeTables) table.FreeAll();
    module->descriptors.FreeAll();
    delete module;
    module = nullptr;
}

void AddModule(Compilation& compilation, Module* module, const char16_t* name) {
    module->number = compilation.nextModuleNumber++;
    module->compilation = &compilation;
    WideCopy(module->name, name, kNameLength);
    module->next = nullptr;
    if (compilation.lastModule) compilation.lastModule->next = module;
    else compilation.firstModule = module;
    compilation.lastModule = module;
    module->listed = 1;
    ++compilation.moduleCount;
}

Module* FindModuleByNumber(const Compilation& compilation, uint16_t number) {
    for (Module* m = compilation.firstModule; m; m = m->next) {
        if (m->number == number) return m;
    }
    return nullptr;
}

Module* FindModuleByName(const Compilation& compilation, const char16_t* name) {
    for (Module* m = compilation.firstModule; m; m = m->next) {
        if (WideEqual(m->name, name)) return m;
    }
    return nullptr;
}

Module* FindModuleByFileName(const Compilation& compilation, const char16_t* fileName) {
    for (Module* m = compilation.firstModule; m; m = m->next) {
        if (WideEqual(m->fileName, fileName)) return m;
    }
    return nullptr;
}

Unit* CreateUnit(Module& module, const char16_t* path, uint16_t* code) {
    FileDescriptor* descriptor = MakeFileDescriptor(path, FileKind::Source, *module.compilation->settings, code);
    if (!descriptor) return nullptr;
    auto* unit = new Unit{};
    if (!unit) {
        FreeFileDescriptor(descriptor);
        *code = static_cast<uint16_t>(Msg::OutOfMemory);
        return nullptr;
    }
    descriptor->owner = &module;
    module.descriptors.Add(descriptor);
    unit->descriptor = descriptor;
    unit->module = &module;
    unit->number = module.nextUnitNumber++;
    if (module.lastUnit) module.lastUnit->next = unit;
    else module.firstUnit = unit;
    module.lastUnit = unit;
    unit->listed = 1;
    if (!module.mainUnit) module.mainUnit = unit;
    return unit;
}

Unit* FindUnit(const Module& module, const char16_t* path) {
    for (Unit* unit = module.firstUnit; unit; unit = unit->next) {
        if (WideEqual(unit->descriptor->path, path)) return unit;
    }
    return nullptr;
}

void AddIdentifier(Unit& unit, IdentifierEntry* entry) {
    entry->unitNumber = unit.number;
    if (entry->scope == Scope::Private) unit.privateList.Add(entry);
    else unit.module->publicList.Add(entry);
}

bool SystemNameTaken(const Compilation& compilation, const char16_t* name) {
    if (!compilation.systemModule) return false;
    const IdentifierEntry* entry = compilation.systemModule->publicList.Find(name);
    return entry && !entry->yields;
}

uint16_t CheckUnitName(const Unit& unit, const char16_t* name, Scope scope) {
    const Compilation& compilation = *unit.module->compilation;
    if (SystemNameTaken(compilation, name)) return static_cast<uint16_t>(Msg::AlreadyInSystem);
    if (unit.privateList.Find(name)) return static_cast<uint16_t>(Msg::AlreadyPrivateHere);
    if (const IdentifierEntry* entry = unit.module->publicList.Find(name)) {
        if (entry->unitNumber == unit.number) return static_cast<uint16_t>(Msg::AlreadyPublicHere);
        if (scope == Scope::Public) return static_cast<uint16_t>(Msg::AlreadyPublicElsewhere);
    }
    return 0;
}

LookupResult LookupName(const Unit& unit, const Routine* routine, const char16_t* name, IdentifierEntry** found) {
    const Compilation& compilation = *unit.module->compilation;
    *found = nullptr;
    IdentifierEntry* system = compilation.systemModule ? compilation.systemModule->publicList.Find(name) : nullptr;
    if (system && !system->yields) {
        *found = system;
        return LookupResult::Found;
    }
    const LookupResult own = LookupProgramName(unit, routine, name, found);
    if (own != LookupResult::NotFound || !system) return own;
    *found = system;
    return LookupResult::Found;
}

LookupResult LookupProgramName(const Unit& unit, const Routine* routine, const char16_t* name,
                               IdentifierEntry** found) {
    const Compilation& compilation = *unit.module->compilation;
    *found = nullptr;
    if (routine) {
        for (DataItem* parameter = routine->type ? routine->type->fields.first : nullptr; parameter;
             parameter = parameter->next) {
            if (parameter->entry && WideEqual(parameter->entry->name, name)) {
                *found = parameter->entry;
                return LookupResult::Found;
            }
        }
        if ((*found = routine->locals.Find(name))) return LookupResult::Found;
    }
    if ((*found = unit.privateList.Find(name))) return LookupResult::Found;
    LookupResult result = LookupResult::NotFound;
    for (const Module* module = compilation.firstModule; module; module = module->next) {
        if (!module->imported || module == compilation.systemModule) continue;
        IdentifierEntry* entry = module->publicList.Find(name);
        if (!entry) continue;
        if (result == LookupResult::Found) return LookupResult::Ambiguous;
        *found = entry;
        result = LookupResult::Found;
    }
    return result;
}

bool IsBuildingProgram(const Compilation& compilation) {
    return compilation.runMode == RunMode::BuildProgram || compilation.runMode == RunMode::RunSource;
}

void SetEmbedding(const Embedding& given) { embedding = given; }

Status LoadLibraryModule(Compilation& compilation, const FileDescriptor& descriptor, bool buildingProgram,
                         Module** out) {
    if (!embedding.loadLibrary) return Status::InternalFailure;
    return embedding.loadLibrary(compilation, descriptor, buildingProgram, out);
}

Status CreateCompilation(RunMode mode, Settings& settings, Compilation** out) {
    *out = nullptr;
    return StartCompilation(mode, settings, out);
}

Status Compile(const char16_t* path, Settings& settings, Compilation** out) {
    *out = nullptr;
    Compilation* started = nullptr;
    VL_PROPAGATE(StartCompilation(settings.run.runMode, settings, &started));
    Owned<Compilation> compilation(started);
    Module* main = CreateModule();
    if (!main) {
        CommandLineReport(Msg::OutOfMemory);
        return Status::OutOfMemory;
    }
    main->imported = 1;
    AddModule(*compilation, main, u"_Main");
    main->stamp = ModuleStamp();
    if (settings.run.runMode == RunMode::BuildProgram || settings.run.runMode == RunMode::BuildLibrary)
        WideCopy(main->fileName, settings.run.outputPath, kPathMax);
    uint16_t code = 0;
    Unit* unit = CreateUnit(*main, path, &code);
    if (!unit) {
        CommandLineReport(code, path);
        return Status::Invalid;
    }
    bool ok = DeclarationPass(*unit, nullptr);
    if (ok) ok = BodyPass(*unit);
    compilation->globalDataTotal += main->Data().size;
    if (!ok) return Status::Invalid;
    *out = compilation.Take();
    return Status::Success;
}

void FreeCompilation(Compilation*& compilation) {
    if (!compilation) return;
    // Later modules refer to the types of earlier ones: free them first.
    Module* reversed = nullptr;
    while (Module* module = compilation->firstModule) {
        compilation->firstModule = module->next;
        module->next = reversed;
        reversed = module;
    }
    while (Module* module = reversed) {
        reversed = module->next;
        FreeModule(module);
    }
    delete compilation;
    compilation = nullptr;
}

}  // namespace vorlan::compiler
