// Running a plan's points through the ordered runner.
#include "study/runner.h"

namespace kaskad::study {

std::size_t runSweep(const SweepPlan& plan, PointRange points, unsigned jobs, const PointSink& sink,
                     std::stop_token stop, const ProgressSink& progress)
{
    checkPointsToRun(plan, points);
    const PointRuns runs(plan, points);
    return runInOrder<RunRecord>(
        points.size(), jobs, [&](std::size_t k) { return runs.run(points.begin + k); },
        [&](std::size_t k, RunRecord&& run) { sink(points.begin + k, run); }, std::move(stop), progress);
}

} // namespace kaskad::study
