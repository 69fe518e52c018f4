#!/usr/bin/env bash
# Rewrites each golden session in tests/golden from what build/bin/kaskad-cli
# prints now, for a change of output made on purpose: review the diff.
# Usage: scripts/regenerate-golden.sh [FILE...]
set -euo pipefail
cd "$(dirname "$0")/.."
cli=${KASKAD_CLI:-build/bin/kaskad-cli}
files=("$@")
((${#files[@]})) || files=(tests/golden/*.txt)
for file in "${files[@]}"; do
  command=$(head -n 1 "$file")
  arguments=${command#\$ kaskad-cli }
  err=$(mktemp)
  {
    printf '%s\n' "$command"
    status=0
    eval "LC_ALL=C \"$cli\" $arguments" 2>"$err" || status=$?
    printf '[exit %d]\n' "$status"
    sed 's/^/[stderr] /' "$err"
  } >"$file.new"
  rm -f "$err"
  mv "$file.new" "$file"
done
