#pragma once
// Text: a text, a font and a reference point become a Pattern mask of pen
// cells, which the rasterizer paints with the pen's colour and overwrite mode
// (a Pattern canvas takes the pen cells as they are).
//
// Pango lays the text out and Cairo renders it, without anti-aliasing, into a
// 1-bit surface as large as the canvas's cell grid; only the area around the
// text, widened to whole 32-bit words, is cleared, drawn and read back.
// Angles are tenths of a degree clockwise: a text at angle a has its baseline
// along (cos a, sin a) on the canvas, x right and y down.

#include "base/Status.h"
#include "graphics/Brush.h"
#include "graphics/Font.h"
#include "graphics/Raster.h"
#include "value/Value.h"

#include <cstddef>
#include <cstdint>

namespace vorlan::graphics {

enum class HorzAlign : uint16_t { Left = 1, Centre = 2, Right = 3, Both = 4 };
enum class VertAlign : uint16_t { Top = 1, Centre = 2, Bottom = 3 };

// What a text drawing is asked to draw. The characters are 16-bit, `count`
// of them (a 0 among them ends the text).
struct TextRequest {
    const char16_t* chars;
    size_t count;
    HorzAlign halign;
    VertAlign valign;
};

// A block wrapped at `width` pixels when width ≥ 1 and the angle is 0;
// otherwise one line at `angle` tenths. The reference point is the origin:
// halign and valign say which side or middle of the text lies on it.
// Success also when nothing of the text falls on the canvas; Refused when the
// text surface cannot be made.
Status DrawTextLine(SysCanvas& canvas, PointF origin, const PenPaint& pen, SysFont& font, const TextRequest& text,
                    int32_t angle, int32_t width);
// The characters one under another, each upright at `angle`, the column
// running a quarter turn further; aligned by its ink. Text without ink is
// Refused.
Status DrawTextColumn(SysCanvas& canvas, PointF origin, const PenPaint& pen, SysFont& font, const TextRequest& text,
                      int32_t angle);
// The size of unturned text in pixels, rounded up: wrapped at `width` pixels
// when width > 0, on one line otherwise.
Status MeasureText(const SysFont& font, const char16_t* chars, size_t count, int32_t width, int32_t* measuredWidth,
                   int32_t* measuredHeight);

// The part of the canvas a text drawing touches, in cells: left and right on
// multiples of 32 (right may stop at the canvas's edge), so that each row of
// it lies on whole words of the 1-bit surface.
struct TextArea {
    int32_t left, top, right, bottom;
};
// The box (any two opposite corners) widened by the margins and cut to a
// canvas of `columns` × `rows` cells; false when nothing of it is visible.
bool ClipTextArea(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int32_t marginX, int32_t marginY, int32_t columns,
                  int32_t rows, TextArea* area);

// A text angle in degrees as tenths in 0..3600: a whole number must lie in
// −360..360 and a real in −360.04..360.04 (else OutOfRange); negative angles
// turn a full turn forward. A Null angle is UsingNull.
Status TextAngleTenths(runtime::Number degrees, int32_t* tenths);

}  // namespace vorlan::graphics
