#!/usr/bin/env bash
# Fails, naming them, on C++ sources that clang-format would change with the
# project's .clang-format. Usage: scripts/check-format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
# The sources are the checkout's own; outside a checkout there is nothing to tell them by.
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || { echo "check-format: not a git checkout" >&2; exit 77; }
mapfile -t sources < <(git ls-files -- '*.cpp' '*.h' ':!:tests/fuzz/corpus/*')
if [[ "${1:-}" == --fix ]]; then
  clang-format -i "${sources[@]}"
  exit 0
fi
clang-format --dry-run --Werror "${sources[@]}"
