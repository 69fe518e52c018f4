# Types of the package kaskad, for editors and type checkers.
import os
from typing import IO, Any, Callable, Iterable, Mapping, NamedTuple, Optional, Sequence, Union

import numpy
import pandas
import xarray

Field = Union[str, int, float]
SweptField = Union[str, int, float, Iterable[Union[str, int, float]]]

__version__: str
QUANTITIES: tuple[str, ...]
QUANTITY_TABLE: tuple[dict[str, str | None], ...]

class UsageError(ValueError): ...
class Interrupted(KeyboardInterrupt):
    frame: Optional[pandas.DataFrame]
    points: int
    def __init__(self, frame: Optional[pandas.DataFrame], points: int) -> None: ...

def number_text(value: float, decimal_separator: str = ".") -> str: ...
def shard_range(points: int, index: int, count: int) -> tuple[int, int]: ...
def read_input_set(path: Union[str, os.PathLike], model: str, decimal_separator: str = ".") -> dict[str, str]: ...
def to_csv(frame: Union[pandas.DataFrame, xarray.Dataset],
           path_or_buffer: Union[str, os.PathLike, IO[Any], None] = None, header: bool = True) -> Optional[str]: ...
def read_csv(path_or_glob: Union[str, os.PathLike, Sequence[Union[str, os.PathLike]], IO[str]],
             decimal_separator: str = ".") -> pandas.DataFrame: ...
def to_xarray(frame: pandas.DataFrame) -> xarray.Dataset: ...
def open_study(path: Union[str, os.PathLike]) -> xarray.Dataset: ...

class WrittenStudy(NamedTuple):
    path: str
    points: int
    chunks: int
    computed: int
    paths: list[str] = ...

Progress = Union[bool, Callable[[int, int], Any]]
Jobs = Optional[int]
Points = Union[pandas.DataFrame, Mapping[str, Union[numpy.ndarray, Sequence[Field]]]]

class Reactor(NamedTuple):
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
    kind: str
    message: str
    reactor: Optional[int]
    last_quantity: Optional[str]

class Run:
    inputs: dict[str, str]
    input_values: dict[str, Optional[float]]
    model: str
    version: str
    decimal_separator: str
    reactors: list[Reactor]
    error: Optional[RunError]
    @property
    def ok(self) -> bool: ...
    def text(self, quantity: str, reactor: int) -> Optional[str]: ...
    def pane_text(self, quantity: str) -> str: ...
    def to_pandas(self) -> pandas.DataFrame: ...
    def raise_error(self) -> None: ...

class CalculationError(Exception):
    run: Run
    @property
    def kind(self) -> str: ...
    @property
    def message(self) -> str: ...

class EExternal(CalculationError): ...
class EMathError(EExternal): ...
class EInvalidOp(EMathError): ...
class EZeroDivide(EMathError): ...
class EOverflow(EMathError): ...
class EConvertError(CalculationError): ...
class ENoConvergence(CalculationError): ...

# A field given as a numpy array runs each element: the result is runs()'s frame.
def bubble(N: Field = 24, y10: Field = 3, y50: Field = 2.5, wg: Field = 0.05, t: Field = 433, dtr: Field = 2,
           d: Field = 3, ts: Field = 3600, *, decimal_separator: str = ".",
           raise_on_error: bool = False) -> Union[Run, pandas.DataFrame]: ...
def gaslift(N: Field = 24, y10: Field = 3, y50: Field = 2, wg: Field = 0.05, t: Field = 450, dtr: Field = 2,
            ts: Field = 3600, db: Optional[Field] = None, *, decimal_separator: str = ".",
            raise_on_error: bool = False) -> Union[Run, pandas.DataFrame]: ...
def sweep(model: str, outlet: bool = False, criterion: bool = False, jobs: Jobs = None, *,
          only_meeting: bool = False, decimal_separator: str = ".", progress: Progress = False,
          as_xarray: bool = False, to: Union[str, os.PathLike, IO[Any], None] = None, chunks: Optional[int] = None,
          best: Optional[int] = None, shard: Optional[tuple[int, int]] = None,
          study: Union[str, os.PathLike, None] = None, fields: str = "varying", N: SweptField = ...,
          y10: SweptField = ..., y50: SweptField = ..., wg: SweptField = ..., t: SweptField = ...,
          dtr: SweptField = ..., d: SweptField = ..., db: Optional[Field] = ...,
          ts: SweptField = ...) -> Union[pandas.DataFrame, xarray.Dataset, WrittenStudy, None]: ...
def runs(model: str, points: Points, outlet: bool = False, criterion: bool = False, jobs: Jobs = None, *,
         only_meeting: bool = False, decimal_separator: str = ".", progress: Progress = False,
         fields: str = "varying", to: Union[str, os.PathLike, None] = None, chunks: Optional[int] = None,
         N: Field = ...,
         y10: Field = ..., y50: Field = ..., wg: Field = ..., t: Field = ..., dtr: Field = ..., d: Field = ...,
         db: Optional[Field] = ..., ts: Field = ...) -> Union[pandas.DataFrame, WrittenStudy]: ...

DesignField = Union[Field, tuple[Field, Field]]

class Answer:
    model: str
    fields: dict[str, str]
    N: int
    objective: Optional[float]
    criterion_margin: Optional[float]
    meets_criterion: bool
    meets: bool
    limiting: Optional[str]
    @property
    def run(self) -> Run: ...

class OptimizeResult(Answer):
    objective_description: str
    evaluations: int
    stopped: bool
    answers: list[Answer]
    smallest_N: Optional[int]
    @property
    def by_N(self) -> pandas.DataFrame: ...

class Root:
    model: str
    text: str
    fields: dict[str, str]
    value: float
    field: str
    @property
    def run(self) -> Run: ...

class SolveResult:
    model: str
    target: str
    field: str
    roots: list[Root]
    closest: Optional[Root]
    evaluations: int
    stopped: bool
    @property
    def fields(self) -> Optional[dict[str, str]]: ...
    @property
    def run(self) -> Optional[Run]: ...

def optimize(model: str, objective: str = "margin", meet_criterion: bool = False,
             subject_to: Union[str, Sequence[str]] = (), digits: int = 4, max_evals: Optional[int] = None,
             jobs: Optional[int] = None, *, N: DesignField = ..., y10: DesignField = ..., y50: DesignField = ...,
             wg: DesignField = ..., t: DesignField = ..., dtr: DesignField = ..., d: DesignField = ...,
             db: Optional[Field] = ..., ts: DesignField = ...) -> OptimizeResult: ...
def solve(model: str, target: str = "y1=0.02", reactor: Optional[int] = None, scan: int = 200, *,
          N: Field = ..., y10: DesignField = ..., y50: DesignField = ..., wg: DesignField = ...,
          t: DesignField = ..., dtr: DesignField = ..., d: DesignField = ..., db: Optional[Field] = ...,
          ts: DesignField = ...) -> SolveResult: ...

class SensitivityResult:
    model: str
    inputs: dict[str, str]
    N: int
    margin: Optional[float]
    evaluations: int
    ranking: list[str]
    fields: pandas.DataFrame

# A number, a text ("433±1", "normal(433,0.5)", ...) or a frozen scipy.stats norm or uniform.
UncertainField = Any

class UncertaintyResult:
    model: str
    inputs: dict[str, str]
    N: int
    method: str
    samples_asked: int
    seed: int
    fields: list[str]
    stopped: bool
    evaluations: int
    failed_runs: int
    meeting: int
    probability_meets: numpy.longdouble
    probability_meets_ci95: tuple[numpy.longdouble, numpy.longdouble]
    summary: pandas.DataFrame
    margins: numpy.ndarray
    indices: Optional[pandas.DataFrame]
    index_evaluations: int
    index_runs_without: dict[str, int]
    rare: Optional[dict[str, Any]]
    samples: Optional[pandas.DataFrame]

def sensitivity(model: str, tolerances: Optional[Mapping[str, str]] = None, *, N: Field = ..., y10: Field = ...,
                y50: Field = ..., wg: Field = ..., t: Field = ..., dtr: Field = ..., d: Field = ...,
                db: Optional[Field] = ..., ts: Field = ...) -> SensitivityResult: ...
def uncertainty(model: str, samples: int = 10000, seed: int = 1, method: str = "lhs",
                quantities: Union[str, Sequence[str]] = (), indices: bool = False, rare: bool = False,
                jobs: Jobs = None, keep_samples: bool = False, progress: Progress = False, *, N: Field = ...,
                y10: UncertainField = ..., y50: UncertainField = ..., wg: UncertainField = ...,
                t: UncertainField = ..., dtr: UncertainField = ..., d: UncertainField = ...,
                db: Optional[Field] = ..., ts: UncertainField = ...) -> UncertaintyResult: ...
