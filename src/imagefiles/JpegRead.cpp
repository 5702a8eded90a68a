// JPEG input through libjpeg, grey or RGB. A fatal library error jumps back
// into the one small function below; a warning (data cut short, a corrupt
// stream the library would paper over with grey) is a failure too, so a
// damaged file is never taken for a picture. Both are caught as soon as they
// happen, and a header is weighed against the file's length before anything
// the size of the picture is allocated, so a few hundred bytes that claim a
// huge picture cost neither the memory nor the time of decoding it.

#include "base/FileSource.h"
#include "imagefiles/ImageFiles.h"
#include "imagefiles/JpegErrors.h"
#include "imagefiles/ReadLimits.h"

#include <algorithm>
#include <bit>

namespace vorlan::output {

using graphics::ColourWord;
using graphics::ImageMode;
using graphics::SysImage;

namespace {

// The most pixels a file may claim for each of its bytes. A Huffman-coded
// scan spends at least one bit on every 8 × 8 block it covers: a sequential
// scan needs a DC code and an end-of-block code, a progressive file needs a
// DC scan before any AC scan (its AC scans can then pass over thousands of
// blocks with one end-of-band run, so they cost next to nothing). A whole
// picture scans every component, and the one with the largest sampling
// factors has a block for each 64 pixels, so a complete file holds at most
// 64 × 8 = 512 pixels a byte, and only a flat picture with its DC in a
// single scan of one-bit codes comes near that (ImageMagick's flattest grey
// picture is about 250 a byte, its progressive form 170). Twice 512 leaves
// room; a bomb claims far more (32000 × 32000 in 390 bytes is 2.6 million a
// byte). Arithmetic coding can spend less than a bit on a block, but common
// encoders do not write it, and a flat arithmetic-coded picture beyond this
// is refused with the bombs.
constexpr uint64_t kMostPixelsPerByte = 1024;

// What the body makes; it lives in the caller's frame so a jump loses nothing.
struct JpegRead {
    jpeg_decompress_struct decompressor;
    JpegErrors errors;
    jpeg_progress_mgr progress;
    uint64_t fileLength;
    Owned<SysImage> image;
};

// The library calls this as it takes in each row of blocks, and a
// progressive file is taken in whole by jpeg_start_decompress before the
// first row comes out; failing here ends a file that ran out at the row
// where it did, not after every remaining row has been decoded as filler.
void StopAtFirstWarning(j_common_ptr info) {
    if (info->err->num_warnings != 0) JpegFailed(info);
}

// The library writes each pixel as the four bytes of a colour word, opaque,
// straight into the picture's rows: no row buffer, no copy.
constexpr J_COLOR_SPACE kColourWordLayout = std::endian::native == std::endian::little ? JCS_EXT_RGBA : JCS_EXT_ABGR;

// Rows asked of the library at a time: at least its own batch, so that
// upsampled chroma goes straight into the picture rather than through the
// library's spare row.
constexpr int kRowsAtOnce = 16;

// Grey and colour pictures are taken; CMYK and the rest are not.
bool TakenColourSpace(J_COLOR_SPACE space) { return space == JCS_GRAYSCALE || space == JCS_YCbCr || space == JCS_RGB; }

// Whether the header describes a picture this reader takes and a file of
// this length could hold. Checked before jpeg_start_decompress, which
// allocates the library's buffers (for a progressive file, every
// coefficient of the picture).
bool PlausibleHeader(const jpeg_decompress_struct& d, uint64_t fileLength) {
    const uint64_t pixels = uint64_t{d.output_width} * d.output_height;
    return FitsImageLimits(d.output_width, d.output_height, 1, sizeof(ColourWord)) &&
           pixels <= kMostPixelsPerByte * fileLength;
}

bool ReadJpegBody(JpegRead& read, FILE* file) {
    jpeg_decompress_struct* d = &read.decompressor;
    if (setjmp(read.errors.jump)) return false;
    jpeg_create_decompress(d);
    read.progress.progress_monitor = StopAtFirstWarning;
    d->progress = &read.progress;
    // The library's own buffers stay within what one image may hold.
    d->mem->max_memory_to_use = static_cast<long>(graphics::kMaxImageBytes);
    jpeg_stdio_src(d, file);
    jpeg_read_header(d, TRUE);
    if (!TakenColourSpace(d->jpeg_color_space)) return false;
    d->out_color_space = kColourWordLayout;
    jpeg_calc_output_dimensions(d);
    if (!PlausibleHeader(*d, read.fileLength)) return false;
    jpeg_start_decompress(d);
    if (d->err->num_warnings != 0) return false;  // the intake's last row of blocks
    read.image.Adopt(graphics::CreateImage(static_cast<int32_t>(d->output_width),
                                           static_cast<int32_t>(d->output_height), ImageMode::Picture,
                                           graphics::kNotACanvas, 1));
    if (!read.image) return false;
    while (d->output_scanline < d->output_height) {
        const auto line = static_cast<int32_t>(d->output_scanline);
        const int count = std::min<int>(kRowsAtOnce, read.image->rows - line);
        JSAMPROW rows[kRowsAtOnce];
        for (int i = 0; i < count; ++i) rows[i] = reinterpret_cast<JSAMPROW>(read.image->PictureRow(line + i));
        if (jpeg_read_scanlines(d, rows, static_cast<JDIMENSION>(count)) == 0 || d->err->num_warnings != 0)
            return false;
    }
    jpeg_finish_decompress(d);
    return d->err->num_warnings == 0;
}

}  // namespace

Status ReadImageJPG(const char* path, SysImage** out) {
    *out = nullptr;
    FileSource file(path);
    if (!file.IsOpen()) return Status::Invalid;
    JpegRead read{};
    read.decompressor.err = UseJpegErrors(read.errors);
    read.fileLength = file.Length();
    const bool complete = ReadJpegBody(read, file.Stream());
    // Destroying a zeroed decompressor is harmless, so this holds however far creation got.
    jpeg_destroy_decompress(&read.decompressor);
    if (!complete) return Status::Invalid;
    *out = read.image.Take();
    return Status::Success;
}

}  // namespace vorlan::output
