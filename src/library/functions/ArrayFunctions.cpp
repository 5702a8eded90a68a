// The built-in functions on arrays: the bounds of a dimension, and a new
// array whose open dimensions take the lengths asked for.

#include "library/functions/BuiltinFunctions.h"
#include "library/functions/FunctionCall.h"

#include "value/Types.h"
#include "value/Arrays.h"
#include "value/Number.h"
#include "value/ValueOps.h"

namespace vorlan::library {

using compiler::TypeDescriptor;

namespace {

// ArrayLow and ArrayHigh: a reference to the array, then the dimension.
namespace bounds {
constexpr uint32_t kArray = 0, kDim = 8;
}
// Array: the array type settled when the call was compiled, then the lengths.
namespace create {
constexpr uint32_t kDatatype = 0, kLengths[] = {8, 12, 16};
}

enum class Bound : uint8_t { Low, High };

// A dimension that holds nothing has no bounds to give: Null, and no error.
Status ArrayBound(Bound bound, void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    runtime::StoreCell(result, runtime::kNullNumber);
    const void* cell = call.Reference(bounds::kArray);
    const void* block = cell ? runtime::LoadHandle<const void>(cell) : nullptr;
    if (!block) return call.ArgumentError(u"array", Status::UsingNull);
    int32_t dim = 0;
    VL_PROPAGATE(call.ArgumentError(u"dim", call.ReadWhole(bounds::kDim, &dim)));
    if (dim < 1 || dim > runtime::DimensionCountOf(block)) {
        // The two report a dimension that is not there differently.
        return bound == Bound::High ? call.ArgumentError(u"dim", Status::OutOfRange)
                                    : call.ResultError(Status::OutOfRange, false, u"dim");
    }
    const runtime::DimensionRecord record = runtime::DimensionAt(block, dim);
    if (record.count > 0)
        runtime::StoreCell(result, runtime::MakeIntegerUnchecked(bound == Bound::Low ? record.low : record.high));
    return Status::Success;
}

// Every element of a new block gets its type's initial value: structures
// field by field, fixed-size arrays their own block, the rest a clear.
Status InitialiseAll(const TypeDescriptor& element, void* block) {
    const bool building = element.kind == compiler::TypeKind::Structure ||
                          (element.kind == compiler::TypeKind::Array && !element.openArray);
    if (!building) return runtime::InitialiseElements(element, block);
    const int64_t count = runtime::ElementCount(block);
    for (int64_t i = 0; i < count; ++i)
        VL_PROPAGATE(runtime::InitialiseValue(element, runtime::ElementAddress(block, element.cellSize, size_t(i))));
    return Status::Success;
}

}  // namespace

Status ArrayLow(void* context, void* parameters, void* result) {
    return ArrayBound(Bound::Low, context, parameters, result);
}

Status ArrayHigh(void* context, void* parameters, void* result) {
    return ArrayBound(Bound::High, context, parameters, result);
}

// A new array of the type the call's place expects: each open dimension, in
// order, takes the next of len1, len2 and len3 (bounds 1 to the length); a
// fixed dimension keeps its declared bounds.
Status Array(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    const TypeDescriptor* type = call.TypeArgument(create::kDatatype);
    if (!type || !type->baseType) return call.ResultError(Status::InternalFailure, false);
    const TypeDescriptor& element = *type->baseType;
    // The result cell may hold an earlier array of this type.
    if (type->ops.release) (void)type->ops.release(*type, result);
    runtime::StoreHandle(result, nullptr);

    int32_t lengths[3] = {};
    for (size_t i = 0; i < 3; ++i) {
        const uint32_t offset = create::kLengths[i];
        VL_PROPAGATE(call.ArgumentErrorAt(u"len?", offset, call.ReadWhole(offset, &lengths[i])));
    }
    void* block = nullptr;
    VL_PROPAGATE(call.ArgumentError(u"len?", runtime::CreateArray(*type, lengths, 3, &block)));
    runtime::StoreHandle(result, block);
    // An element left half built would be a value no operation expects, so a
    // failure here gives up the whole array.
    if (const Status status = InitialiseAll(element, block); status != Status::Success) {
        runtime::FreeArray(result, element);
        return call.ArgumentError(u"len?", status);
    }
    return Status::Success;
}

}  // namespace vorlan::library
