#!/usr/bin/env bash
# Runs one fuzz target on its corpus and dictionary, in a scratch folder of
# its own, so that nothing it finds or writes lands in the source tree.
#   run_target.sh TARGET_EXECUTABLE FUZZ_FOLDER NAME [libFuzzer options...]
# The inputs it starts from are its corpus folder and the files of the tree
# that seeds.txt names for it. Neither is written: new inputs go to the
# scratch folder and are lost with it, and a crash's input is kept as
# ./fuzz-<NAME>-crash-* (or leak-, timeout-, oom-) in the current folder.
# With VORLAN_FUZZ_KEEP set to a folder, new inputs are kept in its <NAME>
# folder instead, and a later run starts from them too.
# Allocations record no call stack unless ASAN_OPTIONS says otherwise: that
# makes the targets a third faster, and a finding run again with
# ASAN_OPTIONS=malloc_context_size=30 shows where its memory was made and
# released.
set -euo pipefail
target=$1 fuzz=$(cd "$2" && pwd) name=$3
shift 3
corpus=$fuzz/corpus/$name
dict=$fuzz/dictionaries/${name%%_*}.dict
[ -f "$fuzz/dictionaries/$name.dict" ] && dict=$fuzz/dictionaries/$name.dict
here=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/new" "$work/seeds"
new=$work/new
if [ -n "${VORLAN_FUZZ_KEEP:-}" ]; then
  new=$VORLAN_FUZZ_KEEP/$name
  mkdir -p "$new"
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0}
shopt -s globstar nullglob
top=$(cd "$fuzz/../.." && pwd)
read -ra patterns <<< "$(awk -v name="$name" '$1 == name { $1 = ""; print }' "$fuzz/seeds.txt")"
for pattern in "${patterns[@]}"; do
  for file in "$top"/$pattern; do
    relative=${file#"$top"/}
    cp "$file" "$work/seeds/${relative//\//_}"
  done
done
options=(-artifact_prefix="$here/fuzz-$name-" -timeout=20 -rss_limit_mb=2560 -print_final_stats=1)
[ -f "$dict" ] && options+=(-dict="$dict")
case $name in
  # A kilobyte of JPEG may describe a megapixel of flat colour, which the
  # reader rightly decodes: longer inputs would spend the run on that.
  image_jpeg) options+=(-max_len=2048) ;;
esac
cd "$work"
folders=("$new" "$work/seeds")
[ -d "$corpus" ] && folders+=("$corpus")
"$target" "${options[@]}" "$@" "${folders[@]}"
