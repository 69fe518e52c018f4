#!/usr/bin/env bash
# The generated manual pages: each is there, compressed, renders without a
# groff warning, has the NAME line lexgrog and whatis read, and (for
# kaskad-cli) lists every option of every subcommand's --help.
# Usage: man_pages_test.sh MAN_DIR path/to/kaskad-cli
set -uo pipefail
man_dir=$1
cli=$2
export LC_ALL=C.UTF-8 MANWIDTH=80

failures=0
fail() {
  echo "FAILED  $*"
  failures=$((failures + 1))
}

check_page() {
  local page=$man_dir/$1.1.gz
  if ! gzip -t "$page" 2>/dev/null; then
    fail "$page is missing or not gzip-compressed"
    return
  fi
  local warnings
  warnings=$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1)
  [[ -z $warnings ]] || fail "groff warns about $1(1): $warnings"
  warnings=$(man --warnings -l "$page" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "man warns about $1(1): $warnings"
  local whatis
  whatis=$(lexgrog "$page")
  [[ $whatis == *": \"$1 - "* ]] || fail "lexgrog finds no NAME line in $1(1): $whatis"
  echo "ok      $1(1)"
}

check_page kaskad
check_page kaskad-cli

# Every option a subcommand's --help lists is in the page.
text=$(man -l "$man_dir/kaskad-cli.1.gz" 2>/dev/null)
for command in "" bubble gaslift "sweep bubble" "sweep gaslift"; do
  # shellcheck disable=SC2086
  for option in $("$cli" $command --help | grep -o '^  -[^ ]*' | tr ',' '\n'); do
    grep -qe "$option\b" <<<"$text" || fail "kaskad-cli(1) lacks $option of 'kaskad-cli $command'"
  done
done
[[ $(man -l "$man_dir/kaskad.1.gz" 2>/dev/null) == *--version* ]] || fail "kaskad(1) lacks --version"

if ((failures)); then
  exit 1
fi
echo "ok      every option of kaskad-cli and its subcommands is in kaskad-cli(1)"
