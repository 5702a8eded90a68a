#pragma once
// The compilation: the compiled program held in memory. It holds modules
// (the system module, the main module and imported libraries); a module is
// made of units, one per source file; every declared name is an identifier
// entry in a public, private, routine or structure list.

#include "compiler/Identifiers.h"
#include "value/Types.h"
#include "base/FileDescriptor.h"
#include "base/Settings.h"
#include "base/Status.h"

#include <cstdint>

namespace vorlan::compiler {

struct Compilation;
struct Module;
struct Routine;
struct StatementBlock;

}  // namespace vorlan::compiler

namespace vorlan {

// Routines hold their bodies without seeing the statement records, which are
// let go where they are defined (Statements.cpp).
template <>
struct Release<compiler::StatementBlock> {
    static void Of(compiler::StatementBlock* block);
};

}  // namespace vorlan

namespace vorlan::compiler {

constexpr uint32_t kTagCompilation = 20100;
constexpr uint32_t kTagModule = 102;
constexpr uint32_t kTagRoutine = 104;
constexpr uint32_t kTagUnit = 107;

enum class RoutineKind : uint8_t { Function = 3, Shape = 4, Program = 5 };

struct CallCheck;

// Built-in routines run through a handler; the argument checker, where there
// is one, settles the real types of _Variant arguments at compile time.
using BuiltinHandler = Status (*)(void* context, void* parameters, void* result);
using ArgumentChecker = bool (*)(CallCheck& call);
struct ExprList;
// What a call read from a compiled file must still show of its checker's
// work: the hidden type parameter and the result agree with the arguments.
using CheckerRules = bool (*)(uint16_t builtinNumber, const ExprList& arguments, const TypeDescriptor* result);

struct Routine : Tagged<kTagRoutine> {
    ~Routine();  // its locals, its local data and its body
    uint16_t number;  // in its module's routine list, from 100
    RoutineKind kind;
    IdentifierEntry* entry;
    TypeDescriptor* type;  // the signature: result type and parameters as fields
    IdentifierList locals;
    DataArea frame;  // local data
    Owned<StatementBlock> body;
    ReportPosition position;  // of the heading
    // Built-in routines.
    uint16_t builtinNumber;  // 100..149 functions, 1001..1023 shapes; 0 for declared routines
    BuiltinHandler handler;
    ArgumentChecker checker;
    CheckerRules checkerRules;  // with a checker
    uint32_t listed;
    Routine* next;
};

struct RoutineList {
    uint16_t nextNumber = 100;
    Routine* first = nullptr;
    Routine* last = nullptr;

    void Add(Routine* routine);
    void FreeAll();
};

struct Unit : Tagged<kTagUnit> {
    uint16_t number;  // 1 for the main unit
    Module* module;
    FileDescriptor* descriptor;  // kind 1, in the module's descriptor list
    IdentifierList privateList;
    uint32_t listed;
    Unit* next;
};

struct Module : Tagged<kTagModule> {
    uint16_t number;     // 1 for _System
    uint32_t imported;   // unqualified lookups search it
    uint64_t stamp;      // seconds since 1970 high, tick milliseconds low
    Compilation* compilation;
    char16_t fileName[kPathMax + 1];  // output path of a build; path of a loaded library
    char16_t name[kNameLength + 1];
    Unit* mainUnit;
    IdentifierList publicList;
    TypeTable typeTables[2];  // declared types, routine types
    DataArea dataAreas[2];    // declarations use the second
    uint32_t dataBase;        // where the module's data begin in the program's global data
    RoutineList routines;
    DescriptorList descriptors;
    uint16_t nextUnitNumber;
    Unit* firstUnit;
    Unit* lastUnit;
    uint32_t listed;
    Module* next;

    DataArea& Data() { return dataAreas[1]; }
};

struct Compilation : Tagged<kTagCompilation> {
    RunMode runMode;
    Settings* settings;
    uint16_t moduleCount;
    uint16_t nextModuleNumber;
    Module* firstModule;
    Module* lastModule;
    Module* systemModule;
    Routine* entryRoutine;  // the Program routine; none means "No Program entry"
    uint32_t globalDataTotal;
    // System types by type code as FindSystemType finds them: every `=>`
    // list and shape call asks for a few, and the system module's types
    // never change once it is built.
    mutable TypeDescriptor* systemTypes[64];
};

enum class LookupResult : uint8_t { NotFound = 1, Found = 2, Ambiguous = 3 };

// Compiles the source unit named on the command line. Status::Invalid means
// errors were reported (exit code 3).
Status Compile(const char16_t* path, Settings& settings, Compilation** out);
// An empty compilation with its system module, for reading a compiled file.
Status CreateCompilation(RunMode mode, Settings& settings, Compilation** out);

// What the layers above the compiler hand it at start-up, as an embedding
// interpreter registers its libraries: how the system module is assembled,
// and how a compiled library file is loaded for a Library statement.
struct Embedding {
    Module* (*buildSystemModule)(Compilation& compilation);
    Status (*loadLibrary)(Compilation& compilation, const FileDescriptor& descriptor, bool buildingProgram,
                          Module** out);
};
void SetEmbedding(const Embedding& embedding);
// A Library statement's file, loaded through the embedding.
Status LoadLibraryModule(Compilation& compilation, const FileDescriptor& descriptor, bool buildingProgram,
                         Module** out);
void FreeCompilation(Compilation*& compilation);

Module* CreateModule();
void FreeModule(Module*& module);

}  // namespace vorlan::compiler

namespace vorlan {

template <>
struct Release<compiler::Compilation> {
    static void Of(compiler::Compilation* compilation) { compiler::FreeCompilation(compilation); }
};

template <>
struct Release<compiler::Module> {
    static void Of(compiler::Module* module) { compiler::FreeModule(module); }
};

}  // namespace vorlan

namespace vorlan::compiler {

// Gives the module the next number and its name and appends it.
void AddModule(Compilation& compilation, Module* module, const char16_t* name);
Module* FindModuleByNumber(const Compilation& compilation, uint16_t number);
Module* FindModuleByName(const Compilation& compilation, const char16_t* name);
Module* FindModuleByFileName(const Compilation& compilation, const char16_t* fileName);

// A unit for `path` in the module, with its source descriptor; nullptr with
// *code 101 or 103.
Unit* CreateUnit(Module& module, const char16_t* path, uint16_t* code);
Unit* FindUnit(const Module& module, const char16_t* path);

// Scope Private joins the unit's private list, any other the module's public list.
void AddIdentifier(Unit& unit, IdentifierEntry* entry);
// The message code of a conflict for a new unit-level name, or 0 when it is free.
uint16_t CheckUnitName(const Unit& unit, const char16_t* name, Scope scope);
// Looks a name up from a place in the source (routine may be nullptr).
LookupResult LookupName(const Unit& unit, const Routine* routine, const char16_t* name, IdentifierEntry** found);
// The same among the program's own names alone: the routine's, the unit's
// and those of the modules it imports, leaving out the system module's.
LookupResult LookupProgramName(const Unit& unit, const Routine* routine, const char16_t* name,
                               IdentifierEntry** found);
// Whether the system module holds `name` and keeps it from every program.
bool SystemNameTaken(const Compilation& compilation, const char16_t* name);

bool IsBuildingProgram(const Compilation& compilation);

}  // namespace vorlan::compiler
