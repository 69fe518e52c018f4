#!/usr/bin/env bash
# Starts the real kaskad on a virtual X display, calculates a 24-reactor run
# in the bubble-column window, presses Ctrl+P and types the report's name into
# the save dialog; the PDF's pages become PNG images (pdftoppm) and its text
# (pdftotext) must hold every value kaskad-cli prints for the same run.
# Usage: report_window_test.sh path/to/kaskad path/to/kaskad-cli [folder for the pages]
set -uo pipefail

if [[ -z "${DISPLAY:-}" || "${1:-}" != --inside ]]; then
  exec "$(dirname "$0")/../support/on_virtual_display.sh" 1280x1024x24 "$0" --inside "$@"
fi
shift
kaskad=$1
cli=$2
out=${3:-$(mktemp -d)}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb

source "$(dirname "$0")/xvfb_driver.sh"
start_kaskad

open_bubble_window 24 3 2.5 0.05 433 2 3 3600
click_control "$form3" 8 8 201 57

# Ctrl+P asks for the file; the name typed goes to the dialog's name field.
xdotool key ctrl+p
save_through_dialog "Сохранить отчёт" "$work/report.pdf" Ctrl+P
echo "report written"

pdftoppm -png -r 80 "$work/report.pdf" "$out/report-page" || fail "pdftoppm could not read the report"
pages=$(find "$out" -name 'report-page-*.png' | wc -l)
[[ $pages -ge 3 ]] || fail "the report has $pages pages, not 3 or more"
echo "report pages as PNG: $pages"

text=$(pdftotext -layout "$work/report.pdf" -) || fail "pdftotext could not read the report"
words=$(printf '%s\n' "$text" | tr -s ' ' '\n')
missing=0
values=0
while IFS=, read -r -a row; do
  for value in "${row[@]:1}"; do
    values=$((values + 1))
    grep -qxF -- "$value" <<<"$words" || {
      echo "missing from the report: $value"
      missing=$((missing + 1))
    }
  done
done < <("$cli" bubble --N 24 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 --format csv | tail -n +2)
[[ $values -eq 288 && $missing -eq 0 ]] || fail "the report lacks $missing of kaskad-cli's $values values"
echo "report holds kaskad-cli's $values values"

xdotool windowfocus --sync "$form3"
click_control "$form3" 944 8 169 49
click_control "$form2" 528 56 209 73
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "kaskad still running after \"Выход\""
wait "$pid"
