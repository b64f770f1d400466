#!/usr/bin/env bash
# Builds the programs the benchmarks compare ours with, as static 32-bit
# Windows executables from Debian source packages:
#   <prefix>/curl.exe   the curl tool, configured like our libcurl (HTTP only,
#                       no TLS, no proxy, no threaded resolver)
#   <prefix>/unzip.exe  Info-ZIP unzip, its own win32 makefile for MinGW,
#                       with Debian's patches (apt-get source applies them)
# The prefix is <build>/peers/<key>; the key covers the source versions, the
# compilers and this script, so a second run only prints the prefix. Each
# step's log stays in <build>/peers-src; a failing step prints its tail.
# Usage: bench/peers.sh BUILD_DIR   (prints the prefix on its last line)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(mkdir -p "${1:-$top/build}" && cd "${1:-$top/build}" && pwd)
packages=(curl unzip)
CC_W=i686-w64-mingw32-gcc-posix

key=$( {
  for p in "${packages[@]}"; do apt-cache showsrc "$p" | grep '^Version'; done
  "$CC_W" --version | head -1; i686-w64-mingw32-g++-posix --version | head -1
  cat "$0" "$top/cmake/mingw-i686.cmake"
} | sha256sum | cut -c1-16)
prefix=$build/peers/$key
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

jobs=$(nproc)
src=$build/peers-src
rm -rf "$src" "$prefix"; mkdir -p "$src" "$prefix"
cd "$src"

# step NAME COMMAND...: runs the command with its output in NAME.log; on
# failure shows the end of that log.
step() {
  local name=$1; shift
  if ! "$@" >"$src/$name.log" 2>&1; then
    echo "bench/peers.sh: step '$name' failed; end of $src/$name.log:" >&2
    tail -40 "$src/$name.log" >&2
    exit 1
  fi
}

# Newest first; a version the mirror no longer holds is skipped.
fetch() {
  local p=$1 v
  for v in $(apt-cache showsrc "$p" | sed -n 's/^Version: //p' | sort -rV | uniq); do
    if apt-get source -qq "$p=$v" >"$src/fetch-$p.log" 2>&1; then echo "$v" >"$src/version-$p"; return 0; fi
    rm -rf "$src/$p"[_-]* 2>/dev/null || true
  done
  echo "cannot fetch the source package $p" >&2; tail -20 "$src/fetch-$p.log" >&2; return 1
}
for p in "${packages[@]}"; do fetch "$p"; done
dir() { find "$src" -maxdepth 1 -type d -name "$1-*" | head -1; }

# curl.exe: the same options as the libcurl of scripts/deps.sh, plus the tool.
c=$(dir curl)
step curl-configure cmake -S "$c" -B "$src/curl-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" -DBUILD_SHARED_LIBS=OFF \
  -DCMAKE_POSITION_INDEPENDENT_CODE=OFF -DCMAKE_EXE_LINKER_FLAGS=-static \
  -DHTTP_ONLY=ON -DCURL_ENABLE_SSL=OFF -DCURL_USE_OPENSSL=OFF \
  -DCURL_USE_SCHANNEL=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBPSL=OFF -DUSE_LIBIDN2=OFF -DUSE_NGHTTP2=OFF \
  -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DENABLE_THREADED_RESOLVER=OFF -DCURL_DISABLE_PROXY=ON \
  -DBUILD_CURL_EXE=ON -DBUILD_TESTING=OFF -DENABLE_UNIX_SOCKETS=OFF -DCURL_DISABLE_LDAP=ON -DENABLE_MANUAL=OFF \
  -DCURL_CA_PATH=none -DCURL_CA_BUNDLE=none -DENABLE_IPV6=OFF
step curl-build cmake --build "$src/curl-build" --target curl -j"$jobs"
cp "$src/curl-build/src/curl.exe" "$prefix/curl.exe"

# unzip.exe: win32/Makefile.gcc as shipped (assembler CRC, its own inflate).
# win32.c and nt.c include <windows.h> after unzip.h, which defines CR as a
# character; winnt.h has a bit field named CR, so the macro is lifted around
# that include.
u=$(dir unzip)
sed -i 's|^#include <windows.h>.*|#undef CR\n&\n#define CR 13|' "$u/win32/win32.c" "$u/win32/nt.c"
step unzip-build make -C "$u" -f win32/Makefile.gcc -j"$jobs" CC="$CC_W" AR=i686-w64-mingw32-ar \
  RC=i686-w64-mingw32-windres CC_CPU_OPT=-march=i686 LD="$CC_W -static" unzip.exe
cp "$u/unzip.exe" "$prefix/unzip.exe"

for p in "${packages[@]}"; do echo "$p $(cat "$src/version-$p")"; done >"$prefix/versions"
touch "$prefix/.complete"
find "$build/peers" -mindepth 1 -maxdepth 1 ! -name "$key" -exec rm -rf {} +
echo "$prefix"
