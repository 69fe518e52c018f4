// What several of the module's bindings share: the model and decimal separator
// a text names, arrays handed to numpy, and the threads and checkpoint of a run of points.
#pragma once

#include "model/design.h"
#include "numeric/number_text.h"
#include "study/point_rows.h"
#include "sweep_columns.h"

#include <pybind11/pybind11.h>
#include <pybind11/numpy.h>

#include <cstddef>
#include <optional>
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

// The checkpoint of a run of points: Ctrl+C stops it, and `progress`, when
// not None, is told the points done of `total`.
Checkpoint pythonCheckpoint(const pybind11::object& progress, std::size_t total);

study::RowOptions rowOptions(bool outlet, bool criterion, bool onlyMeeting);

// An IndexError unless the points [begin, end) lie within the plan, a
// UsageError when they are more than a sweep runs.
void checkChunk(const study::SweepPlan& plan, std::size_t begin, std::size_t end);

} // namespace kaskad::python
