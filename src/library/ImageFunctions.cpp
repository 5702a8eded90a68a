// The built-in functions that make images.

#include "library/BuiltinFunctions.h"
#include "library/FunctionCall.h"
#include "library/SystemTypeCodes.h"

#include "driver/DirectoryNodes.h"
#include "driver/Settings.h"
#include "driver/WideText.h"
#include "graphics/ElementCells.h"
#include "graphics/ElementTypes.h"
#include "output/ImageFiles.h"
#include "runtime/Text.h"

#include <cstring>
#include <initializer_list>

namespace vorlan::library {

namespace cells = graphics::cells;
using graphics::SysImage;

namespace {

constexpr uint32_t kImageCellSize = cells::image::kSysData + 8;

// Frees what a TImage result cell holds and leaves it cleared.
void ClearImageResult(void* result) {
    SysImage* image = cells::SysData<SysImage>(result, cells::image::kSysData);
    graphics::FreeImage(image);
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

}  // namespace

Status ReadImage(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters, "ReadImage");
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

}  // namespace vorlan::library
