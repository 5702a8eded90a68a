#pragma once
// Type descriptors, data items and data areas: the records that declarations
// make and that the value model, the evaluator and compiled files read. The
// compiler makes and frees them (compiler/TypeTables.cpp): it owns the
// initial-value expressions they point to.

#include "base/Memory.h"
#include "base/Owned.h"
#include "base/Status.h"
#include "base/TextReader.h"

#include <cstdint>

namespace vorlan::compiler {

struct IdentifierEntry;
struct Module;
struct ExprNode;
struct TypeDescriptor;

}  // namespace vorlan::compiler

namespace vorlan {

// Expression nodes are shared (a default serves every call that leaves its
// parameter out) and count their holders; compiler/ExprNodes.cpp keeps the count.
template <>
struct Retain<compiler::ExprNode> {
    static void Of(compiler::ExprNode* node);
};
template <>
struct Release<compiler::ExprNode> {
    static void Of(compiler::ExprNode* node);
};

}  // namespace vorlan

namespace vorlan::compiler {

using NodeRef = Shared<ExprNode>;

constexpr uint32_t kTagType = 103;
constexpr uint32_t kTagDataItem = 106;
constexpr uint32_t kTagDimension = 108;

enum class TypeKind : uint8_t {
    Base = 1,
    Array = 4,
    FunctionType = 5,
    ShapeType = 6,
    Structure = 7,
    Enumeration = 8,
};

enum class TypeState : uint8_t { Defining = 1, Forward = 2, Complete = 9 };

// How values of a type are initialised, copied and freed.
enum class StorageClass : uint8_t {
    Unset = 0,
    Plain = 1,            // plain value, or structure of plain fields
    Structure = 2,        // structure with at least one field of another class
    Text = 3,
    DataPtr = 4,          // data owned elsewhere: nothing to do
    FixedArrayPlain = 11,
    FixedArray = 12,
    OpenArrayPlain = 13,
    OpenArray = 14,
};

// Value classes of base types; declared types carry kValueClassDeclared.
constexpr uint16_t kValueClassLogical = 1;
constexpr uint16_t kValueClassNumber = 2;
constexpr uint16_t kValueClassText = 3;
constexpr uint16_t kValueClassTime = 6;
constexpr uint16_t kValueClassAny = 7;
constexpr uint16_t kValueClassDeclared = 59;

// The four value operations of a type. Copy replaces the value held by `dst`
// (releasing what it owned) with a copy of `src`; every cell a copy or release
// sees holds a valid value, Null included.
using ClearOp = Status (*)(const TypeDescriptor& type, void* cell);
using CopyOp = Status (*)(const TypeDescriptor& type, void* dst, const void* src);
using ConstructOp = Status (*)(const TypeDescriptor& type, void* cell);
using ReleaseOp = Status (*)(const TypeDescriptor& type, void* cell);

struct ValueOps {
    ClearOp clear;
    CopyOp copy;
    ConstructOp construct;  // optional: after a structure value is built by a call
    ReleaseOp release;
};

// One dimension of an array type. An open dimension has count 0, low -1 and
// high -2 and is indexed by Number.
struct Dimension : Tagged<kTagDimension> {
    TypeDescriptor* indexType;  // Number, or an enumeration
    int32_t count;
    int32_t low;
    int32_t high;
    Dimension* next;
};

enum DataFlags : uint16_t {
    kDataConst = 1,
    kDataRef = 2,
    kDataSaved = 4,
    kDataComplete = 8,  // parameters and fields when declared; data once their values are compiled
    kDataHidden = 16,   // a name no source can write (a leading underscore): never a list target
    kDataOwnsEntry = 32,  // fields, parameters and enumeration items own their identifier entry
};

// The default of a system field or built-in parameter, given by the system
// module as a value rather than as source.
enum class SystemDefault : uint8_t {
    None = 0,
    Number = 1,     // a Number word, converted to the item's type
    Null = 2,       // the Null of the item's type
    Text = 3,       // a text: the built-ins only use the Null text
    EnumValue = 4,  // the enumeration constant with that value
};

// A declared datum, parameter, field or enumeration item.
struct DataItem : Tagged<kTagDataItem> {
    uint16_t number;
    uint32_t offset;
    IdentifierEntry* entry;
    Module* module;
    TypeDescriptor* type;
    uint32_t cellSize;  // the type's, or 8 for a Ref item
    uint16_t flags;
    NodeRef initial;  // initial value or default, when one was written
    SystemDefault systemDefault;
    uint32_t defaultWord;  // the Number word or enumeration value of a system default
    ReportPosition position;  // where the name was declared
    // Enumeration items: position from 1, the value programs see, its text.
    int32_t enumPosition;
    int32_t enumValue;
    void* enumText;  // a text block, or nullptr
    uint32_t listed;
    DataItem* next;
};

struct DataArea {
    uint16_t nextNumber = 1;
    uint16_t count = 0;
    uint32_t base = 0;
    uint32_t size = 0;
    DataItem* first = nullptr;
    DataItem* last = nullptr;

    // Numbers the item, places it at base + size and grows the size by its cell.
    void Add(DataItem* item);
    void FreeAll();
};

struct TypeDescriptor : Tagged<kTagType> {
    IdentifierEntry* entry;
    ReportPosition declaration;
    TypeKind kind;
    TypeState state;
    StorageClass storage;  // chosen once the type is complete
    bool systemDeclared;
    uint16_t typeCode;  // system types only; 0 for declared types
    uint16_t valueClass;
    uint32_t cellSize;
    TypeDescriptor* baseType;  // element type of an array, result type of a routine type
    DataArea fields;           // structure fields, routine parameters or enumeration items
    uint16_t dimensionCount;
    bool openArray;  // any dimension open
    Dimension* dimensions;
    ValueOps ops;
    uint8_t table;  // 1 declared types, 2 routine types
    TypeDescriptor* next;  // in its module's type table
};

// A new descriptor with no operations, or nullptr when memory runs out.
TypeDescriptor* MakeType(TypeKind kind, uint16_t valueClass, uint32_t cellSize);
// Frees the descriptor with its fields and dimensions (not the types they name).
void FreeType(TypeDescriptor*& type);

// A list of types, in declaration order.
struct TypeTable {
    TypeDescriptor* first = nullptr;
    TypeDescriptor* last = nullptr;

    void Add(TypeDescriptor* type);
    void FreeAll();
};

}  // namespace vorlan::compiler
