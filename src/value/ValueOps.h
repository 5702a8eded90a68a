#pragma once
// Storage classes and the value operations built from them: how a value of a
// type is cleared, copied and released. Ops receive the type they belong to;
// for an array that is the array type, whose baseType is the element type.

#include "value/Types.h"
#include "base/Status.h"

namespace vorlan::runtime {

// Chosen once and cached in type.storage; Unset when it cannot be chosen
// (a base type the system module has not classed, or a field or element type
// whose class cannot be chosen).
compiler::StorageClass ChooseStorageClass(compiler::TypeDescriptor& type);

// Fills the clear, copy and release slots the type lacks from its storage
// class, and those of the field and element types it reaches; slots already
// set are kept. False when the class cannot be chosen or a field's type is
// incomplete.
bool SetValueOps(compiler::TypeDescriptor& type);

// Initialises a fresh cell of the type: structures field by field, fixed-size
// arrays with their block and every element, anything else by its clear.
Status InitialiseValue(const compiler::TypeDescriptor& type, void* cell);

// The operations the system module gives its base types.
Status ClearNumber(const compiler::TypeDescriptor& type, void* cell);
Status ClearLogical(const compiler::TypeDescriptor& type, void* cell);
Status ClearZero8(const compiler::TypeDescriptor& type, void* cell);
Status ClearTime(const compiler::TypeDescriptor& type, void* cell);
Status CopyBytes(const compiler::TypeDescriptor& type, void* dst, const void* src);
Status ReleaseNothing(const compiler::TypeDescriptor& type, void* cell);

}  // namespace vorlan::runtime
