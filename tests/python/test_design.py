"""kaskad.optimize and kaskad.solve: the same answers as kaskad-cli optimize
and solve, results that pickle, and bad studies as ValueError."""
import json
import pickle

import pytest

import kaskad
from conftest import run_cli

BOX = dict(N=(12, 14), y10=(2.6, 3.6), y50=(2.7, 3.5), wg=(0.05, 0.4), t=433, dtr=2, d=3, ts=(300, 1800))
BOX_OPTIONS = ["--N", "12:14", "--y10", "2.6:3.6", "--y50", "2.7:3.5", "--wg", "0.05:0.4", "--t", "433",
               "--dtr", "2", "--d", "3", "--ts", "300:1800"]


def test_optimize_answers_as_the_command_line_and_its_run_reproduces_it():
    result = kaskad.optimize("bubble", max_evals=600, jobs=2, **BOX)
    cli = json.loads(run_cli("optimize", "bubble", *BOX_OPTIONS, "--max-evals", "600", "--format", "json"))
    assert result.fields == cli["best"]["fields"]
    assert result.evaluations == cli["evaluations"]
    assert kaskad.number_text(result.objective) == str(cli["best"]["objective"])
    assert result.run.text("y3", result.N) == kaskad.number_text(cli["best"]["outlet"]["y3"])
    assert list(result.by_N["N"]) == [12, 13, 14]
    assert str(result.by_N["t_in_text"].dtype) == "category" and result.by_N["meets"].dtype == bool
    assert result.smallest_N == cli["smallest_N_meeting_criterion"]


def test_robust_optimize_answers_as_the_command_line():
    tolerances = {"t": "±1", "wg": "±5%"}
    result = kaskad.optimize("bubble", max_evals=300, jobs=1, tolerances=tolerances, **BOX)
    cli = json.loads(run_cli("optimize", "bubble", *BOX_OPTIONS, "--max-evals", "300", "--jobs", "2",
                             "--tolerance", "t=±1", "--tolerance", "wg=±5%", "--format", "json"))
    assert cli["tolerances"] == tolerances
    assert result.fields == cli["best"]["fields"]
    assert kaskad.number_text(result.criterion_margin) == str(cli["best"]["robust_margin"])
    assert kaskad.number_text(result.nominal_margin) == str(cli["best"]["nominal_margin"])
    assert (result.by_N["criterion_margin"] < result.by_N["nominal_margin"]).all()
    likely = kaskad.optimize("bubble", max_evals=60, tolerances=tolerances, robust=0.9, **BOX)
    cli = json.loads(run_cli("optimize", "bubble", *BOX_OPTIONS, "--max-evals", "60", "--tolerance", "t=±1",
                             "--tolerance", "wg=±5%", "--robust", "0.9", "--format", "json",
                             status=0 if likely.meets else 4))
    assert cli["robust"] == 0.9 and likely.fields == cli["best"]["fields"]
    assert likely.robust_margin == cli["best"]["robust_margin"]


def test_results_pickle_with_their_runs():
    result = kaskad.optimize("bubble", max_evals=600, **BOX)
    copy = pickle.loads(pickle.dumps(result))
    assert copy.fields == result.fields and copy.objective == result.objective
    assert copy.run.text("y1", copy.N) == result.run.text("y1", result.N)
    solved = pickle.loads(pickle.dumps(kaskad.solve("bubble", target="y2=2.21", N=3, ts=(3000, 8000))))
    assert [root.text for root in solved.roots] == ["4257.634", "5311.777"]
    assert solved.roots[1].run.text("y2", 3) == "2.21000003814697"


def test_solve_finds_close_pairs_and_tangencies_as_the_command_line():
    fields = dict(N=12, y10=3, y50=2.5, wg=0.05, t=433, dtr=2, d=3, ts=(100, 3000))
    pair = kaskad.solve("bubble", target="y2=2.29853", **fields)
    assert [(root.text, root.tangent) for root in pair.roots] == [("1277.4635", False), ("1279.3717", False)]
    touch = kaskad.solve("bubble", target="y2=2.2985308", **fields)
    assert [(root.text, root.tangent) for root in touch.roots] == [("1278.1147", True)]


def test_solve_without_a_root_gives_the_closest_point():
    result = kaskad.solve("bubble", target="y2=2.3", N=3, ts=(3000, 8000))
    assert result.roots == [] and result.closest.text == "4750"


@pytest.mark.parametrize("call", [
    lambda: kaskad.optimize("bubble", N=(10, 24), wg="0.05:0.4:0.1"),
    lambda: kaskad.optimize("bubble", "min:margin", N=(10, 24), wg=(0.05, 0.4)),
    lambda: kaskad.optimize("bubble", subject_to="GB=>0", wg=(0.05, 0.4)),
    lambda: kaskad.solve("bubble", target="y1=0.02", N=12, ts=(100, 3000), wg=(0.05, 0.1)),
    lambda: kaskad.solve("bubble", target="y1~0.02", N=12, ts=(100, 3000)),
], ids=["step", "minimised-margin", "bound", "two-intervals", "target"])
def test_a_bad_study_is_a_value_error(call):
    with pytest.raises(ValueError):
        call()
