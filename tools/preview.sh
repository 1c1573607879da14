#!/usr/bin/env bash
# Makes the README's animated preview: make_preview draws the real scene off-screen while the
# light goes round over the water under held keys, and img2webp packs the frames into a looping
# WebP (lossy, 70 ms a frame). Nothing in it depends on the time or the machine's load: two runs
# give the same bytes.
# Usage: bash tools/preview.sh <build-dir> <out.webp>
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 <build-dir> <out.webp>" >&2
  exit 2
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
tool="$(cd "$1" && pwd)/tools/make_preview"
out="$2"
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
[ -x "$tool" ] || { echo "no frame drawer at $tool (build it first)" >&2; exit 1; }
command -v img2webp >/dev/null ||
  { echo "img2webp missing: bash scripts/install-deps.sh preview" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# The scene reads water05t.bmp from the current folder, as the program does.
(cd "$root/data" && "$tool" "$work" 640 480)
mkdir -p "$(dirname "$out")"
if ! img2webp -loop 0 -lossy -q 85 -m 6 -d 70 "$work"/frame_*.png -o "$work/preview.webp" \
     >"$work/log" 2>&1; then
  cat "$work/log" >&2
  exit 1
fi
mv "$work/preview.webp" "$out"
echo "saved $out ($(stat -c %s "$out") bytes)"
