# Every error kind through the module: the run it leaves, and the exception
# of its kind with raise_on_error, in the hierarchy of Kaskad's kinds.
import pytest

import kaskad
from kaskad import _kaskad

# (id, model, fields, kind, message, failing reactor, reactors stored)
ERROR_CASES = [
    ("convert_error", "gaslift", {"t": "4x"}, "EConvertError", "'4x' is not a valid floating point value.", None, 0),
    ("zero_divide", "bubble", {"N": 3, "wg": 0}, "EZeroDivide", "Floating point division by zero.", 1, 0),
    ("invalid_op", "bubble", {"N": 30}, "EInvalidOp", "Invalid floating point operation.", 25, 24),
    ("overflow_storing_a_field", "bubble", {"N": 3, "y10": "1e300"}, "EOverflow", "Floating point overflow.", None, 0),
    ("no_convergence", "gaslift", {"N": 1, "y10": -10, "y50": -10}, "ENoConvergence",
     "The y3 balance did not converge in 1000 iterations.", 1, 0),
]


@pytest.mark.parametrize("model,fields,kind,message,reactor,stored", [c[1:] for c in ERROR_CASES],
                         ids=[c[0] for c in ERROR_CASES])
def test_a_failed_run_keeps_its_error_and_what_it_stored(model, fields, kind, message, reactor, stored):
    run = getattr(kaskad, model)(**fields)
    assert not run.ok
    assert (run.error.kind, run.error.message, run.error.reactor) == (kind, message, reactor)
    assert len(run.reactors) == stored


@pytest.mark.parametrize("model,fields,kind,message,reactor,stored", [c[1:] for c in ERROR_CASES],
                         ids=[c[0] for c in ERROR_CASES])
def test_raise_on_error_raises_the_kind_with_the_partial_run(model, fields, kind, message, reactor, stored):
    with pytest.raises(kaskad.CalculationError) as raised:
        getattr(kaskad, model)(**fields, raise_on_error=True)
    error = raised.value
    assert type(error).__name__ == kind and type(error) is getattr(kaskad, kind)
    assert str(error) == message and error.kind == kind and error.message == message
    assert len(error.run.reactors) == stored and error.run.error.reactor == reactor


def test_a_run_without_error_raises_nothing():
    assert kaskad.bubble(N=3, raise_on_error=True).ok


def test_arithmetic_faults_are_math_errors():
    with pytest.raises(kaskad.EMathError):
        kaskad.bubble(N=3, wg=0, raise_on_error=True)
    with pytest.raises(kaskad.EExternal):
        kaskad.bubble(N=3, y10="1e300", raise_on_error=True)


def python_kinds():
    """Each error class of the package by its kind, with its base's kind."""
    classes = [kaskad.CalculationError] + [getattr(kaskad, name) for name in dir(kaskad)
                                           if isinstance(getattr(kaskad, name), type)
                                           and issubclass(getattr(kaskad, name), kaskad.CalculationError)
                                           and name != "CalculationError"]

    def kind(cls):
        return "Exception" if cls is kaskad.CalculationError else cls.__name__

    return {kind(cls): None if cls is kaskad.CalculationError else kind(cls.__bases__[0]) for cls in classes}


def test_the_error_classes_mirror_the_cpp_kinds():
    assert python_kinds() == _kaskad.error_kind_parents()


def test_a_usage_error_of_a_sweep_is_a_value_error():
    with pytest.raises(kaskad.UsageError, match="zero step"):
        kaskad.sweep("bubble", wg="0.1:0.2:0")
    assert issubclass(kaskad.UsageError, ValueError)


# 10^9 points: more than one machine runs at once, fine as chunks.
BILLION = {"wg": "0.001:1:0.001", "t": "1:1000:1", "ts": "1:1000:1"}


def test_a_plan_too_large_for_one_run_runs_in_chunks():
    plan, _ = kaskad._sweep_plan("bubble", BILLION, ".")
    assert plan.point_count == 10**9
    with pytest.raises(kaskad.UsageError, match="^the sweep has more than 10000000 points: cut it into parts of at most 10000000 points$"):
        _kaskad.sweep_arrays(plan, 0, plan.point_count, True, False, False, 1)
    with pytest.raises(kaskad.UsageError, match="^the chunk 0..10000001 of the sweep has more than 10000000 points"):
        _kaskad.sweep_arrays(plan, 0, 10_000_001, True, False, False, 1)
    last = _kaskad.sweep_arrays(plan, 10**9 - 3, 10**9, True, False, False, 1)
    name, texts, codes = last["varying"][-1]
    assert name == "ts" and [texts[c] for c in codes] == ["998", "999", "1000"]


@pytest.mark.parametrize("call,error", [
    (lambda: kaskad.bubble(decimal_separator="1"), ValueError),
    (lambda: kaskad.sweep("tubular"), ValueError),
    (lambda: kaskad.sweep("bubble", db="1"), TypeError),
    (lambda: kaskad.bubble(N=True), TypeError),
    (lambda: kaskad.bubble(wg=float("nan")), ValueError),
    (lambda: kaskad.bubble(wg=[0.05]), TypeError),
    (lambda: kaskad.sweep("bubble", wg=b"0.01"), TypeError),
    (lambda: kaskad.sweep("bubble", wg={0.01: 1, 0.02: 2}), TypeError),
    (lambda: kaskad.sweep("bubble", N=None), TypeError),
    (lambda: kaskad.bubble(N=None), TypeError),
    (lambda: kaskad.sweep("bubble", N=3, jobs=0), ValueError),
    (lambda: kaskad.sweep("bubble", N=3, jobs=1.5), TypeError),
    (lambda: kaskad.sweep("bubble", N=3, jobs=2**70), ValueError),
    (lambda: kaskad.sweep("bubble", N=3, criterion="x"), TypeError),
    (lambda: kaskad.sweep("bubble", N=3, decimal_separator=None), TypeError),
    (lambda: kaskad.bubble(wg="0.0\ud800"), ValueError),
    (lambda: kaskad.bubble(decimal_separator="\udc80"), ValueError),
    (lambda: kaskad.sweep("gaslift", db=[1, 2]), TypeError),
    (lambda: kaskad.runs("bubble", {"wg": [0.01, 0.02], "N": [3]}), ValueError),
    (lambda: kaskad.runs("bubble", {"wg": [0.01]}, wg=0.02), TypeError),
    (lambda: kaskad.solve("bubble", target=None, ts=(100, 3000)), TypeError),
    (lambda: kaskad.optimize("bubble", digits=1.5, wg=(0.03, 0.05)), TypeError),
    (lambda: kaskad.optimize("bubble", subject_to=[1], wg=(0.03, 0.05)), TypeError),
    (lambda: kaskad.number_text("0.5"), TypeError),
    (lambda: kaskad.shard_range(10, -1, 2), ValueError),
], ids=["separator_digit", "unknown_model", "field_of_the_other_model", "bool_field", "nan_field", "list_field",
        "bytes_swept", "dict_swept", "none_swept", "none_field", "no_jobs", "fractional_jobs", "huge_jobs",
        "text_flag", "no_separator", "lone_surrogate_field", "lone_surrogate_separator", "gaslift_db_list",
        "points_of_unequal_lengths", "field_both_varying_and_fixed", "no_target", "fractional_digits",
        "bound_not_text", "number_text_of_text", "negative_shard"])
def test_arguments_that_cannot_be_field_texts_are_refused(call, error):
    with pytest.raises(error) as raised:
        call()
    # A plain message of its own, never the binding's list of signatures.
    assert "incompatible function arguments" not in str(raised.value)


@pytest.mark.parametrize("jobs", [None, -1, 1, 1024])
def test_jobs_take_the_command_lines_limits_and_every_core(jobs):
    assert len(kaskad.sweep("bubble", N=2, jobs=jobs)) == 2


@pytest.mark.parametrize("model", ["bubble", "gaslift"])
def test_the_fields_are_the_models(model):
    names = [name for name, _, _ in _kaskad.model_fields(model)]
    assert list(kaskad._FIELD_DEFAULTS[model]) == names
    assert list(getattr(kaskad, model)().inputs) == names


@pytest.mark.parametrize("call,message", [
    (lambda: kaskad.optimize("bubble", wg=(0.03, 0.05), max_evals=-1),
     "max_evals: must be from 1 to 100000000, not -1"),
    (lambda: kaskad.optimize("bubble", wg=(0.03, 0.05), digits=10), "digits: must be from 1 to 9, not 10"),
    (lambda: kaskad.solve("bubble", ts=(100, 3000), scan=-1), "scan: must be from 1 to 1000000, not -1"),
    (lambda: kaskad.solve("bubble", ts=(100, 3000), reactor=2**31),
     "reactor: must be from 1 to 2147483647, not 2147483648"),
    (lambda: kaskad.solve("bubble", ts=(100, 3000), N=12, reactor=13), "reactor: must be from 1 to N (12)"),
    (lambda: kaskad.solve("bubble", ts=(100, 3000), N=(2, 3)),
     "N: the solver takes one number of reactors, not a range"),
    (lambda: kaskad.optimize("bubble", wg=(0.03, 0.05), tolerances={"db": "±1"}),
     "tolerances: the bubble design has no field db"),
    (lambda: kaskad.sweep("bubble", wg=["1"] * (10**6 + 1)),
     "wg: '" + "1;" * 30 + "… (2000001 bytes)' has more than 1000000 values"),
], ids=["negative_max_evals", "too_many_digits", "negative_scan", "reactor_beyond_32_bits", "reactor_beyond_N",
        "solve_over_a_range_of_N", "tolerance_of_another_models_field", "list_over_a_million_items"])
def test_usage_errors_name_the_arguments_in_pythons_terms(call, message):
    with pytest.raises(kaskad.UsageError) as raised:
        call()
    assert str(raised.value).startswith(message)
