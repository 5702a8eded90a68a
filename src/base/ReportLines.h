#pragma once
// The report half of the message catalogue: every line, or piece of a line,
// the system prints about a run rather than for it (the untrapped-error
// report, the outcome and memory lines, what a refused program argument
// should have been, the internal faults that "should not happen"). Code
// names a line by its id; a row may carry printf conversions, which its
// callers supply in order.
//
// The texts are the system's own and stand exactly as written: users and
// tests compare them.

#include "base/CatalogueRows.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vorlan {

enum class ReportLine : uint8_t {
    // The untrapped-error report
    UntrappedHeading,
    InvokedByProgram,
    InvokedBySystem,
    ClassLabel,
    ClassNotSet,
    SourceLabel,
    UnknownSource,
    MessageLabel,
    ParameterSeparator,
    DetailLabel,
    NestedHeading,
    NestedPrimary,
    NestedSecondary,
    NestedCode,
    NestedAt,
    // Outcomes
    Completed,
    ProgramFailed,
    AllMemoryFreed,
    MemoryLost,
    MemoryCountError,
    MemoryLostWhole,
    MemoryLostWholeProcess,
    CouldNotRead,
    CouldNotWrite,
    BuildLibrary,
    FramesWritten,
    OutputFormError,
    ModuleNotLoaded,
    ModuleWrongVersion,
    // A refused program argument
    ArgumentIndent,
    ArgumentEachElement,
    TakesLogical,
    TakesWholeNumber,
    TakesRealNumber,
    TakesNumber,
    TakesText,
    TakesOneOf,
    NotOnCommandLine,
    TakesNoParameters,
    NameMatches,
    NameMatchesNone,
    NameSeparator,
    DuplicateArgument,
    // Reports of other kinds
    CommandLineError,
    MessageNotFound,
    LanguageFileError,
    LanguageFileEntry,
    TextReaderError,
    ProgramFileRefusal,
    BadLibraryName,
    // Faults inside the system
    AllocationFailed,
    ReleasedTwice,
    SystemModuleIndex,
    UnknownStatementKind,
    UnknownCompareKind,
    NoArrayInitialiser,
    BadSystemOffset,
    NoPatternImage,
    NoPictureImage,
    WorkImageScale,
    PngRowBytes,
    Count,
};

struct ReportLineRow {
    ReportLine id;
    const char* text;
};

// clang-format off
inline constexpr std::array<ReportLineRow, static_cast<size_t>(ReportLine::Count)> kReportLines = {{
    {ReportLine::UntrappedHeading,     "Program aborted with untrapped error:-\n"},
    {ReportLine::InvokedByProgram,     "  Invoked by: Program\n"},
    {ReportLine::InvokedBySystem,      "  Invoked by: System\n"},
    {ReportLine::ClassLabel,           "  Class: "},
    {ReportLine::ClassNotSet,          "ERROR - NOT SET"},
    {ReportLine::SourceLabel,          "\n  Source: "},
    {ReportLine::UnknownSource,        "?"},
    {ReportLine::MessageLabel,         "  Message: "},
    {ReportLine::ParameterSeparator,   " - "},
    {ReportLine::DetailLabel,          "  Detail: "},
    {ReportLine::NestedHeading,        "FATAL NESTED ERRORS\n"},
    {ReportLine::NestedPrimary,        "Primary Error :-\n"},
    {ReportLine::NestedSecondary,      "\nSecondary Error :-\n"},
    {ReportLine::NestedCode,           "    Code: "},
    {ReportLine::NestedAt,             "    At: "},
    {ReportLine::Completed,            "Program completed successfully\n"},
    {ReportLine::ProgramFailed,        "Program failed with exit code %d ( %s )\n"},
    {ReportLine::AllMemoryFreed,       "All Memory Freed\n"},
    {ReportLine::MemoryLost,           "**** Memory lost during run  %u\n"},
    {ReportLine::MemoryCountError,     "**** Memory count error during error run %u\n"},
    {ReportLine::MemoryLostWhole,      "**** Memory lost during whole  %u -> %u\n"},
    {ReportLine::MemoryLostWholeProcess, "**** Memory lost during whole process  %u -> %u\n"},
    {ReportLine::CouldNotRead,         "Error - could not read "},
    {ReportLine::CouldNotWrite,        "Error - could not write "},
    {ReportLine::BuildLibrary,         "Build Library "},
    {ReportLine::FramesWritten,        "\rFrames written: %lld  (%.1f s)"},
    {ReportLine::OutputFormError,      "Error"},
    {ReportLine::ModuleNotLoaded,      "Error - could not load module %s: %s\n"},
    {ReportLine::ModuleWrongVersion,   "Error - could not load module %s: it is version %u, this executable needs %u\n"},
    {ReportLine::ArgumentIndent,       "  "},
    {ReportLine::ArgumentEachElement,  "  each element of "},
    {ReportLine::TakesLogical,         " takes TRUE or FALSE"},
    {ReportLine::TakesWholeNumber,     " takes a Number from -1073741823 to 1073741823"},
    {ReportLine::TakesRealNumber,      " takes a Number of magnitude below 3.4e38"},
    {ReportLine::TakesNumber,          " takes a Number"},
    {ReportLine::TakesText,            " takes a Text"},
    {ReportLine::TakesOneOf,           " takes one of: "},
    {ReportLine::NotOnCommandLine,     " cannot be given on the command line"},
    {ReportLine::TakesNoParameters,    "the program takes no parameters\n"},
    {ReportLine::NameMatches,          " matches "},
    {ReportLine::NameMatchesNone,      " matches none of: "},
    {ReportLine::NameSeparator,        ", "},
    {ReportLine::DuplicateArgument,    "duplicate arg: "},
    {ReportLine::CommandLineError,     "Error - CMD/%03d:"},
    {ReportLine::MessageNotFound,      "**** error %d not found\n"},
    {ReportLine::LanguageFileError,    "ERROR in language file\n"},
    {ReportLine::LanguageFileEntry,    "Error\n"},
    {ReportLine::TextReaderError,      "Error - %s"},
    {ReportLine::ProgramFileRefusal,   ": refused at offset %zu: %s\n"},
    {ReportLine::BadLibraryName,       "invalid depencent library name "},
    {ReportLine::AllocationFailed,     "FATAL ERROR - Memory Allocation Failed"},
    {ReportLine::ReleasedTwice,        "FATAL: Memory error delete twice: %u\n"},
    {ReportLine::SystemModuleIndex,    "**** FATAL: AddSystemModule: system module not allocated correct index\n"
                                       "---- ABORTING ----\n"},
    {ReportLine::UnknownStatementKind, "**** StatementFree: unknown clear routine\n"},
    {ReportLine::UnknownCompareKind,   "DataCompare: Should not be here\n"},
    {ReportLine::NoArrayInitialiser,   "**** ArrayDefInit NO INIT FUNCT \n"},
    {ReportLine::BadSystemOffset,      "FATAL: invalid offset "},
    {ReportLine::NoPatternImage,       "SysPatternDump: image pointer in null\n"},
    {ReportLine::NoPictureImage,       "SysPictureDump: image pointer in null\n"},
    {ReportLine::WorkImageScale,       "***** Panic - CalcWorkImageParms: scale mismatch\n"},
    {ReportLine::PngRowBytes,          "Please Report - ReadImagePNG: rowbytes %zu expected %zu in %s\n"},
}};
// clang-format on

static_assert(RowsFollowIds(kReportLines), "report line rows follow ReportLine");

constexpr const char* ReportLineText(ReportLine id) { return kReportLines[static_cast<size_t>(id)].text; }

// Writes the line's text, its conversions filled from the arguments.
void WriteReportLine(std::FILE* out, ReportLine id, ...);
// The same on standard output, where every report goes.
void PrintReportLine(ReportLine id, ...);
// "Error - could not write out/picture.png": the line's text, then the text
// given (a path, a name) and the end of the line.
void PrintReportLineWith(ReportLine id, const char16_t* path, std::FILE* out = stdout);

}  // namespace vorlan
