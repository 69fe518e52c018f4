#!/usr/bin/env bash
# Bash completion of kaskad-cli, as bash calls it: bash-completion sourced,
# COMP_WORDS set to a command line being typed, the completion function
# called, its candidates compared with what each line should offer.
# Usage: completion_test.sh path/to/kaskad-cli path/to/kaskad-cli.bash-completion
set -uo pipefail
cli=$1
completion=$2

# shellcheck source=/dev/null
source /usr/share/bash-completion/bash_completion
# shellcheck source=/dev/null
source "$completion"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && touch profile.svg chart.png notes.txt && mkdir plots

failures=0
# expect "WORDS TYPED" "CANDIDATES": the last word is the one being
# completed; an '=' splits a word as bash's COMP_WORDBREAKS does.
expect() {
  local line=$1 wanted=$2
  read -ra COMP_WORDS <<<"$line"
  [[ -z $line || $line == *" " ]] && COMP_WORDS+=("")
  COMP_WORDS=("$cli" "${COMP_WORDS[@]}")
  local last=${COMP_WORDS[-1]}
  if [[ $last == *=* ]]; then
    unset 'COMP_WORDS[-1]'
    COMP_WORDS+=("${last%%=*}" "=" "${last#*=}")
  fi
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="$cli $line"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _kaskad_cli kaskad-cli "${COMP_WORDS[-1]}" "${COMP_WORDS[-2]}"
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
  if [[ $got == "$wanted" ]]; then
    echo "ok      kaskad-cli $line|  -> $got"
  else
    echo "FAILED  kaskad-cli $line|  -> \"$got\", expected \"$wanted\""
    failures=$((failures + 1))
  fi
}

expect "" "bubble gaslift optimize sensitivity solve sweep uncertainty"
expect "uncertainty gaslift --ind" "--indices"
expect "optimize bubble --ma" "--max-evals --maximize"
expect "sw" "sweep"
expect "--" "--help --version"
expect "sweep " "bubble gaslift"
expect "sweep g" "gaslift"
expect "bubble --pl" "--plot --plot-size"
expect "bubble --N 3 --y" "--y10 --y50"
expect "gaslift --N 3 --d" "--db --decimal-separator --dtr"
expect "sweep gaslift --o" "--only-meeting --outlet"
expect "sweep bubble --c" "--criterion"
expect "bubble --format " "csv json panes"
expect "sweep bubble --format " "csv json"
expect "bubble --format=j" "json"
expect "bubble --plot " "chart.png plots profile.svg"
expect "gaslift --plot=p" "plots profile.svg"
expect "bubble --N " ""
expect "sweep gaslift --jobs " ""

if ((failures)); then
  echo "$failures completion(s) wrong"
  exit 1
fi
