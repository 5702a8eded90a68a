// The end of a run that draws a picture: reduce, turn, write. The canvas is
// left as it is; the reduced and turned copies live only for the write.

#include "imagefiles/ImageFiles.h"

#include "base/ReportLines.h"
#include "base/Utf8.h"

#include <cstdio>

namespace vorlan::output {

using graphics::ImageMode;
using graphics::SysImage;

namespace {

void ReportNotWritten(const char16_t* path) {
    PrintReportLineWith(ReportLine::CouldNotWrite, path);
}

Status WriteByType(const SysImage& image, const PictureSettings& picture, const char* path) {
    switch (picture.fileType) {
        case FileType::Bmp: return WriteImageBMP(path, image);
        case FileType::Png: return WriteImagePNG(path, image);
        case FileType::Pat: return WriteImagePAT(path, image);
        case FileType::Jpg: return WriteImageJPG(path, image, picture.quality);
        case FileType::Avi:
        case FileType::Mp4:
        case FileType::Gif: break;
    }
    return Status::Success;
}

// Reduces and turns a Picture as the run asks; `owned` receives any new image.
// Returns the image to write, or nullptr on failure.
const SysImage* PrepareImage(const SysImage& canvas, const PictureSettings& picture, Owned<SysImage>& owned) {
    const SysImage* current = &canvas;
    if (canvas.mode != ImageMode::Picture) return current;
    if (canvas.scale != 1) {
        owned.Adopt(ReduceScale(canvas, 1));
        if (!owned) return nullptr;
        current = owned;
    }
    if (picture.rotation == 1 || picture.rotation == 2) {
        owned.Adopt(RotateQuarter(*current, picture.rotation));
        current = owned;
    }
    return current;
}

}  // namespace

Status WriteOutputFile(const SysImage& canvas, const Settings& settings, const char16_t* path) {
    const PictureSettings& picture = settings.run.picture;
    const auto type = static_cast<uint16_t>(picture.fileType);
    // Videos are written frame by frame elsewhere; unknown types have nothing to write.
    if (IsVideo(picture.fileType) || type < 1 || type > 5) return Status::Success;

    char utf8Path[kUtf8PathCapacity];
    Owned<SysImage> owned;
    Status status = Status::Invalid;
    if (path && WideToUtf8(path, utf8Path, sizeof utf8Path)) {
        const SysImage* image = PrepareImage(canvas, picture, owned);
        if (image) status = WriteByType(*image, picture, utf8Path);
    }
    if (status != Status::Success) ReportNotWritten(path);
    return status;
}

}  // namespace vorlan::output
