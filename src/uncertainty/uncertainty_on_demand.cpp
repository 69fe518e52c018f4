// The uncertainty module loaded on the first study and kept to the end of the
// process; a failed load is tried again next time.
#include "uncertainty/uncertainty_on_demand.h"

#include "study/module_loader.h"
#include "uncertainty/uncertainty_entry.h"

namespace kaskad::study {
namespace {

const UncertaintyEntryPoints& entryPoints()
{
    static const auto* const entries = static_cast<const UncertaintyEntryPoints*>(
        moduleEntryPoints(kUncertaintyModuleFile, {kUncertaintyEntryPointsSymbol}, "uncertainty module").front());
    return *entries;
}

} // namespace

UncertaintyResult runUncertaintyOnDemand(const UncertainSpace& space, const UncertaintySettings& settings)
{
    return entryPoints().runUncertainty(space, settings);
}

} // namespace kaskad::study
