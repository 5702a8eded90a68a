// Video 1 frames as a player shows them: every coded frame is decoded by
// libavcodec's own Video 1 decoder, one decoder for the whole sequence as a
// player keeps one, and compared with the frame that was coded.

#include "video/VideoParts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace vorlan::output::test {
namespace {

using Pixels = std::vector<uint16_t>;  // 15-bit pixels, top row first

constexpr uint16_t Pixel(int red, int green, int blue) { return static_cast<uint16_t>(red << 10 | green << 5 | blue); }
constexpr int Channel(uint16_t pixel, int which) { return pixel >> (10 - 5 * which) & 31; }

// Codes frames of one size, and decodes them as a player would.
class Stream {
public:
    Stream(int32_t width, int32_t height) : width_(width), height_(height), shown_(Pixels(Size())) {
        coder_ = {.width = width, .height = height, .shown = shown_.data()};
        out_.resize(video::VideoOneFrameCapacity(width, height));
        const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MSVIDEO1);
        decoder_ = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (!decoder_) return;
        decoder_->width = width;
        decoder_->height = height;
        decoder_->bits_per_coded_sample = 16;
        if (avcodec_open2(decoder_, codec, nullptr) < 0) avcodec_free_context(&decoder_);
    }
    ~Stream() { avcodec_free_context(&decoder_); }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    bool Ready() const { return decoder_ != nullptr; }
    size_t Size() const { return static_cast<size_t>(width_) * static_cast<size_t>(height_); }

    // Codes `frame` and returns what the decoder shows of it; the code's
    // bytes and whether it came out a key frame are kept.
    Pixels Code(const Pixels& frame, bool keyFrame) {
        const size_t size = video::CodeVideoOneFrame(coder_, frame.data(), keyFrame, out_.data(), &key_);
        bytes_.assign(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(size));
        Pixels shown;
        AVPacket* packet = av_packet_alloc();
        AVFrame* decoded = av_frame_alloc();
        if (packet && decoded && av_new_packet(packet, static_cast<int>(size)) == 0) {
            std::copy(bytes_.begin(), bytes_.end(), packet->data);
            if (avcodec_send_packet(decoder_, packet) == 0 && avcodec_receive_frame(decoder_, decoded) == 0) {
                for (int32_t r = 0; r < height_; ++r) {
                    const auto* row = reinterpret_cast<const uint16_t*>(decoded->data[0] + r * decoded->linesize[0]);
                    for (int32_t c = 0; c < width_; ++c) shown.push_back(row[c] & 0x7FFF);  // bit 15 is no colour
                }
            }
        }
        av_frame_free(&decoded);
        av_packet_free(&packet);
        return shown;
    }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    bool Key() const { return key_; }

private:
    int32_t width_, height_;
    Pixels shown_;
    video::VideoOneCoder coder_;
    std::vector<uint8_t> out_, bytes_;
    bool key_ = false;
    AVCodecContext* decoder_ = nullptr;
};

// A frame whose 2 x 2 quarters each hold at most two colours, all random.
Pixels TwoColoursAQuarter(int32_t width, int32_t height, std::mt19937& random) {
    Pixels frame(static_cast<size_t>(width) * static_cast<size_t>(height));
    std::uniform_int_distribution<int> colour(0, 0x7FFF), pick(0, 1);
    for (int32_t r = 0; r < height; r += 2) {
        for (int32_t c = 0; c < width; c += 2) {
            const uint16_t pair[2] = {static_cast<uint16_t>(colour(random)), static_cast<uint16_t>(colour(random))};
            for (int32_t i = 0; i < 4; ++i)
                frame[static_cast<size_t>((r + i / 2) * width + c + i % 2)] = pair[pick(random)];
        }
    }
    return frame;
}

// Sets block (row, column) of a frame to 16 pixels given top row first.
void SetBlock(Pixels& frame, int32_t width, int32_t row, int32_t column, const Pixels& block) {
    for (int i = 0; i < 16; ++i) frame[static_cast<size_t>((4 * row + i / 4) * width + 4 * column + i % 4)] = block[i];
}

TEST(VideoOne, BlocksTheFormatCanHoldAreShownExactly) {
    const uint16_t a = Pixel(31, 0, 0), b = Pixel(0, 0, 31), dim = Pixel(1, 20, 7);  // red level 1
    const uint16_t c = Pixel(3, 30, 9), d = Pixel(17, 17, 17), e = Pixel(0, 31, 31), f = Pixel(8, 0, 8);
    const Pixels blocks[] = {
        Pixels(16, a),                                                  // one colour
        Pixels(16, dim),                                                // one colour that fills like a skip code
        {a, b, a, b, b, a, b, a, a, a, a, a, b, b, b, b},               // two colours, top right the first
        {b, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a},               // a lone pixel of the second
        {dim, a, a, a, a, a, a, a, a, a, a, a, a, a, a, a},             // two colours, one of red level 1
        {a, b, c, d, b, a, d, c, e, f, a, a, e, e, b, a},               // two colours in each quarter, eight in all
        {a, a, b, b, a, a, b, b, c, c, d, d, c, c, d, d},               // one colour in each quarter
    };
    const auto count = static_cast<int32_t>(std::size(blocks));
    Pixels frame(16 * std::size(blocks));
    for (int32_t i = 0; i < count; ++i) SetBlock(frame, 4 * count, 0, i, blocks[i]);
    Stream stream(4 * count, 4);
    ASSERT_TRUE(stream.Ready());
    EXPECT_EQ(stream.Code(frame, true), frame);
    EXPECT_TRUE(stream.Key());

    std::mt19937 random(20240611);
    Stream large(64, 48);
    ASSERT_TRUE(large.Ready());
    for (int round = 0; round < 5; ++round) {
        const Pixels any = TwoColoursAQuarter(64, 48, random);
        EXPECT_EQ(large.Code(any, round == 0), any) << "round " << round;
    }
}

TEST(VideoOne, QuartersOfMoreColoursShowTheBestPairWithinTheirOwnColours) {
    // Three colours in the top-left quarter: the two close ones share their
    // mean, which rounds to white.
    const uint16_t black = 0, near = Pixel(30, 30, 30), white = Pixel(31, 31, 31);
    Pixels frame(16, black);
    frame[0] = near;
    frame[1] = white;
    Stream stream(4, 4);
    ASSERT_TRUE(stream.Ready());
    Pixels expected(16, black);
    expected[0] = expected[1] = white;
    EXPECT_EQ(stream.Code(frame, true), expected);

    // Four random colours a quarter: each shown pixel lies within its
    // quarter's colours, channel by channel, so nothing else leaks into it.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> colour(0, 0x7FFF);
    Stream noisy(32, 32);
    ASSERT_TRUE(noisy.Ready());
    Pixels any(32 * 32);
    for (uint16_t& pixel : any) pixel = static_cast<uint16_t>(colour(random));
    const Pixels shown = noisy.Code(any, true);
    ASSERT_EQ(shown.size(), any.size());
    for (int32_t r = 0; r < 32; ++r) {
        for (int32_t c = 0; c < 32; ++c) {
            for (int channel = 0; channel < 3; ++channel) {
                int low = 31, high = 0;
                for (int i = 0; i < 4; ++i) {
                    const size_t at = static_cast<size_t>((r / 2 * 2 + i / 2) * 32 + c / 2 * 2 + i % 2);
                    const int level = Channel(any[at], channel);
                    low = std::min(low, level);
                    high = std::max(high, level);
                }
                const int level = Channel(shown[static_cast<size_t>(r * 32 + c)], channel);
                EXPECT_TRUE(level >= low && level <= high) << "pixel " << r << ", " << c << " channel " << channel;
            }
        }
    }
}

TEST(VideoOne, EveryChangeIsShownAndOnlyWhatIsShownAlreadyIsSkipped) {
    // A two-colour ball moving one block a frame over a dark background, and
    // behind it for one frame a pixel one red level off the background: every
    // block shows the background again once the ball has passed, however
    // small its last change.
    const int32_t width = 64, height = 16;
    const uint16_t dark = Pixel(2, 2, 5), ball = Pixel(31, 28, 10), faint = Pixel(3, 2, 5);
    Stream stream(width, height);
    ASSERT_TRUE(stream.Ready());
    for (int32_t step = 0; step < 14; ++step) {
        Pixels frame(stream.Size(), dark);
        SetBlock(frame, width, 1, step, {dark, ball, ball, dark, ball, ball, ball, ball, ball, ball, ball, ball,
                                          dark, ball, ball, dark});
        SetBlock(frame, width, 2, step + 1, Pixels(16, ball));
        if (step > 0) frame[static_cast<size_t>(4 * width + 4 * (step - 1))] = faint;
        EXPECT_EQ(stream.Code(frame, step == 0), frame) << "step " << step;
        EXPECT_EQ(stream.Key(), step == 0) << "step " << step;
    }

    // Frames that hold blocks the format cannot show exactly: repeated, they
    // are skipped whole, since coding them again would show the same.
    std::mt19937 random(99);
    std::uniform_int_distribution<int> colour(0, 0x7FFF);
    Pixels noise(stream.Size());
    for (uint16_t& pixel : noise) pixel = static_cast<uint16_t>(colour(random));
    const Pixels first = stream.Code(noise, false);
    EXPECT_TRUE(stream.Key()) << "every block changed";
    EXPECT_EQ(stream.Code(noise, false), first);
    EXPECT_FALSE(stream.Key());
    EXPECT_EQ(stream.Bytes(), (std::vector<uint8_t>{64, 0x84, 0, 0})) << "one skip code for 64 blocks, and the end";
    EXPECT_EQ(stream.Code(noise, true), first);
    EXPECT_TRUE(stream.Key());
    EXPECT_EQ(stream.Bytes().size(), 64u * 18 + 2) << "a key frame codes every block";
}

TEST(VideoOne, LongRunsOfSkippedBlocksTakeSeveralCodes) {
    // 64 x 17 = 1088 blocks; the last in the code's order (the top right) is
    // the only one that changes, after 1087 skipped ones: 1023 + 64.
    const int32_t width = 256, height = 68;
    Stream stream(width, height);
    ASSERT_TRUE(stream.Ready());
    Pixels frame(stream.Size(), Pixel(5, 6, 7));
    ASSERT_EQ(stream.Code(frame, true), frame);
    frame[static_cast<size_t>(width - 1)] = Pixel(31, 31, 31);
    ASSERT_EQ(stream.Code(frame, false), frame);
    const std::vector<uint8_t>& bytes = stream.Bytes();
    ASSERT_EQ(bytes.size(), 2u + 2 + 6 + 2);
    EXPECT_EQ(bytes[0] | bytes[1] << 8, 0x87FF);
    EXPECT_EQ(bytes[2] | bytes[3] << 8, 0x8440);
}

}  // namespace
}  // namespace vorlan::output::test
