#pragma once
// The run-time half of the message catalogue (the numbered messages are in
// MessageList.h): every text the error recorder stores as an error's message,
// the fixed notes a built-in's report carries in its parameter, and every
// reason the compiled-file reader gives for refusing a file. Code
// names a message by its id and never writes the text inline.
//
// The texts are the system's own and stand exactly as written, odd spellings,
// capitals and doubled blanks included: programs print them and compare them.

#include "base/CatalogueRows.h"

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
    ElementGone,
    ReferenceTooDeep,
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
    {RunMsg::ElementGone,         "Referenced array element no longer exists"},
    {RunMsg::ReferenceTooDeep,    "Reference through too many arrays"},
}};
// clang-format on

static_assert(RowsFollowIds(kRunMessages), "run-time message rows follow RunMsg");

constexpr const char* RunMessageText(RunMsg id) { return kRunMessages[static_cast<size_t>(id)].text; }

// Section - Report notes

// What a built-in's report names in its parameter when no one argument is to
// blame. Reports hold wide text, so these are wide.
enum class RunNote : uint8_t {
    SystemRoutineFailed,
    BadGraphicsContext,
    NotVideo,
    Count,
};

struct RunNoteRow {
    RunNote id;
    const char16_t* text;
};

// clang-format off
inline constexpr std::array<RunNoteRow, static_cast<size_t>(RunNote::Count)> kRunNotes = {{
    {RunNote::SystemRoutineFailed, u"System Routine Failed"},
    {RunNote::BadGraphicsContext,  u"Bad Graphics Context"},
    {RunNote::NotVideo,            u"Not Video"},
}};
// clang-format on

static_assert(RowsFollowIds(kRunNotes), "report note rows follow RunNote");

constexpr const char16_t* RunNoteText(RunNote id) { return kRunNotes[static_cast<size_t>(id)].text; }

// Section - Compiled-file refusals

// Why the reader refused a compiled program or library file. The reasons are
// ours, not the system's printed texts: a user sees only "could not read"
// unless asking for the reason (VORLAN_TRACE_PROGRAMFILE, see the README).
enum class Refusal : uint8_t {
    None,
    // Whole files and primitive items
    Unreadable,
    Truncated,
    CountTooLarge,
    UnexpectedTag,
    BadPresence,
    NameTooLong,
    NoTerminator,
    NestedTooDeeply,
    // Header
    WrongMagic,
    WrongKind,
    OtherVersion,
    OtherSystemModule,
    // Modules and the program
    ModuleNumber,
    NoMainModule,
    ModuleCount,
    UnknownModule,
    BodyTwice,
    BadEntryRoutine,
    DataOutsideTotal,
    BadDependency,
    DependencyUnloaded,
    BadModuleHeader,
    BadSourcePath,
    BadUnit,
    NoMainUnit,
    BadIdentifier,
    // Types, routines and data
    TypeOrder,
    RoutineOrder,
    FileOrder,
    TypeCount,
    BadType,
    BadDimension,
    NoValueOperations,
    BadEntry,
    BadDataItem,
    BadDataArea,
    RoutineCount,
    BadRoutine,
    // References
    BadTypeReference,
    BadRoutineReference,
    BadPosition,
    BadItemReference,
    MissingItem,
    BoundList,
    LiteralKind,
    // Statements and expressions
    UnknownStatement,
    BadStatementField,
    BadLiteral,
    BadList,
    BadNodeField,
    UnknownOperation,
    // Checks of the whole tree
    TreeType,
    TreeData,
    TreeRoutine,
    TreeBody,
    BadProgramParameter,
    Count,
};

struct RefusalRow {
    Refusal id;
    const char* text;
};

// clang-format off
inline constexpr std::array<RefusalRow, static_cast<size_t>(Refusal::Count)> kRefusals = {{
    {Refusal::None,                "not refused"},
    {Refusal::Unreadable,          "the file cannot be opened or is too long"},
    {Refusal::Truncated,           "the file ends inside an item"},
    {Refusal::CountTooLarge,       "a count more than the rest of the file can hold"},
    {Refusal::UnexpectedTag,       "a tag other than the one expected"},
    {Refusal::BadPresence,         "a presence mark other than 1 or 2"},
    {Refusal::NameTooLong,         "a name longer than the reader takes"},
    {Refusal::NoTerminator,        "a name or text without its 0 terminator"},
    {Refusal::NestedTooDeeply,     "blocks or expressions nested too deeply"},
    {Refusal::WrongMagic,          "the file does not open with the mark of its kind"},
    {Refusal::WrongKind,           "a file kind other than the one expected"},
    {Refusal::OtherVersion,        "a format version other than ours"},
    {Refusal::OtherSystemModule,   "built against a system module laid out otherwise"},
    {Refusal::ModuleNumber,        "a module number that is 0 or given twice"},
    {Refusal::NoMainModule,        "no main module among the module headers"},
    {Refusal::ModuleCount,         "module bodies not as many as module headers"},
    {Refusal::UnknownModule,       "a module number no header declared"},
    {Refusal::BodyTwice,           "a module body given twice"},
    {Refusal::BadEntryRoutine,     "the entry routine is not a Program routine of the main module"},
    {Refusal::DataOutsideTotal,    "module data beyond the global data total"},
    {Refusal::BadDependency,       "a dependency entry with a bad name or module number"},
    {Refusal::DependencyUnloaded,  "a library it depends on could not be loaded"},
    {Refusal::BadModuleHeader,     "a module name too long or a bad import mark"},
    {Refusal::BadSourcePath,       "a source path missing or too long"},
    {Refusal::BadUnit,             "a unit out of order or without its source file"},
    {Refusal::NoMainUnit,          "a module without its main unit"},
    {Refusal::BadIdentifier,       "an identifier that names no object of its module"},
    {Refusal::TypeOrder,           "a type numbered out of order"},
    {Refusal::RoutineOrder,        "a routine numbered out of order"},
    {Refusal::FileOrder,           "a source file numbered out of order"},
    {Refusal::TypeCount,           "a type list that does not match its count or table"},
    {Refusal::BadType,             "a type record out of order, of an unknown kind or incomplete"},
    {Refusal::BadDimension,        "an array dimension without an index type"},
    {Refusal::NoValueOperations,   "a type no value operations serve"},
    {Refusal::BadEntry,            "an identifier entry with a bad name or scope"},
    {Refusal::BadDataItem,         "a data item with a bad field"},
    {Refusal::BadDataArea,         "a data area read twice, too long or with a misplaced item"},
    {Refusal::RoutineCount,        "a routine list that does not match its count"},
    {Refusal::BadRoutine,          "a routine record that does not fit its routine"},
    {Refusal::BadTypeReference,    "a type reference to no type"},
    {Refusal::BadRoutineReference, "a routine reference to no routine"},
    {Refusal::BadPosition,         "a source position in no source file of its module"},
    {Refusal::BadItemReference,    "a data item reference to no data list"},
    {Refusal::MissingItem,         "a data item reference to no item"},
    {Refusal::BoundList,           "a bound list that does not match its structure's fields"},
    {Refusal::LiteralKind,         "a literal whose kind does not fit its type"},
    {Refusal::UnknownStatement,    "a statement of a kind no reader knows"},
    {Refusal::BadStatementField,   "a statement field out of its range"},
    {Refusal::BadLiteral,          "a literal of an unknown kind"},
    {Refusal::BadList,             "an expression list that does not fit its owner"},
    {Refusal::BadNodeField,        "an expression node field out of its range"},
    {Refusal::UnknownOperation,    "an evaluation or fold code no operation has"},
    {Refusal::TreeType,            "a type the compiler never makes"},
    {Refusal::TreeData,            "a data item the compiler never makes"},
    {Refusal::TreeRoutine,         "a routine the compiler never makes"},
    {Refusal::TreeBody,            "a statement or expression the compiler never makes"},
    {Refusal::BadProgramParameter, "a Program parameter of a type a program cannot take"},
}};
// clang-format on

static_assert(RowsFollowIds(kRefusals), "refusal rows follow Refusal");

constexpr const char* RefusalText(Refusal id) { return kRefusals[static_cast<size_t>(id)].text; }

}  // namespace vorlan
