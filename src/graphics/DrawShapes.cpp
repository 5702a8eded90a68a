#include "graphics/Raster.h"
#include "graphics/Shapes.h"
#include "graphics/Tracing.h"

#include <algorithm>
#include <cmath>

namespace vorlan::graphics {
namespace {

bool EnclosesArea(FillMode fill) { return fill == FillMode::Solid || fill == FillMode::Filled; }

// What one shape is: how it is boxed and filled, whether its outline is one
// path (whose dash state is built once, before tracing), and what to report
// when the thin outlining pen cannot be made.
struct ShapeSetup {
    BoundingBox box;
    bool hasFill;
    FillMode fill;
    PointF reference;
    const double* pathLength;  // one-path shapes only
    bool skipVisibilityOnPattern;
    Status thinPenFailure;
};

BoundingBox AroundCentre(PointF centre, float reach) {
    return {centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach};
}

BoundingBox Ordered(PointF a, PointF b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

BoundingBox AroundPoints(PointF origin, const PointF* points, int32_t count) {
    BoundingBox box{points[0].x, points[0].y, points[0].x, points[0].y};
    for (int32_t i = 1; i < count; ++i) {
        box.minX = std::min(box.minX, points[i].x);
        box.minY = std::min(box.minY, points[i].y);
        box.maxX = std::max(box.maxX, points[i].x);
        box.maxY = std::max(box.maxY, points[i].y);
    }
    return {box.minX + origin.x, box.minY + origin.y, box.maxX + origin.x, box.maxY + origin.y};
}

// Every shape but the dot goes through here. `trace(stamper, dash)` walks the
// outline with the stamper's pen; multi-part outlines ignore `dash` and build
// their own per part.
//
// A shape is drawn into a work image of its own and rendered once, so each
// canvas cell it touches is combined with the paint exactly once however
// often the tip overlapped there. A dashed outline around a fill is traced
// twice: a thin solid outline first closes the region for the flood, then the
// real pen lays its dashes over the filled region.
template <class Trace>
Status DrawShape(SysImage& canvas, SysPen& pen, const SysBrush* brush, const ShapeSetup& setup, Trace trace) {
    const bool pattern = canvas.mode == ImageMode::Pattern;
    const bool filling = setup.hasFill && EnclosesArea(setup.fill);
    const bool direct = pattern && !filling;
    if (!(direct && setup.skipVisibilityOnPattern) && !ShapeVisible(setup.box, canvas)) return Status::Success;
    if (!pattern && canvas.mode != ImageMode::Picture) return Status::Invalid;

    PathDash dash;
    if (setup.pathLength) MakePathDash(pen, *setup.pathLength, &dash);

    if (direct) {
        // A Pattern canvas has no colours to combine, so an unfilled outline
        // can go straight onto it.
        Stamper stamper(canvas, pen);
        return trace(stamper, dash);
    }

    Owned<SysImage> work(CreateWorkImage(setup.box, pen, canvas));
    if (!work) return Status::Invalid;

    Status status = Status::Success;
    if (filling && pen.dashMode != DashMode::Solid) {
        Owned<SysPen> thin(CreatePen(1, 0, Overwrite::Direct, DashMode::Solid, nullptr, canvas.scale));
        if (!thin) return setup.thinPenFailure;
        Stamper thinStamper(*work, *thin);
        PathDash solid;
        status = trace(thinStamper, solid);
        if (status == Status::Success) {
            FillRegion(*work, setup.fill, setup.fill == FillMode::Filled);
            Stamper stamper(*work, pen);
            status = trace(stamper, dash);
        }
    } else {
        Stamper stamper(*work, pen);
        status = trace(stamper, dash);
        if (status == Status::Success && filling) FillRegion(*work, setup.fill, false);
    }

    if (status == Status::Success) {
        if (pattern)
            status = StampTip(*work, canvas, 0, 0);
        else
            status = RenderMask(canvas, &pen.paint, setup.hasFill ? brush : nullptr, *work, 0, 0, setup.reference);
    }
    return status;
}

ShapeSetup FilledSetup(const BoundingBox& box, FillMode fill, PointF reference, const double* pathLength) {
    return {box, true, fill, reference, pathLength, false, Status::Invalid};
}

ShapeSetup OutlineSetup(const BoundingBox& box, const double* pathLength) {
    return {box, false, FillMode::Hollow, PointF{0, 0}, pathLength, false, Status::Invalid};
}

}  // namespace

Status DrawDot(SysImage& canvas, SysPen& pen, PointF point) {
    if (!ShapeVisible(BoundingBox{point.x, point.y, point.x, point.y}, canvas)) return Status::Success;
    const int32_t x = ToSubPixel(point.x, canvas.scale);
    const int32_t y = ToSubPixel(point.y, canvas.scale);
    if (canvas.mode == ImageMode::Picture) return RenderMask(canvas, &pen.paint, nullptr, *pen.tip, x, y, point);
    if (canvas.mode == ImageMode::Pattern) return StampPenTip(pen, canvas, CellPoint{x, y});
    return Status::Invalid;
}

Status DrawArc(SysImage& canvas, SysPen& pen, PointF centre, float radius, float from, float to) {
    const double length = ArcPathLength(radius, from, to);
    return DrawShape(canvas, pen, nullptr, OutlineSetup(AroundCentre(centre, radius), &length),
                     [&](Stamper& stamper, PathDash& dash) {
                         return TraceArc(stamper, dash, centre, radius, from, to);
                     });
}

Status DrawCircle(SysImage& canvas, SysPen& pen, const SysBrush* brush, PointF centre, float radius, FillMode fill) {
    const double length = CirclePathLength(radius);
    ShapeSetup setup = FilledSetup(AroundCentre(centre, radius), fill, centre, &length);
    // Clipping gives the same cells, so a circle on a Pattern canvas is not boxed.
    setup.skipVisibilityOnPattern = true;
    return DrawShape(canvas, pen, brush, setup, [&](Stamper& stamper, PathDash& dash) {
        return TraceCircle(stamper, dash, centre, radius);
    });
}

Status DrawEllipse(SysImage& canvas, SysPen& pen, const SysBrush* brush, PointF centre, float width, float height,
                   float rotate, FillMode fill) {
    const double length = EllipsePathLength(width, height, 0, 360);
    const EllipseFrame frame{centre, width, height, rotate};
    return DrawShape(canvas, pen, brush,
                     FilledSetup(AroundCentre(centre, std::max(width, height)), fill, centre, &length),
                     [&](Stamper& stamper, PathDash& dash) { return TraceEllipse(stamper, dash, frame, 0, 360); });
}

Status DrawEllipseArc(SysImage& canvas, SysPen& pen, PointF centre, float width, float height, float from, float to,
                      float rotate) {
    // Refused before anything else, wherever the arc would have been.
    if (to < from) return Status::Refused;
    const double length = EllipsePathLength(width, height, from, to);
    const EllipseFrame frame{centre, width, height, rotate};
    return DrawShape(canvas, pen, nullptr, OutlineSetup(AroundCentre(centre, std::max(width, height)), &length),
                     [&](Stamper& stamper, PathDash& dash) {
                         return TraceEllipseArc(stamper, dash, frame, from, to);
                     });
}

Status DrawEllipseSector(SysImage& canvas, SysPen& pen, const SysBrush* brush, PointF centre, float width,
                         float height, float from, float to, float rotate, FillMode fill) {
    if (to < from) return Status::Refused;
    const EllipseFrame frame{centre, width, height, rotate};
    return DrawShape(canvas, pen, brush,
                     FilledSetup(AroundCentre(centre, std::max(width, height)), fill, centre, nullptr),
                     [&](Stamper& stamper, PathDash&) { return TraceEllipseSector(stamper, frame, from, to); });
}

Status DrawLine(SysImage& canvas, SysPen& pen, PointF origin, PointF from, PointF to) {
    const PointF p0{origin.x + from.x, origin.y + from.y};
    const PointF p1{origin.x + to.x, origin.y + to.y};
    const double length = SegmentLength(p0, p1);
    return DrawShape(canvas, pen, nullptr, OutlineSetup(Ordered(p0, p1), &length),
                     [&](Stamper& stamper, PathDash& dash) { return TraceSegment(stamper, dash, p0, p1); });
}

Status DrawPolyline(SysImage& canvas, SysPen& pen, PointF origin, const PointF* points, int32_t count) {
    if (!points || count <= 0) return Status::Success;
    return DrawShape(canvas, pen, nullptr, OutlineSetup(AroundPoints(origin, points, count), nullptr),
                     [&](Stamper& stamper, PathDash&) { return TracePolyline(stamper, origin, points, count, false); });
}

Status DrawPolygon(SysImage& canvas, SysPen& pen, const SysBrush* brush, PointF origin, const PointF* points,
                   int32_t count, FillMode fill) {
    if (!points || count <= 0) return Status::Success;
    return DrawShape(canvas, pen, brush, FilledSetup(AroundPoints(origin, points, count), fill, origin, nullptr),
                     [&](Stamper& stamper, PathDash&) { return TracePolyline(stamper, origin, points, count, true); });
}

Status DrawRectangle(SysImage& canvas, SysPen& pen, const SysBrush* brush, PointF corner, float width, float height,
                     FillMode fill) {
    ShapeSetup setup =
        FilledSetup(Ordered(corner, PointF{corner.x + width, corner.y + height}), fill, corner, nullptr);
    setup.thinPenFailure = Status::OutOfMemory;
    return DrawShape(canvas, pen, brush, setup, [&](Stamper& stamper, PathDash&) {
        return TraceRectangle(stamper, corner, width, height);
    });
}

Status DrawSector(SysImage& canvas, SysPen& pen, const SysBrush* brush, PointF centre, float radius, float from,
                  float to, FillMode fill) {
    return DrawShape(canvas, pen, brush, FilledSetup(AroundCentre(centre, radius), fill, centre, nullptr),
                     [&](Stamper& stamper, PathDash&) { return TraceSector(stamper, centre, radius, from, to); });
}

}  // namespace vorlan::graphics
