#!/usr/bin/env bash
# Videos. First, each kind against ffmpeg writing the same kind, with
# hyperfine (RUNS times, default 10): 200 frames of 320 x 240 from
# programs/frames.vrs against 200 of ffmpeg's test frames (testsrc), to
# Video 1 in AVI, H.264 in MP4 (rate factor 14, preset fast, one thread, as
# Vorlan codes it) and GIF (a palette made for the whole clip, the way
# ffmpeg's guides make GIFs). Then the time per frame and peak memory of
# every kind at 640 x 480 for 200 and 2000 frames: peak memory must not grow
# with the number of frames.
set -eu
cd "$(dirname "$0")/programs"
vorlan=$(realpath "${VORLAN:-../../build/release/vorlan}")
runs=${RUNS:-10}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
frames="-f lavfi -i testsrc=size=320x240:rate=25:duration=8"
declare -A theirs=(
  [AVI]="ffmpeg -v error -y $frames -c:v msvideo1 $out/ffmpeg.avi"
  [MP4]="ffmpeg -v error -y $frames -c:v libx264 -crf 14 -preset fast -threads 1 -pix_fmt yuv420p $out/ffmpeg.mp4"
  [GIF]="ffmpeg -v error -y $frames -vf split[a][b];[a]palettegen[p];[b][p]paletteuse $out/ffmpeg.gif"
)
printf '%-5s %11s %11s %8s\n' kind vorlan ffmpeg ratio
for kind in AVI MP4 GIF; do
  hyperfine -N -w 1 -r "$runs" --export-json "$out/$kind.json" \
    "$vorlan -$kind 320x240 -OUT $out frames.vrs 200" "${theirs[$kind]}" > /dev/null 2> "$out/$kind.log" ||
    { cat "$out/$kind.log"; exit 1; }
  python3 - "$out/$kind.json" "$kind" <<'PY'
import json, sys
ours, peer = (r["mean"] * 1000 for r in json.load(open(sys.argv[1]))["results"])
print(f"{sys.argv[2]:5} {ours:8.1f} ms {peer:8.1f} ms {ours / peer:8.2f}")
PY
done
echo
printf '%-5s %-8s %7s %9s %9s %12s\n' kind quality frames seconds ms/frame "peak KiB"
for kind in ${KINDS:-AVI MP4 GIF}; do
  for quality in ${QUALITIES:-1 2 3}; do
    for count in 200 2000; do
      /usr/bin/time -f "%e %M" -o "$out/time" "$vorlan" -$kind 640x480 -QTY "$quality" -OUT "$out" frames.vrs "$count" \
        > /dev/null 2>&1
      read -r seconds peak < "$out/time"
      printf '%-5s %-8s %7s %9s %9.1f %12s\n' "$kind" "$quality" "$count" "$seconds" \
        "$(echo "1000 * $seconds / $count" | bc -l)" "$peak"
      rm -f "$out"/frames.*  # uncompressed frames take 900 KiB each
    done
  done
done
