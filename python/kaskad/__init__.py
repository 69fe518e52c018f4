"""Kaskad from Python: the bubble-column and gas-lift reactor series, runs
kept as their stored values, and sweeps as pandas DataFrames.

    >>> import kaskad
    >>> run = kaskad.bubble(N=3)
    >>> run.text("y1", 1)
    '1.55393481254578'
    >>> frame = kaskad.sweep("bubble", wg="0.03:0.07:0.01", t=[430, 433, 436], outlet=True)

Field arguments are the texts of the window's fields, read exactly as the
window reads them; numbers become their shortest texts (0.05 -> "0.05").
Values are the stored singles and doubles as Python floats; `number_text`
prints them with Kaskad's 15 significant digits.

The module needs the Python whose packages hold numpy and pandas: on
Debian, /usr/bin/python3.
"""

import inspect
import numbers
import os
from typing import NamedTuple, Optional

import numpy as np

from . import _kaskad
from ._version import __version__
from ._frame import available_memory, csv_target, field_column, frame_bytes, read_csv, sweep_frame, to_csv
from ._study import WrittenStudy, design_target, run_chunks_here, study_target
from ._zarr import open_study
from ._texts import (field_text, flag, jobs_count, separator_text, sweep_items, sweep_text, whole_number,
                     whole_number_in)

__all__ = [
    "bubble", "gaslift", "sweep", "Run", "Reactor", "RunError", "number_text", "read_input_set", "shard_range",
    "to_csv",
    "QUANTITIES", "QUANTITY_TABLE", "CalculationError", "EExternal", "EMathError", "EInvalidOp", "EZeroDivide",
    "EOverflow", "EConvertError", "ENoConvergence", "UsageError", "Interrupted", "optimize", "solve", "runs", "read_csv",
    "to_xarray", "sensitivity", "uncertainty", "SensitivityResult", "UncertaintyResult",
    "open_study", "WrittenStudy", "__version__",
]

#: The quantities a reactor stores, in store order: kaskad-cli's CSV columns after "reactor".
QUANTITIES = tuple(_kaskad.QUANTITIES)

#: Each quantity's row, in store order: its name, pane title, note with its
#: unit, its unit alone (None where the model fixes none), the physical limit
#: it must not break (None for none), and the chart panel and colour it is
#: drawn with.
QUANTITY_TABLE = tuple(dict(row) for row in _kaskad.QUANTITY_TABLE)

#: Raised for arguments a sweep cannot run: a malformed range, too many points.
UsageError = _kaskad.UsageError


class Interrupted(KeyboardInterrupt):
    """Ctrl+C stopped kaskad.sweep or kaskad.runs. `.frame` holds the rows of
    the points computed before it, each point whole and in order (None when
    the rows went to a file, which then ends with them); `.points` counts
    those points."""

    def __init__(self, frame, points):
        super().__init__(f"stopped by Ctrl+C after {points} points")
        self.frame = frame
        self.points = points

    def __reduce__(self):
        return (type(self), (self.frame, self.points))


def _raise_if_interrupted(arrays, frame):
    """Raises Interrupted with the frame when Ctrl+C stopped the points' runs."""
    if "interrupted" in arrays:
        raise Interrupted(frame, arrays["points"]) from arrays["interrupted"]

def number_text(value, decimal_separator="."):
    """A stored single or double as the panes print it: 15 significant
    digits, trailing zeros removed, "1E-5" form below 0.0001 and from 1E15 on."""
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, numbers.Real):
        raise TypeError(f"number_text takes a number, not {type(value).__name__}")
    if isinstance(value, np.longdouble) and np.finfo(np.longdouble).nmant > np.finfo(np.float64).nmant:
        # A study's means and proportions keep their extended width.
        return _kaskad.extended_number_text(np.asarray([value]), separator_text(decimal_separator))
    return _kaskad.number_text(float(value), separator_text(decimal_separator))


def read_input_set(path, model, decimal_separator="."):
    """The field texts of an input set a model window saved (Ctrl+S,
    NAME.kaskad.json) for `model`, by field name, their numbers written with
    `decimal_separator`: kaskad.bubble(**kaskad.read_input_set(path,
    "bubble")) runs it. A file that cannot be read, or is not a set of that
    model, raises UsageError saying why."""
    names = [name for name, _, _ in _kaskad.model_fields(_model_checked(model))]
    texts = _kaskad.read_input_set(os.fspath(path), model, separator_text(decimal_separator))
    return dict(zip(names, texts))


def shard_range(points, index, count):
    """The points (begin, end) of shard `index` (1-based) of `count`: the cut of
    kaskad-cli sweep --shard K/N, and of the chunks of kaskad.distributed."""
    points, index, count = (whole_number(points, "points"), whole_number(index, "index"),
                            whole_number(count, "count"))
    if points < 0:
        raise ValueError(f"points must be at least 0, not {points}")
    return _kaskad.shard_range(points, max(index, 0), max(count, 0))


class Reactor(NamedTuple):
    """The values one reactor stored, as Python floats: exactly the stored
    single or double. A reactor a fault ended has None for what it did not store."""
    reactor: int
    y1: Optional[float]
    y2: Optional[float]
    y3: Optional[float]
    y4: Optional[float]
    y5: Optional[float]
    y6: Optional[float]
    GB: Optional[float]
    WB: Optional[float]
    ALFA: Optional[float]
    ALPE: Optional[float]
    t: Optional[float]
    P: Optional[float]


class RunError(NamedTuple):
    """The error that ended a run."""
    kind: str                         #: "EZeroDivide", ...
    message: str                      #: as the error report shows it, with its closing "."
    reactor: Optional[int]            #: the reactor being computed; None while reading the fields
    last_quantity: Optional[str]      #: the last quantity that reactor stored; None when none


class Run:
    """One run of a model: per reactor its stored values, and the error that
    ended the run, if one did."""

    def __init__(self, record, decimal_separator, version=__version__):
        self._record = record
        #: The version of kaskad that computed the run.
        self.version = version
        names = [name for name, _, _ in _kaskad.model_fields(record.model)]
        #: The field texts the run read, by field name in the window's order.
        self.inputs = dict(zip(names, record.texts))
        #: The value each field stored from its text, by field name (N as its
        #: count); None for a field the model does not read, and for every
        #: field when reading them failed.
        self.input_values = dict(zip(names, record.values))
        #: "bubble" or "gaslift".
        self.model = record.model
        #: The decimal separator of the field texts and of text().
        self.decimal_separator = decimal_separator
        #: One Reactor per reactor computed, in order.
        self.reactors = [Reactor(*values) for values in record.reactors]
        error = record.error
        #: None, or the RunError that ended the run.
        self.error = None if error is None else RunError(*error)

    @property
    def ok(self):
        """True when the run computed every reactor without an error."""
        return self.error is None

    def text(self, quantity, reactor):
        """The digits the pane of `quantity` shows for `reactor` (1-based), with
        the run's decimal separator; None when the run stored no such value."""
        return self._record.text(quantity, reactor)

    def pane_text(self, quantity):
        """The whole text of the pane of `quantity` after this run, as the window shows it."""
        return self._record.pane_text(quantity)

    def to_pandas(self):
        """One row per reactor: kaskad-cli's CSV columns reactor, y1, ..., P,
        the values as float64 (NaN where a reactor stored none)."""
        import pandas as pd
        columns = ("reactor",) + QUANTITIES
        frame = pd.DataFrame.from_records([tuple(r) for r in self.reactors], columns=columns)
        frame[list(QUANTITIES)] = frame[list(QUANTITIES)].astype("float64")
        return frame.astype({"reactor": "int64"})

    def raise_error(self):
        """Raises the CalculationError of the run's error kind, if it failed."""
        if self.error is not None:
            raise _ERROR_CLASSES.get(self.error.kind, CalculationError)(self)

    def __reduce__(self):
        # A run travels as the values it stored and the version that made
        # them: loaded under another version, it shows the same numbers.
        return (Run, (self._record, self.decimal_separator, self.version))

    def __repr__(self):
        if self.ok:
            state = "ok"
        elif self.error.reactor is None:
            state = f"{self.error.kind} reading the fields"
        else:
            state = f"{self.error.kind} at reactor {self.error.reactor}"
        return f"<kaskad.Run {self.model} {len(self.reactors)} reactors, {state}>"

    def _repr_html_(self):
        from ._html import run_html
        return run_html(self)


class CalculationError(Exception):
    """A run ended by an error; `.run` holds what it computed before it.
    The subclasses are named after the error kinds and derive as they do in Kaskad."""

    def __init__(self, run):
        super().__init__(run.error.message)
        self.run = run

    def __reduce__(self):
        # Pickled with its run, so that it keeps its class in another process.
        return (type(self), (self.run,))

    @property
    def kind(self):
        return self.run.error.kind

    @property
    def message(self):
        return self.run.error.message


class EExternal(CalculationError):
    """Errors made from processor faults."""


class EMathError(EExternal):
    """Floating-point faults."""


class EInvalidOp(EMathError):
    """Invalid floating point operation."""


class EZeroDivide(EMathError):
    """Floating point division by zero."""


class EOverflow(EMathError):
    """Floating point overflow."""


class EConvertError(CalculationError):
    """A field text that is not a number."""


class ENoConvergence(CalculationError):
    """The Newton iteration for y3 found no root within its iteration bound."""


# Kaskad's root kind is "Exception"; Python's is CalculationError.
_ERROR_CLASSES = {"Exception": CalculationError}
_ERROR_CLASSES.update({cls.__name__: cls for cls in (
    EExternal, EMathError, EInvalidOp, EZeroDivide, EOverflow, EConvertError, ENoConvergence)})

def _example_number(text):
    """A worked example's field text ("." decimals) as the number it names,
    so that it takes a call's decimal separator; None stays None."""
    if text is None:
        return None
    try:
        return int(text)
    except ValueError:
        return float(text)


#: Each model's field values where a call gives none: the worked example's.
_FIELD_DEFAULTS = {model: {name: _example_number(text) for name, text in _kaskad.model_defaults(model).items()}
                   for model in _kaskad.MODELS}

#: The fields a run never converts: passed on as written, never swept.
_UNSWEPT = {name for model in _kaskad.MODELS for name, converted, _ in _kaskad.model_fields(model) if not converted}


def _model_checked(model):
    if model not in _FIELD_DEFAULTS:
        raise ValueError(f"the model is {' or '.join(map(repr, _kaskad.MODELS))}, not {model!r}")
    return model


def _option_texts(model, fields, decimal_separator, to_text):
    """The eight field texts of a model from keyword arguments, defaults for
    the fields not given; None only for a field whose default is None (the
    gas-lift db), which leaves it empty."""
    defaults = _FIELD_DEFAULTS[_model_checked(model)]
    unknown = set(fields) - set(defaults)
    if unknown:
        raise TypeError(f"{model} has no field {', '.join(sorted(unknown))}; its fields are {', '.join(defaults)}")
    values = {**defaults, **fields}
    texts = {}
    for name, value in values.items():
        if value is None and defaults[name] is not None:
            raise TypeError(f"the field {name} takes a text or a number, not None")
        if value is None:
            texts[name] = ""
        elif name in _UNSWEPT and to_text is sweep_text:
            if not isinstance(value, (str, numbers.Number)):
                raise TypeError(f"{name} is never swept (the run does not convert it): give one text or number, "
                                f"not {type(value).__name__}")
            texts[name] = field_text(value, decimal_separator)
        else:
            texts[name] = to_text(value, decimal_separator)
    return texts


def _run(model, fields, decimal_separator, raise_on_error):
    decimal_separator = separator_text(decimal_separator)
    texts = _option_texts(model, fields, decimal_separator, field_text)
    run = Run(_kaskad.run(model, list(texts.values()), decimal_separator), decimal_separator)
    if raise_on_error:
        run.raise_error()
    return run


def _field_help(model, indent="    "):
    """Each field's name with its meaning and unit, as kaskad-cli --help gives
    them, a line each, indented as the docstring that takes them."""
    return "\n".join(f"{indent}{name:<5} {meaning}" for name, _, meaning in _kaskad.model_fields(model))


def _arrays_of(fields):
    """The fields given as numpy arrays or pandas Series: points, one per element."""
    import pandas as pd
    return {name: value for name, value in fields.items() if isinstance(value, (np.ndarray, pd.Series))}


def _run_or_runs(model, fields, decimal_separator, raise_on_error):
    arrays = _arrays_of(fields)
    if not arrays:
        return _run(model, fields, decimal_separator, raise_on_error)
    fixed = {name: value for name, value in fields.items() if name not in arrays}
    return runs(model, arrays, decimal_separator=decimal_separator, **fixed)


def _model_runner(model, doc):
    """The run function of a model: its fields as parameters in the window's
    order, those the run never converts last, each defaulting to the worked
    example's text; then the keyword-only decimal_separator and
    raise_on_error."""
    fields = _kaskad.model_fields(model)
    order = [name for name, converted, _ in fields if converted] + [n for n, converted, _ in fields if not converted]
    field = inspect.Parameter.POSITIONAL_OR_KEYWORD
    keyword = inspect.Parameter.KEYWORD_ONLY
    signature = inspect.Signature(
        [inspect.Parameter(name, field, default=_FIELD_DEFAULTS[model][name]) for name in order]
        + [inspect.Parameter("decimal_separator", keyword, default="."),
           inspect.Parameter("raise_on_error", keyword, default=False)])

    def run(*args, **kwargs):
        try:
            given = signature.bind(*args, **kwargs)
        except TypeError as error:
            raise TypeError(f"{model}(): {error}") from None
        given.apply_defaults()
        values = given.arguments
        return _run_or_runs(model, {name: values[name] for name, _, _ in fields}, values["decimal_separator"],
                            values["raise_on_error"])

    run.__name__ = run.__qualname__ = model
    run.__signature__ = signature
    run.__doc__ = doc.replace("{fields}", _field_help(model))
    return run


bubble = _model_runner("bubble", """Runs the bubble-column series.

    Fields:
{fields}

    Each field is a str, the text typed in the window's field and read as the
    window reads it, or a number, turned into its shortest text. A failed run
    is returned with its error, or raised as the CalculationError of its kind
    with raise_on_error=True. A field given as a numpy array (or a pandas
    Series) makes one run per element: the result is then runs()'s frame.
    """)

gaslift = _model_runner("gaslift", """Runs the gas-lift series; as bubble(). db is a field the run never
    converts: None leaves it empty.

    Fields:
{fields}
    """)


def _sweep_plan(model, fields, decimal_separator):
    """The plan of a sweep and the option texts of its eight fields."""
    decimal_separator = separator_text(decimal_separator)
    texts = list(_option_texts(model, fields, decimal_separator, sweep_text).values())
    return _kaskad.SweepPlan(model, texts, decimal_separator), texts


def _description(model, plan_or_varying, option_texts, decimal_separator):
    """The frame's attrs["kaskad"]: the model, the separator, each field's
    text or, for a varying field, its list of texts."""
    varying = dict(plan_or_varying)
    names = [name for name, _, _ in _kaskad.model_fields(model)]
    fields = {name: list(varying[name]) if name in varying else text for name, text in zip(names, option_texts)}
    return {"model": model, "decimal_separator": decimal_separator, "fields": fields}


def _reactor_counts(n_texts, decimal_separator):
    """The rows each N text gives at most: its reactors, one for a text that is no number."""
    return np.nan_to_num(_kaskad.field_numbers(n_texts, decimal_separator, True), nan=1.0).clip(1, None)


def _row_estimate(plan, option_texts, outlet, decimal_separator):
    """The most rows a sweep gives: a row per point with outlet, else one per reactor."""
    if outlet:
        return plan.point_count
    n_texts = dict(plan.swept_fields).get("N", [option_texts[0]])
    return int(plan.point_count // len(n_texts) * _reactor_counts(n_texts, decimal_separator).sum())


def _runs_row_estimate(count, outlet, varying, option_texts, decimal_separator):
    """The most rows runs() gives: as _row_estimate, with N per point."""
    if outlet:
        return count
    for name, texts, codes in varying:
        if name == "N":
            return int(_reactor_counts(texts, decimal_separator)[codes].sum())
    return int(count * _reactor_counts([option_texts[0]], decimal_separator)[0])


def _check_memory(rows, varying_fields, criterion, what):
    """Refuses, before anything is computed, a frame that would not fit."""
    needed = frame_bytes(rows, varying_fields, criterion) * 3 // 2
    available = available_memory()
    if available is not None and needed > available:
        raise MemoryError(
            f"{what} gives up to {rows} rows, about {needed / 1e9:.1f} GB while the frame is made, more than the "
            f"{available / 1e9:.1f} GB of memory available: write it to a file as it comes with "
            "kaskad.sweep(..., to=\"FILE.csv\"), to disk with to=\"NAME.zarr\" and open it lazily with "
            "kaskad.open_study, run it in pieces with shard=(k, n), or on a cluster with "
            "kaskad.distributed.sweep(client, ..., to=DIR)")


def _progress_callback(progress, total):
    """None, a callable taking (done, total), or True for a tqdm bar; the bar to close after."""
    if progress is None or progress is False:
        return None, None
    if progress is True:
        from tqdm.auto import tqdm
        bar = tqdm(total=total, unit="point")
        return (lambda done, _total: bar.update(done - bar.n)), bar
    if callable(progress):
        return progress, None
    raise TypeError(f"progress takes True, False or a callable (done, total), not {type(progress).__name__}")


def _with_progress(progress, total, compute):
    callback, bar = _progress_callback(progress, total)
    try:
        return compute(callback)
    finally:
        if bar is not None:
            bar.close()


#: The most points kaskad-cli sweep --best keeps.
MOST_BEST = 1_000_000
#: The most pieces kaskad-cli sweep --shard cuts a sweep into.
MOST_SHARDS = _kaskad.MOST_SHARDS


#: Where a frame holds the fields: the varying ones as columns, the others
#: in attrs; or every field as columns, on every row.
FIELD_LAYOUTS = ("varying", "columns")


def _fields_layout(fields):
    if fields not in FIELD_LAYOUTS:
        raise ValueError(f"fields is {' or '.join(map(repr, FIELD_LAYOUTS))}, not {fields!r}")
    return fields


def _frame_of(arrays, description, layout, index=None):
    """The frame of the rows' arrays: with layout "columns", every fixed field
    a column of one text too, in the window's order; with the points' index,
    each row labelled with its point's."""
    if layout == "columns":
        by_name = {name: (name, texts, codes) for name, texts, codes in arrays["varying"]}
        first_text = np.zeros(len(arrays["reactor"]), np.int32)
        arrays = {**arrays, "varying": [by_name.get(name, (name, [text], first_text))
                                        for name, text in description["fields"].items()]}
    frame = sweep_frame([arrays], description)
    if index is not None:
        frame.index = index[arrays["point"]] if "point" in arrays else index[:0]
    return frame


def _study_fields(study, model, fields, decimal_separator):
    """The fields of a sweep with those not given taken from the study file
    `study` (None: none); a field given both ways takes the argument."""
    if study is None:
        return fields
    study_model, texts = _kaskad.read_study(os.fspath(study), separator_text(decimal_separator))
    if study_model != _model_checked(model):
        raise UsageError(f"the study {os.fspath(study)} is of the {study_model} model")
    names = [name for name, _, _ in _kaskad.model_fields(model)]
    return {**dict(zip(names, texts)), **fields}


def _shard_points(points, shard, best):
    """The points (begin, end) a sweep runs: all, or shard (k, n)'s."""
    if shard is None:
        return 0, points
    if best:
        raise UsageError("best keeps the best points of the whole sweep: it cannot be combined with shard")
    if not isinstance(shard, tuple) or len(shard) != 2:
        raise TypeError(f"shard takes a pair (k, n), not {shard!r}")
    index, count = whole_number(shard[0], "shard"), whole_number(shard[1], "shard")
    if not 1 <= index <= count <= MOST_SHARDS:
        raise UsageError(f"shard: must be (k, n) with 1 <= k <= n <= {MOST_SHARDS}, not {shard!r}")
    return _kaskad.shard_range(points, index, count)


def _sweep_to(to, plan, points, flags, best, jobs, progress):
    """Writes the points of a sweep into `to` as kaskad-cli's CSV, as they come."""
    target, text = csv_target(to)
    if not text and isinstance(target, str) and not target.endswith(".csv"):
        raise ValueError(f"to takes a path ending in .csv or a writable file object, not {target!r}")
    _with_progress(progress, points[1] - points[0], lambda callback: _kaskad.write_sweep_csv(
        plan, *points, *flags, jobs, True, target, text, best, callback))


def _study_place(to):
    """Whether `to` names a study's place, a Zarr store or a folder, rather
    than one CSV file or a file object; a path with another suffix is
    refused."""
    if not isinstance(to, (str, os.PathLike)):
        return False
    path = os.fspath(to)
    if path.endswith(".csv"):
        return False
    if path.endswith(".zarr") or os.path.isdir(path) or not os.path.splitext(path.rstrip("/"))[1]:
        return True
    raise ValueError(f"to takes a path ending in .csv or .zarr, a folder or a writable file object, not {path!r}")


def _written_here(written, jobs, progress):
    """Computes on this machine the chunks a study on disk lacks."""
    results = run_chunks_here(written.pending, lambda number, callback: written.function(
        number, **written.arguments, jobs=jobs, progress=callback), written.points_of, progress)
    return written.finish(results)


def sweep(model, outlet=False, criterion=False, jobs=None, *, only_meeting=False, decimal_separator=".",
          progress=False, as_xarray=False, to=None, chunks=None, best=None, shard=None, study=None,
          fields="varying", **given):
    """Runs every combination of field values on `jobs` threads (None or -1:
    every core; 1 to 1024) and returns a pandas DataFrame of the rows of
    kaskad-cli sweep ... --format csv of the same texts.

    Each field is a text, a number, a range text "FROM:TO:STEP", a list text
    "A;B;C" or a sequence of texts and numbers; a field not given takes the
    default of bubble() or gaslift(). The gas-lift db is never swept.

    Columns, one row per reactor (per point with outlet=True):
      - each swept field's numbers, float64 (N an integer), named after the
        field (the field t, the first reactor's temperature, as t_in);
      - reactor (Int32, missing for a point that computed none) and the
        quantities y1..P: the stored values as float64, NaN where none was
        stored (number_text prints them as kaskad-cli does);
      - error_kind and error_message (categorical, missing for a point that
        did not fail): a failed point is data, not an exception;
      - with the criterion, the outlet's verdict on every row of its point:
        per bound outlet_y2>=1.47, ... (nullable bool, missing without an
        outlet), outlet_meets_criterion (bool, False without an outlet) and
        outlet_criterion_margin (float64, NaN without an outlet);
      - each swept field's exact texts, categorical, as NAME_text.
    The fields not swept are in frame.attrs["kaskad"]["fields"], with the
    swept fields' lists of texts; fields="columns" makes them columns too,
    numbers and texts on every row, so that rows of frames joined by
    pd.concat or merge keep them. to_csv() writes the frame as kaskad-cli's
    CSV, byte for byte.

    Memory: about 105 bytes per row, plus 10 per swept field and 19 with the
    criterion. A sweep whose frame would not fit in the memory available
    raises MemoryError before computing: to="FILE.csv" or to="NAME.zarr"
    writes it instead.

    As kaskad-cli sweep's options:
      - to: a path ending in ".csv", or a writable file object (text or
        binary): the rows are written there as they come, byte for byte
        kaskad-cli's CSV, memory bounded whatever the points; returns None;
      - best=K: only the K points of the largest criterion margin, largest
        first, ties in point order (implies the criterion; --best K);
      - shard=(k, n): only the k-th (1-based) of n contiguous pieces of the
        points, the cut of --shard k/n and of kaskad.shard_range;
      - study="NAME.kaskad-study.json": the fields not given here come from
        the study file, which must be of `model` (--study).

    progress: True for a tqdm bar, or a callable given (points done, total)
    a few times a second. as_xarray: an xarray Dataset instead (to_xarray()).

    to, any other path: a study written to disk in `chunks` pieces instead
    of a frame, whatever its size, and a WrittenStudy returned. "NAME.zarr":
    a Zarr store, one array per quantity over the swept fields (open_study()
    reads it lazily); another path: a folder of CSV parts, each with its
    header, and a manifest (read_csv() reads them). Running the same study
    into the same place again computes only the chunks it lacks; a place
    holding another study is refused.

    Ctrl+C stops the sweep within a tenth of a second and raises
    kaskad.Interrupted (a KeyboardInterrupt), whose .frame holds the rows of
    the points computed, each whole, in order.

    Fields:
{fields}
    """
    flags = [flag(outlet, "outlet"), flag(criterion, "criterion"), flag(only_meeting, "only_meeting")]
    jobs = jobs_count(jobs)
    layout = _fields_layout(fields)
    given = _study_fields(study, model, given, decimal_separator)
    plan, option_texts = _sweep_plan(model, given, decimal_separator)
    best = 0 if best is None else whole_number_in(best, "best", 1, MOST_BEST)
    begin, end = _shard_points(plan.point_count, shard, best)
    if to is not None and _study_place(to):
        if best or shard is not None:
            raise UsageError("best and shard write one CSV file: give to a path ending in .csv")
        written = study_target(to, model, plan, option_texts, separator_text(decimal_separator), flags, chunks)
        return _written_here(written, jobs, progress)
    if to is not None:
        return _sweep_to(to, plan, (begin, end), flags, best, jobs, progress)
    swept = plan.swept_fields
    rows = _row_estimate(plan, option_texts, flags[0], decimal_separator) * min(end - begin, best or end - begin) \
        // max(plan.point_count, 1)
    _check_memory(rows, len(swept), flags[1] or flags[2] or best > 0, f"a sweep of {end - begin} points")
    arrays = _with_progress(progress, end - begin,
                            lambda callback: _kaskad.sweep_arrays(plan, begin, end, *flags, jobs, callback, best))
    frame = _frame_of(arrays, _description(model, swept, option_texts, decimal_separator), layout)
    _raise_if_interrupted(arrays, frame)
    return to_xarray(frame) if flag(as_xarray, "as_xarray") else frame


sweep.__doc__ = sweep.__doc__.replace("{fields}", "    bubble:\n" + _field_help("bubble", "      ")
                                      + "\n    gaslift:\n" + _field_help("gaslift", "      "))


def _point_columns(points):
    """The varying fields of runs()'s points: per field name its values, all
    of one length, at least one; and the points' index, None for a dict of
    plain sequences."""
    import pandas as pd
    index = None
    if isinstance(points, pd.DataFrame):
        columns = {str(name): points[name].to_numpy() for name in points.columns}
        index = points.index
    elif isinstance(points, dict):
        columns = {}
        for name, value in points.items():
            if isinstance(value, pd.Series):
                index = value.index if index is None else index
                columns[name] = value.to_numpy()
            elif isinstance(value, np.ndarray):
                columns[name] = value
            else:
                columns[name] = np.asarray(_point_items(name, value), dtype=object)
    else:
        raise TypeError(f"points take a pandas DataFrame or a dict of arrays, not {type(points).__name__}")
    if "t_in" in columns and "t" in columns:
        raise UsageError("t and t_in both give the field t (t_in is its name in a frame): give one of them")
    if "t_in" in columns:
        columns["t"] = columns.pop("t_in")
    if not columns:
        raise UsageError("the points name no field: give a column per field that varies")
    lengths = {len(values) for values in columns.values()}
    if len(lengths) > 1:
        raise ValueError(f"the points' fields have different lengths: {sorted(lengths)}")
    count = lengths.pop()
    if count == 0:
        raise UsageError(f"{', '.join(columns)}: the points hold no value: give at least one point")
    return columns, count, index


def _point_items(name, value):
    """A field's points given as a sequence, as a list."""
    try:
        return sweep_items(value)
    except ValueError:
        raise UsageError(f"{name}: the points hold no value: give at least one point") from None


def _point_texts(name, distinct, decimal_separator):
    """The texts of a field's distinct point values: texts as they are, real
    numbers as their shortest texts; UsageError naming the field for
    anything else (None, datetimes, fractions)."""
    texts = []
    for value in distinct:
        if isinstance(value, (bool, np.bool_)) or not isinstance(value, (str, numbers.Integral, float, np.floating)):
            raise UsageError(f"{name}: {type(value).__name__} {value!r} is not a field value: give numbers or texts")
        try:
            texts.append(field_text(value, decimal_separator))
        except ValueError as error:
            raise UsageError(f"{name}: {error}") from None
    return texts


def _factorized(name, array, decimal_separator):
    """A field's values as (distinct texts, each value's index among them);
    numpy floats keep their own width's shortest texts. UsageError naming
    the field for a point without a value, or with one that is no field value."""
    if array.dtype.kind in "mM":
        raise UsageError(f"{name}: {array.dtype} values are not field values: give numbers or texts")
    if array.dtype.kind in "fiu":
        missing = ~np.isfinite(array) if array.dtype.kind == "f" else np.zeros(len(array), bool)
        distinct, codes = np.unique(array, return_inverse=True)
    else:
        import pandas as pd
        codes, distinct = pd.factorize(np.asarray(array, dtype=object), sort=False)
        missing = codes < 0
    if missing.any():
        row = int(np.argmax(missing))
        raise UsageError(f"{name}: the point in row {row} holds {array[row]!r}, not a field value: every point "
                         "needs a text or a finite number")
    return _point_texts(name, distinct, decimal_separator), codes.astype(np.int32)


def runs(model, points, outlet=False, criterion=False, jobs=None, *, only_meeting=False, decimal_separator=".",
         progress=False, fields="varying", to=None, chunks=None, **given):
    """Runs any set of points on `jobs` threads (all cores by default) and
    returns a frame like sweep()'s, a point's rows in the order of the points.

    points: a pandas DataFrame or a dict of arrays (or sequences), one column
    per field that varies, named after the field (t or t_in for the first
    reactor's temperature), of texts or numbers: a design of experiments, a
    Latin hypercube, an optimiser's proposals. Numbers become their shortest
    texts (np.float32 values the shortest of their own width). The fields not
    given take the keyword arguments, else the defaults of bubble() or
    gaslift(). The rows keep the points' index (a DataFrame's, or a Series'
    given in the dict), a point's rows its label; fields="columns" as in
    sweep(). A point without a value (None, NaN, pd.NA), or with one that is
    not a text or a real number (a datetime, a Fraction), raises UsageError
    naming its field, and so do no points at all.

    to="NAME.zarr": the rows go to a Zarr store in `chunks` pieces instead,
    a WrittenStudy returned: the points along the dimension "point" (the
    index as its coordinate), each varying field's numbers and texts per
    point, the quantities at their stored widths over the points and the
    reactors (the points alone with outlet=True). open_study() reads it
    lazily; the same points run into the same store compute only the
    chunks it lacks, and a store holding another study is refused.
    """
    _model_checked(model)
    layout = _fields_layout(fields)
    flags = [flag(outlet, "outlet"), flag(criterion, "criterion"), flag(only_meeting, "only_meeting")]
    jobs = jobs_count(jobs)
    decimal_separator = separator_text(decimal_separator)
    columns, count, index = _point_columns(points)
    clash = set(columns) & set(given)
    if clash:
        raise TypeError(f"{', '.join(sorted(clash))} given both as points and as a fixed field")
    names = [name for name, _, _ in _kaskad.model_fields(model)]
    option_texts = list(_option_texts(model, {**given, **{name: 0 for name in columns}}, decimal_separator,
                                      field_text).values())
    varying = []
    for name in names:
        if name in columns:
            if name in _UNSWEPT:
                raise TypeError(f"{name} is never varied (the run does not convert it): give it as one fixed text")
            varying.append((name, *_factorized(name, columns[name], decimal_separator)))
    if to is not None:
        written = design_target(to, model, option_texts, decimal_separator, varying, index, count, flags, chunks)
        return _written_here(written, jobs, progress)
    _check_memory(_runs_row_estimate(count, flags[0], varying, option_texts, decimal_separator), len(varying),
                  flags[1] or flags[2], f"a run of {count} points")
    arrays = _with_progress(progress, count, lambda callback: _kaskad.given_point_arrays(
        model, option_texts, [(names.index(name), texts, codes) for name, texts, codes in varying], count,
        decimal_separator, *flags, jobs, callback))
    description = _description(model, [(name, texts) for name, texts, _ in varying], option_texts, decimal_separator)
    frame = _frame_of(arrays, description, layout, index)
    _raise_if_interrupted(arrays, frame)
    return frame


def to_xarray(frame):
    """A sweep's or runs()'s frame as an xarray Dataset: one dimension per
    varying field (its numbers as the coordinate, its texts as NAME_text
    beside it) and, with every reactor's rows, "reactor"; the quantities as
    variables, each with its meaning (long_name) and, where the model fixes
    one, its unit (units: "K" for the temperature t), from QUANTITY_TABLE;
    the error and the criterion's verdict per point."""
    from ._xarray import dataset
    return dataset(frame)


from ._design import optimize, solve, OptimizeResult, SolveResult, Answer, Root  # noqa: E402  (they use _run)

for _function in (runs, optimize, solve):
    _function.__doc__ = (_function.__doc__.rstrip() + "\n\n    Fields of bubble:\n" + _field_help("bubble")
                         + "\n    Fields of gaslift:\n" + _field_help("gaslift") + "\n")
from ._studies import sensitivity, uncertainty, SensitivityResult, UncertaintyResult  # noqa: E402
for _function in (sensitivity, uncertainty):
    _function.__doc__ = (_function.__doc__.rstrip() + "\n\n    Fields of bubble:\n" + _field_help("bubble")
                         + "\n    Fields of gaslift:\n" + _field_help("gaslift") + "\n")
from . import _xarray  # noqa: E402,F401  (frame.kaskad.to_xarray())
