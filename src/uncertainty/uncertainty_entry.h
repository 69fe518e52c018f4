// What the uncertainty module hands the program that loads it: the study's
// entry point as a C++ function, for programs built together with the module.
#pragma once

#include "uncertainty/uncertainty.h"

namespace kaskad::study {

struct UncertaintyEntryPoints {
    UncertaintyResult (*runUncertainty)(const UncertainSpace& space, const UncertaintySettings& settings);
};

// The module's file name and the name of its table of entry points; the
// name carries the version of the table, so a module built for another table
// is refused rather than misread.
inline constexpr const char* kUncertaintyModuleFile = "kaskad-uncertainty-study.so";
inline constexpr const char* kUncertaintyEntryPointsSymbol = "kaskad_uncertainty_entry_points_v1";

} // namespace kaskad::study
