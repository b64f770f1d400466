#!/usr/bin/env bash
# Two release builds of the same source, from two folders at two times, give
# the same Setup.exe byte for byte (and the same Setup.exe.debug), so that
# anyone can check a published Setup.exe against a commit.
# Usage: reproducible_test.sh WORKDIR PRESET   (win or win64; that preset's
# SETUP_DEPS or SETUP_DEPS_X64 in the environment: both builds use the same
# library builds, as a maker's rebuild would)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$1 preset=$2
rm -rf "$work"; mkdir -p "$work"
unset SOURCE_DATE_EPOCH  # the build alone must be reproducible
key=RWR0K+gRMedQ7+hG4y6gHnRhCSIeHIWvXqn6FouLZAyX2dPA2tSbraJ7  # any well-formed key
for copy in first second-copy; do
  src=$work/$copy/source
  mkdir -p "$src"
  (cd "$top" && git ls-files -z --cached --others --exclude-standard | xargs -0 tar cf -) | tar xf - -C "$src"
  (cd "$src" && cmake --preset "$preset" -B "$work/$copy/build" -DSETUP_FILE_SERVER=https://files.example.com/ -DSETUP_SIGNING_KEY=$key \
     -DSETUP_SIGNATURES_NOT_BEFORE=1700000000 >/dev/null)
  cmake --build "$work/$copy/build" --target Setup >/dev/null
  sleep 1  # the second build at another time
done
status=0
for file in Setup.exe Setup.exe.debug; do
  if ! cmp "$work/first/build/dist/$file" "$work/second-copy/build/dist/$file"; then
    echo "FAIL: $file differs between two builds of the same source"; status=1
  fi
done
[ $status -eq 0 ] && echo "reproducible: $(sha256sum <"$work/first/build/dist/Setup.exe" | cut -c1-64)"
rm -rf "$work"
exit $status
