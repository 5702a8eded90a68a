// Frame: the shape that appends the canvas to the run's video. It draws
// nothing; the first Frame of a run opens the video at the canvas's size, and
// from then on the canvas keeps that size (SetSize is refused).

#include "base/DirectoryNodes.h"
#include "base/ReportLines.h"
#include "base/Settings.h"
#include "base/Utf8.h"
#include "library/shapes/ShapeArguments.h"
#include "library/shapes/ShapeRoutines.h"
#include "video/VideoFile.h"
#include "value/Number.h"
#include "value/Value.h"

#include <cstdio>

namespace vorlan::graphics {
namespace {

constexpr int32_t kMostFramesAtOnce = 1000;

// The untrapped report says only that Frame failed, so say where on standard
// error, which no specified output uses.
void ReportNotOpened(const char16_t* path) {
    PrintReportLineWith(ReportLine::CouldNotWrite, path, stderr);
}

Status OpenRunVideo(const SysImage& image) {
    const Settings& settings = GlobalSettings();
    char16_t path[kPathMax + 1];
    const bool resolved = ResolvePath(settings.run.outputPath, path, kPathMax, settings);
    if (resolved && output::OpenVideo(settings.run, image, path) == Status::Success) return Status::Success;
    ReportNotOpened(resolved ? path : settings.run.outputPath);
    return Status::Invalid;
}

}  // namespace

Status shapes::Frame(void* context, void* parameters, void* block) {
    shapes::Call call(context, parameters, block);
    int32_t count = 0;
    // Unlike the other shapes, a count that does not convert is BadParam,
    // whatever the conversion said.
    const auto number = runtime::LoadCell<runtime::Number>(static_cast<const uint8_t*>(parameters));
    if (runtime::ReadInteger(number, &count) != Status::Success) return call.ParameterError(u"count", Status::BadParam);
    if (count < 1 || count > kMostFramesAtOnce) return call.ParameterError(u"count", Status::OutOfRange);
    DrawingContext drawing{};
    VL_PROPAGATE(call.Unpack(&drawing, Status::BadParam));
    SysCanvas& canvas = *drawing.canvas;
    if (!canvas.video) return call.RoutineError(RunNote::NotVideo, Status::BadParam);
    if (!canvas.framesWritten && OpenRunVideo(*canvas.image) != Status::Success)
        return call.RoutineError(Status::Invalid);
    if (output::WriteFrames(*canvas.image, count) != Status::Success) return call.RoutineError(Status::Invalid);
    canvas.framesWritten = true;
    return Status::Success;
}

}  // namespace vorlan::graphics
