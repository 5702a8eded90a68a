#!/usr/bin/env python3
"""Feeds random, truncated, mangled and oversized data, format and value files
to the three data-reading functions. Every run must end normally (the reads
fail with reports, the program goes on), free all its memory and leave no
sanitizer report. Usage: fuzz_data_files.py VORLAN [RUNS]"""

import os
import random
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

SEED_DATA = (
    'name,ok,amount,when,kind,rest\n'
    '"a,""b""", TRUE, 1.5, 3/4/49 10:11, sea snake, 2, 3, 4\n'
    '# comment\n\nplain,0,7,1/1/2000 0:0,5,9\n'
).encode()
SEED_FORMAT = (
    '[global]\nheadlines = 1;\ncomment = "#";\nlanguage = en;\n'
    'timeformat = "Y-M-D";\n[fields]\n4: timeformat = "D/M/Y[1950] h:m";\n'
).encode()
SEED_VALUES = b'{"small", 10, Cat}; {"large", 2.5 * 4, Eel}; [= note =] {"x", -1, Dog};\n'


def mutate(rng, seed):
    data = bytearray(seed)
    choice = rng.randrange(8)
    if choice == 0:  # random bytes
        return bytes(rng.randrange(256) for _ in range(rng.randrange(1, 600)))
    if choice == 1:  # truncated anywhere
        return bytes(data[: rng.randrange(len(data) + 1)])
    if choice == 2:  # flipped bytes
        for _ in range(rng.randrange(1, 12)):
            data[rng.randrange(len(data))] = rng.randrange(256)
        return bytes(data)
    if choice == 3:  # a field, word or line far beyond any limit
        at = rng.randrange(len(data) + 1)
        filler = rng.choice([b'9', b'x', b' ', b'"', b',', b'(', b'{', b'[', b'\n', b';'])
        return bytes(data[:at] + filler * rng.randrange(200, 70000) + data[at:])
    if choice == 4:  # spliced with itself
        a, b = sorted(rng.randrange(len(data) + 1) for _ in range(2))
        return bytes(data[:b] + data[a:])
    if choice == 5:  # many records
        return bytes(data * rng.randrange(50, 400))
    if choice == 6:  # structural characters dropped in
        for _ in range(rng.randrange(1, 20)):
            data.insert(rng.randrange(len(data) + 1), rng.choice(b'",;:=[]{}()#\r\n\t\xef\xbb\xbf\x00'))
        return bytes(data)
    return bytes(data)


def run(vorlan, work, files):
    for name, content in files.items():
        with open(os.path.join(work, name), 'wb') as out:
            out.write(content)
    result = subprocess.run([vorlan, '-LNG', 'en', 'reader.vrs'], cwd=work, capture_output=True, timeout=120)
    stdout = result.stdout.decode('utf-8', 'replace')
    stderr = result.stderr.decode('utf-8', 'replace')
    problems = []
    if result.returncode != 0:
        problems.append(f'exit code {result.returncode}')
    if not stdout.endswith('All Memory Freed\n'):
        problems.append('memory not all freed')
    if 'Sanitizer' in stderr or 'runtime error' in stderr:
        problems.append('sanitizer report')
    return problems, stdout[-2000:], stderr[-4000:]


def main():
    vorlan = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 60
    rng = random.Random(20261208)
    failures = 0
    with tempfile.TemporaryDirectory() as work:
        shutil.copy(os.path.join(HERE, 'reader.vrs'), work)
        for i in range(runs):
            files = {'in.dat': SEED_DATA, 'in.fmt': SEED_FORMAT, 'in.txt': SEED_VALUES}
            target = rng.choice(list(files))
            files[target] = mutate(rng, files[target])
            if rng.randrange(4) == 0:  # two files at once
                other = rng.choice(list(files))
                files[other] = mutate(rng, files[other])
            problems, stdout, stderr = run(vorlan, work, files)
            if problems:
                failures += 1
                keep = os.path.join(tempfile.gettempdir(), f'vorlan_fuzz_{i}')
                shutil.copytree(work, keep, dirs_exist_ok=True)
                print(f'run {i}: {", ".join(problems)} (files kept in {keep})\n{stdout}\n{stderr}')
    print(f'{runs} runs, {failures} failed')
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
