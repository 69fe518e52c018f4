#!/usr/bin/env bash
# Runs the real kaskad on a virtual X display under a window manager
# (openbox) and checks what the window manager sees: each window's outer
# size and place, frame included, once it is framed and again at a second
# opening; the model windows transient for the mode window, which alone
# stands for the program; and a pane surviving Ctrl+V, Shift+Insert and a
# middle click while the clipboard and the selection are empty.
# Usage: window_manager_test.sh path/to/kaskad
# Exits 77 (skipped) when Xvfb is not installed. KASKAD_SCREENSHOTS=DIR
# leaves a screenshot of each opened window in DIR (needs imagemagick).
set -uo pipefail

if ! command -v Xvfb >/dev/null; then
  echo "Xvfb is not installed: skipped"
  exit 77
fi
if [[ -z "${DISPLAY:-}" || "${1:-}" != --inside ]]; then
  exec "$(dirname "$0")/../support/on_virtual_display.sh" 1280x1024x24 "$0" --inside "$@"
fi
shift
kaskad=$1

for tool in openbox xdotool xprop xwininfo; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh)"; exit 1; }
done

logs=$(mktemp -d) || exit 1
wm_pid=
kaskad_pid=
cleanup() {
  for pid in "$kaskad_pid" "$wm_pid"; do
    [[ -n "$pid" ]] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  rm -rf "$logs"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  xprop -root >/dev/null 2>&1 || echo "(the X server on $DISPLAY has gone)"
  for log in "$logs"/*.log; do
    [[ -s "$log" ]] && { echo "--- $(basename "$log")"; cat "$log"; }
  done
  exit 1
}

# Polls `command` for up to ten seconds until it succeeds.
eventually() {
  for _ in $(seq 100); do
    "$@" && return 0
    sleep 0.1
  done
  "$@"
}

wm_running() {
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

openbox --sm-disable >"$logs/openbox.log" 2>&1 &
wm_pid=$!
eventually wm_running || fail "openbox did not start"

# The outer geometry of a client window, WIDTHxHEIGHT+LEFT+TOP: the client
# area that xwininfo gives, grown by the frame extents the window manager
# sets (left, right, top, bottom).
outer_geometry() {
  local info extents
  info=$(xwininfo -id "$1") || return 1
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *//p' | tr -d ,)
  [[ -n "$extents" ]] || return 1
  awk -v extents="$extents" '
    /Absolute upper-left X:/ { x = $NF }
    /Absolute upper-left Y:/ { y = $NF }
    /^ *Width:/ { w = $NF }
    /^ *Height:/ { h = $NF }
    END {
      split(extents, e, " ")
      printf "%dx%d+%d+%d\n", w + e[1] + e[2], h + e[3] + e[4], x - e[1], y - e[3]
    }' <<<"$info"
}

has_outer_geometry() {
  [[ "$(outer_geometry "$1")" == "$2" ]]
}

expect_outer_geometry() {
  local window=$1 name=$2 expected=$3
  eventually has_outer_geometry "$window" "$expected" \
    || fail "$name: outer geometry $(outer_geometry "$window"), expected $expected"
  echo "$name: outer geometry $expected"
}

transient_for() {
  xprop -id "$1" WM_TRANSIENT_FOR | sed -n 's/.*window id # //p'
}

# Closing a window hides it; Qt also lets its X window go.
is_closed() {
  ! xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

still_running() {
  kill -0 "$kaskad_pid" 2>/dev/null || fail "kaskad ended: $*"
}

screenshot() {
  [[ -n "${KASKAD_SCREENSHOTS:-}" ]] || return 0
  sleep 0.5
  import -window root "$KASKAD_SCREENSHOTS/$1.png" || fail "no screenshot $1"
}

# Clicks the centre of a control given by its client-area rectangle.
click_control() {
  local window=$1 left=$2 top=$3 width=$4 height=$5
  xdotool mousemove --window "$window" $((left + width / 2)) $((top + height / 2)) click 1
}

find_window() {
  timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1
}

export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
"$kaskad" 2>"$logs/kaskad.log" &
kaskad_pid=$!

form2=$(find_window "Программа расчета работы системы каскадных реакторов")
[[ -n "$form2" ]] || fail "no mode-selection window"
expect_outer_geometry "$form2" "mode-selection window" "768x184+215+137"
[[ -z "$(transient_for "$form2")" ]] || fail "the mode-selection window is transient"
screenshot form2

# Opens a model window with the mode button at `opener`, checks it, and
# closes it with its exit button at `exit`.
check_model_window() {
  local caption=$1 geometry=$2 opener=$3 exit=$4 shot=$5
  click_control "$form2" $opener
  local window
  window=$(find_window "$caption")
  [[ -n "$window" ]] || fail "\"$caption\" did not open"
  expect_outer_geometry "$window" "$caption" "$geometry"
  [[ "$(transient_for "$window")" == "$(printf '0x%x' "$form2")" ]] \
    || fail "$caption: WM_TRANSIENT_FOR is \"$(transient_for "$window")\", not the mode-selection window"
  echo "$caption: transient for the mode-selection window"
  screenshot "$shot"

  # Text1, 185 x 89 at 8, 216, with nothing on the clipboard or selection.
  click_control "$window" 8 216 185 89
  xdotool key --window "$window" ctrl+v
  xdotool key --window "$window" shift+Insert
  xdotool mousemove --window "$window" 100 260 click 2
  sleep 0.3
  still_running "pasting nothing into Text1 of \"$caption\""

  click_control "$window" $exit
  eventually is_closed "$window" || fail "\"$caption\" did not close"
}

# Form3 twice: the second opening finds the frame already known.
check_model_window "Тевир Барботажный" "1136x649+113+192" "16 56 249 73" "944 8 169 49" form3
check_model_window "Тевир Газлифтовый" "1030x632+117+139" "280 56 233 73" "936 8 75 25" form1
check_model_window "Тевир Барботажный" "1136x649+113+192" "16 56 249 73" "944 8 169 49" form3-again

# "Выход" of the mode-selection window ends the program with status 0.
click_control "$form2" 528 56 209 73
ended() { ! kill -0 "$kaskad_pid" 2>/dev/null; }
eventually ended || fail "kaskad still running after \"Выход\""
wait "$kaskad_pid"
status=$?
kaskad_pid=
[[ $status -eq 0 ]] || fail "kaskad exited with status $status"
echo "kaskad exited with status 0"
