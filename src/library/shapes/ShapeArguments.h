#pragma once
// What every shape handler does with its call: reading arguments from the
// frame and reporting what is wrong with them. Each reader records its own
// error report and returns the status to hand back; Success otherwise.

#include "base/Owned.h"
#include "base/RunMessages.h"
#include "base/Status.h"
#include "interp/Context.h"
#include "graphics/Shapes.h"
#include "interp/RunContext.h"
#include "value/Value.h"

#include <cstdint>

namespace vorlan::graphics::shapes {

// No coordinate of a points argument may lie further out than this.
constexpr float kCoordinateLimit = 30000.0f;

class Call {
public:
    // Reports carry the name of the shape being run (the context's built-in).
    Call(void* context, void* parameters, void* block)
        : run_(*static_cast<runtime::RunContext*>(context)),
          frame_(static_cast<const uint8_t*>(parameters)),
          block_(block) {}

    void* Block() const { return block_; }

    // A report on one argument, named by its parameter.
    Status ParameterError(const char16_t* parameter, Status status);
    // A report on the shape as a whole, with its note or none.
    Status RoutineError(RunNote note, Status status);
    Status RoutineError(Status status);
    // The same naming `what` (TextRotate names its argument at fault so).
    Status RoutineErrorNaming(const char16_t* what, Status status);

    Status Real(uint32_t offset, const char16_t* parameter, float* out);
    Status Whole(uint32_t offset, const char16_t* parameter, int32_t* out);
    // The 1-based value of the enumeration item; Null is 23.
    Status Enum(uint32_t offset, const char16_t* parameter, int32_t* out);
    Status Fill(uint32_t offset, FillMode* out);
    // x and y; z must convert too but plays no part in drawing.
    Status Point(uint32_t offset, const char16_t* parameter, PointF* out);
    Status Colour(uint32_t offset, const char16_t* parameter, ColourWord* out);
    // The address a by-reference parameter holds; also the handle of a Text
    // or enumeration argument.
    const void* Referenced(uint32_t offset) const;
    // A Number argument as it stands, for checks that report in their own way.
    runtime::Number NumberArg(uint32_t offset) const;

    // The context, with its canvas image; a failure is "Bad Graphics Context"
    // carrying the unpack status, or `reportAs` when it is given.
    Status Unpack(DrawingContext* out, Status reportAs = Status::Success);
    // Anything but Success from a drawing operation is "System Routine Failed".
    Status Drawn(Status status);

private:
    runtime::RunContext& run_;
    const uint8_t* frame_;
    void* block_;
};

// The points of a points argument, converted into one buffer for the call.
class PointList {
public:
    // Null is 23; fewer than `least` points, or a coordinate beyond the limit, 22.
    Status Read(Call& call, uint32_t offset, int32_t least);
    const PointF* Points() const { return points_; }
    int32_t Count() const { return count_; }

private:
    OwnedBlock<PointF> points_;
    int32_t count_ = 0;
};

}  // namespace vorlan::graphics::shapes
