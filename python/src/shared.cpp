// The helpers several of the modules' bindings share.
#include "shared.h"

#include "model/criterion.h"
#include "numeric/utf8.h"

#include <pybind11/stl.h>

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
    if (progress_.is_none())
        return;
    try {
        progress_(done, total_);
    } catch (py::error_already_set& error) {
        // Ctrl+C that lands in the progress callback (a tqdm bar) stops the work as any other.
        if (!error.matches(PyExc_KeyboardInterrupt))
            throw;
        raised_ = std::current_exception();
        source_.request_stop();
    }
}

void SignalCheck::raisePending() const
{
    if (raised_)
        std::rethrow_exception(raised_);
}

py::object SignalCheck::pending() const
{
    if (!raised_)
        return py::none();
    try {
        std::rethrow_exception(raised_);
    } catch (py::error_already_set& error) {
        return error.value();
    }
}

void SignalCheck::raiseInterrupted(std::size_t points) const
{
    const py::object interrupted = py::module_::import("kaskad").attr("Interrupted")(py::none(), points);
    PyException_SetCause(interrupted.ptr(), pending().release().ptr());
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(interrupted.ptr())), interrupted.ptr());
    throw py::error_already_set();
}

bool SignalCheck::interrupted() const
{
    const py::object error = pending();
    if (error.is_none())
        return false;
    if (!PyErr_GivenExceptionMatches(error.ptr(), PyExc_KeyboardInterrupt))
        raisePending();
    return true;
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

// The values of each quantity as one row of a (quantities, rows) array, the
// block itself, its lines capacity() apart: a DataFrame takes its transpose
// as its block of float columns, uncopied.
namespace {

py::array_t<double> quantityColumns(QuantityBlock& values)
{
    const auto rows = static_cast<py::ssize_t>(values.rows());
    values.reserve(1); // numpy takes a block, never a null pointer
    const auto stride = static_cast<py::ssize_t>(values.capacity() * sizeof(double));
    double* block = values.release().release();
    const py::capsule owner(block, [](void* p) { delete[] static_cast<double*>(p); });
    return py::array_t<double>({static_cast<py::ssize_t>(kPaneCount), rows},
                               {stride, static_cast<py::ssize_t>(sizeof(double))}, block, owner);
}

} // namespace

std::vector<std::string> pythonTexts(const std::vector<std::string>& texts)
{
    std::vector<std::string> valid;
    valid.reserve(texts.size());
    for (const std::string& text : texts)
        valid.push_back(withValidUtf8(text));
    return valid;
}

py::dict rowArrays(const study::SweepRows& rows, SweepColumns&& columns,
                   std::vector<std::pair<std::string, std::vector<std::string>>> varying)
{
    const auto rowCount = static_cast<py::ssize_t>(columns.rows());
    py::dict arrays;
    std::vector<std::string> names;
    for (const study::Column& column : rows.columns())
        names.push_back(column.name);
    arrays["columns"] = names;
    py::list fields;
    for (std::size_t v = 0; v < varying.size(); ++v)
        fields.append(py::make_tuple(varying[v].first, pythonTexts(varying[v].second),
                                     arrayOf(std::move(columns.textIndex[v]), {rowCount})));
    arrays["varying"] = fields;
    arrays["points"] = columns.points;
    if (!columns.pointOfRow.empty())
        arrays["point"] = arrayOf(std::move(columns.pointOfRow), {rowCount});
    arrays["reactor"] = arrayOf(std::move(columns.reactor), {rowCount});
    arrays["values"] = quantityColumns(columns.values);
    arrays["error_kind"] =
        py::make_tuple(pythonTexts(columns.errorKinds.texts()), arrayOf(std::move(columns.errorKind), {rowCount}));
    arrays["error_message"] = py::make_tuple(pythonTexts(columns.errorMessages.texts()),
                                             arrayOf(std::move(columns.errorMessage), {rowCount}));
    if (rows.options().withCriterion()) {
        const auto bounds = static_cast<py::ssize_t>(criterionBounds(rows.model()).size());
        arrays["bounds"] = arrayOf(std::move(columns.bounds), {rowCount, bounds});
        arrays["meets"] = arrayOf(std::move(columns.meets), {rowCount});
        arrays["margin"] = arrayOf(std::move(columns.margin), {rowCount});
    }
    return arrays;
}

} // namespace kaskad::python
