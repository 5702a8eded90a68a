// The video writer on FFmpeg's libraries: libavformat's AVI muxer writes the
// file; frames are compressed by libavcodec's Microsoft Video 1 encoder, or
// stored uncompressed as a bottom-up 24-bit bitmap each.
//
// Uncompressed frames skip the encoder: FFmpeg's raw video encoder is a copy,
// and handing the muxer our frame buffer as it is keeps the bitmap rows
// exactly (bottom-up, padded to 4 bytes, which the muxer's "flipped_raw_rgb"
// header then declares) and costs no copy or allocation per frame.
//
// The encoder takes no quality setting (it uses a fixed error threshold), so
// the quality Q chooses between the two streams, and reaches the file only as
// the stream header's quality, Q × 100, which is set with the suggested
// buffer size once the muxer has finished (VideoHeader.cpp).
//
// All state is behind one lock, taken per frame, because the interrupt watch
// may finish the file from its own thread (VideoInterrupt.cpp).

#include "output/VideoFile.h"

#include "driver/Utf8.h"
#include "output/ImageFiles.h"
#include "output/VideoParts.h"

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

// The largest frame edge that scale 4 still stores uncompressed.
constexpr int32_t kLargestPlainEdge = 1000;

struct VideoWriter {
    AVFormatContext* format = nullptr;
    AVStream* stream = nullptr;
    AVCodecContext* encoder = nullptr;  // nullptr: frames are stored uncompressed
    AVFrame* frame = nullptr;           // the encoder's input, on `pixels`
    AVPacket* packet = nullptr;
    uint8_t* pixels = nullptr;          // one converted frame, reused for every frame
    SysImage* reduced = nullptr;        // the canvas at one colour per pixel, reused likewise
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

// The frame buffer belongs to the writer; the reference the encoder sees
// must not free it.
void KeepPixels(void*, uint8_t*) {}

bool OpenEncoder(VideoWriter& video, int rate) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MSVIDEO1);
    if (!codec) return false;
    video.encoder = avcodec_alloc_context3(codec);
    if (!video.encoder) return false;
    AVCodecContext& encoder = *video.encoder;
    encoder.width = video.width;
    encoder.height = video.height;
    encoder.pix_fmt = AV_PIX_FMT_RGB555LE;
    encoder.time_base = video.frameTime;
    encoder.framerate = AVRational{rate, 1};
    if (avcodec_open2(video.encoder, codec, nullptr) < 0) return false;
    if (avcodec_parameters_from_context(video.stream->codecpar, video.encoder) < 0) return false;

    video.rowBytes = 2 * video.width;
    video.frame = av_frame_alloc();
    if (!video.frame) return false;
    video.frame->format = AV_PIX_FMT_RGB555LE;
    video.frame->width = video.width;
    video.frame->height = video.height;
    // A counted buffer lets the encoder take a reference instead of a copy.
    const size_t bytes = static_cast<size_t>(video.rowBytes) * static_cast<size_t>(video.height);
    video.pixels = static_cast<uint8_t*>(MemAllocate(bytes, kTagVideoFrame));
    if (!video.pixels) return false;
    video.frame->buf[0] = av_buffer_create(video.pixels, bytes, &KeepPixels, nullptr, 0);
    if (!video.frame->buf[0]) return false;
    video.frame->data[0] = video.pixels;
    video.frame->linesize[0] = video.rowBytes;
    return true;
}

void DescribeUncompressed(VideoWriter& video) {
    AVCodecParameters& stream = *video.stream->codecpar;
    stream.codec_type = AVMEDIA_TYPE_VIDEO;
    stream.codec_id = AV_CODEC_ID_RAWVIDEO;
    stream.codec_tag = 0;  // a plain bitmap
    stream.format = AV_PIX_FMT_BGR24;
    stream.bits_per_coded_sample = 24;
    stream.width = video.width;
    stream.height = video.height;
    video.rowBytes = video::BgrRowBytes(video.width);
}

// Everything but the frame buffer of uncompressed frames, which comes after.
bool MakeWriter(VideoWriter& video, const SysImage& canvas, int rate) {
    if (avformat_alloc_output_context2(&video.format, nullptr, "avi", video.path) < 0) return false;
    video.stream = avformat_new_stream(video.format, nullptr);
    if (!video.stream) return false;
    video.stream->time_base = video.frameTime;
    video.stream->avg_frame_rate = AVRational{rate, 1};
    video.stream->r_frame_rate = AVRational{rate, 1};
    if (video.quality != 0) {
        if (!OpenEncoder(video, rate)) return false;
    } else {
        DescribeUncompressed(video);
        const size_t bytes = static_cast<size_t>(video.rowBytes) * static_cast<size_t>(video.height);
        video.pixels = static_cast<uint8_t*>(MemAllocate(bytes, kTagVideoFrame));
        if (!video.pixels) return false;
    }
    video.packet = av_packet_alloc();
    if (!video.packet) return false;
    if (canvas.scale != 1) {
        video.reduced = graphics::CreateImage(video.width, video.height, ImageMode::Picture, canvas.colourMix, 1);
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

void ReleaseWriter(VideoWriter& video) {
    avcodec_free_context(&video.encoder);
    av_frame_free(&video.frame);
    av_packet_free(&video.packet);
    if (video.format) {
        if (video.format->pb) avio_closep(&video.format->pb);
        avformat_free_context(video.format);
        video.format = nullptr;
    }
    MemRelease(video.pixels);
    graphics::FreeImage(video.reduced);
}

// Hands every packet the encoder has ready to the muxer.
bool WriteEncoded(VideoWriter& video) {
    int result = 0;
    while ((result = avcodec_receive_packet(video.encoder, video.packet)) == 0) {
        video.packet->stream_index = video.stream->index;
        av_packet_rescale_ts(video.packet, video.frameTime, video.stream->time_base);
        result = av_write_frame(video.format, video.packet);
        av_packet_unref(video.packet);
        if (result < 0) return false;
    }
    return result == AVERROR(EAGAIN) || result == AVERROR_EOF;
}

// The converted frame, once more, at the next frame number.
bool WriteOneFrame(VideoWriter& video) {
    if (video.encoder) {
        video.frame->pts = video.nextFrame;
        return avcodec_send_frame(video.encoder, video.frame) >= 0 && WriteEncoded(video);
    }
    AVPacket& packet = *video.packet;
    packet.data = video.pixels;
    packet.size = video.rowBytes * video.height;
    packet.pts = packet.dts = video.nextFrame;
    packet.duration = 1;
    packet.flags = AV_PKT_FLAG_KEY;
    packet.stream_index = video.stream->index;
    av_packet_rescale_ts(&packet, video.frameTime, video.stream->time_base);
    const int result = av_write_frame(video.format, &packet);
    packet.data = nullptr;  // the buffer stays ours
    packet.size = 0;
    return result >= 0;
}

// Drains the encoder and writes the index and sizes that make the file play.
bool FinishFile(VideoWriter& video) {
    if (video.finished || !video.format) return true;
    video.finished = true;
    bool ok = true;
    if (video.encoder) ok = avcodec_send_frame(video.encoder, nullptr) >= 0 && WriteEncoded(video);
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

}  // namespace

uint16_t VideoQuality(uint16_t scale, int32_t width, int32_t height) {
    switch (scale) {
    case 1: return 50;
    case 2: return 75;
    case 4: return width > kLargestPlainEdge || height > kLargestPlainEdge ? 100 : 0;
    default: return 50;
    }
}

Status OpenVideo(const RunSettings& run, const SysImage& canvas, const char16_t* path) {
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
    gVideo = video;
    video::StartProgress();
    return Status::Success;
}

Status WriteFrames(const SysImage& canvas, int32_t count) {
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
    if (video.encoder) {
        // Normally a no-op: the encoder has let go of the last frame.
        if (av_frame_make_writable(video.frame) < 0) return Status::Invalid;
        video::FillRgb555(*image, video.frame->data[0], video.frame->linesize[0]);
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

bool CloseVideo() {
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

bool VideoIsOpen() {
    std::lock_guard lock(gLock);
    return gVideo.format != nullptr;
}

void EndVideoProgress() { video::EndProgress(); }

}  // namespace vorlan::output
