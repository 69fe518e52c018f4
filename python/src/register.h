// The module's bindings by concern: each adds its classes and functions to
// the module _kaskad.
#pragma once

#include <pybind11/pybind11.h>

namespace kaskad::python {

// A run kept as a value (Record, run), UsageError, QUANTITIES and model_fields.
void registerRuns(pybind11::module_& m);
// SweepPlan, a sweep's rows as arrays, the shard cut and study files.
void registerSweeps(pybind11::module_& m);
// kaskad-cli's CSV of a plan's points and of a table.
void registerCsv(pybind11::module_& m);
// kaskad-cli's sweep CSV read back as arrays.
void registerReadCsv(pybind11::module_& m);
// Numbers printed as the panes print them, and texts read as numbers.
void registerNumberText(pybind11::module_& m);
// The error kinds of the calculations and their parents.
void registerErrorKinds(pybind11::module_& m);
// The optimiser and the solver.
void registerDesign(pybind11::module_& m);
// The sensitivity study.
void registerSensitivity(pybind11::module_& m);
// The runs of an uncertainty study's sample rows, for the workers of a cluster.
void registerUncertainRuns(pybind11::module_& m);

} // namespace kaskad::python
