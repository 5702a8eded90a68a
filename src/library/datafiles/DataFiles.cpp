#include "library/datafiles/DataFiles.h"

#include "base/DirectoryNodes.h"
#include "base/FileDescriptor.h"
#include "base/Settings.h"
#include "base/TextReader.h"
#include "base/Utf8.h"
#include "value/Text.h"

namespace vorlan::library {

bool PathFromText(const void* block, char16_t (&path)[kPathMax + 1]) {
    if (!block) return false;
    const uint16_t count = runtime::TextCount(block);
    if (count == 0 || count > kPathMax) return false;
    const char16_t* chars = runtime::TextChars(block);
    for (uint16_t i = 0; i < count; ++i) {
        if (chars[i] == 0) return false;
        path[i] = chars[i];
    }
    path[count] = 0;
    return true;
}

FILE* OpenLogStream(const char16_t* name) {
    if (!name) return stdout;
    char16_t resolved[kPathMax + 1];
    char narrow[kUtf8PathCapacity];
    if (!ResolvePath(name, resolved, kPathMax, GlobalSettings()) || !WideToUtf8(resolved, narrow, sizeof narrow))
        return nullptr;
    return std::fopen(narrow, "w");
}

void CloseLogStream(FILE*& stream) {
    if (stream && stream != stdout && stream != stderr) std::fclose(stream);
    stream = nullptr;
}

bool DataInput::Open(const char16_t* name, FILE* log) {
    uint16_t code = 0;
    descriptor.Adopt(MakeFileDescriptor(name, FileKind::Data, GlobalSettings(), &code));
    if (!descriptor) return false;
    reader = OpenTextReader(descriptor, log, &code);
    return reader != nullptr;
}

void DataInput::Close() {
    if (reader) {
        std::fflush(reader->reportStream);
        reader->reportStream = nullptr;  // the log outlives every reader on it
        CloseTextReader(reader);
    }
    descriptor = nullptr;
}

}  // namespace vorlan::library
