#!/usr/bin/env bash
# Drives the real kaskad on a virtual X display under openbox with random
# keys, typing, clicks, wheel turns and window switches, and counts the
# crashes (an exit by a signal or a failing status) and the hangs (a window
# that does not answer the window manager's ping within ten seconds). A
# program that quits (its "Выход", Return on it) is started again.
#
# Every event goes to the event log before it is sent, so a run is replayed
# from its seed or, exactly, from its log (lines starting with # are notes).
#
# Usage: random_events.sh KASKAD WINDOW_PING [--events N] [--seed S]
#          [--locale C|ru] [--log FILE] [--replay FILE] [--screenshots DIR]
# --screenshots leaves a picture of the screen every 100 events in DIR
# (needs imagemagick).
# Exits 0 when there was neither crash nor hang, 1 otherwise, 77 (skipped)
# without Xvfb.
set -uo pipefail

if ! command -v Xvfb >/dev/null; then
  echo "Xvfb is not installed: skipped"
  exit 77
fi
if [[ -z "${DISPLAY:-}" || "${1:-}" != --inside ]]; then
  exec "$(dirname "$0")/../support/on_virtual_display.sh" 1280x1024x24 "$0" --inside "$@"
fi
shift
kaskad=$(realpath "$1")
window_ping=$(realpath "$2")
shift 2
events=2000 seed=1 locale=C log= replay= screenshots=
while (($#)); do
  case $1 in
    --events) events=$2 ;;
    --seed) seed=$2 ;;
    --locale) locale=$2 ;;
    --log) log=$(realpath "$2") ;;
    --replay) replay=$(realpath "$2") ;;
    --screenshots) screenshots=$(realpath "$2") ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
  shift 2
done

for tool in openbox xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/install-deps.sh)"; exit 1; }
done

work=$(mktemp -d) || exit 1
[[ -n "$log" ]] || log=$work/events.log
wm_pid=
pid=
cleanup() {
  for p in "$pid" "$wm_pid"; do
    [[ -n "$p" ]] && kill -9 "$p" 2>/dev/null && wait "$p" 2>/dev/null
  done
  rm -rf "$work"
}
trap cleanup EXIT

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

# The program's own folder: files its dialogs write land there.
mkdir -p "$work/home"
cd "$work/home" || exit 1
# Settings and caches there too, none read from the caller's or from other
# tests' runs.
export HOME=$work/home QT_QPA_PLATFORM=xcb
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME
if [[ $locale == ru ]]; then
  export LC_ALL=ru_RU.UTF-8 LANG=ru_RU.UTF-8 separator=,
else
  export LC_ALL=C.UTF-8 LANG=C.UTF-8 separator=.
fi

mode_caption="Программа расчета работы системы каскадных реакторов"
crashes=0 hangs=0 quits=0 slowest=0
mode_window=

note() {
  echo "# $*" >>"$log"
  echo "$*"
}

start_program() {
  "$kaskad" 2>>"$work/kaskad.log" &
  pid=$!
  # Polled rather than waited for by xdotool, whose search stops at a
  # window going away meanwhile.
  mode_window=
  for _ in $(seq 150); do
    mode_window=$(xdotool search --onlyvisible --name "^$mode_caption\$" 2>/dev/null | head -1)
    [[ -n "$mode_window" ]] && return
    sleep 0.2
  done
  note "kaskad showed no mode window"
  exit 1
}

# Whether the program has ended within $1 tenths of a second.
ends_within() {
  local tenths
  for ((tenths = $1; tenths > 0; tenths--)); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  ! kill -0 "$pid" 2>/dev/null
}

hang() {
  hangs=$((hangs + 1))
  note "event $1: HANG, $2; killed and started again"
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  start_program
}

# The program has ended: a quit or a crash, counted, and it starts again;
# $2 says when it was found ended, if not before the ping.
restart_ended() {
  wait "$pid"
  local status=$?
  if ((status == 0)); then
    quits=$((quits + 1))
    note "event $1: kaskad quit${2:-}; started again"
  else
    crashes=$((crashes + 1))
    note "event $1: CRASH, kaskad exited with status $status${2:-}; started again"
    tail -5 "$work/kaskad.log" | sed 's/^/#   /' >>"$log"
  fi
  start_program
}

# After each event: the program still runs, and its mode window answers the
# ping within ten seconds, which also waits for the event to be taken. An
# event that ends the program ("Выход") may still be under way when it is
# checked: its mode window then goes away with the ping unanswered, and the
# program is given ten seconds to end.
check_program() {
  local n=$1 took status
  if ! kill -0 "$pid" 2>/dev/null; then
    restart_ended "$n"
    return
  fi
  took=$("$window_ping" "$mode_window" 10000)
  status=$?
  case $status in
    0) ((took > slowest)) && slowest=$took ;;
    3)
      if ends_within 100; then
        restart_ended "$n" " while its mode window was pinged"
      else
        hang "$n" "its mode window went away and it did not end within 10 s"
      fi ;;
    *) hang "$n" "no answer to the ping within 10 s" ;;
  esac
}

keys=(Tab shift+Tab Return Escape space Up Down Left Right Prior Next Home End BackSpace Delete
  F9 shift+F9 ctrl+t ctrl+g ctrl+shift+g ctrl+c ctrl+shift+c ctrl+a ctrl+v ctrl+x ctrl+z
  ctrl+d ctrl+r ctrl+u ctrl+s ctrl+o ctrl+p ctrl+shift+p ctrl+Return)
# Texts start with a digit, which xdotool never takes for an option.
digits=0123456789
alphabet="0123456789.,:;-e"

# One event drawn from the seeded generator, as its log line, into `event`
# (set here rather than printed: a subshell would not advance the generator).
draw_event() {
  local roll=$((RANDOM % 100))
  if ((roll < 35)); then
    event="key ${keys[RANDOM % ${#keys[@]}]}"
  elif ((roll < 45)); then
    local text=${digits:RANDOM % 10:1} i
    for ((i = RANDOM % 6; i > 0; i--)); do text+=${alphabet:RANDOM % ${#alphabet}:1}; done
    event="type $text"
  elif ((roll < 65)); then
    event="click 1 $((RANDOM % 1000)) $((RANDOM % 1000))"
  elif ((roll < 70)); then
    event="click 3 $((RANDOM % 1000)) $((RANDOM % 1000))"
  elif ((roll < 74)); then
    event="double $((RANDOM % 1000)) $((RANDOM % 1000))"
  elif ((roll < 78)); then
    event="wheel $((4 + RANDOM % 2)) $((RANDOM % 1000)) $((RANDOM % 1000))"
  elif ((roll < 86)); then
    local reactors=(1 2 3 12 24)
    event="fill ${reactors[RANDOM % 5]}"
  elif ((roll < 94)); then
    event="activate $((RANDOM % 16))"
  elif ((roll < 97)); then
    event="minimize"
  else
    event="close"
  fi
}

active_window() { xdotool getactivewindow 2>/dev/null; }

# Where a click at permille X, Y of the active window lands, as "WINDOW X Y";
# nothing on the mode window's "Выход" (209 x 73 at 528, 56), which ends the
# program rather than exercising it.
click_place() {
  local window width height x y
  window=$(active_window) || return 1
  eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(WIDTH|HEIGHT)=')"
  width=$WIDTH height=$HEIGHT
  x=$(($2 * width / 1000)) y=$(($3 * height / 1000))
  if [[ $window == "$mode_window" ]] && ((x >= 528 && x < 737 && y >= 56 && y < 129)); then
    return 1
  fi
  echo "$window $x $y"
}

# The worked example's texts into the active model window's fields, with N
# reactors, each field chosen by a click and its text replaced.
fill_fields() {
  local window name lefts tops texts i
  window=$(active_window) || return
  name=$(xdotool getwindowname "$window")
  case $name in
    "Тевир Барботажный")
      lefts=(224 224 224 224 448 448 448 448)
      texts=("$1" 3 2.5 0.05 433 2 3 3600) ;;
    "Тевир Газлифтовый")
      lefts=(224 224 224 224 456 456 456 456)
      texts=("$1" 3 2 0.05 450 2 "" 3600) ;;
    *) return ;;
  esac
  tops=(24 64 112 152 24 64 104 144)
  for i in "${!texts[@]}"; do
    xdotool mousemove --window "$window" $((lefts[i] + 60)) $((tops[i] + 10)) click 1 key ctrl+a BackSpace
    [[ -n "${texts[i]}" ]] && xdotool type --delay 2 "${texts[i]//./$separator}"
  done
}

send_event() {
  local kind=$1 place
  shift
  case $kind in
    key) xdotool key "$1" ;;
    type) xdotool type --delay 2 "$1" ;;
    click)
      place=$(click_place "$@") || return
      xdotool mousemove --window $place click "$1" ;;
    double)
      place=$(click_place 1 "$@") || return
      xdotool mousemove --window $place click --repeat 2 1 ;;
    wheel)
      place=$(click_place "$@") || return
      xdotool mousemove --window $place click "$1" ;;
    fill) fill_fields "$1" ;;
    activate)
      # Minimised windows too, which the window manager then restores;
      # openbox ignores the program's hidden windows.
      local windows
      mapfile -t windows < <(xdotool search --pid "$pid" --name . 2>/dev/null | sort -n)
      ((${#windows[@]})) && xdotool windowactivate "${windows[$1 % ${#windows[@]}]}" 2>/dev/null ;;
    minimize)
      place=$(active_window) && xdotool windowminimize "$place" ;;
    close)
      place=$(active_window) && [[ $place != "$mode_window" ]] && xdotool key alt+F4 ;;
  esac
}

started=$(date +%s)
start_program
if [[ -n "$replay" ]]; then
  mapfile -t lines < <(grep -v '^#' "$replay")
  events=${#lines[@]}
  : >"$log"
else
  RANDOM=$seed
  echo "# random_events.sh --seed $seed --events $events --locale $locale" >"$log"
fi
for ((n = 1; n <= events; n++)); do
  if [[ -n "$replay" ]]; then
    event=${lines[n - 1]#* }
  else
    draw_event
  fi
  echo "$n $event" >>"$log"
  # shellcheck disable=SC2086
  send_event $event 2>>"$work/xdotool.log"
  check_program "$n"
  if [[ -n "$screenshots" ]] && ((n % 100 == 0)); then
    import -window root "$screenshots/event-$n.png"
  fi
done
seconds=$(($(date +%s) - started))
while read -r window; do
  note "open at the end: $(xdotool getwindowname "$window" 2>/dev/null)"
done < <(xdotool search --onlyvisible --pid "$pid" 2>/dev/null)

summary="$events events in ${seconds} s: $crashes crashes, $hangs hangs, $quits quits, slowest answer ${slowest} ms"
note "$summary"
((crashes == 0 && hangs == 0))
