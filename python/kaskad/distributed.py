"""Sweeps on a Dask distributed cluster.

    >>> from distributed import Client
    >>> import kaskad.distributed
    >>> client = Client("tcp://scheduler:8786")
    >>> frame = kaskad.distributed.sweep(client, "bubble", wg="0.03:0.07:0.0001", t="430:440:1", outlet=True)

The points are cut into contiguous chunks, the cut of kaskad-cli sweep
--shard; each chunk is one task that runs Kaskad's sweep of its points on a
worker, and the frame is assembled by chunk index. A task's key is its
chunk's, so a chunk lost with its worker is computed again by Dask, never
dropped or doubled. The workers need the package kaskad themselves.
"""

import math

from dask.base import tokenize

from . import _kaskad, _sweep_plan
from ._frame import sweep_frame

__all__ = ["sweep", "chunk_count"]

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


def sweep(client, model, outlet=False, criterion=False, *, only_meeting=False, decimal_separator=".", chunks=None,
          jobs=1, **fields):
    """kaskad.sweep on the workers of a dask.distributed Client: the same
    arguments, the same DataFrame, failed points included.

    chunks: how many tasks the points are cut into (default chunk_count()
    of the points and the cluster's threads); jobs: threads each task runs
    its points on (default 1: the workers run as many tasks as they have
    threads).
    """
    plan, option_texts = _sweep_plan(model, fields, decimal_separator)
    points = plan.point_count
    count = chunks if chunks is not None else chunk_count(points, sum(client.nthreads().values()))
    if count < 1:
        raise ValueError("a sweep takes at least one chunk")
    options = (outlet, criterion, only_meeting)
    token = tokenize(model, option_texts, decimal_separator, options, count, jobs)
    futures = [
        client.submit(_chunk_arrays, model, option_texts, decimal_separator, options, index, count, jobs,
                      key=f"kaskad-sweep-{index}-of-{count}-{token}")
        for index in range(1, count + 1)
    ]
    try:
        parts = client.gather(futures)
    finally:
        for future in futures:
            future.release()
    return sweep_frame(parts)
