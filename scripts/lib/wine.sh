# Sourced by the scripts that run Windows programs (test.sh, demo.sh, the
# benchmarks): which Windows build can run here, and paths as Wine sees
# them. Kept apart from common.sh, whose text is part of the library builds'
# cache key.
[ "${BASH_SOURCE[0]}" != "$0" ] || { echo "$(basename "$0") is sourced by the scripts in scripts/ and bench/, not run" >&2; exit 2; }

# can_run_x86 FOLDER: whether Wine starts a 32-bit Windows program on this
# machine (a kernel without 32-bit emulation cannot run 32-bit Wine). A tiny
# program is made and run in FOLDER, in a prefix of its own, so a failure
# leaves no half-made prefix in a build tree; what Wine said stays in
# FOLDER/log. Takes a few seconds.
can_run_x86() {
  local probe=$1 status=0
  rm -rf "$probe"; mkdir -p "$probe"
  echo 'int main(void) { return 42; }' | i686-w64-mingw32-gcc-posix -x c - -o "$probe/probe.exe"
  WINEPREFIX=$probe/prefix WINEARCH=win32 WINEDEBUG=-all timeout 300 wine "$probe/probe.exe" \
    >"$probe/log" 2>&1 </dev/null || status=$?
  WINEPREFIX=$probe/prefix wineserver -k >/dev/null 2>&1 || true
  [ $status -eq 42 ]
}

# winpath PATH: a Linux path as Windows programs under Wine see it, on the
# Z: drive every prefix maps to / (no Wine started for it).
winpath() {
  local path
  path=$(realpath -m "$1")
  echo "Z:${path//\//\\}"
}
