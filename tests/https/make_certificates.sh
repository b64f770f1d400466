#!/bin/sh
# The test PKI of the https tests, made by openssl into OUTDIR:
#   ca.pem                  the test CA, which test builds trust instead of Windows' store
#   localhost.{pem,key}     a server certificate for "localhost" by the test CA
#   otherhost.{pem,key}     one for "files.example" by the test CA (a wrong host name)
#   untrusted.{pem,key}     one for "localhost" by a CA nobody trusts
# Usage: make_certificates.sh OUTDIR
set -eu
out=$1
mkdir -p "$out"
cd "$out"
ca() {  # name subject
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.pem" -days 3650 -subj "/CN=$2" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
}
server() {  # name host ca
  openssl req -newkey rsa:2048 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=$2" 2>/dev/null
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\nsubjectAltName=DNS:%s\n' \
    "$2" > "$1.ext"
  openssl x509 -req -in "$1.csr" -CA "$3.pem" -CAkey "$3.key" -CAcreateserial -days 3650 -extfile "$1.ext" \
    -out "$1.pem" 2>/dev/null
}
ca ca "Setup Test CA"
ca stranger-ca "Stranger CA"
server localhost localhost ca
server otherhost files.example ca
server untrusted localhost stranger-ca
