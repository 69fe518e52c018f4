// The steps of one reactor that the bubble-column and gas-lift runs share:
// liquid properties, rate constants' kinetic term, air compression, the y3
// balance, the leaving composition and the heat-release sum.
#pragma once

#include "model/model_inputs.h"
#include "model/model_window.h"
#include "numeric/extended.h"

namespace kaskad {

// The inputs both designs read from LabeledEdit1..6: the number of
// reactors, the entering y1 and y5, the air velocity, the first reactor's
// temperature and the temperature step.
struct SeriesInputs {
    std::int32_t N;
    Single y10, y50, wg, t, dtr;
};
inline SeriesInputs seriesInputs(const ModelInputs& in)
{
    return {in.count(),         in.single(fieldY10), in.single(fieldY50),
            in.single(fieldWg), in.single(fieldT),   in.single(fieldDtr)};
}

// Properties of the liquid at temperature t.
struct LiquidProperties {
    Single mu;  // dynamic viscosity
    Single cp;  // heat capacity
    Single lam; // thermal conductivity
    Double ro;  // density
    Single nu;  // kinematic viscosity
};
LiquidProperties liquidProperties(Single t);

// The Prandtl number (cp mu)/lam as a double, and its powers 0.333 and 0.5,
// formed without raising: a run takes the number where its formula stores
// it, and raises there if it cannot be stored.
struct PrandtlPowers {
    Kept<Double> number;
    Ext toTheThird; // Pr^0.333
    Ext toTheHalf;  // Pr^0.5
};
PrandtlPowers prandtlPowers(const LiquidProperties& liquid);

// Constants of a rate constant, at the width of the run's table.
struct RateConstants {
    Ext A, E, B;
};

// exp(E / (8.314 t)), which grows as the temperature falls.
Ext arrheniusFactor(Ext E, Single t);

// A * exp(E / (8.314 t)): the kinetic part of a rate constant.
inline Ext kineticTerm(const RateConstants& c, Ext arrhenius) { return c.A * arrhenius; }
inline Ext kineticTerm(const RateConstants& c, Single t) { return kineticTerm(c, arrheniusFactor(c.E, t)); }

// The acceleration of gravity g, m/s², as the formulas write it.
inline constexpr long double kGravity = 9.81L;

// The adiabatic exponent of air and its temperature before compression, K.
inline constexpr Single kappa{1030.0f / 730.0f};
inline constexpr Single Ta0{293.0f};

// Air compressed adiabatically from Ta0 to the pressure P, and the heat it
// brings into the reactor.
struct AirHeat {
    Single Ta;  // air temperature after compression
    Single dTa; // Ta - 353
    Single Qa;  // air heat flow
    Single GB;  // printed air quantity
};
AirHeat airHeat(Ext P, Single Vg);

// Concentrations of the liquid entering a reactor, at the widths the run
// carries them.
struct Inlet {
    Ext y10, y20, y30, y40, y50, y60;
};

// Concentrations of the liquid leaving a reactor.
struct Composition {
    Single y1, y2, y3, y4, y5, y6;
};

// Decay of y1 and y5 over the residence time, and ts * k3.
struct ResidenceFactors {
    Ext e1, e2, c3;
};
ResidenceFactors residenceFactors(Single k1, Single k2, Single k3, Single ts);

inline constexpr int kNewtonIterationLimit = 1000;

// y3 from the quadratic balance y3 - y30 = c3 (S2 - y3)(S4 - y3), by
// Newton's method from the iterate x until a correction is smaller than eps.
// x is left at the last iterate. Raises ENoConvergence when the limit of
// iterations passes without that.
struct NewtonResult {
    Single y3;
    int iterations;
};
NewtonResult solveY3(Single& x, const Inlet& in, const ResidenceFactors& f, Ext eps);

// y1, y2, y4, y5, y6 leaving the reactor, given its y3.
Composition leavingComposition(const Inlet& in, Ext e1, Ext e2, Single y3);

// The heat-release sum q, each component's change weighed by its heat. The
// y3 term weighs y3Term, which both runs form from the y3 entering the
// reactor rather than from the change of y3 across it.
Single heatRelease(const Composition& out, const Inlet& in, Ext y3Term);

// Appends reactor i's concentrations to Text1..Text6.
void appendCompositionLines(ResultWriter& out, std::int32_t i, const Composition& c);

// The quantities of the second group of lines of a reactor.
struct HeatTransferLines {
    Single GB, WB, ALFA, ALPE, t;
    Ext P;
};

// Appends reactor i's GB, WB, ALFA, ALPE, temperature and pressure, in that
// order, to Text7, Text9, Text8, Text10, Text11 and Text12.
void appendHeatTransferLines(ResultWriter& out, std::int32_t i, const HeatTransferLines& lines);

} // namespace kaskad
