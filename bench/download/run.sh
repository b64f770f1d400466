#!/usr/bin/env bash
# Downloads a 1 GiB body from a local HTTP server with DownloadArchive under
# Wine and with the curl command-line tool natively, in the same run; prints
# both throughputs, their ratio and the peak memory of the downloading
# process. A 1 MiB download first gives the memory baseline, so that the
# growth with the body size shows. Writing 1 GiB into the page cache varies
# a lot on a shared virtual machine, so both run RUNS times, alternating, and
# the best time of each counts.
# Usage: bench/download/run.sh [BUILD_DIR] [BYTES] [RUNS]
#   BUILD_DIR: a Windows build tree (default build/win); BYTES: default 1 GiB; RUNS: default 3
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$top/build/win}" && pwd)
size=${2:-1073741824}
runs=${3:-3}
work=$(dirname "$build")/bench-download
cmake --build "$build" --target download_bench -j2 >/dev/null
exe=$build/bench/download/download_bench.exe
rm -rf "$work"; mkdir -p "$work"

coproc SERVER { exec python3 "$top/bench/download/server.py"; }
server_pid=$SERVER_PID
trap 'kill "$server_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
read -r port <&"${SERVER[0]}"
base="http://127.0.0.1:$port/"
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

ours() {  # bytes -> "<bench line> wine_max_rss_kib N"
  local out
  out=$(/usr/bin/time -f "wine_max_rss_kib %M" "$build/wine-run" "$exe" "$base" "$1" "$(winpath "$work/ours.zip")" 2>&1)
  [ "$(stat -c %s "$work/ours.zip")" = "$1" ] || { echo "short download: $out" >&2; exit 1; }
  rm -f "$work/ours.zip"
  echo "$out" | tr '\n' ' '
}
field() { echo "$1" | awk -v k="$2" '{for (i = 1; i < NF; i++) if ($i == k) print $(i + 1)}'; }

best() { printf '%s\n' "$@" | sort -g | head -1; }
most() { printf '%s\n' "$@" | sort -g | tail -1; }
small=$(ours 1048576)
ours_times=(); curl_times=(); private=(); working=(); rss=()
for _ in $(seq "$runs"); do
  big=$(ours "$size")
  ours_times+=("$(field "$big" seconds)")
  private+=("$(field "$big" peak_pagefile_KiB)")
  working+=("$(field "$big" peak_working_set_KiB)")
  rss+=("$(field "$big" wine_max_rss_kib)")
  curl_out=$(/usr/bin/time -f "curl_max_rss_kib %M" curl -s -o "$work/curl.zip" \
    -w "curl_seconds %{time_total}\n" "$base$size" 2>&1 | tr '\n' ' ')
  [ "$(stat -c %s "$work/curl.zip")" = "$size" ] || { echo "curl: short download" >&2; exit 1; }
  rm -f "$work/curl.zip"
  curl_times+=("$(field "$curl_out" curl_seconds)")
done
echo "runs (s): DownloadArchive ${ours_times[*]} | curl ${curl_times[*]}"
# Without the disk: the network path alone (Wine's NUL device, /dev/null).
null_ours=$("$build/wine-run" "$exe" "$base" "$size" NUL | awk '{print $4}')
null_curl=$(curl -s -o /dev/null -w "%{time_total}" "$base$size")

ours_s=$(best "${ours_times[@]}")
curl_s=$(best "${curl_times[@]}")
mib=$(echo "scale=1; $size / 1048576" | bc)
echo "body: $mib MiB over 127.0.0.1, written to $work"
echo "curl (native):        $curl_s s  $(echo "scale=1; $mib / $curl_s" | bc) MiB/s  max RSS $(field "$curl_out" curl_max_rss_kib) KiB"
echo "DownloadArchive/Wine: $ours_s s  $(echo "scale=1; $mib / $ours_s" | bc) MiB/s  progress events $(field "$big" events)"
echo "throughput ratio (ours/curl): $(echo "scale=3; $curl_s / $ours_s" | bc)"
echo "without writing the body: ours $null_ours s, curl $null_curl s, ratio $(echo "scale=3; $null_curl / $null_ours" | bc)"
echo "peak memory of our process (highest of the runs), 1 MiB body -> $mib MiB body:"
echo "  Windows peak private bytes:  $(field "$small" peak_pagefile_KiB) -> $(most "${private[@]}") KiB"
echo "  Windows peak working set:    $(field "$small" peak_working_set_KiB) -> $(most "${working[@]}") KiB"
echo "  Wine process max RSS:        $(field "$small" wine_max_rss_kib) -> $(most "${rss[@]}") KiB"
