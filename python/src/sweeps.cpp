// Sweeps for Python: a plan's points and points given one by one, run and
// returned as arrays of rows, the shard cut, and study files.
#include "formats/file_problem.h"
#include "formats/input_set.h"
#include "formats/study_definition.h"
#include "study/point_rows.h"
#include "study/study_error.h"
#include "field_texts.h"
#include "register.h"
#include "shared.h"
#include "sweep_columns.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <span>

namespace py = pybind11;

namespace kaskad::python {

namespace {

// The rows of the points run: when Ctrl+C stopped the work, with the
// KeyboardInterrupt as "interrupted", which the caller raises with them.
py::dict keptWhenInterrupted(py::dict arrays, const SignalCheck& signals)
{
    if (signals.interrupted())
        arrays["interrupted"] = signals.pending();
    return arrays;
}

// The plan's columns and rows of the points [begin, end), or of the `best`
// of them when not 0.
py::dict sweepArrays(const study::SweepPlan& plan, std::size_t begin, std::size_t end, bool outlet, bool criterion,
                     bool onlyMeeting, std::optional<unsigned> jobs, const py::object& progress, std::size_t best)
{
    checkChunk(plan, begin, end);
    study::RowOptions options = rowOptions(outlet, criterion, onlyMeeting);
    options.best = best;
    const study::SweepRows rows(plan, options);
    SignalCheck signals(progress, end - begin);
    SweepColumns columns;
    {
        py::gil_scoped_release released;
        columns = best > 0 ? bestPointColumns(rows, {begin, end}, threadsOf(jobs), std::ref(signals), signals.token())
                           : sweepColumns(rows, {begin, end}, threadsOf(jobs), std::ref(signals), signals.token());
    }
    std::vector<std::pair<std::string, std::vector<std::string>>> swept;
    for (const study::SweepField& field : plan.sweptFields())
        swept.emplace_back(field.name, field.texts);
    return keptWhenInterrupted(rowArrays(rows, std::move(columns), std::move(swept)), signals);
}

// The rows of points given one by one: `fixed` the eight texts, `varying`
// per field that varies (its place 0..7, its texts, each point's text index).
py::dict givenPointArrays(const std::string& model, const FieldTexts& fixed, const py::list& varying, std::size_t count,
                          const std::string& separator, bool outlet, bool criterion, bool onlyMeeting,
                          std::optional<unsigned> jobs, const py::object& progress)
{
    GivenPoints points{modelOf(model), separatorOf(separator), fixed, {}, {}, {}, count};
    std::vector<py::array_t<std::int32_t>> held;
    std::vector<std::pair<std::string, std::vector<std::string>>> names;
    for (const py::handle item : varying) {
        const auto field = py::reinterpret_borrow<py::tuple>(item);
        const auto place = field[0].cast<std::size_t>();
        auto codes = py::array_t<std::int32_t, py::array::c_style | py::array::forcecast>::ensure(field[2]);
        auto texts = field[1].cast<std::vector<std::string>>();
        if (place >= kFieldCount || !codes || codes.ndim() != 1 || static_cast<std::size_t>(codes.size()) != count)
            throw py::value_error("a varying field is (place 0..7, texts, one text index per point)");
        for (const std::int32_t code : std::span(codes.data(), count))
            if (code < 0 || static_cast<std::size_t>(code) >= texts.size())
                throw py::value_error("a text index lies outside its field's texts");
        points.varying.push_back(Field(place + 1));
        points.choices.emplace_back(codes.data(), count);
        names.emplace_back(std::string(modelFields(points.model)[place].name), texts);
        points.texts.push_back(std::move(texts));
        held.push_back(codes);
    }
    const study::SweepRows rows(points.model, rowOptions(outlet, criterion, onlyMeeting));
    SignalCheck signals(progress, count);
    SweepColumns columns;
    {
        py::gil_scoped_release released;
        columns = givenPointColumns(points, rows, threadsOf(jobs), std::ref(signals), signals.token());
    }
    return keptWhenInterrupted(rowArrays(rows, std::move(columns), std::move(names)), signals);
}

// The files the desktop program saves: studies and input sets.
void registerSavedFiles(py::module_& m)
{
    m.def(
        "read_study",
        [](const std::string& path, const std::string& separator) {
            formats::SavedStudy saved;
            try {
                saved = formats::readSavedStudyFile(path);
            } catch (const formats::FileProblem& problem) {
                throw study::StudyError(problem.message());
            }
            const formats::StudyDefinition definition = formats::studyWithSeparator(saved, separatorOf(separator));
            return py::make_tuple(std::string(modelName(definition.model)),
                                  std::vector<std::string>(definition.values.begin(), definition.values.end()));
        },
        py::arg("path"), py::arg("decimal_separator"),
        "The model and the eight values texts of a study file (NAME.kaskad-study.json), its numbers with the "
        "separator given.");
    m.def(
        "read_input_set",
        [](const std::string& path, const std::string& model, const std::string& separator) {
            try {
                const FieldTexts texts = formats::readInputSetFile(path, modelOf(model), separatorOf(separator));
                return std::vector<std::string>(texts.begin(), texts.end());
            } catch (const formats::FileProblem& problem) {
                throw study::StudyError(problem.message());
            }
        },
        py::arg("path"), py::arg("model"), py::arg("decimal_separator"),
        "The eight field texts of an input set (NAME.kaskad.json) of the model, its numbers with the separator "
        "given.");
}

} // namespace

void registerSweeps(py::module_& m)
{
    py::class_<study::SweepPlan>(m, "SweepPlan", "The points of a sweep.")
        .def(py::init([](const std::string& model, const FieldTexts& texts, const std::string& separator) {
                 return study::SweepPlan(modelOf(model), texts, separatorOf(separator));
             }),
             py::arg("model"), py::arg("option_texts"), py::arg("decimal_separator"))
        .def_property_readonly("point_count", &study::SweepPlan::pointCount)
        .def_property_readonly(
            "swept_fields",
            [](const study::SweepPlan& plan) {
                std::vector<std::pair<std::string, std::vector<std::string>>> fields;
                for (const study::SweepField& field : plan.sweptFields())
                    fields.emplace_back(field.name, pythonTexts(field.texts));
                return fields;
            },
            "Each swept field's name and texts, in the window's order.");
    m.def("sweep_arrays", &sweepArrays, py::arg("plan"), py::arg("begin"), py::arg("end"), py::arg("outlet"),
          py::arg("criterion"), py::arg("only_meeting"), py::arg("jobs") = py::none(), py::arg("progress") = py::none(),
          py::arg("best") = 0,
          "Runs the points begin..end-1 of a plan and returns their rows as arrays; with best, those of the best "
          "points of the largest margins, largest first.");
    m.def("given_point_arrays", &givenPointArrays, py::arg("model"), py::arg("fixed"), py::arg("varying"),
          py::arg("count"), py::arg("decimal_separator"), py::arg("outlet"), py::arg("criterion"),
          py::arg("only_meeting"), py::arg("jobs") = py::none(), py::arg("progress") = py::none(),
          "Runs points given one by one and returns their rows as arrays.");
    m.attr("MOST_SHARDS") = study::kMaxShards;
    registerSavedFiles(m);
    m.def(
        "shard_range",
        [](std::size_t points, std::size_t index, std::size_t count) {
            if (index < 1 || index > count || count > study::kMaxShards)
                throw py::value_error("a shard is K/N with 1 <= K <= N <= " + std::to_string(study::kMaxShards));
            const study::PointRange range = study::shardRange(points, {index, count});
            return std::make_pair(range.begin, range.end);
        },
        py::arg("points"), py::arg("index"), py::arg("count"),
        "The points (begin, end) of shard index (1-based) of count, as kaskad-cli sweep --shard cuts them.");
}

} // namespace kaskad::python
