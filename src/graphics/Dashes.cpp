#include "graphics/Tracing.h"

#include <algorithm>
#include <cmath>

namespace vorlan::graphics {
namespace {

// A switch is due a tenth of a pixel late, so that a stamp landing on the
// boundary itself still belongs to the dash it ends.
constexpr double kSwitchSlack = 0.1;

}  // namespace

void MakePathDash(SysPen& pen, double length, PathDash* dash) {
    *dash = PathDash{};
    DashCtrl& penDash = pen.dash;
    if (penDash.mode == DashMode::Solid) {
        dash->ctrl = &penDash;
        return;
    }
    // Too few elements to alternate: solid, whatever the mode (a Continuous
    // pen included, whose control would otherwise cycle through nothing).
    if (!penDash.lengths || penDash.count == 0) return;
    if (penDash.mode == DashMode::Continuous) {
        penDash.base += penDash.lastDistance;
        penDash.lastDistance = 0;
        dash->ctrl = &penDash;
        return;
    }

    const double fitted = std::max(length, 1.0);
    double factor = 1.0;
    if (penDash.mode == DashMode::Single) {
        factor = fitted / penDash.total;
    } else if (penDash.mode == DashMode::Multiple) {
        double repeats = std::round(fitted / penDash.total);
        if (repeats == 0) repeats = 1;
        factor = fitted / (repeats * penDash.total);
    }
    DashCtrl& own = dash->own;
    own.mode = penDash.mode;
    own.lengths = penDash.lengths;
    own.total = length;
    own.count = penDash.count;
    own.index = 0;
    own.flag = 1;
    own.on = 1;
    own.nextSwitch = penDash.lengths[0] * factor;
    dash->factor = factor;
    dash->ctrl = &own;
}

bool DashMeasures(const PathDash& dash) {
    const DashCtrl* ctrl = dash.ctrl;
    return ctrl && ctrl->mode != DashMode::Solid && ctrl->lengths && ctrl->count != 0;
}

bool DashDraws(PathDash& dash, double distance) {
    if (!DashMeasures(dash)) return true;
    DashCtrl* ctrl = dash.ctrl;
    ctrl->lastDistance = distance;
    if (ctrl->base + distance >= ctrl->nextSwitch + kSwitchSlack) {
        ctrl->on = ctrl->on ? 0 : 1;
        ctrl->index = static_cast<uint16_t>((ctrl->index + 1) % ctrl->count);
        ctrl->nextSwitch += ctrl->lengths[ctrl->index] * dash.factor;
    }
    return ctrl->on == 1;
}

double CirclePathLength(float radius) { return kTwoPiForCircles * radius; }

double ArcPathLength(float radius, float from, float to) {
    const float end = from > to ? to + 360.0f : to;
    return (end - from) / 180.0f * static_cast<float>(kPi) * radius;
}

double EllipsePathLength(float width, float height, float from, float to) {
    // Unrotated and about the origin: neither changes a chord's length.
    const EllipseFrame frame{{0, 0}, width, height, 0};
    PointF previous = EllipsePolarPoint(frame, from);
    double sum = 0;
    auto addChordTo = [&](double degrees) {
        const PointF point = EllipsePolarPoint(frame, degrees);
        sum += std::hypot(static_cast<double>(point.x) - previous.x, static_cast<double>(point.y) - previous.y);
        previous = point;
    };
    for (double degrees = from + 1.0; degrees < to && degrees + 1.0 != degrees; degrees += 1.0) addChordTo(degrees);
    addChordTo(to);
    return sum;
}

float SegmentLength(PointF p0, PointF p1) {
    const float dx = p1.x - p0.x;
    const float dy = p1.y - p0.y;
    return std::sqrt(dx * dx + dy * dy);
}

}  // namespace vorlan::graphics
