// What a sample's runs give the statistics, handed to and from Python as
// arrays, and the samples' rows.
#include "sample_runs.h"

#include "shared.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cmath>

namespace py = pybind11;

namespace kaskad::python {

std::vector<Pane> quantitiesNamed(const std::vector<std::string>& names)
{
    std::vector<Pane> panes;
    for (const std::string& name : names) {
        const std::optional<Pane> pane = quantityNamed(name);
        if (!pane)
            throw py::value_error("no outlet quantity is named '" + name + "'");
        panes.push_back(*pane);
    }
    return panes;
}

py::dict sampleRunsDict(study::SampleRuns&& runs)
{
    const auto count = static_cast<py::ssize_t>(runs.margins.size());
    std::vector<double> quantities;
    quantities.reserve(runs.quantities.size() * runs.margins.size());
    for (const std::vector<double>& values : runs.quantities)
        quantities.insert(quantities.end(), values.begin(), values.end());
    py::dict dict;
    dict["delivered"] = runs.delivered;
    dict["failed"] = runs.failed;
    dict["meeting"] = runs.meeting;
    dict["margins"] = arrayOf(std::move(runs.margins), {count});
    dict["quantities"] = arrayOf(std::move(quantities), {static_cast<py::ssize_t>(runs.quantities.size()), count});
    return dict;
}

study::SampleRuns sampleRunsOf(const py::handle& dict, std::size_t rows, std::size_t quantities)
{
    const auto margins = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(dict["margins"]);
    const auto values = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(dict["quantities"]);
    study::SampleRuns runs(quantities);
    runs.delivered = dict["delivered"].cast<std::size_t>();
    runs.failed = dict["failed"].cast<std::size_t>();
    runs.meeting = dict["meeting"].cast<std::size_t>();
    if (!margins || !values || margins.ndim() != 1 || values.ndim() != 2 || runs.delivered > rows ||
        static_cast<std::size_t>(margins.size()) != runs.delivered ||
        static_cast<std::size_t>(values.shape(0)) != quantities ||
        static_cast<std::size_t>(values.shape(1)) != runs.delivered ||
        std::max(runs.failed, runs.meeting) > runs.delivered)
        throw py::value_error("the runs of a sample are {delivered, failed, meeting, margins (runs,), "
                              "quantities (quantities, runs)}, at most one run per row");
    runs.margins.assign(margins.data(), margins.data() + runs.delivered);
    for (std::size_t q = 0; q < quantities; ++q)
        runs.quantities[q].assign(values.data(static_cast<py::ssize_t>(q), 0),
                                  values.data(static_cast<py::ssize_t>(q), 0) + runs.delivered);
    return runs;
}

std::vector<Field> uncertainFields(const study::UncertainSpace& space)
{
    std::vector<Field> fields;
    for (const study::VaryingField& field : space.varying())
        fields.push_back(field.field);
    return fields;
}

py::dict sampleArrays(SampleColumns& samples, const study::UncertainSpace& space)
{
    std::vector<std::pair<std::string, std::vector<std::string>>> varying;
    const std::vector<std::vector<std::string>> texts = samples.texts();
    for (std::size_t f = 0; f < texts.size(); ++f)
        varying.emplace_back(space.varying()[f].name, texts[f]);
    return rowArrays(samples.rows(), std::move(samples.columns), std::move(varying));
}

} // namespace kaskad::python
