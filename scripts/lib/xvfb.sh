# Sourced: starts a private Xvfb and exports DISPLAY. xvfb_stop ends it; it
# also runs when the shell exits (through common.sh's at_exit, so a
# caller's own clean-up, registered with at_exit too, does not replace it).
[ "${BASH_SOURCE[0]}" != "$0" ] || { echo "$(basename "$0") is sourced by the scripts in scripts/ and bench/, not run" >&2; exit 2; }
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
for n in $(seq 90 140); do
  [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
xvfb_stop() { kill "$xvfb_pid" 2>/dev/null || true; }
at_exit xvfb_stop
export DISPLAY=":$n"
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
