#pragma once
// The run-time half of the message catalogue (the numbered messages are in
// MessageList.h): every text the error recorder stores as an error's message,
// and every reason a compiled file is refused. Code names a message by its id
// and never writes the text inline.
//
// The texts are the system's own and stand exactly as written, odd spellings,
// capitals and doubled blanks included: programs print them and compare them.

#include <array>
#include <cstddef>
#include <cstdint>

namespace vorlan {

// Section - Run-time error messages

enum class RunMsg : uint8_t {
    // Values and operands
    ValueError,
    TextLiteral,
    // Arithmetic
    Addition,
    Subtraction,
    Multiplication,
    Division,
    IntegerDivision,
    Modulo,
    Power,
    NumberNegation,
    UnaryPlus,
    TextConcatenation,
    // Comparison and logic
    NumberComparison,
    TimeComparison,
    EnumComparison,
    TextComparison,
    EqualityComparison,
    LogicalAnd,
    LogicalOr,
    LogicalXor,
    LogicalNot,
    // Indexing and fields
    NullEnumIndex,
    NullArrayIndex,
    ArrayIndexRange,
    NullArray,
    TextIndex,
    TextLowIndex,
    TextHighIndex,
    TextExpression,
    DotValue,
    // Calls and lists
    FunctionCall,
    StructureCall,
    // Statements
    AssignmentOperation,
    ArrayAppend,
    WhileCondition,
    NullCondition,
    ForFrom,
    ForTo,
    ForStep,
    ForSetup,
    ForIncrement,
    ForCompare,
    ForStepInteger,
    OverTarget,
    GraphicsOrigin,
    GraphicsContextCopy,
    GraphicsOriginX,
    GraphicsOriginY,
    CreateContextList,
    ShapeCall,
    OutputStruct,
    UserErrorReport,
    Count,
};

struct RunMsgRow {
    RunMsg id;
    const char* text;
};

// clang-format off
inline constexpr std::array<RunMsgRow, static_cast<size_t>(RunMsg::Count)> kRunMessages = {{
    {RunMsg::ValueError,          "Value error"},
    {RunMsg::TextLiteral,         "Text literal error"},
    {RunMsg::Addition,            "Addition error"},
    {RunMsg::Subtraction,         "Subtraction error"},
    {RunMsg::Multiplication,      "Multiplication error"},
    {RunMsg::Division,            "Division Error"},
    {RunMsg::IntegerDivision,     "Integer division Error"},
    {RunMsg::Modulo,              "Modulo error"},
    {RunMsg::Power,               "Raising to power error"},
    {RunMsg::NumberNegation,      "Number negation error"},
    {RunMsg::UnaryPlus,           "Unary plus error"},
    {RunMsg::TextConcatenation,   "Text concatenation error"},
    {RunMsg::NumberComparison,    "Number comparison error"},
    {RunMsg::TimeComparison,      "Time comparison error"},
    {RunMsg::EnumComparison,      "Enum comparison error"},
    {RunMsg::TextComparison,      "Text comparison error"},
    {RunMsg::EqualityComparison,  "Equality comparison error"},
    {RunMsg::LogicalAnd,          "Logical And error"},
    {RunMsg::LogicalOr,           "Logical Or error"},
    {RunMsg::LogicalXor,          "Logical Xor error"},
    {RunMsg::LogicalNot,          "Logical Not error"},
    {RunMsg::NullEnumIndex,       "Null Enum as array index"},
    {RunMsg::NullArrayIndex,      "Null  array index"},
    {RunMsg::ArrayIndexRange,     "Array index out of range"},
    {RunMsg::NullArray,           "Null Array"},
    {RunMsg::TextIndex,           "Text index"},
    {RunMsg::TextLowIndex,        "Text low index"},
    {RunMsg::TextHighIndex,       "Text high index"},
    {RunMsg::TextExpression,      "Text eppression error"},
    {RunMsg::DotValue,            "EvalDotValue"},
    {RunMsg::FunctionCall,        "Function call error"},
    {RunMsg::StructureCall,       "Structure call error"},
    {RunMsg::AssignmentOperation, "Assignment Operation Error"},
    {RunMsg::ArrayAppend,         "Array append error"},
    {RunMsg::WhileCondition,      "While loop: condition expression"},
    {RunMsg::NullCondition,       "Null condition expression"},
    {RunMsg::ForFrom,             "For loop: From expression"},
    {RunMsg::ForTo,               "For loop: To expression"},
    {RunMsg::ForStep,             "For loop: Step expression"},
    {RunMsg::ForSetup,            "For loop setup error"},
    {RunMsg::ForIncrement,        "For loop: Increment error"},
    {RunMsg::ForCompare,          "For loop: Compare error"},
    {RunMsg::ForStepInteger,      "For loop: Step must be integer"},
    {RunMsg::OverTarget,          "Over loop: Target array"},
    {RunMsg::GraphicsOrigin,      "Graphics Origin"},
    {RunMsg::GraphicsContextCopy, "Graphics Context Copy"},
    {RunMsg::GraphicsOriginX,     "Graphics Origin X"},
    {RunMsg::GraphicsOriginY,     "Graphics Origin Y"},
    {RunMsg::CreateContextList,   "Create Context List"},
    {RunMsg::ShapeCall,           "Shape call error"},
    {RunMsg::OutputStruct,        "Output Struct"},
    {RunMsg::UserErrorReport,     "Error in user error report!"},
}};
// clang-format on

// Every row sits at its id's place and has a text; a forgotten row
// value-initialises to id 0 with no text and fails here.
constexpr bool RunMessagesInOrder() {
    for (size_t i = 0; i < kRunMessages.size(); ++i)
        if (static_cast<size_t>(kRunMessages[i].id) != i || !kRunMessages[i].text || !*kRunMessages[i].text)
            return false;
    return true;
}
static_assert(RunMessagesInOrder(), "run-time message rows follow RunMsg");

constexpr const char* RunMessageText(RunMsg id) { return kRunMessages[static_cast<size_t>(id)].text; }

}  // namespace vorlan
