# Sourced by every script that builds (test.sh, demo.sh, fuzz.sh, release.sh,
# the benchmarks) with $top and $build set; not a command of its own. Installs
# the Debian packages that are missing, builds the i686 and native libraries
# (exports SETUP_DEPS, which CMakePresets.json reads; a SETUP_DEPS already set
# to a complete prefix is used as it is) and defines:
#   setup_configure PRESET[:TREE] [CMAKE_ARG...]  configures $build/TREE (default: the
#                                   preset's name, win, win64 or native); win64
#                                   first builds its libraries (SETUP_DEPS_X64)
#   setup_build TREE [TARGET...]    builds it, or only the targets named
# SETUP_WERROR=ON in the environment turns compiler warnings into errors (CI).
[ "${BASH_SOURCE[0]}" != "$0" ] || { echo "$(basename "$0") is sourced by the scripts in scripts/ and bench/, not run" >&2; exit 2; }
. "$top/scripts/lib/common.sh"
"$top/scripts/apt-packages.sh"

# setup_deps i686|x86_64: exports that target's prefix (SETUP_DEPS or
# SETUP_DEPS_X64), building the libraries unless a complete one is set.
setup_deps() {
  local var=SETUP_DEPS; [ "$1" = x86_64 ] && var=SETUP_DEPS_X64
  if [ -z "${!var:-}" ] || [ ! -f "${!var}/.complete" ]; then
    printf -v "$var" '%s' "$("$top/scripts/deps.sh" "$build" "$1" | tail -1)"
  fi
  export "${var?}"
}
setup_deps i686

setup_configure() {
  local preset=${1%%:*} tree=${1#*:}; shift
  [ "$preset" = win64 ] && setup_deps x86_64
  (cd "$top" && cmake --preset "$preset" -B "$build/$tree" -DSETUP_WERROR="${SETUP_WERROR:-OFF}" "$@" >/dev/null)
}
setup_build() {
  local tree=$1; shift
  cmake --build "$build/$tree" ${1:+--target "$@"}
}
