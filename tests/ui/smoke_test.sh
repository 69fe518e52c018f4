#!/usr/bin/env bash
# Starts the real kaskad on a virtual X display and works it as a user does:
# opens the bubble-column window, types a 24-reactor run and calculates it,
# Ctrl+T shows the results table, whose 24 rows Ctrl+A and Ctrl+C copy to the
# clipboard, Ctrl+G shows the profile chart; then "Выход" in both windows
# and exit status 0.
# Usage: smoke_test.sh path/to/kaskad
set -uo pipefail

if [[ -z "${DISPLAY:-}" || "${1:-}" != --inside ]]; then
  exec "$(dirname "$0")/../support/on_virtual_display.sh" 1280x1024x24 "$0" --inside "$@"
fi
shift
kaskad=$1
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb

source "$(dirname "$0")/xvfb_driver.sh"
start_kaskad

open_bubble_window 24 3 2.5 0.05 433 2 3 3600
# Button1, the calculation: 201 x 57 at 8, 8. The focus stays in Form3.
click_control "$form3" 8 8 201 57

xdotool key ctrl+t
table=$(window_named "Результаты — Тевир Барботажный")
[[ -n "$table" ]] || fail "Ctrl+T showed no results table"
xdotool windowfocus --sync "$table"
xdotool key ctrl+a ctrl+shift+c
copied=""
for _ in $(seq 50); do
  copied=$(xclip -o -selection clipboard 2>/dev/null)
  [[ -n "$copied" ]] && break
  sleep 0.1
done
rows=$(($(printf '%s\n' "$copied" | wc -l) - 1))
[[ $rows -eq 24 ]] || fail "the table copied $rows rows, not 24"
first=$(printf '%s\n' "$copied" | sed -n 2p)
[[ "$first" == $'1\t24\t3\t2.5\t0.05\t433\t2\t3\t3600\t1\t1.55393481254578\t'* ]] ||
  fail "the first row copied is \"$first\""
echo "results table: 24 rows"

xdotool windowfocus --sync "$form3"
xdotool key ctrl+g
chart=$(window_named "Профиль каскада — Тевир Барботажный, расчёт 1")
[[ -n "$chart" ]] || fail "Ctrl+G showed no profile chart"
echo "profile chart shown"
xdotool windowfocus --sync "$chart"
xdotool key Escape
for _ in $(seq 50); do
  [[ -z "$(xdotool search --onlyvisible --name '^Профиль каскада — ' 2>/dev/null)" ]] && break
  sleep 0.1
done
[[ -z "$(xdotool search --onlyvisible --name '^Профиль каскада — ' 2>/dev/null)" ]] ||
  fail "Escape left the profile chart open"
echo "profile chart closed by Escape"

# "Выход" of Form3 (169 x 49 at 944, 8) closes it with its table and chart.
xdotool windowfocus --sync "$form3"
click_control "$form3" 944 8 169 49
for _ in $(seq 50); do
  [[ -z "$(xdotool search --onlyvisible --name '^Результаты — ' 2>/dev/null)" ]] && break
  sleep 0.1
done
[[ -z "$(xdotool search --onlyvisible --name '^Результаты — ' 2>/dev/null)" ]] ||
  fail "the results table stayed open after its model window closed"

# "Выход": the third button, 209 x 73 at 528, 56 of the client area.
click_control "$form2" 528 56 209 73

for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  fail "kaskad still running after \"Выход\""
fi
wait "$pid"
status=$?
echo "kaskad exited with status $status"
exit "$status"
