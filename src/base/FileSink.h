#pragma once
// The one way image writers open and close their files, so a write that the
// system buffered but the disk refused is still seen as a failure.

#include "base/Status.h"

#include <cstddef>
#include <cstdio>

namespace vorlan {

// Creates (or replaces) the file for binary writing; nullptr when it cannot.
// The file holds exactly what was written once FinishFile has closed it.
FILE* OpenForWriting(const char* path);
// Writes all `size` bytes or reports false.
bool WriteAll(FILE* file, const void* bytes, size_t size);
// Flushes, cuts a regular file to what was written, and closes; Success
// only when `written` is true and every byte reached the file. Always closes.
Status FinishFile(FILE* file, bool written);

}  // namespace vorlan
