// Design to a target: the input set that best meets an objective under
// constraints, per reactor count, found by NLopt's global DIRECT-L and local
// COBYLA (BOBYQA without constraints) on all cores.
#pragma once

#include "study/design_space.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <stop_token>
#include <vector>

namespace kaskad::study {

struct OptimizeSettings {
    int digits = 4;                    // significant digits of the answer's texts, 1..9
    std::size_t maxEvaluations = 2000; // model runs at most, the last rounding included
    unsigned jobs = 1;                 // threads
    // Asked for, from any thread, it ends the search, which then answers
    // with the best found so far.
    std::stop_token stop;
    // Called on the calling thread with the evaluations made so far.
    std::function<void(std::size_t)> progress;
};

// The answer for one reactor count: the plain run of its texts, which the
// run holds.
struct DesignAnswer {
    std::int32_t reactors = 0;
    RunRecord run;
    // With tolerances, the worst case over the box they span around the
    // answer's texts: its corners, then a search from the worst of them.
    Assessment assessment;
    std::optional<Assessment> nominal; // the plain run's, with tolerances
    bool meets = false;                // every constraint met (and the criterion, when the margin is sought)
    std::string limiting;              // the bound that limits it (in its worst case); empty when none

    const FieldTexts& texts() const { return *run.inputs.texts; }
};

// With tolerances, the answer's worst margin over its box, or the share of
// the box that meets the criterion where a probability is sought; none
// without tolerances.
std::optional<double> robustMargin(const DesignProblem& problem, const DesignAnswer& answer);

struct OptimizeResult {
    std::vector<DesignAnswer> byReactors;       // fewest to most reactors
    std::size_t best = 0;                       // index of the best answer
    std::optional<std::size_t> smallestMeeting; // the fewest reactors whose answer meets the target and criterion
    std::size_t evaluations = 0;
    bool stopped = false; // the stop ended the search early

    const DesignAnswer& bestAnswer() const { return byReactors[best]; }
    bool anyMeets() const;
};

// The fewest evaluations a study needs: one search point per reactor count
// and the rounding of each answer.
std::size_t leastEvaluations(const DesignProblem& problem);

// Raises StudyError when maxEvaluations is below leastEvaluations. The same
// problem and settings give the same result whatever the number of jobs.
OptimizeResult optimize(const DesignProblem& problem, const OptimizeSettings& settings);

} // namespace kaskad::study
