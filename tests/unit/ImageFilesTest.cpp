// Image files: reduction of super-sampled pictures, quarter turns, and the
// bitmap, PNG, JPEG and pattern writers, checked byte by byte where the format
// is ours to define and by outside tools where it is not.

#include "FileTestSupport.h"
#include "RasterTestSupport.h"

#include "base/Settings.h"
#include "imagefiles/ImageFiles.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace vorlan::output::test {
namespace {

using graphics::ColourWord;
using graphics::ImageMode;
using graphics::SysImage;
using graphics::test::LiveCountChecked;
using graphics::test::OwnedImage;
using vorlan::test::Bytes;
using vorlan::test::ReadBytes;
using vorlan::test::TempDir;
using vorlan::test::Wide;
using vorlan::test::WriteBytes;

using ImageFilesTest = LiveCountChecked;

constexpr ColourWord kRed = 0xFF0000FFu;
constexpr ColourWord kGreen = 0xFF00FF00u;
constexpr ColourWord kBlue = 0xFFFF0000u;
constexpr ColourWord kMarker = 0xFF123456u;

uint32_t Get16(const Bytes& b, size_t at) { return b.at(at) | (b.at(at + 1) << 8); }
uint32_t Get32(const Bytes& b, size_t at) {
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) | (static_cast<uint32_t>(b.at(at + 3)) << 24);
}

// A Picture of width × height pixels at `scale`, every cell `fill`.
SysImage* Picture(int32_t width, int32_t height, uint16_t scale, ColourWord fill) {
    SysImage* image = graphics::CreateImage(width, height, ImageMode::Picture, graphics::kColourMixPaper, scale);
    if (!image) return nullptr;
    for (int32_t r = 0; r < image->rows; ++r)
        for (int32_t c = 0; c < image->columns; ++c) image->PictureRow(r)[c] = fill;
    return image;
}

std::unique_ptr<Settings> RunSettingsFor(FileType type, uint16_t rotation = 0, uint16_t quality = 2) {
    auto settings = std::make_unique<Settings>();
    settings->run.picture.fileType = type;
    settings->run.picture.rotation = rotation;
    settings->run.picture.quality = quality;
    return settings;
}

bool ToolPresent(const char* tool) {
    const std::string command = std::string("command -v ") + tool + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

TEST_F(ImageFilesTest, BitmapOfThreeByOneHasSixtySixBytesAndItsHeaders) {
    TempDir dir;
    OwnedImage image(Picture(3, 1, 1, kRed));
    ASSERT_NE(image.Get(), nullptr);
    const std::string path = dir.File("a.bmp");
    ASSERT_EQ(WriteImageBMP(path.c_str(), *image), Status::Success);
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 66u);
    struct Field {
        const char* what;
        size_t offset;
        int width;  // 2 or 4 bytes
        uint32_t expected;
    };
    const Field fields[] = {
        {"signature", 0, 2, 0x4D42},   {"file size", 2, 4, 66},       {"reserved", 6, 4, 0},
        {"pixel offset", 10, 4, 54},   {"header size", 14, 4, 40},    {"width", 18, 4, 3},
        {"height, top-down", 22, 4, static_cast<uint32_t>(-1)},       {"planes", 26, 2, 1},
        {"bits per pixel", 28, 2, 24}, {"compression", 30, 4, 0},     {"image size", 34, 4, 0},
        {"resolutions", 38, 4, 0},     {"colours used", 46, 4, 0},    {"colours important", 50, 4, 0},
    };
    for (const Field& field : fields) {
        SCOPED_TRACE(field.what);
        EXPECT_EQ(field.width == 2 ? Get16(file, field.offset) : Get32(file, field.offset), field.expected);
    }
}

TEST_F(ImageFilesTest, BitmapPixelsAreBlueGreenRedThenZeroPadding) {
    TempDir dir;
    OwnedImage image(Picture(3, 1, 1, kRed));
    ASSERT_NE(image.Get(), nullptr);
    image->PictureRow(0)[1] = kGreen;
    image->PictureRow(0)[2] = 0x00332211u;  // opacity is ignored by bitmaps
    const std::string path = dir.File("b.bmp");
    ASSERT_EQ(WriteImageBMP(path.c_str(), *image), Status::Success);
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 66u);
    const Bytes pixels(file.begin() + 54, file.end());
    EXPECT_EQ(pixels, (Bytes{0, 0, 255, 0, 255, 0, 0x33, 0x22, 0x11, 0, 0, 0}));
}

TEST_F(ImageFilesTest, BitmapAtScaleTwoTakesTheRoundedMeanOfEachBlock) {
    TempDir dir;
    OwnedImage image(Picture(1, 2, 2, 0xFF000000u));
    ASSERT_NE(image.Get(), nullptr);
    image->PictureRow(0)[0] = 0xFF0000FFu;  // top pixel: two of four cells red
    image->PictureRow(1)[1] = 0xFF0000FFu;
    image->PictureRow(2)[0] = 0xFF000001u;  // bottom pixel: red sum 1, rounds to 0
    const std::string path = dir.File("c.bmp");
    ASSERT_EQ(WriteImageBMP(path.c_str(), *image), Status::Success);
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 54u + 2 * 4);
    EXPECT_EQ(Get32(file, 18), 1u);
    EXPECT_EQ(Get32(file, 22), static_cast<uint32_t>(-2));
    EXPECT_EQ(file[54 + 2], 128);  // (510 + 2) / 4
    EXPECT_EQ(file[58 + 2], 0);
}

TEST_F(ImageFilesTest, PatternRowsAreCodedAsRuns) {
    struct Case {
        const char* what;
        std::vector<std::pair<uint8_t, int32_t>> runs;  // value, length
        Bytes expected;
    };
    const Case cases[] = {
        {"40 brush cells, long form", {{2, 40}}, {0xC0, 0x28}},
        {"8192 cells split 8191 + 1", {{1, 8192}}, {0xBF, 0xFF, 0x21}},
        {"one empty cell", {{0, 1}}, {0x01}},
        {"31 cells, longest short form", {{3, 31}}, {0x7F}},
        {"32 cells, shortest long form", {{0, 32}}, {0x80, 0x20}},
        {"runs change with the value", {{1, 2}, {2, 1}, {0, 3}}, {0x22, 0x41, 0x03}},
        {"8191 exactly", {{2, 8191}}, {0xDF, 0xFF}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        Bytes cells;
        for (const auto& [value, length] : test.runs) cells.insert(cells.end(), static_cast<size_t>(length), value);
        Bytes out(cells.size());
        const size_t used = EncodePatternRow(cells.data(), static_cast<int32_t>(cells.size()), out.data());
        out.resize(used);
        EXPECT_EQ(out, test.expected);
    }
}

TEST_F(ImageFilesTest, PatternRowWithACellAboveThreeIsRefused) {
    const uint8_t cells[] = {1, 4, 1};
    uint8_t out[3] = {};
    EXPECT_EQ(EncodePatternRow(cells, 3, out), 0u);
    EXPECT_EQ(EncodePatternRow(cells, 0, out), 0u);
}

TEST_F(ImageFilesTest, PatternFileHasItsHeaderAndOneRunListPerRow) {
    TempDir dir;
    OwnedImage image(graphics::test::PatternFrom({"1122", "2222"}, 4));
    ASSERT_NE(image.Get(), nullptr);
    image->originX = -3;
    image->originY = 7;
    const std::string path = dir.File("p.pat");
    ASSERT_EQ(WriteImagePAT(path.c_str(), *image), Status::Success);
    const Bytes file = ReadBytes(path);
    const Bytes expected = {0xF4, 0xF3, 0xF2, 0xF1, 1, 0,    4, 0, 0, 0, 2, 0,    0,    0,
                            4,    0,    0xFD, 0xFF, 0xFF, 0xFF, 7, 0, 0, 0, 0x22, 0x42, 0x44};
    EXPECT_EQ(file, expected);
}

TEST_F(ImageFilesTest, ReductionWeightsColourByOpacity) {
    struct Case {
        const char* what;
        uint16_t scale;
        std::vector<ColourWord> block;  // scale × scale cells, row by row
        ColourWord expected;
    };
    std::vector<ColourWord> halfRed(16, 0);
    for (size_t i = 0; i < 8; ++i) halfRed[i] = kRed;
    const Case cases[] = {
        {"half transparent, half red", 4, halfRed, 0x800000FFu},
        {"all transparent", 2, {0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu}, 0},
        {"red and blue opaque", 2, {kRed, kRed, kBlue, kBlue}, 0xFF800080u},
        {"a faint cell cannot tint a solid one", 2, {kRed, 0x01FF0000u, 0, 0}, 0x400100FEu},
        {"scale 1 is a copy", 1, {kMarker}, kMarker},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        OwnedImage image(Picture(1, 1, test.scale, 0));
        ASSERT_NE(image.Get(), nullptr);
        for (int32_t r = 0; r < test.scale; ++r)
            for (int32_t c = 0; c < test.scale; ++c) image->PictureRow(r)[c] = test.block[r * test.scale + c];
        OwnedImage reduced(ReduceScale(*image, 1));
        ASSERT_NE(reduced.Get(), nullptr);
        EXPECT_EQ(reduced->rows, 1);
        EXPECT_EQ(reduced->columns, 1);
        EXPECT_EQ(reduced->scale, 1);
        EXPECT_EQ(reduced->PictureRow(0)[0], test.expected);
    }
}

TEST_F(ImageFilesTest, ReductionKeepsThePixelSizeAndRefusesWhatItCannotDo) {
    OwnedImage image(Picture(3, 2, 4, kRed));
    ASSERT_NE(image.Get(), nullptr);
    image->colourMix = graphics::kColourMixScreen;
    OwnedImage toTwo(ReduceScale(*image, 2));
    ASSERT_NE(toTwo.Get(), nullptr);
    EXPECT_EQ(toTwo->columns, 6);
    EXPECT_EQ(toTwo->rows, 4);
    EXPECT_EQ(toTwo->scale, 2);
    EXPECT_EQ(toTwo->mode, ImageMode::Picture);
    EXPECT_EQ(toTwo->colourMix, graphics::kColourMixScreen);
    EXPECT_EQ(toTwo->PictureRow(3)[5], kRed);

    EXPECT_EQ(ReduceScale(*image, 8), nullptr);
    EXPECT_EQ(ReduceScale(*image, 0), nullptr);
    EXPECT_EQ(ReduceScale(*image, 3), nullptr);
    OwnedImage pattern(graphics::test::PatternFrom({"12", "21"}, 2));
    ASSERT_NE(pattern.Get(), nullptr);
    EXPECT_EQ(ReduceScale(*pattern, 1), nullptr);
}

// The weighted mean of one block, written the plain way: the reference the
// reduction's faster paths must agree with.
ColourWord ReferenceMean(const SysImage& image, int32_t top, int32_t left, int32_t factor) {
    uint64_t weight = 0, channel[3] = {0, 0, 0};
    for (int32_t r = top; r < top + factor; ++r) {
        for (int32_t c = left; c < left + factor; ++c) {
            const ColourWord word = image.PictureRow(r)[c];
            weight += word >> 24;
            for (int k = 0; k < 3; ++k) channel[k] += (word >> 24) * ((word >> (8 * k)) & 0xFF);
        }
    }
    if (weight == 0) return 0;
    const uint64_t cells = static_cast<uint64_t>(factor * factor);
    ColourWord mean = static_cast<ColourWord>((weight + cells / 2) / cells) << 24;
    for (int k = 0; k < 3; ++k) mean |= static_cast<ColourWord>((channel[k] + weight / 2) / weight) << (8 * k);
    return mean;
}

TEST_F(ImageFilesTest, ReductionAgreesWithThePlainWeightedMeanOnRandomPictures) {
    // Mostly opaque cells, as canvases are, with some blocks partly or wholly
    // transparent, and channels near 255 where sums could overflow a lane.
    std::mt19937 random(20240229);
    const ColourWord opacities[] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x80, 0x01, 0};
    for (const auto& [from, to] : {std::pair{4, 1}, std::pair{4, 2}, std::pair{2, 1}}) {
        SCOPED_TRACE(testing::Message() << "scale " << from << " to " << to);
        OwnedImage image(Picture(13, 7, static_cast<uint16_t>(from), 0));
        ASSERT_NE(image.Get(), nullptr);
        for (int32_t r = 0; r < image->rows; ++r) {
            for (int32_t c = 0; c < image->columns; ++c) {
                const ColourWord colour = random() & 0x00FFFFFFu;
                const ColourWord bright = random() % 4 == 0 ? 0x00FAFBFCu : 0;
                image->PictureRow(r)[c] = (colour | bright) | opacities[random() % std::size(opacities)] << 24;
            }
        }
        OwnedImage reduced(ReduceScale(*image, static_cast<uint16_t>(to)));
        ASSERT_NE(reduced.Get(), nullptr);
        const int32_t factor = from / to;
        for (int32_t r = 0; r < reduced->rows; ++r) {
            for (int32_t c = 0; c < reduced->columns; ++c) {
                ASSERT_EQ(reduced->PictureRow(r)[c], ReferenceMean(*image, r * factor, c * factor, factor))
                    << "cell " << r << ", " << c;
            }
        }
    }
}

TEST_F(ImageFilesTest, ReductionIntoAnImageMadeEarlierNeedsTheSamePixelSize) {
    OwnedImage canvas(Picture(6, 4, 4, kRed));
    OwnedImage fits(Picture(6, 4, 1, kBlue));
    OwnedImage narrower(Picture(5, 4, 1, kBlue));
    ASSERT_TRUE(canvas.Get() && fits.Get() && narrower.Get());
    EXPECT_TRUE(ReduceScaleInto(*canvas, *fits));
    EXPECT_EQ(fits->PictureRow(3)[5], kRed);
    EXPECT_FALSE(ReduceScaleInto(*canvas, *narrower));
    EXPECT_EQ(narrower->PictureRow(0)[0], kBlue) << "a refused reduction changes nothing";
}

TEST_F(ImageFilesTest, QuarterTurnsSwapSidesAndMoveTheMarkedCorner) {
    struct Case {
        const char* what;
        uint16_t rotation;
        int32_t markRow, markColumn;  // where the top-left cell lands
    };
    // Three columns, two rows: the result has three rows and two columns.
    const Case cases[] = {
        {"rotation 1 takes top-left to top-right", 1, 0, 1},
        {"rotation 2 takes top-left to bottom-left", 2, 2, 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        OwnedImage image(Picture(3, 2, 1, 0));
        ASSERT_NE(image.Get(), nullptr);
        for (int32_t r = 0; r < 2; ++r)
            for (int32_t c = 0; c < 3; ++c) image->PictureRow(r)[c] = static_cast<ColourWord>(10 * r + c);
        image->PictureRow(0)[0] = kMarker;
        OwnedImage turned(RotateQuarter(*image, test.rotation));
        ASSERT_NE(turned.Get(), nullptr);
        EXPECT_EQ(turned->rows, 3);
        EXPECT_EQ(turned->columns, 2);
        EXPECT_EQ(turned->PictureRow(test.markRow)[test.markColumn], kMarker);
        for (int32_t r = 0; r < 2; ++r)
            for (int32_t c = 0; c < 3; ++c) {
                if (r == 0 && c == 0) continue;
                const int32_t row = test.rotation == 1 ? c : 2 - c;
                const int32_t column = test.rotation == 1 ? 1 - r : r;
                EXPECT_EQ(turned->PictureRow(row)[column], static_cast<ColourWord>(10 * r + c));
            }
    }
    OwnedImage image(Picture(2, 2, 1, 0));
    ASSERT_NE(image.Get(), nullptr);
    EXPECT_EQ(RotateQuarter(*image, 3), nullptr);
}

TEST_F(ImageFilesTest, OutputFileIsReducedAndTurnedBeforeWriting) {
    TempDir dir;
    // Three by two pixels at scale 2, the top-left pixel marked.
    OwnedImage canvas(Picture(3, 2, 2, kGreen));
    ASSERT_NE(canvas.Get(), nullptr);
    for (int32_t r = 0; r < 2; ++r)
        for (int32_t c = 0; c < 2; ++c) canvas->PictureRow(r)[c] = kRed;
    struct Case {
        uint16_t rotation;
        uint32_t width, height;
        size_t markPixel;  // index of the red pixel, row by row
    };
    const Case cases[] = {{0, 3, 2, 0}, {1, 2, 3, 1}, {2, 2, 3, 4}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.rotation);
        const auto settings = RunSettingsFor(FileType::Bmp, test.rotation);
        const std::string path = dir.File("turn" + std::to_string(test.rotation) + ".bmp");
        ASSERT_EQ(WriteOutputFile(*canvas, *settings, Wide(path).c_str()), Status::Success);
        const Bytes file = ReadBytes(path);
        ASSERT_GE(file.size(), 54u);
        EXPECT_EQ(Get32(file, 18), test.width);
        EXPECT_EQ(Get32(file, 22), static_cast<uint32_t>(-static_cast<int32_t>(test.height)));
        const uint32_t rowSize = (3 * test.width + 3) & ~3u;
        for (size_t p = 0; p < test.width * test.height; ++p) {
            const size_t at = 54 + (p / test.width) * rowSize + (p % test.width) * 3;
            EXPECT_EQ(file.at(at + 2), p == test.markPixel ? 255 : 0) << "pixel " << p;
        }
    }
    EXPECT_EQ(canvas->scale, 2) << "the canvas itself is left alone";
}

TEST_F(ImageFilesTest, PatternCanvasIsWrittenUnreducedAtItsOwnScale) {
    TempDir dir;
    OwnedImage canvas(graphics::test::PatternFrom({"1111", "2222", "0000", "0000"}, 4));
    ASSERT_NE(canvas.Get(), nullptr);
    const auto settings = RunSettingsFor(FileType::Pat, 1);
    const std::string path = dir.File("canvas.pat");
    ASSERT_EQ(WriteOutputFile(*canvas, *settings, Wide(path).c_str()), Status::Success);
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 24u + 4);
    EXPECT_EQ(Get32(file, 6), 4u);
    EXPECT_EQ(Get32(file, 10), 4u);
    EXPECT_EQ(Get16(file, 14), 4u);
    EXPECT_EQ(Bytes(file.begin() + 24, file.end()), (Bytes{0x24, 0x44, 0x04, 0x04}));
}

// A file is rewritten in place and cut as it closes, so what was there
// before never shows past the new end, whichever writer writes it.
TEST_F(ImageFilesTest, AFileWrittenAgainHoldsOnlyTheNewBytes) {
    TempDir dir;
    OwnedImage small(Picture(2, 2, 1, kRed));
    OwnedImage large(Picture(40, 30, 1, kBlue));
    ASSERT_NE(small.Get(), nullptr);
    ASSERT_NE(large.Get(), nullptr);
    using Writer = Status (*)(const char*, const SysImage&);
    for (const Writer write : {Writer{&WriteImagePNG}, Writer{&WriteImageBMP}}) {
        const std::string fresh = dir.File("fresh"), again = dir.File("again");
        ASSERT_EQ(write(fresh.c_str(), *small), Status::Success);
        ASSERT_EQ(write(again.c_str(), *large), Status::Success);
        ASSERT_EQ(write(again.c_str(), *small), Status::Success);
        EXPECT_EQ(ReadBytes(again), ReadBytes(fresh));
        ASSERT_EQ(write(again.c_str(), *large), Status::Success);
        EXPECT_GT(ReadBytes(again).size(), ReadBytes(fresh).size());
    }
}

TEST_F(ImageFilesTest, PngKeepsEveryChannelIncludingOpacity) {
    TempDir dir;
    OwnedImage image(Picture(2, 1, 1, kRed));
    ASSERT_NE(image.Get(), nullptr);
    image->PictureRow(0)[1] = 0x80336699u;
    const std::string path = dir.File("keep.png");
    ASSERT_EQ(WriteImagePNG(path.c_str(), *image), Status::Success);

    png_image read{};
    read.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&read, path.c_str()), 0);
    read.format = PNG_FORMAT_RGBA;
    EXPECT_EQ(read.width, 2u);
    EXPECT_EQ(read.height, 1u);
    Bytes pixels(PNG_IMAGE_SIZE(read));
    ASSERT_NE(png_image_finish_read(&read, nullptr, pixels.data(), 0, nullptr), 0);
    EXPECT_EQ(pixels, (Bytes{255, 0, 0, 255, 0x99, 0x66, 0x33, 0x80}));
}

// The first luminance quantiser the library derives from a quality, forced
// into baseline range.
int FirstLuminanceQuantiser(int quality) {
    quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
    const int scaling = quality < 50 ? 5000 / quality : 200 - quality * 2;
    const int value = (16 * scaling + 50) / 100;
    return value < 1 ? 1 : value > 255 ? 255 : value;
}

TEST_F(ImageFilesTest, JpegQualitySettingReachesTheLibrary) {
    struct Case {
        uint16_t setting;
        int libraryQuality;
    };
    // The run's three settings become usable qualities on the library's scale.
    const Case cases[] = {{1, 75}, {2, 85}, {3, 95}};
    TempDir dir;
    OwnedImage image(Picture(8, 8, 1, kBlue));
    ASSERT_NE(image.Get(), nullptr);
    for (const Case& test : cases) {
        SCOPED_TRACE(test.setting);
        EXPECT_EQ(JpegLibraryQuality(test.setting), test.libraryQuality);
        const std::string path = dir.File("q" + std::to_string(test.setting) + ".jpg");
        ASSERT_EQ(WriteImageJPG(path.c_str(), *image, test.setting), Status::Success);
        const Bytes file = ReadBytes(path);
        ASSERT_GE(file.size(), 4u);
        EXPECT_EQ(file[0], 0xFF);
        EXPECT_EQ(file[1], 0xD8);
        size_t table = 0;
        for (size_t i = 2; i + 5 < file.size(); ++i)
            if (file[i] == 0xFF && file[i + 1] == 0xDB) {
                table = i;
                break;
            }
        ASSERT_NE(table, 0u) << "no quantisation table";
        EXPECT_EQ(file[table + 4], 0) << "8-bit table 0 first";
        EXPECT_EQ(file[table + 5], FirstLuminanceQuantiser(test.libraryQuality));
    }
}

TEST_F(ImageFilesTest, TwoWritesOfTheSameCanvasAreByteIdentical) {
    TempDir dir;
    OwnedImage picture(Picture(5, 3, 2, kRed));
    OwnedImage pattern(graphics::test::PatternFrom({"0120", "2210"}, 4));
    ASSERT_NE(picture.Get(), nullptr);
    ASSERT_NE(pattern.Get(), nullptr);
    picture->PictureRow(1)[3] = 0x40102030u;
    struct Case {
        FileType type;
        const char* extension;
        const SysImage* canvas;
    };
    const Case cases[] = {{FileType::Bmp, "bmp", picture.Get()},
                          {FileType::Png, "png", picture.Get()},
                          {FileType::Jpg, "jpg", picture.Get()},
                          {FileType::Pat, "pat", pattern.Get()}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.extension);
        const auto settings = RunSettingsFor(test.type, 2, 3);
        const std::string first = dir.File(std::string("one.") + test.extension);
        const std::string second = dir.File(std::string("two.") + test.extension);
        ASSERT_EQ(WriteOutputFile(*test.canvas, *settings, Wide(first).c_str()), Status::Success);
        ASSERT_EQ(WriteOutputFile(*test.canvas, *settings, Wide(second).c_str()), Status::Success);
        const Bytes a = ReadBytes(first);
        EXPECT_FALSE(a.empty());
        EXPECT_EQ(a, ReadBytes(second));
    }
}

TEST_F(ImageFilesTest, OutsideToolsAcceptTheFiles) {
    TempDir dir;
    OwnedImage canvas(Picture(7, 5, 2, kGreen));
    ASSERT_NE(canvas.Get(), nullptr);
    canvas->PictureRow(0)[0] = 0x00000000u;
    const bool havePngcheck = ToolPresent("pngcheck");
    const bool haveIdentify = ToolPresent("identify");
    struct Case {
        FileType type;
        const char* name;
        const char* identified;  // the format name the identifying tool prints
    };
    const Case cases[] = {{FileType::Bmp, "tool.bmp", "BMP"},
                          {FileType::Png, "tool.png", "PNG"},
                          {FileType::Jpg, "tool.jpg", "JPEG"}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const auto settings = RunSettingsFor(test.type);
        const std::string path = dir.File(test.name);
        ASSERT_EQ(WriteOutputFile(*canvas, *settings, Wide(path).c_str()), Status::Success);
        if (havePngcheck && test.type == FileType::Png) {
            EXPECT_EQ(std::system(("pngcheck -q '" + path + "' >/dev/null 2>&1").c_str()), 0);
        }
        if (haveIdentify) {
            const std::string report = path + ".txt";
            EXPECT_EQ(std::system(("identify '" + path + "' >'" + report + "' 2>&1").c_str()), 0);
            const Bytes text = ReadBytes(report);
            const std::string line(text.begin(), text.end());
            EXPECT_NE(line.find(test.identified), std::string::npos) << line;
            EXPECT_NE(line.find("7x5"), std::string::npos) << line;
        }
    }
}

TEST_F(ImageFilesTest, FilesThatCannotBeWrittenFailWithOneLine) {
    OwnedImage picture(Picture(4, 4, 1, kRed));
    OwnedImage pattern(graphics::test::PatternFrom({"12", "21"}, 4));
    ASSERT_NE(picture.Get(), nullptr);
    ASSERT_NE(pattern.Get(), nullptr);
    struct Case {
        FileType type;
        const SysImage* canvas;
        const char* path;
    };
    const Case cases[] = {
        {FileType::Bmp, picture.Get(), "/nonexistent_vorlan_dir/out.bmp"},
        {FileType::Png, picture.Get(), "/nonexistent_vorlan_dir/out.png"},
        {FileType::Jpg, picture.Get(), "/nonexistent_vorlan_dir/out.jpg"},
        {FileType::Pat, pattern.Get(), "/nonexistent_vorlan_dir/out.pat"},
        // A device that is always full: the bytes are accepted into buffers
        // and refused only when they reach it.
        {FileType::Bmp, picture.Get(), "/dev/full"},
        {FileType::Png, picture.Get(), "/dev/full"},
        {FileType::Jpg, picture.Get(), "/dev/full"},
        {FileType::Pat, pattern.Get(), "/dev/full"},
        // A picture has no pattern cells to store, and a pattern no colours.
        {FileType::Pat, picture.Get(), "/nonexistent_vorlan_dir/picture.pat"},
        {FileType::Png, pattern.Get(), "/nonexistent_vorlan_dir/pattern.png"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.path);
        if (std::string(test.path) == "/dev/full" && !std::filesystem::exists("/dev/full")) continue;
        const auto settings = RunSettingsFor(test.type);
        testing::internal::CaptureStdout();
        const Status status = WriteOutputFile(*test.canvas, *settings, Wide(test.path).c_str());
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(status, Status::Invalid);
        EXPECT_EQ(printed, std::string("Error - could not write ") + test.path + "\n");
    }
}

TEST_F(ImageFilesTest, PathIsPrintedAsUtf8) {
    OwnedImage picture(Picture(1, 1, 1, kRed));
    ASSERT_NE(picture.Get(), nullptr);
    const auto settings = RunSettingsFor(FileType::Bmp);
    const std::u16string path = u"/nonexistent_vorlan_dir/\u00E9t\u00E9.bmp";
    testing::internal::CaptureStdout();
    EXPECT_EQ(WriteOutputFile(*picture, *settings, path.c_str()), Status::Invalid);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error - could not write /nonexistent_vorlan_dir/\xC3\xA9t\xC3\xA9.bmp\n");
}

TEST_F(ImageFilesTest, RunningOutOfMemoryWhileReducingFails) {
    TempDir dir;
    OwnedImage canvas(Picture(2, 2, 2, kRed));
    ASSERT_NE(canvas.Get(), nullptr);
    const auto settings = RunSettingsFor(FileType::Bmp);
    const std::string path = dir.File("nomem.bmp");
    MemFailAllocationAt(1);
    testing::internal::CaptureStdout();
    const Status status = WriteOutputFile(*canvas, *settings, Wide(path).c_str());
    const std::string printed = testing::internal::GetCapturedStdout();
    MemFailAllocationAt(0);
    EXPECT_EQ(status, Status::Invalid);
    EXPECT_NE(printed.find("Error - could not write " + path + "\n"), std::string::npos) << printed;
}

TEST_F(ImageFilesTest, VideoAndUnknownTypesWriteNothing) {
    TempDir dir;
    OwnedImage canvas(Picture(2, 2, 1, kRed));
    ASSERT_NE(canvas.Get(), nullptr);
    const uint16_t types[] = {0, 3, 6, 99};
    for (const uint16_t type : types) {
        SCOPED_TRACE(type);
        const auto settings = RunSettingsFor(static_cast<FileType>(type));
        const std::string path = dir.File("none" + std::to_string(type));
        testing::internal::CaptureStdout();
        EXPECT_EQ(WriteOutputFile(*canvas, *settings, Wide(path).c_str()), Status::Success);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

}  // namespace
}  // namespace vorlan::output::test
