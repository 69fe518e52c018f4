#!/usr/bin/env bash
# Starts the real kaskad on a virtual X display, finds the mode-selection
# window by its caption, clicks "Выход" and expects exit status 0.
# Usage: smoke_test.sh path/to/kaskad
set -uo pipefail

if [[ -z "${DISPLAY:-}" || "${1:-}" != --inside ]]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$@"
fi
shift
kaskad=$1
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb

"$kaskad" &
pid=$!

caption="Программа расчета работы системы каскадных реакторов"
window=$(timeout 30 xdotool search --sync --onlyvisible --name "^$caption\$")
if [[ -z "$window" ]]; then
  echo "no window captioned \"$caption\""
  kill "$pid"
  exit 1
fi

# "Выход": the third button, 209 x 73 at 528, 56 of the client area.
xdotool mousemove --window "$window" $((528 + 104)) $((56 + 36)) click 1

for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  echo "kaskad still running after \"Выход\""
  kill "$pid"
  exit 1
fi
wait "$pid"
status=$?
echo "kaskad exited with status $status"
exit "$status"
