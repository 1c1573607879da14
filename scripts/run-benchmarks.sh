#!/usr/bin/env bash
# Runs every benchmark executable under <build>/bench, one after the other.
set -euo pipefail
build=${1:-build}
found=0
for exe in $(find "$build/bench" -maxdepth 2 -type f -executable -name 'bench_*' | sort); do
  found=1
  echo "== $(basename "$exe")"
  "$exe"
done
for script in $(find bench -maxdepth 2 -type f -name '*.sh' | sort); do
  found=1
  echo "== $(basename "$script")"
  bash "$script" "$build"
done
[ "$found" -eq 1 ] || { echo "no benchmarks built"; exit 1; }
