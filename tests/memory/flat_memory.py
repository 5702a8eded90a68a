#!/usr/bin/env python3
"""A run's peak memory does not grow with the work it does: each program here
runs a few thousand and then a million times round its loop (calls returning
structures and texts, text joins into one variable, structure and array
copies, graphics contexts made and dropped), and the second run's peak
resident memory must stay within 5 % (and 1 MiB) of the first's.

    flat_memory.py VORLAN
"""
import os
import subprocess
import sys
import tempfile

PROGRAMS = {
    'calls_returning_structures': '''
Type Pair = {Number a, Text b};
Function Pair Make(Number i)
Begin
  Return {i, "p" + "q"};
End;
Program (Number count = 10)
  Number i;
  Pair p;
Begin
  For i From 1 To count Do p := Make(i); EndFor;
  Output p;
End;
''',
    'text_joins': '''
Program (Number count = 10)
  Number i;
  Text t = "start", s = "abc";
Begin
  For i From 1 To count Do t := s + "x" + t[1, 3]; EndFor;
  Output t;
End;
''',
    'copies_of_arrays_and_structures': '''
Type Numbers = Number[];
Type Holder = {Numbers list, Text name};
Program (Number count = 10)
  Number i;
  Holder a, b;
Begin
  a.list += 1; a.list += 2; a.name := "held";
  For i From 1 To count Do b := a; b.list[1] := i; EndFor;
  Output b;
End;
''',
    'recursion_to_a_fixed_depth': '''
Function Number Down(Number n)
Begin
  If n <= 0 Then Return 0; EndIf;
  Return 1 + Down(n - 1);
End;
Program (Number count = 10)
  Number i, total = 0;
Begin
  For i From 1 To count // 50 Do total := total + Down(50); EndFor;
  Output total;
End;
''',
}

SMALL, LARGE = 5000, 1000000


def peak_kib(vorlan, source, count, folder):
    process = subprocess.Popen([vorlan, '-OUT', folder, source, '-count', str(count)],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, cwd=folder)
    output = process.stdout.read().decode(errors='replace')
    _, status, usage = os.wait4(process.pid, 0)
    process.stdout.close()
    if os.waitstatus_to_exitcode(status) != 0 or 'All Memory Freed' not in output:
        sys.exit('%s with count %d did not complete:\n%s' % (source, count, output))
    return usage.ru_maxrss


def main():
    vorlan = os.path.abspath(sys.argv[1])
    failed = False
    with tempfile.TemporaryDirectory() as folder:
        for name, text in PROGRAMS.items():
            source = os.path.join(folder, name + '.vrs')
            with open(source, 'w') as out:
                out.write(text)
            small = peak_kib(vorlan, source, SMALL, folder)
            large = peak_kib(vorlan, source, LARGE, folder)
            grown = large > small * 1.05 and large - small > 1024
            print('%-34s %7d KiB after %d, %7d KiB after %d%s'
                  % (name, small, SMALL, large, LARGE, '  GROWS' if grown else ''))
            failed = failed or grown
    sys.exit(1 if failed else 0)


if __name__ == '__main__':
    main()
