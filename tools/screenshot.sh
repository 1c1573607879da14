#!/usr/bin/env bash
# Saves the demo's first frames as a PNG: runs BUILD/quorvane from data/ on its own Xvfb
# screen, answers No to the full-screen question, waits until the window shows sky, surface
# and marker, captures its 640 x 480 client area and quits with Escape.
# Usage: bash tools/screenshot.sh <build-dir> <out.png>
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 <build-dir> <out.png>" >&2
  exit 2
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="$(cd "$1" && pwd)/quorvane"
out="$2"
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
[ -x "$exe" ] || { echo "no program at $exe (build it first)" >&2; exit 1; }

work="$(mktemp -d)"
xvfb_pid="" app_pid=""
cleanup() {
  local status=$?
  # KILL: SDL turns TERM into a quit event, which a modal box would never read.
  [ -n "$app_pid" ] && kill -KILL "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# A display number of our own: Xvfb picks a free one and writes it to the pipe.
exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 10 -u "$fd" number || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$number" SDL_VIDEODRIVER=x11
unset WAYLAND_DISPLAY

# Waits (up to 10 s) for a mapped window with exactly this name; prints its id.
find_window() {
  local id
  for _ in $(seq 100); do
    for id in $(xwininfo -root -tree | grep -F " \"$1\": " | awk '{print $1}'); do
      if xwininfo -id "$id" | grep -q "Map State: IsViewable"; then echo "$id"; return 0; fi
    done
    sleep 0.1
  done
  echo "no window \"$1\" appeared" >&2
  return 1
}

(cd "$root/data" && exec "$exe") &
app_pid=$!

box="$(find_window "Start FullScreen?")"
xdotool key --window "$box" Escape 2>/dev/null || true  # it complains of the focus with no window manager
win="$(find_window "Quorvane BaseCode")"

# The first frames are in once the capture holds cyan sky, black surface and the orange
# marker; the texture and the lighting then stay still until a key is pressed.
shot="$work/shot.ppm"
drawn=""
for _ in $(seq 100); do
  import -window "$win" -depth 8 "ppm:$shot"
  if python3 - "$shot" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
header = data.split(b"\n", 3)
pixels = header[3]
kinds = {"cyan": 0, "black": 0, "orange": 0}
for i in range(0, len(pixels) - 2, 3 * 7):
    r, g, b = pixels[i], pixels[i + 1], pixels[i + 2]
    if r < 40 and g > 215 and b > 215: kinds["cyan"] += 1
    elif r > 200 and 80 < g < 175 and b < 70: kinds["orange"] += 1
    elif r < 12 and g < 12 and b < 12: kinds["black"] += 1
sys.exit(0 if kinds["cyan"] and kinds["black"] and kinds["orange"] else 1)
PY
  then drawn=1; break; fi
  sleep 0.1
done
[ -n "$drawn" ] || { echo "the window never showed a frame" >&2; exit 1; }
sleep 0.5  # let a few more frames land so the capture is of a settled picture
mkdir -p "$(dirname "$out")"
import -window "$win" -depth 8 -define png:exclude-chunks=date,time "png:$out"

# Held for a few frames: the demo reads its keys once per frame.
xdotool keydown --window "$win" Escape 2>/dev/null || true
sleep 0.2
xdotool keyup --window "$win" Escape 2>/dev/null || true
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then echo "the demo did not quit on Escape" >&2; exit 1; fi
status=0
wait "$app_pid" || status=$?
app_pid=""
[ "$status" -eq 0 ] || { echo "the demo ended with status $status" >&2; exit 1; }
echo "saved $out"
