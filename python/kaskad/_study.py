"""A study written to disk, whatever its format: its definition, the refusal
of a place that holds another study, and its chunks run on this machine."""

import hashlib
import os
from typing import List, NamedTuple

import numpy as np

from . import _kaskad
from ._version import __version__

#: The most rows a chunk written to disk gives, so that a worker's memory stays small whatever the study's size.
MAX_CHUNK_ROWS = 100_000


class WrittenStudy(NamedTuple):
    """A study written to disk: where, its points and chunks, and how many
    chunks this call computed (0 when the study was already complete)."""
    path: str
    points: int
    chunks: int
    computed: int
    #: The CSV parts in order; empty for a Zarr store.
    paths: List[str] = []


def definition(model, option_texts, decimal_separator, swept, options):
    """What makes a study the same study: the model, every field's text (a
    swept field's list of texts), the rows asked for and the module's version."""
    swept = dict(swept)
    names = [name for name, _, _ in _kaskad.model_fields(model)]
    outlet, criterion, only_meeting = options
    return {"model": model, "decimal_separator": decimal_separator,
            "fields": {name: list(swept[name]) if name in swept else text for name, text in zip(names, option_texts)},
            "outlet": bool(outlet), "criterion": bool(criterion), "only_meeting": bool(only_meeting),
            "version": __version__}


def _digest(*arrays):
    """A short fingerprint of arrays of numbers or texts, the same in every process."""
    import pandas as pd
    digest = hashlib.sha256()
    for values in arrays:
        digest.update(pd.util.hash_array(np.asarray(values)).tobytes())
    return digest.hexdigest()[:12]


def design_definition(model, option_texts, decimal_separator, varying, labels, options):
    """What makes a design's study the same study: as a sweep's, but each
    varying field summed up by its first and last texts, how many distinct
    texts it holds and a fingerprint of every point's, and the points with
    a fingerprint of their labels (a design's texts would make the
    definition as large as the design)."""
    summaries = [(name, {"first": texts[codes[0]], "last": texts[codes[-1]], "values": len(texts),
                         "digest": _digest(np.asarray(texts, dtype=object)[codes])}) for name, texts, codes in varying]
    the_definition = definition(model, option_texts, decimal_separator, [], options)
    the_definition["fields"].update(summaries)
    the_definition["design"] = {"points": len(labels), "labels": _digest(labels)}
    return the_definition


def is_design(definition):
    """Whether a definition is a design's (kaskad.runs) rather than a sweep's."""
    return "design" in definition


def _field_words(texts):
    if isinstance(texts, str):
        return texts
    if isinstance(texts, dict):
        return f"{texts['first']}..{texts['last']} ({texts['values']} values, {texts['digest']})"
    return f"{texts[0]}..{texts[-1]} ({len(texts)} values)"


def _words(definition, key):
    """How a message names one part of a definition."""
    if key == "fields":
        return {name: f"{name}={_field_words(texts)}" for name, texts in definition["fields"].items()}
    value = definition.get(key)
    words = {"outlet": ("outlet", "every reactor"), "criterion": ("criterion", "no criterion"),
             "only_meeting": ("only meeting points", "every point")}
    if key in words:
        return {key: words[key][0 if value else 1]}
    if key == "design":
        return {key: f"a design of {value['points']} points ({value['labels']})" if value else "a sweep's grid"}
    return {key: f"kaskad {value}" if key == "version" else str(value)}


def differences(there, here):
    """The parts in which two definitions differ, as "A there, B here"."""
    said = []
    for key in ("model", "design", "fields", "decimal_separator", "outlet", "criterion", "only_meeting", "version"):
        old, new = _words(there, key), _words(here, key)
        said += [f"{old.get(name, 'no ' + name)} there, {new[name]} here" for name in new if old.get(name) != new[name]]
    return "; ".join(said)


def check_same_study(path, there, here):
    """Refuses to add to `path` a study other than the one it holds."""
    if there != here:
        raise _kaskad.UsageError(f"{path} holds another study ({differences(there, here)}): "
                                 "give another path, or remove it to start again")


def check_free_place(path, what):
    """Refuses a path that exists and holds no study of `what`."""
    if os.path.isfile(path) or os.path.isdir(path) and os.listdir(path):
        raise _kaskad.UsageError(f"{path} exists and holds no Kaskad study ({what}): give another path")


def rows_per_point(outlet, reactors):
    """The rows a point gives at most: one with outlet, else one per reactor."""
    return 1 if outlet else max(1, reactors)


def run_chunks_here(pending, task, points_of, progress):
    """Runs the chunks `pending` one after the other on this machine, each
    through task(number, progress); `points_of(number)` its point count.
    A chunk finished stays finished when Ctrl+C stops the next, which raises
    Interrupted counting the points of the chunks finished."""
    from . import _with_progress
    total = sum(points_of(number) for number in pending)

    def run(callback):
        from . import Interrupted
        done = 0
        results = {}
        for number in pending:
            inner = None if callback is None else (lambda d, _t, base=done: callback(base + d, total))
            try:
                results[number] = task(number, inner)
            except KeyboardInterrupt as interrupt:
                raise Interrupted(None, done) from interrupt
            done += points_of(number)
        return results
    return _with_progress(progress, total, run)


def is_zarr_path(to):
    """Whether `to` names a Zarr store rather than a folder of CSV parts."""
    return os.fspath(to).rstrip("/").endswith(".zarr")


def _chunks_of(chunks, points, outlet, reactors):
    """How many pieces a new study is cut into: `chunks`, or by its size (None)."""
    if chunks is None:
        return -(-points * rows_per_point(outlet, reactors) // MAX_CHUNK_ROWS)
    if chunks < 1:
        raise ValueError("a study takes at least one chunk")
    return chunks


def study_target(to, model, plan, option_texts, decimal_separator, flags, chunks):
    """The store or folder at `to`, made for the study or checked to hold it;
    `chunks`, how many pieces a new one is cut into (None: by its size)."""
    from . import _reactor_counts
    from ._csv_folder import CsvFolderStudy
    from ._zarr import ZarrStudy, sweep_grid
    the_definition = definition(model, option_texts, decimal_separator, plan.swept_fields, flags)
    n_texts = dict(plan.swept_fields).get("N", [option_texts[0]])
    reactors = int(_reactor_counts(n_texts, decimal_separator).max())
    chunks = _chunks_of(chunks, plan.point_count, flags[0], reactors)
    if is_zarr_path(to):
        return ZarrStudy(to, the_definition, sweep_grid(model, plan, decimal_separator), option_texts, chunks,
                         reactors)
    return CsvFolderStudy(to, the_definition, plan, option_texts, chunks)


def design_target(to, model, option_texts, decimal_separator, varying, index, count, flags, chunks):
    """The Zarr store at `to` of a design's points, `varying` per field that
    varies (name, texts, each point's text index), `index` their labels
    (None: their positions); made for them or checked to hold them."""
    from . import _reactor_counts
    from ._zarr import ZarrStudy, design_grid
    if not isinstance(to, (str, os.PathLike)) or not is_zarr_path(to):
        raise _kaskad.UsageError(f"runs write their points to a Zarr store: give to a path ending in .zarr, "
                                 f"not {to!r}")
    grid = design_grid(model, varying, index, count, decimal_separator)
    the_definition = design_definition(model, option_texts, decimal_separator, varying, grid.coordinates[0][1],
                                       flags)
    n_texts = next((texts for name, texts, _ in varying if name == "N"), [option_texts[0]])
    reactors = int(_reactor_counts(n_texts, decimal_separator).max())
    chunks = _chunks_of(chunks, count, flags[0], reactors)
    return ZarrStudy(to, the_definition, grid, option_texts, chunks, reactors)
