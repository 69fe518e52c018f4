#!/usr/bin/env bash
# kaskad-cli installed under a fresh prefix draws a plot with the module
# installed beside it: usage: installed_plot_test.sh CMAKE BUILD_DIR
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
