#!/usr/bin/env bash
# Installs npm's puppeteer-core, at the version given, for the web tests in Firefox: into a cache
# outside the clone, which later clones reuse (/var/cache/quorvane/npm as root, else
# ${XDG_CACHE_HOME:-~/.cache}/quorvane/npm; QUORVANE_NPM_CACHE overrides). It never downloads a
# browser: the tests drive Debian's firefox-esr.
# Usage: install-puppeteer.sh VERSION   Prints the module's folder; exits 1, saying why, when it
# cannot be installed, so a caller can skip the tests that need it.
set -euo pipefail
version=${1:?usage: install-puppeteer.sh VERSION}
if [ "$(id -u)" -eq 0 ]; then default=/var/cache/quorvane/npm
else default="${XDG_CACHE_HOME:-$HOME/.cache}/quorvane/npm"; fi
cache=${QUORVANE_NPM_CACHE:-$default}
module="$cache/node_modules/puppeteer-core"

installed() {
  local found
  found=$(node -p 'require(process.argv[1]).version' "$module/package.json" 2>/dev/null) &&
    [ "$found" = "$version" ]
}

if ! installed; then
  if ! command -v npm >/dev/null 2>&1; then
    echo "install-puppeteer.sh: no npm here (it comes with Node.js)" >&2
    exit 1
  fi
  echo "Installing: puppeteer-core@$version into $cache" >&2
  mkdir -p "$cache"
  if ! PUPPETEER_SKIP_DOWNLOAD=1 npm install --no-save --no-package-lock --no-audit --no-fund \
         --fetch-retries=1 --fetch-timeout=30000 \
         --loglevel=error --prefix "$cache" "puppeteer-core@$version" >&2 || ! installed; then
    echo "install-puppeteer.sh: could not install puppeteer-core@$version" >&2
    exit 1
  fi
fi
echo "$module"
