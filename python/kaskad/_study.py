"""A study written to disk, whatever its format: its definition, the refusal
of a place that holds another study, and its chunks run on this machine."""

import os
from typing import List, NamedTuple

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


def _field_words(texts):
    return texts if isinstance(texts, str) else f"{texts[0]}..{texts[-1]} ({len(texts)} values)"


def _words(definition, key):
    """How a message names one part of a definition."""
    if key == "fields":
        return {name: f"{name}={_field_words(texts)}" for name, texts in definition["fields"].items()}
    value = definition.get(key)
    words = {"outlet": ("outlet", "every reactor"), "criterion": ("criterion", "no criterion"),
             "only_meeting": ("only meeting points", "every point")}
    if key in words:
        return {key: words[key][0 if value else 1]}
    return {key: f"kaskad {value}" if key == "version" else str(value)}


def differences(there, here):
    """The parts in which two definitions differ, as "A there, B here"."""
    said = []
    for key in ("model", "fields", "decimal_separator", "outlet", "criterion", "only_meeting", "version"):
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
    A chunk finished stays finished when Ctrl+C stops the next."""
    from . import _with_progress
    total = sum(points_of(number) for number in pending)

    def run(callback):
        done = 0
        results = {}
        for number in pending:
            inner = None if callback is None else (lambda d, _t, base=done: callback(base + d, total))
            results[number] = task(number, inner)
            done += points_of(number)
        return results
    return _with_progress(progress, total, run)


def is_zarr_path(to):
    """Whether `to` names a Zarr store rather than a folder of CSV parts."""
    return os.fspath(to).rstrip("/").endswith(".zarr")


def study_target(to, model, plan, option_texts, decimal_separator, flags, chunks):
    """The store or folder at `to`, made for the study or checked to hold it;
    `chunks`, how many pieces a new one is cut into (None: by its size)."""
    from . import _reactor_counts
    from ._csv_folder import CsvFolderStudy
    from ._zarr import ZarrStudy
    the_definition = definition(model, option_texts, decimal_separator, plan.swept_fields, flags)
    n_texts = dict(plan.swept_fields).get("N", [option_texts[0]])
    reactors = int(_reactor_counts(n_texts, decimal_separator).max())
    if chunks is None:
        chunks = -(-plan.point_count * rows_per_point(flags[0], reactors) // MAX_CHUNK_ROWS)
    elif chunks < 1:
        raise ValueError("a study takes at least one chunk")
    if is_zarr_path(to):
        return ZarrStudy(to, the_definition, plan, option_texts, chunks, reactors)
    return CsvFolderStudy(to, the_definition, plan, option_texts, chunks)
