#!/usr/bin/env bash
# What the signature check of a signed release costs next to the download it
# belongs to, on a 1 GiB archive from a loopback server (server.py here, the
# download benchmark's body pattern), under Wine, RUNS times. Each run is one
# process that downloads the archive twice: with DownloadArchive, as an
# unsigned build does, and with DownloadSignedArchive, which hashes the body
# on a thread of its own as it arrives, then fetches the signature (made
# here by minisign) and checks it. Prints both times of each run, the best of
# each, the check's cost (the difference) as a share of the plain download
# time, and the peak working set, which stays flat with the size. Twice:
# over loopback at full speed, where client, server and hash share the
# machine's cores, and with the server held to RATE bytes per second (default
# 125000000, a 1 Gbit/s link), where the download waits for the network as
# it does for a user.
# First, the hash alone: hash_bench on 256 MiB in memory, under Wine (the
# Windows build) and natively (with Debian's libsodium), with
# libsodium's portable code and with the code it picks at run time.
# (bench/download/run.sh is the download benchmark itself; this script is
# separate from it.)
# Usage: bench/signature/run.sh [BUILD_DIR] [BYTES] [RUNS] [RATE]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
size=${2:-1073741824}
runs=${3:-3}
rate=${4:-125000000}
. "$top/scripts/lib/bench.sh"
bench_tree "${1:-}"
work=$build/bench-signature
bench_build signed_download_bench hash_bench
exe=$build/bench/signature/signed_download_bench.exe
rm -rf "$work"; mkdir -p "$work"

# The body the server sends, signed here, then removed again.
python3 - "$work/body" "$size" <<'PY'
import sys
block = bytes(range(256)) * 4096
left = int(sys.argv[2])
with open(sys.argv[1], "wb") as f:
    while left > 0:
        f.write(block[:min(left, len(block))])
        left -= len(block)
PY
minisign -G -W -p "$work/key.pub" -s "$work/key.sec" >/dev/null
minisign -S -s "$work/key.sec" -m "$work/body" -x "$work/body.minisig" >/dev/null
rm "$work/body"
key=$(sed -n 2p "$work/key.pub")

run="$build/wine-run"
"$run" cmd /c exit >/dev/null 2>&1 || true  # the prefix and wineserver are up before timing
load
echo "== the hash alone"
echo "$bench_arch under Wine: $("$run" "$build/bench/signature/hash_bench.exe" | tr -d '\r')"
g++ -O2 -std=c++20 -o "$work/hash_bench" "$top/bench/signature/HashBench.cpp" -lsodium
echo "native (Debian's libsodium): $("$work/hash_bench")"
server_pid=
at_exit 'kill "$server_pid" 2>/dev/null; rm -rf "$work"'

measure() {  # label goal [rate]
  local goal=$1; shift
  coproc SERVER { exec python3 "$top/bench/signature/server.py" "$work/body.minisig" "$@"; }
  server_pid=$SERVER_PID
  local port plains=() signeds=() line p s
  read -r port <&"${SERVER[0]}"
  echo "== $label"
  for i in $(seq "$runs"); do
    "$run" "$exe" "http://127.0.0.1:$port/" "$size" "$(winpath "$work/archive.zip")" "$key" >"$work/out.txt"
    rm -f "$work/archive.zip"
    line=$(tr -d '\r' <"$work/out.txt")
    echo "run $i: $line"
    plains+=("$(field "$line" plain_seconds)")
    signeds+=("$(field "$line" signed_seconds)")
  done
  kill "$server_pid"; wait "$server_pid" 2>/dev/null || true
  p=$(best "${plains[@]}"); s=$(best "${signeds[@]}")
  echo "download, unsigned (best of $runs): $p s for $size bytes"
  echo "download with signature check (best of $runs): $s s"
  echo "$bench_target check: $(echo "$s - $p" | bc) s, $(ratio "$(echo "$s - $p" | bc)" "$p") of the download time (goal: at most $goal)"
}
label="loopback, full speed" measure 0.25
label="server held to $rate bytes/s" measure 0.02 "$rate"
