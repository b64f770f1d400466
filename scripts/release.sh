#!/usr/bin/env bash
# The maker's release: builds Setup.exe for the maker's file server and
# signing key, signs it with Authenticode when a certificate is given, and
# signs the archives to publish with minisign.
#
# Usage: scripts/release.sh --server URL --public-key minisign.pub
#            [--secret-key minisign.key]
#            [--pfx cert.pfx --pfx-password-file FILE (--timestamp URL | --no-timestamp)]
#            [--require-signed-content] [--content-ca PEM]
#            [--comment TEXT] [--not-before SECONDS] [--arch x86|x64] [ARCHIVE...]
#   --server        the file server's base URL (http:// or https://, path "/")
#   --public-key    the maker's minisign.pub, as minisign -G wrote it (two
#                   lines); its key is compiled into Setup.exe
#   --secret-key    the matching minisign secret key (default: minisign's own,
#                   ~/.minisign/minisign.key); minisign asks for its password
#   --pfx, --pfx-password-file
#                   the code-signing certificate with its private key (PKCS#12)
#                   and a file holding its password: Setup.exe is signed with
#                   Authenticode (osslsigncode), SHA-256
#   --timestamp     a timestamp server (RFC 3161) for the Authenticode
#                   signature, so that it stays valid after the certificate
#                   expires; --pfx without it stops the command
#   --no-timestamp  sign with --pfx all the same, without a timestamp: the
#                   signature becomes invalid when the certificate expires
#   --require-signed-content
#                   stop when a program (.exe, .dll) inside the archives has
#                   no valid Authenticode signature (osslsigncode verify);
#                   without it they are listed as a warning: Windows may block
#                   them (Smart App Control) or warn before they run
#   --content-ca    the certificates (PEM) those signatures must chain to,
#                   instead of the system's trusted roots: a private CA that
#                   the users' PCs trust
#   --comment       a text added to the trusted comment of the archive
#                   signatures (as comment:TEXT after minisign's own
#                   timestamp: and file: fields, which Setup.exe checks)
#   --not-before    the signature floor to compile in (default: the time this
#                   command starts); given to rebuild a published Setup.exe
#   --arch          x86 (default): the 32-bit Setup.exe, which runs on every
#                   Windows PC; x64: the 64-bit one, for a Windows without its
#                   32-bit layer (same checks, same reproducibility)
#   ARCHIVE...      main.zip, upgrade.zip (the names Setup.exe fetches): each
#                   gets ARCHIVE.minisig beside it
# Before anything is built, the archives' programs are checked for
# Authenticode signatures, then the archives are signed and each signature is
# checked by the rule Setup.exe applies (check_signatures, built from
# install/signature in the native tree, BUILD/native): the maker's key, the
# archive's own name (file:main.zip) and a time no earlier than the floor
# compiled in. A refusal names the archive and the rule. Setup.exe refuses
# signatures made before this command started (SETUP_SIGNATURES_NOT_BEFORE):
# archives signed for an older release cannot be served to it.
# Output: BUILD/release/dist (BUILD/release64/dist with --arch x64), where BUILD is $SETUP_BUILD or build/: ship
# Setup.exe (stripped) and locale/; Setup.exe.debug beside them is the debug
# information, for the maker only. The build is reproducible: the same
# commit, server, key and floor give the same Setup.exe before Authenticode. SETUP_DEPS, when set to a complete dependency
# prefix, is used instead of running scripts/deps.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${SETUP_BUILD:-$top/build}
started=$(date +%s)
# Reproducible: the commit's time wherever a tool would put the build's.
SOURCE_DATE_EPOCH=$(git -C "$top" log -1 --format=%ct 2>/dev/null || echo "$started")
export SOURCE_DATE_EPOCH

fail() { echo "release.sh: $*" >&2; exit 2; }
server='' public='' secret="$HOME/.minisign/minisign.key" pfx='' pfx_pass='' timestamp='' comment='' arch=x86
no_timestamp='' require_signed='' content_ca=''
archives=()
while [ $# -gt 0 ]; do
  case $1 in
    --server) server=$2; shift 2 ;;
    --public-key) public=$2; shift 2 ;;
    --secret-key) secret=$2; shift 2 ;;
    --pfx) pfx=$2; shift 2 ;;
    --pfx-password-file) pfx_pass=$2; shift 2 ;;
    --timestamp) timestamp=$2; shift 2 ;;
    --no-timestamp) no_timestamp=1; shift ;;
    --require-signed-content) require_signed=1; shift ;;
    --content-ca) content_ca=$2; shift 2 ;;
    --comment) comment=$2; shift 2 ;;
    --not-before) started=$2; shift 2 ;;
    --arch) arch=$2; shift 2 ;;
    --) shift; archives+=("$@"); break ;;
    -*) fail "unknown option $1" ;;
    *) archives+=("$1"); shift ;;
  esac
done
[ -n "$server" ] || fail "--server URL is required"
case $arch in
  x86) preset=win tree_name=release ;;
  x64) preset=win64 tree_name=release64 ;;
  *) fail "--arch: '$arch' is neither x86 nor x64" ;;
esac
[[ $started =~ ^[0-9]+$ ]] || fail "--not-before: '$started' is no number of seconds"
[ -f "$public" ] || fail "--public-key: no minisign.pub at '$public'"
[[ $server =~ ^https?://[^/?#@]+/$ ]] || fail "--server: '$server' is no http:// or https:// URL whose path is /"
if [ -n "$pfx" ]; then
  [ -f "$pfx" ] || fail "--pfx: no file '$pfx'"
  [ -f "$pfx_pass" ] || fail "--pfx needs --pfx-password-file"
  [ -n "$timestamp" ] || [ -n "$no_timestamp" ] || fail "--pfx needs --timestamp URL: without a timestamp the \
Authenticode signature becomes invalid when the certificate expires (--no-timestamp signs without one all the same)"
fi
[ -z "$timestamp" ] || [ -z "$no_timestamp" ] || fail "--timestamp and --no-timestamp contradict each other"
[ -z "$content_ca" ] || [ -f "$content_ca" ] || fail "--content-ca: no file '$content_ca'"
for archive in "${archives[@]}"; do [ -f "$archive" ] || fail "no archive '$archive'"; done
[ ${#archives[@]} -eq 0 ] || [ -f "$secret" ] || fail "--secret-key: no minisign secret key at '$secret'"
[[ $comment != *$'\n'* && $comment != *$'\t'* ]] || fail "--comment: one line without tabs"

# minisign.pub: "untrusted comment: ..." and the key line. Anything else
# stops here, before a Setup.exe without the key could be built.
mapfile -t lines < <(tr -d '\r' <"$public")
[ ${#lines[@]} -eq 2 ] && [[ ${lines[0]} == "untrusted comment:"* ]] ||
  fail "--public-key: '$public' is no minisign public key file (two lines: the untrusted comment, the key)"
key=${lines[1]}
why=$(cmake -DKEY="$key" -P "$top/cmake/KeyLine.cmake" 2>&1) ||
  fail "--public-key: '$public' holds no minisign public key (${why%%$'\n'*})"

. "$top/scripts/lib/build.sh"

# Programs Windows will run after the installation, unsigned: the users
# would meet the block, not the maker.
if [ ${#archives[@]} -gt 0 ]; then
  unsigned=$(python3 "$top/scripts/unsigned-programs.py" ${content_ca:+--ca "$content_ca"} "${archives[@]}") ||
    fail "the archives must be ZIP archives"
  if [ -n "$unsigned" ]; then
    [ -z "$require_signed" ] || fail "without a valid Authenticode signature (--require-signed-content):"$'\n'"$unsigned"
    echo "release.sh: warning: without a valid Authenticode signature, Windows may block or question these after the installation:"$'\n'"$unsigned" >&2
  fi
fi

# Each signature is minisign's own trusted comment (what Setup.exe binds to:
# the archive's name and the time), the maker's text added as a field.
for archive in "${archives[@]}"; do
  if [ -n "$comment" ]; then
    trusted="timestamp:$(date +%s)"$'\t'"file:$(basename "$archive")"$'\t'"hashed"$'\t'"comment:$comment"
    minisign -S -s "$secret" -m "$archive" -t "$trusted"
  else
    minisign -S -s "$secret" -m "$archive"
  fi
  echo "Signed: $archive.minisig"
done
# Checked by Setup.exe's own rule, with the floor about to be compiled in.
if [ ${#archives[@]} -gt 0 ]; then
  setup_configure native
  setup_build native check_signatures
  "$build/native/install/signature/check_signatures" "$key" "$started" "${archives[@]}" ||
    fail "Setup.exe would refuse the signatures above; nothing was built"
fi

setup_configure "$preset:$tree_name" -DSETUP_FILE_SERVER="$server" -DSETUP_SIGNING_KEY="$key" \
  -DSETUP_SIGNATURES_NOT_BEFORE="$started" -DSETUP_TRUSTED_CA=
setup_build "$tree_name" Setup setup_catalogues
tree=$build/$tree_name
exe=$tree/dist/Setup.exe

if [ -n "$pfx" ]; then
  signed=$tree/Setup.signed.exe
  rm -f "$signed"
  osslsigncode sign -pkcs12 "$pfx" -readpass "$pfx_pass" -h sha256 -n Setup \
    ${timestamp:+-ts "$timestamp"} -in "$exe" -out "$signed" >/dev/null
  mv "$signed" "$exe"
  echo "Signed with Authenticode${no_timestamp:+, without a timestamp (invalid once the certificate expires)}: $exe"
else
  echo "Not signed with Authenticode (no --pfx): $exe"
fi
echo "Signature floor: $started (a rebuild of this Setup.exe takes --not-before $started)"
echo "Publish at ${server}venkor/Files/: the archives and their .minisig files."
echo "Ship $tree/dist/Setup.exe and $tree/dist/locale/; keep $tree/dist/Setup.exe.debug for yourself."
