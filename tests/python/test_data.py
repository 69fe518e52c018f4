# The module in data work: results that pickle, any set of points, xarray,
# Kaskad's CSV read back, progress, and sweeps refused before they outgrow memory.
import copy
import pickle
from fractions import Fraction

import numpy as np
import pandas as pd
import pytest

import kaskad
from conftest import run_cli


@pytest.mark.parametrize("make", [
    lambda: kaskad.bubble(N=3),
    lambda: kaskad.gaslift(N=2, wg=0),
    lambda: kaskad.bubble(N=3).reactors[2],
    lambda: kaskad.optimize("bubble", N=3, wg=(0.03, 0.06), max_evals=40),
], ids=["run", "failed_run", "reactor", "optimize_result"])
def test_results_pickle_and_deep_copy(make):
    result = make()
    for copied in (pickle.loads(pickle.dumps(result)), copy.deepcopy(result)):
        assert type(copied) is type(result) and repr(copied) == repr(result)
        if isinstance(result, kaskad.Run):
            assert copied.reactors == result.reactors and copied.pane_text("y1") == result.pane_text("y1")


def test_an_error_keeps_its_class_and_run_through_pickle():
    with pytest.raises(kaskad.EZeroDivide) as raised:
        kaskad.bubble(N=3, wg=0, raise_on_error=True)
    copied = pickle.loads(pickle.dumps(raised.value))
    assert type(copied) is kaskad.EZeroDivide and str(copied) == str(raised.value)
    assert copied.run.error == raised.value.run.error


def test_runs_of_any_points_are_their_single_runs():
    points = pd.DataFrame({"wg": np.linspace(0.03, 0.06, 4), "t_in": [433, 440, 436, 433], "N": [2, 3, 2, 4]})
    frame = kaskad.runs("bubble", points, ts=1800, jobs=2)
    assert list(frame["wg_text"].astype(str)) == [t for t, n in zip(["0.03", "0.04", "0.05", "0.06"], [2, 3, 2, 4])
                                                  for _ in range(n)]
    rows = frame.groupby(["wg", "t_in", "N"], sort=False)
    for (wg, t, n), group in rows:
        run = kaskad.bubble(N=int(n), wg=wg, t=t, ts=1800)
        texts = [[kaskad.number_text(v) for v in group[q]] for q in kaskad.QUANTITIES]
        assert texts == [[run.text(q, r) for r in range(1, int(n) + 1)] for q in kaskad.QUANTITIES]
    assert frame.attrs["kaskad"]["fields"]["ts"] == "1800"


def test_an_array_field_runs_each_element_with_its_own_widths_shortest_text():
    frame = kaskad.bubble(N=2, wg=np.array([0.05, 0.07], dtype=np.float32))
    assert list(frame["wg_text"].astype(str)) == ["0.05", "0.05", "0.07", "0.07"]
    assert kaskad.to_csv(frame) == kaskad.to_csv(kaskad.sweep("bubble", N=2, wg="0.05;0.07"))


def test_xarray_has_a_dimension_per_swept_field_and_the_reactors():
    ds = kaskad.sweep("bubble", N=3, wg="0.03:0.05:0.01", t=[433, 435], criterion=True, as_xarray=True)
    assert dict(ds.sizes) == {"wg": 3, "t_in": 2, "reactor": 3}
    assert list(ds["wg_text"].values) == ["0.03", "0.04", "0.05"] and list(ds["reactor"].values) == [1, 2, 3]
    assert ds["t"].attrs["units"] == "K" and ds["outlet_meets_criterion"].dims == ("wg", "t_in")
    notes = {row["name"]: row["note"] for row in kaskad.QUANTITY_TABLE}
    assert all(ds[q].attrs["long_name"] == notes[q] for q in kaskad.QUANTITIES)
    assert [q for q in kaskad.QUANTITIES if "units" in ds[q].attrs] == ["t"]
    frame = kaskad.sweep("bubble", N=3, wg="0.03:0.05:0.01", t=[433, 435])
    assert ds["y2"].sel(wg=0.04, t_in=435.0, reactor=2).item() == frame.query("wg == 0.04 and t_in == 435")["y2"].iloc[1]
    outlet = kaskad.sweep("bubble", N=3, wg="0.03:0.05:0.01", outlet=True).kaskad.to_xarray()
    assert dict(outlet.sizes) == {"wg": 3} and list(outlet["reactor"].values) == [3, 3, 3]


def test_read_csv_gives_the_sweeps_frame_and_its_bytes(tmp_path):
    frame = kaskad.sweep("gaslift", N="1;12", wg="0:0.1:0.02", t="440;455", criterion=True)
    path = tmp_path / "sweep.csv"
    path.write_text(kaskad.to_csv(frame), encoding="utf-8")
    read = kaskad.read_csv(path)
    assert kaskad.to_csv(read) == kaskad.to_csv(frame)
    singles = ["y1", "y2", "y3", "y4", "y5", "y6", "t", "P"]
    pd.testing.assert_frame_equal(read.drop(columns=singles), frame.drop(columns=singles), check_exact=False,
                                  rtol=1e-15)
    pd.testing.assert_frame_equal(read[singles], frame[singles], check_exact=True)


def test_progress_reaches_every_point():
    seen = []
    kaskad.sweep("bubble", N=2, wg="0.01:0.05:0.01", progress=lambda done, total: seen.append((done, total)))
    assert seen[-1] == (5, 5)


def test_a_frame_that_would_not_fit_is_refused_before_computing(monkeypatch):
    monkeypatch.setattr(kaskad, "available_memory", lambda: 10**6)
    with pytest.raises(MemoryError, match="kaskad.open_study"):
        kaskad.sweep("bubble", wg="0.001:1:0.001")
    assert len(kaskad.sweep("bubble", N=1, wg="0.01;0.02")) == 2


def test_the_readmes_example_runs_as_a_script(capsys):
    import os
    import re
    readme = open(os.path.join(os.path.dirname(__file__), "..", "..", "README.md"), encoding="utf-8").read()
    example = re.search(r"## Python\n.*?```python\n(.*?)```", readme, re.S).group(1)
    exec(compile(example, "README.md", "exec"), {})
    import pandas
    pandas.reset_option("display.float_format")
    assert "1.55393481254578" in capsys.readouterr().out


def test_a_pickled_run_keeps_its_values_and_the_version_that_made_them(monkeypatch):
    run = kaskad.gaslift(N=2, wg=0)
    run.version = "0.9"  # as if made by an older version
    data = pickle.dumps(run)
    monkeypatch.setattr(kaskad._kaskad, "run", None)  # nothing may run it again
    copied = pickle.loads(data)
    assert copied.version == "0.9" and copied.error == run.error and copied.reactors == run.reactors
    assert copied.input_values == run.input_values and copied.pane_text("y1") == run.pane_text("y1")


@pytest.mark.parametrize("points,message", [
    (pd.DataFrame({"wg": [0.05, None]}), "wg: the point in row 1 holds nan, not a field value"),
    (pd.DataFrame({"wg": pd.array([0.05, pd.NA], dtype="Float64")}), "wg: the point in row 1 holds <NA>"),
    ({"wg": ["0.05", None]}, "wg: the point in row 1 holds None"),
    (pd.DataFrame({"wg": pd.to_datetime(["2020-01-01"])}), "wg: datetime64[ns] values are not field values"),
    ({"wg": [Fraction(1, 20)]}, "wg: Fraction Fraction(1, 20) is not a field value"),
    ({"t": [433], "t_in": [440]}, "t and t_in both give the field t"),
    ({"wg": []}, "wg: the points hold no value"),
    (pd.DataFrame({"wg": []}), "wg: the points hold no value"),
], ids=["nan", "pandas_na", "none", "datetime", "fraction", "t_and_t_in", "empty_list", "empty_frame"])
def test_points_that_cannot_run_are_refused_naming_their_field(points, message):
    with pytest.raises(kaskad.UsageError) as raised:
        kaskad.runs("bubble", points, N=2)
    assert str(raised.value).startswith(message)


def test_runs_keep_the_points_index():
    design = pd.DataFrame({"wg": [0.05, 0.06, 0]}, index=[10, 20, 30])  # wg=0 fails before any reactor
    assert list(kaskad.runs("bubble", design, N=2, outlet=True).index) == [10, 20, 30]
    assert list(kaskad.runs("bubble", design, N=2).index) == [10, 10, 20, 20, 30]


def test_fields_as_columns_keep_every_row_apart_through_concat():
    parts = [kaskad.sweep("bubble", N=2, y10=y10, wg="0.05;0.06", outlet=True, fields="columns")
             for y10 in (3, 3.5)]
    assert list(parts[0].columns[:8]) == ["N", "y10", "y50", "wg", "t_in", "dtr", "d", "ts"]
    joined = pd.concat(parts, ignore_index=True)
    assert list(joined["y10"]) == [3, 3, 3.5, 3.5] and list(joined["y10_text"]) == ["3", "3", "3.5", "3.5"]
    cli = run_cli("sweep", "bubble", "--N", "2", "--y10", "3;3.5", "--y50", "2.5", "--wg", "0.05;0.06", "--t", "433",
                  "--dtr", "2", "--d", "3", "--ts", "3600", "--outlet", "--format", "csv")
    assert kaskad.to_csv(joined) == cli
    assert kaskad.to_csv(parts[0]) == cli[:cli.index("\n2,3.5,")] + "\n"


def test_read_csv_reads_quoted_texts_and_parts_with_or_without_their_header(tmp_path):
    frame = kaskad.sweep("bubble", N="2;30", y50="2,5", wg="0,03;0,04", decimal_separator=",", criterion=True)
    text = kaskad.to_csv(frame)
    lines = text.splitlines(keepends=True)
    parts = [lines[0] + "".join(lines[1:3]), "".join(lines[3:6]), lines[0] + "".join(lines[6:])]
    paths = []
    for k, part in enumerate(parts):
        paths.append(tmp_path / f"part-{k}.csv")
        paths[-1].write_text(part, encoding="utf-8")
    read = kaskad.read_csv(paths, decimal_separator=",")
    assert kaskad.to_csv(read) == text and list(read["wg_text"].astype(str)[:2]) == ["0,03", "0,03"]
    pd.testing.assert_frame_equal(read[["N", "wg", "reactor", "y1", "error_kind"]],
                                  frame[["N", "wg", "reactor", "y1", "error_kind"]], check_exact=True)


HEADER = ("--N,--y10,--y50,--wg,--t,--dtr,--d,--ts,reactor,y1,y2,y3,y4,y5,y6,GB,WB,ALFA,ALPE,t,P,error_kind,"
          "error_message\n")
ROW = "3,3,2.5,0.05,433,2,3,3600,1," + ",".join(["1.5"] * 12) + ",,\n"


@pytest.mark.parametrize("text,message", [
    ("a,b\n1,2\n", "not a sweep's CSV of kaskad-cli: its first columns are not --N, --y10"),
    (HEADER.replace("reactor,", ""), "not a sweep's CSV of kaskad-cli: its columns after the fields are not reactor"),
    (HEADER + ROW + "3,3\n", "line 3 has 2 cells, not 23"),
    (HEADER + ROW.replace("1,1.5,", "1,x,", 1), "line 2: 'x' is not a number of Kaskad's CSV"),
    ("", "the file "),
], ids=["other_columns", "no_reactor", "short_line", "not_a_number", "empty"])
def test_read_csv_refuses_what_is_no_sweep_saying_where(tmp_path, text, message):
    path = tmp_path / "sweep.csv"
    path.write_text(text, encoding="utf-8")
    with pytest.raises(ValueError) as raised:
        kaskad.read_csv(path)
    assert str(raised.value).startswith(message)
