// Central differences of a design's outlet in each field, and the ranking of
// the fields by what their tolerances do to the margin.
#include "study/sensitivity.h"

#include "model/criterion.h"
#include "study/study_error.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stop_token>

namespace kaskad::study {

namespace {

// The stop asked for before a run.
struct Stopped {};

// The wider difference's step relative to the value: far above the
// resolution of a single (6e-8), far below the scale the outlet bends on.
constexpr long double kRelativeStep = 1e-3L;
// The half-width of a field without a tolerance, for its bar of the chart.
constexpr long double kDefaultShare = 0.01L;

// The outlet's values of a run that computed every reactor.
struct Outlet {
    std::optional<double> margin;
    PaneArray<std::optional<double>> quantities{};
};

Outlet outletOf(const RunRecord& run)
{
    Outlet outlet;
    if (!run.ok() || run.reactors.empty())
        return outlet;
    outlet.margin = evaluateCriterion(run).margin;
    for (const Pane pane : kStoreOrder)
        outlet.quantities[pane] = run.reactors.back().value(pane);
    return outlet;
}

class Differences {
public:
    Differences(const FieldPoint& point, const VaryingField& field, std::size_t& evaluations,
                const std::stop_token& stop)
        : point_(point), field_(field), evaluations_(evaluations), stop_(stop)
    {}

    // The outlet at the value the field stores for x, and that value.
    struct Sample {
        Outlet outlet;
        long double stored = 0;
    };

    Sample at(long double x) const
    {
        if (stop_.stop_requested())
            throw Stopped{};
        ++evaluations_;
        const long double values[] = {x};
        const RunRecord run = point_.runWith(std::span(&field_, 1), values);
        return {outletOf(run), run.inputs.stored ? run.inputs.values.values[field_.field] : x};
    }

private:
    const FieldPoint& point_;
    const VaryingField& field_;
    std::size_t& evaluations_;
    const std::stop_token& stop_;
};

std::optional<long double> difference(const std::optional<double>& below, const std::optional<double>& above,
                                      long double span)
{
    if (!below || !above || span == 0)
        return std::nullopt;
    return (static_cast<long double>(*above) - *below) / span;
}

// The two central differences, and the one-sided ones of the narrower
// step: where the outlet bends sharply or has a kink (the margin where its
// limiting bound changes), the sides disagree, and the error says so.
struct Slopes {
    std::optional<long double> wide, narrow, below, above;
};

std::optional<Derivative> derivative(const Slopes& slopes, long double value, const std::optional<double>& nominal)
{
    if (!slopes.wide || !slopes.narrow || !slopes.below || !slopes.above || !nominal)
        return std::nullopt;
    Derivative d;
    d.derivative = *slopes.narrow;
    d.error = std::max(std::fabs(*slopes.wide - *slopes.narrow), std::fabs(*slopes.above - *slopes.below) / 2);
    if (*nominal != 0)
        d.elasticity = *slopes.narrow * value / *nominal;
    return d;
}

FieldSensitivity fieldSensitivity(const FieldPoint& point, const VaryingField& field, const Outlet& nominal,
                                  const std::optional<Tolerance>& tolerance, std::size_t& evaluations,
                                  const std::stop_token& stop)
{
    const Differences differences(point, field, evaluations, stop);
    FieldSensitivity s;
    s.field = field;
    s.value = point.value(field.field);
    const long double h = s.value != 0 ? kRelativeStep * std::fabs(s.value) : kRelativeStep;
    const auto wideLow = differences.at(s.value - h);
    const auto wideHigh = differences.at(s.value + h);
    const auto narrowLow = differences.at(s.value - h / 2);
    const auto narrowHigh = differences.at(s.value + h / 2);
    s.step = (wideHigh.stored - wideLow.stored) / 2;
    const auto slope = [&](const auto& pick) {
        const Slopes slopes{
            difference(pick(wideLow.outlet), pick(wideHigh.outlet), wideHigh.stored - wideLow.stored),
            difference(pick(narrowLow.outlet), pick(narrowHigh.outlet), narrowHigh.stored - narrowLow.stored),
            difference(pick(narrowLow.outlet), pick(nominal), s.value - narrowLow.stored),
            difference(pick(nominal), pick(narrowHigh.outlet), narrowHigh.stored - s.value)};
        return derivative(slopes, s.value, pick(nominal));
    };
    s.margin = slope([](const Outlet& o) { return o.margin; });
    for (const Pane pane : kStoreOrder)
        s.quantities[pane] = slope([pane](const Outlet& o) { return o.quantities[pane]; });
    s.tolerance = tolerance;
    s.halfWidth = tolerance ? tolerance->halfWidth(s.value) : kDefaultShare * std::fabs(s.value);
    s.marginBelow = differences.at(s.value - s.halfWidth).outlet.margin;
    s.marginAbove = differences.at(s.value + s.halfWidth).outlet.margin;
    return s;
}

// How far a field's tolerance moves the margin, or its elasticity.
long double rankKey(const FieldSensitivity& s)
{
    if (!s.margin)
        return -1;
    if (s.tolerance)
        return std::fabs(s.margin->derivative * s.halfWidth);
    return s.margin->elasticity ? std::fabs(*s.margin->elasticity) : 0;
}

std::vector<std::size_t> ranking(const std::vector<FieldSensitivity>& fields)
{
    std::vector<std::size_t> order(fields.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const bool tolerancedA = fields[a].tolerance.has_value();
        if (tolerancedA != fields[b].tolerance.has_value())
            return tolerancedA;
        return rankKey(fields[a]) > rankKey(fields[b]);
    });
    return order;
}

} // namespace

SensitivityResult sensitivity(const FieldPoint& point, const std::map<std::string, Tolerance>& tolerances,
                              const std::stop_token& stop)
{
    for (const auto& [name, tolerance] : tolerances)
        point.field(name);
    SensitivityResult result;
    result.nominal = point.runWith({}, {});
    result.evaluations = 1;
    const Outlet nominal = outletOf(result.nominal);
    result.margin = nominal.margin;
    try {
        for (const VaryingField& field : point.fields()) {
            const auto tolerance = tolerances.find(field.name);
            result.fields.push_back(fieldSensitivity(
                point, field, nominal,
                tolerance == tolerances.end() ? std::nullopt : std::optional<Tolerance>(tolerance->second),
                result.evaluations, stop));
        }
    } catch (const Stopped&) {
        result.stopped = true;
    }
    result.ranking = ranking(result.fields);
    return result;
}

} // namespace kaskad::study
