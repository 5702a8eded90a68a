// Compiled program files (.vrx) and library files (.vrl): their layouts and
// the loading of libraries with the libraries they need.
//
// Program file: header (kind 1); tag 86 and every module's header; tag 11 and
// every module's body, the libraries first and the main module last; tag 84,
// the global data total and the entry routine; tag 12.
//
// Library file: header (kind 2); tag 22, then per library it needs tag 23,
// its number, file name and stamp, and tag 99; then the library's own module
// header and body, showing importers its exported names only.

#include "programfile/CompiledFiles.h"

#include "base/ReportLines.h"
#include "compiler/Compilation.h"
#include "base/FileDescriptor.h"
#include "base/PathText.h"
#include "base/Utf8.h"
#include "base/WideText.h"
#include "programfile/CompiledChecks.h"
#include "programfile/CompiledHeader.h"
#include "programfile/CompiledLinks.h"
#include "programfile/CompiledRecords.h"
#include "base/FileSink.h"
#include "base/FileSource.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vorlan::library {

using compiler::Compilation;
using compiler::Module;

namespace {

// The main module of a compilation is always its second.
constexpr uint16_t kMainModule = 2;
// Larger than any compiled program; a file beyond it is not read at all.
constexpr uint64_t kMostCompiledBytes = 256u << 20;
// Libraries needing libraries, one inside the other.
constexpr size_t kMostNestedLibraries = 32;

bool IsLibraryModule(const Module& module) { return module.number != 1 && module.number != kMainModule; }

// Section - The system module's mark

// Files name the system module's types, routines and data by their places in
// its lists, so a file is only good for a system module laid out the same
// way. The mark sums up that layout; a file built by a Vorlan whose system
// module differs is of another version.
class Mark {
public:
    void Add(uint32_t value) {
        for (int i = 0; i < 4; ++i) hash_ = (hash_ ^ ((value >> (8 * i)) & 0xFF)) * 16777619u;
    }
    void Add(const char16_t* name) {
        for (; *name; ++name) Add(static_cast<uint32_t>(*name));
        Add(uint32_t{0});
    }
    void Add(const compiler::DataArea& area) {
        Add(area.count);
        Add(area.size);
        for (const compiler::DataItem* item = area.first; item; item = item->next) {
            Add(item->offset);
            Add(item->flags);
        }
    }
    uint32_t Value() const { return hash_; }

private:
    uint32_t hash_ = 2166136261u;
};

uint32_t SystemMark(const Module& system) {
    Mark mark;
    for (const compiler::TypeTable& table : system.typeTables) {
        for (const compiler::TypeDescriptor* type = table.first; type; type = type->next) {
            mark.Add(type->typeCode);
            mark.Add(static_cast<uint32_t>(type->kind));
            mark.Add(type->cellSize);
            if (type->entry) mark.Add(type->entry->name);
            mark.Add(type->fields);
        }
    }
    for (const compiler::Routine* routine = system.routines.first; routine; routine = routine->next) {
        mark.Add(routine->number);
        if (routine->entry) mark.Add(routine->entry->name);
    }
    for (const compiler::DataArea& area : system.dataAreas) mark.Add(area);
    return mark.Value();
}

Status WriteSystemMark(CompiledWriter& out, const Compilation& compilation) {
    return out.Long(SystemMark(*compilation.systemModule));
}

Status ReadSystemMark(CompiledReader& in, const Compilation& compilation) {
    uint32_t mark;
    VL_PROPAGATE(in.Long(&mark));
    if (mark == SystemMark(*compilation.systemModule)) return Status::Success;
    ReportOtherVersion();
    return in.Refuse(Refusal::OtherSystemModule);
}

// Section - Reading a whole file

bool ReadWhole(const FileDescriptor& descriptor, std::vector<uint8_t>* bytes) {
    char path[4 * kPathMax + 4];
    if (!WideToUtf8(descriptor.resolvedPath, path, sizeof path)) return false;
    FileSource source(path);
    if (!source.IsOpen() || source.Length() > kMostCompiledBytes) return false;
    bytes->resize(static_cast<size_t>(source.Length()));
    return bytes->empty() || source.Read(bytes->data(), bytes->size());
}

// The program's global data, which the run allocates from the total, must
// hold every module's data and no more: the compiler lays the modules' data
// end to end, and a larger total would have a run set aside whatever a file
// claims.
bool DataFits(const Compilation& compilation) {
    uint64_t end = 0;
    for (const Module* module = compilation.firstModule; module; module = module->next) {
        const uint64_t moduleEnd = uint64_t{module->dataBase} + module->dataAreas[1].size;
        if (moduleEnd > end) end = moduleEnd;
    }
    return end == compilation.globalDataTotal;
}

// Section - Program files

Status WriteProgram(WriteLinks& links) {
    CompiledWriter& out = links.out;
    const Compilation& compilation = links.compilation;
    const Module* main = compiler::FindModuleByNumber(compilation, kMainModule);
    if (!main) return Status::Invalid;
    VL_PROPAGATE(WriteCompiledHeader(out, CompiledKind::Program));
    VL_PROPAGATE(WriteSystemMark(out, compilation));
    VL_PROPAGATE(out.Tag(kTagModuleHeaders));
    VL_PROPAGATE(out.Short(static_cast<uint16_t>(compilation.moduleCount - 1)));
    for (const Module* module = compilation.firstModule; module; module = module->next) {
        if (module == compilation.systemModule) continue;
        VL_PROPAGATE(out.Short(module->number));
        VL_PROPAGATE(WriteModuleHeader(links, *module));
    }
    VL_PROPAGATE(out.Tag(kTagModules));
    VL_PROPAGATE(out.Short(static_cast<uint16_t>(compilation.moduleCount - 1)));
    for (const Module* module = compilation.firstModule; module; module = module->next) {
        if (!IsLibraryModule(*module)) continue;
        VL_PROPAGATE(out.Short(module->number));
        VL_PROPAGATE(WriteModuleBody(links, *module, false));
    }
    VL_PROPAGATE(out.Short(main->number));
    VL_PROPAGATE(WriteModuleBody(links, *main, false));
    VL_PROPAGATE(out.Tag(kTagEntry));
    VL_PROPAGATE(out.Long(compilation.globalDataTotal));
    VL_PROPAGATE(out.Short(main->number));
    // Routine 0: no Program routine, which the run reports as it would for the source.
    VL_PROPAGATE(out.Short(compilation.entryRoutine ? compilation.entryRoutine->number : 0));
    return out.Tag(kTagProgramEnd);
}

Status ReadModuleHeaders(ReadLinks& links, Compilation& compilation, uint16_t* count) {
    VL_PROPAGATE(links.in.ExpectTag(kTagModuleHeaders));
    VL_PROPAGATE(links.in.Short(count));
    for (uint16_t i = 0; i < *count; ++i) {
        uint16_t number;
        VL_PROPAGATE(links.in.Short(&number));
        Module* module = compiler::CreateModule();
        if (!module) return Status::OutOfMemory;
        compiler::AddModule(compilation, module, u"");  // the compilation frees it from here
        VL_PROPAGATE(links.MapModule(number, module));
        VL_PROPAGATE(ReadModuleHeader(links, *module));
    }
    return links.ModuleOf(kMainModule) ? Status::Success : links.in.Refuse(Refusal::NoMainModule);
}

Status ReadModuleBodies(ReadLinks& links, uint16_t expected) {
    VL_PROPAGATE(links.in.ExpectTag(kTagModules));
    uint16_t count;
    VL_PROPAGATE(links.in.Short(&count));
    if (count != expected) return links.in.Refuse(Refusal::ModuleCount);
    std::vector<const Module*> read;
    for (uint16_t i = 0; i < count; ++i) {
        uint16_t number;
        VL_PROPAGATE(links.in.Short(&number));
        Module* module = number == 1 ? nullptr : links.ModuleOf(number);
        if (!module) return links.in.Refuse(Refusal::UnknownModule);
        for (const Module* done : read) {
            if (done == module) return links.in.Refuse(Refusal::BodyTwice);
        }
        read.push_back(module);
        VL_PROPAGATE(ReadModuleBody(links, *module));
    }
    return Status::Success;
}

Status ReadProgram(ReadLinks& links) {
    CompiledReader& in = links.in;
    Compilation& compilation = links.compilation;
    VL_PROPAGATE(ReadCompiledHeader(in, CompiledKind::Program));
    VL_PROPAGATE(ReadSystemMark(in, compilation));
    VL_PROPAGATE(links.MapModule(1, compilation.systemModule));
    uint16_t count;
    VL_PROPAGATE(ReadModuleHeaders(links, compilation, &count));
    VL_PROPAGATE(ReadModuleBodies(links, count));
    VL_PROPAGATE(in.ExpectTag(kTagEntry));
    uint32_t total;
    uint16_t module, number;
    VL_PROPAGATE(in.Long(&total));
    const size_t totalAt = in.ItemOffset();  // checked once every module's data is known
    VL_PROPAGATE(in.Short(&module));
    VL_PROPAGATE(in.Short(&number));
    compiler::Routine* entry = nullptr;
    if (module == kMainModule) {
        for (compiler::Routine* routine = links.ModuleOf(module)->routines.first; routine; routine = routine->next) {
            if (routine->number == number) entry = routine;
        }
    }
    if (number != 0 && (!entry || entry->kind != compiler::RoutineKind::Program))
        return in.Refuse(Refusal::BadEntryRoutine);
    VL_PROPAGATE(in.ExpectTag(kTagProgramEnd));
    VL_PROPAGATE(links.ResolvePending());
    for (const Module* m = compilation.firstModule; m; m = m->next) {
        Refusal why = Refusal::None;
        if (m != compilation.systemModule && CheckCompiledModule(compilation, *m, &why) != Status::Success)
            return in.Refuse(why);
    }
    if (entry && CheckEntryRoutine(*entry) != Status::Success) return in.Refuse(Refusal::BadProgramParameter);
    compilation.globalDataTotal = total;
    if (!DataFits(compilation)) return in.Refuse(Refusal::DataOutsideTotal, totalAt);
    compilation.entryRoutine = entry;
    return Status::Success;
}

// Section - Library files

// A library needed by the one written at `path`, named from that file's
// folder so that the pair can be imported from anywhere, or moved together.
// Where that cannot be worked out, the name it was loaded by is the best left.
Status WriteDependencyName(CompiledWriter& out, const char16_t* path, const Module& module) {
    char16_t name[kPathMax + 1];
    if (!PathFromFolderOf(path, module.fileName, name)) WideCopy(name, module.fileName, kPathMax);
    return out.Name(name, WideLength(name));
}

Status WriteLibrary(WriteLinks& links, const char16_t* path) {
    CompiledWriter& out = links.out;
    const Compilation& compilation = links.compilation;
    const Module* main = compiler::FindModuleByNumber(compilation, kMainModule);
    if (!main) return Status::Invalid;
    VL_PROPAGATE(WriteCompiledHeader(out, CompiledKind::Library));
    VL_PROPAGATE(WriteSystemMark(out, compilation));
    VL_PROPAGATE(out.Tag(kTagDependencies));
    for (const Module* module = compilation.firstModule; module; module = module->next) {
        if (!IsLibraryModule(*module)) continue;
        VL_PROPAGATE(out.Tag(kTagDependency));
        VL_PROPAGATE(out.Short(module->number));
        VL_PROPAGATE(WriteDependencyName(out, path, *module));
        VL_PROPAGATE(out.Stamp(module->stamp));
    }
    VL_PROPAGATE(out.Tag(kTagListEnd));
    VL_PROPAGATE(WriteModuleHeader(links, *main));
    return WriteModuleBody(links, *main, true);
}

// What a load and the loads it starts share: the libraries being loaded,
// outermost first, so that a library needing itself is seen as a loop.
struct LoadChain {
    bool relocate;
    std::vector<const char16_t*> loading;
    bool reported = false;  // a failure deeper down has been named already
};

Status Load(Compilation& compilation, const FileDescriptor& descriptor, LoadChain& chain, Module** out);

void ReportBadDependency(LoadChain& chain, const char16_t* name) {
    if (chain.reported) return;
    chain.reported = true;
    PrintReportLineWith(ReportLine::BadLibraryName, name);
}

bool IsLoading(const LoadChain& chain, const char16_t* name) {
    for (const char16_t* loading : chain.loading) {
        if (WideEqual(loading, name)) return true;
    }
    return false;
}

// A library the file names: one the compilation holds already, or loaded now.
Status FindDependency(Compilation& compilation, const char16_t* name, LoadChain& chain, Module** found) {
    *found = compiler::FindModuleByFileName(compilation, name);
    if (*found) return Status::Success;
    uint16_t code = 0;
    Owned<FileDescriptor> descriptor;
    if (!IsLoading(chain, name) && chain.loading.size() < kMostNestedLibraries)
        descriptor.Adopt(MakeFileDescriptor(name, FileKind::Library, *compilation.settings, &code));
    const Status status = descriptor ? Load(compilation, *descriptor, chain, found) : Status::Invalid;
    // The importer's report names the library it asked for; this names the
    // innermost one that could not be had.
    if (status != Status::Success) ReportBadDependency(chain, name);
    return status;
}

// A dependency's name is taken from the folder of the library naming it.
// The folder of a path given through a node is the one the node stands for.
void DependencyPath(const FileDescriptor& library, const CompiledName& name, char16_t* out) {
    PathBesideFile(HasNodeOrDrive(library.path) ? library.resolvedPath : library.path, name.chars, out);
    NormalisePath(out);
}

// The stamps are carried but not compared: a library rebuilt from the same
// source is as good as the one the file was built with.
Status ReadDependencies(ReadLinks& links, const FileDescriptor& library, LoadChain& chain) {
    CompiledReader& in = links.in;
    VL_PROPAGATE(in.ExpectTag(kTagDependencies));
    for (;;) {
        uint16_t tag;
        VL_PROPAGATE(in.Tag(&tag));
        if (tag == kTagListEnd) return Status::Success;
        if (tag != kTagDependency) return in.Refuse(Refusal::UnexpectedTag);
        uint16_t number;
        CompiledName name;
        uint64_t stamp;
        VL_PROPAGATE(in.Short(&number));
        VL_PROPAGATE(in.Name(&name));
        VL_PROPAGATE(in.Stamp(&stamp));
        if (!name.present || name.length == 0 || name.length > kPathMax || number == 1 || number == kMainModule)
            return in.Refuse(Refusal::BadDependency);
        char16_t path[kPathMax + 1];
        DependencyPath(library, name, path);
        Module* module = nullptr;
        const Status found = FindDependency(links.compilation, path, chain, &module);
        if (found == Status::Invalid) return in.Refuse(Refusal::DependencyUnloaded);
        VL_PROPAGATE(found);
        VL_PROPAGATE(links.MapModule(number, module));
    }
}

Status ReadLibrary(ReadLinks& links, const FileDescriptor& descriptor, LoadChain& chain, Module** out) {
    Compilation& compilation = links.compilation;
    VL_PROPAGATE(ReadCompiledHeader(links.in, CompiledKind::Library));
    VL_PROPAGATE(ReadSystemMark(links.in, compilation));
    VL_PROPAGATE(links.MapModule(1, compilation.systemModule));
    VL_PROPAGATE(ReadDependencies(links, descriptor, chain));
    Module* module = compiler::CreateModule();
    if (!module) return Status::OutOfMemory;
    compiler::AddModule(compilation, module, u"");  // the compilation frees it from here
    *out = module;
    VL_PROPAGATE(links.MapModule(kMainModule, module));
    VL_PROPAGATE(ReadModuleHeader(links, *module));
    VL_PROPAGATE(ReadModuleBody(links, *module));
    VL_PROPAGATE(links.ResolvePending());
    Refusal why = Refusal::None;
    if (CheckCompiledModule(compilation, *module, &why) != Status::Success) return links.in.Refuse(why);
    module->imported = 0;  // until a Library statement names it
    module->name[0] = 0;
    WideCopy(module->fileName, descriptor.path, kPathMax);
    module->dataBase = 0;
    if (chain.relocate) {
        module->dataBase = compilation.globalDataTotal;
        compilation.globalDataTotal += module->dataAreas[1].size;
    }
    return Status::Success;
}

// Section - Refusals

// A refused file says no more than "could not read" to the user; the reason
// and the offset go to standard error only when asked for, so every report
// a program test compares stays as it is.
bool TraceWanted() {
    const char* trace = std::getenv(kTraceVariable);
    return trace != nullptr && std::strcmp(trace, "1") == 0;
}

void TraceRefusal(const FileDescriptor& descriptor, const CompiledRefusal& refusal) {
    if (refusal.reason == Refusal::None || !TraceWanted()) return;
    WriteWide(stderr, descriptor.path);
    WriteReportLine(stderr, ReportLine::ProgramFileRefusal, refusal.offset, RefusalText(refusal.reason));
}

// A file that cannot be had at all is refused before its first byte.
CompiledRefusal Unreadable() { return {Refusal::Unreadable, 0}; }

Status Load(Compilation& compilation, const FileDescriptor& descriptor, LoadChain& chain, Module** out) {
    *out = nullptr;
    std::vector<uint8_t> bytes;
    if (!ReadWhole(descriptor, &bytes)) {
        TraceRefusal(descriptor, Unreadable());
        return Status::Invalid;
    }
    CompiledReader reader(bytes.data(), bytes.size());
    ReadLinks links(reader, compilation);
    chain.loading.push_back(descriptor.path);
    Module* module = nullptr;
    const Status status = ReadLibrary(links, descriptor, chain, &module);
    chain.loading.pop_back();
    if (status == Status::Success) *out = module;
    else TraceRefusal(descriptor, reader.Refused());
    return status;
}

}  // namespace

Status ReadCompiledFile(Compilation& compilation, const FileDescriptor& descriptor, CompiledRefusal* refusal) {
    CompiledRefusal unused;
    CompiledRefusal& why = refusal ? *refusal : unused;
    why = {};
    std::vector<uint8_t> bytes;
    if (!ReadWhole(descriptor, &bytes)) {
        why = Unreadable();
        TraceRefusal(descriptor, why);
        return Status::Invalid;
    }
    CompiledReader reader(bytes.data(), bytes.size());
    ReadLinks links(reader, compilation);
    const Status status = ReadProgram(links);
    why = reader.Refused();
    if (status != Status::Success) TraceRefusal(descriptor, why);
    return status;
}

Status LoadLibrary(Compilation& compilation, const FileDescriptor& descriptor, bool buildingProgram, Module** module) {
    LoadChain chain{buildingProgram, {}};
    return Load(compilation, descriptor, chain, module);
}

Status WriteCompiledFile(Compilation& compilation, const FileDescriptor& descriptor) {
    char path[4 * kPathMax + 4];
    FILE* file = WideToUtf8(descriptor.resolvedPath, path, sizeof path) ? OpenForWriting(path) : nullptr;
    Status status = Status::Invalid;
    if (file) {
        CompiledWriter writer(file);
        WriteLinks links(writer, compilation);
        status = descriptor.kind == FileKind::Library ? WriteLibrary(links, descriptor.resolvedPath) : WriteProgram(links);
        const Status finished = writer.Finish();
        if (status == Status::Success) status = finished;
    }
    if (status != Status::Success) {
        PrintReportLineWith(ReportLine::CouldNotWrite, descriptor.path);
        if (file) std::remove(path);  // half a file would only fail later
    }
    return status;
}

}  // namespace vorlan::library
