// The video module: the writer on FFmpeg's libraries, which only a run that
// opens a video loads (VideoModule.h). The kind of file (VideoSinks.h) codes
// and writes the frames; this part hands them over.
//
// Frames are coded beside the drawing: Frame reduces the canvas to one
// colour per pixel into one of two frame slots and goes back to the program,
// and an encoder thread codes the slots in turn. A Frame that finds both
// slots full waits for one, so memory stays at two frames however long the
// video. The frames, their order and the file are the same as when one
// thread did both; a frame the file cannot take fails the next Frame, or the
// end of the run.
//
// The interrupt watch may finish the file from its own thread
// (VideoInterrupt.cpp): the sink's lock, which the encoder holds while it
// codes, keeps the two apart.

#include "base/Utf8.h"
#include "imagefiles/ImageFiles.h"
#include "video/VideoFile.h"
#include "video/VideoModule.h"
#include "video/VideoParts.h"
#include "video/module/VideoSinks.h"

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

extern "C" {
#include <libavutil/log.h>
}

namespace vorlan::output {

using graphics::ImageMode;
using graphics::SysImage;

namespace {

constexpr int kSlots = 2;

struct VideoWriter {
    std::unique_ptr<VideoSink> sink;
    Owned<SysImage> slots[kSlots];  // frames at one colour per pixel, waiting or being coded
    int64_t firsts[kSlots] = {};    // each slot's first frame number
    int32_t counts[kSlots] = {};    // and how many times it is written
    int filling = 0;                // the next slot Frame fills
    int coding = 0;                 // the next slot the encoder codes
    int waiting = 0;                // slots filled and not yet coded
    int64_t nextFrame = 0;          // frames handed to the encoder so far
    bool failed = false;            // the file refused a frame
    bool stopping = false;          // no more frames come: the encoder ends once the slots are coded
    bool busy = false;              // the encoder is coding a slot
    std::thread encoder;
    int32_t width = 0;
    int32_t height = 0;
    char path[kUtf8PathCapacity] = {};
};

std::mutex gLock;                 // the writer record, but for the sink
std::condition_variable gChange;  // a slot filled or coded, or the run ending
std::mutex gSinkLock;             // the sink: the encoder's while it codes
VideoWriter gVideo;

void CodeSlots() {
    std::unique_lock lock(gLock);
    for (;;) {
        gChange.wait(lock, [] { return gVideo.waiting > 0 || gVideo.stopping; });
        if (gVideo.waiting == 0) return;
        const int slot = gVideo.coding;
        const int64_t first = gVideo.firsts[slot];
        const int32_t count = gVideo.counts[slot];
        gVideo.busy = true;
        lock.unlock();
        // The sink's lock is let go between frames, so that an interrupt
        // finishes the file after the frame being written, not after all the
        // repeats a Frame asked for.
        bool written = false;
        {
            std::lock_guard sinkLock(gSinkLock);
            written = gVideo.sink->Take(*gVideo.slots[slot]);
        }
        for (int32_t i = 0; written && i < count; ++i) {
            std::lock_guard sinkLock(gSinkLock);
            written = gVideo.sink->Put(first + i);
            if (written) video::ShowProgress(first + i + 1);
        }
        lock.lock();
        gVideo.busy = false;
        if (!written) gVideo.failed = true;
        gVideo.coding = (slot + 1) % kSlots;
        --gVideo.waiting;
        gChange.notify_all();
    }
}

void FinishOnInterrupt() {
    // The sink's lock is kept: the process ends by the signal next, and the
    // encoder must not write to the finished file first.
    gSinkLock.lock();
    if (gVideo.sink) (void)gVideo.sink->Finish();
    video::EndProgressOnInterrupt();
}

std::unique_ptr<VideoSink> MakeSink(FileType type, const VideoShape& shape) {
    switch (type) {
    case FileType::Mp4: return MakeMp4Sink(shape);
    case FileType::Gif: return MakeGifSink(shape);
    default: return MakeAviSink(shape);
    }
}

Status OpenWriter(const RunSettings& run, const SysImage& canvas, const char16_t* path) {
    if (canvas.mode != ImageMode::Picture || canvas.scale == 0 || !path) return Status::Invalid;
    // The libraries' own messages would reach the user between our lines.
    av_log_set_level(AV_LOG_QUIET);
    (void)video::WatchInterrupts(&FinishOnInterrupt);

    std::lock_guard lock(gLock);
    if (gVideo.sink) return Status::Invalid;
    VideoWriter& video = gVideo;
    video = VideoWriter{};
    video.width = canvas.columns / canvas.scale;
    video.height = canvas.rows / canvas.scale;
    if (video.width <= 0 || video.height <= 0 || !WideToUtf8(path, video.path, sizeof video.path))
        return Status::Invalid;
    for (Owned<SysImage>& slot : video.slots) {
        slot.Adopt(graphics::CreateImage(video.width, video.height, ImageMode::Picture, canvas.colourMix, 1));
        if (!slot) {
            video = VideoWriter{};
            return Status::Invalid;
        }
    }
    const VideoShape shape{.width = video.width,
                           .height = video.height,
                           .rate = run.picture.frameRate > 0 ? run.picture.frameRate : 25,
                           .quality = VideoQuality(canvas.scale, video.width, video.height),
                           .path = video.path};
    video.sink = MakeSink(run.picture.fileType, shape);
    if (!video.sink) {
        video = VideoWriter{};
        return Status::Invalid;
    }
    video.encoder = std::thread(&CodeSlots);
    video::StartProgress();
    return Status::Success;
}

// The canvas at one colour per pixel, into a free slot.
bool FillSlot(const SysImage& canvas, SysImage& slot) {
    if (canvas.scale != 1) return ReduceScaleInto(canvas, slot);
    graphics::CopyOverlap(slot, canvas);
    return true;
}

Status WriteWriterFrames(const SysImage& canvas, int32_t count) {
    std::unique_lock lock(gLock);
    VideoWriter& video = gVideo;
    if (!video.sink || video.stopping) return Status::Invalid;
    if (canvas.mode != ImageMode::Picture || canvas.scale == 0 || canvas.columns / canvas.scale != video.width ||
        canvas.rows / canvas.scale != video.height)
        return Status::Invalid;
    gChange.wait(lock, [&] { return video.waiting < kSlots || video.failed; });
    if (video.failed) return Status::Invalid;
    // The slot is the run's alone until it is handed over.
    const int slot = video.filling;
    lock.unlock();
    const bool filled = FillSlot(canvas, *video.slots[slot]);
    lock.lock();
    if (!filled) return Status::Invalid;
    video.firsts[slot] = video.nextFrame;
    video.counts[slot] = count;
    video.nextFrame += count;
    video.filling = (slot + 1) % kSlots;
    ++video.waiting;
    gChange.notify_all();
    return Status::Success;
}

bool CloseWriter() {
    {
        std::lock_guard lock(gLock);
        if (!gVideo.sink) return true;
        gVideo.stopping = true;
        gChange.notify_all();
    }
    if (gVideo.encoder.joinable()) gVideo.encoder.join();
    bool finished = false;
    {
        std::lock_guard sinkLock(gSinkLock);
        finished = gVideo.sink->Finish() && !gVideo.failed;
    }
    {
        // Both locks: the interrupt watch may look for the sink meanwhile.
        std::lock_guard sinkLock(gSinkLock);
        std::lock_guard lock(gLock);
        gVideo = VideoWriter{};
    }
    video::EndProgress();
    return finished;
}

bool WriterIsOpen() {
    std::lock_guard lock(gLock);
    return gVideo.sink != nullptr;
}

// The table is built before main, so the module never runs code of its own
// between loading and the first call.
constexpr VideoModuleTable kWriterTable = {
    .head = {.version = kVideoModuleVersion},
    .open = &OpenWriter,
    .writeFrames = &WriteWriterFrames,
    .close = &CloseWriter,
    .isOpen = &WriterIsOpen,
};

}  // namespace
}  // namespace vorlan::output

// The module's one exported name; everything else in it is hidden, so
// nothing here can stand in for the core's functions of the same purpose.
extern "C" __attribute__((visibility("default"))) const vorlan::ModuleTableHead* VorlanVideoModule() {
    return &vorlan::output::kWriterTable.head;
}
