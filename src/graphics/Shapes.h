#pragma once
// Drawing shapes on a canvas: each shape is traced into a work image that
// covers it (or straight onto a Pattern canvas), filled, and rendered once.
// Angles are degrees clockwise from straight up; y grows downward.

#include "base/Status.h"
#include "graphics/Brush.h"
#include "graphics/Pen.h"

#include <cstdint>

namespace vorlan::graphics {

enum class FillMode : uint16_t { Hollow = 1, Solid = 2, Filled = 3 };

struct BoundingBox {
    float minX, minY, maxX, maxY;
};

struct WorkImageParms {
    uint16_t scale;
    int32_t width, height, left, top;  // cells
};
// False (after printing the panic line) when the pen's scale is not the canvas's;
// false, silently, when the box reaches beyond 32-bit cell indices.
bool CalcWorkImageParms(const BoundingBox& box, const SysPen& pen, uint16_t scale, WorkImageParms* parms);

Status DrawDot(SysImage& canvas, SysPen& pen, PointF point);
Status DrawArc(SysImage& canvas, SysPen& pen, PointF centre, float radius, float from, float to);
Status DrawCircle(SysImage& canvas, SysPen& pen, const SysBrush* brush, PointF centre, float radius, FillMode fill);
Status DrawEllipse(SysImage& canvas, SysPen& pen, const SysBrush* brush, PointF centre, float width, float height,
                   float rotate, FillMode fill);
Status DrawEllipseArc(SysImage& canvas, SysPen& pen, PointF centre, float width, float height, float from, float to,
                      float rotate);
Status DrawEllipseSector(SysImage& canvas, SysPen& pen, const SysBrush* brush, PointF centre, float width,
                         float height, float from, float to, float rotate, FillMode fill);
// from and to are relative to origin.
Status DrawLine(SysImage& canvas, SysPen& pen, PointF origin, PointF from, PointF to);
// Points are relative to origin.
Status DrawPolyline(SysImage& canvas, SysPen& pen, PointF origin, const PointF* points, int32_t count);
Status DrawPolygon(SysImage& canvas, SysPen& pen, const SysBrush* brush, PointF origin, const PointF* points,
                   int32_t count, FillMode fill);
// Width and height may be negative.
Status DrawRectangle(SysImage& canvas, SysPen& pen, const SysBrush* brush, PointF corner, float width, float height,
                     FillMode fill);
Status DrawSector(SysImage& canvas, SysPen& pen, const SysBrush* brush, PointF centre, float radius, float from,
                  float to, FillMode fill);

}  // namespace vorlan::graphics
