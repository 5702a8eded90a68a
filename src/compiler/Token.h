#pragma once
// Tokens: what the lexer makes of the characters of a source unit.

#include "base/TextReader.h"

#include <cstdint>

namespace vorlan::compiler {

enum class TokenClass : uint8_t {
    None = 0,
    Operand = 1,
    Prefix = 2,
    Infix = 3,
    Postfix = 4,
    Delimiter = 5,
    Assign = 6,
    ListVal = 7,    // opening bracket of a list
    ListInfix = 8,  // opening bracket right after an operand: call, index, structure value
    AccessMod = 9,
    Command = 10,
};

// Token codes. The forms of ( [ { + - : depend on whether an operand came
// just before; codes are fixed because compiled files store them.
enum class Tok : uint16_t {
    Identifier = 1,
    IntegerLiteral = 2,
    RealLiteral = 3,
    TextLiteral = 4,
    SpecialLiteral = 5,
    TrueFalse = 6,
    Null = 7,
    CommentStart = 8,  // never returned to callers
    Error = 9,         // a lexical error was reported
    EndOfFile = 10,
    BraceList = 21,      // { where no operand precedes
    RightBrace = 22,
    ParenOperand = 23,   // ( where no operand precedes
    RightParen = 24,
    BracketList = 25,    // [ where no operand precedes
    RightBracket = 26,
    Equals = 27,
    Assign = 29,         // :=
    Semicolon = 31,
    PlusPrefix = 32,
    Plus = 33,
    PlusAssign = 34,
    MinusPrefix = 35,
    Minus = 36,
    MinusAssign = 37,
    Comma = 38,
    Star = 39,
    StarAssign = 40,
    Slash = 41,
    SlashAssign = 42,
    SlashSlash = 43,
    SlashSlashAssign = 44,
    BraceInfix = 45,     // { after an operand
    ParenInfix = 46,     // ( after an operand
    BracketInfix = 47,   // [ after an operand
    ContextArrow = 50,   // =>
    Dot = 51,
    Caret = 52,
    FieldArrow = 53,     // ->
    ColonPrefix = 56,
    Colon = 57,
    GreaterEqual = 60,
    LessEqual = 61,
    EqualEqual = 62,
    NotEqual = 63,
    Greater = 64,
    Less = 65,
    And = 71,
    Or = 72,
    Xor = 73,
    Not = 74,
    Mod = 75,
    // Keywords
    Begin = 102,
    End = 103,
    Program = 106,
    Type = 107,
    Function = 108,
    Shape = 109,
    To = 110,
    Const = 111,
    Ref = 112,
    Enum = 113,
    Private = 114,
    Public = 115,
    Export = 116,
    While = 201,
    EndWhile = 202,
    Do = 203,
    If = 204,
    Then = 205,
    Else = 206,
    ElseIf = 207,
    EndIf = 208,
    Output = 209,
    Return = 210,
    OnError = 211,
    For = 212,
    From = 213,
    Step = 214,
    FBreak = 215,
    EndFor = 216,
    WBreak = 217,
    With = 218,
    EndWith = 219,
    In = 220,
    Over = 221,
    As = 222,
    EndOver = 223,
    Select = 224,
    Case = 225,
    Otherwise = 226,
    EndSelect = 227,
    Library = 228,
    Source = 229,
    Forward = 230,
    Saved = 231,
    OBreak = 232,
    ErrorStatement = 233,  // the keyword Error
};

constexpr uint16_t kIdentifierLength = 30;  // identifiers and numeric literals
constexpr uint16_t kLiteralLength = 100;    // text and special literals after escapes

struct Token {
    ReportPosition position;  // of the token's first character
    Tok code;
    TokenClass tokenClass;
    uint16_t length;  // characters in text
    char16_t text[kLiteralLength + 1];
};

}  // namespace vorlan::compiler
