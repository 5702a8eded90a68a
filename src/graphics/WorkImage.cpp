#include "graphics/Raster.h"
#include "base/ReportLines.h"
#include "graphics/Tracing.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace vorlan::graphics {
namespace {

// Two empty cells beyond the pen's reach on every side keep the outermost
// rows and columns of a work image free of pen cells, so the flood can start
// from the whole border.
constexpr int64_t kWorkMargin = 2;

bool FitsInt32(int64_t value) {
    return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

}  // namespace

bool CalcWorkImageParms(const BoundingBox& box, const SysPen& pen, uint16_t scale, WorkImageParms* parms) {
    if (!pen.tip || pen.tip->scale != scale) {
        PrintReportLine(ReportLine::WorkImageScale);
        return false;
    }
    const int64_t half = (int64_t{pen.tip->columns} + 1) / 2;
    const int64_t left = int64_t{ToSubPixel(box.minX, scale)} - half - kWorkMargin;
    const int64_t right = int64_t{ToSubPixel(box.maxX, scale)} + half + kWorkMargin;
    const int64_t top = int64_t{ToSubPixel(box.minY, scale)} - half - kWorkMargin;
    const int64_t bottom = int64_t{ToSubPixel(box.maxY, scale)} + half + kWorkMargin;
    const int64_t width = right - left + 1;
    const int64_t height = bottom - top + 1;
    // A box beyond the reach of cell indices cannot have a work image.
    if (!FitsInt32(left) || !FitsInt32(top) || !FitsInt32(width) || !FitsInt32(height) || width <= 0 ||
        height <= 0)
        return false;
    *parms = WorkImageParms{scale, static_cast<int32_t>(width), static_cast<int32_t>(height),
                            static_cast<int32_t>(left), static_cast<int32_t>(top)};
    return true;
}

bool ShapeVisible(const BoundingBox& box, const SysImage& canvas) {
    if (std::isnan(box.minX) || std::isnan(box.minY) || std::isnan(box.maxX) || std::isnan(box.maxY)) return false;
    if (box.maxX < 0 || box.maxY < 0) return false;
    return ToSubPixel(box.minX, canvas.scale) <= canvas.columns && ToSubPixel(box.minY, canvas.scale) <= canvas.rows;
}

SysImage* CreateWorkImage(const BoundingBox& box, const SysPen& pen, const SysImage& canvas) {
    WorkImageParms parms{};
    if (!CalcWorkImageParms(box, pen, canvas.scale, &parms)) return nullptr;
    SysImage* work = CreateCellImage(parms.width, parms.height, ImageMode::Pattern, parms.scale);
    if (!work) return nullptr;
    work->originX = parms.left;
    work->originY = parms.top;
    return work;
}

void FillRegion(SysImage& work, FillMode fill, bool penToBrush) {
    const int32_t rows = work.rows;
    const int32_t columns = work.columns;
    if (rows <= 0 || columns <= 0) return;

    // Border: the outside starts at every edge cell.
    for (int32_t column = 0; column < columns; ++column) {
        work.PatternRow(0)[column] = kCellBrush;
        work.PatternRow(rows - 1)[column] = kCellBrush;
    }
    for (int32_t row = 0; row < rows; ++row) {
        work.PatternRow(row)[0] = kCellBrush;
        work.PatternRow(row)[columns - 1] = kCellBrush;
    }
    FloodPattern(work);

    // Convert: the flooded outside empties again; what the flood could not
    // reach is enclosed by the outline and takes the fill.
    // Written as selects rather than a table so that the loop vectorises: it
    // runs over every cell of every filled shape.
    const uint8_t enclosed = fill == FillMode::Solid ? kCellPen : fill == FillMode::Filled ? kCellBrush : kCellEmpty;
    const uint8_t pen = penToBrush ? kCellBrush : kCellPen;
    uint8_t* cells = work.cells;
    const size_t count = static_cast<size_t>(rows) * static_cast<size_t>(columns);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t value = cells[i];
        const uint8_t kept = value == kCellBrush ? kCellEmpty : value;
        cells[i] = value == kCellEmpty ? enclosed : value == kCellPen ? pen : kept;
    }
}

}  // namespace vorlan::graphics
