#pragma once
// The pieces the video writer is made of, apart so each can be tested and
// read on its own: the pixel layouts of the streams, the Video 1 coder, the
// GIF coder, the header fields
// set after the muxer, the progress line, and the watch that finishes a video
// when the run is interrupted.

#include "graphics/Image.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorlan::output::video {

// Section - Pixels

// Bytes in one row of an uncompressed frame W pixels wide: 3W rounded up to a
// multiple of 4, as device-independent bitmaps keep their rows.
int32_t BgrRowBytes(int32_t width);

// An uncompressed frame from a scale-1 Picture: a bottom-up bitmap, image row
// r in buffer row H − 1 − r, each pixel blue, green, red, the row padding 0.
// Opacity is dropped: a video has none.
void FillBottomUpBgr(const graphics::SysImage& image, uint8_t* buffer, int32_t rowBytes);

// A Video 1 frame to code from a scale-1 Picture: top row first, W words a
// row, each pixel 0rrrrrgggggbbbbb with each channel rounded to the nearest of
// its 32 levels. Opacity is dropped.
void FillRgb555(const graphics::SysImage& image, uint16_t* pixels);

// Section - Video 1 frames

// What a player shows of a Video 1 stream after the frames coded so far; the
// next frame is coded against it. Width and height are multiples of 4, the
// size of the format's blocks.
struct VideoOneCoder {
    int32_t width = 0;
    int32_t height = 0;
    uint16_t* shown = nullptr;  // width × height 15-bit pixels, top row first
};

// The most bytes one coded frame of width × height pixels can take.
size_t VideoOneFrameCapacity(int32_t width, int32_t height);

// Codes `pixels` (as FillRgb555 lays them out) into `out`, which holds
// VideoOneFrameCapacity bytes, and returns the bytes used. A player then
// shows every 2 × 2 quarter of a 4 × 4 block that holds at most two colours
// exactly, and any other as the two colours that fit it best. A key frame
// codes every block; any other frame skips the blocks that would show as
// they show already, and is a key frame all the same when it skips none:
// `isKey` tells. The first frame must be a key frame.
size_t CodeVideoOneFrame(VideoOneCoder& coder, const uint16_t* pixels, bool keyFrame, uint8_t* out, bool* isKey);

// Section - Animated GIF

// What the frames so far have left on a GIF's screen; each new frame is the
// rectangle that changed, drawn over it.
struct GifCoder {
    int32_t width = 0;
    int32_t height = 0;
    int64_t frames = 0;
    std::vector<uint32_t> last;  // width × height colours 0x00BBGGRR, top row first
};

// The file's start for frames of width × height: the header, a screen with no
// colour table of its own, and the extension that makes it loop for ever.
std::vector<uint8_t> GifHeader(int32_t width, int32_t height);
// Frame `frame` (from 0) of a run at `rate` frames a second lasts this many
// hundredths of a second: frames start at round(100 n / rate) hundredths, so
// 25 a second gives 4 each and 30 a second 3, 4, 3, 3, 4, 3, ...
uint32_t GifDelay(int64_t frame, uint32_t rate);
// Appends one frame of a scale-1 Picture, shown for `delay` hundredths of a
// second, to `out`. Opacity is dropped. The file ends with the byte 0x3B.
void CodeGifFrame(GifCoder& coder, const graphics::SysImage& frame, uint32_t delay, std::vector<uint8_t>& out);

// Section - Header fields

// Sets, in a finished AVI file, the suggested buffer size of the main header
// and of the first stream's header, and that stream's quality. false when the
// file cannot be changed or its headers are not where an AVI file keeps them.
bool SetHeaderFields(const char* path, uint32_t bufferSize, uint32_t quality);

// Section - Progress on standard error

// Notes the start; the line shows only when standard error is a terminal.
void StartProgress();
// At most a few times a second: "\rFrames written: N  (T s)".
void ShowProgress(int64_t frames);
// Shows the final count and ends the line, if a line is showing.
void EndProgress();
// The same from the interrupt watch, with nothing but write(2): ends the line.
void EndProgressOnInterrupt();

// Section - Interrupts

// Starts, once per process, a thread that waits for SIGINT and SIGTERM (those
// not ignored): it calls `finish`, then ends the process as the signal would
// have. The calling thread blocks the two signals from then on. false when
// the thread cannot be started; videos are then written without the watch.
bool WatchInterrupts(void (*finish)());

}  // namespace vorlan::output::video
