# Shared by the Python package's tests: the worked examples read from
# tests/worked_examples.h, and kaskad-cli run as a program.
import os
import re
import subprocess

import pytest


def _string_arrays(source, name):
    """The string literals of the C++ array `name`, in order."""
    match = re.search(r"\b" + name + r"\s*=\s*\{(.*?)\};", source, re.S)
    assert match, f"{name} not found in the worked examples"
    return [literal for literal in re.findall(r'"([^"]*)"', match.group(1))]


class WorkedExample:
    def __init__(self, source, model, prefix):
        self.model = model
        self.fields = _string_arrays(source, f"k{prefix}ExampleFields")
        values = _string_arrays(source, f"k{prefix}ExamplePanes")
        assert len(self.fields) == 8 and len(values) == 36
        # The panes Text1..Text12, each with reactors 1..3.
        self.panes = [values[3 * p:3 * p + 3] for p in range(12)]


@pytest.fixture(scope="session")
def worked_examples():
    with open(os.environ["KASKAD_WORKED_EXAMPLES"], encoding="utf-8") as header:
        source = header.read()
    return {"bubble": WorkedExample(source, "bubble", "Bubble"),
            "gaslift": WorkedExample(source, "gaslift", "GasLift")}


#: The panes Text1..Text12 by quantity.
PANE_QUANTITIES = ["y1", "y2", "y3", "y4", "y5", "y6", "GB", "ALFA", "WB", "ALPE", "t", "P"]


def run_cli(*arguments, status=0):
    """kaskad-cli's output, in the C locale; fails the test on another exit status."""
    result = subprocess.run([os.environ["KASKAD_CLI"], *arguments], capture_output=True, text=True,
                            env={**os.environ, "LC_ALL": "C"})
    assert result.returncode == status, result.stderr
    return result.stdout
