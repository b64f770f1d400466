#!/usr/bin/env bash
# Builds the programs the benchmarks compare ours with, as static Windows
# executables for the benchmarked tree's target (i686 or x86_64) from Debian
# source packages:
#   <prefix>/curl.exe   the curl tool on a libcurl configured like ours but
#                       without TLS and with the synchronous resolver: ours
#                       adds Schannel and the threaded resolver, which a
#                       plain http download does not use
#   <prefix>/unzip.exe  Info-ZIP unzip, its own win32 makefile for MinGW,
#                       with Debian's patches (apt-get source applies them)
#   <prefix>/nsis_peer.exe  an installer made by Debian's makensis (package
#                       nsis, whose stubs Debian builds from source with
#                       MinGW, x86 and amd64) from bench/startup/nsis_peer.nsi:
#                       the peer of the first paint
# The prefix is <build>/peers/<arch>-<key>; the key covers the source
# versions, the compilers and this script, so a second run only prints the
# prefix. Each step's log stays in <build>/peers-src/logs; a failing step
# prints its tail.
# Usage: bench/peers.sh BUILD_DIR [i686|x86_64]   (default i686; prints the
# prefix on its last line)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/lib/common.sh"
build=$(mkdir -p "${1:-$top/build}" && cd "${1:-$top/build}" && pwd)
arch=${2:-i686}
packages=(curl unzip)
triple=$arch-w64-mingw32
CC_W=$triple-gcc-posix

key=$( {
  for p in "${packages[@]}"; do apt-cache showsrc "$p" | grep '^Version'; done
  "$CC_W" --version | head -1; "$triple-g++-posix" --version | head -1
  makensis -VERSION
  cat "$0" "$top/scripts/lib/common.sh" "$top/cmake/mingw-common.cmake" "$top/cmake/mingw-$arch.cmake" \
    "$top/bench/startup/nsis_peer.nsi"
} | sha256sum | cut -c1-16)
key=$arch-$key
prefix=$build/peers/$key
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

jobs=$(nproc)
src=$build/peers-src
logs=$src/logs
rm -rf "$src" "$prefix"; mkdir -p "$src" "$logs" "$prefix"
cd "$src"

for p in "${packages[@]}"; do fetch "$p"; done

# curl.exe: scripts/deps.sh's libcurl options less Schannel and the threaded
# resolver, with the parts ours leaves out (cookies, auth, MIME, HSTS, Alt-Svc,
# .netrc, DoH) left in for the tool, built -O3 (Release) where ours is -Os.
c=$(dir curl)
step curl-configure cmake -S "$c" -B "$src/curl-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" -DBUILD_SHARED_LIBS=OFF \
  -DCMAKE_POSITION_INDEPENDENT_CODE=OFF -DCMAKE_EXE_LINKER_FLAGS=-static \
  -DHTTP_ONLY=ON -DCURL_ENABLE_SSL=OFF -DCURL_USE_OPENSSL=OFF \
  -DCURL_USE_SCHANNEL=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBPSL=OFF -DUSE_LIBIDN2=OFF -DUSE_NGHTTP2=OFF \
  -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DENABLE_THREADED_RESOLVER=OFF -DCURL_DISABLE_PROXY=ON \
  -DBUILD_CURL_EXE=ON -DBUILD_TESTING=OFF -DENABLE_UNIX_SOCKETS=OFF -DCURL_DISABLE_LDAP=ON -DENABLE_MANUAL=OFF \
  -DCURL_CA_PATH=none -DCURL_CA_BUNDLE=none -DENABLE_IPV6=OFF
step curl-build cmake --build "$src/curl-build" --target curl -j"$jobs"
cp "$src/curl-build/src/curl.exe" "$prefix/curl.exe"

# unzip.exe: win32/Makefile.gcc as shipped (assembler CRC, its own inflate;
# the CRC assembler is i386 only, so the x86_64 build takes its C code).
# win32.c and nt.c include <windows.h> after unzip.h, which defines CR as a
# character; winnt.h has a bit field named CR, so the macro is lifted around
# that include. So is unzip's empty __G, a parameter name in the x86_64
# intrinsics headers that winnt.h pulls in there.
u=$(dir unzip)
sed -i 's|^#include <windows.h>.*|#undef CR\n#pragma push_macro("__G")\n#undef __G\n&\n#pragma pop_macro("__G")\n#define CR 13|' \
  "$u/win32/win32.c" "$u/win32/nt.c"
cpu=(CC_CPU_OPT=-march=i686); [ "$arch" = x86_64 ] && cpu=(CC_CPU_OPT= NOASM=1)
step unzip-build make -C "$u" -f win32/Makefile.gcc -j"$jobs" CC="$CC_W" AR="$triple-ar" \
  RC="$triple-windres" "${cpu[@]}" LD="$CC_W -static" unzip.exe
cp "$u/unzip.exe" "$prefix/unzip.exe"

# nsis_peer.exe: the welcome page of the modern interface in Dutch, with the
# wizard's title text, for the current user, for the same target.
target=x86-unicode; [ "$arch" = x86_64 ] && target=amd64-unicode
step nsis-peer makensis -V2 "-XTarget $target" "-XOutFile \"$prefix/nsis_peer.exe\"" "$top/bench/startup/nsis_peer.nsi"

for p in "${packages[@]}"; do echo "$p $(cat "$src/version-$p")"; done >"$prefix/versions"
touch "$prefix/.complete"
find "$build/peers" -mindepth 1 -maxdepth 1 -name "$arch-*" ! -name "$key" -exec rm -rf {} +
echo "$prefix"
