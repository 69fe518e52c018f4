# kaskad.sensitivity and kaskad.uncertainty against kaskad-cli's JSON, digit
# for digit; the samples against its --samples-out file; OpenTURNS loaded
# only by the first study; Ctrl+C; pickling and the notebook display.
import json
import os
import pickle
import signal
import subprocess
import sys

import numpy as np
import pandas as pd
import pytest
from scipy import stats

import kaskad
from conftest import run_cli


def cli_fields(result):
    """The options of kaskad-cli for a result's field texts; the distributions as the CLI's grammar."""
    return [argument for name, text in result.inputs.items() if text for argument in ("--" + name, text)]


def cli_json(*arguments):
    """kaskad-cli's JSON with every number kept as its printed text."""
    return json.loads(run_cli(*arguments, "--format", "json"), parse_float=str, parse_int=str)


def text(value):
    """A value as the writers print it; "null" for none (NaN)."""
    return None if value is None or (np.isscalar(value) and np.isnan(value)) else kaskad.number_text(value)


@pytest.mark.parametrize("model,tolerances,fields", [
    ("bubble", {"t": "±1", "wg": "±5%"}, {"N": 12}),
    ("gaslift", None, {}),
    ("bubble", {"dtr": "+-0.1"}, {"N": 3, "wg": 0.3}),
], ids=["bubble_with_tolerances", "gaslift_example", "bubble_failing_runs"])
def test_sensitivity_prints_the_command_lines_digits(model, tolerances, fields):
    result = kaskad.sensitivity(model, tolerances, **fields)
    tolerance_options = [a for name, t in (tolerances or {}).items() for a in ("--tolerance", f"{name}={t}")]
    cli = cli_json("sensitivity", model, *cli_fields(result), *tolerance_options)
    assert (text(result.margin), int(cli["N"]), int(cli["evaluations"]), cli["ranking"]) == \
        (cli["margin"], result.N, result.evaluations, result.ranking)
    frame = result.fields
    for name, expected in cli["fields"].items():
        assert frame.at[name, "tolerance"] == expected["tolerance"]
        got = {key: text(frame.at[name, key]) for key in ("value", "step", "margin_low", "margin_high")}
        assert got == {key: expected[key] for key in got}, name
        for quantity in ("margin", *kaskad.QUANTITIES):
            parts = {part: text(frame.at[name, f"{quantity}_{part}"]) for part in ("derivative", "elasticity", "error")}
            assert parts == (expected[quantity] or dict.fromkeys(parts)), (name, quantity)


def check_summaries(result, cli):
    assert (result.evaluations, result.failed_runs, result.stopped) == \
        (int(cli["evaluations"]), int(cli["failed_runs"]), False)
    low, high = result.probability_meets_ci95
    assert [text(result.probability_meets), text(low), text(high)] == \
        [cli["probability_meets"]["value"], *cli["probability_meets"]["ci95"]]
    for quantity, expected in cli["quantities"].items():
        def cell(column):
            return result.summary.at[quantity, column]
        got = {"runs": str(cell("runs")), "mean": text(cell("mean")), "std": text(cell("std")),
               "quantiles": {level: text(cell("q" + level)) for level in kaskad._studies.QUANTILE_LEVELS}}
        assert got == expected, quantity


def check_indices(result, cli):
    if cli["indices"] is None:
        assert result.indices is None
        return
    assert result.index_evaluations == int(cli["index_evaluations"])
    for output, inputs in cli["indices"].items():
        for field, expected in (inputs or {}).items():
            row = result.indices.loc[(output, field)]
            assert {"first": text(row["first"]), "first_ci95": [text(row["first_low"]), text(row["first_high"])],
                    "total": text(row["total"]), "total_ci95": [text(row["total_low"]), text(row["total_high"])]} \
                == expected, (output, field)


def check_rare(result, cli):
    if cli["rare"] is None:
        assert result.rare is None
        return
    rare, expected = result.rare, cli["rare"]
    assert {"evaluations": str(rare["evaluations"]),
            "form": {"probability": text(rare["form_probability"]),
                     "reliability_index": text(rare["reliability_index"]),
                     "design_point": {name: text(value) for name, value in rare["design_point"].items()}},
            "subset": {"probability": text(rare["subset_probability"]),
                       "coefficient_of_variation": text(rare["subset_coefficient_of_variation"])}} == expected


UNCERTAIN = [
    ("bubble", dict(samples=300, method="lhs", quantities=("y1", "t"), indices=True),
     dict(N=12, t="433±1", wg=stats.norm(0.05, 0.002))),
    ("gaslift", dict(samples=200, method="sobol", seed=7, rare=True),
     dict(t=stats.uniform(440, 10), ts="2400±5%")),
    ("bubble", dict(samples=250, method="mc", quantities="y3"),
     dict(N=3, wg="normal(0.02,0.03)", dtr="triangular(1,2,3)")),
]


@pytest.mark.parametrize("model,options,fields", UNCERTAIN,
                         ids=["bubble_lhs_indices", "gaslift_sobol_rare", "bubble_mc_failing_runs"])
def test_uncertainty_prints_the_command_lines_digits_and_samples(tmp_path, model, options, fields):
    result = kaskad.uncertainty(model, keep_samples=True, **options, **fields)
    path = tmp_path / "samples.csv"
    arguments = ["--samples", str(options["samples"]), "--method", options["method"],
                 "--seed", str(options.get("seed", 1)), "--samples-out", str(path)]
    quantities = options.get("quantities", ())
    for quantity in ((quantities,) if isinstance(quantities, str) else quantities):
        arguments += ["--quantity", quantity]
    arguments += ["--indices"] * options.get("indices", False) + ["--rare"] * options.get("rare", False)
    cli = cli_json("uncertainty", model, *cli_fields(result), *arguments)
    check_summaries(result, cli)
    check_indices(result, cli)
    check_rare(result, cli)
    assert kaskad.to_csv(result.samples) == path.read_text()
    assert np.array_equal(result.margins, result.samples["outlet_criterion_margin"], equal_nan=True)


def test_frozen_distributions_become_the_grammars_texts():
    cases = [(stats.norm(433, 0.5), "normal(433,0.5)"), (stats.norm(loc=0.05, scale=0.001), "normal(0.05,0.001)"),
             (stats.uniform(440, 10), "uniform(440,450)"), (stats.uniform(scale=2), "uniform(0,2)"),
             ("433±1", "433±1"), (0.25, "0.25")]
    assert [kaskad._studies.uncertain_text(value) for value, _ in cases] == [expected for _, expected in cases]
    with pytest.raises(TypeError, match="expon"):
        kaskad._studies.uncertain_text(stats.expon(1))


def test_import_kaskad_loads_no_openturns_until_the_first_study():
    script = ("import sys, kaskad\n"
              "maps = lambda: 'libOT' in open('/proc/self/maps').read()\n"
              "kaskad.sensitivity('bubble'); print(maps(), 'kaskad._uncertainty' in sys.modules)\n"
              "kaskad.uncertainty('bubble', samples=5, t='433±1'); print(maps())\n")
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, env=os.environ, check=True)
    assert out.stdout.split() == ["False", "False", "True"]


def test_studies_refuse_what_cannot_run():
    with pytest.raises(kaskad.UsageError, match="distribution"):
        kaskad.uncertainty("bubble", samples=5)
    with pytest.raises(ValueError, match="quantity"):
        kaskad.uncertainty("bubble", samples=5, t="433±1", quantities=["y9"])
    with pytest.raises(kaskad.UsageError):
        kaskad.sensitivity("bubble", {"q": "±1"})


def test_ctrl_c_stops_the_study_then_raises():
    """Interrupted a tenth of a second into its runs, a study of a minute stops there."""
    done = []

    def interrupt(signum, frame):
        raise KeyboardInterrupt

    def progress(count, total):
        if not done:
            signal.setitimer(signal.ITIMER_REAL, 0.1)
        done.append(count)

    previous = signal.signal(signal.SIGALRM, interrupt)
    try:
        with pytest.raises(KeyboardInterrupt):
            kaskad.uncertainty("bubble", samples=2_000_000, N=24, t="433±1", jobs=1, progress=progress)
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    assert 0 < max(done, default=0) < 2_000_000


def test_results_pickle_and_display():
    sensitivity = kaskad.sensitivity("bubble", {"t": "±1"})
    uncertainty = kaskad.uncertainty("bubble", samples=50, t="433±1", keep_samples=True)
    again = pickle.loads(pickle.dumps(uncertainty))
    pd.testing.assert_frame_equal(again.summary, uncertainty.summary)
    pd.testing.assert_frame_equal(again.samples, uncertainty.samples)
    assert again.probability_meets == uncertainty.probability_meets
    pd.testing.assert_frame_equal(pickle.loads(pickle.dumps(sensitivity)).fields, sensitivity.fields)
    page = sensitivity._repr_html_()
    assert 'data-field="t"' in page and kaskad.number_text(sensitivity.margin) in page
    page = uncertainty._repr_html_()
    assert "<svg" in page and f"P(meets criterion) = {kaskad.number_text(uncertainty.probability_meets)}" in page
