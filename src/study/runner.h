// The ordered parallel runner: results produced on several threads and
// delivered in order on the calling thread; a sweep's points run through it.
#pragma once

#include "study/point_runs.h"
#include "study/sweep_plan.h"
#include "study/threads.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

namespace kaskad::study {

// Called on the calling thread with the number of results delivered, after
// each one and at least every 100 ms while waiting.
using ProgressSink = std::function<void(std::size_t delivered)>;

namespace detail {

// The points between the workers and the sink. Workers claim the next few
// point indices at a time and produce their results; the sink takes the
// results in index order, as many as are ready at once. Workers run at most
// `window` points ahead of the sink, so memory stays bounded however long
// the sweep. Claiming and handing over a few points per lock keeps the
// threads from queueing at the lock when each point takes a microsecond.
template <class Result>
class OrderedResults {
public:
    using Produce = std::function<Result(std::size_t index)>;

    OrderedResults(std::size_t count, unsigned jobs, Produce produce)
        : count_(count),
          chunk_(chunkFor(count, jobs)),
          window_(16 * static_cast<std::size_t>(jobs) * chunk_),
          produce_(std::move(produce)),
          slots_(window_)
    {}

    void work()
    {
        try {
            while (const std::optional<Span> span = claim(true))
                produceSpan(*span);
        } catch (...) {
            stop(std::current_exception());
        }
    }

    // Produces a few more points on the calling thread if they can be
    // claimed without waiting; false when none can.
    bool workSome()
    {
        const std::optional<Span> span = claim(false);
        if (span)
            produceSpan(*span);
        return span.has_value();
    }

    // Moves the results ready from point `index` (the next in order) on into
    // `taken`, freeing their slots; how many, 0 when the next is not ready.
    std::size_t tryTake(std::size_t index, std::vector<Result>& taken)
    {
        std::lock_guard lock(mutex_);
        return stopped_ ? 0 : release(index, taken);
    }

    // Waits for the result of point `index` (the next in order), then takes
    // it and those ready after it as tryTake does; 0 when the sweep stopped,
    // or was closed before that point was ready. `waiting` runs every 50 ms.
    std::size_t take(std::size_t index, const std::function<void()>& waiting, std::vector<Result>& taken)
    {
        std::unique_lock lock(mutex_);
        while (!slots_[index % window_] && !stopped_ && !closed_) {
            if (finished_.wait_for(lock, std::chrono::milliseconds(50)) == std::cv_status::timeout && waiting) {
                lock.unlock();
                waiting();
                lock.lock();
            }
        }
        return stopped_ ? 0 : release(index, taken);
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

    // No more points are claimed; those claimed are still produced and can
    // be taken once ready. Wakes the threads that wait.
    void close()
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        room_.notify_all();
        finished_.notify_all();
    }

    std::exception_ptr error() const { return error_; }

private:
    // Points first <= index < end.
    struct Span {
        std::size_t first;
        std::size_t end;
    };

    static constexpr std::size_t kLargestChunk = 8;

    // Each job claims at least 64 times, so the points still share out
    // evenly when they are few or slow.
    static std::size_t chunkFor(std::size_t count, unsigned jobs)
    {
        return std::clamp<std::size_t>(count / (64 * std::size_t{jobs}), 1, kLargestChunk);
    }

    // The next points to produce, or nothing when none are left or the sweep
    // stopped or closed; with `wait`, waits for room in the window first.
    std::optional<Span> claim(bool wait)
    {
        std::unique_lock lock(mutex_);
        if (wait)
            room_.wait(lock, [&] { return stopped_ || closed_ || next_ < taken_ + window_; });
        if (stopped_ || closed_ || next_ >= count_ || next_ >= taken_ + window_)
            return std::nullopt;
        const Span span{next_, std::min({next_ + chunk_, count_, taken_ + window_})};
        next_ = span.end;
        return span;
    }

    void produceSpan(Span span)
    {
        std::array<std::optional<Result>, kLargestChunk> made;
        for (std::size_t index = span.first; index < span.end; ++index)
            made[index - span.first].emplace(produce_(index));
        std::lock_guard lock(mutex_);
        for (std::size_t index = span.first; index < span.end; ++index)
            slots_[index % window_] = std::move(made[index - span.first]);
        // Only the point the sink waits for is worth a wake-up.
        if (span.first <= taken_ && taken_ < span.end)
            finished_.notify_one();
    }

    // Hands out the stored results from `index` on and frees their slots;
    // the mutex is held.
    std::size_t release(std::size_t index, std::vector<Result>& taken)
    {
        std::size_t released = 0;
        for (; released < window_ && index + released < count_; ++released) {
            std::optional<Result>& slot = slots_[(index + released) % window_];
            if (!slot)
                break;
            taken.push_back(std::move(*slot));
            slot.reset();
        }
        if (released > 0) {
            taken_ = index + released;
            room_.notify_all();
        }
        return released;
    }

    const std::size_t count_;
    const std::size_t chunk_;  // the points claimed at once
    const std::size_t window_; // how far the workers may run ahead
    const Produce produce_;
    std::mutex mutex_;
    std::condition_variable room_;     // a slot was freed, or the sweep stopped or closed
    std::condition_variable finished_; // a result was stored, or the sweep stopped or closed
    std::vector<std::optional<Result>> slots_;
    std::size_t next_ = 0;  // the next point to claim
    std::size_t taken_ = 0; // points handed to the sink
    bool stopped_ = false;  // by an error: nothing more is produced or taken
    bool closed_ = false;   // by a stop: nothing more is claimed
    std::exception_ptr error_;
};

template <class Result>
using Deliver = std::function<void(std::size_t index, Result&& result)>;

// runInOrder on the calling thread alone: point after point until the last
// or until a stop is asked for; how many were delivered.
template <class Result>
std::size_t runOnCallingThread(std::size_t count, const std::function<Result(std::size_t index)>& produce,
                               const Deliver<Result>& deliver, const std::stop_token& stop,
                               const ProgressSink& progress)
{
    std::size_t index = 0;
    for (; index < count && !stop.stop_requested(); ++index) {
        deliver(index, produce(index));
        if (progress)
            progress(index + 1);
    }
    return index;
}

// The calling thread's part of runInOrder with several jobs: it takes the
// results in index order and delivers them, producing points itself while
// the next one is not ready.
template <class Result>
class InOrderDelivery {
public:
    InOrderDelivery(OrderedResults<Result>& results, const Deliver<Result>& deliver, const ProgressSink& progress)
        : results_(results), deliver_(deliver), progress_(progress)
    {}

    // Delivers results while the workers run: until the last of `count`, or
    // until the results are stopped or closed.
    void whileRunning(std::size_t count)
    {
        const std::function<void()> waiting = [this] {
            if (progress_)
                progress_(delivered_);
        };
        while (delivered_ < count) {
            ready_.clear();
            if (results_.tryTake(delivered_, ready_) == 0 && results_.workSome())
                continue;
            if (ready_.empty() && results_.take(delivered_, waiting, ready_) == 0)
                return;
            deliverReady();
        }
    }

    // Once the workers have ended: delivers the results they finished, which
    // follow on from those delivered, every point claimed having been produced.
    void afterWorkers(std::size_t count)
    {
        for (ready_.clear(); delivered_ < count && results_.tryTake(delivered_, ready_) > 0; ready_.clear())
            deliverReady();
    }

    std::size_t delivered() const { return delivered_; }

private:
    void deliverReady()
    {
        for (Result& result : ready_) {
            deliver_(delivered_, std::move(result));
            ++delivered_;
            if (progress_)
                progress_(delivered_);
        }
    }

    OrderedResults<Result>& results_;
    const Deliver<Result>& deliver_;
    const ProgressSink& progress_;
    std::vector<Result> ready_;
    std::size_t delivered_ = 0;
};

} // namespace detail

// Produces results 0 <= index < count on `jobs` threads and delivers them in
// index order on the calling thread. With one job the calling thread does it all;
// otherwise jobs - 1 workers run, and the calling thread produces points
// itself while the next one is not ready, so that no more threads compete
// than there are jobs. `produce` runs on several threads at once; an
// exception from it or from `deliver` stops the work and is passed on.
//
// Once `stop` is asked for, no more points are begun: the points already
// begun are finished and delivered in order with those ready, and the
// number delivered is returned, fewer than `count` only when stopped.
template <class Result>
std::size_t runInOrder(std::size_t count, unsigned jobs, const std::function<Result(std::size_t index)>& produce,
                       const detail::Deliver<Result>& deliver, std::stop_token stop = {},
                       const ProgressSink& progress = {})
{
    if (jobs <= 1 || count == 0)
        return detail::runOnCallingThread<Result>(count, produce, deliver, stop, progress);
    detail::OrderedResults<Result> results(count, jobs, produce);
    // Runs on the thread that asks for the stop, or here if it was asked already.
    const std::stop_callback closeWhenStopped(stop, [&results] { results.close(); });
    detail::InOrderDelivery<Result> delivery(results, deliver, progress);
    // The calling thread produces points too: with no worker started it
    // produces them all.
    std::vector<std::jthread> workers = startThreads(jobs - 1, [&results] { results.work(); });

    std::exception_ptr error;
    try {
        delivery.whileRunning(count);
        results.close();
        workers.clear(); // joins: every point claimed is produced
        delivery.afterWorkers(count);
    } catch (...) {
        error = std::current_exception();
    }
    results.close();
    workers.clear();
    if (error)
        std::rethrow_exception(error);
    if (results.error())
        std::rethrow_exception(results.error());
    return delivery.delivered();
}

// Receives each point's run in point order, on the calling thread.
using PointSink = std::function<void(std::size_t index, const RunRecord& run)>;

// Runs the points of `points` on `jobs` threads; with one, on the calling
// thread. The sink gets their indices in the whole sweep, in order, so the
// output does not depend on `jobs`; the progress counts the points of the
// range. Points that differ only in N share one run (PointRuns). A run that
// fails is recorded in its point; an exception from the sink stops the sweep
// and is passed on. Stopped by `stop` as runInOrder is, the sink having had
// the first points of the range, each whole; returns how many it had. Raises
// StudyError, before any run, when checkPointsToRun() rejects the points.
std::size_t runSweep(const SweepPlan& plan, PointRange points, unsigned jobs, const PointSink& sink,
                     std::stop_token stop = {}, const ProgressSink& progress = {});

// runSweep with each point's run turned into a Result on the thread that ran
// it (`produce` must be safe to call concurrently): only that result, not
// the run's many values, passes between threads. `produce` sees the run as
// a view that lasts while it runs: a point that shares a longer run is not
// copied out of it.
template <class Result>
std::size_t runSweepProducing(const SweepPlan& plan, PointRange points, unsigned jobs,
                              const std::function<Result(std::size_t index, RunView run)>& produce,
                              const std::function<void(std::size_t index, Result&& result)>& deliver,
                              std::stop_token stop = {}, const ProgressSink& progress = {})
{
    checkPointsToRun(plan, points);
    const PointRuns runs(plan, points);
    return runInOrder<Result>(
        points.size(), jobs,
        [&](std::size_t k) {
            const std::size_t index = points.begin + k;
            return runs.withRun(index, [&](RunView run) { return produce(index, run); });
        },
        [&](std::size_t k, Result&& result) { deliver(points.begin + k, std::move(result)); }, stop, progress);
}

} // namespace kaskad::study
