// Loops and choices: While, the three kinds of For, Over and Select. Loops
// over Numbers and enumerations keep their running value in a local word,
// so an iteration allocates nothing.

#include "compiler/Statements.h"
#include "value/Arrays.h"
#include "interp/ElementPath.h"
#include "interp/Evaluate.h"
#include "interp/ExecInternal.h"
#include "interp/RunBudget.h"
#include "value/NumberFast.h"
#include "interp/WordCode.h"
#include "value/Value.h"

namespace vorlan::runtime {

using compiler::DataItem;
using compiler::Statement;

namespace {

// A loop body's status as the loop sees it: its own break ends the loop
// normally; anything else but "go on" ends the statement.
enum class Next : uint8_t { Continue, Stop };

Next AfterBody(uint16_t status, uint16_t ownBreak, uint16_t* out) {
    if (status == kExecGoOn) return Next::Continue;
    *out = status == ownBreak ? kExecGoOn : status;
    return Next::Stop;
}

// Section - While

}  // namespace

uint16_t ExecWhile(const Statement& statement, RunContext& context) {
    const auto& record = static_cast<const compiler::WhileStatement&>(statement);
    for (;;) {
        if (!TakeRunStep()) return kExecFatal;
        Logical truth;
        if (!TryWordCode(*record.condition, context, &truth)) {
            Operand condition;
            const Status status = condition.Read(*record.condition, context);
            if (status != Status::Success) return Raise(context, statement, status, RunMsg::WhileCondition);
            truth = LoadCell<Logical>(condition.Cell());
        }
        // A Null condition ends the loop as an error without a report of its own.
        if (truth == kNullLogical) return Code(Status::UsingNull);
        if (truth != kTrue) return kExecGoOn;
        uint16_t out = kExecGoOn;
        if (record.body && AfterBody(ExecuteBlock(*record.body, context), kExecWBreak, &out) == Next::Stop) return out;
    }
}

// Section - For

namespace {

// A bound of a Number loop: present and not Null.
uint16_t ReadBound(const compiler::ExprNode& node, const Statement& statement, RunMsg message,
                   RunContext& context, Number* out) {
    Operand operand;
    const Status status = operand.Read(node, context);
    if (status != Status::Success) return Raise(context, statement, status, message);
    *out = LoadCell<Number>(operand.Cell());
    if (IsNull(*out)) return Raise(context, statement, Status::UsingNull, message);
    return kExecGoOn;
}

}  // namespace

NumberLoopStart StartNumberLoop(Number from, Number to, const Number* step, NumberLoop* loop) {
    int order = 0;  // 1 from is greater, 2 to is greater
    if (Compare(from, to, &order) != Status::Success) return NumberLoopStart::Invalid;
    bool ascending;
    if (!step) {
        // Without a step the loop always runs, downwards when it must.
        loop->step = MakeIntegerUnchecked(order == 1 ? -1 : 1);
        ascending = order != 1;
    } else {
        int sign = 0;
        if (Compare(*step, MakeIntegerUnchecked(0), &sign) != Status::Success || sign == 0)
            return NumberLoopStart::Invalid;
        loop->step = *step;
        ascending = sign == 1;
        if (ascending ? order == 1 : order == 2) return NumberLoopStart::Skips;
    }
    loop->value = from;
    loop->to = to;
    // The stop test compares against the greater or the lesser end.
    loop->beyond = ascending ? 1 : 2;
    return NumberLoopStart::Runs;
}

uint16_t AdvanceNumberLoop(NumberLoop& loop, const compiler::ForStatement& record, RunContext& context, bool* more) {
    Status advanced = FastArithmetic<ArithOp::Add>(loop.value, loop.step, &loop.value);
    if (advanced != Status::Success) return Raise(context, record, advanced, RunMsg::ForIncrement);
    int compared = 0;
    if (IsInteger(loop.value) && IsInteger(loop.to)) {
        const int32_t x = IntegerOf(loop.value), y = IntegerOf(loop.to);
        compared = x > y ? 1 : x < y ? 2 : 0;
    } else {
        advanced = Compare(loop.value, loop.to, &compared);
        if (advanced != Status::Success) return Raise(context, record, advanced, RunMsg::ForCompare);
    }
    *more = compared != loop.beyond;
    return kExecGoOn;
}

namespace {

uint16_t ForNumbers(const compiler::ForStatement& record, RunContext& context) {
    uint8_t* control = LocalCell(*record.control, context);
    StoreCell(control, kNullNumber);
    Number from;
    Number to;
    Number step = kNullNumber;
    uint16_t status = ReadBound(*record.from, record, RunMsg::ForFrom, context, &from);
    if (status == kExecGoOn) status = ReadBound(*record.to, record, RunMsg::ForTo, context, &to);
    if (status == kExecGoOn && record.step) status = ReadBound(*record.step, record, RunMsg::ForStep, context, &step);
    if (status != kExecGoOn) return status;

    NumberLoop loop;
    const NumberLoopStart start = StartNumberLoop(from, to, record.step ? &step : nullptr, &loop);
    if (start == NumberLoopStart::Invalid) return Raise(context, record, Status::Invalid, RunMsg::ForSetup);
    for (bool more = start == NumberLoopStart::Runs; more;) {
        if (!TakeRunStep()) return kExecFatal;
        StoreCell(control, loop.value);
        uint16_t out = kExecGoOn;
        if (record.body && AfterBody(ExecuteBlock(*record.body, context), kExecFBreak, &out) == Next::Stop) return out;
        status = AdvanceNumberLoop(loop, record, context, &more);
        if (status != kExecGoOn) return status;
    }
    return kExecGoOn;
}

// An enumeration bound: an item, never Null.
uint16_t ReadItem(const compiler::ExprNode& node, const Statement& statement, RunMsg message,
                  RunContext& context, const DataItem** out) {
    Operand operand;
    const Status status = operand.Read(node, context);
    if (status != Status::Success) return Raise(context, statement, status, message);
    *out = LoadHandle<const DataItem>(operand.Cell());
    if (!*out) return Raise(context, statement, Status::UsingNull, message);
    return kExecGoOn;
}

const DataItem* ItemAt(const compiler::TypeDescriptor& enumeration, int32_t position) {
    for (const DataItem* item = enumeration.fields.first; item; item = item->next)
        if (item->enumPosition == position) return item;
    return nullptr;
}

uint16_t ForItems(const compiler::ForStatement& record, RunContext& context) {
    const compiler::TypeDescriptor& enumeration = *record.control->type;
    uint8_t* control = LocalCell(*record.control, context);
    StoreHandle(control, nullptr);
    const DataItem* from = enumeration.fields.first;
    const DataItem* to = enumeration.fields.last;
    uint16_t status = kExecGoOn;
    if (record.variant == compiler::ForVariant::EnumRange) {
        status = ReadItem(*record.from, record, RunMsg::ForFrom, context, &from);
        if (status == kExecGoOn) status = ReadItem(*record.to, record, RunMsg::ForTo, context, &to);
        if (status != kExecGoOn) return status;
    }
    if (!from || !to) return kExecGoOn;  // an enumeration without items

    int32_t step;
    if (record.step) {
        Number given = kNullNumber;
        status = ReadBound(*record.step, record, RunMsg::ForStep, context, &given);
        if (status != kExecGoOn) return status;
        if (!IsInteger(given)) return Raise(context, record, Status::Invalid, RunMsg::ForStepInteger);
        step = IntegerOf(given);
        if (step == 0) return Raise(context, record, Status::Invalid, RunMsg::ForSetup);
        if (step > 0 ? from->enumPosition > to->enumPosition : from->enumPosition < to->enumPosition)
            return kExecGoOn;
    } else {
        step = from->enumPosition > to->enumPosition ? -1 : 1;
    }

    const int32_t last = to->enumPosition;
    for (const DataItem* item = from; item;) {
        if (!TakeRunStep()) return kExecFatal;
        StoreHandle(control, item);
        uint16_t out = kExecGoOn;
        if (record.body && AfterBody(ExecuteBlock(*record.body, context), kExecFBreak, &out) == Next::Stop) return out;
        if (step > 0) {
            for (int32_t moved = 0; item && moved < step; ++moved) item = item->next;
            if (item && item->enumPosition > last) item = nullptr;
        } else {
            const int64_t position = int64_t{item->enumPosition} + step;
            item = position < last ? nullptr : ItemAt(enumeration, static_cast<int32_t>(position));
        }
    }
    return kExecGoOn;
}

}  // namespace

uint16_t ExecFor(const Statement& statement, RunContext& context) {
    const auto& record = static_cast<const compiler::ForStatement&>(statement);
    if (record.variant == compiler::ForVariant::NumberRange) return ForNumbers(record, context);
    return ForItems(record, context);
}

// Section - Over

namespace {

// The array an Over loop walks, held for the whole loop: a computed array in
// a temporary of its own, anything else as the way to its cell, since the
// body may replace or grow the array, or whatever holds it.
class WalkedArray {
public:
    Status Find(const compiler::ExprNode& node, RunContext& context) {
        if (node.flags & compiler::kNodeComputed) {
            VL_PROPAGATE(computed_.Read(node, context));
            path_.root = computed_.Cell();
            return Status::Success;
        }
        return BuildPath(node, context, &path_);
    }
    const ElementPath& Path() const { return path_; }
    // nullptr when the array, or an element on the way to it, is gone.
    void* Block(bool* gone) const {
        const uint8_t* cell = FollowPath(path_);
        *gone = cell == nullptr;
        return cell ? LoadHandle<void>(cell) : nullptr;
    }

private:
    Operand computed_;
    ElementPath path_;
};

}  // namespace

uint16_t ExecOver(const Statement& statement, RunContext& context) {
    const auto& record = static_cast<const compiler::OverStatement&>(statement);
    WalkedArray array;
    const Status status = array.Find(*record.array, context);
    if (status != Status::Success) return Raise(context, statement, status, RunMsg::OverTarget);
    bool gone = false;
    if (!array.Block(&gone)) return Raise(context, statement, Status::UsingNull, RunMsg::OverTarget);
    const uint32_t elementSize = record.array->type->baseType->cellSize;
    // The alias is the way to the element, not its address: the body may
    // move the element or take it away before it next uses the alias.
    ElementPath alias = array.Path();
    if (alias.count >= kMaxPathSteps) return Raise(context, statement, Status::OutOfRange, RunMsg::ReferenceTooDeep);
    uint8_t* slot = context.frame + record.alias->offset;
    uint16_t out = kExecGoOn;
    // The array is looked up again for every element, so that elements the
    // body appends are walked too.
    for (int64_t index = 0;; ++index) {
        if (!TakeRunStep()) {
            out = kExecFatal;
            break;
        }
        const void* block = array.Block(&gone);
        if (gone) {
            out = Raise(context, statement, Status::OutOfRange, RunMsg::ElementGone);
            break;
        }
        if (index >= ElementCount(block)) break;
        alias.count = array.Path().count;
        alias.tail = array.Path().tail;
        (void)AddElementStep(alias, elementSize, index);
        StoreHandle(slot, MarkPath(&alias));
        if (record.body && AfterBody(ExecuteBlock(*record.body, context), kExecOBreak, &out) == Next::Stop) break;
    }
    StoreHandle(slot, nullptr);
    return out;
}

// Section - Select

namespace {

bool NumberMatches(const compiler::CaseItem& item, Number selector) {
    const Number low = LoadCell<Number>(item.lowValue);
    int order = 0;
    if (item.boundCount < 2) {
        if (item.lowNull) return IsNull(selector);
        return Compare(selector, low, &order) == Status::Success && order == 0;
    }
    if (IsNull(selector)) return false;
    const Number high = LoadCell<Number>(item.highValue);
    if (Compare(selector, low, &order) != Status::Success || order == 2) return false;
    return Compare(selector, high, &order) == Status::Success && order != 1;
}

int32_t PositionOf(const uint8_t* cell) {
    const auto* item = LoadHandle<const DataItem>(cell);
    return item ? item->enumPosition : 0;
}

bool ItemMatches(const compiler::CaseItem& item, int32_t selector) {
    if (item.boundCount < 2) return item.lowNull ? selector == 0 : selector == PositionOf(item.lowValue);
    return selector != 0 && PositionOf(item.lowValue) <= selector && selector <= PositionOf(item.highValue);
}

}  // namespace

uint16_t ExecSelect(const Statement& statement, RunContext& context) {
    const auto& record = static_cast<const compiler::SelectStatement&>(statement);
    Operand selector;
    const Status status = selector.Read(*record.selector, context);
    if (status != Status::Success) return Code(status);
    const bool byNumber = record.mode == compiler::SelectMode::Number;
    const Number number = byNumber ? LoadCell<Number>(selector.Cell()) : kNullNumber;
    const int32_t position = byNumber ? 0 : PositionOf(selector.Cell());
    for (const compiler::CaseClause* clause = record.first; clause; clause = clause->next) {
        for (const compiler::CaseItem* item = clause->first; item; item = item->next) {
            if (byNumber ? NumberMatches(*item, number) : ItemMatches(*item, position))
                return clause->block ? ExecuteBlock(*clause->block, context) : kExecGoOn;
        }
    }
    return record.otherwise ? ExecuteBlock(*record.otherwise, context) : kExecGoOn;
}

}  // namespace vorlan::runtime
