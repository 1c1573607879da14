#!/usr/bin/env bash
# The Linux suites inside a Debian 13 ("trixie") root made from Debian's packages by mmdebstrap:
# the build, the unit and Xvfb tests (ctest -LE "package|desktop|wayland"), the Xorg mode-switch tests and
# the Wayland tests (ctest -L "desktop|wayland"), run twice on one build: on classic SDL 2 and on SDL 3
# through sdl2-compat, which SDL 2's dynamic API loads when SDL_DYNAMIC_API names it.
#
# The root is kept between runs, as sbuild keeps its roots, outside the clone:
#   /var/cache/quorvane/debian13 (or $QUORVANE_ROOT_CACHE), with root.stamp holding the hash of
#   the package list it was made from; a changed list makes it again. The build folder lives
#   inside the root (/build), so the clone's own build/ is left alone.
# Usage: scripts/test-debian13.sh        (as root; prints "SKIPPED: ..." where it cannot run)
#        scripts/test-debian13.sh COMMAND...   runs COMMAND in the root instead (in /build, with
#                                              the clone at /src), e.g. bash, or one ctest case
set -euo pipefail

SUITE=trixie
MIRROR=http://deb.debian.org/debian
SECURITY=http://deb.debian.org/debian-security
# What the suites need beyond the groups of install-deps.sh: SDL 3 under SDL 2's interface, KWin
# with its window decoration, and a font for the dialogs' and title bars' text.
EXTRA_PACKAGES="libsdl2-compat kwin-wayland kwin-style-breeze fonts-dejavu-core"
GROUPS_IN_ROOT="run test desktop wayland"

# ---------------------------------------------------------------------------------------------
# Inside the root: build once, then every suite on each SDL.
inside() {
  cd /src
  bash scripts/install-deps.sh $GROUPS_IN_ROOT  # all there already: checks, installs nothing
  jobs=$(nproc)
  cmake -S /src -B /build -DCMAKE_BUILD_TYPE=Release -DQUORVANE_TESTS=ON -DQUORVANE_BENCH=OFF \
    >/dev/null
  cmake --build /build -j "$jobs"
  compat=$(dpkg -L libsdl2-compat | grep -m1 '/libSDL2-2\.0\.so\.0$')
  cd /build
  summary=()
  status=0
  suite() {  # label, log name, ctest arguments
    local label=$1 log=/build/ctest-$2.log
    shift 2
    echo "== $label"
    set +e
    ctest "$@" --output-on-failure 2>&1 | tee "$log"
    [ "${PIPESTATUS[0]}" = 0 ] || status=1
    set -e
    summary+=("$label: $(grep -E 'tests passed|No tests were found' "$log" | tail -1)")
  }
  for sdl in 2 3; do
    if [ "$sdl" = 3 ]; then export SDL_DYNAMIC_API=$compat; else unset SDL_DYNAMIC_API; fi
    # Which SDL answers, as the program loads it: the version SDL reports and the library that
    # holds the video driver once SDL_Init has run.
    loaded=$(python3 - <<'EOF'
import ctypes, re
sdl = ctypes.CDLL("libSDL2-2.0.so.0")
version = (ctypes.c_uint8 * 3)()
sdl.SDL_GetVersion(version)
sdl.SDL_Init(0)
maps = open("/proc/self/maps").read()
sdl3 = re.search(r"/(libSDL3\.so[.\d]*)", maps)
v = f"{version[0]}.{version[1]}.{version[2]}"
print(f"sdl2-compat {v} over {sdl3[1]}" if sdl3 else f"classic SDL {v}")
EOF
)
    label="Debian 13, SDL $sdl ($loaded)"
    case "$sdl:$loaded" in
      "2:classic SDL"* | "3:sdl2-compat"*) wrong=0 ;;
      *) wrong=1 ;;
    esac
    if [ "$wrong" = 1 ]; then
      echo "test-debian13: the SDL $sdl run loads the wrong library: $loaded" >&2
      exit 1
    fi
    suite "$label, unit and Xvfb" sdl$sdl-linux -LE 'package|desktop|wayland'
    suite "$label, Xorg and Wayland" sdl$sdl-desktop -L 'desktop|wayland'
  done
  echo "== Debian 13 summary"
  printf '%s\n' "${summary[@]}"
  return "$status"
}

# ---------------------------------------------------------------------------------------------
# On the host: make or reuse the root, then enter it.
host() {
  here=$(cd "$(dirname "$0")/.." && pwd)
  skip() { echo "SKIPPED: the Debian 13 suite ($*)"; exit 0; }

  [ "$(id -u)" -eq 0 ] || skip "it makes and enters a Debian 13 root: run as root"
  unshare --mount --pid --net --ipc --fork true 2>/dev/null ||
    skip "unshare cannot make mount, PID and network namespaces here"
  bash "$here/scripts/install-deps.sh" debian13 ||
    skip "install mmdebstrap: bash scripts/install-deps.sh debian13"

  cache=${QUORVANE_ROOT_CACHE:-/var/cache/quorvane/debian13}
  root=$cache/root
  mapfile -t packages < <(bash "$here/scripts/install-deps.sh" --list $GROUPS_IN_ROOT;
                          printf '%s\n' $EXTRA_PACKAGES)
  mapfile -t packages < <(printf '%s\n' "${packages[@]}" | sort -u)
  stamp=$( { echo "$SUITE $MIRROR $SECURITY"; printf '%s\n' "${packages[@]}"; } | sha256sum | cut -c1-64)

  if [ -f "$cache/root.stamp" ] && [ "$(cat "$cache/root.stamp")" = "$stamp" ] && [ -d "$root/usr" ]
  then
    echo "Debian 13 root: $root (reused)"
  else
    probe=$(mktemp)
    if ! /usr/lib/apt/apt-helper download-file "$MIRROR/dists/$SUITE/InRelease" "$probe" \
         >/dev/null 2>&1; then
      rm -f "$probe"
      skip "no network to Debian's packages at $MIRROR"
    fi
    rm -f "$probe"
    echo "Debian 13 root: making $root (${#packages[@]} packages and what they need)"
    mkdir -p "$cache"
    rm -rf "$root.new"
    started=$(date +%s)
    list=$(IFS=,; echo "${packages[*]}")
    # Documentation and translations are left out: nothing here reads them.
    if ! mmdebstrap --variant=apt --mode=root --include="$list" \
         --aptopt='Acquire::Languages "none"' \
         --dpkgopt='path-exclude=/usr/share/doc/*' --dpkgopt='path-include=/usr/share/doc/*/copyright' \
         --dpkgopt='path-exclude=/usr/share/man/*' --dpkgopt='path-exclude=/usr/share/locale/*' \
         "$SUITE" "$root.new" \
         "deb $MIRROR $SUITE main" "deb $MIRROR $SUITE-updates main" \
         "deb $SECURITY $SUITE-security main" >"$cache/mmdebstrap.log" 2>&1; then
      tail -20 "$cache/mmdebstrap.log" >&2
      echo "test-debian13: mmdebstrap could not make the root; its log: $cache/mmdebstrap.log" >&2
      exit 1
    fi
    rm -rf "$root" "$cache/root.stamp"
    mv "$root.new" "$root"
    echo "$stamp" >"$cache/root.stamp"
    echo "Debian 13 root: made in $(( $(date +%s) - started )) s"
  fi

  # A private mount, PID, IPC and network namespace: the root's /tmp, X displays (whose abstract
  # sockets belong to the network namespace) and processes are its own, and everything started
  # inside ends with it.
  mkdir -p "$root/src" "$root/build"
  exec unshare --mount --pid --net --ipc --fork --kill-child -- /bin/bash -euc '
    root=$1 src=$2
    mount --make-rprivate /
    mount -t proc proc "$root/proc"
    mount -t sysfs sysfs "$root/sys"
    mount --rbind /dev "$root/dev"
    mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
    mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
    mount -t tmpfs -o mode=755 tmpfs "$root/run"
    mount --bind "$src" "$root/src"
    shift 2
    [ $# -gt 0 ] || set -- /bin/bash /src/scripts/test-debian13.sh --inside
    exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
      LANG=C.UTF-8 TERM="${TERM:-dumb}" /bin/sh -c '"'"'cd /build && exec "$@"'"'"' sh "$@"
  ' make-root "$root" "$here" "$@"
}

# Read whole before anything runs, so that an edit of this file cannot change a running suite.
if [ "${1:-}" = "--inside" ]; then inside; else host "$@"; fi
