"""Sweeps and uncertainty studies on a Dask distributed cluster.

    >>> from distributed import Client
    >>> import kaskad.distributed
    >>> client = Client("tcp://scheduler:8786")
    >>> frame = kaskad.distributed.sweep(client, "bubble", wg="0.03:0.07:0.0001", t="430:440:1", outlet=True)

The points are cut into contiguous chunks, the cut of kaskad-cli sweep
--shard; each chunk is one task that runs Kaskad's sweep of its points on a
worker, and the frame is assembled by chunk index. A task's key is its
chunk's, so a chunk lost with its worker is computed again by Dask, never
dropped or doubled. The workers need the package kaskad themselves.

An uncertainty study draws its samples on the driver, runs them in chunks
on the workers, and computes its statistics on the driver from the runs in
sample order: the answer of kaskad.uncertainty, digit for digit.
"""

import itertools
import math
import os
import uuid
from typing import List, NamedTuple

import numpy as np
from dask.base import tokenize

from . import Interrupted, _check_memory, _description, _kaskad, _row_estimate, _sweep_plan
from ._frame import sweep_frame
from ._texts import flag, jobs_count

__all__ = ["sweep", "uncertainty", "chunk_count", "SweepFutures", "WrittenSweep"]

#: The most points a default chunk holds, so that a chunk lost with its worker is soon computed again.
MAX_CHUNK_POINTS = 50_000
#: Default chunks per worker thread, so that faster workers take more of them.
CHUNKS_PER_THREAD = 4


def chunk_count(points, threads):
    """How many chunks a sweep of `points` takes on workers with `threads`
    threads in all: a few per thread, none larger than MAX_CHUNK_POINTS."""
    wanted = max(CHUNKS_PER_THREAD * max(threads, 1), math.ceil(points / MAX_CHUNK_POINTS))
    return max(1, min(points, wanted))


def _chunk_arrays(model, option_texts, decimal_separator, options, index, count, jobs):
    """The rows of chunk `index` of `count`, computed on a worker."""
    plan = _kaskad.SweepPlan(model, option_texts, decimal_separator)
    begin, end = _kaskad.shard_range(plan.point_count, index, count)
    return _kaskad.sweep_arrays(plan, begin, end, *options, jobs)


def part_path(directory, index, count):
    """The file of chunk `index` of `count`: part-00001.csv, ...; names sort in chunk order."""
    return os.path.join(directory, f"part-{index:0{max(5, len(str(count)))}d}.csv")


def _chunk_file(model, option_texts, decimal_separator, options, index, count, jobs, directory):
    """Writes chunk `index` of `count` as kaskad-cli's CSV rows (the first
    chunk with the header) on a worker, whole or not at all: a temporary file
    renamed into place. Returns the file's path."""
    plan = _kaskad.SweepPlan(model, option_texts, decimal_separator)
    begin, end = _kaskad.shard_range(plan.point_count, index, count)
    path = part_path(directory, index, count)
    temporary = f"{path}.{uuid.uuid4().hex}.tmp"
    try:
        _kaskad.write_sweep_csv(plan, begin, end, *options, jobs, index == 1, temporary)
        os.replace(temporary, path)
    except BaseException:
        if os.path.exists(temporary):
            os.remove(temporary)
        raise
    return path


class WrittenSweep(NamedTuple):
    """A sweep written to files: the parts in order, and the points run."""
    paths: List[str]
    points: int


def _gathered_in_order(futures):
    """The chunks' results in order, each released on its worker as soon as it
    arrives, and None; on Ctrl+C, the results gathered before it and the
    KeyboardInterrupt, the chunks not gathered cancelled."""
    parts = []
    try:
        for future in futures:
            parts.append(future.result())
            future.release()
    except KeyboardInterrupt as interrupt:
        for future in futures[len(parts):]:
            future.cancel()
        return parts, interrupt
    return parts, None


class SweepFutures:
    """A sweep's chunks on the cluster, not yet gathered: pass `futures` to
    dask.distributed's progress(); result() gives what sweep() returns."""

    def __init__(self, futures, finish, interrupted):
        #: One future per chunk, in point order.
        self.futures = futures
        self._finish = finish
        self._interrupted = interrupted

    def result(self):
        """Gathers the chunks in order, releasing each on its worker as soon as
        it arrives. Ctrl+C cancels the chunks not gathered and raises
        kaskad.Interrupted with the frame of those gathered."""
        parts, interrupt = _gathered_in_order(self.futures)
        if interrupt is not None:
            raise self._interrupted(parts) from interrupt
        return self._finish(parts)

    def cancel(self):
        for future in self.futures:
            future.cancel()


def sweep(client, model, outlet=False, criterion=False, *, only_meeting=False, decimal_separator=".", chunks=None,
          jobs=1, to=None, compute=True, **fields):
    """kaskad.sweep on the workers of a dask.distributed Client: the same
    arguments, the same DataFrame, failed points included.

    chunks: how many tasks the points are cut into (default chunk_count()
    of the points and the cluster's threads); jobs: threads each task runs
    its points on (default 1: the workers run as many tasks as they have
    threads).

    to: a folder every worker can write (a shared file system): each chunk
    is written there as DIR/part-NNNNN.csv by its worker and never gathered,
    so the sweep may be larger than any machine's memory; the parts,
    concatenated in name order, are kaskad-cli's CSV of the whole sweep
    (kaskad.read_csv("DIR/part-*.csv") reads them). Returns a WrittenSweep
    (paths, points).

    compute=False: returns a SweepFutures at once, its futures for
    dask.distributed.progress(), its result() the frame (or WrittenSweep).
    """
    options = (flag(outlet, "outlet"), flag(criterion, "criterion"), flag(only_meeting, "only_meeting"))
    jobs = jobs_count(jobs)
    plan, option_texts = _sweep_plan(model, fields, decimal_separator)
    points = plan.point_count
    count = chunks if chunks is not None else chunk_count(points, sum(client.nthreads().values()))
    if count < 1:
        raise ValueError("a sweep takes at least one chunk")
    token = tokenize(model, option_texts, decimal_separator, options, count, jobs, to)
    if to is None:
        # The driver gathers the whole frame: refused, as by kaskad.sweep, when it would not fit.
        _check_memory(_row_estimate(plan, option_texts, options[0], decimal_separator), len(plan.swept_fields),
                      options[1] or options[2], f"a sweep of {points} points")
        task, extra = _chunk_arrays, ()
        description = _description(model, plan.swept_fields, option_texts, decimal_separator)

        def finish(parts):
            return sweep_frame(parts, description)

        def interrupted(parts):
            return Interrupted(sweep_frame(parts, description) if parts else None,
                               sum(part["points"] for part in parts))
    else:
        task, extra = _chunk_file, (os.path.abspath(os.fspath(to)),)
        os.makedirs(extra[0], exist_ok=True)

        def finish(paths):
            return WrittenSweep(list(paths), points)

        def interrupted(paths):
            return Interrupted(None, _kaskad.shard_range(points, len(paths), count)[1] if paths else 0)
    futures = [
        client.submit(task, model, option_texts, decimal_separator, options, index, count, jobs, *extra,
                      key=f"kaskad-sweep-{index}-of-{count}-{token}")
        for index in range(1, count + 1)
    ]
    pending = SweepFutures(futures, finish, interrupted)
    if not compute:
        return pending
    try:
        return pending.result()
    finally:
        for future in futures:
            future.release()


def _sample_chunk(model, option_texts, rows, quantities, keep, first, jobs):
    """The runs of rows of an uncertainty study, numbered from `first`, computed on a worker."""
    return _kaskad.uncertain_runs(model, option_texts, rows, quantities, keep, first, jobs)


def _joined_runs(results):
    """The runs of the chunks, in chunk order, as one piece."""
    return {"delivered": sum(result["delivered"] for result in results),
            "failed": sum(result["failed"] for result in results),
            "meeting": sum(result["meeting"] for result in results),
            "margins": np.concatenate([result["margins"] for result in results]),
            "quantities": np.concatenate([result["quantities"] for result in results], axis=1)}


def uncertainty(client, model, samples=10000, seed=1, method="lhs", quantities=(), indices=False, rare=False,
                keep_samples=False, chunks=None, jobs=1, **fields):
    """kaskad.uncertainty with the runs on the workers of a dask.distributed
    Client: the same arguments and the same answer, digit for digit.

    Every set of rows the study runs (the sample, the indices' design, each
    step of the rare-event estimate) is cut into `chunks` tasks (default
    chunk_count() of its rows and the cluster's threads), each run on `jobs`
    threads of its worker. Ctrl+C cancels the tasks and raises KeyboardInterrupt.
    """
    from . import _uncertainty
    from ._studies import UncertaintyResult, samples_frame, study_arguments
    texts, arguments = study_arguments(model, samples, seed, method, quantities, indices, rare, keep_samples, fields)
    option_texts, asked, keep = arguments[1], arguments[5], arguments[8]
    jobs = jobs_count(jobs)
    kept = []
    calls = itertools.count(1)

    def run_rows(rows, sample):
        count = chunks if chunks is not None else chunk_count(len(rows), sum(client.nthreads().values()))
        if count < 1:
            raise ValueError("a study takes at least one chunk")
        count = max(1, min(len(rows), count))
        token = tokenize(model, option_texts, rows, asked, keep and sample, jobs, next(calls))
        futures = []
        for index in range(1, count + 1):
            begin, end = _kaskad.shard_range(len(rows), index, count)
            futures.append(client.submit(_sample_chunk, model, option_texts, rows[begin:end], asked, keep and sample,
                                         begin, jobs, key=f"kaskad-uncertainty-{index}-of-{count}-{token}"))
        try:
            results = [future.result() for future in futures]
        finally:
            for future in futures:
                future.release()
        if keep and sample:
            kept.extend(result["samples"] for result in results)
        return _joined_runs(results)

    result = _uncertainty.uncertainty(*arguments[:8], False, None, run_rows)
    frame = samples_frame(model, texts, kept) if kept else None
    return UncertaintyResult(model, texts, (method, arguments[2], arguments[3]), result, frame)
