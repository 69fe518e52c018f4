"""Runs, design answers and studies as HTML for notebooks: compact tables
with Kaskad's digits, and the charts (the cascade profile y1..y6, the
margin's tornado and histogram) as inline SVG."""

import html
import math

from . import _kaskad

#: The quantities the profile chart draws, each with its line colour.
_CHART_LINES = (("y1", "#1f77b4"), ("y2", "#ff7f0e"), ("y3", "#2ca02c"),
                ("y4", "#d62728"), ("y5", "#9467bd"), ("y6", "#8c564b"))
_CHART_WIDTH, _CHART_HEIGHT = 360, 220
# The plot area's margins inside the chart: axis labels left and below, the legend right.
_LEFT, _RIGHT, _TOP, _BOTTOM = 44, 44, 10, 30

_CELL = 'style="text-align:right;font-family:monospace"'


def _escaped(text):
    return html.escape("" if text is None else str(text))


def _row(cells, tag="td", style=_CELL):
    return "<tr>" + "".join(f"<{tag} {style}>{_escaped(cell)}</{tag}>" for cell in cells) + "</tr>"


def _table(header, rows):
    head = _row(header, "th", 'style="text-align:right"')
    return ("<table><thead>" + head + "</thead><tbody>" + "".join(_row(row) for row in rows)
            + "</tbody></table>")


def _fields_line(fields):
    """"N=3, y10=3, …": field texts as the profile's caption names them."""
    return ", ".join(f"{name}={text}" for name, text in fields.items())


def _number(value):
    """A stored value (or a study's extended mean) with Kaskad's digits; empty for none."""
    if value is None:
        return ""
    from . import number_text
    return number_text(value)


def _yes_no(flag):
    return "" if flag is None else ("yes" if flag else "no")


def _error_line(error):
    """The error that ended a run, where it happened and its report's message."""
    if error is None:
        return ""
    where = "reading the fields" if error.reactor is None else f"at reactor {error.reactor}"
    if error.last_quantity is not None:
        where += f" after {error.last_quantity}"
    return (f'<p style="color:#b00020"><b>{_escaped(error.kind)}</b> {_escaped(where)}: '
            f"{_escaped(error.message)}</p>")


def _nice_top(largest):
    """The top of the value axis: 1, 2, 2.5 or 5 times a power of ten at or above `largest`."""
    if largest <= 0:
        return 1.0
    power = 10.0 ** math.floor(math.log10(largest))
    for step in (1, 2, 2.5, 5, 10):
        if step * power >= largest:
            return step * power
    return 10 * power


def _tick_text(value):
    """An axis tick: a round number, not a result, so a short text suffices."""
    return format(value, "g")


def profile_svg(run):
    """The run's y1..y6 against the reactor number as a small SVG chart; the
    empty text when the run computed no reactor."""
    series = {quantity: [(r.reactor, getattr(r, quantity)) for r in run.reactors
                         if getattr(r, quantity) is not None and math.isfinite(getattr(r, quantity))]
              for quantity, _ in _CHART_LINES}
    points = [point for line in series.values() for point in line]
    if not points:
        return ""
    last_reactor = max(reactor for reactor, _ in points)
    smallest = min(value for _, value in points)
    lowest = -_nice_top(-smallest) if smallest < 0 else 0.0
    top = _nice_top(max(value for _, value in points))
    width, height = _CHART_WIDTH - _LEFT - _RIGHT, _CHART_HEIGHT - _TOP - _BOTTOM

    def x(reactor):
        return _LEFT + (width * (reactor - 1) / (last_reactor - 1) if last_reactor > 1 else width / 2)

    def y(value):
        return _TOP + height * (top - value) / (top - lowest)

    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{_CHART_WIDTH}" height="{_CHART_HEIGHT}" '
             f'font-family="sans-serif" font-size="10">',
             f'<rect x="{_LEFT}" y="{_TOP}" width="{width}" height="{height}" fill="none" stroke="#999"/>']
    for value in (lowest, top):
        parts.append(f'<text x="{_LEFT - 4}" y="{y(value) + 3:.1f}" text-anchor="end">{_tick_text(value)}</text>')
    for reactor in sorted({1, last_reactor}):
        parts.append(f'<text x="{x(reactor):.1f}" y="{_TOP + height + 12}" text-anchor="middle">{reactor}</text>')
    parts.append(f'<text x="{_LEFT + width / 2}" y="{_CHART_HEIGHT - 4}" text-anchor="middle">reactor</text>')
    for k, (quantity, colour) in enumerate(_CHART_LINES):
        line = " ".join(f"{x(reactor):.1f},{y(value):.1f}" for reactor, value in series[quantity])
        parts.append(f'<polyline data-quantity="{quantity}" points="{line}" fill="none" stroke="{colour}" '
                     f'stroke-width="1.5"/>')
        legend_y = _TOP + 6 + 14 * k
        parts.append(f'<line x1="{_LEFT + width + 6}" y1="{legend_y}" x2="{_LEFT + width + 18}" y2="{legend_y}" '
                     f'stroke="{colour}" stroke-width="2"/>'
                     f'<text x="{_LEFT + width + 21}" y="{legend_y + 3}">{quantity}</text>')
    parts.append("</svg>")
    return "".join(parts)


def _beside(*blocks):
    """Blocks side by side, wrapping on a narrow page."""
    return ('<div style="display:flex;flex-wrap:wrap;gap:1em;align-items:flex-start">'
            + "".join(f"<div>{block}</div>" for block in blocks if block) + "</div>")


def _reactor_table(run):
    """A row per reactor computed: its number and the twelve quantities as the
    panes print them; empty when the run computed none."""
    if not run.reactors:
        return ""
    rows = [[r.reactor] + [run.text(quantity, r.reactor) for quantity in _kaskad.QUANTITIES] for r in run.reactors]
    return ('<div style="max-height:24em;overflow:auto">'
            + _table(["reactor", *_kaskad.QUANTITIES], rows) + "</div>")


def run_html(run):
    """kaskad.Run as HTML: the model and field texts, the error if any, the
    reactor table and the profile chart."""
    heading = (f"<p><b>kaskad.Run</b> {_escaped(run.model)}: {_escaped(_fields_line(run.inputs))}; "
               f"{len(run.reactors)} reactors</p>")
    return heading + _error_line(run.error) + _beside(_reactor_table(run), profile_svg(run))


def _outlet_table(run):
    """The outlet's twelve quantities as the panes print them; empty without an outlet."""
    if not run.reactors:
        return ""
    outlet = run.reactors[-1].reactor
    return _table(["reactor", *_kaskad.QUANTITIES],
                  [[outlet] + [run.text(quantity, outlet) for quantity in _kaskad.QUANTITIES]])


def _answer_summary(answer):
    """The lines of one answer: its texts, objective, criterion and limiting bound."""
    return _table(["N", "objective", "criterion margin", "criterion met", "constraints met", "limiting"],
                  [[answer.N, _number(answer.objective), _number(answer.criterion_margin),
                    _yes_no(answer.meets_criterion), _yes_no(answer.meets), answer.limiting or ""]])


def answer_html(answer, title="kaskad.Answer"):
    """An answer of the optimiser: its field texts and figures, and the plain
    run of its texts as outlet row, error and profile chart."""
    run = answer.run
    return (f"<p><b>{_escaped(title)}</b> {_escaped(answer.model)}: {_escaped(_fields_line(answer.fields))}</p>"
            + _answer_summary(answer) + _error_line(run.error) + _beside(_outlet_table(run), profile_svg(run)))


def _varying_fields(answers):
    """The fields other than N whose texts differ between the answers, in field order."""
    names = [name for name in answers[0].fields if name != "N"]
    return [name for name in names if len({answer.fields[name] for answer in answers}) > 1]


def _by_N_table(answers):
    """A row per reactor count: the texts that differ between counts and the answer's figures."""
    varying = _varying_fields(answers)
    rows = [[answer.N, *(answer.fields[name] for name in varying), _number(answer.objective),
             _number(answer.criterion_margin), _yes_no(answer.meets_criterion), _yes_no(answer.meets),
             answer.limiting or ""] for answer in answers]
    return _table(["N", *varying, "objective", "criterion margin", "criterion met", "constraints met", "limiting"],
                  rows)


def optimize_html(result):
    """kaskad.OptimizeResult as HTML: the search's figures, the best answer
    with its run, and every reactor count's answer."""
    search = (f"<p>{_escaped(result.objective_description)}; {result.evaluations} evaluations"
              + ("; stopped early" if result.stopped else "")
              + f"; fewest reactors meeting the criterion: {_escaped(result.smallest_N or 'none')}</p>")
    by_N = "<details><summary>by N</summary>" + _by_N_table(result.answers) + "</details>"
    return answer_html(result, "kaskad.OptimizeResult") + search + by_N


def root_html(root):
    """A root of the solver: the solved field's text and the quantity's value
    there, the field texts, and their plain run as outlet row, error and
    profile chart."""
    run = root.run
    tangent = " (a tangency: the quantity touches the target and turns back)" if root.tangent else ""
    return (f"<p><b>kaskad.Root</b> {_escaped(root.model)}: {_escaped(root.field)}={_escaped(root.text)}, "
            f"value {_escaped(_number(root.value))}{_escaped(tangent)}</p>"
            + f"<p>{_escaped(_fields_line(root.fields))}</p>" + _error_line(run.error)
            + _beside(_outlet_table(run), profile_svg(run)))


def solve_html(result):
    """kaskad.SolveResult as HTML: the target, each root's text and value,
    or the closest scan point, and the first root's run."""
    heading = f"<p><b>kaskad.SolveResult</b> {_escaped(result.model)}: {_escaped(result.target)}"
    roots = result.roots or ([result.closest] if result.closest is not None else [])
    label = "root" if result.roots else "closest (no root)"
    table = _table([label, result.field, "value"],
                   [[k + 1, root.text, _number(root.value)] for k, root in enumerate(roots)])
    chart = profile_svg(roots[0].run) if roots else ""
    fields = f"<p>{_escaped(_fields_line(roots[0].fields))}</p>" if roots else ""
    return (heading + f"; {result.evaluations} evaluations</p>" + fields + _beside(table, chart))


def _svg_open(width, height):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
            f'font-family="sans-serif" font-size="10">')


def _finite(value):
    return value is not None and math.isfinite(value)


def _span(values):
    """The axis' ends: the values' least and greatest, widened a little, never empty."""
    low, high = min(values), max(values)
    pad = (high - low) * 0.05 or abs(high) * 0.05 or 1.0
    return low - pad, high + pad


#: The tornado's geometry: the labels' column, a bar's height and gap.
_TORNADO_LABEL, _TORNADO_BAR, _TORNADO_GAP = 110, 14, 6
#: The criterion's line, where the margin is 0.
_CRITERION_COLOUR = "#b00020"


def _vertical_line(x, top, bottom, colour, dashed, label):
    dash = ' stroke-dasharray="4,3"' if dashed else ""
    return (f'<line x1="{x:.1f}" y1="{top}" x2="{x:.1f}" y2="{bottom}" stroke="{colour}"{dash}/>'
            f'<text x="{x:.1f}" y="{top - 2}" text-anchor="middle" fill="{colour}">{_escaped(label)}</text>')


def tornado_svg(result):
    """The criterion margin at either end of each field's tolerance, a bar
    per field in the ranking's order around the nominal margin, and the
    criterion's 0 line; the empty text without a nominal margin or a bar."""
    frame = result.fields
    bars = [(name, frame.at[name, "margin_low"], frame.at[name, "margin_high"]) for name in result.ranking
            if _finite(frame.at[name, "margin_low"]) and _finite(frame.at[name, "margin_high"])]
    if result.margin is None or not bars:
        return ""
    low, high = _span([value for _, a, b in bars for value in (a, b)] + [result.margin, 0.0])
    width = _CHART_WIDTH + 80
    plot = width - _TORNADO_LABEL - 16
    top = 16
    height = top + len(bars) * (_TORNADO_BAR + _TORNADO_GAP) + _BOTTOM

    def x(value):
        return _TORNADO_LABEL + plot * (value - low) / (high - low)

    parts = [_svg_open(width, height)]
    for k, (name, below, above) in enumerate(bars):
        y = top + _TORNADO_GAP / 2 + k * (_TORNADO_BAR + _TORNADO_GAP)
        tolerance = frame.at[name, "tolerance"] or "(±1%)"
        parts.append(f'<text x="{_TORNADO_LABEL - 4}" y="{y + _TORNADO_BAR - 3:.1f}" text-anchor="end">'
                     f'{_escaped(name)} {_escaped(tolerance)}</text>')
        # The margin at - above, at + below: both show where they fall on the same side.
        for half, (value, colour) in enumerate(((below, "#1f77b4"), (above, "#ff7f0e"))):
            left, right = sorted((x(value), x(result.margin)))
            parts.append(f'<rect data-field="{_escaped(name)}" x="{left:.1f}" y="{y + half * _TORNADO_BAR / 2:.1f}" '
                         f'width="{right - left:.1f}" height="{_TORNADO_BAR / 2}" fill="{colour}"/>')
    bottom = height - _BOTTOM
    parts.append(_vertical_line(x(result.margin), top, bottom, "#333", False, "nominal"))
    parts.append(_vertical_line(x(0.0), top, bottom, _CRITERION_COLOUR, True, "0"))
    for value in (low, high):
        parts.append(f'<text x="{x(value):.1f}" y="{bottom + 12}" text-anchor="middle">{_tick_text(value)}</text>')
    parts.append(f'<text x="{_TORNADO_LABEL + plot / 2:.1f}" y="{height - 4}" text-anchor="middle">'
                 "criterion margin: blue at -, orange at +</text></svg>")
    return "".join(parts)


def _derivative_cells(frame, name):
    if not _finite(frame.at[name, "margin_derivative"]):
        return ["run failed", "-", "-"]
    elasticity = frame.at[name, "margin_elasticity"]
    return [_number(frame.at[name, "margin_derivative"]), _number(frame.at[name, "margin_error"]),
            _number(elasticity) if _finite(elasticity) else "-"]


def _margin_cell(value):
    return _number(value) if _finite(value) else "-"


def sensitivity_html(result):
    """kaskad.SensitivityResult as HTML: the nominal margin, a row per field
    in the ranking's order as kaskad-cli prints it, and the tornado chart."""
    frame = result.fields
    heading = (f"<p><b>kaskad.SensitivityResult</b> {_escaped(result.model)}: {_escaped(_fields_line(result.inputs))}"
               f"</p><p>Criterion margin at N {result.N}: "
               f"{_escaped(_number(result.margin) if result.margin is not None else '-')}; "
               f"{result.evaluations} evaluations</p>")
    rows = [[name, result.inputs[name], _number(frame.at[name, "step"]), *_derivative_cells(frame, name),
             frame.at[name, "tolerance"] or "(±1%)", _margin_cell(frame.at[name, "margin_low"]),
             _margin_cell(frame.at[name, "margin_high"])] for name in result.ranking]
    table = _table(["field", "value", "step", "d margin/d field", "error", "elasticity", "tolerance", "margin at -",
                    "margin at +"], rows)
    return heading + _beside(table, tornado_svg(result))


#: The histogram's bins.
_HISTOGRAM_BINS = 30


def margin_histogram_svg(margins):
    """The runs' criterion margins as a histogram with the criterion's 0
    line; the empty text when no run gave a margin."""
    values = [value for value in margins if math.isfinite(value)]
    if not values:
        return ""
    low, high = _span(values + [0.0])
    counts = [0] * _HISTOGRAM_BINS
    for value in values:
        counts[min(_HISTOGRAM_BINS - 1, int((value - low) / (high - low) * _HISTOGRAM_BINS))] += 1
    width, height = _CHART_WIDTH - _LEFT - _RIGHT + 40, _CHART_HEIGHT - _TOP - _BOTTOM
    top = _nice_top(max(counts))

    def x(value):
        return _LEFT + width * (value - low) / (high - low)

    bin_width = width / _HISTOGRAM_BINS
    parts = [_svg_open(_LEFT + width + 10, _CHART_HEIGHT),
             f'<rect x="{_LEFT}" y="{_TOP}" width="{width}" height="{height}" fill="none" stroke="#999"/>']
    for k, count in enumerate(counts):
        bar = height * count / top
        parts.append(f'<rect x="{_LEFT + k * bin_width:.1f}" y="{_TOP + height - bar:.1f}" width="{bin_width:.1f}" '
                     f'height="{bar:.1f}" fill="#1f77b4" stroke="#fff" stroke-width="0.5"/>')
    parts.append(_vertical_line(x(0.0), _TOP + 10, _TOP + height, _CRITERION_COLOUR, True, "0"))
    for value, y in ((0, _TOP + height), (top, _TOP)):
        parts.append(f'<text x="{_LEFT - 4}" y="{y + 3:.1f}" text-anchor="end">{_tick_text(value)}</text>')
    for value in (low, high):
        parts.append(f'<text x="{x(value):.1f}" y="{_TOP + height + 12}" text-anchor="middle">'
                     f"{_tick_text(value)}</text>")
    parts.append(f'<text x="{_LEFT + width / 2:.1f}" y="{_CHART_HEIGHT - 4}" text-anchor="middle">'
                 f"criterion margin of {len(values)} runs</text></svg>")
    return "".join(parts)


def _summary_table(summary):
    rows = [[name, row["runs"], *(_number(row[column]) if row["runs"] else "-" for column in summary.columns[1:])]
            for name, row in summary.iterrows()]
    return _table(["quantity", *summary.columns], rows)


def _indices_table(indices):
    rows = [[output, field, _number(row["first"]), f"[{_number(row['first_low'])}, {_number(row['first_high'])}]",
             _number(row["total"]), f"[{_number(row['total_low'])}, {_number(row['total_high'])}]"]
            for (output, field), row in indices.iterrows()]
    return _table(["output", "field", "first", "interval", "total", "interval"], rows)


def _rare_lines(rare):
    point = ", ".join(f"{name}={_number(value)}" for name, value in rare["design_point"].items())
    return (f"<p>Probability of missing the criterion ({rare['evaluations']} more runs): FORM "
            f"{_escaped(_number(rare['form_probability']))} (reliability index "
            f"{_escaped(_number(rare['reliability_index']))}), subset sampling "
            f"{_escaped(_number(rare['subset_probability']))} (coefficient of variation "
            f"{_escaped(_number(rare['subset_coefficient_of_variation']))}); design point {_escaped(point)}</p>")


def uncertainty_html(result):
    """kaskad.UncertaintyResult as HTML: P(meets criterion) with its
    interval, the summaries, the indices and rare-event estimates when
    computed, and the histogram of the margin."""
    low, high = result.probability_meets_ci95
    heading = (f"<p><b>kaskad.UncertaintyResult</b> {_escaped(result.model)}: "
               f"{_escaped(_fields_line(result.inputs))}</p><p>N = {result.N}: {result.samples_asked} "
               f"{_escaped(result.method)} samples, seed {result.seed}; runs {result.evaluations}, failed "
               f"{result.failed_runs}" + ("; stopped early" if result.stopped else "") + "</p>"
               f"<p><b>P(meets criterion) = {_escaped(_number(result.probability_meets))}</b>, 95 % Wilson interval "
               f"[{_escaped(_number(low))}, {_escaped(_number(high))}]</p>")
    tables = _summary_table(result.summary)
    if result.indices is not None:
        tables += f"<p>Sobol' indices ({result.index_evaluations} more runs)</p>" + _indices_table(result.indices)
    rare = _rare_lines(result.rare) if result.rare is not None else ""
    return heading + _beside(tables, margin_histogram_svg(result.margins)) + rare
