#include "compiler/Parser.h"

namespace vorlan::compiler {
namespace {

// The closing token of a bracket, or Tok::Error when the token opens nothing.
Tok ClosingOf(Tok code) {
    switch (code) {
    case Tok::BraceList:
    case Tok::BraceInfix: return Tok::RightBrace;
    case Tok::ParenOperand:
    case Tok::ParenInfix: return Tok::RightParen;
    case Tok::BracketList:
    case Tok::BracketInfix: return Tok::RightBracket;
    default: return Tok::Error;
    }
}

const char16_t* OpeningDetail(Tok closing) {
    switch (closing) {
    case Tok::RightBrace: return u"'{'";
    case Tok::RightParen: return u"'('";
    default: return u"'['";
    }
}

}  // namespace

void SkipTo(Parser& parser, Tok wanted) {
    struct Open {
        Tok closing;
        ReportPosition at;
    };
    Open open[kMaxNesting];
    int depth = 0;
    for (;;) {
        const Tok code = parser.Code();
        if (code == Tok::EndOfFile) {
            while (depth > 0) {  // innermost first, as each group finds the end
                --depth;
                parser.ReportAt(open[depth].at, Msg::NoMatchingToken, OpeningDetail(open[depth].closing));
            }
            return;
        }
        if (depth == 0 && code == wanted) {
            parser.Next();
            return;
        }
        if (const Tok closing = ClosingOf(code); closing != Tok::Error) {
            if (depth == kMaxNesting) {
                parser.Report(Msg::NestedTooDeeply);
                while (parser.Code() != Tok::EndOfFile) parser.Next();
                return;
            }
            open[depth++] = {closing, parser.token.position};
        } else if (depth > 0 && code == open[depth - 1].closing) {
            --depth;
        }
        parser.Next();
    }
}

}  // namespace vorlan::compiler
