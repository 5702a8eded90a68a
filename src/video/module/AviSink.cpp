// AVI files: libavformat's AVI muxer writes the file; frames are compressed
// as Microsoft Video 1 by our own coder (VideoOne.cpp says why not by
// libavcodec's encoder), or stored uncompressed as a bottom-up 24-bit bitmap
// each.
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

#include "video/VideoParts.h"
#include "video/module/VideoSinks.h"

#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace vorlan::output {
namespace {

using graphics::SysImage;

constexpr uint32_t kTagVideoFrame = 61007;

class AviSink final : public VideoSink {
public:
    explicit AviSink(const VideoShape& shape) : shape_(shape) {}
    ~AviSink() override { Release(); }

    bool Make();
    bool Take(const SysImage& frame) override;
    bool Put(int64_t number) override;
    bool Finish() override;
    bool FileMade() const { return fileMade_; }

private:
    bool DescribeVideoOne();
    bool DescribeUncompressed();
    bool WritePacket(uint8_t* bytes, size_t size, bool key, int64_t number);
    bool WriteOneFrame(int64_t number);
    void Release();

    VideoShape shape_;
    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    AVPacket* packet_ = nullptr;
    bool compressed_ = false;     // Video 1, or else uncompressed bitmaps
    OwnedBlock<uint8_t> pixels_;  // uncompressed: one frame, reused for every frame
    OwnedBlock<uint16_t> drawn_;  // Video 1: the frame to code, reused likewise
    OwnedBlock<uint8_t> coded_;   // Video 1: one coded frame, reused likewise
    OwnedBlock<uint16_t> shown_;  // Video 1: the coder's picture of what a player shows
    video::VideoOneCoder coder_;  // Video 1: what a player shows so far
    int64_t keyInterval_ = 25;    // Video 1: frames from one key frame to the next
    int32_t rowBytes_ = 0;
    bool fileMade_ = false;
    bool finished_ = false;
};

// Video 1 works in blocks of 4 x 4 pixels, so the frame is a whole number of
// them (the video canvas is made so).
bool AviSink::DescribeVideoOne() {
    if (shape_.width % 4 != 0 || shape_.height % 4 != 0) return false;
    AVCodecParameters& stream = *stream_->codecpar;
    stream.codec_type = AVMEDIA_TYPE_VIDEO;
    stream.codec_id = AV_CODEC_ID_MSVIDEO1;
    stream.codec_tag = MKTAG('M', 'S', 'V', 'C');
    stream.format = AV_PIX_FMT_RGB555LE;
    stream.bits_per_coded_sample = 16;
    stream.width = shape_.width;
    stream.height = shape_.height;
    compressed_ = true;
    // One key frame a second: a player seeking to a time starts from the key
    // frame before it.
    keyInterval_ = shape_.rate;
    const size_t pixels = static_cast<size_t>(shape_.width) * static_cast<size_t>(shape_.height);
    const bool drawn = drawn_.Allocate(pixels, kTagVideoFrame);
    const bool shown = shown_.Allocate(pixels, kTagVideoFrame);
    const bool coded = coded_.Allocate(video::VideoOneFrameCapacity(shape_.width, shape_.height), kTagVideoFrame);
    coder_ = {.width = shape_.width, .height = shape_.height, .shown = shown_};
    return drawn && shown && coded;
}

bool AviSink::DescribeUncompressed() {
    AVCodecParameters& stream = *stream_->codecpar;
    stream.codec_type = AVMEDIA_TYPE_VIDEO;
    stream.codec_id = AV_CODEC_ID_RAWVIDEO;
    stream.codec_tag = 0;  // a plain bitmap
    stream.format = AV_PIX_FMT_BGR24;
    stream.bits_per_coded_sample = 24;
    stream.width = shape_.width;
    stream.height = shape_.height;
    rowBytes_ = video::BgrRowBytes(shape_.width);
    return pixels_.Allocate(static_cast<size_t>(rowBytes_) * static_cast<size_t>(shape_.height), kTagVideoFrame);
}

bool AviSink::Make() {
    if (avformat_alloc_output_context2(&format_, nullptr, "avi", shape_.path) < 0) return false;
    stream_ = avformat_new_stream(format_, nullptr);
    if (!stream_) return false;
    stream_->time_base = AVRational{1, shape_.rate};
    stream_->avg_frame_rate = AVRational{shape_.rate, 1};
    stream_->r_frame_rate = AVRational{shape_.rate, 1};
    if (!(shape_.quality != 0 ? DescribeVideoOne() : DescribeUncompressed())) return false;
    packet_ = av_packet_alloc();
    if (!packet_) return false;
    // The file comes last, so that a failure above leaves none behind.
    if (avio_open(&format_->pb, shape_.path, AVIO_FLAG_WRITE) < 0) return false;
    fileMade_ = true;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "flipped_raw_rgb", "1", 0);
    const int written = avformat_write_header(format_, &options);
    av_dict_free(&options);
    return written >= 0;
}

void AviSink::Release() {
    av_packet_free(&packet_);
    if (format_) {
        if (format_->pb) avio_closep(&format_->pb);
        avformat_free_context(format_);
        format_ = nullptr;
    }
}

// One frame's bytes, at frame number `number`; the bytes stay ours.
bool AviSink::WritePacket(uint8_t* bytes, size_t size, bool key, int64_t number) {
    AVPacket& packet = *packet_;
    packet.data = bytes;
    packet.size = static_cast<int>(size);
    packet.pts = packet.dts = number;
    packet.duration = 1;
    packet.flags = key ? AV_PKT_FLAG_KEY : 0;
    packet.stream_index = stream_->index;
    av_packet_rescale_ts(&packet, AVRational{1, shape_.rate}, stream_->time_base);
    const int result = av_write_frame(format_, &packet);
    packet.data = nullptr;
    packet.size = 0;
    return result >= 0;
}

// The converted frame, once more. Repeats of a Video 1 frame are coded
// again, and so cost only skip codes, unless a key frame falls due among them.
bool AviSink::WriteOneFrame(int64_t number) {
    if (!compressed_)
        return WritePacket(pixels_, static_cast<size_t>(rowBytes_) * static_cast<size_t>(shape_.height), true, number);
    bool key = false;
    const size_t size = video::CodeVideoOneFrame(coder_, drawn_, number % keyInterval_ == 0, coded_, &key);
    return WritePacket(coded_, size, key, number);
}

bool AviSink::Take(const SysImage& frame) {
    if (compressed_) video::FillRgb555(frame, drawn_);
    else video::FillBottomUpBgr(frame, pixels_, rowBytes_);
    return true;
}

bool AviSink::Put(int64_t number) { return !finished_ && WriteOneFrame(number); }

// Writes the index and sizes that make the file play.
bool AviSink::Finish() {
    if (finished_ || !format_) return true;
    finished_ = true;
    bool ok = true;
    if (av_write_trailer(format_) < 0) ok = false;
    if (format_->pb->error < 0) ok = false;
    if (avio_closep(&format_->pb) < 0) ok = false;
    // One uncompressed frame is the most any frame of either stream takes.
    const int64_t bufferSize = int64_t{shape_.height} * video::BgrRowBytes(shape_.width);
    if (ok && !video::SetHeaderFields(shape_.path, static_cast<uint32_t>(bufferSize), shape_.quality * 100u)) ok = false;
    return ok;
}

}  // namespace

std::unique_ptr<VideoSink> MakeAviSink(const VideoShape& shape) { return StartSink<AviSink>(shape); }

}  // namespace vorlan::output
