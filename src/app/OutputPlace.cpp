#include "app/OutputPlace.h"

#include "base/DirectoryNodes.h"
#include "base/Settings.h"
#include "base/Utf8.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlan {
namespace {

bool WritesAtTheEnd(const RunSettings& run) {
    switch (run.runMode) {
    case RunMode::BuildProgram:
    case RunMode::BuildLibrary: return true;
    case RunMode::RunSource:
    case RunMode::RunProgram: return !IsVideo(run.picture.fileType);
    case RunMode::Nothing: return false;
    }
    return false;
}

// An existing file is opened for writing without truncation; a new one is
// created exclusively and removed again, so a file another process makes
// meanwhile is never taken for our probe.
bool CanWrite(const char* path) {
    struct stat info;
    if (stat(path, &info) == 0) {
        if (S_ISDIR(info.st_mode)) return false;
        const int existing = open(path, O_WRONLY | O_CLOEXEC);
        if (existing < 0) return false;
        close(existing);
        return true;
    }
    const int probe = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (probe < 0) return false;
    close(probe);
    unlink(path);
    return true;
}

}  // namespace

bool OutputPlaceWritable(const Settings& settings) {
    const RunSettings& run = settings.run;
    if (!WritesAtTheEnd(run)) return true;
    char16_t resolved[kPathMax + 1];
    char path[kUtf8PathCapacity];
    return ResolvePath(run.outputPath, resolved, kPathMax, settings) &&
           WideToUtf8(resolved, path, sizeof path) && path[0] && CanWrite(path);
}

}  // namespace vorlan
