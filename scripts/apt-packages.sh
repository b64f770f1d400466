#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (scripts/packages.txt)
# and makes sure source packages can be fetched (deb-src entries and their
# indexes). When all of that is there it only asks dpkg and returns: apt itself
# (and its cache) is not touched, so a second build starts at once.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
mapfile -t pkgs < <(tr ' ' '\n' < "$(dirname "$0")/packages.txt" | grep -v '^$')

has_src() { grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ || grep -qs '^deb-src' /etc/apt/sources.list; }
has_src_index() { compgen -G '/var/lib/apt/lists/*_Sources*' >/dev/null; }
# One dpkg-query for the whole list: it fails on an unknown name, and every
# package it knows must be installed.
installed() {
  local status
  status=$(dpkg-query -W -f='${db:Status-Status}\n' "$@" 2>/dev/null) || return 1
  ! grep -qvx installed <<<"$status"
}
if installed "${pkgs[@]}" && has_src && has_src_index; then exit 0; fi

missing=()
for p in "${pkgs[@]}"; do installed "$p" || missing+=("$p"); done
echo "apt: installing ${missing[*]:-(nothing missing; adding the source package indexes)}" >&2
sudo=; [ "$(id -u)" = 0 ] || sudo=sudo
# Another build on this machine may hold the lock for a while: wait for it.
apt=($sudo apt-get -o DPkg::Lock::Timeout=600)

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
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
"${apt[@]}" update -qq
if [ ${#missing[@]} -gt 0 ]; then
  "${apt[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
