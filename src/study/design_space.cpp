// The fields, bounds and objective of a design study, and how a run fares in it.
#include "study/design_space.h"

#include "study/field_values.h"
#include "study/study_error.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <numeric>

#include <boost/random/mersenne_twister.hpp>
#include <boost/random/uniform_01.hpp>

namespace kaskad::study {

namespace {

// A constraint whose relative slack is below this is one a design presses on.
constexpr long double kActiveSlack = 1e-3L;

// A number of an option text, read as a field reads it ("." decimals).
long double optionNumber(std::string_view option, std::string_view text)
{
    try {
        return TextToNumber(text, '.');
    } catch (const EConvertError&) {
        throw StudyError(fieldOption(option) + ": '" + shortQuote(text) + "' is not a number");
    }
}

std::int32_t reactorCount(std::string_view text)
{
    const long double value = optionNumber("N", text);
    if (!(value >= 1 && value <= kMostReactorsSearched))
        throw StudyError("--N: the number of reactors must be from 1 to " + std::to_string(kMostReactorsSearched));
    return roundCount(value);
}

// The reactors of a run that computed whole: all of them when it ended
// well, those before the failing one otherwise.
std::int32_t completedReactors(const RunRecord& run)
{
    if (!run.error)
        return static_cast<std::int32_t>(run.reactors.size());
    return std::max(0, run.error->reactor - 1);
}

// Slack of a constraint in units comparable across constraints: a criterion
// bound's in its quantity's units (as the margin), another bound's relative
// to its limit when that exceeds 1.
long double relativeSlack(const QuantityBound& bound, long double slack)
{
    return slack / std::max(std::fabs(bound.limit), 1.0L);
}

// A bound's slack on the outlet, or its least over every reactor.
long double boundSlack(const QuantityBound& bound, std::span<const ReactorResult> reactors)
{
    if (!bound.everyReactor)
        return bound.slack(reactors.back().value(bound.pane));
    long double least = std::numeric_limits<long double>::infinity();
    for (const ReactorResult& reactor : reactors)
        least = std::min(least, bound.slack(reactor.value(bound.pane)));
    return least;
}

bool boundMet(const QuantityBound& bound, std::span<const ReactorResult> reactors)
{
    if (!bound.everyReactor)
        return bound.met(reactors.back().value(bound.pane));
    return std::all_of(reactors.begin(), reactors.end(),
                       [&](const ReactorResult& reactor) { return bound.met(reactor.value(bound.pane)); });
}

FieldStorage storageOf(ModelKind model, Field field)
{
    for (const FieldDescription& description : modelFields(model))
        if (description.field == field)
            return description.storage;
    return FieldStorage::unread;
}

} // namespace

std::string storedValueText(long double x, FieldStorage storage)
{
    const long double stored = storedFieldValue(storage, x);
    const int most = storage == FieldStorage::wide ? 17 : 9;
    const auto readsBack = [&](const std::string& text) {
        return storedFieldValue(storage, TextToNumber(text, '.')) == stored;
    };
    std::string text;
    for (int digits = 1; digits <= most; ++digits)
        if (readsBack(text = DecimalText::rounded(stored, digits).text()))
            break;
    return text;
}

DecimalText DecimalText::rounded(long double x, int digits)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*Le", digits - 1, x);
    DecimalText decimal;
    const char* c = text;
    const bool negative = *c == '-';
    if (negative)
        ++c;
    for (; *c != 'e'; ++c)
        if (*c >= '0' && *c <= '9')
            decimal.mantissa = decimal.mantissa * 10 + (*c - '0');
    decimal.exponent = static_cast<std::int32_t>(std::strtol(c + 1, nullptr, 10)) - (digits - 1);
    if (negative)
        decimal.mantissa = -decimal.mantissa;
    return decimal;
}

DecimalText DecimalText::roundedWithin(const IntervalField& field, long double value, int digits)
{
    const long double scale = std::max(std::fabs(field.from), std::fabs(field.to));
    if (scale > 0 && std::isfinite(scale)) {
        const auto exponent = static_cast<std::int32_t>(std::floor(std::log10(scale))) - (digits - 1);
        const long double half = std::pow(10.0L, static_cast<long double>(exponent)) / 2;
        if (field.from <= 0 && field.to >= 0 && std::fabs(value) < half)
            return {0, exponent};
        for (const long double end : {field.from, field.to})
            if (std::fabs(value - end) < half)
                return DecimalText::rounded(end, digits);
    }
    return DecimalText::rounded(value, digits);
}

std::string DecimalText::text() const
{
    if (mantissa == 0)
        return "0";
    std::string digits = std::to_string(mantissa < 0 ? -mantissa : mantissa);
    const auto pointPosition = static_cast<std::int64_t>(digits.size()) + exponent;
    digits.erase(digits.find_last_not_of('0') + 1);
    char text[64];
    return {text, writeGeneralFormat(text, digits, pointPosition, mantissa < 0, '.')};
}

DesignSpace::DesignSpace(ModelKind model, const FieldTexts& optionTexts, std::size_t intervalsAllowed)
    : model_(model), fixed_(optionTexts)
{
    for (const FieldDescription& description : modelFields(model)) {
        const std::string& text = optionTexts[description.field];
        const std::string option(description.name);
        if (!description.converted())
            continue;
        if (text.find(';') != std::string::npos)
            throw StudyError(fieldOption(option) + ": a design takes a text or an interval FROM:TO, not a list");
        const std::size_t colon = text.find(':');
        if (colon == std::string::npos) {
            if (description.field == fieldN)
                fewestReactors_ = mostReactors_ = reactorCount(text);
            continue;
        }
        if (text.find(':', colon + 1) != std::string::npos)
            throw StudyError(fieldOption(option) + ": an interval is FROM:TO, with no step");
        const std::string fromText = text.substr(0, colon);
        const std::string toText = text.substr(colon + 1);
        if (description.field == fieldN) {
            fewestReactors_ = reactorCount(fromText);
            mostReactors_ = reactorCount(toText);
            if (fewestReactors_ > mostReactors_)
                throw StudyError("--N: the range FROM:TO must have FROM <= TO");
            continue;
        }
        IntervalField field{
            description.field,  option, fromText, toText, optionNumber(option, fromText), optionNumber(option, toText),
            description.storage};
        if (!(field.from < field.to))
            throw StudyError(fieldOption(option) + ": the interval FROM:TO must have FROM < TO");
        // Every value searched is stored at the field's width: an end beyond
        // it would leave part of the interval no run can read.
        try {
            storedFieldValue(field.storage, field.from);
            storedFieldValue(field.storage, field.to);
        } catch (const Exception&) {
            throw StudyError(fieldOption(option) + ": the interval FROM:TO must lie within the values the field " +
                             "stores (a " + (field.storage == FieldStorage::wide ? "double" : "single") + ")");
        }
        intervalOf_[description.field] = intervals_.size();
        intervals_.push_back(std::move(field));
    }
    if (intervals_.size() > intervalsAllowed)
        throw StudyError(intervalsAllowed == 1 ? "give exactly one field as an interval FROM:TO"
                                               : "too many interval fields");
    readFixedFields();
}

// The fixed fields are read once, as every run of the study would read them;
// one that cannot be read leaves no run to search, and is refused here.
void DesignSpace::readFixedFields()
{
    setCalculationFloatingPointEnvironment();
    for (const FieldDescription& description : modelFields(model_)) {
        if (!description.converted() || description.field == fieldN || intervalOf_[description.field])
            continue;
        const std::string& text = fixed_[description.field];
        const std::string said = fieldOption(description.name) + ": '" + shortQuote(text) + "' ";
        try {
            fixedValues_[description.field] = storedFieldValue(description.storage, text, '.');
        } catch (const EConvertError&) {
            throw StudyError(said + "is not a number");
        } catch (const Exception&) {
            throw StudyError(said + "lies beyond the values the field stores");
        }
    }
}

FieldTexts DesignSpace::pointTexts(std::span<const std::string> intervalTexts, std::int32_t reactors) const
{
    FieldTexts texts = fixed_;
    texts[fieldN] = std::to_string(reactors);
    for (std::size_t k = 0; k < intervals_.size(); ++k)
        texts[intervals_[k].field] = intervalTexts[k];
    return texts;
}

// Nothing here can fail: the fixed fields are read already, and every value
// of an interval lies within what its field stores.
ModelInputs DesignSpace::pointInputs(std::span<const long double> values, std::int32_t reactors) const
{
    setCalculationFloatingPointEnvironment();
    ModelInputs inputs;
    for (const FieldDescription& description : modelFields(model_)) {
        if (!description.converted())
            continue;
        const Field field = description.field;
        if (field == fieldN)
            inputs.values[field] = reactors;
        else if (const std::optional<std::size_t> k = intervalOf_[field])
            inputs.values[field] = storedFieldValue(description.storage, values[*k]);
        else
            inputs.values[field] = fixedValues_[field];
    }
    return inputs;
}

RunRecord DesignSpace::pointRun(std::span<const long double> values, std::int32_t reactors) const
{
    return runRecorded(model_, pointInputs(values, reactors));
}

long double DesignSpace::pointValue(Field field, std::span<const long double> values) const
{
    if (const std::optional<std::size_t> k = intervalOf_[field])
        return values[*k];
    return fixedValues_[field];
}

RunRecord DesignSpace::movedPointRun(std::span<const long double> values, std::int32_t reactors,
                                     std::span<const FieldMove> moves) const
{
    return runRecordedVaried(model_, pointInputs(values, reactors), [&](ModelInputs& inputs) {
        for (const FieldMove& move : moves)
            inputs.values[move.field] =
                storedFieldValue(storageOf(model_, move.field), pointValue(move.field, values) + move.by);
    });
}

long double QuantityBound::slack(long double value) const
{
    return comparison == Comparison::atLeast || comparison == Comparison::above ? value - limit : limit - value;
}

bool QuantityBound::met(long double value) const
{
    const long double s = slack(value);
    return comparison == Comparison::above || comparison == Comparison::below ? s > 0 : s >= 0;
}

QuantityBound parseQuantityBound(std::string_view text)
{
    QuantityBound bound;
    bound.label = std::string(text);
    std::string_view rest = text;
    if (rest.starts_with("all:")) {
        bound.everyReactor = true;
        rest.remove_prefix(4);
    }
    const std::size_t at = rest.find_first_of("<>");
    const auto invalid = [&] {
        return StudyError("'" + shortQuote(text) +
                          "': a bound is QUANTITY>=VALUE, >, <= or < (the outlet), or all:QUANTITY… (every "
                          "reactor); the quantities are " +
                          quantityNamesText(" and "));
    };
    if (at == std::string_view::npos)
        throw invalid();
    const std::optional<Pane> pane = quantityNamed(rest.substr(0, at));
    if (!pane)
        throw invalid();
    bound.pane = *pane;
    const bool orEqual = at + 1 < rest.size() && rest[at + 1] == '=';
    bound.comparison = rest[at] == '>'
                           ? (orEqual ? QuantityBound::Comparison::atLeast : QuantityBound::Comparison::above)
                           : (orEqual ? QuantityBound::Comparison::atMost : QuantityBound::Comparison::below);
    const std::string_view value = rest.substr(at + (orEqual ? 2 : 1));
    try {
        bound.limit = TextToNumber(value, '.');
    } catch (const EConvertError&) {
        throw invalid();
    }
    return bound;
}

Objective Objective::parse(Kind kind, std::string_view name, const DesignSpace& space)
{
    Objective objective;
    objective.kind = kind;
    objective.name = std::string(name);
    if (name == "margin") {
        if (kind == Kind::minimize)
            throw StudyError("the criterion margin is maximised, not minimised");
        objective.kind = Kind::margin;
        return objective;
    }
    if ((objective.quantity = quantityNamed(name)))
        return objective;
    for (std::size_t k = 0; k < space.intervals().size(); ++k)
        if (space.intervals()[k].name == name) {
            objective.interval = k;
            return objective;
        }
    throw StudyError("'" + std::string(name) + "' is neither margin, a quantity (" + quantityNamesText(", ") +
                     ") nor a field given as an interval FROM:TO");
}

std::string Objective::description() const
{
    switch (kind) {
    case Kind::margin:
        return "criterion margin, maximised";
    case Kind::maximize:
        return name + ", maximised";
    case Kind::minimize:
        break;
    }
    return name + ", minimised";
}

Assessment assess(const DesignProblem& problem, const RunRecord& run, std::int32_t reactors,
                  std::span<const long double> intervalValues)
{
    Assessment assessment;
    if (reactors < 1 || reactors > completedReactors(run))
        return assessment;
    assessment.computed = true;
    const std::span<const ReactorResult> computed(run.reactors.data(), static_cast<std::size_t>(reactors));
    const ReactorResult& outlet = computed.back();

    long double margin = std::numeric_limits<long double>::infinity();
    long double missed = 0;
    assessment.meetsCriterion = true;
    for (const CriterionBound& bound : criterionBounds(problem.space.model())) {
        // The concentrations are singles: the value narrows exactly.
        const float stored = static_cast<float>(outlet.value(bound.pane));
        const long double toBound = marginToBound(bound, stored);
        margin = std::min(margin, toBound);
        if (!meetsBound(bound, stored)) {
            assessment.meetsCriterion = false;
            missed -= toBound;
        }
    }
    assessment.margin = static_cast<double>(margin);
    if (problem.meetCriterion)
        assessment.violation += missed;
    for (const QuantityBound& bound : problem.bounds)
        if (!boundMet(bound, computed))
            assessment.violation += std::max(relativeSlack(bound, -boundSlack(bound, computed)),
                                             std::numeric_limits<long double>::denorm_min());

    const Objective& objective = problem.objective;
    long double value = margin;
    if (objective.quantity)
        value = outlet.value(*objective.quantity);
    else if (objective.interval)
        value = intervalValues[*objective.interval];
    assessment.score = objective.kind == Objective::Kind::minimize ? -value : value;
    return assessment;
}

bool better(const Assessment& a, const Assessment& b)
{
    if (a.computed != b.computed)
        return a.computed;
    if (!a.computed)
        return false;
    if (a.feasible() != b.feasible())
        return a.feasible();
    if (!a.feasible() && a.violation != b.violation)
        return a.violation < b.violation;
    return a.score > b.score;
}

bool meetsTarget(const DesignProblem& problem, const Assessment& assessment)
{
    return assessment.feasible() && (!problem.objective.isMargin() || assessment.meetsCriterion);
}

std::string limitingBound(const DesignProblem& problem, const RunRecord& run, const FieldTexts& texts)
{
    const std::int32_t reactors = completedReactors(run);
    if (reactors < 1 || run.error)
        return {};
    const std::span<const ReactorResult> computed(run.reactors.data(), static_cast<std::size_t>(reactors));
    std::string limiting;
    long double least = std::numeric_limits<long double>::infinity();
    const auto consider = [&](std::string_view label, long double slack) {
        if (slack < least) {
            least = slack;
            limiting = std::string(label);
        }
    };
    if (problem.objective.isMargin() || problem.meetCriterion)
        for (const CriterionBound& bound : criterionBounds(problem.space.model()))
            consider(bound.label, marginToBound(bound, static_cast<float>(computed.back().value(bound.pane))));
    for (const QuantityBound& bound : problem.bounds)
        consider(bound.label, relativeSlack(bound, boundSlack(bound, computed)));
    // The margin is limited by its least bound. Another objective is limited
    // by a constraint it presses on, else by a field at an end of its
    // interval ("ts>=1800"), else by the constraint nearest.
    if (problem.objective.isMargin() || least < kActiveSlack)
        return limiting;
    for (const IntervalField& field : problem.space.intervals()) {
        const std::string& text = texts[field.field];
        const long double value = TextToNumber(text, '.');
        if (value <= field.from)
            return field.name + ">=" + field.fromText;
        if (value >= field.to)
            return field.name + "<=" + field.toText;
    }
    return limiting;
}

long double objectiveValue(const DesignProblem& problem, const Assessment& assessment)
{
    return problem.objective.kind == Objective::Kind::minimize ? -assessment.score : assessment.score;
}

ToleratedField toleratedField(const DesignSpace& space, const FieldTolerance& tolerance)
{
    for (const FieldDescription& description : modelFields(space.model()))
        if (description.name == tolerance.field && description.converted() && description.field != fieldN)
            return {description.field, tolerance.field, tolerance.tolerance};
    throw StudyError("--tolerance: the " + std::string(modelName(space.model())) + " design has no field " +
                     tolerance.field + " that a plant holds to a tolerance");
}

namespace {

// kBoxSamples points of [-1, 1]^fields, a Latin hypercube drawn from a fixed
// seed: each field's range cut into kBoxSamples strips, one point in each.
std::vector<std::vector<long double>> boxSamples(std::size_t fields)
{
    boost::random::mt19937_64 generator(1);
    boost::random::uniform_01<long double> uniform;
    std::vector<std::vector<long double>> samples(kBoxSamples, std::vector<long double>(fields));
    std::vector<std::size_t> strips(kBoxSamples);
    for (std::size_t k = 0; k < fields; ++k) {
        std::iota(strips.begin(), strips.end(), 0);
        for (std::size_t i = kBoxSamples - 1; i > 0; --i)
            std::swap(strips[i],
                      strips[static_cast<std::size_t>(uniform(generator) * static_cast<long double>(i + 1))]);
        for (std::size_t j = 0; j < kBoxSamples; ++j)
            samples[j][k] = 2 * ((static_cast<long double>(strips[j]) + uniform(generator)) / kBoxSamples) - 1;
    }
    return samples;
}

} // namespace

std::vector<std::vector<FieldMove>> toleranceBoxMoves(const DesignProblem& problem, std::span<const long double> values)
{
    const std::vector<ToleratedField>& tolerated = problem.tolerances;
    std::vector<std::vector<FieldMove>> moves{{}};
    if (tolerated.empty())
        return moves;
    std::vector<long double> halfWidths;
    halfWidths.reserve(tolerated.size());
    for (const ToleratedField& field : tolerated)
        halfWidths.push_back(field.tolerance.halfWidth(problem.space.pointValue(field.field, values)));
    if (problem.meetProbability) {
        for (const std::vector<long double>& sample : boxSamples(tolerated.size())) {
            std::vector<FieldMove>& sampleMoves = moves.emplace_back();
            for (std::size_t k = 0; k < tolerated.size(); ++k)
                sampleMoves.push_back({tolerated[k].field, sample[k] * halfWidths[k]});
        }
        return moves;
    }
    for (std::size_t corner = 0; corner < (std::size_t{1} << tolerated.size()); ++corner) {
        std::vector<FieldMove>& cornerMoves = moves.emplace_back();
        for (std::size_t k = 0; k < tolerated.size(); ++k)
            cornerMoves.push_back({tolerated[k].field, (corner >> k) & 1 ? halfWidths[k] : -halfWidths[k]});
    }
    return moves;
}

Assessment worseOf(const Assessment& a, const Assessment& b)
{
    if (!a.computed || !b.computed)
        return a.computed ? b : a;
    Assessment worse = a;
    worse.score = std::min(a.score, b.score);
    worse.violation = std::max(a.violation, b.violation);
    worse.meetsCriterion = a.meetsCriterion && b.meetsCriterion;
    if (a.margin && b.margin)
        worse.margin = std::min(*a.margin, *b.margin);
    return worse;
}

Assessment assessBox(const DesignProblem& problem, std::span<const RunRecord> runs, std::int32_t reactors,
                     std::span<const long double> intervalValues)
{
    Assessment assessment = assess(problem, runs.front(), reactors, intervalValues);
    if (!problem.meetProbability) {
        for (const RunRecord& run : runs.subspan(1))
            assessment = worseOf(assessment, assess(problem, run, reactors, intervalValues));
        return assessment;
    }
    // A sample whose run failed meets nothing: its margin is -infinity.
    std::vector<double> margins;
    std::size_t meeting = 0;
    for (const RunRecord& run : runs.subspan(1)) {
        const Assessment sample = assess(problem, run, reactors, intervalValues);
        margins.push_back(sample.margin && sample.computed ? *sample.margin : -HUGE_VAL);
        meeting += sample.computed && sample.meetsCriterion ? 1 : 0;
    }
    const double probability = *problem.meetProbability;
    const auto missing = static_cast<std::size_t>(std::floor((1 - probability) * static_cast<double>(margins.size())));
    std::nth_element(margins.begin(), margins.begin() + static_cast<std::ptrdiff_t>(missing), margins.end());
    const double reached = margins[missing];
    assessment.meetShare = static_cast<double>(meeting) / static_cast<double>(margins.size());
    assessment.marginAtProbability = reached;
    if (!(reached >= 0))
        assessment.violation += std::isfinite(reached) ? -reached : 1;
    assessment.meetsCriterion = assessment.meetsCriterion && *assessment.meetShare >= probability;
    return assessment;
}

} // namespace kaskad::study
