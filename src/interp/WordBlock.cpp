#include "interp/WordBlock.h"

#include "base/Memory.h"
#include "interp/Evaluate.h"
#include "interp/ExecInternal.h"
#include "value/Arrays.h"
#include "value/Value.h"

namespace vorlan::runtime {

using compiler::AssignOp;
using compiler::EvalCode;
using compiler::ExprNode;
using compiler::NodeStorage;

namespace {

constexpr uint32_t kTagWordBlock = 22018;

// Larger blocks are left to the statement handlers.
constexpr uint32_t kMaxSteps = 16;

// If runs its conditions here and its branches as blocks; any other
// statement runs through its handler.
enum class Store : uint8_t { Assign, Compound, Append, Return, If, Other };
enum class Source : uint8_t { Code, Literal, Datum };

// Where a datum's cell is: a frame offset, or a module's.
struct Place {
    NodeStorage storage;
    uint16_t module;
    uint32_t offset;
};

struct Step {
    Store store;
    AssignOp op;
    Source source;
    Place target;
    Place datum;                                  // the value, when it is a datum
    uint32_t literal;                             // the value, when it is a literal
    const WordCode* code;                         // the value, when it is compiled
    const compiler::TypeDescriptor* elementType;  // of the array appended to
    const compiler::Statement* statement;
};

}  // namespace

struct WordBlock {
    WordBlock* next;
    const compiler::StatementBlock* block;
    uint32_t count;
    Step steps[kMaxSteps];
};

namespace {

// A datum in its own cell in the frame or a module.
bool PlaceOf(const ExprNode& node, Place* place) {
    if (!IsOwnCellDatum(node)) return false;
    *place = Place{node.storage, node.moduleNumber, node.offset};
    return true;
}

bool SourceOf(const ExprNode& value, WordCodes& codes, Step* step) {
    if (!IsWordType(value.type)) return false;
    if (value.eval == EvalCode::Literal) {
        step->source = Source::Literal;
        step->literal = LoadCell<uint32_t>(value.literal);
        return true;
    }
    if (PlaceOf(value, &step->datum)) {
        step->source = Source::Datum;
        return true;
    }
    step->source = Source::Code;
    step->code = codes.For(value);
    return step->code != nullptr;
}


// A value read without its tree: a literal, a datum, a compiled expression.
bool IsFastWord(const ExprNode& node, WordCodes& codes) {
    return IsWordType(node.type) && (node.eval == EvalCode::Literal || IsOwnCellDatum(node) || codes.For(node));
}

bool IfStepOf(const compiler::IfStatement& record, WordCodes& codes) {
    for (const compiler::IfClause* clause = record.first; clause; clause = clause->next)
        if (!clause->condition || !IsFastWord(*clause->condition, codes)) return false;
    return true;
}

bool StepOf(const compiler::Statement& statement, WordCodes& codes, Step* step) {
    step->statement = &statement;
    if (statement.kind == compiler::StatementKind::If) {
        step->store = IfStepOf(static_cast<const compiler::IfStatement&>(statement), codes) ? Store::If : Store::Other;
        return true;
    }
    if (statement.kind == compiler::StatementKind::Return) {
        const auto& record = static_cast<const compiler::ReturnStatement&>(statement);
        step->store = Store::Return;
        return record.value && SourceOf(*record.value, codes, step);
    }
    if (statement.kind != compiler::StatementKind::Assignment) return false;
    const auto& record = static_cast<const compiler::AssignmentStatement&>(statement);
    if (!record.target || !record.value || !PlaceOf(*record.target, &step->target)) return false;
    step->statement = &statement;
    step->op = record.op;
    const compiler::TypeDescriptor* type = record.target->type;
    if (record.op == AssignOp::Assign) {
        step->store = Store::Assign;
        if (!IsWordType(type)) return false;
    } else if (IsCompoundNumberOp(record.op)) {
        step->store = Store::Compound;
        if (!IsWordType(type) || type->valueClass == compiler::kValueClassText) return false;
    } else if (record.op == AssignOp::Append) {
        step->store = Store::Append;
        if (!type || type->kind != compiler::TypeKind::Array || !IsWordType(type->baseType)) return false;
        step->elementType = type->baseType;
    } else {
        return false;
    }
    return SourceOf(*record.value, codes, step);
}

uint8_t* CellAt(const Place& place, const RunContext& context) {
    if (place.storage == NodeStorage::Frame) return context.frame + place.offset;
    return context.globals + context.moduleBase[place.module] + place.offset;
}

bool ValueOf(const Step& step, const RunContext& context, uint32_t* word) {
    switch (step.source) {
    case Source::Literal: *word = step.literal; return true;
    case Source::Datum: *word = LoadCell<uint32_t>(CellAt(step.datum, context)); return true;
    case Source::Code: return RunWordCode(*step.code, context, word);
    }
    return false;
}


// The branch the conditions choose, run as a block; false when a condition
// is out of the ordinary (a Null) and the statement must run through its
// handler, which reads its conditions again: they have no effects.
bool RunIf(const compiler::IfStatement& record, RunContext& context, uint16_t* status) {
    *status = kExecGoOn;
    for (const compiler::IfClause* clause = record.first; clause; clause = clause->next) {
        Logical truth;
        if (!TryWordCode(*clause->condition, context, &truth) || truth == kNullLogical) return false;
        if (truth != kTrue) continue;
        if (clause->block) *status = ExecuteBlock(*clause->block, context);
        return true;
    }
    if (record.elseBlock) *status = ExecuteBlock(*record.elseBlock, context);
    return true;
}

// False when the statement must run through its handler instead.
bool RunStep(const Step& step, RunContext& context) {
    uint32_t word;
    if (!ValueOf(step, context, &word)) return false;
    if (step.store == Store::Return) {
        // A function of a word result; anything else goes to the handler.
        const compiler::TypeDescriptor* result =
            context.routine && context.routine->type ? context.routine->type->baseType : nullptr;
        if (!context.result || !IsWordType(result)) return false;
        StoreCell(context.result, word);
        return true;
    }
    uint8_t* cell = CellAt(step.target, context);
    switch (step.store) {
    case Store::Assign: StoreCell(cell, word); return true;
    case Store::Compound: {
        Number result;
        if (ApplyCompound(step.op, LoadCell<Number>(cell), word, &result) != Status::Success) return false;
        StoreCell(cell, result);
        return true;
    }
    // A failed append changes nothing, and its handler raises the failure.
    case Store::Append: return AppendElement(cell, *step.elementType, &word) == Status::Success;
    case Store::Return:
    case Store::If:
    case Store::Other: break;
    }
    return false;
}

}  // namespace

const WordBlock* WordCodes::MakeBlock(const compiler::StatementBlock& block) {
    block.wordBlockState = kNoWordCode;
    if (block.onErrorWritten || block.main.count == 0 || block.main.count > kMaxSteps) return nullptr;
    auto* made = static_cast<WordBlock*>(MemAllocate(sizeof(WordBlock), kTagWordBlock));
    if (!made) return nullptr;
    made->block = &block;
    made->count = 0;
    bool stores = false;  // a block of handlers alone gains nothing
    for (const compiler::Statement* statement = block.main.head; statement; statement = statement->next) {
        Step& step = made->steps[made->count];
        if (!StepOf(*statement, *this, &step)) {
            step.store = Store::Other;
            step.statement = statement;
        }
        stores = stores || step.store != Store::Other;
        ++made->count;
    }
    if (!stores) {
        MemReleaseBlock(made);
        return nullptr;
    }
    made->next = firstBlock_;
    firstBlock_ = made;
    block.wordBlock = made;
    block.wordBlockState = kMadeWordCode;
    return made;
}

void WordCodes::ClearBlocks() {
    while (firstBlock_) {
        WordBlock* made = firstBlock_;
        firstBlock_ = made->next;
        made->block->wordBlock = nullptr;
        made->block->wordBlockState = 0;
        MemReleaseBlock(made);
    }
}

uint16_t RunWordBlock(const WordBlock& block, RunContext& context) {
    for (uint32_t i = 0; i < block.count; ++i) {
        const Step& step = block.steps[i];
        uint16_t status = kExecGoOn;
        if (step.store == Store::Other) {
            status = ExecuteStatement(*step.statement, context);
        } else if (step.store == Store::If) {
            if (!RunIf(static_cast<const compiler::IfStatement&>(*step.statement), context, &status))
                return ExecuteFrom(step.statement, context);
        } else if (!RunStep(step, context)) {
            return ExecuteFrom(step.statement, context);
        } else if (step.store == Store::Return) {
            return kExecReturn;
        }
        if (status != kExecGoOn) return status;
    }
    return kExecGoOn;
}

}  // namespace vorlan::runtime
