// The uncertainty module: the uncertainty library and OpenTURNS behind one
// table of entry points, loaded by the desktop program on its first study.
#include "uncertainty/uncertainty_entry.h"

extern "C" {
__attribute__((
    visibility("default"))) extern const kaskad::study::UncertaintyEntryPoints kaskad_uncertainty_entry_points_v1;
const kaskad::study::UncertaintyEntryPoints kaskad_uncertainty_entry_points_v1{&kaskad::study::runUncertainty};
}
