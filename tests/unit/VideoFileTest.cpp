// Video files: the quality table, the two frame layouts, and the writer's
// life from open to close, read back with FFmpeg's own demuxer so the bytes
// of every stored frame can be compared with what the canvas held; the
// stream header fields the demuxer does not show are read from the bytes.

#include "RasterTestSupport.h"

#include "base/Settings.h"
#include "video/VideoFile.h"
#include "video/VideoParts.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace vorlan::output::test {
namespace {

using graphics::ColourWord;
using graphics::ImageMode;
using graphics::SysImage;
using graphics::test::OwnedImage;
using Bytes = std::vector<uint8_t>;

// Every test closes what it opened, so the next one starts with no video.
class VideoFileTest : public graphics::test::LiveCountChecked {
protected:
    void TearDown() override {
        CloseVideo();
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
        LiveCountChecked::TearDown();
    }
    std::u16string Path(const std::string& name) const {
        const std::string path = directory_ + "/" + name;
        return std::u16string(path.begin(), path.end());
    }
    std::string Utf8Path(const std::string& name) const { return directory_ + "/" + name; }

private:
    std::string directory_ = [] {
        char name[] = "/tmp/vorlan_video_XXXXXX";
        const char* made = mkdtemp(name);
        return std::string(made ? made : "/tmp");
    }();
};

RunSettings VideoRun(uint16_t frameRate) {
    RunSettings run{};
    run.picture.fileType = FileType::Avi;
    run.picture.frameRate = frameRate;
    return run;
}

// A picture of width × height pixels at `scale` whose every cell in pixel
// (row r, column c) is cell(r, c).
template <class Cell>
SysImage* PictureOf(int32_t width, int32_t height, uint16_t scale, Cell cell) {
    SysImage* image = graphics::CreateImage(width, height, ImageMode::Picture, graphics::kColourMixPaper, scale);
    if (!image) return nullptr;
    for (int32_t r = 0; r < image->rows; ++r)
        for (int32_t c = 0; c < image->columns; ++c) image->PictureRow(r)[c] = cell(r / scale, c / scale);
    return image;
}

// Red tells the row (up to 8), green the column (up to 16), blue is fixed;
// opacity is half, which no stored frame may show.
ColourWord Distinct(int32_t r, int32_t c) {
    return static_cast<ColourWord>(0x80000000u | (r * 30 + 1) | (c * 15 + 2) << 8 | 0x33u << 16);
}

struct StoredVideo {
    std::string codec;
    int width = 0, height = 0;
    AVRational rate{0, 1};
    std::vector<int64_t> frameNumbers;  // in time base 1 / rate
    std::vector<Bytes> frames;
};

// What the demuxer finds: the stream's header values and every packet.
bool ReadStored(const std::string& path, StoredVideo* out) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) return false;
    bool ok = avformat_find_stream_info(format, nullptr) >= 0 && format->nb_streams == 1;
    if (ok) {
        const AVStream& stream = *format->streams[0];
        out->codec = avcodec_get_name(stream.codecpar->codec_id);
        out->width = stream.codecpar->width;
        out->height = stream.codecpar->height;
        out->rate = stream.r_frame_rate;
        AVPacket* packet = av_packet_alloc();
        while (packet && av_read_frame(format, packet) >= 0) {
            out->frameNumbers.push_back(av_rescale_q(packet->pts, stream.time_base, av_inv_q(stream.r_frame_rate)));
            out->frames.emplace_back(packet->data, packet->data + packet->size);
            av_packet_unref(packet);
        }
        av_packet_free(&packet);
    }
    avformat_close_input(&format);
    return ok;
}

uint32_t Le32(const Bytes& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

// The data of the first chunk with `id` (a list's: with that list type) in
// bytes [begin, end): its offset and size, or false.
bool FindChunk(const Bytes& file, size_t begin, size_t end, const char* id, const char* listType, size_t* at,
               size_t* size) {
    while (begin + 8 <= end) {
        const size_t length = Le32(file, begin + 4);
        if (length > end - begin - 8) return false;
        if (std::equal(id, id + 4, file.begin() + static_cast<std::ptrdiff_t>(begin)) &&
            (!listType || std::equal(listType, listType + 4, file.begin() + static_cast<std::ptrdiff_t>(begin) + 8))) {
            *at = begin + (listType ? 12 : 8);
            *size = length - (listType ? 4 : 0);
            return true;
        }
        begin += 8 + length + (length & 1);
    }
    return false;
}

// The buffer sizes the main and stream headers suggest, and the stream's quality.
struct HeaderFields {
    uint32_t mainBuffer = 0;
    uint32_t streamBuffer = 0;
    uint32_t quality = 0;
};

bool ReadHeaderFields(const std::string& path, HeaderFields* out) {
    std::ifstream in(path, std::ios::binary);
    const Bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    size_t riff, riffSize, list, listSize, main, mainSize, streams, streamsSize, stream, streamSize;
    if (!FindChunk(file, 0, file.size(), "RIFF", "AVI ", &riff, &riffSize) ||
        !FindChunk(file, riff, riff + riffSize, "LIST", "hdrl", &list, &listSize) ||
        !FindChunk(file, list, list + listSize, "avih", nullptr, &main, &mainSize) || mainSize < 56 ||
        !FindChunk(file, list, list + listSize, "LIST", "strl", &streams, &streamsSize) ||
        !FindChunk(file, streams, streams + streamsSize, "strh", nullptr, &stream, &streamSize) || streamSize < 56)
        return false;
    *out = {.mainBuffer = Le32(file, main + 28), .streamBuffer = Le32(file, stream + 36),
            .quality = Le32(file, stream + 40)};
    return true;
}

TEST(VideoQuality, ScaleChoosesAndOnlyLargeFramesAtScaleFourAreCompressed) {
    struct Case {
        uint16_t scale;
        int32_t width, height;
        uint16_t quality;
    };
    const Case cases[] = {
        {1, 640, 480, 50},  {2, 640, 480, 75},   {4, 640, 480, 0},    {4, 1000, 1000, 0},
        {4, 1001, 8, 100},  {4, 8, 1001, 100},   {4, 1280, 720, 100}, {3, 640, 480, 50},
        {1, 2000, 2000, 50},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << test.scale << ", " << test.width << " x " << test.height);
        EXPECT_EQ(VideoQuality(test.scale, test.width, test.height), test.quality);
    }
}

TEST(VideoPixels, UncompressedRowsRunBottomUpInBlueGreenRedWithZeroPadding) {
    OwnedImage image(PictureOf(10, 3, 1, Distinct));
    ASSERT_NE(image.Get(), nullptr);
    const int32_t rowBytes = video::BgrRowBytes(10);
    ASSERT_EQ(rowBytes, 32);  // 30 bytes of pixels, 2 of padding
    Bytes buffer(static_cast<size_t>(rowBytes) * 3, 0xEE);  // padding must be cleared, not inherited
    video::FillBottomUpBgr(*image, buffer.data(), rowBytes);
    for (int32_t r = 0; r < 3; ++r) {
        const uint8_t* row = buffer.data() + (2 - r) * rowBytes;
        for (int32_t c = 0; c < 10; ++c) {
            SCOPED_TRACE(testing::Message() << "pixel " << r << ", " << c);
            const ColourWord word = Distinct(r, c);
            EXPECT_EQ(row[3 * c], 0x33);
            EXPECT_EQ(row[3 * c + 1], (word >> 8) & 0xFF);
            EXPECT_EQ(row[3 * c + 2], word & 0xFF);
        }
        EXPECT_EQ(row[30], 0);
        EXPECT_EQ(row[31], 0);
    }
}

TEST(VideoPixels, VideoOneInputRoundsEachChannelToFiveBitsTopRowFirst) {
    struct Case {
        ColourWord colour;
        uint16_t pixel;  // 0rrrrrgggggbbbbb
    };
    const Case cases[] = {
        {0xFF0000FFu, 0x7C00},  // red
        {0xFF00FF00u, 0x03E0},  // green
        {0xFFFF0000u, 0x001F},  // blue
        {0x00FFFFFFu, 0x7FFF},  // white, transparent: opacity plays no part
        {0xFF808080u, 0x4210},  // 128 is level 16, not 15 as v >> 3 would give
        {0xFF040404u, 0x0000},  // 4 is nearer 0 than one level (8.2)
        {0xFF050505u, 0x0421},  // 5 is nearer one level
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << test.colour);
        OwnedImage image(PictureOf(4, 2, 1, [&](int32_t r, int32_t) { return r == 0 ? test.colour : 0xFF000000u; }));
        ASSERT_NE(image.Get(), nullptr);
        std::vector<uint16_t> pixels(8, 0xEEEE);
        video::FillRgb555(*image, pixels.data());
        EXPECT_EQ(pixels[0], test.pixel);  // top row first
        EXPECT_EQ(pixels[7], 0);           // the black bottom row
    }
}

TEST_F(VideoFileTest, NothingOpenIsRefusedOrHarmless) {
    EXPECT_FALSE(VideoIsOpen());
    EXPECT_TRUE(CloseVideo());
    OwnedImage image(PictureOf(8, 8, 1, Distinct));
    ASSERT_NE(image.Get(), nullptr);
    EXPECT_EQ(WriteFrames(*image, 1), Status::Invalid);
}

TEST_F(VideoFileTest, AFailedOpenLeavesNothingOpenAndALaterOpenWorks) {
    OwnedImage image(PictureOf(8, 8, 1, Distinct));
    ASSERT_NE(image.Get(), nullptr);
    const std::u16string missing = Path("no/such/folder/a.avi");
    EXPECT_EQ(OpenVideo(VideoRun(25), *image, missing.c_str()), Status::Invalid);
    EXPECT_FALSE(VideoIsOpen());

    const std::u16string path = Path("a.avi");
    ASSERT_EQ(OpenVideo(VideoRun(25), *image, path.c_str()), Status::Success);
    EXPECT_TRUE(VideoIsOpen());
    EXPECT_EQ(OpenVideo(VideoRun(25), *image, Path("b.avi").c_str()), Status::Invalid) << "one video at a time";
    EXPECT_FALSE(std::filesystem::exists(Utf8Path("b.avi")));
    EXPECT_TRUE(CloseVideo());
    EXPECT_FALSE(VideoIsOpen());
}

TEST_F(VideoFileTest, UncompressedFramesHoldTheCanvasReducedAndAreNumberedAcrossCalls) {
    // 12 x 8 pixels at scale 4: stored uncompressed, each pixel the mean of a
    // block of 16 equal cells, so the stored bytes are known exactly.
    OwnedImage first(PictureOf(12, 8, 4, Distinct));
    OwnedImage second(PictureOf(12, 8, 4, [](int32_t, int32_t) { return 0x40FF0000u; }));
    ASSERT_NE(first.Get(), nullptr);
    ASSERT_NE(second.Get(), nullptr);
    const std::u16string path = Path("frames.avi");
    ASSERT_EQ(OpenVideo(VideoRun(12), *first, path.c_str()), Status::Success);
    ASSERT_EQ(WriteFrames(*first, 2), Status::Success);
    ASSERT_EQ(WriteFrames(*second, 1), Status::Success);
    OwnedImage otherSize(PictureOf(16, 8, 4, Distinct));
    ASSERT_NE(otherSize.Get(), nullptr);
    EXPECT_EQ(WriteFrames(*otherSize, 1), Status::Invalid) << "a frame of another size";
    ASSERT_TRUE(CloseVideo());

    StoredVideo stored;
    ASSERT_TRUE(ReadStored(Utf8Path("frames.avi"), &stored));
    EXPECT_EQ(stored.codec, "rawvideo");
    EXPECT_EQ(stored.width, 12);
    EXPECT_EQ(stored.height, 8);
    EXPECT_EQ(av_cmp_q(stored.rate, AVRational{12, 1}), 0);
    EXPECT_EQ(stored.frameNumbers, (std::vector<int64_t>{0, 1, 2}));
    ASSERT_EQ(stored.frames.size(), 3u);

    Bytes expectFirst(36 * 8), expectSecond(36 * 8);
    for (int32_t r = 0; r < 8; ++r) {
        for (int32_t c = 0; c < 12; ++c) {
            const ColourWord word = Distinct(r, c);
            uint8_t* pixel = &expectFirst[(7 - r) * 36 + 3 * c];
            pixel[0] = 0x33;
            pixel[1] = static_cast<uint8_t>(word >> 8);
            pixel[2] = static_cast<uint8_t>(word);
            uint8_t* blue = &expectSecond[(7 - r) * 36 + 3 * c];
            blue[0] = 0xFF;  // a faint blue canvas is stored plain blue
        }
    }
    EXPECT_EQ(stored.frames[0], expectFirst);
    EXPECT_EQ(stored.frames[1], expectFirst);
    EXPECT_EQ(stored.frames[2], expectSecond);
}

TEST_F(VideoFileTest, StreamHeaderSuggestsOneUncompressedFrameAndHoldsTheQualityTimesOneHundred) {
    // The muxer alone writes quality -1 and, as buffer, the largest frame it
    // wrote: 32 bytes for a flat compressed frame of 20 x 12.
    struct Case {
        uint16_t scale;
        int32_t width, height;
        uint32_t buffer;   // height x row bytes of a 24-bit frame
        uint32_t quality;  // Q x 100
    };
    const Case cases[] = {
        {1, 20, 12, 12 * 60, 5000},
        {2, 20, 12, 12 * 60, 7500},
        {4, 10, 3, 3 * 32, 0},            // uncompressed, rows padded to 32 bytes
        {4, 1004, 4, 4 * 3012, 10000},    // wide enough to be compressed at scale 4
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << "scale " << test.scale << ", " << test.width << " x " << test.height);
        OwnedImage image(PictureOf(test.width, test.height, test.scale, [](int32_t, int32_t) { return 0xFF008000u; }));
        ASSERT_NE(image.Get(), nullptr);
        const std::u16string path = Path("header.avi");
        ASSERT_EQ(OpenVideo(VideoRun(25), *image, path.c_str()), Status::Success);
        ASSERT_EQ(WriteFrames(*image, 2), Status::Success);
        ASSERT_TRUE(CloseVideo());
        HeaderFields fields;
        ASSERT_TRUE(ReadHeaderFields(Utf8Path("header.avi"), &fields));
        EXPECT_EQ(fields.mainBuffer, test.buffer);
        EXPECT_EQ(fields.streamBuffer, test.buffer);
        EXPECT_EQ(fields.quality, test.quality);
    }
}

}  // namespace
}  // namespace vorlan::output::test
