"""Studies as Zarr stores: a sweep's grid, or a design's points, cut into
chunks that are each a contiguous run of points, the store made or checked
against the study asked for, each chunk computed and written as its region
by whoever runs it, and the store read back lazily or as kaskad-cli's CSV.

A store holds one array per quantity over the points, and the reactors
unless only the outlet is kept: a sweep's points over its swept fields, in
sweep order (the last varies fastest), each field's numbers and texts as
coordinates; a design's points along "point", its index as coordinate, each
varying field's numbers and texts per point. The values at their stored
width (every quantity a single but the bubble-column's pressure, a double);
per point the reactors computed, the error and the criterion's columns. Its
attributes hold the study's definition. The group "kaskad" records each
chunk written whole, by a key of its own, so that workers never write the
same key and a store resumes where it stopped.
"""

import math
import os
import shutil
import uuid
from typing import List, NamedTuple, Tuple

import numpy as np

from . import _kaskad
from ._frame import QUANTITIES, field_column
from ._study import MAX_CHUNK_ROWS, WrittenStudy, check_free_place, check_same_study, is_design, rows_per_point

#: The array recording each chunk written whole: its key is the chunk's number.
RECORD = "kaskad/complete"


class Layout:
    """A grid of points (`shape`, one size per swept field, C order) cut into
    chunks of shape `chunk`: 1 along the first fields, whole along the last,
    so that every chunk is a contiguous run of points."""

    def __init__(self, shape, chunk):
        self.shape, self.chunk = tuple(shape), tuple(chunk)
        self.grid = tuple(math.ceil(n / c) for n, c in zip(self.shape, self.chunk))
        self.count = math.prod(self.grid)

    @classmethod
    def of(cls, shape, most_points):
        """The layout whose chunks hold at most `most_points` points (one at least)."""
        chunk, trailing = list(shape), 1
        for j in reversed(range(len(shape))):
            if trailing * shape[j] > most_points:
                chunk[:j + 1] = [1] * j + [max(1, most_points // trailing)]
                break
            trailing *= shape[j]
        return cls(shape, chunk)

    def region(self, number):
        """The slices of chunk `number` (0-based, in point order)."""
        place = np.unravel_index(number, self.grid) if self.grid else ()
        return tuple(slice(int(k) * c, min(n, (int(k) + 1) * c)) for k, c, n in zip(place, self.chunk, self.shape))

    def points(self, number):
        """The points (begin, end) of chunk `number`."""
        region = self.region(number)
        begin = int(np.ravel_multi_index([s.start for s in region], self.shape)) if region else 0
        return begin, begin + math.prod(s.stop - s.start for s in region)


def _quantity_dtype(model, quantity):
    return np.float64 if model == "bubble" and quantity == "P" else np.float32


def _variables(model, outlet, criterion_columns):
    """Each stored array but the coordinates: (name, dtype, per reactor, fill value)."""
    text = object
    variables = [(q, _quantity_dtype(model, q), not outlet, np.nan) for q in QUANTITIES]
    variables += [("reactors", np.int32, False, None), ("error_kind", text, False, ""),
                  ("error_message", text, False, "")]
    if criterion_columns:
        variables += [(name, np.int8, False, None) for name in criterion_columns[:-2]]
        variables += [(criterion_columns[-2], bool, False, None), (criterion_columns[-1], np.float64, False, np.nan)]
    return variables


def _criterion_columns(columns):
    start = columns.index("error_message") + 1
    return columns[start:]


def _texts_codec():
    import numcodecs
    return numcodecs.VLenUTF8()


def _array(group, name, values_or_shape, dtype, dims, chunks=None, fill=None, attrs=None):
    """An array of the store with the dimension names xarray reads."""
    kwargs = {"object_codec": _texts_codec()} if dtype is object else {}
    if isinstance(values_or_shape, tuple):
        array = group.create(name, shape=values_or_shape, chunks=chunks, dtype=dtype, fill_value=fill, **kwargs)
    else:
        array = group.array(name, values_or_shape, dtype=dtype, fill_value=fill, **kwargs)
    array.attrs.update({"_ARRAY_DIMENSIONS": list(dims), **(attrs or {})})
    return array


def _field_numbers(name, texts, decimal_separator):
    numbers = _kaskad.field_numbers(texts, decimal_separator, name == "N")
    return numbers.astype(np.int64) if name == "N" and not np.isnan(numbers).any() else numbers


class Grid(NamedTuple):
    """The points of a store: their dimensions and shape, and the arrays
    written beside the quantities (name, values, dtype, dimensions, attrs)."""
    dims: List[str]
    shape: Tuple[int, ...]
    coordinates: list


def _meanings(model):
    return {name: meaning for name, _, meaning in _kaskad.model_fields(model)}


def sweep_grid(model, plan, decimal_separator):
    """A sweep's grid: a dimension per swept field, its numbers and texts beside it."""
    meanings = _meanings(model)
    dims, coordinates = [], []
    for name, texts in plan.swept_fields:
        dim = field_column(name)
        dims.append(dim)
        coordinates.append((dim, _field_numbers(name, texts, decimal_separator), None, [dim],
                            {"long_name": meanings[name]}))
        coordinates.append((dim + "_text", np.array(texts, dtype=object), object, [dim], {}))
    return Grid(dims, tuple(len(texts) for _, texts in plan.swept_fields), coordinates)


def _point_labels(index, count):
    """A design's index as the values of the coordinate "point"; its
    positions where it has none. UsageError for labels a store cannot hold."""
    import pandas as pd
    if index is None:
        return np.arange(count, dtype=np.int64)
    if isinstance(index, pd.MultiIndex):
        raise _kaskad.UsageError("a Zarr store keeps one label per point: reset the points' MultiIndex first")
    labels = np.asarray(index)
    if labels.dtype.kind in "iufMm":
        return labels
    if labels.dtype == object and all(isinstance(label, str) for label in labels):
        return labels
    raise _kaskad.UsageError(f"a Zarr store keeps labels that are numbers, times or texts, not the points' "
                             f"{labels.dtype} index: reset it first")


def design_grid(model, varying, index, count, decimal_separator):
    """A design's points along "point", its index as coordinate, each
    varying field's numbers and texts per point beside it."""
    meanings = _meanings(model)
    labels = _point_labels(index, count)
    coordinates = [("point", labels, object if labels.dtype == object else None, ["point"], {})]
    for name, texts, codes in varying:
        dim = field_column(name)
        coordinates.append((dim, _field_numbers(name, texts, decimal_separator)[codes], None, ["point"],
                            {"long_name": meanings[name]}))
        coordinates.append((dim + "_text", np.array(texts, dtype=object)[codes], object, ["point"], {}))
    return Grid(["point"], (count,), coordinates)


def _create(path, definition, grid, layout, reactors, columns):
    """Makes the store in a folder beside `path`, renamed into place once whole."""
    import zarr
    model, outlet = definition["model"], definition["outlet"]
    beside = " ".join(name for name, _, _, dims, _ in grid.coordinates if [name] != dims)
    building = f"{path}.{uuid.uuid4().hex}.tmp"
    try:
        group = zarr.open_group(building, mode="w")
        for name, values, dtype, dims, attrs in grid.coordinates:
            _array(group, name, values, dtype, dims, attrs=attrs)
        if not outlet:
            _array(group, "reactor", np.arange(1, reactors + 1, dtype=np.int32), np.int32, ["reactor"])
        for name, dtype, per_reactor, fill in _variables(model, outlet, _criterion_columns(columns)):
            extent = (reactors,) if per_reactor else ()
            attrs = {"coordinates": beside} if beside else {}
            if name == "t":
                attrs["units"] = "K"
            _array(group, name, layout.shape + extent, dtype, grid.dims + (["reactor"] if per_reactor else []),
                   chunks=layout.chunk + extent, fill=fill, attrs=attrs)
        record = group.create_group("kaskad")
        record.create("complete", shape=(layout.count,), chunks=(1,), dtype=bool, fill_value=False)
        fixed = {name: text for name, text in definition["fields"].items() if isinstance(text, str)}
        group.attrs.update({"model": model, "decimal_separator": definition["decimal_separator"], **fixed,
                            "kaskad": {"definition": definition, "shape": list(layout.shape),
                                       "chunk": list(layout.chunk), "reactors": reactors, "columns": columns}})
        zarr.consolidate_metadata(building)
        os.rename(building, path)
    except BaseException:
        shutil.rmtree(building, ignore_errors=True)
        raise


def _held(path):
    """The attributes of the study a store at `path` holds; None where there is none."""
    if not os.path.isfile(os.path.join(path, ".zgroup")):
        return None
    import zarr
    return zarr.open_group(path, mode="r").attrs.asdict().get("kaskad")


def complete_chunks(path):
    """The numbers of the chunks written whole."""
    folder = os.path.join(path, *RECORD.split("/"))
    return {int(name) for name in os.listdir(folder) if name.isdigit()}


class ZarrStudy:
    """A study in the Zarr store at `path`, made for the points of `grid` or
    checked to hold them, on the driver: its layout and the chunks still to
    compute."""

    def __init__(self, path, definition, grid, option_texts, chunks_wanted, reactors):
        self.path = os.path.abspath(os.fspath(path).rstrip("/"))
        self.function = write_chunk
        if definition["only_meeting"]:
            raise _kaskad.UsageError("a Zarr store holds every point of its grid: keep the points that meet the "
                                     "criterion with ds.where(ds.outlet_meets_criterion) instead of only_meeting")
        model, separator = definition["model"], definition["decimal_separator"]
        self.arguments = {"path": self.path, "model": model, "option_texts": list(option_texts),
                          "decimal_separator": separator, "options": (definition["outlet"], definition["criterion"])}
        self.points = math.prod(grid.shape)
        held = _held(self.path)
        if held is None:
            check_free_place(self.path, "a Zarr store")
            most = max(1, MAX_CHUNK_ROWS // rows_per_point(definition["outlet"], reactors))
            wanted = math.ceil(self.points / max(1, chunks_wanted or 1))
            self.layout = Layout.of(grid.shape, min(most, wanted))
            columns = _kaskad.given_point_arrays(model, list(option_texts), [], 0, separator, definition["outlet"],
                                                 definition["criterion"], False, 1)["columns"]
            _create(self.path, definition, grid, self.layout, reactors, columns)
        else:
            check_same_study(self.path, held["definition"], definition)
            self.layout = Layout(held["shape"], held["chunk"])
        done = complete_chunks(self.path)
        self.pending = [number for number in range(self.layout.count) if number not in done]

    def points_of(self, number):
        begin, end = self.layout.points(number)
        return end - begin

    def finish(self, results):
        return WrittenStudy(self.path, self.points, self.layout.count, len(results))


def _per_point(arrays, starts, criterion_columns):
    """The point's arrays of a chunk's rows, each point's from its first row."""
    def texts(column):
        names, codes = arrays[column]
        return np.array(list(names) + [""], dtype=object)[np.where(codes >= 0, codes, len(names))][starts]
    blocks = {"error_kind": texts("error_kind"), "error_message": texts("error_message")}
    if criterion_columns:
        for b, name in enumerate(criterion_columns[:-2]):
            blocks[name] = arrays["bounds"][starts, b]
        blocks[criterion_columns[-2]] = arrays["meets"][starts].astype(bool)
        blocks[criterion_columns[-1]] = arrays["margin"][starts]
    return blocks


def _narrowed(values, dtype, name):
    """Values at their stored width, which holds them exactly."""
    narrow = values.astype(dtype)
    if dtype != np.float64 and not np.array_equal(narrow.astype(np.float64), values, equal_nan=True):
        raise AssertionError(f"{name} holds a value that is not a stored single")
    return narrow


def chunk_blocks(arrays, model, shape, outlet, reactors):
    """The blocks a chunk of `shape` points writes, by array name, from its rows."""
    reactor = arrays["reactor"]
    points = math.prod(shape)
    starts = np.arange(points) if outlet else np.flatnonzero(reactor <= 1)
    if len(starts) != points or len(reactor) < points:
        raise AssertionError(f"a chunk of {points} points gave {len(starts)} points' rows")
    criterion_columns = _criterion_columns(arrays["columns"])
    blocks = {}
    for q, name in enumerate(QUANTITIES):
        values = _narrowed(arrays["values"][q], _quantity_dtype(model, name), name)
        if outlet:
            blocks[name] = values.reshape(shape)
            continue
        block = np.full((points, reactors), np.nan, dtype=values.dtype)
        point_of_row = np.cumsum(reactor <= 1) - 1
        kept = reactor > 0
        block[point_of_row[kept], reactor[kept] - 1] = values[kept]
        blocks[name] = block.reshape(tuple(shape) + (reactors,))
    counts = reactor if outlet else np.maximum.reduceat(reactor, starts) if points else reactor[:0]
    blocks["reactors"] = counts.astype(np.int32).reshape(shape)
    for name, block in _per_point(arrays, starts, criterion_columns).items():
        blocks[name] = block.reshape(shape)
    return blocks


def _chunk_arrays(group, definition, begin, end, option_texts, options, jobs, progress):
    """The rows of the points [begin, end) of a store's study: a sweep's by
    its plan, a design's by the texts the store holds for them."""
    model, separator = definition["model"], definition["decimal_separator"]
    outlet, criterion = options
    if not is_design(definition):
        plan = _kaskad.SweepPlan(model, option_texts, separator)
        return _kaskad.sweep_arrays(plan, begin, end, outlet, criterion, False, jobs, progress)
    import pandas as pd
    names = [name for name, _, _ in _kaskad.model_fields(model)]
    varying = []
    for name, texts in definition["fields"].items():
        if not isinstance(texts, str):
            codes, distinct = pd.factorize(group[field_column(name) + "_text"][begin:end])
            varying.append((names.index(name), [str(text) for text in distinct], codes.astype(np.int32)))
    return _kaskad.given_point_arrays(model, option_texts, varying, end - begin, separator, outlet, criterion, False,
                                      jobs, progress)


def write_chunk(number, path, model, option_texts, decimal_separator, options, jobs, progress=None):
    """Computes chunk `number` of the study at `path` and writes it as its
    region, then records it complete. Returns its point count."""
    import zarr
    group = zarr.open_group(path, mode="r+")
    held = group.attrs["kaskad"]
    layout = Layout(held["shape"], held["chunk"])
    begin, end = layout.points(number)
    arrays = _chunk_arrays(group, held["definition"], begin, end, option_texts, options, jobs, progress)
    if "interrupted" in arrays:
        raise arrays["interrupted"]
    region = layout.region(number)
    shape = tuple(s.stop - s.start for s in region)
    for name, block in chunk_blocks(arrays, model, shape, options[0], held["reactors"]).items():
        # A one-point study's arrays have no dimension: zarr takes their value itself.
        group[name][region] = block if block.ndim else block[()]
    group[RECORD][number] = True
    return end - begin


def open_study(path):
    """The study in the Zarr store at `path` as a lazy xarray Dataset (Dask
    arrays read chunk by chunk); a ValueError for a store not yet complete."""
    import xarray as xr
    path = os.fspath(path)
    held = _held(path)
    if held is None:
        raise ValueError(f"{path} is not a Kaskad study's Zarr store")
    layout = Layout(held["shape"], held["chunk"])
    done = len(complete_chunks(path))
    if done < layout.count:
        raise ValueError(f"{path} holds {done} of its {layout.count} chunks: run the same study again to complete it")
    return xr.open_zarr(path, consolidated=True)


def is_study(dataset):
    """Whether an xarray Dataset is a study's store or a selection of one."""
    held = getattr(dataset, "attrs", {}).get("kaskad")
    return isinstance(held, dict) and "definition" in held


def _text_codes(values):
    """Per-point texts as (distinct texts, codes); a missing text is -1, an empty cell."""
    import pandas as pd
    codes, uniques = pd.factorize(np.asarray(values, dtype=object), use_na_sentinel=True)
    uniques = [str(text) for text in uniques]
    if "" in uniques:
        empty = uniques.index("")
        codes = np.where(codes == empty, -1, codes)
    return uniques, codes.astype(np.int32)


def _block_cells(block, held, dims, names):
    """The CSV cells of a block of points: (column kind and arrays) per column, and the row count."""
    definition = held["definition"]
    outlet = definition["outlet"]
    shape = tuple(block.sizes[dim] for dim in dims)
    points = math.prod(shape)
    counts = block["reactors"].transpose(*dims).values.reshape(points).astype(np.int64)
    rows = np.maximum(counts, 1) if not outlet else np.ones(points, dtype=np.int64)
    point_of_row = np.repeat(np.arange(points), rows)
    first_row = np.cumsum(rows) - rows
    reactor = counts[point_of_row] if outlet else np.where(
        counts[point_of_row] > 0, np.arange(len(point_of_row)) - first_row[point_of_row] + 1, 0)
    place = np.unravel_index(np.arange(points), shape) if dims else ()
    cells = []
    for name, _, _ in _kaskad.model_fields(definition["model"]):
        text, dim = definition["fields"][name], field_column(name)
        if isinstance(text, str):
            cells.append(("text", [text], np.zeros(len(point_of_row), np.int32)))
        elif dim in dims:
            texts = [str(t) for t in block[dim + "_text"].values]
            cells.append(("text", texts, place[dims.index(dim)][point_of_row].astype(np.int32)))
        elif block[dim + "_text"].dims == ("point",):
            texts, codes = _text_codes(block[dim + "_text"].values)
            cells.append(("text", texts, codes[point_of_row]))
        else:
            cells.append(("text", [str(block[dim + "_text"].values.item())], np.zeros(len(point_of_row), np.int32)))
    cells.append(("integer", reactor, (reactor == 0).astype(np.uint8)))
    for q in QUANTITIES:
        values = block[q].transpose(*dims, *(["reactor"] if not outlet else [])).values.astype(np.float64)
        if outlet:
            cells.append(("number", values.reshape(points)[point_of_row]))
        else:
            values = np.concatenate([values.reshape(points, -1), np.full((points, 1), np.nan)], axis=1)
            cells.append(("number", values[point_of_row, np.where(reactor > 0, reactor - 1, -1)]))
    for name in names[names.index("error_kind"):]:
        values = block[name].transpose(*dims).values.reshape(points)
        if values.dtype == object:
            texts, codes = _text_codes(values)
            cells.append(("text", texts, codes[point_of_row]))
        elif values.dtype == np.float64:
            cells.append(("number", values[point_of_row]))
        else:
            cells.append(("boolean", values.astype(np.int8)[point_of_row]))
    return cells, len(point_of_row)


def _point_dims(definition):
    """The dimensions of a store's points: "point" for a design, else its swept fields."""
    if is_design(definition):
        return ["point"]
    fields = definition["fields"]
    return [field_column(name) for name, _, _ in _kaskad.model_fields(definition["model"])
            if not isinstance(fields[name], str)]


def study_csv(dataset, header=True):
    """kaskad-cli's CSV of a study's Dataset or any selection of it, piece by
    piece, each of a bounded number of rows, in point order."""
    held = dataset.attrs["kaskad"]
    names = held["columns"]
    outlet = held["definition"]["outlet"]
    dims = [dim for dim in _point_dims(held["definition"]) if dim in dataset.dims]
    layout = Layout.of([dataset.sizes[dim] for dim in dims],
                       max(1, MAX_CHUNK_ROWS // rows_per_point(outlet, held["reactors"])))
    for number in range(layout.count):
        block = dataset.isel(dict(zip(dims, layout.region(number)))).load()
        cells, rows = _block_cells(block, held, dims, names)
        text = _kaskad.csv_text(names, cells, rows)
        yield text if header and number == 0 else text[text.index("\n") + 1:]
