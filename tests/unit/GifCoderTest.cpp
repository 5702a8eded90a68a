// GIF frames as a player shows them: every coded frame is decoded by
// libavcodec's GIF decoder, one decoder for the whole file as a player keeps
// one, and compared with the frame that was drawn: exactly when it holds 256
// colours or fewer, closely when it holds more.

#include "video/VideoParts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace vorlan::output::test {
namespace {

using graphics::ColourWord;
using graphics::ImageMode;
using graphics::SysImage;

// Codes frames of one size, and decodes them as a player would.
class GifStream {
public:
    GifStream(int32_t width, int32_t height) : header_(video::GifHeader(width, height)) {
        coder_.width = width;
        coder_.height = height;
        coder_.last.assign(static_cast<size_t>(width) * height, 0);
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_GIF);
        decoder_ = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (decoder_ && avcodec_open2(decoder_, codec, nullptr) < 0) avcodec_free_context(&decoder_);
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
    }
    ~GifStream() {
        avcodec_free_context(&decoder_);
        av_frame_free(&frame_);
        av_packet_free(&packet_);
    }
    bool Ready() const { return decoder_ && frame_ && packet_; }

    // Codes `image` and decodes it; the decoded frame's colours, 0x00BBGGRR.
    std::vector<uint32_t> Code(const SysImage& image) {
        std::vector<uint8_t> bytes = coder_.frames == 0 ? header_ : std::vector<uint8_t>{};
        video::CodeGifFrame(coder_, image, 4, bytes);
        lastSize_ = bytes.size();
        std::vector<uint32_t> shown;
        if (av_new_packet(packet_, static_cast<int>(bytes.size())) < 0) return shown;
        std::copy(bytes.begin(), bytes.end(), packet_->data);
        const int sent = avcodec_send_packet(decoder_, packet_);
        av_packet_unref(packet_);
        if (sent < 0 || avcodec_receive_frame(decoder_, frame_) < 0) return shown;
        EXPECT_EQ(frame_->format, AV_PIX_FMT_RGB32);
        for (int32_t y = 0; y < frame_->height; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(frame_->data[0] + static_cast<ptrdiff_t>(y) * frame_->linesize[0]);
            // RGB32 is 0xAARRGGBB in a native word.
            for (int32_t x = 0; x < frame_->width; ++x)
                shown.push_back((row[x] >> 16 & 0xFF) | (row[x] & 0xFF00) | (row[x] & 0xFF) << 16);
        }
        av_frame_unref(frame_);
        return shown;
    }
    size_t LastSize() const { return lastSize_; }

private:
    std::vector<uint8_t> header_;
    video::GifCoder coder_;
    AVCodecContext* decoder_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    size_t lastSize_ = 0;
};

std::vector<uint32_t> Colours(const SysImage& image) {
    std::vector<uint32_t> colours;
    for (int32_t y = 0; y < image.rows; ++y)
        for (int32_t x = 0; x < image.columns; ++x) colours.push_back(image.PictureRow(y)[x] & 0x00FFFFFFu);
    return colours;
}

double Psnr(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    double total = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 24; shift += 8) {
            const double d = double(a[i] >> shift & 0xFF) - double(b[i] >> shift & 0xFF);
            total += d * d;
        }
    const double mean = total / (3.0 * a.size());
    return mean == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mean);
}

// Noise of up to 256 colours over a frame large enough to fill the coder's
// table many times over, then changes to part of it, a repeat, and a frame
// of one colour: each decodes to exactly what was drawn, and the repeat is a
// few bytes.
TEST(GifCoder, FramesOfUpTo256ColoursDecodeExactly) {
    GifStream stream(300, 200);
    ASSERT_TRUE(stream.Ready());
    Owned<SysImage> image(graphics::CreateImage(300, 200, ImageMode::Picture, graphics::kColourMixPaper, 1));
    ASSERT_NE(image, nullptr);
    std::mt19937 random(7);
    std::vector<ColourWord> palette(256);
    for (ColourWord& colour : palette) colour = random() | 0xFF000000u;
    auto* cells = reinterpret_cast<ColourWord*>(image->cells.Get());
    for (int32_t i = 0; i < 300 * 200; ++i) cells[i] = palette[random() % 256];
    EXPECT_EQ(stream.Code(*image), Colours(*image));

    for (int32_t y = 50; y < 90; ++y)
        for (int32_t x = 120; x < 200; ++x) image->PictureRow(y)[x] = palette[(x * y) % 7];
    EXPECT_EQ(stream.Code(*image), Colours(*image));

    EXPECT_EQ(stream.Code(*image), Colours(*image));
    EXPECT_LT(stream.LastSize(), 40u);

    for (int32_t i = 0; i < 300 * 200; ++i) cells[i] = 0xFF123456u;
    EXPECT_EQ(stream.Code(*image), Colours(*image));
}

// A gradient of 16384 colours goes through the median cut: it decodes to
// within 30 dB of what was drawn.
TEST(GifCoder, FramesOfMoreColoursDecodeClosely) {
    GifStream stream(128, 128);
    ASSERT_TRUE(stream.Ready());
    Owned<SysImage> image(graphics::CreateImage(128, 128, ImageMode::Picture, graphics::kColourMixPaper, 1));
    ASSERT_NE(image, nullptr);
    for (int32_t y = 0; y < 128; ++y)
        for (int32_t x = 0; x < 128; ++x)
            image->PictureRow(y)[x] = 0xFF000000u | static_cast<ColourWord>(2 * x) |
                                      static_cast<ColourWord>(2 * y) << 8 | static_cast<ColourWord>(x + y) << 16;
    const std::vector<uint32_t> shown = stream.Code(*image);
    ASSERT_EQ(shown.size(), 128u * 128u);
    EXPECT_GT(Psnr(shown, Colours(*image)), 30.0);
}

// Frames start at the nearest hundredth to n / rate seconds.
TEST(GifCoder, DelaysKeepTheFrameRateInHundredths) {
    for (uint32_t rate : {1u, 8u, 25u, 30u, 60u, 100u}) {
        SCOPED_TRACE(testing::Message() << rate << " frames a second");
        uint32_t total = 0;
        for (int64_t n = 0; n < rate; ++n) {
            const uint32_t delay = video::GifDelay(n, rate);
            EXPECT_GE(delay, 100 / rate);
            EXPECT_LE(delay, 100 / rate + 1);
            total += delay;
        }
        EXPECT_EQ(total, 100u);  // a second's frames last a second
    }
    EXPECT_EQ(video::GifDelay(0, 30), 3u);
    EXPECT_EQ(video::GifDelay(1, 30), 4u);
    EXPECT_EQ(video::GifDelay(2, 30), 3u);
}

}  // namespace
}  // namespace vorlan::output::test
