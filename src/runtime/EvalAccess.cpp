// Reaching into values: array elements, characters of texts, structure
// fields. An addressable container gives the address of the part; a computed
// one is held in a temporary and the part is copied out of it.

#include "runtime/Arrays.h"
#include "runtime/Errors.h"
#include "runtime/EvalSupport.h"
#include "runtime/Number.h"
#include "runtime/Text.h"

namespace vorlan::runtime {

using compiler::DataItem;
using compiler::ExprNode;
using compiler::TypeDescriptor;

namespace {

// The position along one dimension that an index expression names.
Status IndexValue(const ExprNode& index, RunContext& context, const ExprNode& node, int32_t* value) {
    *value = 0;
    if (index.type && index.type->kind == compiler::TypeKind::Enumeration) {
        void* item;
        VL_PROPAGATE(ReadHandle(index, context, &item));
        if (!item) return Raise(context, node, Status::UsingNull, "Null Enum as array index");
        *value = static_cast<const DataItem*>(item)->enumPosition;
        return Status::Success;
    }
    Number word;
    VL_PROPAGATE(ReadWord(index, context, &word));
    if (IsNull(word)) return Raise(context, node, Status::UsingNull, "Null  array index");
    const Status status = ReadInteger(word, value);
    // A real too large to be an index is out of range as well.
    if (status != Status::Success) return Raise(context, node, status, "Array index out of range");
    return Status::Success;
}

// The element's index in the block, last index varying fastest.
Status ElementIndex(const ExprNode& node, RunContext& context, const void* block, size_t* element) {
    const compiler::ExprList& indexes = *node.list;
    if (DimensionCountOf(block) != indexes.count) return Raise(context, node, Status::InternalFailure, "Value error");
    int64_t offset = 0;
    for (uint16_t k = 0; k < indexes.count; ++k) {
        int32_t index = 0;
        VL_PROPAGATE(IndexValue(*indexes.items[k], context, node, &index));
        const DimensionRecord dimension = DimensionAt(block, k + 1);
        if (index < dimension.low || index > dimension.high)
            return Raise(context, node, Status::OutOfRange, "Array index out of range");
        offset = offset * (int64_t{dimension.high} - dimension.low + 1) + (int64_t{index} - dimension.low);
    }
    *element = static_cast<size_t>(offset);
    return Status::Success;
}

Status FailElement(const ExprNode& node, void* out, Status status) {
    if (node.flags & compiler::kNodeComputed) ResetOutput(*node.type, out);
    else StoreHandle(out, nullptr);
    return status;
}

// The character positions t[i] or t[i, j] select, from 1, both inclusive.
Status CharacterRange(const ExprNode& node, RunContext& context, uint16_t count, int32_t* low, int32_t* high) {
    const compiler::ExprList& indexes = *node.list;
    Number word;
    VL_PROPAGATE(ReadWord(*indexes.items[0], context, &word));
    const bool single = indexes.count == 1;
    Status status = ReadInteger(word, low);
    if (status != Status::Success) return Raise(context, node, status, single ? "Text index" : "Text low index");
    if (*low < 1 || *low > count)
        return Raise(context, node, Status::OutOfRange, single ? "Text index" : "Text low index");
    *high = *low;
    if (single) return Status::Success;
    VL_PROPAGATE(ReadWord(*indexes.items[1], context, &word));
    if (IsNull(word)) {
        *high = count;
        return Status::Success;
    }
    status = ReadInteger(word, high);
    if (status != Status::Success) return Raise(context, node, status, "Text high index");
    if (*high < *low || *high > count) return Raise(context, node, Status::OutOfRange, "Text high index");
    return Status::Success;
}

}  // namespace

Status EvalArrayElement(const ExprNode& node, RunContext& context, void* out) {
    const TypeDescriptor& element = *node.type;
    OperandCell array;
    Status status = array.Obtain(*node.left, context, "Value error");
    if (status != Status::Success) return FailElement(node, out, status);
    void* block = LoadHandle<void>(array.Cell());
    if (!block) return FailElement(node, out, Raise(context, node, Status::UsingNull, "Null Array"));
    size_t index = 0;
    status = ElementIndex(node, context, block, &index);
    if (status != Status::Success) return FailElement(node, out, status);
    void* cell = ElementAddress(block, element.cellSize, index);
    if (!(node.flags & compiler::kNodeComputed)) {
        StoreHandle(out, cell);
        return Status::Success;
    }
    // The array is a temporary that goes with `array`: the element is copied out.
    if (!element.ops.copy) return FailElement(node, out, Raise(context, node, Status::InternalFailure, "Value error"));
    status = element.ops.copy(element, out, cell);
    if (status != Status::Success) return FailElement(node, out, Raise(context, node, status, "Value error"));
    return Status::Success;
}

// Addressable texts are read in place: nothing is written to them while the
// characters are taken, so a copy would only cost an allocation.
// The output may be the text's own cell (t := t[2]), so it lets go of its old
// text only once the part has been made.
Status EvalTextCharacters(const ExprNode& node, RunContext& context, void* out) {
    TextOperand text;
    void* part = nullptr;
    Status status = text.Obtain(*node.left, context);
    const uint16_t count = text.Block() ? TextCount(text.Block()) : 0;
    int32_t low = 1, high = 0;
    if (status == Status::Success) status = CharacterRange(node, context, count, &low, &high);
    if (status == Status::Success) {
        status = MakeText(TextChars(text.Block()) + (low - 1), static_cast<size_t>(high - low + 1), &part);
        if (status != Status::Success) status = Raise(context, node, status, "Text eppression error");
    }
    void* old = LoadHandle<void>(out);
    FreeText(old);
    StoreHandle(out, part);
    return status;
}

Status EvalField(const ExprNode& node, RunContext& context, void* out) {
    const DataItem& field = *node.item;
    const bool byReference = (field.flags & compiler::kDataRef) != 0;
    if (!(node.flags & compiler::kNodeComputed)) {
        StoreHandle(out, nullptr);
        uint8_t* structure;
        VL_PROPAGATE(EvaluateAddress(*node.left, context, &structure));
        uint8_t* cell = structure + node.offset;
        if (byReference) cell = LoadHandle<uint8_t>(cell);
        if (!cell) return Raise(context, node, Status::InternalFailure, "Value error");
        StoreHandle(out, cell);
        return Status::Success;
    }
    OperandCell structure;
    Status status = structure.Obtain(*node.left, context, "EvalDotValue");
    if (status != Status::Success) {
        ResetOutput(*node.type, out);
        return status;
    }
    const uint8_t* cell = structure.Cell() + node.offset;
    if (byReference) cell = LoadHandle<const uint8_t>(cell);
    const TypeDescriptor& type = *node.type;
    status = cell && type.ops.copy ? type.ops.copy(type, out, cell) : Status::InternalFailure;
    if (status != Status::Success) {
        ResetOutput(type, out);
        return Raise(context, node, status, "EvalDotValue");
    }
    return Status::Success;
}

}  // namespace vorlan::runtime
