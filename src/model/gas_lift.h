// The gas-lift reactor series.
#pragma once

#include "model/model_inputs.h"
#include "model/model_window.h"
#include "numeric/extended.h"

namespace kaskad {

// State of the gas-lift window that takes part in a run without being set by
// it: y3h, the value the heat-release sum takes for the y3 leaving the
// reactor, set to 0 when the window is created (FormCreate).
struct GasLiftWindowState {
    Single y3h;
};

// From N, y10, y50, wg, t, dtr and ts (db is never read), computes reactors
// 1..N and appends each reactor's "реактор" lines to Text1..Text12. The first
// error ends the run; lines appended before it stay.
void runGasLift(const GasLiftWindowState& windowState, const ModelInputs& inputs, ResultWriter& out);

// runGasLift as a freshly created window runs it.
void runGasLiftAsCreated(const ModelInputs& inputs, ResultWriter& out);

// The two-phase flow in the gas-lift tube.
struct TubeFlow {
    Kept<Double> C0; // distribution coefficient of the gas
    Kept<Double> ub; // rise velocity of a bubble in still liquid
    Kept<Double> wl; // circulation velocity of the liquid
    Kept<Double> fi; // gas hold-up
    Kept<Single> us; // friction velocity at the wall
};

// vb = wl / (1 - ka) + ub: the bubbles' velocity in the moving liquid.
Ext riseVelocityTerm(Ext wl, Ext ka, Ext ub);
Double riseVelocity(Double wl, Double ka, Double ub);

} // namespace kaskad
