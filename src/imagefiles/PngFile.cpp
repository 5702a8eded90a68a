// PNG output through libpng. The library reports errors by jumping back to a
// setjmp point; that point lives in one small function that owns no C++
// objects, so a jump can never skip a destructor. Everything else turns the
// jump into a plain failure value.

#include "base/FileSink.h"
#include "imagefiles/ImageFiles.h"

#include <png.h>

#include <csetjmp>

namespace vorlan::output {

using graphics::ImageMode;
using graphics::SysImage;

namespace {

[[noreturn]] void PngFailed(png_structp png, png_const_charp /*message*/) { png_longjmp(png, 1); }

// Warnings never stop a write and the user has no use for them.
void PngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// The only frame libpng may jump into. Returns false after any library error.
bool WritePngBody(png_structp png, png_infop info, FILE* file, const SysImage& image) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.columns), static_cast<png_uint_32>(image.rows), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    // Cells are already red, green, blue, opacity in memory order.
    for (int32_t r = 0; r < image.rows; ++r) png_write_row(png, reinterpret_cast<png_const_bytep>(image.PictureRow(r)));
    png_write_end(png, info);
    return true;
}

}  // namespace

Status WriteImagePNG(const char* path, const SysImage& image) {
    if (image.mode != ImageMode::Picture || !image.cells) return Status::Invalid;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFailed, PngWarning);
    if (!png) return Status::Invalid;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return Status::Invalid;
    }
    FILE* file = OpenForWriting(path);
    if (!file) {
        png_destroy_write_struct(&png, &info);
        return Status::Invalid;
    }
    const bool written = WritePngBody(png, info, file, image);
    png_destroy_write_struct(&png, &info);
    return FinishFile(file, written);
}

}  // namespace vorlan::output
