// The ordered parallel runner: results produced on several threads and
// delivered in order on the calling thread; a sweep's points run through it.
#pragma once

#include "study/point_runs.h"
#include "study/sweep_plan.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace kaskad::study {

// Called on the calling thread with the number of results delivered, after
// each one and at least every 100 ms while waiting.
using ProgressSink = std::function<void(std::size_t delivered)>;

namespace detail {

// The points between the workers and the sink. Workers take the next point
// index and produce its result; the sink takes the results in index order.
// Workers run at most `window` points ahead of the sink, so memory stays
// bounded however long the sweep.
template <class Result>
class OrderedResults {
public:
    using Produce = std::function<Result(std::size_t index)>;

    OrderedResults(std::size_t count, unsigned jobs, Produce produce)
        : count_(count), window_(16 * static_cast<std::size_t>(jobs)), produce_(std::move(produce)), slots_(window_)
    {}

    void work()
    {
        try {
            while (const std::optional<std::size_t> index = claim())
                producePoint(*index);
        } catch (...) {
            stop(std::current_exception());
        }
    }

    // Produces one more point on the calling thread if one can be claimed
    // without waiting; false when none can.
    bool workOne()
    {
        std::optional<std::size_t> index;
        {
            std::lock_guard lock(mutex_);
            if (stopped_ || next_ >= count_ || next_ >= taken_ + window_)
                return false;
            index = next_++;
        }
        producePoint(*index);
        return true;
    }

    // The result of point `index` if it is ready, freeing its slot.
    std::optional<Result> tryTake(std::size_t index)
    {
        std::lock_guard lock(mutex_);
        std::optional<Result>& slot = slots_[index % window_];
        if (!slot || stopped_)
            return std::nullopt;
        return release(index, slot);
    }

    // Waits for the result of point `index` (the next in order) and frees its
    // slot; nullopt when the sweep stopped. `waiting` runs every 100 ms.
    std::optional<Result> take(std::size_t index, const std::function<void()>& waiting)
    {
        std::unique_lock lock(mutex_);
        std::optional<Result>& slot = slots_[index % window_];
        while (!slot && !stopped_) {
            if (finished_.wait_for(lock, std::chrono::milliseconds(100)) == std::cv_status::timeout && waiting) {
                lock.unlock();
                waiting();
                lock.lock();
            }
        }
        if (stopped_)
            return std::nullopt;
        return release(index, slot);
    }

    void stop(std::exception_ptr error = nullptr)
    {
        std::lock_guard lock(mutex_);
        if (!error_)
            error_ = std::move(error);
        stopped_ = true;
        room_.notify_all();
        finished_.notify_all();
    }

    std::exception_ptr error() const { return error_; }

private:
    void producePoint(std::size_t index)
    {
        Result result = produce_(index);
        std::lock_guard lock(mutex_);
        slots_[index % window_] = std::move(result);
        // Only the point the sink waits for is worth a wake-up.
        if (index == taken_)
            finished_.notify_one();
    }

    // Hands out a stored result and frees its slot; the mutex is held.
    std::optional<Result> release(std::size_t index, std::optional<Result>& slot)
    {
        std::optional<Result> result;
        result.swap(slot);
        taken_ = index + 1;
        room_.notify_all();
        return result;
    }

    std::optional<std::size_t> claim()
    {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return stopped_ || next_ < taken_ + window_; });
        if (stopped_ || next_ >= count_)
            return std::nullopt;
        return next_++;
    }

    const std::size_t count_;
    const std::size_t window_;
    const Produce produce_;
    std::mutex mutex_;
    std::condition_variable room_;     // a slot was freed, or the sweep stopped
    std::condition_variable finished_; // a result was stored, or the sweep stopped
    std::vector<std::optional<Result>> slots_;
    std::size_t next_ = 0;  // the next point to claim
    std::size_t taken_ = 0; // points handed to the sink
    bool stopped_ = false;
    std::exception_ptr error_;
};

} // namespace detail

// Produces results 0 <= index < count on `jobs` threads and delivers them in
// index order on the calling thread. With one job the calling thread does it all;
// otherwise jobs - 1 workers run, and the calling thread produces points
// itself while the next one is not ready, so that no more threads compete
// than there are jobs. `produce` runs on several threads at once; an
// exception from it or from `deliver` stops the work and is passed on.
template <class Result>
void runInOrder(std::size_t count, unsigned jobs, const std::function<Result(std::size_t index)>& produce,
                const std::function<void(std::size_t index, Result&& result)>& deliver,
                const ProgressSink& progress = {})
{
    if (count == 0)
        return;
    if (jobs <= 1) {
        for (std::size_t index = 0; index < count; ++index) {
            deliver(index, produce(index));
            if (progress)
                progress(index + 1);
        }
        return;
    }
    detail::OrderedResults<Result> results(count, jobs, produce);
    std::vector<std::jthread> workers;
    workers.reserve(jobs - 1);
    for (unsigned j = 1; j < jobs; ++j)
        workers.emplace_back([&results] { results.work(); });

    std::exception_ptr error;
    std::size_t delivered = 0;
    const std::function<void()> waiting = [&] {
        if (progress)
            progress(delivered);
    };
    try {
        while (delivered < count) {
            std::optional<Result> result = results.tryTake(delivered);
            if (!result && results.workOne())
                continue;
            if (!result)
                result = results.take(delivered, waiting);
            if (!result)
                break;
            deliver(delivered, std::move(*result));
            ++delivered;
            if (progress)
                progress(delivered);
        }
    } catch (...) {
        error = std::current_exception();
    }
    results.stop();
    workers.clear(); // joins
    if (error)
        std::rethrow_exception(error);
    if (results.error())
        std::rethrow_exception(results.error());
}

// Receives each point's run in point order, on the calling thread.
using PointSink = std::function<void(std::size_t index, const RunRecord& run)>;

// Runs the points of `points` on `jobs` threads; with one, on the calling
// thread. The sink gets their indices in the whole sweep, in order, so the
// output does not depend on `jobs`; the progress counts the points of the
// range. Points that differ only in N share one run (PointRuns). A run that
// fails is recorded in its point; an exception from the sink stops the sweep
// and is passed on. Raises StudyError, before any run, when
// checkPointsToRun() rejects the points.
void runSweep(const SweepPlan& plan, PointRange points, unsigned jobs, const PointSink& sink,
              const ProgressSink& progress = {});

// runSweep with each point's run turned into a Result on the thread that ran
// it (`produce` must be safe to call concurrently): only that result, not
// the run's many values, passes between threads. `produce` sees the run as
// a view that lasts while it runs: a point that shares a longer run is not
// copied out of it.
template <class Result>
void runSweepProducing(const SweepPlan& plan, PointRange points, unsigned jobs,
                       const std::function<Result(std::size_t index, RunView run)>& produce,
                       const std::function<void(std::size_t index, Result&& result)>& deliver,
                       const ProgressSink& progress = {})
{
    checkPointsToRun(plan, points);
    const PointRuns runs(plan, points);
    runInOrder<Result>(
        points.size(), jobs,
        [&](std::size_t k) {
            const std::size_t index = points.begin + k;
            return runs.withRun(index, [&](RunView run) { return produce(index, run); });
        },
        [&](std::size_t k, Result&& result) { deliver(points.begin + k, std::move(result)); }, progress);
}

} // namespace kaskad::study
