#pragma once
// The lexer turns the characters of a source unit into tokens, one at a time.
// It keeps no state of its own: the reader carries the position and whether
// the last token ended an operand, which is what tells the prefix forms of
// ( [ { + - : from their infix forms.

#include "compiler/Token.h"
#include "base/TextReader.h"

namespace vorlan::compiler {

// Prepares the token record for a unit read by `reader`; no operand precedes
// the first token.
void StartTokens(Token& token, TextReader& reader);

// The next token, comments skipped. Tok::Error when a lexical error was
// reported, end of file inside a comment included; the reader is then past
// the offending character, so scanning can go on.
Tok NextToken(Token& token, TextReader& reader);

// As NextToken where the source must not end yet: end of file is reported
// (code 300) at the token and returned.
Tok NextTokenRequired(Token& token, TextReader& reader);

// A readable form of a token code for reports: "While", ":=", "identifier".
const char16_t* TokenSpelling(Tok code);

}  // namespace vorlan::compiler
