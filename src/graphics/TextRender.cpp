// The core's side of text: the pure helpers, and the calls that go on to
// the text module (TextModule.h). A canvas or font the module has touched
// can only exist once it is loaded, so releasing them finds it in.

#include "graphics/TextRender.h"

#include "graphics/TextModule.h"
#include "value/Number.h"

#include <algorithm>
#include <cmath>

namespace vorlan::graphics {
namespace {

constexpr int32_t kWordCells = 32;  // cells in one 32-bit word of the 1-bit surface

}  // namespace

Status DrawTextLine(SysCanvas& canvas, PointF origin, const PenPaint& pen, SysFont& font, const TextRequest& text,
                    int32_t angle, int32_t width) {
    const TextModuleTable* module = TextModule();
    return module ? module->drawLine(canvas, origin, pen, font, text, angle, width) : Status::Refused;
}

Status DrawTextColumn(SysCanvas& canvas, PointF origin, const PenPaint& pen, SysFont& font, const TextRequest& text,
                      int32_t angle) {
    const TextModuleTable* module = TextModule();
    return module ? module->drawColumn(canvas, origin, pen, font, text, angle) : Status::Refused;
}

Status MeasureText(const SysFont& font, const char16_t* chars, size_t count, int32_t width, int32_t* measuredWidth,
                   int32_t* measuredHeight) {
    const TextModuleTable* module = TextModule();
    return module ? module->measure(font, chars, count, width, measuredWidth, measuredHeight) : Status::Refused;
}

bool ClipTextArea(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int32_t marginX, int32_t marginY, int32_t columns,
                  int32_t rows, TextArea* area) {
    const int64_t left = std::min(x0, x1) - marginX, right = std::max(x0, x1) + marginX;
    const int64_t top = std::min(y0, y1) - marginY, bottom = std::max(y0, y1) + marginY;
    if (right < 0 || left > columns || bottom < 0 || top > rows) return false;
    // Flooring to a multiple of 32 for a non-negative value is plain division.
    area->left = left < 0 ? 0 : static_cast<int32_t>(left / kWordCells * kWordCells);
    area->right = static_cast<int32_t>(std::min<int64_t>((right + kWordCells - 1) / kWordCells * kWordCells, columns));
    area->top = static_cast<int32_t>(std::max<int64_t>(top, 0));
    area->bottom = static_cast<int32_t>(std::min<int64_t>(bottom, rows));
    return area->right > area->left && area->bottom > area->top;
}

Status TextAngleTenths(runtime::Number degrees, int32_t* tenths) {
    if (runtime::IsInteger(degrees)) {
        int32_t whole = runtime::IntegerOf(degrees);
        if (whole < -360 || whole > 360) return Status::OutOfRange;
        if (whole < 0) whole += 360;
        *tenths = whole * 10;
        return Status::Success;
    }
    float real = 0;
    VL_PROPAGATE(runtime::ReadReal(degrees, &real));
    if (!(real >= -360.04f && real <= 360.04f)) return Status::OutOfRange;
    if (real < 0) real += 360;
    *tenths = static_cast<int32_t>(std::round(static_cast<double>(real) * 10));  // halves away from zero
    return Status::Success;
}

}  // namespace vorlan::graphics

namespace vorlan {
void Release<graphics::TextSurface>::Of(graphics::TextSurface* surface) {
    if (surface) graphics::TextModule()->releaseSurface(surface);
}
}  // namespace vorlan
