#!/bin/sh
# Makes the Wine prefix the windows tests run in, afresh for every test run: a prefix left by an
# earlier run (or by another Wine version) could hide what a clean machine would show.
#   make_wine_prefix.sh <prefix> <wine-run wrapper>
set -eu
prefix=$1
wine=$2
WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
rm -rf "$prefix"
"$wine" wineboot -i
WINEPREFIX=$prefix wineserver -w
test -f "$prefix/system.reg"
echo "Wine prefix ready: $prefix"
