// Running a plan's points through the ordered runner.
#include "study/runner.h"

namespace kaskad::study {

void runSweep(const SweepPlan& plan, PointRange points, unsigned jobs, const PointSink& sink,
              const ProgressSink& progress)
{
    checkPointsToRun(plan, points);
    const PointRuns runs(plan, points);
    runInOrder<RunRecord>(
        points.size(), jobs, [&](std::size_t k) { return runs.run(points.begin + k); },
        [&](std::size_t k, RunRecord&& run) { sink(points.begin + k, run); }, progress);
}

} // namespace kaskad::study
