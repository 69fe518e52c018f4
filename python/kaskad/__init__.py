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
"""

from typing import NamedTuple, Optional

from . import _kaskad
from ._version import __version__
from ._frame import sweep_frame, to_csv
from ._texts import field_text, sweep_text

__all__ = [
    "bubble", "gaslift", "sweep", "Run", "Reactor", "RunError", "number_text", "shard_range", "to_csv",
    "QUANTITIES", "CalculationError", "EExternal", "EMathError", "EInvalidOp", "EZeroDivide", "EOverflow",
    "EConvertError", "ENoConvergence", "UsageError", "optimize", "solve",
]

#: The quantities a reactor stores, in store order: kaskad-cli's CSV columns after "reactor".
QUANTITIES = tuple(_kaskad.QUANTITIES)

#: Raised for arguments a sweep cannot run: a malformed range, too many points.
UsageError = _kaskad.UsageError

#: number_text(value, decimal_separator=".") -> str: a stored single or double as the panes print it.
number_text = _kaskad.number_text


def shard_range(points, index, count):
    """The points (begin, end) of shard `index` (1-based) of `count`: the cut of
    kaskad-cli sweep --shard K/N, and of the chunks of kaskad.distributed."""
    return _kaskad.shard_range(points, index, count)


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

    def __init__(self, record, inputs, decimal_separator):
        self._record = record
        #: The field texts the run read, by field name in the window's order.
        self.inputs = dict(inputs)
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

_FIELD_DEFAULTS = {
    "bubble": {"N": 24, "y10": 3, "y50": 2.5, "wg": 0.05, "t": 433, "dtr": 2, "d": 3, "ts": 3600},
    "gaslift": {"N": 24, "y10": 3, "y50": 2, "wg": 0.05, "t": 450, "dtr": 2, "db": None, "ts": 3600},
}


def _option_texts(model, fields, decimal_separator, to_text):
    """The eight field texts of a model from keyword arguments, defaults for
    the fields not given; None is an empty field."""
    if model not in _FIELD_DEFAULTS:
        raise ValueError(f"the model is 'bubble' or 'gaslift', not {model!r}")
    defaults = _FIELD_DEFAULTS[model]
    unknown = set(fields) - set(defaults)
    if unknown:
        raise TypeError(f"{model} has no field {', '.join(sorted(unknown))}; its fields are {', '.join(defaults)}")
    values = {**defaults, **fields}
    return {name: "" if values[name] is None else to_text(values[name], decimal_separator) for name in defaults}


def _run(model, fields, decimal_separator, raise_on_error):
    texts = _option_texts(model, fields, decimal_separator, field_text)
    run = Run(_kaskad.run(model, list(texts.values()), decimal_separator), texts, decimal_separator)
    if raise_on_error:
        run.raise_error()
    return run


def bubble(N=24, y10=3, y50=2.5, wg=0.05, t=433, dtr=2, d=3, ts=3600, *, decimal_separator=".",
           raise_on_error=False):
    """Runs the bubble-column series.

    Each field is a str, the text typed in the window's field and read as the
    window reads it, or a number, turned into its shortest text. A failed run
    is returned with its error, or raised as the CalculationError of its kind
    with raise_on_error=True.
    """
    return _run("bubble", dict(N=N, y10=y10, y50=y50, wg=wg, t=t, dtr=dtr, d=d, ts=ts), decimal_separator,
                raise_on_error)


def gaslift(N=24, y10=3, y50=2, wg=0.05, t=450, dtr=2, ts=3600, db=None, *, decimal_separator=".",
            raise_on_error=False):
    """Runs the gas-lift series; as bubble(). db, the draught tube diameter,
    is a field the run never converts: None leaves it empty."""
    return _run("gaslift", dict(N=N, y10=y10, y50=y50, wg=wg, t=t, dtr=dtr, db=db, ts=ts), decimal_separator,
                raise_on_error)


def _sweep_plan(model, fields, decimal_separator):
    """The plan of a sweep and the option texts of its eight fields."""
    texts = list(_option_texts(model, fields, decimal_separator, sweep_text).values())
    return _kaskad.SweepPlan(model, texts, decimal_separator), texts


def sweep(model, outlet=False, criterion=False, jobs=None, *, only_meeting=False, decimal_separator=".", **fields):
    """Runs every combination of field values on `jobs` threads (all cores by
    default) and returns a pandas DataFrame equal, row for row, to
    kaskad-cli sweep ... --format csv of the same texts.

    Each field is a text, a number, a range text "FROM:TO:STEP", a list text
    "A;B;C" or a sequence of texts and numbers; a field not given takes the
    default of bubble() or gaslift(). Columns: every field's text ("--N", ...,
    "--t", ..., categorical texts, swept or not), reactor (Int32), y1..P (float64: the stored values,
    NaN where none was stored; number_text prints them as kaskad-cli does),
    error_kind and error_message (categorical, NaN for a point that did not
    fail) and, with the criterion, one nullable boolean per bound,
    meets_criterion and criterion_margin (float64, NaN without an outlet). A failed point is data, not an exception. to_csv() writes
    the frame back as kaskad-cli's CSV.
    """
    plan, _ = _sweep_plan(model, fields, decimal_separator)
    arrays = _kaskad.sweep_arrays(plan, 0, plan.point_count, outlet, criterion, only_meeting, jobs)
    return sweep_frame([arrays])


from ._design import optimize, solve, OptimizeResult, SolveResult, Answer, Root  # noqa: E402  (they use _run)
