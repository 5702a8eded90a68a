#include "library/shapes/ShapeRoutines.h"

#include "interp/Context.h"
#include "graphics/ElementCells.h"
#include "graphics/Raster.h"
#include "library/shapes/ShapeArguments.h"
#include "graphics/Shapes.h"
#include "library/shapes/TextShapes.h"

#include <string_view>

namespace vorlan::graphics {
namespace {

using shapes::Call;
using shapes::PointList;

// Below this a circle is no more than the pen's tip.
constexpr float kDotRadius = 0.25f;
// A sector this narrow has no room for its two radii.
constexpr float kLeastSectorRadius = 0.05f;
constexpr int32_t kLargestCanvasSide = 30000;

SysImage& CanvasOf(const DrawingContext& drawing) { return *drawing.canvas->image; }

}  // namespace

namespace shapes {

Status Arc(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    float radius = 0, from = 0, to = 0;
    VL_PROPAGATE(call.Real(0, u"radius", &radius));
    if (radius <= 0) return call.ParameterError(u"radius", Status::OutOfRange);
    VL_PROPAGATE(call.Real(4, u"from", &from));
    VL_PROPAGATE(call.Real(8, u"to", &to));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing));
    return call.Drawn(DrawArc(CanvasOf(drawing), *drawing.pen, drawing.origin, radius, from, to));
}

Status Line(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    PointF from{}, to{};
    VL_PROPAGATE(call.Point(0, u"from", &from));
    VL_PROPAGATE(call.Point(12, u"to", &to));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing));
    return call.Drawn(DrawLine(CanvasOf(drawing), *drawing.pen, drawing.origin, from, to));
}

Status LineTo(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    PointF to{};
    VL_PROPAGATE(call.Point(0, u"to", &to));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing));
    return call.Drawn(DrawLine(CanvasOf(drawing), *drawing.pen, drawing.origin, PointF{0, 0}, to));
}

Status Circle(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    float radius = 0;
    FillMode fill{};
    VL_PROPAGATE(call.Real(0, u"radius", &radius));
    VL_PROPAGATE(call.Fill(4, &fill));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing));
    if (radius <= 0) return call.ParameterError(u"radius", Status::OutOfRange);
    if (radius < kDotRadius) return call.Drawn(DrawDot(CanvasOf(drawing), *drawing.pen, drawing.origin));
    return call.Drawn(DrawCircle(CanvasOf(drawing), *drawing.pen, drawing.brush, drawing.origin, radius, fill));
}

Status DrawImage(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    const void* value = call.Referenced(0);
    const SysImage* image = value ? cells::SysData<SysImage>(value, cells::image::kSysData) : nullptr;
    if (!image) return call.ParameterError(u"image", Status::UsingNull);
    int32_t overwrite = 0;
    VL_PROPAGATE(call.Enum(8, u"overwrite", &overwrite));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing));
    SysImage& canvas = CanvasOf(drawing);
    // A pattern canvas holds only pen and brush cells; colours have no place in it.
    if (image->mode == ImageMode::Picture && canvas.mode == ImageMode::Pattern)
        return call.ParameterError(u"image", Status::BadParam);
    return call.Drawn(PutImage(canvas, &drawing.pen->paint, drawing.brush, image, static_cast<Overwrite>(overwrite),
                               drawing.origin));
}

Status Ellipse(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    float width = 0, height = 0, rotate = 0;
    FillMode fill{};
    VL_PROPAGATE(call.Real(0, u"width", &width));
    if (width <= 0) return call.ParameterError(u"width", Status::OutOfRange);
    VL_PROPAGATE(call.Real(4, u"height", &height));
    if (height <= 0) return call.ParameterError(u"height", Status::OutOfRange);
    VL_PROPAGATE(call.Real(8, u"rotate", &rotate));
    VL_PROPAGATE(call.Fill(12, &fill));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing));
    return call.Drawn(
        DrawEllipse(CanvasOf(drawing), *drawing.pen, drawing.brush, drawing.origin, width, height, rotate, fill));
}

// The arguments EllipseArc and EllipseSector share. An arc that runs past
// straight up is given as from > to and is carried round by a full turn.
struct EllipsePart {
    float width, height, from, to, rotate;
};

Status ReadEllipsePart(Call& call, EllipsePart* part) {
    VL_PROPAGATE(call.Real(0, u"width", &part->width));
    if (part->width <= 0) return call.ParameterError(u"width", Status::OutOfRange);
    VL_PROPAGATE(call.Real(4, u"height", &part->height));
    if (part->height <= 0) return call.ParameterError(u"height", Status::OutOfRange);
    VL_PROPAGATE(call.Real(8, u"from", &part->from));
    VL_PROPAGATE(call.Real(12, u"to", &part->to));
    if (!(part->from >= 0 && part->from <= 360)) return call.ParameterError(u"from", Status::OutOfRange);
    if (part->from > part->to) part->to += 360;
    const float sweep = part->to - part->from;
    if (!(sweep >= 0 && sweep <= 360)) return call.ParameterError(u"to", Status::OutOfRange);
    return call.Real(16, u"rotate", &part->rotate);
}

Status EllipseArc(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    EllipsePart part{};
    VL_PROPAGATE(ReadEllipsePart(call, &part));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing));
    return call.Drawn(DrawEllipseArc(CanvasOf(drawing), *drawing.pen, drawing.origin, part.width, part.height,
                                     part.from, part.to, part.rotate));
}

Status EllipseSector(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    EllipsePart part{};
    FillMode fill{};
    VL_PROPAGATE(ReadEllipsePart(call, &part));
    VL_PROPAGATE(call.Fill(20, &fill));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing));
    return call.Drawn(DrawEllipseSector(CanvasOf(drawing), *drawing.pen, drawing.brush, drawing.origin, part.width,
                                        part.height, part.from, part.to, part.rotate, fill));
}

Status Sector(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    float radius = 0, from = 0, to = 0;
    FillMode fill{};
    VL_PROPAGATE(call.Real(0, u"radius", &radius));
    if (radius <= kLeastSectorRadius) return call.ParameterError(u"radius", Status::OutOfRange);
    VL_PROPAGATE(call.Real(4, u"from", &from));
    VL_PROPAGATE(call.Real(8, u"to", &to));
    VL_PROPAGATE(call.Fill(12, &fill));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing));
    return call.Drawn(
        DrawSector(CanvasOf(drawing), *drawing.pen, drawing.brush, drawing.origin, radius, from, to, fill));
}

Status Rectangle(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    float width = 0, height = 0;
    FillMode fill{};
    VL_PROPAGATE(call.Real(0, u"width", &width));
    VL_PROPAGATE(call.Real(4, u"height", &height));
    VL_PROPAGATE(call.Fill(8, &fill));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing));
    return call.Drawn(
        DrawRectangle(CanvasOf(drawing), *drawing.pen, drawing.brush, drawing.origin, width, height, fill));
}

Status Polygon(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    PointList points;
    FillMode fill{};
    VL_PROPAGATE(points.Read(call, 0, 3));
    VL_PROPAGATE(call.Fill(8, &fill));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing));
    return call.Drawn(DrawPolygon(CanvasOf(drawing), *drawing.pen, drawing.brush, drawing.origin, points.Points(),
                                  points.Count(), fill));
}

Status Polyline(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    PointList points;
    VL_PROPAGATE(points.Read(call, 0, 2));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing, Status::BadParam));
    return call.Drawn(
        DrawPolyline(CanvasOf(drawing), *drawing.pen, drawing.origin, points.Points(), points.Count()));
}

Status Dot(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing));
    return call.Drawn(DrawDot(CanvasOf(drawing), *drawing.pen, drawing.origin));
}

Status Pixel(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    ColourWord colour = 0;
    VL_PROPAGATE(call.Colour(0, u"colour", &colour));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing, Status::BadParam));
    return call.Drawn(SetPixel(CanvasOf(drawing), drawing.origin, colour));
}

Status Fill(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing));
    return call.Drawn(FloodFill(CanvasOf(drawing), *drawing.brush, drawing.origin));
}

Status Clear(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    ColourWord colour = 0;
    VL_PROPAGATE(call.Colour(0, u"colour", &colour));
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing, Status::BadParam));
    ClearImage(CanvasOf(drawing), colour);
    return Status::Success;
}

Status SetSize(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    int32_t width = 0, height = 0;
    VL_PROPAGATE(call.Whole(0, u"width", &width));
    if (width < 1 || width > kLargestCanvasSide) return call.ParameterError(u"width", Status::OutOfRange);
    VL_PROPAGATE(call.Whole(4, u"height", &height));
    if (height < 1 || height > kLargestCanvasSide) return call.ParameterError(u"height", Status::OutOfRange);
    void* canvas = ContextElement(call.Block(), kSlotCanvas);
    if (!canvas) return call.RoutineError(RunNote::BadGraphicsContext, Status::UsingNull);
    const Status status = ResizeCanvas(canvas, width, height);
    return status == Status::Success ? status : call.RoutineError(status);
}

}  // namespace shapes

}  // namespace vorlan::graphics
