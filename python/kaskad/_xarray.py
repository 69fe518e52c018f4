"""A sweep's frame as an xarray Dataset, and the frame accessor
frame.kaskad.to_xarray()."""

import numpy as np
import pandas as pd

from . import _kaskad
from ._frame import QUANTITIES, field_column

#: The unit of the field t, the first reactor's temperature; the model fixes
#: no other field's.
FIELD_UNITS = {"t_in": "K"}


def _dimensions(info):
    return [field_column(name) for name, texts in info["fields"].items() if not isinstance(texts, str)]


def _plain(column):
    """A column as numpy: a nullable integer as int64 (float64 where one is
    missing), a categorical or nullable bool as objects."""
    dtype = column.dtype
    if isinstance(dtype, pd.CategoricalDtype) or pd.api.types.is_bool_dtype(dtype) and column.hasnans:
        return column.astype(object).to_numpy()
    if pd.api.types.is_extension_array_dtype(dtype) and pd.api.types.is_integer_dtype(dtype):
        return column.to_numpy(np.int64) if not column.hasnans else column.to_numpy(np.float64, na_value=np.nan)
    return column.to_numpy()


def _table(rows, index, names):
    """The columns `names` of the rows indexed by `index`, as a Dataset."""
    import xarray as xr
    table = pd.DataFrame({name: _plain(rows[name]) for name in index + names})
    if not index:
        return xr.Dataset({name: ((), table[name].iloc[0]) for name in names})
    if table.duplicated(index).any():
        raise ValueError("two rows share the same field numbers: give each varying field distinct values")
    return table.set_index(index).to_xarray()


def _point_columns(frame):
    """The columns that belong to a point rather than a reactor: its error and the criterion's verdict."""
    start = list(frame.columns).index("error_kind")
    return [name for name in frame.columns[start:] if not str(name).endswith("_text")]


def _text_coordinates(ds, frame, dims):
    """Each varying field's exact texts beside its numbers."""
    for dim in dims:
        pairs = frame.drop_duplicates(dim)
        texts = dict(zip(_plain(pairs[dim]), pairs[dim + "_text"].astype(str)))
        ds = ds.assign_coords({dim + "_text": (dim, [texts.get(value, "") for value in ds[dim].values])})
    return ds


def dataset(frame):
    info = frame.attrs.get("kaskad")
    if info is None:
        raise ValueError("to_xarray takes a frame of kaskad.sweep, kaskad.runs or kaskad.read_csv "
                         "(its attrs['kaskad'] is missing)")
    dims = _dimensions(info)
    per_reactor = bool(frame.duplicated(dims).any()) if dims else len(frame) > 1
    if per_reactor:
        ds = _table(frame.dropna(subset=["reactor"]), dims + ["reactor"], QUANTITIES)
    else:
        ds = _table(frame, dims, ["reactor"] + QUANTITIES)
    ds = ds.merge(_table(frame.drop_duplicates(dims) if dims else frame.iloc[:1], dims, _point_columns(frame)))
    ds = _text_coordinates(ds, frame, dims)
    for name, _, meaning in _kaskad.model_fields(info["model"]):
        if field_column(name) in ds.coords:
            ds[field_column(name)].attrs["long_name"] = meaning
    for name, unit in FIELD_UNITS.items():
        if name in ds.variables:
            ds[name].attrs["units"] = unit
    # Each quantity's meaning and unit, where the model fixes one, from its quantity table.
    for quantity in _kaskad.QUANTITY_TABLE:
        if quantity["name"] in ds.data_vars:
            ds[quantity["name"]].attrs["long_name"] = quantity["note"]
            if quantity["unit"] is not None:
                ds[quantity["name"]].attrs["units"] = quantity["unit"]
    ds.attrs.update({"model": info["model"], "decimal_separator": info["decimal_separator"]})
    ds.attrs.update({name: text for name, text in info["fields"].items() if isinstance(text, str)})
    return ds


@pd.api.extensions.register_dataframe_accessor("kaskad")
class KaskadAccessor:
    """frame.kaskad: Kaskad's conversions of a sweep's frame."""

    def __init__(self, frame):
        self._frame = frame

    def to_xarray(self):
        """The frame as an xarray Dataset: see kaskad.to_xarray."""
        return dataset(self._frame)

    def to_csv(self, path_or_buffer=None, header=True):
        """The frame as kaskad-cli's CSV: see kaskad.to_csv."""
        from ._frame import to_csv
        return to_csv(self._frame, path_or_buffer, header=header)
