// Reaching into values: array elements, characters of texts, structure
// fields. An addressable container gives the address of the part; a computed
// one is held in a temporary and the part is copied out of it.

#include "value/Arrays.h"
#include "interp/ElementPath.h"
#include "interp/Errors.h"
#include "interp/EvalSupport.h"
#include "interp/RunsCode.h"
#include "interp/WordCode.h"
#include "value/Number.h"
#include "value/Text.h"

namespace vorlan::runtime {

using compiler::DataItem;
using compiler::ExprNode;
using compiler::TypeDescriptor;

namespace {

// Where an index stands, for the detail of a report on it: the array's
// dimension (1-based) of how many, and that dimension's bounds.
struct IndexPlace {
    uint16_t dimension;
    uint16_t dimensions;
    DimensionRecord bounds;
};

// "index 4 outside 1..3", "index 1 of an empty array", "index Null", each
// followed by " in dimension 2" when the array has more than one. An index
// that did not read as a whole number (`unread`) is shown as it stands.
ErrorDetail IndexDetail(const IndexPlace& place, const Number* unread, int32_t index) {
    ErrorDetail detail;
    detail.Add("index ");
    if (unread) detail.AddNumber(*unread);
    else detail.AddWhole(index);
    if (unread && IsNull(*unread)) {
        // Null stands anywhere; no bounds would help.
    } else if (place.bounds.count == 0) {
        detail.Add(" of an empty array");
    } else {
        detail.Add(" outside ").AddWhole(place.bounds.low).Add("..").AddWhole(place.bounds.high);
    }
    if (place.dimensions > 1) detail.Add(" in dimension ").AddWhole(place.dimension);
    return detail;
}

// An index as written: an enumeration item's position, or a Number word.
// Only evaluated here; it is checked against the array found afterwards.
struct IndexRead {
    bool isItem;
    bool nullItem;
    int32_t position;
    Number word;
};

Status ReadIndex(const ExprNode& index, RunContext& context, IndexRead* read) {
    *read = IndexRead{false, false, 0, kNullNumber};
    if (index.type && index.type->kind == compiler::TypeKind::Enumeration) {
        void* item;
        VL_PROPAGATE(ReadHandle(index, context, &item));
        read->isItem = true;
        read->nullItem = item == nullptr;
        read->position = item ? static_cast<const DataItem*>(item)->enumPosition : 0;
        return Status::Success;
    }
    return ReadWord(index, context, &read->word);
}

// The position along one dimension that an index names.
Status IndexValue(const IndexRead& read, RunContext& context, const ExprNode& node, const IndexPlace& place,
                  int32_t* value) {
    *value = read.position;
    if (read.isItem) {
        if (!read.nullItem) return Status::Success;
        const ErrorDetail detail = IndexDetail(place, &kNullNumber, 0);
        return Raise(context, node, Status::UsingNull, RunMsg::NullEnumIndex, nullptr, &detail);
    }
    const bool null = IsNull(read.word);
    const Status status = null ? Status::UsingNull : ReadInteger(read.word, value);
    if (status == Status::Success) return status;
    // The detail is written only for a failure: every element read passes here.
    // A real too large to be an index is out of range as well.
    const ErrorDetail unread = IndexDetail(place, &read.word, 0);
    return Raise(context, node, status, null ? RunMsg::NullArrayIndex : RunMsg::ArrayIndexRange, nullptr, &unread);
}

const void* CurrentBlock(const ArraySource& source, bool* gone) {
    const uint8_t* cell = source.path ? FollowPath(*source.path) : source.cell;
    *gone = cell == nullptr;
    return cell ? LoadHandle<const void>(cell) : nullptr;
}

Status FailElement(const ExprNode& node, void* out, Status status) {
    if (node.flags & compiler::kNodeComputed) ResetOutput(*node.type, out);
    else StoreHandle(out, nullptr);
    return status;
}

// "index 7 outside 1..5", "high index 2 outside 3..5", "index 1 of an empty
// text": a whole-number index outside the characters it may select.
ErrorDetail CharacterDetail(const char* which, int32_t index, int32_t low, uint16_t count) {
    ErrorDetail detail;
    detail.Add(which).Add("index ").AddWhole(index);
    if (count == 0) detail.Add(" of an empty text");
    else detail.Add(" outside ").AddWhole(low).Add("..").AddWhole(count);
    return detail;
}

// The character positions t[i] or t[i, j] select, from 1, both inclusive.
Status CharacterRange(const ExprNode& node, RunContext& context, uint16_t count, int32_t* low, int32_t* high) {
    const compiler::ExprList& indexes = *node.list;
    Number word;
    VL_PROPAGATE(ReadWord(*indexes.items[0], context, &word));
    const bool single = indexes.count == 1;
    const RunMsg message = single ? RunMsg::TextIndex : RunMsg::TextLowIndex;
    Status status = ReadInteger(word, low);
    if (status != Status::Success) {
        ErrorDetail detail;
        detail.Add(single ? "index " : "low index ").AddNumber(word);
        return Raise(context, node, status, message, nullptr, &detail);
    }
    if (*low < 1 || *low > count) {
        const ErrorDetail detail = CharacterDetail(single ? "" : "low ", *low, 1, count);
        return Raise(context, node, Status::OutOfRange, message, nullptr, &detail);
    }
    *high = *low;
    if (single) return Status::Success;
    VL_PROPAGATE(ReadWord(*indexes.items[1], context, &word));
    if (IsNull(word)) {
        *high = count;
        return Status::Success;
    }
    status = ReadInteger(word, high);
    if (status != Status::Success) {
        ErrorDetail detail;
        detail.Add("high index ").AddNumber(word);
        return Raise(context, node, status, RunMsg::TextHighIndex, nullptr, &detail);
    }
    if (*high < *low || *high > count) {
        const ErrorDetail detail = CharacterDetail("high ", *high, *low, count);
        return Raise(context, node, Status::OutOfRange, RunMsg::TextHighIndex, nullptr, &detail);
    }
    return Status::Success;
}


// The element found by its path, once every index has been worked out.
Status ElementThroughPath(const ExprNode& node, RunContext& context, void* out) {
    ElementPath path;
    Status status = BuildElementPath(node, context, &path);
    uint8_t* cell = status == Status::Success ? FollowPath(path) : nullptr;
    if (status == Status::Success && !cell) status = Raise(context, node, Status::OutOfRange, RunMsg::ElementGone);
    if (status != Status::Success) return FailElement(node, out, status);
    if (!(node.flags & compiler::kNodeComputed)) {
        StoreHandle(out, cell);
        return Status::Success;
    }
    const TypeDescriptor& element = *node.type;
    status = element.ops.copy ? element.ops.copy(element, out, cell) : Status::InternalFailure;
    if (status != Status::Success) return FailElement(node, out, Raise(context, node, status, RunMsg::ValueError));
    return Status::Success;
}

}  // namespace

// The array is looked up again after each index, which may have run program
// code that replaced or grew it; the element found is checked against the
// array as it is once every index is known.
Status ElementIndex(const ExprNode& node, RunContext& context, const ArraySource& source, size_t* element) {
    const compiler::ExprList& indexes = *node.list;
    int64_t offset = 0;
    const void* block = nullptr;
    for (uint16_t k = 0; k < indexes.count; ++k) {
        IndexRead read;
        VL_PROPAGATE(ReadIndex(*indexes.items[k], context, &read));
        bool gone = false;
        block = CurrentBlock(source, &gone);
        if (gone) return Raise(context, node, Status::OutOfRange, RunMsg::ElementGone);
        if (!block) return Raise(context, node, Status::UsingNull, RunMsg::NullArray);
        if (DimensionCountOf(block) != indexes.count)
            return Raise(context, node, Status::InternalFailure, RunMsg::ValueError);
        const IndexPlace place{static_cast<uint16_t>(k + 1), indexes.count, DimensionAt(block, k + 1)};
        int32_t index = 0;
        VL_PROPAGATE(IndexValue(read, context, node, place, &index));
        const DimensionRecord& dimension = place.bounds;
        if (index < dimension.low || index > dimension.high) {
            const ErrorDetail detail = IndexDetail(place, nullptr, index);
            return Raise(context, node, Status::OutOfRange, RunMsg::ArrayIndexRange, nullptr, &detail);
        }
        offset = offset * (int64_t{dimension.high} - dimension.low + 1) + (int64_t{index} - dimension.low);
    }
    // Only an array replaced by one of another shape part way through can fail here.
    if (offset >= ElementCount(block)) return Raise(context, node, Status::OutOfRange, RunMsg::ElementGone);
    *element = static_cast<size_t>(offset);
    return Status::Success;
}

Status EvalArrayElement(const ExprNode& node, RunContext& context, void* out) {
    const TypeDescriptor& element = *node.type;
    // Not an array held in place: the way to it is followed again after
    // each index, as program code an index runs may move it.
    if (!(node.left->flags & compiler::kNodeComputed) && !IsOwnCellDatum(*node.left) && MayRunProgramCode(node))
        return ElementThroughPath(node, context, out);
    OperandCell array;
    Status status = array.Obtain(*node.left, context, RunMsg::ValueError);
    if (status != Status::Success) return FailElement(node, out, status);
    if (!LoadHandle<void>(array.Cell()))
        return FailElement(node, out, Raise(context, node, Status::UsingNull, RunMsg::NullArray));
    size_t index = 0;
    status = ElementIndex(node, context, ArraySource{array.Cell(), nullptr}, &index);
    if (status != Status::Success) return FailElement(node, out, status);
    void* cell = ElementAddress(LoadHandle<void>(array.Cell()), element.cellSize, index);
    if (!(node.flags & compiler::kNodeComputed)) {
        StoreHandle(out, cell);
        return Status::Success;
    }
    // The array is a temporary that goes with `array`: the element is copied out.
    if (!element.ops.copy) return FailElement(node, out, Raise(context, node, Status::InternalFailure, RunMsg::ValueError));
    status = element.ops.copy(element, out, cell);
    if (status != Status::Success) return FailElement(node, out, Raise(context, node, status, RunMsg::ValueError));
    return Status::Success;
}

// Addressable texts are read in place: nothing is written to them while the
// characters are taken, so a copy would only cost an allocation.
// The output may be the text's own cell (t := t[2]), so it lets go of its old
// text only once the part has been made.
Status EvalTextCharacters(const ExprNode& node, RunContext& context, void* out) {
    TextOperand text;
    void* part = nullptr;
    Status status = text.Obtain(*node.left, context, MayRunProgramCode(node));
    const uint16_t count = text.Block() ? TextCount(text.Block()) : 0;
    int32_t low = 1, high = 0;
    if (status == Status::Success) status = CharacterRange(node, context, count, &low, &high);
    if (status == Status::Success) {
        status = MakeText(TextChars(text.Block()) + (low - 1), static_cast<size_t>(high - low + 1), &part);
        if (status != Status::Success) status = Raise(context, node, status, RunMsg::TextExpression);
    }
    ReplaceText(out, part);
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
        if (!cell) return Raise(context, node, Status::InternalFailure, RunMsg::ValueError);
        StoreHandle(out, cell);
        return Status::Success;
    }
    OperandCell structure;
    Status status = structure.Obtain(*node.left, context, RunMsg::DotValue);
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
        return Raise(context, node, status, RunMsg::DotValue);
    }
    return Status::Success;
}

}  // namespace vorlan::runtime
