#!/usr/bin/env bash
# Builds Setup and runs every test: the Windows build under Wine (on Xvfb when
# there is no display), its end-to-end wizard tests also in a 64-bit Wine
# prefix, and the native build of the platform-neutral code under
# AddressSanitizer and UBSan. Installs what it needs first.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${SETUP_BUILD:-$top/build}
. "$top/scripts/build.sh"
for preset in win native; do setup_configure $preset; setup_build $preset; done

if [ -z "${DISPLAY:-}" ]; then
  . "$top/scripts/xvfb.sh"
fi
status=0
ctest --test-dir "$build/native" --output-on-failure -j2 || status=1
ctest --test-dir "$build/win" --output-on-failure -j2 || status=1
# The end-to-end wizard runs once more in a 64-bit prefix (WoW64).
SETUP_WINEARCH=win64 SETUP_WINEPREFIX="$build/win/wineprefix64" \
  ctest --test-dir "$build/win" --output-on-failure -R '^(gui_wizard|https_servers_start|https_wizard|https_servers_stop)$' ||
  status=1
exit $status
