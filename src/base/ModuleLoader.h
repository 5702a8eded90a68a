#pragma once
// Engine modules: shared libraries that hold the code needing a large outside
// library (the video and the text engines), so that a run which never writes
// a video or draws text never loads those libraries. Each module sits beside
// the executable, as the configuration file and the language files do, and
// exports one C function that hands back its table of entry points.
//
// A table starts with the version of the interface it was built for; the
// loader refuses any other, so a stale module fails cleanly rather than being
// called through a table of another shape.
//
// A module resolves what it uses of the core (the allocator, images, report
// lines) against the executable that loads it, so it shares the executable's
// memory account instead of keeping one of its own.

#include <cstdint>

namespace vorlan {

// The first field of every module's table.
struct ModuleTableHead {
    uint32_t version;
};

// What every module exports under its entry name.
using ModuleEntry = const ModuleTableHead* (*)();

// Loads `fileName` from the executable's folder and returns its table, or
// nullptr when the file cannot be loaded, has no `entryName` or was built for
// another version; a failure is reported once on standard error, naming the
// module's path and the reason. A module stays loaded for the whole process.
// Not thread-safe by itself: each caller loads its module once, through a
// function-local static.
const ModuleTableHead* LoadModuleTable(const char* fileName, const char* entryName, uint32_t version);

}  // namespace vorlan
