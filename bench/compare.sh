#!/usr/bin/env bash
# This tree's build against another revision's, side by side in one run: the
# Google Benchmark cases both builds have, and whole kaskad-cli sweeps, run in
# turn (old, new, old, new, ...), each median and the ratio new/old. By hand:
#   bench/compare.sh REV [ROUNDS]
# e.g. bench/compare.sh e47a10a 5
# REV is built once in build-compare/REV (a detached worktree and its build);
# this tree's build/ is brought up to date first. Before timing, every sweep
# must print the same bytes in both builds.
set -euo pipefail
rev=${1:?usage: bench/compare.sh REV [ROUNDS]}
rounds=${2:-5}
root=$(git rev-parse --show-toplevel)
cd "$root"
sha=$(git rev-parse --short "$rev^{commit}")
old="$root/build-compare/$sha"
new="$root/build"
targets=(kaskad-cli kaskad_bench kaskad_bench_sweep)
# Benchmarks that older revisions may not have: compared where both builds do.
optional=(kaskad_bench_design)

if [[ ! -d "$old/src" ]]; then
  git worktree add --detach "$old/src" "$sha" >/dev/null 2>&1
fi
if [[ ! -f "$old/build/CMakeCache.txt" ]]; then
  cmake -S "$old/src" -B "$old/build" -DBUILD_TESTING=OFF -DKASKAD_BUILD_BENCH=ON -DKASKAD_BUILD_GUI=OFF \
    -DKASKAD_BUILD_PYTHON=OFF >/dev/null
fi
cmake --build "$old/build" -j2 --target "${targets[@]}" >/dev/null
cmake --build "$new" -j2 --target "${targets[@]}" >/dev/null
benches=(kaskad_bench kaskad_bench_sweep)
for bench in "${optional[@]}"; do
  if cmake --build "$old/build" -j2 --target "$bench" >/dev/null 2>&1 &&
    cmake --build "$new" -j2 --target "$bench" >/dev/null 2>&1; then
    benches+=("$bench")
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kaskad-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Whole commands: a name, then kaskad-cli's arguments.
grid="sweep bubble --N 10:24:2 --y10 2.6:3.6:0.2 --y50 2.7:3.5:0.1 --wg 0.05;0.1;0.2;0.4 --t 433 --dtr 2 --d 3"
grid+=" --ts 300:1800:300 --outlet --format csv"
wg_ts="sweep bubble --N 24 --y10 3 --y50 2.5 --wg 0.03:0.07:0.001 --t 433 --dtr 2 --d 3 --ts 300:3600:10 --format csv"
points100k="sweep bubble --N 24 --y10 3 --y50 2.5 --wg 0.05 --t 400:499:1 --dtr 2 --d 3 --ts 1000:100900:100"
points100k+=" --outlet --format csv"
commands=(
  "grid-sweep" "$grid"
  "wg-ts-sweep-N24" "$wg_ts"
  "100k-points-jobs1" "$points100k --jobs 1"
  "100k-points-jobs2" "$points100k --jobs 2"
)

# Runs kaskad-cli of build $1 with the words of $2 (";" lists kept whole),
# output to $3; prints the wall seconds.
run_cli() {
  local -a words
  read -r -a words <<<"$2"
  local start=$EPOCHREALTIME
  "$1/bin/kaskad-cli" "${words[@]}" >"$3"
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f\n", b - a }'
}

for ((c = 0; c < ${#commands[@]}; c += 2)); do
  run_cli "$old/build" "${commands[c + 1]}" "$work/old.csv" >/dev/null
  run_cli "$new" "${commands[c + 1]}" "$work/new.csv" >/dev/null
  cmp -s "$work/old.csv" "$work/new.csv" || { echo "${commands[c]}: the builds print different bytes" >&2; exit 1; }
done

# Benchmark cases of binary $1 present in both builds, one a line, each as a
# filter of its own (the CSV report takes one set of counters a run).
shared_filters() {
  comm -12 <("$old/build/bin/$1" --benchmark_list_tests | sort) <("$new/bin/$1" --benchmark_list_tests | sort) |
    sed 's/[][()^$.*+?|\\]/\\&/g; s/.*/^&$/'
}

# One timing per line: "name seconds" in $work/old.times and $work/new.times.
declare -A filters
for bench in "${benches[@]}"; do
  filters[$bench]=$(shared_filters "$bench")
done
for ((round = 1; round <= rounds; ++round)); do
  echo "round $round of $rounds" >&2
  for side in old new; do
    dir=$([[ $side == old ]] && echo "$old/build" || echo "$new")
    for bench in "${benches[@]}"; do
      while read -r filter; do
        # CSV rows: name,iterations,real_time,cpu_time,time_unit,... The CPU
        # time of one thread, less disturbed by the machine's other work,
        # unless the case asks for the wall time of its threads.
        "$dir/bin/$bench" --benchmark_filter="$filter" --benchmark_format=csv 2>/dev/null |
          awk -F, '$3 ~ /^[0-9.e+-]+$/ {
            gsub(/"/, "", $1); scale = $5 == "ns" ? 1e-9 : $5 == "us" ? 1e-6 : $5 == "ms" ? 1e-3 : 1
            printf "%s %.9g\n", $1, ($1 ~ /real_time$/ ? $3 : $4) * scale }' >>"$work/$side.times"
      done <<<"${filters[$bench]}"
    done
    for ((c = 0; c < ${#commands[@]}; c += 2)); do
      echo "${commands[c]} $(run_cli "$dir" "${commands[c + 1]}" /dev/null)" >>"$work/$side.times"
    done
  done
done

# Median per name and side, then the table.
medians() {
  sort -k1,1 -k2,2g "$1" | awk '
    { name[NR] = $1; t[NR] = $2 }
    END {
      for (i = 1; i <= NR; i = j) {
        for (j = i; j <= NR && name[j] == name[i]; ++j) {}
        n = j - i; m = (n % 2) ? t[i + (n - 1) / 2] : (t[i + n / 2 - 1] + t[i + n / 2]) / 2
        print name[i], m
      }
    }'
}
echo "$rounds rounds, old = $rev ($sha), new = $(git rev-parse --short HEAD)$(git diff --quiet HEAD || echo '+changes')"
join <(medians "$work/old.times" | sort) <(medians "$work/new.times" | sort) | awk '
  BEGIN { printf "%-52s %12s %12s %8s %8s\n", "case (seconds)", "old median", "new median", "new/old", "speedup" }
  { printf "%-52s %12.4g %12.4g %8.3f %8.2f\n", $1, $2, $3, $3 / $2, $2 / $3; t[$1, "old"] = $2; t[$1, "new"] = $3 }
  END {
    for (s = 0; s < 2; ++s) {
      side = s ? "new" : "old"
      if (t["100k-points-jobs2", side] > 0)
        printf "--jobs 2 against --jobs 1 on 100,000 points, %s build: %.2fx\n", side,
          t["100k-points-jobs1", side] / t["100k-points-jobs2", side]
    }
  }'
