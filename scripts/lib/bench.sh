# Sourced by bench/*/run.sh with $top set: choosing and building the
# Windows build tree, clean-up, timing and figure helpers.
[ "${BASH_SOURCE[0]}" != "$0" ] || { echo "$(basename "$0") is sourced by the scripts in scripts/ and bench/, not run" >&2; exit 2; }
. "$top/scripts/lib/common.sh"
. "$top/scripts/lib/wine.sh"

# bench_tree [BUILD_DIR]: sets build (the Windows build tree benchmarked:
# BUILD_DIR, or ROOT/win where Wine starts 32-bit programs and ROOT/win64
# where it cannot, ROOT being $SETUP_BUILD or build/), bench_arch (i686 or
# x86_64) and bench_target (x86 or x64, printed with every ratio: ratios
# of one target compare only with the same target's).
bench_tree() {
  local root=${SETUP_BUILD:-$top/build} tree=${1:-}
  if [ -z "$tree" ]; then
    tree=$root/win
    if ! can_run_x86 "$root/x86-probe"; then
      tree=$root/win64
      echo "32-bit Windows programs cannot run here: benchmarking the 64-bit build against 64-bit peers" >&2
    fi
  fi
  mkdir -p "$tree"
  build=$(cd "$tree" && pwd)
  case $(basename "$build") in
    *64) bench_arch=x86_64 bench_target=x64 ;;
    *) bench_arch=i686 bench_target=x86 ;;
  esac
}

# bench_build TARGET...: builds the targets through scripts/lib/build.sh, with
# the dependency prefix of the tree's root (configured first if need be, with
# the preset of the tree's target); quiet unless it fails.
bench_build() {
  local log preset=win tree
  [ "$bench_arch" = x86_64 ] && preset=win64
  tree=$(basename "$build")
  log=$(mktemp)
  if ! (
    build=$(dirname "$build")
    . "$top/scripts/lib/build.sh"
    [ -f "$build/$tree/CMakeCache.txt" ] || setup_configure "$preset:$tree"
    setup_build "$tree" "$@"
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
# bench_peers: the peers' prefix for this tree's target (bench/peers.sh).
bench_peers() { "$top/bench/peers.sh" "$build" "$bench_arch" | tail -1; }
# field LINE KEY: the word after KEY in LINE.
field() { echo "$1" | awk -v k="$2" '{for (i = 1; i < NF; i++) if ($i == k) print $(i + 1)}'; }
# The load of the machine, printed with the figures.
load() { echo "load average before measuring: $(cut -d' ' -f1-3 /proc/loadavg) ($(nproc) cores)"; }
# wineserver_cpu: the processor seconds so far of the Wine server of this
# tree's prefix (found by its working folder, named after the prefix's device
# and inode), or 0. Under Wine a system call that needs the server (select(),
# a write to NUL) costs the server's time, which no Windows counter shows.
wineserver_cpu() {
  local want p
  want=server-$(printf '%x-%x' $(stat -c '%d %i' "$build/wineprefix"))
  for p in $(pgrep -x wineserver64) $(pgrep -x wineserver); do
    case $(readlink "/proc/$p/cwd") in */"$want")
      awk -v hz="$(getconf CLK_TCK)" '{printf "%.2f\n", ($14 + $15) / hz}' "/proc/$p/stat"; return ;;
    esac
  done
  echo 0
}
