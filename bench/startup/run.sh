#!/usr/bin/env bash
# The wizard under Wine on a private Xvfb: process start to the first painted
# Start page (7 starts), Next on Locatie to Einde with two 50 MB archives
# from a loopback server, the wizard's peak memory, and Setup.exe's size
# stripped. Generated archives live under <build>/bench-startup and are
# deleted at the end.
# Usage: bench/startup/run.sh [BUILD_DIR]   (BUILD_DIR: a Windows build tree, default build/win)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build/win}" && pwd)
work=$(dirname "$build")/bench-startup
cmake --build "$build" --target startup_bench SetupBench Setup VenkorMark -j2 >/dev/null
bench=$build/bench/startup
. "$top/scripts/xvfb.sh"
trap 'kill $xvfb_pid 2>/dev/null || true; rm -rf "$work"' EXIT
rm -rf "$work"
mkdir -p "$work"
python3 "$top/tests/gui/make_archives.py" "$work" "$build/tests/gui/VenkorMark.exe" --filler-mb 50

export WINEPREFIX=${SETUP_WINEPREFIX:-$build/wineprefix}
"$build/wine-run" "$bench/startup_bench.exe" "$(winepath -w "$bench/SetupBench.exe" 2>/dev/null)" \
  "$(winepath -w "$work" 2>/dev/null)" 7

i686-w64-mingw32-strip -o "$work/Setup.stripped.exe" "$build/dist/Setup.exe"
echo "Setup.exe: $(stat -c %s "$build/dist/Setup.exe") bytes, stripped $(stat -c %s "$work/Setup.stripped.exe") bytes"
