#include "library/shapes/TextShapes.h"

#include "value/Types.h"
#include "library/shapes/ShapeArguments.h"
#include "graphics/TextRender.h"
#include "value/Number.h"
#include "value/Text.h"

namespace vorlan::graphics::shapes {
namespace {

// Where each argument lies in the frame; the three shapes share the layout.
constexpr uint32_t kTextOffset = 0;
constexpr uint32_t kMeasureOffset = 8;  // width or angle
constexpr uint32_t kHorzOffset = 12;
constexpr uint32_t kVertOffset = 20;

constexpr int32_t kWidestBlock = 30000;

// TextRotate reports a bad argument as an error of the routine whose message
// is the parameter's name; the other two as an error on the parameter.
enum class Reporting { OnParameter, AsRoutine };

Status Fault(Call& call, Reporting reporting, const char16_t* parameter, Status status) {
    return reporting == Reporting::AsRoutine ? call.RoutineErrorNaming(parameter, status)
                                             : call.ParameterError(parameter, status);
}

Status ReadText(Call& call, Reporting reporting, TextRequest* request) {
    const void* text = call.Referenced(kTextOffset);
    if (!text) return Fault(call, reporting, u"text", Status::UsingNull);
    request->chars = runtime::TextChars(text);
    request->count = runtime::TextCount(text);
    return Status::Success;
}

Status ReadAlignment(Call& call, Reporting reporting, TextRequest* request) {
    const auto* horz = static_cast<const compiler::DataItem*>(call.Referenced(kHorzOffset));
    if (!horz) return Fault(call, reporting, u"halign", Status::UsingNull);
    const auto* vert = static_cast<const compiler::DataItem*>(call.Referenced(kVertOffset));
    if (!vert) return Fault(call, reporting, u"valign", Status::UsingNull);
    request->halign = static_cast<HorzAlign>(horz->enumValue);
    request->valign = static_cast<VertAlign>(vert->enumValue);
    return Status::Success;
}

// The arguments of TextRotate and TextColumn: the text, its angle in tenths
// and the alignment.
Status ReadTurnedText(Call& call, Reporting reporting, TextRequest* request, int32_t* angle) {
    VL_PROPAGATE(ReadText(call, reporting, request));
    if (const Status status = TextAngleTenths(call.NumberArg(kMeasureOffset), angle); status != Status::Success)
        return Fault(call, reporting, u"angle", status);
    return ReadAlignment(call, reporting, request);
}

// Text draws with the pen alone, in the context's font.
Status UnpackForText(Call& call, DrawingContext* drawing) {
    VL_PROPAGATE(call.Unpack(drawing));
    return drawing->font ? Status::Success : call.RoutineError(RunNote::BadGraphicsContext, Status::UsingNull);
}

}  // namespace

Status TextBlock(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    TextRequest request{};
    int32_t width = 0;
    VL_PROPAGATE(ReadText(call, Reporting::OnParameter, &request));
    VL_PROPAGATE(call.Whole(kMeasureOffset, u"width", &width));
    if (width < 0 || width > kWidestBlock) return call.ParameterError(u"width", Status::OutOfRange);
    VL_PROPAGATE(ReadAlignment(call, Reporting::OnParameter, &request));
    DrawingContext drawing{};
    VL_PROPAGATE(UnpackForText(call, &drawing));
    return call.Drawn(DrawTextLine(*drawing.canvas, drawing.origin, drawing.pen->paint, *drawing.font, request, 0,
                                   width));
}

Status TextRotate(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    TextRequest request{};
    int32_t angle = 0;
    VL_PROPAGATE(ReadTurnedText(call, Reporting::AsRoutine, &request, &angle));
    DrawingContext drawing{};
    VL_PROPAGATE(UnpackForText(call, &drawing));
    return call.Drawn(DrawTextLine(*drawing.canvas, drawing.origin, drawing.pen->paint, *drawing.font, request,
                                   angle, 0));
}

Status TextColumn(void* context, void* parameters, void* block) {
    Call call(context, parameters, block);
    TextRequest request{};
    int32_t angle = 0;
    VL_PROPAGATE(ReadTurnedText(call, Reporting::OnParameter, &request, &angle));
    DrawingContext drawing{};
    VL_PROPAGATE(UnpackForText(call, &drawing));
    return call.Drawn(
        DrawTextColumn(*drawing.canvas, drawing.origin, drawing.pen->paint, *drawing.font, request, angle));
}

}  // namespace vorlan::graphics::shapes
