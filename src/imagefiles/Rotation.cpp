// Quarter turns of a finished picture, for output devices held sideways.

#include "imagefiles/ImageFiles.h"

namespace vorlan::output {

using graphics::ColourWord;
using graphics::ImageMode;
using graphics::SysImage;

SysImage* RotateQuarter(const SysImage& image, uint16_t rotation) {
    if (image.mode != ImageMode::Picture || (rotation != 1 && rotation != 2)) return nullptr;
    const int32_t height = image.rows;
    const int32_t width = image.columns;
    SysImage* turned = graphics::CreateCellImage(height, width, image.mode, image.scale);
    if (!turned) return nullptr;
    turned->colourMix = image.colourMix;
    turned->background = image.background;
    for (int32_t r = 0; r < height; ++r) {
        const ColourWord* source = image.PictureRow(r);
        for (int32_t c = 0; c < width; ++c) {
            if (rotation == 1)
                turned->PictureRow(c)[height - 1 - r] = source[c];
            else
                turned->PictureRow(width - 1 - c)[r] = source[c];
        }
    }
    return turned;
}

}  // namespace vorlan::output
