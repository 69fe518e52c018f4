#!/usr/bin/env bash
# Runs a command on an X display of its own (Xvfb) and exits with the
# command's status; the server is stopped and waited for afterwards.
# Usage: on_virtual_display.sh WIDTHxHEIGHTxDEPTH COMMAND [ARGUMENT]...
#
# The server picks a free display itself (-displayfd) and names it only once
# it takes clients. Choosing a number beforehand, as xvfb-run -a does, races
# with any other server starting at the same moment.
set -uo pipefail

if (($# < 2)); then
  echo "usage: on_virtual_display.sh WIDTHxHEIGHTxDEPTH COMMAND [ARGUMENT]..." >&2
  exit 2
fi
screen=$1
shift

command -v Xvfb >/dev/null || { echo "Xvfb is not installed (scripts/install-deps.sh)" >&2; exit 1; }

logs=$(mktemp -d) || exit 1
xvfb_pid=
# The server is waited for: one still shutting down would take its display's
# socket from the next.
cleanup() {
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$logs"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp 3>"$logs/display" 2>"$logs/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 200); do
  [[ -s "$logs/display" ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || break
  sleep 0.05
done
if [[ ! -s "$logs/display" ]]; then
  echo "Xvfb did not start:" >&2
  cat "$logs/xvfb.log" >&2
  exit 1
fi

DISPLAY=":$(head -1 "$logs/display")" XAUTHORITY=/dev/null "$@"
