#include "compiler/Typing.h"

#include "compiler/Declarations.h"
#include "base/WideText.h"
#include "value/SystemTypeCodes.h"
#include "value/Value.h"

namespace vorlan::compiler {
namespace {

// The slot of the named target, skipping hidden ones; -1 when there is none.
int FindTarget(const ExprList& list, const char16_t* name) {
    for (uint16_t i = 0; i < list.count; ++i) {
        const DataItem* target = list.targets[i];
        if (!(target->flags & kDataHidden) && WideEqual(target->entry->name, name)) return i;
    }
    return -1;
}

int NextTarget(const ExprList& list, int from) {
    while (from < list.count && (list.targets[from]->flags & kDataHidden)) ++from;
    return from;
}

// A system default as a literal of the target's type.
NodeRef SystemDefaultNode(Parser& parser, DataItem& target, const ReportPosition& at) {
    TypeDescriptor* type = target.type;
    switch (target.systemDefault) {
    case SystemDefault::None: return nullptr;
    case SystemDefault::Null:
    case SystemDefault::Text: return NullOfType(parser, type, at);
    case SystemDefault::EnumValue:
        for (DataItem* item = type->fields.first; item; item = item->next) {
            if (item->enumValue == static_cast<int32_t>(target.defaultWord))
                return NewLiteral(parser, at, type, &item, sizeof item);
        }
        return nullptr;
    case SystemDefault::Number: break;
    }
    // A Number default converted to the target's type.
    const int32_t whole = runtime::IntegerOf(target.defaultWord);
    if (IsSystemType(type, library::kLogical)) {
        const runtime::Logical truth = whole == 0 ? runtime::kFalse : runtime::kTrue;
        return NewLiteral(parser, at, type, &truth, sizeof truth);
    }
    if (IsSystemType(type, library::kTime)) {
        const runtime::Time time = runtime::MakeTime(target.defaultWord, target.defaultWord);
        return NewLiteral(parser, at, type, &time, sizeof time);
    }
    return NewLiteral(parser, at, type, &target.defaultWord, sizeof target.defaultWord);
}

bool BindItem(Parser& parser, ExprList& list, int slot, const ParseNode& value) {
    DataItem& target = *list.targets[slot];
    NodeRef node = TypeNode(parser, value, target.type);
    if (!node) return false;
    if ((target.flags & kDataRef) && !(target.flags & kDataConst) && !IsAssignable(*node)) {
        parser.ReportAt(value.position, Msg::BadField, target.entry->name);
        return false;
    }
    if (!TypesCompatible(parser, target.type, node->type, Compatibility::Assignment, value.position)) return false;
    list.items[slot] = std::move(node);
    return true;
}

}  // namespace

NodeRef DefaultOf(Parser& parser, DataItem& target, const ReportPosition& at) {
    if (!target.initial && target.systemDefault != SystemDefault::None) {
        // Made once and shared by every call that leaves the target out.
        target.initial = SystemDefaultNode(parser, target, at);
    }
    return target.initial;
}

Owned<ExprList> BindList(Parser& parser, const ParseNode& list, const TypeDescriptor& owner, BindMode mode) {
    Owned<ExprList> bound = NewExprList(parser, owner.fields.count, true);
    if (!bound) return nullptr;
    uint16_t n = 0;
    for (DataItem* target = owner.fields.first; target; target = target->next) bound->targets[n++] = target;
    bool ok = true;
    int cursor = NextTarget(*bound, 0);
    for (const ParseNode* item = list.items; item; item = item->next) {
        const ParseNode* value = item;
        int slot = cursor;
        if (item->kind == ParseKind::Operator && item->op->token == Tok::FieldArrow) {  // name -> value
            if (item->left->kind != ParseKind::Identifier) {
                parser.ReportAt(item->left->position, Msg::ExpectedIdentifier);
                ok = false;
                continue;
            }
            slot = FindTarget(*bound, item->left->text);
            if (slot < 0) {
                parser.ReportAt(item->left->position, Msg::ArrowTargetNotFound, item->left->text);
                ok = false;
                continue;
            }
            value = item->right;
        }
        if (slot >= bound->count || bound->items[slot]) {
            parser.ReportAt(item->position, Msg::NoTargetField);
            ok = false;
            continue;
        }
        ok = BindItem(parser, *bound, slot, *value) && ok;
        cursor = NextTarget(*bound, slot + 1);
    }
    if (ok && mode != BindMode::Modify) {
        for (uint16_t i = 0; i < bound->count; ++i) {
            DataItem& target = *bound->targets[i];
            if (bound->items[i] || (target.flags & kDataHidden)) continue;
            bound->items[i] = DefaultOf(parser, target, list.position);
            if (!bound->items[i]) {
                parser.ReportAt(list.position, Msg::FieldRequired, target.entry->name);
                ok = false;
            }
        }
    }
    if (!ok) return nullptr;
    return bound;
}

}  // namespace vorlan::compiler
