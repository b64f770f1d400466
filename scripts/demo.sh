#!/usr/bin/env bash
# The wizard end to end: builds the demo's programs and the shipped
# catalogues (nothing else), makes sample main.zip and upgrade.zip (with a
# small demo VENKOR.EXE) and serves them on loopback, then works the wizard
# under Wine from Start to Einde as a Dutch user sees it, saving a screenshot
# of every page and of both dialogs in docs/screenshots/: at 96 pixels per
# inch, and at 192 with a release build's manifest (*-192dpi.png). With a
# display the run is shown in a window and afterwards the wizard is started
# once more for you to click through; without one it runs on a private Xvfb.
# Where Wine cannot start 32-bit programs here, the 64-bit build of the same
# wizard runs instead.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${SETUP_BUILD:-$top/build}
. "$top/scripts/lib/build.sh"
. "$top/scripts/lib/wine.sh"
tree=win
if ! can_run_x86 "$build/x86-probe"; then
  tree=win64
  echo "32-bit Windows programs cannot run here: the demo runs the 64-bit build of the same wizard"
fi
setup_configure $tree
setup_build $tree SetupDemo SetupDemoDpiAware VenkorDemo wizard_demo setup_catalogues

demo=$build/$tree/demo
port=$(sed -n 's/^SETUP_DEMO_PORT:STRING=//p' "$build/$tree/CMakeCache.txt")
shots=$top/docs/screenshots
# A Wine prefix of the demo's own; its desktop is a plain folder inside it,
# so the shortcut does not land in your home folder.
export SETUP_WINEPREFIX=$build/demo-wineprefix-$tree
run="$build/$tree/wine-run"
"$run" cmd /c exit >/dev/null 2>&1 || true
for desktop in "$SETUP_WINEPREFIX"/drive_c/users/*/Desktop; do
  if [ -L "$desktop" ]; then rm "$desktop"; mkdir "$desktop"; fi
done
# The demo's Wine runs: a Dutch user (the catalogue follows LANG), and none of
# Wine's own complaints about the host in the output.
wine_nl() {
  LANG=nl_NL.UTF-8 WINEDEBUG=-all "$run" "$@" 2> >(grep -v -e '^wine: Read access denied for device' \
    -e '^[0-9a-f]*:\?\(fixme\|err\|warn\):' >&2)
}

# What the maker's file server would hold: venkor/Files/{main,upgrade}.zip.
served=$demo/served
python3 "$top/tests/gui/make_wizard_archives.py" "$served/venkor/Files" "$demo/VenkorDemo.exe"
# The shipped catalogues go beside the program, as they would on a real disk.
rm -rf "$demo/locale"; cp -r "$build/$tree/dist/locale" "$demo/locale"

if [ -z "${DISPLAY:-}" ]; then
  . "$top/scripts/lib/xvfb.sh"
  shown=no
else
  shown=yes
fi

# Wine takes the screen's density from LogPixels when a program starts.
density() {
  if [ "$1" = 96 ]; then
    "$run" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
  else
    "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  fi
}
names=(1-start cancel-question 2-locatie error-box 5-abort 3-installmain 4-einde)
# driven PROGRAM DESKTOP SUFFIX: the driven run, in a Wine desktop window of
# its own so that the window frames are drawn the same on every machine;
# the screenshots go to docs/screenshots/<name><SUFFIX>.png.
driven() {
  local program=$1 desktop=$2 suffix=$3 name
  rm -rf "$SETUP_WINEPREFIX/drive_c/VENKOR" "$demo/shots"
  mkdir -p "$demo/shots" "$shots"
  wine_nl explorer /desktop=SetupDemo,"$desktop" "$(winpath "$demo/wizard_demo.exe")" \
    "$(winpath "$demo/$program")" "$(winpath "$served/venkor/Files")" "$port" "$(winpath "$demo/shots")"
  # Wine's desktop process does not pass the driver's result on: check the shots.
  for name in "${names[@]}"; do
    if [ ! -f "$demo/shots/$name.bmp" ]; then
      echo "The driven run failed before the screenshot $name (see $demo/shots/failure.bmp)" >&2
      exit 1
    fi
  done
  for name in "${names[@]}"; do
    # Without time stamps, so that an unchanged page gives the same file.
    convert "$demo/shots/$name.bmp" -define png:exclude-chunks=date,time "$shots/$name$suffix.png"
  done
}

[ "$shown" = yes ] && echo "The wizard is worked by a driver now: leave mouse and keyboard alone until it is done."
# The demo build at Wine's usual 96 pixels per inch; then, on a screen of
# 192 (200 %), the same wizard with a release build's manifest, which
# declares per-monitor DPI awareness.
density 96
driven SetupDemo.exe 900x700 ""
density 192
at_exit 'density 96'
driven SetupDemoDpiAware.exe 1200x960 -192dpi
density 96
echo "Screenshots in $shots"

if [ "$shown" = yes ]; then
  echo "Now it is your turn: the wizard downloads from http://127.0.0.1:$port/ (close it to end the demo)."
  rm -rf "$SETUP_WINEPREFIX/drive_c/VENKOR"
  python3 -m http.server "$port" --bind 127.0.0.1 --directory "$served" >/dev/null 2>&1 &
  server=$!
  at_exit 'kill $server 2>/dev/null'
  wine_nl "$demo/SetupDemo.exe" || true
fi
