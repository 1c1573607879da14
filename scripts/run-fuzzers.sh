#!/usr/bin/env bash
# Runs every fuzz target under <build>/fuzz for a bounded time on a copy of its seed corpus.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-120}
for exe in $(find "$build/fuzz" -maxdepth 2 -type f -executable -name 'fuzz_*' | sort); do
  name=$(basename "$exe")
  work="$build/corpus/$name"
  mkdir -p "$work"
  seeds="fuzz/corpus/${name#fuzz_}"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$work"/ 2>/dev/null || true
  echo "== $name for ${seconds}s"
  "$exe" -max_total_time="$seconds" -print_final_stats=1 "$work" 2>&1 | tail -n 25
done
