"""One design as a plant holds it: kaskad.sensitivity (the outlet's
derivatives, the fields ranked by their tolerances) and kaskad.uncertainty
(fields drawn from distributions, and what the outlet does over the runs),
on the same engines as kaskad-cli sensitivity and uncertainty. Their results
are plain, picklable objects holding pandas DataFrames."""

import numpy as np

from . import _kaskad
from ._texts import field_text, flag, jobs_count, text_argument, whole_number

#: What a derivative gives, as the columns of kaskad-cli sensitivity --format csv name them.
_DERIVATIVE_PARTS = ("derivative", "elasticity", "error")


def _option_texts(model, fields, to_text=field_text):
    from . import _option_texts as option_texts
    return option_texts(model, fields, ".", to_text)


def _tolerance_texts(tolerances):
    """{"t": "±1", "wg": "±5%"} as kaskad-cli's FIELD=±D texts."""
    if tolerances is None:
        return []
    if not hasattr(tolerances, "items"):
        raise TypeError(f"tolerances takes a dict such as {{'t': '±1'}}, not {type(tolerances).__name__}")
    return [f"{text_argument(name, 'a tolerance field')}={text_argument(text, 'a tolerance')}"
            for name, text in tolerances.items()]


def _sensitivity_frame(fields):
    """A row per field in the window's order, its name the index; the columns
    of kaskad-cli sensitivity --format csv."""
    import pandas as pd
    rows = []
    for field in fields:
        row = {"field": field["name"], "value": field["value"], "step": field["step"],
               "tolerance": field["tolerance"], "margin_low": field["margin_low"],
               "margin_high": field["margin_high"]}
        for name, derivative in [("margin", field["margin"]), *zip(_kaskad.QUANTITIES, field["quantities"])]:
            for part, value in zip(_DERIVATIVE_PARTS, derivative or (None,) * 3):
                row[f"{name}_{part}"] = value
        rows.append(row)
    frame = pd.DataFrame(rows).set_index("field")
    numeric = [column for column in frame.columns if column != "tolerance"]
    return frame.astype({column: "float64" for column in numeric})


class SensitivityResult:
    """kaskad.sensitivity's answer: the nominal margin and, per field, the
    derivatives of the margin and of the outlet quantities."""

    def __init__(self, model, inputs, result):
        self.model = model
        #: The field texts of the point, by field name.
        self.inputs = inputs
        self.N = result["N"]
        #: The nominal run's criterion margin; None without an outlet.
        self.margin = result["margin"]
        #: Model runs made.
        self.evaluations = result["evaluations"]
        #: The fields with a tolerance by how far it moves the margin, then
        #: the others by the magnitude of the margin's elasticity.
        self.ranking = list(result["ranking"])
        #: A row per field (the index): value, step, tolerance (as given; None
        #: without one), margin_low and margin_high (the margin at either end
        #: of the tolerance, or of ±1 % without one), then for the margin and
        #: each outlet quantity NAME_derivative, NAME_elasticity, NAME_error;
        #: NaN where a run failed.
        self.fields = _sensitivity_frame(result["fields"])

    def __repr__(self):
        return (f"<kaskad.SensitivityResult {self.model} N={self.N} margin={self.margin!r} "
                f"ranking={self.ranking}>")

    def _repr_html_(self):
        from ._html import sensitivity_html
        return sensitivity_html(self)


def sensitivity(model, tolerances=None, **fields):
    """How the outlet of one design answers small changes of each field, as
    kaskad-cli sensitivity computes it: each field but N changed by 0.1 % of
    its value (0.001 when it is 0) and by half that, either way; the
    derivative is the narrower central difference, its error the two's
    difference. tolerances, {"t": "±1", "wg": "±5%"}, rank the fields by how
    far they move the criterion margin. Fields not given take bubble()'s or
    gaslift()'s defaults.
    Raises kaskad.UsageError (a ValueError) for a point or tolerance that cannot run.
    """
    texts = _option_texts(model, fields)
    result = _kaskad.sensitivity(model, list(texts.values()), _tolerance_texts(tolerances))
    return SensitivityResult(model, texts, result)


def _loc_scale(frozen):
    """The loc and scale of a frozen scipy distribution: positional, then by keyword."""
    args, kwds = tuple(frozen.args), dict(frozen.kwds)
    if len(args) > 2 or set(kwds) - {"loc", "scale"}:
        raise TypeError(f"a {frozen.dist.name} distribution takes loc and scale alone")
    given = dict(zip(("loc", "scale"), args))
    if set(given) & set(kwds):
        raise TypeError(f"a {frozen.dist.name} distribution was given loc or scale twice")
    given.update(kwds)
    return given.get("loc", 0), given.get("scale", 1)


def _distribution_text(frozen):
    """scipy.stats.norm(MU, SIGMA) as "normal(MU,SIGMA)", scipy.stats.uniform(LOC, SCALE)
    as "uniform(LOC,LOC+SCALE)", the bounds' sum in floating point."""
    name = getattr(frozen.dist, "name", None)
    loc, scale = _loc_scale(frozen)
    if name == "norm":
        return f"normal({field_text(loc)},{field_text(scale)})"
    if name == "uniform":
        return f"uniform({field_text(loc)},{field_text(loc + scale)})"
    raise TypeError(f"a field takes the scipy distributions norm and uniform, not {name}: "
                    "give others as texts, such as 'triangular(A,M,B)'")


def _is_frozen_distribution(value):
    return hasattr(value, "dist") and hasattr(value, "args") and hasattr(value, "kwds")


def uncertain_text(value, decimal_separator="."):
    """A field of an uncertainty study: a text (a number or a distribution
    such as "433±1"), a number, or a frozen scipy norm or uniform."""
    if _is_frozen_distribution(value):
        return _distribution_text(value)
    return field_text(value, decimal_separator)


#: The quantile levels of the summaries, as kaskad-cli names them.
QUANTILE_LEVELS = ("0.01", "0.05", "0.5", "0.95", "0.99")


def _summary_frame(summaries):
    """A row per quantity (the margin first): runs, mean and std (numpy.longdouble,
    the study's own width) and the quantiles q0.01 .. q0.99."""
    import pandas as pd
    rows = []
    for name, summary in summaries:
        row = {"quantity": name, "runs": 0 if summary is None else summary["runs"]}
        mean_std = [np.longdouble("nan")] * 2 if summary is None else summary["mean_std"]
        row.update(mean=mean_std[0], std=mean_std[1])
        quantiles = [float("nan")] * len(QUANTILE_LEVELS) if summary is None else summary["quantiles"]
        row.update({f"q{level}": value for level, value in zip(QUANTILE_LEVELS, quantiles)})
        rows.append(row)
    frame = pd.DataFrame(rows).set_index("quantity")
    return frame.astype({"runs": "int64", "mean": np.longdouble, "std": np.longdouble})


def _indices_frame(indices):
    """A row per (output, field): first and total with their 95 % bootstrap
    bounds; NaN for an output some run gave no value of."""
    import pandas as pd
    rows = []
    for output, _, inputs in indices["outputs"]:
        for field, first, total in inputs or []:
            rows.append((output, field, *first, *total))
    frame = pd.DataFrame(rows, columns=["output", "field", "first", "first_low", "first_high", "total", "total_low",
                                        "total_high"])
    return frame.set_index(["output", "field"])


class UncertaintyResult:
    """kaskad.uncertainty's answer: the probability that the design meets
    the criterion, the summaries of the margin and quantities over the runs
    and, when asked, Sobol' indices, rare-event estimates and the samples."""

    def __init__(self, model, inputs, request, result, samples):
        self.model = model
        #: The field texts, numbers and distributions, by field name.
        self.inputs = inputs
        self.N = result["N"]
        self.method, self.samples_asked, self.seed = request
        #: The uncertain fields, in the window's order.
        self.fields = list(result["fields"])
        #: True when Ctrl+C ended the study early: the figures cover the runs made.
        self.stopped = result["stopped"]
        #: Runs of the sample made, of them failed, and meeting the criterion.
        self.evaluations = result["evaluations"]
        self.failed_runs = result["failed_runs"]
        self.meeting = result["meeting"]
        meets = result["meets"]
        #: P(meets criterion), numpy.longdouble.
        self.probability_meets = meets[0]
        #: Its 95 % Wilson score interval (lower, upper).
        self.probability_meets_ci95 = (meets[1], meets[2])
        #: The margin and the quantities asked for over the runs: see _summary_frame.
        self.summary = _summary_frame(result["summaries"])
        #: Each run's criterion margin in sample order (NaN where a run gave none).
        self.margins = result["margins"]
        indices = result["indices"]
        #: Sobol' indices by (output, field); None unless asked for.
        self.indices = None if indices is None else _indices_frame(indices)
        #: The runs of the indices' design; 0 without indices.
        self.index_evaluations = 0 if indices is None else indices["evaluations"]
        #: Per output, the runs of the design that gave no value (its indices are then not estimated).
        self.index_runs_without = {} if indices is None else {o: n for o, n, _ in indices["outputs"]}
        rare = result["rare"]
        if rare is not None:
            rare = dict(rare, design_point=dict(zip(self.fields, rare["design_point"])))
        #: The probability of missing the criterion by FORM and by subset
        #: sampling, with their figures; None unless asked for.
        self.rare = rare
        #: With keep_samples, a row per sample: the columns of kaskad-cli
        #: uncertainty --samples-out (kaskad.to_csv writes that file); else None.
        self.samples = samples

    def __repr__(self):
        from . import number_text
        return (f"<kaskad.UncertaintyResult {self.model} N={self.N} runs={self.evaluations} "
                f"P(meets)={number_text(self.probability_meets)}>")

    def _repr_html_(self):
        from ._html import uncertainty_html
        return uncertainty_html(self)


#: The sampling methods kaskad-cli uncertainty --method takes.
METHODS = ("mc", "lhs", "sobol")


def study_arguments(model, samples, seed, method, quantities, indices, rare, keep_samples, fields):
    """The checked arguments of an uncertainty study: the option texts by
    field name, and the positional arguments of _uncertainty.uncertainty."""
    samples, seed = whole_number(samples, "samples"), whole_number(seed, "seed")
    if samples < 1:
        raise ValueError(f"samples must be at least 1, not {samples}")
    if seed < 0:
        raise ValueError(f"seed must be at least 0, not {seed}")
    if method not in METHODS:
        raise ValueError(f"method is {', '.join(map(repr, METHODS))}, not {method!r}")
    if isinstance(quantities, str):
        quantities = (quantities,)
    quantities = [text_argument(name, "a quantity") for name in quantities]
    texts = _option_texts(model, fields, uncertain_text)
    return texts, (model, list(texts.values()), samples, seed, method, quantities, flag(indices, "indices"),
                   flag(rare, "rare"), flag(keep_samples, "keep_samples"))


def samples_frame(model, texts, parts):
    """The samples' frame from the rows of one or more runs of them, in sample order."""
    from ._frame import merged_parts, sweep_frame
    arrays = merged_parts(parts)
    fields = dict(texts)
    for name, field_texts, _ in arrays["varying"]:
        fields[name] = list(field_texts)
    return sweep_frame([arrays], {"model": model, "decimal_separator": ".", "fields": fields})


def uncertainty(model, samples=10000, seed=1, method="lhs", quantities=(), indices=False, rare=False, jobs=None,
                keep_samples=False, progress=False, **fields):
    """The uncertainty study of kaskad-cli uncertainty: the fields given as
    distributions are drawn `samples` times from `seed` by `method` ("mc",
    "lhs" or "sobol") and run on `jobs` threads; the result holds the
    probability of meeting the criterion and the summaries of the margin and
    of the outlet quantities named in `quantities` ("y1", ...). indices adds
    Sobol' indices (samples * (fields + 2) more runs), rare the probability
    of missing the criterion by FORM and subset sampling, keep_samples every
    sample's row.

    A field is a number, a text ("433", "433±1", "0.4±5%", "uniform(A,B)",
    "normal(MU,SIGMA)", "triangular(A,M,B)") or a frozen scipy.stats.norm or
    uniform. OpenTURNS is loaded on the first study. Ctrl+C stops the study
    and raises KeyboardInterrupt.
    Raises kaskad.UsageError (a ValueError) for a study that cannot run.
    """
    from . import _progress_callback, _uncertainty
    texts, arguments = study_arguments(model, samples, seed, method, quantities, indices, rare, keep_samples, fields)
    callback, bar = _progress_callback(progress, arguments[2])
    if bar is not None:
        # The indices' runs follow the sample's: the bar takes the study's total.
        advance = callback

        def callback(done, total):
            bar.total = total
            advance(done, total)
    try:
        result = _uncertainty.uncertainty(*arguments, jobs_count(jobs), None, callback)
    finally:
        if bar is not None:
            bar.close()
    kept = samples_frame(model, texts, [result["samples"]]) if result["samples"] is not None else None
    return UncertaintyResult(model, texts, (method, arguments[2], arguments[3]), result, kept)
