#pragma once
// Parse trees: the first stage of compiling an expression, before names are
// resolved and types checked.

#include "compiler/Token.h"
#include "base/Memory.h"
#include "base/Owned.h"

#include <cstdint>

namespace vorlan::compiler {

struct Parser;

constexpr uint32_t kTagParseNode = 110;

enum class ParseKind : uint8_t {
    Identifier = 1,
    IntegerLiteral = 2,
    RealLiteral = 3,
    TextLiteral = 4,
    SpecialLiteral = 5,
    TrueFalse = 6,
    Null = 7,
    Operator = 10,
    BraceList = 21,
    ParenList = 23,
    BracketList = 25,
};

struct OperatorRow {
    Tok token;
    uint16_t left;   // binding power towards the operand on the left
    uint16_t right;  // binding power towards the operand on the right
    const char* debugName;
};

struct ParseNode : Tagged<kTagParseNode> {
    ReportPosition position;
    Tok code;
    ParseKind kind;
    uint8_t arity;  // operators: 1 or 2
    const OperatorRow* op;
    ParseNode* left;   // binary operators; unary ones use right
    ParseNode* right;
    ParseNode* items;  // lists: first item, linked through next
    uint16_t itemCount;
    ParseNode* next;   // next item of a list, or next entry of a parser stack
    uint16_t length;
    char16_t text[kLiteralLength + 1];
};

void FreeParseTree(ParseNode*& node);

}  // namespace vorlan::compiler

namespace vorlan {

// A tree goes link by link (FreeParseTree), never by one recursion per list
// item or right operand.
template <>
struct Release<compiler::ParseNode> {
    static void Of(compiler::ParseNode* node) { compiler::FreeParseTree(node); }
};

}  // namespace vorlan

namespace vorlan::compiler {

using ParseTree = Owned<ParseNode>;

// The operator row of a token code, or nullptr.
const OperatorRow* FindOperator(Tok code);

// Parses one expression starting at the current token and leaves the parser
// at the token that ended it. Returns nullptr after reporting an error.
ParseTree ParseExpression(Parser& parser);
// Parses one expression only to move past it (its value is compiled in the
// other pass); false after reporting a syntax error.
bool SkipExpression(Parser& parser);

}  // namespace vorlan::compiler
