#!/usr/bin/env python3
"""Feeds mutated program and library files to vorlan.

Usage: mutate_compiled.py VORLAN SECONDS [--seed N] [--keep DIR]

Builds program files (.vrx) from the program tests and library files (.vrl)
from the library test parts with VORLAN, then for SECONDS mutates them (bits
flipped, bytes and 16-bit fields overwritten, values nudged or copied from
elsewhere in the file, cuts, insertions, deletions, splices of two files) and
runs each: a program file directly, a library file through a program that
imports it. A run may fail in any way vorlan reports; it must not die by a
signal, time out, draw a sanitizer report, or end without its memory account.
A run that times out after printing has read and checked its file and is
running its program: a mutated bound or step can make a loop run for ever,
as the language allows, so that is no finding.
Failing inputs are kept (in --keep, or a temporary folder) with the command
that reproduces them.
"""

import argparse
import glob
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAMS = os.path.join(os.path.dirname(HERE), "programs")
RUN_TIMEOUT = 30
IMPORTER = "Library Lib = 'lib.vrl';\nProgram ()\nBegin\n  Output 1;\nEnd;\n"
MEMORY_LINES = (b"All Memory Freed", b"**** Memory lost")
# Programs that draw or count at length and print only at the end, if at all:
# a mutated loop bound keeps them busy and silent past the time limit, which a
# run cannot tell from a hang. Other tests cover what their program files hold.
SILENT_LONG = ("reference/", "creative/random_fair.vrs")


def build_corpus(vorlan, work):
    """Program files of every program test that builds, library files of the
    library parts; as (kind, bytes)."""
    corpus = []
    build = os.path.join(work, "build")
    for source in sorted(glob.glob(os.path.join(PROGRAMS, "**", "*.vrs"), recursive=True)):
        folder = os.path.dirname(source)
        is_library = os.path.basename(folder) == "parts" and os.path.basename(os.path.dirname(folder)) == "library"
        if "/parts/" in source and not is_library:
            continue
        if any(part in source for part in SILENT_LONG):
            continue
        shutil.rmtree(build, ignore_errors=True)
        shutil.copytree(folder, build)
        option = "-LIB" if is_library else "-PRG"
        subprocess.run([vorlan, "-OUT", ".", option, os.path.basename(source)], cwd=build, capture_output=True,
                       timeout=RUN_TIMEOUT, stdin=subprocess.DEVNULL)
        for path in glob.glob(os.path.join(build, "*.vr[xl]")):
            with open(path, "rb") as handle:
                corpus.append(("vrl" if path.endswith(".vrl") else "vrx", handle.read()))
    return corpus


def mutate(rng, data, corpus):
    data = bytearray(data)
    for _ in range(rng.choice((1, 1, 1, 2, 3, 5, 12))):
        if not data:
            break
        at = rng.randrange(len(data))
        even = at & ~1
        kind = rng.randrange(9)
        if kind == 0:
            data[at] ^= 1 << rng.randrange(8)
        elif kind == 1:
            data[at] = rng.randrange(256)
        elif kind == 2 and even + 1 < len(data):
            value = rng.choice((0, 1, 2, 3, 0x7FFF, 0x8000, 0xFFFF, rng.randrange(65536)))
            data[even:even + 2] = value.to_bytes(2, "little")
        elif kind == 3 and even + 1 < len(data):
            value = (int.from_bytes(data[even:even + 2], "little") + rng.choice((-1, 1, -2, 2))) & 0xFFFF
            data[even:even + 2] = value.to_bytes(2, "little")
        elif kind == 4 and len(data) > 4:
            source = rng.randrange(len(data) // 2 - 1) * 2
            width = rng.choice((2, 4, 6))
            data[even:even + width] = data[source:source + width]
        elif kind == 5:
            del data[at:at + rng.randrange(1, 24)]
        elif kind == 6:
            data[at:at] = bytes(rng.randrange(256) for _ in range(rng.randrange(1, 9)))
        elif kind == 7:
            del data[at:]
        else:
            other = rng.choice(corpus)[1]
            start = rng.randrange(len(other))
            data[at:at] = other[start:start + rng.randrange(2, 300)]
    return bytes(data)


def run_one(vorlan, work, kind, data):
    """What went wrong with one input, or None."""
    if kind == "vrx":
        target, command = "input.vrx", [vorlan, "-BMP", "16x16", "input.vrx"]
    else:
        target, command = "lib.vrl", [vorlan, "-BMP", "16x16", "importer.vrs"]
    with open(os.path.join(work, target), "wb") as handle:
        handle.write(data)
    try:
        result = subprocess.run(command, cwd=work, capture_output=True, timeout=RUN_TIMEOUT,
                                stdin=subprocess.DEVNULL)
    except subprocess.TimeoutExpired as expired:
        return None if expired.stdout else "timed out"
    stderr = result.stderr.decode("utf-8", errors="replace")
    if result.returncode < 0:
        return f"died by signal {-result.returncode}"
    if "Sanitizer" in stderr or "runtime error:" in stderr:
        return "sanitizer report:\n" + stderr[-3000:]
    if not any(line in result.stdout for line in MEMORY_LINES):
        return "no memory account:\n" + result.stdout.decode("utf-8", errors="replace")[-2000:]
    if b"**** Memory lost" in result.stdout:
        return "memory lost:\n" + result.stdout.decode("utf-8", errors="replace")[-2000:]
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("vorlan")
    parser.add_argument("seconds", type=float)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--keep", default=None)
    options = parser.parse_args()
    vorlan = os.path.abspath(options.vorlan)
    seed = options.seed if options.seed is not None else random.randrange(1 << 31)
    rng = random.Random(seed)
    keep = options.keep or tempfile.mkdtemp(prefix="vorlan-fuzz-found-")
    with tempfile.TemporaryDirectory(prefix="vorlan-fuzz-") as work:
        corpus = build_corpus(vorlan, work)
        if len(corpus) < 10:
            print(f"only {len(corpus)} compiled files could be built")
            return 1
        run_dir = os.path.join(work, "run")
        os.mkdir(run_dir)
        with open(os.path.join(run_dir, "importer.vrs"), "w") as handle:
            handle.write(IMPORTER)
        end = time.monotonic() + options.seconds
        runs = 0
        while time.monotonic() < end:
            kind, original = rng.choice(corpus)
            data = mutate(rng, original, corpus)
            runs += 1
            problem = run_one(vorlan, run_dir, kind, data)
            if problem:
                os.makedirs(keep, exist_ok=True)
                name = os.path.join(keep, f"found.{kind}")
                with open(name, "wb") as handle:
                    handle.write(data)
                print(f"seed {seed}, run {runs}: {problem}")
                print(f"the input is kept in {name}; to reproduce, run it as "
                      + ("vorlan -BMP 16x16 found.vrx" if kind == "vrx" else
                         "lib.vrl imported by a program (see IMPORTER in this script)"))
                return 1
    print(f"seed {seed}: {runs} mutated files from {len(corpus)} built ones, nothing found")
    return 0


if __name__ == "__main__":
    sys.exit(main())
