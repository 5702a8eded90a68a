#pragma once
// The compiled forms of the run: made the first time the run evaluates a
// word-valued expression (Number or Logical) that runs no program code, or
// executes a block; they read data where the compiler placed them and take
// the integer fast paths.
//
// Such an expression has no effect but its value, and a statement stores
// only once its value is known. So when anything is out of the ordinary (a
// Null, a zero divisor, an index out of bounds, a failed operation) the
// compiled form gives up: an expression is evaluated again through its tree,
// and a block runs that statement through its handler, which gives the
// value or raises the error exactly as always, and then goes on. Nothing is
// done twice.
//
// A block's form holds its stores (`:=`, `+=` and its kin on Numbers,
// appends of words to open arrays, `Return` of a word), its Ifs and Whiles
// with compiled conditions and its For loops over Numbers, with their
// blocks, as one run of instructions; any other statement runs through its
// handler from within it. A store's value may call program routines that
// take and give words: once one has run, the statement cannot be run
// again, so a failure after it is raised where the evaluator raises it.

#include "compiler/Expression.h"
#include "compiler/Statements.h"
#include "interp/Evaluate.h"
#include "interp/RunContext.h"
#include "value/Value.h"

#include <cstdint>

namespace vorlan::runtime {

struct WordCode;

// A node's wordCodeState once it is known to have no compiled form, and
// once it has one.
constexpr uint8_t kNoWordCode = 1;
constexpr uint8_t kMadeWordCode = 2;

// A Number or Logical: four plain bytes that are the whole value.
inline bool IsWordType(const compiler::TypeDescriptor* type) {
    return type && type->storage == compiler::StorageClass::Plain && type->cellSize == 4 &&
           type->kind != compiler::TypeKind::Structure && type->kind != compiler::TypeKind::Enumeration &&
           type->kind != compiler::TypeKind::Array;
}

// A datum in a cell of its own in the frame or a module's data, not reached
// through a reference: its cell is where the compiler placed it.
inline bool IsOwnCellDatum(const compiler::ExprNode& node) {
    return node.eval == compiler::EvalCode::DataItem && !(node.flags & compiler::kNodeByReference) &&
           (node.storage == compiler::NodeStorage::Frame || node.storage == compiler::NodeStorage::ModuleData);
}

// The compiled forms a run has made, let go when the run ends.
class WordCodes {
public:
    WordCodes() = default;
    WordCodes(const WordCodes&) = delete;
    WordCodes& operator=(const WordCodes&) = delete;
    ~WordCodes() { Clear(); }
    void Clear();

    // The node's compiled form, made on first use; nullptr when the node has
    // none (it is not a word, it may run program code, it is too large).
    const WordCode* For(const compiler::ExprNode& node) {
        if (node.wordCodeState == kMadeWordCode) return static_cast<const WordCode*>(node.wordCode);
        return node.wordCodeState == kNoWordCode ? nullptr : Make(node);
    }

    // The block's compiled form, made on first use; nullptr
    // when the block has none.
    const WordCode* BlockFor(const compiler::StatementBlock& block) {
        if (block.wordBlockState == kMadeWordCode) return static_cast<const WordCode*>(block.wordBlock);
        return block.wordBlockState == kNoWordCode ? nullptr : MakeBlock(block);
    }

private:
    const WordCode* Make(const compiler::ExprNode& node);
    const WordCode* MakeBlock(const compiler::StatementBlock& block);
    // The draft copied out and kept with the run's forms; nullptr without memory.
    WordCode* Keep(const void* draft, const void* owner, bool block);
    void* EmptyDraft();

    WordCode* first_ = nullptr;
    void* draft_ = nullptr;  // where forms are made, reused
};

// The value of the compiled expression; false when it gives up.
bool RunWordCode(const WordCode& code, const RunContext& context, uint32_t* value);
// The block's status, as ExecuteBlock gives it.
uint16_t RunWordBlock(const WordCode& code, RunContext& context);

// The node's value without its tree: a literal word, a word datum in its own
// cell, or the compiled form's value; false when there is none or the form
// gave up, and the node is to be evaluated through its tree. The value is
// given even for a node whose evaluation gives an address (an element).
inline bool TryWordCode(const compiler::ExprNode& node, const RunContext& context, uint32_t* value) {
    if (node.eval == compiler::EvalCode::Literal && IsWordType(node.type)) {
        *value = LoadCell<uint32_t>(node.literal);
        return true;
    }
    if (IsOwnCellDatum(node) && IsWordType(node.type)) {
        const uint8_t* cell = DataItemCell(node, context);
        if (cell) *value = LoadCell<uint32_t>(cell);
        return cell != nullptr;
    }
    if (node.wordCodeState == kNoWordCode || !context.wordCodes) return false;
    const WordCode* code = context.wordCodes->For(node);
    return code && RunWordCode(*code, context, value);
}

}  // namespace vorlan::runtime
