// An uncertainty study run by the uncertainty module, loaded on the first
// study: a program that links this, not the uncertainty library, starts
// without OpenTURNS.
#pragma once

#include "uncertainty/uncertainty.h"

namespace kaskad::study {

// runUncertainty, in the module. Raises ModuleUnavailable when the module
// cannot be loaded, and whatever the study raises.
UncertaintyResult runUncertaintyOnDemand(const UncertainSpace& space, const UncertaintySettings& settings);

} // namespace kaskad::study
