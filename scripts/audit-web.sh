#!/usr/bin/env bash
# Lighthouse's audits of the web build's page, served from loopback, in its mobile (three runs)
# and desktop profiles: prints the four category scores of each (performance, accessibility,
# best practices, SEO) and its first contentful paint, and leaves the full reports beside the
# page as lighthouse-<profile>.report.html and .report.json (profiles mobile-1 to mobile-3, desktop).
# Lighthouse comes from npm, pinned (later versions want a newer Node.js than Debian's), and is
# installed into the build folder, never into the source tree.
# Usage: audit-web.sh [web build folder]
set -euo pipefail

web=$(cd "${1:-build-web}" && pwd)
version=12.2.3
tools="$web/lighthouse"
chromium=${CHROME_PATH:-/usr/bin/chromium}

for file in index.html quorvane.js quorvane.wasm sw.js; do
  [ -f "$web/$file" ] || { echo "audit-web.sh: $web/$file is missing (make web)" >&2; exit 1; }
done
command -v npm >/dev/null || { echo "audit-web.sh: npm is missing (install npm)" >&2; exit 1; }
[ -x "$chromium" ] || { echo "audit-web.sh: $chromium is missing (install chromium)" >&2; exit 1; }

lighthouse="$tools/node_modules/.bin/lighthouse"
if [ ! -x "$lighthouse" ] ||
   [ "$(node -p "require('$tools/node_modules/lighthouse/package.json').version")" != "$version" ]; then
  echo "Installing lighthouse@$version into $tools"
  mkdir -p "$tools"
  [ -f "$tools/package.json" ] || echo '{"private": true}' >"$tools/package.json"
  (cd "$tools" && npm install --no-audit --no-fund --loglevel=error "lighthouse@$version")
fi

# The page on a free loopback port, for as long as the audits take.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$web" >/dev/null 2>&1 &
server=$!
trap 'kill "$server"' EXIT
url="http://127.0.0.1:$port/index.html"
for _ in $(seq 50); do
  python3 -c "import urllib.request; urllib.request.urlopen('$url')" 2>/dev/null && break
  sleep 0.1
done

flags="--headless=new --no-sandbox --disable-gpu --use-angle=swiftshader"
flags+=" --enable-unsafe-swiftshader --disable-dev-shm-usage --no-first-run"
# The mobile audit three times in a row (its figures vary from run to run), the desktop once.
for profile in mobile-1 mobile-2 mobile-3 desktop; do
  preset=()
  [ "$profile" = desktop ] && preset=(--preset=desktop)
  CHROME_PATH="$chromium" "$lighthouse" "$url" "${preset[@]}" --quiet \
    --only-categories=performance,accessibility,best-practices,seo \
    --output=json --output=html --output-path="$web/lighthouse-$profile" \
    --chrome-flags="$flags"
  python3 - "$profile" "$web/lighthouse-$profile.report.json" <<'PY'
import json, sys
report = json.load(open(sys.argv[2]))
scores = {c["title"]: c["score"] for c in report["categories"].values()}
paint = report["audits"]["first-contentful-paint"]["numericValue"] / 1000
print(f"{sys.argv[1]:9}" + "  ".join(f"{title} {round(score * 100) if score is not None else '-'}"
                                      for title, score in scores.items())
      + f"  first contentful paint {paint:.1f} s")
PY
done
