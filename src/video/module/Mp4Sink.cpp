// MP4 files: H.264 by libavcodec's libx264 encoder, in libavformat's MP4
// muxer, which moves the index to the front of the file when it finishes, so
// the file streams. Frames are 4:2:0 YUV (yuv420p), which browsers play,
// converted here with BT.709's weights and studio range.
//
// Two runs write the same bytes: the encoder runs on one thread (with more,
// x264 splits its work by how many there are, and so codes differently on
// another machine), and both the encoder and the muxer are asked for bit-exact
// output, which leaves out the muxer's version and any time of writing.

#include "video/module/VideoSinks.h"

#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
}

namespace vorlan::output {
namespace {

using graphics::ColourWord;
using graphics::SysImage;

// The constant rate factor: lower keeps more. The last frame of a bright
// ball crossing a dark background (the video tests) decodes 37.0 dB from
// the picture at 18, 37.6 at 15 and 38.4 at 14; below that it stays at 38.4,
// what halving the colour's resolution leaves at the ball's edge.
constexpr const char* kRateFactor = "14";
constexpr const char* kPreset = "fast";

// BT.709 in studio range, in 16-bit fixed point: Y from 16 to 235, Cb and Cr
// from 16 to 240 about 128.
uint8_t Luma(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<uint8_t>(16 + ((11966 * r + 40254 * g + 4064 * b + 32768) >> 16));
}
uint8_t BlueDifference(int32_t r, int32_t g, int32_t b) {
    return static_cast<uint8_t>((-6597 * r - 22187 * g + 28784 * b + (128 << 16) + 32768) >> 16);
}
uint8_t RedDifference(int32_t r, int32_t g, int32_t b) {
    return static_cast<uint8_t>((28784 * r - 26148 * g - 2636 * b + (128 << 16) + 32768) >> 16);
}

int32_t Channel(ColourWord word, int shift) { return static_cast<int32_t>(word >> shift & 0xFF); }

// Luma for every pixel; each chroma sample from the mean of its 2 × 2 pixels.
// Width and height are even (video frames are multiples of 4).
void FillYuv420(const SysImage& image, AVFrame& frame) {
    for (int32_t y = 0; y < image.rows; ++y) {
        const ColourWord* row = image.PictureRow(y);
        uint8_t* luma = frame.data[0] + static_cast<ptrdiff_t>(y) * frame.linesize[0];
        for (int32_t x = 0; x < image.columns; ++x)
            luma[x] = Luma(row[x] & 0xFF, row[x] >> 8 & 0xFF, row[x] >> 16 & 0xFF);
    }
    for (int32_t y = 0; y < image.rows / 2; ++y) {
        const ColourWord* top = image.PictureRow(2 * y);
        const ColourWord* bottom = image.PictureRow(2 * y + 1);
        uint8_t* cb = frame.data[1] + static_cast<ptrdiff_t>(y) * frame.linesize[1];
        uint8_t* cr = frame.data[2] + static_cast<ptrdiff_t>(y) * frame.linesize[2];
        for (int32_t x = 0; x < image.columns / 2; ++x) {
            int32_t sum[3];
            for (int c = 0; c < 3; ++c) {
                const int shift = 8 * c;
                sum[c] = Channel(top[2 * x], shift) + Channel(top[2 * x + 1], shift) + Channel(bottom[2 * x], shift) +
                         Channel(bottom[2 * x + 1], shift);
            }
            const int32_t r = (sum[0] + 2) / 4, g = (sum[1] + 2) / 4, b = (sum[2] + 2) / 4;
            cb[x] = BlueDifference(r, g, b);
            cr[x] = RedDifference(r, g, b);
        }
    }
}

class Mp4Sink final : public VideoSink {
public:
    explicit Mp4Sink(const VideoShape& shape) : shape_(shape) {}
    ~Mp4Sink() override { Release(); }

    bool Make();
    bool Take(const SysImage& frame) override;
    bool Put(int64_t number) override;
    bool Finish() override;
    bool FileMade() const { return fileMade_; }

private:
    bool OpenEncoder();
    // Sends a frame, or the end of the frames (nullptr), and writes what comes out.
    bool Send(const AVFrame* frame);
    void Release();

    VideoShape shape_;
    AVFormatContext* format_ = nullptr;
    AVCodecContext* encoder_ = nullptr;
    AVStream* stream_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    bool fileMade_ = false;
    bool finished_ = false;
};

bool Mp4Sink::OpenEncoder() {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    if (!codec) return false;
    encoder_ = avcodec_alloc_context3(codec);
    if (!encoder_) return false;
    encoder_->width = shape_.width;
    encoder_->height = shape_.height;
    encoder_->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder_->time_base = AVRational{1, shape_.rate};
    encoder_->framerate = AVRational{shape_.rate, 1};
    encoder_->thread_count = 1;
    encoder_->color_range = AVCOL_RANGE_MPEG;
    encoder_->colorspace = AVCOL_SPC_BT709;
    encoder_->color_primaries = AVCOL_PRI_BT709;
    encoder_->color_trc = AVCOL_TRC_BT709;
    encoder_->flags |= AV_CODEC_FLAG_BITEXACT;
    if (format_->oformat->flags & AVFMT_GLOBALHEADER) encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "crf", kRateFactor, 0);
    av_dict_set(&options, "preset", kPreset, 0);
    const int opened = avcodec_open2(encoder_, codec, &options);
    av_dict_free(&options);
    return opened >= 0;
}

bool Mp4Sink::Make() {
    if (avformat_alloc_output_context2(&format_, nullptr, "mp4", shape_.path) < 0) return false;
    format_->flags |= AVFMT_FLAG_BITEXACT;
    if (!OpenEncoder()) return false;
    stream_ = avformat_new_stream(format_, nullptr);
    if (!stream_ || avcodec_parameters_from_context(stream_->codecpar, encoder_) < 0) return false;
    stream_->time_base = encoder_->time_base;
    stream_->avg_frame_rate = encoder_->framerate;
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (!frame_ || !packet_) return false;
    frame_->format = AV_PIX_FMT_YUV420P;
    frame_->width = shape_.width;
    frame_->height = shape_.height;
    frame_->color_range = AVCOL_RANGE_MPEG;
    frame_->colorspace = AVCOL_SPC_BT709;
    if (av_frame_get_buffer(frame_, 0) < 0) return false;
    // The file comes last, so that a failure above leaves none behind.
    if (avio_open(&format_->pb, shape_.path, AVIO_FLAG_WRITE) < 0) return false;
    fileMade_ = true;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "+faststart", 0);
    const int written = avformat_write_header(format_, &options);
    av_dict_free(&options);
    return written >= 0;
}

void Mp4Sink::Release() {
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&encoder_);
    if (format_) {
        if (format_->pb) avio_closep(&format_->pb);
        avformat_free_context(format_);
        format_ = nullptr;
    }
}

bool Mp4Sink::Send(const AVFrame* frame) {
    if (avcodec_send_frame(encoder_, frame) < 0) return false;
    for (;;) {
        const int received = avcodec_receive_packet(encoder_, packet_);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return true;
        if (received < 0) return false;
        av_packet_rescale_ts(packet_, encoder_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        if (av_interleaved_write_frame(format_, packet_) < 0) return false;
    }
}

bool Mp4Sink::Take(const SysImage& frame) {
    // The encoder may still hold the last frame's buffer; the frame then
    // moves to a buffer of its own.
    if (av_frame_make_writable(frame_) < 0) return false;
    FillYuv420(frame, *frame_);
    return true;
}

bool Mp4Sink::Put(int64_t number) {
    if (finished_) return false;
    frame_->pts = number;
    return Send(frame_);
}

bool Mp4Sink::Finish() {
    if (finished_ || !format_) return true;
    finished_ = true;
    bool ok = Send(nullptr);
    if (av_write_trailer(format_) < 0) ok = false;
    if (format_->pb->error < 0) ok = false;
    if (avio_closep(&format_->pb) < 0) ok = false;
    return ok;
}

}  // namespace

std::unique_ptr<VideoSink> MakeMp4Sink(const VideoShape& shape) { return StartSink<Mp4Sink>(shape); }

}  // namespace vorlan::output
