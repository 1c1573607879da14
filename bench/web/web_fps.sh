#!/usr/bin/env bash
# The page's frame rate against the minimal WebGL page's, in each browser installed here
# (web_fps.py). Run by run-benchmarks.sh with the Linux build folder; the web build is
# QUORVANE_WEB_BUILD (build-web unless set), which `make bench` builds first, and Firefox is
# driven by the puppeteer-core at QUORVANE_PUPPETEER, which `make bench` installs (pinned there).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
web=${QUORVANE_WEB_BUILD:-build-web}
python=/usr/bin/python3
[ -x "$python" ] || python=python3
exec "$python" "$here/web_fps.py" "$web"
