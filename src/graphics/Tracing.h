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
// consecutive stamps on the same cell are dropped, and a stamp one step from
// the last, with the whole tip on the target, sets only the cells the step
// adds: the pen's step cells, whose places in the target are worked out once
// for the path.
class Stamper {
public:
    Stamper(SysImage& target, SysPen& pen);
    // Inline: the tracers call it for every point of every outline.
    Status Stamp(PointF point) {
        const CellPoint at{ToSubPixel(point.x, target_.scale), ToSubPixel(point.y, target_.scale)};
        if (stamped_) {
            if (at.x == last_.x && at.y == last_.y) return Status::Success;
            const int64_t dx = int64_t{at.x} - last_.x;
            const int64_t dy = int64_t{at.y} - last_.y;
            if (stepping_ && dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1 && at.x >= low_.x && at.x <= high_.x &&
                at.y >= low_.y && at.y <= high_.y) {
                Step(at, static_cast<int>((dy + 1) * 3 + (dx + 1)));
                return Status::Success;
            }
        }
        VL_PROPAGATE(StampPenTip(pen_, target_, at));
        last_ = at;
        stamped_ = true;
        return Status::Success;
    }
    SysPen& Pen() const { return pen_; }
    uint16_t Scale() const { return target_.scale; }

private:
    // Tips whose steps add more cells than this are stamped whole.
    static constexpr uint32_t kMostStepCells = 1024;

    void Step(CellPoint at, int step) {
        // The tip's top left cell on the target; within it, by low_.
        uint8_t* corner = target_.cells + static_cast<size_t>(int64_t{at.y} - low_.y) * columns_ +
                          static_cast<size_t>(int64_t{at.x} - low_.x);
        for (uint32_t i = pen_.stepFirst[step], end = pen_.stepFirst[step + 1]; i < end; ++i)
            corner[offsets_[i]] = kCellPen;
        last_ = at;
    }

    SysImage& target_;
    SysPen& pen_;
    CellPoint last_{0, 0};  // where the tip went down last, once stamped_
    bool stamped_ = false;
    bool stepping_ = false;  // whether offsets_ holds the pen's step cells
    CellPoint low_{0, 0};    // the stamps whose whole tip is on the target, low_ to high_
    CellPoint high_{0, 0};
    size_t columns_ = 0;
    uint32_t offsets_[kMostStepCells];  // each step cell's place from the tip's top left cell
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
