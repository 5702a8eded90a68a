#pragma once
// Directory nodes: short names that stand for directories, so that any path
// may be written NAME:rest. Values are stored resolved, so a node defined
// through another keeps the value that one had at the time.

#include "base/Owned.h"

#include <cstdint>

namespace vorlan {

struct Settings;
struct TextReader;
struct ReportPosition;

constexpr uint32_t kTagDirectoryNode = 2;

struct DirectoryNode : Tagged<kTagDirectoryNode> {
    OwnedBlock<char16_t> name;
    OwnedBlock<char16_t> value;
    Owned<DirectoryNode> next;
};

// Defines or redefines a node. Problems are reported on `reader` (at `at`, or
// its current position) when there is one.
bool DefineDirectoryNode(TextReader* reader, const ReportPosition* at, Settings& settings,
                         const char16_t* name, const char16_t* path);
const char16_t* FindNodeValue(const Settings& settings, const char16_t* name);
// Expands a leading node reference into `out` (max characters); fails only when
// the path names an unknown node.
bool ResolvePath(const char16_t* path, char16_t* out, uint16_t max, const Settings& settings);

}  // namespace vorlan
