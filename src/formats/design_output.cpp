// The optimiser's and the solver's answers as text, CSV and JSON.
#include "formats/design_output.h"

#include "formats/csv.h"

#include <algorithm>
#include <iomanip>
#include <stdexcept>

namespace kaskad::formats {

namespace {

using study::DesignAnswer;
using study::DesignProblem;
using study::OptimizeResult;

std::string numberText(double value)
{
    char text[kNumberTextCapacity];
    return {text, writeNumberText(text, value, '.')};
}

std::string objectiveText(const DesignProblem& problem, const DesignAnswer& answer)
{
    if (!answer.assessment.computed)
        return {};
    return numberText(static_cast<double>(study::objectiveValue(problem, answer.assessment)));
}

// The answer's texts as a command that runs it.
std::string commandOf(ModelKind model, const FieldTexts& texts)
{
    std::string command = "kaskad-cli " + std::string(modelName(model));
    for (const FieldDescription& field : modelFields(model)) {
        const std::string& text = texts[field.field];
        if (!field.converted() && text.empty())
            continue;
        const bool plain = !text.empty() && text.find_first_not_of("0123456789.-+eE") == std::string::npos;
        command += ' ' + fieldOption(field.name) + ' ' + (plain ? text : "'" + text + "'");
    }
    return command;
}

// "t ±1, wg ±5%".
std::string tolerancesText(const DesignProblem& problem)
{
    std::string text;
    for (const study::ToleratedField& field : problem.tolerances)
        text += (text.empty() ? "" : ", ") + field.name + ' ' + field.tolerance.text();
    return text;
}

std::string nominalMarginText(const DesignAnswer& answer)
{
    return answer.nominal && answer.nominal->margin ? numberText(*answer.nominal->margin) : "-";
}

// "met" or "not met", "-" where the run did not compute.
std::string metWord(const DesignAnswer& answer, bool met)
{
    if (!answer.assessment.computed)
        return "-";
    return met ? "met" : "not met";
}

std::string criterionWord(const DesignAnswer& answer) { return metWord(answer, answer.assessment.meetsCriterion); }

} // namespace

// A table's lines: every cell padded to its column's widest, two blanks apart.
void writeTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows)
{
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            widths.resize(std::max(widths.size(), row.size()));
            widths[c] = std::max(widths[c], row[c].size());
        }
    for (const auto& row : rows) {
        std::string line = "  ";
        for (std::size_t c = 0; c < row.size(); ++c)
            line += row[c] + std::string(c + 1 < row.size() ? widths[c] - row[c].size() + 2 : 0, ' ');
        out << line << '\n';
    }
}

namespace {

void writeOptimizeText(std::ostream& out, const DesignProblem& problem, const OptimizeResult& result)
{
    const auto& intervals = problem.space.intervals();
    out << "Objective: " << problem.objective.description() << "; " << result.evaluations << " evaluations"
        << (result.stopped ? ", stopped before the search ended" : "") << '\n';
    if (problem.meetProbability)
        out << "Tolerances: " << tolerancesText(problem) << "; each input set must meet the criterion with a "
            << "probability of at least " << numberText(*problem.meetProbability) << ", estimated on "
            << study::kBoxSamples << " points of its box, the share met beside it\n";
    else if (problem.robust())
        out << "Tolerances: " << tolerancesText(problem)
            << "; each input set is judged by its worst case, the nominal margin beside it\n";
    out << '\n';
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header{"N"};
    for (const study::IntervalField& field : intervals)
        header.push_back(field.name);
    header.push_back(problem.objective.name);
    if (problem.robust())
        header.push_back(problem.meetProbability ? "P(meets)" : "nominal");
    // With constraints posed, whether the answer keeps them all, beside the
    // criterion, which says nothing of them.
    const bool constraints = !problem.bounds.empty() || problem.meetCriterion;
    header.push_back("criterion");
    if (constraints)
        header.push_back("constraints");
    header.push_back("limiting");
    rows.push_back(header);
    for (const DesignAnswer& answer : result.byReactors) {
        std::vector<std::string> row{std::to_string(answer.reactors)};
        for (const study::IntervalField& field : intervals)
            row.push_back(answer.texts()[field.field]);
        row.push_back(answer.assessment.computed ? objectiveText(problem, answer) : "run failed");
        if (problem.meetProbability)
            row.push_back(answer.assessment.meetShare ? numberText(*answer.assessment.meetShare) : "-");
        else if (problem.robust())
            row.push_back(nominalMarginText(answer));
        row.push_back(criterionWord(answer));
        if (constraints)
            row.push_back(metWord(answer, answer.assessment.feasible()));
        row.push_back(answer.limiting.empty() ? "-" : answer.limiting);
        rows.push_back(std::move(row));
    }
    writeTable(out, rows);

    const DesignAnswer& best = result.bestAnswer();
    out << '\n'
        << (best.meets ? "Best" : "No input set meets the target; the closest found") << ": N " << best.reactors << ", "
        << problem.objective.name << ' ' << objectiveText(problem, best);
    if (best.assessment.computed)
        out << ", criterion " << criterionWord(best);
    if (!best.limiting.empty())
        out << ", limited by " << best.limiting;
    out << "\n  " << commandOf(problem.space.model(), best.texts()) << '\n';
    if (result.smallestMeeting)
        out << "Fewest reactors meeting the criterion: N " << result.byReactors[*result.smallestMeeting].reactors
            << '\n';
    else
        out << "No reactor count meets the criterion.\n";
}

void appendAnswerJson(std::string& json, const DesignProblem& problem, const DesignAnswer& answer)
{
    json += "{\"N\":" + std::to_string(answer.reactors) + ",\"fields\":";
    appendInputsJson(json, problem.space.model(), answer.texts());
    json += ",\"objective\":";
    json += answer.assessment.computed ? objectiveText(problem, answer) : "null";
    json += ",\"criterion_margin\":";
    json += answer.assessment.margin ? numberText(*answer.assessment.margin) : "null";
    if (problem.robust()) {
        json += ",\"nominal_margin\":" +
                (answer.nominal && answer.nominal->margin ? numberText(*answer.nominal->margin) : "null");
        const std::optional<double> robust = study::robustMargin(problem, answer);
        json += ",\"robust_margin\":" + (robust ? numberText(*robust) : "null");
    }
    json += ",\"meets_criterion\":";
    json += answer.assessment.meetsCriterion ? "true" : "false";
    json += ",\"meets\":";
    json += answer.meets ? "true" : "false";
    json += ",\"limiting\":";
    if (answer.limiting.empty())
        json += "null";
    else
        appendJsonString(json, answer.limiting);
    json += ",\"outlet\":";
    if (answer.run.ok() && !answer.run.reactors.empty())
        appendReactorJson(json, answer.run.reactors.back());
    else
        json += "null";
    json += ",\"error\":";
    appendErrorJson(json, answer.run);
    json += '}';
}

void writeOptimizeJson(std::ostream& out, const DesignProblem& problem, const OptimizeResult& result)
{
    std::string json = "{\"model\":";
    appendJsonString(json, modelName(problem.space.model()));
    json += ",\"objective\":";
    appendJsonString(json, problem.objective.description());
    json += ",\"evaluations\":" + std::to_string(result.evaluations);
    json += result.stopped ? ",\"stopped\":true" : ",\"stopped\":false";
    if (problem.robust()) {
        json += ",\"robust\":" + (problem.meetProbability ? numberText(*problem.meetProbability) : "\"worst\"");
        json += ",\"tolerances\":{";
        for (const study::ToleratedField& field : problem.tolerances) {
            if (&field != &problem.tolerances.front())
                json += ',';
            appendJsonString(json, field.name);
            json += ':';
            appendJsonString(json, field.tolerance.text());
        }
        json += '}';
    }
    json += result.bestAnswer().meets ? ",\"meets\":true" : ",\"meets\":false";
    json += ",\"best\":";
    appendAnswerJson(json, problem, result.bestAnswer());
    json += ",\"smallest_N_meeting_criterion\":";
    json += result.smallestMeeting ? std::to_string(result.byReactors[*result.smallestMeeting].reactors) : "null";
    json += ",\"by_N\":[";
    for (const DesignAnswer& answer : result.byReactors) {
        if (&answer != &result.byReactors.front())
            json += ',';
        json += '\n';
        appendAnswerJson(json, problem, answer);
    }
    out << json << "\n]}\n";
}

std::vector<std::string> fieldColumns(ModelKind model)
{
    std::vector<std::string> columns;
    for (const FieldDescription& field : modelFields(model))
        columns.push_back(fieldOption(field.name));
    return columns;
}

void appendFieldCells(std::string& line, ModelKind model, const FieldTexts& texts)
{
    for (const FieldDescription& field : modelFields(model)) {
        appendCsvCell(line, texts[field.field]);
        line += ',';
    }
}

void writeOptimizeCsv(std::ostream& out, const DesignProblem& problem, const OptimizeResult& result)
{
    std::vector<std::string> columns = fieldColumns(problem.space.model());
    columns.insert(columns.end(), {"objective", "criterion_margin"});
    if (problem.robust())
        columns.insert(columns.end(), {"nominal_margin", "robust_margin"});
    columns.insert(columns.end(), {"meets_criterion", "meets", "limiting"});
    columns.push_back("reactor");
    for (Pane pane : kStoreOrder)
        columns.emplace_back(quantityName(pane));
    out << csvHeaderLine(columns);
    for (const DesignAnswer& answer : result.byReactors) {
        std::string line;
        appendFieldCells(line, problem.space.model(), answer.texts());
        line += objectiveText(problem, answer) + ',';
        if (answer.assessment.margin)
            appendNumber(line, *answer.assessment.margin);
        line += ',';
        if (problem.robust()) {
            if (answer.nominal && answer.nominal->margin)
                appendNumber(line, *answer.nominal->margin);
            line += ',';
            if (const std::optional<double> robust = study::robustMargin(problem, answer))
                appendNumber(line, *robust);
            line += ',';
        }
        appendCsvBoolean(line, answer.assessment.meetsCriterion);
        line += ',';
        appendCsvBoolean(line, answer.meets);
        line += ',';
        appendCsvCell(line, answer.limiting);
        if (answer.run.ok() && !answer.run.reactors.empty()) {
            line += ',';
            appendCsvValues(line, answer.run.reactors.back());
        } else {
            line += std::string(1 + kPaneCount, ',');
        }
        out << line << '\n';
    }
}

std::string fieldName(const study::DesignSpace& space) { return space.intervals().front().name; }

void writeSolveText(std::ostream& out, const study::DesignSpace& space, const study::Target& target,
                    std::int32_t reactor, const study::SolveResult& result)
{
    const std::string quantity(quantityName(target.pane));
    const std::string where = reactor == space.mostReactors() ? "" : " in reactor " + std::to_string(reactor);
    const study::IntervalField& field = space.intervals().front();
    for (const study::SolvedPoint& root : result.roots)
        out << field.name << " = " << root.fieldText << ": " << quantity << where << " = " << numberText(root.value)
            << (root.tangent ? " (a tangency: the quantity touches the target and turns back)" : "") << '\n';
    if (result.roots.empty()) {
        out << "No root of " << target.label << where << " for " << field.name << " from " << field.fromText << " to "
            << field.toText << ".\n";
        if (result.closest)
            out << "Closest: " << field.name << " = " << result.closest->fieldText << ": " << quantity << where << " = "
                << numberText(result.closest->value) << '\n';
    }
    out << result.roots.size() << (result.roots.size() == 1 ? " root" : " roots") << ", " << result.evaluations
        << " evaluations" << (result.stopped ? ", stopped before the scan ended" : "") << '\n';
}

// A root, or with asRoot no, the closest point.
void appendSolvedJson(std::string& json, ModelKind model, const study::SolvedPoint& point, bool asRoot)
{
    json += "{\"fields\":";
    appendInputsJson(json, model, point.texts());
    json += ",\"value\":" + numberText(point.value);
    if (asRoot)
        json += point.tangent ? ",\"tangent\":true" : ",\"tangent\":false";
    json += '}';
}

void writeSolveJson(std::ostream& out, const study::DesignSpace& space, const study::Target& target,
                    std::int32_t reactor, const study::SolveResult& result)
{
    std::string json = "{\"model\":";
    appendJsonString(json, modelName(space.model()));
    json += ",\"target\":";
    appendJsonString(json, target.label);
    json += ",\"field\":";
    appendJsonString(json, fieldName(space));
    json += ",\"reactor\":" + std::to_string(reactor) + ",\"roots\":[";
    for (const study::SolvedPoint& root : result.roots) {
        if (&root != &result.roots.front())
            json += ',';
        appendSolvedJson(json, space.model(), root, true);
    }
    json += "],\"closest\":";
    if (result.closest)
        appendSolvedJson(json, space.model(), *result.closest, false);
    else
        json += "null";
    json += ",\"evaluations\":" + std::to_string(result.evaluations);
    json += result.stopped ? ",\"stopped\":true}\n" : ",\"stopped\":false}\n";
    out << json;
}

void writeSolveCsv(std::ostream& out, const study::DesignSpace& space, const study::SolveResult& result)
{
    std::vector<std::string> columns = fieldColumns(space.model());
    columns.emplace_back("value");
    out << csvHeaderLine(columns);
    for (const study::SolvedPoint& root : result.roots) {
        std::string line;
        appendFieldCells(line, space.model(), root.texts());
        appendNumber(line, root.value);
        out << line << '\n';
    }
}

std::string optionalNumberText(const std::optional<double>& value) { return value ? numberText(*value) : "-"; }

void writeSensitivityText(std::ostream& out, const study::FieldPoint& point, const study::SensitivityResult& result)
{
    out << "Criterion margin at N " << point.reactors() << ": " << optionalNumberText(result.margin) << "; "
        << result.evaluations << " evaluations" << (result.stopped ? ", stopped before every field was done" : "")
        << "\n\n";
    std::vector<std::vector<std::string>> rows{{"field", "value", "step", "d margin/d field", "error", "elasticity",
                                                "tolerance", "margin at -", "margin at +"}};
    for (const std::size_t k : result.ranking) {
        const study::FieldSensitivity& field = result.fields[k];
        std::vector<std::string> row{field.field.name, point.texts()[field.field.field],
                                     numberText(static_cast<double>(field.step))};
        if (field.margin) {
            row.push_back(numberText(static_cast<double>(field.margin->derivative)));
            row.push_back(numberText(static_cast<double>(field.margin->error)));
            row.push_back(field.margin->elasticity ? numberText(static_cast<double>(*field.margin->elasticity)) : "-");
        } else {
            row.insert(row.end(), {"run failed", "-", "-"});
        }
        row.insert(row.end(), {sensitivityToleranceText(field), optionalNumberText(field.marginBelow),
                               optionalNumberText(field.marginAbove)});
        rows.push_back(std::move(row));
    }
    writeTable(out, rows);
    out << "\nRanked by how far the tolerance moves the margin";
    out << (std::any_of(result.fields.begin(), result.fields.end(),
                        [](const study::FieldSensitivity& f) { return !f.tolerance; })
                ? "; fields without one by the margin's elasticity.\n"
                : ".\n");
}

void appendDerivativeJson(std::string& json, const std::optional<study::Derivative>& d)
{
    if (!d) {
        json += "null";
        return;
    }
    json += "{\"derivative\":" + numberText(static_cast<double>(d->derivative)) + ",\"elasticity\":";
    json += d->elasticity ? numberText(static_cast<double>(*d->elasticity)) : "null";
    json += ",\"error\":" + numberText(static_cast<double>(d->error)) + '}';
}

void writeSensitivityJson(std::ostream& out, const study::FieldPoint& point, const study::SensitivityResult& result)
{
    std::string json = "{\"model\":";
    appendJsonString(json, modelName(point.model()));
    json += ",\"N\":" + std::to_string(point.reactors());
    json += ",\"margin\":" + (result.margin ? numberText(*result.margin) : "null");
    json += ",\"evaluations\":" + std::to_string(result.evaluations);
    json += result.stopped ? ",\"stopped\":true" : ",\"stopped\":false";
    json += ",\"fields\":{";
    for (const study::FieldSensitivity& field : result.fields) {
        if (&field != &result.fields.front())
            json += ',';
        json += '\n';
        appendJsonString(json, field.field.name);
        json += ":{\"value\":" + numberText(static_cast<double>(field.value));
        json += ",\"step\":" + numberText(static_cast<double>(field.step)) + ",\"tolerance\":";
        if (field.tolerance)
            appendJsonString(json, field.tolerance->text());
        else
            json += "null";
        json += ",\"margin_low\":" + (field.marginBelow ? numberText(*field.marginBelow) : "null");
        json += ",\"margin_high\":" + (field.marginAbove ? numberText(*field.marginAbove) : "null");
        json += ",\"margin\":";
        appendDerivativeJson(json, field.margin);
        for (const Pane pane : kStoreOrder) {
            json += ',';
            appendJsonString(json, quantityName(pane));
            json += ':';
            appendDerivativeJson(json, field.quantities[pane]);
        }
        json += '}';
    }
    json += "},\"ranking\":[";
    for (const std::size_t k : result.ranking) {
        if (k != result.ranking.front())
            json += ',';
        appendJsonString(json, result.fields[k].field.name);
    }
    out << json << "]}\n";
}

void appendDerivativeCells(std::string& line, const std::optional<study::Derivative>& d)
{
    if (d) {
        line += ',';
        appendNumber(line, static_cast<double>(d->derivative));
        line += ',';
        if (d->elasticity)
            appendNumber(line, static_cast<double>(*d->elasticity));
        line += ',';
        appendNumber(line, static_cast<double>(d->error));
    } else {
        line += ",,,";
    }
}

void writeSensitivityCsv(std::ostream& out, const study::SensitivityResult& result)
{
    std::vector<std::string> columns{"field", "value", "step", "tolerance", "margin_low", "margin_high"};
    const auto addColumns = [&columns](std::string_view name) {
        for (const char* suffix : {"_derivative", "_elasticity", "_error"})
            columns.push_back(std::string(name) + suffix);
    };
    addColumns("margin");
    for (const Pane pane : kStoreOrder)
        addColumns(quantityName(pane));
    out << csvHeaderLine(columns);
    for (const study::FieldSensitivity& field : result.fields) {
        std::string line;
        appendCsvCell(line, field.field.name);
        line += ',';
        appendNumber(line, static_cast<double>(field.value));
        line += ',';
        appendNumber(line, static_cast<double>(field.step));
        line += ',';
        appendCsvCell(line, field.tolerance ? field.tolerance->text() : "");
        line += ',';
        if (field.marginBelow)
            appendNumber(line, *field.marginBelow);
        line += ',';
        if (field.marginAbove)
            appendNumber(line, *field.marginAbove);
        appendDerivativeCells(line, field.margin);
        for (const Pane pane : kStoreOrder)
            appendDerivativeCells(line, field.quantities[pane]);
        out << line << '\n';
    }
}

} // namespace

std::string sensitivityToleranceText(const study::FieldSensitivity& field)
{
    return field.tolerance ? field.tolerance->text() : "(±1%)";
}

void writeSensitivityResult(std::ostream& out, const study::FieldPoint& point, const study::SensitivityResult& result,
                            OutputFormat format)
{
    switch (format) {
    case OutputFormat::text:
        writeSensitivityText(out, point, result);
        break;
    case OutputFormat::csv:
        writeSensitivityCsv(out, result);
        break;
    case OutputFormat::json:
        writeSensitivityJson(out, point, result);
        break;
    case OutputFormat::panes:
        throw std::invalid_argument("sensitivities are written as text, CSV or JSON");
    }
}

void writeOptimizeResult(std::ostream& out, const DesignProblem& problem, const OptimizeResult& result,
                         OutputFormat format)
{
    switch (format) {
    case OutputFormat::text:
        writeOptimizeText(out, problem, result);
        break;
    case OutputFormat::csv:
        writeOptimizeCsv(out, problem, result);
        break;
    case OutputFormat::json:
        writeOptimizeJson(out, problem, result);
        break;
    case OutputFormat::panes:
        throw std::invalid_argument("the optimiser's answers are written as text, CSV or JSON");
    }
}

void writeSolveResult(std::ostream& out, const study::DesignSpace& space, const study::Target& target,
                      std::int32_t reactor, const study::SolveResult& result, OutputFormat format)
{
    switch (format) {
    case OutputFormat::text:
        writeSolveText(out, space, target, reactor, result);
        break;
    case OutputFormat::csv:
        writeSolveCsv(out, space, result);
        break;
    case OutputFormat::json:
        writeSolveJson(out, space, target, reactor, result);
        break;
    case OutputFormat::panes:
        throw std::invalid_argument("the solver's answers are written as text, CSV or JSON");
    }
}

} // namespace kaskad::formats
