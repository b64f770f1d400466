# Sourced by test.sh, demo.sh and fuzz.sh with $top and $build set. Installs
# the Debian packages that are missing, builds the libraries (exports
# SETUP_DEPS, which CMakePresets.json reads) and defines:
#   setup_configure PRESET          configures $build/PRESET (win or native)
#   setup_build PRESET [TARGET...]  builds it, or only the targets named
# SETUP_WERROR=ON in the environment turns compiler warnings into errors (CI).
. "$top/scripts/lib.sh"
"$top/scripts/apt-packages.sh"
SETUP_DEPS=$("$top/scripts/deps.sh" "$build" | tail -1)
export SETUP_DEPS

setup_configure() {
  (cd "$top" && cmake --preset "$1" -B "$build/$1" -DSETUP_WERROR="${SETUP_WERROR:-OFF}" >/dev/null)
}
setup_build() {
  local preset=$1; shift
  cmake --build "$build/$preset" ${1:+--target "$@"}
}
