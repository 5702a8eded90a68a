#pragma once
// The native handlers of the built-in shapes: each checks and converts its
// arguments, unpacks the graphics context, draws once and turns any failure
// into a runtime error report naming the shape.

#include "compiler/Compilation.h"
#include "base/Status.h"

#include <cstdint>

namespace vorlan::graphics {

namespace shapes {

// The handlers, one per built-in shape; the system module's table names them.
Status Arc(void* context, void* parameters, void* block);
Status Line(void* context, void* parameters, void* block);
Status LineTo(void* context, void* parameters, void* block);
Status Circle(void* context, void* parameters, void* block);
Status DrawImage(void* context, void* parameters, void* block);
Status Ellipse(void* context, void* parameters, void* block);
Status EllipseArc(void* context, void* parameters, void* block);
Status EllipseSector(void* context, void* parameters, void* block);
Status Sector(void* context, void* parameters, void* block);
Status Rectangle(void* context, void* parameters, void* block);
Status Polygon(void* context, void* parameters, void* block);
Status Polyline(void* context, void* parameters, void* block);
Status Dot(void* context, void* parameters, void* block);
Status Pixel(void* context, void* parameters, void* block);
Status Fill(void* context, void* parameters, void* block);
Status Clear(void* context, void* parameters, void* block);
Status SetSize(void* context, void* parameters, void* block);
Status Frame(void* context, void* parameters, void* block);

}  // namespace shapes

}  // namespace vorlan::graphics
