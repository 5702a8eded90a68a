#!/usr/bin/env python3
"""The differential runner must notice what it is there to notice.

Usage: check_differential.py VORLAN

Runs differential.py against stand-ins for a second engine that differ from
VORLAN in one way each (a changed line, another exit code, a signal, a lost
memory account) and checks that every one fails the run, while VORLAN
against itself passes. Also checks that the generator repeats itself for a
seed and differs between seeds.
"""

import os
import stat
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from program_generator import generate  # noqa: E402

SEED, COUNT = 4242, 3

# Each stand-in runs the real executable, then spoils what it gives back.
STAND_INS = {
    "changed line": 'out = out.replace(b"Program completed", b"Program finished", 1)\n'
                    'out = out.replace(b"Untrapped", b"Untrapt", 1)',
    "other exit code": "code = code + 1",
    "killed by a signal": "os.kill(os.getpid(), signal.SIGSEGV)",
    "memory lost": 'out = out.replace(b"All Memory Freed", b"**** Memory lost 16 bytes")',
    "no memory account": 'out = out.replace(b"All Memory Freed", b"")',
}
WRAPPER = """#!{python}
import os, signal, subprocess, sys
result = subprocess.run([{vorlan!r}] + sys.argv[1:], capture_output=True)
out, code = result.stdout, result.returncode
{spoil}
sys.stdout.buffer.write(out)
sys.exit(code)
"""


def differential(vorlan, *extra):
    command = [sys.executable, os.path.join(HERE, "differential.py"), vorlan, str(SEED), str(COUNT), *extra]
    return subprocess.run(command, capture_output=True, text=True)


def write_stand_in(folder, vorlan, name, spoil):
    path = os.path.join(folder, name.replace(" ", "_") + ".py")
    with open(path, "w") as handle:
        handle.write(WRAPPER.format(python=sys.executable, vorlan=vorlan, spoil=spoil))
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)
    return path


def main(arguments):
    vorlan = os.path.abspath(arguments[0])
    failures = []
    if generate(SEED, 1) != generate(SEED, 1):
        failures.append("the same seed gave two programs")
    if generate(SEED, 1) == generate(SEED + 1, 1) or generate(SEED, 1) == generate(SEED, 2):
        failures.append("different seeds or numbers gave the same program")
    for extra in ((), ("--other", vorlan)):
        result = differential(vorlan, *extra)
        if result.returncode != 0:
            failures.append(f"vorlan against itself {extra} failed:\n{result.stdout}{result.stderr}")
    with tempfile.TemporaryDirectory(prefix="vorlan-differential-check-") as folder:
        for name, spoil in STAND_INS.items():
            other = write_stand_in(folder, vorlan, name, spoil)
            result = differential(vorlan, "--other", other, "--keep", os.path.join(folder, "kept"))
            if result.returncode == 0:
                failures.append(f"a stand-in with {name} passed:\n{result.stdout}")
    for failure in failures:
        print(failure)
    print(f"{len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
