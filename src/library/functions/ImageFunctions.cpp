// The built-in functions that make images: read from a file, or cut from
// the canvas or from another image.

#include "library/functions/BuiltinFunctions.h"
#include "library/functions/FunctionCall.h"
#include "value/SystemTypeCodes.h"

#include "base/DirectoryNodes.h"
#include "base/Settings.h"
#include "base/WideText.h"
#include "graphics/Brush.h"
#include "graphics/ElementCells.h"
#include "graphics/ElementTypes.h"
#include "imagefiles/ImageFiles.h"
#include "value/Text.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

namespace vorlan::library {

namespace cells = graphics::cells;
using graphics::SysImage;

namespace {

constexpr uint32_t kImageCellSize = cells::image::kSysData + 8;

// Lets go what a TImage result cell holds and leaves it cleared.
void ClearImageResult(void* result) {
    cells::ReplaceSysData<SysImage>(result, cells::image::kSysData, nullptr);
    std::memset(result, 0, kImageCellSize);
}

// A TImage value around a new buffer: width and height in pixels, the
// buffer's mode, the reserved point at (0, 0).
void StoreImageResult(const FunctionCall& call, void* result, SysImage* image) {
    cells::SetWhole(result, cells::image::kWidth, image->columns / image->scale);
    cells::SetWhole(result, cells::image::kHeight, image->rows / image->scale);
    call.SetEnum(result, cells::image::kMode, kImageMode, static_cast<int32_t>(image->mode));
    for (uint32_t offset : {cells::point::kX, cells::point::kY, cells::point::kZ})
        cells::SetWhole(result, cells::image::kReserved + offset, 0);
    cells::SetSysData(result, cells::image::kSysData, image);
}

// ExtractImage and SubImage: the source by reference, then the rectangle.
namespace cut {
constexpr uint32_t kSource = 0, kX = 8, kY = 12, kWidth = 16, kHeight = 20;
}

// One side of the rectangle: its start and length in pixels.
struct Span {
    int32_t start;
    int32_t length;
};

// Whether the span can be cut from a side `extent` pixels long; if so it is
// cut at the far edge. A start before the near edge is refused like one
// beyond the far edge: clipping it would hand back a picture from somewhere
// other than where was asked.
bool ClipSpan(Span& span, int32_t extent) {
    if (span.length < 1 || span.start < 0 || span.start >= extent) return false;
    span.length = std::min(span.length, extent - span.start);  // start < extent: no overflow
    return true;
}

// A new image of the source's mode and scale holding the rectangle, which
// has been clipped to lie inside the source.
SysImage* CopyRectangle(const SysImage& source, const Span& across, const Span& down) {
    SysImage* image = graphics::CreateImage(across.length, down.length, source.mode, graphics::kNotACanvas, source.scale);
    if (!image || !image->cells) return image;
    const size_t scale = source.scale;
    const size_t rowBytes = static_cast<size_t>(image->columns) * source.cellSize;
    const size_t sourceStride = static_cast<size_t>(source.columns) * source.cellSize;
    const uint8_t* from = source.cells + static_cast<size_t>(down.start) * scale * sourceStride +
                          static_cast<size_t>(across.start) * scale * source.cellSize;
    uint8_t* to = image->cells;
    for (int32_t row = 0; row < image->rows; ++row, from += sourceStride, to += rowBytes)
        std::memcpy(to, from, rowBytes);
    return image;
}

// The work of ExtractImage and SubImage once the source is known. The new
// image is made before the result cell lets go of what it held.
Status CutImage(FunctionCall& call, const SysImage* source, const char16_t* sourceName, void* result) {
    SysImage* image = nullptr;
    const Status status = [&]() -> Status {
        if (!source || source->scale == 0) return call.ArgumentError(sourceName, Status::UsingNull);
        // Null width and height take the whole source.
        Span across{0, source->columns / source->scale}, down{0, source->rows / source->scale};
        const int32_t width = across.length, height = down.length;
        VL_PROPAGATE(call.ArgumentError(u"x", call.ReadWhole(cut::kX, &across.start)));
        VL_PROPAGATE(call.ArgumentError(u"y", call.ReadWhole(cut::kY, &down.start)));
        if (!runtime::IsNull(call.Number(cut::kWidth)))
            VL_PROPAGATE(call.ArgumentError(u"width", call.ReadWhole(cut::kWidth, &across.length)));
        if (!runtime::IsNull(call.Number(cut::kHeight)))
            VL_PROPAGATE(call.ArgumentError(u"height", call.ReadWhole(cut::kHeight, &down.length)));
        if (!ClipSpan(across, width) || !ClipSpan(down, height)) return call.ResultError(Status::OutOfRange, true);
        image = CopyRectangle(*source, across, down);
        return image ? Status::Success : call.ResultError(Status::OutOfMemory, true);
    }();
    ClearImageResult(result);
    if (image) StoreImageResult(call, result, image);
    return status;
}

}  // namespace

Status ReadImage(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    ClearImageResult(result);
    const void* name = call.Text(0);
    if (!name) return call.ArgumentError(u"filename", Status::UsingNull);
    char16_t path[kPathMax + 1];
    if (runtime::TextCount(name) > kPathMax || !ResolvePath(runtime::TextChars(name), path, kPathMax, GlobalSettings()))
        return call.ArgumentError(u"filename", Status::BadParam);
    SysImage* image = output::ReadImageFile(path, graphics::RunScale());
    if (!image) return call.ResultError(Status::Invalid, true);
    StoreImageResult(call, result, image);
    return Status::Success;
}

// A copy of part of the canvas, in the canvas's mode and scale. x, y, width
// and height are in pixels.
Status ExtractImage(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    const void* canvas = call.Reference(cut::kSource);
    const graphics::SysCanvas* record =
        canvas ? cells::SysData<graphics::SysCanvas>(canvas, cells::canvas::kSysData) : nullptr;
    return CutImage(call, record ? record->image.Get() : nullptr, u"canvas", result);
}

// As ExtractImage, from an image.
Status SubImage(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    const void* image = call.Reference(cut::kSource);
    return CutImage(call, image ? cells::SysData<SysImage>(image, cells::image::kSysData) : nullptr, u"image", result);
}

}  // namespace vorlan::library
