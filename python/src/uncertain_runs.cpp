// The runs of rows of an uncertainty study's sample, without its statistics:
// what a worker of kaskad.distributed computes, with no OpenTURNS loaded.
#include "field_texts.h"
#include "register.h"
#include "sample_runs.h"
#include "shared.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <optional>
#include <span>

namespace py = pybind11;

namespace kaskad::python {

namespace {

using Rows = py::array_t<double, py::array::c_style | py::array::forcecast>;

// Runs `rows` (one per sample, one value per uncertain field) of the study
// of `texts`; with `keep` the samples' rows too, numbered from `first`.
py::dict uncertainRuns(const std::string& model, const FieldTexts& texts, const Rows& rows,
                       const std::vector<std::string>& quantities, bool keep, std::size_t first,
                       std::optional<unsigned> jobs)
{
    const study::UncertainSpace space(modelOf(model), texts, '.');
    const std::size_t width = space.uncertain().size();
    if (width == 0 || rows.ndim() != 2 || static_cast<std::size_t>(rows.shape(1)) != width)
        throw py::value_error("the rows hold one value per uncertain field: " + std::to_string(width));
    const std::span<const double> values(rows.data(), static_cast<std::size_t>(rows.size()));
    SignalCheck signals;
    std::optional<SampleColumns> samples;
    if (keep)
        samples.emplace(space.nominal().model(), uncertainFields(space));
    study::SampleRunSettings settings{
        quantitiesNamed(quantities), threadsOf(jobs), signals.token(), std::ref(signals), {}};
    if (samples)
        settings.sink = [&](std::size_t index, std::span<const long double> drawn, const RunRecord& run) {
            samples->add(first + index, space.sampleTexts(drawn), run);
        };
    study::SampleRuns runs;
    {
        py::gil_scoped_release released;
        runs = study::runSampleRows(space, values, settings);
    }
    signals.raisePending();
    py::dict dict = sampleRunsDict(std::move(runs));
    dict["samples"] = samples ? py::object(sampleArrays(*samples, space)) : py::none();
    return dict;
}

} // namespace

void registerUncertainRuns(py::module_& m)
{
    m.def("uncertain_runs", &uncertainRuns, py::arg("model"), py::arg("option_texts"), py::arg("rows"),
          py::arg("quantities"), py::arg("keep"), py::arg("first") = 0, py::arg("jobs") = py::none(),
          "Runs rows of an uncertainty study's sample: what they give its statistics, and their rows with keep.");
}

} // namespace kaskad::python
