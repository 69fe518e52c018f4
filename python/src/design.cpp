// The optimiser and the solver for the Python package: their answers as
// plain Python values, computed with the GIL released.
#include "field_texts.h"
#include "register.h"
#include "shared.h"

#include "study/optimize.h"
#include "study/solve.h"

#include <pybind11/stl.h>

namespace py = pybind11;

namespace kaskad::python {

namespace {

// A reactor's stored values in store order, None for one not stored.
py::object outletValues(const RunRecord& run)
{
    if (!run.ok() || run.reactors.empty())
        return py::none();
    const ReactorResult& outlet = run.reactors.back();
    py::tuple values(kPaneCount);
    for (std::size_t p = 0; p < kStoreOrder.size(); ++p)
        values[p] = outlet.has(kStoreOrder[p]) ? py::object(py::float_(outlet.value(kStoreOrder[p]))) : py::none();
    return values;
}

py::dict answerDict(const study::DesignProblem& problem, const study::DesignAnswer& answer)
{
    py::dict dict;
    dict["N"] = answer.reactors;
    dict["texts"] = std::vector<std::string>(answer.texts().begin(), answer.texts().end());
    dict["objective"] =
        answer.assessment.computed
            ? py::object(py::float_(static_cast<double>(study::objectiveValue(problem, answer.assessment))))
            : py::none();
    dict["criterion_margin"] =
        answer.assessment.margin ? py::object(py::float_(*answer.assessment.margin)) : py::none();
    dict["meets_criterion"] = answer.assessment.meetsCriterion;
    dict["meets"] = answer.meets;
    dict["limiting"] = answer.limiting.empty() ? py::object(py::none()) : py::object(py::str(answer.limiting));
    dict["nominal_margin"] =
        answer.nominal && answer.nominal->margin ? py::object(py::float_(*answer.nominal->margin)) : py::none();
    // The worst margin over the tolerance box, or the share of it that meets
    // the criterion where a probability is sought.
    const std::optional<double> robust = study::robustMargin(problem, answer);
    dict["robust_margin"] = robust ? py::object(py::float_(*robust)) : py::none();
    dict["outlet"] = outletValues(answer.run);
    return dict;
}

study::Objective::Kind objectiveKind(const std::string& kind)
{
    if (kind == "max")
        return study::Objective::Kind::maximize;
    if (kind == "min")
        return study::Objective::Kind::minimize;
    throw py::value_error("an objective is 'margin', 'max:NAME' or 'min:NAME'");
}

py::dict optimizeDesign(const std::string& model, const FieldTexts& texts, const std::string& kind,
                        const std::string& name, bool meetCriterion, const std::vector<std::string>& subjectTo,
                        int digits, std::size_t maxEvaluations, std::optional<unsigned> jobs,
                        const std::vector<std::string>& tolerances, std::optional<double> meetProbability)
{
    if (digits < 1 || digits > 9)
        throw py::value_error("digits must be from 1 to 9");
    study::DesignSpace space(modelOf(model), texts, kFieldCount);
    study::Objective objective = kind == "margin"
                                     ? study::Objective::parse(study::Objective::Kind::margin, "margin", space)
                                     : study::Objective::parse(objectiveKind(kind), name, space);
    std::vector<study::QuantityBound> bounds;
    bounds.reserve(subjectTo.size());
    for (const std::string& text : subjectTo)
        bounds.push_back(study::parseQuantityBound(text));
    std::vector<study::ToleratedField> tolerated;
    tolerated.reserve(tolerances.size());
    for (const std::string& text : tolerances)
        tolerated.push_back(study::toleratedField(space, study::parseFieldTolerance(text, '.')));
    if (meetProbability && (tolerated.empty() || !(*meetProbability > 0 && *meetProbability < 1)))
        throw py::value_error("robust takes 'worst' or a probability between 0 and 1, with tolerances");
    const study::DesignProblem problem{std::move(space),  std::move(objective), meetCriterion,
                                       std::move(bounds), std::move(tolerated), meetProbability};

    study::OptimizeSettings settings;
    settings.digits = digits;
    settings.maxEvaluations = maxEvaluations;
    settings.jobs = threadsOf(jobs);
    // Ctrl+C stops the search, which answers with the best so far, marked
    // as stopped.
    SignalCheck signals;
    settings.progress = std::ref(signals);
    settings.stop = signals.token();
    study::OptimizeResult result;
    {
        py::gil_scoped_release released;
        result = study::optimize(problem, settings);
    }
    signals.interrupted();
    py::dict dict;
    dict["objective"] = problem.objective.description();
    dict["evaluations"] = result.evaluations;
    dict["stopped"] = result.stopped;
    dict["best"] = result.best;
    dict["smallest_meeting"] = result.smallestMeeting ? py::object(py::int_(*result.smallestMeeting)) : py::none();
    py::list answers;
    for (const study::DesignAnswer& answer : result.byReactors)
        answers.append(answerDict(problem, answer));
    dict["answers"] = answers;
    return dict;
}

py::tuple solvedTuple(const study::SolvedPoint& point)
{
    return py::make_tuple(point.fieldText, std::vector<std::string>(point.texts().begin(), point.texts().end()),
                          point.value, point.tangent);
}

py::dict solveDesign(const std::string& model, const FieldTexts& texts, const std::string& target,
                     std::optional<std::int32_t> reactor, std::size_t scan)
{
    const study::DesignSpace space(modelOf(model), texts, 1);
    const study::Target parsed = study::Target::parse(target);
    study::SolveSettings settings;
    settings.reactor = reactor;
    settings.scanIntervals = scan;
    // Ctrl+C stops the scan, which answers with the roots found so far,
    // marked as stopped. The scan reports each step: the signals are looked
    // at every 50 ms of them.
    SignalCheck signals;
    const Checkpoint checkpoint = std::ref(signals);
    settings.progress = twentyTimesASecond(checkpoint, 0);
    settings.stop = signals.token();
    study::SolveResult result;
    {
        py::gil_scoped_release released;
        result = study::solve(space, parsed, settings);
    }
    signals.interrupted();
    py::dict dict;
    py::list roots;
    for (const study::SolvedPoint& root : result.roots)
        roots.append(solvedTuple(root));
    dict["field"] = space.intervals().front().name;
    dict["roots"] = roots;
    dict["closest"] = result.closest ? py::object(solvedTuple(*result.closest)) : py::none();
    dict["evaluations"] = result.evaluations;
    dict["stopped"] = result.stopped;
    return dict;
}

} // namespace

void registerDesign(py::module_& m)
{
    m.def("optimize", &optimizeDesign, py::arg("model"), py::arg("option_texts"), py::arg("kind"), py::arg("name"),
          py::arg("meet_criterion"), py::arg("subject_to"), py::arg("digits"), py::arg("max_evals"),
          py::arg("jobs") = py::none(), py::arg("tolerances") = std::vector<std::string>{},
          py::arg("meet_probability") = py::none(), "Runs the optimiser; the answers per reactor count as dicts.");
    m.def("solve", &solveDesign, py::arg("model"), py::arg("option_texts"), py::arg("target"),
          py::arg("reactor") = py::none(), py::arg("scan") = 200,
          "Runs the solver; the roots as (field text, field texts, value, tangent).");
}

} // namespace kaskad::python
