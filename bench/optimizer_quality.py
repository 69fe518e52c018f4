#!/usr/bin/python3
# The optimiser's answer per reactor count against a dense sweep of the same
# box: a grid over every interval field, then around each of its best points
# ever finer grids, each keeping only its best point by criterion margin.
#
#   bench/optimizer_quality.py build/bin/kaskad-cli[,OTHER/kaskad-cli] bubble --N 10:24 \
#       --y10 2.6:3.6 --y50 2.7:3.5 --wg 0.05:0.4 --t 433 --dtr 2 --d 3 --ts 300:1800 --max-evals 2000
#
# Prints per N the sweep's margin and, for each program named, its
# optimiser's margin less the sweep's; then the reactor count each names
# best. The sweeps' best margins are kept in $KASKAD_DENSE_CACHE (a JSON
# file) when set, as they take minutes.
import csv
import io
import json
import os
import subprocess
import sys

GRID = 32  # points per interval field of the grid over the whole box
STARTS = 4  # its best points, each refined by
ZOOMS = 6  # grids of
ZOOM_GRID = 16  # points per field, each finer than the last
MARGIN = "outlet_criterion_margin"


def run(command):
    return subprocess.run(command, check=False, capture_output=True, text=True).stdout


def field_arguments(arguments):
    fields, rest = {}, []
    it = iter(arguments)
    for option in it:
        if option.startswith("--") and option not in ("--max-evals", "--jobs", "--digits"):
            fields[option] = next(it)
        else:
            rest += [option, next(it)]
    return fields, rest


def grid(low, high, points):
    step = (high - low) / (points - 1)
    return ";".join(repr(low + k * step) for k in range(points))


def best_of_sweep(cli, model, fields, n, count=1):
    sweep = [cli, "sweep", model, "--N", str(n), "--best", str(count), "--outlet"]
    for option, text in fields.items():
        sweep += [option, text]
    return [row for row in csv.DictReader(io.StringIO(run(sweep))) if row[MARGIN]]


def zoomed(cli, model, fields, intervals, n, row):
    """The best margin near a point, by grids each spanning two of the
    previous grid's steps either side of the previous best."""
    spans = {o: (high - low) / (GRID - 1) for o, (low, high) in intervals.items()}
    best = float(row[MARGIN])
    for _ in range(ZOOMS):
        grid_fields = dict(fields)
        for option, (low, high) in intervals.items():
            centre = float(row[option])
            grid_fields[option] = grid(max(low, centre - 2 * spans[option]), min(high, centre + 2 * spans[option]), ZOOM_GRID)
            spans[option] = 4 * spans[option] / (ZOOM_GRID - 1)
        rows = best_of_sweep(cli, model, grid_fields, n)
        if not rows:
            break
        row = rows[0]
        best = max(best, float(row[MARGIN]))
    return best


def dense_best(cli, model, fields, intervals, n):
    coarse = dict(fields)
    for option, (low, high) in intervals.items():
        coarse[option] = grid(low, high, GRID)
    rows = best_of_sweep(cli, model, coarse, n, STARTS)
    return max((zoomed(cli, model, fields, intervals, n, row) for row in rows), default=None)


def optimizer_margins(cli, model, n_text, fields, rest):
    optimize = [cli, "optimize", model, "--N", n_text, "--format", "csv"] + rest
    for option, text in fields.items():
        optimize += [option, text]
    rows = csv.DictReader(io.StringIO(run(optimize)))
    return {int(row["--N"]): float(row["criterion_margin"]) for row in rows if row["criterion_margin"]}


def best_n(margins):
    return max(margins, key=lambda n: (margins[n], -n)) if margins else "-"


def main():
    clis, model, arguments = sys.argv[1].split(","), sys.argv[2], sys.argv[3:]
    fields, rest = field_arguments(arguments)
    n_text = fields.pop("--N")
    low_n, high_n = (int(v) for v in n_text.split(":"))
    intervals = {o: tuple(float(v) for v in t.split(":")) for o, t in fields.items() if ":" in t}
    fixed = {o: t for o, t in fields.items() if ":" not in t}
    found = [optimizer_margins(cli, model, n_text, fields, rest) for cli in clis]
    cache_path = os.environ.get("KASKAD_DENSE_CACHE")
    cache = json.load(open(cache_path)) if cache_path and os.path.exists(cache_path) else {}
    dense = {}
    print(f"{'N':>3} {'dense sweep':>20}" + "".join(f" {'optimiser ' + str(k + 1) + ' less':>18}" for k in range(len(clis))))
    for n in range(low_n, high_n + 1):
        key = json.dumps([model, fields, n], sort_keys=True)
        if key not in cache:
            cache[key] = dense_best(clis[0], model, fixed, intervals, n)
            if cache_path:
                json.dump(cache, open(cache_path, "w"))
        if cache[key] is not None:
            dense[n] = cache[key]
        line = f"{n:>3} {dense.get(n, '-'):>20}"
        for margins in found:
            line += f" {margins[n] - dense[n]:>18.2e}" if n in margins and n in dense else f" {'-':>18}"
        print(line, flush=True)
    print(f"best N: dense sweep {best_n(dense)}, " + ", ".join(f"optimiser {k + 1} {best_n(m)}" for k, m in enumerate(found)))


if __name__ == "__main__":
    main()
