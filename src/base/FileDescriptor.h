#pragma once
// File descriptors name every file the system opens. A descriptor keeps the
// path as given (what reports print) and the path with its directory node
// reference expanded (what is opened), resolved once when it is made.

#include "base/Owned.h"
#include "base/WideText.h"

#include <cstdint>

namespace vorlan {

struct Settings;

enum class FileKind : uint16_t { Source = 1, Config = 2, Object = 3, Data = 4, Library = 5, Program = 6 };

constexpr uint32_t kTagFileDescriptor = 1;

struct FileDescriptor : Tagged<kTagFileDescriptor> {
    uint16_t id;  // 0 until it joins a descriptor list
    FileKind kind;
    char16_t path[kPathMax + 1];
    char16_t resolvedPath[kPathMax + 1];
    void* owner;  // the compilation holding it, if any
    uint32_t listed;
    FileDescriptor* next;
};

// A new descriptor, or nullptr with *code set to 101 (out of memory) or 103
// (the path names an unknown directory node).
FileDescriptor* MakeFileDescriptor(const char16_t* path, FileKind kind, const Settings& settings,
                                   uint16_t* code);
void FreeFileDescriptor(FileDescriptor*& descriptor);

struct DescriptorList {
    uint16_t nextId = 1;
    FileDescriptor* first = nullptr;
    FileDescriptor* last = nullptr;

    void Add(FileDescriptor* descriptor);
    void FreeAll();
};

}  // namespace vorlan
