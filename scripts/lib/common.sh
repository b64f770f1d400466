# Sourced by the build and benchmark scripts: helpers they share. Its text
# is part of the library builds' cache key (scripts/deps.sh).
[ "${BASH_SOURCE[0]}" != "$0" ] || { echo "$(basename "$0") is sourced by the scripts in scripts/ and bench/, not run" >&2; exit 2; }

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
