# Sweeps through the module: the frame is kaskad-cli's CSV row for row and
# digit for digit, failed points included, whatever the threads; written to
# files as they come; stopped by Ctrl+C with the points computed kept.
import io
import json
import math
import os
import signal
import threading

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


def test_columns_hold_numbers_values_texts_and_nullable_flags():
    frame = kaskad.sweep("bubble", N="3;30", wg=[0, 0.05], t=["433", "4.33e2"], criterion=True, outlet=True)
    assert list(frame.columns[:4]) == ["N", "wg", "t_in", "reactor"]
    assert list(frame.columns[-3:]) == ["N_text", "wg_text", "t_in_text"]
    assert str(frame["N"].dtype) == "Int64" and list(frame["N"]) == [3, 3, 3, 3, 30, 30, 30, 30]
    assert frame["t_in"].dtype == np.float64 and list(frame["t_in"]) == [433.0] * 8
    assert list(frame["t_in_text"]) == ["433", "4.33e2"] * 4
    assert isinstance(frame["wg_text"].dtype, pd.CategoricalDtype)
    assert frame.attrs["kaskad"]["fields"]["y50"] == "2.5" and frame.attrs["kaskad"]["fields"]["wg"] == ["0", "0.05"]
    assert str(frame["reactor"].dtype) == "Int32" and frame["reactor"].isna().tolist() == [True, True] + [False] * 2 + [True, True] + [False] * 2
    assert frame["y1"].dtype == np.float64 and math.isnan(frame.loc[0, "y1"])
    assert str(frame["outlet_y2>=1.47"].dtype) == "boolean" and pd.isna(frame.loc[0, "outlet_y2>=1.47"])
    assert frame["outlet_meets_criterion"].dtype == bool
    margin = frame["outlet_criterion_margin"]
    assert margin.dtype == np.float64 and math.isnan(margin[0])
    assert kaskad.number_text(margin[2]) == "-0.591295537948608"
    assert list(frame["error_kind"].astype(object).fillna("")) == ["EZeroDivide"] * 2 + [""] * 2 + \
        ["EZeroDivide"] * 2 + ["EInvalidOp"] * 2
    # Numbers as numbers: the frame's own tools work on it at once.
    assert len(frame.query("wg > 0.01 and N == 3")) == 2


def test_a_row_holds_the_stored_values_of_the_single_run():
    frame = kaskad.sweep("gaslift", N=3, t=[450, 452], outlet=True)
    run = kaskad.gaslift(N=3, t=452)
    row = frame.iloc[1]
    assert row["t_in_text"] == "452" and row["t_in"] == 452 and row["reactor"] == 3
    assert [row[q] for q in kaskad.QUANTITIES] == list(run.reactors[-1][1:])


def test_sequences_and_numbers_become_lists_of_texts():
    by_sequence = kaskad.sweep("bubble", N=3, wg=(0.03, "0.04", 5e-2), t=range(433, 436, 2), outlet=True)
    by_text = kaskad.sweep("bubble", N="3", wg="0.03;0.04;0.05", t="433;435", outlet=True)
    pd.testing.assert_frame_equal(by_sequence, by_text)
    assert len(by_text) == 6


def test_a_comma_separator_reads_and_writes_commas():
    frame = kaskad.sweep("bubble", N=3, wg="0,03:0,05:0,01", decimal_separator=",", outlet=True)
    assert list(frame["wg_text"]) == ["0,03", "0,04", "0,05"] and list(frame["wg"]) == [0.03, 0.04, 0.05]
    assert frame["error_kind"].isna().all()
    assert kaskad.number_text(frame.loc[1, "y1"], ",") == kaskad.bubble(N=3, wg="0,04", decimal_separator=",").text(
        "y1", 3)


def test_one_point_sweeps_its_fixed_fields():
    frame = kaskad.sweep("bubble", N=3)
    assert list(frame.columns[:2]) == ["reactor", "y1"] and len(frame) == 3
    assert frame.attrs["kaskad"]["fields"]["N"] == "3"


@pytest.mark.parametrize("jobs", [1, 2])
def test_ctrl_c_leaves_the_rows_written_whole_then_raises(tmp_path, jobs):
    """Interrupted a twentieth of a second into a sweep of half a second or
    more, the file holds the command line's CSV up to a whole row."""
    fields = {"N": "24", "y10": "3", "y50": "2.5", "wg": "0.05", "t": "400:599:1", "dtr": "2", "d": "3",
              "ts": "1000:20900:100"}
    plan = kaskad._kaskad.SweepPlan("bubble", list(fields.values()), ".")
    path = tmp_path / "stopped.csv"

    def interrupt(signum, frame):
        raise KeyboardInterrupt

    previous = signal.signal(signal.SIGALRM, interrupt)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.05)
        with pytest.raises(KeyboardInterrupt):
            kaskad._kaskad.write_sweep_csv(plan, 0, plan.point_count, True, False, False, jobs, True, str(path))
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    written = path.read_text()
    whole = cli_sweep("bubble", fields, {"outlet": True})
    assert written.endswith("\n") and whole.startswith(written) and 1 < written.count("\n") < whole.count("\n")


def interrupted(call, after=0.3):
    """What call() raises when Ctrl+C (SIGINT to this process) comes `after`
    seconds into it; the test fails if it returns first or raises nothing."""
    timer = threading.Timer(after, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    try:
        return call()
    except KeyboardInterrupt as raised:
        return raised
    finally:
        timer.cancel()


def ctrl_c_once_running(done, total):
    """A progress callback that presses Ctrl+C as soon as points are done."""
    if 0 < done < total:
        os.kill(os.getpid(), signal.SIGINT)


# A million 24-reactor points: far longer than the interrupt takes to come.
MILLION_POINTS = {"N": 24, "t": "400:1399:1", "ts": "1000:1999:1", "outlet": True}


@pytest.mark.parametrize("call", [
    lambda jobs: kaskad.sweep("bubble", jobs=jobs, progress=ctrl_c_once_running, **MILLION_POINTS),
    lambda jobs: kaskad.runs("bubble", {"t_in": np.repeat(np.arange(400, 1400), 1000),
                                        "ts": np.tile(np.arange(1000, 2000), 1000)}, N=24, outlet=True, jobs=jobs,
                             progress=ctrl_c_once_running),
], ids=["sweep", "runs"])
@pytest.mark.parametrize("jobs", [1, 2])
def test_ctrl_c_raises_interrupted_with_the_points_computed(call, jobs):
    raised = interrupted(lambda: call(jobs), after=30)
    assert isinstance(raised, kaskad.Interrupted)
    frame, points = raised.frame, raised.points
    assert 0 < points < 10**6 and len(frame) == points
    order = np.arange(points)
    assert (frame["t_in"].to_numpy() == 400 + order // 1000).all()
    assert (frame["ts"].to_numpy() == 1000 + order % 1000).all()
    last = kaskad.bubble(N=24, t=int(frame["t_in"].iloc[-1]), ts=int(frame["ts"].iloc[-1]))
    assert [frame[q].iloc[-1] for q in kaskad.QUANTITIES] == list(last.reactors[-1][1:])
    # The process goes on as before.
    assert len(kaskad.sweep("bubble", N=2, wg="0.01;0.02")) == 4


@pytest.mark.parametrize("call,budget", [
    # Each evaluation runs 256 points of a tolerance box, so the search lasts.
    (lambda: kaskad.optimize("bubble", N=(1, 24), wg=(0.01, 0.1), t=(420, 450), tolerances={"t": "±1"}, robust=0.9,
                             max_evals=10**7), 10**7),
    (lambda: kaskad.solve("bubble", N=12, ts=(100, 3000), scan=10**6), 10**6),
], ids=["optimize", "solve"])
def test_ctrl_c_ends_a_search_with_its_best_so_far(call, budget):
    result = interrupted(call)
    assert not isinstance(result, BaseException), repr(result)
    assert result.stopped and 0 < result.evaluations < budget


def test_ctrl_c_ends_a_sweep_to_a_file_with_its_rows_whole(tmp_path):
    path = tmp_path / "stopped.csv"
    raised = interrupted(lambda: kaskad.sweep("bubble", to=path, jobs=2, progress=ctrl_c_once_running,
                                              **MILLION_POINTS), after=30)
    assert isinstance(raised, kaskad.Interrupted) and raised.frame is None
    assert path.read_text().count("\n") == raised.points + 1


STUDY = {"kaskad-study": 1, "model": "bubble", "decimal-separator": ",",
         "fields": {"N": "3", "y10": "3", "y50": "2,5", "wg": "0,03:0,07:0,01", "t": "430;436", "dtr": "2", "d": "3",
                    "ts": "3600"}}


BUBBLE_FIELDS = {"N": "3;30", "y10": "3", "y50": "2.5", "wg": "0:0.1:0.005", "t": "430;433", "dtr": "2", "d": "3",
                 "ts": "3600"}

# (id, fields, the options in Python, kaskad-cli sweep's)
CLI_OPTIONS = [
    ("best", BUBBLE_FIELDS, dict(best=5), ["--best", "5"]),
    ("best_outlet", BUBBLE_FIELDS, dict(outlet=True, best=3), ["--outlet", "--best", "3"]),
    ("shard", BUBBLE_FIELDS, dict(criterion=True, shard=(2, 3)), ["--criterion", "--shard", "2/3"]),
    ("study_with_a_field_changed", {"t": "433;440"}, dict(study="STUDY", outlet=True),
     ["--study", "STUDY", "--outlet"]),
]


@pytest.mark.parametrize("fields,options,cli", [c[1:] for c in CLI_OPTIONS], ids=[c[0] for c in CLI_OPTIONS])
def test_best_shard_and_study_give_the_command_lines_rows(tmp_path, fields, options, cli):
    study = tmp_path / "s.kaskad-study.json"
    study.write_text(json.dumps(STUDY), encoding="utf-8")
    options = {name: str(study) if value == "STUDY" else value for name, value in options.items()}
    expected = cli_sweep("bubble", fields, {}, *[str(study) if item == "STUDY" else item for item in cli],
                         "--format", "csv")
    assert kaskad.to_csv(kaskad.sweep("bubble", **options, **fields)) == expected
    kaskad.sweep("bubble", to=tmp_path / "out.csv", **options, **fields)
    assert (tmp_path / "out.csv").read_text() == expected


@pytest.mark.parametrize("target", ["path", "text_file", "binary_file"])
def test_sweeps_and_frames_stream_the_command_lines_bytes(tmp_path, target):
    model, fields, options = SWEEPS[1][1:]
    expected = cli_sweep(model, fields, options, "--format", "csv")
    frame = kaskad.sweep(model, **options, **fields)
    for write in (lambda to: kaskad.sweep(model, to=to, **options, **fields), lambda to: kaskad.to_csv(frame, to)):
        path = tmp_path / "sweep.csv"
        if target == "path":
            write(path)
        else:
            with open(path, "w" if target == "text_file" else "wb") as file:
                write(file)
        assert path.read_bytes() == expected.encode()
    buffer = io.StringIO()
    kaskad.to_csv(frame, buffer, header=False)
    assert buffer.getvalue() == expected[expected.index("\n") + 1:]


@pytest.mark.parametrize("call,error,message", [
    (lambda: kaskad.sweep("bubble", wg="0:0.1:0.01", best=2, shard=(1, 2)), kaskad.UsageError,
     "best keeps the best points of the whole sweep: it cannot be combined with shard"),
    (lambda: kaskad.sweep("bubble", wg="0:0.1:0.01", shard=(3, 2)), kaskad.UsageError, "shard: must be (k, n)"),
    (lambda: kaskad.sweep("bubble", best=0), kaskad.UsageError, "best: must be from 1 to 1000000, not 0"),
    (lambda: kaskad.sweep("gaslift", study="/nonexistent.kaskad-study.json"), kaskad.UsageError,
     "cannot read the study /nonexistent.kaskad-study.json: "),
    (lambda: kaskad.sweep("bubble", to="/nonexistent/sweep.csv"), OSError, "[Errno 2] No such file or directory"),
    (lambda: kaskad.sweep("bubble", to="sweep.txt"), ValueError, "to takes a path ending in .csv"),
], ids=["best_with_shard", "shard_beyond_its_count", "no_best", "missing_study", "folder_missing", "not_csv"])
def test_sweep_options_that_cannot_run_are_refused(call, error, message):
    with pytest.raises(error) as raised:
        call()
    assert str(raised.value).startswith(message)
