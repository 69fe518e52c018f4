#!/usr/bin/env bash
# Starts the real kaskad on a virtual X display and studies tolerances as a
# user does: the bubble-column window's fields typed, Ctrl+U, "+-5%" typed in
# the cell of y50, the sample set to 200 with Sobol' indices,
# "Чувствительность", then F9;
# Ctrl+S saves the results as JSON, which must be kaskad-cli uncertainty's
# document for the same study, and Ctrl+P writes the report.
# Usage: uncertainty_window_test.sh path/to/kaskad path/to/kaskad-cli [screenshot folder]
set -uo pipefail

if [[ -z "${DISPLAY:-}" || "${1:-}" != --inside ]]; then
  exec "$(dirname "$0")/../support/on_virtual_display.sh" 1280x1024x24 "$0" --inside "$@"
fi
shift
kaskad=$1
cli=$2
screenshots=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb

source "$(dirname "$0")/xvfb_driver.sh"
start_kaskad

open_bubble_window 11 2.6 3.39 0.3643 433 2 3 300

xdotool key ctrl+u
window=$(window_named "Допуски и надёжность — Тевир Барботажный")
[[ -n "$window" ]] || fail "Ctrl+U showed no tolerances window"
xdotool windowfocus --sync "$window"
sleep 0.5
# The first cell has the focus: y10, then y50.
xdotool key Tab
xdotool type --delay 10 "+-5%"
# wg, t, dtr, d, ts, then the sample's size.
xdotool key Tab Tab Tab Tab Tab Tab ctrl+a
xdotool type --delay 10 "200"
# The seed, the method, the indices box ticked, then "Чувствительность".
xdotool key Tab Tab Tab space Tab space
sleep 1
[[ -n "$screenshots" ]] && import -window root "$screenshots/uncertainty-tornado.png"
xdotool key F9
sleep 8
[[ -n "$screenshots" ]] && import -window root "$screenshots/uncertainty-histogram.png"

xdotool key ctrl+s
save_through_dialog "Сохранить результаты расчёта надёжности" "$work/results.json" Ctrl+S
expected=$("$cli" uncertainty bubble --N 11 --y10 2.6 --y50 3.39+-5% --wg 0.3643 --t 433 --dtr 2 --d 3 --ts 300 \
  --samples 200 --indices --format json)
saved=$(cat "$work/results.json")
[[ -n "$expected" && "$saved" == "$expected" ]] || fail "saved \"$saved\", kaskad-cli gives \"$expected\""
echo "the saved results are kaskad-cli's: $(python3 -c 'import json, sys; print(json.loads(sys.argv[1])["probability_meets"])' "$saved")"

xdotool windowfocus --sync "$window"
xdotool key ctrl+p
save_through_dialog "Сохранить отчёт" "$work/report.pdf" "Ctrl+P in the tolerances window"
text=$(pdftotext -layout "$work/report.pdf" - | tr -s ' \n' '  ') || fail "pdftotext could not read the report"
[[ "$text" == *"Вероятность выполнения критерия P ="* ]] || fail "the report lacks the probability"
if [[ -n "$screenshots" ]]; then
  pdftoppm -png -r 60 "$work/report.pdf" "$screenshots/uncertainty-report-page" || fail "pdftoppm could not read the report"
fi

xdotool windowfocus --sync "$window"
xdotool key Escape
xdotool windowfocus --sync "$form3"
click_control "$form3" 944 8 169 49
click_control "$form2" 528 56 209 73
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "kaskad still running after \"Выход\""
wait "$pid"
