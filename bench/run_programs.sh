#!/usr/bin/env bash
# Whole-process timings of the benchmark programs next to the same programs in
# Lua 5.4 and Python 3 (when installed): each is run RUNS times (default 5),
# the three taking turns so that a noisy moment falls on all of them, and the
# median wall time is shown with the ratio to Lua's. The programs draw
# nothing, but every run writes its picture: PICTURE=8x8 makes it 8 × 8
# pixels instead of the default canvas, leaving the engine's own time.
set -u
cd "$(dirname "$0")/programs"
vorlan=$(realpath "${VORLAN:-../../build/release/vorlan}")
runs=${RUNS:-5}
picture=()
[ -n "${PICTURE:-}" ] && picture=(-PNG "$PICTURE")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
milliseconds() {
  local start end
  start=$(date +%s%N)
  "$@" > /dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
have() { command -v "$1" > /dev/null; }
printf '%-8s %10s %10s %10s %12s\n' program vorlan lua5.4 python3 vorlan/lua
for name in ${PROGRAMS:-loops calls arrays mandel}; do
  for _ in $(seq "$runs"); do
    milliseconds "$vorlan" "${picture[@]}" -OUT "$out" "$name.vrs" >> "$out/$name.vorlan"
    have lua5.4 && milliseconds lua5.4 "$name.lua" >> "$out/$name.lua"
    have python3 && milliseconds python3 "$name.py" >> "$out/$name.python"
  done
  v=$(median < "$out/$name.vorlan")
  l=$( [ -s "$out/$name.lua" ] && median < "$out/$name.lua" || echo -)
  p=$( [ -s "$out/$name.python" ] && median < "$out/$name.python" || echo -)
  ratio=$( [ "$l" != - ] && echo "scale=2; $v / $l" | bc || echo -)
  printf '%-8s %8s ms %7s ms %7s ms %12s\n' "$name" "$v" "$l" "$p" "$ratio"
done
