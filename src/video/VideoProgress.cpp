// The progress line of a video run. A long animation otherwise runs silent for
// minutes; the line goes to standard error and only to a terminal, so what a
// run prints on standard output, and what scripts capture, never changes.

#include "video/VideoParts.h"
#include "base/ReportLines.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <unistd.h>

namespace vorlan::output::video {
namespace {

using Clock = std::chrono::steady_clock;

// Redrawing for every frame of a fast loop would cost more than the frames.
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

bool gTerminal = false;
Clock::time_point gStart;
Clock::time_point gLastShown;
int64_t gFrames = 0;
// Read by the interrupt watch, which runs on a thread of its own.
std::atomic<bool> gLineOpen{false};

void Draw(Clock::time_point now) {
    const double seconds = std::chrono::duration<double>(now - gStart).count();
    WriteReportLine(stderr, ReportLine::FramesWritten, static_cast<long long>(gFrames), seconds);
    std::fflush(stderr);
    gLastShown = now;
    gLineOpen = true;
}

}  // namespace

void StartProgress() {
    gTerminal = isatty(STDERR_FILENO) == 1;
    gStart = Clock::now();
    gFrames = 0;
}

void ShowProgress(int64_t frames) {
    gFrames = frames;
    if (!gTerminal) return;
    const Clock::time_point now = Clock::now();
    if (gLineOpen && now - gLastShown < kRedrawInterval) return;
    Draw(now);
}

void EndProgress() {
    if (!gLineOpen) return;
    Draw(Clock::now());
    std::fputc('\n', stderr);
    gLineOpen = false;
}

void EndProgressOnInterrupt() {
    if (gLineOpen.exchange(false)) (void)!write(STDERR_FILENO, "\n", 1);
}

}  // namespace vorlan::output::video
