#!/usr/bin/env bash
# The page's frame rate against the minimal WebGL page's, in each browser installed here
# (web_fps.py). Run by run-benchmarks.sh with the Linux build folder; the web build is
# QUORVANE_WEB_BUILD (build-web unless set), which `make bench` builds first.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
web=${QUORVANE_WEB_BUILD:-build-web}
if [ -z "${QUORVANE_PUPPETEER:-}" ] && command -v firefox-esr >/dev/null 2>&1; then
  QUORVANE_PUPPETEER=$(bash "$here/../../scripts/install-puppeteer.sh" 23.11.1 2>/dev/null) || true
  export QUORVANE_PUPPETEER
fi
python=/usr/bin/python3
[ -x "$python" ] || python=python3
exec "$python" "$here/web_fps.py" "$web"
