#!/bin/bash
# The file servers of the https tests, one per certificate of
# make_certificates.sh and one without TLS ("plain"), started before the
# tests and stopped after them (ctest fixtures). Each writes its port to DIR/NAME.port, which the Windows
# test reads. The "wizard" server, with the localhost certificate, serves
# WIZARD_ROOT on the port compiled into the signed https test build.
# Usage: servers.sh start DIR CERTDIR ROOT WIZARD_PORT WIZARD_ROOT | servers.sh stop DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
dir=$2
if [ "$1" = stop ]; then
  for pid in "$dir"/*.pid; do [ -f "$pid" ] && kill "$(cat "$pid")" 2>/dev/null || true; done
  rm -rf "$dir"
  exit 0
fi
certs=$3 root=$4 wizard_port=$5 wizard_root=$6
rm -rf "$dir"; mkdir -p "$dir" "$wizard_root"
start() {  # name cert key root [port]
  # Detached from ctest's pipes, so that the test run does not wait for them.
  setsid python3 "$here/tls_server.py" "$2" "$3" "$4" ${5:-} >"$dir/$1.port" 2>"$dir/$1.log" </dev/null &
  echo $! > "$dir/$1.pid"
}
for name in localhost otherhost untrusted; do
  start "$name" "$certs/$name.pem" "$certs/$name.key" "$root"
done
start plain - - "$root"
start wizard "$certs/localhost.pem" "$certs/localhost.key" "$wizard_root" "$wizard_port"
for name in localhost otherhost untrusted plain wizard; do
  for _ in $(seq 100); do [ -s "$dir/$name.port" ] && break; sleep 0.1; done
  [ -s "$dir/$name.port" ] || { cat "$dir/$name.log" >&2; exit 1; }
done
