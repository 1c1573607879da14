#!/usr/bin/env bash
# Runs every fuzz target under <build>/fuzz for a bounded time on a copy of its seed corpus,
# and says how many inputs each ran clean. Inputs that fail are kept under <build>/artifacts.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-120}
for exe in $(find "$build/fuzz" -maxdepth 2 -type f -executable -name 'fuzz_*' | sort); do
  name=$(basename "$exe")
  work="$build/corpus/$name"
  artifacts="$build/artifacts/$name"
  mkdir -p "$work" "$artifacts"
  seeds="fuzz/corpus/${name#fuzz_}"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  echo "== $name for ${seconds}s"
  log="$build/$name.log"
  status=0
  "$exe" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$work" >"$log" 2>&1 || status=$?
  tail -n 25 "$log"
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ "$status" -ne 0 ]; then
    echo "$name: FAILED after ${runs:-?} executions; inputs in $artifacts"
    exit "$status"
  fi
  echo "$name: ${runs:-?} executions ran clean in ${seconds}s"
done
