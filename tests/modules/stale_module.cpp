// A module built for an interface that has moved on: its entry point hands
// back a table of a version no executable takes, and nothing else, so a
// loader that called through it would crash.

#include "base/ModuleLoader.h"

namespace {

constexpr vorlan::ModuleTableHead kStaleTable = {.version = 0};

}  // namespace

extern "C" __attribute__((visibility("default"))) const vorlan::ModuleTableHead* VorlanVideoModule() {
    return &kStaleTable;
}
