#!/usr/bin/env bash
# Starts the real kaskad on a virtual X display and works the study window
# as a user does: the bubble-column window's fields typed, Ctrl+R opens
# "Исследование параметров", a study of two fields is run, stopped and run
# again to its end, its chart drawn and saved as PNG, its report written
# through the save dialog (its pages made PNG images by pdftoppm, its text
# by pdftotext holding the definition and kaskad-cli's best margin), and a
# row's texts put into the model window's fields, which the clipboard then
# shows.
# Usage: study_window_test.sh path/to/kaskad path/to/kaskad-cli [folder for the report's pages] [screenshot folder]
set -uo pipefail

if [[ -z "${DISPLAY:-}" || "${1:-}" != --inside ]]; then
  exec "$(dirname "$0")/../support/on_virtual_display.sh" 1600x1000x24 "$0" --inside "$@"
fi
shift
kaskad=$1
cli=$2
pages=${3:-}
shots=${4:-}
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
work=$(mktemp -d)
export HOME=$work XDG_CONFIG_HOME=$work/config

source "$(dirname "$0")/xvfb_driver.sh"
start_kaskad

shot() {
  [[ -n "$shots" ]] && import -window root "$shots/$1.png"
}


open_bubble_window 24 3 2.5 0.05 433 2 3 3600

xdotool key ctrl+r
study=$(window_named "Исследование параметров — Тевир Барботажный")
[[ -n "$study" ]] || fail "Ctrl+R showed no study window"
xdotool windowfocus --sync "$study"
# The values of N (focused first) and, four cells on, wg and ts: a study of
# two fields long enough to be stopped.
xdotool key ctrl+a && xdotool type "24"
xdotool key Tab Tab Tab ctrl+a && xdotool type "0.03:0.07:0.01"
xdotool key Tab Tab Tab Tab ctrl+a && xdotool type "1:100000:1"
xdotool key F9
sleep 1
shot study-running
xdotool key shift+F9
sleep 1
shot study-stopped
# The smaller study of the same two fields, run to its end.
xdotool key ctrl+a && xdotool type "600:3600:300"
xdotool key F9
sleep 3
shot study-finished

xdotool key ctrl+g
chart=$(window_named "График исследования")
[[ -n "$chart" ]] || fail "Ctrl+G showed no study chart"
sleep 1
shot study-chart
xdotool windowfocus --sync "$chart"
xdotool key ctrl+s
save_through_dialog "Сохранить график исследования" "$work/study-chart.png" "Ctrl+S in the study chart"
[[ "$(head -c 4 "$work/study-chart.png" | tail -c 3)" == PNG ]] || fail "the chart was not saved as PNG"
echo "study chart saved"
# Ctrl+P in the study window: the report, with the chart as its window draws it.
xdotool windowfocus --sync "$study"
xdotool key ctrl+p
save_through_dialog "Сохранить отчёт" "$work/study-report.pdf" "Ctrl+P in the study window"
text=$(pdftotext -layout "$work/study-report.pdf" - | tr -s ' \n' '  ') || fail "pdftotext could not read the study report"
best=$("$cli" sweep bubble --N 24 --y10 3 --y50 2.5 --wg 0.03:0.07:0.01 --t 433 --dtr 2 --d 3 --ts 600:3600:300 \
  --criterion --outlet | tail -n +2 | sort -t, -k29 -g -r | head -1 | cut -d, -f29)
for expected in "0.03:0.07:0.01" "600:3600:300" "Точек: 55, все рассчитаны." " $best "; do
  [[ "$text" == *"$expected"* ]] || fail "the study report lacks \"$expected\""
done
if [[ -n "$pages" ]]; then
  mkdir -p "$pages"
  rm -f "$pages"/study-report-page-*.png
  pdftoppm -png -r 80 "$work/study-report.pdf" "$pages/study-report-page" || fail "pdftoppm could not read the study report"
fi
echo "study report written, best margin $best"

xdotool windowfocus --sync "$chart"
xdotool key Escape
gone() {
  for _ in $(seq 50); do
    [[ -z "$(xdotool search --onlyvisible --name "^$1" 2>/dev/null)" ]] && return 0
    sleep 0.1
  done
  return 1
}
gone "График исследования" || fail "Escape left the study chart open"

# The first row of the table (below the fields and the buttons), then
# Ctrl+Return: "Подставить в поля".
xdotool windowfocus --sync "$study"
eval "$(xdotool getwindowgeometry --shell "$study")"
xdotool mousemove --window "$study" 200 $((HEIGHT - 60)) click 1
xdotool key ctrl+Home ctrl+Return
sleep 0.5
shot study-put-into-fields
# The first three rows' points on one profile chart: Ctrl+Shift+G.
xdotool key shift+Down shift+Down ctrl+shift+g
profile=$(window_named "Профиль каскада — Тевир Барботажный, точки 1, 2, 3")
[[ -n "$profile" ]] || fail "Ctrl+Shift+G showed no profile of the three points"
sleep 1
shot study-profile
xdotool windowfocus --sync "$profile"
xdotool key Escape
gone "Профиль каскада" || fail "Escape left the points' profile open"
xdotool windowfocus --sync "$study"
# Escape closes the study window, which covers the fields.
xdotool key Escape
gone "Исследование параметров" || fail "Escape left the study window open"
xdotool windowfocus --sync "$form3"
click_control "$form3" 448 144 121 21
before=$(xclip -o -selection clipboard 2>/dev/null)
xdotool key ctrl+a ctrl+c
ts=$(clipboard_after "$before")
[[ "$ts" == 600 ]] || fail "the ts field holds \"$ts\" after \"Подставить в поля\", not the first point's 600"
click_control "$form3" 224 152 121 21
xdotool key ctrl+a ctrl+c
wg=$(clipboard_after "$ts")
[[ "$wg" == 0.03 ]] || fail "the wg field holds \"$wg\", not the first point's 0.03"
echo "the first point's texts put into the fields"

# Ctrl+R opens the study window again; "Выход" of Form3 closes it too.
xdotool key ctrl+r
[[ -n "$(window_named "Исследование параметров — Тевир Барботажный")" ]] || fail "Ctrl+R did not open the study again"
xdotool windowraise "$form3"
xdotool windowfocus --sync "$form3"
click_control "$form3" 944 8 169 49
gone "Исследование параметров" || fail "the study window stayed open after its model window closed"
click_control "$form2" 528 56 209 73
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "kaskad still running after \"Выход\""
wait "$pid"
status=$?
rm -rf "$work"
echo "kaskad exited with status $status"
exit "$status"
