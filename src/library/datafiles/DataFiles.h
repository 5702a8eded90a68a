#pragma once
// The files a data-reading function works with: the log stream its reports
// go to and readers on the data and format files, opened from the names the
// program passes.

#include "base/FileDescriptor.h"
#include "base/WideText.h"

#include <cstdio>

namespace vorlan {
struct TextReader;
}  // namespace vorlan

namespace vorlan::library {

// A Text argument's characters as a path; false when it does not fit.
bool PathFromText(const void* block, char16_t (&path)[kPathMax + 1]);

// The log file created for writing, or standard output for no name;
// nullptr when it cannot be created.
FILE* OpenLogStream(const char16_t* name);
// Closes a log file; standard output stays open.
void CloseLogStream(FILE*& stream);

// A file read as data: its reports carry the data-file prefix and go to the
// log stream, which the reader does not own.
struct DataInput {
    Owned<FileDescriptor> descriptor;
    TextReader* reader = nullptr;

    bool Open(const char16_t* name, FILE* log);
    void Close();
    ~DataInput() { Close(); }
};

}  // namespace vorlan::library
