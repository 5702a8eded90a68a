#!/usr/bin/env bash
# Makes the fuzz seeds that are built, not written: program and library
# files compiled from the program tests, and small pictures and patterns
# drawn by the examples. Run it after the compiled-file format or a picture
# writer changes, and check in what it writes.
#   make_seed_files.sh VORLAN_EXECUTABLE
set -euo pipefail
vorlan=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
fuzz=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$fuzz/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
corpus=$fuzz/corpus

# Program files: up to six from each area of the program tests.
rm -f "$corpus"/program_file/*.vrx && mkdir -p "$corpus/program_file"
for area in "$top"/tests/programs/*/; do
  taken=0
  for source in "$area"*.vrs; do
    [ $taken -ge 6 ] && break
    name=$(basename "$area")_$(basename "$source" .vrs)
    mkdir -p "$work/$name" && cp -r "$area". "$work/$name/"
    if (cd "$work/$name" && "$vorlan" -PRG -OUT "$name.vrx" "$(basename "$source")" > /dev/null 2>&1) &&
       [ "$(stat -c %s "$work/$name/$name.vrx")" -le 16384 ]; then
      cp "$work/$name/$name.vrx" "$corpus/program_file/"
      taken=$((taken + 1))
    fi
  done
done

# Library files: every secondary unit that builds as one.
rm -f "$corpus"/library_file/*.vrl && mkdir -p "$corpus/library_file"
for source in "$top"/tests/programs/*/parts/*.vrs; do
  area=$(basename "$(dirname "$(dirname "$source")")")
  name=${area}_$(basename "$source" .vrs)
  mkdir -p "$work/lib_$name" && cp -r "$(dirname "$source")"/. "$work/lib_$name/"
  if (cd "$work/lib_$name" && "$vorlan" -LIB -OUT "$name.vrl" "$(basename "$source")" > /dev/null 2>&1); then
    cp "$work/lib_$name/$name.vrl" "$corpus/library_file/"
  fi
done

# Pictures and patterns: each example at 16 × 12, pictures at two qualities
# (examples that set a larger size of their own are left out).
for kind in bmp png jpeg pattern; do rm -f "$corpus/image_$kind"/* && mkdir -p "$corpus/image_$kind"; done
for example in "$top"/examples/*.vrs; do
  name=$(basename "$example" .vrs)
  for option in "BMP bmp bmp" "PNG png png" "JPG jpeg jpg" "PAT pattern pat"; do
    read -r flag kind extension <<< "$option"
    for quality in 1 3; do
      [ "$kind" = pattern ] && [ $quality = 3 ] && continue
      out=$work/img_${name}_$quality
      mkdir -p "$out"
      if (cd "$top/examples" && "$vorlan" -$flag 16x12 -QTY $quality -OUT "$out" "$name.vrs" > /dev/null 2>&1) &&
         [ "$(stat -c %s "$out/$name.$extension")" -le 8192 ]; then
        cp "$out/$name.$extension" "$corpus/image_$kind/${name}_q$quality.$extension"
      fi
    done
  done
done
# JPEG files in the forms other encoders write and Vorlan's does not.
cc -std=c99 -O1 -o "$work/jpeg_seeds" "$fuzz/jpeg_seeds.c" -ljpeg
"$work/jpeg_seeds" "$corpus/image_jpeg"
# Command lines: the arguments of every program test, one a line.
rm -f "$corpus"/command_line/args_* && mkdir -p "$corpus/command_line"
grep -h '^args:' "$top"/tests/programs/*/*.expect | sed 's/^args: *//' | sort -u |
  while read -r line; do
    file=$corpus/command_line/args_$(printf '%s' "$line" | md5sum | cut -c1-12)
    printf '%s' "$line" | sed 's/{file}/unit.vrs/g; s/{work}/ROOT:/g' | tr ' ' '\n' > "$file"
  done
du -sh "$corpus"/*
