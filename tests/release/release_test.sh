#!/usr/bin/env bash
# The maker's release command end to end: a malformed public key, or a key
# file that is not minisign's, stops it before anything is built; with a key pair made by minisign and a code-signing
# certificate made by openssl, scripts/release.sh builds Setup.exe with the
# key inside and the manifest of a release (per-monitor DPI aware), signs it
# (osslsigncode verifies it against the test CA) and signs the archives
# (minisign verifies them).
# Usage: release_test.sh WORKDIR ARCH   (x86 or x64: release.sh --arch; that
# target's SETUP_DEPS or SETUP_DEPS_X64 in the environment)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$1 arch=$2
tree=release; [ "$arch" = x64 ] && tree=release64
rm -rf "$work/keys" "$work/files"; mkdir -p "$work/keys" "$work/files"
cd "$work/keys"
export SETUP_BUILD=$work/build

minisign -G -W -p maker.pub -s maker.key >/dev/null
printf 'release test\n' > pass.txt
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 -subj "/CN=Setup Test CA" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Setup Test Maker" 2>/dev/null
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' > signer.ext
openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 30 -extfile signer.ext \
  -out signer.pem 2>/dev/null
openssl pkcs12 -export -inkey signer.key -in signer.pem -certfile ca.pem -passout file:pass.txt -out signer.pfx

printf 'main archive' > "$work/files/main.zip"
printf 'upgrade archive' > "$work/files/upgrade.zip"

# A public key that is no minisign key: the configure step refuses it.
printf 'untrusted comment: not a key\nRWQnotakey\n' > bad.pub
if "$top/scripts/release.sh" --arch "$arch" --server http://127.0.0.1:1/ --public-key bad.pub >"$work/bad.log" 2>&1; then
  echo "FAIL: a malformed key was accepted"; exit 1
fi
grep -q 'is no minisign public key' "$work/bad.log" || { cat "$work/bad.log"; echo "FAIL: no key message"; exit 1; }
# The key line alone (the second line of maker.pub): refused, nothing built.
sed -n 2p maker.pub > oneline.pub
rm -f "$SETUP_BUILD/$tree/dist/Setup.exe"  # of an earlier run in this folder
if "$top/scripts/release.sh" --arch "$arch" --server http://127.0.0.1:1/ --public-key oneline.pub >"$work/oneline.log" 2>&1; then
  echo "FAIL: a one-line key file was accepted"; exit 1
fi
[ ! -e "$SETUP_BUILD/$tree/dist/Setup.exe" ] || { echo "FAIL: a Setup.exe was built without a key"; exit 1; }

"$top/scripts/release.sh" --arch "$arch" --server http://127.0.0.1:1/ --public-key maker.pub --secret-key maker.key \
  --pfx signer.pfx --pfx-password-file pass.txt --comment "release test" \
  "$work/files/main.zip" "$work/files/upgrade.zip" >"$work/release.log" 2>&1 || { cat "$work/release.log"; exit 1; }

exe=$SETUP_BUILD/$tree/dist/Setup.exe
expected='PE32 executable'; [ "$arch" = x64 ] && expected='PE32+ executable'
file -b "$exe" | grep -q "^$expected" || { echo "FAIL: $exe is $(file -b "$exe"), not $expected"; exit 1; }
python3 "$top/tests/release/manifest_test.py" "$exe" aware
osslsigncode verify -CAfile ca.pem -in "$exe" >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; exit 1; }
grep -q "Signature verification: ok" "$work/verify.log" || { cat "$work/verify.log"; exit 1; }
grep -qxF "SETUP_SIGNING_KEY:STRING=$(sed -n 2p maker.pub)" "$SETUP_BUILD/$tree/CMakeCache.txt" ||
  { echo "FAIL: Setup.exe was not built with the key"; exit 1; }
floor=$(sed -n 's/^SETUP_SIGNATURES_NOT_BEFORE:STRING=//p' "$SETUP_BUILD/$tree/CMakeCache.txt")
[[ $floor =~ ^[0-9]+$ ]] || { echo "FAIL: no signature floor"; exit 1; }
# Each signature names its archive and a time at or after the floor; the
# maker's text is a field of its own.
for archive in main.zip upgrade.zip; do
  minisign -V -H -q -p maker.pub -m "$work/files/$archive"
  comment=$(sed -n 's/^trusted comment: //p' "$work/files/$archive.minisig")
  [[ $comment == timestamp:*$'\t'file:$archive$'\t'hashed$'\t'"comment:release test" ]] ||
    { echo "FAIL: trusted comment '$comment'"; exit 1; }
  stamp=${comment#timestamp:}; stamp=${stamp%%$'\t'*}
  [ "$stamp" -ge "$floor" ] || { echo "FAIL: signed at $stamp, before the floor $floor"; exit 1; }
done
echo "release test: ok"
