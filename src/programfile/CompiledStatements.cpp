// Statement blocks: tag 53, whether an OnError list follows, the main list,
// the OnError list, tag 57 (tag 49 stands for an absent block). A list is
// tag 54, a count and per statement its kind, its position and its body, then
// tag 56. Each kind's body is one table row: a writer and a reader that
// mirror each other.

#include "compiler/Statements.h"
#include "programfile/CompiledLinks.h"
#include "programfile/CompiledRecords.h"

#include <cstring>

namespace vorlan::library {

using namespace compiler;

namespace {

// Smallest statement on file: its kind, position and nothing more.
constexpr size_t kLeastStatementBytes = 14;

Status WriteList(WriteLinks& links, const StatementList& list);
Status ReadList(ReadLinks& links, StatementList& list);

// Section - Shared parts

Status WriteContext(WriteLinks& links, const compiler::NodeRef (&context)[kContextSlots]) {
    for (const ExprNode* element : context) VL_PROPAGATE(WriteExpression(links, element));
    return Status::Success;
}

Status ReadContext(ReadLinks& links, compiler::NodeRef (&context)[kContextSlots]) {
    for (compiler::NodeRef& element : context) VL_PROPAGATE(ReadExpression(links, &element));
    return Status::Success;
}

// Two tags around the parts: the reader checks both.
struct Brackets {
    uint16_t open;
    uint16_t close;
};

// Section - While, For, Over

Status WriteWhile(WriteLinks& links, const Statement& statement) {
    const auto& record = static_cast<const WhileStatement&>(statement);
    VL_PROPAGATE(WriteExpression(links, record.condition));
    return WriteBlock(links, record.body);
}

Status ReadWhile(ReadLinks& links, Statement& statement) {
    auto& record = static_cast<WhileStatement&>(statement);
    VL_PROPAGATE(ReadExpression(links, &record.condition));
    return ReadBlock(links, &record.body);
}

Status WriteFor(WriteLinks& links, const Statement& statement) {
    const auto& record = static_cast<const ForStatement&>(statement);
    VL_PROPAGATE(links.out.Short(static_cast<uint16_t>(record.variant)));
    VL_PROPAGATE(links.Item(record.control));
    VL_PROPAGATE(WriteExpression(links, record.from));
    VL_PROPAGATE(WriteExpression(links, record.to));
    VL_PROPAGATE(WriteExpression(links, record.step));
    return WriteBlock(links, record.body);
}

Status ReadFor(ReadLinks& links, Statement& statement) {
    auto& record = static_cast<ForStatement&>(statement);
    uint16_t variant;
    VL_PROPAGATE(links.in.Short(&variant));
    if (variant != static_cast<uint16_t>(ForVariant::NumberRange) && variant != static_cast<uint16_t>(ForVariant::EnumRange) &&
        variant != static_cast<uint16_t>(ForVariant::EnumIn))
        return links.in.Refuse(Refusal::BadStatementField);
    record.variant = static_cast<ForVariant>(variant);
    VL_PROPAGATE(links.Item(&record.control));
    VL_PROPAGATE(ReadExpression(links, &record.from));
    VL_PROPAGATE(ReadExpression(links, &record.to));
    VL_PROPAGATE(ReadExpression(links, &record.step));
    return ReadBlock(links, &record.body);
}

Status WriteOver(WriteLinks& links, const Statement& statement) {
    const auto& record = static_cast<const OverStatement&>(statement);
    VL_PROPAGATE(links.Item(record.alias));
    VL_PROPAGATE(WriteExpression(links, record.array));
    return WriteBlock(links, record.body);
}

Status ReadOver(ReadLinks& links, Statement& statement) {
    auto& record = static_cast<OverStatement&>(statement);
    VL_PROPAGATE(links.Item(&record.alias));
    VL_PROPAGATE(ReadExpression(links, &record.array));
    return ReadBlock(links, &record.body);
}

// Section - Assignment, shape call, With

constexpr AssignOp kAssignOps[] = {AssignOp::Assign,   AssignOp::Add,           AssignOp::Subtract, AssignOp::Multiply,
                                   AssignOp::Divide,   AssignOp::IntegerDivide, AssignOp::Append};

Status WriteAssignment(WriteLinks& links, const Statement& statement) {
    const auto& record = static_cast<const AssignmentStatement&>(statement);
    VL_PROPAGATE(links.out.Short(static_cast<uint16_t>(record.op)));
    VL_PROPAGATE(WriteExpression(links, record.target));
    return WriteExpression(links, record.value);
}

Status ReadAssignment(ReadLinks& links, Statement& statement) {
    auto& record = static_cast<AssignmentStatement&>(statement);
    uint16_t op;
    VL_PROPAGATE(links.in.Short(&op));
    bool known = false;
    for (const AssignOp candidate : kAssignOps) known = known || static_cast<uint16_t>(candidate) == op;
    if (!known) return links.in.Refuse(Refusal::BadStatementField);
    record.op = static_cast<AssignOp>(op);
    VL_PROPAGATE(ReadExpression(links, &record.target));
    return ReadExpression(links, &record.value);
}

Status WriteShapeCall(WriteLinks& links, const Statement& statement) {
    const auto& record = static_cast<const ShapeCallStatement&>(statement);
    VL_PROPAGATE(WriteExpression(links, record.call));
    VL_PROPAGATE(links.out.Long(record.contextWritten ? 1 : 0));
    return WriteContext(links, record.context);
}

Status ReadShapeCall(ReadLinks& links, Statement& statement) {
    auto& record = static_cast<ShapeCallStatement&>(statement);
    VL_PROPAGATE(ReadExpression(links, &record.call));
    uint32_t written;
    VL_PROPAGATE(links.in.Long(&written));
    if (written > 1) return links.in.Refuse(Refusal::BadStatementField);
    record.contextWritten = written == 1;
    return ReadContext(links, record.context);
}

Status WriteWith(WriteLinks& links, const Statement& statement) {
    const auto& record = static_cast<const WithStatement&>(statement);
    VL_PROPAGATE(WriteContext(links, record.context));
    return WriteBlock(links, record.body);
}

Status ReadWith(ReadLinks& links, Statement& statement) {
    auto& record = static_cast<WithStatement&>(statement);
    VL_PROPAGATE(ReadContext(links, record.context));
    return ReadBlock(links, &record.body);
}

// Section - Output, Return, Error, breaks

// Writer codes are 101 to 108, one per output writer.
constexpr uint16_t kWriterCodeBase = 100;

Status WriteOutput(WriteLinks& links, const Statement& statement) {
    const auto& record = static_cast<const OutputStatement&>(statement);
    VL_PROPAGATE(links.out.Short(record.count));
    uint16_t written = 0;
    for (const OutputItem* item = record.first; item; item = item->next, ++written) {
        VL_PROPAGATE(links.out.Tag(102));
        VL_PROPAGATE(links.out.Short(static_cast<uint16_t>(kWriterCodeBase + static_cast<uint16_t>(item->writer))));
        VL_PROPAGATE(WriteExpression(links, item->value));
    }
    return written == record.count ? Status::Success : Status::Invalid;
}

Status ReadOutput(ReadLinks& links, Statement& statement) {
    auto& record = static_cast<OutputStatement&>(statement);
    uint16_t count;
    VL_PROPAGATE(links.in.Short(&count));
    for (uint16_t i = 0; i < count; ++i) {
        VL_PROPAGATE(links.in.ExpectTag(102));
        uint16_t code;
        VL_PROPAGATE(links.in.Short(&code));
        if (code <= kWriterCodeBase || code > kWriterCodeBase + static_cast<uint16_t>(OutputWriter::Enumeration))
            return links.in.Refuse(Refusal::BadStatementField);
        auto* item = new OutputItem{};
        if (!item) return Status::OutOfMemory;
        item->writer = static_cast<OutputWriter>(code - kWriterCodeBase);
        if (record.last) record.last->next = item;
        else record.first = item;
        record.last = item;
        ++record.count;
        VL_PROPAGATE(ReadExpression(links, &item->value));
    }
    return Status::Success;
}

Status WriteReturn(WriteLinks& links, const Statement& statement) {
    return WriteExpression(links, static_cast<const ReturnStatement&>(statement).value);
}

Status ReadReturn(ReadLinks& links, Statement& statement) {
    return ReadExpression(links, &static_cast<ReturnStatement&>(statement).value);
}

Status WriteError(WriteLinks& links, const Statement& statement) {
    const auto& record = static_cast<const ErrorStatement&>(statement);
    VL_PROPAGATE(WriteExpression(links, record.category));
    return WriteExpression(links, record.message);
}

Status ReadError(ReadLinks& links, Statement& statement) {
    auto& record = static_cast<ErrorStatement&>(statement);
    VL_PROPAGATE(ReadExpression(links, &record.category));
    return ReadExpression(links, &record.message);
}

Status WriteNothing(WriteLinks&, const Statement&) { return Status::Success; }
Status ReadNothing(ReadLinks&, Statement&) { return Status::Success; }

// Section - If

Status WriteIf(WriteLinks& links, const Statement& statement) {
    const auto& record = static_cast<const IfStatement&>(statement);
    VL_PROPAGATE(links.out.Short(record.clauseCount));
    uint16_t written = 0;
    for (const IfClause* clause = record.first; clause; clause = clause->next, ++written) {
        VL_PROPAGATE(links.out.Tag(112));
        VL_PROPAGATE(WriteExpression(links, clause->condition));
        VL_PROPAGATE(WriteBlock(links, clause->block));
    }
    if (written != record.clauseCount) return Status::Invalid;
    VL_PROPAGATE(links.out.Tag(113));
    return WriteBlock(links, record.elseBlock);
}

Status ReadIf(ReadLinks& links, Statement& statement) {
    auto& record = static_cast<IfStatement&>(statement);
    uint16_t count;
    VL_PROPAGATE(links.in.Short(&count));
    for (uint16_t i = 0; i < count; ++i) {
        VL_PROPAGATE(links.in.ExpectTag(112));
        auto* clause = new IfClause{};
        if (!clause) return Status::OutOfMemory;
        if (record.last) record.last->next = clause;
        else record.first = clause;
        record.last = clause;
        ++record.clauseCount;
        VL_PROPAGATE(ReadExpression(links, &clause->condition));
        VL_PROPAGATE(ReadBlock(links, &clause->block));
    }
    VL_PROPAGATE(links.in.ExpectTag(113));
    return ReadBlock(links, &record.elseBlock);
}

// Section - Select

// A Case bound: a Number's cell for a Number selector, an item of the
// selector's enumeration otherwise.
Status WriteBound(WriteLinks& links, SelectMode mode, const uint8_t (&value)[8]) {
    if (mode == SelectMode::Enumeration) {
        const DataItem* item = nullptr;
        std::memcpy(&item, value, sizeof item);
        return links.Item(item);
    }
    for (size_t at = 0; at < sizeof value; at += 4) {
        uint32_t word;
        std::memcpy(&word, value + at, sizeof word);
        VL_PROPAGATE(links.out.Long(word));
    }
    return Status::Success;
}

Status ReadBound(ReadLinks& links, SelectMode mode, uint8_t (&value)[8]) {
    if (mode == SelectMode::Enumeration) return links.Item(value);
    for (size_t at = 0; at < sizeof value; at += 4) {
        uint32_t word;
        VL_PROPAGATE(links.in.Long(&word));
        std::memcpy(value + at, &word, sizeof word);
    }
    return Status::Success;
}

Status WriteCaseItem(WriteLinks& links, SelectMode mode, const CaseItem& item) {
    VL_PROPAGATE(links.out.Tag(123));
    VL_PROPAGATE(links.out.Short(item.boundCount));
    VL_PROPAGATE(links.out.Short(static_cast<uint16_t>((item.lowNull ? 1 : 0) | (item.highNull ? 2 : 0))));
    VL_PROPAGATE(WriteBound(links, mode, item.lowValue));
    if (item.boundCount == 2) VL_PROPAGATE(WriteBound(links, mode, item.highValue));
    return Status::Success;
}

Status ReadCaseItem(ReadLinks& links, SelectMode mode, CaseItem& item) {
    VL_PROPAGATE(links.in.ExpectTag(123));
    uint16_t bounds, nulls;
    VL_PROPAGATE(links.in.Short(&bounds));
    VL_PROPAGATE(links.in.Short(&nulls));
    if (bounds < 1 || bounds > 2 || nulls > 3) return links.in.Refuse(Refusal::BadStatementField);
    item.boundCount = static_cast<uint8_t>(bounds);
    item.lowNull = (nulls & 1) != 0;
    item.highNull = (nulls & 2) != 0;
    VL_PROPAGATE(ReadBound(links, mode, item.lowValue));
    if (bounds == 2) VL_PROPAGATE(ReadBound(links, mode, item.highValue));
    return Status::Success;
}

Status WriteSelect(WriteLinks& links, const Statement& statement) {
    const auto& record = static_cast<const SelectStatement&>(statement);
    VL_PROPAGATE(links.out.Short(static_cast<uint16_t>(record.mode)));
    VL_PROPAGATE(links.Type(record.selectorType));
    VL_PROPAGATE(WriteExpression(links, record.selector));
    VL_PROPAGATE(links.out.Short(record.clauseCount));
    uint16_t clauses = 0;
    for (const CaseClause* clause = record.first; clause; clause = clause->next, ++clauses) {
        VL_PROPAGATE(links.out.Tag(122));
        VL_PROPAGATE(links.out.Short(clause->itemCount));
        uint16_t items = 0;
        for (const CaseItem* item = clause->first; item; item = item->next, ++items)
            VL_PROPAGATE(WriteCaseItem(links, record.mode, *item));
        if (items != clause->itemCount) return Status::Invalid;
        VL_PROPAGATE(WriteBlock(links, clause->block));
    }
    if (clauses != record.clauseCount) return Status::Invalid;
    VL_PROPAGATE(links.out.Tag(124));
    return WriteBlock(links, record.otherwise);
}

Status ReadCaseClause(ReadLinks& links, SelectStatement& record) {
    VL_PROPAGATE(links.in.ExpectTag(122));
    auto* clause = new CaseClause{};
    if (!clause) return Status::OutOfMemory;
    if (record.last) record.last->next = clause;
    else record.first = clause;
    record.last = clause;
    ++record.clauseCount;
    uint16_t count;
    VL_PROPAGATE(links.in.Short(&count));
    for (uint16_t i = 0; i < count; ++i) {
        auto* item = new CaseItem{};
        if (!item) return Status::OutOfMemory;
        if (clause->last) clause->last->next = item;
        else clause->first = item;
        clause->last = item;
        ++clause->itemCount;
        VL_PROPAGATE(ReadCaseItem(links, record.mode, *item));
    }
    return ReadBlock(links, &clause->block);
}

Status ReadSelect(ReadLinks& links, Statement& statement) {
    auto& record = static_cast<SelectStatement&>(statement);
    uint16_t mode;
    VL_PROPAGATE(links.in.Short(&mode));
    if (mode != static_cast<uint16_t>(SelectMode::Number) && mode != static_cast<uint16_t>(SelectMode::Enumeration))
        return links.in.Refuse(Refusal::BadStatementField);
    record.mode = static_cast<SelectMode>(mode);
    VL_PROPAGATE(links.Type(&record.selectorType));
    VL_PROPAGATE(ReadExpression(links, &record.selector));
    uint16_t count;
    VL_PROPAGATE(links.in.Short(&count));
    for (uint16_t i = 0; i < count; ++i) VL_PROPAGATE(ReadCaseClause(links, record));
    VL_PROPAGATE(links.in.ExpectTag(124));
    return ReadBlock(links, &record.otherwise);
}

// Section - The kinds

template <class Record>
Statement* Make() {
    return new Record{};
}

struct KindRow {
    StatementKind kind;
    Brackets tags;  // {0, 0} for kinds with no body
    Status (*write)(WriteLinks&, const Statement&);
    Status (*read)(ReadLinks&, Statement&);
    Statement* (*make)();
};

// clang-format off
constexpr KindRow kKinds[] = {
    {StatementKind::While,      {161, 162}, WriteWhile,      ReadWhile,      Make<WhileStatement>},
    {StatementKind::Assignment, {131, 132}, WriteAssignment, ReadAssignment, Make<AssignmentStatement>},
    {StatementKind::ShapeCall,  {141, 143}, WriteShapeCall,  ReadShapeCall,  Make<ShapeCallStatement>},
    {StatementKind::For,        {151, 152}, WriteFor,        ReadFor,        Make<ForStatement>},
    {StatementKind::With,       {181, 182}, WriteWith,       ReadWith,       Make<WithStatement>},
    {StatementKind::Output,     {101, 103}, WriteOutput,     ReadOutput,     Make<OutputStatement>},
    {StatementKind::Return,     {191, 192}, WriteReturn,     ReadReturn,     Make<ReturnStatement>},
    {StatementKind::If,         {111, 114}, WriteIf,         ReadIf,         Make<IfStatement>},
    {StatementKind::FBreak,     {0, 0},     WriteNothing,    ReadNothing,    Make<BreakStatement>},
    {StatementKind::WBreak,     {0, 0},     WriteNothing,    ReadNothing,    Make<BreakStatement>},
    {StatementKind::Over,       {171, 172}, WriteOver,       ReadOver,       Make<OverStatement>},
    {StatementKind::Select,     {121, 125}, WriteSelect,     ReadSelect,     Make<SelectStatement>},
    {StatementKind::OBreak,     {0, 0},     WriteNothing,    ReadNothing,    Make<BreakStatement>},
    {StatementKind::Error,      {201, 202}, WriteError,      ReadError,      Make<ErrorStatement>},
};
// clang-format on
static_assert(RowsFollowStatementKinds(kKinds), "one writer and reader per statement kind, in list order");

const KindRow* RowOf(uint16_t kind) {
    const size_t index = StatementKindIndex(kind);
    return index < kStatementKindCount ? &kKinds[index] : nullptr;
}

Status WriteStatement(WriteLinks& links, const Statement& statement) {
    const KindRow* row = RowOf(static_cast<uint16_t>(statement.kind));
    if (!row) return Status::Invalid;  // a kind no reader knows
    VL_PROPAGATE(links.out.Short(static_cast<uint16_t>(statement.kind)));
    VL_PROPAGATE(links.Position(statement.position));
    if (row->tags.open == 0) return Status::Success;
    VL_PROPAGATE(links.out.Tag(row->tags.open));
    VL_PROPAGATE(row->write(links, statement));
    return links.out.Tag(row->tags.close);
}

Status ReadStatement(ReadLinks& links, Statement** out) {
    *out = nullptr;
    uint16_t kind;
    VL_PROPAGATE(links.in.Short(&kind));
    const KindRow* row = RowOf(kind);
    if (!row) return links.in.Refuse(Refusal::UnknownStatement);
    Statement* statement = row->make();
    if (!statement) return Status::OutOfMemory;
    statement->kind = row->kind;
    *out = statement;  // the caller's list frees it, complete or not
    VL_PROPAGATE(links.Position(&statement->position));
    if (row->tags.open == 0) return Status::Success;
    VL_PROPAGATE(links.in.ExpectTag(row->tags.open));
    VL_PROPAGATE(row->read(links, *statement));
    return links.in.ExpectTag(row->tags.close);
}

Status WriteList(WriteLinks& links, const StatementList& list) {
    VL_PROPAGATE(links.out.Tag(kTagStatements));
    VL_PROPAGATE(links.out.Short(list.count));
    uint16_t written = 0;
    for (const Statement* statement = list.head; statement; statement = statement->next, ++written)
        VL_PROPAGATE(WriteStatement(links, *statement));
    if (written != list.count) return Status::Invalid;
    return links.out.Tag(kTagStatementsEnd);
}

Status ReadList(ReadLinks& links, StatementList& list) {
    VL_PROPAGATE(links.in.ExpectTag(kTagStatements));
    uint16_t count;
    VL_PROPAGATE(links.in.Count(&count, kLeastStatementBytes));
    for (uint16_t i = 0; i < count; ++i) {
        Statement* statement = nullptr;
        const Status status = ReadStatement(links, &statement);
        if (statement) list.Append(statement);
        VL_PROPAGATE(status);
    }
    return links.in.ExpectTag(kTagStatementsEnd);
}

}  // namespace

Status WriteBlock(WriteLinks& links, const StatementBlock* block) {
    if (!block) return links.out.Tag(kTagNoNode);
    VL_PROPAGATE(links.out.Tag(kTagBlock));
    VL_PROPAGATE(links.out.Long(block->onErrorWritten ? 1 : 0));
    VL_PROPAGATE(WriteList(links, block->main));
    if (block->onErrorWritten) VL_PROPAGATE(WriteList(links, block->onError));
    return links.out.Tag(kTagBlockEnd);
}

Status ReadBlock(ReadLinks& links, Owned<StatementBlock>* out) {
    *out = nullptr;
    uint16_t tag;
    VL_PROPAGATE(links.in.Tag(&tag));
    if (tag == kTagNoNode) return Status::Success;
    if (tag != kTagBlock) return links.in.Refuse(Refusal::UnexpectedTag);
    if (links.depth >= kCompiledMaxDepth) return links.in.Refuse(Refusal::NestedTooDeeply);
    auto* block = new StatementBlock{};
    if (!block) return Status::OutOfMemory;
    out->Adopt(block);  // the caller's record frees it, complete or not
    uint32_t onError;
    VL_PROPAGATE(links.in.Long(&onError));
    if (onError > 1) return links.in.Refuse(Refusal::BadStatementField);
    block->onErrorWritten = onError == 1;
    ++links.depth;
    Status status = ReadList(links, block->main);
    if (status == Status::Success && block->onErrorWritten) status = ReadList(links, block->onError);
    --links.depth;
    VL_PROPAGATE(status);
    return links.in.ExpectTag(kTagBlockEnd);
}

}  // namespace vorlan::library
