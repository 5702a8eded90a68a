#pragma once
// How a compiled file names the objects a record points at. In memory a
// node, statement or data item holds pointers; on file every pointer becomes
// a reference that the reader can check and resolve:
//
//   type      module number, type table, number in the table (position from 1)
//   routine   module number, place in the module's routine list (from 1):
//             routine numbers need not be unique (two shapes share one)
//   data item whose list holds it (module data, a routine's frame, a type's
//             fields, parameters or items) and its number there
//   position  module number, source file number, line, column
//
// Module numbers are the writing compilation's; the reader maps them through
// its translation list. Types and routines are made empty when a module
// header is read, so their references resolve at once; data items are
// resolved when the whole file has been read, since a default value may name
// a datum whose list comes later.

#include "base/Owned.h"
#include "base/Status.h"
#include "base/TextReader.h"
#include "programfile/CompiledStream.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace vorlan {
struct FileDescriptor;
namespace compiler {
struct Compilation;
struct DataArea;
struct DataItem;
struct ExprList;
struct ExprNode;
struct Module;
struct Routine;
struct TypeDescriptor;
}  // namespace compiler
}  // namespace vorlan

namespace vorlan::library {

// Deepest nesting of expressions or blocks a reader follows: more than any
// compiler can produce, few enough that no file can exhaust the stack.
constexpr int kCompiledMaxDepth = 400;

// What holds a data item.
// Context elements are the system module's own, held apart from its data.
enum class ItemOwner : uint16_t { None = 0, ModuleData = 1, Frame = 2, Fields = 3, Context = 4 };

class WriteLinks {
public:
    WriteLinks(CompiledWriter& out, const compiler::Compilation& compilation);

    CompiledWriter& out;
    const compiler::Compilation& compilation;

    // Fails for an object no module holds: the file could not be read back.
    Status Type(const compiler::TypeDescriptor* type);
    Status Routine(const compiler::Routine* routine);
    Status Item(const compiler::DataItem* item);
    Status Position(const ReportPosition& at);
    // The numbers by which the reader finds a type or an item again.
    bool TypeNumber(const compiler::TypeDescriptor* type, TypeReference* out) const;
    // The type whose fields, parameters or items hold `item`.
    bool OwnerOf(const compiler::DataItem* item, TypeReference* out) const;

private:
    struct ItemPlace {
        ItemOwner owner;
        uint16_t module;
        uint16_t routine;
        TypeReference type;
    };
    void IndexModule(const compiler::Module& module);

    std::unordered_map<const compiler::TypeDescriptor*, TypeReference> types_;
    std::unordered_map<const compiler::Routine*, std::pair<uint16_t, uint16_t>> routines_;  // module, place
    std::unordered_map<const compiler::DataItem*, ItemPlace> items_;
    std::unordered_map<const FileDescriptor*, uint16_t> files_;  // to the module number
};

class ReadLinks {
public:
    ReadLinks(CompiledReader& in, compiler::Compilation& compilation) : in(in), compilation(compilation) {}
    ReadLinks(const ReadLinks&) = delete;
    ReadLinks& operator=(const ReadLinks&) = delete;

    CompiledReader& in;
    compiler::Compilation& compilation;
    int depth = 0;

    // Maps a number of the file to a module held in memory; a number given
    // twice fails. The module's types, routines and files are indexed now.
    Status MapModule(uint16_t fileNumber, compiler::Module* module);
    compiler::Module* ModuleOf(uint16_t fileNumber) const;
    // The number the module has in memory (0 when the file never named it).
    uint16_t MemoryNumber(uint16_t fileNumber) const;
    // The module whose records are being read: positions name its files.
    void SetCurrent(compiler::Module* module) { current_ = module; }

    // Empty types and routines for the numbers a module header lists.
    Status AddType(compiler::Module& module, uint16_t table, uint16_t number);
    Status AddRoutine(compiler::Module& module, uint16_t number);
    // Takes the file for the module's list when it is the next one.
    Status AddFile(compiler::Module& module, Owned<FileDescriptor>& file);

    // Read a reference and resolve it; nothing (all zeros) gives nullptr.
    Status Type(compiler::TypeDescriptor** type);
    Status TypeOf(const TypeReference& reference, compiler::TypeDescriptor** type) const;
    Status Routine(compiler::Routine** routine);
    Status RoutineOf(uint16_t module, uint16_t place, compiler::Routine** routine) const;
    Status Position(ReportPosition* at);
    // Reads an item reference and stores the item into `slot` (which may be
    // unaligned, such as a literal's bytes) once the file is read.
    Status Item(void* slot);
    // A literal's kind is checked against its type once every type is read.
    void NoteLiteral(const compiler::ExprNode* node, uint16_t kind) { literals_.push_back({node, kind}); }
    // A bound list gets its targets, the owner's fields in order, at the end.
    void BindTargets(compiler::ExprList* list, compiler::TypeDescriptor* owner);
    // Resolves what waited; fails on a reference to nothing.
    Status ResolvePending();

private:
    struct ModuleIndex {
        uint16_t fileNumber;
        compiler::Module* module;
        std::vector<compiler::TypeDescriptor*> types[2];
        std::vector<compiler::Routine*> routines;  // in list order
        std::vector<FileDescriptor*> files;        // by descriptor id
    };
    struct PendingItem {
        void* slot;
        ItemOwner owner;
        uint16_t module;
        uint16_t routine;
        TypeReference type;
        uint16_t number;
    };
    struct PendingList {
        compiler::ExprList* list;
        compiler::TypeDescriptor* owner;
    };
    const ModuleIndex* IndexOf(uint16_t fileNumber) const;
    ModuleIndex* IndexOfModule(const compiler::Module& module);
    const compiler::DataArea* AreaOf(const PendingItem& pending) const;
    compiler::DataItem* ItemIn(const compiler::DataArea& area, uint16_t number);

    std::vector<ModuleIndex> modules_;
    compiler::Module* current_ = nullptr;
    std::vector<PendingItem> pendingItems_;
    std::vector<PendingList> pendingLists_;
    std::vector<std::pair<const compiler::ExprNode*, uint16_t>> literals_;
    std::unordered_map<const compiler::DataArea*, std::vector<compiler::DataItem*>> areas_;
};

}  // namespace vorlan::library
