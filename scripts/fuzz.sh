#!/usr/bin/env bash
# Runs every libFuzzer target of the native build (programs named fuzz_*) for
# SECONDS each, or only the targets named. Seeds come from tests/*/seeds/<target>/,
# the growing corpus lives in <build>/fuzz/<target>/, findings in <build>/fuzz/findings/.
# Usage: scripts/fuzz.sh SECONDS [TARGET...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${SETUP_BUILD:-$top/build}
seconds=${1:?seconds per target}; shift
. "$top/scripts/lib/build.sh"
setup_configure native
setup_build native
mapfile -t targets < <(if [ $# -gt 0 ]; then printf '%s\n' "$@"; else
  find "$build/native" -type f -name 'fuzz_*' -perm -u+x -printf '%f\n' | sort; fi)
mkdir -p "$build/fuzz/findings"
status=0
for t in "${targets[@]}"; do
  exe=$(find "$build/native" -type f -name "$t" -perm -u+x | head -1)
  corpus=$build/fuzz/$t; mkdir -p "$corpus"
  seeds=(); for d in "$top"/tests/*/seeds/"$t"; do [ -d "$d" ] && seeds+=("$d"); done
  echo "== $t: ${seconds}s"
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$build/fuzz/findings/$t-" "$corpus" "${seeds[@]}" 2>&1 | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY)' || true
  if ls "$build/fuzz/findings/$t-"* >/dev/null 2>&1; then echo "!! findings for $t"; status=1; fi
done
exit $status
