#include "interp/Context.h"

#include "compiler/Declarations.h"
#include "graphics/ElementCells.h"
#include "value/HeldValue.h"
#include "value/SystemTypeCodes.h"
#include "value/Text.h"
#include "value/Value.h"

#include <cstring>
#include <initializer_list>
#include <utility>

namespace vorlan::graphics {
namespace {

using compiler::DataItem;
using compiler::TypeDescriptor;

constexpr uint16_t kSlotTypes[kContextSlots] = {library::kPoint, library::kPen, library::kBrush, library::kFont,
                                                library::kCanvas};

int32_t RoundUpToFour(int32_t n) { return n % 4 == 0 ? n : n + (4 - n % 4); }

// Writes the item of `enumCode` whose value is `value` into an enumeration cell.
void SetEnum(const compiler::Compilation& compilation, void* cell, uint32_t offset, uint16_t enumCode, int32_t value) {
    const TypeDescriptor* type = compiler::FindSystemType(compilation, enumCode);
    const DataItem* found = nullptr;
    for (const DataItem* item = type ? type->fields.first : nullptr; item && !found; item = item->next) {
        if (item->enumValue == value) found = item;
    }
    runtime::StoreHandle(cells::At(cell, offset), found);
}

void SetColour(void* cell, uint32_t offset, int32_t red, int32_t green, int32_t blue, int32_t opacity) {
    const int32_t channels[4] = {red, green, blue, opacity};
    for (uint32_t i = 0; i < 4; ++i) cells::SetWhole(cell, offset + 4 * i, channels[i]);
}

// The default fields of each element, before it is built.
bool SetDefaults(const compiler::Compilation& c, ContextSlot slot, void* cell, const ContextSetup& setup) {
    switch (slot) {
    case kSlotOrigin:
        for (uint32_t offset : {cells::point::kX, cells::point::kY, cells::point::kZ}) cells::SetWhole(cell, offset, 0);
        return true;
    case kSlotPen:
        cells::SetWhole(cell, cells::pen::kWidth, 1);
        SetColour(cell, cells::pen::kColour, 0, 0, 0, 100);
        SetEnum(c, cell, cells::pen::kOverwrite, library::kOverwrite, 1);
        SetEnum(c, cell, cells::pen::kDashMode, library::kDashMode, 1);
        cells::SetWhole(cell, cells::pen::kScale, setup.scale);
        return true;
    case kSlotBrush:
        SetEnum(c, cell, cells::brush::kFill, library::kBrushFill, 1);
        SetEnum(c, cell, cells::brush::kAlign, library::kBrushAlign, 1);
        SetColour(cell, cells::brush::kColour, 50, 50, 50, 100);
        SetColour(cell, cells::brush::kBackground, 75, 75, 75, 100);
        SetEnum(c, cell, cells::brush::kOverwrite, library::kOverwrite, 1);
        for (uint32_t offset : {cells::point::kX, cells::point::kY, cells::point::kZ})
            cells::SetWhole(cell, cells::brush::kPin + offset, 0);
        return true;
    case kSlotFont: {
        void* typeface = nullptr;
        if (runtime::MakeTextFromString(u"Arial", &typeface) != Status::Success) return false;
        runtime::StoreHandle(cells::At(cell, cells::font::kTypeface), typeface);
        cells::SetWhole(cell, cells::font::kSize, 16);
        cells::SetWhole(cell, cells::font::kWeight, 50);
        runtime::StoreCell(cells::At(cell, cells::font::kItalic), runtime::kFalse);
        runtime::StoreCell(cells::At(cell, cells::font::kUnderline), runtime::kFalse);
        return true;
    }
    case kSlotCanvas:
        cells::SetWhole(cell, cells::canvas::kWidth, setup.width);
        cells::SetWhole(cell, cells::canvas::kHeight, setup.height);
        SetEnum(c, cell, cells::canvas::kMode, library::kImageMode, static_cast<int32_t>(setup.mode));
        SetEnum(c, cell, cells::canvas::kColourMix, library::kColourMix, setup.colourMix);
        cells::SetWhole(cell, cells::canvas::kScale, setup.scale);
        return true;
    default: return false;
    }
}

// One element: its record cleared, given its defaults and built.
void* CreateElement(const compiler::Compilation& compilation, ContextSlot slot, const ContextSetup& setup) {
    const TypeDescriptor* type = compiler::FindSystemType(compilation, kSlotTypes[slot]);
    if (!type) return nullptr;
    runtime::HeldValue held(type, MemAllocate(type->cellSize, kTagContextElement));
    void* cell = held.Get();
    if (!cell) return nullptr;
    bool ok = type->ops.clear(*type, cell) == Status::Success && SetDefaults(compilation, slot, cell, setup);
    if (ok && type->ops.construct) ok = type->ops.construct(*type, cell) == Status::Success;
    if (ok && slot == kSlotCanvas) {
        SysCanvas* canvas = cells::SysData<SysCanvas>(cell, cells::canvas::kSysData);
        ok = canvas != nullptr;
        if (ok) canvas->video = setup.video;
    }
    return ok ? held.Take() : nullptr;
}

}  // namespace

void* CreateContext(const compiler::Compilation& compilation, const ContextSetup& given) {
    ContextSetup setup = given;
    if (setup.video) {
        setup.width = RoundUpToFour(setup.width);
        setup.height = RoundUpToFour(setup.height);
    }
    void* context = MemAllocate(8 * kContextSlots, kTagContext);
    if (!context) return nullptr;
    bool complete = true;
    for (int slot = kSlotOrigin; slot < kContextSlots && complete; ++slot) {
        void* element = CreateElement(compilation, static_cast<ContextSlot>(slot), setup);
        runtime::StoreHandle(static_cast<uint8_t*>(context) + 8 * slot, element);
        complete = element != nullptr;
    }
    if (!complete) FreeContext(compilation, context);
    return context;
}

void FreeContext(const compiler::Compilation& compilation, void*& context) {
    const OwnedBlock<void> block(std::exchange(context, nullptr));
    if (!block) return;
    for (int slot = kSlotOrigin; slot < kContextSlots; ++slot)
        runtime::DiscardValue(compiler::FindSystemType(compilation, kSlotTypes[slot]),
                              ContextElement(block, static_cast<ContextSlot>(slot)));
}

void* ContextElement(const void* context, ContextSlot slot) {
    return context ? runtime::LoadHandle<void>(static_cast<const uint8_t*>(context) + 8 * slot) : nullptr;
}

SysCanvas* DrawingCanvas(const void* context) {
    const void* canvas = ContextElement(context, kSlotCanvas);
    return canvas ? cells::SysData<SysCanvas>(canvas, cells::canvas::kSysData) : nullptr;
}

Status UnpackContext(const void* context, DrawingContext* out) {
    const void* origin = ContextElement(context, kSlotOrigin);
    if (!origin) return Status::UsingNull;
    VL_PROPAGATE(cells::Real(origin, cells::point::kX, &out->origin.x));
    VL_PROPAGATE(cells::Real(origin, cells::point::kY, &out->origin.y));
    VL_PROPAGATE(cells::Real(origin, cells::point::kZ, &out->z));
    const void* pen = ContextElement(context, kSlotPen);
    const void* brush = ContextElement(context, kSlotBrush);
    const void* font = ContextElement(context, kSlotFont);
    const void* canvas = ContextElement(context, kSlotCanvas);
    out->pen = pen ? cells::SysData<SysPen>(pen, cells::pen::kSysData) : nullptr;
    out->brush = brush ? cells::SysData<SysBrush>(brush, cells::brush::kSysData) : nullptr;
    out->font = font ? cells::SysData<SysFont>(font, cells::font::kSysData) : nullptr;
    out->canvas = canvas ? cells::SysData<SysCanvas>(canvas, cells::canvas::kSysData) : nullptr;
    if (!out->pen || !out->brush || !out->canvas) return Status::UsingNull;
    return Status::Success;
}

Status ResizeCanvas(void* canvasValue, int32_t width, int32_t height) {
    SysCanvas* old = cells::SysData<SysCanvas>(canvasValue, cells::canvas::kSysData);
    if (!old || !old->image) return Status::UsingNull;
    if (old->video) {
        if (old->framesWritten) return Status::Invalid;
        width = RoundUpToFour(width);
        height = RoundUpToFour(height);
    }
    const SysImage& image = *old->image;
    Owned<SysCanvas> resized(CreateCanvas(width, height, image.mode, image.colourMix, image.scale));
    if (!resized || resized->image->mode != image.mode) return Status::Invalid;
    resized->video = old->video;
    ClearImage(*resized->image, image.background);
    CopyOverlap(*resized->image, image);
    cells::ReplaceSysData(canvasValue, cells::canvas::kSysData, resized.Take());
    cells::SetWhole(canvasValue, cells::canvas::kWidth, width);
    cells::SetWhole(canvasValue, cells::canvas::kHeight, height);
    return Status::Success;
}

}  // namespace vorlan::graphics
