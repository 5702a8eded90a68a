#include "graphics/Raster.h"
#include "graphics/Tracing.h"

#include <algorithm>
#include <cmath>

namespace vorlan::graphics {

Stamper::Stamper(SysImage& target, SysPen& pen) : target_(target), pen_(pen) {
    const SysImage& tip = *pen.tip;
    const uint32_t cells = pen.stepFirst[kTipSteps];
    if (!pen.stepCells || cells > kMostStepCells || tip.scale != target.scale ||
        target.mode != ImageMode::Pattern || tip.columns > target.columns || tip.rows > target.rows)
        return;
    // A stamp at (x, y) puts the tip's top left cell on x − originX + tip.originX;
    // the whole tip is on the target from there up to columns − tip.columns.
    const int64_t lowX = int64_t{target.originX} - tip.originX;
    const int64_t lowY = int64_t{target.originY} - tip.originY;
    const int64_t highX = lowX + target.columns - tip.columns;
    const int64_t highY = lowY + target.rows - tip.rows;
    auto fits = [](int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; };
    if (!fits(lowX) || !fits(lowY) || !fits(highX) || !fits(highY)) return;
    low_ = CellPoint{static_cast<int32_t>(lowX), static_cast<int32_t>(lowY)};
    high_ = CellPoint{static_cast<int32_t>(highX), static_cast<int32_t>(highY)};
    columns_ = static_cast<size_t>(target.columns);
    // Offsets are kept in 32 bits: on a target so wide that a tip's lower
    // rows lie beyond them, every stamp is a whole one.
    for (uint32_t i = 0; i < cells; ++i) {
        const uint64_t offset = uint64_t(pen.stepCells[i].row) * columns_ + uint64_t(pen.stepCells[i].column);
        if (offset > UINT32_MAX) return;
        offsets_[i] = static_cast<uint32_t>(offset);
    }
    stepping_ = true;
}

namespace {

double Radians(double degrees) { return degrees * kPi / 180.0; }

// An arc always runs clockwise from `from`, so an end before the start lies
// one turn further on.
double ClockwiseEnd(float from, float to) { return from > to ? to + 360.0 : to; }

double Distance(PointF a, PointF b) {
    return std::hypot(static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y);
}

PointF OnCircle(PointF centre, double radius, double radians) {
    return {static_cast<float>(centre.x + radius * std::sin(radians)),
            static_cast<float>(centre.y - radius * std::cos(radians))};
}

// A point relative to the ellipse's centre, put in place.
PointF PlaceOnEllipse(const EllipseFrame& frame, double x, double y) {
    if (frame.rotated) {
        const double c = frame.cosRotate;
        const double s = frame.sinRotate;
        return {static_cast<float>(x * c - y * s + frame.centre.x), static_cast<float>(x * s + y * c + frame.centre.y)};
    }
    return {static_cast<float>(x + frame.centre.x), static_cast<float>(y + frame.centre.y)};
}

Status DashedStamp(Stamper& stamper, PathDash& dash, double distance, PointF point) {
    return DashDraws(dash, distance) ? stamper.Stamp(point) : Status::Success;
}

// Section - Circle walk
//
// The circle is walked in five runs, each along the axis in which the curve
// is shallow there, so that successive stamps are never more than a pixel
// apart across the run; a run hands over as soon as the curve steepens.

float CircleRoot(float radius, float offset) {
    const float radicand = radius * radius - offset * offset;
    return radicand > 0 ? std::sqrt(radicand) : 0.0f;
}

class CircleWalk {
public:
    CircleWalk(Stamper& stamper, PathDash& dash, PointF centre, float radius)
        : stamper_(stamper), dash_(dash), centre_(centre), radius_(radius),
          step_(1.0f / static_cast<float>(stamper.Scale())), previous_{centre.x, centre.y - radius},
          measured_(DashMeasures(dash)) {}

    Status Run() {
        const PointF c = centre_;
        const float r = radius_;
        // Top, to the right: x grows, y from the upper half.
        VL_PROPAGATE(Walk(c.x, +1, c.x + r, true, [&](float x) { return PointF{x, c.y - CircleRoot(r, x - c.x)}; }));
        VL_PROPAGATE(Walk(previous_.y + step_, +1, c.y + r, false,
                          [&](float y) { return PointF{c.x + CircleRoot(r, y - c.y), y}; }));
        VL_PROPAGATE(Walk(previous_.x - step_, -1, c.x - r, true,
                          [&](float x) { return PointF{x, c.y + CircleRoot(r, x - c.x)}; }));
        VL_PROPAGATE(Walk(previous_.y - step_, -1, c.y - r, false,
                          [&](float y) { return PointF{c.x - CircleRoot(r, y - c.y), y}; }));
        return Walk(previous_.x + step_, +1, c.x, true,
                    [&](float x) { return PointF{x, c.y - CircleRoot(r, x - c.x)}; });
    }

private:
    // Steps `along` by the walk's step in `direction` up to `limit`; a run
    // along x watches y and the other way round.
    template <class PointAt>
    Status Walk(float along, int direction, float limit, bool alongX, PointAt pointAt) {
        const float delta = direction > 0 ? step_ : -step_;
        while (direction > 0 ? along <= limit : along >= limit) {
            const PointF point = pointAt(along);
            const float across = alongX ? point.y - previous_.y : point.x - previous_.x;
            if (std::fabs(across) > 1.0f) break;
            double distance = 0;
            if (measured_) {
                float theta = std::atan2(point.x - centre_.x, -(point.y - centre_.y));
                if (theta < 0) theta += kTwoPiSingle;
                distance = static_cast<double>(radius_) * theta;
            }
            VL_PROPAGATE(DashedStamp(stamper_, dash_, distance, point));
            previous_ = point;
            const float next = along + delta;
            if (next == along) break;  // beyond the reach of single precision
            along = next;
        }
        return Status::Success;
    }

    Stamper& stamper_;
    PathDash& dash_;
    PointF centre_;
    float radius_;
    float step_;
    PointF previous_;
    bool measured_;  // the angle is only worked out when a dash pattern needs it
};

// The ellipse's point at polar angle `phi` (radians, anticlockwise from the
// right, as the polar form is written).
PointF EllipseAtPolarAngle(const EllipseFrame& frame, double phi) {
    const double a = frame.width / 2.0;
    const double b = frame.height / 2.0;
    const double bc = b * std::cos(phi);
    const double as = a * std::sin(phi);
    const double denominator = std::sqrt(bc * bc + as * as);
    const double q = denominator > 0 ? a * b / denominator : 0.0;
    return PlaceOnEllipse(frame, q * std::cos(phi), -q * std::sin(phi));
}

}  // namespace

EllipseFrame::EllipseFrame(PointF centre, float width, float height, float rotate)
    : centre(centre), width(width), height(height), rotated(std::fabs(rotate) > 0.1f),
      cosRotate(std::cos(Radians(rotate))), sinRotate(std::sin(Radians(rotate))) {}

PointF EllipsePolarPoint(const EllipseFrame& frame, double degrees) {
    return EllipseAtPolarAngle(frame, Radians(90.0 - degrees));
}

Status TraceSegment(Stamper& stamper, PathDash& dash, PointF p0, PointF p1) {
    // A little under one cell, so that no cell along the line is skipped.
    const float step = 1.0f / static_cast<float>(stamper.Scale()) - 0.05f;
    const float dx = p1.x - p0.x;
    const float dy = p1.y - p0.y;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (length > 0.01f && step > 0) {
        for (float d = 0; d < length; d += step) {
            VL_PROPAGATE(DashedStamp(stamper, dash, d, PointF{p0.x + dx * d / length, p0.y + dy * d / length}));
            if (d + step == d) break;
        }
    }
    return DashedStamp(stamper, dash, length, p1);
}

Status TraceCircle(Stamper& stamper, PathDash& dash, PointF centre, float radius) {
    CircleWalk walk(stamper, dash, centre, radius);
    return walk.Run();
}

Status TraceArc(Stamper& stamper, PathDash& dash, PointF centre, float radius, float from, float to) {
    const double a = Radians(from);
    const double b = Radians(ClockwiseEnd(from, to));
    const double step = 0.8 / radius / stamper.Scale();
    if (step > 0) {
        for (double t = a; t <= b; t += step) {
            VL_PROPAGATE(DashedStamp(stamper, dash, radius * (t - a), OnCircle(centre, radius, t)));
            if (t + step == t) break;
        }
    }
    return DashedStamp(stamper, dash, radius * (b - a), OnCircle(centre, radius, b));
}

Status TraceEllipse(Stamper& stamper, PathDash& dash, const EllipseFrame& frame, float from, float to) {
    const double rx = frame.width / 2.0f;
    const double ry = frame.height / 2.0f;
    const double start = Radians(from);
    const double end = Radians(ClockwiseEnd(from, to));
    // Half a pixel of the larger axis per step, finer with the scale.
    const float larger = std::max(std::fabs(frame.width), std::fabs(frame.height));
    const double step = 0.5 / larger / stamper.Scale();
    auto pointAt = [&](double t) { return PlaceOnEllipse(frame, rx * std::sin(t), -ry * std::cos(t)); };

    PointF previous = pointAt(start);
    double length = 0;
    double reached = start;
    auto visit = [&](double t) {
        const PointF point = pointAt(t);
        length += Distance(previous, point);
        previous = point;
        reached = t;
        return DashedStamp(stamper, dash, length, point);
    };
    if (step > 0) {
        for (double t = start; t <= end; t += step) {
            VL_PROPAGATE(visit(t));
            if (t + step == t) break;
        }
    }
    // The end belongs to the curve even when the steps do not land on it.
    if (reached < end || step <= 0 || std::isnan(step)) return visit(end);
    return Status::Success;
}

Status TraceEllipseArc(Stamper& stamper, PathDash& dash, const EllipseFrame& frame, float from, float to) {
    if (to < from) return Status::Refused;
    const double start = Radians(90.0 - from);
    const double end = Radians(90.0 - to);
    const float larger = std::max(std::fabs(frame.width), std::fabs(frame.height));
    const double step = 0.8 / (larger / 2.0) / stamper.Scale();
    if (!(step > 0)) return Status::Success;
    double length = 0;
    bool first = true;
    PointF previous{};
    // Polar angles fall as the arc runs clockwise; the end itself is not drawn.
    for (double phi = start; phi > end; phi -= step) {
        const PointF point = EllipseAtPolarAngle(frame, phi);
        if (!first) length += Distance(previous, point);
        first = false;
        previous = point;
        VL_PROPAGATE(DashedStamp(stamper, dash, length, point));
        if (phi - step == phi) break;
    }
    return Status::Success;
}

Status TraceSector(Stamper& stamper, PointF centre, float radius, float from, float to) {
    const PointF start = OnCircle(centre, radius, Radians(from));
    const PointF end = OnCircle(centre, radius, Radians(to));
    PathDash dash;
    MakePathDash(stamper.Pen(), SegmentLength(centre, start), &dash);
    VL_PROPAGATE(TraceSegment(stamper, dash, centre, start));
    MakePathDash(stamper.Pen(), ArcPathLength(radius, from, to), &dash);
    VL_PROPAGATE(TraceArc(stamper, dash, centre, radius, from, to));
    MakePathDash(stamper.Pen(), SegmentLength(end, centre), &dash);
    return TraceSegment(stamper, dash, end, centre);
}

Status TraceEllipseSector(Stamper& stamper, const EllipseFrame& frame, float from, float to) {
    if (to < from) return Status::Refused;
    const PointF start = EllipsePolarPoint(frame, from);
    const PointF end = EllipsePolarPoint(frame, to);
    PathDash dash;
    MakePathDash(stamper.Pen(), SegmentLength(frame.centre, start), &dash);
    VL_PROPAGATE(TraceSegment(stamper, dash, frame.centre, start));
    MakePathDash(stamper.Pen(), EllipsePathLength(frame.width, frame.height, from, to), &dash);
    VL_PROPAGATE(TraceEllipseArc(stamper, dash, frame, from, to));
    MakePathDash(stamper.Pen(), SegmentLength(end, frame.centre), &dash);
    return TraceSegment(stamper, dash, end, frame.centre);
}

Status TracePolyline(Stamper& stamper, PointF origin, const PointF* points, int32_t count, bool closed) {
    if (count <= 0) return Status::Success;
    auto at = [&](int32_t i) { return PointF{origin.x + points[i].x, origin.y + points[i].y}; };
    PathDash dash;
    auto side = [&](PointF p0, PointF p1) {
        MakePathDash(stamper.Pen(), SegmentLength(p0, p1), &dash);
        return TraceSegment(stamper, dash, p0, p1);
    };
    for (int32_t i = 0; i + 1 < count; ++i) VL_PROPAGATE(side(at(i), at(i + 1)));
    if (closed) return side(at(count - 1), at(0));
    return Status::Success;
}

Status TraceRectangle(Stamper& stamper, PointF corner, float width, float height) {
    const float x = corner.x;
    const float y = corner.y;
    // Each side's pattern is sized by the width or height as given, sign and all.
    PathDash dash;
    auto side = [&](float length, PointF p0, PointF p1) {
        MakePathDash(stamper.Pen(), length, &dash);
        return TraceSegment(stamper, dash, p0, p1);
    };
    VL_PROPAGATE(side(width, {x, y}, {x + width, y}));
    VL_PROPAGATE(side(height, {x + width, y}, {x + width, y + height}));
    VL_PROPAGATE(side(width, {x + width, y + height}, {x, y + height}));
    return side(height, {x, y + height}, {x, y});
}

}  // namespace vorlan::graphics
