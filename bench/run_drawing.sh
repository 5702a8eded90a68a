#!/usr/bin/env bash
# Whole-process timings of drawing and start-up next to their peers, with
# hyperfine (each command RUNS times, default 20, after 3 warm-up runs):
#   scene   bench/programs/scene.vrs at -QTY 3 against scene.py in pycairo
#   pixels  bench/programs/pixels.vrs at -QTY 1 against pixels.py in pycairo
#   start   a program that only prints, with -PNG 8x8, against lua5.4 -e "print(1)"
# Prints each mean and Vorlan's time as a multiple of the peer's. pycairo is
# Debian's python3-cairo, run by /usr/bin/python3; install it, hyperfine and
# lua5.4 for benchmarking only.
set -eu
cd "$(dirname "$0")/programs"
vorlan=$(realpath "${VORLAN:-../../build/release/vorlan}")
python=${PYTHON:-/usr/bin/python3}
runs=${RUNS:-20}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
printf 'Program ()\nBegin\n  Output 1;\nEnd;\n' > "$out/hello.vrs"
compare() {  # name, Vorlan's command, the peer's command
  hyperfine -N -w 3 -r "$runs" --export-json "$out/$1.json" "$2" "$3" > /dev/null 2> "$out/$1.log" ||
    { cat "$out/$1.log"; exit 1; }
  "$python" - "$out/$1.json" "$1" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
ours, peer = (r["mean"] * 1000 for r in results)
print(f"{sys.argv[2]:8} {ours:8.1f} ms {peer:8.1f} ms {ours / peer:8.2f}")
PY
}
printf '%-8s %11s %11s %8s\n' workload vorlan peer ratio
compare scene "$vorlan -QTY 3 -OUT $out scene.vrs" "$python scene.py $out/scene-cairo.png"
compare pixels "$vorlan -QTY 1 -PNG 320x240 -OUT $out pixels.vrs" "$python pixels.py $out/pixels-cairo.png"
compare start "$vorlan -PNG 8x8 -OUT $out $out/hello.vrs" "lua5.4 -e print(1)"
