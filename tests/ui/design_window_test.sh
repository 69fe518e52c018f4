#!/usr/bin/env bash
# Starts the real kaskad on a virtual X display and designs as a user does:
# the bubble-column window's fields typed, Ctrl+D, four fields and N ticked
# and their upper ends typed, "Рассчитать"; the answer for N 11 chosen and
# "Подставить в поля"; Ctrl+S then saves the fields, which must hold
# kaskad-cli optimize's answer for N 11.
# Usage: design_window_test.sh path/to/kaskad path/to/kaskad-cli [screenshot.png]
set -uo pipefail

if [[ -z "${DISPLAY:-}" || "${1:-}" != --inside ]]; then
  exec "$(dirname "$0")/../support/on_virtual_display.sh" 1280x1024x24 "$0" --inside "$@"
fi
shift
kaskad=$1
cli=$2
screenshot=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb

source "$(dirname "$0")/xvfb_driver.sh"
start_kaskad

open_bubble_window 10 2.6 2.7 0.05 433 2 3 300

xdotool key ctrl+d
design=$(window_named "Подбор параметров — Тевир Барботажный")
[[ -n "$design" ]] || fail "Ctrl+D showed no design window"
xdotool windowfocus --sync "$design"
sleep 0.5
# By keyboard from the first field's box: tick, pass "от", type "до"; then
# past the tolerance cell, which N has none of.
tick() {
  xdotool key space Tab Tab
  xdotool type --delay 10 "$1"
  xdotool key Tab
  [[ "${2:-}" == N ]] || xdotool key Tab
}
tick 12 N
tick 3.6
tick 3.5
tick 0.4
# t, dtr and d: the box, "от" and the tolerance.
xdotool key Tab Tab Tab Tab Tab Tab Tab Tab Tab
tick 1800
# The goal, the criterion box, the bounds, the digits, the runs allowed,
# then "Рассчитать".
xdotool key Tab Tab Tab Tab Tab space
sleep 3

# The best answer (N 10) comes selected in the table, which has the focus:
# the next row, then "Подставить в поля", the table's next control.
xdotool key Down Tab space
sleep 0.5
[[ -n "$screenshot" ]] && import -window root "$screenshot"

xdotool windowfocus --sync "$form3"
xdotool key ctrl+s
save_through_dialog "Сохранить исходные данные" "$work/answer.kaskad.json" Ctrl+S

expected=$("$cli" optimize bubble --N 10:12 --y10 2.6:3.6 --y50 2.7:3.5 --wg 0.05:0.4 --t 433 --dtr 2 --d 3 \
  --ts 300:1800 --format csv | awk -F, '$1 == 11 { print $1, $2, $3, $4, $5, $6, $7, $8 }')
saved=$(python3 -c 'import json, sys; f = json.load(open(sys.argv[1]))["fields"]
print(" ".join(f[k] for k in ["N", "y10", "y50", "wg", "t", "dtr", "d", "ts"]))' "$work/answer.kaskad.json")
[[ -n "$expected" && "$saved" == "$expected" ]] || fail "the fields hold \"$saved\", kaskad-cli answers \"$expected\""
echo "the fields hold kaskad-cli's answer for N 11: $saved"

xdotool windowfocus --sync "$form3"
click_control "$form3" 944 8 169 49
click_control "$form2" 528 56 209 73
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "kaskad still running after \"Выход\""
wait "$pid"
