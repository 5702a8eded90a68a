#include "interp/ProgramRun.h"

#include "compiler/Compilation.h"
#include "base/Memory.h"
#include "base/ReportLines.h"
#include "base/Sanitizers.h"
#include "base/Utf8.h"
#include "base/DirectoryNodes.h"
#include "interp/Context.h"
#include "imagefiles/ImageFiles.h"
#include "video/VideoFile.h"
#include "interp/Errors.h"
#include "interp/Evaluate.h"
#include "interp/Execute.h"
#include "interp/ProgramArguments.h"
#include "interp/TemporaryCells.h"
#include "interp/WordCode.h"
#include "value/Text.h"
#include "value/Value.h"
#include "value/ValueOps.h"

#include <sys/resource.h>

#include <cstdio>

namespace vorlan::runtime {
namespace {

using compiler::DataItem;
using compiler::Module;

constexpr uint32_t kTagModuleData = 22006;
constexpr uint32_t kTagFrame = 22005;
constexpr uint32_t kTagModuleBases = 22011;

enum RunResult : int { kCompleted = 0, kBadArguments = 2, kSystemError = 5, kProgramError = 6, kWriteFailed = 8,
                       kNoEntry = 10, kSetUpFailed = 11 };

// Status record offsets (the system module's first datum).
constexpr uint32_t kUserGenerated = 0, kCategory = 4, kSource = 12, kMessage = 20, kParameter = 28;

void PrintText(ReportLine before, const void* block, const char* otherwise) {
    PrintReportLine(before);
    if (block) WriteWide(stdout, TextChars(block));
    else std::fputs(otherwise, stdout);
}

int UntrappedReport(const RunContext& context) {
    const uint8_t* record = context.globals;
    const bool user = LoadCell<Logical>(record + kUserGenerated) == kTrue;
    PrintReportLine(ReportLine::UntrappedHeading);
    PrintReportLine(user ? ReportLine::InvokedByProgram : ReportLine::InvokedBySystem);
    const auto* category = LoadHandle<DataItem>(record + kCategory);
    PrintReportLine(ReportLine::ClassLabel);
    if (category) WriteWide(stdout, category->entry->name);
    else PrintReportLine(ReportLine::ClassNotSet);
    PrintText(ReportLine::SourceLabel, LoadHandle<void>(record + kSource), ReportLineText(ReportLine::UnknownSource));
    std::fputs("\n", stdout);
    if (const void* message = LoadHandle<void>(record + kMessage)) {
        PrintText(ReportLine::MessageLabel, message, "");
        if (const void* parameter = LoadHandle<void>(record + kParameter))
            PrintText(ReportLine::ParameterSeparator, parameter, "");
        std::fputs("\n", stdout);
    }
    // The value at fault, where the failing operation knew it.
    if (const char16_t* detail = PendingErrorDetail(context)) {
        PrintReportLine(ReportLine::DetailLabel);
        WriteWide(stdout, detail);
        std::fputs("\n", stdout);
    }
    std::fputs("\n", stdout);
    return user ? kProgramError : kSystemError;
}

// Every module's data: each item initialised, then given its initial value.
bool InitialiseModuleData(RunContext& context) {
    for (const Module* module = context.program->firstModule; module; module = module->next) {
        for (DataItem* item = module->dataAreas[1].first; item; item = item->next) {
            uint8_t* cell = context.globals + context.moduleBase[module->number] + item->offset;
            if (InitialiseValue(*item->type, cell) != Status::Success) return false;
            if (item->initial && EvaluateInto(*item->initial, context, cell) != Status::Success) return false;
        }
    }
    return true;
}

void ReleaseModuleData(RunContext& context) {
    for (const Module* module = context.program->firstModule; module; module = module->next) {
        for (DataItem* item = module->dataAreas[1].first; item; item = item->next) {
            if (item->type->ops.release)
                (void)item->type->ops.release(*item->type, context.globals + context.moduleBase[module->number] + item->offset);
        }
    }
}

void ReleaseParameters(const compiler::Routine& routine, uint8_t* frame) {
    for (const DataItem* parameter = routine.type->fields.first; parameter; parameter = parameter->next) {
        if (!(parameter->flags & compiler::kDataRef) && parameter->type->ops.release)
            (void)parameter->type->ops.release(*parameter->type, frame + parameter->offset);
    }
}

// The lowest address a run's calls may start at: the stack the system gives
// the process, less a guess at what lies above the run (the driver's frames)
// and a reserve for one level of calls with its nested expressions and the
// libraries a built-in calls into. Sanitizer frames are several times larger.
uintptr_t StackFloor() {
#if defined(VL_ADDRESS_SANITIZER)
    constexpr size_t kReserve = size_t{3} << 20;
#else
    constexpr size_t kReserve = size_t{1} << 20;
#endif
    constexpr size_t kAboveRun = size_t{256} << 10;
    constexpr size_t kUsualStack = size_t{8} << 20;
    rlimit limit{};
    size_t stack = kUsualStack;  // also for a stack without a limit, which is no larger in practice
    if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) stack = limit.rlim_cur;
    const volatile char marker = 0;
    const auto here = reinterpret_cast<uintptr_t>(&marker);
    const size_t usable = stack > kAboveRun + 2 * kReserve ? stack - kAboveRun - kReserve : stack / 2;
    return usable < here ? here - usable : 0;
}

graphics::ContextSetup SetupFor(const Settings& settings) {
    const PictureSettings& picture = settings.run.picture;
    return graphics::ContextSetup{
        .width = picture.width,
        .height = picture.height,
        .mode = picture.fileType == FileType::Pat ? graphics::ImageMode::Pattern : graphics::ImageMode::Picture,
        .colourMix = picture.colourMix,
        .scale = settings.run.scale ? settings.run.scale : uint16_t{1},
        .video = IsVideo(picture.fileType),
    };
}

// The run after the context exists: data, arguments, the Program routine.
int RunWithContext(RunContext& context, const compiler::Routine& entry, Settings& settings) {
    const compiler::Compilation& program = *context.program;
    uint16_t count = 0;
    for (const Module* module = program.firstModule; module; module = module->next) count = module->number;
    OwnedBlock<uint32_t> bases;
    OwnedBlock<uint8_t> globals;
    OwnedBlock<uint8_t> frame;
    bases.Allocate(count + 1u, kTagModuleBases);
    globals.Allocate(program.globalDataTotal + 8, kTagModuleData);
    frame.Allocate(FrameSize(entry) + 8, kTagFrame);
    context.globals = globals;
    ErrorDetailSlot detail;  // gone with the module data, before the run's memory is counted
    context.errorDetail = &detail;
    int result = kSetUpFailed;
    if (bases && context.globals && frame) {
        for (const Module* module = program.firstModule; module; module = module->next) bases[module->number] = module->dataBase;
        context.moduleBase = bases;
        // Parameters start out as their types' empty values.
        for (const DataItem* parameter = entry.type->fields.first; parameter; parameter = parameter->next)
            (void)InitialiseValue(*parameter->type, frame + parameter->offset);
        if (!InitialiseModuleData(context)) {
            UntrappedReport(context);
        } else if (!BindProgramArguments(context, entry, settings.run.programArguments, frame)) {
            result = kBadArguments;
        } else {
            const uint16_t status = RunRoutine(entry, context, frame, context.graphics, nullptr);
            output::EndVideoProgress();  // the outcome goes on a line of its own
            if (status == static_cast<uint16_t>(Status::Success)) {
                PrintReportLine(ReportLine::Completed);
                result = kCompleted;
            } else {
                result = UntrappedReport(context);
            }
        }
        ReleaseParameters(entry, frame);
        ReleaseModuleData(context);
    }
    context.errorDetail = nullptr;
    context.globals = nullptr;  // the module data goes with this call
    return result;
}

// A completed run hands its canvas to the output file; a picture that cannot
// be written is a failed run, never a success.
bool WritePicture(const RunContext& context, const Settings& settings) {
    if (IsVideo(settings.run.picture.fileType)) return true;  // frames went out as they were drawn
    const auto* canvas = static_cast<const graphics::SysCanvas*>(
        graphics::DrawingCanvas(context.graphics));
    if (!canvas || !canvas->image) return false;
    char16_t path[kPathMax + 1];
    if (!ResolvePath(settings.run.outputPath, path, kPathMax, settings)) {
        PrintReportLineWith(ReportLine::CouldNotWrite, settings.run.outputPath);
        return false;
    }
    return output::WriteOutputFile(*canvas->image, settings, path) == Status::Success;
}

// A video run ends by finishing its file, whatever the run's outcome, so the
// frames written so far play. A file whose end cannot be written fails a
// run that otherwise completed, as a picture that cannot be written does.
int CloseRunVideo(const Settings& settings, int result) {
    if (!IsVideo(settings.run.picture.fileType)) return result;
    if (output::CloseVideo() || result != kCompleted) return result;
    PrintReportLineWith(ReportLine::CouldNotWrite, settings.run.outputPath);
    return kWriteFailed;
}

}  // namespace

int RunProgram(compiler::Compilation& program, Settings& settings, uint32_t* leftBehind) {
    const uint32_t start = MemLiveCount();
    *leftBehind = 0;
    const compiler::Routine* entry = program.entryRoutine;
    if (!entry) return kNoEntry;
    RunContext context;
    FrameStack frames;
    WordCodes wordCodes;
    TemporaryCells temporaries;
    context.frames = &frames;
    context.wordCodes = &wordCodes;
    context.temporaries = &temporaries;
    context.program = &program;
    context.stackFloor = StackFloor();
    context.graphics = graphics::CreateContext(program, SetupFor(settings));
    if (!context.graphics) return CloseRunVideo(settings, kSetUpFailed);
    int result = RunWithContext(context, *entry, settings);
    if (result == kCompleted && !WritePicture(context, settings)) result = kWriteFailed;
    result = CloseRunVideo(settings, result);
    graphics::FreeContext(program, context.graphics);
    FreeFrameStack(frames);
    wordCodes.Clear();  // before the account is taken
    temporaries.Release();
    std::fflush(stdout);
    *leftBehind = MemLiveCount() - start;
    return result;
}

}  // namespace vorlan::runtime
