# Studies written to disk on one machine: Zarr stores read back bit for bit
# and as kaskad-cli's CSV, resumed chunk by chunk, refused when they hold
# another study; CSV folders with their manifest, and read_csv's inputs.
import io
import json
import os

import numpy as np
import pandas as pd
import pytest

import kaskad
from conftest import run_cli

BUBBLE = dict(N="3;30", wg="0:0.1:0.005", t="430;433;436;440", dtr="1;2")  # 336 points, failures among them
GASLIFT = dict(N="1:12:1", t="440:460:5", ts="1800:3600:600")              # 240 points


def cli_sweep(model, fields, options=()):
    """kaskad-cli sweep's CSV of the fields, the others at the module's defaults."""
    texts = {name: "" if value is None else str(value) for name, value in kaskad._FIELD_DEFAULTS[model].items()}
    arguments = [item for name, text in {**texts, **fields}.items() for item in ("--" + name, text)]
    return run_cli("sweep", model, *arguments, *options, "--format", "csv")


def assert_same_lines(text, expected):
    """The same text, a differing line shown alone (a whole sweep's diff would take minutes)."""
    lines, expected_lines = text.splitlines(keepends=True), expected.splitlines(keepends=True)
    differing = next((k for k, pair in enumerate(zip(lines, expected_lines)) if pair[0] != pair[1]), None)
    assert differing is None, (differing, lines[differing], expected_lines[differing])
    assert len(lines) == len(expected_lines)


def assert_same_bits(stored, expected):
    """Stored values, widened, against the frame's: equal, NaN where it is NaN, zeros of the same sign."""
    stored = np.asarray(stored, dtype=np.float64)
    np.testing.assert_array_equal(stored, expected)
    np.testing.assert_array_equal(np.signbit(stored), np.signbit(expected))


def frame_values(ds, frame, quantity):
    """The frame's values of a quantity at the places of the store's array, NaN where the frame has no row."""
    dims = [dim for dim in ds[quantity].dims if dim != "reactor"]
    rows = frame.dropna(subset=["reactor"]) if "reactor" in ds.dims else frame
    index = [pd.Index(ds[dim].values).get_indexer(rows[dim].to_numpy(np.float64)) for dim in dims]
    expected = np.full(ds[quantity].shape, np.nan)
    if "reactor" in ds.dims:
        index.append(rows["reactor"].to_numpy(np.int64) - 1)
    expected[tuple(index)] = rows[quantity].to_numpy()
    return expected


@pytest.mark.parametrize("model,fields,options,chunks,points", [
    ("bubble", BUBBLE, {}, 5, 336),
    ("bubble", BUBBLE, {"outlet": True, "criterion": True}, 7, 336),
    ("gaslift", GASLIFT, {"criterion": True}, 1, 240),
], ids=["bubble_every_reactor", "bubble_outlet_criterion", "gaslift_criterion_one_chunk"])
def test_a_zarr_study_holds_the_sweeps_values_and_gives_the_cli_csv(tmp_path, model, fields, options, chunks, points):
    written = kaskad.sweep(model, to=tmp_path / "study.zarr", chunks=chunks, jobs=2, **options, **fields)
    assert (written.points, written.computed) == (points, written.chunks)
    ds = kaskad.open_study(written.path)
    frame = kaskad.sweep(model, **options, **fields)
    dims = [kaskad._frame.field_column(name) for name in fields] + ([] if options.get("outlet") else ["reactor"])
    assert ds["y1"].dims == tuple(dims)
    for quantity in kaskad.QUANTITIES:
        assert_same_bits(ds[quantity].values, frame_values(ds, frame, quantity))
    options_cli = [f"--{name}" for name in options]
    assert_same_lines(kaskad.to_csv(ds), cli_sweep(model, fields, options_cli))
    first = list(fields)[1]
    dim = kaskad._frame.field_column(first)
    picked = ds.isel({dim: slice(2, 5)})
    assert_same_lines(kaskad.to_csv(picked), cli_sweep(model, {**fields, first: ";".join(picked[dim + "_text"].values)},
                                                       options_cli))


def test_a_study_resumes_computing_only_its_missing_chunks(tmp_path):
    path = tmp_path / "study.zarr"
    first = kaskad.sweep("bubble", to=path, chunks=6, outlet=True, **BUBBLE)
    expected = kaskad.to_csv(kaskad.open_study(path))
    record = path / "kaskad" / "complete"
    os.remove(record / "3")
    with pytest.raises(ValueError, match="5 of its 6 chunks"):
        kaskad.open_study(path)
    again = kaskad.sweep("bubble", to=path, chunks=2, outlet=True, **BUBBLE)
    assert (again.chunks, again.computed) == (first.chunks, 1)
    assert kaskad.to_csv(kaskad.open_study(path)) == expected
    assert kaskad.sweep("bubble", to=path, outlet=True, **BUBBLE).computed == 0


@pytest.mark.parametrize("second,there,here", [
    (dict(fields=dict(BUBBLE, wg="0.1:0.3:0.1")), "wg=0..0.1 (21 values)", "wg=0.1..0.3 (3 values)"),
    (dict(outlet=False), "outlet", "every reactor"),
    (dict(model="gaslift"), "bubble", "gaslift"),
], ids=["other_points", "other_rows", "other_model"])
def test_a_store_of_another_study_is_refused_naming_both(tmp_path, second, there, here):
    path = tmp_path / "study.zarr"
    kaskad.sweep("bubble", to=path, outlet=True, **BUBBLE)
    call = dict(model="bubble", outlet=True, fields=BUBBLE) | second
    with pytest.raises(kaskad.UsageError) as refused:
        kaskad.sweep(call["model"], to=path, outlet=call["outlet"], **call["fields"])
    assert there in str(refused.value) and here in str(refused.value)


def test_a_folder_of_other_files_is_never_taken_for_a_study(tmp_path):
    (tmp_path / "notes.txt").write_text("mine")
    with pytest.raises(kaskad.UsageError, match="holds no Kaskad study"):
        kaskad.sweep("bubble", to=tmp_path, **BUBBLE)
    assert os.listdir(tmp_path) == ["notes.txt"]


def test_a_csv_folder_has_a_manifest_and_parts_readable_alone(tmp_path):
    written = kaskad.sweep("bubble", to=tmp_path, chunks=4, criterion=True, **BUBBLE)
    manifest = json.loads((tmp_path / "kaskad-study.json").read_text())
    assert manifest["complete"] and manifest["definition"]["fields"]["wg"][:2] == ["0", "0.005"]
    pieces = [open(path, encoding="utf-8").read() for path in written.paths]
    parts = [kaskad.read_csv(path) for path in written.paths]
    assert [part["rows"] for part in manifest["parts"]] == [len(part) for part in parts]
    assert [kaskad.to_csv(part) for part in parts] == pieces
    cli = cli_sweep("bubble", BUBBLE, ["--criterion"])
    assert_same_lines(pieces[0] + "".join(piece[piece.index("\n") + 1:] for piece in pieces[1:]), cli)
    assert kaskad.sweep("bubble", to=tmp_path, criterion=True, **BUBBLE).computed == 0


@pytest.mark.parametrize("given", [
    lambda d: d,
    lambda d: os.path.join(d, "part-*.csv"),
    lambda d: sorted(os.path.join(d, name) for name in os.listdir(d) if name.endswith(".csv")),
    lambda d: io.StringIO(kaskad.to_csv(kaskad.read_csv(d))),
], ids=["folder", "glob", "list", "file_like"])
def test_read_csv_takes_a_folder_glob_list_or_file_like(tmp_path, given):
    kaskad.sweep("gaslift", to=tmp_path, chunks=3, **GASLIFT)
    pd.testing.assert_frame_equal(kaskad.read_csv(given(str(tmp_path))), kaskad.sweep("gaslift", **GASLIFT))


def test_read_csv_refuses_an_incomplete_folder(tmp_path):
    written = kaskad.sweep("gaslift", to=tmp_path, chunks=3, **GASLIFT)
    os.remove(written.paths[1])
    for given in (tmp_path, tmp_path / "part-*.csv"):
        with pytest.raises(ValueError, match="2 of its 3 parts"):
            kaskad.read_csv(given)
    manifest = json.loads((tmp_path / "kaskad-study.json").read_text())
    assert len(kaskad.read_csv(written.paths[2])) == manifest["parts"][2]["rows"]


def test_a_study_of_one_point_holds_its_run(tmp_path):
    kaskad.sweep("bubble", N=3, to=tmp_path / "one.zarr")
    assert kaskad.to_csv(kaskad.open_study(tmp_path / "one.zarr")) == kaskad.to_csv(kaskad.sweep("bubble", N=3))


# A design of experiments: N varies, and wg=0 fails its point.
DESIGN = pd.DataFrame({"wg": [0.03, 0.05, 0, 0.07, 0.05, 0.04], "N": [3, 30, 4, 3, 2, 12]})


def design_values(ds, frame, quantity):
    """The runs' values of a quantity at the places of the store's array, NaN where the frame has no row."""
    rows = frame.dropna(subset=["reactor"]) if "reactor" in ds.dims else frame
    place = (pd.Index(ds["point"].values).get_indexer(rows.index),)
    if "reactor" in ds.dims:
        place += (rows["reactor"].to_numpy(np.int64) - 1,)
    expected = np.full(ds[quantity].shape, np.nan)
    expected[place] = rows[quantity].to_numpy()
    return expected


@pytest.mark.parametrize("options,index", [
    ({}, [10, 20, 30, 40, 50, 60]),
    ({"outlet": True, "criterion": True}, list("abcdef")),
], ids=["every_reactor_numbered_points", "outlet_criterion_named_points"])
def test_a_design_in_a_zarr_store_is_its_runs_bit_for_bit(tmp_path, options, index):
    design = DESIGN.set_axis(index)
    written = kaskad.runs("bubble", design, to=tmp_path / "design.zarr", chunks=4, jobs=2, **options)
    assert (written.points, written.computed) == (6, written.chunks)
    ds = kaskad.open_study(written.path)
    frame = kaskad.runs("bubble", design, **options)
    assert list(ds["point"].values) == index
    assert list(ds["wg_text"].values) == ["0.03", "0.05", "0", "0.07", "0.05", "0.04"]
    for quantity in kaskad.QUANTITIES:
        assert_same_bits(ds[quantity].values, design_values(ds, frame, quantity))
    assert kaskad.to_csv(ds) == kaskad.to_csv(frame)
    assert kaskad.to_csv(ds.isel(point=slice(1, 4))) == kaskad.to_csv(kaskad.runs("bubble", design.iloc[1:4],
                                                                                   **options))


@pytest.mark.parametrize("second,there,here", [
    (lambda path: kaskad.runs("bubble", DESIGN.assign(wg=[0.03, 0.05, 0, 0.07, 0.06, 0.04]), to=path, outlet=True),
     "wg=0.03..0.04 (5 values, ", "wg=0.03..0.04 (6 values, "),
    (lambda path: kaskad.sweep("bubble", to=path, outlet=True, wg="0.03;0.05", N="3;30"),
     "a design of 6 points", "a sweep's grid here"),
], ids=["other_values", "a_sweep"])
def test_a_design_store_resumes_and_refuses_another_study(tmp_path, second, there, here):
    path = tmp_path / "design.zarr"
    kaskad.runs("bubble", DESIGN, to=path, chunks=3, outlet=True)
    expected = kaskad.to_csv(kaskad.open_study(path))
    os.remove(path / "kaskad" / "complete" / "1")
    assert kaskad.runs("bubble", DESIGN, to=path, outlet=True).computed == 1
    assert kaskad.to_csv(kaskad.open_study(path)) == expected
    with pytest.raises(kaskad.UsageError) as refused:
        second(path)
    assert there in str(refused.value) and here in str(refused.value)
