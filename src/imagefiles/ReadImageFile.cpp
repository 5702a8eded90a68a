// Image files read by a running program: the reader chosen by the name's
// extension, then the image brought to the run's scale.

#include "imagefiles/ImageFiles.h"

#include "base/Utf8.h"
#include "graphics/Raster.h"

namespace vorlan::output {

using graphics::ImageMode;
using graphics::SysImage;

namespace {

struct ExtensionRow {
    const char16_t* extension;
    FileType type;
};

constexpr ExtensionRow kExtensions[] = {
    {u"bmp", FileType::Bmp}, {u"pat", FileType::Pat}, {u"png", FileType::Png},
    {u"avi", FileType::Avi}, {u"jpg", FileType::Jpg}, {u"jpeg", FileType::Jpg},
};

char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SameIgnoringCase(const char16_t* a, const char16_t* b) {
    for (; *a && *b; ++a, ++b) {
        if (Lower(*a) != Lower(*b)) return false;
    }
    return *a == *b;
}

Status ReadByType(uint16_t type, const char* path, SysImage** image) {
    switch (static_cast<FileType>(type)) {
        case FileType::Bmp: return ReadImageBMP(path, image);
        case FileType::Png: return ReadImagePNG(path, image);
        case FileType::Pat: return ReadImagePAT(path, image);
        case FileType::Jpg: return ReadImageJPG(path, image);
        case FileType::Avi:
        case FileType::Mp4:
        case FileType::Gif: break;
    }
    return Status::Invalid;
}

// Replaces `image` with its form at the run's scale; false when a picture
// would have to shrink or memory runs out. Patterns not at scale 4, or asked
// for at 4 or more, stay as they are.
bool BringToScale(Owned<SysImage>& image, uint16_t scale) {
    if (image->scale == scale) return true;
    SysImage* changed = nullptr;
    if (image->mode == ImageMode::Picture) {
        if (scale < image->scale || scale % image->scale != 0) return false;
        changed = EnlargePicture(*image, static_cast<uint16_t>(scale / image->scale));
    } else if (image->scale == 4 && scale < 4) {
        changed = ReducePatternByMajority(*image, scale);
    } else {
        return true;
    }
    if (!changed) return false;
    image.Adopt(changed);
    return true;
}

}  // namespace

uint16_t FileTypeOfName(const char16_t* path) {
    if (!path) return 0;
    const char16_t* dot = nullptr;
    for (const char16_t* c = path; *c; ++c) {
        if (*c == u'.') dot = c;
    }
    if (!dot) return 0;
    for (const ExtensionRow& row : kExtensions) {
        if (SameIgnoringCase(dot + 1, row.extension)) return static_cast<uint16_t>(row.type);
    }
    return 0;
}

SysImage* ReadImageFile(const char16_t* path, uint16_t scale) {
    const uint16_t type = FileTypeOfName(path);
    char utf8Path[kUtf8PathCapacity];
    if (type == 0 || scale == 0 || !WideToUtf8(path, utf8Path, sizeof utf8Path)) return nullptr;
    SysImage* read = nullptr;
    if (ReadByType(type, utf8Path, &read) != Status::Success) return nullptr;
    Owned<SysImage> image(read);
    if (!BringToScale(image, scale)) return nullptr;
    if (image->mode == ImageMode::Pattern) graphics::SysPatternDump(image);
    return image.Take();
}

}  // namespace vorlan::output
