#!/usr/bin/env bash
# Time per frame and peak memory of video runs at 640 x 480: 200 and 2000
# frames at each quality. Peak memory must not grow with the number of frames.
set -u
cd "$(dirname "$0")/programs"
vorlan=${VORLAN:-../../build/release/vorlan}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
printf '%-8s %7s %9s %9s %12s\n' quality frames seconds ms/frame "peak KiB"
for quality in 1 2 3; do
  for frames in 200 2000; do
    /usr/bin/time -f "%e %M" -o "$out/time" "$vorlan" -AVI 640x480 -QTY "$quality" -OUT "$out" frames.vrs "$frames" \
      > /dev/null 2>&1
    read -r seconds peak < "$out/time"
    printf '%-8s %7s %9s %9.1f %12s\n' "$quality" "$frames" "$seconds" "$(echo "1000 * $seconds / $frames" | bc -l)" "$peak"
    rm -f "$out/frames.avi"  # uncompressed frames take 900 KiB each
  done
done
