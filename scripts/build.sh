# Sourced with $top and $build set: installs the Debian packages, builds the
# libraries (sets $deps), then configures and builds both trees.
"$top/scripts/apt-packages.sh"
deps=$("$top/scripts/deps.sh" "$build" | tail -1)
cmake -S "$top" -B "$build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" -DSETUP_DEPS="$deps" >/dev/null
cmake --build "$build/win"
cmake -S "$top" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DSETUP_DEPS="$deps" >/dev/null
cmake --build "$build/native"
