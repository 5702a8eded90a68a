#!/usr/bin/env bash
# Whole-process timings of the benchmark programs, next to the same programs
# in Lua 5.4 and Python 3 when those are installed.
set -u
cd "$(dirname "$0")/programs"
vorlan=${VORLAN:-../../build/release/vorlan}
seconds() { local start end; start=$(date +%s.%N); "$@" > /dev/null 2>&1; end=$(date +%s.%N); echo "$end - $start" | bc; }
printf '%-8s %10s %10s %10s\n' program vorlan lua5.4 python3
for name in loops calls arrays; do
  v=$(seconds "$vorlan" "$name.vrs")
  l=$(command -v lua5.4 > /dev/null && seconds lua5.4 "$name.lua" || echo -)
  p=$(command -v python3 > /dev/null && seconds python3 "$name.py" || echo -)
  printf '%-8s %10s %10s %10s\n' "$name" "$v" "$l" "$p"
done
