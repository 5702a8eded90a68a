#!/usr/bin/env bash
# The long fuzz run: every target for a million inputs (or RUNS), two at a
# time, keeping what each finds in KEEP so a later run goes on from there.
#   long_run.sh FUZZ_BUILD_DIR KEEP_DIR [RUNS] [TARGET...]
# Each target's log is KEEP_DIR/<name>.log; the table at the end gives its
# executions, rate and coverage at start and end, and how it ended.
set -uo pipefail
build=$(cd "$1" && pwd) keep=$(mkdir -p "$2" && cd "$2" && pwd) runs=${3:-1000000}
shift $(( $# < 3 ? $# : 3 ))
fuzz=$(cd "$(dirname "$0")" && pwd)
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(source_run source_compile library_file program_file value_file image_jpeg command_line config_file
           language_file data_file format_file image_bmp image_png image_pattern)
fi
run_one() {
  (cd "$keep" && VORLAN_FUZZ_KEEP=$keep "$fuzz/run_target.sh" "$build/tests/fuzz/targets/fuzz_$1" "$fuzz" "$1" \
     -runs="$runs" -seed=1 > "$keep/$1.log" 2>&1)
  echo "$1 exit $?" >> "$keep/ends.txt"
}
: > "$keep/ends.txt"
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n; done
  run_one "$target" &
done
wait
printf '%-15s %10s %8s %18s %18s %s\n' target executions exec/s "start cov/ft" "end cov/ft" end
for target in "${targets[@]}"; do
  log=$keep/$target.log
  start=$(grep -m1 INITED "$log" | sed -E 's/.*cov: ([0-9]+) ft: ([0-9]+).*/\1\/\2/')
  end=$(grep -E '^#[0-9]+' "$log" | tail -1 | sed -E 's/.*cov: ([0-9]+) ft: ([0-9]+).*/\1\/\2/')
  executed=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
  rate=$(grep -m1 'stat::average_exec_per_sec' "$log" | awk '{print $2}')
  printf '%-15s %10s %8s %18s %18s %s\n' "$target" "${executed:--}" "${rate:--}" "$start" "$end" \
    "$(grep "^$target exit" "$keep/ends.txt" | cut -d' ' -f2-)"
done
