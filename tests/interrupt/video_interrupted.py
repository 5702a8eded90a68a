#!/usr/bin/env python3
"""A video run stopped by a signal still leaves a video that plays.

Usage: video_interrupted.py VORLAN_EXECUTABLE PROGRAM.vrs SIGNAL_NAME [AVI|MP4|GIF]

The program draws frames until it is stopped. Once frames have reached the
file the run gets the signal; it must end as that signal ends a process, and
the file must be finished. An AVI file's header counts the frames (an
unfinished AVI says nothing there), ffprobe decodes that many, and the header
fields set after the muxer (suggested buffer, quality) are set on this path
too. An MP4 file has its index, ahead of the frames, and ffprobe decodes as
many H.264 frames as it lists; a GIF file has its last byte and ffprobe
decodes its frames.
"""

import json
import os
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

# Only a safety net: the test waits for frames to appear, never for a time.
GIVE_UP_SECONDS = 120
# The AVI muxer writes in blocks of 32 KiB; more than that means frames went
# out. The MP4 muxer keeps its index to the end, and GIF frames of one
# unchanged pixel are small: a few KiB of either means many frames.
FRAMES_WRITTEN_BYTES = {"AVI": 64 * 1024, "MP4": 8 * 1024, "GIF": 16 * 1024}
# An 8 x 8 video at the default quality: Q 50, rows of 24 bytes.
EXPECTED_FIELDS = {"main buffer": 8 * 24, "stream buffer": 8 * 24, "quality": 5000}


def fail(message):
    print("FAIL " + message)
    return 1


def find_chunk(data, begin, end, name, list_type=None):
    """The data (start, end) of the first chunk `name` in data[begin:end]
    (for a list, of that type), or None."""
    while begin + 8 <= end:
        (size,) = struct.unpack_from("<I", data, begin + 4)
        if size > end - begin - 8:
            return None
        if data[begin:begin + 4] == name and (list_type is None or data[begin + 8:begin + 12] == list_type):
            start = begin + (8 if list_type is None else 12)
            return start, begin + 8 + size
        begin += 8 + size + (size & 1)
    return None


def header_fields(path):
    """The suggested buffers of the main and stream headers and the stream's
    quality, or None when the headers are not found."""
    with open(path, "rb") as handle:
        data = handle.read()
    riff = find_chunk(data, 0, len(data), b"RIFF", b"AVI ")
    headers = riff and find_chunk(data, *riff, b"LIST", b"hdrl")
    main = headers and find_chunk(data, *headers, b"avih")
    streams = headers and find_chunk(data, *headers, b"LIST", b"strl")
    stream = streams and find_chunk(data, *streams, b"strh")
    if not main or not stream or main[1] - main[0] < 56 or stream[1] - stream[0] < 56:
        return None
    return {"main buffer": struct.unpack_from("<I", data, main[0] + 28)[0],
            "stream buffer": struct.unpack_from("<I", data, stream[0] + 36)[0],
            "quality": struct.unpack_from("<I", data, stream[0] + 40)[0]}


def check_avi(video, stream):
    counted, decoded = stream.get("nb_frames"), stream.get("nb_read_frames")
    if not str(counted).isdigit() or int(counted) < 1:
        return f"the video was not finished: its header counts {counted} frames"
    if counted != decoded:
        return f"the header counts {counted} frames, ffprobe decodes {decoded}"
    fields = header_fields(video)
    if fields != EXPECTED_FIELDS:
        return f"the header fields are {fields}, expected {EXPECTED_FIELDS}"
    return None


def check_mp4(video, stream):
    counted, decoded = stream.get("nb_frames"), stream.get("nb_read_frames")
    if stream.get("codec_name") != "h264" or stream.get("pix_fmt") != "yuv420p":
        return f"the stream is {stream.get('codec_name')} {stream.get('pix_fmt')}, expected h264 yuv420p"
    if not str(counted).isdigit() or int(counted) < 1 or counted != decoded:
        return f"the index lists {counted} frames, ffprobe decodes {decoded}"
    with open(video, "rb") as handle:
        data = handle.read()
    if not 0 <= data.find(b"moov") < data.find(b"mdat"):
        return "the index is not ahead of the frames"
    return None


def check_gif(video, stream):
    decoded = stream.get("nb_read_frames")
    if stream.get("codec_name") != "gif" or not str(decoded).isdigit() or int(decoded) < 1:
        return f"ffprobe decodes {decoded} frames of {stream.get('codec_name')}"
    with open(video, "rb") as handle:
        if handle.read()[-1:] != b"\x3b":
            return "the GIF has no trailer"
    return None


CHECKS = {"AVI": check_avi, "MP4": check_mp4, "GIF": check_gif}


def main():
    vorlan, program, signal_name = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
    kind = sys.argv[4] if len(sys.argv) > 4 else "AVI"
    signum = getattr(signal, "SIG" + signal_name)
    if shutil.which("ffprobe") is None:
        return fail("ffprobe is missing (scripts/install-deps.sh installs ffmpeg)")
    with tempfile.TemporaryDirectory(prefix="vorlan-interrupt-") as work:
        shutil.copy(program, work)
        name = os.path.basename(program)
        video = os.path.join(work, name[: -len(".vrs")] + "." + kind.lower())

        def default_signals():
            # A test runner may have left SIGINT ignored, which the run would keep.
            signal.signal(signal.SIGINT, signal.SIG_DFL)
            signal.signal(signal.SIGTERM, signal.SIG_DFL)

        run = subprocess.Popen([vorlan, "-" + kind, "8x8", name], cwd=work, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, preexec_fn=default_signals)
        deadline = time.monotonic() + GIVE_UP_SECONDS
        while run.poll() is None and time.monotonic() < deadline:
            if os.path.exists(video) and os.path.getsize(video) > FRAMES_WRITTEN_BYTES[kind]:
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
        problem = CHECKS[kind](video, streams[0])
        if problem:
            return fail(problem)
    return 0


if __name__ == "__main__":
    sys.exit(main())
