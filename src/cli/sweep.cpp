// Expanding a sweep into points and running them in parallel, in order.
#include "cli/sweep.h"

#include "cli/cli_errors.h"
#include "cli/commands.h"
#include "cli/sweep_values.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace kaskad::cli {

namespace {

// The gas-lift draught tube diameter: a field the run never converts.
bool isConverted(ModelKind model, int field) { return !(model == ModelKind::gaslift && field == 7); }

} // namespace

SweepPlan::SweepPlan(ModelKind model, const FieldTexts& specifications, DecimalSeparator separator)
    : model_(model), separator_(separator), fixed_(specifications)
{
    if (separator.text() == ":" || separator.text() == ";")
        throw UsageError("a sweep cannot use '" + std::string(separator.text()) +
                         "' as decimal separator: it separates the values of ranges and lists");
    for (const FieldOption& option : fieldOptions(model)) {
        const std::string& specification = specifications[option.field - 1];
        if (!isConverted(model, option.field) || !isSweepSpecification(specification))
            continue;
        SweepField field;
        field.field = option.field;
        field.name = std::string(option.name).substr(2);
        field.swept = true;
        try {
            field.texts = fieldValueTexts(specification, separator);
        } catch (const UsageError& error) {
            throw UsageError(std::string(option.name) + ": " + error.message());
        }
        if (pointCount_ > kMaxSweepPoints / field.texts.size())
            throw UsageError("the sweep has more than " + std::to_string(kMaxSweepPoints) + " points");
        pointCount_ *= field.texts.size();
        swept_.push_back(std::move(field));
    }
}

FieldTexts SweepPlan::pointFields(std::size_t index) const
{
    FieldTexts fields = fixed_;
    for (auto field = swept_.rbegin(); field != swept_.rend(); ++field) {
        fields[field->field - 1] = field->texts[index % field->texts.size()];
        index /= field->texts.size();
    }
    return fields;
}

std::vector<std::string> SweepPlan::sweptTexts(std::size_t index) const
{
    const FieldTexts fields = pointFields(index);
    std::vector<std::string> texts;
    for (const SweepField& field : swept_)
        texts.push_back(fields[field.field - 1]);
    return texts;
}

namespace {

// The points between the workers and the sink. Workers take the next point
// index; the sink takes the finished runs in index order. Workers run at
// most `window` points ahead of the sink, so memory stays bounded however
// long the sweep.
class OrderedRuns {
public:
    OrderedRuns(const SweepPlan& plan, unsigned jobs)
        : plan_(plan), window_(16 * static_cast<std::size_t>(jobs)), slots_(window_)
    {
    }

    void work()
    {
        try {
            while (const std::optional<std::size_t> index = claim()) {
                RunRecord run = runRecorded(plan_.model(), plan_.pointFields(*index), plan_.separator(),
                                            PaneTexts::dropped);
                std::lock_guard lock(mutex_);
                slots_[*index % window_] = std::move(run);
                finished_.notify_all();
            }
        } catch (...) {
            stop(std::current_exception());
        }
    }

    // Waits for the run of point `index` (the next in order) and frees its
    // slot; nullopt when the sweep stopped. `waiting` runs every 100 ms.
    std::optional<RunRecord> take(std::size_t index, const std::function<void()>& waiting)
    {
        std::unique_lock lock(mutex_);
        std::optional<RunRecord>& slot = slots_[index % window_];
        while (!slot && !stopped_) {
            if (finished_.wait_for(lock, std::chrono::milliseconds(100)) == std::cv_status::timeout && waiting) {
                lock.unlock();
                waiting();
                lock.lock();
            }
        }
        if (stopped_)
            return std::nullopt;
        std::optional<RunRecord> run = std::move(slot);
        slot.reset();
        taken_ = index + 1;
        room_.notify_all();
        return run;
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
    std::optional<std::size_t> claim()
    {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return stopped_ || next_ < taken_ + window_; });
        if (stopped_ || next_ >= plan_.pointCount())
            return std::nullopt;
        return next_++;
    }

    const SweepPlan& plan_;
    const std::size_t window_;
    std::mutex mutex_;
    std::condition_variable room_;      // a slot was freed, or the sweep stopped
    std::condition_variable finished_;  // a run was stored, or the sweep stopped
    std::vector<std::optional<RunRecord>> slots_;
    std::size_t next_ = 0;   // the next point to claim
    std::size_t taken_ = 0;  // points handed to the sink
    bool stopped_ = false;
    std::exception_ptr error_;
};

} // namespace

void runSweep(const SweepPlan& plan, unsigned jobs, const PointSink& sink, const ProgressSink& progress)
{
    const std::size_t count = plan.pointCount();
    if (jobs <= 1) {
        // One thread: the calling one runs the points itself, in order.
        for (std::size_t index = 0; index < count; ++index) {
            sink(index, runRecorded(plan.model(), plan.pointFields(index), plan.separator(), PaneTexts::dropped));
            if (progress)
                progress(index + 1);
        }
        return;
    }
    OrderedRuns runs(plan, jobs);
    std::vector<std::jthread> workers;
    workers.reserve(jobs);
    for (unsigned j = 0; j < jobs; ++j)
        workers.emplace_back([&runs] { runs.work(); });

    std::exception_ptr sinkError;
    std::size_t delivered = 0;
    const std::function<void()> waiting = [&] {
        if (progress)
            progress(delivered);
    };
    try {
        for (; delivered < count; ) {
            const std::optional<RunRecord> run = runs.take(delivered, waiting);
            if (!run)
                break;
            sink(delivered, *run);
            ++delivered;
            if (progress)
                progress(delivered);
        }
    } catch (...) {
        sinkError = std::current_exception();
    }
    runs.stop();
    workers.clear();  // joins
    if (sinkError)
        std::rethrow_exception(sinkError);
    if (runs.error())
        std::rethrow_exception(runs.error());
}

} // namespace kaskad::cli
