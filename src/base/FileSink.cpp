#include "base/FileSink.h"

namespace vorlan {

FILE* OpenForWriting(const char* path) { return std::fopen(path, "wb"); }

bool WriteAll(FILE* file, const void* bytes, size_t size) {
    return size == 0 || std::fwrite(bytes, 1, size, file) == size;
}

Status FinishFile(FILE* file, bool written) {
    // A full disk often shows only when the last buffer is flushed, so the
    // flush, the error flag and the close all have to agree.
    bool ok = written;
    if (std::fflush(file) != 0) ok = false;
    if (std::ferror(file)) ok = false;
    if (std::fclose(file) != 0) ok = false;
    return ok ? Status::Success : Status::Invalid;
}

}  // namespace vorlan
