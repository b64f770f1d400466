#!/usr/bin/env bash
# Builds every third-party library from Debian source packages, one prefix
# per Windows target:
#   <build>/deps/i686-<key>/i686      static i686 libraries for Setup.exe and its tests
#   <build>/deps/i686-<key>/native    patched minizip and the 7-Zip codecs for the native build
#   <build>/deps/x86_64-<key>/x86_64  the same libraries for the 64-bit build
# Each key covers the source versions, that target's compilers and this
# script, so a second run with nothing changed only prints the prefix. Each
# library's build output goes to <build>/deps-logs/<target>/<name>.log and
# stays there; a failing step names itself and shows the end of its log.
# Usage: scripts/deps.sh BUILD_DIR [i686|x86_64]   (default i686; prints the
# prefix on its last line)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
. "$top/scripts/lib/common.sh"
build=$(mkdir -p "${1:-$top/build}" && cd "${1:-$top/build}" && pwd)
arch=${2:-i686}
case $arch in i686 | x86_64) ;; *) echo "$(basename "$0"): no Windows target '$arch' (i686 or x86_64)" >&2; exit 2 ;; esac
triple=$arch-w64-mingw32
packages=(zlib bzip2 xz-utils wavpack curl 7zip googletest libsodium)

# Asking apt-cache for the source versions takes a second or more; they only
# change with apt's source indexes, so they are kept for one state of those.
indexes=$( { echo "${packages[*]}"; stat -c '%n %s %Y' /var/lib/apt/lists/*_Sources* 2>/dev/null || true; } |
  sha256sum | cut -c1-16)
versions=$build/deps-versions
if [ "$(head -n 1 "$versions" 2>/dev/null)" != "$indexes" ]; then
  { echo "$indexes"; apt-cache showsrc "${packages[@]}" | grep '^\(Package\|Version\):'; } >"$versions.new"
  mv "$versions.new" "$versions"
fi
key=$( {
  tail -n +2 "$versions"
  "$triple-g++-posix" --version | head -1
  [ "$arch" = i686 ] && clang --version | head -1
  find "$top"/scripts/deps.sh "$top"/scripts/lib/common.sh "$top"/cmake/mingw-common.cmake "$top/cmake/mingw-$arch.cmake" "$top"/cmake/deps \
    -type f | sort | xargs cat
} | sha256sum | cut -c1-16)
prefix=$build/deps/$arch-$key
if [ -f "$prefix/.complete" ]; then echo "$prefix"; exit 0; fi

jobs=$(nproc)
src=$build/deps-src/$arch
logs=$build/deps-logs/$arch
rm -rf "$src" "$prefix" "$logs"; mkdir -p "$src" "$prefix/$arch" "$logs"
cd "$src"

for p in "${packages[@]}"; do fetch "$p"; done

# I: the Windows libraries; N: the native ones, made once, beside the i686 ones.
I=$prefix/$arch; N=
[ "$arch" = i686 ] && N=$prefix/native && mkdir -p "$N"
# Every function and object in a section of its own: Setup.exe's link drops
# what nothing calls (--gc-sections).
SECTIONS="-ffunction-sections -fdata-sections"
# Built for size (MinSizeRel) where no benchmark spends its time: xz, wavpack,
# curl, the 7-Zip codecs, bzip2; zlib and libsodium stay -O2.
cross=(-DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel
       -DCMAKE_C_FLAGS="$SECTIONS" -DCMAKE_CXX_FLAGS="$SECTIONS"
       -DCMAKE_INSTALL_PREFIX="$I" -DBUILD_SHARED_LIBS=OFF -DCMAKE_POSITION_INDEPENDENT_CODE=OFF -G Ninja)
# The C libraries whose callbacks never throw (zlib, bzip2, xz, wavpack,
# curl: the HTTP client lets no exception leave a libcurl callback; libsodium
# calls nothing back) need no unwind tables, which are a tenth of Setup.exe.
# The 7-Zip codecs are C++ and read through callbacks that throw: theirs stay.
NOUNWIND=-fno-asynchronous-unwind-tables
cross_c=("${cross[@]/#-DCMAKE_C_FLAGS=*/-DCMAKE_C_FLAGS=$SECTIONS $NOUNWIND}")
CC_W=$triple-gcc-posix; AR_W=$triple-ar

# plain C sources into one static library: lib NAME OUTDIR CC CFLAGS... -- FILES...
# (run through step, where errexit is off: every command checks for itself)
lib() {
  local name=$1 out=$2 cc=$3; shift 3
  local flags=() objs=() f
  while [ "$1" != -- ]; do flags+=("$1"); shift; done; shift
  mkdir -p "$out/lib" "$src/obj-$name-$(basename "$out")" || return
  for f in "$@"; do
    local o="$src/obj-$name-$(basename "$out")/$(basename "${f%.*}").o"
    echo "$cc -O2 ${flags[*]} -c $f"
    local sections=(); [ "$cc" = "$CC_W" ] && sections=($SECTIONS)
    "$cc" -O2 "${sections[@]}" "${flags[@]}" -c "$f" -o "$o" || return; objs+=("$o")
  done
  local ar=ar; [ "$cc" = "$CC_W" ] && ar=$AR_W
  rm -f "$out/lib/lib$name.a" && "$ar" rcs "$out/lib/lib$name.a" "${objs[@]}"
}

# zlib and minizip. minizip refuses raw reads of methods other than 0, 8 and 12;
# our own decoders need the raw bytes of every method.
z=$(dir zlib)
step zlib lib z "$I" "$CC_W" $NOUNWIND -- "$z"/{adler32,compress,crc32,deflate,gzclose,gzlib,gzread,gzwrite,infback,inffast,inflate,inftrees,trees,uncompr,zutil}.c
mkdir -p "$I/include/minizip"
cp "$z"/zlib.h "$z"/zconf.h "$I/include/"
mz=$z/contrib/minizip
step minizip patch -d "$mz" -p1 -i "$top/cmake/deps/minizip-raw-any-method.patch"
step minizip lib minizip "$I" "$CC_W" -I"$I/include" -DNOUNCRYPT -DNOCRYPT -- "$mz/ioapi.c" "$mz/unzip.c"
cp "$mz"/ioapi.h "$mz"/unzip.h "$I/include/minizip/"
if [ -n "$N" ]; then
  mkdir -p "$N/include/minizip"
  step minizip lib minizip "$N" clang -fPIC -g -DNOUNCRYPT -DNOCRYPT -- "$mz/ioapi.c" "$mz/unzip.c"
  cp "$mz"/ioapi.h "$mz"/unzip.h "$N/include/minizip/"
fi

# bzip2
b=$(dir bzip2)
step bzip2 lib bz2 "$I" "$CC_W" -D_WIN32 -Os $NOUNWIND -- "$b"/{blocksort,huffman,crctable,randtable,compress,decompress,bzlib}.c
cp "$b/bzlib.h" "$I/include/"

# xz-utils (liblzma only; where installing wants the programs too, copy by hand)
x=$(dir xz-utils)
step xz cmake -S "$x" -B "$src/xz-build" "${cross_c[@]}" -DHAVE_GETOPT_LONG=OFF -DENABLE_NLS=OFF
step xz cmake --build "$src/xz-build" --target liblzma -j"$jobs"
if ! cmake --install "$src/xz-build" >>"$logs/xz.log" 2>&1; then
  cp "$src"/xz-build/liblzma.a "$I/lib/"; cp -r "$x"/src/liblzma/api/lzma "$x"/src/liblzma/api/lzma.h "$I/include/"
fi

# wavpack (library only)
w=$(dir wavpack)
step wavpack cmake -S "$w" -B "$src/wv-build" "${cross_c[@]}" -DWAVPACK_BUILD_PROGRAMS=OFF -DWAVPACK_BUILD_DOCS=OFF \
  -DWAVPACK_BUILD_COOLEDIT_PLUGIN=OFF -DWAVPACK_BUILD_WINAMP_PLUGIN=OFF -DWAVPACK_ENABLE_LIBCRYPTO=OFF \
  -DWAVPACK_INSTALL_DOCS=OFF -DBUILD_TESTING=OFF
step wavpack cmake --build "$src/wv-build" -j"$jobs"
step wavpack cmake --install "$src/wv-build"

# curl: HTTP and HTTPS only, TLS through Schannel (the system's). The
# threaded resolver resolves on a helper thread, so the window keeps painting.
# Proxies, HTTP authentication and NTLM are on for release builds, which go
# through the user's Windows proxy and answer its 407 with the logged-on
# user's credentials (Negotiate and NTLM through SSPI, which Schannel brings
# along); one library serves both builds and the default build never turns
# them on. Off: what the client never asks for (its own cookie engine, MIME,
# HSTS, Alt-Svc, .netrc, DNS over HTTPS, the option list).
c=$(dir curl)
step curl cmake -S "$c" -B "$src/curl-build" "${cross_c[@]}" -DHTTP_ONLY=ON -DCURL_ENABLE_SSL=ON -DCURL_USE_OPENSSL=OFF \
  -DCURL_USE_SCHANNEL=ON -DCURL_WINDOWS_SSPI=ON -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBPSL=OFF -DUSE_LIBIDN2=OFF \
  -DUSE_NGHTTP2=OFF -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DENABLE_THREADED_RESOLVER=ON \
  -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_UNIX_SOCKETS=OFF -DCURL_DISABLE_LDAP=ON -DENABLE_MANUAL=OFF \
  -DCURL_CA_PATH=none -DCURL_CA_BUNDLE=none -DENABLE_IPV6=OFF \
  -DCURL_DISABLE_COOKIES=ON -DCURL_DISABLE_MIME=ON -DCURL_DISABLE_HSTS=ON \
  -DCURL_DISABLE_ALTSVC=ON -DCURL_DISABLE_NETRC=ON -DCURL_DISABLE_DOH=ON -DCURL_DISABLE_GETOPTIONS=ON
step curl cmake --build "$src/curl-build" -j"$jobs"
step curl cmake --install "$src/curl-build"

# 7-Zip codecs (Shrink, Implode, Deflate64, PPMd8), built by our own small project
s=$(dir 7zip)
for t in "$arch" ${N:+native}; do
  args=("${cross[@]}"); [ $t = native ] && args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
     -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_INSTALL_PREFIX="$N" -DCMAKE_POSITION_INDEPENDENT_CODE=ON -G Ninja)
  step 7zip cmake -S "$top/cmake/deps/codec7z" -B "$src/7z-$t" "${args[@]}" -DSEVENZIP_SOURCE="$s"
  step 7zip cmake --build "$src/7z-$t" -j"$jobs"
  step 7zip cmake --install "$src/7z-$t"
done

# GoogleTest
g=$(dir googletest)
step googletest cmake -S "$g" -B "$src/gtest-build" "${cross[@]}" -Dgtest_force_shared_crt=OFF
step googletest cmake --build "$src/gtest-build" -j"$jobs"
step googletest cmake --install "$src/gtest-build"

# libsodium (Ed25519 and BLAKE2b for release signatures). Debian's source has no
# generated configure script. Without stack protection: it would pull libssp in.
# Minimal: the high-level primitives only, which hold both. -mxsave only
# lets configure find _xgetbv(): without it libsodium cannot ask whether the
# system saves AVX registers, takes AVX2 for absent and never picks its AVX2
# BLAKE2b (the compiler emits no XSAVE instruction of its own).
n=$(dir libsodium)
(cd "$n" && step libsodium autoreconf -fi)
mkdir -p "$src/sodium-build"
(cd "$src/sodium-build" && step libsodium "$n/configure" --host="$triple" CC="$CC_W" --prefix="$I" \
   --disable-shared --enable-static --disable-ssp --disable-dependency-tracking --enable-minimal \
   CFLAGS="-O2 -mxsave $SECTIONS $NOUNWIND")
step libsodium make -C "$src/sodium-build" -j"$jobs"
step libsodium make -C "$src/sodium-build" install

touch "$prefix/.complete"
# Older prefixes of this target go; the other target's stays.
find "$build/deps" -mindepth 1 -maxdepth 1 -name "$arch-*" ! -name "$arch-$key" -exec rm -rf {} +
rm -rf "$src"
echo "$prefix"
