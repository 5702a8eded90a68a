#pragma once
// The one video file of a process. A video run appends frames with the Frame
// shape: the first Frame opens the file at the canvas's size, every Frame
// appends the canvas one or more times, and the end of the run closes it.
//
// Frames are W × H pixels, W = columns ÷ scale and H = rows ÷ scale; a scale
// above 1 is first reduced to one colour per pixel. The run's output type
// chooses the file: AVI, MP4 (H.264) or an animated GIF. For AVI the quality
// Q chooses the stream: Q ≠ 0 compresses with Microsoft Video 1 (15-bit
// colour), Q = 0 stores 24-bit frames as they are. Frames are numbered from 0
// across the whole run and last 1 / frame rate seconds each (to the nearest
// hundredth in a GIF). Frames are coded on a thread beside the run.
//
// Nothing here prints on standard output; while a video is open and standard
// error is a terminal, one line there shows the frames written so far.

#include "base/Settings.h"
#include "base/Status.h"
#include "graphics/Image.h"

#include <cstdint>

namespace vorlan::output {

// Q for a canvas scale and frame size: 50 at scale 1, 75 at scale 2, at
// scale 4 100 for frames wider or higher than 1000 pixels and 0 for smaller
// ones, 50 for any other scale.
uint16_t VideoQuality(uint16_t scale, int32_t width, int32_t height);

// Opens the video at `path` (UTF-16, already resolved) for frames of the
// canvas's size, at the run's frame rate. Invalid when a video is already
// open, the canvas is not a Picture, or the file or its stream cannot be
// made; a failure leaves nothing open and no file behind.
Status OpenVideo(const RunSettings& run, const graphics::SysImage& canvas, const char16_t* path);

// Appends the canvas `count` times. Invalid when no video is open, the canvas
// no longer has the frame size, or an earlier frame could not be written;
// frames written before the failure stay.
Status WriteFrames(const graphics::SysImage& canvas, int32_t count);

// Finishes the file so that it plays, and releases everything. Safe when
// nothing is open. Returns false only when an open file could not be
// finished (the disk refused the last writes); everything is released anyway.
bool CloseVideo();

// True between a successful OpenVideo and CloseVideo.
bool VideoIsOpen();

// Ends the progress line on standard error, if one is showing, so that what
// is printed next starts on a line of its own.
void EndVideoProgress();

}  // namespace vorlan::output
