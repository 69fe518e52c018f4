// The helpers several of the module's bindings share.
#include "shared.h"

#include <algorithm>
#include <thread>

namespace py = pybind11;

namespace kaskad::python {

ModelKind modelOf(const std::string& name)
{
    if (const std::optional<ModelKind> model = modelNamed(name))
        return *model;
    throw py::value_error("the model is 'bubble' or 'gaslift', not '" + name + "'");
}

DecimalSeparator separatorOf(const std::string& text)
{
    if (const std::optional<DecimalSeparator> separator = DecimalSeparator::fromText(text))
        return *separator;
    throw py::value_error("the decimal separator must be one character other than a digit, sign, e or blank, not '" +
                          text + "'");
}

unsigned threadsOf(std::optional<unsigned> jobs)
{
    return jobs.value_or(std::max(1u, std::thread::hardware_concurrency()));
}

SignalCheck::SignalCheck(py::object progress, std::size_t total) : progress_(std::move(progress)), total_(total) {}

void SignalCheck::operator()(std::size_t done)
{
    py::gil_scoped_acquire held;
    if (raised_)
        return;
    if (PyErr_CheckSignals() != 0) {
        raised_ = std::make_exception_ptr(py::error_already_set());
        source_.request_stop();
        return;
    }
    if (!progress_.is_none())
        progress_(done, total_);
}

void SignalCheck::raisePending() const
{
    if (raised_)
        std::rethrow_exception(raised_);
}

study::RowOptions rowOptions(bool outlet, bool criterion, bool onlyMeeting)
{
    study::RowOptions options;
    options.outletOnly = outlet;
    options.criterion = criterion;
    options.onlyMeeting = onlyMeeting;
    return options;
}

void checkChunk(const study::SweepPlan& plan, std::size_t begin, std::size_t end)
{
    if (begin > end || end > plan.pointCount())
        throw py::index_error("the points must lie within the sweep's " + std::to_string(plan.pointCount()));
    const study::PointRange points{begin, end};
    study::checkPointsToRun(plan, points,
                            points == study::allPoints(plan)
                                ? std::string()
                                : "the chunk " + std::to_string(begin) + ".." + std::to_string(end));
}

} // namespace kaskad::python
