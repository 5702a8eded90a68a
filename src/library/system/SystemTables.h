#pragma once
// The registration tables of the system module: base types, enumerations,
// structures, built-in functions and shapes, in the order they are declared.

#include "value/Types.h"
#include "value/SystemTypeCodes.h"
#include "value/Value.h"

#include "compiler/Compilation.h"

#include <array>
#include <cstdint>

namespace vorlan::library {

using compiler::SystemDefault;

struct EnumConstant {
    const char16_t* name;
    int32_t value;
};

struct EnumRow {
    const char16_t* name;
    uint16_t code;
    std::array<EnumConstant, 8> constants;
};

// A structure field or a routine parameter. Attributes are bits: 1 Const,
// 2 Ref, 16 the hidden type parameter. `position` is where the registration
// expects it; the builder checks it against the cell sizes.
struct MemberRow {
    const char16_t* name;
    uint16_t typeCode;
    uint8_t attributes;
    uint16_t position;
    SystemDefault defaultKind = SystemDefault::None;
    uint32_t defaultWord = 0;
};

constexpr uint8_t kConst = 1;
constexpr uint8_t kConstRef = 3;
constexpr uint8_t kHiddenType = 17;

struct StructRow {
    const char16_t* name;
    uint16_t code;
    std::array<MemberRow, 8> fields;
};

// A built-in function or shape, whole: its name, number, result and
// parameters, the handler that runs it, and for a function whose result or
// arguments a call settles, the argument checker run when a call is compiled.
struct RoutineRow {
    const char16_t* name;
    uint16_t number;
    uint16_t resultCode;
    std::array<MemberRow, 6> parameters;
    compiler::BuiltinHandler handler;
    compiler::ArgumentChecker checker = nullptr;
    // Added after programs were written: a program's own declaration of the
    // name takes it (IdentifierEntry::yields).
    bool yields = false;
};

extern const std::array<EnumRow, 11> kSystemEnums;
extern const std::array<StructRow, 2> kPlainStructs;     // Colour, Point
extern const std::array<StructRow, 6> kContextStructs;   // TStatus, TImage, TBrush, TCanvas, TFont, TPen
extern const std::array<RoutineRow, 58> kBuiltinFunctions;
extern const std::array<RoutineRow, 22> kBuiltinShapes;

constexpr uint32_t NumberDefault(int32_t n) { return runtime::MakeIntegerUnchecked(n); }

}  // namespace vorlan::library
