// The optimiser and the solver, bound for the Python package.
#pragma once

#include <pybind11/pybind11.h>

namespace kaskad::python {

void bindDesign(pybind11::module_& m);

} // namespace kaskad::python
