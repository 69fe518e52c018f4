#!/usr/bin/env bash
# clang-tidy with the project's .clang-tidy over the sources of src and
# python/src, from the compile commands of a configured and built tree
# (the desktop sources need their generated headers).
# Usage: scripts/check-tidy.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[[ -f "$build/compile_commands.json" ]] || { echo "check-tidy: no $build/compile_commands.json" >&2; exit 2; }
run-clang-tidy -quiet -j "$(nproc)" -p "$build" "$PWD/(src|python/src)/.*\.cpp$"
