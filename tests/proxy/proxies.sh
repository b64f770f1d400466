#!/bin/bash
# The loopback proxies of the proxy tests (proxy_server.py), started before
# the tests and stopped after them (ctest fixtures).
# Usage: proxies.sh start DIR | proxies.sh stop DIR
set -eu
dir=$2
if [ "$1" = stop ]; then
  [ -f "$dir/proxies.pid" ] && kill "$(cat "$dir/proxies.pid")" 2>/dev/null || true
  rm -rf "$dir"
  exit 0
fi
rm -rf "$dir"; mkdir -p "$dir"
# Detached from ctest's pipes, so that the test run does not wait for it.
setsid python3 "$(dirname "$0")/proxy_server.py" "$dir" >"$dir/proxies.out" 2>&1 </dev/null &
echo $! >"$dir/proxies.pid"
for _ in $(seq 100); do [ -s "$dir/pac.port" ] && exit 0; sleep 0.1; done
cat "$dir/proxies.out" >&2
exit 1
