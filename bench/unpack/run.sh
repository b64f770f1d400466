#!/usr/bin/env bash
# Unpacks (a) a ~300 MB Deflate archive of 3,000 files of 160-320 KB in 30
# folders and (b) an archive of one big file (512 MB by default), flattened
# into one folder, in turn, RUNS times:
#   ours   UnpackArchive under Wine (unpack_bench.exe; the archive sits in the
#          target folder and is deleted, as in a real run)
#   peer   unzip.exe -j, Info-ZIP unzip from Debian's source (bench/peers.sh), under Wine
#   limit  (a) limit_files.exe: CreateFileW + WriteFile + SetFileTime of the
#              same 3,000 sizes from memory, no decoding, under Wine
#          (b) limit_inflate.exe: zlib inflate + CRC-32 of the same entry
#              into memory, no file written (what decoding alone costs)
#   native Info-ZIP unzip -j on Linux
# Each figure is the wall-clock time of the whole process, the best of the
# runs. Then, one run each, where the time goes: the file-creation loop
# with one call added or changed at a time, decoding all 3,000 entries
# into memory, and the big entry decoded and written on one thread. The
# last lines are the ratios ours/peer and ours/limit (time over time: below
# 1 means ours is faster). Everything generated lives under
# <build>/bench-unpack and is deleted at the end.
# Usage: bench/unpack/run.sh [BUILD_DIR] [RUNS] [BIG_MB]
#   BUILD_DIR: a Windows build tree (default build/win); RUNS: default 3; BIG_MB: default 512
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build/win}" && pwd)
runs=${2:-3}
big_mb=${3:-512}
. "$top/bench/common.sh"
work=$build/bench-unpack
cmake --build "$build" --target unpack_bench limit_files limit_inflate -j2 >/dev/null
peers=$("$top/bench/peers.sh" "$build" | tail -1)
exe=$build/bench/unpack/unpack_bench.exe
files=$build/bench/limits/limit_files.exe
inflate=$build/bench/limits/limit_inflate.exe
run="$build/wine-run"
trap 'rm -rf "$work"' EXIT
rm -rf "$work"
mkdir -p "$work"

python3 - "$work" "$big_mb" <<'PY'
import base64, os, sys
work, big_mb = sys.argv[1], int(sys.argv[2])
rnd = open("/dev/urandom", "rb")
# Half random text (deflates to about 3/4), half repeated lines (to almost
# nothing): a mix like programs, data and documents.
def chunk(size):
    random_part = base64.b64encode(rnd.read(size // 2 * 3 // 4))
    lines = b"".join(b"regel %d van het bestelprogramma\r\n" % i for i in range(size // 64))
    return (random_part + lines)[:size]
many = os.path.join(work, "many")
with open(os.path.join(work, "many.list"), "w") as listing:
    for i in range(3000):
        d = os.path.join(many, "dir%02d" % (i % 30))
        os.makedirs(d, exist_ok=True)
        size = 160_000 + (i * 7919) % 160_000
        with open(os.path.join(d, "file%04d.dat" % i), "wb") as f:
            f.write(chunk(size))
        listing.write("file%04d.dat %d\n" % (i, size))
os.makedirs(os.path.join(work, "one"))
with open(os.path.join(work, "one", "big.dat"), "wb") as f:
    for _ in range(big_mb):
        f.write(chunk(1 << 20))
PY
(cd "$work/many" && zip -q -r "$work/many.zip" .)
(cd "$work/one" && zip -q "$work/one.zip" big.dat)
rm -rf "$work/many" "$work/one"
out=$work/out
W() { winpath "$1"; }
fresh() { rm -rf "$out"; mkdir -p "$out"; sync -f "$work" 2>/dev/null || true; }
"$run" "$inflate" >/dev/null 2>&1 || true  # the prefix and wineserver are up before timing

load
measure() {  # name archive limit-command...
  local name=$1 archive=$2; shift 2
  local size; size=$(du -m "$archive" | cut -f1)
  cat "$archive" >/dev/null  # all read it from the page cache
  local ours=() peer=() limit=() native=() private=() working=() t
  for _ in $(seq "$runs"); do
    fresh; cp "$archive" "$out/main.zip"
    t=$(wall "$work/ours.txt" "$run" "$exe" "$(W "$out/main.zip")"); ours+=("$t")
    private+=("$(awk '/^private_peak_mib/ {print $2}' "$work/ours.txt" | tr -d '\r')")
    working+=("$(awk '/^working_set_peak_mib/ {print $2}' "$work/ours.txt" | tr -d '\r')")
    fresh; cp "$archive" "$out/main.zip"
    t=$(wall "$work/peer.txt" "$run" "$peers/unzip.exe" -q -o -j "$(W "$out/main.zip")" -d "$(W "$out")"); peer+=("$t")
    fresh
    t=$(wall "$work/limit.txt" "$run" "$@"); limit+=("$t")
    fresh
    t=$(wall "$work/native.txt" unzip -q -o -j "$archive" -d "$out"); native+=("$t")
  done
  rm -rf "$out"
  o=$(best "${ours[@]}"); p=$(best "${peer[@]}"); l=$(best "${limit[@]}"); n=$(best "${native[@]}")
  echo "== $name (archive $size MB), $runs runs each, alternating"
  echo "runs (s): ours ${ours[*]} | unzip.exe ${peer[*]} | limit ${limit[*]} | native unzip ${native[*]}"
  printf '  %-40s %7s s\n' "ours: UnpackArchive (Wine)" "$o" "peer: unzip.exe -j (Wine)" "$p" \
    "limit: $limit_name (Wine)" "$l" "native: unzip -j (Linux)" "$n"
  echo "  our own timing inside the process: $(awk '/^seconds/ {print $2}' "$work/ours.txt" | tr -d '\r') s (last run)"
  echo "  our peak private bytes $(most "${private[@]}") MiB, peak working set $(most "${working[@]}") MiB (under Wine it counts Wine's libraries)"
}

# Figures of one limit program run, into a fresh folder: "wall s (own s)".
variant() {  # label program args...
  local label=$1; shift
  fresh
  local t; t=$(wall "$work/variant.txt" "$run" "$@")
  printf '    %-64s %7s s  (in the process %s s)\n' "$label" "$t" \
    "$(awk '{for (i = 1; i < NF; i++) if ($i == "seconds") print $(i + 1)}' "$work/variant.txt" | tr -d '\r')"
}

list=$(W "$work/many.list")
limit_name="CreateFile + WriteFile + SetFileTime"
measure "a) 3,000 files" "$work/many.zip" "$files" "$list" "$(W "$out")"
many_o=$o many_p=$p many_l=$l many_n=$n
echo "  where the time goes, one run each (the file-creation loop unless said):"
variant "CreateFile + one WriteFile + SetFileTime (the limit)" "$files" "$list" "$(W "$out")"
variant "  without SetFileTime" "$files" "$list" "$(W "$out")" -notime
variant "  + SetFileAttributesW by path after closing" "$files" "$list" "$(W "$out")" -attrs
variant "  + GetFileAttributesW of the name first" "$files" "$list" "$(W "$out")" -probe
variant "  opened for reading and writing, shared for reading" "$files" "$list" "$(W "$out")" -rw
variant "  written 64 KiB at a time" "$files" "$list" "$(W "$out")" -block 65536
variant "  written 256 KiB at a time" "$files" "$list" "$(W "$out")" -block 262144
variant "  written 1 MiB at a time" "$files" "$list" "$(W "$out")" -block 1048576
variant "  spread over 30 folders (100 files each)" "$files" "$list" "$(W "$out")" -dirs 30
variant "  spread over 300 folders (10 files each)" "$files" "$list" "$(W "$out")" -dirs 300
variant "  all of ours' calls: listing, read+write, 256 KiB, time, attributes" \
  "$files" "$list" "$(W "$out")" -list -rw -block 262144 -attrs
# The same into a folder that already holds the 3,000 files: overwriting.
fresh
"$run" "$files" "$list" "$(W "$out")" >/dev/null
t=$(wall "$work/variant.txt" "$run" "$files" "$list" "$(W "$out")" -list -rw -block 262144 -attrs)
printf '    %-64s %7s s  (in the process %s s)\n' "  the same, overwriting the 3,000 files" "$t" \
  "$(field "$(cat "$work/variant.txt")" seconds)"
variant "decoding alone: inflate + CRC-32 of all 3,000 entries into memory" "$inflate" "$(W "$work/many.zip")" -all
echo "    ($(tr -d '\r' <"$work/variant.txt"))"

limit_name="inflate + CRC-32 into memory"
measure "b) one $big_mb MB file" "$work/one.zip" "$inflate" "$(W "$work/one.zip")"
one_o=$o one_p=$p one_l=$l one_n=$n
echo "  where the time goes, one run each:"
variant "inflate + CRC-32 into memory (the limit)" "$inflate" "$(W "$work/one.zip")"
echo "    ($(tr -d '\r' <"$work/variant.txt"))"
variant "inflate alone, no CRC-32" "$inflate" "$(W "$work/one.zip")" -nocrc
variant "inflate + CRC-32 + WriteFile of 256 KiB blocks, one thread" "$inflate" "$(W "$work/one.zip")" -out "$(W "$out/big.dat")"
echo "    ($(tr -d '\r' <"$work/variant.txt"))"
write_one=$(awk '{for (i = 1; i < NF; i++) if ($i == "seconds") print $(i + 1)}' "$work/variant.txt" | tr -d '\r')
rm -rf "$out"

echo "a) 3,000 files:   ours/native $(ratio "$many_o" "$many_n")  ours/peer $(ratio "$many_o" "$many_p")  ours/limit $(ratio "$many_o" "$many_l")"
echo "b) one big file:  ours/native $(ratio "$one_o" "$one_n")  ours/peer $(ratio "$one_o" "$one_p")  ours/limit $(ratio "$one_o" "$one_l")  ours/(decode + write, one thread, in the process) $(ratio "$one_o" "$write_one")"
