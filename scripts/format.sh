#!/usr/bin/env bash
# Formats the tracked C and C++ sources in place with clang-format (the style
# in .clang-format). With --check it changes nothing: it lists the files that
# differ from that style and exits 1 when there is one.
# Usage: scripts/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.c' '*.h' '*.cpp')
[ ${#files[@]} -gt 0 ] || exit 0

if [ "${1:-}" != --check ]; then
  exec clang-format -i "${files[@]}"
fi
# clang-format reports every place that would change as an error naming the file.
report=$(clang-format --dry-run -Werror "${files[@]}" 2>&1) && exit 0
differ=$(sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' <<<"$report" | sort -u)
if [ -z "$differ" ]; then
  head -n 20 <<<"$report" >&2  # clang-format failed for another reason (the style file, a missing file)
  exit 2
fi
echo "Not formatted as .clang-format says (scripts/format.sh fixes them):" >&2
echo "$differ"
exit 1
