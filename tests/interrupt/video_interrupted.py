#!/usr/bin/env python3
"""A video run stopped by a signal still leaves a video that plays.

Usage: video_interrupted.py VORLAN_EXECUTABLE PROGRAM.vrs SIGNAL_NAME

The program draws frames until it is stopped. Once frames have reached the
file the run gets the signal; it must end as that signal ends a process, and
the file must be finished: its header counts the frames (an unfinished AVI
says nothing there) and ffprobe decodes that many.
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# Only a safety net: the test waits for frames to appear, never for a time.
GIVE_UP_SECONDS = 120
# The muxer writes in blocks of 32 KiB; more than that means frames went out.
FRAMES_WRITTEN_BYTES = 64 * 1024


def fail(message):
    print("FAIL " + message)
    return 1


def main():
    vorlan, program, signal_name = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
    signum = getattr(signal, "SIG" + signal_name)
    if shutil.which("ffprobe") is None:
        return fail("ffprobe is missing (scripts/install-deps.sh installs ffmpeg)")
    with tempfile.TemporaryDirectory(prefix="vorlan-interrupt-") as work:
        shutil.copy(program, work)
        name = os.path.basename(program)
        video = os.path.join(work, name[: -len(".vrs")] + ".avi")

        def default_signals():
            # A test runner may have left SIGINT ignored, which the run would keep.
            signal.signal(signal.SIGINT, signal.SIG_DFL)
            signal.signal(signal.SIGTERM, signal.SIG_DFL)

        run = subprocess.Popen([vorlan, "-AVI", "8x8", name], cwd=work, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, preexec_fn=default_signals)
        deadline = time.monotonic() + GIVE_UP_SECONDS
        while run.poll() is None and time.monotonic() < deadline:
            if os.path.exists(video) and os.path.getsize(video) > FRAMES_WRITTEN_BYTES:
                break
            time.sleep(0.05)
        if run.poll() is not None:
            return fail(f"the run ended by itself with {run.returncode} before it was stopped")
        run.send_signal(signum)
        try:
            _, stderr = run.communicate(timeout=GIVE_UP_SECONDS)
        except subprocess.TimeoutExpired:
            run.kill()
            run.communicate()
            return fail(f"the run did not stop on {signal_name}")
        if run.returncode != -signum:
            return fail(f"the run ended with {run.returncode}, expected to be ended by {signal_name}: "
                        + stderr.decode("utf-8", errors="replace"))
        probe = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_streams", "-of", "json", video],
                               capture_output=True, timeout=GIVE_UP_SECONDS)
        if probe.returncode != 0:
            return fail("ffprobe cannot read the video: " + probe.stderr.decode("utf-8", errors="replace"))
        streams = json.loads(probe.stdout).get("streams", [])
        if len(streams) != 1:
            return fail(f"the video holds {len(streams)} streams")
        counted, decoded = streams[0].get("nb_frames"), streams[0].get("nb_read_frames")
        if not str(counted).isdigit() or int(counted) < 1:
            return fail(f"the video was not finished: its header counts {counted} frames")
        if counted != decoded:
            return fail(f"the header counts {counted} frames, ffprobe decodes {decoded}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
