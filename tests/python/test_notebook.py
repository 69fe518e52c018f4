# The module in a notebook: the HTML of runs and design answers, the
# version and its metadata, and the example notebook executed as a user would.
import importlib.metadata
import json
import re
import sys
import xml.etree.ElementTree as ElementTree
from html.parser import HTMLParser
from pathlib import Path

import pytest

import kaskad
from conftest import run_cli

NOTEBOOK = Path(__file__).resolve().parents[2] / "examples" / "kaskad.ipynb"
SVG = "{http://www.w3.org/2000/svg}"


class _Tables(HTMLParser):
    """The cell texts of every table in an HTML text, row by row, and its SVG charts parsed as XML."""

    def __init__(self, text):
        super().__init__()
        self.tables, self._cell = [], None
        self.feed(text)
        self.svgs = [ElementTree.fromstring(svg) for svg in re.findall(r"<svg.*?</svg>", text, re.S)]

    def handle_starttag(self, tag, attrs):
        if tag == "table":
            self.tables.append([])
        elif tag == "tr":
            self.tables[-1].append([])
        elif tag in ("td", "th"):
            self._cell = ""

    def handle_endtag(self, tag):
        if tag in ("td", "th"):
            self.tables[-1][-1].append(self._cell)
            self._cell = None

    def handle_data(self, data):
        if self._cell is not None:
            self._cell += data


@pytest.mark.parametrize("run", [
    pytest.param(kaskad.bubble(N=3), id="bubble"),
    pytest.param(kaskad.gaslift(N=2, y50="2,0", decimal_separator=","), id="gaslift with commas"),
    pytest.param(kaskad.bubble(N=30), id="failed after 24 reactors"),
])
def test_run_html_shows_every_reactor_with_the_panes_digits(run):
    text = run._repr_html_()
    assert run.ok or f"{run.error.kind}</b> at reactor {run.error.reactor}: {run.error.message}" in text
    page = _Tables(text)
    header, *rows = page.tables[0]
    assert header == ["reactor", *kaskad.QUANTITIES]
    assert rows == [[str(r.reactor)] + [run.text(q, r.reactor) or "" for q in kaskad.QUANTITIES]
                    for r in run.reactors]
    chart, = page.svgs
    lines = {line.get("data-quantity"): line.get("points").split() for line in chart.iter(SVG + "polyline")}
    assert {q: len(points) for q, points in lines.items()} == \
        {q: sum(getattr(r, q) is not None for r in run.reactors) for q in ("y1", "y2", "y3", "y4", "y5", "y6")}


def test_failed_run_html_shows_its_error_and_escapes_the_texts():
    run = kaskad.bubble(N="<b>3")
    assert run.error.kind == "EConvertError"
    text = run._repr_html_()
    assert "N=&lt;b&gt;3" in text and "<b>3" not in text
    assert run.error.kind in text and "reading the fields" in text
    assert _Tables(text).svgs == []


def test_optimize_html_has_the_command_lines_digits():
    fields = dict(N=(10, 12), y50=(2.7, 3.5), wg=(0.05, 0.4), ts=(300, 1800))
    result = kaskad.optimize("bubble", max_evals=300, **fields)
    csv = run_cli("optimize", "bubble", "--N", "10:12", "--y50", "2.7:3.5", "--wg", "0.05:0.4", "--ts", "300:1800",
                  "--y10", "3", "--t", "433", "--dtr", "2", "--d", "3", "--max-evals", "300", "--format", "json")
    expected = json.loads(csv)
    page = _Tables(result._repr_html_())
    best, _outlet, by_N = page.tables
    assert best[1][:2] == [str(expected["best"]["N"]), kaskad.number_text(expected["best"]["objective"])]
    assert [row[0] for row in by_N[1:]] == [str(answer["N"]) for answer in expected["by_N"]]
    assert len(page.svgs) == 1


def test_solve_html_lists_the_roots_as_the_command_line_prints_them():
    result = kaskad.solve("bubble", target="y1=0.02", N=12, ts=(100, 3000))
    printed = run_cli("solve", "bubble", "--N", "12", "--y10", "3", "--y50", "2.5", "--wg", "0.05", "--t", "433",
                      "--dtr", "2", "--d", "3", "--ts", "100:3000", "--target", "y1=0.02")
    roots = _Tables(result._repr_html_()).tables[0][1:]
    assert roots and all(f"ts = {text}: y1 = {value}" in printed for _, text, value in roots)
    root = result.roots[0]
    page = _Tables(root._repr_html_())
    assert f"ts={root.text}, value {kaskad.number_text(root.value)}" in root._repr_html_()
    assert page.tables[0][-1][-1] == root.run.text("P", 12) and len(page.svgs) == 1


def test_version_is_the_programs_and_its_metadata_lies_beside_the_package():
    assert kaskad.__version__ == run_cli("--version").split()[-1]
    distribution = importlib.metadata.distribution("kaskad")
    assert distribution.version == kaskad.__version__
    assert Path(distribution.locate_file("kaskad/__init__.py")).resolve() == Path(kaskad.__file__).resolve()


def _kernel_of_this_build(directory):
    """A Jupyter kernel in `directory` that runs this interpreter with this build of the module on its path."""
    kernel = directory / "kernels" / "kaskad-build"
    kernel.mkdir(parents=True)
    package_root = str(Path(kaskad.__file__).resolve().parents[1])
    (kernel / "kernel.json").write_text(json.dumps({
        "argv": [sys.executable, "-m", "ipykernel_launcher", "-f", "{connection_file}"],
        "display_name": "Kaskad build", "language": "python",
        "env": {"PYTHONPATH": package_root, "MPLBACKEND": "module://matplotlib_inline.backend_inline",
                "PYDEVD_DISABLE_FILE_VALIDATION": "1"}}))
    return "kaskad-build"


def _shown_by(path, tmp_path, monkeypatch):
    """The data a notebook shows, executed in `tmp_path` on this build; it must raise no error."""
    nbformat = pytest.importorskip("nbformat")
    nbclient = pytest.importorskip("nbclient")
    monkeypatch.setenv("JUPYTER_PATH", str(tmp_path))
    monkeypatch.setenv("JUPYTER_RUNTIME_DIR", str(tmp_path / "runtime"))
    monkeypatch.setenv("IPYTHONDIR", str(tmp_path / "ipython"))
    monkeypatch.setenv("MPLCONFIGDIR", str(tmp_path / "matplotlib"))
    notebook = nbformat.read(path, as_version=4)
    nbclient.NotebookClient(notebook, timeout=120, kernel_name=_kernel_of_this_build(tmp_path),
                            resources={"metadata": {"path": str(tmp_path)}}).execute()
    outputs = [output for cell in notebook.cells if cell.cell_type == "code" for output in cell.outputs]
    assert not [output for output in outputs if output.output_type == "error"]
    return [output.data for output in outputs if "data" in output], [output.text for output in outputs
                                                                      if output.output_type == "stream"]


def test_example_notebook_runs_on_this_build(tmp_path, monkeypatch):
    shown, _ = _shown_by(NOTEBOOK, tmp_path, monkeypatch)
    assert repr(kaskad.__version__) in [data.get("text/plain") for data in shown]
    assert kaskad.bubble(N=24, wg=0.05, t=433)._repr_html_() in [data.get("text/html") for data in shown]
    assert any("image/png" in data for data in shown)


def test_study_notebook_opens_a_store_lazily_and_plots_a_slice(tmp_path, monkeypatch):
    shown, printed = _shown_by(NOTEBOOK.with_name("study.ipynb"), tmp_path, monkeypatch)
    study = kaskad.open_study(tmp_path / "study.zarr")
    assert dict(study.sizes) == {"wg": 191, "t_in": 41}
    assert "dask.array" in shown[1]["text/plain"] and any("image/png" in data for data in shown)
    expected = kaskad.to_csv(kaskad.sweep("bubble", outlet=True, criterion=True, wg="0.01;0.011;0.012", t=433))
    assert printed == [expected + "\n"]
