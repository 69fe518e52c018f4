// The study's thread.
#include "ui/study_run.h"

#include "study/runner.h"

#include <utility>

namespace kaskad::ui {

StudyRun::StudyRun(std::shared_ptr<const study::SweepPlan> plan, unsigned jobs)
    : plan_(std::move(plan)), thread_([this, jobs] { run(jobs); })
{}

StudyRun::~StudyRun()
{
    stop();
    wait();
}

void StudyRun::wait()
{
    if (thread_.joinable())
        thread_.join();
}

void StudyRun::run(unsigned jobs)
{
    const study::SweepRows rows(*plan_, {.criterion = true});
    const study::PointRange points = study::allPoints(*plan_);
    try {
        const std::size_t delivered = study::runSweepProducing<StudyPoint>(
            *plan_, points, jobs, [&](std::size_t index, RunView run) { return studyPoint(index, run, rows); },
            [&](std::size_t, StudyPoint&& point) {
                const std::lock_guard lock(mutex_);
                delivered_.push_back(std::move(point));
            },
            stopSource_.get_token());
        stopped_ = delivered < points.size();
    } catch (...) {
        const std::lock_guard lock(mutex_);
        error_ = std::current_exception();
    }
    finished_ = true;
}

std::vector<StudyPoint> StudyRun::takePoints()
{
    std::vector<StudyPoint> points;
    const std::lock_guard lock(mutex_);
    points.swap(delivered_);
    return points;
}

std::exception_ptr StudyRun::error() const
{
    const std::lock_guard lock(mutex_);
    return error_;
}

} // namespace kaskad::ui
