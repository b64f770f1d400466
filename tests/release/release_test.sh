#!/usr/bin/env bash
# The maker's release command end to end. What Setup.exe would refuse, or
# what would not last, stops it before anything is built, with a message
# naming the file and the rule: a key file that is not minisign's, archives
# Setup.exe does not fetch (main-2.1.zip, Main.zip), signatures made before
# the floor, --pfx without a timestamp, unsigned programs inside the archives
# with --require-signed-content. With a key pair made by minisign and a
# code-signing certificate made by openssl, it builds Setup.exe with the key
# inside and the manifest of a release (per-monitor DPI aware), signs it
# (osslsigncode verifies it against the test CA), signs the archives
# (minisign verifies them) and warns about their unsigned programs.
# Usage: release_test.sh WORKDIR ARCH   (x86 or x64: release.sh --arch; that
# target's SETUP_DEPS or SETUP_DEPS_X64 in the environment)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$1 arch=$2
tree=release; [ "$arch" = x64 ] && tree=release64
files=$work/files
rm -rf "$work/keys" "$files" "$work/logs"; mkdir -p "$work/keys" "$files" "$work/logs"
cd "$work/keys"
export SETUP_BUILD=$work/build
exe=$SETUP_BUILD/$tree/dist/Setup.exe
fail() { echo "FAIL: $*"; exit 1; }

minisign -G -W -p maker.pub -s maker.key >/dev/null
printf 'release test\n' > pass.txt
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 -subj "/CN=Setup Test CA" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Setup Test Maker" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' > signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 -extfile signer.ext \
  -out signer.pem 2>/dev/null
openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -passout file:pass.txt -out signer.pfx

# The archives: main.zip holds a program signed with the test certificate,
# upgrade.zip an unsigned one (any small PE file serves).
mkdir -p content/main content/upgrade/tools
printf 'int main(void) { return 0; }\n' > program.c
x86_64-w64-mingw32-gcc -o program.exe program.c
osslsigncode sign -pkcs12 signer.pfx -readpass pass.txt -h sha256 -in program.exe -out content/main/VENKOR.EXE \
  >/dev/null
cp program.exe content/upgrade/tools/helper.dll
(cd content/main && zip -q "$files/main.zip" VENKOR.EXE)
(cd content/upgrade && zip -q "$files/upgrade.zip" tools/helper.dll)
for other in main-2.1.zip Main.zip; do cp "$files/main.zip" "$files/$other"; done

printf 'untrusted comment: not a key\nRWQnotakey\n' > bad.pub
sed -n 2p maker.pub > oneline.pub  # the key line alone
key=(--public-key maker.pub --secret-key maker.key)
pfx=(--pfx signer.pfx --pfx-password-file pass.txt)

# refused NAME TEXT ARG...: release.sh ARG... stops with a message holding
# TEXT and builds no Setup.exe.
refused() {
  local name=$1 text=$2 log=$work/logs/$1.log; shift 2
  rm -f "$exe"  # of an earlier run
  if "$top/scripts/release.sh" --arch "$arch" --server http://127.0.0.1:1/ "$@" >"$log" 2>&1; then
    fail "$name: release.sh went through"
  fi
  grep -qF -- "$text" "$log" || { cat "$log"; fail "$name: no '$text' in its message"; }
  [ ! -e "$exe" ] || fail "$name: a Setup.exe was built"
}
# A malformed key line fails the one key-line rule (cmake/KeyLine.cmake);
# a key line alone fails release.sh's own two-line check of the file, first.
refused malformed-key 'holds no minisign public key' --public-key bad.pub
refused one-line-key 'is no minisign public key file' --public-key oneline.pub
refused pfx-without-timestamp '--pfx needs --timestamp' "${key[@]}" "${pfx[@]}" "$files/main.zip"
refused both-timestamp-flags 'contradict' "${key[@]}" "${pfx[@]}" --timestamp http://127.0.0.1:1/ --no-timestamp
# Signatures Setup.exe would refuse, by the rule that refuses them.
refused other-name "main-2.1.zip: rule \"name\"" "${key[@]}" "$files/main-2.1.zip"
refused other-case "Main.zip: rule \"name\"" "${key[@]}" "$files/Main.zip"
refused before-floor "main.zip: rule \"timestamp\"" "${key[@]}" --not-before $(($(date +%s) + 3600)) "$files/main.zip"
refused unsigned-content "$files/upgrade.zip: tools/helper.dll" "${key[@]}" --require-signed-content \
  --content-ca ca.pem "$files/main.zip" "$files/upgrade.zip"
grep -q VENKOR.EXE "$work/logs/unsigned-content.log" && fail "the signed VENKOR.EXE was listed as unsigned"

# The check release.sh runs (built by the runs above), on an archive signed
# by hand as main-2.1.zip and then renamed with its signature.
mkdir -p renamed
cp "$files/main.zip" renamed/main-2.1.zip
minisign -S -s maker.key -m renamed/main-2.1.zip -x renamed/main.zip.minisig >/dev/null
mv renamed/main-2.1.zip renamed/main.zip
if "$SETUP_BUILD/native/install/signature/check_signatures" "$(sed -n 2p maker.pub)" 0 renamed/main.zip \
  >"$work/logs/renamed.log" 2>&1; then
  fail "a signature for main-2.1.zip held for main.zip"
fi
grep -qF 'rule "file": the trusted comment names file:main-2.1.zip' "$work/logs/renamed.log" ||
  { cat "$work/logs/renamed.log"; fail "renamed: not refused by the file rule"; }

"$top/scripts/release.sh" --arch "$arch" --server http://127.0.0.1:1/ "${key[@]}" "${pfx[@]}" --no-timestamp \
  --content-ca ca.pem --comment "release test" "$files/main.zip" "$files/upgrade.zip" >"$work/release.log" 2>&1 ||
  { cat "$work/release.log"; exit 1; }
# The unsigned program is a warning without --require-signed-content.
grep -qxF "$files/upgrade.zip: tools/helper.dll" "$work/release.log" ||
  { cat "$work/release.log"; fail "no warning about the unsigned helper.dll"; }

expected='PE32 executable'; [ "$arch" = x64 ] && expected='PE32+ executable'
file -b "$exe" | grep -q "^$expected" || fail "$exe is $(file -b "$exe"), not $expected"
python3 "$top/tests/release/manifest_test.py" "$exe" aware
osslsigncode verify -CAfile ca.pem -in "$exe" >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; exit 1; }
grep -q "Signature verification: ok" "$work/verify.log" || { cat "$work/verify.log"; exit 1; }
grep -qxF "SETUP_SIGNING_KEY:STRING=$(sed -n 2p maker.pub)" "$SETUP_BUILD/$tree/CMakeCache.txt" ||
  fail "Setup.exe was not built with the key"
floor=$(sed -n 's/^SETUP_SIGNATURES_NOT_BEFORE:STRING=//p' "$SETUP_BUILD/$tree/CMakeCache.txt")
[[ $floor =~ ^[0-9]+$ ]] || fail "no signature floor"
# Each signature names its archive and a time at or after the floor; the
# maker's text is a field of its own. The real minisign agrees.
for archive in main.zip upgrade.zip; do
  minisign -V -H -q -p maker.pub -m "$files/$archive"
  comment=$(sed -n 's/^trusted comment: //p' "$files/$archive.minisig")
  [[ $comment == timestamp:*$'\t'file:$archive$'\t'hashed$'\t'"comment:release test" ]] ||
    fail "trusted comment '$comment'"
  stamp=${comment#timestamp:}; stamp=${stamp%%$'\t'*}
  [ "$stamp" -ge "$floor" ] || fail "signed at $stamp, before the floor $floor"
done
echo "release test: ok"
