#!/usr/bin/env bash
# kaskad-cli installed under a fresh prefix draws a plot and runs an
# uncertainty study with the modules installed beside it.
# Usage: installed_plot_test.sh CMAKE BUILD_DIR
set -euo pipefail
cmake=$1
build=$2

prefix=$(mktemp -d "${TMPDIR:-/tmp}/kaskad-install-test.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

plot=$prefix/profile.svg
LC_ALL=C LD_DEBUG=libs "$prefix/bin/kaskad-cli" bubble --N 24 --y10 3 --y50 2.5 --wg 0.05 --t 433 --dtr 2 --d 3 \
  --ts 3600 --format csv --plot "$plot" >"$prefix/run.csv" 2>"$prefix/loader.log"

if [[ "$(head -c 5 "$plot")" != "<?xml" ]]; then
  echo "the installed kaskad-cli wrote no SVG plot" >&2
  exit 1
fi
if ! grep -q "calling init: $prefix/.*/kaskad-plot.so" "$prefix/loader.log"; then
  echo "the plot module was not loaded from the installation:" >&2
  grep 'kaskad-plot' "$prefix/loader.log" >&2 || true
  exit 1
fi
if [[ "$(wc -l <"$prefix/run.csv")" != 25 ]]; then
  echo "the installed kaskad-cli printed $(wc -l <"$prefix/run.csv") lines, not a header and 24 rows" >&2
  exit 1
fi

# The uncertainty study runs in the module installed beside the program.
LC_ALL=C LD_DEBUG=libs "$prefix/bin/kaskad-cli" uncertainty bubble --N 10 --y10 2.6 --y50 3.39 --wg 0.4 --t 433±1 \
  --dtr 2 --d 3 --ts 305 --samples 20 >"$prefix/study.txt" 2>"$prefix/loader.log"
if ! grep -q "calling init: $prefix/.*/kaskad-uncertainty.so" "$prefix/loader.log"; then
  echo "the uncertainty module was not loaded from the installation:" >&2
  grep 'kaskad-uncertainty' "$prefix/loader.log" >&2 || true
  exit 1
fi
if ! grep -q '^runs: 20, failed: 0$' "$prefix/study.txt"; then
  echo "the installed kaskad-cli's uncertainty study printed:" >&2
  cat "$prefix/study.txt" >&2
  exit 1
fi
