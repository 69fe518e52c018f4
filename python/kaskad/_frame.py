"""A sweep's rows as a pandas DataFrame, from the arrays of one or more
contiguous pieces of the sweep; the frame written back as kaskad-cli's CSV,
and kaskad-cli's CSV read back into the frame.

The frame holds each varying field twice: as numbers, in a column named
after the field (N as an integer; the field t, the first reactor's
temperature, as t_in so as not to be taken for the reactors' t), and as its
exact texts in a categorical column NAME_text. The fields that do not vary
are not columns: frame.attrs["kaskad"]["fields"] holds their texts, and
those of the varying fields as lists.
"""

import contextlib
import io
import os
import tempfile

import numpy as np
import pandas as pd

from . import _kaskad
from ._texts import flag

QUANTITIES = list(_kaskad.QUANTITIES)


def field_column(field):
    """The frame's column of a field's numbers: its name, but t_in for t."""
    return "t_in" if field == "t" else field


def _categorical(texts, codes):
    """Codes into texts as a categorical column; the categories are the
    distinct texts in the order they first appear, -1 is missing."""
    categories = list(dict.fromkeys(texts))
    codes = np.asarray(codes)
    if len(categories) != len(texts):
        position = {text: k for k, text in enumerate(categories)}
        lookup = np.array([position[text] for text in texts] + [-1], dtype=np.int32)
        codes = lookup[np.where(codes >= 0, codes, len(texts))]
    return pd.Categorical.from_codes(codes, categories=categories)


def _merged_texts(parts, column):
    """One list of texts and one code array for a column whose pieces number
    their texts each in its own order."""
    texts = list(dict.fromkeys(text for part in parts for text in part[column][0]))
    if len(parts) == 1:
        return texts, parts[0][column][1]
    position = {text: k for k, text in enumerate(texts)}
    codes = []
    for part in parts:
        part_texts, part_codes = part[column]
        lookup = np.array([position[text] for text in part_texts] + [-1], dtype=np.int32)
        codes.append(lookup[np.where(part_codes >= 0, part_codes, len(part_texts))])
    return texts, np.concatenate(codes)


def _joined(parts, column, axis=0):
    """A column's arrays of all pieces as one array; uncopied for one piece."""
    arrays = [part[column] for part in parts]
    return arrays[0] if len(arrays) == 1 else np.concatenate(arrays, axis=axis)


def _field_numbers(name, texts, codes, decimal_separator):
    """A varying field's numbers on each row: float64, N as a nullable integer."""
    numbers = _kaskad.field_numbers(texts, decimal_separator, name == "N")[codes]
    if name != "N":
        return numbers
    missing = np.isnan(numbers)
    return pd.arrays.IntegerArray(np.where(missing, 0, numbers).astype(np.int64), missing)


def _varying_columns(parts, decimal_separator):
    """The numbers and the texts of each varying field, by column name."""
    numbers, texts = {}, {}
    for v, (name, field_texts, _) in enumerate(parts[0]["varying"]):
        codes = np.concatenate([part["varying"][v][2] for part in parts]) if len(parts) > 1 else parts[0]["varying"][v][2]
        numbers[field_column(name)] = _field_numbers(name, field_texts, codes, decimal_separator)
        texts[field_column(name) + "_text"] = _categorical(field_texts, codes)
    return numbers, texts


def merged_parts(parts):
    """The rows of several pieces as one piece, in order; each piece may
    number the texts of its varying fields in its own order, as the chunks
    of an uncertainty study's samples do."""
    if len(parts) == 1:
        return parts[0]
    merged = dict(parts[0])
    varying = []
    for v, (name, _, _) in enumerate(parts[0]["varying"]):
        varying.append((name, *_merged_texts([{"texts": part["varying"][v][1:]} for part in parts], "texts")))
    merged["varying"] = varying
    for column in ("error_kind", "error_message"):
        merged[column] = _merged_texts(parts, column)
    for column in ("reactor", "bounds", "meets", "margin"):
        if column in merged:
            merged[column] = _joined(parts, column)
    merged["values"] = _joined(parts, "values", axis=1)
    return merged


def _used_texts(texts, codes):
    """Texts and codes keeping only the texts some row holds, numbered in the
    order the rows first hold them, as the rows' collector numbers them."""
    held = codes[codes >= 0]
    _, first = np.unique(held, return_index=True)
    used = held[np.sort(first)]
    lookup = np.full(len(texts) + 1, -1, dtype=np.int32)
    lookup[used] = np.arange(len(used), dtype=np.int32)
    return [texts[code] for code in used], lookup[np.where(codes >= 0, codes, len(texts))]


def _taken_rows(arrays, rows):
    """The arrays of the rows `rows` alone, in that order."""
    taken = dict(arrays)
    taken["varying"] = [(name, texts, codes[rows]) for name, texts, codes in arrays["varying"]]
    for column in ("error_kind", "error_message"):
        texts, codes = arrays[column]
        taken[column] = _used_texts(texts, codes[rows])
    for column in ("reactor", "bounds", "meets", "margin", "point"):
        if column in arrays:
            taken[column] = arrays[column][rows]
    taken["values"] = arrays["values"][:, rows]
    return taken


def best_points(parts, shape, best):
    """The rows of the `best` points of the largest margin, largest first,
    ties in point order, among the pieces of a sweep over a grid of `shape`,
    each piece holding the rows of its own best points."""
    place = [np.ravel_multi_index([codes for _, _, codes in part["varying"]], shape) if shape else
             np.zeros(len(part["reactor"]), np.int64) for part in parts]
    point = np.concatenate(place)
    arrays = merged_parts(parts)
    starts = np.flatnonzero(np.r_[True, point[1:] != point[:-1]]) if len(point) else point[:0]
    lengths = np.diff(np.r_[starts, len(point)])
    order = np.lexsort((point[starts], -arrays["margin"][starts]))[:best]
    first_row = np.repeat(starts[order], lengths[order])
    offset = np.arange(len(first_row)) - np.repeat(np.cumsum(lengths[order]) - lengths[order], lengths[order])
    return _taken_rows(arrays, first_row + offset)


def sweep_frame(parts, description):
    """The DataFrame of a sweep's rows from the arrays of its pieces, in point
    order. `description`: {"model", "decimal_separator", "fields": {name:
    text, or the list of texts of a varying field}}."""
    first = parts[0]
    columns = first["columns"]
    frame = pd.DataFrame(_joined(parts, "values", axis=1).T, columns=QUANTITIES, copy=False)
    numbers, texts = _varying_columns(parts, description["decimal_separator"])
    reactor = _joined(parts, "reactor")
    leading = {**numbers, "reactor": pd.arrays.IntegerArray(reactor, reactor == 0)}
    for position, (name, column) in enumerate(leading.items()):
        frame.insert(position, name, column)
    for column in ("error_kind", "error_message"):
        frame[column] = _categorical(*_merged_texts(parts, column))
    if "bounds" in first:
        bounds = _joined(parts, "bounds")
        for b, label in enumerate(columns[columns.index("error_message") + 1:-2]):
            frame[label] = pd.arrays.BooleanArray(bounds[:, b] == 1, bounds[:, b] < 0)
        frame[columns[-2]] = _joined(parts, "meets").astype(bool)
        frame[columns[-1]] = _joined(parts, "margin")
    for name, column in texts.items():
        frame[name] = column
    frame.attrs["kaskad"] = {key: description[key] for key in ("model", "decimal_separator", "fields")}
    return frame


def _csv_column(series):
    """A column as the CSV writer of _kaskad takes it: its kind and arrays."""
    dtype = series.dtype
    if dtype == np.float64:
        return ("number", series.to_numpy())
    if isinstance(dtype, pd.CategoricalDtype):
        return ("text", [str(text) for text in dtype.categories], series.cat.codes.to_numpy(np.int32))
    if pd.api.types.is_bool_dtype(dtype):
        values = series.to_numpy(np.int8, na_value=-1) if series.hasnans else series.to_numpy(np.int8)
        return ("boolean", values)
    if pd.api.types.is_integer_dtype(dtype):
        missing = series.isna().to_numpy(np.uint8)
        return ("integer", series.to_numpy(np.int64, na_value=0), missing)
    texts = ["" if pd.isna(value) else str(value) for value in series]
    return ("text", texts, np.arange(len(texts), dtype=np.int32))


def _field_text_columns(columns):
    """The fields of the model whose every field's text column a frame
    holds, all as columns (as fields="columns" gives them); None when none."""
    for model in _kaskad.MODELS:
        names = [name for name, _, _ in _kaskad.model_fields(model)]
        if all(field_column(name) + "_text" in columns for name in names):
            return {name: [] for name in names}
    return None


def _cli_columns(frame):
    """The frame's columns in kaskad-cli's order and form: every field's text
    first ("--N", ...), its numbers left out. A frame without Kaskad's attrs
    (pd.concat drops them) is written so when it holds every field's texts,
    otherwise with the columns it has."""
    info = frame.attrs.get("kaskad")
    fields = info["fields"] if info is not None else _field_text_columns(frame.columns)
    if fields is None:
        return [(str(name), frame[name]) for name in frame.columns]
    # The fixed fields' cells all take their one text: one array of codes serves them all.
    first_text = np.zeros(len(frame), np.int32)
    columns, field_columns = [], set()
    for name, text in fields.items():
        field_columns.update({field_column(name), field_column(name) + "_text"})
        if isinstance(text, str):
            columns.append(("--" + name, ("text", [text], first_text)))
            continue
        if field_column(name) + "_text" not in frame:
            raise ValueError(f"the frame lacks the column {field_column(name)}_text, the texts of the field {name}")
        columns.append(("--" + name, frame[field_column(name) + "_text"]))
    columns += [(str(name), frame[name]) for name in frame.columns if name not in field_columns]
    return columns


def to_csv(frame, path_or_buffer=None, header=True):
    """A frame of sweep() or runs() as kaskad-cli sweep ... --format csv
    writes it, header (unless header=False) and rows, the values printed
    with Kaskad's digits: the text, or with `path_or_buffer` (a path, or a
    writable file object, text or binary) written there a block of rows at a
    time, the memory taken not growing with the rows. A frame that lost its
    attrs["kaskad"] is written with the columns it has. A study's Dataset
    (open_study()) or any selection of it gives the rows of its points,
    made piece by piece."""
    from ._zarr import is_study, study_csv
    if is_study(frame):
        return _written_pieces(study_csv(frame, header), path_or_buffer)
    columns = _cli_columns(frame)
    names = [name for name, _ in columns]
    cells = [column if isinstance(column, tuple) else _csv_column(column) for _, column in columns]
    if path_or_buffer is None:
        text = _kaskad.csv_text(names, cells, len(frame))
        return text if header else text[text.index("\n") + 1:]
    _kaskad.write_csv(names, cells, len(frame), flag(header, "header"), *csv_target(path_or_buffer))


def _written_pieces(pieces, path_or_buffer):
    """The pieces of a text joined, or written one by one to a path or a
    file object (text or binary)."""
    if path_or_buffer is None:
        return "".join(pieces)
    if hasattr(path_or_buffer, "write"):
        text = isinstance(path_or_buffer, io.TextIOBase)
        for piece in pieces:
            path_or_buffer.write(piece if text else piece.encode("utf-8"))
        return None
    with open(path_or_buffer, "w", encoding="utf-8", newline="") as file:
        for piece in pieces:
            file.write(piece)
    return None


def csv_target(path_or_buffer):
    """Where a CSV goes, as the writers of _kaskad take it: a path as a str,
    or a file object and whether it takes str rather than bytes."""
    if hasattr(path_or_buffer, "write"):
        return path_or_buffer, isinstance(path_or_buffer, io.TextIOBase)
    return os.fspath(path_or_buffer), False


def _text_codes(texts, empty_is_missing=True):
    """A column of texts as (distinct texts in order of appearance, codes);
    "" is missing, or a text of its own."""
    codes, uniques = pd.factorize(texts, sort=False)
    uniques = list(uniques)
    if empty_is_missing and "" in uniques:
        empty = uniques.index("")
        codes = np.where(codes == empty, -1, np.where(codes > empty, codes - 1, codes))
        uniques.pop(empty)
    return uniques, codes.astype(np.int32)


@contextlib.contextmanager
def _source_paths(path_or_glob):
    """The files read_csv reads, in order (see csv_sources); a file-like
    object is copied to a temporary file for the reader, and removed after."""
    from ._csv_folder import csv_sources
    sources = csv_sources(path_or_glob)
    if not any(hasattr(source, "read") for source in sources):
        yield sources
        return
    with tempfile.TemporaryDirectory(prefix="kaskad-read-") as folder:
        paths = []
        for k, source in enumerate(sources):
            if not hasattr(source, "read"):
                paths.append(source)
                continue
            paths.append(os.path.join(folder, f"{k}.csv"))
            with open(paths[-1], "wb") as file:
                while piece := source.read(1 << 20):
                    file.write(piece.encode("utf-8") if isinstance(piece, str) else piece)
        yield paths


def read_csv(path_or_glob, decimal_separator="."):
    """A frame of kaskad-cli's sweep CSV (or to_csv's): a path, a glob read
    in name order, a list of paths or a file-like object; or a study's
    folder of parts (sweep(..., to=DIR)), whole only: a folder or a glob
    over it missing a part of its manifest is refused. A part that repeats
    the header has it skipped. The frame is the one sweep() gave.

    The files are parsed in C++ a block at a time straight into the frame's
    arrays; each number by the round trip of the writers' digits: a stored
    single comes back exactly, a stored double as the double nearest its 15
    digits, and to_csv() of the frame gives the same bytes. A field is
    varying when its column holds more than one text."""
    with _source_paths(path_or_glob) as paths:
        arrays = _kaskad.read_sweep_csv(paths)
    fields, varying = {}, []
    for name, texts, codes in arrays.pop("fields"):
        if codes is None:
            fields[name] = texts[0] if texts else ""
        else:
            fields[name] = texts
            varying.append((name, texts, codes))
    arrays["varying"] = varying
    model = arrays.pop("model")
    return sweep_frame([arrays], {"model": model, "decimal_separator": decimal_separator, "fields": fields})


#: Bytes a frame holds per row beyond the varying fields: twelve float64
#: values, the reactor (int32 and its mask), the error columns' codes.
BYTES_PER_ROW = 12 * 8 + 5 + 2 * 2
#: Bytes per row of each varying field: its number and its text's code.
BYTES_PER_VARYING_FIELD = 8 + 2
#: Bytes per row of the criterion's columns (per bound a flag and its mask).
BYTES_OF_CRITERION = 9 + 5 * 2


def frame_bytes(rows, varying_fields, criterion):
    """About the bytes a sweep frame of `rows` rows holds."""
    per_row = BYTES_PER_ROW + varying_fields * BYTES_PER_VARYING_FIELD + (BYTES_OF_CRITERION if criterion else 0)
    return rows * per_row


def available_memory():
    """The bytes of memory the system can still give, from /proc/meminfo; None where it cannot tell."""
    try:
        with open("/proc/meminfo") as meminfo:
            for line in meminfo:
                if line.startswith("MemAvailable:"):
                    return int(line.split()[1]) * 1024
    except OSError:
        pass
    return None
