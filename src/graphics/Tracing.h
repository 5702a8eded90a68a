#pragma once
// Internal to the shape drawing: dash state along one path, the stamper that
// puts the pen tip down, the outline tracers, and the work image steps.

#include "base/Status.h"
#include "graphics/Image.h"
#include "graphics/Pen.h"
#include "graphics/Shapes.h"

#include <cstdint>

namespace vorlan::graphics {

constexpr double kPi = 3.14159265359;
constexpr double kTwoPiForCircles = 6.28318530718;
constexpr float kTwoPiSingle = 6.2831855f;

// Section - Dashes

// The dash state one path is traced with. `ctrl` is null (draw everything),
// the pen's own control (Solid, Continuous), or `own`, a control of the path's
// own that borrows the pen's lengths and scales them by `factor` as it goes,
// so that no path ever allocates.
struct PathDash {
    DashCtrl* ctrl = nullptr;
    DashCtrl own{};
    double factor = 1.0;
};

// The dash state for a path of `length` pixels drawn with `pen`. For a
// Continuous pen this moves the pen's pattern on past the previous path.
void MakePathDash(SysPen& pen, double length, PathDash* dash);
// The dash test at `distance` pixels from the path's start: true to draw.
bool DashDraws(PathDash& dash, double distance);
// False when every point is drawn whatever its distance.
bool DashMeasures(const PathDash& dash);

// Path lengths that size Single and Multiple patterns.
double CirclePathLength(float radius);
double ArcPathLength(float radius, float from, float to);
// Chords of the polar form at whole degrees from `from` up to `to`.
double EllipsePathLength(float width, float height, float from, float to);
float SegmentLength(PointF p0, PointF p1);

// Section - Stamping

// Puts the tracing pen's tip down on one target. A stamp only ever sets
// cells, and nothing else draws on the target while a path is traced, so
// consecutive stamps on the same cell are dropped and each stamp after the
// first writes only what the one before it did not.
class Stamper {
public:
    Stamper(SysImage& target, SysPen& pen) : target_(target), pen_(pen) {}
    // Inline: the tracers call it for every point of every outline.
    Status Stamp(PointF point) {
        const CellPoint at{ToSubPixel(point.x, target_.scale), ToSubPixel(point.y, target_.scale)};
        if (stamped_ && at.x == last_.x && at.y == last_.y) return Status::Success;
        VL_PROPAGATE(stamped_ ? StampPenTipAfter(pen_, target_, at, last_) : StampPenTip(pen_, target_, at));
        last_ = at;
        stamped_ = true;
        return Status::Success;
    }
    SysPen& Pen() const { return pen_; }
    uint16_t Scale() const { return target_.scale; }

private:
    SysImage& target_;
    SysPen& pen_;
    CellPoint last_{0, 0};  // where the tip went down last, once stamped_
    bool stamped_ = false;
};

// Section - Tracers

// Where an ellipse's point at polar angle `degrees` lies, rotated by `rotate`
// degrees about the centre (or just shifted when the rotation is negligible).
struct EllipseFrame {
    EllipseFrame(PointF centre, float width, float height, float rotate);
    PointF centre;
    float width;
    float height;
    bool rotated;  // false when the turn is too small to matter
    double cosRotate;
    double sinRotate;
};
PointF EllipsePolarPoint(const EllipseFrame& frame, double degrees);

// One-path tracers take the path's dash state; the multi-part ones build one
// per part from the stamper's pen.
Status TraceSegment(Stamper& stamper, PathDash& dash, PointF p0, PointF p1);
Status TraceCircle(Stamper& stamper, PathDash& dash, PointF centre, float radius);
Status TraceArc(Stamper& stamper, PathDash& dash, PointF centre, float radius, float from, float to);
Status TraceEllipse(Stamper& stamper, PathDash& dash, const EllipseFrame& frame, float from, float to);
// Refused when to < from.
Status TraceEllipseArc(Stamper& stamper, PathDash& dash, const EllipseFrame& frame, float from, float to);
Status TraceSector(Stamper& stamper, PointF centre, float radius, float from, float to);
Status TraceEllipseSector(Stamper& stamper, const EllipseFrame& frame, float from, float to);
Status TracePolyline(Stamper& stamper, PointF origin, const PointF* points, int32_t count, bool closed);
Status TraceRectangle(Stamper& stamper, PointF corner, float width, float height);

// Section - Work images

// False when nothing of the box can reach the canvas (or the box is not a
// number); such shapes are skipped.
bool ShapeVisible(const BoundingBox& box, const SysImage& canvas);
// A work image covering the box plus the pen margin; nullptr when the pen's
// scale is wrong or the image cannot be made.
SysImage* CreateWorkImage(const BoundingBox& box, const SysPen& pen, const SysImage& canvas);
// Border, flood and convert; with `penToBrush` the pen cells become brush cells.
void FillRegion(SysImage& work, FillMode fill, bool penToBrush);

}  // namespace vorlan::graphics
