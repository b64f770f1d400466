#!/usr/bin/env bash
# Downloads a 1 GiB body from a local HTTP server, in turn, RUNS times:
#   ours   DownloadArchive under Wine (download_bench.exe)
#   peer   curl.exe, the curl tool from the Debian source of our libcurl
#          (bench/peers.sh: plain HTTP, synchronous resolver), under Wine
#   limit  limit_get.exe: a bare Winsock GET, 1 MiB recv + WriteFile, under Wine
#   native the Linux curl tool
# All Windows programs run in the build tree's Wine prefix; each figure is
# the wall-clock time of the whole process, the best of the runs (writing
# 1 GiB into the page cache varies a lot on a shared virtual machine). Then
# the same without the disk (Wine's NUL, /dev/null), and the peak memory of
# our process: a 1 MiB download first gives the baseline, so that any growth
# with the body size shows. The last lines are the ratios ours/peer and
# ours/limit of the throughputs (above 1: ours is faster).
# Usage: bench/download/run.sh [BUILD_DIR] [BYTES] [RUNS]
#   BUILD_DIR: a Windows build tree (default build/win, or build/win64 where 32-bit programs cannot run); BYTES: default 1 GiB; RUNS: default 3
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
size=${2:-1073741824}
runs=${3:-3}
. "$top/scripts/lib/bench.sh"
bench_tree "${1:-}"
work=$build/bench-download
bench_build download_bench limit_get
peers=$(bench_peers)
exe=$build/bench/download/download_bench.exe
limit=$build/bench/limits/limit_get.exe
rm -rf "$work"; mkdir -p "$work"

coproc SERVER { exec python3 "$top/bench/download/server.py"; }
server_pid=$SERVER_PID
at_exit 'kill "$server_pid" 2>/dev/null; rm -rf "$work"'
read -r port <&"${SERVER[0]}"
base="http://127.0.0.1:$port/"
run="$build/wine-run"
"$run" "$limit" 127.0.0.1 "$port" /1 NUL >/dev/null  # the prefix and wineserver are up before timing

check() {  # file -> deletes it; fails unless it holds the whole body
  local got; got=$(stat -c %s "$1" 2>/dev/null || echo 0)
  rm -f "$1"
  [ "$got" = "$size" ] || { echo "$2: short download ($got of $size bytes)" >&2; exit 1; }
}
ours_mem() {  # bytes -> "<bench line> wine_max_rss_kib N"
  /usr/bin/time -f "wine_max_rss_kib %M" -o "$work/time.txt" "$run" "$exe" "$base" "$1" "$(winpath "$work/ours.zip")" >"$work/out.txt"
  rm -f "$work/ours.zip"
  echo "$(cat "$work/out.txt") $(cat "$work/time.txt")" | tr '\n\r' '  '
}

load
small=$(ours_mem 1048576)
ours=(); peer=(); limit_s=(); native=(); private=(); working=(); rss=(); ours_cpu=(); limit_cpu=()
for _ in $(seq "$runs"); do
  ws0=$(wineserver_cpu)
  ours+=("$(wall "$work/out.txt" /usr/bin/time -f "wine_max_rss_kib %M" -o "$work/time.txt" \
    "$run" "$exe" "$base" "$size" "$(winpath "$work/ours.zip")")")
  ws1=$(wineserver_cpu)
  check "$work/ours.zip" DownloadArchive
  big="$(cat "$work/out.txt") $(cat "$work/time.txt")"; big=$(echo "$big" | tr '\n\r' '  ')
  ours_cpu+=("$(field "$big" network_cpu)/$(field "$big" process_cpu)/$(echo "$ws1 - $ws0" | bc)")
  private+=("$(field "$big" peak_pagefile_KiB)")
  working+=("$(field "$big" peak_working_set_KiB)")
  rss+=("$(field "$big" wine_max_rss_kib)")
  peer+=("$(wall "$work/out.txt" "$run" "$peers/curl.exe" -s -o "$(winpath "$work/peer.zip")" "$base$size")")
  check "$work/peer.zip" curl.exe
  ws0=$(wineserver_cpu)
  limit_s+=("$(wall "$work/out.txt" "$run" "$limit" 127.0.0.1 "$port" "/$size" "$(winpath "$work/limit.zip")")")
  ws1=$(wineserver_cpu)
  limit_cpu+=("$(field "$(tr -d '\r' <"$work/out.txt")" cpu)/$(echo "$ws1 - $ws0" | bc)")
  check "$work/limit.zip" limit_get
  native+=("$(wall "$work/out.txt" curl -s -o "$work/native.zip" "$base$size")")
  check "$work/native.zip" curl
done
# Without the disk: the network path alone.
null_ours=$(wall "$work/out.txt" "$run" "$exe" "$base" "$size" NUL)
null_peer=$(wall "$work/out.txt" "$run" "$peers/curl.exe" -s -o NUL "$base$size")
null_limit=$(wall "$work/out.txt" "$run" "$limit" 127.0.0.1 "$port" "/$size" NUL)
null_native=$(wall "$work/out.txt" curl -s -o /dev/null "$base$size")
empty=$(wall "$work/out.txt" "$run" "$limit" 127.0.0.1 "$port" /0 NUL)
# What a client pays per call under Wine: the bare GET dropping the body
# (no write at all) with smaller reads, with a select() before each read
# as an event-driven client waits, and with libcurl's pattern (non-blocking,
# a select() without waiting after each read); best of the runs, seconds inside the
# program. (Writing to NUL is no free sink under Wine: every write is a trip
# through the Wine server, so the NUL figures above count the writes.)
bare_variants=("" "-select" "-poll" "-recv 65536" "-recv 16384" "-recv 16384 -select")
bare_labels=("recv 1 MiB" "recv 1 MiB, select first" "recv 1 MiB, libcurl's checks" "recv 64 KiB" "recv 16 KiB"
  "recv 16 KiB, select first")
declare -A bare_best bare_recvs
for _ in $(seq "$runs"); do
  for v in "${bare_variants[@]}"; do
    # shellcheck disable=SC2086  # the options are words
    line=$("$run" "$limit" 127.0.0.1 "$port" "/$size" - $v | tr -d '\r')
    t=$(field "$line" seconds)
    if [ -z "${bare_best[x$v]:-}" ] || [ "$(echo "$t < ${bare_best[x$v]}" | bc)" = 1 ]; then
      bare_best[x$v]=$t; bare_recvs[x$v]=$(field "$line" recvs)
    fi
  done
done

o=$(best "${ours[@]}"); p=$(best "${peer[@]}"); l=$(best "${limit_s[@]}"); n=$(best "${native[@]}")
mib=$(echo "scale=1; $size / 1048576" | bc)
mibs() { echo "scale=1; $mib / $1" | bc; }
echo "body: $mib MiB over 127.0.0.1 into $work; $runs runs each, alternating; peers $(tr '\n' ' ' <"$peers/versions")"
echo "runs (s): ours ${ours[*]} | curl.exe ${peer[*]} | limit ${limit_s[*]} | native curl ${native[*]}"
printf '%-44s %7s s  %7s MiB/s\n' "ours: DownloadArchive (Wine)" "$o" "$(mibs "$o")" \
  "peer: curl.exe (Wine)" "$p" "$(mibs "$p")" \
  "limit: Winsock recv 1 MiB + WriteFile (Wine)" "$l" "$(mibs "$l")" \
  "native: curl (Linux)" "$n" "$(mibs "$n")"
# Processor time, where a busy machine's wall time hides it: ours runs the
# transfer (libcurl, the progress counting, the file writes) on one thread;
# the Wine server's time is what the socket calls cost it (select() after
# every read in libcurl's loop).
echo "processor seconds per run: ours network thread/whole process/Wine server ${ours_cpu[*]}; limit process/Wine server ${limit_cpu[*]}"
echo "without writing the body (NUL, /dev/null): ours $null_ours s, curl.exe $null_peer s, limit $null_limit s, native curl $null_native s"
echo "a process under Wine that fetches an empty body: $empty s (in every Wine figure)"
echo "the bare GET dropping the body, seconds inside the program (calls to recv):"
for i in "${!bare_variants[@]}"; do
  v=${bare_variants[i]}
  printf '  %-28s %6s s  (%s)\n' "${bare_labels[i]}" "${bare_best[x$v]}" "${bare_recvs[x$v]}"
done
echo "peak memory of our process (highest of the runs), 1 MiB body -> $mib MiB body:"
echo "  Windows peak private bytes:  $(field "$small" peak_pagefile_KiB) -> $(most "${private[@]}") KiB"
echo "  Windows peak working set:    $(field "$small" peak_working_set_KiB) -> $(most "${working[@]}") KiB"
echo "  Wine process max RSS:        $(field "$small" wine_max_rss_kib) -> $(most "${rss[@]}") KiB"
echo "$bench_target throughput ours/native: $(ratio "$n" "$o")"
echo "$bench_target throughput ours/peer:   $(ratio "$p" "$o")"
echo "$bench_target throughput ours/limit:  $(ratio "$l" "$o")"
