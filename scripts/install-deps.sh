#!/usr/bin/env bash
# Installs the Debian packages a make target needs, by group:
#   run      building and running the Linux program (all that `make run` asks for)
#   test     the Linux tests and benchmarks: GoogleTest, Google Benchmark, stb, Xvfb and friends
#   fuzz     the release's own clang (Debian's unversioned clang and libclang-rt-dev: 14 on
#            Debian 12, 19 on Debian 13) with its sanitizer and libFuzzer runtimes
#   windows  the MinGW-w64 cross compiler and Wine, for the Windows build and its tests, and
#            icoutils to read the program's resources
#   preview  img2webp, for the README's animated preview (make preview)
#   package  the Debian packaging tools (dpkg-shlibdeps, and file for CPack), lintian and the
#            validators of the menu entry and the AppStream metadata
#   web      Emscripten (with Node.js), for the web build, and optipng, which recompresses the
#            page's icons
#   web-test headless Chromium, its driver and Selenium, for the web build's tests
#   arm64    the ARM64 cross compiler, the arm64 libraries the program and its tests link
#            (Debian multiarch: adds the arm64 architecture to dpkg first) and qemu-user, which
#            runs the arm64 tests here
#   web-firefox  Firefox ESR, for the same tests in Gecko, and npm, which installs the
#            puppeteer-core that drives it (scripts/install-puppeteer.sh; Debian 13's nodejs
#            no longer brings npm); a group of its own, so that Chromium's tests run where
#            Firefox cannot be installed
#   web-webkit  WebKitGTK's WebDriver (WebKitWebDriver, which drives its MiniBrowser) on Xvfb,
#            for the same tests in WebKit, the engine of Safari and of every iPhone browser; a
#            group of its own for the same reason
#   audit    Node.js (with npm, which fetches Lighthouse) and Chromium, for `make audit-web`
#   desktop  X servers whose display really changes mode, for the desktop tests: Xorg with the
#            dummy video driver, xrandr, openbox
#   wayland  the headless Wayland desktops the program is tested on (sway, mutter) with their
#            XWayland, screenshots of sway's outputs, and zenity, which asks SDL's questions there
#   debian13 mmdebstrap, which makes the Debian 13 root of `make test-debian13`
# Usage: install-deps.sh [group...]   (no group means "run")
#        install-deps.sh --list group...   prints the groups' packages, one a line, and installs
#                                          nothing (the Debian 13 root is made from this list)
# Does nothing when everything is there; uses sudo when not root. Exits 1, naming the missing
# packages, when they cannot be installed, so a caller can skip what depends on them.
set -euo pipefail

packages_for() {
  case "$1" in
    run) echo build-essential cmake pkg-config libsdl2-dev libgl-dev libgl1-mesa-dri \
              libglu1-mesa-dev libx11-dev libxrandr-dev ;;
    test) echo libegl-dev libegl-mesa0 libgtest-dev libgmock-dev libbenchmark-dev libstb-dev \
               xvfb xauth xdotool x11-utils imagemagick openbox wmctrl python3 ;;
    fuzz) echo clang libclang-rt-dev ;;
    windows) echo g++-mingw-w64-x86-64-posix wine64 googletest icoutils ;;
    preview) echo webp ;;
    package) echo dpkg-dev file lintian desktop-file-utils appstream ;;
    web) echo emscripten nodejs optipng ;;
    web-test) echo chromium chromium-driver python3-selenium imagemagick ;;
    arm64) echo crossbuild-essential-arm64 pkg-config qemu-user-static dpkg-dev libc6:arm64 \
                libsdl2-dev:arm64 libgl-dev:arm64 libglu1-mesa-dev:arm64 libgl1-mesa-dri:arm64 \
                libx11-dev:arm64 libxrandr-dev:arm64 libegl-dev:arm64 libegl-mesa0:arm64 \
                libgtest-dev:arm64 ;;
    # npm only where there is none: a Node.js from elsewhere (NodeSource's) brings its own
    # and conflicts with Debian's package.
    web-firefox) echo firefox-esr; command -v npm >/dev/null 2>&1 || echo npm ;;
    web-webkit) echo webkit2gtk-driver xvfb xauth python3-selenium ;;
    audit) echo nodejs chromium ;;
    desktop) echo xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils x11-utils \
                  xdotool wmctrl openbox imagemagick libxfixes3 ;;
    wayland) echo sway xwayland grim zenity mutter dbus-daemon x11-xserver-utils x11-utils \
                  xauth xdotool imagemagick ;;
    debian13) echo mmdebstrap ;;
    *) echo "install-deps.sh: unknown group '$1'" >&2; return 2 ;;
  esac
}

list_only=0
if [ "${1:-}" = "--list" ]; then list_only=1; shift; fi
groups=("$@")
[ ${#groups[@]} -eq 0 ] && groups=(run)

wanted=()
for g in "${groups[@]}"; do
  list=$(packages_for "$g") || exit 2
  # shellcheck disable=SC2206
  wanted+=($list)
done

if [ "$list_only" = 1 ]; then
  printf '%s\n' "${wanted[@]}" | sort -u
  exit 0
fi

missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

mapfile -t missing < <(missing_packages "${wanted[@]}")
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then sudo="sudo"; else
    echo "install-deps.sh: not root and no sudo; install: ${missing[*]}" >&2
    exit 1
  fi
fi
# Packages of another architecture (name:arch) need that architecture known to dpkg first.
for p in "${missing[@]}"; do
  arch=${p##*:}
  [ "$arch" != "$p" ] || continue
  if [ "$arch" != "$(dpkg --print-architecture)" ] &&
     ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    echo "Adding the $arch architecture to dpkg"
    $sudo dpkg --add-architecture "$arch"
  fi
done
echo "Installing: ${missing[*]}"
# Another apt run (a second make target, the desktop's updater) holds the lock: wait for it.
# apt-get install waits for dpkg's lock itself; update gives up at once on the lists' lock, so
# it is tried again while that lock is held, for the same ten minutes.
wait_lock=(-o DPkg::Lock::Timeout=600)
update() {
  local tries=60 log
  until log=$($sudo apt-get "${wait_lock[@]}" update -qq 2>&1); do
    if ! grep -q "Could not get lock" <<<"$log" || ((--tries == 0)); then
      printf '%s\n' "$log" >&2
      return 1
    fi
    sleep 10
  done
  [ -z "$log" ] || printf '%s\n' "$log"
}
if ! { update &&
       DEBIAN_FRONTEND=noninteractive $sudo apt-get "${wait_lock[@]}" install -y -qq "${missing[@]}"; }; then
  mapfile -t still < <(missing_packages "${wanted[@]}")
  echo "install-deps.sh: could not install: ${still[*]}" >&2
  exit 1
fi
