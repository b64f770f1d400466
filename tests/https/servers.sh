#!/bin/bash
# The TLS file servers of the https tests, one per certificate of
# make_certificates.sh, and one without TLS ("plain"), started before the tests and stopped after them
# (ctest fixtures). Each writes its port to DIR/NAME.port, which the Windows
# test reads.
# Usage: servers.sh start DIR CERTDIR ROOT | servers.sh stop DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
dir=$2
if [ "$1" = stop ]; then
  for pid in "$dir"/*.pid; do [ -f "$pid" ] && kill "$(cat "$pid")" 2>/dev/null || true; done
  rm -rf "$dir"
  exit 0
fi
certs=$3 root=$4
rm -rf "$dir"; mkdir -p "$dir"
for name in localhost otherhost untrusted plain; do
  cert=$certs/$name.pem
  [ "$name" = plain ] && cert=-
  # Detached from ctest's pipes, so that the test run does not wait for them.
  setsid python3 "$here/tls_server.py" "$cert" "$certs/$name.key" "$root" \
    >"$dir/$name.port" 2>"$dir/$name.log" </dev/null &
  echo $! > "$dir/$name.pid"
done
for name in localhost otherhost untrusted plain; do
  for _ in $(seq 100); do [ -s "$dir/$name.port" ] && break; sleep 0.1; done
  [ -s "$dir/$name.port" ] || { cat "$dir/$name.log" >&2; exit 1; }
done
