#pragma once
// Whether the file a run will write at its end can be written at all, asked
// before the run starts, so a mistyped folder costs nothing but a report.

namespace vorlan {

struct Settings;

// True when the run writes nothing at its end (a video opens its file at the
// first frame, and a program can trap that failure) or when its output file
// can be created or opened for writing. Leaves nothing behind: a file that
// exists is neither truncated nor touched, and a probe is removed.
bool OutputPlaceWritable(const Settings& settings);

}  // namespace vorlan
