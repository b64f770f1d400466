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
# runs. Then where the time goes (best of ROUNDS, default 2): the
# file-creation loop with one call added or changed at a time, decoding all
# 3,000 entries into memory, ours on the same files stored, and the big
# entry decoded alone and decoded and written on one thread. Beside each
# wall time: our decoding and writing threads' processor time and how long
# each waited for the other, and the limit's processor time (on a busy
# machine a thread also waits for a core). Then (c) archives of many small
# entries, made here (SCALE: default "3000 20000"; 200000 takes hours under
# Wine, whose file creation grows with the folder): seconds per 1,000
# entries, ours and the bare loop, and our peak private bytes. The last
# lines are the ratios ours/peer and ours/limit (time over time: below 1
# means ours is faster). Everything generated lives under
# <build>/bench-unpack and is deleted at the end.
# Usage: [ROUNDS=N] [SCALE="N..."] bench/unpack/run.sh [BUILD_DIR] [RUNS] [BIG_MB]
#   BUILD_DIR: a Windows build tree (default build/win, or build/win64 where 32-bit programs cannot run); RUNS: default 3; BIG_MB: default 512
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
runs=${2:-3}
big_mb=${3:-512}
. "$top/scripts/lib/bench.sh"
bench_tree "${1:-}"
work=$build/bench-unpack
bench_build unpack_bench limit_files limit_inflate
peers=$(bench_peers)
exe=$build/bench/unpack/unpack_bench.exe
files=$build/bench/limits/limit_files.exe
inflate=$build/bench/limits/limit_inflate.exe
run="$build/wine-run"
at_exit 'rm -rf "$work"'
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
(cd "$work/many" && zip -q -r "$work/many.zip" . && zip -q -0 -r "$work/stored.zip" .)
(cd "$work/one" && zip -q "$work/one.zip" big.dat)
rm -rf "$work/many" "$work/one"
out=$work/out
W() { winpath "$1"; }
fresh() { rm -rf "$out"; mkdir -p "$out"; sync -f "$work" 2>/dev/null || true; }
"$run" "$inflate" >/dev/null 2>&1 || true  # the prefix and wineserver are up before timing

measure() {  # name archive limit-command...
  local name=$1 archive=$2; shift 2
  local size; size=$(du -m "$archive" | cut -f1)
  cat "$archive" >/dev/null  # all read it from the page cache
  local ours=() ours_in=() ours_ws=() limit_ws=() threads=() peer=() limit=() limit_in=() limit_cpu=() native=() private=() working=() t
  load
  for _ in $(seq "$runs"); do
    fresh; cp "$archive" "$out/main.zip"
    ws0=$(wineserver_cpu)
    t=$(wall "$work/ours.txt" "$run" "$exe" "$(W "$out/main.zip")"); ours+=("$t")
    ours_ws+=("$(echo "$(wineserver_cpu) - $ws0" | bc)")
    ours_in+=("$(awk '/^seconds/ {print $2}' "$work/ours.txt" | tr -d '\r')")
    threads+=("$(grep '^decoding_cpu' "$work/ours.txt" | tr -d '\r')")
    private+=("$(awk '/^private_peak_mib/ {print $2}' "$work/ours.txt" | tr -d '\r')")
    working+=("$(awk '/^working_set_peak_mib/ {print $2}' "$work/ours.txt" | tr -d '\r')")
    fresh; cp "$archive" "$out/main.zip"
    t=$(wall "$work/peer.txt" "$run" "$peers/unzip.exe" -q -o -j "$(W "$out/main.zip")" -d "$(W "$out")"); peer+=("$t")
    fresh
    ws0=$(wineserver_cpu)
    t=$(wall "$work/limit.txt" "$run" "$@"); limit+=("$t")
    limit_ws+=("$(echo "$(wineserver_cpu) - $ws0" | bc)")
    limit_in+=("$(field "$(tr -d '\r' <"$work/limit.txt")" seconds)")
    limit_cpu+=("$(field "$(tr -d '\r' <"$work/limit.txt")" cpu)")
    fresh
    t=$(wall "$work/native.txt" unzip -q -o -j "$archive" -d "$out"); native+=("$t")
  done
  rm -rf "$out"
  oi=$(best "${ours_in[@]}"); o=$(best "${ours[@]}"); p=$(best "${peer[@]}"); l=$(best "${limit[@]}"); n=$(best "${native[@]}")
  echo "== $name (archive $size MB), $runs runs each, alternating"
  echo "runs (s): ours ${ours[*]} | unzip.exe ${peer[*]} | limit ${limit[*]} | native unzip ${native[*]}"
  printf '  %-40s %7s s\n' "ours: UnpackArchive (Wine)" "$o" "peer: unzip.exe -j (Wine)" "$p" \
    "limit: $limit_name (Wine)" "$l" "native: unzip -j (Linux)" "$n"
  li=$(best "${limit_in[@]}")
  echo "  inside the processes: ours (UnpackArchive alone) $oi s (runs ${ours_in[*]}), limit $li s (runs ${limit_in[*]})"
  # Processor time per thread: what a busy machine's wall time hides (a
  # thread that neither runs nor waits for the other waits for a core).
  local i best_i=0
  for i in "${!ours_in[@]}"; do [ "${ours_in[i]}" = "$oi" ] && best_i=$i; done
  local th=${threads[best_i]}
  ours_dcpu=$(field "$th" decoding_cpu) ours_wcpu=$(field "$th" writing_cpu)
  echo "  ours, run of $oi s: extracting $(field "$th" extracting) s (the rest opens and deletes the archive)"
  echo "  ours per thread, run of $oi s: decoding $ours_dcpu s processor, waited $(field "$th" decoding_waited) s for the writer;" \
    "writing $ours_wcpu s processor, waited $(field "$th" writing_waited) s for the decoder"
  echo "    all runs: $(for t in "${threads[@]}"; do echo -n "[$(echo "$t" | awk '{printf "%s/%s %s/%s", $2, $4, $6, $8}')] "; done)(decoding cpu/waited writing cpu/waited)"
  limit_c=""
  if [ -n "${limit_cpu[0]}" ]; then
    limit_c=$(best "${limit_cpu[@]}")
    echo "  limit's processor time: best $limit_c s (runs ${limit_cpu[*]})"
  fi
  # A thread blocked in a call the Wine server carries out (creating,
  # closing a file) neither runs nor waits for the other thread.
  echo "  the Wine server's processor time per run: ours ${ours_ws[*]} s, limit ${limit_ws[*]} s"
  echo "  our peak private bytes $(most "${private[@]}") MiB, peak working set $(most "${working[@]}") MiB (under Wine it counts Wine's libraries)"
}

# Variants of the limit programs, to show where the time goes: each runs
# into a fresh folder (after an untimed setup command, if given), all of
# them in turn, ROUNDS times; the best of each counts.
rounds=${ROUNDS:-2}
labels=(); commands=(); setups=()
add() {  # label setup-command|"" program args...
  labels+=("$1"); setups+=("$2"); shift 2
  local IFS=$'\t'; commands+=("$*")
}
variants() {
  local n=${#labels[@]} r i t own args setup
  local walls=() owns=() lines=()
  for ((r = 0; r < rounds; r++)); do
    for ((i = 0; i < n; i++)); do
      fresh
      if [ -n "${setups[i]}" ]; then IFS=$'\t' read -ra setup <<<"${setups[i]}"; "$run" "${setup[@]}" >/dev/null; fi
      IFS=$'\t' read -ra args <<<"${commands[i]}"
      t=$(wall "$work/variant.txt" "$run" "${args[@]}")
      own=$(field "$(tr -d '\r' <"$work/variant.txt")" seconds)
      if [ "$r" = 0 ] || [ "$(echo "$own < ${owns[i]}" | bc)" = 1 ]; then
        walls[i]=$t; owns[i]=$own; lines[i]=$(tr -d '\r' <"$work/variant.txt")
      fi
    done
  done
  for ((i = 0; i < n; i++)); do
    printf '    %-66s %7s s  (process %s s)\n' "${labels[i]}" "${owns[i]}" "${walls[i]}"
    case ${lines[i]} in *inflate*) echo "      (${lines[i]})" ;; esac
  done
  last_own=${owns[n - 1]}
  labels=(); commands=(); setups=()
}

list=$(W "$work/many.list")
limit_name="CreateFile + WriteFile + SetFileTime"
measure "a) 3,000 files" "$work/many.zip" "$files" "$list" "$(W "$out")"
many_o=$o many_p=$p many_l=$l many_n=$n
echo "  where the time goes: seconds inside the program, best of $rounds (whole process in brackets):"
L=("$files" "$list" "$(W "$out")")
add "CreateFile + one WriteFile + SetFileTime (the limit)" "" "${L[@]}"
add "  without SetFileTime" "" "${L[@]}" -notime
add "  time and attributes in one SetFileInformationByHandle (as ours)" "" "${L[@]}" -basic
add "  + SetFileAttributesW by path after closing" "" "${L[@]}" -attrs
add "  + GetFileAttributesW of the name first" "" "${L[@]}" -probe
add "  opened for reading and writing, shared for reading" "" "${L[@]}" -rw
add "  written 64 KiB at a time" "" "${L[@]}" -block 65536
add "  written 256 KiB at a time" "" "${L[@]}" -block 262144
add "  written 1 MiB at a time" "" "${L[@]}" -block 1048576
add "  spread over 30 folders (100 files each)" "" "${L[@]}" -dirs 30
add "  spread over 300 folders (10 files each)" "" "${L[@]}" -dirs 300
add "  all of ours' calls: listing, read+write, 256 KiB, time, attributes" "" "${L[@]}" -list -rw -block 262144 -attrs
add "  the same, overwriting the 3,000 files" "$(IFS=$'\t'; echo "${L[*]}")" "${L[@]}" -list -rw -block 262144 -attrs
add "decoding alone: inflate + CRC-32 of all 3,000 entries into memory" "" "$inflate" "$(W "$work/many.zip")" -all
add "  the same, reading by SetFilePointerEx + ReadFile (no OVERLAPPED)" "" "$inflate" "$(W "$work/many.zip")" -all -seek
variants
# Ours with nothing to decode: the same files stored.
stored=()
for ((r = 0; r < rounds; r++)); do
  fresh; cp "$work/stored.zip" "$out/main.zip"; cat "$out/main.zip" >/dev/null
  "$run" "$exe" "$(W "$out/main.zip")" >"$work/variant.txt"
  stored+=("$(awk '/^seconds/ {print $2}' "$work/variant.txt" | tr -d '\r')")
done
printf '    %-66s %7s s\n' "ours on the same files stored (method 0: no decoding)" "$(best "${stored[@]}")"
rm -f "$work/stored.zip"

limit_name="inflate + CRC-32 into memory"
measure "b) one $big_mb MB file" "$work/one.zip" "$inflate" "$(W "$work/one.zip")"
one_o=$o one_p=$p one_l=$l one_n=$n one_oi=$oi one_li=$li one_dcpu=$ours_dcpu one_lcpu=$limit_c
echo "  where the time goes: seconds inside the program, best of $rounds (whole process in brackets):"
add "inflate + CRC-32 into memory (the limit)" "" "$inflate" "$(W "$work/one.zip")"
add "inflate alone, no CRC-32" "" "$inflate" "$(W "$work/one.zip")" -nocrc
add "inflate + CRC-32 + WriteFile of 256 KiB blocks, one thread" "" "$inflate" "$(W "$work/one.zip")" -out "$(W "$out/big.dat")"
variants
write_one=$last_own
rm -rf "$out"

# c) Small entries by the thousand: the time per entry should not grow with
# their count, nor memory. Each archive is made here (entries of 200-2,000
# bytes in 30 folders, Deflated), unpacked once by ours and written once by
# the bare loop. Under Wine every new name costs a scan of the whole folder,
# so the bare loop itself grows with the count; SCALE picks the counts.
scale_lines=()
for count in ${SCALE:-3000 20000}; do
  python3 - "$work/small.zip" "$work/small.list" "$count" <<'PY'
import sys, zipfile
path, listing, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
line = b"regel %d van het bestelprogramma, versie 4.2\r\n"
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z, open(listing, "w") as names:
    for i in range(count):
        size = 200 + (i * 7919) % 1800
        data = b"".join(line % (i + k) for k in range(size // 40 + 1))[:size]
        z.writestr("d%02d/file%06d.dat" % (i % 30, i), data)
        names.write("file%06d.dat %d\n" % (i, size))
PY
  load
  fresh; cp "$work/small.zip" "$out/main.zip"; cat "$out/main.zip" >/dev/null
  "$run" "$exe" "$(W "$out/main.zip")" | tr -d '\r' >"$work/ours.txt"
  fresh
  "$run" "$files" "$(W "$work/small.list")" "$(W "$out")" | tr -d '\r' >"$work/limit.txt"
  rm -f "$work/small.zip" "$work/small.list"
  so=$(awk '/^seconds/ {print $2}' "$work/ours.txt"); sl=$(field "$(cat "$work/limit.txt")" seconds)
  th=$(grep '^decoding_cpu' "$work/ours.txt")
  per() { echo "scale=4; $1 * 1000 / $count" | bc | xargs printf "%.3f"; }
  echo "== c) $count small entries: ours $so s ($(per "$so") s per 1,000), the bare loop $sl s ($(per "$sl") s per 1,000)"
  echo "  processor time per 1,000 entries: ours decoding thread $(per "$(field "$th" decoding_cpu)") s, writing thread $(per "$(field "$th" writing_cpu)") s; the bare loop $(per "$(field "$(cat "$work/limit.txt")" cpu)") s"
  echo "  our peak private bytes $(awk '/^private_peak_mib/ {print $2}' "$work/ours.txt") MiB"
  scale_lines+=("$count: ours $(per "$so") s per 1,000 (limit $(per "$sl")), peak private $(awk '/^private_peak_mib/ {print $2}' "$work/ours.txt") MiB")
done
rm -rf "$out"

echo "$bench_target a) 3,000 files:   ours/native $(ratio "$many_o" "$many_n")  ours/peer $(ratio "$many_o" "$many_p")  ours/limit $(ratio "$many_o" "$many_l")"
echo "$bench_target b) one big file:  ours/native $(ratio "$one_o" "$one_n")  ours/peer $(ratio "$one_o" "$one_p")  ours/limit $(ratio "$one_o" "$one_l")  inside the processes ours/(inflate + write, one thread) $(ratio "$one_oi" "$write_one")"
echo "$bench_target b) one big file, inside the processes: ours/limit $(ratio "$one_oi" "$one_li")  processor time of our decoding thread/the limit's $(ratio "$one_dcpu" "$one_lcpu")"
for l in "${scale_lines[@]}"; do echo "$bench_target c) small entries, $l"; done
