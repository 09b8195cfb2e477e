#!/usr/bin/env bash
# run-fuzz.sh BUILD_DIR SECONDS: runs every fuzz target of a KELVO_FUZZ build for SECONDS each,
# starting from its seed corpus and the corpus earlier runs grew, and prints per target the
# executions run and the crashes found (a target stops at its first crash, hang, leak or
# sanitizer report). Reproducers and logs stay in the build directory, never in the tree.
set -u
build_dir=${1:-build-fuzz}
seconds=${2:-60}
fuzz_dir=$(cd "$build_dir" 2>/dev/null && pwd)/fuzz
bin=$fuzz_dir/bin
if [ ! -d "$bin" ]; then
  echo "run-fuzz: no fuzz targets in $bin (configure with -DKELVO_FUZZ=ON and build fuzz_targets)" >&2
  exit 1
fi
mkdir -p "$fuzz_dir/corpus" "$fuzz_dir/artifacts" "$fuzz_dir/logs"

total_crashes=0
summary=()
for path in "$bin"/fuzz_*; do
  target=$(basename "$path")
  corpus=$fuzz_dir/corpus/$target
  artifacts=$fuzz_dir/artifacts/$target
  log=$fuzz_dir/logs/$target.log
  mkdir -p "$corpus" "$artifacts"
  before=$(find "$artifacts" -type f | wc -l)
  echo "== $target: fuzzing for ${seconds} s (log $log)"
  "$path" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" "$corpus" "$fuzz_dir/seeds/$target" >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)
  if [ -z "$execs" ]; then
    execs=$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -n 1)
  fi
  after=$(find "$artifacts" -type f | wc -l)
  crashes=$((after - before))
  if [ "$rc" -ne 0 ] && [ "$crashes" -eq 0 ]; then
    crashes=1
  fi
  total_crashes=$((total_crashes + crashes))
  line=$(printf '%-28s executions %10s   crashes %d' "$target" "${execs:-0}" "$crashes")
  if [ "$crashes" -ne 0 ]; then
    line="$line   (see $log and $artifacts/)"
    grep -m 1 -E 'ERROR: |runtime error:|SUMMARY: ' "$log" | sed 's/^/    /'
  fi
  summary+=("$line")
done

echo
echo "Fuzzing summary (${seconds} s per target):"
printf '%s\n' "${summary[@]}"
[ "$total_crashes" -eq 0 ]
