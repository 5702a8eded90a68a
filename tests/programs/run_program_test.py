#!/usr/bin/env python3
"""Runs one program test: a .vrs file and the .expect file beside it.

Usage: run_program_test.py VORLAN_EXECUTABLE TEST.vrs [--compiled]

The test's folder is copied into a fresh temporary directory, vorlan runs
there, and its exit code, standard output and written files are checked as
the .expect file says. See README.md in this folder for the format.

With --compiled the program is first built into a program file with -PRG and
the program file is run instead; the checks are the same. A test that does
not compile and run a source program exits with SKIPPED.
"""

import json
import math
import os
import shlex
import shutil
import struct
import subprocess
import sys
import tempfile

TIMEOUT_SECONDS = 120
SKIPPED = 77  # ctest's skip code for this runner
# Exit codes of runs that never get to run a compiled program.
NOT_RUN_EXITS = ("1", "3", "12")


def parse_expect(path):
    expect = {"args": "{file}", "exit": "0", "checks": [], "stdout": None, "stderr": [], "setup": [], "env": {}}
    with open(path, encoding="utf-8") as handle:
        lines = handle.read().split("\n")
    for index, line in enumerate(lines):
        if line.startswith("#") or not line.strip():
            continue
        key, _, value = line.partition(":")
        key, value = key.strip(), value.strip()
        if key == "stdout":
            body = lines[index + 1:]
            if body and body[-1] == "":
                body = body[:-1]
            expect["stdout"] = "".join(text + "\n" for text in body)
            break
        if key in ("file-exists", "file-absent", "file-size", "image-size", "pixel", "ink-box", "ink-in",
                   "no-ink", "video", "video-pixel", "video-match", "reference", "video-exact", "video-psnr",
                   "index-first", "repeatable"):
            expect["checks"].append((key, value))
        elif key == "stderr-contains":
            expect["stderr"].append(value)
        elif key == "setup":
            expect["setup"].append(value)
        elif key == "env":
            name, _, setting = value.partition("=")
            expect["env"][name.strip()] = setting.strip()
        elif key in ("args", "exit", "main-ini"):
            expect[key] = value
        else:
            raise SystemExit(f"{path}: unknown key '{key}'")
    if expect["stdout"] is None:
        raise SystemExit(f"{path}: no 'stdout:' section")
    return expect


def prepare(work, test_dir, vorlan, expect):
    shutil.copytree(test_dir, work, dirs_exist_ok=True)
    if "main-ini" not in expect:
        return vorlan
    # A private copy of the executable reads its own main configuration file.
    bin_dir = os.path.join(work, "bin")
    os.mkdir(bin_dir)
    private = os.path.join(bin_dir, "vorlan")
    shutil.copy(vorlan, private)
    # The engine modules are found beside the executable, as a run finds them.
    for module in ("vorlan-video.so", "vorlan-text.so"):
        beside = os.path.join(os.path.dirname(vorlan), module)
        if os.path.exists(beside):
            shutil.copy(beside, os.path.join(bin_dir, module))
    if expect["main-ini"] != "none":
        shutil.copy(os.path.join(test_dir, expect["main-ini"]), os.path.join(bin_dir, "vorlan.ini"))
    return private


PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def read_image_size(path):
    """Width and height of a bitmap or PNG file, or None for anything else."""
    with open(path, "rb") as handle:
        head = handle.read(26)
    if head[:2] == b"BM" and len(head) >= 26:
        width, height = struct.unpack_from("<ii", head, 18)
        return width, abs(height)
    if head[:8] == PNG_SIGNATURE and len(head) >= 24 and head[12:16] == b"IHDR":
        return struct.unpack_from(">II", head, 16)
    return None


def read_bmp(path):
    """A 24-bit bitmap as (width, rows, pixel), where pixel(x, y) gives the
    colour at column x, row y (row 0 at the top) as RRGGBB; or a text that
    says why it cannot be read. A positive height stores the rows bottom-up,
    a negative one top-down."""
    with open(path, "rb") as handle:
        data = handle.read()
    if len(data) < 54 or data[:2] != b"BM":
        return None, "is not a bitmap"
    (offset,) = struct.unpack_from("<I", data, 10)
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits != 24 or compression != 0:
        return None, f"is a {bits}-bit bitmap with compression {compression}"
    rows = abs(height)
    row_size = (3 * width + 3) & ~3
    if offset + row_size * rows > len(data):
        return None, "ends early"

    def pixel(x, y):
        row = y if height < 0 else rows - 1 - y
        start = offset + row * row_size + 3 * x
        blue, green, red = data[start:start + 3]
        return f"{red:02X}{green:02X}{blue:02X}"

    return (width, rows, pixel), None


def read_bmp_pixel(path, x, y):
    """The pixel at column x, row y of a 24-bit bitmap as RRGGBB, or a text
    that says why it cannot be read."""
    image, problem = read_bmp(path)
    if problem:
        return None, problem
    width, rows, pixel = image
    if not (0 <= x < width and 0 <= y < rows):
        return None, f"has no pixel ({x}, {y}): it is {width} x {rows}"
    return pixel(x, y), None


def ink_box(path):
    """The smallest box (left, top, right, bottom) that holds every pixel of a
    24-bit bitmap that is not white, None when every pixel is white; or a text
    that says why it cannot be read."""
    image, problem = read_bmp(path)
    if problem:
        return None, problem
    width, rows, pixel = image
    box = None
    for y in range(rows):
        for x in range(width):
            if pixel(x, y) != "FFFFFF":
                if box is None:
                    box = [x, y, x, y]
                box = [min(box[0], x), min(box[1], y), max(box[2], x), max(box[3], y)]
    return box, None


def has_ink_in(path, left, top, right, bottom):
    image, problem = read_bmp(path)
    if problem:
        return None, problem
    width, rows, pixel = image
    return any(pixel(x, y) != "FFFFFF"
               for y in range(max(top, 0), min(bottom, rows - 1) + 1)
               for x in range(max(left, 0), min(right, width - 1) + 1)), None


def probe_video(path):
    """The streams ffprobe finds in a video file, with every frame decoded and
    counted, or a text that says why there are none."""
    if shutil.which("ffprobe") is None:
        return None, "cannot be checked: ffprobe is missing (scripts/install-deps.sh installs ffmpeg)"
    result = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-show_streams", "-of", "json", path],
                            capture_output=True, timeout=TIMEOUT_SECONDS)
    if result.returncode != 0:
        return None, "cannot be read by ffprobe: " + result.stderr.decode("utf-8", errors="replace").strip()
    return json.loads(result.stdout).get("streams", []), None


def check_video(path, width, height, rate, frames, codec, pixels=None):
    streams, problem = probe_video(path)
    if problem:
        return [problem]
    if len(streams) != 1 or streams[0].get("codec_type") != "video":
        return [f"holds {len(streams)} streams, expected one video stream"]
    stream = streams[0]
    found = {"size": f"{stream.get('width')} x {stream.get('height')}", "frame rate": stream.get("r_frame_rate"),
             "frames": stream.get("nb_read_frames"), "codec": stream.get("codec_name"),
             "pixel format": stream.get("pix_fmt")}
    wanted = {"size": f"{width} x {height}", "frame rate": f"{rate}/1", "frames": frames, "codec": codec}
    if pixels:
        wanted["pixel format"] = pixels
    return [f"{what} is {found[what]}, expected {wanted[what]}" for what in wanted if str(found[what]) != wanted[what]]


def read_video_pixel(path, frame, x, y):
    """The pixel at column x, row y of a decoded frame (numbered from 0) as
    RRGGBB, or a text that says why it cannot be read."""
    streams, problem = probe_video(path)
    if problem:
        return None, problem
    width, height = streams[0]["width"], streams[0]["height"]
    if not (0 <= x < width and 0 <= y < height):
        return None, f"has no pixel ({x}, {y}): it is {width} x {height}"
    result = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-vf", f"select=eq(n\\,{frame})", "-frames:v", "1",
                             "-f", "rawvideo", "-pix_fmt", "rgb24", "-"], capture_output=True, timeout=TIMEOUT_SECONDS)
    data = result.stdout
    if result.returncode != 0 or len(data) != 3 * width * height:
        return None, f"has no frame {frame} that ffmpeg can decode"
    start = 3 * (y * width + x)
    red, green, blue = data[start:start + 3]
    return f"{red:02X}{green:02X}{blue:02X}", None


def five_bits(level):
    """A colour level as the nearest of the 32 that Video 1 keeps."""
    return (level * 31 + 127) // 255


def frame_problem(decoded, drawn, width, height):
    """The first pixel of a decoded frame (rgb24 bytes) that is not the drawn
    one (a pixel(x, y) giving RRGGBB), as a text; None when all are. Video 1
    keeps 5 bits a channel, so a pixel may be 4 levels off; and it holds two
    colours in each 2 x 2 square, so a square of more colours may show any
    within the range of its own, and nothing beyond."""
    for top in range(0, height, 2):
        for left in range(0, width, 2):
            square = [(x, y) for y in range(top, min(top + 2, height)) for x in range(left, min(left + 2, width))]
            colours = {(x, y): bytes.fromhex(drawn(x, y)) for x, y in square}
            exact = len({tuple(five_bits(level) for level in colour) for colour in colours.values()}) <= 2
            for x, y in square:
                start = 3 * (y * width + x)
                shown = decoded[start:start + 3]
                for channel in range(3):
                    if exact:
                        low = high = colours[(x, y)][channel]
                    else:
                        low = min(colour[channel] for colour in colours.values())
                        high = max(colour[channel] for colour in colours.values())
                    if not low - 4 <= shown[channel] <= high + 4:
                        return f"pixel ({x}, {y}) is {shown.hex().upper()}, drawn {drawn(x, y)}" + (
                            "" if exact else " in a square of more than two colours")
    return None


def exact_problem(decoded, drawn, width, height):
    """The first pixel of a decoded frame that is not exactly the drawn one."""
    for y in range(height):
        for x in range(width):
            start = 3 * (y * width + x)
            if decoded[start:start + 3].hex().upper() != drawn(x, y):
                return f"pixel ({x}, {y}) is {decoded[start:start + 3].hex().upper()}, drawn {drawn(x, y)}"
    return None


def psnr(decoded, drawn, width, height):
    """The peak signal-to-noise ratio of a decoded frame against the drawn
    one, over the three channels, in dB (infinite when they are the same)."""
    total = 0
    for y in range(height):
        for x in range(width):
            start = 3 * (y * width + x)
            for channel, level in enumerate(bytes.fromhex(drawn(x, y))):
                total += (decoded[start + channel] - level) ** 2
    mean = total / (3 * width * height)
    return float("inf") if mean == 0 else 10 * math.log10(255 * 255 / mean)


def match_video(path, executable, work, source, bitmap, args, compare=frame_problem, frames=None):
    """Frames of a video (every one, or those listed; -1 is the last) against
    the bitmap that a run with `args` draws of each ({frame} its number), by
    `compare`; the failures."""
    streams, problem = probe_video(path)
    if problem:
        return [problem]
    width, height = streams[0]["width"], streams[0]["height"]
    # Every decoded frame once, whatever the frame rate ffmpeg would make of them.
    result = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-vsync", "passthrough", "-f", "rawvideo",
                             "-pix_fmt", "rgb24", "-"], capture_output=True, timeout=TIMEOUT_SECONDS)
    data, size = result.stdout, 3 * width * height
    if result.returncode != 0 or not data or len(data) % size:
        return ["cannot be decoded by ffmpeg"]
    count = len(data) // size
    for frame in range(count) if frames is None else [f % count for f in frames]:
        run_args = [a.replace("{file}", source).replace("{frame}", str(frame)).replace("{work}", work) for a in args]
        code, stdout, stderr = run(executable, run_args, work)
        if code != 0:
            return [f"the run drawing frame {frame} ended with exit code {code}:\n{stdout}{stderr}"]
        image, problem = read_bmp(os.path.join(work, bitmap))
        if problem:
            return [f"the bitmap of frame {frame} {problem}"]
        if image[:2] != (width, height):
            return [f"the bitmap of frame {frame} is {image[0]} x {image[1]}, the video {width} x {height}"]
        problem = compare(data[frame * size:(frame + 1) * size], image[2], width, height)
        if problem:
            return [f"frame {frame}: {problem}"]
    return []


def psnr_problem(least):
    def compare(decoded, drawn, width, height):
        found = psnr(decoded, drawn, width, height)
        return None if found >= least else f"{found:.1f} dB from the drawn frame, expected {least} dB or more"
    return compare


def index_first(path):
    """An MP4 file's index (moov) must come before its frames (mdat)."""
    with open(path, "rb") as handle:
        data = handle.read()
    moov, mdat = data.find(b"moov"), data.find(b"mdat")
    return [] if 0 <= moov < mdat else [f"the index is at byte {moov}, the frames at {mdat}"]


def repeatable(work, executable, source, name, args):
    """A second run with `args`, into a folder of its own, writes `name` with
    the bytes the test's run wrote."""
    folder = tempfile.mkdtemp(prefix="again-", dir=work)
    code, stdout, stderr = run(executable, ["-OUT", folder] + [a.replace("{file}", source) for a in args], work)
    if code != 0:
        return [f"the second run ended with exit code {code}:\n{stdout}{stderr}"]
    with open(os.path.join(work, name), "rb") as first, open(os.path.join(folder, name), "rb") as second:
        return [] if first.read() == second.read() else [f"a second run wrote other bytes to {name}"]


def same_as_reference(work, test_dir, executable, source, value):
    """The failure of one reference check, or None. With VORLAN_WRITE_REFERENCES
    set the written file replaces the reference in the test's folder instead,
    which is how the reference pictures are made."""
    written, reference, *given = shlex.split(value)
    folder = work
    args = given
    if given:
        # A run of its own, into a folder of its own, so that it cannot
        # overwrite the main run's files or the references copied beside them.
        folder = tempfile.mkdtemp(prefix="reference-", dir=work)
        args = ["-OUT", folder] + [a.replace("{file}", source) for a in args]
        code, stdout, stderr = run(executable, args, work)
        if code != 0:
            return f"the reference run '{value}' ended with exit code {code}:\n{stdout}{stderr}"
    path = os.path.join(folder, written)
    if not os.path.isfile(path):
        return f"{written} was not written for reference {reference}"
    if os.environ.get("VORLAN_WRITE_REFERENCES"):
        shutil.copy(path, os.path.join(test_dir, reference))
        return None
    with open(path, "rb") as made, open(os.path.join(work, reference), "rb") as kept:
        if made.read() != kept.read():
            return f"{written} differs from reference {reference}" + (f" (made with {' '.join(given)})" if given else "")
    return None


def check_files(work, checks, executable, source, test_dir):
    """The failures of the file checks; `source` is the test's .vrs name,
    which video-match and reference runs run."""
    failures = []
    for kind, value in checks:
        if kind == "reference":
            problem = same_as_reference(work, test_dir, executable, source, value)
            if problem:
                failures.append(problem)
        elif kind == "file-exists" and not os.path.isfile(os.path.join(work, value)):
            failures.append(f"expected file {value} was not written")
        elif kind == "file-absent" and os.path.exists(os.path.join(work, value)):
            failures.append(f"file {value} should not exist")
        elif kind == "file-size":
            name, size = value.split()
            path = os.path.join(work, name)
            if not os.path.isfile(path) or os.path.getsize(path) != int(size):
                failures.append(f"file {name} should hold {size} bytes")
        elif kind == "image-size":
            name, width, height = value.split()
            path = os.path.join(work, name)
            if not os.path.isfile(path):
                failures.append(f"image {name} was not written")
                continue
            size = read_image_size(path)
            if size is None:
                failures.append(f"file {name} is neither a bitmap nor a PNG picture")
            elif size != (int(width), int(height)):
                failures.append(f"image {name} is {size[0]} x {size[1]}, expected {width} x {height}")
        elif kind == "pixel":
            name, x, y, colour = value.split()
            path = os.path.join(work, name)
            if not os.path.isfile(path):
                failures.append(f"image {name} was not written")
                continue
            found, problem = read_bmp_pixel(path, int(x), int(y))
            if problem:
                failures.append(f"image {name} {problem}")
            elif found != colour.upper():
                failures.append(f"pixel ({x}, {y}) of {name} is {found}, expected {colour.upper()}")
        elif kind in ("ink-box", "ink-in", "no-ink"):
            name, *edges = value.split()
            path = os.path.join(work, name)
            if not os.path.isfile(path):
                failures.append(f"image {name} was not written")
                continue
            left, top, right, bottom = (int(edge) for edge in edges) if edges else (0, 0, -1, -1)
            if kind == "ink-in":
                found, problem = has_ink_in(path, left, top, right, bottom)
                if not problem and not found:
                    failures.append(f"no ink in ({left}, {top}) to ({right}, {bottom}) of {name}")
            else:
                box, problem = ink_box(path)
                if not problem and box is not None and (
                        kind == "no-ink" or box[0] < left or box[1] < top or box[2] > right or box[3] > bottom):
                    failures.append(f"the ink of {name} lies in ({box[0]}, {box[1]}) to ({box[2]}, {box[3]}), "
                                    + ("expected none" if kind == "no-ink"
                                       else f"expected within ({left}, {top}) to ({right}, {bottom})"))
            if problem:
                failures.append(f"image {name} {problem}")
        elif kind in ("video-exact", "video-psnr", "index-first", "repeatable"):
            video, *rest = shlex.split(value)
            path = os.path.join(work, video)
            if not os.path.isfile(path):
                failures.append(f"video {video} was not written")
            elif kind == "video-exact":
                failures += [f"video {video}: {problem}" for problem in
                             match_video(path, executable, work, source, rest[0], rest[1:], exact_problem)]
            elif kind == "video-psnr":
                least, bitmap, *args = rest
                failures += [f"video {video}: {problem}" for problem in
                             match_video(path, executable, work, source, bitmap, args, psnr_problem(float(least)),
                                         frames=[-1])]
            elif kind == "index-first":
                failures += [f"video {video}: {problem}" for problem in index_first(path)]
            else:
                failures += [f"video {video}: {problem}" for problem in repeatable(work, executable, source, video, rest)]
        elif kind in ("video", "video-pixel", "video-match"):
            video, *rest = value.split()
            path = os.path.join(work, video)
            if not os.path.isfile(path):
                failures.append(f"video {video} was not written")
            elif kind == "video":
                failures += [f"video {video}: {problem}" for problem in check_video(path, *rest)]
            elif kind == "video-match":
                bitmap, *args = shlex.split(value)[1:]
                failures += [f"video {video}: {problem}"
                             for problem in match_video(path, executable, work, source, bitmap, args)]
            else:
                frame, x, y, colour = rest
                found, problem = read_video_pixel(path, int(frame), int(x), int(y))
                if problem:
                    failures.append(f"video {video} {problem}")
                elif found != colour.upper():
                    failures.append(f"pixel ({x}, {y}) of frame {frame} of {video} is {found}, "
                                    f"expected {colour.upper()}")
    return failures


def run(executable, args, work, env=None):
    environment = dict(os.environ, **env) if env else None
    result = subprocess.run([executable] + args, cwd=work, capture_output=True,
                            timeout=TIMEOUT_SECONDS, stdin=subprocess.DEVNULL, env=environment)
    stdout = result.stdout.decode("utf-8", errors="replace").replace(work, "{work}")
    return result.returncode, stdout, result.stderr.decode("utf-8", errors="replace")


def run_setup(executable, expect, work):
    """Runs the setup commands, each in the test's folder or, when its first
    word is @folder, in that folder below it; the failures they had."""
    failures = []
    for line in expect["setup"]:
        args = [a.replace("{work}", work) for a in shlex.split(line)]
        folder = work
        if args and args[0].startswith("@"):
            folder = os.path.join(work, args.pop(0)[1:])
        code, stdout, stderr = run(executable, args, folder)
        if code != 0:
            failures.append(f"setup '{line}' ended with exit code {code}:\n{stdout}{stderr}")
    return failures


def split_args(expect, name, work):
    """The options before the file, and the program arguments after it; None
    when the command line names no source file of its own."""
    args = [a.replace("{work}", work) for a in shlex.split(expect["args"])]
    if "{file}" not in args:
        return None
    at = args.index("{file}")
    options = args[:at]
    if any(option.upper().lstrip("-/") in ("PRG", "LIB", "VER", "HLP", "H", "?", "HELP") for option in options):
        return None
    return options, args[at + 1:]


def build_compiled(executable, options, name, work):
    """Builds the program file into the test's directory; its path, the
    build's output without its memory line, and what went wrong."""
    # The program file goes beside the source whatever -OUT says, so a test of
    # an output folder that cannot be written still runs.
    kept = []
    skip = False
    for option in options:
        if skip:
            skip = False
            continue
        if option.upper().lstrip("-/") == "OUT":
            skip = True
            continue
        kept.append(option)
    code, stdout, stderr = run(executable, kept + ["-OUT", ".", "-PRG", name], work)
    if code != 0:
        return None, "", f"building the program file ended with exit code {code}:\n{stdout}{stderr}"
    memory_line = "All Memory Freed\n"
    if stdout.endswith(memory_line):
        stdout = stdout[: -len(memory_line)]
    return os.path.splitext(name)[0] + ".vrx", stdout, None


def main():
    vorlan, test = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    compiled = "--compiled" in sys.argv[3:]
    expect = parse_expect(test[: -len(".vrs")] + ".expect")
    name = os.path.basename(test)
    if compiled and expect["exit"] in NOT_RUN_EXITS:
        return SKIPPED
    with tempfile.TemporaryDirectory(prefix="vorlan-test-") as work:
        executable = prepare(work, os.path.dirname(test), vorlan, expect)
        failures = run_setup(executable, expect, work)
        built = ""
        if compiled:
            parts = split_args(expect, name, work)
            if parts is None:
                return SKIPPED
            options, program_args = parts
            program, built, problem = build_compiled(executable, options, name, work)
            if problem:
                failures.append(problem)
            args = options + [program] + program_args
        else:
            args = [a.replace("{file}", name).replace("{work}", work) for a in shlex.split(expect["args"])]
        if not failures:
            code, stdout, stderr = run(executable, args, work, expect["env"])
            stdout = built + stdout
            if str(code) != expect["exit"]:
                failures.append(f"exit code {code}, expected {expect['exit']}")
            if stdout != expect["stdout"]:
                failures.append("standard output differs:\n--- expected\n" + expect["stdout"] +
                                "--- got\n" + stdout + "---")
            for text in expect["stderr"]:
                if text not in stderr:
                    failures.append(f"standard error lacks '{text}'")
            if "Sanitizer" in stderr or "runtime error:" in stderr:
                failures.append("sanitizer report:\n" + stderr)
            failures += check_files(work, expect["checks"], executable, name, os.path.dirname(test))
    if failures:
        print(f"FAIL {test}" + (" (compiled)" if compiled else ""))
        for failure in failures:
            print(failure)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
