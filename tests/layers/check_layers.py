#!/usr/bin/env python3
"""Each folder under src/ is a layer that may include only the folders listed
for it below (and itself). Fails on any other include, and on a loop in the
folder include graph, naming the file and the line."""
import os
import re
import sys

# Lowest first; each layer may use the ones it lists.
LAYERS = {
    "base": [],
    "value": ["base"],
    "graphics": ["base", "value"],
    "imagefiles": ["base", "value", "graphics"],
    "video": ["base", "value", "graphics", "imagefiles"],
    "compiler": ["base", "value"],
    "programfile": ["base", "value", "compiler"],
    "interp": ["base", "value", "graphics", "imagefiles", "video", "compiler"],
    "library": ["base", "value", "graphics", "imagefiles", "video", "compiler", "programfile", "interp"],
    "app": ["base", "value", "graphics", "imagefiles", "video", "compiler", "programfile", "interp", "library"],
}
INCLUDE = re.compile(r'\s*#\s*include\s+"([A-Za-z0-9_]+)/')


def main(src):
    problems = []
    graph = {layer: set() for layer in LAYERS}
    for root, _, files in os.walk(src):
        for name in sorted(files):
            path = os.path.join(root, name)
            layer = os.path.relpath(path, src).split(os.sep)[0]
            if layer not in LAYERS:
                if os.sep in os.path.relpath(path, src):
                    problems.append(f"{path}: folder {layer} is not a known layer")
                continue
            with open(path, encoding="utf-8", errors="replace") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    if not match or match.group(1) == layer:
                        continue
                    used = match.group(1)
                    graph[layer].add(used)
                    if used not in LAYERS[layer]:
                        problems.append(f"{path}:{number}: {layer} may not include {used}/")
    problems += loops(graph)
    for problem in problems:
        print(problem)
    print(f"{len(LAYERS)} layers, {len(problems)} problems")
    return 1 if problems else 0


def loops(graph):
    found, state = [], {}

    def visit(node, trail):
        state[node] = "open"
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                found.append("include loop: " + " -> ".join(trail[trail.index(nxt):] + [nxt]))
            elif nxt not in state:
                visit(nxt, trail + [nxt])
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node, [node])
    return found


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
