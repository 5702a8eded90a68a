// The built-in function that measures text.

#include "library/functions/BuiltinFunctions.h"
#include "library/functions/FunctionCall.h"

#include "graphics/ElementCells.h"
#include "graphics/Font.h"
#include "graphics/TextRender.h"
#include "value/Number.h"
#include "value/Text.h"

#include <initializer_list>

namespace vorlan::library {

namespace cells = graphics::cells;

namespace {

constexpr uint32_t kTextOffset = 0;
constexpr uint32_t kFontOffset = 8;  // a reference to the TFont value
constexpr uint32_t kWidthOffset = 16;

void SetPointNull(void* result) {
    for (uint32_t offset : {cells::point::kX, cells::point::kY, cells::point::kZ})
        runtime::StoreCell(cells::At(result, offset), runtime::kNullNumber);
}

}  // namespace

// The size the text takes in the font, as a Point: x the width and y the
// height in pixels, rounded up; wrapped at `width` pixels when that is above 0.
Status TextSize(void* context, void* parameters, void* result) {
    FunctionCall call(context, parameters);
    SetPointNull(result);
    const void* text = call.Text(kTextOffset);
    if (!text) return call.ArgumentError(u"text", Status::UsingNull);
    // A font whose record could never be made has no face to measure with.
    const void* fontValue = call.Text(kFontOffset);
    const graphics::SysFont* font =
        fontValue ? cells::SysData<graphics::SysFont>(fontValue, cells::font::kSysData) : nullptr;
    if (!font) return call.ArgumentError(u"font", Status::UsingNull);
    int32_t wrap = 0;
    if (const Status status = runtime::ReadInteger(call.Number(kWidthOffset), &wrap); status != Status::Success)
        return call.ArgumentError(u"width", status);
    int32_t width = 0, height = 0;
    if (const Status status =
            graphics::MeasureText(*font, runtime::TextChars(text), runtime::TextCount(text), wrap, &width, &height);
        status != Status::Success)
        return call.ResultError(status, true);
    // Both fit easily: at most 30000 characters of a 65535-pixel font.
    cells::SetWhole(result, cells::point::kX, width);
    cells::SetWhole(result, cells::point::kY, height);
    cells::SetWhole(result, cells::point::kZ, 0);
    return Status::Success;
}

}  // namespace vorlan::library
