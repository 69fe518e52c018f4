# Types of kaskad.distributed, for editors and type checkers.
from typing import Optional

import pandas
from distributed import Client

from . import Field, SweptField

MAX_CHUNK_POINTS: int
CHUNKS_PER_THREAD: int

def chunk_count(points: int, threads: int) -> int: ...
def sweep(client: Client, model: str, outlet: bool = False, criterion: bool = False, *, only_meeting: bool = False,
          decimal_separator: str = ".", chunks: Optional[int] = None, jobs: int = 1, N: SweptField = ...,
          y10: SweptField = ..., y50: SweptField = ..., wg: SweptField = ..., t: SweptField = ...,
          dtr: SweptField = ..., d: SweptField = ..., db: Optional[Field] = ...,
          ts: SweptField = ...) -> pandas.DataFrame: ...
