// Equality of two cells of one type, and the ordering of texts. Nothing here
// raises: equality is defined for Nulls (Null equals Null only).

#include "value/Arrays.h"
#include "base/ReportLines.h"
#include "interp/Evaluate.h"
#include "interp/EvalSupport.h"
#include "value/Text.h"

#include <cstdio>

namespace vorlan::runtime {

using compiler::DataItem;
using compiler::TypeDescriptor;
using compiler::TypeKind;

namespace {

double ExactValue(Number n) { return IsReal(n) ? static_cast<double>(RealOf(n)) : static_cast<double>(IntegerOf(n)); }

bool TextsEqual(const void* a, const void* b) {
    if (!a || !b) return a == b;
    const uint16_t count = TextCount(a);
    if (count != TextCount(b)) return false;
    const char16_t* x = TextChars(a);
    const char16_t* y = TextChars(b);
    for (uint16_t i = 0; i < count; ++i) {
        if (x[i] != y[i]) return false;
    }
    return true;
}

bool ArraysEqual(const TypeDescriptor& type, const void* a, const void* b) {
    if (!a || !b) return a == b;
    if (!type.baseType) return false;
    const int32_t dimensions = DimensionCountOf(a);
    if (dimensions != DimensionCountOf(b)) return false;
    for (int32_t k = 1; k <= dimensions; ++k) {
        if (DimensionAt(a, k).count != DimensionAt(b, k).count) return false;
    }
    const TypeDescriptor& element = *type.baseType;
    const int64_t count = ElementCount(a);
    for (int64_t i = 0; i < count; ++i) {
        if (!DataEqual(element, ElementAddress(a, element.cellSize, size_t(i)),
                       ElementAddress(b, element.cellSize, size_t(i))))
            return false;
    }
    return true;
}

bool StructuresEqual(const TypeDescriptor& type, const uint8_t* a, const uint8_t* b) {
    for (const DataItem* field = type.fields.first; field; field = field->next) {
        const uint8_t* x = a + field->offset;
        const uint8_t* y = b + field->offset;
        if (field->flags & compiler::kDataRef) {
            // A reference field compares the values it refers to.
            x = LoadHandle<const uint8_t>(x);
            y = LoadHandle<const uint8_t>(y);
            if (!x || !y) {
                if (x != y) return false;
                continue;
            }
        }
        if (!field->type || !DataEqual(*field->type, x, y)) return false;
    }
    return true;
}

}  // namespace

// Identical words are equal; otherwise two integers, or a Null, differ. A
// real and anything else compare by exact value, so that an integer never
// equals a real merely because single precision cannot tell them apart.
bool NumbersEqual(Number a, Number b) {
    if (a == b) return true;
    if (IsNull(a) || IsNull(b) || (IsInteger(a) && IsInteger(b))) return false;
    return ExactValue(a) == ExactValue(b);
}

bool DataEqual(const TypeDescriptor& type, const void* a, const void* b) {
    switch (type.kind) {
    case TypeKind::Array: return ArraysEqual(type, LoadHandle<const void>(a), LoadHandle<const void>(b));
    case TypeKind::Structure:
        return StructuresEqual(type, static_cast<const uint8_t*>(a), static_cast<const uint8_t*>(b));
    case TypeKind::Enumeration:
    case TypeKind::FunctionType:
    case TypeKind::ShapeType: return LoadCell<uint64_t>(a) == LoadCell<uint64_t>(b);
    case TypeKind::Base: break;
    }
    switch (type.valueClass) {
    case compiler::kValueClassLogical: return LoadCell<Logical>(a) == LoadCell<Logical>(b);
    case compiler::kValueClassNumber: return NumbersEqual(LoadCell<Number>(a), LoadCell<Number>(b));
    case compiler::kValueClassText: return TextsEqual(LoadHandle<const void>(a), LoadHandle<const void>(b));
    case compiler::kValueClassTime: return LoadCell<Time>(a) == LoadCell<Time>(b);
    default: break;
    }
    PrintReportLine(ReportLine::UnknownCompareKind);
    return false;
}

int CompareTextOrder(const void* a, const void* b) {
    const uint16_t countA = TextCount(a);
    const uint16_t countB = TextCount(b);
    const char16_t* x = TextChars(a);
    const char16_t* y = TextChars(b);
    const uint16_t common = countA < countB ? countA : countB;
    for (uint16_t i = 0; i < common; ++i) {
        if (x[i] != y[i]) return x[i] > y[i] ? 1 : 2;
    }
    return countA > countB ? 1 : countA < countB ? 2 : 0;
}

}  // namespace vorlan::runtime
