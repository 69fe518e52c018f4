// The runs of an uncertainty study's samples between Python and the study:
// what they give the statistics, and the samples' rows, as arrays.
#pragma once

#include "study/sample_runs.h"
#include "sweep_columns.h"

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

namespace kaskad::python {

// The outlet quantities named; a ValueError for a name that is none.
std::vector<Pane> quantitiesNamed(const std::vector<std::string>& names);

// {"delivered", "failed", "meeting", "margins": (runs,), "quantities":
// (quantities, runs)}.
pybind11::dict sampleRunsDict(study::SampleRuns&& runs);
// The same read back; a ValueError unless it holds at most `rows` runs of
// `quantities` quantities.
study::SampleRuns sampleRunsOf(const pybind11::handle& dict, std::size_t rows, std::size_t quantities);

// The samples' rows as arrays, as kaskad-cli's samples CSV gives them.
pybind11::dict sampleArrays(SampleColumns& samples, const study::UncertainSpace& space);

// The uncertain fields, in the window's order.
std::vector<Field> uncertainFields(const study::UncertainSpace& space);

} // namespace kaskad::python
