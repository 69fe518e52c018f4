#!/usr/bin/env python3
"""Throughput of the Python module's sweeps, measured by hand (not by ctest).

    PYTHONPATH=build/python python3 bench/python_sweep.py [--cli build/bin/kaskad-cli]

1. kaskad.sweep against kaskad-cli sweep --format csv on the same 100,000
   24-reactor bubble-column points, both on all cores.
2. kaskad.runs of 100,000 random points against kaskad.sweep of as many;
   kaskad.to_csv of a sweep's frame against kaskad-cli's whole run; the
   bytes a sweep frame holds per row.
3. kaskad.distributed.sweep of 400,000 points (outlet rows) on a local Dask
   cluster of two single-threaded worker processes against one.

Each figure is the best of --repeat runs, the runs of the things compared
interleaved, so that other work on the machine weighs on both alike.
"""

import argparse
import os
import subprocess
import time

import numpy as np

import kaskad

# 1000 x 100 = 100,000 points.
LOCAL_FIELDS = dict(N="24", y10="3", y50="2.5", wg="0.0001:0.1:0.0001", t="400:499:1", dtr="2", d="3", ts="3600")
# 1000 x 400 = 400,000 points.
CLUSTER_FIELDS = dict(LOCAL_FIELDS, t="433", ts="1800:5790:10")


def timed(action):
    start = time.perf_counter()
    result = action()
    return time.perf_counter() - start, result


def cli_sweep(cli, fields):
    arguments = [cli, "sweep", "bubble", "--format", "csv"]
    for name, text in fields.items():
        arguments += [f"--{name}", text]
    with open(os.devnull, "wb") as sink:
        subprocess.run(arguments, stdout=sink, check=True, env={**os.environ, "LC_ALL": "C"})


def best_of(repeat, actions):
    """The best time of each action over `repeat` interleaved rounds."""
    best = {name: float("inf") for name in actions}
    for _ in range(repeat):
        for name, action in actions.items():
            best[name] = min(best[name], timed(action)[0])
    return best


def bench_local(cli, repeat):
    points = 100_000
    rows = len(kaskad.sweep("bubble", **LOCAL_FIELDS))
    best = best_of(repeat, {
        "kaskad-cli sweep": lambda: cli_sweep(cli, LOCAL_FIELDS),
        "kaskad.sweep": lambda: kaskad.sweep("bubble", **LOCAL_FIELDS),
    })
    print(f"{points} points, {rows} rows, {os.cpu_count()} cores")
    for name, seconds in best.items():
        print(f"  {name:24} {seconds:7.2f} s  {points / seconds:9.0f} points/s")
    ratio = best["kaskad-cli sweep"] / best["kaskad.sweep"]
    print(f"  kaskad.sweep at {100 * ratio:.0f}% of kaskad-cli's throughput")


def bench_data(cli, repeat):
    points = 100_000
    random = np.random.default_rng(1)
    # Three-digit values, as a design of experiments gives them.
    design = {"wg": np.round(random.uniform(0.0001, 0.1, points), 4), "t": random.integers(400, 500, points)}
    frame = kaskad.sweep("bubble", **LOCAL_FIELDS)
    best = best_of(repeat, {
        "kaskad.sweep": lambda: kaskad.sweep("bubble", **LOCAL_FIELDS),
        "kaskad.runs": lambda: kaskad.runs("bubble", design, N=24),
        "kaskad.to_csv": lambda: kaskad.to_csv(frame),
        "kaskad-cli sweep": lambda: cli_sweep(cli, LOCAL_FIELDS),
    })
    print(f"{points} points, {len(frame)} rows")
    for name, seconds in best.items():
        print(f"  {name:24} {seconds:7.2f} s")
    print(f"  kaskad.runs at {100 * best['kaskad.sweep'] / best['kaskad.runs']:.0f}% of kaskad.sweep's throughput")
    print(f"  kaskad.to_csv of {len(frame)} rows takes {best['kaskad.to_csv'] / best['kaskad-cli sweep']:.2f}"
          " of kaskad-cli's whole run")
    print(f"  {frame.memory_usage(deep=True).sum() / len(frame):.1f} bytes per row of all reactors, two swept fields")


def worker_cpu_seconds():
    """The CPU time of the process it runs in: a worker's, through client.run."""
    import resource
    usage = resource.getrusage(resource.RUSAGE_SELF)
    return usage.ru_utime + usage.ru_stime


def tasks_at_once(tasks):
    """The mean number of tasks computing at once, from Dask's task stream:
    their compute time over the span from the first start to the last stop."""
    spans = [(part["start"], part["stop"]) for task in tasks for part in task["startstops"]
             if part["action"] == "compute"]
    return sum(stop - start for start, stop in spans) / (max(s for _, s in spans) - min(s for s, _ in spans))


def bench_cluster(repeat):
    import kaskad.distributed
    from distributed import Client, LocalCluster, get_task_stream

    points = 400_000
    clusters = {}
    for workers in (1, 2):
        cluster = LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=":0")
        client = Client(cluster)
        # The workers import kaskad before the clock starts.
        kaskad.distributed.sweep(client, "bubble", N=3, wg="0.01:0.05:0.01", outlet=True)
        clusters[workers] = (cluster, client)
    names = {1: "1 worker", 2: "2 workers"}
    cpu = {name: 0.0 for name in names.values()}
    concurrency = {name: 0.0 for name in names.values()}

    def run(workers, client):
        before = sum(client.run(worker_cpu_seconds).values())
        with get_task_stream(client) as stream:
            kaskad.distributed.sweep(client, "bubble", outlet=True, **CLUSTER_FIELDS)
        cpu[names[workers]] += (sum(client.run(worker_cpu_seconds).values()) - before) / repeat
        concurrency[names[workers]] += tasks_at_once(stream.data) / repeat

    try:
        best = best_of(repeat, {names[workers]: (lambda workers=workers, client=client: run(workers, client))
                                for workers, (_, client) in clusters.items()})
    finally:
        for cluster, client in clusters.values():
            client.close()
            cluster.close()
    print(f"{points} points on a local cluster, outlet rows")
    for name, seconds in best.items():
        print(f"  {name:24} {seconds:7.2f} s  {points / seconds:9.0f} points/s  workers' CPU {cpu[name]:6.2f} s"
              f"  tasks at once {concurrency[name]:4.2f}")
    print(f"  two workers {best['1 worker'] / best['2 workers']:.2f}x one")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", default="build/bin/kaskad-cli")
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--skip-local", action="store_true")
    parser.add_argument("--skip-data", action="store_true")
    parser.add_argument("--skip-cluster", action="store_true")
    arguments = parser.parse_args()
    print("load average before:", " ".join(f"{x:.2f}" for x in os.getloadavg()))
    if not arguments.skip_local:
        bench_local(arguments.cli, arguments.repeat)
    if not arguments.skip_data:
        bench_data(arguments.cli, arguments.repeat)
    if not arguments.skip_cluster:
        bench_cluster(arguments.repeat)
    print("load average after:", " ".join(f"{x:.2f}" for x in os.getloadavg()))


if __name__ == "__main__":
    main()
