#include "library/functions/ArgumentCheckers.h"

#include "compiler/Expression.h"
#include "compiler/Parser.h"
#include "value/SystemTypeCodes.h"

#include <cstring>

namespace vorlan::library {
namespace {

using compiler::CallCheck;
using compiler::TypeDescriptor;
using compiler::TypeKind;

bool IsSystem(const TypeDescriptor* type, uint16_t code) {
    return type && type->systemDeclared && type->typeCode == code;
}

// A field a data file can fill directly.
bool IsReadableScalar(const TypeDescriptor* type) {
    return IsSystem(type, kLogical) || IsSystem(type, kNumber) || IsSystem(type, kText) || IsSystem(type, kTime) ||
           (type && type->kind == TypeKind::Enumeration);
}

bool IsOpenVector(const TypeDescriptor* type) {
    return type && type->kind == TypeKind::Array && type->openArray && type->dimensionCount == 1;
}

// An element type a constant expression can give, for ReadArray.
bool IsConstantElement(const TypeDescriptor* type, int depth = 0) {
    if (IsReadableScalar(type)) return true;
    if (!type || type->kind != TypeKind::Structure || depth > compiler::kMaxNesting) return false;
    for (const compiler::DataItem* field = type->fields.first; field; field = field->next) {
        if ((field->flags & compiler::kDataHidden) || !IsConstantElement(field->type, depth + 1)) return false;
    }
    return true;
}

// ReadArray takes every type ReadData takes, and besides arrays of any
// element a constant expression can give.
bool IsReadableArrayType(const TypeDescriptor* type) {
    return type && (IsReadableDataType(*type) || (IsOpenVector(type) && IsConstantElement(type->baseType)));
}

bool Refuse(CallCheck& call, const ReportPosition& at, Msg code) {
    call.parser.ReportAt(at, code);
    return false;
}

// The hidden type parameter takes `type`; the call's result is of that type.
bool SettleType(CallCheck& call, TypeDescriptor* type, bool resultToo) {
    compiler::NodeRef literal = compiler::MakeTypeLiteral(call.parser, type, call.call.position);
    if (!literal) return false;
    call.arguments.items[0] = std::move(literal);
    if (resultToo) call.call.type = type;
    return true;
}

}  // namespace

// ArrayLow, ArrayHigh: the array argument must be an array.
bool CheckArrayBounds(CallCheck& call) {
    const compiler::ExprNode* array = call.arguments.items[0];
    if (!array || array->type->kind != TypeKind::Array) return Refuse(call, array ? array->position : call.call.position, Msg::MismatchedTypes);
    return true;
}

// Array: the place's type must be an array type.
bool CheckArray(CallCheck& call) {
    if (!call.expected || call.expected->kind != TypeKind::Array) return Refuse(call, call.call.position, Msg::MismatchedTypes);
    return SettleType(call, call.expected, true);
}

bool CheckReadData(CallCheck& call) {
    const bool readable = call.routine.builtinNumber == 149 ? IsReadableArrayType(call.expected)
                                                           : call.expected && IsReadableDataType(*call.expected);
    if (!readable) return Refuse(call, call.call.position, Msg::InvalidReadDataType);
    return SettleType(call, call.expected, true);
}

bool CheckReadValue(CallCheck& call) {
    if (!call.expected) return Refuse(call, call.call.position, Msg::IndeterminateStructure);
    return SettleType(call, call.expected, true);
}

// Format: the value must be a Logical, Number, Text, Time or enumeration.
bool CheckFormat(CallCheck& call) {
    const compiler::ExprNode* value = call.arguments.items[1];
    if (!value || !IsReadableScalar(value->type))
        return Refuse(call, value ? value->position : call.call.position, Msg::MismatchedTypes);
    return SettleType(call, value->type, false);
}

namespace {

// The type a hidden type parameter names, when the slot holds a type literal.
const TypeDescriptor* NamedType(const compiler::ExprNode* slot) {
    if (!slot || slot->eval != compiler::EvalCode::Literal || !IsSystem(slot->type, kTypeType)) return nullptr;
    const TypeDescriptor* type = nullptr;
    std::memcpy(&type, slot->literal, sizeof type);
    return type;
}

}  // namespace

bool CallKeepsCheckerRules(uint16_t builtinNumber, const compiler::ExprList& arguments, const TypeDescriptor* result) {
    auto item = [&](uint16_t i) -> const compiler::ExprNode* {
        return i < arguments.count ? arguments.items[i].Get() : nullptr;
    };
    switch (builtinNumber) {
    case 132:
    case 133: return item(0) && item(0)->type && item(0)->type->kind == TypeKind::Array;
    case 135: {
        const TypeDescriptor* named = NamedType(item(0));
        return named && named == result && named->kind == TypeKind::Array;
    }
    case 134:
    case 149: {
        const TypeDescriptor* named = NamedType(item(0));
        if (!named || named != result) return false;
        return builtinNumber == 149 ? IsReadableArrayType(named) : IsReadableDataType(*named);
    }
    case 148: return NamedType(item(0)) && NamedType(item(0)) == result;
    case 137: {
        const TypeDescriptor* named = NamedType(item(0));
        return named && item(1) && named == item(1)->type && IsReadableScalar(named);
    }
    default: return true;
    }
}

bool IsReadableDataType(const TypeDescriptor& type) {
    if (!IsOpenVector(&type)) return false;
    const TypeDescriptor* record = type.baseType;
    if (!record || record->kind != TypeKind::Structure || !record->fields.first) return false;
    for (const compiler::DataItem* field = record->fields.first; field; field = field->next) {
        const bool last = field->next == nullptr;
        if (IsReadableScalar(field->type)) continue;
        if (last && IsOpenVector(field->type) && IsReadableScalar(field->type->baseType)) continue;
        return false;
    }
    return true;
}

}  // namespace vorlan::library
