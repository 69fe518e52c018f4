# Single runs through the module: the worked examples digit for digit, the
# stored values, the field texts and the frame of a run.
import json
import math
import struct

import pytest

import kaskad
from conftest import PANE_QUANTITIES, run_cli

FIELD_NAMES = {"bubble": ["N", "y10", "y50", "wg", "t", "dtr", "d", "ts"],
               "gaslift": ["N", "y10", "y50", "wg", "t", "dtr", "db", "ts"]}


def run_example(example):
    fields = dict(zip(FIELD_NAMES[example.model], example.fields))
    if example.model == "gaslift":
        fields["db"] = fields["db"] or None
    return getattr(kaskad, example.model)(**fields)


@pytest.mark.parametrize("model", ["bubble", "gaslift"])
def test_worked_example_digit_for_digit(worked_examples, model):
    example = worked_examples[model]
    run = run_example(example)
    assert run.ok and run.error is None
    assert [r.reactor for r in run.reactors] == [1, 2, 3]
    for quantity, expected in zip(PANE_QUANTITIES, example.panes):
        assert [run.text(quantity, reactor) for reactor in (1, 2, 3)] == expected, quantity


@pytest.mark.parametrize("model", ["bubble", "gaslift"])
def test_values_are_the_stored_widths_the_panes_print(worked_examples, model):
    run = run_example(worked_examples[model])
    for reactor in run.reactors:
        for quantity in kaskad.QUANTITIES:
            value = getattr(reactor, quantity)
            assert isinstance(value, float)
            assert kaskad.number_text(value) == run.text(quantity, reactor.reactor)


def test_concentrations_are_singles_and_the_pressure_a_double():
    reactor = kaskad.bubble(N=1).reactors[0]
    assert struct.unpack("f", struct.pack("f", reactor.y1))[0] == reactor.y1
    assert kaskad.number_text(reactor.y1) == "1.55393481254578"
    assert reactor.P == 5.75


def test_the_example_values_are_the_defaults():
    run = kaskad.bubble()
    assert run.inputs == {"N": "24", "y10": "3", "y50": "2.5", "wg": "0.05", "t": "433", "dtr": "2", "d": "3",
                          "ts": "3600"}
    assert len(run.reactors) == 24 and run.ok
    run = kaskad.gaslift()
    assert run.inputs == {"N": "24", "y10": "3", "y50": "2", "wg": "0.05", "t": "450", "dtr": "2", "db": "",
                          "ts": "3600"}
    assert len(run.reactors) == 24 and run.ok


def test_a_run_carries_the_values_its_fields_stored():
    run = kaskad.bubble(N="2.5", wg="0.1", d="0.1")
    assert run.input_values["N"] == 2
    assert run.input_values["wg"] == struct.unpack("f", struct.pack("f", 0.1))[0]
    assert run.input_values["d"] == 0.1
    assert kaskad.gaslift().input_values["db"] is None
    assert set(kaskad.bubble(t="x").input_values.values()) == {None}


def test_comma_separator_reads_and_prints_commas():
    run = kaskad.bubble(N=1, y50="2,5", wg=0.05, decimal_separator=",")
    assert run.inputs["wg"] == "0,05"
    assert run.text("y1", 1) == "1,55393481254578"
    assert run.pane_text("y1") == "Реактор1   1,55393481254578\r\n"


def test_pane_text_is_the_window_pane():
    run = kaskad.gaslift(N=2)
    assert run.pane_text("t") == "реактор1   452\r\nреактор2   454\r\n"


def test_text_of_a_value_not_stored_is_none():
    run = kaskad.bubble(N=3)
    assert run.text("y1", 4) is None
    assert run.text("y1", 0) is None
    with pytest.raises(KeyError):
        run.text("y7", 1)


@pytest.mark.parametrize("model,arguments", [
    ("bubble", ["--N", "5", "--y10", "3", "--y50", "2.5", "--wg", "0.05", "--t", "433", "--dtr", "2", "--d", "3",
                "--ts", "3600"]),
    ("gaslift", ["--N", "30", "--y10", "3", "--y50", "2", "--wg", "0.05", "--t", "450", "--dtr", "2", "--ts", "3600"]),
    ("bubble", ["--N", "30", "--y10", "3", "--y50", "2.5", "--wg", "0.05", "--t", "433", "--dtr", "2", "--d", "3",
                "--ts", "3600"]),
    ("bubble", ["--N", "2", "--y10", "3", "--y50", "2.5", "--wg", "-0.05", "--t", "24000", "--dtr", "2", "--d", "3",
                "--ts", "3600"]),
], ids=["bubble_five", "gaslift_thirty", "bubble_fault_at_reactor_25", "bubble_fault_after_composition"])
def test_frame_of_a_run_is_the_cli_csv(model, arguments):
    fields = dict(zip(arguments[0::2], arguments[1::2]))
    run = getattr(kaskad, model)(**{name[2:]: text for name, text in fields.items()})
    frame = run.to_pandas()
    assert list(frame.columns) == ["reactor"] + list(kaskad.QUANTITIES)
    assert str(frame["reactor"].dtype) == "int64" and str(frame["y1"].dtype) == "float64"
    lines = [",".join([str(row.reactor)] + [cell(getattr(row, q)) for q in kaskad.QUANTITIES])
             for row in frame.itertuples()]
    status = 0 if run.ok else 1
    expected = run_cli(model, *arguments, "--format", "csv", status=status).splitlines()
    assert ["reactor," + ",".join(kaskad.QUANTITIES)] + lines == expected


def cell(value):
    return "" if math.isnan(value) else kaskad.number_text(value)


def test_a_fault_after_the_composition_leaves_none():
    run = kaskad.bubble(N=2, wg=-0.05, t=24000)
    assert not run.ok
    assert run.error == kaskad.RunError("EInvalidOp", "Invalid floating point operation.", 1, "y6")
    reactor = run.reactors[0]
    assert reactor.y6 is not None and reactor.GB is None and reactor.P is None
    frame = run.to_pandas()
    assert math.isnan(frame.loc[0, "GB"]) and kaskad.number_text(frame.loc[0, "y1"]) == "5.79258108139038"


# An input set a Russian window saved, read back for Python's "." and run.
def test_an_input_set_runs_as_its_fields(tmp_path):
    texts = {"N": "12", "y10": "3", "y50": "2,5", "wg": "0,05", "t": "433", "dtr": "2", "d": "3", "ts": "3600"}
    path = tmp_path / "bubble.kaskad.json"
    path.write_text(json.dumps({"kaskad-input-set": 1, "model": "bubble", "decimal-separator": ",", "fields": texts}))
    fields = kaskad.read_input_set(path, "bubble")
    assert fields["y50"] == "2.5"
    assert kaskad.bubble(**fields).reactors[-1].y1 == kaskad.bubble(12, 3, 2.5, 0.05, 433, 2, 3, 3600).reactors[-1].y1
    with pytest.raises(kaskad.UsageError, match=f"the input set {path} cannot be read: "):
        kaskad.read_input_set(path, "gaslift")
    with pytest.raises(kaskad.UsageError, match="cannot read the input set /nonexistent.kaskad.json: "):
        kaskad.read_input_set("/nonexistent.kaskad.json", "bubble")
