// The video module: the writer on FFmpeg's libraries, which only a run that
// opens a video loads (VideoModule.h). libavformat's AVI muxer writes the
// file; frames are compressed as Microsoft Video 1 by our own coder
// (VideoOne.cpp says why not by libavcodec's encoder), or stored uncompressed
// as a bottom-up 24-bit bitmap each.
//
// Uncompressed frames skip the encoder: FFmpeg's raw video encoder is a copy,
// and handing the muxer our frame buffer as it is keeps the bitmap rows
// exactly (bottom-up, padded to 4 bytes, which the muxer's "flipped_raw_rgb"
// header then declares) and costs no copy or allocation per frame.
//
// Video 1 frames are coded as exactly as the format allows at every quality,
// so the quality Q chooses between the two streams, and reaches the file only
// as the stream header's quality, Q × 100, which is set with the suggested
// buffer size once the muxer has finished (VideoHeader.cpp).
//
// All state is behind one lock, taken per frame, because the interrupt watch
// may finish the file from its own thread (VideoInterrupt.cpp).

#include "base/Utf8.h"
#include "imagefiles/ImageFiles.h"
#include "video/VideoFile.h"
#include "video/VideoModule.h"
#include "video/VideoParts.h"

#include <cstdio>
#include <mutex>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
}

namespace vorlan::output {

using graphics::ImageMode;
using graphics::SysImage;

namespace {

constexpr uint32_t kTagVideoFrame = 61007;

struct VideoWriter {
    AVFormatContext* format = nullptr;
    AVStream* stream = nullptr;
    AVPacket* packet = nullptr;
    bool compressed = false;            // Video 1, or else uncompressed bitmaps
    OwnedBlock<uint8_t> pixels;         // uncompressed: one frame, reused for every frame
    OwnedBlock<uint16_t> drawn;         // Video 1: the frame to code, reused likewise
    OwnedBlock<uint8_t> coded;          // Video 1: one coded frame, reused likewise
    OwnedBlock<uint16_t> shown;         // Video 1: the coder's picture of what a player shows
    video::VideoOneCoder coder;         // Video 1: what a player shows so far
    int64_t keyInterval = 25;           // Video 1: frames from one key frame to the next
    Owned<SysImage> reduced;            // the canvas at one colour per pixel, reused likewise
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowBytes = 0;
    uint16_t quality = 0;               // Q, which the stream header holds as Q × 100
    AVRational frameTime{1, 25};        // 1 / frame rate: the time base of frame numbers
    int64_t nextFrame = 0;
    bool fileMade = false;
    bool finished = false;              // the end of the file is written
    char path[kUtf8PathCapacity] = {};
};

std::mutex gLock;
VideoWriter gVideo;

// Video 1 works in blocks of 4 x 4 pixels, so the frame is a whole number of
// them (the video canvas is made so).
bool DescribeVideoOne(VideoWriter& video, int rate) {
    if (video.width % 4 != 0 || video.height % 4 != 0) return false;
    AVCodecParameters& stream = *video.stream->codecpar;
    stream.codec_type = AVMEDIA_TYPE_VIDEO;
    stream.codec_id = AV_CODEC_ID_MSVIDEO1;
    stream.codec_tag = MKTAG('M', 'S', 'V', 'C');
    stream.format = AV_PIX_FMT_RGB555LE;
    stream.bits_per_coded_sample = 16;
    stream.width = video.width;
    stream.height = video.height;
    video.compressed = true;
    // One key frame a second: a player seeking to a time starts from the key
    // frame before it.
    video.keyInterval = rate;
    const size_t pixels = static_cast<size_t>(video.width) * static_cast<size_t>(video.height);
    const bool drawn = video.drawn.Allocate(pixels, kTagVideoFrame);
    const bool shown = video.shown.Allocate(pixels, kTagVideoFrame);
    const bool coded = video.coded.Allocate(video::VideoOneFrameCapacity(video.width, video.height), kTagVideoFrame);
    video.coder = {.width = video.width, .height = video.height, .shown = video.shown};
    return drawn && shown && coded;
}

bool DescribeUncompressed(VideoWriter& video) {
    AVCodecParameters& stream = *video.stream->codecpar;
    stream.codec_type = AVMEDIA_TYPE_VIDEO;
    stream.codec_id = AV_CODEC_ID_RAWVIDEO;
    stream.codec_tag = 0;  // a plain bitmap
    stream.format = AV_PIX_FMT_BGR24;
    stream.bits_per_coded_sample = 24;
    stream.width = video.width;
    stream.height = video.height;
    video.rowBytes = video::BgrRowBytes(video.width);
    return video.pixels.Allocate(static_cast<size_t>(video.rowBytes) * static_cast<size_t>(video.height),
                                 kTagVideoFrame);
}

bool MakeWriter(VideoWriter& video, const SysImage& canvas, int rate) {
    if (avformat_alloc_output_context2(&video.format, nullptr, "avi", video.path) < 0) return false;
    video.stream = avformat_new_stream(video.format, nullptr);
    if (!video.stream) return false;
    video.stream->time_base = video.frameTime;
    video.stream->avg_frame_rate = AVRational{rate, 1};
    video.stream->r_frame_rate = AVRational{rate, 1};
    if (!(video.quality != 0 ? DescribeVideoOne(video, rate) : DescribeUncompressed(video))) return false;
    video.packet = av_packet_alloc();
    if (!video.packet) return false;
    if (canvas.scale != 1) {
        video.reduced.Adopt(graphics::CreateImage(video.width, video.height, ImageMode::Picture, canvas.colourMix, 1));
        if (!video.reduced) return false;
    }
    // The file comes last, so that a failure above leaves none behind.
    if (avio_open(&video.format->pb, video.path, AVIO_FLAG_WRITE) < 0) return false;
    video.fileMade = true;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "flipped_raw_rgb", "1", 0);
    const int written = avformat_write_header(video.format, &options);
    av_dict_free(&options);
    return written >= 0;
}

// The frame buffers go with the writer record itself.
void ReleaseWriter(VideoWriter& video) {
    av_packet_free(&video.packet);
    if (video.format) {
        if (video.format->pb) avio_closep(&video.format->pb);
        avformat_free_context(video.format);
        video.format = nullptr;
    }
}

// One frame's bytes, at the next frame number; the bytes stay ours.
bool WritePacket(VideoWriter& video, uint8_t* bytes, size_t size, bool key) {
    AVPacket& packet = *video.packet;
    packet.data = bytes;
    packet.size = static_cast<int>(size);
    packet.pts = packet.dts = video.nextFrame;
    packet.duration = 1;
    packet.flags = key ? AV_PKT_FLAG_KEY : 0;
    packet.stream_index = video.stream->index;
    av_packet_rescale_ts(&packet, video.frameTime, video.stream->time_base);
    const int result = av_write_frame(video.format, &packet);
    packet.data = nullptr;
    packet.size = 0;
    return result >= 0;
}

// The converted frame, once more, at the next frame number. Repeats of a
// Video 1 frame are coded again, and so cost only skip codes, unless a key
// frame falls due among them.
bool WriteOneFrame(VideoWriter& video) {
    if (!video.compressed)
        return WritePacket(video, video.pixels, static_cast<size_t>(video.rowBytes) * static_cast<size_t>(video.height),
                           true);
    bool key = false;
    const size_t size =
        video::CodeVideoOneFrame(video.coder, video.drawn, video.nextFrame % video.keyInterval == 0, video.coded, &key);
    return WritePacket(video, video.coded, size, key);
}

// Writes the index and sizes that make the file play.
bool FinishFile(VideoWriter& video) {
    if (video.finished || !video.format) return true;
    video.finished = true;
    bool ok = true;
    if (av_write_trailer(video.format) < 0) ok = false;
    if (video.format->pb->error < 0) ok = false;
    if (avio_closep(&video.format->pb) < 0) ok = false;
    // One uncompressed frame is the most any frame of either stream takes.
    const int64_t bufferSize = int64_t{video.height} * video::BgrRowBytes(video.width);
    if (ok && !video::SetHeaderFields(video.path, static_cast<uint32_t>(bufferSize), video.quality * 100u)) ok = false;
    return ok;
}

void FinishOnInterrupt() {
    // The lock is kept: the process ends by the signal next, and the run must
    // not meet the finished video first (a Frame on it would fail and end the
    // run with an error of its own before the signal does).
    gLock.lock();
    (void)FinishFile(gVideo);
    video::EndProgressOnInterrupt();
}

Status OpenWriter(const RunSettings& run, const SysImage& canvas, const char16_t* path) {
    if (canvas.mode != ImageMode::Picture || canvas.scale == 0 || !path) return Status::Invalid;
    // The libraries' own messages would reach the user between our lines.
    av_log_set_level(AV_LOG_QUIET);
    (void)video::WatchInterrupts(&FinishOnInterrupt);

    std::lock_guard lock(gLock);
    if (gVideo.format) return Status::Invalid;
    VideoWriter video;
    video.width = canvas.columns / canvas.scale;
    video.height = canvas.rows / canvas.scale;
    const int rate = run.picture.frameRate > 0 ? run.picture.frameRate : 25;
    video.frameTime = AVRational{1, rate};
    if (video.width <= 0 || video.height <= 0 || !WideToUtf8(path, video.path, sizeof video.path))
        return Status::Invalid;
    video.quality = VideoQuality(canvas.scale, video.width, video.height);
    if (!MakeWriter(video, canvas, rate)) {
        const bool made = video.fileMade;
        ReleaseWriter(video);
        if (made) std::remove(video.path);
        return Status::Invalid;
    }
    gVideo = std::move(video);
    video::StartProgress();
    return Status::Success;
}

Status WriteWriterFrames(const SysImage& canvas, int32_t count) {
    std::unique_lock lock(gLock);
    VideoWriter& video = gVideo;
    if (!video.format || video.finished) return Status::Invalid;
    if (canvas.mode != ImageMode::Picture || canvas.scale == 0 || canvas.columns / canvas.scale != video.width ||
        canvas.rows / canvas.scale != video.height)
        return Status::Invalid;
    const SysImage* image = &canvas;
    if (canvas.scale != 1) {
        if (!video.reduced || !ReduceScaleInto(canvas, *video.reduced)) return Status::Invalid;
        image = video.reduced;
    }
    if (video.compressed) {
        video::FillRgb555(*image, video.drawn);
    } else {
        video::FillBottomUpBgr(*image, video.pixels, video.rowBytes);
    }
    for (int32_t i = 0; i < count; ++i) {
        if (!WriteOneFrame(video)) return Status::Invalid;
        ++video.nextFrame;
        video::ShowProgress(video.nextFrame);
        // Between frames an interrupt may finish the file.
        lock.unlock();
        lock.lock();
        if (video.finished) return Status::Invalid;
    }
    return Status::Success;
}

bool CloseWriter() {
    bool finished = true;
    {
        std::lock_guard lock(gLock);
        if (gVideo.format) finished = FinishFile(gVideo);
        ReleaseWriter(gVideo);
        gVideo = VideoWriter{};
    }
    video::EndProgress();
    return finished;
}

bool WriterIsOpen() {
    std::lock_guard lock(gLock);
    return gVideo.format != nullptr;
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
