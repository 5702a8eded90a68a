#include "compiler/Lexer.h"

#include "base/WideText.h"

#include <cstdint>

namespace vorlan::compiler {
namespace {

constexpr uint8_t kKeepFlag = 2;  // a comment start says nothing about operands
constexpr uint32_t kCodeLimit = 0x10000;
constexpr uint16_t kOperatorMax = 3;

struct WordRow {
    const char16_t* spelling;
    Tok code;
    TokenClass tokenClass;
    uint8_t operandAfter;
};

// Searched in this order, case included: "program" stays free for the user.
// clang-format off
constexpr WordRow kKeywords[] = {
    {u"True",      Tok::TrueFalse,      TokenClass::Operand,   1},
    {u"False",     Tok::TrueFalse,      TokenClass::Operand,   1},
    {u"Null",      Tok::Null,           TokenClass::Operand,   1},
    {u"Program",   Tok::Program,        TokenClass::Command,   0},
    {u"Begin",     Tok::Begin,          TokenClass::Command,   0},
    {u"End",       Tok::End,            TokenClass::Command,   0},
    {u"Type",      Tok::Type,           TokenClass::None,      0},
    {u"Function",  Tok::Function,       TokenClass::None,      0},
    {u"Shape",     Tok::Shape,          TokenClass::None,      1},
    {u"Enum",      Tok::Enum,           TokenClass::None,      0},
    {u"To",        Tok::To,             TokenClass::Delimiter, 0},
    {u"Const",     Tok::Const,          TokenClass::AccessMod, 0},
    {u"Ref",       Tok::Ref,            TokenClass::AccessMod, 0},
    {u"Output",    Tok::Output,         TokenClass::Command,   0},
    {u"Return",    Tok::Return,         TokenClass::Command,   0},
    {u"While",     Tok::While,          TokenClass::Command,   0},
    {u"Do",        Tok::Do,             TokenClass::Delimiter, 0},
    {u"EndWhile",  Tok::EndWhile,       TokenClass::Delimiter, 0},
    {u"For",       Tok::For,            TokenClass::Delimiter, 0},
    {u"From",      Tok::From,           TokenClass::Delimiter, 0},
    {u"Step",      Tok::Step,           TokenClass::Delimiter, 0},
    {u"In",        Tok::In,             TokenClass::Delimiter, 0},
    {u"FBreak",    Tok::FBreak,         TokenClass::Command,   0},
    {u"WBreak",    Tok::WBreak,         TokenClass::Command,   0},
    {u"OBreak",    Tok::OBreak,         TokenClass::Command,   0},
    {u"EndFor",    Tok::EndFor,         TokenClass::Command,   0},
    {u"If",        Tok::If,             TokenClass::Command,   0},
    {u"Then",      Tok::Then,           TokenClass::Delimiter, 0},
    {u"ElseIf",    Tok::ElseIf,         TokenClass::Command,   0},
    {u"Else",      Tok::Else,           TokenClass::Command,   0},
    {u"EndIf",     Tok::EndIf,          TokenClass::Delimiter, 0},
    {u"With",      Tok::With,           TokenClass::Delimiter, 0},
    {u"EndWith",   Tok::EndWith,        TokenClass::Delimiter, 0},
    {u"OnError",   Tok::OnError,        TokenClass::Command,   0},
    {u"Over",      Tok::Over,           TokenClass::Command,   0},
    {u"As",        Tok::As,             TokenClass::Delimiter, 0},
    {u"EndOver",   Tok::EndOver,        TokenClass::Delimiter, 0},
    {u"Select",    Tok::Select,         TokenClass::Delimiter, 0},
    {u"Case",      Tok::Case,           TokenClass::Delimiter, 0},
    {u"Otherwise", Tok::Otherwise,      TokenClass::Delimiter, 0},
    {u"EndSelect", Tok::EndSelect,      TokenClass::Delimiter, 0},
    {u"Private",   Tok::Private,        TokenClass::AccessMod, 0},
    {u"Public",    Tok::Public,         TokenClass::AccessMod, 0},
    {u"Export",    Tok::Export,         TokenClass::AccessMod, 0},
    {u"Library",   Tok::Library,        TokenClass::AccessMod, 0},
    {u"Source",    Tok::Source,         TokenClass::Command,   0},
    {u"Forward",   Tok::Forward,        TokenClass::None,      0},
    {u"Saved",     Tok::Saved,          TokenClass::AccessMod, 0},
    {u"Error",     Tok::ErrorStatement, TokenClass::Command,   0},
};

constexpr WordRow kWordOperators[] = {
    {u"And", Tok::And, TokenClass::Infix,  0},
    {u"Or",  Tok::Or,  TokenClass::Infix,  0},
    {u"Xor", Tok::Xor, TokenClass::Infix,  0},
    {u"Not", Tok::Not, TokenClass::Prefix, 0},
    {u"Mod", Tok::Mod, TokenClass::Infix,  0},
};

struct OperatorRow {
    const char16_t* spelling;
    Tok code;  // where no operand precedes
    TokenClass tokenClass;
    Tok infixCode;  // right after an operand
    TokenClass infixClass;
    uint8_t operandAfter;
};

// Every prefix of a spelling is itself a spelling, so the longest match grows
// one character at a time and never has to back up.
constexpr OperatorRow kOperators[] = {
    {u"{",   Tok::BraceList,        TokenClass::ListVal,   Tok::BraceInfix,       TokenClass::ListInfix, 0},
    {u"}",   Tok::RightBrace,       TokenClass::Delimiter, Tok::RightBrace,       TokenClass::Delimiter, 0},
    {u"(",   Tok::ParenOperand,     TokenClass::Operand,   Tok::ParenInfix,       TokenClass::ListInfix, 0},
    {u")",   Tok::RightParen,       TokenClass::Delimiter, Tok::RightParen,       TokenClass::Delimiter, 1},
    {u"[",   Tok::BracketList,      TokenClass::ListVal,   Tok::BracketInfix,     TokenClass::ListInfix, 0},
    {u"]",   Tok::RightBracket,     TokenClass::Delimiter, Tok::RightBracket,     TokenClass::Delimiter, 1},
    {u"[=",  Tok::CommentStart,     TokenClass::None,      Tok::CommentStart,     TokenClass::None,      kKeepFlag},
    {u"=",   Tok::Equals,           TokenClass::Delimiter, Tok::Equals,           TokenClass::Delimiter, 0},
    {u"==",  Tok::EqualEqual,       TokenClass::Infix,     Tok::EqualEqual,       TokenClass::Infix,     0},
    {u"=>",  Tok::ContextArrow,     TokenClass::Delimiter, Tok::ContextArrow,     TokenClass::Delimiter, 0},
    {u":",   Tok::ColonPrefix,      TokenClass::Prefix,    Tok::Colon,            TokenClass::Infix,     0},
    {u":=",  Tok::Assign,           TokenClass::Assign,    Tok::Assign,           TokenClass::Assign,    0},
    {u";",   Tok::Semicolon,        TokenClass::Delimiter, Tok::Semicolon,        TokenClass::Delimiter, 0},
    {u",",   Tok::Comma,            TokenClass::Delimiter, Tok::Comma,            TokenClass::Delimiter, 0},
    {u"+",   Tok::PlusPrefix,       TokenClass::Prefix,    Tok::Plus,             TokenClass::Infix,     0},
    {u"+=",  Tok::PlusAssign,       TokenClass::Assign,    Tok::PlusAssign,       TokenClass::Assign,    0},
    {u"-",   Tok::MinusPrefix,      TokenClass::Prefix,    Tok::Minus,            TokenClass::Infix,     0},
    {u"-=",  Tok::MinusAssign,      TokenClass::Assign,    Tok::MinusAssign,      TokenClass::Assign,    0},
    {u"->",  Tok::FieldArrow,       TokenClass::Infix,     Tok::FieldArrow,       TokenClass::Infix,     0},
    {u"*",   Tok::Star,             TokenClass::Infix,     Tok::Star,             TokenClass::Infix,     0},
    {u"*=",  Tok::StarAssign,       TokenClass::Assign,    Tok::StarAssign,       TokenClass::Assign,    0},
    {u"/",   Tok::Slash,            TokenClass::Infix,     Tok::Slash,            TokenClass::Infix,     0},
    {u"/=",  Tok::SlashAssign,      TokenClass::Assign,    Tok::SlashAssign,      TokenClass::Assign,    0},
    {u"//",  Tok::SlashSlash,       TokenClass::Infix,     Tok::SlashSlash,       TokenClass::Infix,     0},
    {u"//=", Tok::SlashSlashAssign, TokenClass::Assign,    Tok::SlashSlashAssign, TokenClass::Assign,    0},
    {u".",   Tok::Dot,              TokenClass::Infix,     Tok::Dot,              TokenClass::Infix,     0},
    {u"^",   Tok::Caret,            TokenClass::Infix,     Tok::Caret,            TokenClass::Infix,     0},
    {u">",   Tok::Greater,          TokenClass::Infix,     Tok::Greater,          TokenClass::Infix,     0},
    {u">=",  Tok::GreaterEqual,     TokenClass::Infix,     Tok::GreaterEqual,     TokenClass::Infix,     0},
    {u"<",   Tok::Less,             TokenClass::Infix,     Tok::Less,             TokenClass::Infix,     0},
    {u"<=",  Tok::LessEqual,        TokenClass::Infix,     Tok::LessEqual,        TokenClass::Infix,     0},
    {u"<>",  Tok::NotEqual,         TokenClass::Infix,     Tok::NotEqual,         TokenClass::Infix,     0},
};

struct CodeName {
    Tok code;
    const char16_t* spelling;
};

// Codes that stand for a class of spellings rather than one.
constexpr CodeName kCodeNames[] = {
    {Tok::Identifier,     u"identifier"},
    {Tok::IntegerLiteral, u"integer literal"},
    {Tok::RealLiteral,    u"real literal"},
    {Tok::TextLiteral,    u"text literal"},
    {Tok::SpecialLiteral, u"special literal"},
    {Tok::TrueFalse,      u"True/False"},
    {Tok::Error,          u"error"},
    {Tok::EndOfFile,      u"end of file"},
};

struct Escape {
    char16_t after;  // the character after the backslash
    char16_t gives;
};

// In text literals; any other character after a backslash starts hexadecimal codes.
constexpr Escape kTextEscapes[] = {
    {u'"',  u'"'},
    {u'\\', u'\\'},
    {u'n',  u'\n'},
    {u'N',  u'\n'},
    {u'r',  u'\r'},
    {u'R',  u'\r'},
};
// clang-format on

bool IsCapital(char16_t c) { return c >= u'A' && c <= u'Z'; }
bool IsWordChar(char16_t c) { return IsAsciiLetter(c) || IsDecimalDigit(c) || c == u'_'; }
bool IsLineEnd(char16_t c) { return c == u'\n' || c == u'\r'; }

int HexValue(char16_t c) {
    if (IsDecimalDigit(c)) return c - u'0';
    return AsciiLower(c) - u'a' + 10;
}

// Compares by count, so a zero character in the source can never pass for the
// end of a spelling.
bool SpellingIs(const char16_t* spelling, const char16_t* text, uint16_t length) {
    for (uint16_t i = 0; i < length; ++i)
        if (spelling[i] == 0 || spelling[i] != text[i]) return false;
    return spelling[length] == 0;
}

// A table's rows chained by the first character of their spelling, in table
// order: a lookup compares only the spellings that could match, which keeps
// lexing a word or an operator from walking every row.
constexpr uint8_t kNoRow = 0xFF;
constexpr size_t kMostRows = 64;

struct RowChains {
    uint8_t head[128];  // by first character
    uint8_t next[kMostRows];
};

template <class Row, size_t N>
constexpr RowChains ChainRows(const Row (&rows)[N]) {
    static_assert(N <= kMostRows, "a table's rows must fit its chains");
    RowChains chains{};
    for (uint8_t& first : chains.head) first = kNoRow;
    for (size_t i = N; i-- > 0;) {  // from the end, so each chain keeps table order
        const char16_t c = rows[i].spelling[0];
        chains.next[i] = chains.head[c];
        chains.head[c] = static_cast<uint8_t>(i);
    }
    return chains;
}

template <class Row>
const Row* FindRow(const Row* rows, const RowChains& chains, const char16_t* text, uint16_t length) {
    if (length == 0 || text[0] >= 128) return nullptr;
    for (uint8_t i = chains.head[text[0]]; i != kNoRow; i = chains.next[i])
        if (SpellingIs(rows[i].spelling, text, length)) return &rows[i];
    return nullptr;
}

constexpr RowChains kKeywordChains = ChainRows(kKeywords);
constexpr RowChains kWordOperatorChains = ChainRows(kWordOperators);
constexpr RowChains kOperatorChains = ChainRows(kOperators);

const OperatorRow* FindOperator(const char16_t* text, uint16_t length) {
    return FindRow(kOperators, kOperatorChains, text, length);
}

Tok Finish(Token& token, TextReader& reader, Tok code, TokenClass tokenClass, uint8_t operandAfter) {
    token.code = code;
    token.tokenClass = tokenClass;
    if (operandAfter != kKeepFlag) reader.operandFlag = operandAfter;
    return code;
}

Tok Fail(Token& token) {
    token.code = Tok::Error;
    token.tokenClass = TokenClass::None;
    return Tok::Error;
}

// One token's text being collected: what does not fit is still consumed, and
// only the first character past the limit is reported.
struct Scan {
    Token& token;
    TextReader& reader;
    uint16_t limit;
    Msg overflow;
    bool overflowDetail;  // the kept text names the culprit in the report
    bool failed = false;
    bool overflowed = false;

    void Report(Msg code, const char16_t* detail = nullptr) {
        FileReport(&reader, &token.position, code, detail);
        failed = true;
    }
    void Keep(char16_t c) {
        if (token.length < limit) {
            token.text[token.length++] = c;
            token.text[token.length] = 0;
        } else if (!overflowed) {
            overflowed = true;
            Report(overflow, overflowDetail ? token.text : nullptr);
        }
    }
    void Take() {
        Keep(reader.current);
        reader.Advance();
    }
};

Tok ScanWord(Token& token, TextReader& reader) {
    Scan scan{token, reader, kIdentifierLength, Msg::IdentifierTooLong, true};
    while (IsWordChar(reader.current)) scan.Take();
    if (scan.failed) return Fail(token);
    const WordRow* row = FindRow(kKeywords, kKeywordChains, token.text, token.length);
    if (!row) row = FindRow(kWordOperators, kWordOperatorChains, token.text, token.length);
    if (row) return Finish(token, reader, row->code, row->tokenClass, row->operandAfter);
    return Finish(token, reader, Tok::Identifier, TokenClass::Operand, 1);
}

// The character that lacks its digits is the last one taken, so whatever
// follows is scanned afresh.
bool TakeDigits(Scan& scan, Msg missing) {
    if (!IsDecimalDigit(scan.reader.current)) {
        scan.Report(missing);
        return false;
    }
    while (IsDecimalDigit(scan.reader.current)) scan.Take();
    return true;
}

// At the "e".
void TakeExponent(Scan& scan) {
    scan.Take();
    if (scan.reader.current == u'+' || scan.reader.current == u'-') scan.Take();
    TakeDigits(scan, Msg::ExpectingExponent);
}

// The text stays as written; its value is judged by the compiler, which also
// decides whether the letters are digits of the radix.
Tok ScanNumber(Token& token, TextReader& reader) {
    Scan scan{token, reader, kIdentifierLength, Msg::NumericTooLong, false};
    bool letters = false;
    while (IsDecimalDigit(reader.current) || IsCapital(reader.current)) {
        letters = letters || IsCapital(reader.current);
        scan.Take();
    }
    Tok code = Tok::IntegerLiteral;
    if (reader.current == u'#') {
        scan.Take();
        TakeDigits(scan, Msg::RadixNeedsDigit);
    } else if (reader.current == u'.') {
        scan.Take();
        if (letters) {
            scan.Report(Msg::ExpectingRadix);
        } else if (TakeDigits(scan, Msg::DigitsAfterPoint)) {
            code = Tok::RealLiteral;
            if (reader.current == u'e') TakeExponent(scan);
        }
    } else if (reader.current == u'e') {
        if (letters) {
            scan.Take();
            scan.Report(Msg::RadixNeedsDigit);
        } else {
            code = Tok::RealLiteral;
            TakeExponent(scan);
        }
    }
    if (scan.failed) return Fail(token);
    return Finish(token, reader, code, TokenClass::Operand, 1);
}

// One code of a sequence: false when it has no digit, is 0 or does not fit a
// character. The value stops growing at the limit, so long runs cannot wrap.
bool HexCode(TextReader& reader, char16_t* code) {
    uint32_t value = 0;
    bool digits = false;
    for (; IsHexDigit(reader.current); reader.Advance()) {
        digits = true;
        value = value * 16 + static_cast<uint32_t>(HexValue(reader.current));
        if (value > kCodeLimit) value = kCodeLimit;
    }
    *code = static_cast<char16_t>(value);
    return digits && value != 0 && value < kCodeLimit;
}

// Codes separated by "," up to a backslash. The closing quote, a line end or
// the end of the file also end them; the literal's own loop deals with those.
bool TakeHexCodes(Scan& scan) {
    for (;;) {
        char16_t code;
        if (!HexCode(scan.reader, &code)) return false;
        scan.Keep(code);
        const char16_t c = scan.reader.current;
        if (c == u'"' || IsLineEnd(c) || c == kEndOfFile) return true;
        scan.reader.Advance();
        if (c == u'\\') return true;
        if (c != u',') return false;
    }
}

// After the backslash. A line end or end of file is left for the literal's loop.
bool TakeTextEscape(Scan& scan) {
    const char16_t c = scan.reader.current;
    if (IsLineEnd(c) || c == kEndOfFile) return true;
    for (const Escape& escape : kTextEscapes) {
        if (escape.after == c) {
            scan.Keep(escape.gives);
            scan.reader.Advance();
            return true;
        }
    }
    return TakeHexCodes(scan);
}

void TakeSpecialEscape(Scan& scan) {
    const char16_t c = scan.reader.current;
    if (!IsLineEnd(c) && c != kEndOfFile) scan.Take();
}

// A malformed code has been reported: the rest of the literal goes, quietly.
void SkipToQuote(TextReader& reader, char16_t quote) {
    while (reader.current != quote && !IsLineEnd(reader.current) && reader.current != kEndOfFile) reader.Advance();
    if (reader.current == quote) reader.Advance();
}

// A line end is not taken: the literal cannot swallow the next line.
bool AtLiteralEnd(Scan& scan, char16_t quote) {
    const char16_t c = scan.reader.current;
    if (c == quote) {
        scan.reader.Advance();
        return true;
    }
    if (c == kEndOfFile) scan.Report(Msg::EofInLiteral);
    if (IsLineEnd(c)) scan.Report(Msg::EolInLiteral);
    return c == kEndOfFile || IsLineEnd(c);
}

Tok ScanLiteral(Token& token, TextReader& reader, char16_t quote) {
    Scan scan{token, reader, kLiteralLength, Msg::LiteralTooLong, false};
    reader.Advance();
    while (!AtLiteralEnd(scan, quote)) {
        const char16_t c = reader.current;
        reader.Advance();
        if (c != u'\\') {
            scan.Keep(c);
        } else if (quote == u'\'') {
            TakeSpecialEscape(scan);
        } else if (!TakeTextEscape(scan)) {
            scan.Report(Msg::BadHexCode);
            SkipToQuote(reader, quote);
            break;
        }
    }
    if (scan.failed) return Fail(token);
    return Finish(token, reader, quote == u'"' ? Tok::TextLiteral : Tok::SpecialLiteral, TokenClass::Operand, 1);
}

Tok ScanBadCharacter(Token& token, TextReader& reader) {
    token.text[0] = reader.current;
    token.text[1] = 0;
    token.length = 1;
    reader.Advance();
    FileReport(&reader, &token.position, Msg::BadCharacter, token.text);
    return Fail(token);
}

Tok ScanOperator(Token& token, TextReader& reader) {
    token.text[0] = reader.current;
    const OperatorRow* row = FindOperator(token.text, 1);
    if (!row) return ScanBadCharacter(token, reader);
    token.length = 1;
    reader.Advance();
    while (token.length < kOperatorMax) {
        token.text[token.length] = reader.current;
        const OperatorRow* longer = FindOperator(token.text, token.length + 1);
        if (!longer) break;
        row = longer;
        ++token.length;
        reader.Advance();
    }
    token.text[token.length] = 0;
    if (reader.operandFlag == 1) return Finish(token, reader, row->infixCode, row->infixClass, row->operandAfter);
    return Finish(token, reader, row->code, row->tokenClass, row->operandAfter);
}

// One token; a comment start is returned as such.
Tok ScanToken(Token& token, TextReader& reader) {
    Fail(token);
    token.length = 0;
    token.text[0] = 0;
    const char16_t c = reader.SkipBlanks();
    token.position = reader.position;
    if (c == kEndOfFile) return Finish(token, reader, Tok::EndOfFile, TokenClass::Delimiter, 0);
    if (IsAsciiLetter(c)) return ScanWord(token, reader);
    if (c == u'"' || c == u'\'') return ScanLiteral(token, reader, c);
    if (IsDecimalDigit(c)) return ScanNumber(token, reader);
    return ScanOperator(token, reader);
}

}  // namespace

void StartTokens(Token& token, TextReader& reader) {
    token.position.file = reader.position.file;
    token.length = 0;
    token.text[0] = 0;
    reader.operandFlag = 0;
}

Tok NextToken(Token& token, TextReader& reader) {
    Tok code = ScanToken(token, reader);
    while (code == Tok::CommentStart) {
        if (!SkipComment(reader)) return Fail(token);
        code = ScanToken(token, reader);
    }
    return code;
}

Tok NextTokenRequired(Token& token, TextReader& reader) {
    const Tok code = NextToken(token, reader);
    if (code == Tok::EndOfFile) FileReport(&reader, &token.position, Msg::UnexpectedEof, nullptr);
    return code;
}

const char16_t* TokenSpelling(Tok code) {
    for (const CodeName& name : kCodeNames)
        if (name.code == code) return name.spelling;
    for (const OperatorRow& row : kOperators)
        if (row.code == code || row.infixCode == code) return row.spelling;
    for (const WordRow& row : kKeywords)
        if (row.code == code) return row.spelling;
    for (const WordRow& row : kWordOperators)
        if (row.code == code) return row.spelling;
    return u"?";
}

}  // namespace vorlan::compiler
