#pragma once
// The text reader: every text file of the system (configuration, language,
// source, data) is scanned through one. It tracks line and column, counts the
// file reports made on it and carries the stream they go to.

#include "base/Memory.h"
#include "base/Messages.h"
#include "base/TextFile.h"

#include <cstdint>
#include <cstdio>

namespace vorlan {

struct FileDescriptor;

// Column 0 means the current character is the line feed that ends a line, or
// that nothing has been read yet.
struct ReportPosition {
    const FileDescriptor* file;
    int32_t line;
    int32_t column;
};

constexpr uint32_t kTagTextReader = 10203;
constexpr int32_t kPrintedReports = 20;  // later reports of one reader are only counted

struct TextReader : Tagged<kTagTextReader> {
    Owned<TextFile> file;
    FILE* reportStream;
    bool stop;  // set by an out-of-memory report: the reader then yields end of file
    int32_t errorCount;
    ReportPosition position;
    char16_t current;
    uint8_t operandFlag;  // 1 when the last token ended an operand (for the lexer)

    char16_t Advance();
    char16_t SkipBlanks();
};

// A reader on the descriptor's resolved path, positioned on the first character;
// nullptr with *code 101 or 102.
TextReader* OpenTextReader(const FileDescriptor* descriptor, FILE* reportStream, uint16_t* code);
// Closes the file and the report stream (unless standard output or error).
void CloseTextReader(TextReader*& reader);

// The file report: "Error - SRC/nnn: path(line,column): text - detail".
// Returns 1 when handled (printed, counted or suppressed), 0 when there is no
// reader or no report stream.
int FileReport(TextReader* reader, const ReportPosition* at, uint16_t code, const char16_t* detail);
inline int FileReport(TextReader* reader, const ReportPosition* at, Msg code, const char16_t* detail) {
    return FileReport(reader, at, static_cast<uint16_t>(code), detail);
}
int OutOfMemoryReport(TextReader* reader);

// Skips a nested [= ... =] comment whose opening has been taken. End of file
// inside is reported with code 202 and returns false.
bool SkipComment(TextReader& reader);

}  // namespace vorlan
