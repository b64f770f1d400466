# Sourced by the build and benchmark scripts: helpers they share.

# at_exit COMMAND: runs COMMAND when the script exits, after the commands
# registered before it. One EXIT trap serves them all, so a script and what
# it sources (xvfb.sh) never replace each other's clean-up.
at_exit() {
  _at_exit+=("$1")
  trap '_run_at_exit' EXIT
}
_run_at_exit() {
  local command
  for command in "${_at_exit[@]}"; do eval "$command" || true; done
}

# Building libraries and peers from Debian source packages. The caller sets
# src (where sources are unpacked) and logs (where each step's output goes).

# step NAME COMMAND...: runs one build step with its output appended to
# NAME's log; on failure names the step, shows the end of its log and exits.
step() {
  local name=$1; shift
  echo "\$ $*" >>"$logs/$name.log"
  if ! "$@" >>"$logs/$name.log" 2>&1; then
    echo "$(basename "$0"): building $name failed at: $*" >&2
    echo "---- last lines of $logs/$name.log" >&2
    tail -n 40 "$logs/$name.log" >&2
    exit 1
  fi
}

# fetch PACKAGE: its Debian source into $src, newest version first; a version
# the mirror no longer holds is skipped. The version fetched is left in
# $src/version-PACKAGE.
fetch() {
  local p=$1 v
  for v in $(apt-cache showsrc "$p" | sed -n 's/^Version: //p' | sort -rV | uniq); do
    echo "\$ apt-get source $p=$v" >>"$logs/fetch.log"
    if (cd "$src" && apt-get source -qq "$p=$v") >>"$logs/fetch.log" 2>&1; then
      echo "$v" >"$src/version-$p"
      return 0
    fi
    rm -rf "$src/$p"[_-]* 2>/dev/null || true
  done
  echo "$(basename "$0"): cannot fetch the source package $p" >&2
  echo "---- last lines of $logs/fetch.log" >&2
  tail -n 40 "$logs/fetch.log" >&2
  return 1
}

# dir PACKAGE: the folder its source was unpacked into.
dir() { find "$src" -maxdepth 1 -type d -name "$1-*" | head -1; }

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
