#!/usr/bin/env bash
# kaskad-cli's help as help2man reads it for the manual page: the program's
# own --help, then a SUBCOMMANDS section holding the --help of every
# subcommand that runs something (bubble, gaslift, sweep bubble, ...), so
# the page lists every option the program has today. --version passes through.
# Usage: KASKAD_CLI=path/to/kaskad-cli kaskad-cli-help.sh --help|--version
set -euo pipefail
cli=${KASKAD_CLI:?KASKAD_CLI must name the kaskad-cli to describe}

if [[ ${1:-} != --help ]]; then
  exec "$cli" "$@"
fi

# The names listed under "Subcommands:" in the help of `kaskad-cli WORDS...`.
subcommands() {
  "$cli" "$@" --help | awk '/^Subcommands:$/ { on = 1; next } /^$|^[^ ]/ { on = 0 } on { print $1 }'
}

# The help of one subcommand as a help2man subsection: "USAGE:" as its
# heading, the description, options and examples indented below it, the
# examples marked with "$ " so that they are set verbatim.
subsection() {
  "$cli" "$@" --help | awk '
    NR == 1 { description = $0; next }
    /^Usage: / { sub(/^Usage: /, ""); print $0 ":"; print "  " description; print ""; next }
    /^Options:$/ || /^$/ { next }
    /^Example:$/ { examples = 1; print "  Example:"; print ""; next }
    examples && /^  / { sub(/^  /, "  $ "); print; next }
    { examples = 0; sub(/^  -h,--help/, "  -h, --help"); print }'
  echo
}

# Every subcommand that has no subcommands of its own, depth first.
describe() {
  local names
  names=$(subcommands "$@")
  if [[ -z $names ]]; then
    subsection "$@"
    return
  fi
  local name
  for name in $names; do
    describe "$@" "$name"
  done
}

"$cli" --help | sed 's/^  -h,--help/  -h, --help/'
echo
echo "*Subcommands*"
for name in $(subcommands); do
  describe "$name"
done
