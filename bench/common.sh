# Sourced by bench/*/run.sh with $top and $build (a Windows build tree,
# ROOT/win) set: building, clean-up, timing and figure helpers.
. "$top/scripts/lib.sh"

# bench_build TARGET...: builds the targets through scripts/build.sh, with
# the dependency prefix of the tree's root (configured first if need be);
# quiet unless it fails.
bench_build() {
  local log
  log=$(mktemp)
  if ! (
    build=$(dirname "$build")
    . "$top/scripts/build.sh"
    [ -f "$build/win/CMakeCache.txt" ] || setup_configure win
    setup_build win "$@"
  ) >"$log" 2>&1; then
    echo "$(basename "$0"): building $* failed:" >&2
    tail -n 40 "$log" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$log"
}

# wall OUT COMMAND...: runs the command with its output in the file OUT and
# prints its wall-clock seconds; for a Wine program that includes starting
# and ending the process, as a person waiting for it sees it.
wall() {
  local out=$1 t0 t1; shift
  t0=$(date +%s.%N)
  "$@" >"$out"
  t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc | xargs printf "%.3f"
}
best() { printf '%s\n' "$@" | sort -g | head -1; }
most() { printf '%s\n' "$@" | sort -g | tail -1; }
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
ratio() { echo "scale=4; $1 / $2" | bc | xargs printf "%.2f"; }
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }
# field LINE KEY: the word after KEY in LINE.
field() { echo "$1" | awk -v k="$2" '{for (i = 1; i < NF; i++) if ($i == k) print $(i + 1)}'; }
# The load of the machine, printed with the figures.
load() { echo "load average before measuring: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores)"; }
