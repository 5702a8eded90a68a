// PNG output against the PNG library's own writer with its default settings,
// which is what every PNG file Vorlan wrote before its own writer was: the
// two must agree byte for byte on every kind of picture, so that a program
// draws the same file as it always did.

#include "FileTestSupport.h"
#include "RasterTestSupport.h"

#include "imagefiles/ImageFiles.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <functional>
#include <random>
#include <string>

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

[[noreturn]] void LibraryFailed(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void LibraryWarning(png_structp, png_const_charp) {}

bool LibraryBody(png_structp png, png_infop info, FILE* file, const SysImage& image) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.columns), static_cast<png_uint_32>(image.rows), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t r = 0; r < image.rows; ++r) png_write_row(png, reinterpret_cast<png_const_bytep>(image.PictureRow(r)));
    png_write_end(png, info);
    return true;
}

// The picture as the PNG library writes it with its defaults.
Bytes LibraryPng(const SysImage& image, const std::string& path) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, LibraryFailed, LibraryWarning);
    png_infop info = png_create_info_struct(png);
    FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = file && LibraryBody(png, info, file, image);
    png_destroy_write_struct(&png, &info);
    if (file) std::fclose(file);
    return written ? ReadBytes(path) : Bytes{};
}

using Painter = std::function<ColourWord(int32_t column, int32_t row, std::mt19937& random)>;

SysImage* Painted(int32_t width, int32_t height, const Painter& paint, uint32_t seed) {
    SysImage* image = graphics::CreateImage(width, height, ImageMode::Picture, graphics::kColourMixPaper, 1);
    if (!image) return nullptr;
    std::mt19937 random(seed);
    for (int32_t r = 0; r < height; ++r)
        for (int32_t c = 0; c < width; ++c) image->PictureRow(r)[c] = paint(c, r, random);
    return image;
}

ColourWord Noise(int32_t, int32_t, std::mt19937& random) { return static_cast<ColourWord>(random()); }

// Runs of one colour broken by a few changes, as shapes on a background
// leave them: rows repeat, pixels repeat, and the filters tie often.
ColourWord Shapes(int32_t column, int32_t row, std::mt19937& random) {
    const bool inside = (column / 7 + row / 5) % 3 == 0;
    if (random() % 50 == 0) return 0xFF000000u | (random() & 0xFFFFFFu);
    return inside ? 0xFF3366CCu : 0xFFFFFFFFu;
}

ColourWord Gradient(int32_t column, int32_t row, std::mt19937&) {
    return 0xFF000000u | static_cast<ColourWord>((column * 3) & 255) << 8 | static_cast<ColourWord>((row * 5) & 255);
}

// Channels near 0 and 255, where a byte's magnitude wraps round.
ColourWord Extremes(int32_t, int32_t, std::mt19937& random) {
    static constexpr uint8_t kValues[] = {0, 1, 127, 128, 129, 254, 255};
    ColourWord word = 0;
    for (int shift = 0; shift < 32; shift += 8) word |= static_cast<ColourWord>(kValues[random() % 7]) << shift;
    return word;
}

ColourWord Blank(int32_t, int32_t, std::mt19937&) { return 0xFFFFFFFFu; }
ColourWord Clear(int32_t, int32_t, std::mt19937&) { return 0; }

using PngWriterTest = LiveCountChecked;

TEST_F(PngWriterTest, MatchesTheLibraryWriterByteForByte) {
    struct Size {
        int32_t width, height;
    };
    // One pixel; one row; one column; small enough to narrow the window, and
    // the sizes either side of that; the default picture; wider than a chunk.
    const Size sizes[] = {{1, 1},  {1, 9},  {9, 1},    {2, 2},     {3, 5},     {17, 13},  {63, 64},
                          {64, 64}, {65, 64}, {100, 41}, {640, 480}, {3000, 7}, {5, 3000}};
    const std::pair<const char*, Painter> painters[] = {{"noise", Noise},       {"shapes", Shapes},
                                                        {"gradient", Gradient}, {"extremes", Extremes},
                                                        {"blank", Blank},       {"clear", Clear}};
    TempDir dir;
    uint32_t seed = 1;
    for (const Size& size : sizes) {
        for (const auto& [name, paint] : painters) {
            SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height) + " " + name);
            OwnedImage image(Painted(size.width, size.height, paint, ++seed));
            ASSERT_NE(image.Get(), nullptr);
            const std::string ours = dir.File("ours.png");
            ASSERT_EQ(WriteImagePNG(ours.c_str(), *image), Status::Success);
            const Bytes expected = LibraryPng(*image, dir.File("library.png"));
            ASSERT_FALSE(expected.empty());
            EXPECT_EQ(ReadBytes(ours), expected);
        }
    }
}

}  // namespace
}  // namespace vorlan::output::test
