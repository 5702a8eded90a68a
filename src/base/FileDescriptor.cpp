#include "base/FileDescriptor.h"

#include "base/DirectoryNodes.h"
#include "base/Messages.h"

namespace vorlan {

FileDescriptor* MakeFileDescriptor(const char16_t* path, FileKind kind, const Settings& settings,
                                   uint16_t* code) {
    Owned<FileDescriptor> descriptor(new FileDescriptor{});
    if (!descriptor) {
        *code = static_cast<uint16_t>(Msg::OutOfMemory);
        return nullptr;
    }
    descriptor->kind = kind;
    WideCopy(descriptor->path, path, kPathMax);
    if (!ResolvePath(descriptor->path, descriptor->resolvedPath, kPathMax, settings)) {
        *code = static_cast<uint16_t>(Msg::BadFilePath);
        return nullptr;
    }
    return descriptor.Take();
}

void FreeFileDescriptor(FileDescriptor*& descriptor) {
    delete descriptor;
    descriptor = nullptr;
}

void DescriptorList::Add(FileDescriptor* descriptor) {
    if (descriptor->id == 0) descriptor->id = nextId++;
    descriptor->next = nullptr;
    if (last) last->next = descriptor;
    else first = descriptor;
    last = descriptor;
    descriptor->listed = 1;
}

void DescriptorList::FreeAll() {
    while (first) {
        const Owned<FileDescriptor> gone(first);
        first = gone->next;
    }
    last = nullptr;
}

}  // namespace vorlan
