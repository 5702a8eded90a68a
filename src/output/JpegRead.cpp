// JPEG input through libjpeg, grey or RGB. A fatal library error jumps back
// into the one small function below; a warning (data cut short, a corrupt
// stream the library would paper over with grey) is a failure too, so a
// damaged file is never taken for a picture.

#include "output/FileSource.h"
#include "output/ImageFiles.h"
#include "output/JpegErrors.h"

namespace vorlan::output {

using graphics::ColourWord;
using graphics::ImageMode;
using graphics::SysImage;

namespace {

constexpr uint32_t kTagJpegReadRow = 61006;

// What the body makes; it lives in the caller's frame so a jump loses nothing.
struct JpegRead {
    jpeg_decompress_struct decompressor;
    JpegErrors errors;
    SysImage* image;
    JSAMPLE* row;
};

void StoreRow(const JSAMPLE* samples, int components, int32_t width, ColourWord* out) {
    for (int32_t x = 0; x < width; ++x) {
        const JSAMPLE* s = samples + static_cast<size_t>(x) * components;
        const ColourWord red = s[0];
        const ColourWord green = components == 3 ? s[1] : s[0];
        const ColourWord blue = components == 3 ? s[2] : s[0];
        out[x] = red | green << 8 | blue << 16 | 0xFF000000u;
    }
}

bool ReadJpegBody(JpegRead& read, FILE* file) {
    jpeg_decompress_struct* d = &read.decompressor;
    if (setjmp(read.errors.jump)) return false;
    jpeg_create_decompress(d);
    jpeg_stdio_src(d, file);
    jpeg_read_header(d, TRUE);
    jpeg_start_decompress(d);
    const int components = d->output_components;
    if (components != 1 && components != 3) return false;
    const auto width = static_cast<int32_t>(d->output_width);
    read.image = graphics::CreateImage(width, static_cast<int32_t>(d->output_height), ImageMode::Picture,
                                       graphics::kNotACanvas, 1);
    if (!read.image) return false;
    read.row = static_cast<JSAMPLE*>(MemAllocate(static_cast<size_t>(width) * components, kTagJpegReadRow));
    if (!read.row) return false;
    while (d->output_scanline < d->output_height) {
        const auto line = static_cast<int32_t>(d->output_scanline);
        JSAMPROW rows[1] = {read.row};
        if (jpeg_read_scanlines(d, rows, 1) != 1) return false;
        StoreRow(read.row, components, width, read.image->PictureRow(line));
    }
    jpeg_finish_decompress(d);
    return read.errors.standard.num_warnings == 0;
}

}  // namespace

Status ReadImageJPG(const char* path, SysImage** out) {
    *out = nullptr;
    FileSource file(path);
    if (!file.IsOpen()) return Status::Invalid;
    JpegRead read{};
    read.decompressor.err = UseJpegErrors(read.errors);
    const bool complete = ReadJpegBody(read, file.Stream());
    // Destroying a zeroed decompressor is harmless, so this holds however far creation got.
    jpeg_destroy_decompress(&read.decompressor);
    MemRelease(read.row);
    SysImage* image = read.image;
    if (!complete) {
        graphics::FreeImage(image);
        return Status::Invalid;
    }
    *out = image;
    return Status::Success;
}

}  // namespace vorlan::output
