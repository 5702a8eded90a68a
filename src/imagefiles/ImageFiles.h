#pragma once
// Image files written at the end of a run: the canvas is reduced to one colour
// per pixel, turned a quarter when the run asks for it, and handed to the
// writer of the run's file type. Writers only say whether they succeeded; the
// one line that tells the user a file could not be written is printed by
// WriteOutputFile, so it appears exactly once whatever went wrong.

#include "base/Settings.h"
#include "base/Status.h"
#include "graphics/Image.h"

#include <cstddef>
#include <cstdint>

namespace vorlan::output {

// Writes the canvas's image to `path` in the run's file type (fileType,
// rotation and quality of settings.run.picture). Video and unknown types write
// nothing and succeed. On failure prints "Error - could not write <path>" and
// returns Status::Invalid. The canvas itself is never changed.
Status WriteOutputFile(const graphics::SysImage& canvas, const Settings& settings, const char16_t* path);

// A new Picture at `targetScale` with the same pixel size: every block of
// cells is averaged weighted by opacity. nullptr when the image is not a
// Picture, the target is 0, above the image's scale or does not divide it, or
// memory runs out.
graphics::SysImage* ReduceScale(const graphics::SysImage& image, uint16_t targetScale);
// The same into `out`, an image made earlier at the target scale and the
// same pixel size, so a run that reduces every frame allocates nothing.
// false, leaving `out` as it was, when the two do not fit together.
bool ReduceScaleInto(const graphics::SysImage& image, graphics::SysImage& out);

// A new Picture turned a quarter: rotation 1 takes (row r, column c) to
// (c, H − 1 − r), rotation 2 to (W − 1 − c, r); W rows by H columns result.
// nullptr for any other rotation, a non-Picture, or memory running out.
graphics::SysImage* RotateQuarter(const graphics::SysImage& image, uint16_t rotation);

// The writers. Paths are UTF-8. Picture writers refuse any other mode; the
// pattern writer refuses anything but a Pattern. Nothing is printed.
Status WriteImageBMP(const char* path, const graphics::SysImage& image);
Status WriteImagePNG(const char* path, const graphics::SysImage& image);
Status WriteImageJPG(const char* path, const graphics::SysImage& image, uint16_t qualitySetting);
Status WriteImagePAT(const char* path, const graphics::SysImage& image);

// The readers: a new image in *out (scale 1; pattern files at their own
// scale) or failure with *out nullptr. Nothing is printed but the bitmap
// colour table and a PNG row size the reader cannot take.
Status ReadImageBMP(const char* path, graphics::SysImage** out);
Status ReadImagePNG(const char* path, graphics::SysImage** out);
Status ReadImageJPG(const char* path, graphics::SysImage** out);
Status ReadImagePAT(const char* path, graphics::SysImage** out);

// The file type a name's extension gives ("bmp", "png", "avi", "pat", "jpg",
// "jpeg", any case), or 0 when there is none of these.
uint16_t FileTypeOfName(const char16_t* path);

// Reads an image file for a run at `scale`: a picture is enlarged to that
// scale, a pattern file at scale 4 is reduced to it by majority (a pattern at
// another scale keeps its own) and then printed with SysPatternDump. nullptr
// when the type is unknown, reading fails, or the scale cannot be reached.
graphics::SysImage* ReadImageFile(const char16_t* path, uint16_t scale);

// A Picture with every cell repeated into a factor × factor block.
graphics::SysImage* EnlargePicture(const graphics::SysImage& image, uint16_t factor);
// A Pattern at scale 4 reduced to `targetScale` (1 or 2): each cell of the
// result is pen when pen cells are at least as many as brush cells and more
// than empty ones in its block, else brush when brush cells outnumber empty
// ones, else empty.
graphics::SysImage* ReducePatternByMajority(const graphics::SysImage& image, uint16_t targetScale);

// The quality handed to the JPEG library for a run's quality setting.
int JpegLibraryQuality(uint16_t qualitySetting);

// Codes one row of pattern cells as runs into `out`, which must hold at least
// `count` bytes (no run takes more bytes than cells). Returns the bytes used,
// or 0 when a cell value is above 3 or count is not positive.
size_t EncodePatternRow(const uint8_t* cells, int32_t count, uint8_t* out);

}  // namespace vorlan::output
