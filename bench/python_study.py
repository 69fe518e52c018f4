#!/usr/bin/env python3
"""A large study written to a Zarr store on a local Dask cluster, measured by hand (not by ctest).

    PYTHONPATH=build/python python3 bench/python_study.py [--store /tmp/study.zarr] [--points 10000000]

1. A study of --points outlet points (bubble column, wg x t x ts) written to
   --store by two single-threaded worker processes; once --kill-at of its
   chunks are written, one worker is killed (its nanny starts another).
   Then: the store complete, a sample of its chunks equal bit for bit to
   kaskad.sweep's values and their CSV to kaskad.to_csv's, a second run of
   the same study computing nothing, and the peak memory of each worker
   (VmHWM, the killed one's read just before it died) and of the driver
   (which holds the LocalCluster's scheduler too).
2. The driver's peak memory while it makes the store of a --driver-points
   study and submits its chunks, cancelled at once.
3. 20,000 chunk tasks submitted to two workers and cancelled: the seconds each takes.
"""

import argparse
import os
import shutil
import signal
import threading
import time

import numpy as np

import kaskad
import kaskad.distributed
from kaskad._zarr import Layout, complete_chunks


def peak_memory():
    """This process's peak resident memory in bytes (VmHWM)."""
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) * 1024
    return 0


def reset_peak_memory():
    """Starts this process's VmHWM again from its present memory."""
    with open("/proc/self/clear_refs", "w") as clear:
        clear.write("5")


def bench_submission(client):
    started = time.perf_counter()
    pending = kaskad.distributed.sweep(client, "bubble", outlet=True, wg="0.0001:1:0.00005", t="430;433",
                                       chunks=20_000, compute=False)
    submitted = time.perf_counter()
    pending.cancel()
    cancelled = time.perf_counter()
    print(f"{len(pending.futures)} chunks submitted in {submitted - started:.2f} s, "
          f"cancelled in {cancelled - submitted:.2f} s")


def study_fields(points):
    """wg x t x ts, 1000 x 100 x points/100000 values."""
    steps = max(1, points // 100_000)
    return dict(N="24", wg="0.0001:0.1:0.0001", t="400:499:1", ts=f"100:{100 * steps}:100")


def kill_one_worker_midway(client, store, fraction, killed):
    """Waits until `fraction` of the store's chunks are written, then kills a worker."""
    while not os.path.isdir(os.path.join(store, "kaskad", "complete")):
        time.sleep(0.2)
    count = Layout(*_layout_of(store)).count
    while len(complete_chunks(store)) < fraction * count:
        time.sleep(0.2)
    address = sorted(client.scheduler_info()["workers"])[0]
    pid, peak = client.run(lambda: (os.getpid(), peak_memory()), workers=[address])[address]
    killed.update(address=address, peak=peak, chunks=len(complete_chunks(store)), of=count)
    os.kill(pid, signal.SIGKILL)


def _layout_of(store):
    import zarr
    held = zarr.open_group(store, mode="r").attrs["kaskad"]
    return held["shape"], held["chunk"]


def assert_chunk_equal(ds, fields, layout, number):
    """A chunk of the store against kaskad.sweep of its points: every value bit for bit, and the CSV."""
    region = layout.region(number)
    dims = ["wg", "t_in", "ts"]
    picked = ds.isel(dict(zip(dims, region)))
    texts = {name: list(picked[dim + "_text"].values) for name, dim in zip(["wg", "t", "ts"], dims)}
    frame = kaskad.sweep("bubble", outlet=True, **{**fields, **texts})
    for quantity in kaskad.QUANTITIES:
        stored = picked[quantity].values.reshape(-1).astype(np.float64)
        expected = frame[quantity].to_numpy()
        np.testing.assert_array_equal(stored, expected)
        np.testing.assert_array_equal(np.signbit(stored), np.signbit(expected))
    assert kaskad.to_csv(picked) == kaskad.to_csv(frame), f"chunk {number}: the CSV differs"
    return len(frame)


def bench_study(client, store, points, kill_at):
    fields = study_fields(points)
    shutil.rmtree(store, ignore_errors=True)
    reset_peak_memory()
    print(f"driver (with the scheduler) before the study: {peak_memory() / 1e6:.0f} MB")
    killed = {}
    killer = threading.Thread(target=kill_one_worker_midway, args=(client, store, kill_at, killed), daemon=True)
    killer.start()
    started = time.perf_counter()
    written = kaskad.distributed.sweep(client, "bubble", outlet=True, to=store, **fields)
    seconds = time.perf_counter() - started
    driver_peak = peak_memory()
    workers_peak = client.run(peak_memory)
    print(f"{written.points} points in {written.chunks} chunks written to {store} in {seconds:.1f} s "
          f"({written.points / seconds:.0f} points/s), {written.computed} chunks computed")
    print(f"  worker {killed.get('address')} killed after {killed.get('chunks')} of {killed.get('of')} chunks; "
          f"its peak memory until then {killed.get('peak', 0) / 1e6:.0f} MB")
    for address, peak in sorted(workers_peak.items()):
        print(f"  worker {address} peak memory {peak / 1e6:.0f} MB")
    print(f"  driver (with the scheduler) peak memory {driver_peak / 1e6:.0f} MB")
    du = sum(os.path.getsize(os.path.join(folder, name)) for folder, _, names in os.walk(store) for name in names)
    print(f"  store {du / 1e6:.0f} MB on disk")

    started = time.perf_counter()
    again = kaskad.distributed.sweep(client, "bubble", outlet=True, to=store, **fields)
    print(f"  the same study again: {again.computed} chunks computed, {time.perf_counter() - started:.2f} s")

    ds = kaskad.open_study(store)
    layout = Layout(*_layout_of(store))
    sample = sorted({0, layout.count - 1, *np.linspace(0, layout.count - 1, 8).astype(int)})
    checked = sum(assert_chunk_equal(ds, fields, layout, int(number)) for number in sample)
    print(f"  {len(sample)} chunks of {layout.count} ({checked} points) equal to kaskad.sweep's values bit for bit, "
          "and their CSV to kaskad.to_csv's")


def bench_driver_alone(client, store, points):
    """The driver's peak while it makes the store of a larger study and submits its chunks (then cancelled)."""
    fields = study_fields(points)
    shutil.rmtree(store, ignore_errors=True)
    reset_peak_memory()
    started = time.perf_counter()
    pending = kaskad.distributed.sweep(client, "bubble", outlet=True, to=store, compute=False, **fields)
    seconds = time.perf_counter() - started
    pending.cancel()
    print(f"{points} points: store made and {len(pending.futures)} chunks submitted in {seconds:.2f} s, "
          f"driver (with the scheduler) peak memory {peak_memory() / 1e6:.0f} MB")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--store", default="/tmp/kaskad-study.zarr")
    parser.add_argument("--points", type=int, default=10_000_000)
    parser.add_argument("--driver-points", type=int, default=100_000_000,
                        help="the points of the study whose store the driver makes and submits alone")
    parser.add_argument("--kill-at", type=float, default=0.4, help="the share of chunks written before the kill")
    arguments = parser.parse_args()
    from distributed import Client, LocalCluster
    large = arguments.store.rstrip("/").removesuffix(".zarr") + "-large.zarr"
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=":0") as cluster, \
            Client(cluster) as client:
        bench_study(client, arguments.store, arguments.points, arguments.kill_at)
        bench_driver_alone(client, large, arguments.driver_points)
        bench_submission(client)
    # The chunks the workers had begun when cancelled wrote into it until the cluster closed.
    shutil.rmtree(large, ignore_errors=True)


if __name__ == "__main__":
    main()
