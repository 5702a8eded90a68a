#pragma once
// SysBrush: the record behind a TBrush, and SysCanvas: the record behind a
// TCanvas.

#include "graphics/Image.h"
#include "graphics/Raster.h"

namespace vorlan::graphics {

enum class BrushFill : uint16_t { Colour = 1, Image = 2, Callback = 3 };
enum class BrushAlign : uint16_t { Local = 1, Absolute = 2, Pinned = 3 };

constexpr uint32_t kTagBrush = 22022;
constexpr uint32_t kTagCanvas = 22023;

struct SysBrush : Tagged<kTagBrush> {
    ColourWord colour;
    ColourWord background;  // for the brush cells of Pattern brush images
    Overwrite overwrite;
    BrushFill fill;
    BrushAlign align;
    PointF pin;
    // The images belong to the TImage values the brush was made from.
    const SysImage* image;    // the brush's TImage
    const SysImage* working;  // the image fill Image paints with
};

// nullptr when fill is Image and there is no image, or memory runs out.
SysBrush* CreateBrush(ColourWord colour, ColourWord background, Overwrite overwrite, BrushFill fill, BrushAlign align,
                      PointF pin, const SysImage* image);

// The engine's surface for drawing text, opaque outside the text renderer.
struct TextSurface;

struct SysCanvas : Tagged<kTagCanvas> {
    Owned<SysImage> image;
    // Made when text is first drawn. It goes with the canvas: a resized
    // canvas is a new record, which makes its own surface of the new size.
    Owned<TextSurface> textSurface;
    bool video;         // the run writes a video
    bool framesWritten; // at least one frame has gone out
};

// A canvas cleared to opaque white for Paper, opaque black for any other mix.
SysCanvas* CreateCanvas(int32_t width, int32_t height, ImageMode mode, uint16_t colourMix, uint16_t scale);

}  // namespace vorlan::graphics

namespace vorlan {
template <>
struct Release<graphics::TextSurface> {
    static void Of(graphics::TextSurface* surface);
};
}  // namespace vorlan
