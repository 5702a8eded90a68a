#include "base/FileSink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlan {

namespace {

// A regular file is cut to the bytes written; devices and pipes have no
// length to cut.
bool CutToWritten(FILE* file) {
    struct stat info {};
    const int descriptor = fileno(file);
    if (fstat(descriptor, &info) != 0) return false;
    if (!S_ISREG(info.st_mode)) return true;
    const off_t end = ftello(file);
    return end >= 0 && (info.st_size == end || ftruncate(descriptor, end) == 0);
}

}  // namespace

FILE* OpenForWriting(const char* path) {
    // The file is not emptied as it opens but cut to what was written as it
    // closes: emptying a file costs the file system far more than writing
    // its bytes again, and a picture written again is mostly the same size.
    const int descriptor = open(path, O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (descriptor < 0) return nullptr;
    FILE* file = fdopen(descriptor, "wb");
    if (!file) close(descriptor);
    return file;
}

bool WriteAll(FILE* file, const void* bytes, size_t size) {
    return size == 0 || std::fwrite(bytes, 1, size, file) == size;
}

Status FinishFile(FILE* file, bool written) {
    // A full disk often shows only when the last buffer is flushed, so the
    // flush, the error flag, the cut and the close all have to agree.
    bool ok = written;
    if (std::fflush(file) != 0) ok = false;
    if (std::ferror(file)) ok = false;
    if (!CutToWritten(file)) ok = false;
    if (std::fclose(file) != 0) ok = false;
    return ok ? Status::Success : Status::Invalid;
}

}  // namespace vorlan
