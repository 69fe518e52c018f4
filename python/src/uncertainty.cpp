// The module _uncertainty: the uncertainty study with its statistics
// (OpenTURNS), imported by the package on the first study, so that
// `import kaskad` alone loads no OpenTURNS.
#include "field_texts.h"
#include "sample_runs.h"
#include "shared.h"

#include "study/study_error.h"
#include "uncertainty/uncertainty.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <initializer_list>

namespace py = pybind11;

namespace kaskad::python {

namespace {

// Extended values as numpy.longdouble, exactly as the writers print them.
py::array_t<long double> extended(std::initializer_list<long double> values)
{
    return arrayOf(std::vector<long double>(values), {static_cast<py::ssize_t>(values.size())});
}

py::object summaryDict(const std::optional<study::Summary>& summary)
{
    if (!summary)
        return py::none();
    py::dict dict;
    dict["runs"] = summary->count;
    dict["mean_std"] = extended({summary->mean, summary->deviation});
    dict["quantiles"] = std::vector<double>(summary->quantiles.begin(), summary->quantiles.end());
    return dict;
}

py::tuple estimateTuple(const study::IndexEstimate& estimate)
{
    return py::make_tuple(estimate.value, estimate.lower, estimate.upper);
}

py::dict indicesDict(const study::SobolIndices& indices)
{
    py::list outputs;
    for (const study::OutputIndices& output : indices.outputs) {
        py::object inputs = py::none();
        if (output.inputs) {
            py::list rows;
            for (const study::InputIndices& input : *output.inputs)
                rows.append(py::make_tuple(input.input, estimateTuple(input.first), estimateTuple(input.total)));
            inputs = rows;
        }
        outputs.append(py::make_tuple(output.output, output.rowsWithout, inputs));
    }
    py::dict dict;
    dict["evaluations"] = indices.evaluations;
    dict["outputs"] = outputs;
    return dict;
}

py::dict rareDict(const study::RareEventResult& rare)
{
    py::dict dict;
    dict["evaluations"] = rare.evaluations;
    dict["form_probability"] = rare.formProbability;
    dict["reliability_index"] = rare.reliabilityIndex;
    dict["design_point"] = rare.designPoint;
    dict["subset_probability"] = rare.subsetProbability;
    dict["subset_coefficient_of_variation"] = rare.subsetCoefficientOfVariation;
    return dict;
}

py::dict resultDict(const study::UncertainSpace& space, const study::UncertaintySettings& settings,
                    const study::UncertaintyResult& result)
{
    py::dict dict;
    dict["N"] = space.nominal().reactors();
    dict["fields"] = result.fields;
    dict["evaluations"] = result.evaluations;
    dict["failed_runs"] = result.failedRuns;
    dict["meeting"] = result.meeting;
    dict["stopped"] = result.stopped;
    dict["meets"] = extended({result.meets.value, result.meets.lower, result.meets.upper});
    py::list summaries;
    summaries.append(py::make_tuple("margin", summaryDict(result.margin)));
    for (std::size_t q = 0; q < result.quantities.size(); ++q)
        summaries.append(py::make_tuple(std::string(quantityName(settings.quantities[q])),
                                        summaryDict(result.quantities[q].second)));
    dict["summaries"] = summaries;
    dict["margins"] = arrayOf(std::vector<double>(result.margins), {static_cast<py::ssize_t>(result.margins.size())});
    dict["indices"] = result.indices ? py::object(indicesDict(*result.indices)) : py::none();
    dict["rare"] = result.rare ? py::object(rareDict(*result.rare)) : py::none();
    return dict;
}

// A Python callable that runs rows, as the study's runner: called with the
// GIL, its failure (KeyboardInterrupt among them) kept and turned into a stop,
// so that no exception unwinds through OpenTURNS.
class PythonRunner {
public:
    PythonRunner(py::object runner, std::size_t width, std::size_t quantities)
        : runner_(std::move(runner)), width_(width), quantities_(quantities)
    {}

    std::stop_token token() const { return stop_.get_token(); }

    study::SampleRuns operator()(std::span<const double> rows, bool sample)
    {
        py::gil_scoped_acquire held;
        if (stop_.stop_requested())
            return study::SampleRuns(quantities_);
        try {
            const std::size_t count = rows.size() / width_;
            py::array_t<double> array({static_cast<py::ssize_t>(count), static_cast<py::ssize_t>(width_)});
            std::copy(rows.begin(), rows.end(), array.mutable_data());
            return sampleRunsOf(runner_(array, sample), count, quantities_);
        } catch (...) {
            raised_ = std::current_exception();
            stop_.request_stop();
            return study::SampleRuns(quantities_);
        }
    }

    void raisePending() const
    {
        if (raised_)
            std::rethrow_exception(raised_);
    }

private:
    py::object runner_;
    std::size_t width_;
    std::size_t quantities_;
    std::stop_source stop_;
    std::exception_ptr raised_;
};

study::SamplingMethod methodNamed(const std::string& name)
{
    if (const std::optional<study::SamplingMethod> method = study::samplingMethodNamed(name))
        return *method;
    throw py::value_error("the method is 'mc', 'lhs' or 'sobol', not '" + name + "'");
}

// The study of the option texts (numbers or distributions). Ctrl+C stops it
// and raises KeyboardInterrupt; `runner`, when not None, runs every row.
py::dict uncertaintyOf(const std::string& model, const FieldTexts& texts, std::size_t samples, std::uint64_t seed,
                       const std::string& method, const std::vector<std::string>& quantities, bool indices, bool rare,
                       bool keep, std::optional<unsigned> jobs, const py::object& runner, const py::object& progress)
{
    const study::UncertainSpace space(modelOf(model), texts, '.');
    study::UncertaintySettings settings;
    settings.samples = samples;
    settings.seed = seed;
    settings.method = methodNamed(method);
    settings.jobs = threadsOf(jobs);
    settings.indices = indices;
    settings.rare = rare;
    settings.quantities = quantitiesNamed(quantities);
    // The runs planned; the rare-event estimate's come after, as many as it needs.
    const std::size_t total = samples * (indices ? space.uncertain().size() + 3 : 1);
    SignalCheck signals(progress, total);
    settings.progress = [&signals, total](std::size_t done) { signals(std::min(done, total)); };
    settings.stop = signals.token();
    std::optional<SampleColumns> kept;
    if (keep)
        kept.emplace(space.nominal().model(), uncertainFields(space));
    if (kept)
        settings.sampleSink = [&](std::size_t index, std::span<const long double> values, const RunRecord& run) {
            kept->add(index, space.sampleTexts(values), run);
        };
    std::optional<PythonRunner> remote;
    if (!runner.is_none()) {
        remote.emplace(runner, space.uncertain().size(), settings.quantities.size());
        settings.runner = std::ref(*remote);
        settings.stop = remote->token();
    }
    study::UncertaintyResult result;
    {
        py::gil_scoped_release released;
        result = study::runUncertainty(space, settings);
    }
    signals.raisePending();
    if (remote)
        remote->raisePending();
    py::dict dict = resultDict(space, settings, result);
    dict["samples"] = kept && !remote ? py::object(sampleArrays(*kept, space)) : py::none();
    return dict;
}

} // namespace

} // namespace kaskad::python

PYBIND11_MODULE(_uncertainty, m)
{
    using namespace kaskad::python;
    m.doc() = "The uncertainty study of kaskad: use kaskad.uncertainty, not this module.";
    // A study that cannot run raises the package's UsageError, as every other call does.
    static const py::handle usageError = py::object(py::module_::import("kaskad._kaskad").attr("UsageError")).release();
    // pybind11's translators take the exception_ptr by value.
    py::register_local_exception_translator(
        [](std::exception_ptr raised) { // NOLINT(performance-unnecessary-value-param)
            try {
                if (raised)
                    std::rethrow_exception(raised);
            } catch (const kaskad::study::StudyError& error) {
                PyErr_SetString(usageError.ptr(), error.what());
            }
        });
    m.def("uncertainty", &uncertaintyOf, py::arg("model"), py::arg("option_texts"), py::arg("samples"), py::arg("seed"),
          py::arg("method"), py::arg("quantities"), py::arg("indices"), py::arg("rare"), py::arg("keep"),
          py::arg("jobs") = py::none(), py::arg("runner") = py::none(), py::arg("progress") = py::none(),
          "Runs an uncertainty study; its result as plain values, its samples' rows with keep.");
}
