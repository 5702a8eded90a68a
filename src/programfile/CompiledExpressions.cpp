// Expression records: tag 45, then tag 49 for no expression or tag 47, the
// node and tag 48. A node is written whole (header, value part, list, the
// routine it calls, both operands) so that every kind reads back the same
// way; its evaluate and fold operations travel as codes from fixed tables.

#include "compiler/Expression.h"
#include "programfile/CompiledLinks.h"
#include "programfile/CompiledRecords.h"
#include "value/SystemTypeCodes.h"

#include <cstring>

namespace vorlan::library {

using compiler::EvalCode;
using compiler::ExprList;
using compiler::ExprNode;
using compiler::TypeDescriptor;

namespace {

constexpr uint16_t kNoEvaluate = 999;
uint16_t EvaluateCode(EvalCode eval) {
    return eval == EvalCode::None ? kNoEvaluate : static_cast<uint16_t>(eval);
}

bool EvalFromCode(uint16_t code, EvalCode* eval) {
    if (code == kNoEvaluate) {
        *eval = EvalCode::None;
        return true;
    }
    if (code == 0 || code >= static_cast<uint16_t>(EvalCode::Count)) return false;
    *eval = static_cast<EvalCode>(code);
    return true;
}

uint16_t FoldCode(const ExprNode& node) {
    return node.folds ? compiler::kFoldCodes[static_cast<size_t>(node.eval)] : 0;
}

// A fold code must name the node's own operation.
bool FoldsFromCode(uint16_t code, EvalCode eval, bool* folds) {
    *folds = code != 0;
    return code == 0 || compiler::kFoldCodes[static_cast<size_t>(eval)] == code;
}

// What a literal's bytes hold, which only its type tells: the reader is told
// rather than asked to look, since the type may not have been read yet.
enum class LiteralKind : uint16_t { None = 0, Bytes = 1, Type = 2, Routine = 3, EnumItem = 4, Text = 5 };

LiteralKind LiteralKindOf(const ExprNode& node) {
    if (node.eval == EvalCode::TextLiteral) return LiteralKind::Text;
    if (node.eval != EvalCode::Literal || !node.type) return LiteralKind::None;
    const TypeDescriptor& type = *node.type;
    if (type.systemDeclared && type.typeCode == kTypeType) return LiteralKind::Type;
    if (type.kind == compiler::TypeKind::FunctionType || type.kind == compiler::TypeKind::ShapeType)
        return LiteralKind::Routine;
    if (type.kind == compiler::TypeKind::Enumeration) return LiteralKind::EnumItem;
    return LiteralKind::Bytes;
}

template <class T>
T* LiteralPointer(const ExprNode& node) {
    T* pointer = nullptr;
    std::memcpy(&pointer, node.literal, sizeof pointer);
    return pointer;
}

Status WriteLiteral(WriteLinks& links, const ExprNode& node) {
    const LiteralKind kind = LiteralKindOf(node);
    VL_PROPAGATE(links.out.Short(static_cast<uint16_t>(kind)));
    switch (kind) {
    case LiteralKind::None: return Status::Success;
    case LiteralKind::Bytes:
        for (size_t at = 0; at < sizeof node.literal; at += 4) {
            uint32_t word;
            std::memcpy(&word, node.literal + at, sizeof word);
            VL_PROPAGATE(links.out.Long(word));
        }
        return Status::Success;
    case LiteralKind::Type: return links.Type(LiteralPointer<TypeDescriptor>(node));
    case LiteralKind::Routine: return links.Routine(LiteralPointer<compiler::Routine>(node));
    case LiteralKind::EnumItem: return links.Item(LiteralPointer<compiler::DataItem>(node));
    case LiteralKind::Text: return links.out.TextValue(node.text);
    }
    return Status::Invalid;
}

Status ReadLiteral(ReadLinks& links, ExprNode& node) {
    uint16_t kind;
    VL_PROPAGATE(links.in.Short(&kind));
    links.NoteLiteral(&node, kind);
    switch (static_cast<LiteralKind>(kind)) {
    case LiteralKind::None: return Status::Success;
    case LiteralKind::Bytes:
        for (size_t at = 0; at < sizeof node.literal; at += 4) {
            uint32_t word;
            VL_PROPAGATE(links.in.Long(&word));
            std::memcpy(node.literal + at, &word, sizeof word);
        }
        return Status::Success;
    case LiteralKind::Type: {
        TypeDescriptor* type;
        VL_PROPAGATE(links.Type(&type));
        std::memcpy(node.literal, &type, sizeof type);
        return Status::Success;
    }
    case LiteralKind::Routine: {
        compiler::Routine* routine;
        VL_PROPAGATE(links.Routine(&routine));
        std::memcpy(node.literal, &routine, sizeof routine);
        return Status::Success;
    }
    case LiteralKind::EnumItem: return links.Item(node.literal);
    case LiteralKind::Text: return links.in.TextValue(&node.text);
    }
    return links.in.Refuse(Refusal::BadLiteral);
}

enum class ListKind : uint16_t { None = 0, Items = 1, Bound = 2 };

Status WriteList(WriteLinks& links, const ExprList* list) {
    if (!list) return links.out.Short(static_cast<uint16_t>(ListKind::None));
    const bool bound = list->targets != nullptr;
    VL_PROPAGATE(links.out.Short(static_cast<uint16_t>(bound ? ListKind::Bound : ListKind::Items)));
    VL_PROPAGATE(links.out.Short(list->count));
    if (bound) {
        // The targets are the owner's fields in order: the owner is enough.
        TypeReference owner;
        if (list->count > 0 && !links.OwnerOf(list->targets[0], &owner)) return Status::Invalid;
        VL_PROPAGATE(links.out.Type(owner));
    }
    for (uint16_t i = 0; i < list->count; ++i) VL_PROPAGATE(WriteExpression(links, list->items[i]));
    return Status::Success;
}

Status ReadList(ReadLinks& links, Owned<ExprList>* out) {
    *out = nullptr;
    uint16_t kind, count;
    VL_PROPAGATE(links.in.Short(&kind));
    if (kind == static_cast<uint16_t>(ListKind::None)) return Status::Success;
    if (kind != static_cast<uint16_t>(ListKind::Items) && kind != static_cast<uint16_t>(ListKind::Bound))
        return links.in.Refuse(Refusal::BadList);
    VL_PROPAGATE(links.in.Short(&count));
    const bool bound = kind == static_cast<uint16_t>(ListKind::Bound);
    TypeDescriptor* owner = nullptr;
    if (bound) VL_PROPAGATE(links.Type(&owner));
    // Every item takes at least two tags: no count can outgrow the file.
    if ((bound && count > 0 && !owner) || size_t{count} * 4 > links.in.Remaining())
        return links.in.Refuse(Refusal::BadList);
    auto* list = new ExprList{};
    if (!list) return Status::OutOfMemory;
    out->Adopt(list);  // the caller's node owns it from here, complete or not
    list->count = count;
    if (count > 0) {
        const bool itemsMade = list->items.Allocate(count, compiler::kTagExprList);
        const bool targetsMade = !bound || list->targets.Allocate(count, compiler::kTagExprList);
        if (!itemsMade || !targetsMade) return Status::OutOfMemory;
    }
    for (uint16_t i = 0; i < count; ++i) VL_PROPAGATE(ReadExpression(links, &list->items[i]));
    if (bound && count > 0) links.BindTargets(list, owner);
    return Status::Success;
}

Status WriteNode(WriteLinks& links, const ExprNode& node) {
    CompiledWriter& out = links.out;
    VL_PROPAGATE(out.Short(static_cast<uint16_t>(node.form)));
    VL_PROPAGATE(out.Short(node.arity));
    VL_PROPAGATE(links.Type(node.type));
    VL_PROPAGATE(out.Long(node.flags));
    VL_PROPAGATE(out.Short(EvaluateCode(node.eval)));
    if (node.folds && FoldCode(node) == 0) return Status::Invalid;  // the table lacks an operation
    VL_PROPAGATE(out.Short(FoldCode(node)));
    VL_PROPAGATE(links.Position(node.position));
    VL_PROPAGATE(out.Short(static_cast<uint16_t>(node.op)));
    VL_PROPAGATE(out.Short(static_cast<uint16_t>(node.storage)));
    VL_PROPAGATE(out.Short(node.moduleNumber));
    VL_PROPAGATE(out.Long(node.offset));
    VL_PROPAGATE(links.Item(node.item));
    VL_PROPAGATE(WriteLiteral(links, node));
    VL_PROPAGATE(WriteList(links, node.list));
    VL_PROPAGATE(links.Routine(node.routine));
    VL_PROPAGATE(WriteExpression(links, node.left));
    return WriteExpression(links, node.right);
}

Status ReadNode(ReadLinks& links, ExprNode& node) {
    CompiledReader& in = links.in;
    uint16_t form, arity, evaluate, fold, op, storage, module;
    uint32_t flags;
    VL_PROPAGATE(in.Short(&form));
    VL_PROPAGATE(in.Short(&arity));
    VL_PROPAGATE(links.Type(&node.type));
    VL_PROPAGATE(in.Long(&flags));
    VL_PROPAGATE(in.Short(&evaluate));
    VL_PROPAGATE(in.Short(&fold));
    if (form < 1 || form > 2 || arity > 2 || flags > 0x1F || !node.type) return in.Refuse(Refusal::BadNodeField);
    if (!EvalFromCode(evaluate, &node.eval) || !FoldsFromCode(fold, node.eval, &node.folds))
        return in.Refuse(Refusal::UnknownOperation);
    node.form = static_cast<compiler::NodeForm>(form);
    node.arity = static_cast<uint8_t>(arity);
    node.flags = static_cast<uint8_t>(flags);
    VL_PROPAGATE(links.Position(&node.position));
    VL_PROPAGATE(in.Short(&op));
    VL_PROPAGATE(in.Short(&storage));
    VL_PROPAGATE(in.Short(&module));
    VL_PROPAGATE(in.Long(&node.offset));
    if (storage > static_cast<uint16_t>(compiler::NodeStorage::Context)) return in.Refuse(Refusal::BadNodeField);
    node.op = static_cast<compiler::Tok>(op);
    node.storage = static_cast<compiler::NodeStorage>(storage);
    if (module != 0) {
        // Module numbers in the file are the writer's: the run uses ours.
        const compiler::Module* held = links.ModuleOf(module);
        if (!held) return in.Refuse(Refusal::UnknownModule);
        node.moduleNumber = links.MemoryNumber(module);
    }
    VL_PROPAGATE(links.Item(&node.item));
    VL_PROPAGATE(ReadLiteral(links, node));
    VL_PROPAGATE(ReadList(links, &node.list));
    VL_PROPAGATE(links.Routine(&node.routine));
    VL_PROPAGATE(ReadExpression(links, &node.left));
    return ReadExpression(links, &node.right);
}

}  // namespace

bool LiteralKindFits(const ExprNode& node, uint16_t kind) { return static_cast<uint16_t>(LiteralKindOf(node)) == kind; }

Status WriteExpression(WriteLinks& links, const ExprNode* node) {
    VL_PROPAGATE(links.out.Tag(kTagExpression));
    if (!node) return links.out.Tag(kTagNoNode);
    VL_PROPAGATE(links.out.Tag(kTagNode));
    VL_PROPAGATE(WriteNode(links, *node));
    return links.out.Tag(kTagNodeEnd);
}

Status ReadExpression(ReadLinks& links, compiler::NodeRef* out) {
    *out = nullptr;
    VL_PROPAGATE(links.in.ExpectTag(kTagExpression));
    uint16_t tag;
    VL_PROPAGATE(links.in.Tag(&tag));
    if (tag == kTagNoNode) return Status::Success;
    if (tag != kTagNode) return links.in.Refuse(Refusal::UnexpectedTag);
    if (links.depth >= kCompiledMaxDepth) return links.in.Refuse(Refusal::NestedTooDeeply);
    compiler::NodeRef node(new ExprNode{});
    if (!node) return Status::OutOfMemory;
    node->refCount = 1;
    ++links.depth;
    Status status = ReadNode(links, *node);
    --links.depth;
    if (status == Status::Success) status = links.in.ExpectTag(kTagNodeEnd);
    if (status != Status::Success) return status;
    *out = std::move(node);
    return Status::Success;
}

}  // namespace vorlan::library
