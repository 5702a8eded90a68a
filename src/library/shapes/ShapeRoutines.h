#pragma once
// The native handlers of the built-in shapes: each checks and converts its
// arguments, unpacks the graphics context, draws once and turns any failure
// into a runtime error report naming the shape.

#include "compiler/Compilation.h"
#include "base/Status.h"

#include <cstdint>

namespace vorlan::graphics {

// The handler of the built-in shape with that number and name, or nullptr
// when it has none here. Dot and Pixel share a number, so the name decides.
compiler::BuiltinHandler ShapeHandlerFor(uint16_t number, const char16_t* name);

// Handlers that live in files of their own.
Status FrameShape(void* context, void* parameters, void* block);

}  // namespace vorlan::graphics
