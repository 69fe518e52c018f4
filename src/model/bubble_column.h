// The bubble-column reactor series.
#pragma once

#include "model/model_inputs.h"
#include "model/model_window.h"
#include "numeric/extended.h"

namespace kaskad {

// From N, y10, y50, wg, t, dtr, d and ts, computes reactors 1..N and
// appends each reactor's "Реактор" lines to Text1..Text12. The first error
// ends the run; lines appended before it stay.
void runBubbleColumn(const ModelInputs& inputs, ResultWriter& out);

// The Nusselt number of the heat transfer to the wall, from the Froude
// number and Pr^0.333: 0.146 Pr^0.333 Fr^0.25 up to Fr = 18 inclusive,
// 0.3 Pr^0.333 beyond.
Single bubbleNusseltNumber(Double Fr, Ext prToTheThird);

} // namespace kaskad
