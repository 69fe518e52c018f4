// What several of the module's bindings share: the model and decimal separator
// a text names, arrays handed to numpy, and the threads and Ctrl+C of long work.
#pragma once

#include "model/design.h"
#include "numeric/number_text.h"
#include "study/point_rows.h"
#include "sweep_columns.h"

#include <pybind11/pybind11.h>
#include <pybind11/numpy.h>

#include <cstddef>
#include <exception>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

namespace kaskad::python {

// The model a name gives; a ValueError for any other name.
ModelKind modelOf(const std::string& name);

// The separator a text gives; a ValueError for a text that is not one.
DecimalSeparator separatorOf(const std::string& text);

// A vector handed to numpy without a copy: the array owns it.
template <class T>
pybind11::array_t<T> arrayOf(std::vector<T>&& values, std::vector<pybind11::ssize_t> shape)
{
    auto* owned = new std::vector<T>(std::move(values));
    pybind11::capsule owner(owned, [](void* p) { delete static_cast<std::vector<T>*>(p); });
    return pybind11::array_t<T>(shape, owned->data(), owner);
}

// The threads `jobs` asks for; all the machine's when None.
unsigned threadsOf(std::optional<unsigned> jobs);

// Ctrl+C during long work run without the GIL. Python runs its signal
// handlers on the main thread alone, so the work's progress, reported on the
// calling thread, runs them there: the exception one raises
// (KeyboardInterrupt) is kept and asks for the stop, and raisePending()
// raises it once the work has returned.
class SignalCheck {
public:
    // `progress`, when not None, is told the points done of `total`.
    explicit SignalCheck(pybind11::object progress = pybind11::none(), std::size_t total = 0);

    std::stop_token token() const { return source_.get_token(); }
    // On the calling thread, without the GIL: runs the signal handlers, then
    // reports the progress while no handler has raised. A KeyboardInterrupt
    // raised in `progress` stops the work as Ctrl+C does; any other
    // exception it raises is passed on.
    void operator()(std::size_t done);
    // With the GIL: raises what a signal handler raised, if one did.
    void raisePending() const;
    // With the GIL: whether Ctrl+C (a KeyboardInterrupt) stopped the work;
    // raises what another handler raised.
    bool interrupted() const;
    // With the GIL: what a signal handler raised, None when none did.
    pybind11::object pending() const;
    // With the GIL: raises kaskad.Interrupted, for `points` points written
    // to a file rather than kept, from the KeyboardInterrupt of Ctrl+C.
    [[noreturn]] void raiseInterrupted(std::size_t points) const;

private:
    pybind11::object progress_;
    std::size_t total_;
    std::stop_source source_;
    std::exception_ptr raised_;
};

study::RowOptions rowOptions(bool outlet, bool criterion, bool onlyMeeting);

// An IndexError unless the points [begin, end) lie within the plan, a
// UsageError when they are more than a sweep runs.
void checkChunk(const study::SweepPlan& plan, std::size_t begin, std::size_t end);

// Texts for Python, which takes only well-formed UTF-8.
std::vector<std::string> pythonTexts(const std::vector<std::string>& texts);

// The columns of the rows as arrays: "columns" the names kaskad-cli gives
// them, "varying" per varying field (name, texts, each row's text index),
// "points" the points whose rows they are, "point" each row's point for
// points given one by one, then reactor, values, error_kind, error_message and, with the criterion,
// bounds, meets and margin.
pybind11::dict rowArrays(const study::SweepRows& rows, SweepColumns&& columns,
                         std::vector<std::pair<std::string, std::vector<std::string>>> varying);

} // namespace kaskad::python
