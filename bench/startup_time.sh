#!/usr/bin/env bash
# Whole-process wall time of a 24-reactor CSV run of kaskad-cli against a bare
# C++ program printing the same bytes, interleaved run by run. By hand:
#   bench/startup_time.sh [BUILD_DIR [RUNS [OTHER_KASKAD_CLI...]]]
# e.g. bench/startup_time.sh build 200 /path/to/an/older/kaskad-cli
set -euo pipefail
build=${1:-build}
runs=${2:-200}
shift $(($# < 2 ? $# : 2))

run="bubble --N 24 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 --ts 3600 --format csv"
work=$(mktemp -d "${TMPDIR:-/tmp}/kaskad-startup.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Every program timed prints the same bytes.
# shellcheck disable=SC2086
"$build/bin/kaskad-cli" $run >"$work/expected.csv"
"$build/bin/kaskad_bare_print" "$work/expected.csv" | cmp - "$work/expected.csv"
commands=(bare "$build/bin/kaskad_bare_print $work/expected.csv" kaskad-cli "$build/bin/kaskad-cli $run")
n=0
for other in "$@"; do
  # shellcheck disable=SC2086
  "$other" $run | cmp - "$work/expected.csv"
  commands+=("other-$((++n))" "$other $run")
done

echo "$runs runs each, interleaved; ratios to bare's medians"
"$build/bin/kaskad_process_timer" "$runs" "${commands[@]}"
