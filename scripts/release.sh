#!/usr/bin/env bash
# The maker's release: builds Setup.exe for the maker's file server and
# signing key, signs it with Authenticode when a certificate is given, and
# signs the archives to publish with minisign.
#
# Usage: scripts/release.sh --server URL --public-key minisign.pub
#            [--secret-key minisign.key] [--pfx cert.pfx --pfx-password-file FILE]
#            [--timestamp URL] [--comment TEXT] [ARCHIVE...]
#   --server        the file server's base URL (http:// or https://, path "/")
#   --public-key    the maker's minisign.pub; its key is compiled into Setup.exe
#   --secret-key    the matching minisign secret key (default: minisign's own,
#                   ~/.minisign/minisign.key); minisign asks for its password
#   --pfx, --pfx-password-file
#                   the code-signing certificate with its private key (PKCS#12)
#                   and a file holding its password: Setup.exe is signed with
#                   Authenticode (osslsigncode), SHA-256
#   --timestamp     a timestamp server (RFC 3161) for the Authenticode
#                   signature, so that it stays valid after the certificate expires
#   --comment       the trusted comment of the archive signatures
#   ARCHIVE...      main.zip, upgrade.zip: each gets ARCHIVE.minisig beside it
# Every archive signature is checked against the public key before the
# command ends. Output: BUILD/release/dist (Setup.exe and locale/), where
# BUILD is $SETUP_BUILD or build/. SETUP_DEPS, when set, names the dependency
# prefix to use instead of running scripts/deps.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${SETUP_BUILD:-$top/build}

fail() { echo "release.sh: $*" >&2; exit 2; }
server='' public='' secret="$HOME/.minisign/minisign.key" pfx='' pfx_pass='' timestamp='' comment=''
archives=()
while [ $# -gt 0 ]; do
  case $1 in
    --server) server=$2; shift 2 ;;
    --public-key) public=$2; shift 2 ;;
    --secret-key) secret=$2; shift 2 ;;
    --pfx) pfx=$2; shift 2 ;;
    --pfx-password-file) pfx_pass=$2; shift 2 ;;
    --timestamp) timestamp=$2; shift 2 ;;
    --comment) comment=$2; shift 2 ;;
    --) shift; archives+=("$@"); break ;;
    -*) fail "unknown option $1" ;;
    *) archives+=("$1"); shift ;;
  esac
done
[ -n "$server" ] || fail "--server URL is required"
[ -f "$public" ] || fail "--public-key: no minisign.pub at '$public'"
[[ $server =~ ^https?://[^/?#@]+/$ ]] || fail "--server: '$server' is no http:// or https:// URL whose path is /"
if [ -n "$pfx" ]; then
  [ -f "$pfx" ] || fail "--pfx: no file '$pfx'"
  [ -f "$pfx_pass" ] || fail "--pfx needs --pfx-password-file"
fi
for archive in "${archives[@]}"; do [ -f "$archive" ] || fail "no archive '$archive'"; done
[ ${#archives[@]} -eq 0 ] || [ -f "$secret" ] || fail "--secret-key: no minisign secret key at '$secret'"
# The key is the second line of minisign.pub; CMake checks its form.
key=$(sed -n 2p "$public" | tr -d '\r')

"$top/scripts/apt-packages.sh"
if [ -z "${SETUP_DEPS:-}" ]; then
  SETUP_DEPS=$("$top/scripts/deps.sh" "$build" | tail -1)
fi
tree=$build/release
(cd "$top" && cmake --preset win -B "$tree" -DSETUP_DEPS="$SETUP_DEPS" -DSETUP_FILE_SERVER="$server" \
  -DSETUP_SIGNING_KEY="$key" -DSETUP_TRUSTED_CA= >/dev/null)
cmake --build "$tree" --target Setup setup_catalogues
exe=$tree/dist/Setup.exe

if [ -n "$pfx" ]; then
  signed=$tree/Setup.signed.exe
  rm -f "$signed"
  osslsigncode sign -pkcs12 "$pfx" -readpass "$pfx_pass" -h sha256 -n Setup \
    ${timestamp:+-ts "$timestamp"} -in "$exe" -out "$signed" >/dev/null
  mv "$signed" "$exe"
  echo "Signed with Authenticode: $exe"
else
  echo "Not signed with Authenticode (no --pfx): $exe"
fi

for archive in "${archives[@]}"; do
  minisign -S -s "$secret" -m "$archive" ${comment:+-t "$comment"}
  minisign -V -q -p "$public" -m "$archive"
  echo "Signed: $archive.minisig"
done
echo "Publish at ${server}venkor/Files/: the archives and their .minisig files; ship $tree/dist."
