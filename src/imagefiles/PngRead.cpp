// PNG input through libpng: every colour type and depth is turned into 8-bit
// red, green, blue, alpha and read straight into the cells, so the file's
// alpha becomes the opacity. As with writing, the library's error jump lands
// in one small function that owns no C++ objects.

#include "base/FileSource.h"
#include "base/ReportLines.h"
#include "imagefiles/ImageFiles.h"

#include <png.h>

#include <csetjmp>

namespace vorlan::output {

using graphics::ImageMode;
using graphics::SysImage;

namespace {

constexpr uint32_t kTagPngRows = 61005;
// Deflate packs at most 1032 bytes into one, so a file of n bytes cannot
// hold more than 1032·n bytes of pixel data.
constexpr uint64_t kDeflateLimit = 1032;

[[noreturn]] void PngFailed(png_structp png, png_const_charp /*message*/) { png_longjmp(png, 1); }
void PngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// What the body makes; it lives in the caller's frame so a jump loses nothing.
struct PngRead {
    png_structp png;
    png_infop info;
    const char* path;
    uint64_t fileLength;
    Owned<SysImage> image;
    OwnedBlock<png_bytep> rows;
};

void SetTransformations(png_structp png, png_infop info, int bitDepth, int colourType) {
    if (bitDepth == 16) png_set_strip_16(png);
    switch (colourType) {
        case PNG_COLOR_TYPE_GRAY:
            if (bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
            png_set_gray_to_rgb(png);
            png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
            break;
        case PNG_COLOR_TYPE_RGB: png_set_filler(png, 0xFF, PNG_FILLER_AFTER); break;
        case PNG_COLOR_TYPE_PALETTE:
            png_set_palette_to_rgb(png);
            png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
            break;
        case PNG_COLOR_TYPE_GRAY_ALPHA: png_set_gray_to_rgb(png); break;
        default: break;
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

bool ReadPngBody(PngRead& read, FILE* file) {
    png_structp png = read.png;
    png_infop info = read.info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
    const uint64_t pixelBits = uint64_t{width} * height * png_get_channels(png, info) * static_cast<uint64_t>(bitDepth);
    if (pixelBits / 8 > kDeflateLimit * read.fileLength) return false;
    SetTransformations(png, info, bitDepth, colourType);
    const size_t rowBytes = png_get_rowbytes(png, info);
    if (rowBytes != size_t{4} * width) {
        PrintReportLine(ReportLine::PngRowBytes, rowBytes, size_t{4} * width, read.path);
        return false;
    }
    read.image.Adopt(graphics::CreateImage(static_cast<int32_t>(width), static_cast<int32_t>(height),
                                           ImageMode::Picture, graphics::kNotACanvas, 1));
    if (!read.image || !read.rows.Allocate(size_t{height} + 1, kTagPngRows)) return false;
    for (png_uint_32 r = 0; r < height; ++r)
        read.rows[r] = reinterpret_cast<png_bytep>(read.image->PictureRow(static_cast<int32_t>(r)));
    png_read_image(png, read.rows);
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

Status ReadImagePNG(const char* path, SysImage** out) {
    *out = nullptr;
    FileSource file(path);
    png_byte signature[8];
    if (!file.IsOpen() || !file.Read(signature, sizeof signature) || png_sig_cmp(signature, 0, 8) != 0)
        return Status::Invalid;
    PngRead read{};
    read.path = path;
    read.fileLength = file.Length();
    read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFailed, PngWarning);
    if (!read.png) return Status::Invalid;
    read.info = png_create_info_struct(read.png);
    const bool complete = read.info && ReadPngBody(read, file.Stream());
    png_destroy_read_struct(&read.png, read.info ? &read.info : nullptr, nullptr);
    if (!complete) return Status::Invalid;
    *out = read.image.Take();
    return Status::Success;
}

}  // namespace vorlan::output
