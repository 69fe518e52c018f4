// The bubble-column reactor series.
#pragma once

#include "model/model_window.h"

namespace kaskad {

// Reads N, y10, y50, wg, t, dtr, d and ts from LabeledEdit1..8, computes
// reactors 1..N and appends each reactor's "Реактор" lines to Text1..Text12.
// The first error ends the run; lines appended before it stay.
void runBubbleColumn(ModelWindow& window, DecimalSeparator separator);

} // namespace kaskad
