#pragma once
// The kinds of video file the module writes. The writer (VideoWriter.cpp)
// hands each a frame of one colour per pixel, on its encoder thread, as many
// times as Frame asked; the kind converts, codes and writes it.

#include "base/Settings.h"
#include "graphics/Image.h"

#include <cstdio>
#include <memory>

namespace vorlan::output {

class VideoSink {
public:
    virtual ~VideoSink() = default;
    // Takes `frame` (width × height, scale 1) as the one Put writes next; it
    // stays as it is until the next Take. false when it cannot be taken.
    virtual bool Take(const graphics::SysImage& frame) = 0;
    // Appends the frame taken last, as frame `number` (counted from 0 across
    // the file). false when the file cannot take it.
    virtual bool Put(int64_t number) = 0;
    // Writes what makes the file play; once, after the last frame. false
    // when the file could not be finished.
    virtual bool Finish() = 0;
};

// What every kind is made from.
struct VideoShape {
    int32_t width;
    int32_t height;
    int rate;          // frames a second
    uint16_t quality;  // the AVI stream's Q (VideoFile.h)
    const char* path;  // UTF-8
};

// A sink made and started, or nullptr with no file left behind. Each kind
// has Make(), which makes its file and writes its start, and FileMade().
template <class Sink>
std::unique_ptr<VideoSink> StartSink(const VideoShape& shape) {
    auto sink = std::make_unique<Sink>(shape);
    if (sink->Make()) return sink;
    const bool made = sink->FileMade();
    sink.reset();  // closes the file before it goes
    if (made) std::remove(shape.path);
    return nullptr;
}

// Each makes its file and writes its start, or returns nullptr and leaves
// no file behind.
std::unique_ptr<VideoSink> MakeAviSink(const VideoShape& shape);
std::unique_ptr<VideoSink> MakeMp4Sink(const VideoShape& shape);
std::unique_ptr<VideoSink> MakeGifSink(const VideoShape& shape);

}  // namespace vorlan::output
