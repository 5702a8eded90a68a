#include "library/shapes/ShapeArguments.h"

#include "value/Types.h"
#include "base/Memory.h"
#include "graphics/ElementCells.h"
#include "value/Arrays.h"
#include "interp/Errors.h"
#include "value/Number.h"
#include "value/Value.h"

#include <cmath>

namespace vorlan::graphics::shapes {
namespace {

constexpr uint32_t kTagShapePoints = 22031;
constexpr uint32_t kPointCell = 12;  // x, y and z, one Number each

runtime::Number NumberAt(const void* cell, uint32_t offset) {
    return runtime::LoadCell<runtime::Number>(static_cast<const uint8_t*>(cell) + offset);
}

}  // namespace

Status Call::ParameterError(const char16_t* parameter, Status status) {
    return runtime::RecordRoutineError(run_, status, parameter);
}

Status Call::RoutineError(RunNote note, Status status) {
    return runtime::RecordRoutineError(run_, status, RunNoteText(note));
}

Status Call::RoutineError(Status status) { return runtime::RecordRoutineError(run_, status); }

Status Call::RoutineErrorNaming(const char16_t* what, Status status) {
    return runtime::RecordRoutineError(run_, status, what);
}

Status Call::Real(uint32_t offset, const char16_t* parameter, float* out) {
    const Status status = runtime::ReadReal(NumberAt(frame_, offset), out);
    return status == Status::Success ? status : ParameterError(parameter, status);
}

Status Call::Whole(uint32_t offset, const char16_t* parameter, int32_t* out) {
    const Status status = runtime::ReadInteger(NumberAt(frame_, offset), out);
    return status == Status::Success ? status : ParameterError(parameter, status);
}

Status Call::Enum(uint32_t offset, const char16_t* parameter, int32_t* out) {
    const auto* item = runtime::LoadHandle<compiler::DataItem>(frame_ + offset);
    if (!item) return ParameterError(parameter, Status::UsingNull);
    *out = item->enumValue;
    return Status::Success;
}

Status Call::Fill(uint32_t offset, FillMode* out) {
    int32_t value = 0;
    VL_PROPAGATE(Enum(offset, u"fill", &value));
    *out = static_cast<FillMode>(value);
    return Status::Success;
}

Status Call::Point(uint32_t offset, const char16_t* parameter, PointF* out) {
    float z = 0;
    VL_PROPAGATE(Real(offset + cells::point::kX, parameter, &out->x));
    VL_PROPAGATE(Real(offset + cells::point::kY, parameter, &out->y));
    return Real(offset + cells::point::kZ, parameter, &z);
}

Status Call::Colour(uint32_t offset, const char16_t* parameter, ColourWord* out) {
    const Status status = cells::ColourAt(frame_, offset, out);
    return status == Status::Success ? status : ParameterError(parameter, status);
}

const void* Call::Referenced(uint32_t offset) const { return runtime::LoadHandle<const void>(frame_ + offset); }

runtime::Number Call::NumberArg(uint32_t offset) const { return NumberAt(frame_, offset); }

Status Call::Unpack(DrawingContext* out, Status reportAs) {
    Status status = UnpackContext(block_, out);
    if (status == Status::Success && !out->canvas->image) status = Status::UsingNull;
    if (status == Status::Success) return status;
    return RoutineError(RunNote::BadGraphicsContext, reportAs == Status::Success ? status : reportAs);
}

Status Call::Drawn(Status status) {
    return status == Status::Success ? status : RoutineError(RunNote::SystemRoutineFailed, status);
}

Status PointList::Read(Call& call, uint32_t offset, int32_t least) {
    const void* cell = call.Referenced(offset);
    const void* block = cell ? runtime::LoadHandle<const void>(cell) : nullptr;
    if (!block) return call.ParameterError(u"points", Status::UsingNull);
    const int64_t count = runtime::ElementCount(block);
    if (count < least || count > INT32_MAX) return call.ParameterError(u"points", Status::OutOfRange);
    if (!points_.Allocate(static_cast<size_t>(count), kTagShapePoints)) return call.RoutineError(RunNote::SystemRoutineFailed, Status::OutOfMemory);
    for (int64_t i = 0; i < count; ++i) {
        const void* point = runtime::ElementAddress(block, kPointCell, static_cast<size_t>(i));
        float coordinate[3];
        for (uint32_t k = 0; k < 3; ++k) {
            Status status = runtime::ReadReal(NumberAt(point, 4 * k), &coordinate[k]);
            if (status == Status::Success && !(std::fabs(coordinate[k]) <= kCoordinateLimit))
                status = Status::OutOfRange;
            if (status != Status::Success) return call.ParameterError(u"points", status);
        }
        points_[i] = {coordinate[0], coordinate[1]};
    }
    count_ = static_cast<int32_t>(count);
    return Status::Success;
}

}  // namespace vorlan::graphics::shapes
