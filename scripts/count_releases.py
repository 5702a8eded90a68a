#!/usr/bin/env python3
"""Counts the releases written by hand under src/: calls of Free*, ReleaseNode
and MemRelease* (member calls included) and delete expressions. Declarations
and definitions of those functions and `= delete` are not releases.

    scripts/count_releases.py [src] [-v]     -v lists every place
"""
import collections
import os
import re
import sys

CALL = re.compile(r'(?<![\w:])((?:\w+::)*(Free\w*|ReleaseNode|MemRelease\w*))\s*\(')
# What stands before a declaration's or definition's name.
DECLARES = re.compile(r'\b(void|bool|Status|int|static|inline|extern|auto|friend|Node|\w+\*|\w+&)$')


def releases(line):
    code = line.split('//')[0]
    for match in CALL.finditer(code):
        before = code[:match.start()].rstrip()
        declared = DECLARES.search(before) or (before.endswith(('*', '&')) and not before.endswith(('&&', '||')))
        if declared and not before.endswith(('=', '(', ',', 'return')):
            continue
        yield match.group(1)
    for match in re.finditer(r'\bdelete\b', code):
        if not re.search(r'=\s*$', code[:match.start()]):
            yield 'delete'


def main():
    args = [a for a in sys.argv[1:] if a != '-v']
    root = os.path.abspath(args[0] if args else os.path.join(os.path.dirname(__file__), '..', 'src'))
    places = []
    for folder, _, files in sorted(os.walk(root)):
        for name in sorted(files):
            if not name.endswith(('.cpp', '.h')):
                continue
            path = os.path.join(folder, name)
            with open(path, errors='replace') as source:
                for number, line in enumerate(source, 1):
                    places += [(os.path.relpath(path, root), number, what) for what in releases(line)]
    if '-v' in sys.argv:
        for place in places:
            print('%s:%d: %s' % place)
    for folder, count in collections.Counter(os.path.dirname(p) for p, _, _ in places).most_common():
        print(count, folder)
    print('total', len(places))


if __name__ == '__main__':
    main()
