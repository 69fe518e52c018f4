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

import numpy as np
from dask.base import tokenize

from distributed import as_completed

from . import (MOST_BEST, Interrupted, UsageError, _check_memory, _description, _fields_layout, _frame_of,
               _kaskad, _row_estimate, _shard_points, _study_fields, _sweep_plan, _with_progress, to_xarray)
from ._csv_folder import part_path
from ._frame import best_points, merged_parts
from ._study import WrittenStudy, study_target
from ._texts import flag, jobs_count, separator_text, whole_number_in

__all__ = ["sweep", "uncertainty", "chunk_count", "part_path", "SweepFutures", "WrittenSweep"]

#: The most points a default chunk holds, so that a chunk lost with its worker is soon computed again.
MAX_CHUNK_POINTS = 50_000
#: Default chunks per worker thread, so that faster workers take more of them.
CHUNKS_PER_THREAD = 4


def chunk_count(points, threads):
    """How many chunks a sweep of `points` takes on workers with `threads`
    threads in all: a few per thread, none larger than MAX_CHUNK_POINTS."""
    wanted = max(CHUNKS_PER_THREAD * max(threads, 1), math.ceil(points / MAX_CHUNK_POINTS))
    return max(1, min(points, wanted))


def _chunk_arrays(index, model, option_texts, decimal_separator, options, count, jobs, within=None, best=0):
    """The rows of chunk `index` of `count` of the points `within` (begin,
    end; None: all of them), computed on a worker; with `best`, those of its
    best points."""
    plan = _kaskad.SweepPlan(model, option_texts, decimal_separator)
    first, last = within or (0, plan.point_count)
    begin, end = _kaskad.shard_range(last - first, index, count)
    return _kaskad.sweep_arrays(plan, first + begin, first + end, *options, jobs, None, best)


#: A sweep written to files: see kaskad.WrittenStudy.
WrittenSweep = WrittenStudy


class SweepFutures:
    """A sweep's chunks on the cluster, not yet gathered: pass `futures` to
    dask.distributed's progress(); result() gives what sweep() returns."""

    def __init__(self, futures, sizes, finish, interrupted, progress=False):
        #: One future per chunk, in point order.
        self.futures = futures
        self._sizes = sizes
        self._finish = finish
        self._interrupted = interrupted
        self._progress = progress
        # The keys of the chunks gathered and released: the scheduler no longer knows them.
        self._released = set()

    def result(self):
        """Gathers the chunks as they finish, releasing each on its worker as
        soon as it arrives. Ctrl+C cancels the chunks not finished and raises
        kaskad.Interrupted with what the chunks before the first unfinished
        one gave."""
        return _with_progress(self._progress, sum(self._sizes), self._gathered)

    def _gathered(self, callback):
        place = {future.key: k for k, future in enumerate(self.futures)}
        results, done, total = [None] * len(self.futures), 0, sum(self._sizes)
        try:
            for future, result in as_completed(self.futures, with_results=True):
                k = place[future.key]
                results[k] = result
                future.release()
                self._released.add(future.key)
                done += self._sizes[k]
                if callback is not None:
                    callback(done, total)
        except KeyboardInterrupt as interrupt:
            self.cancel()
            finished = next((k for k, result in enumerate(results) if result is None), len(results))
            raise self._interrupted(results[:finished]) from interrupt
        except BaseException:
            self.cancel()
            raise
        return self._finish(results)

    def cancel(self):
        """Cancels every chunk not yet gathered, in one message to the
        scheduler; a key it no longer knows would hold the message a second."""
        pending = [future for future in self.futures if future.key not in self._released]
        if pending:
            pending[0].client.cancel(pending)


def _submitted(client, function, numbers, arguments, prefix):
    """One task per chunk number, all sent to the scheduler in one message."""
    return client.map(function, numbers, key=[f"{prefix}-{number}" for number in numbers], **arguments)


def _frame_finish(model, plan, option_texts, decimal_separator, best, layout, as_xarray):
    """What turns the gathered chunks into sweep()'s answer, and into the
    frame of Interrupted: their rows, or with `best` those of the best
    points among them."""
    description = _description(model, plan.swept_fields, option_texts, decimal_separator)
    shape = [len(texts) for _, texts in plan.swept_fields]

    def frame(parts):
        return _frame_of(best_points(parts, shape, best) if best else merged_parts(parts), description, layout)

    def finish(parts):
        return to_xarray(frame(parts)) if as_xarray else frame(parts)

    def interrupted(parts):
        return Interrupted(frame(parts) if parts else None, sum(part["points"] for part in parts))
    return finish, interrupted


def _study_finish(study, numbers, sizes):
    """What sweep() answers for a study written to disk, gathered or stopped."""
    def finish(results):
        return study.finish(dict(zip(numbers, results)))

    def interrupted(results):
        return Interrupted(None, sum(sizes[:len(results)]))
    return finish, interrupted


def sweep(client, model, outlet=False, criterion=False, *, only_meeting=False, decimal_separator=".", chunks=None,
          jobs=1, to=None, compute=True, progress=False, as_xarray=False, best=None, shard=None, study=None,
          fields="varying", **given):
    """kaskad.sweep on the workers of a dask.distributed Client: the same
    arguments, the same DataFrame, failed points included.

    chunks: how many tasks the points are cut into (default chunk_count()
    of the points and the cluster's threads); jobs: threads each task runs
    its points on (default 1: the workers run as many tasks as they have
    threads). progress: True for a tqdm bar, or a callable given (points
    done, total) as chunks finish. as_xarray: an xarray Dataset instead.
    best, shard, study and fields as in kaskad.sweep: with best, each task
    keeps the best points of its chunk and the driver the best of those.

    to: a place every worker can write (a shared file system), as in
    kaskad.sweep: "NAME.zarr" a Zarr store whose chunks the workers write as
    regions, another path a folder of CSV parts with a manifest. Nothing is
    gathered, so the study may be larger than any machine's memory; the
    same study run again computes only the chunks the place lacks, and a
    place holding another study is refused. Returns a WrittenStudy.

    compute=False: returns a SweepFutures at once, its futures for
    dask.distributed.progress(), its result() the frame (or WrittenStudy).
    """
    options = (flag(outlet, "outlet"), flag(criterion, "criterion"), flag(only_meeting, "only_meeting"))
    jobs = jobs_count(jobs)
    layout = _fields_layout(fields)
    given = _study_fields(study, model, given, decimal_separator)
    plan, option_texts = _sweep_plan(model, given, decimal_separator)
    best = 0 if best is None else whole_number_in(best, "best", 1, MOST_BEST)
    begin, end = _shard_points(plan.point_count, shard, best)
    points = end - begin
    count = chunks if chunks is not None else chunk_count(points, sum(client.nthreads().values()))
    if count < 1:
        raise ValueError("a sweep takes at least one chunk")
    if to is not None:
        if best or shard is not None:
            raise UsageError("best and shard give a frame of some of the points, and a study written to disk holds "
                             "them all: leave out to, or write one CSV file with kaskad.sweep(..., to=\"FILE.csv\")")
        written = study_target(to, model, plan, option_texts, separator_text(decimal_separator), options, count)
        arguments = {**written.arguments, "jobs": jobs}
        numbers, function = written.pending, written.function
        sizes = [written.points_of(number) for number in numbers]
        finish, interrupted = _study_finish(written, numbers, sizes)
    else:
        # The driver gathers the whole frame: refused, as by kaskad.sweep, when it would not fit.
        rows = _row_estimate(plan, option_texts, options[0], decimal_separator) * min(points, best or points) \
            // max(plan.point_count, 1)
        _check_memory(rows, len(plan.swept_fields), options[1] or options[2] or best > 0,
                      f"a sweep of {points} points")
        count = max(1, min(points, count))
        arguments = {"model": model, "option_texts": option_texts, "decimal_separator": decimal_separator,
                     "options": options, "count": count, "jobs": jobs, "within": (begin, end), "best": best}
        numbers, function = list(range(1, count + 1)), _chunk_arrays
        sizes = [e - b for b, e in (_kaskad.shard_range(points, k, count) for k in numbers)]
        finish, interrupted = _frame_finish(model, plan, option_texts, decimal_separator, best, layout,
                                            flag(as_xarray, "as_xarray"))
    prefix = f"kaskad-sweep-{tokenize(function.__name__, arguments)}"
    pending = SweepFutures(_submitted(client, function, numbers, arguments, prefix), sizes, finish, interrupted,
                           progress)
    return pending if not compute else pending.result()


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
