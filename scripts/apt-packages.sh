#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (scripts/packages.txt).
# Does nothing when they are all there already.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
mapfile -t pkgs < <(tr ' ' '\n' < "$(dirname "$0")/packages.txt" | grep -v '^$')
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
has_src() { grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ || grep -qs '^deb-src' /etc/apt/sources.list; }
if dpkg -s "${pkgs[@]}" >/dev/null 2>&1 && has_src && [ -n "$(apt-cache showsrc zlib 2>/dev/null)" ]; then exit 0; fi
sudo=; [ "$(id -u)" = 0 ] || sudo=sudo

# Source packages are fetched with apt-get source: make sure deb-src entries exist.
if ! has_src; then
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    sed 's/^Types: deb$/Types: deb-src/' "$f" | $sudo tee "/etc/apt/sources.list.d/src-$(basename "$f")" >/dev/null
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | $sudo tee /etc/apt/sources.list.d/src-list.list >/dev/null
  fi
fi
$sudo dpkg --add-architecture i386
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${pkgs[@]}" >/dev/null
