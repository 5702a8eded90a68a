#include "base/ModuleLoader.h"

#include "base/ReportLines.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vorlan {
namespace {

constexpr size_t kModulePathCapacity = 4096;

// The executable's folder, separator included, followed by `fileName`;
// false, with errno set, when the folder is unknown or the path does not fit.
bool ModulePath(const char* fileName, char* path) {
    const ssize_t length = readlink("/proc/self/exe", path, kModulePathCapacity - 1);
    if (length <= 0) return false;
    path[length] = 0;
    char* slash = std::strrchr(path, '/');
    if (!slash) {
        errno = ENOENT;
        return false;
    }
    const size_t folder = static_cast<size_t>(slash + 1 - path);
    if (folder + std::strlen(fileName) + 1 > kModulePathCapacity) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::strcpy(path + folder, fileName);
    return true;
}

void ReportNotLoaded(const char* path, const char* reason) {
    WriteReportLine(stderr, ReportLine::ModuleNotLoaded, path, reason ? reason : "");
}

}  // namespace

const ModuleTableHead* LoadModuleTable(const char* fileName, const char* entryName, uint32_t version) {
    char path[kModulePathCapacity];
    if (!ModulePath(fileName, path)) {
        ReportNotLoaded(fileName, std::strerror(errno));
        return nullptr;
    }
    // Every symbol now: a module missing one of the core's fails here, with
    // the name, instead of ending the run at the first call that needs it.
    // The module keeps its symbols to itself, so two never clash.
    void* handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        ReportNotLoaded(path, dlerror());
        return nullptr;
    }
    const auto entry = reinterpret_cast<ModuleEntry>(dlsym(handle, entryName));
    if (!entry) {
        ReportNotLoaded(path, dlerror());
        return nullptr;
    }
    const ModuleTableHead* table = entry();
    if (!table || table->version != version) {
        WriteReportLine(stderr, ReportLine::ModuleWrongVersion, path, table ? table->version : 0u, version);
        return nullptr;
    }
    return table;
}

}  // namespace vorlan
