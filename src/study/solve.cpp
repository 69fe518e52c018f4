// The solver: a scan of the interval, then Boost.Math's TOMS 748 on each
// change of sign.
#include "study/solve.h"

#include "study/study_error.h"

#include <boost/math/tools/toms748_solve.hpp>

#include <cmath>
#include <cstdint>
#include <limits>
#include <map>

namespace kaskad::study {

namespace {

// A run that computed no value at a point inside a bracket.
struct NoValue {};

// The quantity minus the target as a function of the field's value, over the
// values the field stores; each stored value is run once.
class TargetFunction {
public:
    TargetFunction(const DesignSpace& space, const Target& target, std::int32_t reactor)
        : space_(space), target_(target), reactor_(reactor), field_(space.intervals().front())
    {}

    long double stored(long double x) const { return storedFieldValue(field_.storage, x); }

    // The next stored value above a stored value.
    long double nextStored(long double s) const
    {
        return field_.storage == FieldStorage::wide
                   ? std::nextafter(static_cast<double>(s), std::numeric_limits<double>::infinity())
                   : std::nextafterf(static_cast<float>(s), std::numeric_limits<float>::infinity());
    }

    // The plain run at the stored value nearest x, with the quantity.
    const SolvedPoint* point(long double x)
    {
        const long double s = stored(x);
        if (const auto found = points_.find(s); found != points_.end())
            return found->second ? &*found->second : nullptr;
        SolvedPoint point;
        point.fieldValue = s;
        point.run = space_.pointRun(std::span<const long double>(&s, 1), space_.mostReactors());
        ++evaluations_;
        std::optional<SolvedPoint>& kept = points_[s];
        // A value the run stored for the reactor counts, even in a reactor a fault ended.
        const auto index = static_cast<std::size_t>(reactor_ - 1);
        const bool hasValue = index < point.run.reactors.size() && point.run.reactors[index].has(target_.pane);
        if (hasValue) {
            point.value = point.run.reactors[index].value(target_.pane);
            kept = std::move(point);
        }
        return kept ? &*kept : nullptr;
    }

    // The quantity minus the target; throws NoValue where the run gives none.
    long double operator()(long double x)
    {
        const SolvedPoint* p = point(x);
        if (!p)
            throw NoValue{};
        return static_cast<long double>(p->value) - target_.value;
    }

    std::size_t evaluations() const { return evaluations_; }

private:
    const DesignSpace& space_;
    const Target& target_;
    const std::int32_t reactor_;
    const IntervalField& field_;
    std::map<long double, std::optional<SolvedPoint>> points_;
    std::size_t evaluations_ = 0;
};

int sign(long double v) { return (v > 0) - (v < 0); }

// A point as the answer reports it: the field's value as the shortest text
// that the field reads as it, and the field texts of the run.
SolvedPoint reported(const DesignSpace& space, SolvedPoint point)
{
    point.fieldText = storedValueText(point.fieldValue, space.intervals().front().storage);
    point.run.inputs.texts = space.pointTexts(std::span<const std::string>(&point.fieldText, 1), space.mostReactors());
    return point;
}

// Narrows a change of sign between a and b to two neighbouring stored values
// and returns the one nearer the target; nothing when a run inside fails.
std::optional<long double> refine(TargetFunction& f, long double a, long double b, long double fa, long double fb)
{
    const auto neighbours = [&f](long double lo, long double hi) { return f.nextStored(f.stored(lo)) >= f.stored(hi); };
    std::uintmax_t iterations = 200;
    try {
        const auto [lo, hi] = boost::math::tools::toms748_solve(f, a, b, fa, fb, neighbours, iterations);
        const long double below = f.stored(lo);
        const long double above = f.stored(hi);
        return std::fabs(f(below)) <= std::fabs(f(above)) ? below : above;
    } catch (const NoValue&) {
        return std::nullopt;
    }
}

} // namespace

Target Target::parse(std::string_view text)
{
    Target target;
    target.label = std::string(text);
    const std::size_t equals = text.find('=');
    const auto invalid = [&] {
        return StudyError("'" + std::string(text) + "': a target is QUANTITY=VALUE; the quantities are " +
                          quantityNamesText(" and "));
    };
    if (equals == std::string_view::npos)
        throw invalid();
    const std::optional<Pane> pane = quantityNamed(text.substr(0, equals));
    if (!pane)
        throw invalid();
    target.pane = *pane;
    try {
        target.value = TextToNumber(text.substr(equals + 1), '.');
    } catch (const EConvertError&) {
        throw invalid();
    }
    return target;
}

SolveResult solve(const DesignSpace& space, const Target& target, const SolveSettings& settings)
{
    if (space.intervals().size() != 1)
        throw StudyError("give exactly one field as an interval FROM:TO");
    if (space.fewestReactors() != space.mostReactors())
        throw StudyError("--N: the solver takes one number of reactors, not a range");
    const std::int32_t reactor = settings.reactor.value_or(space.mostReactors());
    if (reactor < 1 || reactor > space.mostReactors())
        throw StudyError("--reactor: must be from 1 to N (" + std::to_string(space.mostReactors()) + ")");
    if (settings.scanIntervals < 1)
        throw StudyError("--scan: must be at least 1");

    const IntervalField& field = space.intervals().front();
    TargetFunction f(space, target, reactor);
    SolveResult result;
    std::map<long double, SolvedPoint> roots;
    // The last scan point with a value, and the quantity less the target there.
    bool hasPrevious = false;
    long double previousX = 0;
    long double previousF = 0;
    const SolvedPoint* closest = nullptr;
    for (std::size_t i = 0; i <= settings.scanIntervals; ++i) {
        if (settings.stop.stop_requested()) {
            result.stopped = true;
            break;
        }
        if (settings.progress)
            settings.progress(i);
        const long double x = i == settings.scanIntervals
                                  ? field.to
                                  : field.from + (field.to - field.from) * static_cast<long double>(i) /
                                                     static_cast<long double>(settings.scanIntervals);
        const SolvedPoint* point = f.point(x);
        if (!point) {
            hasPrevious = false;
            continue;
        }
        const long double fx = static_cast<long double>(point->value) - target.value;
        if (!closest || std::fabs(fx) < std::fabs(static_cast<long double>(closest->value) - target.value))
            closest = point;
        if (fx == 0)
            roots.emplace(f.stored(x), *point);
        else if (hasPrevious && sign(previousF) * sign(fx) < 0)
            if (const std::optional<long double> root = refine(f, previousX, x, previousF, fx))
                roots.emplace(*root, *f.point(*root));
        hasPrevious = true;
        previousX = x;
        previousF = fx;
    }
    for (auto& [value, point] : roots)
        result.roots.push_back(reported(space, std::move(point)));
    if (result.roots.empty() && closest)
        result.closest = reported(space, *closest);
    result.evaluations = f.evaluations();
    return result;
}

} // namespace kaskad::study
