// The compiled part of the Python package kaskad: the module _kaskad, whose
// bindings each concern registers from its own file.
#include "register.h"

PYBIND11_MODULE(_kaskad, m)
{
    using namespace kaskad::python;
    m.doc() = "The compiled part of kaskad: use the package kaskad, not this module.";
    registerRuns(m);
    registerSweeps(m);
    registerCsv(m);
    registerReadCsv(m);
    registerNumberText(m);
    registerErrorKinds(m);
    registerDesign(m);
    registerSensitivity(m);
    registerUncertainRuns(m);
}
