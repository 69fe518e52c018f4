# What the tests that drive the real kaskad on a virtual X display share.
# Sourced by each, after it has started itself again on a virtual display;
# `kaskad` names the program.

# Starts the program; its process id in `pid`.
start_kaskad() {
  "$kaskad" &
  pid=$!
}

fail() {
  echo "$1"
  kill "$pid" 2>/dev/null
  exit 1
}

# The visible window with exactly this caption.
window_named() {
  timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -1
}

# A click at the centre of a control at LEFT, TOP of size WIDTH x HEIGHT.
click_control() {
  xdotool mousemove --window "$1" $(($2 + $4 / 2)) $(($3 + $5 / 2)) click 1
}

# Waits until the clipboard holds something other than $1 and prints it.
clipboard_after() {
  local copied
  for _ in $(seq 50); do
    copied=$(xclip -o -selection clipboard 2>/dev/null)
    if [[ -n "$copied" && "$copied" != "$1" ]]; then
      printf '%s' "$copied"
      return
    fi
    sleep 0.1
  done
}

# Opens the bubble-column window from the mode window ("Тевир Барботажный",
# the first button, 249 x 73 at 16, 56) and types the eight texts given into
# LabeledEdit1..8 (each 121 x 21). The windows' ids in `form2` and `form3`.
open_bubble_window() {
  form2=$(window_named "Программа расчета работы системы каскадных реакторов")
  [[ -n "$form2" ]] || fail "the program showed no mode window"
  click_control "$form2" 16 56 249 73
  form3=$(window_named "Тевир Барботажный")
  [[ -n "$form3" ]] || fail "the bubble-column window did not open"
  local lefts=(224 224 224 224 448 448 448 448)
  local tops=(24 64 112 152 24 64 104 144)
  local texts=("$@") i
  for i in "${!texts[@]}"; do
    click_control "$form3" "${lefts[i]}" "${tops[i]}" 121 21
    xdotool type --delay 10 "${texts[i]}"
  done
}

# Types PATH into the save dialog captioned CAPTION and waits until the file
# is written; fails, naming WHAT opened the dialog, when either never comes.
save_through_dialog() {
  local caption=$1 path=$2 what=$3 dialog
  dialog=$(window_named "$caption")
  [[ -n "$dialog" ]] || fail "$what showed no save dialog \"$caption\""
  xdotool windowfocus --sync "$dialog"
  xdotool key ctrl+a
  xdotool type --delay 10 "$path"
  xdotool key Return
  for _ in $(seq 100); do
    [[ -s "$path" ]] && return
    sleep 0.1
  done
  fail "$what: nothing written to $path"
}
