#!/bin/sh
# Runs a Windows test with Wine drive V: mapped to an empty folder of its own,
# so the installation run can write V:\VENKOR\ as it would on a real drive
# without touching the prefix's C: drive or other tests.
# With SETUP_DRIVE_SIZE set (a tmpfs size such as 1m) the folder becomes a
# drive of that size, for tests of a full drive: a tmpfs mounted there when
# the machine allows it (as root); otherwise it stays a plain folder and the
# test sees a large drive.
# Usage: with_drive.sh EMULATOR WINEPREFIX FOLDER PROGRAM [ARGS...]
set -e
emulator=$1 prefix=$2 folder=$3
shift 3
"$emulator" cmd /c exit >/dev/null 2>&1 || true  # makes the prefix on first use
if mountpoint -q "$folder" 2>/dev/null; then umount -l "$folder"; fi  # left by a run that was killed
rm -rf "$folder"
mkdir -p "$folder"
ln -sfn "$folder" "$prefix/dosdevices/v:"
if [ -z "$SETUP_DRIVE_SIZE" ]; then exec "$emulator" "$@"; fi

mounted=
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o "size=$SETUP_DRIVE_SIZE" setup-test-drive "$folder" 2>/dev/null; then
  mounted=1
fi
status=0
"$emulator" "$@" || status=$?
if [ -n "$mounted" ]; then umount -l "$folder"; fi
exit $status
