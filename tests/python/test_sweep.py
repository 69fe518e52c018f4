# Sweeps through the module: the frame is kaskad-cli's CSV row for row and
# digit for digit, failed points included, whatever the threads.
import math

import numpy as np
import pandas as pd
import pytest

import kaskad
from conftest import run_cli

# (id, model, fields as kaskad-cli options, options of both)
SWEEPS = [
    ("bubble_336_points_with_failures", "bubble",
     {"N": "3;30", "y10": "3", "y50": "2.5", "wg": "0:0.1:0.005", "t": "430;433;436;440", "dtr": "1;2", "d": "3",
      "ts": "3600"}, {}),
    ("bubble_336_points_outlet_criterion", "bubble",
     {"N": "3;30", "y10": "3", "y50": "2.5", "wg": "0:0.1:0.005", "t": "430;433;436;440", "dtr": "1;2", "d": "3",
      "ts": "3600"}, {"outlet": True, "criterion": True}),
    ("gaslift_240_points_criterion", "gaslift",
     {"N": "1:12:1", "y10": "3", "y50": "2", "wg": "0.05", "t": "440:460:5", "dtr": "2", "ts": "1800:3600:600"},
     {"criterion": True}),
    ("gaslift_240_points_none_meeting", "gaslift",
     {"N": "1:12:1", "y10": "3", "y50": "2", "wg": "0.05", "t": "440:460:5", "dtr": "2", "ts": "1800:3600:600"},
     {"outlet": True, "only_meeting": True}),
    ("bubble_text_that_does_not_convert", "bubble",
     {"N": "3", "y10": "3", "y50": "2.5;2,5;abc", "wg": "0.05", "t": "433", "dtr": "2", "d": "3", "ts": "3600"}, {}),
]

CLI_FLAGS = {"outlet": "--outlet", "criterion": "--criterion", "only_meeting": "--only-meeting"}


def cli_sweep(model, fields, options, *extra):
    arguments = ["sweep", model]
    for name, text in fields.items():
        arguments += [f"--{name}", text]
    arguments += [CLI_FLAGS[name] for name, on in options.items() if on]
    return run_cli(*arguments, *extra)


@pytest.mark.parametrize("model,fields,options", [c[1:] for c in SWEEPS], ids=[c[0] for c in SWEEPS])
def test_the_frame_is_the_cli_csv(model, fields, options):
    frame = kaskad.sweep(model, **options, **fields)
    assert kaskad.to_csv(frame) == cli_sweep(model, fields, options, "--format", "csv")


@pytest.mark.parametrize("jobs", [1, 2, 5])
def test_threads_change_nothing(jobs):
    model, fields, options = SWEEPS[0][1:]
    pd.testing.assert_frame_equal(kaskad.sweep(model, jobs=jobs, **options, **fields),
                                  kaskad.sweep(model, jobs=3, **options, **fields))


def test_columns_hold_texts_values_and_nullable_flags():
    frame = kaskad.sweep("bubble", N="3;30", wg=[0, 0.05], criterion=True, outlet=True)
    assert list(frame.columns[:10]) == ["--N", "--y10", "--y50", "--wg", "--t", "--dtr", "--d", "--ts", "reactor", "y1"]
    assert list(frame["--t"]) == ["433"] * 4
    assert list(frame["--wg"]) == ["0", "0.05", "0", "0.05"]
    assert isinstance(frame["--wg"].dtype, pd.CategoricalDtype)
    assert str(frame["reactor"].dtype) == "Int32" and frame["reactor"].isna().tolist() == [True, False, True, False]
    assert frame["y1"].dtype == np.float64 and math.isnan(frame.loc[0, "y1"])
    assert str(frame["y2>=1.47"].dtype) == "boolean" and pd.isna(frame.loc[0, "y2>=1.47"])
    assert frame["meets_criterion"].dtype == bool
    assert frame["criterion_margin"].dtype == np.float64 and math.isnan(frame.loc[0, "criterion_margin"])
    assert kaskad.number_text(frame.loc[1, "criterion_margin"]) == "-0.591295537948608"
    assert list(frame["error_kind"].astype(object).fillna("")) == ["EZeroDivide", "", "EZeroDivide", "EInvalidOp"]


def test_a_row_holds_the_stored_values_of_the_single_run():
    frame = kaskad.sweep("gaslift", N=3, t=[450, 452], outlet=True)
    run = kaskad.gaslift(N=3, t=452)
    row = frame.iloc[1]
    assert row["--t"] == "452" and row["reactor"] == 3
    assert [row[q] for q in kaskad.QUANTITIES] == list(run.reactors[-1][1:])


def test_sequences_and_numbers_become_lists_of_texts():
    by_sequence = kaskad.sweep("bubble", N=3, wg=(0.03, "0.04", 5e-2), t=range(433, 436, 2), outlet=True)
    by_text = kaskad.sweep("bubble", N="3", wg="0.03;0.04;0.05", t="433;435", outlet=True)
    pd.testing.assert_frame_equal(by_sequence, by_text)
    assert len(by_text) == 6


def test_a_comma_separator_reads_and_writes_commas():
    frame = kaskad.sweep("bubble", N=3, wg="0,03:0,05:0,01", decimal_separator=",", outlet=True)
    assert list(frame["--wg"]) == ["0,03", "0,04", "0,05"]
    assert frame["error_kind"].isna().all()
    assert kaskad.number_text(frame.loc[1, "y1"], ",") == kaskad.bubble(N=3, wg="0,04", decimal_separator=",").text(
        "y1", 3)


def test_one_point_sweeps_its_fixed_fields():
    frame = kaskad.sweep("bubble", N=3)
    assert list(frame.columns[8:10]) == ["reactor", "y1"] and len(frame) == 3
    assert list(frame["--N"]) == ["3"] * 3
