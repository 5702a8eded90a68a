#!/usr/bin/env python3
"""Holds every day of the calendar against Python's datetime.

Runs the dump tool given on the command line and checks that its line for
each day of 0001-01-01 to 9999-12-31, in order, carries that date, the day
number counted from 1 March of year 0 (datetime's ordinal plus 305) and the
ISO weekday (1 Monday to 7 Sunday). Stops at the first wrong line.
"""

import datetime
import subprocess
import sys

ORDINAL_TO_DAY = 305  # datetime counts 0001-01-01 as 1, the calendar as 306


def main() -> int:
    if len(sys.argv) != 2:
        print("usage: check_calendar.py DUMP_TOOL", file=sys.stderr)
        return 2
    # Fixed points first, so that a shifted count is reported plainly.
    assert datetime.date(2000, 1, 1).toordinal() + ORDINAL_TO_DAY == 730425
    assert datetime.date(2000, 1, 1).isoweekday() == 6

    dump = subprocess.run([sys.argv[1]], stdout=subprocess.PIPE, check=False)
    if dump.returncode != 0:
        print(f"dump tool failed with exit code {dump.returncode}")
        return 1
    lines = dump.stdout.decode("ascii").split("\n")
    if lines and lines[-1] == "":
        lines.pop()

    first = datetime.date(1, 1, 1).toordinal()
    last = datetime.date(9999, 12, 31).toordinal()
    if len(lines) != last - first + 1:
        print(f"{len(lines)} days dumped, expected {last - first + 1}")
        return 1
    fromordinal = datetime.date.fromordinal
    for ordinal, line in enumerate(lines, start=first):
        date = fromordinal(ordinal)
        expected = f"{ordinal + ORDINAL_TO_DAY} {date.isoformat()} {date.isoweekday()}"
        if line != expected:
            print(f"day {ordinal + ORDINAL_TO_DAY}: got {line!r}, expected {expected!r}")
            return 1
    print(f"{len(lines)} days agree, {fromordinal(first)} to {fromordinal(last)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
