#include "graphics/Brush.h"

#include "graphics/TextRender.h"

namespace vorlan::graphics {

SysBrush* CreateBrush(ColourWord colour, ColourWord background, Overwrite overwrite, BrushFill fill, BrushAlign align,
                      PointF pin, const SysImage* image) {
    if (fill == BrushFill::Image && !image) return nullptr;
    auto* brush = new SysBrush{};
    if (!brush) return nullptr;
    brush->colour = colour;
    brush->background = background;
    brush->overwrite = overwrite;
    brush->fill = fill;
    brush->align = align;
    brush->pin = pin;
    brush->image = image;
    brush->working = fill == BrushFill::Image ? image : nullptr;
    return brush;
}

SysCanvas* CreateCanvas(int32_t width, int32_t height, ImageMode mode, uint16_t colourMix, uint16_t scale) {
    Owned<SysCanvas> canvas(new SysCanvas{});
    if (!canvas) return nullptr;
    canvas->image.Adopt(CreateImage(width, height, mode, colourMix, scale));
    if (!canvas->image) return nullptr;
    ClearImage(*canvas->image, colourMix == kColourMixPaper ? kOpaqueWhite : kOpaqueBlack);
    return canvas.Take();
}

}  // namespace vorlan::graphics
