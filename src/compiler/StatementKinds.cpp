// The compound statements: loops, choices and graphics-context blocks.
//
// A compound statement whose heading cannot be read is skipped as a whole,
// up to its closing keyword, so the statements of its body do not turn up as
// strays in the enclosing list. Errors of meaning (a condition that is not
// Logical, a Case value that is not constant) leave the statement readable:
// compiling goes on through the body, so its errors are reported too, and the
// statement is dropped at the end.

#include "compiler/Declarations.h"
#include "compiler/StatementCompiler.h"
#include "base/WideText.h"
#include "value/SystemTypeCodes.h"
#include "value/Value.h"

namespace vorlan::compiler {
namespace {

// A condition of While, If or ElseIf. Reports 369 when it compiled but is
// not Logical; *expressionFailed when it did not compile at all.
NodeRef CompileCondition(BodyCompiler& body, bool* failed, bool* expressionFailed) {
    TypeDescriptor* logical = body.System(library::kLogical);
    NodeRef condition = CompileExpression(body.parser, logical);
    *expressionFailed = condition == nullptr;
    if (!condition) {
        *failed = true;
    } else if (condition->type != logical) {
        body.parser.ReportAt(condition->position, Msg::LogicalRequired);
        *failed = true;
    }
    return condition;
}

// Section - For

// The loop's range: [From] from To to [Step step], or In EnumType.
// Returns false when the heading cannot be read on.
bool ForRange(BodyCompiler& body, ForStatement& record, bool* failed, bool* expressionFailed) {
    Parser& parser = body.parser;
    TypeDescriptor* type = record.control->type;
    const bool enumeration = type->kind == TypeKind::Enumeration;
    bool fromWritten = false;
    if (parser.Is(Tok::From)) {
        parser.Next();
        fromWritten = true;
    } else if (parser.Is(Tok::In)) {
        parser.Next();
        if (!enumeration) {
            parser.Report(Msg::ForInNeedsEnum);
            return false;
        }
        const NodeRef named = CompileExpression(parser, nullptr);
        if (!named) return false;
        const bool namesType = named->eval == EvalCode::Literal && HasTypeCode(named->type, library::kTypeType) &&
                               runtime::LoadHandle<TypeDescriptor>(named->literal) == type;
        if (!namesType) parser.ReportAt(named->position, Msg::ForInNeedsEnum);
        record.variant = ForVariant::EnumIn;
        return namesType;
    }
    if (enumeration && !fromWritten) {
        parser.Report(Msg::ExpectedTo);
        return false;
    }
    record.variant = enumeration ? ForVariant::EnumRange : ForVariant::NumberRange;
    // Each bound has exactly the variable's type.
    auto bound = [&](NodeRef& node, TypeDescriptor* wanted) {
        node = CompileExpression(parser, wanted);
        *expressionFailed = node == nullptr;
        if (!node) {
            *failed = true;
        } else if (node->type != wanted) {
            parser.ReportAt(node->position, Msg::MismatchedTypes);
            *failed = true;
        }
    };
    bound(record.from, type);
    if (!TakeHeaderKeyword(body, Tok::To, Msg::ExpectedTo, *expressionFailed)) return false;
    bound(record.to, type);
    if (parser.Is(Tok::Step)) {
        parser.Next();
        bound(record.step, body.System(library::kNumber));
    }
    return true;
}

// Section - Over

// Declares the alias of Over's elements as a local of the routine; it
// refers to each element in turn, so it takes a reference's cell.
DataItem* DeclareAlias(BodyCompiler& body, const Token& name, TypeDescriptor* elementType, bool readOnly) {
    Parser& parser = body.parser;
    Routine& routine = body.routine;
    const Compilation& compilation = *parser.unit->module->compilation;
    bool clash = routine.locals.Find(name.text) != nullptr;
    for (const DataItem* p = routine.type ? routine.type->fields.first : nullptr; p; p = p->next)
        clash |= p->entry && WideEqual(p->entry->name, name.text);
    if (clash) {
        parser.ReportAt(name.position, Msg::AlreadyLocal);
        return nullptr;
    }
    // A system name would hide the alias from every lookup.
    if (SystemNameTaken(compilation, name.text)) {
        parser.ReportAt(name.position, Msg::AlreadyInSystem);
        return nullptr;
    }
    Owned<DataItem> made(new DataItem{});
    IdentifierEntry* entry = made ? MakeIdentifier(name.text, kCategoryLocalDatum, Scope::Local, made) : nullptr;
    if (!entry) {
        parser.ReportAt(name.position, Msg::OutOfMemory);
        return nullptr;
    }
    DataItem* item = made.Take();  // the list it joins below owns it from here
    item->entry = entry;
    item->module = parser.unit->module;
    item->type = elementType;
    item->flags = kDataRef | kDataComplete | (readOnly ? kDataConst : 0);
    item->cellSize = 8;
    item->position = name.position;
    routine.locals.Add(entry);
    routine.frame.Add(item);
    return item;
}

// Section - Select

bool IsNullValue(const uint8_t (&value)[8], SelectMode mode) {
    if (mode == SelectMode::Number) return runtime::LoadCell<runtime::Number>(value) == runtime::kNullNumber;
    return runtime::LoadHandle<void>(value) == nullptr;
}

// One bound of a Case item: compiled against the selector's type and folded.
// *failed on any error; false when the bound did not compile at all.
bool CaseBound(BodyCompiler& body, const SelectStatement& select, NodeRef& node, uint8_t (&value)[8], bool* isNull,
               bool* failed) {
    Parser& parser = body.parser;
    node = CompileExpression(parser, select.selectorType);
    if (!node) {
        *failed = true;
        return false;
    }
    if (!TypesCompatible(parser, select.selectorType, node->type, Compatibility::Comparison, node->position)) {
        *failed = true;
        return true;
    }
    if (FoldNode(*node, value) != static_cast<uint16_t>(Status::Success)) {
        parser.ReportAt(node->position, Msg::CaseNotConstant);
        *failed = true;
        return true;
    }
    *isNull = IsNullValue(value, select.mode);
    return true;
}

// value ['To' value]; false when a value did not compile at all.
bool CaseItemOf(BodyCompiler& body, const SelectStatement& select, CaseClause& clause, bool* failed) {
    Parser& parser = body.parser;
    auto* item = new CaseItem{};
    if (!item) {
        parser.Report(Msg::OutOfMemory);
        *failed = true;
        return false;
    }
    if (clause.last) clause.last->next = item;
    else clause.first = item;
    clause.last = item;
    ++clause.itemCount;
    item->boundCount = 1;
    bool itemFailed = false;
    if (!CaseBound(body, select, item->low, item->lowValue, &item->lowNull, &itemFailed)) {
        *failed = true;
        return false;
    }
    if (parser.Is(Tok::To)) {
        parser.Next();
        item->boundCount = 2;
        if (!CaseBound(body, select, item->high, item->highValue, &item->highNull, &itemFailed)) {
            *failed = true;
            return false;
        }
        // A range needs two real bounds. The message table has no text for
        // this code: the report line comes out without one.
        if (!itemFailed && (item->lowNull || item->highNull)) {
            const ReportPosition at = item->lowNull ? item->low->position : item->high->position;
            FileReport(parser.reader, &at, uint16_t{376}, nullptr);
            itemFailed = true;
        }
    }
    *failed |= itemFailed;
    return true;
}

// 'Case' item {',' item} 'Do' block; the Case keyword has been taken.
// Returns false when the clause cannot be read on.
bool CaseClauseOf(BodyCompiler& body, SelectStatement& select, uint16_t flags, bool* failed) {
    Parser& parser = body.parser;
    auto* clause = new CaseClause{};
    if (!clause) {
        parser.Report(Msg::OutOfMemory);
        return false;
    }
    if (select.last) select.last->next = clause;
    else select.first = clause;
    select.last = clause;
    ++select.clauseCount;
    for (;;) {
        if (!CaseItemOf(body, select, *clause, failed)) {
            // A value that did not compile: the clause goes on only when the
            // parse stopped where the next part starts.
            if (!parser.Is(Tok::Comma) && !parser.Is(Tok::Do)) return false;
        }
        if (!parser.Is(Tok::Comma)) break;
        parser.Next();
    }
    if (!TakeKeyword(body, Tok::Do, Msg::ExpectedDo)) return false;
    clause->block = CompileNestedBlock(body, flags);
    return clause->block != nullptr;
}

// Section - Graphics context

int SlotOf(const TypeDescriptor* type) {
    for (int slot = 0; slot < kContextSlots; ++slot) {
        if (HasTypeCode(type, static_cast<uint16_t>(library::kPoint + slot))) return slot;
    }
    return -1;
}

}  // namespace

bool CompileContextList(BodyCompiler& body, NodeRef (&slots)[kContextSlots], bool* failed) {
    Parser& parser = body.parser;
    for (;;) {
        // A brace list on its own can only be a point: the origin.
        TypeDescriptor* expected = parser.Is(Tok::BraceList) ? body.System(library::kPoint) : nullptr;
        NodeRef element = CompileExpression(parser, expected);
        if (!element) {
            *failed = true;
            if (!parser.Is(Tok::Comma)) return false;
        } else if (const int slot = SlotOf(element->type); slot < 0) {
            parser.ReportAt(element->position, Msg::NotContextElement);
            *failed = true;
        } else if (slots[slot]) {
            parser.ReportAt(element->position, Msg::ContextElementTwice);
            *failed = true;
        } else {
            slots[slot] = std::move(element);
        }
        if (!parser.Is(Tok::Comma)) return true;
        parser.Next();
    }
}

// 'While' condition 'Do' body 'EndWhile'
Statement* CompileWhile(BodyCompiler& body, uint16_t flags) {
    Parser& parser = body.parser;
    auto* record = NewStatement<WhileStatement>(body, StatementKind::While, parser.token.position);
    parser.Next();
    if (!record) {
        SkipCompound(parser, Tok::While, Tok::EndWhile);
        return nullptr;
    }
    bool failed = false;
    bool expressionFailed = false;
    record->condition = CompileCondition(body, &failed, &expressionFailed);
    if (!TakeHeaderKeyword(body, Tok::Do, Msg::ExpectedDo, expressionFailed) ||
        !(record->body = CompileNestedBlock(body, flags | kInWhile))) {
        SkipCompound(parser, Tok::While, Tok::EndWhile);
        return Abandon(record);
    }
    if (!TakeKeyword(body, Tok::EndWhile, Msg::ExpectedEndWhile) || failed) return Abandon(record);
    return record;
}

// 'If' condition 'Then' block {'ElseIf' condition 'Then' block} ['Else' block] 'EndIf'
Statement* CompileIf(BodyCompiler& body, uint16_t flags) {
    Parser& parser = body.parser;
    auto* record = NewStatement<IfStatement>(body, StatementKind::If, parser.token.position);
    parser.Next();
    if (!record) {
        SkipCompound(parser, Tok::If, Tok::EndIf);
        return nullptr;
    }
    bool failed = false;
    for (;;) {
        auto* clause = new IfClause{};
        if (!clause) {
            parser.Report(Msg::OutOfMemory);
            SkipCompound(parser, Tok::If, Tok::EndIf);
            return Abandon(record);
        }
        if (record->last) record->last->next = clause;
        else record->first = clause;
        record->last = clause;
        ++record->clauseCount;
        bool expressionFailed = false;
        clause->condition = CompileCondition(body, &failed, &expressionFailed);
        if (!TakeHeaderKeyword(body, Tok::Then, Msg::ExpectedThen, expressionFailed) ||
            !(clause->block = CompileNestedBlock(body, flags))) {
            SkipCompound(parser, Tok::If, Tok::EndIf);
            return Abandon(record);
        }
        if (!parser.Is(Tok::ElseIf)) break;
        parser.Next();
    }
    if (parser.Is(Tok::Else)) {
        parser.Next();
        if (!(record->elseBlock = CompileNestedBlock(body, flags))) {
            SkipCompound(parser, Tok::If, Tok::EndIf);
            return Abandon(record);
        }
    }
    if (!TakeKeyword(body, Tok::EndIf, Msg::ExpectedEndIf) || failed) return Abandon(record);
    return record;
}

// 'For' variable ... 'Do' body 'EndFor'
Statement* CompileFor(BodyCompiler& body, uint16_t flags) {
    Parser& parser = body.parser;
    auto* record = NewStatement<ForStatement>(body, StatementKind::For, parser.token.position);
    parser.Next();
    auto skip = [&]() {
        SkipCompound(parser, Tok::For, Tok::EndFor);
        return Abandon(record);
    };
    if (!record) return skip();
    // The control variable is one of the routine's own local data.
    IdentifierEntry* entry = parser.Is(Tok::Identifier) ? body.routine.locals.Find(parser.token.text) : nullptr;
    if (!entry || !(entry->category & (kCategoryLocalDatum | kCategorySavedDatum))) {
        parser.Report(Msg::ForVariableNotFound);
        return skip();
    }
    record->control = static_cast<DataItem*>(entry->object);
    const TypeDescriptor* type = record->control->type;
    if (!HasTypeCode(type, library::kNumber) && !(type && type->kind == TypeKind::Enumeration)) {
        parser.Report(Msg::ForVariableBadType);
        return skip();
    }
    parser.Next();
    bool failed = false;
    bool expressionFailed = false;
    if (!ForRange(body, *record, &failed, &expressionFailed)) return skip();
    if (!TakeHeaderKeyword(body, Tok::Do, Msg::ExpectedDo, expressionFailed) ||
        !(record->body = CompileNestedBlock(body, flags | kInFor)))
        return skip();
    if (!TakeKeyword(body, Tok::EndFor, Msg::ExpectedEndFor) || failed) return Abandon(record);
    return record;
}

// 'With' element {',' element} 'Do' body 'EndWith'
Statement* CompileWith(BodyCompiler& body, uint16_t flags) {
    Parser& parser = body.parser;
    auto* record = NewStatement<WithStatement>(body, StatementKind::With, parser.token.position);
    parser.Next();
    if (!record) {
        SkipCompound(parser, Tok::With, Tok::EndWith);
        return nullptr;
    }
    bool failed = false;
    const bool listRead = CompileContextList(body, record->context, &failed);
    if (!TakeHeaderKeyword(body, Tok::Do, Msg::ExpectedDo, !listRead) ||
        !(record->body = CompileNestedBlock(body, flags))) {
        SkipCompound(parser, Tok::With, Tok::EndWith);
        return Abandon(record);
    }
    if (!TakeKeyword(body, Tok::EndWith, Msg::ExpectedEndWith) || failed) return Abandon(record);
    return record;
}

// 'Over' array 'As' name 'Do' body 'EndOver'
Statement* CompileOver(BodyCompiler& body, uint16_t flags) {
    Parser& parser = body.parser;
    auto* record = NewStatement<OverStatement>(body, StatementKind::Over, parser.token.position);
    parser.Next();
    auto skip = [&]() {
        SkipCompound(parser, Tok::Over, Tok::EndOver);
        return Abandon(record);
    };
    if (!record) return skip();
    record->array = CompileExpression(parser, nullptr);
    if (!record->array) return skip();
    const TypeDescriptor* arrayType = record->array->type;
    if (!arrayType || arrayType->kind != TypeKind::Array) {
        parser.ReportAt(record->array->position, Msg::OverNeedsArray);
        return skip();
    }
    if (!TakeKeyword(body, Tok::As, Msg::ExpectedAs)) return skip();
    if (!parser.Is(Tok::Identifier)) {
        parser.Report(Msg::ExpectedIdentifier);
        return skip();
    }
    record->alias = DeclareAlias(body, parser.token, arrayType->baseType, IsReadOnly(*record->array));
    if (!record->alias) return skip();
    parser.Next();
    if (!TakeKeyword(body, Tok::Do, Msg::ExpectedDo) || !(record->body = CompileNestedBlock(body, flags | kInOver)))
        return skip();
    if (!TakeKeyword(body, Tok::EndOver, Msg::ExpectedEndOver)) return Abandon(record);
    return record;
}

// 'Select' selector 'From' {'Case' items 'Do' block} ['Otherwise' block] 'EndSelect'
Statement* CompileSelect(BodyCompiler& body, uint16_t flags) {
    Parser& parser = body.parser;
    auto* record = NewStatement<SelectStatement>(body, StatementKind::Select, parser.token.position);
    parser.Next();
    auto skip = [&]() {
        SkipCompound(parser, Tok::Select, Tok::EndSelect);
        return Abandon(record);
    };
    if (!record) return skip();
    record->selector = CompileExpression(parser, nullptr);
    if (!record->selector) return skip();
    record->selectorType = record->selector->type;
    if (HasTypeCode(record->selectorType, library::kNumber)) {
        record->mode = SelectMode::Number;
    } else if (record->selectorType && record->selectorType->kind == TypeKind::Enumeration) {
        record->mode = SelectMode::Enumeration;
    } else {
        parser.ReportAt(record->selector->position, Msg::MismatchedTypes);
        return skip();
    }
    if (!TakeKeyword(body, Tok::From, Msg::ExpectedFrom)) return skip();
    // Something other than a clause right after From: the heading is wrong,
    // not the end of a clause's block.
    if (!parser.Is(Tok::Case) && !parser.Is(Tok::Otherwise) && !parser.Is(Tok::EndSelect)) {
        if (parser.Is(Tok::EndOfFile)) ReportEndOfSource(body);
        else parser.Report(Msg::ExpectedEndSelect);
        return skip();
    }
    bool failed = false;
    while (parser.Is(Tok::Case)) {
        parser.Next();
        if (!CaseClauseOf(body, *record, flags, &failed)) return skip();
    }
    if (parser.Is(Tok::Otherwise)) {
        parser.Next();
        if (!(record->otherwise = CompileNestedBlock(body, flags))) return skip();
    }
    if (!TakeKeyword(body, Tok::EndSelect, Msg::ExpectedEndSelect) || failed) return Abandon(record);
    return record;
}

}  // namespace vorlan::compiler
