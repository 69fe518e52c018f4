// Expanding a sweep into points and running them in parallel, in order.
#include "cli/sweep.h"

#include "cli/cli_errors.h"
#include "cli/sweep_values.h"

#include <charconv>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace kaskad::cli {

SweepPlan::SweepPlan(ModelKind model, const FieldTexts& optionTexts, DecimalSeparator separator)
    : model_(model), separator_(separator), fixed_(optionTexts)
{
    if (separator.text() == ":" || separator.text() == ";")
        throw UsageError("a sweep cannot use '" + std::string(separator.text()) +
                         "' as decimal separator: it separates the values of ranges and lists");
    for (const FieldDescription& description : modelFields(model)) {
        const std::string& optionText = optionTexts[description.field - 1];
        if (!description.converted || !isSweepText(optionText))
            continue;
        SweepField field;
        field.field = description.field;
        field.name = std::string(description.name);
        try {
            field.texts = fieldValueTexts(optionText, separator);
        } catch (const UsageError& error) {
            throw UsageError("--" + field.name + ": " + error.message());
        }
        if (pointCount_ > kMaxSweepPoints / field.texts.size())
            throw UsageError("the sweep has more than " + std::to_string(kMaxSweepPoints) + " points");
        pointCount_ *= field.texts.size();
        swept_.push_back(std::move(field));
    }
    // The last field varies fastest.
    strides_.resize(swept_.size());
    std::size_t stride = 1;
    for (std::size_t f = swept_.size(); f-- > 0;) {
        strides_[f] = stride;
        stride *= swept_[f].texts.size();
    }
}

FieldTexts SweepPlan::pointFields(std::size_t index) const
{
    FieldTexts fields = fixed_;
    for (std::size_t f = 0; f < swept_.size(); ++f)
        fields[swept_[f].field - 1] = swept_[f].texts[textIndex(index, f)];
    return fields;
}

PointRange shardRange(std::size_t pointCount, Shard shard)
{
    using Wide = unsigned __int128;
    const auto boundary = [&](std::size_t k) {
        return static_cast<std::size_t>(Wide(pointCount) * k / shard.count);
    };
    return {boundary(shard.index - 1), boundary(shard.index)};
}

std::optional<Shard> parseShard(std::string_view text)
{
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    const auto number = [](std::string_view digits) -> std::optional<std::size_t> {
        std::size_t value = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
            return std::nullopt;
        return value;
    };
    const std::optional<std::size_t> index = number(text.substr(0, slash));
    const std::optional<std::size_t> count = number(text.substr(slash + 1));
    if (!index || !count || *index < 1 || *index > *count || *count > kMaxShards)
        return std::nullopt;
    return Shard{*index, *count};
}

namespace {

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
    {
    }

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
            error_ = error;
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
        std::optional<Result> result = std::move(slot);
        slot.reset();
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
    std::condition_variable room_;      // a slot was freed, or the sweep stopped
    std::condition_variable finished_;  // a result was stored, or the sweep stopped
    std::vector<std::optional<Result>> slots_;
    std::size_t next_ = 0;   // the next point to claim
    std::size_t taken_ = 0;  // points handed to the sink
    bool stopped_ = false;
    std::exception_ptr error_;
};

// Produces every point on `jobs` threads and delivers the results in point
// order on the calling thread. With one job the calling thread does it all;
// otherwise jobs - 1 workers run, and the calling thread produces points
// itself while the next one is not ready, so that no more threads compete
// than there are jobs.
template <class Result>
void produceInOrder(std::size_t count, unsigned jobs, const typename OrderedResults<Result>::Produce& produce,
                    const std::function<void(std::size_t, Result&&)>& deliver, const ProgressSink& progress)
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
    OrderedResults<Result> results(count, jobs, produce);
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
    workers.clear();  // joins
    if (error)
        std::rethrow_exception(error);
    if (results.error())
        std::rethrow_exception(results.error());
}

RunRecord runPoint(const SweepPlan& plan, std::size_t index)
{
    return runRecorded(plan.model(), plan.pointFields(index), plan.separator());
}

} // namespace

void runSweep(const SweepPlan& plan, unsigned jobs, const PointSink& sink, const ProgressSink& progress)
{
    runSweep(plan, PointRange{0, plan.pointCount()}, jobs, sink, progress);
}

void runSweep(const SweepPlan& plan, PointRange points, unsigned jobs, const PointSink& sink,
              const ProgressSink& progress)
{
    // The ordered production counts from 0; the range's points follow its begin.
    produceInOrder<RunRecord>(
        points.size(), jobs, [&](std::size_t k) { return runPoint(plan, points.begin + k); },
        [&](std::size_t k, RunRecord&& run) { sink(points.begin + k, run); }, progress);
}

void runSweepFormatted(const SweepPlan& plan, unsigned jobs, const PointFormatter& format, const TextSink& sink,
                       const ProgressSink& progress)
{
    runSweepFormatted(plan, PointRange{0, plan.pointCount()}, jobs, format, sink, progress);
}

void runSweepFormatted(const SweepPlan& plan, PointRange points, unsigned jobs, const PointFormatter& format,
                       const TextSink& sink, const ProgressSink& progress)
{
    produceInOrder<std::optional<FormattedPoint>>(
        points.size(), jobs,
        [&](std::size_t k) { return format(points.begin + k, runPoint(plan, points.begin + k)); },
        [&](std::size_t k, std::optional<FormattedPoint>&& point) { sink(points.begin + k, std::move(point)); },
        progress);
}

} // namespace kaskad::cli
