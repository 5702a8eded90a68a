#!/usr/bin/env python3
"""Runs one program test: a .vrs file and the .expect file beside it.

Usage: run_program_test.py VORLAN_EXECUTABLE TEST.vrs

The test's folder is copied into a fresh temporary directory, vorlan runs
there, and its exit code, standard output and written files are checked as
the .expect file says. See README.md in this folder for the format.
"""

import os
import shlex
import shutil
import subprocess
import sys
import tempfile

TIMEOUT_SECONDS = 120


def parse_expect(path):
    expect = {"args": "{file}", "exit": "0", "checks": [], "stdout": None, "stderr": []}
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
        if key in ("file-exists", "file-absent", "file-size"):
            expect["checks"].append((key, value))
        elif key == "stderr-contains":
            expect["stderr"].append(value)
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
    if expect["main-ini"] != "none":
        shutil.copy(os.path.join(test_dir, expect["main-ini"]), os.path.join(bin_dir, "vorlan.ini"))
    return private


def check_files(work, checks):
    failures = []
    for kind, value in checks:
        if kind == "file-exists" and not os.path.isfile(os.path.join(work, value)):
            failures.append(f"expected file {value} was not written")
        elif kind == "file-absent" and os.path.exists(os.path.join(work, value)):
            failures.append(f"file {value} should not exist")
        elif kind == "file-size":
            name, size = value.split()
            path = os.path.join(work, name)
            if not os.path.isfile(path) or os.path.getsize(path) != int(size):
                failures.append(f"file {name} should hold {size} bytes")
    return failures


def main():
    vorlan, test = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    expect = parse_expect(test[: -len(".vrs")] + ".expect")
    with tempfile.TemporaryDirectory(prefix="vorlan-test-") as work:
        executable = prepare(work, os.path.dirname(test), vorlan, expect)
        args = [a.replace("{file}", os.path.basename(test)).replace("{work}", work)
                for a in shlex.split(expect["args"])]
        result = subprocess.run([executable] + args, cwd=work, capture_output=True,
                                timeout=TIMEOUT_SECONDS, stdin=subprocess.DEVNULL)
        stdout = result.stdout.decode("utf-8", errors="replace").replace(work, "{work}")
        stderr = result.stderr.decode("utf-8", errors="replace")
        failures = []
        if str(result.returncode) != expect["exit"]:
            failures.append(f"exit code {result.returncode}, expected {expect['exit']}")
        if stdout != expect["stdout"]:
            failures.append("standard output differs:\n--- expected\n" + expect["stdout"] +
                            "--- got\n" + stdout + "---")
        for text in expect["stderr"]:
            if text not in stderr:
                failures.append(f"standard error lacks '{text}'")
        if "Sanitizer" in stderr or "runtime error:" in stderr:
            failures.append("sanitizer report:\n" + stderr)
        failures += check_files(work, expect["checks"])
    if failures:
        print(f"FAIL {test}")
        for failure in failures:
            print(failure)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
