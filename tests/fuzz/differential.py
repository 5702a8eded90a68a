#!/usr/bin/env python3
"""Runs generated programs two ways and compares what they print.

Usage: differential.py VORLAN SEED COUNT [--other EXE] [--keep DIR] [--jobs N]

Writes COUNT programs from SEED (generate_programs.py) and runs each from
its source and from the program file `-PRG` builds of it; with --other, runs
the source with VORLAN and with EXE instead. Standard output and the exit
code must agree line by line. It fails on any difference, on a program that
does not compile, on a run that dies by a signal, hangs, draws a sanitizer
report or ends without `All Memory Freed`. Programs that showed a problem
are kept (in --keep, or a temporary folder) with both outputs.
"""

import argparse
import concurrent.futures
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
from dataclasses import dataclass

from generate_programs import write_programs

RUN_TIMEOUT = 60
TALLY_LOCK = threading.Lock()
COMPLETED, UNTRAPPED_SYSTEM, UNTRAPPED_PROGRAM = 0, 5, 6


@dataclass
class Run:
    exit_code: int
    stdout: str
    stderr: str
    seconds: float
    timed_out: bool = False


def run(command, folder):
    started = time.monotonic()
    try:
        result = subprocess.run(command, cwd=folder, capture_output=True, timeout=RUN_TIMEOUT,
                                stdin=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        return Run(-1, "", "", RUN_TIMEOUT, timed_out=True)
    return Run(result.returncode, result.stdout.decode("utf-8", errors="replace"),
               result.stderr.decode("utf-8", errors="replace"), time.monotonic() - started)


def health(one_run):
    """What is wrong with a run whatever it printed, or None."""
    if one_run.timed_out:
        return f"did not end within {RUN_TIMEOUT} s"
    if one_run.exit_code < 0 or one_run.exit_code >= 128:
        return f"died with exit code {one_run.exit_code}"
    if "Sanitizer" in one_run.stderr or "runtime error:" in one_run.stderr:
        return "sanitizer report:\n" + one_run.stderr[-3000:]
    if "Memory lost" in one_run.stdout:
        return "memory lost"
    if "All Memory Freed" not in one_run.stdout:
        return "no memory account"
    return None


def first_difference(left, right):
    """The first differing line of two runs, or None when they agree."""
    left_lines, right_lines = left.stdout.splitlines(), right.stdout.splitlines()
    for number in range(max(len(left_lines), len(right_lines))):
        a = left_lines[number] if number < len(left_lines) else "<no line>"
        b = right_lines[number] if number < len(right_lines) else "<no line>"
        if a != b:
            return f"line {number + 1}:\n  first:  {a}\n  second: {b}"
    if left.exit_code != right.exit_code:
        return f"exit code {left.exit_code} against {right.exit_code}"
    return None


def run_both_ways(vorlan, other, folder, name):
    """The two runs of one program, or a failed build's run and None."""
    if other:
        return run([vorlan, name], folder), run([other, name], folder)
    build = run([vorlan, "-OUT", "built", "-PRG", name], folder)
    if build.exit_code != 0 or health(build):
        return build, None
    compiled = os.path.join("built", name[:-len(".vrs")] + ".vrx")
    return run([vorlan, name], folder), run([vorlan, "-OUT", "built", compiled], folder)


def check_program(vorlan, other, folder, name, tally):
    """What went wrong with one program, or None; counts it in tally."""
    first, second = run_both_ways(vorlan, other, folder, name)
    if second is None:
        return "did not compile:\n" + first.stdout[-2000:] + first.stderr[-2000:]
    with TALLY_LOCK:
        tally["compiled"] += 1
        tally["slowest"] = max(tally["slowest"], (max(first.seconds, second.seconds), name))
    for label, one_run in (("first run", first), ("second run", second)):
        problem = health(one_run)
        if problem:
            return f"{label} {problem}"
    ending = {COMPLETED: "completed", UNTRAPPED_SYSTEM: "untrapped", UNTRAPPED_PROGRAM: "untrapped"}
    with TALLY_LOCK:
        tally[ending.get(first.exit_code, "other exit")] += 1
    difference = first_difference(first, second)
    if difference:
        keep_outputs(folder, name, first, second)
        return "outputs differ at " + difference
    return None


def keep_outputs(folder, name, first, second):
    for suffix, one_run in (("first", first), ("second", second)):
        with open(os.path.join(folder, f"{name}.{suffix}.out"), "w", encoding="utf-8") as handle:
            handle.write(one_run.stdout + f"[exit code {one_run.exit_code}]\n")


def check_in_own_folder(vorlan, other, path, tally):
    """Moves the program into a folder of its own, where its runs write."""
    folder = path[:-len(".vrs")]
    os.makedirs(os.path.join(folder, "built"))
    name = os.path.basename(path)
    os.replace(path, os.path.join(folder, name))
    return check_program(vorlan, other, folder, name, tally)


def parse_arguments(arguments):
    parser = argparse.ArgumentParser(description="Compares two runs of generated programs.")
    parser.add_argument("vorlan")
    parser.add_argument("seed", type=int)
    parser.add_argument("count", type=int)
    parser.add_argument("--other", help="a second executable whose source runs are compared instead")
    parser.add_argument("--keep", help="a folder for the programs that showed a problem")
    parser.add_argument("--jobs", type=int, default=2, help="programs checked at once")
    return parser.parse_args(arguments)


def main(arguments):
    options = parse_arguments(arguments)
    vorlan = os.path.abspath(options.vorlan)
    other = os.path.abspath(options.other) if options.other else None
    tally = {"compiled": 0, "completed": 0, "untrapped": 0, "other exit": 0, "slowest": (0.0, "")}
    problems = []
    with tempfile.TemporaryDirectory(prefix="vorlan-differential-") as work:
        paths = write_programs(options.seed, options.count, work)
        with concurrent.futures.ThreadPoolExecutor(max_workers=options.jobs) as pool:
            checks = [pool.submit(check_in_own_folder, vorlan, other, path, tally) for path in paths]
            for path, check in zip(paths, checks):
                problem = check.result()
                if problem:
                    problems.append((path, problem))
                    print(f"{os.path.basename(path)}: {problem}", flush=True)
        if problems:
            keep = options.keep or tempfile.mkdtemp(prefix="vorlan-differential-found-")
            for path, _ in problems:
                folder = path[:-len(".vrs")]
                shutil.copytree(folder, os.path.join(keep, os.path.basename(folder)), dirs_exist_ok=True)
            print(f"the programs are kept in {keep}")
    ways = "two executables" if other else "source and program file"
    print(f"seed {options.seed}, {ways}: {options.count} programs, {tally['compiled']} compiled, "
          f"{tally['completed']} ran to completion, {tally['untrapped']} ended in an untrapped error, "
          f"{tally['other exit']} ended otherwise, {len(problems)} with problems "
          f"(slowest run {tally['slowest'][0]:.2f} s, {tally['slowest'][1]})")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
