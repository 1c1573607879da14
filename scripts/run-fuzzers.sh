#!/usr/bin/env bash
# Runs each fuzz target on every core (libFuzzer's jobs mode: one process per core sharing one
# corpus) from a copy of its seeds, for a fixed number of executions, then prints the total run
# and the coverage its corpus reaches. Inputs that fail are kept under <build>/artifacts/<target>.
# Usage: run-fuzzers.sh <build> [bitmap executions] [seconds per target, 0 = no limit]
# The other targets run a fixed share of the bitmap target's executions.
set -euo pipefail
build=$(cd "${1:-build-fuzz}" && pwd)
bitmap_runs=${2:-12000000}
seconds=${3:-0}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
cores=$(nproc)
# The file-loading target writes a file per input: memory-backed files keep that cheap.
scratch=/dev/shm
[ -d "$scratch" ] && [ -w "$scratch" ] || scratch=${TMPDIR:-/tmp}

# target | executable folder | seed folder | dictionary | executions
targets=(
  "fuzz_bitmap|bitmap|bitmap|fuzz/bitmap/bitmap.dict|$bitmap_runs"
  "fuzz_load_bitmap|load_bitmap|bitmap|fuzz/bitmap/bitmap.dict|$((bitmap_runs / 12))"
  "fuzz_extensions|extensions|extensions||$((bitmap_runs / 3))"
)

failed=0
for entry in "${targets[@]}"; do
  IFS='|' read -r name folder seeds dict runs <<<"$entry"
  exe="$build/fuzz/$folder/$name"
  [ -x "$exe" ] || { echo "$name: not built"; failed=1; continue; }
  work="$build/fuzz-work/$name"
  corpus="$build/corpus/$name"
  artifacts="$build/artifacts/$name"
  rm -rf "$work"
  mkdir -p "$work" "$corpus" "$artifacts"
  cp -n "$source_dir/fuzz/corpus/$seeds"/* "$corpus"/ 2>/dev/null || true
  options=(-print_final_stats=1 -timeout=10 -artifact_prefix="$artifacts/"
           -runs=$((runs / cores)) -jobs="$cores" -workers="$cores")
  [ -n "$dict" ] && options+=(-dict="$source_dir/$dict")
  [ "$seconds" -gt 0 ] && options+=(-max_total_time="$seconds")

  echo "== $name: $runs executions on $cores cores"
  status=0
  (cd "$work" && TMPDIR="$scratch" "$exe" "${options[@]}" "$corpus" >jobs.log 2>&1) || status=$?
  total=0
  rates=()
  for log in "$work"/fuzz-*.log; do
    n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    total=$((total + ${n:-0}))
    rates+=("${rate:-?}")
  done
  # Coverage of the whole corpus the jobs left, measured by loading it once.
  coverage=$({ "$exe" -runs=0 -artifact_prefix="$artifacts/" "$corpus" 2>&1 || true; } |
             sed -n 's/.*INITED \(cov: [0-9]* ft: [0-9]*\).*/\1/p' | tail -n 1)
  echo "$name: $total executions, ${rates[*]} exec/s per core, corpus $(ls "$corpus" | wc -l) inputs, ${coverage:-cov: ?}"
  if [ "$status" -ne 0 ] || [ -n "$(ls -A "$artifacts")" ]; then
    grep -h -A 12 -E '^==[0-9]+==ERROR|deadly signal|ALARM' "$work"/fuzz-*.log | head -n 60 || true
    echo "$name: FAILED; inputs in $artifacts"
    failed=1
  fi
done
exit "$failed"
