#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Quorvane need.
# Does nothing when everything is already installed; uses sudo when not root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libgl-dev libgl1-mesa-dri libglu1-mesa-dev libegl-dev libegl-mesa0
  libgtest-dev libgmock-dev libbenchmark-dev libstb-dev
  clang-14 libclang-rt-14-dev
  xvfb xauth xdotool x11-utils imagemagick openbox wmctrl python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
