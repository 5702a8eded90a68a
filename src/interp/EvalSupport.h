#pragma once
// What the evaluator's files share: one handler per evaluation code, the
// readers that turn a node's value-or-address into a scalar, and the operand
// cells that hold a computed operand where an operation needs it in a cell.

#include "compiler/Expression.h"
#include "base/Owned.h"
#include "value/HeldValue.h"
#include "base/RunMessages.h"
#include "base/Status.h"
#include "interp/ErrorDetail.h"
#include "interp/Evaluate.h"
#include "interp/RunContext.h"
#include "value/Value.h"

#include <cstdint>

namespace vorlan::runtime {

// Allocation tags of the evaluator's blocks.
constexpr uint32_t kTagFrame = 22005;
constexpr uint32_t kTagTemporary = 22013;  // a computed operand held in a cell
constexpr uint32_t kTagRefCell = 22014;    // a computed argument passed by reference

using EvalHandler = Status (*)(const compiler::ExprNode& node, RunContext& context, void* out);

// Evaluate.cpp
Status EvalNone(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalDataItem(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalLiteral(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalTextLiteral(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalNullArray(const compiler::ExprNode& node, RunContext& context, void* out);
// EvalArithmetic.cpp
Status EvalAdd(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalSubtract(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalMultiply(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalDivide(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalIntegerDivide(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalModulo(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalPower(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalNegate(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalUnaryPlus(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalConcatenate(const compiler::ExprNode& node, RunContext& context, void* out);
// EvalCompare.cpp
Status EvalCompareNumber(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalCompareTime(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalCompareEnum(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalCompareText(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalEqual(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalAnd(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalOr(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalXor(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalNot(const compiler::ExprNode& node, RunContext& context, void* out);
// EvalAccess.cpp
Status EvalArrayElement(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalTextCharacters(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalField(const compiler::ExprNode& node, RunContext& context, void* out);
// EvalLists.cpp
Status EvalArrayLiteral(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalStructureValue(const compiler::ExprNode& node, RunContext& context, void* out);
Status EvalStructureModify(const compiler::ExprNode& node, RunContext& context, void* out);
// EvalCall.cpp
Status EvalCall(const compiler::ExprNode& node, RunContext& context, void* out);


// Records a runtime error at the node, with what the node knew of the value
// at fault when it knew anything.
Status Raise(RunContext& context, const compiler::ExprNode& node, Status code, RunMsg message,
             const char16_t* parameter = nullptr, const ErrorDetail* detail = nullptr);

// Where an indexed array's cell is: a cell that stays put while the indexes
// are worked out, or a path to follow again after each index, which may run
// program code that replaces or grows the array.
struct ElementPath;
struct ArraySource {
    const uint8_t* cell;
    const ElementPath* path;
};

// The element an array element node names, in the block's storage order
// (the last index varying fastest), each index checked against its bounds.
Status ElementIndex(const compiler::ExprNode& node, RunContext& context, const ArraySource& source, size_t* element);

// A node's value as a 4-byte word (Number, Logical): Null on failure.
Status ReadWord(const compiler::ExprNode& node, RunContext& context, uint32_t* value);
// As an 8-byte handle that owns nothing (enumeration item, routine): 0 on failure.
Status ReadHandle(const compiler::ExprNode& node, RunContext& context, void** value);
Status ReadTime(const compiler::ExprNode& node, RunContext& context, Time* value);

// Replaces the value in a computed node's output by its type's empty value.
void ResetOutput(const compiler::TypeDescriptor& type, void* out);

// The cell holding an operand's value: the operand's own cell when it is
// addressable, otherwise a temporary into which it is evaluated. Scalar
// plain values fit in a local word and take no allocation; anything else
// comes from the allocator. The temporary is released with its type's
// release operation when the holder goes.
class OperandCell {
public:
    OperandCell() = default;
    OperandCell(const OperandCell&) = delete;
    OperandCell& operator=(const OperandCell&) = delete;
    ~OperandCell() { Release(); }

    // `failure` names the operation when the temporary cannot be allocated.
    // With `copy`, an addressable operand is copied into a temporary too: the
    // caller goes on to run program code that may change it.
    Status Obtain(const compiler::ExprNode& node, RunContext& context, RunMsg failure, bool copy = false);
    uint8_t* Cell() const { return cell_; }
    bool IsTemporary() const { return temporary_; }
    void Release();

private:
    const compiler::TypeDescriptor* type_ = nullptr;
    uint8_t* cell_ = nullptr;
    bool temporary_ = false;
    void* heap_ = nullptr;  // a temporary cell too large for local_, given back to keep_
    TemporaryCells* keep_ = nullptr;
    alignas(8) uint8_t local_[8] = {};
};

// A Text operand's block: borrowed from an addressable text, owned when the
// text was computed, freed with the holder.
class TextOperand {
public:

    // With `copy`, an addressable text is copied: the caller goes on to run
    // program code that may change it.
    Status Obtain(const compiler::ExprNode& node, RunContext& context, bool copy = false);
    const void* Block() const { return block_; }
    // The handle cell, for primitives that take cells.
    const void* HandleCell() const { return &block_; }

private:
    void* block_ = nullptr;
    OwnedBlock<void> computed_;  // block_ when the operand made its own text
};

// DataCompare.cpp: the ordering of two texts by character code, a prefix
// before its extensions; 1 when a is greater, 2 when b is, 0 when equal.
// Null texts are handled by the caller.
int CompareTextOrder(const void* a, const void* b);


}  // namespace vorlan::runtime
