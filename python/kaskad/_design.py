"""Design to a target from Python: kaskad.optimize and kaskad.solve, on the
same engine as kaskad-cli optimize and solve. Their results are plain,
picklable objects; a result's run is computed again, digit for digit, from
its field texts when it is first asked for."""

from . import _kaskad
from ._texts import field_text, flag, jobs_count, text_argument, whole_number_in

#: The limits of kaskad-cli's options --digits, --max-evals and --scan.
MOST_DIGITS = 9
MOST_EVALUATIONS = 100_000_000
MOST_SCAN_STEPS = 1_000_000
#: A reactor's number is a 32-bit integer.
MOST_REACTOR = 2**31 - 1


def _design_text(value, decimal_separator="."):
    """A field's option text: a (FROM, TO) pair is an interval, anything else a text."""
    if isinstance(value, tuple):
        if len(value) != 2:
            raise TypeError("an interval is a pair (FROM, TO)")
        return field_text(value[0]) + ":" + field_text(value[1])
    return field_text(value)


def _option_texts(model, fields):
    """The eight option texts by field name, defaults for the fields not given."""
    from . import _option_texts as option_texts
    return option_texts(model, fields, ".", _design_text)


def _plain_run(model, fields):
    from . import _run
    return _run(model, fields, ".", False)


class Answer:
    """The best input set found for one reactor count, and what a plain run of
    exactly its texts gives."""

    def __init__(self, model, answer):
        self.model = model
        #: The eight field texts, by field name.
        self.fields = dict(zip(_option_texts(model, {}), answer["texts"]))
        #: N, the reactor count.
        self.N = answer["N"]
        #: The objective's value in its own units; None when the run failed.
        self.objective = answer["objective"]
        #: The criterion margin of the outlet; None without an outlet.
        self.criterion_margin = answer["criterion_margin"]
        self.meets_criterion = answer["meets_criterion"]
        #: Every constraint met (and the criterion, when the margin is sought).
        self.meets = answer["meets"]
        #: The bound that limits it ("y3<=0.91"); None when none does.
        self.limiting = answer["limiting"]
        #: With tolerances, the plain run's margin; criterion_margin is then the worst case over the box.
        self.nominal_margin = answer.get("nominal_margin")
        #: With tolerances, the worst margin over the box, or the share of it meeting the criterion (robust=P).
        self.robust_margin = answer.get("robust_margin")
        self._outlet = answer["outlet"]

    @property
    def run(self):
        """The plain run of the answer's texts (kaskad.Run), computed once."""
        if "_run" not in self.__dict__:
            self.__dict__["_run"] = _plain_run(self.model, self.fields)
        return self.__dict__["_run"]

    def __getstate__(self):
        state = dict(self.__dict__)
        state.pop("_run", None)
        return state

    def __repr__(self):
        return (f"<kaskad.Answer N={self.N} objective={self.objective!r} "
                f"meets={self.meets} limiting={self.limiting!r}>")

    def _repr_html_(self):
        from ._html import answer_html
        return answer_html(self)


class OptimizeResult(Answer):
    """kaskad.optimize's answer: the best input set (its attributes are the
    best Answer's), every reactor count's in by_N, and the search's figures."""

    def __init__(self, model, result):
        answers = [Answer(model, answer) for answer in result["answers"]]
        best = result["answers"][result["best"]]
        super().__init__(model, best)
        #: "criterion margin, maximised", ...
        self.objective_description = result["objective"]
        #: Model runs made.
        self.evaluations = result["evaluations"]
        #: True when Ctrl+C ended the search early: the answers are the best found before it.
        self.stopped = result["stopped"]
        #: The Answer per reactor count, fewest reactors first.
        self.answers = answers
        smallest = result["smallest_meeting"]
        #: The fewest reactors whose answer meets the target and the criterion; None when none does.
        self.smallest_N = None if smallest is None else answers[smallest].N

    @property
    def by_N(self):
        """One row per reactor count: N, the field texts (categorical, named
        NAME_text as in a sweep's frame: t_in_text for the field t), objective,
        criterion_margin (with tolerances then nominal_margin), meets_criterion,
        meets, limiting and the outlet's y1..P (float64, NaN without an outlet)."""
        import pandas as pd
        from ._frame import field_column
        rows = []
        for answer in self.answers:
            outlet = answer._outlet or (None,) * len(_kaskad.QUANTITIES)
            rows.append({"N": answer.N, **{f"{field_column(name)}_text": text for name, text in answer.fields.items()},
                         "objective": answer.objective, "criterion_margin": answer.criterion_margin,
                         "meets_criterion": answer.meets_criterion, "meets": answer.meets,
                         "limiting": answer.limiting,
                         **{q: (float("nan") if v is None else v) for q, v in zip(_kaskad.QUANTITIES, outlet)}})
        frame = pd.DataFrame(rows)
        texts = [f"{field_column(name)}_text" for name in self.fields]
        frame = frame.astype({"objective": "float64", "criterion_margin": "float64", "meets_criterion": bool,
                              "meets": bool, **{name: "category" for name in texts + ["limiting"]}})
        if any(answer.nominal_margin is not None for answer in self.answers):
            # With tolerances: the plain run's margin beside the worst case.
            frame.insert(frame.columns.get_loc("criterion_margin") + 1, "nominal_margin",
                         [answer.nominal_margin for answer in self.answers])
            frame = frame.astype({"nominal_margin": "float64"})
        return frame

    def __repr__(self):
        return (f"<kaskad.OptimizeResult best N={self.N} objective={self.objective!r} meets={self.meets} "
                f"smallest_N={self.smallest_N} evaluations={self.evaluations}>")

    def _repr_html_(self):
        from ._html import optimize_html
        return optimize_html(self)


def _meet_probability(robust):
    if isinstance(robust, str) and robust == "worst":
        return None
    if isinstance(robust, float) and not isinstance(robust, bool):
        return robust
    raise TypeError("robust takes 'worst' or a probability such as 0.99")


def _objective(objective):
    if objective == "margin":
        return "margin", "margin"
    if isinstance(objective, str) and objective[:4] in ("max:", "min:"):
        return objective[:3], objective[4:]
    if isinstance(objective, str):
        return "max", objective
    raise TypeError("an objective is 'margin', 'max:NAME', 'min:NAME' or a name to maximise")


def optimize(model, objective="margin", meet_criterion=False, subject_to=(), digits=4, max_evals=None, jobs=None,
             tolerances=None, robust="worst", **fields):
    """The input set of the best objective per reactor count, as kaskad-cli optimize finds it.

    Fields take texts or numbers (fixed) or (FROM, TO) pairs (intervals; N=(10, 24)
    searches every reactor count from 10 to 24); fields not given take bubble()'s
    or gaslift()'s defaults. objective: "margin" (the criterion margin, the
    default), "max:y3", "min:ts" (an outlet quantity: y1..y6, GB, WB, ALFA, ALPE,
    t, P; or an interval field). meet_criterion makes the criterion a constraint;
    subject_to adds bounds such as "y1<=0.02" (outlet) or "all:GB>=0" (every
    reactor). The answer's texts have `digits` significant digits and its values
    are those of a plain run of exactly them. max_evals defaults to 2000.
    tolerances, {"t": "±1", "wg": "±5%"}, judges every input set by its worst
    case over the box they span around it (kaskad-cli optimize --tolerance):
    criterion_margin is then that worst case, nominal_margin the plain run's.
    robust=0.99 instead asks that the criterion be met with that probability,
    the fields uniform over the box (--robust 0.99); robust_margin is then the
    share of the box's samples that meet it.
    Raises kaskad.UsageError (a ValueError) for a study that cannot run.
    """
    if isinstance(subject_to, str):
        subject_to = (subject_to,)
    bounds = [text_argument(bound, "a bound of subject_to") for bound in subject_to]
    kind, name = _objective(objective)
    texts = list(_option_texts(model, fields).values())
    result = _kaskad.optimize(model, texts, kind, name, flag(meet_criterion, "meet_criterion"), bounds,
                              whole_number_in(digits, "digits", 1, MOST_DIGITS),
                              2000 if max_evals is None else whole_number_in(max_evals, "max_evals", 1,
                                                                             MOST_EVALUATIONS),
                              jobs_count(jobs),
                              [f"{name}={text_argument(text, 'a tolerance')}"
                               for name, text in (tolerances or {}).items()],
                              _meet_probability(robust))
    return OptimizeResult(model, result)


class Root:
    """A value of the solved field and the plain run of its text."""

    def __init__(self, model, field, root):
        self.model = model
        #: The solved field's text at the root.
        self.text = root[0]
        #: The eight field texts, by field name.
        self.fields = dict(zip(_option_texts(model, {}), root[1]))
        #: The quantity's stored value in the plain run of those texts.
        self.value = root[2]
        #: A double root: the quantity touches the target there and turns back.
        self.tangent = root[3]
        self.field = field

    run = Answer.run
    __getstate__ = Answer.__getstate__

    def __repr__(self):
        return f"<kaskad.Root {self.field}={self.text} value={self.value!r}>"

    def _repr_html_(self):
        from ._html import root_html
        return root_html(self)


class SolveResult:
    """kaskad.solve's answer: every root found, or the closest scan point."""

    def __init__(self, model, target, result):
        self.model = model
        self.target = target
        #: The solved field's name.
        self.field = result["field"]
        #: The roots in increasing field value.
        self.roots = [Root(model, self.field, root) for root in result["roots"]]
        #: Without a root: the scan point nearest the target; else None.
        self.closest = None if result["closest"] is None else Root(model, self.field, result["closest"])
        self.evaluations = result["evaluations"]
        #: True when Ctrl+C ended the scan early: the roots are those found before it.
        self.stopped = result["stopped"]

    @property
    def fields(self):
        """The first root's field texts; None without a root."""
        return self.roots[0].fields if self.roots else None

    @property
    def run(self):
        """The plain run of the first root; None without a root."""
        return self.roots[0].run if self.roots else None

    def __repr__(self):
        return f"<kaskad.SolveResult {self.target} roots={[root.text for root in self.roots]}>"

    def _repr_html_(self):
        from ._html import solve_html
        return solve_html(self)


def solve(model, target="y1=0.02", reactor=None, scan=200, **fields):
    """Every value of the one field given as a (FROM, TO) interval at which a
    quantity of the outlet (or of reactor `reactor`) takes the target value,
    as kaskad-cli solve finds them: a scan of `scan` steps, then TOMS 748 on
    each change of sign, each root within one stored unit of the field.
    """
    texts = list(_option_texts(model, fields).values())
    target = text_argument(target, "target")
    reactor = None if reactor is None else whole_number_in(reactor, "reactor", 1, MOST_REACTOR)
    scan = whole_number_in(scan, "scan", 1, MOST_SCAN_STEPS)
    return SolveResult(model, target, _kaskad.solve(model, texts, target, reactor, scan))
