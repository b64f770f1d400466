#!/usr/bin/env bash
# The wizard under Wine on a private Xvfb: process start to the first painted
# Start page (7 starts unless told), in turn with the peer, an installer made
# by NSIS whose welcome page carries the same title (bench/peers.sh), and
# with bare windows that hold only the title label (limit_window.exe;
# limit_window_cc6.exe with the Common Controls 6 manifest the wizard also
# has; limit_window_imports.exe that also loads the wizard's system
# libraries), all timed the same way; Next on Locatie to Einde with two
# 50 MB archives from a loopback server, the wizard's peak memory, and
# Setup.exe's size stripped (also the other target's, when built beside this
# tree). The last lines are the ratios ours/peer and
# ours/limit of the median first paint. Generated archives live under
# <build>/bench-startup and are deleted at the end.
# Usage: bench/startup/run.sh [BUILD_DIR] [STARTS]
#   BUILD_DIR: a Windows build tree, default build/win, or build/win64 where 32-bit programs cannot run; STARTS: starts of each
#   program, default 7 (first paints move with the load: more starts give a
#   steadier median)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
starts=${2:-7}
. "$top/scripts/lib/bench.sh"
bench_tree "${1:-}"
work=$build/bench-startup
bench_build startup_bench SetupBench Setup VenkorMark limit_window limit_window_cc6 limit_window_imports
bench=$build/bench/startup
peers=$(bench_peers)
. "$top/scripts/lib/xvfb.sh"
at_exit 'rm -rf "$work"'
rm -rf "$work"
mkdir -p "$work"
python3 "$top/tests/gui/make_wizard_archives.py" "$work" "$build/tests/gui/VenkorMark.exe" --filler-mb 50

# Both targets' sizes: this tree's, and the other target's tree beside it
# (build/win and build/win64) when its Setup.exe is built; it is not run.
sizes=()
for tree in win:i686:x86 win64:x86_64:x64; do
  IFS=: read -r name arch target <<<"$tree"
  exe=$(dirname "$build")/$name/dist/Setup.exe
  [ "$target" = "$bench_target" ] && exe=$build/dist/Setup.exe
  [ -f "$exe" ] || continue
  "$arch-w64-mingw32-strip" -o "$work/Setup.stripped.exe" "$exe"
  sizes+=("$target Setup.exe: $(stat -c %s "$exe") bytes, stripped $(stat -c %s "$work/Setup.stripped.exe") bytes ($exe)")
done
printf '%s\n' "${sizes[@]}"
load
w() { "$build/wine-run" winepath -w "$1" 2>/dev/null; }
"$build/wine-run" "$bench/startup_bench.exe" "$(w "$bench/SetupBench.exe")" "$(w "$work")" "$starts" \
  "$(w "$peers/nsis_peer.exe")" \
  "$(w "$build/bench/limits/limit_window.exe")" "$(w "$build/bench/limits/limit_window_cc6.exe")" \
  "$(w "$build/bench/limits/limit_window_imports.exe")" | sed "s|^\(.*ours/.*\)|$bench_target \1|"
printf '%s\n' "${sizes[@]}"
