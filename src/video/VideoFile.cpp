// The core's side of the video writer: the quality rule, and the calls that
// load the video module on first use and go on through its table. A run
// that loads no module has opened no video, so closing and asking need no
// module then.

#include "video/VideoFile.h"

#include "video/VideoModule.h"
#include "video/VideoParts.h"

#include <atomic>

namespace vorlan::output {
namespace {

// The largest frame edge that scale 4 still stores uncompressed.
constexpr int32_t kLargestPlainEdge = 1000;

// Set once the module is in; read without a lock by the calls that need no
// module when it never came.
std::atomic<const VideoModuleTable*> gLoaded{nullptr};

// nullptr when the module cannot be loaded; tried, and reported, only once.
const VideoModuleTable* VideoModule() {
    static const VideoModuleTable* const loaded = [] {
        const ModuleTableHead* head = LoadModuleTable(kVideoModuleFile, kVideoModuleEntry, kVideoModuleVersion);
        const auto* table = reinterpret_cast<const VideoModuleTable*>(head);
        gLoaded.store(table);
        return table;
    }();
    return loaded;
}

}  // namespace

uint16_t VideoQuality(uint16_t scale, int32_t width, int32_t height) {
    switch (scale) {
    case 1: return 50;
    case 2: return 75;
    case 4: return width > kLargestPlainEdge || height > kLargestPlainEdge ? 100 : 0;
    default: return 50;
    }
}

Status OpenVideo(const RunSettings& run, const graphics::SysImage& canvas, const char16_t* path) {
    const VideoModuleTable* module = VideoModule();
    return module ? module->open(run, canvas, path) : Status::Invalid;
}

Status WriteFrames(const graphics::SysImage& canvas, int32_t count) {
    const VideoModuleTable* module = gLoaded.load();
    return module ? module->writeFrames(canvas, count) : Status::Invalid;
}

bool CloseVideo() {
    const VideoModuleTable* module = gLoaded.load();
    return module ? module->close() : true;
}

bool VideoIsOpen() {
    const VideoModuleTable* module = gLoaded.load();
    return module && module->isOpen();
}

void EndVideoProgress() { video::EndProgress(); }

}  // namespace vorlan::output
