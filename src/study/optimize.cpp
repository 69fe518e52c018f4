// The optimiser: a global DIRECT-L stage over every reactor count at once, a
// local stage per reactor count, and the answers rounded to their digits.
#include "study/optimize.h"

#include "study/study_error.h"
#include "study/threads.h"

#include <nlopt.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <numeric>
#include <thread>

namespace kaskad::study {

namespace {

// Merits NLopt minimises where a run gives no score: beyond any real one.
constexpr double kInfeasibleMerit = 1e6;
constexpr double kFailedMerit = 1e9;
// A constraint's value where the run computed nothing to test.
constexpr double kFailedConstraint = 1e3;

// The values of the interval fields at a point of the unit cube.
std::vector<long double> intervalValues(const DesignSpace& space, const std::vector<double>& unit)
{
    std::vector<long double> values;
    for (std::size_t k = 0; k < unit.size(); ++k) {
        const IntervalField& field = space.intervals()[k];
        values.push_back(field.from + static_cast<long double>(unit[k]) * (field.to - field.from));
    }
    return values;
}

// The best point found for one reactor count, in the unit cube.
struct Candidate {
    bool found = false;
    Assessment assessment;
    std::vector<double> unit;
};

// The best candidate per reactor count, fewest reactors first.
using Archive = std::vector<Candidate>;

void keepBetter(Candidate& kept, const Candidate& offered)
{
    if (offered.found && (!kept.found || better(offered.assessment, kept.assessment)))
        kept = offered;
}

// The same for a point just assessed: its place is copied only when kept.
void keepIfBetter(Candidate& kept, const Assessment& assessment, const std::vector<double>& unit)
{
    if (kept.found && !better(assessment, kept.assessment))
        return;
    kept.found = true;
    kept.assessment = assessment;
    kept.unit.assign(unit.begin(), unit.end());
}

// Runs points of the unit cube to the most reactors of the study and keeps
// the best per reactor count. Each search stage has its own, so a stage
// depends on nothing another does at the same time.
class Evaluator {
public:
    Evaluator(const DesignProblem& problem, std::size_t budget, std::stop_token stop, std::atomic<std::size_t>& made)
        : problem_(problem),
          budget_(budget),
          stop_(std::move(stop)),
          made_(made),
          archive_(problem.space.reactorCounts())
    {}

    // The run of a point, made once for consecutive calls at the same point.
    // Throws nlopt::forced_stop when the budget is spent or a stop asked for.
    void evaluate(const double* unit)
    {
        const std::size_t d = problem_.space.intervals().size();
        if (!lastUnit_.empty() && std::equal(unit, unit + d, lastUnit_.begin()))
            return;
        if (used_ >= budget_ || stop_.stop_requested())
            throw nlopt::forced_stop();
        lastUnit_.assign(unit, unit + d);
        values_ = intervalValues(problem_.space, lastUnit_);
        // A run to the most reactors assesses every count at once, so a
        // search for one count also finds points for its neighbours.
        const std::int32_t reactors = problem_.space.mostReactors();
        // With tolerances, the corners of the box around the point too.
        runs_.clear();
        for (const std::vector<FieldMove>& moves : toleranceBoxMoves(problem_, values_))
            runs_.push_back(moves.empty() ? problem_.space.pointRun(values_, reactors)
                                          : problem_.space.movedPointRun(values_, reactors, moves));
        ++used_;
        made_.fetch_add(1, std::memory_order_relaxed);
        assessments_.resize(archive_.size());
        const std::vector<long double> stored = storedValues();
        for (std::size_t n = 0; n < archive_.size(); ++n) {
            assessments_[n] = assessBox(problem_, runs_, reactorsAt(n), stored);
            keepIfBetter(archive_[n], assessments_[n], lastUnit_);
        }
    }

    const Assessment& assessment(std::size_t n) const { return assessments_[n]; }
    // The point's run, then those of its tolerance box's corners.
    const std::vector<RunRecord>& runs() const { return runs_; }
    std::int32_t reactorsAt(std::size_t n) const
    {
        return problem_.space.fewestReactors() + static_cast<std::int32_t>(n);
    }
    const Archive& archive() const { return archive_; }
    std::size_t used() const { return used_; }
    const DesignProblem& problem() const { return problem_; }

private:
    // The values the fields store for the point, for an objective on a field.
    std::vector<long double> storedValues() const
    {
        std::vector<long double> stored;
        for (std::size_t k = 0; k < values_.size(); ++k)
            stored.push_back(storedFieldValue(problem_.space.intervals()[k].storage, values_[k]));
        return stored;
    }

    const DesignProblem& problem_;
    const std::size_t budget_;
    const std::stop_token stop_;
    std::atomic<std::size_t>& made_;
    std::size_t used_ = 0;
    std::vector<double> lastUnit_;
    std::vector<long double> values_;
    std::vector<RunRecord> runs_;
    std::vector<Assessment> assessments_;
    Archive archive_;
};

// What NLopt minimises for one reactor count, where no constraint is posed.
double merit(const Assessment& assessment)
{
    if (!assessment.computed)
        return kFailedMerit;
    if (!assessment.feasible())
        return kInfeasibleMerit + static_cast<double>(assessment.violation);
    return -static_cast<double>(assessment.score);
}

// The state NLopt's callbacks reach: the evaluator, the reactor count the
// local stage seeks and the first error a callback met.
struct Search {
    Evaluator& evaluator;
    std::size_t reactorIndex = 0;
    std::exception_ptr error;
};

// Calls f, turning every exception but NLopt's stop into a stored error and
// a stop, so that nothing unwinds through NLopt's C frames.
template <class F>
double guarded(Search& search, F f)
{
    try {
        return f();
    } catch (const nlopt::forced_stop&) {
        throw;
    } catch (...) {
        search.error = std::current_exception();
        throw nlopt::forced_stop();
    }
}

// The global stage's merit: the best over the reactor counts.
double globalMerit(unsigned, const double* unit, double*, void* data)
{
    Search& search = *static_cast<Search*>(data);
    return guarded(search, [&] {
        search.evaluator.evaluate(unit);
        double best = kFailedMerit;
        for (std::size_t n = 0; n < search.evaluator.archive().size(); ++n)
            best = std::min(best, merit(search.evaluator.assessment(n)));
        return best;
    });
}

// The local stage's objective. For the margin, an extra variable s is
// maximised under s <= each bound's margin (a smooth form of the smallest).
double localObjective(unsigned n, const double* x, double*, void* data)
{
    Search& search = *static_cast<Search*>(data);
    return guarded(search, [&] {
        search.evaluator.evaluate(x);
        const Assessment& assessment = search.evaluator.assessment(search.reactorIndex);
        if (search.evaluator.problem().objective.isMargin())
            return -x[n - 1];
        return assessment.computed ? -static_cast<double>(assessment.score) : kFailedMerit;
    });
}

// The local stage's constraints, each <= 0 when met: the margin's bounds
// (less s), the criterion's bounds when it is a constraint, the further
// bounds relative to their limits.
void localConstraints(unsigned m, double* result, unsigned n, const double* x, double*, void* data)
{
    Search& search = *static_cast<Search*>(data);
    guarded(search, [&] {
        search.evaluator.evaluate(x);
        const DesignProblem& problem = search.evaluator.problem();
        // Bounds hold over the whole box for the worst case, at the point
        // where a probability is sought, with the probability a constraint
        // of its own.
        const std::span<const RunRecord> runs(search.evaluator.runs().data(),
                                              problem.meetProbability ? 1 : search.evaluator.runs().size());
        const std::int32_t reactors = search.evaluator.reactorsAt(search.reactorIndex);
        if (!search.evaluator.assessment(search.reactorIndex).computed) {
            std::fill(result, result + m, kFailedConstraint);
            return 0.0;
        }
        const auto outletOf = [reactors](const RunRecord& run) -> const ReactorResult& {
            return run.reactors[static_cast<std::size_t>(reactors - 1)];
        };
        // Each bound's least margin over the point and its tolerance box.
        unsigned c = 0;
        const bool margin = problem.objective.isMargin();
        if (margin || problem.meetCriterion)
            for (const CriterionBound& bound : criterionBounds(problem.space.model())) {
                long double toBound = std::numeric_limits<long double>::infinity();
                for (const RunRecord& run : runs)
                    toBound =
                        std::min(toBound, marginToBound(bound, static_cast<float>(outletOf(run).value(bound.pane))));
                result[c++] = (margin ? x[n - 1] : 0.0) - static_cast<double>(toBound);
            }
        for (const QuantityBound& bound : problem.bounds) {
            long double least = std::numeric_limits<long double>::infinity();
            for (const RunRecord& run : runs)
                for (std::int32_t r = bound.everyReactor ? 1 : reactors; r <= reactors; ++r)
                    least =
                        std::min(least, bound.slack(run.reactors[static_cast<std::size_t>(r - 1)].value(bound.pane)));
            result[c++] = static_cast<double>(-least / std::max(std::fabs(bound.limit), 1.0L));
        }
        if (problem.meetProbability) {
            const double reached = *search.evaluator.assessment(search.reactorIndex).marginAtProbability;
            result[c++] = std::isfinite(reached) ? -reached : kFailedConstraint;
        }
        return 0.0;
    });
}

unsigned localConstraintCount(const DesignProblem& problem)
{
    const bool criterion = problem.objective.isMargin() || problem.meetCriterion;
    return static_cast<unsigned>((criterion ? criterionBounds(problem.space.model()).size() : 0) +
                                 problem.bounds.size() + (problem.meetProbability ? 1 : 0));
}

// Runs an NLopt search to its end; NLopt's own ends of a search (a stop,
// round-off) are ends, any other failure is an error.
void runSearch(nlopt::opt& opt, std::vector<double>& x, Search& search)
{
    double value = 0;
    try {
        opt.optimize(x, value);
    } catch (const nlopt::forced_stop&) {
    } catch (const nlopt::roundoff_limited&) {}
    if (search.error)
        std::rethrow_exception(search.error);
}

// The global stage searches the box in this many slabs of the first
// interval field at once: a number of its own, not of the jobs, so the
// search is the same on any machine.
constexpr std::size_t kGlobalSlabs = 4;

// DIRECT-L over one slab of the unit cube on the best merit over the
// reactor counts.
Archive globalStage(const DesignProblem& problem, std::size_t slab, std::size_t budget, std::stop_token stop,
                    std::atomic<std::size_t>& made, std::size_t& used)
{
    const std::size_t d = problem.space.intervals().size();
    Evaluator evaluator(problem, budget, std::move(stop), made);
    Search search{evaluator, 0, nullptr};
    if (d == 0 || budget == 0) {
        // Nothing to search: the one point is every design.
        try {
            if (budget > 0)
                evaluator.evaluate(nullptr);
        } catch (const nlopt::forced_stop&) {}
    } else {
        nlopt::opt opt(nlopt::GN_DIRECT_L, static_cast<unsigned>(d));
        std::vector<double> lower(d, 0.0), upper(d, 1.0);
        lower[0] = static_cast<double>(slab) / kGlobalSlabs;
        upper[0] = static_cast<double>(slab + 1) / kGlobalSlabs;
        opt.set_lower_bounds(lower);
        opt.set_upper_bounds(upper);
        opt.set_min_objective(&globalMerit, &search);
        opt.set_maxeval(static_cast<int>(budget));
        std::vector<double> x(d, 0.5);
        x[0] = (lower[0] + upper[0]) / 2;
        runSearch(opt, x, search);
    }
    used = evaluator.used();
    return evaluator.archive();
}

// A local search for one reactor count from a point, its first steps
// `step` of the unit cube.
Archive localStage(const DesignProblem& problem, std::size_t reactorIndex, const Candidate& start, double step,
                   std::size_t budget, std::stop_token stop, std::atomic<std::size_t>& made, std::size_t& used)
{
    const std::size_t d = problem.space.intervals().size();
    Evaluator evaluator(problem, budget, std::move(stop), made);
    Search search{evaluator, reactorIndex, nullptr};
    const bool margin = problem.objective.isMargin();
    const unsigned constraints = localConstraintCount(problem);
    const unsigned n = static_cast<unsigned>(d + (margin ? 1 : 0));
    nlopt::opt opt(constraints > 0 ? nlopt::LN_COBYLA : nlopt::LN_BOBYQA, n);
    std::vector<double> lower(n, 0.0), upper(n, 1.0), steps(n, step);
    std::vector<double> x = start.unit;
    if (margin) {
        // s starts at the margin of the start and moves in its units.
        const double startMargin = start.assessment.margin.value_or(-1.0);
        lower[d] = -10.0;
        upper[d] = 10.0;
        steps[d] = step / 5;
        x.push_back(std::clamp(startMargin, lower[d], upper[d]));
    }
    opt.set_lower_bounds(lower);
    opt.set_upper_bounds(upper);
    opt.set_initial_step(steps);
    opt.set_min_objective(&localObjective, &search);
    if (constraints > 0)
        opt.add_inequality_mconstraint(&localConstraints, &search, std::vector<double>(constraints, 0.0));
    opt.set_maxeval(static_cast<int>(budget));
    std::vector<double> tolerance(n, 1e-7);
    opt.set_xtol_abs(tolerance);
    runSearch(opt, x, search);
    used = evaluator.used();
    return evaluator.archive();
}

// Runs task(0..count-1) on `jobs` threads, calling `progress` on the calling
// thread at least every 50 ms meanwhile. The first exception of a task is passed on.
void runTasks(std::size_t count, unsigned jobs, const std::function<void(std::size_t)>& task,
              const std::function<void()>& progress)
{
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable done;
    std::size_t finished = 0;
    std::exception_ptr error;
    const auto work = [&] {
        for (std::size_t k; (k = next.fetch_add(1)) < count;) {
            std::exception_ptr failure;
            try {
                task(k);
            } catch (...) {
                failure = std::current_exception();
            }
            std::lock_guard lock(mutex);
            if (failure && !error)
                error = failure;
            ++finished;
            done.notify_one();
        }
    };
    {
        const std::size_t threads = std::clamp<std::size_t>(jobs, 1, std::max<std::size_t>(count, 1));
        const std::vector<std::jthread> workers = startThreads(threads, work);
        // Where no thread could start, the calling thread does the tasks.
        if (workers.empty())
            work();
        std::unique_lock lock(mutex);
        while (finished < count) {
            lock.unlock();
            progress();
            lock.lock();
            done.wait_for(lock, std::chrono::milliseconds(50), [&] { return finished == count; });
        }
    }
    if (error)
        std::rethrow_exception(error);
}

// The interval field texts of a rounded point, their values as read, and
// whether they all lie within their intervals.
struct RoundedPoint {
    std::vector<DecimalText> decimals;

    std::vector<std::string> texts() const
    {
        std::vector<std::string> texts;
        for (const DecimalText& decimal : decimals)
            texts.push_back(decimal.text());
        return texts;
    }
};

long double readValue(const std::string& text) { return TextToNumber(text, '.'); }

bool withinIntervals(const DesignSpace& space, const RoundedPoint& point)
{
    for (std::size_t k = 0; k < point.decimals.size(); ++k) {
        const long double value = readValue(point.decimals[k].text());
        if (value < space.intervals()[k].from || value > space.intervals()[k].to)
            return false;
    }
    return true;
}

// The candidate's values rounded to `digits`, each moved inside its interval
// when rounding took it out.
RoundedPoint roundedPoint(const DesignSpace& space, const std::vector<long double>& values, int digits)
{
    RoundedPoint point;
    for (std::size_t k = 0; k < values.size(); ++k) {
        const IntervalField& field = space.intervals()[k];
        DecimalText decimal = DecimalText::roundedWithin(field, values[k], digits);
        for (int tries = 0; tries < 4 && readValue(decimal.text()) < field.from; ++tries)
            decimal = decimal.step(1);
        for (int tries = 0; tries < 4 && readValue(decimal.text()) > field.to; ++tries)
            decimal = decimal.step(-1);
        point.decimals.push_back(decimal);
    }
    return point;
}

// The worst case found in a tolerance box, and its run.
struct WorstCase {
    Assessment assessment;
    RunRecord run;
};

// How many times the search from the worst corner halves its step.
constexpr int kWorstCaseRefinements = 4;

// The worst case over the tolerance box around a point: its corners, then a
// pattern search inside the box from the worst of them, for a worst case
// that lies on an edge or inside.
WorstCase worstInBox(const DesignProblem& problem, std::span<const long double> values, std::int32_t reactors,
                     std::span<const long double> stored, WorstCase centre)
{
    const auto runOf = [&](const std::vector<FieldMove>& moves) {
        WorstCase point;
        point.run = problem.space.movedPointRun(values, reactors, moves);
        point.assessment = assess(problem, point.run, reactors, stored);
        return point;
    };
    const std::vector<std::vector<FieldMove>> corners = toleranceBoxMoves(problem, values);
    WorstCase worst = std::move(centre);
    std::vector<FieldMove> at;
    for (std::size_t c = 1; c < corners.size(); ++c)
        if (WorstCase corner = runOf(corners[c]); better(worst.assessment, corner.assessment)) {
            worst = std::move(corner);
            at = corners[c];
        }
    if (at.empty())
        return worst;
    std::vector<long double> halfWidths;
    halfWidths.reserve(at.size());
    for (const FieldMove& move : at)
        halfWidths.push_back(std::fabs(move.by));
    std::vector<long double> steps = halfWidths;
    for (int level = 0; level < kWorstCaseRefinements; ++level) {
        for (long double& step : steps)
            step /= 2;
        for (std::size_t k = 0; k < at.size(); ++k)
            for (const long double sign : {-1.0L, 1.0L}) {
                std::vector<FieldMove> moved = at;
                moved[k].by = std::clamp(at[k].by + sign * steps[k], -halfWidths[k], halfWidths[k]);
                if (moved[k].by == at[k].by)
                    continue;
                if (WorstCase point = runOf(moved); better(worst.assessment, point.assessment)) {
                    worst = std::move(point);
                    at = std::move(moved);
                }
            }
    }
    return worst;
}

// A plain run of a point's texts with `reactors` reactors, assessed; with
// tolerances, by its worst case.
DesignAnswer answerOf(const DesignProblem& problem, const RoundedPoint& point, std::int32_t reactors)
{
    DesignAnswer answer;
    answer.reactors = reactors;
    const std::vector<std::string> texts = point.texts();
    answer.run = runRecorded(problem.space.model(), problem.space.pointTexts(texts, reactors), '.');
    // The values the run stored, for an objective on a field.
    std::vector<long double> stored;
    for (const IntervalField& field : problem.space.intervals())
        stored.push_back(answer.run.inputs.values.values[field.field]);
    answer.assessment = assess(problem, answer.run, reactors, stored);
    answer.limiting = limitingBound(problem, answer.run, answer.texts());
    if (problem.robust()) {
        answer.nominal = answer.assessment;
        std::vector<long double> values;
        values.reserve(texts.size());
        for (const std::string& text : texts)
            values.push_back(readValue(text));
        if (problem.meetProbability) {
            std::vector<RunRecord> runs;
            for (const std::vector<FieldMove>& moves : toleranceBoxMoves(problem, values))
                runs.push_back(moves.empty() ? answer.run : problem.space.movedPointRun(values, reactors, moves));
            answer.assessment = assessBox(problem, runs, reactors, stored);
        } else {
            const WorstCase worst = worstInBox(problem, values, reactors, stored, {answer.assessment, answer.run});
            answer.assessment = worseOf(answer.assessment, worst.assessment);
            answer.limiting = limitingBound(problem, worst.run, answer.texts());
        }
    }
    answer.meets = meetsTarget(problem, answer.assessment);
    return answer;
}

// The evaluations the rounding of one answer takes at least: the rounded
// point and its neighbours one unit of the last digit away in each field.
std::size_t roundingEvaluations(const DesignProblem& problem) { return 1 + 2 * problem.space.intervals().size(); }

// The evaluations set aside for the rounding of every answer: where the
// budget is ample, for a few moves from text to better neighbouring text.
std::size_t roundingBudget(const DesignProblem& problem, std::size_t evaluations)
{
    const std::size_t least = problem.space.reactorCounts() * roundingEvaluations(problem);
    return evaluations >= 8 * least ? 2 * least : least;
}

// An answer at a rounded point, and the point.
struct RoundedAnswer {
    RoundedPoint point;
    DesignAnswer answer;
};

// Moves an answer, while `used` stays within the budget, one unit of the
// last digit at a time in one field to texts that are better (one that
// meets the constraints before one that does not), field by field and on
// in the same direction while that pays, until no such move is left.
void descend(const DesignProblem& problem, RoundedAnswer& at, std::size_t budget, std::size_t& used)
{
    for (bool moved = true; moved;) {
        moved = false;
        for (std::size_t k = 0; k < at.point.decimals.size(); ++k)
            for (const std::int64_t units : {-1, 1})
                while (used < budget) {
                    RoundedPoint neighbour = at.point;
                    neighbour.decimals[k] = neighbour.decimals[k].step(units);
                    if (!withinIntervals(problem.space, neighbour))
                        break;
                    DesignAnswer tried = answerOf(problem, neighbour, at.answer.reactors);
                    ++used;
                    if (!better(tried.assessment, at.answer.assessment))
                        break;
                    at = {std::move(neighbour), std::move(tried)};
                    moved = true;
                }
    }
}

// The answer for one reactor count: the best point rounded to its digits.
RoundedAnswer roundedAnswer(const DesignProblem& problem, const Candidate& candidate, std::int32_t reactors, int digits,
                            std::size_t& used)
{
    const DesignSpace& space = problem.space;
    const std::vector<double> unit =
        candidate.found ? candidate.unit : std::vector<double>(space.intervals().size(), 0.5);
    RoundedAnswer at;
    at.point = roundedPoint(space, intervalValues(space, unit), digits);
    at.answer = answerOf(problem, at.point, reactors);
    ++used;
    return at;
}

// The texts halfway between two rounded points, rounded to `digits`.
RoundedPoint halfwayPoint(const DesignSpace& space, const RoundedPoint& a, const RoundedPoint& b, int digits)
{
    std::vector<long double> values;
    for (std::size_t k = 0; k < a.decimals.size(); ++k)
        values.push_back((readValue(a.decimals[k].text()) + readValue(b.decimals[k].text())) / 2);
    return roundedPoint(space, values, digits);
}

// The rounded answer for a count replaced by other texts where they are
// better for it, then moved to better neighbouring texts.
void improveRounded(const DesignProblem& problem, RoundedAnswer& own, const std::vector<RoundedPoint>& others,
                    std::size_t budget, std::size_t& used)
{
    for (const RoundedPoint& other : others) {
        if (used >= budget || other.texts() == own.point.texts())
            continue;
        DesignAnswer tried = answerOf(problem, other, own.answer.reactors);
        ++used;
        if (better(tried.assessment, own.answer.assessment))
            own = {other, std::move(tried)};
    }
    descend(problem, own, budget, used);
}

} // namespace

std::optional<double> robustMargin(const DesignProblem& problem, const DesignAnswer& answer)
{
    if (!problem.robust())
        return std::nullopt;
    return problem.meetProbability ? answer.assessment.meetShare : answer.assessment.margin;
}

bool OptimizeResult::anyMeets() const
{
    return std::any_of(byReactors.begin(), byReactors.end(), [](const DesignAnswer& a) { return a.meets; });
}

std::size_t leastEvaluations(const DesignProblem& problem)
{
    const std::size_t searchPoints = problem.space.intervals().empty() ? 1 : kGlobalSlabs;
    return std::max(searchPoints, problem.space.reactorCounts()) +
           problem.space.reactorCounts() * roundingEvaluations(problem);
}

namespace {

// How the evaluations are shared among the stages.
struct SearchBudget {
    std::size_t global = 0; // the global stage, all slabs together
    std::size_t local = 0;  // the rounds of local searches
};

// DIRECT keeps every box it has divided, about 0.7 KB per evaluation: its
// share is bounded so that the memory is, the local searches taking the rest.
constexpr std::size_t kGlobalMost = 40'000;

// The evaluations per reactor count below which its local searches do
// little.
constexpr std::size_t kLocalAtLeast = 40;

// A seventh of the search explores the whole box, the rest refines the best
// point of each reactor count; the answers' rounding is set aside first.
SearchBudget searchBudget(const DesignProblem& problem, std::size_t evaluations)
{
    const std::size_t counts = problem.space.reactorCounts();
    const std::size_t search = evaluations - roundingBudget(problem, evaluations);
    if (problem.space.intervals().empty())
        return {1, 0};
    // Too few evaluations for a useful local search of every count: then
    // half go to the global stage, whose every run serves every count.
    const std::size_t share = search < counts * kLocalAtLeast ? search / 2 : search / 7;
    const std::size_t global = std::min(std::max(share, std::min(search, kGlobalSlabs * counts)), kGlobalMost);
    return {global, search - global};
}

// A local search: the reactor count it seeks, where it starts, its first
// step in the unit cube.
struct LocalStart {
    std::size_t reactorIndex;
    std::vector<double> unit;
    double step;
};

// The rounds of local searches, their first step in the unit cube, and the
// step below which a count's search from a point that has not moved ends.
constexpr int kLocalRounds = 6;
constexpr double kFirstStep = 0.05;
constexpr double kLeastStep = 1e-4;

// One optimisation: its stages share the best point per reactor count, the
// stop and the count of evaluations.
class Optimizer {
public:
    Optimizer(const DesignProblem& problem, const OptimizeSettings& settings)
        : problem_(problem),
          settings_(settings),
          counts_(problem.space.reactorCounts()),
          budget_(searchBudget(problem, settings.maxEvaluations)),
          best_(counts_)
    {}

    OptimizeResult run()
    {
        globalRound();
        localRounds();
        result_.stopped = settings_.stop.stop_requested();
        roundAnswers();
        return std::move(result_);
    }

private:
    void reportProgress() const
    {
        if (settings_.progress)
            settings_.progress(made_.load());
    }

    // Takes a stage's archives in a fixed order, whatever order they ended in.
    void keep(const std::vector<Archive>& archives, const std::vector<std::size_t>& used)
    {
        for (std::size_t k = 0; k < archives.size(); ++k) {
            result_.evaluations += used[k];
            for (std::size_t n = 0; n < archives[k].size(); ++n)
                keepBetter(best_[n], archives[k][n]);
        }
    }

    void globalRound()
    {
        const std::size_t slabs = problem_.space.intervals().empty() ? 1 : kGlobalSlabs;
        std::vector<Archive> archives(slabs);
        std::vector<std::size_t> used(slabs, 0);
        runTasks(
            slabs, settings_.jobs,
            [&](std::size_t s) {
                archives[s] = globalStage(problem_, s, budget_.global / slabs, settings_.stop, made_, used[s]);
            },
            [this] { reportProgress(); });
        keep(archives, used);
    }

    // The local searches, in rounds. The first searches each reactor count
    // whose runs computed from its best point and, where that breaks a
    // constraint, from its neighbouring counts' too, for other ways into the
    // region that meets them. Each later round searches every count from the
    // best point any search has found for it, which, since every run
    // assesses every count, may be another count's. A count whose best point
    // did not move in a round starts the next from it with a quarter of the
    // step, or, every other round, from where its neighbours' best points
    // predict it; a count worse than its neighbours starts from there every
    // round. Each round takes half the evaluations left, the last all of
    // them, so what a search leaves unspent goes to the next.
    void localRounds()
    {
        const std::size_t dimensions = problem_.space.intervals().size() + (problem_.objective.isMargin() ? 1 : 0);
        // COBYLA's first simplex and one step from it.
        const std::size_t least = dimensions + 2;
        std::vector<double> steps(counts_, kFirstStep);
        std::size_t left = budget_.local;
        for (int round = 0; round < kLocalRounds && dimensions > 0 && !settings_.stop.stop_requested(); ++round) {
            const std::vector<LocalStart> starts = localStarts(steps, round);
            if (starts.empty())
                return;
            const bool last = round + 1 == kLocalRounds || left / (2 * starts.size()) < least;
            const std::size_t share = left / (starts.size() * (last ? 1 : 2));
            if (share < least)
                return;
            std::vector<std::vector<double>> before;
            for (const Candidate& candidate : best_)
                before.push_back(candidate.unit);
            left -= localRound(starts, share);
            for (std::size_t n = 0; n < counts_; ++n)
                if (best_[n].unit == before[n])
                    steps[n] /= 4;
            if (last)
                return;
        }
    }

    // Where a round's local searches start: each count whose runs computed,
    // from its best point, or, where that stalled (every other round) or is
    // worse than its neighbours', from where their best points predict it;
    // in the first round, where the best point breaks a constraint, from the
    // neighbouring counts' best points too.
    std::vector<LocalStart> localStarts(const std::vector<double>& steps, int round) const
    {
        std::vector<LocalStart> starts;
        const auto searchable = [&](std::size_t n) {
            return n < counts_ && best_[n].found && best_[n].assessment.computed && steps[n] >= kLeastStep;
        };
        for (std::size_t n = 0; n < counts_; ++n) {
            if (!searchable(n))
                continue;
            const bool stalled = steps[n] < kFirstStep && round % 2 == 1;
            const std::optional<std::vector<double>> predicted =
                round > 0 && (stalled || belowItsNeighbours(n)) ? predictedFromNeighbours(n) : std::nullopt;
            if (predicted && *predicted != best_[n].unit)
                starts.push_back({n, *predicted, kFirstStep / 4});
            else
                starts.push_back({n, best_[n].unit, steps[n]});
        }
        if (round == 0)
            for (std::size_t n = 0; n < counts_; ++n)
                for (const std::size_t m : {n - 1, n + 1})
                    if (searchable(n) && !best_[n].assessment.feasible() && m < counts_ && best_[m].found &&
                        best_[m].unit != best_[n].unit)
                        starts.push_back({n, best_[m].unit, steps[n]});
        return starts;
    }

    // Whether count n's best point is worse than each neighbour's: the best
    // answer changes smoothly with the count, so such a dip is a search
    // that stopped short.
    bool belowItsNeighbours(std::size_t n) const
    {
        bool below = false;
        for (const std::size_t m : {n - 1, n + 1}) {
            if (m >= counts_)
                continue;
            if (!best_[m].found || !better(best_[m].assessment, best_[n].assessment))
                return false;
            below = true;
        }
        return below;
    }

    // Where count n's best point would lie if it moved on from its
    // neighbours' as theirs move: halfway between them, or, at either end of
    // the counts, a step beyond the nearest as far as that is from the next
    // (inside the box). None where they did not compute.
    std::optional<std::vector<double>> predictedFromNeighbours(std::size_t n) const
    {
        if (counts_ < 3)
            return std::nullopt;
        const bool first = n == 0, last = n + 1 == counts_;
        const std::size_t a = first ? 1 : n - 1;
        const std::size_t b = first ? 2 : last ? n - 2 : n + 1;
        const Candidate& near = best_[a];
        const Candidate& far = best_[b];
        if (!near.found || !far.found || !near.assessment.computed || !far.assessment.computed)
            return std::nullopt;
        std::vector<double> predicted(near.unit.size());
        for (std::size_t k = 0; k < predicted.size(); ++k)
            predicted[k] =
                first || last ? std::clamp(2 * near.unit[k] - far.unit[k], 0.0, 1.0) : (near.unit[k] + far.unit[k]) / 2;
        return predicted;
    }

    // A local search from each start, each with `share` evaluations;
    // returns the evaluations made.
    std::size_t localRound(const std::vector<LocalStart>& starts, std::size_t share)
    {
        std::vector<Archive> archives(starts.size());
        std::vector<std::size_t> used(starts.size(), 0);
        runTasks(
            starts.size(), settings_.jobs,
            [&](std::size_t k) {
                Candidate start = best_[starts[k].reactorIndex];
                start.unit = starts[k].unit;
                archives[k] = localStage(problem_, starts[k].reactorIndex, start, starts[k].step, share, settings_.stop,
                                         made_, used[k]);
            },
            [this] { reportProgress(); });
        keep(archives, used);
        return std::accumulate(used.begin(), used.end(), std::size_t{0});
    }

    void roundAnswers()
    {
        std::vector<std::size_t> used(counts_, 0);
        // What the search left, shared out; after a stop, one move at most.
        const std::size_t left = settings_.maxEvaluations - std::min(settings_.maxEvaluations, result_.evaluations);
        const std::size_t share = std::max(roundingEvaluations(problem_),
                                           result_.stopped ? std::size_t{0} : left / std::max(counts_, std::size_t{1}));
        std::vector<RoundedAnswer> rounded(counts_);
        runTasks(
            counts_, settings_.jobs,
            [&](std::size_t n) {
                const auto reactors = problem_.space.fewestReactors() + static_cast<std::int32_t>(n);
                rounded[n] = roundedAnswer(problem_, best_[n], reactors, settings_.digits, used[n]);
            },
            [this] { reportProgress(); });
        // Each count tries its neighbours' rounded texts and those halfway
        // between them, then better neighbouring texts: no count's answer is
        // worse than what its neighbours' answers give it.
        const std::vector<RoundedAnswer> first = rounded;
        runTasks(
            counts_, settings_.jobs,
            [&](std::size_t n) {
                if (!best_[n].found)
                    return;
                std::vector<RoundedPoint> others;
                for (const std::size_t m : {n - 1, n + 1})
                    if (m < counts_ && first[m].answer.assessment.computed)
                        others.push_back(first[m].point);
                if (others.size() == 2)
                    others.push_back(halfwayPoint(problem_.space, others[0], others[1], settings_.digits));
                improveRounded(problem_, rounded[n], others, share, used[n]);
            },
            [this] { reportProgress(); });
        result_.byReactors.resize(counts_);
        for (std::size_t n = 0; n < counts_; ++n)
            result_.byReactors[n] = std::move(rounded[n].answer);
        for (std::size_t n = 0; n < counts_; ++n) {
            result_.evaluations += used[n];
            const DesignAnswer& answer = result_.byReactors[n];
            if (better(answer.assessment, result_.byReactors[result_.best].assessment))
                result_.best = n;
            if (!result_.smallestMeeting && answer.meets && answer.assessment.meetsCriterion)
                result_.smallestMeeting = n;
        }
    }

    const DesignProblem& problem_;
    const OptimizeSettings& settings_;
    const std::size_t counts_;
    const SearchBudget budget_;
    std::atomic<std::size_t> made_{0};
    Archive best_;
    OptimizeResult result_;
};

} // namespace

OptimizeResult optimize(const DesignProblem& problem, const OptimizeSettings& settings)
{
    const std::size_t least = leastEvaluations(problem);
    if (settings.maxEvaluations < least)
        throw StudyError("this study needs at least " + std::to_string(least) + " evaluations");
    return Optimizer(problem, settings).run();
}

} // namespace kaskad::study
