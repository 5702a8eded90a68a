#include "compiler/ParseTree.h"

#include "compiler/Parser.h"
#include "base/WideText.h"

#include <array>
#include <cstddef>

namespace vorlan::compiler {
namespace {

// clang-format off
constexpr std::array<OperatorRow, 26> kOperators = {{
    {Tok::ColonPrefix,  1200, 1201, "uny :"},
    {Tok::Colon,        1101, 1100, "bin :"},
    {Tok::Dot,          1001, 1000, "."},
    {Tok::ParenInfix,   1001, 1000, "bin ("},
    {Tok::BraceInfix,   1001, 1000, "bin {"},
    {Tok::BracketInfix, 1001, 1000, "bin ["},
    {Tok::MinusPrefix,   700,  701, "uny -"},
    {Tok::PlusPrefix,    700,  701, "uny +"},
    {Tok::Caret,         640,  641, "bin ^"},
    {Tok::Star,          621,  620, "bin *"},
    {Tok::Slash,         621,  620, "bin /"},
    {Tok::SlashSlash,    621,  620, "bin //"},
    {Tok::Mod,           621,  620, "bin %"},
    {Tok::Plus,          601,  600, "bin +"},
    {Tok::Minus,         601,  600, "bin -"},
    {Tok::GreaterEqual,  521,  520, "cmp >="},
    {Tok::LessEqual,     521,  520, "cmp <="},
    {Tok::Greater,       521,  520, "cmp > "},
    {Tok::Less,          521,  520, "cmp < "},
    {Tok::EqualEqual,    501,  500, "cmp =="},
    {Tok::NotEqual,      501,  500, "cmp <>"},
    {Tok::Not,           440,  441, "Not   "},
    {Tok::And,           431,  430, "And   "},
    {Tok::Or,            421,  420, "Or    "},
    {Tok::Xor,           421,  420, "XOr   "},
    {Tok::FieldArrow,    100,  101, "fld->"},
}};
// clang-format on

// Which token class may follow which: rows are the previous class
// (start counts as Delimiter), bits the classes allowed after it.
constexpr uint16_t Bit(TokenClass c) { return uint16_t(1u << static_cast<unsigned>(c)); }
constexpr uint16_t kAfterOperator = Bit(TokenClass::Prefix) | Bit(TokenClass::Operand) | Bit(TokenClass::ListVal);
constexpr uint16_t kAfterOperand = Bit(TokenClass::Postfix) | Bit(TokenClass::Infix) | Bit(TokenClass::ListInfix) |
                                   Bit(TokenClass::Delimiter) | Bit(TokenClass::Assign);

bool MayFollow(TokenClass previous, TokenClass current) {
    switch (previous) {
    case TokenClass::Delimiter:
    case TokenClass::Prefix:
    case TokenClass::Infix: return (kAfterOperator & Bit(current)) != 0;
    case TokenClass::Operand:
    case TokenClass::Postfix: return (kAfterOperand & Bit(current)) != 0;
    default: return false;
    }
}

// Classes that end an expression: delimiters, assignments, and every class
// the expression grammar does not use (keywords, access modifiers).
bool EndsExpression(TokenClass c) {
    return c == TokenClass::Delimiter || c == TokenClass::Assign || c == TokenClass::None ||
           c == TokenClass::AccessMod || c == TokenClass::Command;
}

ParseNode* MakeNode(Parser& parser, const Token& token, ParseKind kind) {
    if (++parser.expressionNodes > kMaxExpressionNodes) {
        if (parser.expressionNodes == kMaxExpressionNodes + 1) parser.Report(Msg::ExpressionTooLong);
        return nullptr;
    }
    auto* node = new ParseNode{};
    if (!node) return nullptr;
    node->position = token.position;
    node->code = token.code;
    node->kind = kind;
    node->length = token.length;
    WideCopy(node->text, token.text, kLiteralLength);
    return node;
}

ParseKind OperandKind(Tok code) {
    switch (code) {
    case Tok::IntegerLiteral: return ParseKind::IntegerLiteral;
    case Tok::RealLiteral: return ParseKind::RealLiteral;
    case Tok::TextLiteral: return ParseKind::TextLiteral;
    case Tok::SpecialLiteral: return ParseKind::SpecialLiteral;
    case Tok::TrueFalse: return ParseKind::TrueFalse;
    case Tok::Null: return ParseKind::Null;
    default: return ParseKind::Identifier;
    }
}

// The two stacks of the operator-precedence parse, linked through the nodes.
// Whatever is still stacked when the parse ends goes with the stacks.
struct Stacks {
    ParseNode* operands = nullptr;
    ParseNode* operators = nullptr;

    Stacks() = default;
    Stacks(const Stacks&) = delete;
    Stacks& operator=(const Stacks&) = delete;
    ~Stacks() {
        for (ParseTree node(Pop(operands)); node; node.Adopt(Pop(operands))) {}
        for (ParseTree node(Pop(operators)); node; node.Adopt(Pop(operators))) {}
    }

    static void Push(ParseNode*& stack, ParseNode* node) {
        node->next = stack;
        stack = node;
    }
    static ParseNode* Pop(ParseNode*& stack) {
        ParseNode* node = stack;
        if (node) {
            stack = node->next;
            node->next = nullptr;
        }
        return node;
    }
};

// Pops the top operator with its operands and pushes the result as an operand.
bool ReduceOne(Parser& parser, Stacks& stacks) {
    ParseTree op(Stacks::Pop(stacks.operators));
    ParseTree right(Stacks::Pop(stacks.operands));
    ParseTree left(op->arity == 2 ? Stacks::Pop(stacks.operands) : nullptr);
    if (!right || (op->arity == 2 && !left)) {
        parser.ReportAt(op->position, Msg::BadJuxtaposition);
        return false;
    }
    op->right = right.Take();
    op->left = left.Take();
    Stacks::Push(stacks.operands, op.Take());
    return true;
}

// Reduces while the operator on top binds at least as tightly as `incoming`.
bool Reduce(Parser& parser, Stacks& stacks, uint16_t incomingRight) {
    while (stacks.operators && stacks.operators->op->left >= incomingRight) {
        if (!ReduceOne(parser, stacks)) return false;
    }
    return true;
}

ParseTree ParseNested(Parser& parser);
ParseTree ParseList(Parser& parser, ParseKind kind);

// One expression at the current token; the heart of the parse.
ParseTree ParseFlat(Parser& parser) {
    Stacks stacks;
    TokenClass previous = TokenClass::Delimiter;
    for (;;) {
        const Tok code = parser.Code();
        if (code == Tok::Error) return nullptr;  // the lexer has reported it
        TokenClass current = parser.token.tokenClass;
        if (EndsExpression(current)) current = TokenClass::Delimiter;
        if (!MayFollow(previous, current)) {
            parser.Report(Msg::BadJuxtaposition);
            return nullptr;
        }
        switch (current) {
        case TokenClass::Delimiter: {
            if (!Reduce(parser, stacks, 0)) return nullptr;
            return ParseTree(Stacks::Pop(stacks.operands));
        }
        case TokenClass::Operand: {
            ParseTree operand = code == Tok::ParenOperand
                                    ? ParseNested(parser)
                                    : ParseTree(MakeNode(parser, parser.token, OperandKind(code)));
            if (!operand) break;
            if (code != Tok::ParenOperand) parser.Next();
            Stacks::Push(stacks.operands, operand.Take());
            previous = TokenClass::Operand;
            continue;
        }
        case TokenClass::ListVal: {
            ParseTree list = ParseList(parser, code == Tok::BraceList ? ParseKind::BraceList : ParseKind::BracketList);
            if (!list) break;
            Stacks::Push(stacks.operands, list.Take());
            previous = TokenClass::Operand;
            continue;
        }
        case TokenClass::ListInfix: {
            const OperatorRow* row = FindOperator(code);
            if (!Reduce(parser, stacks, row->right)) break;
            ParseTree node(MakeNode(parser, parser.token, ParseKind::Operator));
            if (!node) break;
            node->op = row;
            node->arity = 2;
            node->left = Stacks::Pop(stacks.operands);
            const ParseKind listKind = code == Tok::BraceInfix   ? ParseKind::BraceList
                                       : code == Tok::ParenInfix ? ParseKind::ParenList
                                                                 : ParseKind::BracketList;
            ParseTree list = ParseList(parser, listKind);
            if (!list) break;
            node->right = list.Take();
            Stacks::Push(stacks.operands, node.Take());
            previous = TokenClass::Operand;
            continue;
        }
        default: {  // prefix, infix and postfix operators
            const OperatorRow* row = FindOperator(code);
            if (!row) {
                parser.Report(Msg::BadJuxtaposition);
                break;
            }
            if (current != TokenClass::Prefix && !Reduce(parser, stacks, row->right)) break;
            ParseNode* node = MakeNode(parser, parser.token, ParseKind::Operator);
            if (!node) break;
            node->op = row;
            node->arity = current == TokenClass::Infix ? 2 : 1;
            Stacks::Push(stacks.operators, node);
            previous = current;
            parser.Next();
            continue;
        }
        }
        // Every way here failed; one that reported nothing ran out of memory.
        if (parser.expressionNodes <= kMaxExpressionNodes && parser.reader->errorCount == 0)
            parser.Report(Msg::OutOfMemory);
        return nullptr;
    }
}

// Nesting is counted so that no source can exhaust the stack.
bool Enter(Parser& parser) {
    if (parser.depth >= kMaxNesting) {
        parser.Report(Msg::NestedTooDeeply);
        return false;
    }
    ++parser.depth;
    return true;
}

// "(" expression ")" in operand position.
ParseTree ParseNested(Parser& parser) {
    if (!Enter(parser)) return nullptr;
    parser.Next();
    ParseTree inner = ParseFlat(parser);
    --parser.depth;
    if (!inner) return nullptr;
    if (!parser.Is(Tok::RightParen)) {
        parser.Report(Msg::ExpectedCloseParen);
        return nullptr;
    }
    parser.Next();
    return inner;
}

Tok ClosingOf(ParseKind kind) {
    return kind == ParseKind::BraceList ? Tok::RightBrace : kind == ParseKind::ParenList ? Tok::RightParen
                                                                                         : Tok::RightBracket;
}

// An opening bracket, items separated by commas, the matching closing bracket.
ParseTree ParseList(Parser& parser, ParseKind kind) {
    if (!Enter(parser)) return nullptr;
    ParseTree list(MakeNode(parser, parser.token, kind));
    if (!list) {
        --parser.depth;
        if (parser.expressionNodes <= kMaxExpressionNodes) parser.Report(Msg::OutOfMemory);
        return nullptr;
    }
    const Tok closing = ClosingOf(kind);
    ParseNode** tail = &list->items;
    parser.Next();
    bool ok = true;
    while (ok && !parser.Is(closing)) {
        if (parser.Is(Tok::EndOfFile) || parser.Is(Tok::Semicolon)) {
            parser.Report(Msg::UnterminatedExpression);
            ok = false;
            break;
        }
        ParseTree item = ParseFlat(parser);
        if (!item) {
            ok = false;
            break;
        }
        *tail = item.Take();
        tail = &(*tail)->next;
        ++list->itemCount;
        if (parser.Is(Tok::Comma)) {
            parser.Next();
            if (parser.Is(closing)) {
                parser.Report(Msg::ExtraComma);
                ok = false;
            }
        } else if (!parser.Is(closing)) {
            parser.Report(Msg::UnterminatedExpression);
            ok = false;
        }
    }
    --parser.depth;
    if (!ok) return nullptr;
    parser.Next();
    return list;
}

}  // namespace

const OperatorRow* FindOperator(Tok code) {
    for (const OperatorRow& row : kOperators) {
        if (row.token == code) return &row;
    }
    return nullptr;
}

ParseTree ParseExpression(Parser& parser) {
    parser.expressionNodes = 0;
    return ParseFlat(parser);
}

bool SkipExpression(Parser& parser) {
    const ParseTree tree = ParseExpression(parser);
    return tree != nullptr;
}

// Iterative over list items and right operands so that long chains do not
// deepen the stack; only left operands recurse, and those are bounded by the
// parse's own nesting limit or reduce to short left spines.
void FreeParseTree(ParseNode*& node) {
    while (node) {
        FreeParseTree(node->left);
        ParseNode* items = node->items;
        while (items) {
            ParseNode* next = items->next;
            items->next = nullptr;
            FreeParseTree(items);
            items = next;
        }
        ParseNode* right = node->right;
        delete node;
        node = right;
    }
}

}  // namespace vorlan::compiler
