#!/usr/bin/env bash
# Builds Setup and runs every test: the Windows builds under Wine (on Xvfb
# when there is no display) and the native build of the platform-neutral
# code under AddressSanitizer and UBSan. Installs what it needs first.
#
# Which Windows build runs depends on the machine: where Wine can start a
# 32-bit program, the 32-bit tree (build/win) runs its tests in a 32-bit
# prefix, its end-to-end wizard tests again in a 64-bit prefix (WoW64), and
# the 64-bit tree (build/win64) runs its tests in a 64-bit prefix. Where it
# cannot (a kernel without 32-bit emulation), the 32-bit tree is built and
# checked statically and every Windows test runs on the 64-bit tree.
# SETUP_TEST_ARCH=x86|x64|both forces a road (x86: the 32-bit tree only).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${SETUP_BUILD:-$top/build}
. "$top/scripts/lib/build.sh"
. "$top/scripts/lib/wine.sh"

x86_reason() { head -c 300 "$build/x86-probe/log"; }

arch=${SETUP_TEST_ARCH:-}
case $arch in
  '')
    if can_run_x86 "$build/x86-probe"; then arch=both; else
      arch=x64
      echo "32-bit Windows programs cannot run here: testing the 64-bit build; the 32-bit Setup.exe is built and checked, not run"
    fi ;;
  x86 | both)
    if ! can_run_x86 "$build/x86-probe"; then
      echo "SETUP_TEST_ARCH=$arch: 32-bit Windows programs cannot run here: $(x86_reason)" >&2
      exit 1
    fi ;;
  x64) echo "SETUP_TEST_ARCH=x64: testing the 64-bit build; the 32-bit Setup.exe is built and checked, not run" ;;
  *) echo "SETUP_TEST_ARCH must be x86, x64 or both (got '$arch')" >&2; exit 2 ;;
esac
trees=(win native)
[ "$arch" = x86 ] || trees+=(win64)
for tree in "${trees[@]}"; do setup_configure "$tree"; setup_build "$tree"; done

if [ -z "${DISPLAY:-}" ]; then
  . "$top/scripts/lib/xvfb.sh"
fi
status=0
ctest --test-dir "$build/native" --output-on-failure -j2 || status=1
if [ "$arch" = x64 ]; then
  # Only what reads the 32-bit build without running it.
  ctest --test-dir "$build/win" --output-on-failure -L static || status=1
else
  ctest --test-dir "$build/win" --output-on-failure -j2 || status=1
  # The end-to-end wizard runs once more in a 64-bit prefix (WoW64).
  SETUP_WINEARCH=win64 SETUP_WINEPREFIX="$build/win/wineprefix64" \
    ctest --test-dir "$build/win" --output-on-failure -R '^(gui_wizard|https_servers_start|https_wizard|https_servers_stop)$' ||
    status=1
fi
if [ "$arch" != x86 ]; then
  ctest --test-dir "$build/win64" --output-on-failure -j2 || status=1
fi
exit $status
