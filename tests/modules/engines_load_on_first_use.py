#!/usr/bin/env python3
"""The video and text engines are loaded by the runs that use them, and only
by those; a run whose engine module cannot be loaded fails cleanly.

Usage: engines_load_on_first_use.py VORLAN_EXECUTABLE STALE_MODULE

With LD_DEBUG=files the dynamic loader names every library it loads on
standard error: a shapes run must load neither engine's libraries, a text run
the text engine's but not the video engine's, and a video run the video
engine's (FFmpeg's codecs may bring some of the text engine's with them).

Then a private copy of the executable, with its configuration and language
files but not its modules, runs the same programs: shapes still draw; text
and video fail through their usual reports, the memory account stays exact,
and standard error names the missing module once, with the loader's reason.
So do a module file that lacks the entry point and a module built for
another version of the interface (STALE_MODULE).
"""

import os
import shutil
import subprocess
import sys
import tempfile

VIDEO_LIBRARIES = ("libavcodec", "libavformat")
TEXT_LIBRARIES = ("libpango", "libcairo", "libfontconfig")

SHAPES = "Program ()\nBegin\n  Circle(20) => {32, 32};\nEnd;\n"
# Text drawn and measured twice over, each failure trapped: a module that
# cannot be loaded is reported once, however often text is asked for.
TEXT = """Shape Draw(Text text)
Begin
  TextRotate(text) => {4, 4};
OnError
  Output Status.category, Status.message, Status.param;
End;

Shape Measure(Text text)
  Point size;
Begin
  size := TextSize(text, Font);
  Output size.x > 0;
OnError
  Output Status.category, Status.message, Status.param;
End;

Program ()
Begin
  Draw("One");
  Measure("One");
  Draw("Two");
  Measure("Two");
End;
"""
VIDEO = "Program ()\nBegin\n  Circle(2) => {4, 4};\n  Frame(2);\nEnd;\n"

RUNS = {
    "shapes": (["-PNG", "64x64"], SHAPES),
    "text": (["-PNG", "64x64"], TEXT),
    "video": (["-AVI", "8x8"], VIDEO),
}


def run(vorlan, name, work, env=None):
    options, source = RUNS[name]
    program = os.path.join(work, name + ".vrs")
    with open(program, "w", encoding="utf-8") as handle:
        handle.write(source)
    result = subprocess.run([vorlan] + options + ["-OUT", work, program], cwd=work, capture_output=True,
                            env=dict(os.environ, **(env or {})), timeout=120)
    return (result.returncode, result.stdout.decode("utf-8", "replace"),
            result.stderr.decode("utf-8", "replace"))


def loaded_libraries(stderr):
    """The names the loader reported loading ("file=NAME [0];  needed by ...")."""
    names = set()
    for line in stderr.splitlines():
        at = line.find("file=")
        if at >= 0 and ("needed by" in line or "dynamically loaded by" in line):
            names.add(os.path.basename(line[at + 5:].split()[0]))
    return names


def check_loading(vorlan, work):
    failures = []
    # The libraries each run must load, and those it must not.
    wanted = {
        "shapes": ((), VIDEO_LIBRARIES + TEXT_LIBRARIES),
        "text": (TEXT_LIBRARIES, VIDEO_LIBRARIES),
        "video": (VIDEO_LIBRARIES, ()),
    }
    for name, (expected, unexpected) in wanted.items():
        code, stdout, stderr = run(vorlan, name, work, {"LD_DEBUG": "files"})
        if code != 0 or not stdout.endswith("All Memory Freed\n"):
            failures.append(f"{name} run ended with exit code {code}:\n{stdout}")
            continue
        libraries = loaded_libraries(stderr)
        for prefix in expected + unexpected:
            found = any(library.startswith(prefix) for library in libraries)
            if found != (prefix in expected):
                failures.append(f"{name} run {'loaded' if found else 'did not load'} {prefix}")
    return failures


def private_copy(vorlan, folder):
    """vorlan with its configuration and language files, but no modules."""
    os.mkdir(folder)
    build = os.path.dirname(os.path.abspath(vorlan))
    shutil.copy(vorlan, folder)
    shutil.copy(os.path.join(build, "vorlan.ini"), folder)
    shutil.copytree(os.path.join(build, "langs"), os.path.join(folder, "langs"))
    return os.path.join(folder, os.path.basename(vorlan))


def module_lines(stderr, module):
    return [line for line in stderr.splitlines() if line.startswith("Error - could not load module " + module + ": ")]


def check_wrong_module(private, work, module, reason):
    """A video run with `module` in the place of the video module."""
    path = os.path.join(os.path.dirname(private), "vorlan-video.so")
    shutil.copy(module, path)
    code, stdout, stderr = run(private, "video", work)
    lines = module_lines(stderr, path)
    if code == 0 or not stdout.endswith("All Memory Freed\n") or len(lines) != 1 or reason not in lines[0]:
        return [f"video module {reason}: exit code {code}:\n{stdout}{stderr}"]
    return []


def check_missing(vorlan, stale, work):
    failures = []
    private = private_copy(vorlan, os.path.join(work, "bin"))
    folder = os.path.dirname(private)

    code, stdout, stderr = run(private, "shapes", work)
    if code != 0 or stderr or not stdout.endswith("All Memory Freed\n"):
        failures.append(f"shapes without modules: exit code {code}:\n{stdout}{stderr}")

    code, stdout, stderr = run(private, "text", work)
    # The drawing and the measuring fail as they do when the engine refuses.
    refused = 'Null, "TextRotate", "System Routine Failed"\nNull, "TextSize", "System Routine Failed"\n'
    if code != 0 or stdout != 2 * refused + "Program completed successfully\nAll Memory Freed\n":
        failures.append(f"text without its module: exit code {code}:\n{stdout}")
    lines = module_lines(stderr, os.path.join(folder, "vorlan-text.so"))
    if len(lines) != 1 or "No such file" not in lines[0]:
        failures.append("text without its module: standard error should name it once, with the reason:\n" + stderr)

    code, stdout, stderr = run(private, "video", work)
    if code == 0 or "Message: Frame" not in stdout or not stdout.endswith("All Memory Freed\n"):
        failures.append(f"video without its module: exit code {code}:\n{stdout}")
    lines = module_lines(stderr, os.path.join(folder, "vorlan-video.so"))
    if len(lines) != 1 or "No such file" not in lines[0] or "Error - could not write" not in stderr:
        failures.append("video without its module: standard error should name it once, with the reason:\n" + stderr)

    build = os.path.dirname(os.path.abspath(vorlan))
    # A file of the right name without the entry point: the text module.
    failures += check_wrong_module(private, work, os.path.join(build, "vorlan-text.so"), "VorlanVideoModule")
    failures += check_wrong_module(private, work, stale, "it is version 0, this executable needs ")
    return failures


def main(vorlan, stale):
    with tempfile.TemporaryDirectory() as work:
        failures = check_loading(vorlan, work) + check_missing(vorlan, stale, work)
    for failure in failures:
        print("FAIL " + failure)
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
