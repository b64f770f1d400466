#!/usr/bin/env bash
# The key line is judged in two places: before a build (cmake/KeyLine.cmake,
# for CMake and release.sh) and in Setup.exe (the verifier, here through
# check_signatures). The two must agree on every line, or a key passes the
# build and every archive is then refused: a genuine key line and its
# near misses (each third character, one too short or long, a foreign
# character, padding) are put to both.
# Usage: key_line_rule.sh CHECK_SIGNATURES KEYLINE_CMAKE MINISIGN_PUB
set -euo pipefail
check=$1 rule=$2 key=$(sed -n 2p "$3")

lines=("$key" "" "${key:0:55}" "${key}A" "${key:0:55}=" "${key:0:10}-${key:11}" "Rw${key:2}" "${key:1}A")
alphabet=ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/
for ((i = 0; i < ${#alphabet}; i++)); do lines+=("RW${alphabet:i:1}${key:3}"); done

verdict() { "$@" >/dev/null 2>&1 && echo key || echo refused; }
disagree=0 accepted=0
for line in "${lines[@]}"; do
  build=$(verdict cmake -DKEY="$line" -P "$rule")
  setup=$(verdict "$check" "$line")
  [ "$build" = key ] && accepted=$((accepted + 1))
  [ "$build" = "$setup" ] || { echo "'$line': the build says $build, Setup.exe says $setup"; disagree=1; }
done
[ "$(verdict cmake -DKEY="$key" -P "$rule")" = key ] || { echo "the genuine key line is refused"; exit 1; }
# The genuine line and RW followed by each of Q, R, S, T: five keys.
[ "$accepted" -eq 5 ] || { echo "$accepted lines taken for keys, 5 expected"; exit 1; }
exit $disagree
