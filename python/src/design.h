// The optimiser and the solver, bound for the Python package.
#pragma once

#include "model/model_kind.h"

#include <pybind11/pybind11.h>

#include <string>

namespace kaskad::python {

// The model a name gives; a ValueError for any other name.
ModelKind modelOf(const std::string& name);

void bindDesign(pybind11::module_& m);

} // namespace kaskad::python
