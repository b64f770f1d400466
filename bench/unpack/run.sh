#!/usr/bin/env bash
# Unpacks (a) a ~300 MB Deflate archive of 3,000 files and (b) an archive of
# one 1 GB file, with UnpackArchive under Wine and with Info-ZIP unzip
# natively, in the same run; prints both times, the ratio and our peak memory.
# Everything generated lives under <build>/bench-unpack and is deleted at the end.
# Usage: bench/unpack/run.sh [BUILD_DIR]   (BUILD_DIR: a Windows build tree, default build/win)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build/win}" && pwd)
work=$(dirname "$build")/bench-unpack
cmake --build "$build" --target unpack_bench -j2 >/dev/null
exe=$build/bench/unpack/unpack_bench.exe
trap 'rm -rf "$work"' EXIT
rm -rf "$work"
mkdir -p "$work"

python3 - "$work" <<'PY'
import base64, os, sys
work = sys.argv[1]
rnd = open("/dev/urandom", "rb")
# Half random text (deflates to about 3/4), half repeated lines (to almost
# nothing): a mix like programs, data and documents.
def chunk(size):
    random_part = base64.b64encode(rnd.read(size // 2 * 3 // 4))
    lines = b"".join(b"regel %d van het bestelprogramma\r\n" % i for i in range(size // 64))
    return (random_part + lines)[:size]
many = os.path.join(work, "many")
for i in range(3000):
    d = os.path.join(many, "dir%02d" % (i % 30))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "file%04d.dat" % i), "wb") as f:
        f.write(chunk(160_000 + (i * 7919) % 160_000))
os.makedirs(os.path.join(work, "one"))
with open(os.path.join(work, "one", "big.dat"), "wb") as f:
    for _ in range(1024):
        f.write(chunk(1 << 20))
PY
(cd "$work/many" && zip -q -r "$work/many.zip" .)
(cd "$work/one" && zip -q "$work/one.zip" big.dat)
rm -rf "$work/many" "$work/one"

measure() {  # name archive
  local name=$1 archive=$2
  local size; size=$(du -m "$archive" | cut -f1)
  cat "$archive" >/dev/null  # both read it from the page cache
  rm -rf "$work/out"; mkdir -p "$work/out"
  local t0 t1; t0=$(date +%s.%N)
  unzip -q -o "$archive" -d "$work/out"
  t1=$(date +%s.%N)
  local unzip_s; unzip_s=$(echo "$t1 - $t0" | bc)
  rm -rf "$work/out"; mkdir -p "$work/out"
  cp "$archive" "$work/out/main.zip"
  cat "$work/out/main.zip" >/dev/null
  # GNU time adds the largest resident size of the Wine process as a whole.
  local ours; ours=$(/usr/bin/time -f "wine_process_max_rss_mib %M" "$build/wine-run" "$exe" \
    "Z:$(echo "$work/out/main.zip" | tr / '\\')" 2>&1)
  rm -rf "$work/out"
  ours=$(echo "$ours" | tr -d "\r")
  local ours_s; ours_s=$(echo "$ours" | awk '/^seconds/ {print $2}')
  echo "== $name (archive ${size} MB)"
  echo "unzip (native):          ${unzip_s} s"
  echo "UnpackArchive (Wine):    ${ours_s} s"
  echo "ratio:                   $(echo "scale=3; $ours_s / $unzip_s" | bc | xargs printf "%.2f")"
  echo "$ours" | grep -v '^seconds' | awk '/^wine_process/ {printf "  %s %.1f\n", $1, $2 / 1024; next} {print "  " $0}'
}
measure "a) 3,000 files" "$work/many.zip"
measure "b) one 1 GB file" "$work/one.zip"
