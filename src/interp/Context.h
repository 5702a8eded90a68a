#pragma once
// The graphics context: five cells, Origin, Pen, Brush, Font and Canvas, each
// holding a handle to a record of its system structure type. Shapes draw
// through it; With statements and shape calls make local copies of it.

#include "compiler/Compilation.h"
#include "base/Status.h"
#include "graphics/Brush.h"
#include "graphics/Font.h"
#include "graphics/Pen.h"

#include <cstdint>

namespace vorlan::graphics {

enum ContextSlot : uint8_t { kSlotOrigin = 0, kSlotPen, kSlotBrush, kSlotFont, kSlotCanvas, kContextSlots };

constexpr uint32_t kTagContext = 22007;
constexpr uint32_t kTagContextElement = 22008;

struct ContextSetup {
    int32_t width;   // pixels
    int32_t height;
    ImageMode mode;  // Pattern for a pattern file, Picture otherwise
    uint16_t colourMix;
    uint16_t scale;
    bool video;      // sizes round up to multiples of 4 and the canvas is marked
};

// A new context with every element at its default, or nullptr (nothing left
// allocated) when any element cannot be made.
void* CreateContext(const compiler::Compilation& compilation, const ContextSetup& setup);
// Frees the five elements, Origin first, then the block.
void FreeContext(const compiler::Compilation& compilation, void*& context);

// The element record in a slot (nullptr when missing).
void* ContextElement(const void* context, ContextSlot slot);

// The canvas record of the context's Canvas element, or nullptr.
SysCanvas* DrawingCanvas(const void* context);

// What a shape routine draws with.
struct DrawingContext {
    PointF origin;
    float z;
    SysPen* pen;
    SysBrush* brush;
    SysFont* font;  // only text needs it, so only text checks it is there
    SysCanvas* canvas;
};
// UsingNull when an internal record is missing; a failed conversion of the
// origin returns its status.
Status UnpackContext(const void* context, DrawingContext* out);

// Resizes the canvas of a TCanvas value (SetSize). A video canvas rounds up to
// multiples of 4 and refuses to change once a frame has been written.
Status ResizeCanvas(void* canvasValue, int32_t width, int32_t height);

}  // namespace vorlan::graphics
