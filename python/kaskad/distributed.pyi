# Types of kaskad.distributed, for editors and type checkers.
import os
from typing import List, Optional, Sequence, Union

import pandas
import xarray
from distributed import Client, Future

from . import Field, Progress, SweptField, UncertainField, UncertaintyResult, WrittenStudy

MAX_CHUNK_POINTS: int
CHUNKS_PER_THREAD: int

WrittenSweep = WrittenStudy

class SweepFutures:
    futures: List[Future]
    def result(self) -> Union[pandas.DataFrame, xarray.Dataset, WrittenStudy]: ...
    def cancel(self) -> None: ...

def chunk_count(points: int, threads: int) -> int: ...
def part_path(directory: str, index: int, count: int) -> str: ...
def sweep(client: Client, model: str, outlet: bool = False, criterion: bool = False, *, only_meeting: bool = False,
          decimal_separator: str = ".", chunks: Optional[int] = None, jobs: int = 1,
          to: Optional[Union[str, os.PathLike]] = None, compute: bool = True, progress: Progress = False,
          as_xarray: bool = False, best: Optional[int] = None, shard: Optional[tuple[int, int]] = None,
          study: Union[str, os.PathLike, None] = None, fields: str = "varying", N: SweptField = ...,
          y10: SweptField = ..., y50: SweptField = ..., wg: SweptField = ..., t: SweptField = ...,
          dtr: SweptField = ..., d: SweptField = ..., db: Optional[Field] = ...,
          ts: SweptField = ...) -> Union[pandas.DataFrame, xarray.Dataset, WrittenStudy, SweepFutures]: ...
def uncertainty(client: Client, model: str, samples: int = 10000, seed: int = 1, method: str = "lhs",
                quantities: Union[str, Sequence[str]] = (), indices: bool = False, rare: bool = False,
                keep_samples: bool = False, chunks: Optional[int] = None, jobs: int = 1, *, N: Field = ...,
                y10: UncertainField = ..., y50: UncertainField = ..., wg: UncertainField = ...,
                t: UncertainField = ..., dtr: UncertainField = ..., d: UncertainField = ...,
                db: Optional[Field] = ..., ts: UncertainField = ...) -> UncertaintyResult: ...
