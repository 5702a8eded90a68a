// JPEG output through libjpeg. A fatal library error jumps back to the one
// small function below that owns no C++ objects; the jump becomes a failure.
// Opacity has no place in a JPEG and is dropped.

#include "base/FileSink.h"
#include "imagefiles/ImageFiles.h"
#include "imagefiles/JpegErrors.h"

namespace vorlan::output {

using graphics::ColourWord;
using graphics::ImageMode;
using graphics::SysImage;

namespace {

constexpr uint32_t kTagJpegRow = 61003;

void FillRgbRow(const ColourWord* cells, int32_t columns, JSAMPLE* out) {
    for (int32_t c = 0; c < columns; ++c) {
        out[3 * c] = static_cast<JSAMPLE>(cells[c] & 0xFFu);
        out[3 * c + 1] = static_cast<JSAMPLE>((cells[c] >> 8) & 0xFFu);
        out[3 * c + 2] = static_cast<JSAMPLE>((cells[c] >> 16) & 0xFFu);
    }
}

// The only frame libjpeg may jump into; returns false after any library
// error or short write. Destroying a zeroed compressor is harmless, so the
// caller destroys it whether or not creation got that far.
bool WriteJpegBody(jpeg_compress_struct* compressor, JpegErrors* errors, FILE* file, const SysImage& image,
                   int quality, JSAMPLE* row) {
    if (setjmp(errors->jump)) return false;
    jpeg_create_compress(compressor);
    jpeg_stdio_dest(compressor, file);
    compressor->image_width = static_cast<JDIMENSION>(image.columns);
    compressor->image_height = static_cast<JDIMENSION>(image.rows);
    compressor->input_components = 3;
    compressor->in_color_space = JCS_RGB;
    jpeg_set_defaults(compressor);
    jpeg_set_quality(compressor, quality, TRUE);
    jpeg_start_compress(compressor, TRUE);
    for (int32_t r = 0; r < image.rows; ++r) {
        FillRgbRow(image.PictureRow(r), image.columns, row);
        JSAMPROW rows[1] = {row};
        if (jpeg_write_scanlines(compressor, rows, 1) != 1) return false;
    }
    jpeg_finish_compress(compressor);
    return true;
}

}  // namespace

// The run's quality settings 1, 2 and 3 on the library's 0 to 100 scale.
// Handed on unchanged they would be qualities 1 to 3, which leave a picture
// unrecognisable.
int JpegLibraryQuality(uint16_t qualitySetting) {
    static constexpr int kQualities[] = {75, 85, 95};
    return qualitySetting >= 1 && qualitySetting <= 3 ? kQualities[qualitySetting - 1] : 75;
}

Status WriteImageJPG(const char* path, const SysImage& image, uint16_t qualitySetting) {
    if (image.mode != ImageMode::Picture || !image.cells) return Status::Invalid;
    OwnedBlock<JSAMPLE> row;
    if (!row.Allocate(static_cast<size_t>(image.columns) * 3, kTagJpegRow)) return Status::Invalid;
    FILE* file = OpenForWriting(path);
    if (!file) return Status::Invalid;
    jpeg_compress_struct compressor{};
    JpegErrors errors{};
    compressor.err = UseJpegErrors(errors);
    const bool written =
        WriteJpegBody(&compressor, &errors, file, image, JpegLibraryQuality(qualitySetting), row);
    jpeg_destroy_compress(&compressor);
    return FinishFile(file, written);
}

}  // namespace vorlan::output
