# Numbers given for fields become texts: the shortest that reads back to the
# same double, in the field's syntax, read by the run as typed text; and
# the docstrings help() shows.
import inspect

import numpy
import pytest

import kaskad

NUMBER_TEXTS = [
    ("tenth", 0.1, "0.1"),
    ("small_exponent", 1e-7, "1e-07"),
    ("whole_int", 3, "3"),
    ("whole_float", 3.0, "3"),
    ("half", 2.5, "2.5"),
    ("negative", -0.05, "-0.05"),
    ("large_exponent", 1.5e16, "1.5e+16"),
    ("big_int", 10**20, "100000000000000000000"),
    ("shortest_of_a_sum", 0.1 + 0.2, "0.30000000000000004"),
]


@pytest.mark.parametrize("value,text", [c[1:] for c in NUMBER_TEXTS], ids=[c[0] for c in NUMBER_TEXTS])
def test_a_number_becomes_its_shortest_text(value, text):
    run = kaskad.bubble(N=1, wg=value)
    assert run.inputs["wg"] == text
    assert float(text) == value


@pytest.mark.parametrize("value,text", [c[1:] for c in NUMBER_TEXTS], ids=[c[0] for c in NUMBER_TEXTS])
def test_the_run_of_a_number_is_the_run_of_its_text(value, text):
    by_number = kaskad.bubble(N=2, y50=value)
    by_text = kaskad.bubble(N=2, y50=text)
    assert by_number.error == by_text.error
    assert by_number.reactors == by_text.reactors


def test_a_comma_separator_writes_numbers_with_commas():
    run = kaskad.bubble(N=1, y50=2.5, wg=1e-7, decimal_separator=",")
    assert (run.inputs["y50"], run.inputs["wg"]) == ("2,5", "1e-07")
    assert run.ok


def test_texts_are_taken_as_written():
    run = kaskad.bubble(N=" 3 ", wg="5E-2")
    assert run.inputs["N"] == " 3 " and run.inputs["wg"] == "5E-2"
    assert run.text("y1", 1) == "1.55393481254578"


def test_numpy_numbers_are_numbers():
    run = kaskad.bubble(N=numpy.int64(2), wg=numpy.float64(0.05))
    assert run.inputs["N"] == "2" and run.inputs["wg"] == "0.05"


@pytest.mark.parametrize("function", [kaskad.bubble, kaskad.gaslift, kaskad.sweep, kaskad.runs, kaskad.optimize,
                                      kaskad.solve, kaskad.sensitivity, kaskad.uncertainty, kaskad.to_csv,
                                      kaskad.read_csv], ids=lambda function: function.__name__)
def test_help_shows_each_docstring_from_its_left_edge(function):
    # The docstring's own text after its first line: the lists inside it are indented, it is not.
    second = next(line for line in inspect.getdoc(function).splitlines()[1:] if line.strip())
    assert second == second.lstrip()
