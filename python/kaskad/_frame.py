"""A sweep's rows as a pandas DataFrame, from the arrays of one or more
contiguous pieces of the sweep, and the frame written back as kaskad-cli's CSV."""

import numpy as np
import pandas as pd

from . import _kaskad


def _categorical(texts, codes):
    """Codes into texts as a categorical column; the categories are the
    distinct texts in the order they first appear, -1 is missing."""
    categories = list(dict.fromkeys(texts))
    if len(categories) == len(texts):
        return pd.Categorical.from_codes(codes, categories=categories)
    position = {text: k for k, text in enumerate(categories)}
    lookup = np.fromiter((position[text] for text in texts), dtype=np.int32, count=len(texts))
    codes = np.asarray(codes)
    mapped = np.where(codes >= 0, lookup[np.clip(codes, 0, None)] if len(lookup) else -1, -1)
    return pd.Categorical.from_codes(mapped.astype(np.int32), categories=categories)


def _merged_texts(parts, column):
    """One list of texts and one code array for a column whose pieces number
    their texts each in its own order."""
    texts = list(dict.fromkeys(text for part in parts for text in part[column][0]))
    position = {text: k for k, text in enumerate(texts)}
    codes = []
    for part in parts:
        part_texts, part_codes = part[column]
        lookup = np.array([position[text] for text in part_texts] + [-1], dtype=np.int32)
        codes.append(lookup[np.where(part_codes >= 0, part_codes, len(part_texts))])
    return texts, np.concatenate(codes) if codes else np.empty(0, np.int32)


def _joined(parts, column, axis=0):
    """A column's arrays of all pieces as one array; uncopied for one piece."""
    arrays = [part[column] for part in parts]
    return arrays[0] if len(arrays) == 1 else np.concatenate(arrays, axis=axis)


def sweep_frame(parts):
    """The DataFrame of a sweep from the arrays of its pieces, in point order."""
    first = parts[0]
    columns = first["columns"]
    # The float columns first, as one block taken over without a copy.
    frame = pd.DataFrame(_joined(parts, "values", axis=1).T, columns=list(_kaskad.QUANTITIES), copy=False)
    leading = {}
    for f, name in enumerate(columns[:len(first["fields"])]):
        texts = first["fields"][f][0]
        codes = first["fields"][f][1] if len(parts) == 1 else np.concatenate([part["fields"][f][1] for part in parts])
        leading[name] = _categorical(texts, codes)
    reactor = _joined(parts, "reactor")
    leading["reactor"] = pd.arrays.IntegerArray(reactor, reactor == 0)
    for position, (name, column) in enumerate(leading.items()):
        frame.insert(position, name, column)
    for column in ("error_kind", "error_message"):
        frame[column] = _categorical(*_merged_texts(parts, column))
    if "bounds" in first:
        bounds = _joined(parts, "bounds")
        for b, label in enumerate(columns[len(frame.columns):-2]):
            frame[label] = pd.arrays.BooleanArray(bounds[:, b] == 1, bounds[:, b] < 0)
        frame["meets_criterion"] = _joined(parts, "meets").astype(bool)
        frame["criterion_margin"] = _joined(parts, "margin")
    assert list(frame.columns) == columns
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


def to_csv(frame):
    """The CSV text of a sweep's frame: header and rows as kaskad-cli sweep
    ... --format csv writes them, the values printed with Kaskad's digits."""
    names = [str(name) for name in frame.columns]
    columns = [_csv_column(frame[name]) for name in frame.columns]
    return _kaskad.csv_text(names, columns, len(frame))
