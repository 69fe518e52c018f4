// The solver: a scan of the interval, then Boost.Math's TOMS 748 on each
// change of sign.
#include "study/solve.h"

#include "study/study_error.h"

#include <boost/math/tools/minima.hpp>
#include <boost/math/tools/toms748_solve.hpp>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <vector>

namespace kaskad::study {

namespace {

// A run that computed no value at a point inside a bracket.
struct NoValue {};

// A stored value of the field and the quantity less the target there.
struct Sample {
    long double x = 0;
    long double f = 0;
};

// The quantity minus the target as a function of the field's value, over the
// values the field stores. Every run is counted. Only the runs of the
// current search are kept (a scan keeps none), so memory does not grow with
// the scan; the point nearest the target keeps its run for the answer.
class TargetFunction {
public:
    TargetFunction(const DesignSpace& space, const Target& target, std::int32_t reactor, std::stop_token stop)
        : space_(space), target_(target), reactor_(reactor), field_(space.intervals().front()), stop_(std::move(stop))
    {}

    long double stored(long double x) const { return storedFieldValue(field_.storage, x); }

    // The stored values in order as integers, neighbours one apart.
    std::int64_t orderOf(long double s) const
    {
        if (field_.storage == FieldStorage::wide) {
            const auto bits = std::bit_cast<std::int64_t>(static_cast<double>(s));
            return bits < 0 ? std::numeric_limits<std::int64_t>::min() - bits : bits;
        }
        const auto bits = std::bit_cast<std::int32_t>(static_cast<float>(s));
        return bits < 0 ? std::numeric_limits<std::int32_t>::min() - std::int64_t{bits} : std::int64_t{bits};
    }

    long double storedOfOrder(std::int64_t order) const
    {
        if (field_.storage == FieldStorage::wide)
            return std::bit_cast<double>(order < 0 ? std::numeric_limits<std::int64_t>::min() - order : order);
        return std::bit_cast<float>(
            static_cast<std::int32_t>(order < 0 ? std::numeric_limits<std::int32_t>::min() - order : order));
    }

    bool neighbours(long double lo, long double hi) const { return orderOf(stored(hi)) - orderOf(stored(lo)) <= 1; }

    // The stored value halfway between two, in the order of stored values.
    long double between(long double lo, long double hi) const
    {
        // In unsigned arithmetic: the span of all doubles exceeds int64.
        const auto a = static_cast<std::uint64_t>(orderOf(stored(lo)));
        const auto b = static_cast<std::uint64_t>(orderOf(stored(hi)));
        return storedOfOrder(static_cast<std::int64_t>(a + (b - a) / 2));
    }

    // The run at the stored value nearest x, and the quantity less the
    // target there; none where the run gives no value for the reactor. Kept
    // for the current search. Throws Stopped when the stop is asked for.
    const SolvedPoint* point(long double x)
    {
        const long double s = stored(x);
        if (const auto found = kept_.find(s); found != kept_.end())
            return found->second ? &*found->second : nullptr;
        if (stop_.stop_requested())
            throw Stopped{};
        SolvedPoint point;
        point.fieldValue = s;
        point.run = space_.pointRun(std::span<const long double>(&s, 1), space_.mostReactors());
        ++evaluations_;
        std::optional<SolvedPoint>& kept = kept_[s];
        // A value the run stored for the reactor counts, even in a reactor a fault ended.
        const auto index = static_cast<std::size_t>(reactor_ - 1);
        if (index < point.run.reactors.size() && point.run.reactors[index].has(target_.pane)) {
            point.value = point.run.reactors[index].value(target_.pane);
            kept = std::move(point);
        }
        return kept ? &*kept : nullptr;
    }

    std::optional<long double> at(long double x)
    {
        const SolvedPoint* p = point(x);
        if (!p)
            return std::nullopt;
        return static_cast<long double>(p->value) - target_.value;
    }

    // The quantity minus the target; throws NoValue where the run gives none.
    long double operator()(long double x)
    {
        const std::optional<long double> fx = at(x);
        if (!fx)
            throw NoValue{};
        return *fx;
    }

    // Forgets the runs kept but the one at stored value s, the scan point
    // the next search starts from.
    void forgetAllBut(long double s)
    {
        std::erase_if(kept_, [s](const auto& entry) { return entry.first != s; });
    }

    std::size_t evaluations() const { return evaluations_; }

    // The stop asked for during a search.
    struct Stopped {};

private:
    const DesignSpace& space_;
    const Target& target_;
    const std::int32_t reactor_;
    const IntervalField& field_;
    const std::stop_token stop_;
    std::map<long double, std::optional<SolvedPoint>> kept_;
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
// (TOMS 748, then halving in the order of stored values where its
// iterations run out, as over a range of many decades) and returns the
// point nearer the target; nothing when a run inside gives no value. The
// answer is checked: the quantity less the target changes sign across the
// two neighbours, or is 0 at the answer.
std::optional<SolvedPoint> refine(TargetFunction& f, Sample a, Sample b)
{
    const auto neighbours = [&f](long double lo, long double hi) { return f.neighbours(lo, hi); };
    std::uintmax_t iterations = 200;
    try {
        auto [lo, hi] = boost::math::tools::toms748_solve(std::ref(f), a.x, b.x, a.f, b.f, neighbours, iterations);
        lo = f.stored(lo);
        hi = f.stored(hi);
        long double flo = f(lo);
        long double fhi = f(hi);
        while (!f.neighbours(lo, hi) && sign(flo) * sign(fhi) < 0) {
            const long double mid = f.between(lo, hi);
            const long double fmid = f(mid);
            if (fmid == 0) {
                lo = hi = mid;
                flo = fhi = 0;
            } else if (sign(fmid) == sign(flo)) {
                lo = mid;
                flo = fmid;
            } else {
                hi = mid;
                fhi = fmid;
            }
        }
        if (sign(flo) * sign(fhi) > 0)
            return std::nullopt;
        return *f.point(std::fabs(flo) <= std::fabs(fhi) ? lo : hi);
    } catch (const NoValue&) {
        return std::nullopt;
    }
}

// Where the quantity turns back toward the target between scan points a and
// c without crossing it at b, finds the turning point (Brent's method on
// the quantity's distance from the target's side) and, where it crosses
// there, the two roots either side: a close pair the scan stepped over, or
// a tangency (one root) where they meet.
std::vector<SolvedPoint> rootsNearTurn(TargetFunction& f, Sample a, Sample b, Sample c)
{
    const int side = sign(b.f);
    const auto distance = [&f, side](long double x) { return side * f(x); };
    std::uintmax_t iterations = 100;
    std::vector<SolvedPoint> roots;
    try {
        const long double turn =
            f.stored(boost::math::tools::brent_find_minima(distance, a.x, c.x, 64, iterations).first);
        const Sample m{turn, f(turn)};
        if (sign(m.f) == side)
            return roots;
        if (m.f == 0) {
            roots.push_back(*f.point(turn));
            roots.back().tangent = true;
            return roots;
        }
        std::optional<SolvedPoint> left = refine(f, a, m);
        std::optional<SolvedPoint> right = refine(f, m, c);
        if (left && right && f.neighbours(left->fieldValue, right->fieldValue)) {
            left->tangent = true;
            roots.push_back(std::move(*left));
            return roots;
        }
        for (std::optional<SolvedPoint>* root : {&left, &right})
            if (*root)
                roots.push_back(std::move(**root));
    } catch (const NoValue&) {}
    return roots;
}

// Whether b, between scan points a and c with values on the same side of
// the target, is nearer it than both and within the scan's variation of
// it: the quantity may cross the target between scan points and back.
bool turnsNearTarget(const Sample& a, const Sample& b, const Sample& c)
{
    if (sign(a.f) != sign(b.f) || sign(c.f) != sign(b.f))
        return false;
    const long double distance = std::fabs(b.f);
    return distance < std::fabs(a.f) && distance < std::fabs(c.f) &&
           distance <= std::max(std::fabs(a.f - b.f), std::fabs(c.f - b.f));
}

// The scan of the interval: each point's value, the roots at and between
// scan points, and the point nearest the target.
class Scan {
public:
    Scan(TargetFunction& f, const IntervalField& field, std::size_t intervals)
        : f_(f), field_(field), intervals_(intervals)
    {}

    // Scan point i of 0..intervals.
    void step(std::size_t i)
    {
        const long double x = i == intervals_ ? field_.to
                                              : field_.from + (field_.to - field_.from) * static_cast<long double>(i) /
                                                                  static_cast<long double>(intervals_);
        const SolvedPoint* point = f_.point(x);
        if (!point) {
            recent_.clear();
            f_.forgetAllBut(f_.stored(x));
            return;
        }
        const Sample here{f_.stored(x), *f_.at(x)};
        if (!closest_ || std::fabs(here.f) < closestDistance_) {
            closest_ = *point;
            closestDistance_ = std::fabs(here.f);
        }
        if (here.f == 0)
            keep(*point);
        else if (!recent_.empty() && sign(recent_.back().f) * sign(here.f) < 0) {
            if (std::optional<SolvedPoint> root = refine(f_, recent_.back(), here))
                keep(std::move(*root));
        } else if (recent_.size() == 2 && turnsNearTarget(recent_[0], recent_[1], here)) {
            for (SolvedPoint& root : rootsNearTurn(f_, recent_[0], recent_[1], here))
                keep(std::move(root));
        }
        if (recent_.size() == 2)
            recent_.erase(recent_.begin());
        recent_.push_back(here);
        f_.forgetAllBut(here.x);
    }

    // In increasing field value.
    std::vector<SolvedPoint> roots()
    {
        std::vector<SolvedPoint> roots;
        for (auto& [value, point] : roots_)
            roots.push_back(std::move(point));
        return roots;
    }
    std::optional<SolvedPoint>& closest() { return closest_; }

private:
    void keep(SolvedPoint root)
    {
        const long double at = root.fieldValue;
        roots_.emplace(at, std::move(root));
    }

    TargetFunction& f_;
    const IntervalField& field_;
    const std::size_t intervals_;
    std::map<long double, SolvedPoint> roots_;
    // The last two scan points with a value, none across a point without one.
    std::vector<Sample> recent_;
    std::optional<SolvedPoint> closest_;
    long double closestDistance_ = 0;
};

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

    TargetFunction f(space, target, reactor, settings.stop);
    Scan scan(f, space.intervals().front(), settings.scanIntervals);
    SolveResult result;
    try {
        for (std::size_t i = 0; i <= settings.scanIntervals; ++i) {
            if (settings.progress)
                settings.progress(i);
            scan.step(i);
        }
    } catch (const TargetFunction::Stopped&) {
        result.stopped = true;
    }
    for (SolvedPoint& point : scan.roots())
        result.roots.push_back(reported(space, std::move(point)));
    if (result.roots.empty() && scan.closest())
        result.closest = reported(space, std::move(*scan.closest()));
    result.evaluations = f.evaluations();
    return result;
}

} // namespace kaskad::study
