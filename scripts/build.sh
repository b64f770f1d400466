# Sourced by every script that builds (test.sh, demo.sh, fuzz.sh, release.sh,
# the benchmarks) with $top and $build set. Installs the Debian packages that
# are missing, builds the libraries (exports SETUP_DEPS, which
# CMakePresets.json reads; a SETUP_DEPS already set to a complete prefix is
# used as it is) and defines:
#   setup_configure PRESET[:TREE] [CMAKE_ARG...]  configures $build/TREE (default: the
#                                   preset's name, win or native)
#   setup_build TREE [TARGET...]    builds it, or only the targets named
# SETUP_WERROR=ON in the environment turns compiler warnings into errors (CI).
. "$top/scripts/lib.sh"
"$top/scripts/apt-packages.sh"
if [ -z "${SETUP_DEPS:-}" ] || [ ! -f "$SETUP_DEPS/.complete" ]; then
  SETUP_DEPS=$("$top/scripts/deps.sh" "$build" | tail -1)
fi
export SETUP_DEPS

setup_configure() {
  local preset=${1%%:*} tree=${1#*:}; shift
  (cd "$top" && cmake --preset "$preset" -B "$build/$tree" -DSETUP_WERROR="${SETUP_WERROR:-OFF}" "$@" >/dev/null)
}
setup_build() {
  local tree=$1; shift
  cmake --build "$build/$tree" ${1:+--target "$@"}
}
