#!/usr/bin/env python3
"""Writes random Vorlan programs that compile, end quickly and show their state.

Usage: generate_programs.py SEED COUNT OUTDIR

Writes OUTDIR/gen_<SEED>_<n>.vrs for n from 1 to COUNT. The same seed gives
the same programs, so a program that shows a fault can be made again.
"""

import os
import sys

from program_generator import generate


def write_programs(seed, count, folder):
    """The paths of the programs written."""
    os.makedirs(folder, exist_ok=True)
    paths = []
    for index in range(1, count + 1):
        path = os.path.join(folder, f"gen_{seed}_{index}.vrs")
        with open(path, "w", encoding="utf-8") as handle:
            handle.write(generate(seed, index))
        paths.append(path)
    return paths


def main(arguments):
    if len(arguments) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    seed, count, folder = int(arguments[0]), int(arguments[1]), arguments[2]
    write_programs(seed, count, folder)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
