#!/bin/sh
# Runs a Windows test with Wine drive V: mapped to an empty folder of its own,
# so the installation run can write V:\VENKOR\ as it would on a real drive
# without touching the prefix's C: drive or other tests.
# Usage: with_drive.sh EMULATOR WINEPREFIX FOLDER PROGRAM [ARGS...]
set -e
emulator=$1 prefix=$2 folder=$3
shift 3
"$emulator" cmd /c exit >/dev/null 2>&1 || true  # makes the prefix on first use
rm -rf "$folder"
mkdir -p "$folder"
ln -sfn "$folder" "$prefix/dosdevices/v:"
exec "$emulator" "$@"
