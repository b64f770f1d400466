#!/usr/bin/env bash
# What the signature check of a signed release costs next to the download it
# follows: a 1 GiB archive from the download benchmark's loopback server
# (bench/download/server.py), signed by minisign here, is downloaded with
# DownloadArchive and then checked as the installation run checks it (read
# back in blocks, BLAKE2b-512, Ed25519), under Wine, RUNS times. Prints both
# times of each run, the best of each, their ratio (the check's share of the
# download time) and the peak working set, which stays flat with the size.
# Usage: bench/signature/run.sh [BUILD_DIR] [BYTES] [RUNS]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build/win}" && pwd)
size=${2:-1073741824}
runs=${3:-3}
. "$top/bench/common.sh"
work=$build/bench-signature
cmake --build "$build" --target signed_download_bench >/dev/null
exe=$build/bench/signature/signed_download_bench.exe
rm -rf "$work"; mkdir -p "$work"

coproc SERVER { exec python3 "$top/bench/download/server.py"; }
server_pid=$SERVER_PID
trap 'kill "$server_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
read -r port <&"${SERVER[0]}"

# The body the server sends, signed here: its repeating 1 MiB block.
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
"$run" "$exe" "http://127.0.0.1:$port/" 1 NUL "$key" "$(winpath "$work/body.minisig")" >/dev/null 2>&1 || true
load
downloads=(); verifies=()
for i in $(seq "$runs"); do
  "$run" "$exe" "http://127.0.0.1:$port/" "$size" "$(winpath "$work/archive.zip")" "$key" \
    "$(winpath "$work/body.minisig")" >"$work/out.txt"
  rm -f "$work/archive.zip"
  line=$(tr -d '\r' <"$work/out.txt")
  echo "run $i: $line"
  downloads+=("$(field "$line" download_seconds)")
  verifies+=("$(field "$line" verify_seconds)")
done
d=$(best "${downloads[@]}"); v=$(best "${verifies[@]}")
echo "download (best of $runs): $d s for $size bytes"
echo "signature check (best of $runs): $v s"
echo "check / download: $(ratio "$v" "$d") (the goal is at most 0.10)"
