#include "graphics/ElementTypes.h"

#include "base/Settings.h"
#include "graphics/Brush.h"
#include "graphics/ElementCells.h"
#include "graphics/Font.h"
#include "graphics/Pen.h"
#include "value/SystemTypeCodes.h"
#include "value/Arrays.h"
#include "value/Text.h"

#include <cstring>

namespace vorlan::graphics {
namespace {

using compiler::DataItem;
using compiler::TypeDescriptor;

// Copies every field but the one at `skip` by its own type's copy.
Status CopyFields(const TypeDescriptor& type, void* dst, const void* src, uint32_t skip) {
    for (const DataItem* field = type.fields.first; field; field = field->next) {
        if (field->offset == skip) continue;
        const TypeDescriptor& fieldType = *field->type;
        if (const Status status = fieldType.ops.copy(fieldType, cells::At(dst, field->offset), cells::At(src, field->offset));
            status != Status::Success)
            return status;
    }
    return Status::Success;
}

// Releases every field but the one at `skip`.
void ReleaseFields(const TypeDescriptor& type, void* cell, uint32_t skip) {
    for (const DataItem* field = type.fields.first; field; field = field->next) {
        if (field->offset == skip || !field->type->ops.release) continue;
        (void)field->type->ops.release(*field->type, cells::At(cell, field->offset));
    }
}

Status EnumOverwrite(const void* cell, uint32_t offset, Overwrite* out) {
    int32_t value = 0;
    VL_PROPAGATE(cells::EnumValue(cell, offset, &value));
    *out = static_cast<Overwrite>(value);
    return Status::Success;
}

// Section - TImage

Status ReleaseImage(const TypeDescriptor&, void* cell) {
    cells::ReplaceSysData<SysImage>(cell, cells::image::kSysData, nullptr);
    return Status::Success;
}

// Makes the image buffer from width, height and mode; keeps the overlapping
// part of a buffer the value already had when the modes agree.
Status ConstructImage(const TypeDescriptor& type, void* cell) {
    int32_t width = 0, height = 0, mode = 0;
    Status status = cells::Whole(cell, cells::image::kWidth, &width);
    if (status == Status::Success) status = cells::Whole(cell, cells::image::kHeight, &height);
    if (status == Status::Success) status = cells::EnumValue(cell, cells::image::kMode, &mode);
    SysImage* created = nullptr;
    if (status == Status::Success) {
        created = CreateImage(width, height, static_cast<ImageMode>(mode), kNotACanvas, RunScale());
        if (!created) status = Status::Refused;
    }
    if (status != Status::Success) {
        (void)type.ops.release(type, cell);
        return status;
    }
    const SysImage* old = cells::SysData<SysImage>(cell, cells::image::kSysData);
    if (old && old->mode == created->mode) CopyOverlap(*created, *old);
    cells::ReplaceSysData(cell, cells::image::kSysData, created);
    return Status::Success;
}

Status CopyImage(const TypeDescriptor& type, void* dst, const void* src) {
    if (dst == src) return Status::Success;
    const SysImage* source = cells::SysData<SysImage>(src, cells::image::kSysData);
    SysImage* copy = nullptr;
    if (source && !(copy = DuplicateImage(*source))) return Status::OutOfMemory;
    (void)ReleaseImage(type, dst);
    std::memcpy(dst, src, type.cellSize);
    cells::SetSysData(dst, cells::image::kSysData, copy);
    return Status::Success;
}

// Section - TPen

Status BuildPen(const TypeDescriptor&, void* cell) {
    int32_t width = 0, dashMode = 0;
    ColourWord colour = 0;
    Overwrite overwrite = Overwrite::Direct;
    VL_PROPAGATE(cells::Whole(cell, cells::pen::kWidth, &width));
    VL_PROPAGATE(cells::ColourAt(cell, cells::pen::kColour, &colour));
    VL_PROPAGATE(EnumOverwrite(cell, cells::pen::kOverwrite, &overwrite));
    VL_PROPAGATE(cells::EnumValue(cell, cells::pen::kDashMode, &dashMode));
    // A pen written as a structure value cannot set its hidden scale: it is the run's.
    const uint16_t scale = RunScale();
    cells::SetWhole(cell, cells::pen::kScale, scale);
    SysPen* pen = width > 0 && width <= 0xFFFF
                      ? CreatePen(static_cast<uint16_t>(width), colour, overwrite, static_cast<DashMode>(dashMode),
                                  runtime::LoadHandle<void>(cells::At(cell, cells::pen::kDashList)), scale)
                      : nullptr;
    if (!pen) return Status::Invalid;
    cells::ReplaceSysData(cell, cells::pen::kSysData, pen);
    return Status::Success;
}

Status ReleasePen(const TypeDescriptor& type, void* cell) {
    cells::ReplaceSysData<SysPen>(cell, cells::pen::kSysData, nullptr);
    ReleaseFields(type, cell, cells::pen::kSysData);
    return Status::Success;
}

// Section - TBrush

// When no brush can be made from the fields the previous one stays.
Status BuildBrush(const TypeDescriptor&, void* cell) {
    int32_t fill = 0, align = 0;
    ColourWord colour = 0, background = 0;
    Overwrite overwrite = Overwrite::Direct;
    float pinX = 0, pinY = 0;
    VL_PROPAGATE(cells::EnumValue(cell, cells::brush::kFill, &fill));
    VL_PROPAGATE(cells::EnumValue(cell, cells::brush::kAlign, &align));
    VL_PROPAGATE(cells::ColourAt(cell, cells::brush::kColour, &colour));
    VL_PROPAGATE(cells::ColourAt(cell, cells::brush::kBackground, &background));
    VL_PROPAGATE(EnumOverwrite(cell, cells::brush::kOverwrite, &overwrite));
    VL_PROPAGATE(cells::Real(cell, cells::brush::kPin + cells::point::kX, &pinX));
    VL_PROPAGATE(cells::Real(cell, cells::brush::kPin + cells::point::kY, &pinY));
    const SysImage* image = cells::SysData<SysImage>(cell, cells::brush::kImage + cells::image::kSysData);
    SysBrush* brush = CreateBrush(colour, background, overwrite, static_cast<BrushFill>(fill),
                                  static_cast<BrushAlign>(align), PointF{pinX, pinY}, image);
    if (!brush) return Status::Success;
    cells::ReplaceSysData(cell, cells::brush::kSysData, brush);
    return Status::Success;
}

// The brush record refers to the image the value owns: it goes first.
Status ReleaseBrush(const TypeDescriptor& type, void* cell) {
    cells::ReplaceSysData<SysBrush>(cell, cells::brush::kSysData, nullptr);
    ReleaseFields(type, cell, cells::brush::kSysData);
    return Status::Success;
}

// Section - TFont

// Only True is true: a Null truth value counts as False.
bool TruthAt(const void* cell, uint32_t offset) {
    return runtime::LoadCell<runtime::Logical>(cells::At(cell, offset)) == runtime::kTrue;
}

// When no font can be made from the fields the previous one stays.
Status BuildFont(const TypeDescriptor&, void* cell) {
    int32_t size = 0, weight = 0;
    VL_PROPAGATE(cells::Whole(cell, cells::font::kSize, &size));
    VL_PROPAGATE(cells::Whole(cell, cells::font::kWeight, &weight));
    const void* typeface = runtime::LoadHandle<const void>(cells::At(cell, cells::font::kTypeface));
    SysFont* font = CreateFont(typeface ? runtime::TextChars(typeface) : nullptr,
                               typeface ? runtime::TextCount(typeface) : 0, size, RunScale(), weight,
                               TruthAt(cell, cells::font::kItalic), TruthAt(cell, cells::font::kUnderline));
    if (!font) return Status::Success;
    cells::ReplaceSysData(cell, cells::font::kSysData, font);
    return Status::Success;
}

Status ReleaseFont(const TypeDescriptor& type, void* cell) {
    cells::ReplaceSysData<SysFont>(cell, cells::font::kSysData, nullptr);
    ReleaseFields(type, cell, cells::font::kSysData);
    return Status::Success;
}

// Section - TCanvas

Status BuildCanvas(const TypeDescriptor&, void* cell) {
    int32_t width = 0, height = 0, mode = 0, mix = 0;
    VL_PROPAGATE(cells::Whole(cell, cells::canvas::kWidth, &width));
    VL_PROPAGATE(cells::Whole(cell, cells::canvas::kHeight, &height));
    VL_PROPAGATE(cells::EnumValue(cell, cells::canvas::kMode, &mode));
    VL_PROPAGATE(cells::EnumValue(cell, cells::canvas::kColourMix, &mix));
    const uint16_t scale = RunScale();
    cells::SetWhole(cell, cells::canvas::kScale, scale);
    SysCanvas* canvas =
        CreateCanvas(width, height, static_cast<ImageMode>(mode), static_cast<uint16_t>(mix), scale);
    if (!canvas) return Status::OutOfMemory;
    cells::ReplaceSysData(cell, cells::canvas::kSysData, canvas);
    return Status::Success;
}

Status ReleaseCanvas(const TypeDescriptor& type, void* cell) {
    cells::ReplaceSysData<SysCanvas>(cell, cells::canvas::kSysData, nullptr);
    ReleaseFields(type, cell, cells::canvas::kSysData);
    return Status::Success;
}

// Lets go only the internal record of a value.
template <class Record, uint32_t kSysData>
void DropRecord(void* cell) {
    cells::ReplaceSysData<Record>(cell, kSysData, nullptr);
}

// Copying a pen, brush, font or canvas copies the visible fields and builds a
// fresh internal record, so a copy never shares one: a Continuous dash
// pattern starts anew in a copied pen, a copied canvas is a new blank one.
template <void (*kDropRecord)(void*), uint32_t kSysData, compiler::ConstructOp kBuild>
Status CopyElement(const TypeDescriptor& type, void* dst, const void* src) {
    if (dst == src) return Status::Success;
    kDropRecord(dst);  // it belongs to the value being replaced, and may refer to its fields
    VL_PROPAGATE(CopyFields(type, dst, src, kSysData));
    return kBuild(type, dst);
}

constexpr auto kDropPenRecord = &DropRecord<SysPen, cells::pen::kSysData>;
constexpr auto kDropBrushRecord = &DropRecord<SysBrush, cells::brush::kSysData>;
constexpr auto kDropFontRecord = &DropRecord<SysFont, cells::font::kSysData>;
constexpr auto kDropCanvasRecord = &DropRecord<SysCanvas, cells::canvas::kSysData>;

}  // namespace

uint16_t RunScale() {
    const uint16_t scale = GlobalSettings().run.scale;
    return scale ? scale : 1;
}

compiler::ValueOps ElementOps(uint16_t typeCode) {
    switch (typeCode) {
    case library::kImage: return {nullptr, &CopyImage, &ConstructImage, &ReleaseImage};
    case library::kPen:
        return {nullptr, &CopyElement<kDropPenRecord, cells::pen::kSysData, BuildPen>, &BuildPen, &ReleasePen};
    case library::kBrush:
        return {nullptr, &CopyElement<kDropBrushRecord, cells::brush::kSysData, BuildBrush>, &BuildBrush, &ReleaseBrush};
    case library::kFont:
        return {nullptr, &CopyElement<kDropFontRecord, cells::font::kSysData, BuildFont>, &BuildFont, &ReleaseFont};
    case library::kCanvas:
        return {nullptr, &CopyElement<kDropCanvasRecord, cells::canvas::kSysData, BuildCanvas>, &BuildCanvas,
                &ReleaseCanvas};
    default: return {};
    }
}

}  // namespace vorlan::graphics
