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

// The images belong to the TImage values the brush was made from.
void FreeBrush(SysBrush*& brush) {
    delete brush;
    brush = nullptr;
}

SysCanvas* CreateCanvas(int32_t width, int32_t height, ImageMode mode, uint16_t colourMix, uint16_t scale) {
    auto* canvas = new SysCanvas{};
    if (!canvas) return nullptr;
    canvas->image = CreateImage(width, height, mode, colourMix, scale);
    if (!canvas->image) {
        delete canvas;
        return nullptr;
    }
    ClearImage(*canvas->image, colourMix == kColourMixPaper ? kOpaqueWhite : kOpaqueBlack);
    return canvas;
}

// The text surface goes with the canvas: a resized canvas is a new record,
// which makes its own surface of the new size when text is next drawn.
void FreeCanvas(SysCanvas*& canvas) {
    if (!canvas) return;
    FreeTextSurface(canvas->textSurface);
    FreeImage(canvas->image);
    delete canvas;
    canvas = nullptr;
}

}  // namespace vorlan::graphics
