#pragma once
// The raster operations everything draws through: combining colours by the
// overwrite modes, placing and clipping one image on another, stamping
// Pattern images, rendering a Pattern mask in pen and brush colours, the
// flood of a Pattern image, flood fill, pixels, clearing and drawing images.

#include "base/Status.h"
#include "graphics/Image.h"

#include <cstdint>

namespace vorlan::graphics {

enum class Overwrite : uint16_t { Direct = 1, Add = 2, Merge = 3, Invert = 4 };

// What a pen paints with; SysPen carries one.
struct PenPaint {
    ColourWord colour;
    Overwrite overwrite;
};

struct SysBrush;

// Combines colour c with the cell colour d by `mode` on an image of `colourMix`.
ColourWord CombineColour(ColourWord c, ColourWord d, Overwrite mode, uint16_t colourMix);

// The overlap of `source` placed on `destination` at cell (x, y), after the
// origin rule: source column 0 lands on x − destination.originX + source.originX.
struct Placement {
    int32_t sourceRow;
    int32_t sourceColumn;
    int32_t targetRow;
    int32_t targetColumn;
    int32_t rows;  // 0 when nothing overlaps
    int32_t columns;
};
Placement ClipPlacement(const SysImage& destination, const SysImage& source, int32_t x, int32_t y);

// Copies the pen and brush cells of a Pattern image into a Pattern image;
// InternalFailure when the scales differ.
Status StampTip(const SysImage& source, SysImage& destination, int32_t x, int32_t y);

// Renders a Pattern image placed at cell (x, y) onto a Picture: pen cells in
// the pen's colour, brush cells as the brush paints, aligned to `reference`.
// Either paint may be absent (nullptr): its cells are then left alone.
Status RenderMask(SysImage& canvas, const PenPaint* pen, const SysBrush* brush, const SysImage& mask, int32_t x,
                  int32_t y, PointF reference);

// Spreads brush cells (2) into every empty cell (0) 4-connected to them,
// never changing the outermost rows and columns: the result the alternating
// forward and backward sweeps give, in time linear in the cells.
void FloodPattern(SysImage& image);

Status FloodFill(SysImage& canvas, const SysBrush& brush, PointF point);
Status SetPixel(SysImage& canvas, PointF point, ColourWord colour);
void ClearImage(SysImage& image, ColourWord colour);
Status PutImage(SysImage& canvas, const PenPaint* pen, const SysBrush* brush, const SysImage* image,
                Overwrite overwrite, PointF point);

// Debug dumps on standard output.
void SysPatternDump(const SysImage* image);
void SysPictureDump(const SysImage* image);

}  // namespace vorlan::graphics
