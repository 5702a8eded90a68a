#pragma once
// The video module's table: the writer on FFmpeg's libraries lives in
// vorlan-video.so, loaded by the first video a run opens, so that no other
// run loads FFmpeg. VideoFile.cpp loads it and calls through this table.

#include "base/ModuleLoader.h"
#include "base/Settings.h"
#include "base/Status.h"
#include "graphics/Image.h"

#include <cstdint>

namespace vorlan::output {

// Raised whenever a field below changes its meaning, is added or removed.
constexpr uint32_t kVideoModuleVersion = 1;
constexpr const char* kVideoModuleFile = "vorlan-video.so";
constexpr const char* kVideoModuleEntry = "VorlanVideoModule";

// Each entry does what its namesake in VideoFile.h does.
struct VideoModuleTable {
    ModuleTableHead head;
    Status (*open)(const RunSettings& run, const graphics::SysImage& canvas, const char16_t* path);
    Status (*writeFrames)(const graphics::SysImage& canvas, int32_t count);
    bool (*close)();
    bool (*isOpen)();
};

}  // namespace vorlan::output
